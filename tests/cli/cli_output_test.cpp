// brindle-cli when its result cannot be written: stdout on a full device or
// closed. The exit status must not claim success, and nothing the command
// writes may land on a file it opened in stdout's place.
#include <gtest/gtest.h>

#include <fstream>

#include "cli/run_cli.h"
#include "environment.h"
#include "online/loopback_http_server.h"
#include "read_file.h"
#include "temp_dir.h"

namespace brindle {
namespace {

using test::RunCli;
using test::StdoutTo;

TEST(CliOutput, UnwrittenResultIsAFailure) {
  test::CTempDir dir;
  const std::string file = dir.Path() + "/u.dwm";
  const std::string section = dir.Path() + "/a";
  std::ofstream(section, std::ios::binary) << std::string(0x400, 'a');
  ASSERT_EQ(RunCli({"pack", file, "--producer", "Valdemo Tech Co.", "--A", section}).exitCode, 0);
  const std::vector<std::vector<std::string>> commands = {
      {"--simulate", "identify"},
      {"inspect", file},
      {"--simulate", "update", file},
  };
  for (const auto& args : commands) {
    SCOPED_TRACE(args[1]);
    const auto written = RunCli(args);
    ASSERT_EQ(written.exitCode, 0) << written.err;
    ASSERT_FALSE(written.out.empty());
    for (const StdoutTo to : {StdoutTo::kDevFull, StdoutTo::kClosed}) {
      SCOPED_TRACE(to == StdoutTo::kDevFull ? "every write to stdout fails" : "stdout closed");
      const auto r = RunCli(args, to);
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_NE(r.err.find("brindle-cli: the result could not be written to stdout"), std::string::npos)
          << r.err;
    }
  }
}

// A command that writes nothing on stdout has nothing to lose.
TEST(CliOutput, NoResultNoFailure) {
  test::CTempDir dir;
  EXPECT_EQ(RunCli({"pack", dir.Path() + "/u.dwm", "--producer", "P"}, StdoutTo::kClosed).exitCode, 0);
}

// With stdout closed, the downloaded file must not take its place and get
// the outcome line written into it.
TEST(CliOutput, ClosedStdoutNeverLandsInTheDownloadedFile) {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
    test::UnsetEnvironment(name);
  test::CLoopbackHttpServer server;
  ASSERT_TRUE(server.Started());
  const std::string body(5000, 'd');
  server.Serve("/db.zip", test::MakeResponse("200 OK", body));
  test::CTempDir dir;
  const std::string out = dir.Path() + "/db.zip";
  const auto r = RunCli({"download", server.Url("/db.zip"), out}, StdoutTo::kClosed);
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(test::ReadWholeFile(out), body);
}

}  // namespace
}  // namespace brindle
