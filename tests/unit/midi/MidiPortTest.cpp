// Message packing, the bytes put on the wire, the key-up table and the reset bookkeeping.
#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "midi/DeviceList.h"
#include "midi/JackClient.h"
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

TEST_F(PortTest, ResetEndsEveryTrackedNoteThenAllNotesOffOnEveryChannel) {
  port->send({0x90, 60, 100});
  port->send({0x93, 64, 90});
  port->send({0x93, 64, 90});  // struck twice: one note-off is enough
  port->send({0x90, 62, 80});
  port->send({0x80, 62, 0});    // already ended
  port->send({0x91, 70, 0});    // velocity 0 is a note-off
  port->send({0x90, 128, 99});  // never sent, so never tracked
  EXPECT_EQ(port->soundingCount(), 2);
  log->clear();
  port->reset();
  std::vector<Bytes> expected{{0x80, 60, 0}, {0x83, 64, 0}};
  for (std::uint8_t ch = 0; ch < 16; ++ch) expected.push_back({std::uint8_t(0xB0 | ch), 123, 0});
  EXPECT_EQ(messages(), expected);
  EXPECT_EQ(log->back().kind, midi::Event::Reset);
  EXPECT_EQ(port->soundingCount(), 0);
  log->clear();
  port->reset();  // nothing left: only the All Notes Off
  EXPECT_EQ(messages().size(), 16u);
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
  void write(const std::uint8_t*, std::size_t) override { ADD_FAILURE() << "sent untimed"; }
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
  ASSERT_EQ(port.wire.size(), 4u + 1 + 16);
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

}  // namespace timing
