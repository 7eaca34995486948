// The serial port's own logic over a fake device: the order of open's steps, what each
// refused step reports and releases, the handle's states and the texts of every transfer
// failure. The real device layer is exercised on a pseudo-terminal in the other tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "FakeSerialDevice.h"
#include "LogCapture.h"
#include "tests/support/Raised.h"
#include "transport/WinSerialComm.h"

namespace {

using TestSupport::raisedBy;

using OS::SystemException;
using OS::TransferResult;
using OS::WinSerialComm;
using HandleState = OS::WinSerialComm::HandleState;
using TransportTest::fakeOpener;
using TransportTest::FakeScript;
using TransportTest::LogCapture;

const std::vector<std::string> ALL_STEPS{"purge",         "setQueueSizes", "readSettings",
                                         "writeSettings", "setTimeouts",   "clearErrors"};

struct RefusedStep {
    int step;
    const char* message;
    bool closeFails = false;  // the release that follows the refusal fails as well
};

void PrintTo(const RefusedStep& row, std::ostream* out) {
    *out << "step " << row.step << (row.closeFails ? ", close fails" : "");
}

class OpenStepRefused : public testing::TestWithParam<RefusedStep> {};

TEST_P(OpenStepRefused, RaisesItsMessageAndHoldsNoPort) {
    const RefusedStep row = GetParam();
    LogCapture log;
    FakeScript script;
    script.refusedStep = row.step;
    script.closeFails = row.closeFails;
    WinSerialComm port(fakeOpener(script));

    EXPECT_EQ(raisedBy<OS::SystemException>([&] { port.open("COM3"); }), row.message);

    // Steps run in order and stop at the refused one; from step 3 on, the port is released
    // (with its log line) before the failure is raised.
    std::vector<std::string> expectedCalls(ALL_STEPS.begin(),
                                           ALL_STEPS.begin() + std::max(0, row.step - 2));
    std::vector<std::string> expectedLog{"[Debug] open port: COM3"};
    if (row.step >= 3) {
        expectedCalls.push_back("close");
        expectedLog.push_back("[Debug] close COM port");
    }
    EXPECT_EQ(script.calls, expectedCalls);
    EXPECT_EQ(log.lines(), expectedLog);
    EXPECT_EQ(script.openedNames, std::vector<std::string>{"COM3"});
    EXPECT_EQ(port.handleState(), row.step == 2 ? HandleState::Invalid : HandleState::None);
    EXPECT_EQ(script.liveDevices, 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, OpenStepRefused,
    testing::Values(RefusedStep{2, "open COM port failed ! "},
                    RefusedStep{3, "PurgeComm() failed in WinSerialComm::open() !"},
                    RefusedStep{4, "SetupComm() failed in WinSerialComm::open() !"},
                    RefusedStep{5, "GetCommState() failed in WinSerialComm::open() !"},
                    RefusedStep{6, "SetCommState() failed in WinSerialComm::open() !"},
                    RefusedStep{7, "SetCommTimeouts() failed in WinSerialComm::open() !"},
                    RefusedStep{8, "ClearCommError() failed in WinSerialComm::open() !"},
                    RefusedStep{5, "GetCommState() failed in WinSerialComm::open() !", true}),
    [](const testing::TestParamInfo<RefusedStep>& row) {
        return "Step" + std::to_string(row.param.step) + (row.param.closeFails ? "CloseFails" : "");
    });

TEST(SerialPortLogic, OpenRunsEveryStepWithTheLineSettingsAndHoldsThePort) {
    LogCapture log;
    FakeScript script;
    WinSerialComm port(fakeOpener(script));

    port.open("COM1");

    EXPECT_EQ(script.calls, ALL_STEPS);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[Debug] open port: COM1"});
    EXPECT_EQ(port.handleState(), HandleState::Open);
    EXPECT_EQ(script.inputQueue, 1200u);
    EXPECT_EQ(script.outputQueue, 1200u);
    EXPECT_EQ(script.settings.baudRate, 9600u);
    EXPECT_EQ(script.settings.dataBits, 8);
    EXPECT_EQ(script.settings.parity, OS::LineSettings::Parity::None);
    EXPECT_EQ(script.settings.stopBits, 1);
    EXPECT_EQ(script.timeouts.readIntervalMs, 20u);
    EXPECT_EQ(script.timeouts.readTotalMultiplierMs, 0u);
    EXPECT_EQ(script.timeouts.readTotalConstantMs, 0u);
    EXPECT_EQ(script.timeouts.writeTotalMultiplierMs, 0u);
    EXPECT_EQ(script.timeouts.writeTotalConstantMs, 0u);
}

TEST(SerialPortLogic, APortWithATerminatorEndsAReadOnAPauseOnlyAfter200Ms) {
    // The terminator ends every whole message; the gap only ends one that lost it, and must
    // outlast the pauses of converters and radio links.
    FakeScript script;
    WinSerialComm port(std::optional<std::uint8_t>(0xFF), fakeOpener(script));
    port.open("COM1");
    EXPECT_EQ(script.timeouts.readIntervalMs, 200u);
}

TEST(PortName, ASpeedIsAFinalAtAndDigitsOnly) {
    struct Row {
        const char* name;
        const char* port;
        std::uint32_t baudRate;
        bool speedGiven;
    };
    const Row rows[] = {
        {"COM3", "COM3", 9600, false},
        {"COM3@38400", "COM3", 38400, true},
        {"/dev/ttyUSB0@115200", "/dev/ttyUSB0", 115200, true},
        {"/dev/serial/by-id/usb-a@b@9600", "/dev/serial/by-id/usb-a@b", 9600, true},
        {"COM3@", "COM3@", 9600, false},
        {"COM3@fast", "COM3@fast", 9600, false},
        {"COM3@38400x", "COM3@38400x", 9600, false},
        {"@38400", "@38400", 9600, false},
        {"COM3@99999999999", "COM3", 0, true},
    };
    for (const Row& row : rows) {
        const OS::PortName parsed = OS::parsePortName(row.name);
        EXPECT_EQ(parsed.port, row.port) << row.name;
        EXPECT_EQ(parsed.baudRate, row.baudRate) << row.name;
        EXPECT_EQ(parsed.speedGiven, row.speedGiven) << row.name;
    }
}

TEST(SerialPortLogic, CloseWithNoPortWritesNothing) {
    LogCapture log;
    FakeScript script;
    script.refusedStep = 2;
    WinSerialComm fresh(fakeOpener(script));
    fresh.close();
    fresh.close();

    WinSerialComm refused(fakeOpener(script));
    EXPECT_THROW(refused.open("COM9"), SystemException);
    refused.close();
    EXPECT_EQ(refused.handleState(), HandleState::Invalid);

    EXPECT_EQ(log.lines(), std::vector<std::string>{"[Debug] open port: COM9"});
}

TEST(SerialPortLogic, CloseReleasesThePortEvenWhenTheSystemReportsFailure) {
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "close fails" : "close succeeds");
        LogCapture log;
        FakeScript script;
        script.closeFails = fails;
        WinSerialComm port(fakeOpener(script));
        port.open("COM2");

        EXPECT_EQ(raisedBy<OS::SystemException>([&] { port.close(); }),
                  fails ? "CloseHandle() failed ! " : "(nothing raised)");
        EXPECT_EQ(port.handleState(), HandleState::None);
        EXPECT_EQ(script.liveDevices, 0);
        EXPECT_EQ(log.lines().back(), "[Debug] close COM port");
        port.close();  // nothing left to close, nothing raised
    }
}

TEST(SerialPortLogic, OpenWhileOpenReleasesTheHeldPortFirst) {
    LogCapture log;
    FakeScript script;
    WinSerialComm port(fakeOpener(script));
    port.open("COM1");
    port.open("COM2");

    EXPECT_EQ(script.liveDevices, 1);
    EXPECT_EQ(port.handleState(), HandleState::Open);
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"[Debug] open port: COM1", "[Debug] close COM port",
                                        "[Debug] open port: COM2"}));
}

TEST(SerialPortLogic, DestructorReleasesAnOpenPortSilently) {
    LogCapture log;
    FakeScript script;
    {
        WinSerialComm port(fakeOpener(script));
        port.open("COM1");
        ASSERT_EQ(script.liveDevices, 1);
    }
    EXPECT_EQ(script.liveDevices, 0);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[Debug] open port: COM1"});
}

TEST(SerialPortLogic, TransfersWithNoPortAreRefused) {
    FakeScript script;
    script.refusedStep = 2;
    WinSerialComm fresh(fakeOpener(script));
    WinSerialComm refused(fakeOpener(script));
    EXPECT_THROW(refused.open("COM1"), SystemException);

    for (WinSerialComm* port : {&fresh, &refused}) {
        unsigned char buffer[16] = {};
        std::uint32_t count = sizeof buffer;
        EXPECT_EQ(raisedBy<OS::SystemException>([&] { port->read(buffer, &count, 10); }),
                  "ReadFile() failed in WinSerialComm::read() !");
        EXPECT_EQ(raisedBy<OS::SystemException>([&] { port->write(buffer, &count, 10); }),
                  "WriteFile() failed in WinSerialComm::write() !");
        // Nothing can be pending either; the transfer that follows reports the missing port.
        EXPECT_TRUE(port->discardInput().empty());
    }
    EXPECT_TRUE(script.calls.empty());
}

TEST(SerialPortLogic, DiscardInputTakesWhatIsPendingUpToItsLimit) {
    LogCapture log;
    FakeScript script;
    WinSerialComm port(fakeOpener(script));
    port.open("COM1");
    script.calls.clear();

    script.pending = {0x90, 0x51, 0xFF};
    EXPECT_EQ(port.discardInput(), (std::vector<unsigned char>{0x90, 0x51, 0xFF}));
    EXPECT_TRUE(port.discardInput().empty());

    // What one call cannot take stays for the next.
    script.pending.assign(WinSerialComm::DISCARD_LIMIT + 10, 0x55);
    EXPECT_EQ(port.discardInput().size(), WinSerialComm::DISCARD_LIMIT);
    EXPECT_EQ(port.discardInput().size(), 10u);

    EXPECT_EQ(script.calls, std::vector<std::string>(4, "readPending"));
    EXPECT_EQ(port.handleState(), HandleState::Open);
    // The port itself logs nothing for it: what was dropped is for its caller to report.
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[Debug] open port: COM1"});
}

TEST(SerialPortLogic, DiscardInputFailuresRaiseTheirMessages) {
    struct Row {
        TransferResult result;
        const char* outcome;
    };
    const Row rows[] = {
        {TransferResult::PrepareFailed,
         "ClearCommError() failed in WinSerialComm::discardInput() !"},
        {TransferResult::StartFailed, "ReadFile() failed in WinSerialComm::discardInput() !"},
        {TransferResult::WaitFailed,
         "WaitForSingleObject() failed in WinSerialComm::discardInput() !"},
        {TransferResult::ResultFailed,
         "GetOverlappedResult() failed in WinSerialComm::discardInput() !"},
        // Not a failure: nothing could be taken in time, so nothing is dropped.
        {TransferResult::TimedOut, "(nothing raised)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.outcome);
        FakeScript script;
        script.pending = {0x90, 0x51, 0xFF};
        script.pendingResult = row.result;
        WinSerialComm port(fakeOpener(script));
        port.open("COM1");
        EXPECT_EQ(raisedBy<OS::SystemException>([&] { port.discardInput(); }), row.outcome);
        EXPECT_EQ(port.handleState(), HandleState::Open);
    }
}

struct TransferRow {
    bool isRead;
    TransferResult result;
    const char* outcome;  // "true", "false" or the message raised
};

void PrintTo(const TransferRow& row, std::ostream* out) {
    *out << (row.isRead ? "read " : "write ") << static_cast<int>(row.result);
}

class TransferOutcome : public testing::TestWithParam<TransferRow> {};

TEST_P(TransferOutcome, MapsToResultOrMessage) {
    const TransferRow row = GetParam();
    FakeScript script;
    script.readResult = row.result;
    script.writeResult = row.result;
    script.incoming = {0x90, 0x41, 0xFF};
    WinSerialComm port(fakeOpener(script));
    port.open("COM1");

    unsigned char buffer[16] = {};
    std::uint32_t count = sizeof buffer;
    std::string outcome;
    try {
        const bool done =
            row.isRead ? port.read(buffer, &count, 1234) : port.write(buffer, &count, 1234);
        outcome = done ? "true" : "false";
    } catch (const SystemException& e) {
        outcome = e.what();
    }
    EXPECT_EQ(outcome, row.outcome);
    EXPECT_EQ(script.lastTimeoutMs, 1234u);
    EXPECT_EQ(port.handleState(), HandleState::Open);
}

INSTANTIATE_TEST_SUITE_P(
    EachResult, TransferOutcome,
    testing::Values(TransferRow{true, TransferResult::Done, "true"},
                    TransferRow{true, TransferResult::TimedOut, "false"},
                    TransferRow{true, TransferResult::PrepareFailed,
                                "CreateEvent() failed in WinSerialComm::read() !"},
                    TransferRow{true, TransferResult::StartFailed,
                                "ReadFile() failed in WinSerialComm::read() !"},
                    TransferRow{true, TransferResult::WaitFailed,
                                "WaitForSingleObject() failed in WinSerialComm::read() !"},
                    TransferRow{true, TransferResult::ResultFailed,
                                "GetOverlappedResult() failed in WinSerialComm::read() !"},
                    TransferRow{false, TransferResult::Done, "true"},
                    TransferRow{false, TransferResult::TimedOut, "false"},
                    TransferRow{false, TransferResult::PrepareFailed,
                                "CreateEvent() failed in WinSerialComm::write() !"},
                    TransferRow{false, TransferResult::StartFailed,
                                "WriteFile() failed in WinSerialComm::write() !"},
                    TransferRow{false, TransferResult::WaitFailed,
                                "WaitForSingleObject() failed in WinSerialComm::write() !"},
                    TransferRow{false, TransferResult::ResultFailed,
                                "GetOverlappedResult() failed in WinSerialComm::write() !"}));

}  // namespace
