// The serial port's Win32 layer on a real COM port: Wine maps the port names of ComPorts.h onto
// pseudo-terminals whose other side is the virtual camera, so every call goes through the
// Windows communications functions as it would on Windows.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ComPorts.h"
#include "HandleCount.h"
#include "tests/support/Raised.h"
#include "transport/WinSerialComm.h"

namespace {

using TestSupport::raisedBy;

using namespace std::chrono_literals;
using OS::SystemException;
using OS::WinSerialComm;
using HandleState = OS::WinSerialComm::HandleState;
using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;
using WindowsTest::openHandles;

const Bytes ADDRESS_SET{0x88, 0x30, 0x01, 0xFF};
const Bytes ADDRESS_REPLY{0x88, 0x30, 0x02, 0xFF};
// Zoom stop: completes at once, so the slow camera's completion comes after its set delay.
const Bytes ZOOM_STOP{0x81, 0x01, 0x04, 0x07, 0x00, 0xFF};
const Bytes ACK{0x90, 0x41, 0xFF};
const Bytes COMPLETION{0x90, 0x51, 0xFF};
// Answered at once, by a camera that is on, whatever else it does.
const Bytes POWER_INQUIRY{0x81, 0x09, 0x04, 0x00, 0xFF};
const Bytes POWER_REPLY{0x90, 0x50, 0x02, 0xFF};

void writeAll(WinSerialComm& port, const Bytes& bytes) {
    std::uint32_t count = static_cast<std::uint32_t>(bytes.size());
    ASSERT_TRUE(port.write(bytes.data(), &count, 2000));
    ASSERT_EQ(count, bytes.size());
}

Bytes readOnce(WinSerialComm& port, std::uint32_t timeoutMs = 2000, std::size_t capacity = 16) {
    Bytes buffer(capacity);
    std::uint32_t count = static_cast<std::uint32_t>(buffer.size());
    EXPECT_TRUE(port.read(buffer.data(), &count, timeoutMs));
    buffer.resize(count);
    return buffer;
}

// The port opened straight through Win32, to look at or prepare what WinSerialComm leaves.
class RawPort {
  public:
    explicit RawPort(const char* name)
        : handle(::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                               nullptr)) {}
    RawPort(const RawPort&) = delete;
    RawPort& operator=(const RawPort&) = delete;
    ~RawPort() {
        if (isOpen()) {
            ::CloseHandle(handle);
        }
    }
    bool isOpen() const { return handle != INVALID_HANDLE_VALUE; }
    DCB state() const {
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        EXPECT_TRUE(::GetCommState(handle, &dcb));
        return dcb;
    }
    void setState(DCB dcb) { ASSERT_TRUE(::SetCommState(handle, &dcb)); }

  private:
    HANDLE handle;
};

TEST(Win32SerialPort, PortThatDoesNotExistIsRefused) {
    raisedBy<OS::SystemException>([] { WinSerialComm().open(WindowsTest::MISSING_PORT); });
    const std::size_t before = openHandles();
    WinSerialComm port;
    EXPECT_EQ(raisedBy<OS::SystemException>([&] { port.open(WindowsTest::MISSING_PORT); }),
              "open COM port failed ! ");
    EXPECT_EQ(port.handleState(), HandleState::Invalid);
    EXPECT_NO_THROW(port.close());
    EXPECT_EQ(openHandles(), before);
}

TEST(Win32SerialPort, OpenSetsNineSixHundredEightNOneAndKeepsTheRest) {
    {
        RawPort raw(WindowsTest::SILENT_PORT);
        ASSERT_TRUE(raw.isOpen());
        DCB other = raw.state();
        other.BaudRate = CBR_4800;
        other.ByteSize = 7;
        other.Parity = EVENPARITY;
        other.StopBits = TWOSTOPBITS;
        other.XonChar = 0x21;
        other.XoffChar = 0x22;
        raw.setState(other);
    }
    {
        WinSerialComm port;
        port.open(WindowsTest::SILENT_PORT);
        port.close();
    }
    RawPort raw(WindowsTest::SILENT_PORT);
    ASSERT_TRUE(raw.isOpen());
    const DCB line = raw.state();
    EXPECT_EQ(line.BaudRate, static_cast<DWORD>(CBR_9600));
    EXPECT_EQ(line.ByteSize, 8);
    EXPECT_EQ(line.Parity, NOPARITY);
    EXPECT_EQ(line.StopBits, ONESTOPBIT);
    EXPECT_EQ(line.XonChar, 0x21);
    EXPECT_EQ(line.XoffChar, 0x22);
}

TEST(Win32SerialPort, OpenWhileHoldingAPortLosesNoHandle) {
    WinSerialComm port;
    port.open(WindowsTest::SILENT_PORT);
    port.close();
    const std::size_t before = openHandles();
    port.open(WindowsTest::SILENT_PORT);
    const std::size_t holding = openHandles();
    ASSERT_NO_THROW(port.open(WindowsTest::SILENT_PORT));
    EXPECT_EQ(port.handleState(), HandleState::Open);
    EXPECT_EQ(openHandles(), holding);
    port.close();
    EXPECT_EQ(openHandles(), before);
}

TEST(Win32SerialPort, ReadWithNothingArrivingTimesOutAfterTheTimeout) {
    WinSerialComm port;
    port.open(WindowsTest::SILENT_PORT);
    const std::size_t holding = openHandles();
    std::array<unsigned char, 16> buffer{};
    std::uint32_t count = static_cast<std::uint32_t>(buffer.size());
    const auto start = Clock::now();
    EXPECT_FALSE(port.read(buffer.data(), &count, 300));
    EXPECT_GE(Clock::now() - start, 300ms);
    EXPECT_EQ(openHandles(), holding) << "the transfer's event outlived it";
    port.close();
}

TEST(Win32SerialPort, ReadEndsWhenTheLineGoesQuiet) {
    WinSerialComm port;
    port.open(WindowsTest::SLOW_PORT);
    const std::size_t holding = openHandles();
    writeAll(port, ADDRESS_SET);
    EXPECT_EQ(readOnce(port), ADDRESS_REPLY);
    // 16 bytes wanted, 3 arrive, and the completion is far off: the 3 come back alone.
    writeAll(port, ZOOM_STOP);
    EXPECT_EQ(readOnce(port), ACK);
    EXPECT_EQ(readOnce(port, WindowsTest::SLOW_COMPLETION_MS + 3000), COMPLETION);
    EXPECT_EQ(openHandles(), holding) << "a transfer's event outlived it";
    port.close();
}

// The replies to two power inquiries written `spacing` apart by a thread of their own while this
// one reads, as the reads received them.
std::vector<Bytes> repliesApart(WinSerialComm& port, std::chrono::milliseconds spacing) {
    std::thread writer([&port, spacing] {
        writeAll(port, POWER_INQUIRY);
        std::this_thread::sleep_for(spacing);
        writeAll(port, POWER_INQUIRY);
    });
    std::vector<Bytes> reads;
    std::size_t received = 0;
    while (received < 2 * POWER_REPLY.size()) {
        Bytes burst = readOnce(port, 3000);
        if (burst.empty()) {
            break;  // readOnce has failed the test
        }
        received += burst.size();
        reads.push_back(std::move(burst));
    }
    writer.join();
    return reads;
}

// The quiet gap that ends a read is 20 ms: replies half of it apart are one read, replies three
// gaps apart two. A busy machine can spoil either on one try (a writer or camera held up
// parts the first pair, a reader held up finds the second pair waiting together), not on five
// running; a gap outside those bounds gives the wrong reads on nearly every try.
TEST(Win32SerialPort, QuietGapEndsAReadOnlyBetweenRepliesFarApart) {
    WinSerialComm port;
    port.open(WindowsTest::CAMERA_PORT);
    const std::vector<Bytes> oneRead{{0x90, 0x50, 0x02, 0xFF, 0x90, 0x50, 0x02, 0xFF}};
    const std::vector<Bytes> twoReads{POWER_REPLY, POWER_REPLY};

    std::vector<Bytes> close;
    for (int attempt = 0; attempt < 5 && close != oneRead; ++attempt) {
        close = repliesApart(port, 10ms);
    }
    EXPECT_EQ(close, oneRead);

    std::vector<Bytes> apart;
    for (int attempt = 0; attempt < 5 && apart != twoReads; ++attempt) {
        apart = repliesApart(port, 60ms);
    }
    EXPECT_EQ(apart, twoReads);
    port.close();
}

// A read that timed out must not stay queued in the system: if it did, it would take the next
// bytes into a buffer that the caller has given up (here still alive, so the test can see it),
// and the next read would wait in vain.
TEST(Win32SerialPort, ReadThatTimedOutIsCancelled) {
    WinSerialComm port;
    port.open(WindowsTest::SLOW_PORT);
    const std::size_t holding = openHandles();
    writeAll(port, ADDRESS_SET);
    EXPECT_EQ(readOnce(port), ADDRESS_REPLY);
    writeAll(port, ZOOM_STOP);
    EXPECT_EQ(readOnce(port), ACK);

    constexpr unsigned char UNTOUCHED = 0xA5;
    std::array<unsigned char, 16> abandoned{};
    abandoned.fill(UNTOUCHED);
    std::uint32_t count = static_cast<std::uint32_t>(abandoned.size());
    ASSERT_FALSE(port.read(abandoned.data(), &count, 100));

    std::this_thread::sleep_for(std::chrono::milliseconds(WindowsTest::SLOW_COMPLETION_MS));
    EXPECT_EQ(readOnce(port, 3000), COMPLETION);
    for (const unsigned char byte : abandoned) {
        ASSERT_EQ(byte, UNTOUCHED);
    }
    EXPECT_EQ(openHandles(), holding) << "the cancelled transfer's event outlived it";
    port.close();
}

// A burst of which a read took only the acknowledgement leaves the completion queued in the
// driver, where an exchange that gave up leaves a late one: the discard takes exactly that.
TEST(Win32SerialPort, DiscardInputTakesWhatIsQueuedAndLeavesTheLineWorking) {
    WinSerialComm port;
    port.open(WindowsTest::CAMERA_PORT);
    const std::size_t holding = openHandles();
    EXPECT_TRUE(port.discardInput().empty());

    writeAll(port, ZOOM_STOP);
    EXPECT_EQ(readOnce(port, 2000, ACK.size()), ACK);
    EXPECT_EQ(port.discardInput(), COMPLETION);
    EXPECT_TRUE(port.discardInput().empty());

    writeAll(port, {0x81, 0x09, 0x04, 0x00, 0xFF});
    EXPECT_EQ(readOnce(port), (Bytes{0x90, 0x50, 0x02, 0xFF}));
    EXPECT_EQ(openHandles(), holding) << "a transfer's event outlived it";
    port.close();
}

TEST(Win32SerialPort, ComNamesGoThroughTheDeviceNamespace) {
    const std::pair<const char*, const char*> rows[] = {
        {"COM1", "\\\\.\\COM1"},
        {"COM12", "\\\\.\\COM12"},
        {"com10", "\\\\.\\com10"},
        {"\\\\.\\COM12", "\\\\.\\COM12"},
        {"COM", "COM"},
        {"COM0", "COM0"},
        {"COM1a", "COM1a"},
        {"LPT1", "LPT1"},
        {"XCOM12", "XCOM12"},
    };
    for (const auto& [name, system] : rows) {
        EXPECT_EQ(OS::systemPortName(name), system) << name;
    }
}

TEST(Win32SerialPort, PortNumberedAboveNineOpensByEitherName) {
    for (const std::string& name :
         {std::string(WindowsTest::HIGH_PORT), std::string("\\\\.\\") + WindowsTest::HIGH_PORT}) {
        SCOPED_TRACE(name);
        WinSerialComm port;
        ASSERT_NO_THROW(port.open(name));
        writeAll(port, ADDRESS_SET);
        EXPECT_EQ(readOnce(port), (Bytes{0x88, 0x30, 0x03, 0xFF}));
        port.close();
    }
}

}  // namespace
