#include "engine/ClockTick.h"

#include "engine/Channel.h"
#include "engine/GateStep.h"
#include "lib/Convert.h"
#include "pad/Cells.h"

namespace engine {
namespace {

struct CellNote {
  int key = 0;
  int velocity = 0;
};

/// The note and velocity of the cell under the pointer; nullopt when the guard or the tables
/// say there is none.
std::optional<CellNote> cellNote(const TickInput& in) {
  const int columns = static_cast<int>(in.keys->size());
  const int rows = static_cast<int>(in.volumes->size());
  if (!pad::InsideClockGuard(in.x, in.width, columns) || rows == 0) return std::nullopt;
  const pad::Cell cell = pad::CellAt(in.x, in.y, in.width, in.height, columns, rows);
  const auto velocity = lib::tryStrToInt((*in.volumes)[static_cast<std::size_t>(cell.row)]);
  const auto key = lib::tryStrToInt((*in.keys)[static_cast<std::size_t>(cell.column)]);
  if (!velocity || !key || *key < 0 || *key >= static_cast<int>(in.noteNames->size()))
    return std::nullopt;
  return CellNote{*key, *velocity};
}

/// The step this tick plays: the Length slider's, or in gate mode the pattern's (index ≥ 0).
std::optional<PlannedStep> stepOf(const TickInput& in, long double tempo) {
  if (in.gate) return planStep(*in.pattern, in.gateStep, tempo);
  const auto ms = waitMs(tempo, in.length);
  if (!ms) return std::nullopt;
  return PlannedStep{-1, false, *ms, in.length};
}

}  // namespace

TickResult decideTick(const TickInput& in) {
  TickResult out;
  out.rest = !in.pointerIn;
  if (!in.pointerIn) return out;
  const auto cell = cellNote(in);
  if (cell) {
    out.velocity = cell->velocity;
    std::string caption =
        (*in.noteNames)[static_cast<std::size_t>(cell->key)] + "-" + lib::IntToStr(cell->velocity);
    if (caption != in.caption) out.caption = std::move(caption);
  }
  if (!in.padDown) {
    out.rest = !out.caption;
    return out;
  }
  if (!cell) return out;
  const auto tempo = tempoOf(in.tempo);
  if (!tempo) return out;
  const auto step = stepOf(in, *tempo);
  if (step && step->index >= 0) out.gateStep = step->index;  // entries passed over count
  const auto channel = channelOf(in.channel);
  if (!step || !channel) return out;
  out.played = true;
  out.status = 0x90 + *channel;
  out.note = cell->key;
  // The last note ends with the velocity of the row now; a rest only ends it.
  out.messages.push_back({0x80 + *channel, in.lastNote, cell->velocity});
  if (!step->rest) out.messages.push_back({out.status, cell->key, cell->velocity});
  out.waitMs = step->ms;
  out.ticks = step->ticks;
  if (step->index >= 0) out.gateStep = nextStep(step->index, static_cast<int>(in.pattern->size()));
  return out;
}

}  // namespace engine
