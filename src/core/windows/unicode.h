#pragma once
// Texts are UTF-8 inside the program; Windows takes and gives UTF-16 at its
// wide (W) calls. These convert at that boundary. Invalid UTF-8 becomes
// U+FFFD rather than being dropped, so a bad name never turns into another
// valid one silently.
#include <string>

namespace brindle {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
std::string Narrow(const wchar_t* wide);

// An environment variable's value in UTF-8; empty when it is not set.
std::string EnvironmentText(const wchar_t* name);

// The text of a Windows error code (GetLastError), in UTF-8, without the
// trailing line break.
std::string WindowsErrorText(unsigned long code);

}  // namespace brindle
