#include "AtomicReplace.h"

namespace morvane {

bool replaceFileAtomically(const std::string&, std::string_view) { return false; }

}  // namespace morvane
