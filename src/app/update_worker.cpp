#include "app/update_worker.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>
#include <vector>

#include "app/update_archive_route.h"
#include "app/update_worker_access.h"
#include "app/window_texts.h"
#include "core/byte_sum.h"
#include "core/scrambled_byte_sum.h"
#include "online/file_search.h"
#include "online/working_folder.h"
#include "update/pad_to_256.h"
#include "update/update_acceptance.h"
#include "update/update_outcomes.h"

namespace brindle {

namespace {

using Shared = UpdateWorkerAccess;

// A stop request, or a device that went away: no further write is started.
bool WritesStopped(CBrindleWindow& w) {
  return Shared::StopRequest(w).load(std::memory_order_acquire) || !w.Hid().IsConnected();
}

// How one write attempt ended.
enum class Attempt {
  kWritten,     // the data went out and the device acknowledged it
  kRefused,     // the device answered, but not with success
  kLinkFailed,  // a report was not moved: device gone, silent or broken
  kCancelled,   // a stop request or a removal cut the data short
};

// One attempt: the WriteBlocks command and, only when it went out, the data
// with its status reply.
Attempt WriteAttempt(CBrindleWindow& w, const SectionDestination& d, uint32_t count, uint32_t dataLength,
                     uint32_t checksum, const uint8_t* data) {
  CHidCmd& hid = w.Hid();
  hid.ClearTransportFailure();
  if (!hid.SendCommand(kCmdWriteBlocks, d.block, count, dataLength, d.area, checksum))
    return Attempt::kLinkFailed;
  const int sent = hid.SendBlocks(count, data);
  if (sent == static_cast<int>(count * kBlockSize)) return Attempt::kWritten;
  if (hid.TransportFailed()) return Attempt::kLinkFailed;
  // SendBlocks returns 0 without a transport failure only when cancelled.
  if (sent == 0) return Attempt::kCancelled;
  return Attempt::kRefused;
}

// The write with the retry rules of the device's version.
int WriteWithRules(CBrindleWindow& w, const SectionDestination& d, uint32_t count, uint32_t dataLength,
                   uint32_t checksum, const uint8_t* data) {
  if (!UsesRetries(w.DeviceVersion())) {
    // Older devices answer writes without meaning: one attempt whose answer
    // is ignored. Only the answer, though: data that never reached the
    // device, because the link failed or the write was cut short, fails the
    // section like on any other device.
    if (WritesStopped(w)) return 0;
    Shared::Attempt(w).store(1, std::memory_order_relaxed);
    const Attempt a = WriteAttempt(w, d, count, dataLength, checksum, data);
    return a == Attempt::kWritten || a == Attempt::kRefused ? 1 : 0;
  }
  const int attempts = d.retried ? kRetriedAttempts : 1;
  // A retry resends the whole write, so the progress goes back to where the
  // write began.
  const uint32_t remembered = w.BytesDone();
  for (int i = 0; i < attempts; ++i) {
    // Checked between attempts so a closing window or a removed device ends
    // the run instead of starting ten more writes.
    if (WritesStopped(w)) return 0;
    Shared::Attempt(w).store(static_cast<uint32_t>(i + 1), std::memory_order_relaxed);
    if (WriteAttempt(w, d, count, dataLength, checksum, data) == Attempt::kWritten) return 1;
    if (d.retried) Shared::BytesDone(w).store(remembered, std::memory_order_relaxed);
  }
  return 0;
}

// Reads size bytes at offset into data, with room reserved for the padding
// so that padding never copies the section.
bool ReadSection(IByteSource& file, uint64_t offset, uint32_t size, std::vector<uint8_t>& data) {
  try {
    data.reserve((size_t{size} + kBlockSize - 1) / kBlockSize * kBlockSize);
    data.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return file.ReadAt(offset, data.data(), size) == size;
}

int SendPadded(CBrindleWindow& w, std::vector<uint8_t>& data, uint32_t size, const SectionDestination& d) {
  if (!PadTo256(data)) return 0;
  const uint32_t padded = static_cast<uint32_t>(data.size());
  const uint32_t checksum = SectionChecksum(data.data(), padded, size, d.scrambled);
  return WriteWithRules(w, d, padded / kBlockSize, d.scrambled ? size : 0, checksum, data.data());
}

}  // namespace

int SendSection(CBrindleWindow& w, uint32_t size, IByteSource& file, uint64_t fileOffset,
                const SectionDestination& destination) {
  if (!w.Hid().IsConnected()) return 0;
  std::vector<uint8_t> data;
  if (!ReadSection(file, fileOffset, size, data)) return 0;
  return SendPadded(w, data, size, destination);
}

int SendBrandSection(CBrindleWindow& w, IByteSource& file, const UpdateDescription& description) {
  const SectionSpan& b = description.b;
  std::vector<uint8_t> data;
  if (!ReadSection(file, b.offset, b.size, data)) return 0;
  const TransferHeader header = BuildTransferHeader(b.size, ScrambledByteSum(data.data(), b.size));
  w.SetTransferStage(kStageBrandHeader);
  if (!WriteWithRules(w, kDestinationHeader, 1, 0, ByteSum(header.data(), header.size()), header.data()))
    return 0;
  w.SetTransferStage(kStageBrandData);
  return SendPadded(w, data, b.size, kDestinationBrand);
}

namespace {

// One run, from the file named in the window to the closing command; the
// outcome text, empty on success. route is
// filled as the archive route sets up its working files.
std::string RunUpdate(CBrindleWindow& w, const UpdateRunInput& input, ArchiveRoute& route) {
  w.RunOnWindowThread([&] {
    w.EnableControl(kIdUpdateButton, false);
    w.EnableControl(kIdSettingButton, false);
  });
  std::string path;
  w.RunOnWindowThread([&] { path = w.GetControlText(kIdStatusText); });
  if (path.empty()) return kTextOpenFailed;

  if (!FileExists(path) && !input.archiveUrl.empty()) {
    std::string outcome = FetchUpdateFileFromArchive(w, input.archiveUrl, route, path);
    if (!outcome.empty()) return outcome;
  }

  CFileSource file;  // closed when the run leaves this function
  if (!file.Open(path)) {
    if (!route.archivePath.empty()) {
      std::remove(route.archivePath.c_str());
      route.archivePath.clear();
    }
    return kTextOpenFailed;  // the folder tree goes at the end of the run
  }

  UpdateDescription d;
  const int parsed = ParseUpdateFile(file, d, ChooseBrandTag(input.facts));
  std::string outcome = UpdateAcceptanceOutcome(parsed, d, w.Config());
  if (!outcome.empty()) return outcome;

  const uint32_t total =
      static_cast<uint32_t>(std::min<uint64_t>(d.TotalSize(), std::numeric_limits<uint32_t>::max()));
  Shared::BytesDone(w).store(0, std::memory_order_relaxed);
  Shared::Attempt(w).store(0, std::memory_order_relaxed);
  Shared::ProgressTicks(w).store(0, std::memory_order_relaxed);
  Shared::BytesTotal(w).store(total, std::memory_order_relaxed);
  w.RunOnWindowThread([&] {
    w.SetProgressRange(0, total);
    w.SetProgressPos(0);
    w.SetControlText(kIdProgress, kTextUpdating);
  });

  // A failed step ends the run: later sections are not sent and no closing
  // command follows.
  const auto send = [&](const SectionSpan& s, const SectionDestination& dest) {
    if (s.size == 0) return true;
    w.SetTransferStage(dest.stage);
    return SendSection(w, s.size, file, s.offset, dest) != 0;
  };
  if (!send(d.a, kDestinationA)) return kTextUpdateFailed;
  if (d.b.size != 0 && !SendBrandSection(w, file, d)) return kTextUpdateFailed;
  if (!send(d.c, kDestinationC) || !send(d.d, kDestinationD) || !send(d.e, kDestinationE))
    return kTextUpdateFailed;

  // Set on the window's thread, behind the progress messages of the last
  // reports, so that the final text shows the whole transfer and not more.
  w.RunOnWindowThread([&] {
    Shared::BytesDone(w).store(total, std::memory_order_relaxed);
    w.ShowTransferProgress();
  });
  // The closing command's answer changes nothing: the data is on the device.
  // A link that fails here does: the device was removed or fell silent
  // before the exchange was closed, so the run is not reported as a success.
  w.Hid().ClearTransportFailure();
  if (UsesRetries(w.DeviceVersion())) {
    w.Hid().EndUpdate();
  } else {
    w.Hid().EndSession();
    w.RefreshConnectionState();  // identifies the device again
  }
  if (w.Hid().TransportFailed()) return kTextUpdateFailed;
  return {};
}

}  // namespace

int UpdateWorker(CBrindleWindow& w, const UpdateRunInput& input) {
  ArchiveRoute route;
  const std::string outcome = RunUpdate(w, input, route);

  if (!route.tempFolder.empty()) DeleteFolderTree(route.tempFolder);
  // An archive the run left (one without an update file, one to unpack by
  // hand) outlives the run's own folder, as it outlived the run before.
  if (!route.archivePath.empty()) route.archivePath = KeepInWorkingFolder(route.archivePath);
  w.SetTransferStage(kStageFinished);
  Shared::Attempt(w).store(0, std::memory_order_relaxed);
  Shared::Outcome(w) = outcome;
  if (outcome.empty()) {
    w.RunOnWindowThread([&] { w.MessageBox(kTextUpdateSucceeded, text::kTitle, MB_ICONINFORMATION); });
  } else if (!Shared::StopRequest(w).load(std::memory_order_acquire)) {
    Shared::BytesTotal(w).store(0, std::memory_order_relaxed);
    Shared::BytesDone(w).store(0, std::memory_order_relaxed);
    w.RunOnWindowThread([&] {
      w.SetControlText(kIdProgress, "");
      w.EnableControl(kIdUpdateButton, true);
      w.EnableControl(kIdSettingButton, true);
      w.MessageBox(outcome, "", MB_ICONERROR);
    });
  }
  // Last acts: after the store the window may collect this thread.
  Shared::Running(w).store(0, std::memory_order_release);
  w.PostMessage(WM_UPDATE_WORKER_ENDED, 0, 0);
  return 0;
}

}  // namespace brindle
