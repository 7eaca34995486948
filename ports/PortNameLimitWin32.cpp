#include "ports/PortList.h"

namespace Ports {

// Windows names its ports "COM1".."COM4" here, the names the Demo's port field is built for.
std::size_t portNameLimit() { return 4; }

}  // namespace Ports
