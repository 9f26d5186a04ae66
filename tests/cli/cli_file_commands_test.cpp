// brindle-cli pack and inspect end to end: files only, no device.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "core/utf8_path.h"
#include "temp_dir.h"

namespace brindle {
namespace {

using nlohmann::json;
using test::RunCli;

class CliFileCommands : public testing::Test {
 protected:
  std::string Write(const std::string& name, size_t size, char fill) {
    const std::string path = m_dir.Path() + "/" + name;
    std::ofstream(path, std::ios::binary) << std::string(size, fill);
    return path;
  }
  std::string Out(const std::string& name) const { return m_dir.Path() + "/" + name; }

  // Runs inspect and returns its JSON (null when the output is not JSON).
  json Inspect(std::vector<std::string> args, int expectedExit) {
    args.insert(args.begin(), "inspect");
    const auto r = RunCli(args);
    EXPECT_EQ(r.exitCode, expectedExit) << r.err;
    return json::parse(r.out, nullptr, false);
  }

  test::CTempDir m_dir;
};

TEST_F(CliFileCommands, PackThenInspect) {
  const std::string file = Out("u.dwm");
  auto r = RunCli({"pack", file, "--producer", "Valdemo Tech Co.", "--A", Write("a", 1000, 'a'), "--C",
                   Write("c", 20, 'c'), "--E", Write("e", 30, 'e'), "--brand", "RQZD=" + Write("b1", 7, '1'),
                   "--brand", "BR01=" + Write("b2", 9, '2')});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");

  json j = Inspect({file, "--model", "BR01"}, 0);
  EXPECT_EQ(j["result"], 0);
  EXPECT_EQ(j["formatVersion"], 3);
  EXPECT_EQ(j["producer"], "Valdemo Tech Co.");
  EXPECT_EQ(j["producerMatches"], true);
  EXPECT_EQ(j["sections"]["A"], json({{"offset", 0}, {"size", 1000}}));
  EXPECT_EQ(j["sections"]["C"], json({{"offset", 1000}, {"size", 20}}));
  EXPECT_EQ(j["sections"]["D"]["size"], 0);
  EXPECT_EQ(j["sections"]["E"], json({{"offset", 1020}, {"size", 30}}));
  // Table at 1050: count, two entries, then RQZD's 7 bytes and BR01's 9.
  EXPECT_EQ(j["sections"]["B"], json({{"offset", 1050 + 36 + 7}, {"size", 9}}));
  EXPECT_EQ(j["totalSize"], 1000 + 20 + 30 + 9);
  EXPECT_EQ(j["outcome"], "");

  j = Inspect({file, "--identity", "Gravo GX-1"}, 0);
  EXPECT_EQ(j["sections"]["B"]["size"], 7);
  j = Inspect({file}, 0);  // no facts: two entries, no match
  EXPECT_EQ(j["sections"]["B"]["size"], 0);
  EXPECT_EQ(j["totalSize"], 1050);
}

// A name in any script reaches the file it names: UTF-8 inside the program,
// and on Windows through the wide command line and the UTF-8 code page.
TEST_F(CliFileCommands, NonAsciiPathsNameTheirFiles) {
  const std::string file = Out("\u00fcbung-\u6570\u636e.dwm");
  auto r = RunCli({"pack", file, "--producer", "Valdemo Tech Co.", "--A", Write("\u00e4-a", 100, 'a')});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::filesystem::is_regular_file(Utf8Path(file)));
  const json j = Inspect({file}, 0);
  EXPECT_EQ(j["sections"]["A"], json({{"offset", 0}, {"size", 100}}));
}

TEST_F(CliFileCommands, InspectShowsWhyAFileIsRefused) {
  struct Case {
    const char* name;
    std::vector<std::string> packArgs;
    int result;
    bool producerMatches;
    const char* outcome;
  };
  const Case cases[] = {
      {"other producer",
       {"--producer", "Other Co.", "--A", Write("a", 10, 'a')},
       0,
       false,
       "Version unmatched!"},
      {"format version 2",
       {"--producer", "Valdemo Tech Co.", "--format-version", "2", "--A", Write("a", 10, 'a')},
       -1,
       false,
       "Wrong format of the file!-1"},
      {"nothing in it", {"--producer", "Valdemo Tech Co."}, 0, true, "Cannot find the available database!"},
      {"two brands, none fits",
       {"--producer", "Valdemo Tech Co.", "--brand", "EXO =" + Write("b", 5, 'b'), "--brand",
        "RQZD=" + Write("b", 5, 'b')},
       0,
       true,
       "Cannot find the available database!"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"pack", Out("x.dwm")};
    args.insert(args.end(), c.packArgs.begin(), c.packArgs.end());
    const auto r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << c.name << r.err;
    const json j = Inspect({Out("x.dwm"), "--model", "BR01"}, 1);
    EXPECT_EQ(j["result"], c.result) << c.name;
    EXPECT_EQ(j["producerMatches"], c.producerMatches) << c.name;
    EXPECT_EQ(j["outcome"], c.outcome) << c.name;
  }
  // Not an update file at all; its bytes are not UTF-8 either.
  const json j = Inspect({Write("junk.dwm", 400, '\xB5')}, 1);
  EXPECT_EQ(j["result"], -1);
  EXPECT_EQ(j["outcome"], "Wrong format of the file!-1");
}

TEST_F(CliFileCommands, PackRefusesOversizedAndMissingInput) {
  auto r = RunCli({"pack", Out("o.dwm"), "--producer", "P", "--A", Write("big", 0x7001, 'a')});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("28672"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(Out("o.dwm")));

  r = RunCli({"pack", Out("o.dwm"), "--producer", "P", "--brand", "RQZD=" + Out("missing")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(Out("o.dwm")));

  r = RunCli({"pack", m_dir.Path() + "/no/such/dir/o.dwm", "--producer", "P"});
  EXPECT_EQ(r.exitCode, 1);

  r = RunCli({"inspect", Out("missing.dwm")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
}

TEST_F(CliFileCommands, UsageErrors) {
  const std::string a = Write("a", 10, 'a');
  const std::string f = Out("o.dwm");
  const std::vector<std::vector<std::string>> usage = {
      {"pack"},
      {"pack", f},
      {"pack", "--producer", "P"},
      {"pack", f, "--producer"},
      {"pack", f, "--producer", "P", "--format-version", "three"},
      {"pack", f, "--producer", "P", "--A", a, "--A", a},
      {"pack", f, "--producer", "P", "--B", a},
      {"pack", f, "--producer", "P", "--brand", "RQZ=" + a},
      {"pack", f, "--producer", "P", "--brand", "RQZDX=" + a},
      {"pack", f, "--producer", "P", "--brand", "RQZD="},
      {"inspect"},
      {"inspect", a, "--model", "BR1"},
      {"inspect", a, "--model"},
      {"inspect", a, "--model", "BR01", "--identity", "x"},
      {"inspect", a, "extra"},
  };
  for (const auto& args : usage) {
    const auto r = RunCli(args);
    EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(args) << r.out;
    // Every error line names the program first.
    EXPECT_EQ(r.err.rfind("brindle-cli: ", 0), 0u) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(f));
}

}  // namespace
}  // namespace brindle
