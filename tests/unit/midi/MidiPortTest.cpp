// Message packing, the bytes put on the wire, the key-up table and the reset bookkeeping.
#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "midi/DeviceList.h"
#include "midi/JackClient.h"
#include "midi/JackQueue.h"
#include "midi/Keys.h"
#include "midi/Recording.h"
#include "midi/Synth.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Pack, ExamplesOfTheMessageSites) {
  EXPECT_EQ(midi::pack(0xCF, 127, 0), 0x00007FCFu);   // program "128" on channel "16"
  EXPECT_EQ(midi::pack(0x80, 60, 127), 0x007F3C80u);  // key-up of numeric keypad 1
  EXPECT_EQ(midi::pack(0x90, 60, 100), 0x00643C90u);  // pad press, note 60, velocity 100
}

TEST(WireBytes, LengthFollowsTheStatusAndDataBytesStayBelow0x80) {
  struct Case {
    midi::ShortMsg msg;
    Bytes wire;
  } cases[] = {
      {{0x90, 60, 100}, {0x90, 60, 100}},
      {{0x8F, 0, 0}, {0x8F, 0, 0}},
      {{0xCF, 127, 0}, {0xCF, 127}},  // two bytes: a third would be a second program change
      {{0xC0, 4, 99}, {0xC0, 4}},
      {{0x90, 128, 100}, {}},  // key entries 128–131 are not MIDI notes: not sent
      {{0x80, 131, 0}, {}},
      {{0x90, -1, 100}, {}},
      {{0x90, 60, 200}, {0x90, 60, 127}},  // a velocity out of range is clamped
      {{0x90, 60, -1}, {0x90, 60, 0}},
      {{0xC0, 128, 0}, {}},
      {{0x3C, 0, 0}, {}},      // no status byte
      {{0xF8, 5, 7}, {0xF8}},  // MIDI clock: real-time messages are a single byte
      {{0xFA, 0, 0}, {0xFA}},
      {{0xFB, 0, 0}, {0xFB}},
      {{0xFC, 0, 0}, {0xFC}},
      {{0xF2, 0x10, 0x02}, {0xF2, 0x10, 0x02}},  // song position
      {{0xF2, 128, 0}, {}},
      {{0xF2, 0, -1}, {}},
      {{0xF0, 0, 0}, {}},  // no system exclusive, tune request, active sensing or reset
      {{0xF6, 0, 0}, {}},
      {{0xFE, 0, 0}, {}},
      {{0xFF, 0, 0}, {}},
      {{0x1F8, 0, 0}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << std::hex << c.msg.status << " " << c.msg.data1 << " " << c.msg.data2);
    EXPECT_EQ(midi::wireBytes(c.msg), c.wire);
  }
}

TEST(KeyUpNote, TableAndOtherKeys) {
  const std::pair<int, int> table[] = {{97, 60},  {115, 61}, {100, 62}, {102, 63},
                                       {103, 64}, {104, 65}, {106, 66}, {107, 67}};
  for (auto [key, note] : table) EXPECT_EQ(midi::keyUpNote(key, 4), note) << key;
  for (int key : {0, 65, 96, 98, 105, 112, 116}) EXPECT_EQ(midi::keyUpNote(key, 4), 4) << key;
}

struct PortTest : testing::Test {
  std::shared_ptr<midi::EventLog> log = std::make_shared<midi::EventLog>();
  midi::RecordingDevices devices{log, {std::string("Out")}};
  std::unique_ptr<midi::Port> port = devices.open(0);

  std::vector<Bytes> messages() const {
    std::vector<Bytes> out;
    for (const auto& e : *log)
      if (e.kind == midi::Event::Message) out.push_back(e.bytes);
    return out;
  }
};

/// controller = 0 on channels 1–16.
std::vector<Bytes> everyChannel(std::uint8_t controller) {
  std::vector<Bytes> out;
  for (std::uint8_t ch = 0; ch < 16; ++ch) out.push_back({std::uint8_t(0xB0 | ch), controller, 0});
  return out;
}

TEST_F(PortTest, ResetAndPanicEndTrackedNotesThenSilenceEveryChannel) {
  const auto notesOff = everyChannel(123), sustainOff = everyChannel(64),
             soundsOff = everyChannel(120);
  struct Case {
    const char* name;
    bool sounding;  // the notes below were sent first
    bool panic;
    std::vector<std::vector<Bytes>> parts;
    midi::Event::Kind last;
  } cases[] = {
      {"reset",
       true,
       false,
       {{{0x80, 60, 0}, {0x83, 64, 0}}, notesOff, sustainOff},
       midi::Event::Reset},
      {"reset, nothing sounding", false, false, {notesOff, sustainOff}, midi::Event::Reset},
      {"panic",
       true,
       true,
       {{{0x80, 60, 0}, {0x83, 64, 0}}, notesOff, sustainOff, soundsOff},
       midi::Event::Silence},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.sounding) {
      port->send({0x90, 60, 100});
      port->send({0x93, 64, 90});
      port->send({0x93, 64, 90});  // struck twice: one note-off is enough
      port->send({0x90, 62, 80});
      port->send({0x80, 62, 0});    // already ended
      port->send({0x91, 70, 0});    // velocity 0 is a note-off
      port->send({0x90, 128, 99});  // never sent, so never tracked
      EXPECT_EQ(port->soundingCount(), 2);
    }
    log->clear();
    c.panic ? port->panic() : port->reset();
    std::vector<Bytes> expected;
    for (const auto& part : c.parts) expected.insert(expected.end(), part.begin(), part.end());
    EXPECT_EQ(messages(), expected);
    EXPECT_EQ(log->back().kind, c.last);
    EXPECT_EQ(port->soundingCount(), 0);
  }
}

TEST_F(PortTest, AClosedPortSendsNothing) {
  port->close();
  log->clear();
  port->send({0x90, 60, 100});
  port->reset();
  port->close();
  EXPECT_TRUE(log->empty());
}

TEST(DeviceList, UnknownIdsAndFailingOpensGiveASilentPort) {
  int opened = 0;
  midi::DeviceList list({{"null", [] { return std::unique_ptr<midi::Port>(); }},
                         {"throws", []() -> std::unique_ptr<midi::Port> { throw 1; }},
                         {"ok", [&opened] {
                            ++opened;
                            return std::make_unique<midi::NullPort>();
                          }}});
  EXPECT_EQ(list.count(), 3);
  EXPECT_EQ(list.name(2), "ok");
  EXPECT_EQ(list.name(3), std::nullopt);
  EXPECT_EQ(list.name(-1), std::nullopt);
  for (int id : {-1, 0, 1, 3}) {
    auto port = list.open(id);
    ASSERT_NE(port, nullptr) << id;
    port->send({0x90, 60, 100});
    port->reset();
  }
  EXPECT_EQ(opened, 0);
  EXPECT_NE(list.open(2), nullptr);
  EXPECT_EQ(opened, 1);
}

TEST(DeviceList, TheQuickListComesFirstAndTheCompleteOneKeepsItsIds) {
  std::atomic<int> gatherings{0};
  midi::DeviceList list([&gatherings](midi::Reach reach) {
    ++gatherings;
    std::vector<midi::DeviceEntry> entries{{"synth", nullptr}};
    if (reach == midi::Reach::Complete) entries.push_back({"jack", nullptr});
    return entries;
  });
  EXPECT_EQ(list.count(), 1);
  std::promise<void> told;
  list.completeInBackground([&told] { told.set_value(); });
  ASSERT_EQ(told.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list.name(0), "synth");
  EXPECT_EQ(list.name(1), "jack");
  list.refresh();
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(gatherings.load(), 3);
}

TEST(SoundFontCandidates, OptionThenFluidSynthDefaultThenShippedFonts) {
  const auto paths =
      midi::soundFontCandidates({"/x/my.sf2", "", ""}, "/usr/share/sounds/sf2/FluidR3_GM.sf2");
  const std::vector<std::string> expected{"/x/my.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                                          "/usr/share/sounds/sf2/default-GM.sf2",
                                          "/usr/share/sounds/sf2/TimGM6mb.sf2"};
  EXPECT_EQ(paths, expected);
  EXPECT_EQ(midi::soundFontCandidates({}, "").front(), "/usr/share/sounds/sf2/default-GM.sf2");
}

}  // namespace

namespace timing {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

/// Records every write with the moment the port hands on.
class MomentPort : public midi::Port {
 public:
  std::vector<std::pair<Bytes, midi::Moment>> wire;

 protected:
  void writeAt(const std::uint8_t* bytes, std::size_t size, midi::Moment at) override {
    wire.push_back({{bytes, bytes + size}, at});
  }
};

TEST(PortMoments, OrderIsKeptAndResetComesAfterEverythingSentBefore) {
  const midi::Moment t{std::chrono::seconds(100)};
  MomentPort port;
  port.send({0x90, 60, 100}, t + 10ms);
  port.send({0x80, 60, 0}, t + 5ms);  // earlier than the one before: not overtaking it
  port.send({0xC0, 3, 0}, t + 20ms);
  port.send({0x90, 62, 90}, t + 30ms);
  port.reset(t);  // a reset for a moment before a pending note still follows it
  ASSERT_EQ(port.wire.size(), 4u + 1 + 32);
  const midi::Moment expected[] = {t + 10ms, t + 10ms, t + 20ms, t + 30ms, t + 30ms};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(port.wire[i].second, expected[i]) << i;
  EXPECT_EQ(port.wire[4].first, (Bytes{0x80, 62, 0}));
  EXPECT_EQ(port.wire.back().second, t + 30ms);
  // A plain send means now: never before what is already queued, never held back beyond now.
  const auto before = std::chrono::steady_clock::now();
  port.send({0x90, 64, 80});
  EXPECT_GE(port.wire.back().second, before);
  EXPECT_LE(port.wire.back().second, std::chrono::steady_clock::now());
}

TEST(CycleOffset, FramesAtTheEdgesOfACycle) {
  struct Case {
    std::uint32_t due, start, frames;
    std::optional<std::uint32_t> offset;
  } cases[] = {
      {1000, 1000, 256, 0},
      {1255, 1000, 256, 255},
      {1256, 1000, 256, std::nullopt},
      {999, 1000, 256, 0},      // already due: at once, never dropped
      {0, 4294967290u, 64, 6},  // the frame counter wrapped inside the cycle
      {4294967295u, 0, 64, 0},  // due just before a wrapped start
      {100, 4294967290u, 64, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(midi::cycleOffset(c.due, c.start, c.frames), c.offset) << c.due << " " << c.start;
}

/// What the playing side took from a queue: slot, first byte and second byte of each message.
struct Played {
  std::vector<std::array<int, 3>> messages;
  /// One cycle: messages due up to dueNs, at most room of them written.
  void cycle(midi::JackQueue& queue, std::int64_t dueNs, std::size_t room) {
    queue.play(
        [dueNs](std::int64_t ns) {
          return ns <= dueNs ? std::optional<std::uint32_t>(0) : std::nullopt;
        },
        [this, &room](const midi::QueuedMessage& m, std::uint32_t) {
          if (room == 0) return false;
          --room;
          messages.push_back({m.slot, m.bytes[0], m.bytes[1]});
          return true;
        });
  }
};

bool push(midi::JackQueue& queue, int slot, int note, std::int64_t ns = 0, bool silencing = false) {
  const std::uint8_t bytes[3] = {0x90, static_cast<std::uint8_t>(note), 100};
  return queue.push(slot, bytes, 3, ns, silencing);
}

TEST(JackQueue, WhatACycleCannotTakeStaysForTheNextInOrder) {
  midi::JackQueue queue;
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(push(queue, i % 2, i, i < 90 ? 0 : 1000));
  Played played;
  for (std::size_t room : {30u, 30u, 0u, 30u, 30u}) played.cycle(queue, 0, room);
  ASSERT_EQ(played.messages.size(), 90u) << "the later ten are not due yet";
  played.cycle(queue, 1000, 64);
  ASSERT_EQ(played.messages.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(played.messages[std::size_t(i)][2], i);
  EXPECT_TRUE(queue.empty());
  EXPECT_EQ(queue.takeDropped(), 0u);
}

TEST(JackQueue, AFullQueueCountsWhatItDropsAndKeepsRoomForResets) {
  midi::JackQueue queue;
  std::size_t taken = 0;
  while (push(queue, 0, 1)) ++taken;
  EXPECT_EQ(taken, midi::JackQueue::kCapacity - 1 - midi::JackQueue::kReserve);
  EXPECT_FALSE(push(queue, 0, 2));
  EXPECT_EQ(queue.takeDropped(), 2u);
  EXPECT_EQ(queue.takeDropped(), 0u) << "told once";
  std::size_t silencing = 0;
  while (push(queue, 0, 3, 0, true)) ++silencing;
  EXPECT_EQ(silencing, midi::JackQueue::kReserve) << "a whole reset and panic fit";
  Played played;
  played.cycle(queue, 0, midi::JackQueue::kCapacity);
  EXPECT_EQ(played.messages.size(), taken + silencing);
  EXPECT_EQ(played.messages.back()[2], 3);
  EXPECT_TRUE(push(queue, 0, 4)) << "room again once played";
}

TEST(JackQueue, ARetiredSlotsLeftoversNeverReachItsNextPort) {
  midi::JackQueue queue;
  push(queue, 2, 10, 1000);  // not yet due when its port goes
  push(queue, 3, 11, 1000);
  queue.retire(2);
  push(queue, 2, 12, 1000);  // the slot's next port
  Played played;
  played.cycle(queue, 1000, 64);
  EXPECT_EQ(played.messages, (std::vector<std::array<int, 3>>{{3, 0x90, 11}, {2, 0x90, 12}}));
  const std::uint8_t bytes[4] = {0x90, 60, 100, 0};
  for (auto [slot, size] : {std::pair{-1, 3}, {8, 3}, {0, 0}, {0, 4}})
    EXPECT_FALSE(queue.push(slot, bytes, std::size_t(size), 0, false)) << slot << " " << size;
  EXPECT_EQ(queue.takeDropped(), 0u) << "refused, not dropped";
}

/// A backend whose queue is full: it delivers nothing and says so.
class FullPort : public MomentPort {
 protected:
  void writeAt(const std::uint8_t* bytes, std::size_t size, midi::Moment at) override {
    if (full) return undelivered(bytes, size);
    MomentPort::writeAt(bytes, size, at);
  }

 public:
  bool full = false;
};

TEST(PortMoments, ANoteOffThatWasNotDeliveredIsEndedByTheNextReset) {
  FullPort port;
  port.send({0x90, 60, 100});
  port.send({0x91, 61, 100});
  port.full = true;
  port.send({0x80, 60, 0});  // dropped
  port.send({0x91, 61, 0});  // dropped: velocity 0 ends a note too
  port.send({0x80, 62, 0});  // dropped, never sounded: ended anyway, harmless
  port.full = false;
  port.wire.clear();
  port.reset();
  ASSERT_EQ(port.wire.size(), 3u + 32);
  EXPECT_EQ(port.wire[0].first, (Bytes{0x80, 60, 0}));
  EXPECT_EQ(port.wire[1].first, (Bytes{0x80, 62, 0}));
  EXPECT_EQ(port.wire[2].first, (Bytes{0x81, 61, 0}));
}

}  // namespace timing
