#include "sim/device_backend.h"

#include <gtest/gtest.h>

#include <string>

namespace brindle {
namespace {

TEST(DeviceBackendTest, SimulateArgumentsAreReadAlikeForBothFrontEnds) {
  struct Case {
    std::string arg;
    ArgumentUse use;
    bool simulate;
    std::string profile;
  };
  const Case cases[] = {
      {"--simulate", ArgumentUse::kTaken, true, ""},
      {"--simulate=dev.json", ArgumentUse::kTaken, true, "dev.json"},
      {"--simulate=", ArgumentUse::kBad, true, ""},
      {"--simulated", ArgumentUse::kNotOurs, false, ""},
      {"--sim-dump=out", ArgumentUse::kNotOurs, false, ""},
      {"-simulate", ArgumentUse::kNotOurs, false, ""},
      {"version", ArgumentUse::kNotOurs, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arg);
    BackendOptions options;
    std::string error;
    EXPECT_EQ(ParseBackendArgument(c.arg, options, error), c.use);
    EXPECT_EQ(options.simulate, c.simulate);
    EXPECT_EQ(options.profilePath, c.profile);
    EXPECT_EQ(error.empty(), c.use != ArgumentUse::kBad);
  }
}

TEST(DeviceBackendTest, TheLastSimulateArgumentDecidesTheProfile) {
  BackendOptions options;
  std::string error;
  ASSERT_EQ(ParseBackendArgument("--simulate=a.json", options, error), ArgumentUse::kTaken);
  ASSERT_EQ(ParseBackendArgument("--simulate", options, error), ArgumentUse::kTaken);
  EXPECT_EQ(options.profilePath, "");
}

TEST(DeviceBackendTest, OneFactoryBuildsTheChosenBackend) {
  std::string error;
  DeviceBackend simulated;
  ASSERT_TRUE(MakeDeviceBackend({true, ""}, simulated, error)) << error;
  ASSERT_NE(simulated.sim, nullptr);
  ASSERT_NE(simulated.hid, nullptr);
  EXPECT_EQ(simulated.hid->Enumerate().size(), 1u) << "the simulated device is plugged in";

  DeviceBackend real;
  ASSERT_TRUE(MakeDeviceBackend({}, real, error));
  EXPECT_NE(real.hid, nullptr);
  EXPECT_EQ(real.sim, nullptr);

  DeviceBackend missing;
  EXPECT_FALSE(MakeDeviceBackend({true, "/nonexistent/profile.json"}, missing, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(missing.hid, nullptr) << "nothing is built from an unusable profile";
}

}  // namespace
}  // namespace brindle
