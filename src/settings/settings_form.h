#pragma once
// CSettingsForm: everything the settings dialog shows for one settings block,
// and the dialog's OK step that writes the user's values back. The Qt dialog
// and the console render it; neither decides anything about the block.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_layout.h"

namespace brindle {

// Which set of band boxes the block gets.
enum class BandArea {
  kFiveBox,  // X, Ku, K, KA, Laser in one column
  kFixed,    // the twelve bands of the fixed table, six per column
  kCounted,  // one box per layout-3 band entry, seven in the first column
};

struct SettingsBox {
  std::string caption;
  int id = 0;      // 100 + index
  int column = 0;  // 0: from marker 1013, 1: from marker 1014
  int row = 0;     // row within the column, counted from 0
  bool checked = false;
};

// A label with its integer edit box.
struct SettingsEdit {
  int labelId = 0;
  int editId = 0;
  std::string label;
  bool visible = false;
  int32_t value = 0;
};

struct FrequencyBox {
  std::string caption;
  bool visible = false;
  bool checked = false;
};

// The three edits in the order OK validates them.
enum class SettingsEditField { kTimeZone = 0, kDayStart = 1, kNightStart = 2 };

inline constexpr std::string_view kTimeZoneError = "Time Zone error!";
inline constexpr std::string_view kDayStartError = "Daytime screen start time error!";
inline constexpr std::string_view kNightStartError = "Nighttime screen start time error!";
inline constexpr std::string_view kOkText = "OK";
inline constexpr std::string_view kCancelText = "Cancel";

class CSettingsForm {
 public:
  // title is the caption prefix; layout the block's layout (values above 3
  // are read as 3, values below 1 as 1). The block is read, not kept.
  CSettingsForm(std::string_view title, int layout, const IdentityBlock& identity,
                const SettingsBlock& settings);

  const std::string& Caption() const { return m_caption; }
  BandArea Area() const { return m_area; }
  // 1 for the fixed and counted layouts, 0 for the five-box layout.
  int ManyBoxes() const { return m_area == BandArea::kFiveBox ? 0 : 1; }
  const std::vector<SettingsBox>& Boxes() const { return m_boxes; }
  const SettingsEdit& Edit(SettingsEditField field) const { return m_edits[static_cast<size_t>(field)]; }
  const std::array<SettingsEdit, 3>& Edits() const { return m_edits; }
  const FrequencyBox& Frequency() const { return m_frequency; }

  // The user's input. SetBoxChecked: 1 done, 0 no box with that index.
  int SetBoxChecked(size_t index, bool checked);
  void SetEditValue(SettingsEditField field, int32_t value);
  void SetFrequencyChecked(bool checked);

  // The message OK shows for the current values: the first visible edit out
  // of its range, or empty when OK may write.
  std::string_view Validate() const;
  // OK: 1 when the values were written into block (blockChecksum not
  // updated), 0 when Validate refused them and block is unchanged. Only the
  // fields the form shows are written; hidden ones keep their bytes.
  int Apply(SettingsBlock& block) const;

 private:
  void BuildBandArea(const SettingsBlock& settings);
  void PlaceBoxes(size_t secondColumnStart);

  int m_layout = 1;
  BandArea m_area = BandArea::kFiveBox;
  size_t m_bandEntries = 0;  // layout 3: entries the block holds, at most 24
  std::string m_caption;
  std::vector<SettingsBox> m_boxes;
  std::array<SettingsEdit, 3> m_edits;
  FrequencyBox m_frequency;
};

}  // namespace brindle
