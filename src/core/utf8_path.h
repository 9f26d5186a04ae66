#pragma once
// A file system path from the program's UTF-8 text. std::filesystem takes a
// plain std::string in the system's narrow encoding, which on Windows is not
// UTF-8 for the standard library; the char8_t form is UTF-8 everywhere.
#include <filesystem>
#include <string>

namespace brindle {

inline std::filesystem::path Utf8Path(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace brindle
