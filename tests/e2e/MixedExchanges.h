#pragma once

// Twenty operations, commands and inquiries in turn, each checked against the virtual camera's
// own state: after a stray reply, any exchange that read another's bytes shows up as a wrong
// value or a failure.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "quorvin/Controller.h"
#include "sim/PtyServer.h"

namespace E2eTest {

using CameraDriver::Controller;

struct MixedExchange {
    const char* name;
    std::function<void(Controller&, const Camsim::PtyServer&)> run;
};

inline void expectPanTilt(Controller& camera, const Camsim::PtyServer& server) {
    double pan = 0;
    double tilt = 0;
    camera.getPanTilt(pan, tilt);
    const Camsim::CameraState state = server.camera();
    EXPECT_NEAR(pan, state.pan / 1440.0, 1e-9);
    EXPECT_NEAR(tilt, state.tilt / 360.0, 1e-9);
}

// With `moves`, four of the commands are moves (absolute position, preset recall, direct zoom,
// home); otherwise settings take their places, so that a camera whose moves complete too late
// for the controller can run the whole list.
inline std::vector<MixedExchange> mixedExchanges(bool moves) {
    using C = Controller;
    using S = Camsim::PtyServer;
    const auto either = [moves](MixedExchange move, MixedExchange setting) {
        return moves ? move : setting;
    };
    return {
        {"getBackLightState",
         [](C& c, const S& s) { EXPECT_EQ(c.getBackLightState(), s.camera().backlight); }},
        {"getPowerState", [](C& c, const S& s) { EXPECT_EQ(c.getPowerState(), s.camera().power); }},
        {"setGain",
         [](C& c, const S& s) {
             c.setGain(9);
             EXPECT_EQ(s.camera().gain, 9);
         }},
        {"getGain", [](C& c, const S& s) { EXPECT_EQ(c.getGain(), s.camera().gain); }},
        {"getPanTilt", expectPanTilt},
        {"setWBMode",
         [](C& c, const S& s) {
             c.setWBMode(Controller::WBIndoor);
             EXPECT_EQ(s.camera().wbMode, Controller::WBIndoor);
         }},
        {"getWBMode", [](C& c, const S& s) { EXPECT_EQ(c.getWBMode(), s.camera().wbMode); }},
        either({"setPanTilt",
                [](C& c, const S& s) {
                    c.setPanTilt(-0.25, 0.5, 0, 0);
                    EXPECT_EQ(s.camera().pan, -360);
                    EXPECT_EQ(s.camera().tilt, 180);
                }},
               {"setAperture",
                [](C& c, const S& s) {
                    c.setAperture(3);
                    EXPECT_EQ(s.camera().aperture, 3);
                }}),
        either({"getPanTilt", expectPanTilt},
               {"getAperture",
                [](C& c, const S& s) { EXPECT_EQ(c.getAperture(), s.camera().aperture); }}),
        {"setBackLightState",
         [](C& c, const S& s) {
             c.setBackLightState(false);
             EXPECT_FALSE(s.camera().backlight);
         }},
        {"getBackLightState",
         [](C& c, const S& s) { EXPECT_EQ(c.getBackLightState(), s.camera().backlight); }},
        {"getFocusMode",
         [](C& c, const S& s) { EXPECT_EQ(c.getFocusMode(), s.camera().autoFocus); }},
        either({"memoryRecall", [](C& c, const S&) { c.memoryRecall(2); }},
               {"setExpComp",
                [](C& c, const S& s) {
                    c.setExpComp(4);
                    EXPECT_EQ(s.camera().expComp, 4);
                }}),
        either({"getPanTilt", expectPanTilt},
               {"getExpComp",
                [](C& c, const S& s) { EXPECT_EQ(c.getExpComp(), s.camera().expComp); }}),
        either({"setZoom",
                [](C& c, const S& s) {
                    c.setZoom(0.5);
                    EXPECT_EQ(s.camera().zoom, 8192);
                }},
               {"setRGain",
                [](C& c, const S& s) {
                    c.setRGain(0x40);
                    EXPECT_EQ(s.camera().rGain, 0x40);
                }}),
        {"getZoom",
         [](C& c, const S& s) { EXPECT_NEAR(c.getZoom(), s.camera().zoom / 16384.0, 1e-9); }},
        either({"moveHome", [](C& c, const S&) { c.moveHome(); }}, {"setIris",
                                                                    [](C& c, const S& s) {
                                                                        c.setIris(6);
                                                                        EXPECT_EQ(s.camera().iris,
                                                                                  6);
                                                                    }}),
        either({"getPanTilt", expectPanTilt},
               {"getIris", [](C& c, const S& s) { EXPECT_EQ(c.getIris(), s.camera().iris); }}),
        {"getRGain", [](C& c, const S& s) { EXPECT_EQ(c.getRGain(), s.camera().rGain); }},
        {"getDZoomState",
         [](C& c, const S& s) { EXPECT_EQ(c.getDZoomState(), s.camera().digitalZoom); }},
    };
}

// Runs the list; an operation that fails is reported with its name and ends nothing else.
inline void runMixedExchanges(Controller& camera, const Camsim::PtyServer& server, bool moves) {
    for (const MixedExchange& exchange : mixedExchanges(moves)) {
        SCOPED_TRACE(exchange.name);
        try {
            exchange.run(camera, server);
        } catch (const CameraDriver::DriverException& failure) {
            ADD_FAILURE() << failure.what();
        }
    }
}

// How many lines of a log file start with `text`.
inline int linesStartingWith(const std::vector<std::string>& lines, const std::string& text) {
    int count = 0;
    for (const std::string& line : lines) {
        count += line.compare(0, text.size(), text) == 0 ? 1 : 0;
    }
    return count;
}

}  // namespace E2eTest
