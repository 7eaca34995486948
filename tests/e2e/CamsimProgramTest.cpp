// The library's real serial port against the quorvin-camsim program, as a user would run it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "driver/ViscaControllerImpl.h"
#include "tests/support/LogSandbox.h"
#include "tests/support/Subprocess.h"

using namespace CameraDriver;
using TestSupport::LogSandbox;
using TestSupport::readLines;
using TestSupport::RunningProgram;

namespace {

// quorvin-camsim with its arguments; the device path is its first line.
class CamsimProgram : public RunningProgram {
  public:
    explicit CamsimProgram(const std::string& cameras)
        : RunningProgram({QUORVIN_CAMSIM_PROGRAM, "--cameras", cameras}), path(readLine()) {}

    std::string path;
};

}  // namespace

TEST(CamsimProgram, ConnectNumbersAndClearsAChainOfThree) {
    LogSandbox sandbox;
    CamsimProgram camsim("3");
    ASSERT_FALSE(camsim.path.empty());

    setLogFile("connect.log");
    setDebugEnabled(true);
    ViscaControllerImpl impl;
    impl.connect(camsim.path);
    EXPECT_EQ(impl.getCamerasTotal(), 3);
    impl.setCurCamera(3);
    EXPECT_TRUE(impl.getPowerState());
    impl.disconnect();

    const auto lines = readLines("connect.log");
    const auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("[Debug] 88 30 01 ff "));
    EXPECT_TRUE(has("[Debug] 88 30 04 ff "));
    EXPECT_TRUE(has("[Debug] 88 01 00 01 ff "));
    EXPECT_TRUE(has("[Debug] b0 50 02 ff ")) << "camera 3 answers with header B0";
}
