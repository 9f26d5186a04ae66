// The settings form: what the dialog shows for a block, and what OK writes.
#include "settings/settings_form.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/byte_order.h"

namespace brindle {
namespace {

constexpr uint8_t kTimeZone = 2;
constexpr uint8_t kDayStart = 7;
constexpr uint8_t kNightStart = 19;

// A layout-1/2 block with valid edits, the given model code and bandEnables.
SettingsBlock Layout12(const char* model, std::array<uint8_t, 12> enables = {}) {
  SettingsBlock b{};
  std::memcpy(&b[layout12::kModelCode], model, 4);
  std::memcpy(&b[layout12::kBandEnables], enables.data(), enables.size());
  b[layout12::kTimeZone] = kTimeZone;
  b[layout12::kDayStartHour] = kDayStart;
  b[layout12::kNightStartHour] = kNightStart;
  return b;
}

SettingsBlock Layout3(std::array<int8_t, 5> counts, int8_t featureLevel, int8_t radarType,
                      uint8_t flags = 0) {
  SettingsBlock b{};
  std::memcpy(&b[layout3::kModelCode], "BR01", 4);
  std::memcpy(&b[layout3::kBandCounts], counts.data(), counts.size());
  b[layout3::kFeatureLevel] = static_cast<uint8_t>(featureLevel);
  b[layout3::kRadarType] = static_cast<uint8_t>(radarType);
  b[layout3::kFlags] = flags;
  b[layout3::kTimeZone] = kTimeZone;
  b[layout3::kDayStartHour] = kDayStart;
  b[layout3::kNightStartHour] = kNightStart;
  StoreLE32(&b[layout3::kFormatMagic], layout3::kFormatMagicValue);
  return b;
}

void SetRange(SettingsBlock& b, size_t entry, uint16_t low, uint16_t high) {
  StoreLE16(&b[layout3::kBandRanges + 4 * entry], low);
  StoreLE16(&b[layout3::kBandRanges + 4 * entry + 2], high);
}

IdentityBlock Identity(const char* text) {
  IdentityBlock id{};
  std::memcpy(id.data(), text, std::strlen(text));
  return id;
}

std::vector<std::string> Captions(const CSettingsForm& form) {
  std::vector<std::string> out;
  for (const SettingsBox& box : form.Boxes()) out.push_back(box.caption);
  return out;
}

std::vector<int> Ticks(const CSettingsForm& form) {
  std::vector<int> out;
  for (const SettingsBox& box : form.Boxes()) out.push_back(box.checked ? 1 : 0);
  return out;
}

// Every box's id is 100 + index; boxes before secondColumn sit in column 0,
// the rest in column 1, rows counting from 0 in each column.
void ExpectPlacement(const CSettingsForm& form, size_t secondColumn) {
  for (size_t i = 0; i < form.Boxes().size(); ++i) {
    SCOPED_TRACE(i);
    const SettingsBox& box = form.Boxes()[i];
    EXPECT_EQ(box.id, 100 + static_cast<int>(i));
    EXPECT_EQ(box.column, i < secondColumn ? 0 : 1);
    EXPECT_EQ(box.row, static_cast<int>(i < secondColumn ? i : i - secondColumn));
  }
}

const IdentityBlock kNoIdentity{};

TEST(SettingsForm, FixedLayoutShowsTheTableAndRoundTripsTheTicks) {
  const SettingsBlock block = Layout12("T53 ", {1, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1});
  const CSettingsForm form("Setting", 2, kNoIdentity, block);
  EXPECT_EQ(form.Area(), BandArea::kFixed);
  EXPECT_EQ(form.ManyBoxes(), 1);
  EXPECT_EQ(Captions(form),
            (std::vector<std::string>{
                "X Band(10.480~10.720)", "Ku Band(13.350~13.540)", "K1 Band(22.700~23.660)",
                "K2 Band(23.660~24.060)", "K3 Band(24.060~24.410)", "K4 Band(24.410~24.900)",
                "KA1 Band(33.700~34.200)", "KA2 Band(34.200~34.600)", "KA3 Band(34.600~35.450)",
                "KA4 Band(35.450~35.950)", "KA5 Band(35.950~36.300)", "Laser Band"}));
  EXPECT_EQ(Ticks(form), (std::vector<int>{1, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1}));
  ExpectPlacement(form, 6);

  SettingsBlock written = block;
  ASSERT_EQ(form.Apply(written), 1);
  EXPECT_EQ(written, block);

  // Each box writes its own byte.
  CSettingsForm edited = form;
  ASSERT_EQ(edited.SetBoxChecked(0, false), 1);
  ASSERT_EQ(edited.SetBoxChecked(7, true), 1);
  ASSERT_EQ(edited.Apply(written), 1);
  const std::array<uint8_t, 12> expected = {0, 0, 1, 1, 1, 1, 0, 1, 0, 0, 0, 1};
  EXPECT_EQ(0, std::memcmp(&written[layout12::kBandEnables], expected.data(), 12));
}

TEST(SettingsForm, FiveBoxLayoutGroupsTheKAndKaBytes) {
  struct Case {
    std::array<uint8_t, 12> enables;
    std::vector<int> ticks;
  };
  const Case cases[] = {
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
      {{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {1, 1, 0, 0, 1}},
      {{0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}},  // K4 alone ticks "K Band"
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}, {0, 0, 0, 1, 0}},  // KA5 alone ticks "KA Band"
      {{0, 0, 2, 0, 0, 0, 0, 0, 7, 0, 0, 0}, {0, 0, 1, 1, 0}},  // any non-zero byte counts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.ticks));
    const CSettingsForm form("Setting", 2, kNoIdentity, Layout12("ABCD", c.enables));
    EXPECT_EQ(form.Area(), BandArea::kFiveBox);
    EXPECT_EQ(form.ManyBoxes(), 0);
    EXPECT_EQ(Captions(form),
              (std::vector<std::string>{"X Band", "Ku Band", "K Band", "KA Band", "Laser Band"}));
    EXPECT_EQ(Ticks(form), c.ticks);
    ExpectPlacement(form, 5);
  }

  // Ticking "K Band" sets K1..K4 together, unticking clears them together.
  SettingsBlock block = Layout12("ABCD", {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0});
  CSettingsForm form("Setting", 2, kNoIdentity, block);
  ASSERT_EQ(form.SetBoxChecked(2, true), 1);
  ASSERT_EQ(form.Apply(block), 1);
  std::array<uint8_t, 12> expected = {0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(&block[layout12::kBandEnables], expected.data(), 12));
  form.SetBoxChecked(2, false);
  form.SetBoxChecked(3, true);
  form.SetBoxChecked(4, true);
  ASSERT_EQ(form.Apply(block), 1);
  expected = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(0, std::memcmp(&block[layout12::kBandEnables], expected.data(), 12));
}

// The block's layout, model, identity, featureLevel, radarType and flags pick
// the band area and the frequency box.
TEST(SettingsForm, BandAreaAndFrequencyBoxFollowTheBlock) {
  const SettingsBlock t53 = Layout12("T53 ");
  SettingsBlock t53Bit6 = t53;
  t53Bit6[layout12::kFlags] = kFlagShowFrequency;
  const std::array<int8_t, 5> ones = {1, 1, 1, 1, 1};
  const std::array<int8_t, 5> twelve = {1, 1, 4, 5, 1};
  SettingsBlock exo3 = Layout3(ones, 2, 1, 0xC0);
  std::memcpy(&exo3[layout3::kModelCode], "EXO ", 4);
  struct Case {
    const char* name;
    int layout;
    const char* identity;
    SettingsBlock block;
    BandArea area;
    size_t boxes;
    bool visible;  // frequency box
    bool checked;
  };
  const Case cases[] = {
      {"2 T53", 2, "", t53, BandArea::kFixed, 12, true, false},
      {"2 T53 bit 6", 2, "", t53Bit6, BandArea::kFixed, 12, true, true},
      {"2 other model", 2, "", Layout12("T5X "), BandArea::kFiveBox, 5, false, false},
      {"1 Gravo", 1, "Gravo Ltd", t53, BandArea::kFiveBox, 5, false, false},
      {"1 other brand", 1, "Grav", Layout12("ABCD"), BandArea::kFixed, 12, true, false},
      {"1 EXO", 1, "Other", Layout12("EXO "), BandArea::kFixed, 12, false, false},
      {"3 featureLevel 5", 3, "", Layout3(ones, 5, 0), BandArea::kCounted, 5, false, false},
      {"3 radar identified", 3, "", Layout3(twelve, 4, 1), BandArea::kCounted, 12, false, false},
      {"3 no radar", 3, "", Layout3(twelve, 4, 0), BandArea::kFiveBox, 5, false, false},
      {"3 radar unknown", 3, "", Layout3(twelve, 4, -1, 0xC0), BandArea::kFiveBox, 5, false, false},
      {"3 radar unknown, featureLevel 5", 3, "", Layout3(ones, 5, -1, 0xC0), BandArea::kCounted, 5, true,
       true},
      {"3 featureLevel 3, can show", 3, "", Layout3(ones, 3, 2, 0x80), BandArea::kCounted, 5, true, false},
      {"3 featureLevel 3, cannot show", 3, "", Layout3(ones, 3, 2, 0x40), BandArea::kCounted, 5, false,
       false},
      {"3 can show, no radar", 3, "", Layout3(ones, 5, 0, 0xC0), BandArea::kCounted, 5, false, false},
      {"3 featureLevel 2 ignores bit 7", 3, "", Layout3(ones, 2, 1, 0x40), BandArea::kCounted, 5, true, true},
      {"3 featureLevel 2 EXO", 3, "", exo3, BandArea::kCounted, 5, false, false},
      {"layouts above 3 read as 3", 4, "", Layout3(ones, 5, 0), BandArea::kCounted, 5, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CSettingsForm form("Setting", c.layout, Identity(c.identity), c.block);
    EXPECT_EQ(form.Area(), c.area);
    EXPECT_EQ(form.Boxes().size(), c.boxes);
    EXPECT_EQ(form.Frequency().visible, c.visible);
    EXPECT_EQ(form.Frequency().checked, c.checked);
    EXPECT_EQ(form.Frequency().caption, c.visible ? "Radar Frequency display" : "");
  }
}

TEST(SettingsForm, CaptionCarriesTheProgramVersion) {
  SettingsBlock two = Layout12("T53 ");
  StoreLE32(&two[layout12::kProgramVersion], 1234);
  EXPECT_EQ(CSettingsForm("Setting", 2, kNoIdentity, two).Caption(), "Setting     Program Version:1234");
  SettingsBlock three = Layout3({1, 1, 1, 1, 1}, 5, 1);
  StoreLE32(&three[layout3::kProgramVersion], 0xFFFFFFFF);
  EXPECT_EQ(CSettingsForm("Setting", 3, kNoIdentity, three).Caption(), "Setting     Program Version:-1");
}

TEST(SettingsForm, CountedLayoutNamesEntriesByGroup) {
  SettingsBlock block = Layout3({1, 1, 4, 5, 1}, 5, 1);
  const uint16_t ranges[12][2] = {{10500, 10550}, {13400, 13500}, {22700, 23660}, {23660, 24060},
                                  {24060, 24410}, {24410, 24900}, {33700, 34200}, {1000, 34600},
                                  {34600, 1000},  {1001, 1001},   {0, 0},         {0, 0}};
  for (size_t i = 0; i < 12; ++i) SetRange(block, i, ranges[i][0], ranges[i][1]);
  const std::array<uint8_t, 12> enables = {1, 0, 0, 1, 1, 0, 1, 0, 1, 0, 0, 1};
  std::memcpy(&block[layout3::kBandEnables], enables.data(), enables.size());

  const CSettingsForm form("Setting", 3, kNoIdentity, block);
  EXPECT_EQ(Captions(form), (std::vector<std::string>{"X Band(10.500~10.550)", "Ku Band(13.400~13.500)",
                                                      "K1 Band(22.700~23.660)", "K2 Band(23.660~24.060)",
                                                      "K3 Band(24.060~24.410)", "K4 Band(24.410~24.900)",
                                                      "Ka1 Band(33.700~34.200)", "Ka2 Band", "Ka3 Band",
                                                      "Ka4 Band(1.001~1.001)", "Ka5 Band", "Laser Band"}));
  EXPECT_EQ(Ticks(form), (std::vector<int>{1, 0, 0, 1, 1, 0, 1, 0, 1, 0, 0, 1}));
  ExpectPlacement(form, 7);

  SettingsBlock written = block;
  ASSERT_EQ(form.Apply(written), 1);
  EXPECT_EQ(written, block);
  CSettingsForm edited = form;
  edited.SetBoxChecked(11, false);
  edited.SetBoxChecked(1, true);
  ASSERT_EQ(edited.Apply(written), 1);
  EXPECT_EQ(written[layout3::kBandEnables + 1], 1);
  EXPECT_EQ(written[layout3::kBandEnables + 11], 0);

  const CSettingsForm lasers("Setting", 3, kNoIdentity, Layout3({1, 1, 1, 1, 2}, 5, 0));
  EXPECT_EQ(Captions(lasers), (std::vector<std::string>{"X Band", "Ku Band", "K Band", "Ka Band",
                                                        "Laser1 Band", "Laser2 Band"}));
  const CSettingsForm empty("Setting", 3, kNoIdentity, Layout3({0, 0, 0, 0, 0}, 5, 0));
  EXPECT_TRUE(empty.Boxes().empty());
}

TEST(SettingsForm, FiveBoxLayout3WritesOnlyTheEntriesTheBlockHas) {
  SettingsBlock block = Layout3({1, 1, 1, 0, 0}, 0, 0);
  const std::array<uint8_t, 5> enables = {0, 1, 0, 1, 9};  // bytes 3, 4 belong to no entry
  std::memcpy(&block[layout3::kBandEnables], enables.data(), enables.size());
  CSettingsForm form("Setting", 3, kNoIdentity, block);
  ASSERT_EQ(form.Area(), BandArea::kFiveBox);
  EXPECT_EQ(Ticks(form), (std::vector<int>{0, 1, 0, 1, 1}));
  for (size_t i = 0; i < 5; ++i) form.SetBoxChecked(i, i % 2 == 0);
  ASSERT_EQ(form.Apply(block), 1);
  const std::array<uint8_t, 5> expected = {1, 0, 1, 1, 9};
  EXPECT_EQ(0, std::memcmp(&block[layout3::kBandEnables], expected.data(), 5));
}

// Counts that add up to more than the 24 enable bytes, or negative counts,
// must never reach featureLevel or read ranges past the block.
TEST(SettingsForm, CountedEntriesStopBeforeFeatureLevel) {
  struct Case {
    std::array<int8_t, 5> counts;
    size_t boxes;
    std::string first;
    std::string last;
  };
  const Case cases[] = {
      {{20, 10, 0, 0, 0}, 24, "X1 Band", "Ku4 Band"},
      {{127, 127, 127, 127, 127}, 24, "X1 Band", "X24 Band"},
      {{0, 0, 0, 0, 24}, 24, "Laser1 Band", "Laser24 Band"},
      {{-3, 2, 0, 0, 1}, 3, "Ku1 Band", "Laser Band"},
      {{-128, -128, -128, -128, 5}, 5, "Laser1 Band", "Laser5 Band"},
      {{-1, -1, -1, -1, -1}, 0, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.counts));
    SettingsBlock block = Layout3(c.counts, 5, 1);
    // Marks in the fields after the enable bytes; the ranges stay 0.
    for (size_t i = layout3::kFeatureLevel + 1; i < layout3::kFormatMagic; ++i)
      if (i != layout3::kRadarType) block[i] = static_cast<uint8_t>(0xA0 + i);
    CSettingsForm form("Setting", 3, kNoIdentity, block);
    ASSERT_EQ(form.Boxes().size(), c.boxes);
    if (c.boxes == 0) continue;
    EXPECT_EQ(form.Boxes().front().caption, c.first);
    EXPECT_EQ(form.Boxes().back().caption, c.last);
    for (size_t i = 0; i < c.boxes; ++i) form.SetBoxChecked(i, true);
    const SettingsBlock before = block;
    ASSERT_EQ(form.Apply(block), 1);
    for (size_t i = 0; i < c.boxes; ++i) EXPECT_EQ(block[layout3::kBandEnables + i], 1) << i;
    for (size_t i = layout3::kBandEnables + c.boxes; i < block.size(); ++i)
      EXPECT_EQ(block[i], before[i]) << i;
  }
}

TEST(SettingsForm, EditsShowTheirLabelsAndHideWhatTheDeviceLacks) {
  struct Case {
    int layout;
    int8_t timeZone, day, night;
    bool tzVisible, dayVisible, nightVisible;
  };
  const Case cases[] = {
      {2, -12, 3, 15, true, true, true},     {2, 13, 0, 0, true, true, true},
      {2, -13, -1, -1, false, false, false}, {2, 14, 10, 23, false, true, true},
      {3, 20, -128, 23, false, false, true}, {3, -5, 2, 14, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.layout << " " << int{c.timeZone} << " " << int{c.day} << " " << int{c.night});
    SettingsBlock block = c.layout == 3 ? Layout3({1, 1, 1, 1, 1}, 5, 1) : Layout12("T53 ");
    const CommonFieldOffsets f = CommonFields(c.layout);
    block[f.timeZone] = static_cast<uint8_t>(c.timeZone);
    block[f.dayStartHour] = static_cast<uint8_t>(c.day);
    block[f.nightStartHour] = static_cast<uint8_t>(c.night);
    const CSettingsForm form("Setting", c.layout, kNoIdentity, block);
    const SettingsEdit& tz = form.Edit(SettingsEditField::kTimeZone);
    const SettingsEdit& day = form.Edit(SettingsEditField::kDayStart);
    const SettingsEdit& night = form.Edit(SettingsEditField::kNightStart);
    EXPECT_EQ(tz.value, c.timeZone);
    EXPECT_EQ(day.value, c.day);
    EXPECT_EQ(night.value, c.night);
    EXPECT_EQ(tz.visible, c.tzVisible);
    EXPECT_EQ(day.visible, c.dayVisible);
    EXPECT_EQ(night.visible, c.nightVisible);
  }
  const CSettingsForm form("Setting", 2, kNoIdentity, Layout12("T53 "));
  EXPECT_EQ(form.Edit(SettingsEditField::kTimeZone).label, "Time Zone(-12~13)");
  EXPECT_EQ(form.Edit(SettingsEditField::kDayStart).label, "Daytime screen start time(3~10)");
  EXPECT_EQ(form.Edit(SettingsEditField::kNightStart).label, "Nighttime screen start time(15~23)");
  EXPECT_EQ(form.Edit(SettingsEditField::kTimeZone).editId, 1025);
  EXPECT_EQ(form.Edit(SettingsEditField::kTimeZone).labelId, 1026);
  EXPECT_EQ(form.Edit(SettingsEditField::kDayStart).editId, 1028);
  EXPECT_EQ(form.Edit(SettingsEditField::kDayStart).labelId, 1027);
  EXPECT_EQ(form.Edit(SettingsEditField::kNightStart).editId, 1030);
  EXPECT_EQ(form.Edit(SettingsEditField::kNightStart).labelId, 1029);
}

TEST(SettingsForm, ValidationLimitsAndOrder) {
  struct Case {
    int32_t timeZone, day, night;
    std::string_view text;
  };
  const Case cases[] = {
      {-12, 3, 15, ""},
      {13, 10, 23, ""},
      {-13, 5, 20, "Time Zone error!"},
      {14, 5, 20, "Time Zone error!"},
      {0, 2, 20, "Daytime screen start time error!"},
      {0, 11, 20, "Daytime screen start time error!"},
      {0, 5, 14, "Nighttime screen start time error!"},
      {0, 5, 24, "Nighttime screen start time error!"},
      {99, 0, 0, "Time Zone error!"},
      {0, -1, 0, "Daytime screen start time error!"},
  };
  for (int layout : {2, 3}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << layout << ": " << c.timeZone << " " << c.day << " " << c.night);
      const SettingsBlock block = layout == 3 ? Layout3({1, 1, 1, 1, 1}, 5, 1) : Layout12("T53 ", {1, 1});
      CSettingsForm form("Setting", layout, kNoIdentity, block);
      form.SetEditValue(SettingsEditField::kTimeZone, c.timeZone);
      form.SetEditValue(SettingsEditField::kDayStart, c.day);
      form.SetEditValue(SettingsEditField::kNightStart, c.night);
      form.SetBoxChecked(0, false);
      form.SetFrequencyChecked(true);
      EXPECT_EQ(form.Validate(), c.text);
      SettingsBlock written = block;
      const CommonFieldOffsets f = CommonFields(layout);
      if (c.text.empty()) {
        ASSERT_EQ(form.Apply(written), 1);
        EXPECT_EQ(static_cast<int8_t>(written[f.timeZone]), c.timeZone);
        EXPECT_EQ(written[f.dayStartHour], c.day);
        EXPECT_EQ(written[f.nightStartHour], c.night);
      } else {
        // A refusal writes nothing at all.
        EXPECT_EQ(form.Apply(written), 0);
        EXPECT_EQ(written, block);
      }
    }
  }
}

TEST(SettingsForm, NegativeTimeZoneIsStoredAsItsLowByte) {
  SettingsBlock block = Layout12("T53 ");
  CSettingsForm form("Setting", 2, kNoIdentity, block);
  form.SetEditValue(SettingsEditField::kTimeZone, -5);
  ASSERT_EQ(form.Apply(block), 1);
  EXPECT_EQ(block[layout12::kTimeZone], 0xFB);
}

TEST(SettingsForm, HiddenValuesAreKept) {
  SettingsBlock block = Layout12("T53 ");
  block[layout12::kTimeZone] = 20;
  block[layout12::kDayStartHour] = 0xFF;
  block[layout12::kNightStartHour] = 0x80;
  CSettingsForm form("Setting", 2, kNoIdentity, block);
  // Values that could only come from a front end that ignored visibility.
  form.SetEditValue(SettingsEditField::kTimeZone, 3);
  form.SetEditValue(SettingsEditField::kDayStart, 5);
  form.SetEditValue(SettingsEditField::kNightStart, 99);
  EXPECT_EQ(form.Validate(), "");
  ASSERT_EQ(form.Apply(block), 1);
  EXPECT_EQ(block[layout12::kTimeZone], 20);
  EXPECT_EQ(block[layout12::kDayStartHour], 0xFF);
  EXPECT_EQ(block[layout12::kNightStartHour], 0x80);
}

// flags bit 6 follows the box only while it is visible; other bits never change.
TEST(SettingsForm, FrequencyBoxWritesOnlyBit6) {
  const std::array<int8_t, 5> ones = {1, 1, 1, 1, 1};
  struct Case {
    const char* name;
    int layout;
    SettingsBlock block;
    bool visible;
  };
  const Case cases[] = {
      {"layout 2 T53", 2, Layout12("T53 "), true},
      {"layout 2 five boxes", 2, Layout12("ABCD"), false},
      {"layout 1 EXO", 1, Layout12("EXO "), false},
      {"layout 3 able", 3, Layout3(ones, 5, 1), true},
      {"layout 3 no radar", 3, Layout3(ones, 5, 0), false},
  };
  for (const Case& c : cases) {
    for (uint8_t flags : {uint8_t{0xBF}, uint8_t{0x40}, uint8_t{0x00}, uint8_t{0xFF}}) {
      for (bool checked : {false, true}) {
        SCOPED_TRACE(::testing::Message() << c.name << " flags " << int{flags} << " " << checked);
        SettingsBlock block = c.block;
        const size_t offset = CommonFields(c.layout).flags;
        // Layout 3 visibility needs bit 7; keep it set there.
        block[offset] = c.layout == 3 && c.visible ? (flags | kFlagCanShowFrequency) : flags;
        const uint8_t original = block[offset];
        CSettingsForm form("Setting", c.layout, kNoIdentity, block);
        ASSERT_EQ(form.Frequency().visible, c.visible);
        form.SetFrequencyChecked(checked);
        ASSERT_EQ(form.Apply(block), 1);
        const uint8_t expected =
            c.visible ? ((original & ~kFlagShowFrequency) | (checked ? kFlagShowFrequency : 0)) : original;
        EXPECT_EQ(block[offset], expected);
      }
    }
  }
}

TEST(SettingsForm, OnlyExistingBoxesCanBeSet) {
  CSettingsForm form("Setting", 2, kNoIdentity, Layout12("ABCD"));
  EXPECT_EQ(form.SetBoxChecked(4, true), 1);
  EXPECT_EQ(form.SetBoxChecked(5, true), 0);
  EXPECT_TRUE(form.Boxes()[4].checked);
}

}  // namespace
}  // namespace brindle
