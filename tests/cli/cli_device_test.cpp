// brindle-cli end to end against the simulated device.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "cli/run_cli.h"
#include "temp_dir.h"

namespace brindle {
namespace {

using test::RunCli;

TEST(CliDevice, VersionPrintsTheDeviceAnswer) {
  const auto r = RunCli({"--simulate", "version"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "1008\n");
}

TEST(CliDevice, ReadTimeoutBoundsTheWaitForASilentDevice) {
  test::CTempDir dir;
  const std::string silent = dir.Path() + "/silent.json";
  std::ofstream(silent) << R"({"faults": {"silentAfterReports": 1}})";
  const auto start = std::chrono::steady_clock::now();
  const auto r = RunCli({"--simulate=" + silent, "--read-timeout=100", "version"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(r.out, "-2\n");
}

TEST(CliDevice, ReadDumpsTheSettingsBlock) {
  for (const char* block : {"0x110", "272"}) {
    const auto r = RunCli({"--simulate", "read", "0", block});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 16);
    // The model code "BR01" sits at bytes 4..7 of the block at 0x11000.
    EXPECT_EQ(r.out.rfind("00011000  ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("42 52 30 31"), std::string::npos) << r.out;
  }
}

TEST(CliDevice, ProfileAndDump) {
  test::CTempDir dir;
  const std::string profile = dir.Path() + "/p.json";
  std::ofstream(profile) << R"({"version": 1007, "identity": "text:Gravo"})";
  auto r = RunCli({"--simulate=" + profile, "--sim-dump=" + dir.Path(), "version"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "1007\n");
  EXPECT_EQ(std::filesystem::file_size(dir.Path() + "/area0.bin"), 0x200u * 256);
  EXPECT_EQ(std::filesystem::file_size(dir.Path() + "/area1.bin"), 0x8000u * 256);
  std::ifstream area0(dir.Path() + "/area0.bin", std::ios::binary);
  area0.seekg(0x70 * 256);
  char brand[6] = {};
  area0.read(brand, 5);
  EXPECT_STREQ(brand, "Gravo");
}

TEST(CliDevice, NoDeviceAndUsageErrors) {
  test::CTempDir dir;
  const std::string gone = dir.Path() + "/gone.json";
  std::ofstream(gone) << R"({"faults": {"unplugAfterReports": 0}})";
  auto r = RunCli({"--simulate=" + gone, "version"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.out, "   No hardware connected!\n");

  const std::vector<std::vector<std::string>> usage = {
      {},
      {"--simulate", "frobnicate"},
      {"--simulate", "read", "2", "0"},
      {"--simulate", "read", "0", "0x1g"},
      {"--simulate", "read", "0", "-1"},
      {"--simulate", "read", "0", "99999999999"},
      {"--simulate", "version", "extra"},
      {"--simulate=" + dir.Path() + "/missing.json", "version"},
      {"--sim-dump=" + dir.Path(), "version"},
      {"--bogus", "version"},
      {"--simulate", "--read-timeout=", "version"},
      {"--simulate", "--read-timeout=5", "version"},
      {"--simulate", "--read-timeout=600001", "version"},
      {"--simulate", "--read-timeout=-1", "version"},
  };
  for (const auto& args : usage) {
    r = RunCli(args);
    EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(args) << r.out;
    // Every error line names the program first.
    EXPECT_EQ(r.err.rfind("brindle-cli: ", 0), 0u) << r.err;
  }
}

TEST(CliDevice, ReadOfABlockThatIsNotThereFails) {
  const auto r = RunCli({"--simulate", "read", "1", "0x8000"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "brindle-cli: read failed: -2\n");
}

}  // namespace
}  // namespace brindle
