// The camera view of quorvin-camsim --view: a window that shows what each camera of the chain
// sees. This header is free of any toolkit; the window lives in sim/view/ and is linked in when
// the build has the view (QUORVIN_BUILD_SIM_VIEW; sim/ViewNone.cpp stands in otherwise).
#pragma once

#include <optional>
#include <string>

namespace Camsim {

class PtyServer;

struct ViewOptions {
    // Size of the window and position of its top-left corner on the screen, in pixels; the
    // window picks what is not given.
    std::optional<int> width;
    std::optional<int> height;
    std::optional<int> x;
    std::optional<int> y;
};

// Why the view cannot be shown here (this build has none, or there is no display to show it
// on), or an empty text when it can.
std::string viewUnavailable();

// Shows the view of server's cameras until the window is closed or quitFd becomes readable,
// and returns the program's exit status (1 when the view cannot be shown).
int runView(PtyServer& server, const ViewOptions& options, int quitFd);

}  // namespace Camsim
