#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "demo/PortList.h"

namespace {

namespace fs = std::filesystem;

class PortListTest : public ::testing::Test {
  protected:
    PortListTest() {
        std::string pattern = (fs::temp_directory_path() / "quorvin-ports-XXXXXX").string();
        root = mkdtemp(pattern.data());
    }
    ~PortListTest() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    void touch(const std::string& name) {
        fs::create_directories((root / name).parent_path());
        std::ofstream(root / name).put('\n');
    }
    std::string at(const std::string& name) const { return (root / name).string(); }

    fs::path root;
};

TEST_F(PortListTest, NamedPortsFirstThenAdaptorsInNumericOrderThenStableNames) {
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "tty1", "ttyUSB0", "null",
                             "serial/by-id/usb-FTDI_B-if00-port0",
                             "serial/by-id/usb-FTDI_A-if00-port0", "serial/by-path/pci-0"}) {
        touch(name);
    }
    EXPECT_EQ(Quorvin::listSerialPorts(root.string()),
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4", at("ttyUSB0"),
                                        at("ttyUSB2"), at("ttyUSB10"), at("ttyACM0"),
                                        at("serial/by-id/usb-FTDI_A-if00-port0"),
                                        at("serial/by-id/usb-FTDI_B-if00-port0")}));
}

TEST_F(PortListTest, MissingFoldersLeaveTheNamedPorts) {
    EXPECT_EQ(Quorvin::listSerialPorts((root / "absent").string()),
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
}

}  // namespace
