// The Windows side of the online route: command lines that reach the
// archiver exactly as built, archivers found through their App Paths
// registration before PATH, and programs run with CreateProcessW.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/utf8_path.h"
#include "core/windows/unicode.h"
#include "core/windows/windows_api.h"
#include "online/archivers.h"
#include "online/process_runner.h"
#include "online/windows/app_paths.h"
#include "online/windows/command_line.h"
#include "temp_dir.h"
// After <windows.h>.
#include <shellapi.h>

namespace brindle {
namespace {

// What the C runtime of the started program will see as its arguments.
std::vector<std::string> Parsed(const std::string& commandLine) {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(Widen(commandLine).c_str(), &count);
  std::vector<std::string> result;
  for (int i = 0; i < count; ++i) result.push_back(Narrow(argv[i]));
  LocalFree(argv);
  return result;
}

TEST(WindowsCommandLine, EveryArgumentArrivesAsItWasGiven) {
  const std::vector<std::string> arguments = {"x",
                                              "",
                                              "two words",
                                              "tab\there",
                                              "quote\"inside",
                                              "ends\\",
                                              "C:\\dir with space\\",
                                              "back\\\\\"slashes",
                                              "-oC:\\Users\\\u00fc\\TmpTmp",
                                              "*.*",
                                              "\\\\server\\share\\a.7z"};
  const std::string program = "C:\\Program Files\\7-Zip\\7z.exe";
  const std::vector<std::string> parsed = Parsed(BuildCommandLine(program, arguments));
  ASSERT_EQ(parsed.size(), arguments.size() + 1);
  EXPECT_EQ(parsed[0], program);
  for (size_t i = 0; i < arguments.size(); ++i) EXPECT_EQ(parsed[i + 1], arguments[i]) << i;
}

// Sets an App Paths "Path" of one key for the life of the object: HKCU's,
// or another root's in the registry view given.
class CAppPathsKey {
 public:
  CAppPathsKey(const wchar_t* key, const std::string& folder, DWORD type = REG_SZ,
               HKEY root = HKEY_CURRENT_USER, REGSAM view = 0)
      : m_subKey(std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + key),
        m_root(root),
        m_view(view) {
    HKEY h = nullptr;
    if (RegCreateKeyExW(root, m_subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
      return;
    const std::wstring value = Widen(folder);
    m_ok = RegSetValueExW(h, L"Path", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(h);
  }
  ~CAppPathsKey() { RegDeleteKeyExW(m_root, m_subKey.c_str(), m_view, 0); }
  bool Ok() const { return m_ok; }

 private:
  std::wstring m_subKey;
  HKEY m_root;
  REGSAM m_view;
  bool m_ok = false;
};

TEST(WindowsArchivers, AppPathsRegistrationComesBeforePath) {
  test::CTempDir registered, onPath;
  std::ofstream(Utf8Path(registered.Path() + "/7z.exe")) << "stand-in";
  std::ofstream(Utf8Path(onPath.Path() + "/7z.exe")) << "stand-in";
  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath ? oldPath : "";
  _putenv_s("PATH", onPath.Path().c_str());

  // Only PATH: the PATH copy, with the 7-Zip command line.
  std::vector<ArchiverCommand> found = FittingArchivers("C:/a.zip", "C:/t/");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].program, onPath.Path() + "\\7z.exe");
  EXPECT_EQ(found[0].arguments, (std::vector<std::string>{"x", "C:/a.zip", "-aoa", "-y", "-oC:/t"}));
  {
    CAppPathsKey key(L"7zFM.exe", registered.Path());
    ASSERT_TRUE(key.Ok());
    EXPECT_EQ(ReadAppPath(L"7zFM.exe"), registered.Path());
    found = FittingArchivers("C:/a.zip", "C:/t");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].program, registered.Path() + "\\7z.exe");
  }
  {
    // A REG_EXPAND_SZ registration names the folder through the environment.
    _putenv_s("BRINDLE_TEST_7Z_FOLDER", registered.Path().c_str());
    CAppPathsKey key(L"7zFM.exe", "%BRINDLE_TEST_7Z_FOLDER%", REG_EXPAND_SZ);
    ASSERT_TRUE(key.Ok());
    EXPECT_EQ(ReadAppPath(L"7zFM.exe"), registered.Path());
    _putenv_s("BRINDLE_TEST_7Z_FOLDER", "");
  }
  {
    // A 32-bit archiver's installer writes to HKLM's 32-bit view, which a
    // 64-bit program does not see unless it asks for it.
    CAppPathsKey key(L"7zFM.exe", registered.Path(), REG_SZ, HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY);
    ASSERT_TRUE(key.Ok());
    EXPECT_EQ(ReadAppPath(L"7zFM.exe"), registered.Path());
    found = FittingArchivers("C:/a.zip", "C:/t");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].program, registered.Path() + "\\7z.exe");
  }
  // A folder entry of PATH is never taken for a program, nor a relative one.
  _putenv_s("PATH", (".;relative;" + registered.Path() + "\\7z.exe").c_str());
  EXPECT_TRUE(FittingArchivers("C:/a.zip", "C:/t").empty());
  _putenv_s("PATH", savedPath.c_str());
}

TEST(WindowsProcessRunner, RunsTheProgramAndReportsItsExitCode) {
  const char* cli = std::getenv("BRINDLE_CLI");
  if (!cli) GTEST_SKIP() << "BRINDLE_CLI is not set";
  int exitCode = -1;
  ASSERT_EQ(RunAndWait(cli, {"--version"}, exitCode), 1);
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(RunAndWait(cli, {"no-such-command"}, exitCode), 1);
  EXPECT_NE(exitCode, 0);
  exitCode = -1;
  EXPECT_EQ(RunAndWait("C:\\no\\such\\program.exe", {}, exitCode), 0);
  EXPECT_EQ(exitCode, -1) << "not written when nothing started";
}

}  // namespace
}  // namespace brindle
