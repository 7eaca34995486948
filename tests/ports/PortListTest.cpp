#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "ports/PortList.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

class PortListTest : public ::testing::Test {
  protected:
    void touch(const std::string& name) {
        fs::create_directories((root / name).parent_path());
        std::ofstream(root / name).put('\n');
    }
    // The stable names are links to the adaptor's node, listed under their own name.
    void link(const std::string& name, const std::string& target) {
        fs::create_directories((root / name).parent_path());
        std::error_code error;
        fs::create_symlink(target, root / name, error);
        if (error) {
            touch(name);  // a system that refuses links still has the name
        }
    }
    std::string at(const std::string& name) const { return (root / name).string(); }

    // A fresh folder standing in for /dev.
    TestSupport::TempDir folder;
    const fs::path& root = folder.dir();
};

TEST_F(PortListTest, NamedPortsFirstThenAdaptorsInNumericOrderThenStableNames) {
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "tty1", "ttyUSB0", "null",
                             "serial/by-id/usb-FTDI_B-if00-port0",
                             "serial/by-id/usb-FTDI_A-if00-port0", "serial/by-path/pci-0"}) {
        touch(name);
    }
    EXPECT_EQ(Ports::listSerialPorts(root.string()),
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4", at("ttyUSB0"),
                                        at("ttyUSB2"), at("ttyUSB10"), at("ttyACM0"),
                                        at("serial/by-id/usb-FTDI_A-if00-port0"),
                                        at("serial/by-id/usb-FTDI_B-if00-port0")}));
}

// A serial line that the kernel knows, with the UART type its driver found (0: none); "" writes
// an entry without a type.
void line(const fs::path& ttyClass, const std::string& name, const std::string& type) {
    fs::create_directories(ttyClass / name);
    if (!type.empty()) {
        std::ofstream(ttyClass / name / "type") << type << '\n';
    }
}

// Each port as {name, device}, for comparing and printing.
std::vector<std::pair<std::string, std::string>> pairs(
    const std::vector<Ports::SerialPort>& ports) {
    std::vector<std::pair<std::string, std::string>> all;
    for (const Ports::SerialPort& port : ports) {
        all.emplace_back(port.name, port.device);
    }
    return all;
}

// Only the lines with a port behind them, by their COM name and their device, in numeric order;
// then the adaptors as the Demo lists them.
TEST_F(PortListTest, PresentPortsAreTheLinesWithAUartAndTheAdaptors) {
    for (const char* name : {"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS10", "ttySAC0", "ttyS01",
                             "ttyUSB0", "ttyACM1", "serial/by-id/usb-FTDI_A-if00-port0"}) {
        touch(name);
    }
    TestSupport::TempDir sys;
    const fs::path ttyClass = sys.dir() / "class" / "tty";
    line(ttyClass, "ttyS0", "4");   // a 16550A
    line(ttyClass, "ttyS1", "0");   // a line reserved, no UART found
    line(ttyClass, "ttyS2", "");    // a driver that does not say
    line(ttyClass, "ttyS10", "4");  // ttyS3: a node that the kernel has no line for
    line(ttyClass, "ttySAC0", "4");
    EXPECT_EQ(pairs(Ports::presentSerialPorts(root.string(), ttyClass.string())),
              (std::vector<std::pair<std::string, std::string>>{
                  {"COM1", at("ttyS0")},
                  {"COM3", at("ttyS2")},
                  {"COM11", at("ttyS10")},
                  {at("ttyUSB0"), ""},
                  {at("ttyACM1"), ""},
                  {at("serial/by-id/usb-FTDI_A-if00-port0"), ""}}));

    // Without the kernel's folder nothing tells a line from a port: every node is listed.
    EXPECT_EQ(Ports::presentSerialPorts(root.string(), (sys.dir() / "absent").string()).size(), 8u);
}

TEST(DevicePathOf, ComNamesAreSerialLinesAndOtherNamesPaths) {
    const std::pair<const char*, const char*> rows[] = {{"COM1", "/dev/ttyS0"},
                                                        {"COM12", "/dev/ttyS11"},
                                                        {"COM0", "COM0"},
                                                        {"COM01", "COM01"},
                                                        {"COM", "COM"},
                                                        {"COM1a", "COM1a"},
                                                        {"com1", "com1"},
                                                        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
                                                        {"COM1000000000", "COM1000000000"}};
    for (const auto& [name, path] : rows) {
        EXPECT_EQ(Ports::devicePathOf(name), path) << name;
    }
}

TEST_F(PortListTest, MissingFoldersLeaveTheNamedPorts) {
    EXPECT_EQ(Ports::listSerialPorts((root / "absent").string()),
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
}

}  // namespace
