#pragma once
// The local side of a download. The body is written to a new file in the
// target's folder that replaces the target only once the whole body is
// there: a failed or interrupted download leaves an existing target as it
// was and no partial file. The new file has no name while it is written
// (O_TMPFILE), so even a killed process leaves nothing behind; where the
// file system cannot do that, it gets a name that marks it as ours and
// names our process, and the next download beside that target removes it
// once that process is gone.
#include <cstdint>
#include <string>

#include "core/unique_fd.h"

namespace brindle {

enum class TargetKind {
  kAbsent,
  kRegular,
  kOther,  // a symbolic link, folder, FIFO, socket or device: never written
};

// What is at path now, not following a symbolic link. On an error other
// than "no such file" returns kAbsent with error set (0 otherwise).
TargetKind DownloadTargetKind(const std::string& path, int& error);

class CDownloadFile {
 public:
  CDownloadFile() = default;
  // An open file that was never committed is discarded.
  ~CDownloadFile() { Discard(); }
  CDownloadFile(const CDownloadFile&) = delete;
  CDownloadFile& operator=(const CDownloadFile&) = delete;

  // Opens a new, empty file in the folder of target (mode 0666 less the
  // umask). 0, or the errno of the failure.
  int Create(const std::string& target);
  // Copies the first bytes of the regular file at source into the new file
  // and sets its length to exactly bytes (zeros past the end of source), so
  // a resumed download goes on from there. 0 or an errno.
  int StartWith(const std::string& source, uint64_t bytes);
  int Fd() const { return m_fd.Get(); }
  bool IsOpen() const { return m_fd.IsOpen(); }
  // Puts the new file in the target's place and closes it. Refused (EEXIST)
  // when something other than a regular file has appeared at the target
  // meanwhile. 0 or an errno; on failure the new file is gone.
  int Commit();
  // Closes and removes the new file; the target is untouched.
  void Discard();

 private:
  // A free name beside the target for the new file.
  std::string NewName() const;

  CUniqueFd m_fd;  // the new file while it is written
  std::string m_target;
  std::string m_named;  // the new file's name while it has one
};

// Prefix of the names of new files beside target, before the process id:
// "." + the target's name + ".part-".
std::string DownloadPartPrefix(const std::string& target);

// Whether the new file may replace target now: 0 when target is absent or a
// regular file, EEXIST when something else stands there (it appeared during
// the download), else the errno of looking.
int TargetReplaceableError(const std::string& target);

// Removes new files that a process which no longer runs left beside target.
void RemoveStaleDownloadParts(const std::string& target);

}  // namespace brindle
