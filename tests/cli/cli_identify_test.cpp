// brindle-cli identify end to end: the window's start-up and identification
// on the simulated device.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "temp_dir.h"

namespace brindle {
namespace {

using test::RunCli;

TEST(CliIdentify, DefaultProfileIsABlankDeviceThatGetsClaimed) {
  test::CTempDir dir;
  const auto r = RunCli({"--simulate", "--sim-dump=" + dir.Path(), "identify"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["connected"], true);
  EXPECT_EQ(j["deviceVersion"], 1008);
  EXPECT_EQ(j["settingsLayout"], 3);
  EXPECT_EQ(j["settingsRevision"], 14);
  EXPECT_EQ(j["brand"], "Valdemo Tech Co.");
  EXPECT_EQ(j["accepted"], true);
  EXPECT_EQ(j["dataDate"], "20120301");
  EXPECT_EQ(j["deviceDataVersion"], 20120301);
  EXPECT_EQ(j["title"], "Update Program   GPS Connected   V:20120301");
  // Keys in the documented order.
  EXPECT_EQ(r.out.find("{\"connected\":"), 0u) << r.out;
  EXPECT_LT(r.out.find("\"dataDate\""), r.out.find("\"title\""));

  // The claim reached the device: block 0x70 of area 0.
  std::ifstream area0(dir.Path() + "/area0.bin", std::ios::binary);
  area0.seekg(0x70 * 256);
  std::string identity(256, '\xEE');
  area0.read(identity.data(), 256);
  EXPECT_EQ(identity, std::string("Valdemo Tech Co.") + std::string(240, '\0'));
}

TEST(CliIdentify, ForeignBrandEndsWithoutDevice) {
  test::CTempDir dir;
  const std::string profile = dir.Path() + "/foreign.json";
  std::ofstream(profile) << R"({"identity": "text:Gravo"})";
  const auto r = RunCli({"--simulate=" + profile, "identify"});
  EXPECT_EQ(r.exitCode, 3) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["connected"], false);
  EXPECT_EQ(j["accepted"], false);
  EXPECT_EQ(j["deviceDataVersion"], -1);
  EXPECT_EQ(j["dataDate"], "");
  EXPECT_EQ(j["title"], "Update Program   No hardware connected!");
}

TEST(CliIdentify, NoDeviceAndExtraArguments) {
  test::CTempDir dir;
  const std::string gone = dir.Path() + "/gone.json";
  std::ofstream(gone) << R"({"faults": {"unplugAfterReports": 0}})";
  auto r = RunCli({"--simulate=" + gone, "identify"});
  EXPECT_EQ(r.exitCode, 3);
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["connected"], false);
  EXPECT_EQ(j["title"], "Update Program   No hardware connected!");

  r = RunCli({"--simulate", "identify", "extra"});
  EXPECT_EQ(r.exitCode, 2);
  // Every error line names the program first.
  EXPECT_EQ(r.err.rfind("brindle-cli: ", 0), 0u) << r.err;
}

}  // namespace
}  // namespace brindle
