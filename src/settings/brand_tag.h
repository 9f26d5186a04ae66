#pragma once
// Which model code an update file's brand section is chosen by, from what the
// device told about itself. It reads the settings layouts, so it lives beside
// them; the update-file parser only gets the resulting code.
#include <cstdint>

#include "core/model_tag.h"
#include "settings/settings_layout.h"

namespace brindle {

// What the brand lookup needs to know about the connected device.
struct DeviceFacts {
  int32_t settingsLayout = -1;  // 3, 2, 1, 0 or -1 as classified
  SettingsBlock settingsBlock{};
  IdentityBlock identityBlock{};
};

constexpr uint32_t kTagGravo = MakeTag('R', 'Q', 'Z', 'D');  // devices whose identity begins "Gravo"
constexpr uint32_t kTagExo = MakeTag('E', 'X', 'O', ' ');    // devices whose identity begins "EXO"

// The model code the brand section is chosen by: the settings block's model
// code for layouts 3 and 2, else a tag derived from the identity text (0 when
// none applies).
uint32_t ChooseBrandTag(const DeviceFacts& facts);

}  // namespace brindle
