// brindle-cli settings end to end: the form as JSON, --set through the
// window's Setting procedure, and the block the simulated device keeps.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "core/byte_order.h"
#include "core/byte_sum.h"
#include "sim/sim_profile.h"
#include "temp_dir.h"

namespace brindle {
namespace {

using test::RunCli;
using Block = std::array<uint8_t, 256>;

constexpr char kNotInitialised[] = "Please start the machine to initialization parameter!!!!!\n";

Block Seal3(Block b) {
  StoreLE32(&b[0], ByteSum(&b[4], 59));
  return b;
}

std::string Hex(const Block& b) {
  std::string s;
  char digits[3];
  for (uint8_t v : b) {
    std::snprintf(digits, sizeof digits, "%02x", v);
    s += digits;
  }
  return s;
}

class CliSettings : public ::testing::Test {
 protected:
  // A profile of an own-brand device (nothing is written on identification)
  // with the given settings block and extra profile keys.
  std::string Profile(const Block& settings, const std::string& extra = "") {
    const std::string path = dir.Path() + "/profile" + std::to_string(++profiles) + ".json";
    std::ofstream(path) << R"({"identity": "text:Valdemo Tech Co.", "settings": "hex:)" << Hex(settings)
                        << "\"" << extra << "}";
    return path;
  }
  // Runs brindle-cli on profile with args after "settings", dumping memory.
  test::CliResult Settings(const std::string& profile, std::vector<std::string> args = {}) {
    std::vector<std::string> all = {"--simulate=" + profile, "--sim-dump=" + dir.Path(), "settings"};
    all.insert(all.end(), args.begin(), args.end());
    return RunCli(all);
  }
  // Block 0x110 of area 0 as the last run left it.
  Block DumpedSettings() const {
    Block b{};
    std::ifstream area0(dir.Path() + "/area0.bin", std::ios::binary);
    area0.seekg(0x110 * 256);
    area0.read(reinterpret_cast<char*>(b.data()), b.size());
    EXPECT_TRUE(area0) << "no dump";
    return b;
  }

  test::CTempDir dir;
  int profiles = 0;
};

TEST_F(CliSettings, ShowsTheFormAsJsonAndWritesNothing) {
  const auto r = Settings(Profile(DefaultSimSettings()));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.find("{\"layout\":3,\"revision\":14,\"caption\":"), 0u) << r.out;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["caption"], "Setting     Program Version:1008");
  ASSERT_EQ(j["boxes"].size(), 12u);
  EXPECT_EQ(j["boxes"][0], (nlohmann::json{{"caption", "X Band(10.500~10.550)"}, {"checked", true}}));
  EXPECT_EQ(j["boxes"][3]["caption"], "K2 Band(24.100~24.150)");
  EXPECT_EQ(j["boxes"][11]["caption"], "Laser Band");
  EXPECT_EQ(j["timeZone"], (nlohmann::json{{"visible", true}, {"value", 1}}));
  EXPECT_EQ(j["dayStart"], (nlohmann::json{{"visible", true}, {"value", 7}}));
  EXPECT_EQ(j["nightStart"], (nlohmann::json{{"visible", true}, {"value", 19}}));
  EXPECT_EQ(j["frequency"],
            (nlohmann::json{{"visible", true}, {"caption", "Radar Frequency display"}, {"checked", true}}));
  EXPECT_EQ(DumpedSettings(), DefaultSimSettings());
}

TEST_F(CliSettings, SetWritesTheBlockThatTheNextRunShows) {
  const auto r = Settings(Profile(DefaultSimSettings()),
                          {"--set", "timeZone=-5", "--set", "dayStart=10", "--set", "nightStart=15", "--set",
                           "box.0=0", "--set", "box.11=0", "--set", "frequency=0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Configuration success!\n");

  Block expected = DefaultSimSettings();
  expected[0x12] = 0xFB;
  expected[0x32] = 10;
  expected[0x33] = 15;
  expected[0x18] = 0;
  expected[0x18 + 11] = 0;
  expected[0x10] &= static_cast<uint8_t>(~0x40);
  const Block written = DumpedSettings();
  EXPECT_EQ(written, Seal3(expected));

  // The written block, read by a new identification, is still layout 3.
  const auto again = Settings(Profile(written));
  ASSERT_EQ(again.exitCode, 0) << again.err;
  const auto j = nlohmann::json::parse(again.out);
  EXPECT_EQ(j["layout"], 3);
  EXPECT_EQ(j["timeZone"]["value"], -5);
  EXPECT_EQ(j["dayStart"]["value"], 10);
  EXPECT_EQ(j["nightStart"]["value"], 15);
  EXPECT_EQ(j["boxes"][0]["checked"], false);
  EXPECT_EQ(j["boxes"][1]["checked"], true);
  EXPECT_EQ(j["boxes"][11]["checked"], false);
  EXPECT_EQ(j["frequency"]["checked"], false);
}

TEST_F(CliSettings, ValidationTextsAndRefusalsWriteNothing) {
  Block unclassified;
  unclassified.fill(0xFF);
  Block revision15 = DefaultSimSettings();
  StoreLE32(&revision15[0x37], 15);
  revision15 = Seal3(revision15);
  struct Case {
    const char* name;
    Block settings;
    std::string extraProfile;
    std::vector<std::string> args;
    int exitCode;
    std::string out;
  };
  const Case cases[] = {
      {"time zone beyond", DefaultSimSettings(), "", {"--set", "timeZone=14"}, 1, "Time Zone error!\n"},
      {"time zone first",
       DefaultSimSettings(),
       "",
       {"--set", "nightStart=24", "--set", "timeZone=-13"},
       1,
       "Time Zone error!\n"},
      {"day start",
       DefaultSimSettings(),
       "",
       {"--set", "dayStart=2"},
       1,
       "Daytime screen start time error!\n"},
      {"night start",
       DefaultSimSettings(),
       "",
       {"--set", "nightStart=24"},
       1,
       "Nighttime screen start time error!\n"},
      {"unclassified, show", unclassified, "", {}, 1, kNotInitialised},
      {"unclassified, set", unclassified, "", {"--set", "timeZone=3"}, 1, kNotInitialised},
      {"revision 15",
       revision15,
       "",
       {"--set", "timeZone=3"},
       1,
       "Please upgrade the current update tool!\n"},
      {"write refused",
       DefaultSimSettings(),
       R"(, "faults": {"failWrites": 1})",
       {"--set", "timeZone=3"},
       1,
       "Configuration failed!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = Settings(Profile(c.settings, c.extraProfile), c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(DumpedSettings(), c.settings);
  }
}

TEST_F(CliSettings, ForeignOrMissingDeviceIsNoHardware) {
  const std::string foreign = dir.Path() + "/foreign.json";
  std::ofstream(foreign) << R"({"identity": "text:Gravo"})";
  for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"--set", "box.0=1"}}) {
    const auto r = RunCli([&] {
      std::vector<std::string> all = {"--simulate=" + foreign, "settings"};
      all.insert(all.end(), args.begin(), args.end());
      return all;
    }());
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(r.out, "   No hardware connected!\n");
  }
}

TEST_F(CliSettings, BadSetIsAUsageErrorBeforeTheDeviceIsTouched) {
  // A device that vanishes at its first report: any contact would end in
  // "No hardware connected!" on stdout.
  const std::string gone = Profile(DefaultSimSettings(), R"(, "faults": {"unplugAfterReports": 0})");
  const std::vector<std::vector<std::string>> cases = {
      {"--set", "colour=1"},
      {"--set", "timeZone=abc"},
      {"--set", "timeZone="},
      {"--set", "dayStart=99999999999"},
      {"--set", "box.0=2"},
      {"--set", "box.x=1"},
      {"--set", "box.-1=1"},
      {"--set", "box.24=1"},
      {"--set", "frequency=yes"},
      {"--set", "=1"},
      {"--set", "timeZone"},
      {"--set"},
      {"timeZone=1"},
      {"--set", "box.0=1", "extra"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args.back());
    const auto r = Settings(gone, args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("brindle-cli: "), std::string::npos) << r.err;
  }
}

TEST_F(CliSettings, SetOnAControlTheFormDoesNotShowIsAUsageError) {
  // featureLevel 1 and radar type 0: the five-box area, no frequency box;
  // a time zone of 20 hides the time-zone edit.
  Block fiveBox = DefaultSimSettings();
  fiveBox[0x34] = 0;
  fiveBox[0x12] = 20;
  fiveBox = Seal3(fiveBox);
  const std::string profile = Profile(fiveBox);
  const auto shown = Settings(profile);
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  const auto j = nlohmann::json::parse(shown.out);
  EXPECT_EQ(j["boxes"].size(), 5u);
  EXPECT_EQ(j["frequency"]["visible"], false);
  EXPECT_EQ(j["timeZone"], (nlohmann::json{{"visible", false}, {"value", 20}}));

  for (const char* set : {"box.5=1", "frequency=1", "timeZone=3"}) {
    SCOPED_TRACE(set);
    const auto r = Settings(profile, {"--set", "box.0=0", "--set", set});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
    EXPECT_EQ(DumpedSettings(), fiveBox);
  }
  // The shown ones may be set; the hidden time zone keeps its byte.
  const auto r = Settings(profile, {"--set", "box.4=0", "--set", "dayStart=3"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  Block expected = fiveBox;
  expected[0x18 + 4] = 0;
  expected[0x32] = 3;
  EXPECT_EQ(DumpedSettings(), Seal3(expected));
}

TEST_F(CliSettings, UnidentifiedRadarIsAnsweredYesOnStderr) {
  Block unidentified = DefaultSimSettings();
  unidentified[0x34] = 0x80;
  unidentified = Seal3(unidentified);
  const auto r = Settings(Profile(unidentified), {"--set", "box.1=0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Configuration success!\n");
  EXPECT_NE(r.err.find("Can not identify the radar type,will use the default configuration, are "
                       "you sure continue?"),
            std::string::npos)
      << r.err;
  // The default configuration: five boxes over the first five entries.
  Block expected = unidentified;
  expected[0x19] = 0;
  EXPECT_EQ(DumpedSettings(), Seal3(expected));
}

}  // namespace
}  // namespace brindle
