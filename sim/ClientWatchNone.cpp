#include "sim/ClientWatch.h"

namespace Camsim {

// No portable notification exists for opens and closes of a terminal: nothing is watched.
ClientWatch::ClientWatch(const std::string&) {}

bool ClientWatch::lastClientLeft() { return false; }

bool ClientWatch::anyClient() const { return true; }

}  // namespace Camsim
