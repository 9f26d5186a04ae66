#pragma once
// The online version file: line 1 the published database version, line 2
// the URL of the update archive. Lines after the second are ignored.
#include <string>
#include <string_view>

namespace brindle {

// Characters kept of each line; the rest of a longer line is skipped.
constexpr size_t kVersionLineMax = 259;

struct VersionFileContent {
  int version = 0;          // leading number of line 1
  std::string versionLine;  // line 1 as read, its line end included when it fit
  std::string archiveUrl;   // line 2 without one trailing CR or LF
};

// Reads the two lines from the bytes of the file as text: CR LF arrives as
// LF, each line keeps its line end and at most kVersionLineMax characters;
// the rest of a longer line is skipped. 1 when both lines hold at least one
// character, 0 otherwise (a file with one line is a failed check).
int ParseVersionFile(std::string_view bytes, VersionFileContent& content);

// Most bytes read of a version file. Its two lines end long before this
// unless a line's skipped rest is huge; such a file is a failed check.
constexpr size_t kVersionFileReadLimit = 64 * 1024;

// ParseVersionFile over the regular file at path, read only up to the end
// of its second line; 0 when it cannot be read, is not a regular file (a
// link, FIFO or device), or its second line does not end within
// kVersionFileReadLimit bytes. The file is left in place: the caller
// deletes it.
int ReadVersionFile(const std::string& path, VersionFileContent& content);

// The number at the start of text, read like the C library's atoi: leading
// white space and one sign allowed, no digits give 0. Out-of-range values
// saturate at the int limits instead of wrapping.
int LeadingNumber(std::string_view text);

}  // namespace brindle
