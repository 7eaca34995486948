// The transport's full 6000 ms receive time-out on a silent line. Slow by nature: labelled
// "slow" so that it can be left out of quick runs (ctest -LE slow).
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "LogCapture.h"
#include "PseudoTerminal.h"
#include "quorvin/DriverException.h"
#include "transport/WinSerialCommAdaptor.h"

namespace {

TEST(AdaptorOnPtySlow, SilentCameraTimesOutAfterSixSeconds) {
    TransportTest::PseudoTerminal line;
    CameraDriver::WinSerialCommAdaptor adaptor;
    adaptor.connect(line.path());
    TransportTest::LogCapture log;

    unsigned char buffer[16];
    std::uint32_t count = sizeof buffer;
    std::string raised;
    const auto start = std::chrono::steady_clock::now();
    try {
        adaptor.recv(buffer, &count);
    } catch (const CameraDriver::DriverException& e) {
        raised = e.what();
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(6000));
    // Twice the limit: a read that overshoots by seconds is a fault, not a slow machine.
    EXPECT_LT(waited, std::chrono::milliseconds(12000));
    EXPECT_EQ(raised, "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !");
    EXPECT_TRUE(log.exceptionLines().empty());
}

}  // namespace
