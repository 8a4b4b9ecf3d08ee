// The keyboard's one use for MIDI: a note-off when a key is released.
#pragma once

namespace midi {

/// Note of the key-up note-off for a Windows virtual-key code (numeric keypad 1 → 60, F4 → 61,
/// keypad 4, 6, 7, 8, *, + → 62 … 67); any other key keeps previous, the last data byte built.
int keyUpNote(int virtualKey, int previous);

}  // namespace midi
