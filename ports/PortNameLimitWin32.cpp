#include "ports/PortList.h"

namespace Ports {

// A Windows port is "COM3", but its name may carry the line speed ("COM3@38400",
// "\\.\COM12@115200") or be a network camera's ("udp://[fe80::1]:52381"): the field takes what
// Windows takes as a path, MAX_PATH less its terminating zero.
std::size_t portNameLimit() { return 259; }

}  // namespace Ports
