// The update as it goes to the device, without a window: the image read
// from the file once, the section writer's retry rules and counters, and the
// read-back that proves what the device kept.
#include "update/section_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "core/byte_order.h"
#include "core/byte_sum.h"
#include "core/scrambled_byte_sum.h"
#include "sim/sim_backend.h"
#include "temp_dir.h"
#include "update/read_back.h"
#include "update/section_image.h"
#include "update/update_file_builder.h"

namespace brindle {
namespace {

using test::Bytes;
using test::Input;
using test::kCompany;
using test::Pack;

constexpr uint32_t kModel = MakeTag('B', 'R', '0', '1');

UpdateImage ImageOf(const std::vector<uint8_t>& file) {
  CMemorySource source(file.data(), file.size());
  UpdateDescription d;
  EXPECT_EQ(ParseUpdateFile(source, d, kModel), kParseOk);
  UpdateImage image;
  EXPECT_EQ(LoadUpdateImage(source, d, image), ImageLoad::kLoaded);
  return image;
}

TEST(UpdateImageTest, HoldsEveryWriteInSendingOrderPaddedWithItsChecksum) {
  const auto a = Bytes(600, 1), b = Bytes(300, 2), c = Bytes(0x2001, 3), d = Bytes(0x100, 4), e = Bytes(5, 5);
  const UpdateImage image = ImageOf(Pack(Input(kCompany, a, c, d, e, {{kModel, b}})));
  struct Expect {
    SectionName name;
    const SectionDestination& dest;
    const std::vector<uint8_t>* bytes;  // null: the header block
  };
  const Expect expected[] = {
      {SectionName::kA, kDestinationA, &a},     {SectionName::kHeader, kDestinationHeader, nullptr},
      {SectionName::kB, kDestinationBrand, &b}, {SectionName::kC, kDestinationC, &c},
      {SectionName::kD, kDestinationD, &d},     {SectionName::kE, kDestinationE, &e}};
  ASSERT_EQ(image.writes.size(), std::size(expected));
  for (size_t i = 0; i < image.writes.size(); ++i) {
    const SectionImage& s = image.writes[i];
    SCOPED_TRACE(SectionNameText(s.name));
    EXPECT_EQ(s.name, expected[i].name);
    EXPECT_EQ(s.destination.block, expected[i].dest.block);
    EXPECT_EQ(s.data.size() % kBlockSize, 0u);
    if (const auto* bytes = expected[i].bytes) {
      ASSERT_EQ(s.size, bytes->size());
      EXPECT_TRUE(std::equal(bytes->begin(), bytes->end(), s.data.begin()));
      EXPECT_TRUE(
          std::all_of(s.data.begin() + bytes->size(), s.data.end(), [](uint8_t x) { return x == 0xFF; }));
      EXPECT_EQ(s.data.size(), (bytes->size() + 255) / 256 * 256);
    }
    EXPECT_EQ(s.checksum, SectionChecksum(s.data.data(), s.data.size(), s.size, s.destination.scrambled));
    EXPECT_EQ(s.dataLength, s.destination.scrambled ? s.size : 0u);
  }
  const SectionImage& header = image.writes[1];
  EXPECT_EQ(LoadLE32(header.data.data() + transfer_header::kPayloadLength), b.size());
  EXPECT_EQ(LoadLE32(header.data.data() + transfer_header::kPayloadChecksum),
            ScrambledByteSum(b.data(), b.size()));
  EXPECT_EQ(header.checksum, ByteSum(header.data.data(), header.data.size()));
  EXPECT_EQ(image.SectionBytes(), a.size() + b.size() + c.size() + d.size() + e.size());
  EXPECT_EQ(image.PaddedBytes(), 768u + 256 + 512 + 0x2100 + 0x100 + 256);
  EXPECT_EQ(SectionNameText(image.writes[2].name), std::string("B"));
}

TEST(UpdateImageTest, AFileWrittenToAfterItWasOpenedIsNotTaken) {
  test::CTempDir dir;
  const std::string path = dir.Path() + "/update.dwm";
  const auto bytes = Pack(Input(kCompany, Bytes(600, 1), Bytes(700, 3)));
  const auto write = [&](std::ios::openmode mode, const std::vector<uint8_t>& data) {
    std::ofstream(path, std::ios::binary | mode)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  };
  for (const bool change : {false, true}) {
    SCOPED_TRACE(change ? "appended to after the check" : "left alone");
    write(std::ios::trunc, bytes);
    CFileSource file;
    ASSERT_TRUE(file.Open(path));
    UpdateDescription d;
    ASSERT_EQ(ParseUpdateFile(file, d, kModel), kParseOk);
    // Another program writes to the file between the check and the read
    // of the sections (the file's size tells on every system).
    if (change) write(std::ios::app, {0x55});
    UpdateImage image;
    EXPECT_EQ(LoadUpdateImage(file, d, image), change ? ImageLoad::kChanged : ImageLoad::kLoaded);
    EXPECT_EQ(file.Unchanged(), !change);
  }
}

// Adds the acknowledged bytes of the transfer stages to the progress, as
// the window does with the command layer's messages.
class CProgressCounter final : public IMessageTarget {
 public:
  explicit CProgressCounter(TransferProgress& p) : m_progress(p) {}
  void PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_HID_BYTES_SENT && CountsAsProgress(wParam))
      m_progress.bytesDone.fetch_add(static_cast<uint32_t>(lParam), std::memory_order_relaxed);
  }

 private:
  TransferProgress& m_progress;
};

class SectionWriterTest : public ::testing::Test {
 protected:
  void Open(const SimProfile& profile) {
    sim = std::make_shared<CSimDevice>(profile);
    hid = std::make_unique<CHidCmd>(std::make_shared<CSimBackend>(sim));
    hid->SetLockFolder(lockDir.Path());
    hid->SetReadTimeoutMs(100);
    hid->SetProgressWindow(&counter);
    ASSERT_EQ(hid->Connect(), 1);
    writer = std::make_unique<CSectionWriter>(*hid, progress, stop);
    writer->SetDeviceVersion(static_cast<int32_t>(profile.version));
  }
  size_t Writes() const {
    const auto log = sim->CommandLog();
    return static_cast<size_t>(std::count_if(log.begin(), log.end(),
                                             [](const auto& c) { return c.fields.code == kCmdWriteBlocks; }));
  }
  std::vector<uint8_t> Memory(const SectionImage& s) const {
    const auto area = sim->AreaCopy(s.destination.area);
    const auto begin = area.begin() + std::ptrdiff_t{s.destination.block} * kBlockSize;
    return {begin, begin + static_cast<std::ptrdiff_t>(s.data.size())};
  }

  test::CTempDir lockDir;
  std::shared_ptr<CSimDevice> sim;
  std::unique_ptr<CHidCmd> hid;
  TransferProgress progress;
  CProgressCounter counter{progress};
  std::atomic<bool> stop{false};
  std::unique_ptr<CSectionWriter> writer;
};

TEST_F(SectionWriterTest, RetryRulesFollowTheVersionAndTheProgressStartsOverWithEachAttempt) {
  struct Case {
    const char* name;
    uint32_t version;
    bool retried;  // section A, else C
    int64_t failWrites, silentAfter, unplugAfter;
    WriteResult result;
    int attempts;
    LinkFailure link;
    bool stored;
  };
  const Case cases[] = {
      {"1008, A refused nine times", 1008, true, 9, -1, -1, WriteResult::kWritten, 10, LinkFailure::kNone,
       true},
      {"1008, A refused ten times", 1008, true, 10, -1, -1, WriteResult::kRefused, 10, LinkFailure::kNone,
       false},
      {"1008, C refused once", 1008, false, 1, -1, -1, WriteResult::kRefused, 1, LinkFailure::kNone, false},
      {"1007, C refused: the answer is ignored", 1007, false, 1, -1, -1, WriteResult::kWritten, 1,
       LinkFailure::kNone, false},
      {"1008, C: device silent in the data", 1008, false, 0, 5, -1, WriteResult::kLinkLost, 1,
       LinkFailure::kTimedOut, false},
      {"1007, C: device gone in the data", 1007, false, 0, -1, 5, WriteResult::kLinkLost, 1,
       LinkFailure::kBroken, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimProfile p = DefaultSimProfile();
    p.version = c.version;
    p.faults.failWrites = c.failWrites;
    p.faults.silentAfterReports = c.silentAfter;
    p.faults.unplugAfterReports = c.unplugAfter;
    Open(p);
    const auto section = Bytes(0x1000, 7);
    const UpdateImage image =
        ImageOf(Pack(c.retried ? Input(kCompany, section) : Input(kCompany, {}, section)));
    const SectionImage& s = image.writes.at(0);
    progress.Begin(static_cast<uint32_t>(image.SectionBytes()));
    progress.bytesDone = 100;  // what earlier sections moved
    writer->SetStage(s.destination.stage);
    EXPECT_EQ(writer->Write(s), c.result);
    EXPECT_EQ(writer->Attempts(), c.attempts);
    EXPECT_EQ(progress.attempt.load(), static_cast<uint32_t>(c.attempts));
    EXPECT_EQ(writer->LastLinkFailure(), c.link);
    // A write cut short by the link never counts as received.
    EXPECT_EQ(Writes(), c.link == LinkFailure::kNone ? static_cast<size_t>(c.attempts) : 0u);
    EXPECT_EQ(Memory(s) == s.data, c.stored);
    if (c.result == WriteResult::kWritten) {
      // One attempt's bytes, not ten.
      EXPECT_EQ(progress.bytesDone.load(), 100u + s.data.size());
    } else if (c.retried) {
      EXPECT_EQ(progress.bytesDone.load(), 100u) << "a failed write takes its bytes back";
    }
  }
}

TEST_F(SectionWriterTest, AStopRequestStartsNoWrite) {
  Open(DefaultSimProfile());
  const UpdateImage image = ImageOf(Pack(Input(kCompany, Bytes(600, 1))));
  stop = true;
  EXPECT_EQ(writer->Write(image.writes.at(0)), WriteResult::kStopped);
  EXPECT_EQ(Writes(), 0u);
  stop = false;
  hid->MarkDisconnected();  // a removal the window has seen
  EXPECT_EQ(writer->Write(image.writes.at(0)), WriteResult::kStopped);
  EXPECT_EQ(Writes(), 0u);
}

TEST_F(SectionWriterTest, ReadBackFindsTheFirstBlockThatDiffersAtTheDepthAskedFor) {
  Open(DefaultSimProfile());
  const UpdateImage image =
      ImageOf(Pack(Input(kCompany, Bytes(0x600, 1), Bytes(0x900, 3), {}, {}, {{kModel, Bytes(0x300, 2)}})));
  for (const SectionImage& s : image.writes) ASSERT_EQ(writer->Write(s), WriteResult::kWritten);
  // Ends: the first and last block of each write; the header is one block.
  EXPECT_EQ(ReadBackBlocks(image, ReadBackDepth::kEnds), 2u + 1 + 2 + 2);
  EXPECT_EQ(ReadBackBlocks(image, ReadBackDepth::kFull), 6u + 1 + 3 + 9);
  EXPECT_EQ(ReadBack(*hid, image, ReadBackDepth::kFull, progress, stop).kind, ReadBackResult::kSame);

  // Section C changed in a middle block behind the update's back: only the
  // full read-back sees it, and names the block.
  const SectionImage& c = image.writes.at(3);
  std::vector<uint8_t> other(kBlockSize, 0x5A);
  ASSERT_EQ(hid->SendCommand(kCmdWriteBlocks, c.destination.block + 4, 1, 0, c.destination.area, 0), 1);
  ASSERT_EQ(hid->SendBlocks(1, other.data()), 256);
  progress.Begin(0);
  EXPECT_EQ(ReadBack(*hid, image, ReadBackDepth::kEnds, progress, stop).kind, ReadBackResult::kSame);
  EXPECT_EQ(progress.bytesDone.load(), 7u * kBlockSize) << "every block read counts";
  const ReadBackResult full = ReadBack(*hid, image, ReadBackDepth::kFull, progress, stop);
  EXPECT_EQ(full.kind, ReadBackResult::kDiffers);
  EXPECT_EQ(full.write, 3u);
  EXPECT_EQ(full.block, c.destination.block + 4);
  // Started past the difference, it finds none.
  EXPECT_EQ(ReadBack(*hid, image, ReadBackDepth::kFull, progress, stop, 3, c.destination.block + 5).kind,
            ReadBackResult::kSame);

  stop = true;
  EXPECT_EQ(ReadBack(*hid, image, ReadBackDepth::kFull, progress, stop).kind, ReadBackResult::kStopped);
}

TEST_F(SectionWriterTest, ReadBackOfADeviceThatAcknowledgedSomethingElseOrStoppedAnswering) {
  struct Case {
    const char* name;
    int64_t badStore, silentAfter;
    ReadBackResult::Kind kind;
    uint32_t block;
    LinkFailure link;
  };
  const Case cases[] = {
      {"kept another first byte", 1, -1, ReadBackResult::kDiffers, 0x00, LinkFailure::kNone},
      {"silent from the first report", 0, 0, ReadBackResult::kUnreadable, 0x00, LinkFailure::kTimedOut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimProfile p = DefaultSimProfile();
    p.faults.badStore = c.badStore;
    p.faults.silentAfterReports = c.silentAfter;
    Open(p);
    const UpdateImage image = ImageOf(Pack(Input(kCompany, Bytes(0x600, 1))));
    if (c.silentAfter < 0) {
      ASSERT_EQ(writer->Write(image.writes.at(0)), WriteResult::kWritten) << "acknowledged all the same";
    }
    const ReadBackResult r = ReadBack(*hid, image, ReadBackDepth::kEnds, progress, stop);
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(r.write, 0u);
    EXPECT_EQ(r.block, c.block);
    EXPECT_EQ(r.link, c.link);
  }
}

}  // namespace
}  // namespace brindle
