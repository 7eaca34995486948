// The commands a camera most likely lacks when it refuses an inquiry, from the operation table.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doctor/Diagnosis.h"

namespace DoctorTest {
namespace {

TEST(LikelyLacks, TheSetterAndSteppersOfTheRefusedInquiry) {
    struct Case {
        const char* inquiry;
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        {"getDZoomState", {"setDZoomState"}},
        {"getAutoPowerOffDelay", {"setAutoPowerOffDelay"}},
        {"getRGain", {"setRGain", "increaseRGain", "decreaseRGain", "resetRGain"}},
        {"getShutter", {"setShutter", "upShutter", "downShutter", "resetShutter"}},
        // A name that another begins with takes only its own.
        {"getExpComp", {"setExpComp", "upExpComp", "downExpComp", "resetExpComp"}},
        {"getExpCompState", {"setExpCompState"}},
        {"getFocus", {"setFocus"}},
        {"getPanTilt", {"setPanTilt"}},
        // Nothing sets what a camera is.
        {"getDeviceType", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Doctor::commandsOf(c.inquiry), c.commands) << c.inquiry;
    }
}

}  // namespace
}  // namespace DoctorTest
