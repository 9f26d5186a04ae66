#include "app/update_worker.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <system_error>

#include "app/brindle_window.h"
#include "app/update_archive_route.h"
#include "app/window_texts.h"
#include "online/file_search.h"
#include "online/working_folder.h"
#include "update/read_back.h"
#include "update/update_acceptance.h"
#include "update/update_causes.h"
#include "update/update_outcomes.h"

namespace brindle {

namespace {

// What a run ended with: the first line, the system's own text ("" success),
// and the cause line.
struct Ending {
  std::string outcome;
  std::string cause;
};

}  // namespace

// One run's state and steps; lives on the worker's thread.
struct CUpdateWorker::Run {
  CUpdateWorker& worker;
  CBrindleWindow& w;
  const UpdateRunInput& input;
  CSectionWriter writer;
  UpdateImage image;

  Run(CUpdateWorker& owner, const UpdateRunInput& in)
      : worker(owner),
        w(owner.m_window),
        input(in),
        writer(owner.m_window.Hid(), owner.m_progress, owner.m_stop) {}

  bool Stopped() const { return worker.StopRequested(); }

  // Why a write or a read did not get through: the device gone (or taken
  // away by a removal), silent, or the run stopped.
  std::string LinkCause(SectionName during, LinkFailure failure) const {
    if (!w.Hid().IsConnected()) return CauseDisconnected(during);
    if (Stopped()) return CauseStopped(during);
    return CauseLinkLost(during, failure, w.Hid().ReadTimeoutMs());
  }

  Ending Failed(std::string cause) const { return {kTextUpdateFailed, std::move(cause)}; }

  // The file named in the window, checked and read into memory.
  Ending Prepare(ArchiveRoute& route) {
    w.RunOnWindowThread([&] {
      w.EnableControl(kIdUpdateButton, false);
      w.EnableControl(kIdSettingButton, false);
    });
    std::string path;
    w.RunOnWindowThread([&] { path = w.GetControlText(kIdStatusText); });
    if (path.empty()) return {kTextOpenFailed, ""};

    if (!input.verifyOnly && !FileExists(path) && !input.archiveUrl.empty()) {
      std::string outcome = FetchUpdateFileFromArchive(w, input.archiveUrl, worker.m_stop, route, path);
      if (!outcome.empty()) return {outcome, ""};
    }

    CFileSource file;  // closed when the sections are in memory
    if (!file.Open(path)) {
      if (!route.archivePath.empty()) {
        std::remove(route.archivePath.c_str());
        route.archivePath.clear();
      }
      return {kTextOpenFailed, ""};  // the folder tree goes at the end of the run
    }
    UpdateDescription d;
    const int parsed = ParseUpdateFile(file, d, ChooseBrandTag(input.facts));
    std::string outcome = UpdateAcceptanceOutcome(parsed, d, w.Config());
    if (outcome == kTextVersionUnmatched)
      return {outcome, CauseOtherMaker(d.producerName.data(), trailer::kProducerCompared,
                                       w.Config().companyName.substr(0, trailer::kProducerCompared))};
    if (!outcome.empty()) return {outcome, ""};
    // Read once, right after the check: what is sent and read back is what
    // was checked, whatever happens to the file from here on.
    const ImageLoad loaded = LoadUpdateImage(file, d, image);
    if (loaded == ImageLoad::kChanged) return {kTextOpenFailed, CauseFileChanged()};
    if (loaded != ImageLoad::kLoaded) return {kTextOpenFailed, CauseFileUnreadable()};
    return {};
  }

  void BeginProgress(uint64_t bytes, const char* label) {
    const uint32_t total =
        static_cast<uint32_t>(std::min<uint64_t>(bytes, std::numeric_limits<uint32_t>::max()));
    worker.m_progress.Begin(total);
    w.RunOnWindowThread([&] {
      w.SetProgressRange(0, total);
      w.SetProgressPos(0);
      w.SetControlText(kIdProgress, label);
    });
  }

  // Sends every write in order; the first that fails ends the run, without
  // the later sections and without a closing command.
  Ending Send() {
    writer.SetDeviceVersion(w.DeviceVersion());
    BeginProgress(image.SectionBytes(), kTextUpdating);
    for (const SectionImage& s : image.writes) {
      writer.SetStage(s.destination.stage);
      const WriteResult r = writer.Write(s);
      if (r == WriteResult::kWritten) continue;
      if (r == WriteResult::kRefused) return Failed(CauseRefused(s.name, writer.Attempts()));
      if (r == WriteResult::kStopped) return Failed(LinkCause(s.name, LinkFailure::kAborted));
      return Failed(LinkCause(s.name, writer.LastLinkFailure()));
    }
    // Set on the window's thread, behind the progress messages of the last
    // reports, so that the final text shows the whole transfer and not more.
    const uint32_t total = worker.m_progress.bytesTotal.load(std::memory_order_relaxed);
    w.RunOnWindowThread([&] {
      worker.m_progress.bytesDone.store(total, std::memory_order_relaxed);
      w.ShowTransferProgress();
    });
    return {};
  }

  // Reads the image back at depth. A device that cannot be read (one that
  // restarts after the closing command, say) is opened again and read from
  // where the reading broke off, until the bound has passed, when mayWait.
  ReadBackResult Check(ReadBackDepth depth, bool mayWait) {
    writer.SetStage(kStageVerify);
    BeginProgress(ReadBackBlocks(image, depth) * kBlockSize, kTextVerifying);
    ReadBackResult r = ReadBack(w.Hid(), image, depth, worker.m_progress, worker.m_stop);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(input.readBackReturnMs);
    while (mayWait && r.kind == ReadBackResult::kUnreadable && !Stopped() &&
           std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kReadBackPollMs));
      bool reopened = false;
      if (!w.RunOnWindowThread([&] { reopened = w.ReopenDeviceForWorker(); })) break;
      if (reopened) r = ReadBack(w.Hid(), image, depth, worker.m_progress, worker.m_stop, r.write, r.block);
    }
    // The final state of the check on the bar, as after the transfer.
    if (r.kind == ReadBackResult::kSame) w.RunOnWindowThread([&] { w.ShowTransferProgress(); });
    return r;
  }

  std::string CheckCause(const ReadBackResult& r) const {
    if (r.kind == ReadBackResult::kDiffers) return CauseMemoryDiffers(image.writes[r.write].name, r.block);
    if (r.kind == ReadBackResult::kStopped) return CauseStoppedBeforeCheck();
    return CauseNotChecked(r.link);
  }

  Ending Verify() {
    const ReadBackResult r = Check(ReadBackDepth::kFull, false);
    if (r.kind == ReadBackResult::kSame) return {kTextVerifyOk, ""};
    const SectionImage& s = image.writes[r.write];
    const bool differs = r.kind == ReadBackResult::kDiffers;
    return {VerifyFailedText(s.name, r.block, differs), differs ? "" : LinkCause(s.name, r.link)};
  }

  // The closing command. Its answer changes nothing: the data is on the
  // device. A link that fails here does: the device was removed or fell
  // silent before the exchange was closed, so the run is no success.
  Ending Close() {
    CHidCmd& hid = w.Hid();
    hid.ClearTransportFailure();
    const bool honest = UsesRetries(w.DeviceVersion());
    if (honest) {
      // The device acknowledged every write: what it holds can be read
      // before the closing command hands the data over to its firmware.
      if (input.verifyAfter) {
        const ReadBackResult r = Check(ReadBackDepth::kFull, false);
        if (r.kind != ReadBackResult::kSame) return Failed(CheckCause(r));
      }
      hid.EndUpdate();
    } else {
      hid.EndSession();
    }
    if (hid.TransportFailed())
      return Failed(CauseLostAtClosing(hid.IsConnected() && hid.LastLinkFailure() == LinkFailure::kTimedOut));
    if (!honest) {
      w.RefreshConnectionState();  // identifies the device again after the run
      // Its answers prove nothing: what it kept does. The first and last
      // block of every write, or all of them when asked for; a device that
      // restarts now is waited for.
      const ReadBackResult r = Check(input.verifyAfter ? ReadBackDepth::kFull : ReadBackDepth::kEnds, true);
      if (r.kind != ReadBackResult::kSame) return Failed(CheckCause(r));
    }
    return {};
  }

  Ending Go(ArchiveRoute& route) {
    Ending e = Prepare(route);
    if (!e.outcome.empty()) return e;
    if (input.verifyOnly) return Verify();
    e = Send();
    if (!e.outcome.empty()) return e;
    return Close();
  }
};

CUpdateWorker::~CUpdateWorker() {
  RequestStop();
  if (m_thread.joinable()) m_thread.join();
}

bool CUpdateWorker::Start(UpdateRunInput input) {
  if (Running()) return false;
  Collect();
  m_stop.store(false, std::memory_order_release);
  m_outcome.clear();
  m_cause.clear();
  m_running.store(true, std::memory_order_release);
  try {
    m_thread = std::thread([this, input = std::move(input)] { RunThread(input); });
  } catch (const std::system_error&) {
    m_running.store(false, std::memory_order_release);
    return false;
  }
  return true;
}

void CUpdateWorker::Collect() {
  if (m_thread.joinable()) m_thread.join();
}

void CUpdateWorker::RunThread(const UpdateRunInput& input) {
  CBrindleWindow& w = m_window;
  ArchiveRoute route;
  Ending e;
  {
    Run run(*this, input);
    e = run.Go(route);
  }  // the sections' memory goes here
  const bool succeeded = e.outcome.empty() || e.outcome == kTextVerifyOk;

  if (!route.tempFolder.empty()) DeleteFolderTree(route.tempFolder);
  // An archive the run left (one without an update file, one to unpack by
  // hand) outlives the run's own folder, as it outlived the run before.
  if (!route.archivePath.empty()) route.archivePath = KeepInWorkingFolder(route.archivePath);
  MarkTransferStage(m_progress, w.Hid(), kStageFinished);
  m_progress.attempt.store(0, std::memory_order_relaxed);
  m_outcome = e.outcome;
  m_cause = e.cause;
  const std::string shown = OutcomeWithCause(e.outcome.empty() ? kTextUpdateSucceeded : e.outcome, e.cause);
  if (succeeded) {
    w.RunOnWindowThread([&] { w.MessageBox(shown, text::kTitle, MB_ICONINFORMATION); });
  } else if (!StopRequested()) {
    m_progress.Clear();
    w.RunOnWindowThread([&] {
      w.SetControlText(kIdProgress, "");
      w.SetProgressPos(0);
      w.EnableControl(kIdUpdateButton, true);
      w.EnableControl(kIdSettingButton, true);
      w.MessageBox(shown, "", MB_ICONERROR);
    });
  }
  // Last acts: after the store the window may collect this thread.
  m_running.store(false, std::memory_order_release);
  w.PostMessage(WM_UPDATE_WORKER_ENDED, 0, 0);
}

}  // namespace brindle
