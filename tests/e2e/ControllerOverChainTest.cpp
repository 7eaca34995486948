// The exported library as its callers use it, over a chain of three virtual cameras: built into
// the Linux end-to-end tests (a pseudo-terminal) and into the Windows tests (a COM port of the
// Wine prefix, with the std::string arguments and the DriverException thrown inside quorvin.dll
// crossing into the program). ChainPort.h says where the chain is.
#include <gtest/gtest.h>

#include "quorvin/Controller.h"
#include "tests/e2e/ChainPort.h"
#include "tests/support/LogSandbox.h"
#include "tests/support/Raised.h"

namespace {

using CameraDriver::Controller;
using TestSupport::raisedBy;

constexpr double PAN_COUNT = 1.0 / 1440;
constexpr double TILT_COUNT = 1.0 / 360;

// Every test program shares the chain (the Windows ones also with each other), so each test
// writes what it reads back.
class ControllerOverChain : public testing::Test {
  protected:
    void SetUp() override { camera.connect(E2eTest::chainPort()); }
    void TearDown() override { camera.disconnect(); }

    TestSupport::LogSandbox sandbox;
    Controller camera;
};

TEST_F(ControllerOverChain, CountsTheCamerasOnTheLine) {
    EXPECT_EQ(camera.getCamerasTotal(), 3);
    EXPECT_EQ(camera.getCurCamera(), 1);
}

TEST_F(ControllerOverChain, MovesAndReadsThePositionBack) {
    camera.moveUp(10);
    camera.stopMove();
    camera.setPanTilt(0.5, -0.25, 24, 20);
    double pan = 0;
    double tilt = 0;
    camera.getPanTilt(pan, tilt);
    // Counts come back as fractions through an offset, so the centre is near zero, not zero.
    EXPECT_NEAR(pan, 0.5, 1e-12);
    EXPECT_NEAR(tilt, -0.25, 1e-12);
    camera.moveHome();
    camera.getPanTilt(pan, tilt);
    EXPECT_NEAR(pan, 0.0, 1e-12);
    EXPECT_NEAR(tilt, 0.0, 1e-12);
}

TEST_F(ControllerOverChain, SettingsReadBack) {
    struct Switch {
        const char* name;
        void (Controller::*set)(bool);
        bool (Controller::*get)();
    };
    const Switch switches[] = {
        {"power", &Controller::setPowerState, &Controller::getPowerState},
        {"auto focus", &Controller::setFocusMode, &Controller::getFocusMode},
        {"digital zoom", &Controller::setDZoomState, &Controller::getDZoomState},
        {"back light", &Controller::setBackLightState, &Controller::getBackLightState},
    };
    for (const Switch& s : switches) {
        for (const bool value : {true, false, true}) {
            (camera.*s.set)(value);
            EXPECT_EQ((camera.*s.get)(), value) << s.name;
        }
    }
    camera.setWBMode(Controller::WBIndoor);
    EXPECT_EQ(camera.getWBMode(), Controller::WBIndoor);
    camera.setZoom(0.5);
    EXPECT_NEAR(camera.getZoom(), 0.5, 1.0 / 16384);
    camera.setGain(7);
    EXPECT_EQ(camera.getGain(), 7);
}

TEST_F(ControllerOverChain, EachCameraOnTheLineKeepsItsOwnSettings) {
    camera.setCurCamera(3);
    camera.setWBMode(Controller::WBOutdoor);
    camera.setCurCamera(1);
    camera.setWBMode(Controller::WBAuto);
    EXPECT_EQ(camera.getWBMode(), Controller::WBAuto);
    camera.setCurCamera(3);
    EXPECT_EQ(camera.getWBMode(), Controller::WBOutdoor);
    camera.setCurCamera(1);
}

TEST_F(ControllerOverChain, PresetRecallReturnsToTheStoredPosition) {
    camera.setPanTilt(-0.5, 0.5, 0, 0);
    camera.memorySet(2);
    camera.setPanTilt(0.75, -0.75, 0, 0);
    camera.memoryRecall(2);
    double pan = 0, tilt = 0;
    camera.getPanTilt(pan, tilt);
    EXPECT_NEAR(pan, -0.5, PAN_COUNT);
    EXPECT_NEAR(tilt, 0.5, TILT_COUNT);
}

TEST_F(ControllerOverChain, PoweredOffCameraRefusesMovesUntilPoweredOn) {
    camera.setPowerState(false);
    EXPECT_FALSE(camera.getPowerState());
    EXPECT_EQ(raisedBy([&] { camera.moveUp(10); }),
              "NOT_EXECUTABLE error ocurred when executing the command !");
    camera.setPowerState(true);
    EXPECT_TRUE(camera.getPowerState());
    camera.moveHome();
}

}  // namespace
