// brindle-cli download against the loopback server.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/run_cli.h"
#include "read_file.h"
#include "loopback_http_server.h"
#include "temp_dir.h"

namespace brindle {
namespace {

using test::MakeResponse;

TEST(CliDownloadTest, OutcomeOnStdoutProgressOnStderrAndExitCodes) {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
  test::CLoopbackHttpServer server;
  ASSERT_TRUE(server.Started());
  const std::string body(30000, 'd');
  server.Serve("/db.zip", MakeResponse("200 OK", body));
  test::CTempDir dir;
  const std::string out = dir.Path() + "/db.zip";

  auto r = test::RunCli({"download", server.Url("/db.zip"), out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "DownloadOk\n");
  EXPECT_NE(r.err.find("size 30000"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("100%"), std::string::npos) << r.err;
  EXPECT_EQ(test::ReadWholeFile(out), body);

  r = test::RunCli({"download", server.Url("/missing"), dir.Path() + "/missing"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "DownloadErrorHttpStatus 404\n");
  EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/missing"));

  r = test::RunCli({"download", server.Url("/db.zip"), dir.Path() + "/no/folder/x"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "An error occured while opening the file to be downloaded, Error:2\n");

  r = test::RunCli({"download", server.Url("/db.zip")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
}

extern "C" char** environ;

// An interrupted download, however it ends (Ctrl-C, or SIGKILL with no
// chance to clean up), leaves no partial file: an older file at OUT stays as
// it was and nothing else is left in its folder.
TEST(CliDownloadTest, InterruptedDownloadLeavesNoPartialFile) {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
  const char* cli = std::getenv("BRINDLE_CLI");
  ASSERT_NE(cli, nullptr);
  test::CLoopbackHttpServer server;
  ASSERT_TRUE(server.Started());
  auto slow = MakeResponse("200 OK", std::string(200 * 1024, 's'));
  slow.pieceBytes = 4096;
  slow.pauseMs = 100;  // about five seconds in all
  server.Serve("/db.zip", slow);
  for (const int signal : {SIGKILL, SIGINT}) {
    for (const bool older : {true, false}) {
      SCOPED_TRACE(std::string(signal == SIGKILL ? "SIGKILL" : "SIGINT") +
                   (older ? ", older file" : ", no older file"));
      test::CTempDir dir, logs;
      const std::string out = dir.Path() + "/db.zip";
      if (older) std::ofstream(out) << "older file";
      const std::string err = logs.Path() + "/err";
      posix_spawn_file_actions_t actions;
      posix_spawn_file_actions_init(&actions);
      posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
      posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      std::vector<std::string> all{cli, "download", server.Url("/db.zip"), out};
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      pid_t pid = 0;
      ASSERT_EQ(posix_spawn(&pid, cli, &actions, nullptr, argv.data(), environ), 0);
      posix_spawn_file_actions_destroy(&actions);
      // Wait until part of the body has been written.
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (test::ReadWholeFile(err).find("10%") == std::string::npos &&
             std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      EXPECT_NE(test::ReadWholeFile(err).find("10%"), std::string::npos);
      kill(pid, signal);
      int status = 0;
      waitpid(pid, &status, 0);
      EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      std::set<std::string> left;
      for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        left.insert(e.path().filename().string());
      EXPECT_EQ(left, older ? std::set<std::string>{"db.zip"} : std::set<std::string>{});
      if (older) {
        EXPECT_EQ(test::ReadWholeFile(out), "older file");
      }
    }
  }
}

}  // namespace
}  // namespace brindle
