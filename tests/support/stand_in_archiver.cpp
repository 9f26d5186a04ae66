// A stand-in for 7-Zip's console program in the tests, where no 7-Zip is
// installed (Windows under Wine). It takes the command line Brindle gives a
// 7-Zip-style archiver, "x ARCHIVE -aoa -y -oTARGET", and unpacks zip
// archives whose entries are stored (the tests write those: stored_zip.h).
// Exit codes as 7-Zip's: 0 done, 2 the archive could not be unpacked,
// 7 a bad command line. Paths come through argv, in the system's code page:
// the tests' own paths are plain ASCII.
//
// Named in STAND_IN_ARCHIVER_FAILS (a list of program file names, such as
// "HaoZipC.exe,WinRar.exe"), it dies half-way instead: a cut 100-byte
// cut.dwm in the target, exit 2. Named in STAND_IN_ARCHIVER_EMPTY, it says
// nothing useful, unpacks nothing and ends with 0. Either way it takes the
// RAR-style command line too ("x -o+ -y -IBCK ARCHIVE *.* TARGET").
//
// With STAND_IN_ARCHIVER_HANG naming a file, it unpacks nothing: while that
// file exists it writes its process id to that name + ".pid" and then keeps
// writing into TARGET, as an archiver busy with a huge archive does; when
// the file does not exist it ends at once with 0.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "stored_zip.h"

namespace fs = std::filesystem;

namespace {

constexpr int kDone = 0;
constexpr int kFatal = 2;
constexpr int kUsage = 7;

uint32_t Le(const std::string& bytes, size_t at, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// A name inside the archive that stays inside the target.
bool SafeName(const std::string& name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos) return false;
  std::stringstream parts(name);
  for (std::string part; std::getline(parts, part, '/');)
    if (part == ".." || part.find('\\') != std::string::npos) return false;
  return true;
}

int Unpack(const std::string& archivePath, const fs::path& target) {
  std::ifstream in(fs::path(archivePath), std::ios::binary);
  if (!in) {
    std::cerr << "cannot open " << archivePath << "\n";
    return kFatal;
  }
  std::stringstream whole;
  whole << in.rdbuf();
  const std::string bytes = whole.str();
  if (bytes.size() < 4 || Le(bytes, 0, 4) != 0x04034B50) {
    std::cerr << "Can not open the file as archive\n";
    return kFatal;
  }
  std::error_code ec;
  fs::create_directories(target, ec);
  size_t at = 0;
  while (at + 30 <= bytes.size() && Le(bytes, at, 4) == 0x04034B50) {
    const uint32_t flags = Le(bytes, at + 6, 2), method = Le(bytes, at + 8, 2);
    const uint32_t crc = Le(bytes, at + 14, 4), size = Le(bytes, at + 18, 4), stored = Le(bytes, at + 22, 4);
    const size_t nameLength = Le(bytes, at + 26, 2), extraLength = Le(bytes, at + 28, 2);
    const size_t data = at + 30 + nameLength + extraLength;
    if (method != 0 || (flags & 0x9) != 0 || size != stored || data + size > bytes.size()) {
      std::cerr << "only stored, unencrypted entries of known size are supported\n";
      return kFatal;
    }
    const std::string name = bytes.substr(at + 30, nameLength);
    if (!SafeName(name)) {
      std::cerr << "unsafe name " << name << "\n";
      return kFatal;
    }
    const fs::path path = target / fs::path(name);
    if (name.back() == '/') {
      fs::create_directories(path, ec);
    } else {
      const std::string content = bytes.substr(data, size);
      if (brindle::test::ZipCrc32(content) != crc) {
        std::cerr << "CRC failed: " << name << "\n";
        return kFatal;
      }
      fs::create_directories(path.parent_path(), ec);
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << content;
      if (!out.flush()) {
        std::cerr << "cannot write " << name << "\n";
        return kFatal;
      }
    }
    at = data + size;
  }
  return kDone;
}

int Hang(const std::string& hangFile, const fs::path& target) {
  std::error_code ec;
  if (!fs::exists(hangFile, ec)) return kDone;
  fs::create_directories(target, ec);
  const std::string pidFile = hangFile + ".pid";
  std::ofstream(pidFile + ".tmp") << getpid() << "\n";
  fs::rename(pidFile + ".tmp", pidFile, ec);
  for (;;) {
    std::ofstream(target / "big.bin", std::ios::binary | std::ios::app) << "data\n";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

// True when the environment variable's comma-separated list names program.
bool Listed(const char* variable, const std::string& program) {
  const char* list = std::getenv(variable);
  if (!list) return false;
  std::stringstream names(list);
  for (std::string name; std::getline(names, name, ',');)
    if (!name.empty() && name == program) return true;
  return false;
}

int main(int argc, char** argv) {
  const std::string self = argc > 0 ? fs::path(argv[0]).filename().string() : std::string();
  const bool fails = Listed("STAND_IN_ARCHIVER_FAILS", self);
  if (fails || Listed("STAND_IN_ARCHIVER_EMPTY", self)) {
    if (!fails) {
      std::cerr << "Not an archive of mine\n";
      return kDone;
    }
    // The target: "-oTARGET", or the RAR style's last argument.
    fs::path target = argc > 1 ? fs::path(argv[argc - 1]) : fs::path();
    for (int i = 1; i < argc; ++i)
      if (std::string(argv[i]).rfind("-o", 0) == 0 && std::string(argv[i]).size() > 2 &&
          std::string(argv[i]) != "-o+")
        target = fs::path(std::string(argv[i]).substr(2));
    std::error_code ec;
    fs::create_directories(target, ec);
    std::ofstream(target / "cut.dwm", std::ios::binary) << std::string(100, '\0');
    return kFatal;
  }
  std::vector<std::string> files;
  std::string target;
  if (argc < 2 || std::string(argv[1]) != "x") {
    std::cerr << "usage: 7z x ARCHIVE [-aoa] [-y] -oTARGET\n";
    return kUsage;
  }
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("-o", 0) == 0 && a.size() > 2)
      target = a.substr(2);
    else if (a == "-aoa" || a == "-y")
      continue;
    else if (!a.empty() && a[0] == '-')
      return kUsage;
    else
      files.push_back(a);
  }
  if (files.size() != 1 || target.empty()) return kUsage;
  if (const char* hang = std::getenv("STAND_IN_ARCHIVER_HANG"); hang && *hang)
    return Hang(hang, fs::path(target));
  return Unpack(files[0], fs::path(target));
}
