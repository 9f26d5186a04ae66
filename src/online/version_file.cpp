#include "online/version_file.h"

#include <unistd.h>

#include <cerrno>
#include <climits>

#include "online/file_search.h"

namespace brindle {

namespace {

// One line of text mode reading starting at pos: CR LF becomes LF, the read
// ends after LF, and only the first kVersionLineMax characters are kept. An
// embedded NUL ends the line's text as it would in a C string.
std::string NextLine(std::string_view bytes, size_t& pos) {
  std::string line;
  bool cut = false;
  while (pos < bytes.size()) {
    char c = bytes[pos++];
    if (c == '\r' && pos < bytes.size() && bytes[pos] == '\n') c = bytes[pos++];
    if (c == '\0') cut = true;
    if (!cut && line.size() < kVersionLineMax) line.push_back(c);
    if (c == '\n') break;
  }
  return line;
}

}  // namespace

int LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

int ParseVersionFile(std::string_view bytes, VersionFileContent& content) {
  size_t pos = 0;
  const std::string line1 = NextLine(bytes, pos);
  std::string line2 = NextLine(bytes, pos);
  if (line1.empty() || line2.empty()) return 0;
  if (line2.back() == '\r' || line2.back() == '\n') line2.pop_back();
  content.version = LeadingNumber(line1);
  content.versionLine = line1;
  content.archiveUrl = line2;
  return 1;
}

int ReadVersionFile(const std::string& path, VersionFileContent& content) {
  // Only a regular file is read: a link is not followed and a FIFO or
  // device is never waited on.
  const CUniqueFd fd = OpenRegularFile(path);
  if (!fd) return 0;
  // Reading stops after the second line end: the rest is never used.
  std::string bytes;
  char buffer[512];
  size_t lineEnds = 0;
  bool complete = false;
  while (bytes.size() < kVersionFileReadLimit) {
    const ssize_t n = read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return 0;
    if (n == 0) {
      complete = true;
      break;
    }
    for (ssize_t i = 0; i < n && lineEnds < 2; ++i) {
      bytes.push_back(buffer[i]);
      if (buffer[i] == '\n') ++lineEnds;
    }
    if (lineEnds == 2) {
      complete = true;
      break;
    }
  }
  // A second line cut off by the limit would give a wrong archive URL.
  if (!complete) return 0;
  return ParseVersionFile(bytes, content);
}

}  // namespace brindle
