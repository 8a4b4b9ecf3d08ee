// The note clock tick.
#include "app/TForm1.h"

void TForm1::NoteClockTick(int) {}
