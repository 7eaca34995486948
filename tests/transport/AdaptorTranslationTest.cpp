// The adaptor's translation of the serial port's results into the transport's exception, over
// a fake device: which failure writes an exception line and which message reaches the caller.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "FakeSerialDevice.h"
#include "LogCapture.h"
#include "driver/ControllerImpl.h"
#include "quorvin/DriverException.h"
#include "tests/support/Raised.h"
#include "transport/LinkByName.h"
#include "transport/WinSerialCommAdaptor.h"

namespace {

using CameraDriver::DriverException;
using CameraDriver::WinSerialCommAdaptor;
using OS::TransferResult;
using HandleState = OS::WinSerialComm::HandleState;
using TestSupport::raisedBy;
using TransportTest::fakeOpener;
using TransportTest::FakeScript;
using TransportTest::LogCapture;

enum class Operation { Connect, Disconnect, Send, Recv };

struct TranslationRow {
    const char* name;
    Operation operation;
    bool connectFirst;
    std::function<void(FakeScript&)> arrange;
    const char* exceptionLine;  // nullptr: no exception line
    const char* message;
};

void PrintTo(const TranslationRow& row, std::ostream* out) { *out << row.name; }

class AdaptorTranslation : public testing::TestWithParam<TranslationRow> {};

TEST_P(AdaptorTranslation, LogsTheSystemTextAndRaisesItsOwnMessage) {
    const TranslationRow& row = GetParam();
    FakeScript script;
    WinSerialCommAdaptor adaptor(fakeOpener(script));
    if (row.connectFirst) {
        adaptor.connect("COM1");
    }
    row.arrange(script);
    LogCapture log;

    unsigned char buffer[16] = {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF};
    std::uint32_t count = row.operation == Operation::Send ? 6 : sizeof buffer;
    std::string raised = "(nothing raised)";
    try {
        switch (row.operation) {
            case Operation::Connect:
                adaptor.connect("COM1");
                break;
            case Operation::Disconnect:
                adaptor.disconnect();
                break;
            case Operation::Send:
                adaptor.send(buffer, &count);
                break;
            case Operation::Recv:
                adaptor.recv(buffer, &count);
                break;
        }
    } catch (const DriverException& e) {
        raised = e.what();
    }

    EXPECT_EQ(raised, row.message);
    const std::vector<std::string> expectedLines = row.exceptionLine
                                                       ? std::vector<std::string>{row.exceptionLine}
                                                       : std::vector<std::string>{};
    EXPECT_EQ(log.exceptionLines(), expectedLines);
    if (row.operation == Operation::Connect || row.operation == Operation::Disconnect) {
        EXPECT_NE(adaptor.handleState(), HandleState::Open);
        EXPECT_EQ(script.liveDevices, 0);
    }
}

const auto refuseStep = [](int step) { return [step](FakeScript& s) { s.refusedStep = step; }; };
const auto readEnds = [](TransferResult r) { return [r](FakeScript& s) { s.readResult = r; }; };
const auto writeEnds = [](TransferResult r) { return [r](FakeScript& s) { s.writeResult = r; }; };
const auto discardEnds = [](TransferResult r) {
    return [r](FakeScript& s) {
        s.pending = {0x90, 0x51, 0xFF};
        s.pendingResult = r;
    };
};
const auto nothing = [](FakeScript&) {};

INSTANTIATE_TEST_SUITE_P(
    Table, AdaptorTranslation,
    testing::Values(
        TranslationRow{"ConnectRefused", Operation::Connect, false, refuseStep(2),
                       "open COM port failed ! ", "WinSerialCommAdaptor::connect() failed !"},
        TranslationRow{"ConnectSettingsRefused", Operation::Connect, false, refuseStep(6),
                       "SetCommState() failed in WinSerialComm::open() !",
                       "WinSerialCommAdaptor::connect() failed !"},
        TranslationRow{"DisconnectFails", Operation::Disconnect, true,
                       [](FakeScript& s) { s.closeFails = true; }, "CloseHandle() failed ! ",
                       "WinSerialCommAdaptor::disconnect() failed !"},
        TranslationRow{"DisconnectNeverConnected", Operation::Disconnect, false, nothing, nullptr,
                       "(nothing raised)"},
        TranslationRow{"SendFails", Operation::Send, true, writeEnds(TransferResult::StartFailed),
                       "WriteFile() failed in WinSerialComm::write() !",
                       "Serial communication error occured in WinSerialCommAdaptor::send() !"},
        TranslationRow{"SendWaitFails", Operation::Send, true,
                       writeEnds(TransferResult::WaitFailed),
                       "WaitForSingleObject() failed in WinSerialComm::write() !",
                       "Serial communication error occured in WinSerialCommAdaptor::send() !"},
        TranslationRow{"SendTimesOut", Operation::Send, true, writeEnds(TransferResult::TimedOut),
                       nullptr,
                       "Write data to serial COM timeout in WinSerialCommAdaptor::send() !"},
        TranslationRow{"SendDiscardFails", Operation::Send, true,
                       discardEnds(TransferResult::StartFailed),
                       "ReadFile() failed in WinSerialComm::discardInput() !",
                       "Serial communication error occured in WinSerialCommAdaptor::send() !"},
        TranslationRow{"SendDiscardSizingFails", Operation::Send, true,
                       discardEnds(TransferResult::PrepareFailed),
                       "ClearCommError() failed in WinSerialComm::discardInput() !",
                       "Serial communication error occured in WinSerialCommAdaptor::send() !"},
        TranslationRow{"SendNotConnected", Operation::Send, false, nothing,
                       "WriteFile() failed in WinSerialComm::write() !",
                       "Serial communication error occured in WinSerialCommAdaptor::send() !"},
        TranslationRow{"RecvFails", Operation::Recv, true, readEnds(TransferResult::StartFailed),
                       "ReadFile() failed in WinSerialComm::read() !",
                       "Serial communication error occured in WinSerialCommAdaptor::recv() !"},
        TranslationRow{"RecvResultFails", Operation::Recv, true,
                       readEnds(TransferResult::ResultFailed),
                       "GetOverlappedResult() failed in WinSerialComm::read() !",
                       "Serial communication error occured in WinSerialCommAdaptor::recv() !"},
        TranslationRow{"RecvTimesOut", Operation::Recv, true, readEnds(TransferResult::TimedOut),
                       nullptr,
                       "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !"},
        TranslationRow{"RecvNotConnected", Operation::Recv, false, nothing,
                       "ReadFile() failed in WinSerialComm::read() !",
                       "Serial communication error occured in WinSerialCommAdaptor::recv() !"}),
    [](const testing::TestParamInfo<TranslationRow>& row) { return row.param.name; });

TEST(Adaptor, FailedConnectClosesOnceMoreAndLeavesNoPort) {
    LogCapture log;
    FakeScript script;
    script.refusedStep = 2;
    WinSerialCommAdaptor adaptor(fakeOpener(script));

    EXPECT_THROW(adaptor.connect("COM4"), DriverException);
    // After a refused open the handle is the invalid value: the extra close finds nothing.
    EXPECT_EQ(adaptor.handleState(), HandleState::Invalid);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"[Debug] open port: COM4",
                                                     "[Exception] open COM port failed ! "}));

    script.refusedStep = 0;
    adaptor.connect("COM4");
    EXPECT_EQ(adaptor.handleState(), HandleState::Open);
}

TEST(Adaptor, ALineSpeedAfterTheNameSetsTheLine) {
    LogCapture log;
    FakeScript script;
    WinSerialCommAdaptor adaptor(fakeOpener(script));
    adaptor.connect("COM3@38400");
    EXPECT_EQ(script.openedNames, std::vector<std::string>{"COM3"});
    EXPECT_EQ(script.settings.baudRate, 38400u);
    EXPECT_EQ(log.lines().front(), "[Debug] open port: COM3@38400");
    adaptor.connect("COM3");
    EXPECT_EQ(script.settings.baudRate, 9600u);
}

TEST(Adaptor, ASpeedTheSystemCannotSetIsRefusedBeforeThePortIsOpened) {
    for (const char* name : {"COM3@12345", "COM3@0", "COM3@99999999999"}) {
        LogCapture log;
        FakeScript script;
        WinSerialCommAdaptor adaptor(fakeOpener(script));
        const std::string failure = raisedBy<DriverException>([&] { adaptor.connect(name); });
        const std::string speed = std::string(name).substr(5);
        EXPECT_EQ(
            failure.rfind("Line speed " + speed + " cannot be set on this system; use one of ", 0),
            0u)
            << failure;
        EXPECT_NE(failure.find(" 9600 "), std::string::npos) << failure;
        EXPECT_NE(failure.find(" 38400 "), std::string::npos) << failure;
        EXPECT_TRUE(script.openedNames.empty()) << name;
        EXPECT_EQ(log.exceptionLines(), std::vector<std::string>{failure});
    }
}

TEST(Adaptor, TransfersUseTheFixedTimeOutAndPassCountsThrough) {
    FakeScript script;
    script.incoming = {0x90, 0x41, 0xFF};
    WinSerialCommAdaptor adaptor(fakeOpener(script));
    adaptor.connect("COM1");

    const unsigned char command[] = {0x81, 0x01, 0x06, 0x04, 0xFF};
    std::uint32_t count = sizeof command;
    adaptor.send(command, &count);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(script.lastTimeoutMs, 6000u);
    EXPECT_EQ(script.written, std::vector<unsigned char>(command, command + 5));

    unsigned char reply[16] = {};
    count = sizeof reply;
    script.lastTimeoutMs = 0;
    adaptor.recv(reply, &count);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(script.lastTimeoutMs, 6000u);
    EXPECT_EQ(std::vector<unsigned char>(reply, reply + 3), script.incoming);
}

TEST(Adaptor, ReceiveHandsItsMessageTerminatorToTheDevice) {
    for (const std::optional<std::uint8_t> terminator :
         {std::optional<std::uint8_t>(), std::optional<std::uint8_t>(0xFF),
          std::optional<std::uint8_t>(0x0D)}) {
        FakeScript script;
        script.incoming = {0x90, 0x41, 0xFF};
        WinSerialCommAdaptor adaptor(terminator, fakeOpener(script));
        adaptor.connect("COM1");
        unsigned char reply[16] = {};
        std::uint32_t count = sizeof reply;
        adaptor.recv(reply, &count);
        EXPECT_EQ(script.lastTerminator, terminator) << (terminator ? int(*terminator) : -1);
    }
}

// The protocol engine's transport ends every receive at the frame terminator.
TEST(Adaptor, TheEnginesTransportEndsReceivesAt0xFF) {
    const std::unique_ptr<CameraDriver::ControllerImpl> impl(CameraDriver::createControllerImpl());
    const auto* link = dynamic_cast<const CameraDriver::LinkByName*>(impl->getComm());
    ASSERT_NE(link, nullptr);
    const auto* port = dynamic_cast<const OS::WinSerialComm*>(link->current());
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->messageTerminator(), std::optional<std::uint8_t>(0xFF));
}

TEST(Adaptor, SendDropsPendingInputWithOneLogLineBeforeWriting) {
    FakeScript script;
    WinSerialCommAdaptor adaptor(fakeOpener(script));
    adaptor.connect("COM1");
    script.calls.clear();
    LogCapture log;

    const unsigned char command[] = {0x81, 0x09, 0x04, 0x33, 0xFF};
    script.pending = {0x90, 0x51, 0xFF, 0x90, 0x41};
    std::uint32_t count = sizeof command;
    adaptor.send(command, &count);
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"[Debug] Discarded stale input: 90 51 ff 90 41 "});
    // Read until nothing more is pending and nothing more comes in a short wait, then the
    // write.
    EXPECT_EQ(script.calls,
              (std::vector<std::string>{"readPending", "readPending", "read", "write"}));
    EXPECT_EQ(script.written, std::vector<unsigned char>(command, command + sizeof command));

    // Nothing pending: nothing logged, the write as before.
    count = sizeof command;
    adaptor.send(command, &count);
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(count, sizeof command);
}

TEST(Adaptor, WholeMessagesReadAwayLeaveNoWaitForMore) {
    // A camera that reports often must not hold every command up; bytes that stop inside a
    // message are a burst still arriving, and the send waits a moment for its rest.
    FakeScript script;
    WinSerialCommAdaptor adaptor(std::uint8_t{0xFF}, fakeOpener(script));
    adaptor.connect("COM1");
    const unsigned char command[] = {0x81, 0x09, 0x04, 0x33, 0xFF};
    const struct {
        std::vector<unsigned char> pending;
        std::vector<std::string> calls;
    } rows[] = {
        {{0x90, 0x38, 0xFF, 0x90, 0x51, 0xFF}, {"readPending", "readPending", "write"}},
        {{0x90, 0x38, 0xFF, 0x90, 0x51}, {"readPending", "readPending", "read", "write"}},
    };
    for (const auto& row : rows) {
        script.calls.clear();
        script.pending = row.pending;
        std::uint32_t count = sizeof command;
        adaptor.send(command, &count);
        EXPECT_EQ(script.calls, row.calls);
    }
}

TEST(Adaptor, SendDropsAllPendingInputHoweverMuch) {
    FakeScript script;
    WinSerialCommAdaptor adaptor(fakeOpener(script));
    adaptor.connect("COM1");
    LogCapture log;

    // More than one read away takes: garbage, then a stale answer that must not survive.
    script.pending.assign(5000, 0x55);
    const std::vector<unsigned char> staleAnswer = {0x90, 0x50, 0x0F, 0xFF};
    script.pending.insert(script.pending.end(), staleAnswer.begin(), staleAnswer.end());
    const unsigned char command[] = {0x81, 0x09, 0x04, 0x43, 0xFF};
    std::uint32_t count = sizeof command;
    adaptor.send(command, &count);
    EXPECT_TRUE(script.pending.empty());
    EXPECT_EQ(count, sizeof command);
    ASSERT_EQ(log.lines().size(), 1u);
    // One line, with the count and the first bytes only.
    EXPECT_EQ(log.lines()[0].rfind(
                  "[Debug] Discarded stale input (5004 bytes, the first 256 shown): 55 55 ", 0),
              0u);
}

TEST(Adaptor, InputThatNeverStopsFailsTheSendWithNothingWritten) {
    FakeScript script;
    WinSerialCommAdaptor adaptor(fakeOpener(script));
    adaptor.connect("COM1");
    script.endlessPending = 0x55;
    LogCapture log;

    const unsigned char command[] = {0x81, 0x09, 0x04, 0x43, 0xFF};
    std::uint32_t count = sizeof command;
    EXPECT_EQ(raisedBy<DriverException>([&] { adaptor.send(command, &count); }),
              "Stale input keeps arriving, nothing was sent in WinSerialCommAdaptor::send() !");
    EXPECT_TRUE(script.written.empty());
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(Adaptor, FailedDiscardWritesNothing) {
    FakeScript script;
    WinSerialCommAdaptor adaptor(fakeOpener(script));
    adaptor.connect("COM1");
    script.calls.clear();
    script.pendingResult = TransferResult::WaitFailed;

    const unsigned char command[] = {0x81, 0x01, 0x06, 0x04, 0xFF};
    std::uint32_t count = sizeof command;
    EXPECT_THROW(adaptor.send(command, &count), DriverException);
    EXPECT_EQ(script.calls, std::vector<std::string>{"readPending"});
    EXPECT_TRUE(script.written.empty());
}

TEST(Adaptor, OtherExceptionsPassThroughUnchanged) {
    LogCapture log;
    FakeScript script;
    script.openThrowsBadAlloc = true;
    WinSerialCommAdaptor adaptor(fakeOpener(script));
    EXPECT_THROW(adaptor.connect("COM1"), std::bad_alloc);
    EXPECT_TRUE(log.exceptionLines().empty());
}

}  // namespace
