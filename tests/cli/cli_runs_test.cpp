// Copies of Brindle side by side: one family, one run at a time; runs that
// still meet (other lock folders) never share working files; a killed run
// takes its archiver with it and leaves nothing that disturbs the next one.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "cli/run_cli.h"
#include "environment.h"
#include "online/loopback_http_server.h"
#include "process_wait.h"
#include "read_file.h"
#include "stored_zip.h"
#include "temp_dir.h"
#include "test_archiver.h"
#include "update/update_file_builder.h"

namespace brindle {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Bytes;
using test::CCliProcess;
using test::Ended;
using test::Input;
using test::kCompany;
using test::KillProcess;
using test::Pack;
using test::RunCli;
using test::WaitFor;

int RunFolders(const std::string& base) {
  int n = 0;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(base, ec))
    n += e.path().filename().string().rfind("run-", 0) == 0;
  return n;
}

class CliRuns : public testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = m_dir.Path() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string Folder(const std::string& name) {
    const std::string path = m_dir.Path() + "/" + name;
    fs::create_directories(path);
    return path;
  }
  // A body served slowly enough that a run stays busy for a while.
  static test::ScriptedResponse Slow(const std::string& body, int pauseMs) {
    auto r = test::MakeResponse("200 OK", body);
    r.pieceBytes = 512;
    r.pauseMs = pauseMs;
    return r;
  }

  test::CTempDir m_dir;
};

TEST_F(CliRuns, ASecondCopyUsingTheDeviceOrWorkingFolderExitsWith4) {
  test::CLoopbackHttpServer server;
  ASSERT_TRUE(server.Started());
  // The first copy's download hangs until the second copies are done.
  std::atomic<bool> release{false};
  server.SetResponder([&](const test::ReceivedRequest& request) {
    if (request.requestLine.find("/busy.zip") != std::string::npos)
      while (!release.load()) std::this_thread::sleep_for(10ms);
    return test::MakeResponse("200 OK", "not an archive");
  });
  struct CRelease {
    std::atomic<bool>& flag;
    ~CRelease() { flag.store(true); }
  } releaseAtEnd{release};  // before the server goes, whatever happened
  const std::string locks = Folder("locks");
  const test::CliEnvironment env = {{"BRINDLE_LOCK_DIR", locks},
                                    {test::kWorkingFolderVariable, Folder("cache")}};
  const auto bytes = Pack(Input(kCompany, Bytes(0x300, 1)));
  const std::string update = Write("u.dwm", std::string(bytes.begin(), bytes.end()));

  CCliProcess first({"--simulate", "update", "--archive-url", server.Url("/busy.zip")}, env);
  // It holds the locks once its download asks for the archive.
  ASSERT_TRUE(WaitFor([&] { return !server.Requests().empty(); }, 10000ms)) << first.ErrSoFar();

  struct Case {
    std::vector<std::string> args;
    bool blocked;
  };
  const Case cases[] = {
      {{"--simulate", "identify"}, true},
      {{"--simulate", "version"}, true},
      {{"--simulate", "settings"}, true},
      {{"--simulate", "update", update}, true},
      {{"--simulate", "update", "--archive-url", server.Url("/other.zip")}, true},
      {{"inspect", update}, false},
      {{"pack", m_dir.Path() + "/packed.dwm", "--producer", "x"}, false},
      {{"download", server.Url("/plain.bin"), m_dir.Path() + "/plain.bin"}, false},
      {{"--version"}, false},
      {{"--help"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    const auto r = RunCli(c.args, env);
    if (c.blocked) {
      EXPECT_EQ(r.exitCode, 4) << r.out << r.err;
      EXPECT_EQ(r.out, "") << "nothing was done";
      EXPECT_NE(r.err.find("another copy of Brindle"), std::string::npos) << r.err;
    } else {
      // (--version and --help are usage errors in this build; either way
      // they are not refused as a second copy.)
      EXPECT_NE(r.exitCode, 4) << r.out << r.err;
      EXPECT_EQ(r.err.find("another copy"), std::string::npos) << r.err;
    }
  }
  for (const auto& request : server.Requests())
    EXPECT_EQ(request.requestLine.find("/other.zip"), std::string::npos) << "the blocked update downloaded";

  release.store(true);
  const auto firstResult = first.Wait();
  EXPECT_NE(firstResult.exitCode, 4) << firstResult.err;
  EXPECT_TRUE(fs::is_empty(locks)) << "no lock file is left behind";
  const auto r = RunCli({"--simulate", "identify"}, env);
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_F(CliRuns, AnUnusableLockFolderIsAClearError) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows locks are named kernel objects: a lock folder there only scopes their "
                  "names and has no modes or owner to get wrong";
#else
  struct Case {
    const char* name;
    mode_t mode;
    bool otherOwner;
  };
  const Case cases[] = {
      {"world-writable without sticky bit", 0777, false},
      {"owned by another user", 0755, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.otherOwner && geteuid() != 0) continue;  // only root can give a folder away
    const std::string locks = Folder(std::string("locks-") + (c.otherOwner ? "other" : "open"));
    ASSERT_EQ(chmod(locks.c_str(), c.mode), 0);
    if (c.otherOwner) {
      ASSERT_EQ(chown(locks.c_str(), 65534, 65534), 0);
    }
    for (const char* command : {"identify", "version"}) {
      SCOPED_TRACE(command);
      const auto r = RunCli({"--simulate", command}, {{"BRINDLE_LOCK_DIR", locks}});
      EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
      EXPECT_EQ(r.out.find("No hardware connected"), std::string::npos) << r.out;
      EXPECT_NE(r.err.find(locks), std::string::npos) << r.err;
    }
    EXPECT_TRUE(fs::is_empty(locks));
  }
#endif
}

// Two archive updates from one working folder at the same time, each with
// an archive of the same name but its own content: each device gets its own.
TEST_F(CliRuns, TwoArchiveUpdatesAtOnceNeverCross) {
  if (test::TestSevenZip().empty()) GTEST_SKIP() << "7-Zip (p7zip-full) is not installed";
  const std::string cache = Folder("cache");
  struct Run {
    std::vector<uint8_t> section;
    std::unique_ptr<test::CLoopbackHttpServer> server;
    std::string dump;
    std::unique_ptr<CCliProcess> process;
  };
  Run runs[2];
  for (int i = 0; i < 2; ++i) {
    Run& run = runs[i];
    run.section = Bytes(0x3000, static_cast<uint8_t>(0x41 + i));
    const auto bytes = Pack(Input(kCompany, run.section));
    run.server = std::make_unique<test::CLoopbackHttpServer>();
    ASSERT_TRUE(run.server->Started());
    run.server->Serve("/db/u.zip",
                      Slow(test::StoredZip({{"map.dwm", std::string(bytes.begin(), bytes.end())}}), 40));
    run.dump = Folder("dump" + std::to_string(i));
  }
  // Each with its own lock folder, so that nothing but the working files
  // could keep them apart.
  for (Run& run : runs)
    run.process = std::make_unique<CCliProcess>(
        std::vector<std::string>{"--simulate", "--sim-dump=" + run.dump, "update", "--archive-url",
                                 run.server->Url("/db/u.zip")},
        test::CliEnvironment{{test::kWorkingFolderVariable, cache}, {"PATH", test::PathWithTestSevenZip()}});
  for (Run& run : runs) {
    const auto r = run.process->Wait();
    EXPECT_EQ(r.out, "Update Successfully!\n") << r.err;
    EXPECT_EQ(r.exitCode, 0);
    const std::string area0 = test::ReadWholeFile(run.dump + "/area0.bin");
    ASSERT_GE(area0.size(), run.section.size());
    EXPECT_EQ(area0.substr(0, run.section.size()), std::string(run.section.begin(), run.section.end()))
        << "the device got another run's update file";
  }
  EXPECT_TRUE(fs::is_empty(test::WorkingFolderUnder(cache))) << "each run removed its own folder";
}

// brindle-cli killed while the archiver unpacks: the archiver ends with it,
// and the next run clears the killed run's folder away.
TEST_F(CliRuns, KilledMidUnpackTheArchiverEndsAndTheNextRunCleansUp) {
  const std::string bin = Folder("bin");
  const std::string hang = m_dir.Path() + "/hang";
  const std::string pidFile = hang + ".pid";
  // A stand-in 7-Zip that keeps writing into the target for as long as the
  // "hang" file exists, and otherwise unpacks nothing.
#ifdef _WIN32
  if (test::TestSevenZip().empty()) GTEST_SKIP() << "the stand-in archiver is not built";
  fs::copy_file(test::TestSevenZip(), bin + "/7z.exe");
#else
  const std::string script = bin + "/7z";
  std::ofstream(script) << "#!/bin/sh\n"
                        << "[ -e " << hang << " ] || exit 0\n"
                        << "for a; do case $a in -o*) out=${a#-o};; esac; done\n"
                        << "/bin/mkdir -p \"$out\"\n"
                        << "echo $$ > " << pidFile << ".tmp; /bin/mv " << pidFile << ".tmp " << pidFile
                        << "\n"
                        << "while :; do echo data >> \"$out/big.bin\"; /bin/sleep 0.02; done\n";
  ASSERT_EQ(chmod(script.c_str(), 0755), 0);
#endif
  std::ofstream(hang) << "";
  test::CLoopbackHttpServer server;
  ASSERT_TRUE(server.Started());
  std::string archive = "7z\xBC\xAF\x27\x1C";
  archive += std::string(200, '\0');
  server.Serve("/db.7z", test::MakeResponse("200 OK", archive));
  const std::string cache = Folder("cache");
  const std::string locks = Folder("locks");
  const test::CliEnvironment env = {{"PATH", bin},
                                    {test::kWorkingFolderVariable, cache},
                                    {"BRINDLE_LOCK_DIR", locks},
                                    {"STAND_IN_ARCHIVER_HANG", hang}};

  struct Ending {
    const char* name;
    std::function<bool(CCliProcess&)> end;
  };
  const Ending endings[] = {
#ifndef _WIN32
      // (Windows has no hang-up signal: a closing console is a console
      // event, and these runs have no console.)
      {"SIGHUP", [](CCliProcess& cli) { return kill(cli.Pid(), SIGHUP) == 0; }},
#endif
      {"killed", [](CCliProcess& cli) { return cli.Kill(); }},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.name);
    fs::remove(pidFile);
    CCliProcess cli({"--simulate", "update", "--archive-url", server.Url("/db.7z")}, env);
    ASSERT_TRUE(WaitFor([&] { return fs::exists(pidFile); }, 10000ms)) << cli.ErrSoFar();
    const pid_t archiver = std::stoi(test::ReadWholeFile(pidFile));
    ASSERT_TRUE(ending.end(cli));
    cli.Wait();
    EXPECT_TRUE(WaitFor([&] { return Ended(archiver); }, 2000ms)) << "the archiver goes on without us";
    if (!Ended(archiver)) KillProcess(archiver);
  }
  EXPECT_EQ(RunFolders(test::WorkingFolderUnder(cache)), 1) << "the killed run's folder stays behind";
  // The next run is not disturbed by it, and removes it.
  fs::remove(hang);
  const auto r = RunCli({"--simulate", "update", "--archive-url", server.Url("/db.7z")}, env);
  EXPECT_EQ(r.out, "Can not Find Update File!\n") << r.err;
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(RunFolders(test::WorkingFolderUnder(cache)), 0);
}

}  // namespace
}  // namespace brindle
