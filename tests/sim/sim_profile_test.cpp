// Reading device profiles.
#include "sim/sim_profile.h"

#include <gtest/gtest.h>

#include "core/byte_order.h"
#include "core/byte_sum.h"

namespace brindle {
namespace {

TEST(SimProfile, DefaultIsABlankDeviceWithAValidLayout3Block) {
  const SimProfile p = DefaultSimProfile();
  EXPECT_EQ(p.version, 1008u);
  EXPECT_EQ(p.dataSeconds, 1330560000u);
  for (uint8_t b : p.identity) ASSERT_EQ(b, 0xFF);
  EXPECT_EQ(LoadLE32(&p.settings[0x3B]), 0x12345678u);
  EXPECT_EQ(LoadLE32(&p.settings[0]), ByteSum(&p.settings[4], 59));
}

TEST(SimProfile, ReadsEveryKey) {
  SimProfile p = DefaultSimProfile();
  std::string error;
  const std::string settingsHex = "hex:" + std::string(512, 'a');
  ASSERT_TRUE(ParseSimProfile(R"({"version": 1007, "identity": "text:Gravo", "dataSeconds": 0,
      "link": "full-speed",
      "settings": ")" + settingsHex +
                                  R"(",
      "faults": {"failWrites": 2, "silentAfterReports": 9, "unplugAfterReports": -1,
                 "corruptReplies": 1, "reportDelayMicros": 10}})",
                              p, error))
      << error;
  EXPECT_EQ(p.version, 1007u);
  EXPECT_EQ(std::string(p.identity.begin(), p.identity.begin() + 5), "Gravo");
  EXPECT_EQ(p.identity[5], 0);
  EXPECT_EQ(p.dataSeconds, 0u);
  EXPECT_EQ(p.settings[255], 0xAA);
  EXPECT_EQ(p.faults.failWrites, 2);
  EXPECT_EQ(p.faults.silentAfterReports, 9);
  EXPECT_EQ(p.faults.corruptReplies, 1);
  EXPECT_EQ(p.faults.reportDelayMicros, 10);
  EXPECT_EQ(p.frameMicros, 1000);
  ASSERT_TRUE(ParseSimProfile(R"({"link": "instant"})", p, error)) << error;
  EXPECT_EQ(p.frameMicros, 0);
}

TEST(SimProfile, RefusesBadProfilesWithAReason) {
  const char* bad[] = {
      "not json",
      "[1, 2]",
      R"({"colour": 1})",
      R"({"version": "1008"})",
      R"({"dataSeconds": -1})",
      R"({"identity": "sparkly"})",
      R"({"identity": "hex:0g"})",
      R"({"identity": "hex:abc"})",
      R"({"settings": "hex:00"})",
      R"({"faults": {"failWrites": -1}})",
      R"({"faults": {"silentAfterReports": -2}})",
      R"({"faults": {"reportDelayMicros": 99999999999}})",
      R"({"faults": {"fizz": 1}})",
      R"({"faults": 3})",
      R"({"link": "high-speed"})",
      R"({"link": 1000})",
  };
  for (const char* json : bad) {
    SCOPED_TRACE(json);
    SimProfile p = DefaultSimProfile();
    std::string error;
    EXPECT_FALSE(ParseSimProfile(json, p, error));
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace brindle
