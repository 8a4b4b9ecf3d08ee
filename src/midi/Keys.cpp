#include "midi/Keys.h"

namespace midi {

int keyUpNote(int virtualKey, int previous) {
  switch (virtualKey) {
    case 97:
      return 60;  // numeric keypad 1
    case 115:
      return 61;  // F4
    case 100:
      return 62;  // numeric keypad 4
    case 102:
      return 63;  // numeric keypad 6
    case 103:
      return 64;  // numeric keypad 7
    case 104:
      return 65;  // numeric keypad 8
    case 106:
      return 66;  // numeric keypad *
    case 107:
      return 67;  // numeric keypad +
    default:
      return previous;
  }
}

}  // namespace midi
