// scan against the virtual camera: a chain that mixes models at each line speed, its first
// camera over UDP and TCP, and the links where no camera is: silent, missing, held by another
// process.

#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "VirtualChain.h"
#include "doctor/Scan.h"
#include "tests/support/HeldPort.h"
#include "tests/support/TempDir.h"

namespace DoctorTest {
namespace {

using Doctor::FoundCamera;
using Doctor::ScanResult;
using Doctor::ScanTarget;

Doctor::ScanSettings quick() {
    Doctor::ScanSettings settings;
    settings.wait = 300ms;
    return settings;
}

struct Expected {
    int camera;
    std::uint16_t model;
    std::uint16_t rom;
};

// The built-in models' codes: vendor 0x0051, two sockets.
const Expected CHAIN{1, 0x0002, 0x0203};
const Expected STANDARD{2, 0x0001, 0x0100};
const Expected NETWORK{3, 0x0003, 0x0301};

void expectCamera(const FoundCamera& found, const std::string& link, const Expected& expected) {
    SCOPED_TRACE(link + " camera " + std::to_string(expected.camera));
    EXPECT_EQ(found.link, link);
    EXPECT_EQ(found.camera, expected.camera);
    EXPECT_EQ(found.error, "");
    ASSERT_TRUE(found.codes.has_value());
    EXPECT_EQ(found.codes->vendor, 0x0051);
    EXPECT_EQ(found.codes->model, expected.model);
    EXPECT_EQ(found.codes->rom, expected.rom);
    EXPECT_EQ(found.codes->maxSocket, 2);
}

class ScanAtSpeed : public ::testing::TestWithParam<int> {};

// The line speed that answered is part of the name to connect with; 9600 needs none.
TEST_P(ScanAtSpeed, FindsEachCameraOfAMixedChainAtItsLineSpeed) {
    const int baud = GetParam();
    VirtualChain chain({"chain", "standard", "network"}, baud);
    const ScanResult result = Doctor::scan({Doctor::targetOf(chain.device())}, quick());
    const std::string link =
        baud == 9600 ? chain.device() : chain.device() + "@" + std::to_string(baud);
    ASSERT_EQ(result.cameras.size(), 3u);
    expectCamera(result.cameras[0], link, CHAIN);
    expectCamera(result.cameras[1], link, STANDARD);
    expectCamera(result.cameras[2], link, NETWORK);
    EXPECT_TRUE(result.notFound.empty());
    expectOnlyInquiries(chain.received());
}

INSTANTIATE_TEST_SUITE_P(Speeds, ScanAtSpeed, ::testing::Values(9600, 38400, 115200));

// Every link tried is in the result, each camera found once and each link without one with its
// cause, in the order given.
TEST(Scan, ReportsEveryLinkWithTheCamerasOrTheCause) {
    VirtualChain mixed({"network", "chain"}, 38400);
    Camsim::ServerOptions silentOptions;
    silentOptions.fault = Camsim::Fault::Silent;
    VirtualChain silent({"standard"}, 9600, silentOptions);
    VirtualChain held({"standard"});
    TestSupport::TempDir dir;
    const std::string missing = dir.path("ttyUSB7");

    // This process holds the port as another program would.
    TestSupport::HeldPort holder(held.device());
    ASSERT_TRUE(holder.held());
    const ScanResult result =
        Doctor::scan({Doctor::targetOf(mixed.device()), Doctor::targetOf(silent.device()),
                      Doctor::targetOf(missing), Doctor::targetOf(held.device()),
                      Doctor::targetOf(mixed.udp()), Doctor::targetOf(mixed.tcp())},
                     quick());
    holder.release();

    ASSERT_EQ(result.cameras.size(), 4u);
    expectCamera(result.cameras[0], mixed.device() + "@38400", {1, 0x0003, 0x0301});
    expectCamera(result.cameras[1], mixed.device() + "@38400", {2, 0x0002, 0x0203});
    // Over the network the first camera stands alone.
    expectCamera(result.cameras[2], mixed.udp(), {1, 0x0003, 0x0301});
    expectCamera(result.cameras[3], mixed.tcp(), {1, 0x0003, 0x0301});

    ASSERT_EQ(result.notFound.size(), 3u);
    EXPECT_EQ(result.notFound[0].link, silent.device());
    EXPECT_EQ(result.notFound[0].cause, "no camera answered at 9600, 38400 or 115200 baud");
    EXPECT_EQ(result.notFound[1].link, missing);
    EXPECT_EQ(result.notFound[1].cause.rfind("no such device " + missing + "; ", 0), 0u)
        << result.notFound[1].cause;
    EXPECT_EQ(result.notFound[2].link, held.device());
    // The holder is this process, which the port check does not name as another.
    EXPECT_EQ(result.notFound[2].cause, held.device() + " is held by another process");
    EXPECT_EQ(result.tried, 6u);

    expectOnlyInquiries(mixed.received());
    EXPECT_TRUE(held.received().empty());
}

// A name that carries its speed is tried at that speed first; a port present keeps its other
// name.
TEST(ScanTarget, SpeedsAndNamesOfThePortsGiven) {
    struct Case {
        const char* name;
        ScanTarget target;
    };
    const Case cases[] = {
        {"/dev/ttyUSB0", {"/dev/ttyUSB0", "", {9600, 38400, 115200}}},
        {"/dev/ttyUSB0@115200", {"/dev/ttyUSB0", "", {115200, 9600, 38400}}},
        {"COM3@38400", {"COM3", "/dev/ttyS2", {38400, 9600, 115200}}},
        {"COM9@38400", {"COM9", "", {38400, 9600, 115200}}},
        {"/dev/ttyUSB0@57600", {"/dev/ttyUSB0", "", {57600, 9600, 38400, 115200}}},
        {"udp://10.0.0.7", {"udp://10.0.0.7", "", {}}},
        {"tcp://10.0.0.7:5678", {"tcp://10.0.0.7:5678", "", {}}},
    };
    for (const Case& c : cases) {
        const ScanTarget target = Doctor::targetOf(c.name, {{"COM3", "/dev/ttyS2"}, {"COM4", ""}});
        EXPECT_EQ(target.name, c.target.name) << c.name;
        EXPECT_EQ(target.device, c.target.device) << c.name;
        EXPECT_EQ(target.speeds, c.target.speeds) << c.name;
    }
}

TEST(ScanTarget, EachHostOnEachPortWithIpv6InBrackets) {
    std::vector<std::string> names;
    for (const ScanTarget& target :
         Doctor::networkTargets({"10.0.0.7", "fe80::1", "[::1]"}, {52381}, {5678, 5679})) {
        EXPECT_TRUE(target.speeds.empty()) << target.name;
        names.push_back(target.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{
                         "udp://10.0.0.7:52381", "tcp://10.0.0.7:5678", "tcp://10.0.0.7:5679",
                         "udp://[fe80::1]:52381", "tcp://[fe80::1]:5678", "tcp://[fe80::1]:5679",
                         "udp://[::1]:52381", "tcp://[::1]:5678", "tcp://[::1]:5679"}));
}

}  // namespace
}  // namespace DoctorTest
