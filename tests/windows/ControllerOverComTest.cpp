// quorvin.dll as a Windows caller uses it, where Windows differs: linked at load time, failing
// on COM ports of the Wine prefix without leaking handles, and writing the log file that the
// program names. The camera chain as every caller drives it is ControllerOverChainTest.cpp,
// built into this program too.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include "ComPorts.h"
#include "HandleCount.h"
#include "quorvin/Controller.h"
#include "tests/support/Raised.h"
#include "tests/support/TempDir.h"

namespace {

using TestSupport::raisedBy;

using namespace std::chrono_literals;
using CameraDriver::Controller;
using CameraDriver::DriverException;
using Clock = std::chrono::steady_clock;

TEST(ControllerOverComFailures, PortThatDoesNotExist) {
    Controller camera;
    EXPECT_EQ(raisedBy([&] { camera.connect(WindowsTest::MISSING_PORT); }),
              "WinSerialCommAdaptor::connect() failed !");
}

TEST(ControllerOverComFailures, SilentCameraTimesOut) {
    raisedBy([] { Controller().connect(WindowsTest::MISSING_PORT); });
    const std::size_t before = WindowsTest::openHandles();
    Controller camera;
    const auto start = Clock::now();
    EXPECT_EQ(raisedBy([&] { camera.connect(WindowsTest::SILENT_PORT); }),
              "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !");
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 6000ms);
    EXPECT_LT(waited, 12000ms);  // twice the limit
    // The failed connect leaves the port open for the caller to disconnect; the abandoned
    // transfer leaves nothing.
    camera.disconnect();
    EXPECT_EQ(WindowsTest::openHandles(), before);
}

// Runs `body` with the debug log going to `file` and returns what the file received.
std::string loggedDuring(const std::string& file, const std::function<void()>& body) {
    setLogFile(file);
    setDebugEnabled(true);
    body();
    setDebugEnabled(false);
    setLogEnabled(false);
    const std::string text = TestSupport::readFile(file);
    std::remove(file.c_str());
    return text;
}

// The log's switches take a std::string from this program; the file that they open receives
// the library's lines.
TEST(ControllerOverComLog, LogFileNamedByTheCallerReceivesTheExchange) {
    const std::string text = loggedDuring("quorvin-windows-test.log", [] {
        Controller camera;
        camera.connect(WindowsTest::CAMERA_PORT);
        camera.disconnect();
    });
    EXPECT_NE(text.find(std::string("[Debug] open port: ") + WindowsTest::CAMERA_PORT + "\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[Debug] close COM port\n"), std::string::npos) << text;
}

// COM10 and above: the caller names the port as usual, and the log keeps that name.
TEST(ControllerOverComLog, PortNumberedAboveNineConnectsByItsPlainName) {
    const std::string text = loggedDuring("quorvin-windows-high-port.log", [] {
        Controller camera;
        camera.connect(WindowsTest::HIGH_PORT);
        EXPECT_EQ(camera.getCamerasTotal(), 2);
        camera.disconnect();
    });
    EXPECT_NE(text.find(std::string("[Debug] open port: ") + WindowsTest::HIGH_PORT + "\n"),
              std::string::npos)
        << text;
}

}  // namespace
