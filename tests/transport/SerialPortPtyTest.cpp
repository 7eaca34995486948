// The serial port against the real kernel: a pseudo-terminal stands in for the serial line and
// a scripted peer plays the camera on its other side.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "LogCapture.h"
#include "PseudoTerminal.h"
#include "tests/support/Raised.h"
#include "tests/support/Skip.h"
#include "tests/support/TempDir.h"
#include "transport/WinSerialComm.h"

namespace {

using TestSupport::raisedBy;

using namespace std::chrono_literals;
using OS::SystemException;
using OS::WinSerialComm;
using HandleState = OS::WinSerialComm::HandleState;
using TransportTest::Bytes;
using TransportTest::LogCapture;
using TransportTest::openDescriptorCount;
using TransportTest::PseudoTerminal;
using TransportTest::ScriptedPeer;
using Clock = std::chrono::steady_clock;

const Bytes ACK{0x90, 0x41, 0xFF};
const Bytes COMPLETION{0x90, 0x51, 0xFF};

// A folder with a regular file in it, removed at the end.
struct Scratch {
    Scratch() { std::ofstream(file) << "plain file\n"; }

    TestSupport::TempDir dir;
    std::string folder = dir.dir().string();
    std::string file = dir.path("not-a-port");
};

// Reads once and returns the bytes received; false from the port fails the test.
Bytes readBurst(WinSerialComm& port, std::uint32_t capacity = 16, std::uint32_t timeoutMs = 2000) {
    Bytes buffer(capacity);
    std::uint32_t count = capacity;
    EXPECT_TRUE(port.read(buffer.data(), &count, timeoutMs));
    buffer.resize(count);
    return buffer;
}

// How long the port waits after a byte before it ends a read.
constexpr auto QUIET_GAP = 20ms;

// The reads that it takes to receive `total` bytes, each as it came.
std::vector<Bytes> readsOf(WinSerialComm& port, std::size_t total) {
    std::vector<Bytes> reads;
    std::size_t received = 0;
    while (received < total) {
        Bytes burst = readBurst(port);
        if (burst.empty()) {
            break;  // readBurst has failed the test
        }
        received += burst.size();
        reads.push_back(std::move(burst));
    }
    return reads;
}

// Two bursts written `pause` apart from a thread of their own. The time from before the first
// write to after the second bounds how far apart they reached the port: a thread held up
// anywhere in between only widens it.
class TwoBursts {
  public:
    TwoBursts(const PseudoTerminal& line, Bytes first, Bytes second,
              std::chrono::milliseconds pause)
        : sender([this, &line, first = std::move(first), second = std::move(second), pause] {
              try {
                  const auto start = Clock::now();
                  line.send(first);
                  std::this_thread::sleep_for(pause);
                  line.send(second);
                  widest = Clock::now() - start;
              } catch (const std::exception& e) {
                  ADD_FAILURE() << e.what();
              }
          }) {}
    TwoBursts(const TwoBursts&) = delete;
    TwoBursts& operator=(const TwoBursts&) = delete;
    ~TwoBursts() {
        if (sender.joinable()) {
            sender.join();
        }
    }

    Clock::duration widestSpacing() {
        if (sender.joinable()) {
            sender.join();
        }
        return widest;
    }

  private:
    Clock::duration widest{};
    std::thread sender;
};

TEST(SerialPortOnPty, PortThatDoesNotExist) {
    LogCapture log;
    WinSerialComm port;
    EXPECT_EQ(raisedBy<OS::SystemException>([&] { port.open("/dev/quorvin-no-such-port"); }),
              "open COM port failed ! ");
    EXPECT_EQ(port.handleState(), HandleState::Invalid);
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"[Debug] open port: /dev/quorvin-no-such-port"});
}

struct BadName {
    const char* label;
    std::function<std::string(const Scratch&)> name;
    const char* message;
    bool heldUntilRefused;  // opened, then released in step 3 with "close COM port"
};

void PrintTo(const BadName& row, std::ostream* out) { *out << row.label; }

class BadPortName : public testing::TestWithParam<BadName> {};

TEST_P(BadPortName, FailsCleanly) {
    const BadName& row = GetParam();
    Scratch scratch;
    const std::string name = row.name(scratch);
    const int descriptors = openDescriptorCount();
    LogCapture log;
    WinSerialComm port;

    EXPECT_EQ(raisedBy<OS::SystemException>([&] { port.open(name); }), row.message);

    std::vector<std::string> expected{"[Debug] open port: " + name};
    if (row.heldUntilRefused) {
        expected.push_back("[Debug] close COM port");
    }
    EXPECT_EQ(log.lines(), expected);
    EXPECT_EQ(port.handleState(), row.heldUntilRefused ? HandleState::None : HandleState::Invalid);
    // LogCapture holds one descriptor for its file.
    EXPECT_EQ(openDescriptorCount(), descriptors + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadPortName,
    testing::Values(
        BadName{"Empty", [](const Scratch&) { return std::string(); }, "open COM port failed ! ",
                false},
        BadName{"VeryLong", [](const Scratch&) { return "/dev/" + std::string(5000, 'x'); },
                "open COM port failed ! ", false},
        BadName{"HugeComNumber", [](const Scratch&) { return std::string("COM99999999999999"); },
                "open COM port failed ! ", false},
        BadName{"Directory", [](const Scratch& s) { return s.folder; }, "open COM port failed ! ",
                false},
        BadName{"RegularFile", [](const Scratch& s) { return s.file; },
                "PurgeComm() failed in WinSerialComm::open() !", true},
        BadName{"NonSerialDevice", [](const Scratch&) { return std::string("/dev/null"); },
                "PurgeComm() failed in WinSerialComm::open() !", true}),
    [](const testing::TestParamInfo<BadName>& row) { return row.param.label; });

TEST(SerialPortOnPty, ComNamesMapToSerialDevices) {
    const std::pair<const char*, const char*> rows[] = {{"COM1", "/dev/ttyS0"},
                                                        {"COM12", "/dev/ttyS11"},
                                                        {"COM0", "COM0"},
                                                        {"COM01", "COM01"},
                                                        {"COM", "COM"},
                                                        {"COM1a", "COM1a"},
                                                        {"com1", "com1"},
                                                        {"XCOM1", "XCOM1"},
                                                        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
                                                        {"COM1000000000", "COM1000000000"}};
    for (const auto& [name, path] : rows) {
        EXPECT_EQ(OS::systemPortName(name), path) << name;
    }
}

TEST(SerialPortOnPty, OpenLogsTheNameAndCloseLogsOnce) {
    PseudoTerminal line;
    LogCapture log;
    WinSerialComm port;
    port.open(line.path());
    EXPECT_EQ(port.handleState(), HandleState::Open);
    port.close();
    port.close();
    EXPECT_EQ(port.handleState(), HandleState::None);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"[Debug] open port: " + line.path(),
                                                     "[Debug] close COM port"}));
}

TEST(SerialPortOnPty, SecondOpenIsRefusedUntilTheFirstCloses) {
    PseudoTerminal line;
    WinSerialComm first;
    WinSerialComm second;
    first.open(line.path());

    EXPECT_EQ(raisedBy<OS::SystemException>([&] { second.open(line.path()); }),
              "open COM port failed ! ");
    EXPECT_EQ(second.handleState(), HandleState::Invalid);

    first.close();
    second.open(line.path());
    EXPECT_EQ(second.handleState(), HandleState::Open);
}

TEST(SerialPortOnPty, ExclusiveModeOutlivesARefusedOpenAndEndsWithClose) {
#ifndef TIOCGEXCL
    QUORVIN_SKIP("this system's terminals do not report their exclusive mode (no TIOCGEXCL)");
#else
    PseudoTerminal line;
    // A privileged process may look at the terminal even while it is exclusive.
    const int observer = ::open(line.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(observer, 0);
    const auto exclusive = [observer] {
        int on = -1;
        EXPECT_EQ(::ioctl(observer, TIOCGEXCL, &on), 0);
        return on;
    };

    WinSerialComm port;
    port.open(line.path());
    EXPECT_EQ(exclusive(), 1);

    // The refused open must not take the holder's exclusive mode away on its way out.
    WinSerialComm second;
    EXPECT_EQ(raisedBy<OS::SystemException>([&] { second.open(line.path()); }),
              "open COM port failed ! ");
    EXPECT_EQ(exclusive(), 1);

    port.close();
    EXPECT_EQ(exclusive(), 0);
    ::close(observer);
#endif
}

TEST(SerialPortOnPty, BinaryBytesPassUnchangedBothWays) {
    // Flow control, line editing, signal and newline characters, and the terminator.
    const Bytes bytes{0x11, 0x13, 0x0D, 0x0A, 0x03, 0x04, 0x1A, 0x7F, 0x00, 0x15, 0x17, 0xFF};
    PseudoTerminal line;
    WinSerialComm port;
    port.open(line.path());

    std::uint32_t count = static_cast<std::uint32_t>(bytes.size());
    EXPECT_TRUE(port.write(bytes.data(), &count, 1000));
    EXPECT_EQ(count, bytes.size());
    EXPECT_EQ(line.receiveCommand(2s), bytes);

    line.send(bytes);
    EXPECT_EQ(readBurst(port), bytes);
}

TEST(SerialPortOnPty, BurstFollowedByQuietReturnsWhatCame) {
    PseudoTerminal line;
    WinSerialComm port;
    port.open(line.path());
    ScriptedPeer peer(line, {ScriptedPeer::pause(30ms), ScriptedPeer::send(ACK)});

    EXPECT_EQ(readBurst(port), ACK);
    peer.finish();
}

TEST(SerialPortOnPty, AcknowledgementAndCompletionApartAreTwoReads) {
    PseudoTerminal line;
    WinSerialComm port;
    port.open(line.path());
    // A reader held up past the second burst finds both waiting and rightly takes them as one,
    // so a busy machine may merge any one try; a gap as long as the pause merges every try.
    std::vector<Bytes> reads;
    for (int attempt = 0; attempt < 5 && reads != std::vector<Bytes>{ACK, COMPLETION}; ++attempt) {
        TwoBursts bursts(line, ACK, COMPLETION, 3 * QUIET_GAP);
        reads = readsOf(port, 2 * ACK.size());
    }
    EXPECT_EQ(reads, (std::vector<Bytes>{ACK, COMPLETION}));
}

TEST(SerialPortOnPty, ReadStopsAtTheRequestedCount) {
    Bytes twenty(20);
    for (std::size_t i = 0; i < twenty.size(); ++i) {
        twenty[i] = static_cast<unsigned char>(0x80 + i);
    }
    PseudoTerminal line;
    WinSerialComm port;
    port.open(line.path());
    line.send(twenty);

    unsigned char buffer[32];
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    std::uint32_t count = 16;
    ASSERT_TRUE(port.read(buffer, &count, 2000));
    EXPECT_EQ(count, 16u);
    EXPECT_EQ(Bytes(buffer, buffer + 16), Bytes(twenty.begin(), twenty.begin() + 16));
    EXPECT_EQ(Bytes(buffer + 16, buffer + 32), Bytes(16, 0xEE));
    EXPECT_EQ(readBurst(port), Bytes(twenty.begin() + 16, twenty.end()));
}

TEST(SerialPortOnPty, DiscardInputTakesWhatHasArrivedAndLeavesTheLineWorking) {
    PseudoTerminal line;
    WinSerialComm port;
    port.open(line.path());
    EXPECT_TRUE(port.discardInput().empty());

    // One burst, of which a read of three bytes takes the acknowledgement only: the completion
    // waits in the terminal, as one does that came after its exchange had given up.
    Bytes burst = ACK;
    burst.insert(burst.end(), COMPLETION.begin(), COMPLETION.end());
    line.send(burst);
    EXPECT_EQ(readBurst(port, 3), ACK);
    EXPECT_EQ(port.discardInput(), COMPLETION);
    EXPECT_TRUE(port.discardInput().empty());

    line.send(ACK);
    EXPECT_EQ(readBurst(port), ACK);
}

TEST(SerialPortOnPty, DiscardInputOnALineThatHungUpLeavesTheFailureToTheTransfer) {
    PseudoTerminal line;
    WinSerialComm port;
    port.open(line.path());
    line.send(ACK);
    line.hangUp();

    EXPECT_NO_THROW(port.discardInput());
    std::uint32_t count = static_cast<std::uint32_t>(ACK.size());
    EXPECT_EQ(raisedBy<OS::SystemException>([&] { port.write(ACK.data(), &count, 1000); }),
              "WriteFile() failed in WinSerialComm::write() !");
}

TEST(SerialPortOnPty, SilentLineTimesOut) {
    PseudoTerminal line;
    WinSerialComm port;
    port.open(line.path());

    unsigned char buffer[16];
    std::uint32_t count = sizeof buffer;
    const auto start = Clock::now();
    EXPECT_FALSE(port.read(buffer, &count, 150));
    EXPECT_GE(Clock::now() - start, 150ms);
    EXPECT_EQ(count, 0u);
}

void ignoreSignal(int) {}

TEST(SerialPortOnPty, SignalsDoNotCutWaitsShort) {
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = ignoreSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: every wait sees EINTR
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);

    PseudoTerminal line;
    WinSerialComm port;
    port.open(line.path());
    std::atomic<bool> reading{true};
    const pthread_t reader = ::pthread_self();
    std::thread interrupter([&] {
        while (reading) {
            ::pthread_kill(reader, SIGUSR1);
            std::this_thread::sleep_for(3ms);
        }
    });

    unsigned char buffer[16];
    std::uint32_t count = sizeof buffer;
    const auto start = Clock::now();
    const bool got = port.read(buffer, &count, 200);
    const auto waited = Clock::now() - start;
    // Bursts half a gap apart are one read however often a signal cuts into the wait between
    // them. Only a try whose bursts did go out less than a gap apart shows that: a sender that
    // a busy machine held up proves nothing either way, and is tried again.
    int measured = 0;
    for (int attempt = 0; attempt < 20 && measured == 0; ++attempt) {
        TwoBursts bursts(line, ACK, COMPLETION, QUIET_GAP / 2);
        const std::vector<Bytes> reads = readsOf(port, 2 * ACK.size());
        if (bursts.widestSpacing() < QUIET_GAP) {
            ++measured;
            EXPECT_EQ(reads, (std::vector<Bytes>{Bytes{0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF}}));
        }
    }
    EXPECT_EQ(measured, 1) << "no try sent its bursts less than the quiet gap apart";
    reading = false;
    interrupter.join();
    ::sigaction(SIGUSR1, &previous, nullptr);

    EXPECT_FALSE(got);
    EXPECT_GE(waited, 200ms);
}

TEST(SerialPortOnPty, OtherSideGoneRaisesTheTransferFailures) {
    PseudoTerminal line;
    WinSerialComm port;
    port.open(line.path());
    ScriptedPeer peer(line, {ScriptedPeer::pause(50ms), ScriptedPeer::hangUp()});

    unsigned char buffer[16];
    std::uint32_t count = sizeof buffer;
    EXPECT_EQ(raisedBy<OS::SystemException>([&] { port.read(buffer, &count, 5000); }),
              "ReadFile() failed in WinSerialComm::read() !");
    peer.finish();
    count = 3;
    EXPECT_EQ(raisedBy<OS::SystemException>([&] { port.write(ACK.data(), &count, 5000); }),
              "WriteFile() failed in WinSerialComm::write() !");
    port.close();
    EXPECT_EQ(port.handleState(), HandleState::None);
}

TEST(SerialPortOnPty, WriteTimesOutWhenTheLineTakesNoMore) {
    PseudoTerminal line;
    WinSerialComm port;
    port.open(line.path());
    // Nobody reads the other side, so the terminal's buffers fill up.
    const Bytes lots(1 << 20, 0x55);
    std::uint32_t count = static_cast<std::uint32_t>(lots.size());
    const auto start = Clock::now();
    EXPECT_FALSE(port.write(lots.data(), &count, 100));
    EXPECT_GE(Clock::now() - start, 100ms);
    EXPECT_GT(count, 0u);
    EXPECT_LT(count, lots.size());
    EXPECT_EQ(line.receiveFor(200ms).size(), count);
}

TEST(SerialPortOnPty, ManyOpenAndCloseCyclesLeakNoDescriptor) {
    PseudoTerminal line;
    Scratch scratch;
    const int before = openDescriptorCount();
    WinSerialComm port;
    WinSerialComm holder;
    for (int cycle = 0; cycle < 1000; ++cycle) {
        switch (cycle % 4) {
            case 0:
                port.open(line.path());
                port.close();
                break;
            case 1:
                EXPECT_THROW(port.open("/dev/quorvin-no-such-port"), SystemException);
                break;
            case 2:
                EXPECT_THROW(port.open(scratch.file), SystemException);
                break;
            case 3:
                holder.open(line.path());
                EXPECT_THROW(port.open(line.path()), SystemException);
                holder.close();
                break;
        }
    }
    EXPECT_EQ(openDescriptorCount(), before);
}

}  // namespace
