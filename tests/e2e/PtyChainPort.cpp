#include "sim/PtyServer.h"
#include "tests/e2e/ChainPort.h"

namespace E2eTest {

std::string chainPort() {
    static const Camsim::PtyServer server([] {
        Camsim::ServerOptions options;
        options.cameras = 3;
        options.timing.instant = true;
        return options;
    }());
    return server.devicePath();
}

}  // namespace E2eTest
