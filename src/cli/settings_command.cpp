#include "cli/settings_command.h"

#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "cli/cli_texts.h"
#include "cli/console_window.h"
#include "cli/identify_command.h"
#include "settings/edit_integer.h"
#include "settings/settings_form.h"

namespace brindle::cli {
namespace {

constexpr char kBoxPrefix[] = "box.";

// What --set asks for; a later --set of the same name replaces an earlier one.
struct SettingsChanges {
  std::map<SettingsEditField, int32_t> edits;
  std::map<size_t, bool> boxes;
  std::optional<bool> frequency;
  bool Empty() const { return edits.empty() && boxes.empty() && !frequency; }
};

const std::map<std::string, SettingsEditField>& EditNames() {
  static const std::map<std::string, SettingsEditField> kNames = {
      {"timeZone", SettingsEditField::kTimeZone},
      {"dayStart", SettingsEditField::kDayStart},
      {"nightStart", SettingsEditField::kNightStart},
  };
  return kNames;
}

const char* EditName(SettingsEditField field) {
  for (const auto& [name, f] : EditNames())
    if (f == field) return name.c_str();
  return "";
}

bool ParseTick(const std::string& text, bool& ticked) {
  if (text != "0" && text != "1") return false;
  ticked = text == "1";
  return true;
}

// A box index: decimal digits, below the most boxes any block can have, so
// that an index no device has is refused before the device is touched.
std::optional<size_t> ParseBoxIndex(const std::string& text) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const size_t index = std::stoul(text);
  if (index >= layout3::kMaxBandEntries) return std::nullopt;
  return index;
}

bool ParseSet(const std::string& assignment, SettingsChanges& changes, std::string& error) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos || eq == 0) {
    error = "--set needs NAME=VALUE, not \"" + assignment + "\"";
    return false;
  }
  const std::string name = assignment.substr(0, eq);
  const std::string value = assignment.substr(eq + 1);
  if (const auto edit = EditNames().find(name); edit != EditNames().end()) {
    int32_t number = 0;
    if (!ParseEditInteger(value, &number)) {
      error = name + " needs a whole number, not \"" + value + "\"";
      return false;
    }
    changes.edits[edit->second] = number;
    return true;
  }
  bool ticked = false;
  if (name == "frequency") {
    if (!ParseTick(value, ticked)) {
      error = "frequency needs 0 or 1, not \"" + value + "\"";
      return false;
    }
    changes.frequency = ticked;
    return true;
  }
  if (name.rfind(kBoxPrefix, 0) == 0) {
    const auto index = ParseBoxIndex(name.substr(sizeof kBoxPrefix - 1));
    if (!index) {
      error = "a box is named box.I with I its index from 0 to " +
              std::to_string(layout3::kMaxBandEntries - 1) + ", not \"" + name + "\"";
      return false;
    }
    if (!ParseTick(value, ticked)) {
      error = name + " needs 0 or 1, not \"" + value + "\"";
      return false;
    }
    changes.boxes[*index] = ticked;
    return true;
  }
  error = "unknown setting \"" + name + "\" (timeZone, dayStart, nightStart, box.I, frequency)";
  return false;
}

bool ParseArgs(const std::vector<std::string>& args, SettingsChanges& changes, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--set") {
      error = "settings takes only --set NAME=VALUE, not \"" + args[i] + "\"";
      return false;
    }
    if (i + 1 == args.size()) {
      error = "--set needs NAME=VALUE";
      return false;
    }
    if (!ParseSet(args[++i], changes, error)) return false;
  }
  return true;
}

// The user's changes on the form; an error when one names a control the form
// does not show, since no user could change it.
bool ApplyChanges(const SettingsChanges& changes, CSettingsForm& form, std::string& error) {
  for (const auto& [field, value] : changes.edits) {
    if (!form.Edit(field).visible) {
      error = std::string(EditName(field)) + " is not shown for this device";
      return false;
    }
    form.SetEditValue(field, value);
  }
  for (const auto& [index, ticked] : changes.boxes) {
    if (!form.SetBoxChecked(index, ticked)) {
      const size_t count = form.Boxes().size();
      error = "box." + std::to_string(index) + " does not exist: this device has " + std::to_string(count) +
              " band boxes" + (count ? " (box.0 to box." + std::to_string(count - 1) + ")" : std::string());
      return false;
    }
  }
  if (changes.frequency) {
    if (!form.Frequency().visible) {
      error = "frequency is not shown for this device";
      return false;
    }
    form.SetFrequencyChecked(*changes.frequency);
  }
  return true;
}

nlohmann::ordered_json FormJson(const CSettingsForm& form, int32_t layout, int32_t revision) {
  nlohmann::ordered_json boxes = nlohmann::ordered_json::array();
  for (const SettingsBox& box : form.Boxes())
    boxes.push_back({{"caption", box.caption}, {"checked", box.checked}});
  auto edit = [&](SettingsEditField field) {
    const SettingsEdit& e = form.Edit(field);
    return nlohmann::ordered_json{{"visible", e.visible}, {"value", e.value}};
  };
  const FrequencyBox& frequency = form.Frequency();
  return {
      {"layout", layout},
      {"revision", revision},
      {"caption", form.Caption()},
      {"boxes", boxes},
      {"timeZone", edit(SettingsEditField::kTimeZone)},
      {"dayStart", edit(SettingsEditField::kDayStart)},
      {"nightStart", edit(SettingsEditField::kNightStart)},
      {"frequency",
       {{"visible", frequency.visible}, {"caption", frequency.caption}, {"checked", frequency.checked}}},
  };
}

}  // namespace

int RunSettings(CDeviceSession& session, const std::vector<std::string>& args) {
  SettingsChanges changes;
  std::string error;
  if (!ParseArgs(args, changes, error)) {
    ErrorLine() << error << "\n" << kUsage;
    return kExitUsage;
  }
  const bool showOnly = changes.Empty();

  CConsoleWindow window(session.Backend());
  session.Configure(window.Hid());
  StartAndIdentify(window);

  bool dialogRan = false;
  bool refusedByForm = false;
  std::optional<nlohmann::ordered_json> shown;
  window.SetSettingsDialog([&](const std::string& captionPrefix, int32_t layout,
                               const IdentityBlock& identity, SettingsBlock& block) {
    dialogRan = true;
    CSettingsForm form(captionPrefix, layout, identity, block);
    if (showOnly) {
      shown = FormJson(form, layout, window.SettingsRevision());
      return IDCANCEL;
    }
    if (!ApplyChanges(changes, form, error)) return IDCANCEL;
    // The dialog shows the text and stays open; here nobody corrects the
    // values, so the dialog ends without writing.
    if (const std::string_view message = form.Validate(); !message.empty()) {
      window.MessageBox(std::string(message), std::string(), MB_OK);
      refusedByForm = true;
      return IDCANCEL;
    }
    form.Apply(block);
    return IDOK;
  });
  window.HandleMessage(WM_COMMAND, kIdSettingButton, 0);

  if (!error.empty()) {
    ErrorLine() << error << "; nothing was written\n";
    return kExitUsage;
  }
  if (shown) {
    std::cout << shown->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return kExitOk;
  }
  const bool connected = window.Hid().IsConnected();
  if (!dialogRan) {
    // A refusal, already printed.
    if (connected) return kExitFailed;
    if (window.Hid().LastOpenFailure() == HidOpenFailure::kPermission)
      ErrorLine() << console_text::AccessHint(window.Hid().DevicePath()) << "\n";
    return kExitNoDevice;
  }
  if (refusedByForm) return kExitFailed;
  if (window.LastMessage().empty()) {
    ErrorLine() << "the device went away; nothing was written\n";
    return kExitNoDevice;
  }
  return (window.LastMessageFlags() & MB_ICONINFORMATION) != 0 ? kExitOk : kExitFailed;
}

}  // namespace brindle::cli
