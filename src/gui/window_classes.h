#pragma once
// The window classes by which this tool and its two sibling tools find each
// other's main window.
namespace brindle {

inline constexpr const char* kWindowClassName = "UPDATE_FLASH_CLASS";
// Searched in this order by a second start: ours, then the siblings'.
inline constexpr const char* kWindowClassNames[] = {"UPDATE_FLASH_CLASS", "UPDATE_PROGRAM_CLASS",
                                                    "UPDATE_DATA_CLASS"};

}  // namespace brindle
