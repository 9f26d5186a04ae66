#include "settings/settings_form.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/byte_order.h"
#include "settings/band_table.h"
#include "settings/config_dialog_ids.h"
#include "settings/counted_bands.h"

namespace brindle {
namespace {

constexpr char kVersionLabel[] = "     Program Version:";
constexpr char kFrequencyCaption[] = "Radar Frequency display";
// Layout-1 devices of this brand have the five-box band area.
constexpr char kFiveBoxIdentity[] = "Gravo";
constexpr char kFixedBandModel[] = "T53 ";
constexpr char kNoFrequencyModel[] = "EXO ";

// First box of the second column in each many-box area.
constexpr size_t kFixedSecondColumn = 6;
constexpr size_t kCountedSecondColumn = 7;
constexpr size_t kOneColumn = std::numeric_limits<size_t>::max();

// featureLevel from which layout 3 shows the counted area regardless of the
// radar type, and above which the frequency box follows flags bit 7.
constexpr int kCountedFeatureLevel = 5;
constexpr int kFrequencyFeatureLevel = 2;

struct EditRule {
  int labelId;
  int editId;
  const char* label;
  int32_t low;
  int32_t high;
  std::string_view error;
};

// In the order of SettingsEditField, which is the order OK validates them.
constexpr std::array<EditRule, 3> kEditRules = {{
    {config_dialog::kTimeZoneLabel, config_dialog::kTimeZoneEdit, "Time Zone(-12~13)", -12, 13,
     kTimeZoneError},
    {config_dialog::kDayStartLabel, config_dialog::kDayStartEdit, "Daytime screen start time(3~10)", 3, 10,
     kDayStartError},
    {config_dialog::kNightStartLabel, config_dialog::kNightStartEdit, "Nighttime screen start time(15~23)",
     15, 23, kNightStartError},
}};

int8_t SignedByte(const SettingsBlock& block, size_t offset) { return static_cast<int8_t>(block[offset]); }

bool AnySet(const SettingsBlock& block, size_t first, size_t count) {
  return std::any_of(block.begin() + first, block.begin() + first + count, [](uint8_t b) { return b != 0; });
}

bool ModelIs(const SettingsBlock& block, size_t offset, const char* code) {
  return std::memcmp(&block[offset], code, kModelCodeSize) == 0;
}

// The bytes behind the edits, in the order of SettingsEditField.
std::array<size_t, 3> EditOffsets(const CommonFieldOffsets& fields) {
  return {fields.timeZone, fields.dayStartHour, fields.nightStartHour};
}

}  // namespace

CSettingsForm::CSettingsForm(std::string_view title, int layout, const IdentityBlock& identity,
                             const SettingsBlock& settings)
    : m_layout(std::clamp(layout, 1, 3)) {
  const CommonFieldOffsets fields = CommonFields(m_layout);
  m_caption = std::string(title) + kVersionLabel +
              std::to_string(static_cast<int32_t>(LoadLE32(&settings[fields.programVersion])));

  const int featureLevel = SignedByte(settings, layout3::kFeatureLevel);
  const int radarType = SignedByte(settings, layout3::kRadarType);
  if (m_layout == 3) {
    m_area =
        (featureLevel >= kCountedFeatureLevel || radarType > 0) ? BandArea::kCounted : BandArea::kFiveBox;
    m_bandEntries = CountedBandEntries(settings);
  } else if (m_layout == 2) {
    m_area = ModelIs(settings, fields.modelCode, kFixedBandModel) ? BandArea::kFixed : BandArea::kFiveBox;
  } else {
    const bool gravo = std::memcmp(identity.data(), kFiveBoxIdentity, sizeof kFiveBoxIdentity - 1) == 0;
    m_area = gravo ? BandArea::kFiveBox : BandArea::kFixed;
  }
  BuildBandArea(settings);

  const uint8_t flags = settings[fields.flags];
  if (m_area != BandArea::kFiveBox) {
    if (m_layout == 3 && featureLevel > kFrequencyFeatureLevel)
      m_frequency.visible = (flags & kFlagCanShowFrequency) != 0 && radarType != 0;
    else
      m_frequency.visible = !ModelIs(settings, fields.modelCode, kNoFrequencyModel);
  }
  if (m_frequency.visible) {
    m_frequency.caption = kFrequencyCaption;
    m_frequency.checked = (flags & kFlagShowFrequency) != 0;
  }

  const std::array<size_t, 3> editOffsets = EditOffsets(fields);
  for (size_t i = 0; i < m_edits.size(); ++i) {
    SettingsEdit& edit = m_edits[i];
    edit.labelId = kEditRules[i].labelId;
    edit.editId = kEditRules[i].editId;
    edit.label = kEditRules[i].label;
    edit.value = SignedByte(settings, editOffsets[i]);
  }
  // A time zone outside its range, or a negative hour, means the device has
  // no such setting: the pair is hidden and its byte kept.
  SettingsEdit& timeZone = m_edits[static_cast<size_t>(SettingsEditField::kTimeZone)];
  timeZone.visible = timeZone.value >= kEditRules[0].low && timeZone.value <= kEditRules[0].high;
  for (SettingsEditField hour : {SettingsEditField::kDayStart, SettingsEditField::kNightStart}) {
    SettingsEdit& edit = m_edits[static_cast<size_t>(hour)];
    edit.visible = edit.value >= 0;
  }
}

void CSettingsForm::BuildBandArea(const SettingsBlock& settings) {
  switch (m_area) {
    case BandArea::kFiveBox: {
      std::array<bool, kFiveBoxCaptions.size()> ticks{};
      if (m_layout == 3) {
        for (size_t i = 0; i < ticks.size(); ++i) ticks[i] = settings[layout3::kBandEnables + i] != 0;
      } else {
        const size_t enables = layout12::kBandEnables;
        ticks = {settings[enables + layout12::kBandX] != 0, settings[enables + layout12::kBandKu] != 0,
                 AnySet(settings, enables + layout12::kBandK1, layout12::kBandKCount),
                 AnySet(settings, enables + layout12::kBandKA1, layout12::kBandKACount),
                 settings[enables + layout12::kBandLaser] != 0};
      }
      for (size_t i = 0; i < ticks.size(); ++i) m_boxes.push_back({kFiveBoxCaptions[i], 0, 0, 0, ticks[i]});
      PlaceBoxes(kOneColumn);
      break;
    }
    case BandArea::kFixed:
      for (size_t i = 0; i < kFixedBands.size(); ++i) {
        const FixedBand& band = kFixedBands[i];
        std::string caption = band.caption;
        if (band.lowMHz > kFixedRangeMinimumMHz && band.highMHz > kFixedRangeMinimumMHz)
          caption += BandRangeText(band.lowMHz, band.highMHz);
        m_boxes.push_back({std::move(caption), 0, 0, 0, settings[layout12::kBandEnables + i] != 0});
      }
      PlaceBoxes(kFixedSecondColumn);
      break;
    case BandArea::kCounted: {
      std::vector<std::string> captions = CountedBandCaptions(settings);
      for (size_t i = 0; i < captions.size(); ++i)
        m_boxes.push_back({std::move(captions[i]), 0, 0, 0, settings[layout3::kBandEnables + i] != 0});
      PlaceBoxes(kCountedSecondColumn);
      break;
    }
  }
}

void CSettingsForm::PlaceBoxes(size_t secondColumnStart) {
  for (size_t i = 0; i < m_boxes.size(); ++i) {
    SettingsBox& box = m_boxes[i];
    box.id = config_dialog::kFirstBandBoxId + static_cast<int>(i);
    const bool second = i >= secondColumnStart;
    box.column = second ? 1 : 0;
    box.row = static_cast<int>(second ? i - secondColumnStart : i);
  }
}

int CSettingsForm::SetBoxChecked(size_t index, bool checked) {
  if (index >= m_boxes.size()) return 0;
  m_boxes[index].checked = checked;
  return 1;
}

void CSettingsForm::SetEditValue(SettingsEditField field, int32_t value) {
  m_edits[static_cast<size_t>(field)].value = value;
}

void CSettingsForm::SetFrequencyChecked(bool checked) { m_frequency.checked = checked; }

std::string_view CSettingsForm::Validate() const {
  for (size_t i = 0; i < m_edits.size(); ++i) {
    const SettingsEdit& edit = m_edits[i];
    if (edit.visible && (edit.value < kEditRules[i].low || edit.value > kEditRules[i].high))
      return kEditRules[i].error;
  }
  return {};
}

int CSettingsForm::Apply(SettingsBlock& block) const {
  if (!Validate().empty()) return 0;

  auto tick = [this](size_t i) -> uint8_t { return m_boxes[i].checked ? 1 : 0; };
  if (m_layout == 3) {
    // The five-box area stands for the first five entries, as far as they exist.
    const size_t count = std::min(m_boxes.size(), m_bandEntries);
    for (size_t i = 0; i < count; ++i) block[layout3::kBandEnables + i] = tick(i);
  } else if (m_area == BandArea::kFixed) {
    for (size_t i = 0; i < layout12::kBandCount; ++i) block[layout12::kBandEnables + i] = tick(i);
  } else {
    uint8_t* enables = &block[layout12::kBandEnables];
    enables[layout12::kBandX] = tick(0);
    enables[layout12::kBandKu] = tick(1);
    std::fill_n(enables + layout12::kBandK1, layout12::kBandKCount, tick(2));
    std::fill_n(enables + layout12::kBandKA1, layout12::kBandKACount, tick(3));
    enables[layout12::kBandLaser] = tick(4);
  }

  const CommonFieldOffsets fields = CommonFields(m_layout);
  if (m_frequency.visible) {
    uint8_t& flags = block[fields.flags];
    flags = static_cast<uint8_t>(m_frequency.checked ? (flags | kFlagShowFrequency)
                                                     : (flags & ~kFlagShowFrequency));
  }
  const std::array<size_t, 3> editOffsets = EditOffsets(fields);
  for (size_t i = 0; i < m_edits.size(); ++i)
    if (m_edits[i].visible) block[editOffsets[i]] = static_cast<uint8_t>(m_edits[i].value);
  return 1;
}

}  // namespace brindle
