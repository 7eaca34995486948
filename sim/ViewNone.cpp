// The stand-in for a build without the camera view (no Qt 6 Widgets found).
#include "sim/View.h"

namespace Camsim {

std::string viewUnavailable() { return "this build has no camera view (it needs Qt 6 Widgets)"; }

// The program asks viewUnavailable() before it starts serving, so this is never reached.
int runView(PtyServer&, const ViewOptions&, int) { return 1; }

}  // namespace Camsim
