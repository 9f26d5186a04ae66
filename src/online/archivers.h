#pragma once
// The external archivers that can unpack a downloaded update archive, found
// on PATH. The rows, their order and their command lines are fixed: WinRAR's
// console twin first, then HaoZip, then 7-Zip. Which rows may take an
// archive is decided by the archive's own first bytes, not its name: on
// Linux "rar" and "unrar" (unrar-free too) unpack RAR archives only.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brindle {

enum class ArchiverStyle {
  kRar,       // x -o+ -y -IBCK ARCHIVE *.* TARGET; TARGET must exist beforehand
  kSevenZip,  // x ARCHIVE -aoa -y -oTARGET; the program creates TARGET itself
};

// An archive's format as its signature tells it.
enum class ArchiveKind : uint8_t {
  kUnknown = 0,  // no signature of the three (or the file cannot be read)
  kZip = 1,
  kSevenZip = 2,
  kRar = 4,
};

// The kind of the archive at path by its first bytes.
ArchiveKind ArchiveKindOf(const std::string& path);

// How many first bytes of a file ArchiveKindOfHead needs at most.
inline constexpr size_t kArchiveHeadBytes = 8;
// The kind that size first bytes of a file (fewer when it is shorter) tell.
ArchiveKind ArchiveKindOfHead(const unsigned char* head, size_t size);

struct ArchiverRow {
  std::array<const char*, 2> programs;  // names tried on PATH in this order; null ends the list
  ArchiverStyle style;
  bool createsTargetFirst;
  uint8_t kinds;  // the ArchiveKind values the row's programs unpack, or-ed
};

inline constexpr uint8_t kAllKinds = static_cast<uint8_t>(ArchiveKind::kZip) |
                                     static_cast<uint8_t>(ArchiveKind::kSevenZip) |
                                     static_cast<uint8_t>(ArchiveKind::kRar);
inline constexpr std::array<ArchiverRow, 3> kArchiverTable{{
    {{"rar", "unrar"}, ArchiverStyle::kRar, true, static_cast<uint8_t>(ArchiveKind::kRar)},
    {{"HaoZipC", nullptr}, ArchiverStyle::kSevenZip, false, kAllKinds},
    {{"7z", "7zz"}, ArchiverStyle::kSevenZip, false, kAllKinds},
}};

// One archiver that fits an archive, ready to run.
struct ArchiverCommand {
  std::string program;                 // absolute path found on PATH
  std::vector<std::string> arguments;  // ArchiverArguments of its row
  std::string target;                  // the folder it unpacks into
  bool createsTargetFirst = false;     // ... which must exist before it runs
};

// The first executable regular file called name in the absolute folders of
// pathList (PATH syntax); empty when there is none. Relative entries
// (including the empty one, the current folder) are skipped so that a
// downloaded file can never be taken for an archiver.
std::string FindOnPath(const std::string& name, const std::string& pathList);

// The argument vector of a row's style for archive and target (target
// without a trailing slash).
std::vector<std::string> ArchiverArguments(ArchiverStyle style, const std::string& archive,
                                           const std::string& target);

// Every program on $PATH that fits the archive at archivePath, in table
// order (rows, then each row's names), with its command line for
// targetFolder. An archive of unknown kind fits every row: only running an
// archiver can tell then.
std::vector<ArchiverCommand> FittingArchivers(const std::string& archivePath,
                                              const std::string& targetFolder);

// The first of FittingArchivers: creates targetFolder (mode 0700) when its
// row needs it, sets programPath and arguments and returns 1. 0 when no
// program fits.
int FindArchiver(const std::string& archivePath, const std::string& targetFolder, std::string& programPath,
                 std::vector<std::string>& arguments);

}  // namespace brindle
