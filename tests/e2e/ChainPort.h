#pragma once

#include <string>

namespace E2eTest {

// The port of a chain of three virtual cameras whose timed moves arrive at once, serving every
// test of the program. Each build's test program defines it: the Linux one starts the virtual
// camera on a pseudo-terminal, the Windows one names the COM port that the test run maps to it.
std::string chainPort();

}  // namespace E2eTest
