#pragma once
// The external archivers that can unpack a downloaded update archive, found
// on PATH. The rows, their order and their command lines are fixed: WinRAR's
// console twin first, then HaoZip, then 7-Zip.
#include <array>
#include <string>
#include <vector>

namespace brindle {

enum class ArchiverStyle {
  kRar,       // x -o+ -y -IBCK ARCHIVE *.* TARGET; TARGET must exist beforehand
  kSevenZip,  // x ARCHIVE -aoa -y -oTARGET; the program creates TARGET itself
};

struct ArchiverRow {
  std::array<const char*, 2> programs;  // names tried on PATH in this order; null ends the list
  ArchiverStyle style;
  bool createsTargetFirst;
};

inline constexpr std::array<ArchiverRow, 3> kArchiverTable{{
    {{"rar", "unrar"}, ArchiverStyle::kRar, true},
    {{"HaoZipC", nullptr}, ArchiverStyle::kSevenZip, false},
    {{"7z", "7zz"}, ArchiverStyle::kSevenZip, false},
}};

// The first executable regular file called name in the absolute folders of
// pathList (PATH syntax); empty when there is none. Relative entries
// (including the empty one, the current folder) are skipped so that a
// downloaded file can never be taken for an archiver.
std::string FindOnPath(const std::string& name, const std::string& pathList);

// The argument vector of a row's style for archive and target (target
// without a trailing slash).
std::vector<std::string> ArchiverArguments(ArchiverStyle style, const std::string& archive,
                                           const std::string& target);

// Walks kArchiverTable over $PATH; for the first row with a program present
// creates targetFolder (mode 0700) when the row needs it, sets programPath
// and arguments and returns 1. 0 when no row qualifies.
int FindArchiver(const std::string& archivePath, const std::string& targetFolder,
                 std::string& programPath, std::vector<std::string>& arguments);

}  // namespace brindle
