#include <climits>

#include "ports/PortList.h"

namespace Ports {

// A POSIX port is named by its device path, which "COM1"-sized fields cannot hold.
std::size_t portNameLimit() {
#if defined(PATH_MAX)
    return PATH_MAX - 1;
#else
    return 4095;
#endif
}

}  // namespace Ports
