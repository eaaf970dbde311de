#include "Unit1.h"

namespace morvane {

void TForm1::MenuFileViewClick() {}

void TForm1::ListLogClick() {}

}  // namespace morvane
