// A frame goes out whole or not at all: an argument that would put a 0xFF terminator inside a
// command is refused before anything reaches the wire, through the public Controller.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/ControllerAccess.h"
#include "tests/support/Hex.h"
#include "tests/support/Raised.h"
#include "tests/support/TestName.h"

namespace ApiTest {
namespace {

using namespace CameraDriver;
using namespace TestSupport;

struct FrameCase {
    const char* name;
    std::function<void(Controller&)> call;
    const char* frame;  // what reaches the wire; "" when the command is refused
};

void PrintTo(const FrameCase& row, std::ostream* out) { *out << row.name; }

// clang-format off
const FrameCase FRAMES[] = {
    {"tilt speed 255", [](Controller& c) { c.moveUp(255); }, ""},
    {"tilt speed 254 still goes out", [](Controller& c) { c.moveUp(254); }, "81 01 06 01 18 FE 03 01 FF"},
    {"pan speed 255", [](Controller& c) { c.moveLeft(255); }, ""},
    {"diagonal pan speed 255", [](Controller& c) { c.moveUpLeft(1, 255); }, ""},
    {"absolute pan speed 255", [](Controller& c) { c.setPanTilt(0, 0, 255, 0); }, ""},
    {"absolute tilt speed -1", [](Controller& c) { c.setPanTilt(0, 0, 0, -1); }, ""},
    {"zoom speed 255", [](Controller& c) { c.zoomIn(255); }, ""},
    {"focus speed 0xDF", [](Controller& c) { c.focusToFar(0xDF); }, ""},
    {"recall preset -1", [](Controller& c) { c.memoryRecall(-1); }, ""},
    {"store preset 255", [](Controller& c) { c.memorySet(255); }, ""},
    {"recall preset 15 still goes out", [](Controller& c) { c.memoryRecall(15); }, "81 01 04 3F 02 0F FF"},
    {"digital effect level 0xFF", [](Controller& c) { c.setDigitalEffectLevel(0xFF); }, ""},
    {"white balance code 0xFF", [](Controller& c) { c.setWBMode(static_cast<Controller::WBMode>(0xFF)); }, ""},
    {"exposure code 0xFF", [](Controller& c) { c.setAEMode(static_cast<Controller::AEMode>(0xFF)); }, ""},
    {"wide mode code 0xFF", [](Controller& c) { c.setWideMode(static_cast<Controller::WideMode>(0xFF)); }, ""},
    {"picture effect code 0xFF", [](Controller& c) { c.setPictureEffectMode(static_cast<Controller::PictureEffectMode>(0xFF)); }, ""},
    {"digital effect code 0xFF", [](Controller& c) { c.setDigitalEffectMode(static_cast<Controller::DigitalEffectMode>(0xFF)); }, ""},
    {"camera -1, a command", [](Controller& c) { c.setCurCamera(-1); c.stopMove(); }, ""},
    {"camera -1, an inquiry", [](Controller& c) { c.setCurCamera(-1); c.getPowerState(); }, ""},
    {"camera 255, an inquiry", [](Controller& c) { c.setCurCamera(255); c.getGain(); }, ""},
    {"camera 15 still goes out", [](Controller& c) { c.setCurCamera(15); c.stopZoom(); }, "8F 01 04 07 00 FF"},
};
// clang-format on

class WholeFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(WholeFrame, IsSentWholeOrNotAtAll) {
    const FrameCase& row = GetParam();
    Controller controller;
    ScriptedComm& camera = scriptCamera(controller);
    const bool refused = *row.frame == '\0';
    if (!refused) {
        camera.reply(hex("90 41 FF 90 51 FF"));
    }

    const std::string raised = raisedBy([&] { row.call(controller); });

    const CommLog& wire = *camera.record();
    if (refused) {
        EXPECT_EQ(raised, "Command is malformed !");
        EXPECT_TRUE(wire.sent.empty());
        EXPECT_TRUE(wire.recvs.empty());
    } else {
        ASSERT_EQ(wire.sent.size(), 1u);
        EXPECT_EQ(toHex(wire.sent[0]), row.frame);
    }
}

INSTANTIATE_TEST_SUITE_P(Arguments, WholeFrame, ::testing::ValuesIn(FRAMES),
                         [](const ::testing::TestParamInfo<FrameCase>& param) {
                             return testNameOf(param.param.name);
                         });

}  // namespace
}  // namespace ApiTest
