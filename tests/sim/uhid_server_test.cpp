// CUhidServer against a stand-in for the kernel: one end of a packet socket
// pair keeps event boundaries as /dev/uhid does, and the test plays the
// kernel's side of the protocol on the other end.
#include "sim/uhid/uhid_server.h"

#include <gtest/gtest.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "device/hid_io.h"
#include "sim/uhid/report_descriptor.h"
#include "sim/uhid/uhid_event_pump.h"

namespace brindle {
namespace {

class UhidServerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, m_fds), 0); }
  void TearDown() override {
    for (int fd : m_fds)
      if (fd >= 0) close(fd);
  }

  void Start(const SimProfile& profile = DefaultSimProfile(), uint16_t bus = kUhidBusUsb) {
    device = std::make_unique<CSimDevice>(profile);
    server = std::make_unique<CUhidServer>(m_fds[0], *device);
    ASSERT_EQ(server->Create({bus, "test device"}), 1);
    const auto created = KernelReceives();
    ASSERT_EQ(created.size(), 1u);
    ASSERT_EQ(created[0].type, UHID_CREATE2);
  }

  // What the server wrote to the kernel so far.
  std::vector<uhid_event> KernelReceives() {
    std::vector<uhid_event> events;
    uhid_event ev;
    while (recv(m_fds[1], &ev, sizeof(ev), MSG_DONTWAIT) == static_cast<ssize_t>(sizeof(ev)))
      events.push_back(ev);
    return events;
  }
  void KernelSends(const uhid_event& ev) {
    ASSERT_EQ(write(m_fds[1], &ev, sizeof(ev)), static_cast<ssize_t>(sizeof(ev)));
  }
  static uhid_event Event(uint32_t type) {
    uhid_event ev;
    std::memset(&ev, 0, sizeof(ev));
    ev.type = type;
    return ev;
  }
  // The kernel's UHID_OUTPUT for a command report as hidraw passes it on:
  // report id 0, the record, 0xCC filler.
  static uhid_event CommandOutput(const CommandFields& fields, bool withReportId = true) {
    Report report;
    report.fill(kReportFiller);
    report[0] = 0;
    const CommandRecord rec = BuildRecord(fields);
    std::copy(rec.begin(), rec.end(), report.begin() + 1);
    uhid_event ev = Event(UHID_OUTPUT);
    ev.u.output.rtype = UHID_OUTPUT_REPORT;
    const size_t skip = withReportId ? 0 : 1;
    ev.u.output.size = static_cast<uint16_t>(report.size() - skip);
    std::memcpy(ev.u.output.data, report.data() + skip, report.size() - skip);
    return ev;
  }
  static CommandRecord ReplyOf(const uhid_event& ev) {
    CommandRecord rec;
    std::memcpy(rec.data(), ev.u.input2.data, rec.size());
    return rec;
  }

  int m_fds[2] = {-1, -1};
  std::unique_ptr<CSimDevice> device;
  std::unique_ptr<CUhidServer> server;
};

TEST_F(UhidServerTest, CreateAnnouncesTheProductOnTheChosenBus) {
  for (uint16_t bus : {kUhidBusUsb, kUhidBusBluetooth, kUhidBusI2c}) {
    SCOPED_TRACE(bus);
    CSimDevice model;
    CUhidServer s(m_fds[0], model);
    ASSERT_EQ(s.Create({bus, "Brindle test"}), 1);
    const auto events = KernelReceives();
    ASSERT_EQ(events.size(), 1u);
    const uhid_create2_req& req = events[0].u.create2;
    EXPECT_EQ(events[0].type, UHID_CREATE2);
    EXPECT_EQ(req.bus, bus);
    EXPECT_EQ(req.vendor, kDeviceVendorId);
    EXPECT_EQ(req.product, kDeviceProductId);
    EXPECT_STREQ(reinterpret_cast<const char*>(req.name), "Brindle test");
    ASSERT_EQ(req.rd_size, kDeviceReportDescriptor.size());
    EXPECT_EQ(std::memcmp(req.rd_data, kDeviceReportDescriptor.data(), req.rd_size), 0);
    EXPECT_EQ(s.Destroy(), 1);
    const auto destroyed = KernelReceives();
    ASSERT_EQ(destroyed.size(), 1u);
    EXPECT_EQ(destroyed[0].type, UHID_DESTROY);
  }
}

TEST_F(UhidServerTest, AnswersACommandWithOneInputReport) {
  SimProfile p = DefaultSimProfile();
  p.version = 1234;
  Start(p);
  // Both forms of an output report: with hidraw's report id byte and without.
  for (bool withId : {true, false}) {
    SCOPED_TRACE(withId);
    KernelSends(CommandOutput({kCmdQueryVersion, kSessionAddress, kSessionCount, 0, 0, 0}, withId));
    ASSERT_EQ(server->HandleNextEvent(), CUhidServer::Step::kContinue);
    const auto events = KernelReceives();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, UHID_INPUT2);
    EXPECT_EQ(events[0].u.input2.size, kReportPayload);
    const CommandRecord reply = ReplyOf(events[0]);
    EXPECT_TRUE(IsValidRecord(reply));
    EXPECT_EQ(ReplyStatus(reply), 0u);
    EXPECT_EQ(ReplyValue(reply), 1234u);
  }
  EXPECT_EQ(server->OutputReports(), 2u);
  EXPECT_EQ(server->InputReports(), 2u);
}

TEST_F(UhidServerTest, ReadBlockSendsFourDataReportsThenTheStatus) {
  Start();
  KernelSends(CommandOutput({kCmdReadBlock, kSettingsBlock, 1, 0, kParameterArea, 0}));
  ASSERT_EQ(server->HandleNextEvent(), CUhidServer::Step::kContinue);
  const auto events = KernelReceives();
  ASSERT_EQ(events.size(), 5u);
  std::vector<uint8_t> block;
  for (size_t i = 0; i < 4; ++i) {
    ASSERT_EQ(events[i].type, UHID_INPUT2);
    block.insert(block.end(), events[i].u.input2.data, events[i].u.input2.data + kReportPayload);
  }
  const auto settings = DefaultSimSettings();
  EXPECT_EQ(block, std::vector<uint8_t>(settings.begin(), settings.end()));
  EXPECT_EQ(ReplyStatus(ReplyOf(events[4])), 0u);
}

TEST_F(UhidServerTest, ModelUnplugDestroysTheKernelDeviceOnce) {
  SimProfile p = DefaultSimProfile();
  p.faults.unplugAfterReports = 3;  // the command and the first data report pass
  Start(p);
  KernelSends(CommandOutput({kCmdReadBlock, kSettingsBlock, 1, 0, kParameterArea, 0}));
  EXPECT_EQ(server->HandleNextEvent(), CUhidServer::Step::kUnplugged);
  const auto events = KernelReceives();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, UHID_INPUT2);
  EXPECT_EQ(events[1].type, UHID_DESTROY);
  EXPECT_FALSE(server->IsCreated());
  EXPECT_EQ(server->Destroy(), 1);
  EXPECT_TRUE(KernelReceives().empty());
}

TEST_F(UhidServerTest, UnplugOnAnOutputReportSendsNothingBack) {
  SimProfile p = DefaultSimProfile();
  p.faults.unplugAfterReports = 1;
  Start(p);
  KernelSends(CommandOutput({kCmdQueryVersion, kSessionAddress, kSessionCount, 0, 0, 0}));
  EXPECT_EQ(server->HandleNextEvent(), CUhidServer::Step::kUnplugged);
  const auto events = KernelReceives();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, UHID_DESTROY);
}

TEST_F(UhidServerTest, RefusesReportRequestsAtOnce) {
  Start();
  uhid_event get = Event(UHID_GET_REPORT);
  get.u.get_report.id = 41;
  uhid_event set = Event(UHID_SET_REPORT);
  set.u.set_report.id = 42;
  KernelSends(get);
  KernelSends(set);
  ASSERT_EQ(server->HandleNextEvent(), CUhidServer::Step::kContinue);
  ASSERT_EQ(server->HandleNextEvent(), CUhidServer::Step::kContinue);
  const auto events = KernelReceives();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, UHID_GET_REPORT_REPLY);
  EXPECT_EQ(events[0].u.get_report_reply.id, 41u);
  EXPECT_EQ(events[0].u.get_report_reply.err, EIO);
  EXPECT_EQ(events[1].type, UHID_SET_REPORT_REPLY);
  EXPECT_EQ(events[1].u.set_report_reply.id, 42u);
  EXPECT_EQ(events[1].u.set_report_reply.err, EIO);
}

TEST_F(UhidServerTest, TracksTheHostsOpenAndIgnoresOtherEvents) {
  Start();
  KernelSends(Event(UHID_START));
  KernelSends(Event(UHID_OPEN));
  uhid_event feature = CommandOutput({kCmdQueryVersion, kSessionAddress, kSessionCount, 0, 0, 0});
  feature.u.output.rtype = UHID_FEATURE_REPORT;
  KernelSends(feature);
  KernelSends(Event(UHID_CLOSE));
  ASSERT_EQ(server->HandleNextEvent(), CUhidServer::Step::kContinue);
  EXPECT_FALSE(server->IsOpenByHost());
  ASSERT_EQ(server->HandleNextEvent(), CUhidServer::Step::kContinue);
  EXPECT_TRUE(server->IsOpenByHost());
  ASSERT_EQ(server->HandleNextEvent(), CUhidServer::Step::kContinue);
  ASSERT_EQ(server->HandleNextEvent(), CUhidServer::Step::kContinue);
  EXPECT_FALSE(server->IsOpenByHost());
  EXPECT_TRUE(KernelReceives().empty());
  EXPECT_EQ(device->ReportCount(), 0u);
}

TEST_F(UhidServerTest, ReportLongerThanTheDescriptorsNeverReachesTheModel) {
  Start();
  uhid_event ev = CommandOutput({kCmdQueryVersion, kSessionAddress, kSessionCount, 0, 0, 0});
  ev.u.output.size = 100;
  KernelSends(ev);
  ASSERT_EQ(server->HandleNextEvent(), CUhidServer::Step::kContinue);
  EXPECT_TRUE(KernelReceives().empty());
  EXPECT_EQ(device->ReportCount(), 0u);
}

TEST_F(UhidServerTest, ClosedChannelFails) {
  Start();
  close(m_fds[1]);
  m_fds[1] = -1;
  EXPECT_EQ(server->HandleNextEvent(), CUhidServer::Step::kFailed);
}

// The pump hands over every event in order, however many wait, and says
// when the channel has ended.
TEST_F(UhidServerTest, PumpHandsOverAllEventsInOrderThenEnds) {
  constexpr uint32_t kEvents = 100;  // well over the kernel's 32-event queue
  CUhidEventPump pump(m_fds[0]);
  ASSERT_TRUE(pump.Start());
  for (uint32_t i = 0; i < kEvents; ++i) {
    uhid_event ev = Event(UHID_GET_REPORT);
    ev.u.get_report.id = i;
    KernelSends(ev);
  }
  close(m_fds[1]);
  m_fds[1] = -1;
  std::vector<UhidHostEvent> events;
  std::vector<UhidHostEvent> batch;
  for (int polls = 0; polls < 500; ++polls) {
    pollfd fd = {pump.ReadyFd(), POLLIN, 0};
    ASSERT_GE(poll(&fd, 1, 10), 0);
    batch.clear();
    if (!pump.Take(batch)) break;
    events.insert(events.end(), batch.begin(), batch.end());
  }
  ASSERT_EQ(events.size(), kEvents);
  for (uint32_t i = 0; i < kEvents; ++i) {
    EXPECT_EQ(events[i].type, UHID_GET_REPORT);
    EXPECT_EQ(events[i].requestId, i);
  }
  EXPECT_FALSE(pump.Take(batch));
}

// More events than the ring holds, while the model is busy at first: the
// pump leaves the rest in the channel until there is room, and nothing is
// lost or reordered across the ring's wrap.
TEST_F(UhidServerTest, PumpWithAFullRingWaitsForRoomAndLosesNothing) {
  constexpr uint32_t kEvents = CUhidEventPump::kCapacity * 2 + 7;
  CUhidEventPump pump(m_fds[0]);
  ASSERT_TRUE(pump.Start());
  std::atomic<uint32_t> sent{0};
  std::thread kernel([&] {
    for (uint32_t i = 0; i < kEvents; ++i) {
      uhid_event ev = Event(UHID_GET_REPORT);
      ev.u.get_report.id = i;
      if (write(m_fds[1], &ev, sizeof(ev)) != static_cast<ssize_t>(sizeof(ev))) return;
      sent.store(i + 1);
    }
    shutdown(m_fds[1], SHUT_WR);
  });
  // Busy model: take nothing until the writer is held back by a full ring
  // and a full channel.
  uint32_t seen = 0;
  for (int i = 0; i < 1000; ++i) {
    usleep(20000);
    const uint32_t now = sent.load();
    if (now == seen && now > CUhidEventPump::kCapacity) break;
    seen = now;
  }
  EXPECT_LT(sent.load(), kEvents) << "the pump read past its ring";
  std::vector<UhidHostEvent> events;
  std::vector<UhidHostEvent> batch;
  for (int polls = 0; polls < 20000; ++polls) {
    pollfd fd = {pump.ReadyFd(), POLLIN, 0};
    if (poll(&fd, 1, 10) < 0) break;
    batch.clear();
    if (!pump.Take(batch)) break;
    events.insert(events.end(), batch.begin(), batch.end());
  }
  kernel.join();
  ASSERT_EQ(events.size(), kEvents);
  for (uint32_t i = 0; i < kEvents; ++i) ASSERT_EQ(events[i].requestId, i) << "at " << i;
}

}  // namespace
}  // namespace brindle
