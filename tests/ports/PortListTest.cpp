#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
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

TEST_F(PortListTest, MissingFoldersLeaveTheNamedPorts) {
    EXPECT_EQ(Ports::listSerialPorts((root / "absent").string()),
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
}

}  // namespace
