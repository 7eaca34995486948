#include "ComPorts.h"
#include "tests/e2e/ChainPort.h"

namespace E2eTest {

std::string chainPort() { return WindowsTest::CAMERA_PORT; }

}  // namespace E2eTest
