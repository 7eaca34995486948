// The public Controller over tcp:// and udp:// against the virtual camera's first camera, which
// the test can look into: the same script gives the same frames and results as on the serial
// line, settings reach the camera that the line serves too, and the network's faults (a TCP
// peer that closes, duplicated and late datagrams) end as they should.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Script.h"
#include "quorvin/Controller.h"
#include "tests/e2e/MixedExchanges.h"
#include "tests/e2e/NetworkCamera.h"
#include "tests/e2e/OperationScript.h"
#include "tests/support/LogSandbox.h"
#include "tests/support/Raised.h"

namespace {

using CameraDriver::Controller;
using CameraDriver::DriverException;
using E2eTest::Link;
using E2eTest::NetworkCamera;
using TestSupport::raisedBy;
using TestSupport::readLines;
using Clock = std::chrono::steady_clock;

// What one run of the script gave: each step's printed result or failure, and the frames that
// reached the camera.
struct ScriptRun {
    std::vector<std::string> results;
    std::vector<std::string> frames;
};

ScriptRun runScript(Controller& camera, NetworkCamera& sim) {
    ScriptRun run;
    std::istringstream lines(E2eTest::OPERATION_SCRIPT);
    std::istringstream noInput;
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> words = QuorvinCli::splitLine(line);
        if (words.empty()) continue;
        for (const QuorvinCli::Step& step : QuorvinCli::parseSteps(words)) {
            std::ostringstream printed;
            QuorvinCli::Runner runner(camera, printed, false);
            try {
                runner.run(step, noInput);
                run.results.push_back(line + " -> " + printed.str());
            } catch (const DriverException& failure) {
                run.results.push_back(line + " -> failed: " + failure.what());
            }
        }
    }
    run.frames = sim.takeReceived();
    return run;
}

const std::string ADDRESS_SET = "88 30 01 FF";

struct LinkCase {
    Link link;
    std::vector<std::string> connectFrames;  // what connect sends the camera
    bool carriesAddressSet;                  // getCamerasTotal's frame reaches the camera
};

const LinkCase LINKS[] = {
    {Link::Pty, {ADDRESS_SET, "88 01 00 01 FF"}, true},
    // The byte stream carries the chain's broadcasts, answered as a chain of one.
    {Link::Tcp, {ADDRESS_SET, "88 01 00 01 FF"}, true},
    // The transport answers Address_Set itself and clears the camera with its own IF_Clear.
    {Link::Udp, {"81 01 00 01 FF"}, false},
};

TEST(NetworkCamera, EveryOperationSendsTheSameFramesAndGivesTheSameResultsOnEachLink) {
    TestSupport::LogSandbox sandbox;
    std::vector<ScriptRun> runs;
    for (const LinkCase& c : LINKS) {
        SCOPED_TRACE(E2eTest::linkName(c.link));
        // A fresh camera each time, so that every run starts from the same state.
        NetworkCamera sim;
        Controller camera;
        camera.connect(sim.name(c.link));
        EXPECT_EQ(sim.takeReceived(), c.connectFrames);
        runs.push_back(runScript(camera, sim));
        camera.disconnect();
    }
    const ScriptRun& line = runs[0];
    // The script reached the camera: one frame at least per step, and the steps that must work
    // did.
    EXPECT_GE(line.frames.size(), 140u);
    EXPECT_EQ(std::count_if(line.results.begin(), line.results.end(),
                            [](const std::string& r) { return r.find("failed") != r.npos; }),
              2)
        << "only moveUp and getZoom of a powered-off camera fail";
    for (std::size_t i = 1; i < runs.size(); ++i) {
        SCOPED_TRACE(E2eTest::linkName(LINKS[i].link));
        std::vector<std::string> expected = line.frames;
        if (!LINKS[i].carriesAddressSet) {
            expected.erase(std::remove(expected.begin(), expected.end(), ADDRESS_SET),
                           expected.end());
        }
        EXPECT_EQ(runs[i].frames, expected);
        EXPECT_EQ(runs[i].results, line.results);
    }
}

class OverEachNetworkLink : public testing::TestWithParam<Link> {
  protected:
    TestSupport::LogSandbox sandbox;
    NetworkCamera sim;
    Controller camera;
};

TEST_P(OverEachNetworkLink, SettingsReachTheCameraThatTheLineServesToo) {
    camera.connect(sim.name(GetParam()));
    EXPECT_EQ(camera.getCamerasTotal(), 1);
    camera.setWBMode(Controller::WBIndoor);
    camera.setZoom(0.25);
    EXPECT_EQ(camera.getWBMode(), Controller::WBIndoor);
    EXPECT_NEAR(camera.getZoom(), 0.25, 1.0 / 16384);
    EXPECT_EQ(sim.server.camera(1).wbMode, Controller::WBIndoor);
    EXPECT_EQ(sim.server.camera(1).zoom, 4096);

    // The same camera over the serial line reads what the network wrote, and the other way.
    Controller onLine;
    onLine.connect(sim.name(Link::Pty));
    EXPECT_EQ(onLine.getWBMode(), Controller::WBIndoor);
    onLine.setGain(11);
    EXPECT_EQ(camera.getGain(), 11);
}

TEST_P(OverEachNetworkLink, TwentyMixedExchangesReadTheCameraRight) {
    camera.connect(sim.name(GetParam()));
    E2eTest::runMixedExchanges(camera, sim.server, true);
}

INSTANTIATE_TEST_SUITE_P(Links, OverEachNetworkLink, testing::Values(Link::Tcp, Link::Udp),
                         [](const auto& row) { return E2eTest::linkName(row.param); });

// Datagrams that a network duplicates or delays within an exchange: every reply but the
// expected one is dropped, and no result changes.
struct DatagramFault {
    const char* name;
    Camsim::NetworkFault fault;
    const char* dropped;  // what the debug log says of the extra datagrams; empty: none
};

class UdpDatagramFaults : public testing::TestWithParam<DatagramFault> {};

TEST_P(UdpDatagramFaults, LeaveEveryResultAsItWas) {
    TestSupport::LogSandbox sandbox;
    Camsim::NetworkFaultPlan plan;
    plan.fault = GetParam().fault;
    plan.request = 0;
    plan.delay = std::chrono::milliseconds(40);
    NetworkCamera sim(plan);
    setLogFile("udp.log");
    setDebugEnabled(true);
    Controller camera;
    camera.connect(sim.name(Link::Udp));
    E2eTest::runMixedExchanges(camera, sim.server, true);
    camera.disconnect();
    const std::vector<std::string> lines = readLines("udp.log");
    const std::string dropped = GetParam().dropped;
    if (!dropped.empty()) {
        EXPECT_GT(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& l) { return l.find(dropped) != l.npos; }),
                  0);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, UdpDatagramFaults,
                         testing::Values(DatagramFault{"Duplicate", Camsim::NetworkFault::Duplicate,
                                                       "Dropped datagram"},
                                         DatagramFault{"Late", Camsim::NetworkFault::Late, ""}),
                         [](const auto& row) { return std::string(row.param.name); });

// A TCP camera that closes the connection mid-exchange: the operation fails at once, and a new
// connection works again.
struct TcpClose {
    const char* name;
    Camsim::NetworkFault fault;
};

class TcpPeerCloses : public testing::TestWithParam<TcpClose> {};

TEST_P(TcpPeerCloses, FailsAtOnceAndANewConnectionWorks) {
    TestSupport::LogSandbox sandbox;
    Camsim::NetworkFaultPlan plan;
    plan.fault = GetParam().fault;
    plan.request = 3;  // after connect's Address_Set and IF_Clear
    NetworkCamera sim(plan);
    Controller camera;
    camera.connect(sim.name(Link::Tcp));
    const auto start = Clock::now();
    EXPECT_EQ(raisedBy([&] { camera.getZoom(); }),
              "Network camera " + sim.peer(Link::Tcp) + ": connection closed");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3)) << "not the 6 s time-out";

    sim.server.setNetworkFault({});
    camera.connect(sim.name(Link::Tcp));
    camera.setZoom(0.5);
    EXPECT_NEAR(camera.getZoom(), 0.5, 1.0 / 16384);
}

INSTANTIATE_TEST_SUITE_P(Faults, TcpPeerCloses,
                         testing::Values(TcpClose{"AtTheRequest", Camsim::NetworkFault::Close},
                                         TcpClose{"MidReply", Camsim::NetworkFault::CloseMidReply}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
