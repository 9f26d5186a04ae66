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
      "faults": {"failWrites": 2, "lyingStatus": 3, "badStore": 4, "silentAfterReports": 9,
                 "unplugAfterReports": -1, "corruptReplies": 1, "reportDelayMicros": 10}})",
                              p, error))
      << error;
  EXPECT_EQ(p.version, 1007u);
  EXPECT_EQ(std::string(p.identity.begin(), p.identity.begin() + 5), "Gravo");
  EXPECT_EQ(p.identity[5], 0);
  EXPECT_EQ(p.dataSeconds, 0u);
  EXPECT_EQ(p.settings[255], 0xAA);
  EXPECT_EQ(p.faults.failWrites, 2);
  EXPECT_EQ(p.faults.lyingStatus, 3);
  EXPECT_EQ(p.faults.badStore, 4);
  EXPECT_EQ(p.faults.silentAfterReports, 9);
  EXPECT_EQ(p.faults.corruptReplies, 1);
  EXPECT_EQ(p.faults.reportDelayMicros, 10);
  EXPECT_EQ(p.frameMicros, 1000);
  ASSERT_TRUE(ParseSimProfile(R"({"link": "instant"})", p, error)) << error;
  EXPECT_EQ(p.frameMicros, 0);
}

TEST(SimProfile, RefusesBadProfilesWithAReason) {
  struct Case {
    const char* json;
    const char* reason;  // part of the error, naming what is wrong
  };
  const Case cases[] = {
      {"not json", "not valid JSON"},
      {"[1, 2]", "must be a JSON object"},
      {R"({"colour": 1})", "unknown key colour"},
      {R"({"version": "1008"})", "version: expected an integer"},
      {R"({"dataSeconds": -1})", "dataSeconds: -1 is out of range"},
      {R"({"identity": "sparkly"})", "identity: expected"},
      {R"({"identity": "hex:0g"})", "identity: not a hex digit"},
      {R"({"identity": "hex:abc"})", "identity: odd number"},
      {R"({"settings": "hex:00"})", "settings: a block holds 256 bytes"},
      {R"({"faults": {"failWrites": -1}})", "faults.failWrites: -1 is out of range"},
      {R"({"faults": {"lyingStatus": -1}})", "faults.lyingStatus: -1 is out of range"},
      {R"({"faults": {"badStore": -3}})", "faults.badStore: -3 is out of range"},
      {R"({"faults": {"lyingStatus": "2"}})", "faults.lyingStatus: expected an integer"},
      {R"({"faults": {"lyingStatus": null}})", "faults.lyingStatus: expected an integer"},
      {R"({"faults": {"badStore": 1.5}})", "faults.badStore: expected an integer"},
      {R"({"faults": {"badStore": true}})", "faults.badStore: expected an integer"},
      {R"({"faults": {"LyingStatus": 1}})", "unknown key faults.LyingStatus"},
      {R"({"faults": {"silentAfterReports": -2}})", "faults.silentAfterReports: -2 is out of range"},
      {R"({"faults": {"reportDelayMicros": 99999999999}})",
       "faults.reportDelayMicros: 99999999999 is out of range"},
      {R"({"faults": {"fizz": 1}})", "unknown key faults.fizz"},
      {R"({"faults": 3})", "faults: expected an object"},
      {R"({"link": "high-speed"})", "link: expected"},
      {R"({"link": 1000})", "link: expected"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    SimProfile p = DefaultSimProfile();
    std::string error;
    EXPECT_FALSE(ParseSimProfile(c.json, p, error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace brindle
