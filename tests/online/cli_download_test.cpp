// brindle-cli download against the loopback server.
#include <gtest/gtest.h>

#include <cstdlib>
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

}  // namespace
}  // namespace brindle
