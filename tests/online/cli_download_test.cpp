// brindle-cli download against the loopback server.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "cli/run_cli.h"
#include "environment.h"
#include "online/loopback_http_server.h"
#include "read_file.h"
#include "temp_dir.h"

namespace brindle {
namespace {

using test::MakeResponse;

TEST(CliDownloadTest, OutcomeOnStdoutProgressOnStderrAndExitCodes) {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
    test::UnsetEnvironment(name);
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

// An interrupted download, however it ends (Ctrl-C, or killed with no
// chance to clean up), leaves no partial file: an older file at OUT stays as
// it was and nothing else is left in its folder.
TEST(CliDownloadTest, InterruptedDownloadLeavesNoPartialFile) {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
    test::UnsetEnvironment(name);
  test::CLoopbackHttpServer server;
  ASSERT_TRUE(server.Started());
  auto slow = MakeResponse("200 OK", std::string(200 * 1024, 's'));
  slow.pieceBytes = 4096;
  slow.pauseMs = 100;  // about five seconds in all
  server.Serve("/db.zip", slow);
  struct Ending {
    const char* name;
    bool (*end)(test::CCliProcess&);
  };
  const Ending endings[] = {
      {"killed", [](test::CCliProcess& cli) { return cli.Kill(); }},
#ifndef _WIN32
      // (A Ctrl-C reaches only programs of the same console on Windows, and
      // these runs have none.)
      {"SIGINT", [](test::CCliProcess& cli) { return kill(cli.Pid(), SIGINT) == 0; }},
#endif
  };
  for (const Ending& ending : endings) {
    for (const bool older : {true, false}) {
      SCOPED_TRACE(std::string(ending.name) + (older ? ", older file" : ", no older file"));
      test::CTempDir dir;
      const std::string out = dir.Path() + "/db.zip";
      if (older) std::ofstream(out) << "older file";
      test::CCliProcess cli({"download", server.Url("/db.zip"), out});
      // Wait until part of the body has been written.
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (cli.ErrSoFar().find("10%") == std::string::npos && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      EXPECT_NE(cli.ErrSoFar().find("10%"), std::string::npos);
      const auto pid = cli.Pid();
      ASSERT_TRUE(ending.end(cli));
      EXPECT_NE(cli.Wait().exitCode, 0);
      const auto entries = [&] {
        std::set<std::string> left;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
          left.insert(e.path().filename().string());
        return left;
      };
      std::set<std::string> left = entries();
#ifdef _WIN32
      // A Windows download's working file has a name, and a killed run
      // leaves it; it is never taken for the file, and the next download
      // beside the same target removes it.
      const std::string part = ".db.zip.part-" + std::to_string(pid) + "-";
      std::erase_if(left, [&](const std::string& name) { return name.rfind(part, 0) == 0; });
#else
      (void)pid;
#endif
      EXPECT_EQ(left, older ? std::set<std::string>{"db.zip"} : std::set<std::string>{});
      if (older) {
        EXPECT_EQ(test::ReadWholeFile(out), "older file");
      }
#ifdef _WIN32
      server.Serve("/small.zip", MakeResponse("200 OK", "small"));
      EXPECT_EQ(test::RunCli({"download", server.Url("/small.zip"), out}).exitCode, 0);
      EXPECT_EQ(entries(), std::set<std::string>{"db.zip"}) << "the killed run's working file is gone";
#endif
    }
  }
}

}  // namespace
}  // namespace brindle
