// Key-scale and volume definition files.
#include "app/TForm1.h"

void TForm1::Button2Click() {}
void TForm1::Button4Click() {}
