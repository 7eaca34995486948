#pragma once

// The COM ports that the test run maps onto virtual cameras in the Wine prefix (set by
// tests/windows/CMakeLists.txt, which also starts the cameras):
//   QUORVIN_CAMERA_PORT  a chain of three cameras whose timed moves arrive at once
//   QUORVIN_SILENT_PORT  a camera that never answers
//   QUORVIN_SLOW_PORT    one camera that sends each completion long after its acknowledgement
//   QUORVIN_HIGH_PORT    a chain of two cameras on a port numbered above 9
#if !defined(QUORVIN_CAMERA_PORT) || !defined(QUORVIN_SILENT_PORT) || \
    !defined(QUORVIN_SLOW_PORT) || !defined(QUORVIN_HIGH_PORT)
#error "the test ports are defined by the build"
#endif

namespace WindowsTest {

constexpr const char* CAMERA_PORT = QUORVIN_CAMERA_PORT;
constexpr const char* SILENT_PORT = QUORVIN_SILENT_PORT;
constexpr const char* SLOW_PORT = QUORVIN_SLOW_PORT;
constexpr const char* HIGH_PORT = QUORVIN_HIGH_PORT;
// How long the slow camera holds back each completion, in milliseconds.
constexpr unsigned SLOW_COMPLETION_MS = QUORVIN_SLOW_COMPLETION_MS;
// Only the primary adapter's names exist: COM ports of the prefix are those it links.
constexpr const char* MISSING_PORT = "COM5";

}  // namespace WindowsTest
