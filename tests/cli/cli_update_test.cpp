// brindle-cli update end to end on the simulated device: the outcome texts
// on stdout with their exit codes, progress on stderr, the device memory
// after a run, and the archive route from a loopback server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/run_cli.h"
#include "environment.h"
#include "online/loopback_http_server.h"
#include "read_file.h"
#include "stored_zip.h"
#include "temp_dir.h"
#include "test_archiver.h"
#include "update/update_file_builder.h"

namespace brindle {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Input;
using test::kCompany;
using test::Pack;
using test::RunCli;

class CliUpdate : public testing::Test {
 public:  // reached from the case table's lambdas
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = m_dir.Path() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string WriteUpdate(const std::string& name, const UpdatePackInput& input) {
    const auto bytes = Pack(input);
    return Write(name, std::string(bytes.begin(), bytes.end()));
  }
  std::string Profile(const std::string& json) { return "--simulate=" + Write("profile.json", json); }

  test::CTempDir m_dir;
};

TEST_F(CliUpdate, SendsTheFileAndPrintsTheOutcome) {
  const auto a = Bytes(0x1100, 1), e = Bytes(0x2345, 5);
  const std::string file = WriteUpdate("u.dwm", Input(kCompany, a, {}, {}, e));
  const std::string dump = m_dir.Path() + "/dump";
  fs::create_directory(dump);
  const auto r = RunCli({"--simulate", "--sim-dump=" + dump, "update", file});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Update Successfully!\n");
  EXPECT_NE(r.err.find("updating"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Updated 100.00%   Time 0 Second"), std::string::npos) << r.err;
  const std::string area0 = test::ReadWholeFile(dump + "/area0.bin"),
                    area1 = test::ReadWholeFile(dump + "/area1.bin");
  ASSERT_GE(area1.size(), 0x2DE000u + e.size());
  EXPECT_EQ(area0.substr(0, a.size()), std::string(a.begin(), a.end()));
  EXPECT_EQ(area1.substr(0x2DE000, e.size()), std::string(e.begin(), e.end()));
}

TEST_F(CliUpdate, EveryRefusalAndFailureHasItsTextAndExitCode) {
  struct Case {
    const char* name;
    std::function<std::vector<std::string>(CliUpdate&)> args;
    std::string out;
    int exitCode;
  };
  // command FILE [after...]: update, or verify.
  const auto run = [](std::string command, std::string profileJson, UpdatePackInput input,
                      std::vector<std::string> options = {}, std::vector<std::string> after = {}) {
    return [=](CliUpdate& t) {
      std::vector<std::string> args{profileJson.empty() ? "--simulate" : t.Profile(profileJson)};
      args.insert(args.end(), options.begin(), options.end());
      args.push_back(command);
      args.push_back(t.WriteUpdate("u.dwm", input));
      args.insert(args.end(), after.begin(), after.end());
      return args;
    };
  };
  const auto update = [&](std::string profileJson, UpdatePackInput input,
                          std::vector<std::string> options = {}) {
    return run("update", profileJson, input, options);
  };
  const Case cases[] = {
      {"missing file",
       [](CliUpdate& t) {
         return std::vector<std::string>{"--simulate", "update", t.m_dir.Path() + "/none.dwm"};
       },
       "Open update file failed!\n", 1},
      {"not an update file",
       [](CliUpdate& t) {
         return std::vector<std::string>{"--simulate", "update", t.Write("x.dwm", "short")};
       },
       "Wrong format of the file!-1\n", 1},
      {"another company", update("", Input("Other Company Co", Bytes(600, 1))),
       "Version unmatched!\nThe file is from another maker: it names \"Other Company Co\", this program "
       "takes files of \"Valdemo Tech Co.\".\n",
       1},
      {"another company, name not plain text",
       update("", Input("\xB5\xD8\xCD\xBC\x1B[2J Maps", Bytes(600, 1))),
       "Version unmatched!\nThe file is from another maker: it names \"?????[2J Maps\", this program "
       "takes files of \"Valdemo Tech Co.\".\n",
       1},
      {"nothing to send", update("", Input(kCompany)), "Cannot find the available database!\n", 1},
      {"every write fails", update(R"({"faults":{"failWrites":100}})", Input(kCompany, Bytes(600, 1))),
       "Update Failed!\nThe device refused section A ten times.\n", 1},
      {"1007 with every write failing",
       update(R"({"version":1007,"faults":{"failWrites":100}})", Input(kCompany, Bytes(600, 1))),
       "Update Failed!\nThe device's memory differs from the file in section A at block 0x0000.\n", 1},
      {"1007 whose answers lie",
       update(R"({"version":1007,"faults":{"lyingStatus":100}})", Input(kCompany, Bytes(600, 1))),
       "Update Successfully!\n", 0},
      {"1008 that keeps something else, believed",
       update(R"({"identity":"text:Valdemo Tech Co.","faults":{"badStore":1}})",
              Input(kCompany, Bytes(600, 1))),
       "Update Successfully!\n", 0},
      {"1008 that keeps something else, verified",
       run("update", R"({"identity":"text:Valdemo Tech Co.","faults":{"badStore":1}})",
           Input(kCompany, Bytes(600, 1)), {}, {"--verify"}),
       "Update Failed!\nThe device's memory differs from the file in section A at block 0x0000.\n", 1},
      {"verified", run("update", "", Input(kCompany, Bytes(600, 1), Bytes(300, 2)), {}, {"--verify"}),
       "Update Successfully!\n", 0},
      {"verify only, on a device that never had it", run("verify", "", Input(kCompany, {}, Bytes(300, 2))),
       "Verify failed: section C differs at block 0x0160\n", 1},
      // The console hears of no removal: the transport itself tells it. The
      // identification takes well under 200 reports, section A 450.
      {"1007 unplugged mid-update",
       update(R"({"version":1007,"faults":{"unplugAfterReports":200}})", Input(kCompany, Bytes(0x7000, 1))),
       "Update Failed!\nThe device was disconnected during section A.\n", 1},
      {"1007 silent mid-update",
       update(R"({"version":1007,"faults":{"silentAfterReports":200}})", Input(kCompany, Bytes(0x7000, 1)),
              {"--read-timeout=200"}),
       "Update Failed!\nThe device stopped answering during section A (no answer for 200 ms).\n", 1},
      {"device of another brand",
       update(R"({"identity":"text:Other Brand"})", Input(kCompany, Bytes(600, 1))),
       "   No hardware connected!\n", 3},
      {"no file given",
       [](CliUpdate&) {
         return std::vector<std::string>{"--simulate", "update"};
       },
       "", 2},
      {"verify with no file",
       [](CliUpdate&) {
         return std::vector<std::string>{"--simulate", "verify"};
       },
       "", 2},
      {"--verify alone",
       [](CliUpdate&) {
         return std::vector<std::string>{"--simulate", "update", "--verify"};
       },
       "", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = RunCli(c.args(*this));
    EXPECT_EQ(r.out, c.out) << r.err;
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  }
}

TEST_F(CliUpdate, ArchiveUrlDownloadsUnpacksAndSends) {
  if (test::TestSevenZip().empty()) GTEST_SKIP() << "7-Zip (p7zip-full) is not installed";
  test::CLoopbackHttpServer server;
  ASSERT_TRUE(server.Started());
  const auto update = Pack(Input(kCompany, Bytes(0x800, 3)));
  server.Serve("/u.zip",
               test::MakeResponse(
                   "200 OK", test::StoredZip({{"db/map.dwm", std::string(update.begin(), update.end())}})));

  // The child's working folder lies in the test's own folder.
  const std::string cache = m_dir.Path() + "/cache";
  const test::CliEnvironment env = {{test::kWorkingFolderVariable, cache},
                                    {"PATH", test::PathWithTestSevenZip()}};
  auto r = RunCli({"--simulate", "update", "--archive-url", server.Url("/u.zip")}, env);
  EXPECT_EQ(r.out, "Update Successfully!\n") << r.err;
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("Decompressing database"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_empty(test::WorkingFolderUnder(cache))) << "archive and unpacked files removed";

  r = RunCli({"--simulate", "update", "--archive-url", server.Url("/missing.zip")}, env);
  EXPECT_EQ(r.out, "Error! Please update by local file!\n") << r.err;
  EXPECT_EQ(r.exitCode, 1);
}

// With no archiver that fits (only a RAR tool for a zip), the user must
// unpack the archive by hand: the outcome says where it is, and it is there.
TEST_F(CliUpdate, WithoutAFittingArchiverTheOutcomeSaysWhereTheArchiveIs) {
  test::CLoopbackHttpServer server;
  ASSERT_TRUE(server.Started());
  const std::string archive = std::string("PK\x03\x04", 4) + std::string(200, 'z');
  server.Serve("/u.zip", test::MakeResponse("200 OK", archive));
  const std::string bin = m_dir.Path() + "/bin";
  fs::create_directories(bin);
#ifndef _WIN32
  // (Windows' archivers all unpack zips: there the folder stays empty.)
  std::ofstream(bin + "/unrar") << "#!/bin/sh\nexit 0\n";
  fs::permissions(bin + "/unrar", fs::perms::owner_all);
#endif
  const auto r = RunCli({"--simulate", "update", "--archive-url", server.Url("/u.zip")},
                        {{test::kWorkingFolderVariable, m_dir.Path() + "/cache"}, {"PATH", bin}});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  const std::string lead =
      "Didn't find the decompression tool.(Support only \u2018WinRar/7zip/Haozip\u2019)"
      "Please decompression and update manually!\nThe downloaded archive is: ";
  ASSERT_EQ(r.out.rfind(lead, 0), 0u) << r.out;
  ASSERT_EQ(r.out.back(), '\n');
  const std::string where = r.out.substr(lead.size(), r.out.size() - lead.size() - 1);
  std::string slashed = where;  // Windows names it with backslashes
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  EXPECT_EQ(slashed.rfind(m_dir.Path() + "/cache/", 0), 0u) << where;
  EXPECT_EQ(test::ReadWholeFile(where), archive);
}

}  // namespace
}  // namespace brindle
