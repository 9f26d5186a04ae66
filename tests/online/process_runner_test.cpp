// An archiver started by us never outlives us, however we end.
#include "online/process_runner.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "process_wait.h"
#include "read_file.h"
#include "temp_dir.h"

namespace brindle {
namespace {

using namespace std::chrono_literals;
using test::Ended;
using test::WaitFor;

TEST(ProcessRunner, TheArchiverEndsWithUsHoweverWeEnd) {
#ifdef _WIN32
  GTEST_SKIP()
      << "forks the test program and signals it; on Windows cli_runs_tests kill brindle-cli mid-unpack";
#else
  test::CTempDir dir;
  const std::string script = dir.Path() + "/slow-archiver";
  const std::string pidFile = dir.Path() + "/pid";
  const std::string out = dir.Path() + "/out";
  // Writes on and on, as an archiver unpacking gigabytes does.
  std::ofstream(script) << "#!/bin/sh\necho $$ > " << pidFile << ".tmp\nmv " << pidFile << ".tmp " << pidFile
                        << "\nwhile :; do echo x >> " << out << "; /bin/sleep 0.02; done\n";
  ASSERT_EQ(chmod(script.c_str(), 0755), 0);

  struct Case {
    const char* name;
    int signal;
    bool fromThread;  // started by a worker thread, as the update worker does
  };
  for (const Case& c : {Case{"SIGKILL", SIGKILL, false}, Case{"SIGKILL, worker thread", SIGKILL, true},
                        Case{"SIGHUP (terminal closed)", SIGHUP, true}, Case{"SIGTERM", SIGTERM, false}}) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(pidFile);
    std::filesystem::remove(out);
    const pid_t us = fork();
    ASSERT_GE(us, 0);
    if (us == 0) {
      signal(c.signal, SIG_DFL);
      int exitCode = 0;
      if (c.fromThread) {
        std::thread worker([&] { RunAndWait(script, {}, exitCode); });
        worker.join();
      } else {
        RunAndWait(script, {}, exitCode);
      }
      _exit(0);
    }
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(pidFile); }, 5000ms));
    const pid_t archiver = std::stoi(test::ReadWholeFile(pidFile));
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(out); }, 5000ms));
    ASSERT_EQ(kill(us, c.signal), 0);
    int status = 0;
    ASSERT_EQ(waitpid(us, &status, 0), us);
    EXPECT_TRUE(WaitFor([&] { return Ended(archiver); }, 2000ms)) << "the archiver goes on without us";
    if (!Ended(archiver)) kill(archiver, SIGKILL);
    // And it writes nothing more.
    std::this_thread::sleep_for(100ms);
    const auto size = std::filesystem::file_size(out);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(std::filesystem::file_size(out), size);
  }
#endif
}

TEST(ProcessRunner, AProgramThatCannotBeStartedIsReported) {
#ifdef _WIN32
  GTEST_SKIP() << "starts /bin/sh and /bin/true; the Windows runner is checked in windows_online_tests";
#else
  test::CTempDir dir;
  const std::string notExecutable = dir.Path() + "/plain";
  std::ofstream(notExecutable) << "data";
  int exitCode = 77;
  EXPECT_EQ(RunAndWait(notExecutable, {}, exitCode), 0);
  EXPECT_EQ(RunAndWait(dir.Path() + "/missing", {}, exitCode), 0);
  EXPECT_EQ(RunAndWait("/bin/true", {}, exitCode, nullptr, dir.Path() + "/no-such-folder"), 0);
  EXPECT_EQ(exitCode, 77) << "untouched when nothing ran";
  EXPECT_EQ(RunAndWait("/bin/sh", {"-c", "exit 5"}, exitCode), 1);
  EXPECT_EQ(exitCode, 5);
#endif
}

}  // namespace
}  // namespace brindle
