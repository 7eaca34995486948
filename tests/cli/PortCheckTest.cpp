// The wording of a port that would not open, from the facts a platform found.

#include <gtest/gtest.h>

#include <string>

#include "cli/PortCheck.h"

namespace CliTest {
namespace {

using QuorvinCli::explainPort;
using QuorvinCli::PortFacts;
using Cause = QuorvinCli::PortFacts::Cause;

struct ExplainCase {
    const char* label;
    PortFacts facts;
    std::string line;
};

void PrintTo(const ExplainCase& c, std::ostream* out) { *out << c.label; }

class PortExplanation : public ::testing::TestWithParam<ExplainCase> {};

TEST_P(PortExplanation, SaysWhatIsWrongAndWhatToDo) {
    EXPECT_EQ(explainPort(GetParam().facts), GetParam().line);
}

PortFacts facts(Cause cause) {
    PortFacts f;
    f.cause = cause;
    f.device = "/dev/ttyUSB0";
    f.user = "ann";
    return f;
}

PortFacts with(PortFacts f, void (*change)(PortFacts&)) {
    change(f);
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Causes, PortExplanation,
    ::testing::Values(
        ExplainCase{"nothing found", facts(Cause::Unknown), ""},
        ExplainCase{"missing, others present",
                    with(facts(Cause::Missing),
                         [](PortFacts& f) {
                             f.present = {"COM1", "/dev/ttyUSB1"};
                         }),
                    "no such device /dev/ttyUSB0; ports present: COM1, /dev/ttyUSB1"},
        ExplainCase{"missing, none present", facts(Cause::Missing),
                    "no such device /dev/ttyUSB0; no serial port is present"},
        ExplainCase{"a file",
                    with(facts(Cause::NotDevice), [](PortFacts& f) { f.what = "a folder"; }),
                    "/dev/ttyUSB0 is a folder, not a serial device"},
        ExplainCase{"another device", facts(Cause::NotSerial),
                    "/dev/ttyUSB0 is not a serial device"},
        ExplainCase{"group to join",
                    with(facts(Cause::PermissionDenied), [](PortFacts& f) { f.group = "dialout"; }),
                    "permission denied: /dev/ttyUSB0 belongs to group dialout, which ann is not "
                    "in; join it with: sudo usermod -aG dialout $USER (then log in again)"},
        ExplainCase{"group joined since logging in",
                    with(facts(Cause::PermissionDenied),
                         [](PortFacts& f) {
                             f.group = "uucp";
                             f.joinedButNotActive = true;
                         }),
                    "permission denied: /dev/ttyUSB0 belongs to group uucp, which ann joined "
                    "after logging in; log in again"},
        ExplainCase{"no group may open it", facts(Cause::PermissionDenied),
                    "permission denied: ann may not open /dev/ttyUSB0"},
        ExplainCase{"held, holders shown",
                    with(facts(Cause::Busy),
                         [](PortFacts& f) {
                             f.holders = {"minicom (pid 12)", "screen (pid 40)"};
                         }),
                    "/dev/ttyUSB0 is held by another process: minicom (pid 12), screen (pid 40)"},
        ExplainCase{"held, holder hidden", facts(Cause::Busy),
                    "/dev/ttyUSB0 is held by another process"},
        ExplainCase{"refused, held or not allowed", facts(Cause::BusyOrDenied),
                    "access to /dev/ttyUSB0 denied: another program has it open (close it), or "
                    "this account may not use it"}));

// Two names side by side, the device paths lined up; a port with one name alone on its line.
TEST(PortLines, ComNamesBesideTheirDevices) {
    EXPECT_EQ(QuorvinCli::portLines(
                  {{"COM1", "/dev/ttyS0"}, {"COM12", "/dev/ttyS11"}, {"/dev/ttyUSB0", ""}}),
              "COM1   /dev/ttyS0\nCOM12  /dev/ttyS11\n/dev/ttyUSB0\n");
    EXPECT_EQ(QuorvinCli::portLines({{"COM3", ""}}), "COM3\n");
    EXPECT_EQ(QuorvinCli::portLines({}), "");
}

TEST(PortDiagnosis, NetworkAddressesAreNotLookedAt) {
    for (const char* address : {"tcp://192.0.2.1:5678", "udp://192.0.2.1:52381"}) {
        EXPECT_EQ(QuorvinCli::diagnosePort(address), "") << address;
    }
    EXPECT_NE(QuorvinCli::diagnosePort("/nonexistent/ttyUSB0"), "");
}

// The line speed is no part of the device: the port is looked at without it.
TEST(PortDiagnosis, LooksAtThePortWithoutItsLineSpeed) {
    const std::string cause = QuorvinCli::diagnosePort("/nonexistent/ttyUSB0@38400");
    EXPECT_EQ(cause.rfind("no such device /nonexistent/ttyUSB0; ", 0), 0u) << cause;
    // A name whose "@" is not followed by a speed is a path as it stands.
    EXPECT_EQ(QuorvinCli::diagnosePort("/nonexistent/cam@front")
                  .rfind("no such device /nonexistent/cam@front; ", 0),
              0u);
}

}  // namespace
}  // namespace CliTest
