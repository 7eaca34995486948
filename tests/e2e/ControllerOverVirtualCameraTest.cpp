// The exported library end to end: the public Controller over the real serial port, against
// the virtual camera on a pseudo-terminal, where the test can also look into the cameras and set
// their faults. What a Windows caller sees as well is in ControllerOverChainTest.cpp.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "quorvin/Controller.h"
#include "tests/e2e/MixedExchanges.h"
#include "tests/e2e/OverVirtualCamera.h"

using CameraDriver::Controller;
using CameraDriver::DriverException;
using E2eTest::linesStartingWith;
using E2eTest::OverVirtualCamera;
using E2eTest::runMixedExchanges;
using TestSupport::raisedBy;
using TestSupport::readLines;

namespace {

class ThreeCameraChain : public OverVirtualCamera {
  protected:
    ThreeCameraChain() : OverVirtualCamera(3) {}
};

constexpr double PAN_COUNT = 1.0 / 1440;
constexpr double TILT_COUNT = 1.0 / 360;

}  // namespace

TEST_F(ThreeCameraChain, CountsSelectsAndDrivesTheSecondCamera) {
    camera.connect(server.devicePath());
    EXPECT_EQ(camera.getCamerasTotal(), 3);
    camera.setCurCamera(2);

    camera.moveUp(10);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    camera.stopMove();
    double pan = 0, tilt = 0;
    camera.getPanTilt(pan, tilt);
    EXPECT_GT(tilt, 0.0);
    EXPECT_EQ(server.camera(1).tilt, 0) << "only camera 2 moves";

    camera.setPanTilt(0.5, -0.25, 0, 0);
    camera.getPanTilt(pan, tilt);
    EXPECT_NEAR(pan, 0.5, PAN_COUNT);
    EXPECT_NEAR(tilt, -0.25, TILT_COUNT);
    EXPECT_EQ(server.camera(2).pan, 720);
    EXPECT_EQ(server.camera(2).tilt, -90);

    camera.setZoom(0.25);
    EXPECT_NEAR(camera.getZoom(), 0.25, 1e-4);
    camera.setDZoomState(true);
    EXPECT_TRUE(camera.getDZoomState());
    // The same lens position reads as a smaller share of the longer digital range.
    EXPECT_NEAR(camera.getZoom(), 4096.0 / 28672, 1e-4);

    camera.setFocusMode(false);
    EXPECT_FALSE(camera.getFocusMode());
    camera.setFocus(0.5);
    EXPECT_NEAR(camera.getFocus(), 0.5, 1e-4);
    camera.setFocusNearLimit(0.25);
    EXPECT_NEAR(camera.getFocusNearLimit(), 0.25, 1e-4);

    camera.disconnect();
}

TEST_F(ThreeCameraChain, SettingsReadBackAsWritten) {
    camera.connect(server.devicePath());
    camera.setCurCamera(3);
    struct Value {
        const char* name;
        long written;
        std::function<void(Controller&, long)> set;
        std::function<long(Controller&)> get;
    };
    const std::vector<Value> values = {
        {"RGain", 0xC4, &Controller::setRGain, &Controller::getRGain},
        {"BGain", 0x12, &Controller::setBGain, &Controller::getBGain},
        {"Shutter", 0x13, &Controller::setShutter, &Controller::getShutter},
        {"Iris", 0x06, &Controller::setIris, &Controller::getIris},
        {"Gain", 0x0E, &Controller::setGain, &Controller::getGain},
        {"Bright", 0x1A, &Controller::setBright, &Controller::getBright},
        {"ExpComp", 0x09, &Controller::setExpComp, &Controller::getExpComp},
        {"Aperture", 0x0F, &Controller::setAperture, &Controller::getAperture},
        {"AutoPowerOffDelay", 0x1234, &Controller::setAutoPowerOffDelay,
         &Controller::getAutoPowerOffDelay},
    };
    for (const Value& v : values) {
        v.set(camera, v.written);
        EXPECT_EQ(v.get(camera), v.written) << v.name;
    }

    camera.setWBMode(Controller::WBManual);
    EXPECT_EQ(camera.getWBMode(), Controller::WBManual);
    camera.setAEMode(Controller::AEShutterPriority);
    EXPECT_EQ(camera.getAEMode(), Controller::AEShutterPriority);

    struct Switch {
        const char* name;
        std::function<void(Controller&, bool)> set;
        std::function<bool(Controller&)> get;
    };
    const std::vector<Switch> switches = {
        {"SlowShutter", &Controller::setSlowShutterMode, &Controller::getSlowShutterMode},
        {"ExpComp", &Controller::setExpCompState, &Controller::getExpCompState},
        {"BackLight", &Controller::setBackLightState, &Controller::getBackLightState},
    };
    for (const Switch& s : switches) {
        for (bool on : {true, false}) {
            s.set(camera, on);
            EXPECT_EQ(s.get(camera), on) << s.name;
        }
    }

    // Stepped settings move by one from where they were.
    camera.setGain(5);
    camera.upGain();
    EXPECT_EQ(camera.getGain(), 6);
    camera.downGain();
    camera.downGain();
    EXPECT_EQ(camera.getGain(), 4);

    unsigned char type[16] = {};
    camera.getDeviceType(type, sizeof type);
    EXPECT_EQ(type[7], 0xFF) << "the identity ends with the reply's terminator";
    EXPECT_EQ(server.camera(3).rGain, 0xC4);
    EXPECT_NE(server.camera(1).rGain, 0xC4);
}

TEST_F(OverVirtualCamera, AFailingOperationLeavesTheControllerUsable) {
    camera.connect(server.devicePath());
    server.setFault(Camsim::Fault::BufferFull);
    EXPECT_EQ(raisedBy([&] { camera.zoomTele(); }),
              "BUFFER_FULL error ocurred when executing the command !");
    server.setFault(Camsim::Fault::None);
    camera.stopZoom();
    EXPECT_FALSE(camera.getDZoomState());
}

TEST_F(OverVirtualCamera, LogFileHoldsEveryLineOfAnExchange) {
    camera.connect(server.devicePath());
    setLogFile("camera.log");
    setDebugEnabled(true);
    camera.stopZoom();
    const std::vector<std::string> expected = {
        "[Debug] Sending command ...",        "[Debug] 81 01 04 07 00 ff ", "[Debug] Completed",
        "[Debug] Receiving response ...",     "[Debug] 90 41 ff 90 51 ff ", "[Debug] Completed",
        "[Debug] VISCA response checking...", "[Debug] COMPLETION",         "",
    };
    EXPECT_EQ(readLines("camera.log"), expected);
}

TEST_F(OverVirtualCamera, MovesCompletingLongAfterTheirAcknowledgementLeaveEveryExchangeRight) {
    camera.connect(server.devicePath());
    camera.setBackLightState(true);
    Camsim::Timing timing = server.timing();
    timing.lateCompletion = std::chrono::milliseconds(200);
    server.setTiming(timing);
    server.setFault(Camsim::Fault::LateCompletion);
    setLogFile("camera.log");
    setDebugEnabled(true);

    runMixedExchanges(camera, server, true);
    // Each move waited for its own completion: nothing was left over to drop.
    EXPECT_EQ(linesStartingWith(readLines("camera.log"), "[Debug] Discarded stale input: "), 0);
}

TEST_F(OverVirtualCamera, DestroyingAConnectedControllerReleasesThePort) {
    {
        Controller first;
        first.connect(server.devicePath());
    }
    // The port is exclusive while held, so a second connect proves it was released.
    camera.connect(server.devicePath());
    EXPECT_EQ(camera.getCamerasTotal(), 1);
}
