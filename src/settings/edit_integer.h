#pragma once
// The settings dialog's edit boxes hold signed decimal integers. Every front
// end reads their text the same way and answers other text with one prompt.
#include <cstdint>
#include <string_view>

namespace brindle {

inline constexpr std::string_view kNotAnIntegerPrompt = "Please enter an integer.";

// Optional blanks, an optional sign, decimal digits, optional blanks, within
// the 32-bit range. 1 and *value set, or 0 when the text is no integer.
int ParseEditInteger(std::string_view text, int32_t* value);

}  // namespace brindle
