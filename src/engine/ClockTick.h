// The note clock's tick as a decision: what the window shows and reads goes in as plain values,
// what the tick does comes out. The window gathers the one and applies the other.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

/// What one tick reads; each field names the window's control or field it comes from.
struct TickInput {
  bool pointerIn = false;                     ///< PointerIn: the pointer is over the pad
  bool padDown = false;                       ///< PadDown: the left button holds the pad
  int x = 0, y = 0;                           ///< PointerX, PointerY: pad coordinates
  int width = 0, height = 0;                  ///< PaintBox1's size
  const std::vector<std::string>* keys;       ///< KeyList: note number per column
  const std::vector<std::string>* volumes;    ///< VolumeList: velocity per row
  const std::vector<std::string>* noteNames;  ///< NoteNames: caption per note number
  std::string_view caption;                   ///< the caption the clock set last
  std::string_view tempo;                     ///< Edit5: quarter notes per minute
  int length = 0;                             ///< TrackBar1: note length in ticks
  bool gate = false;                          ///< ArpDown or CheckBox1: the pattern sets lengths
  const std::vector<std::string>* pattern;    ///< GatePattern
  int gateStep = 0;                           ///< GateStep: the pattern entry to play next
  std::string_view channel;                   ///< Edit1
  int lastNote = 0;                           ///< LastNote: the note this tick ends first
};

/// A channel message of the tick, as the window's fields build it.
struct TickMessage {
  int status = 0;
  int data1 = 0;
  int data2 = 0;
};

/// What one tick does, in this order: caption, fields, messages, the wait, the next step.
struct TickResult {
  bool rest = false;                   ///< the timer may stop: nothing the tick reads is new
  std::optional<std::string> caption;  ///< the window's new caption (only when it changed)
  std::optional<int> velocity;         ///< the row's velocity: RowVelocity and MsgVelocity
  bool played = false;                 ///< a step was played: the fields below apply
  int status = 0;                      ///< MsgStatus after the tick (the note-on's status)
  int note = 0;                        ///< MsgNote and LastNote: the cell's note
  std::vector<TickMessage> messages;   ///< note-off of lastNote, then the note-on unless a rest
  long long waitMs = 0;                ///< the step's length, waited after the messages
  long long ticks = 0;                 ///< the step's length in ticks (a followed grid's step)
  std::optional<int> gateStep;         ///< GateStep's new value (gate mode only)
};

/// The note clock's tick. Off the pad it rests; hovering it only follows the cell under the
/// pointer (caption and velocity) and rests once the caption is current; with the pad held it
/// ends the last note and plays the cell's note for the Length slider's length, or in gate mode
/// for the pattern step's length (a rest entry ends the note only). Anything that does not
/// convert (a table entry, the tempo, the channel, every pattern entry) ends the tick silently:
/// an error box would come back every millisecond.
TickResult decideTick(const TickInput& in);

}  // namespace engine
