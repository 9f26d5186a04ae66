#include "online/archive_unpacker.h"

#include <vector>

#include "online/archivers.h"
#include "online/file_search.h"
#include "online/process_runner.h"

namespace brindle {

UnpackResult UnpackArchive(const std::string& archivePath, const std::string& targetFolder,
                           const std::atomic<bool>* stop, const std::function<bool()>& unpacked) {
  const std::vector<ArchiverCommand> commands = FittingArchivers(archivePath, targetFolder);
  if (commands.empty()) return UnpackResult::kNoArchiver;
  const auto stopped = [stop] { return stop && stop->load(std::memory_order_acquire); };
  for (const ArchiverCommand& command : commands) {
    if (stopped()) return UnpackResult::kStopped;
    DeleteFolderTree(command.target);
    if (command.createsTargetFirst) CreatePrivateFolder(command.target);
    int exitCode = -1;
    const int ran = RunAndWait(command.program, command.arguments, exitCode, stop);
    if (stopped()) return UnpackResult::kStopped;
    // A failed archiver's output may be cut short; it is never used.
    if (ran && exitCode == 0 && unpacked()) return UnpackResult::kUnpacked;
  }
  DeleteFolderTree(targetFolder);
  return UnpackResult::kFailed;
}

}  // namespace brindle
