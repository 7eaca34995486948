// The network transports over loopback, against small peers in the test process.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "LogCapture.h"
#include "NetworkPeers.h"
#include "tests/support/Raised.h"
#include "transport/NetworkComm.h"

namespace {

using namespace NetworkTest;
using CameraDriver::NetworkName;
using OS::SocketKind;
using TestSupport::raisedBy;

TEST(NetworkName, SplitsTheNamesAndRefusesMalformedOnes) {
    struct Case {
        std::string name;
        std::optional<std::string> described;
        SocketKind kind;
    };
    const Case cases[] = {
        {"tcp://camera.local:5678", "camera.local:5678", SocketKind::Stream},
        {"tcp://192.168.0.10:1", "192.168.0.10:1", SocketKind::Stream},
        {"tcp://[::1]:65535", "[::1]:65535", SocketKind::Stream},
        {"udp://192.168.0.10", "192.168.0.10:52381", SocketKind::Datagram},
        {"udp://[fe80::1]", "[fe80::1]:52381", SocketKind::Datagram},
        {"udp://cam:1259", "cam:1259", SocketKind::Datagram},
        {"tcp://camera", std::nullopt, SocketKind::Stream},
        {"tcp://:5678", std::nullopt, SocketKind::Stream},
        {"tcp://cam:", std::nullopt, SocketKind::Stream},
        {"tcp://cam:0", std::nullopt, SocketKind::Stream},
        {"tcp://cam:65536", std::nullopt, SocketKind::Stream},
        {"tcp://cam:12a", std::nullopt, SocketKind::Stream},
        {"tcp://::1:80", std::nullopt, SocketKind::Stream},
        {"udp://[::1", std::nullopt, SocketKind::Datagram},
        {"udp://[::1]x", std::nullopt, SocketKind::Datagram},
        {"/dev/ttyUSB0", std::nullopt, SocketKind::Stream},
    };
    for (const Case& c : cases) {
        const std::optional<NetworkName> name = CameraDriver::parseNetworkName(c.name);
        ASSERT_EQ(name.has_value(), c.described.has_value()) << c.name;
        if (name) {
            EXPECT_EQ(CameraDriver::describe(*name), *c.described) << c.name;
            EXPECT_EQ(name->kind, c.kind) << c.name;
        }
    }
    EXPECT_TRUE(CameraDriver::isNetworkName("tcp://camera"));
    EXPECT_FALSE(CameraDriver::isNetworkName("COM3"));
}

TEST(NetworkLink, RefusedAndUnknownHostsFailAtOnceWithTheirMessages) {
    std::uint16_t port = 0;
    { Fd closed(boundSocket(SOCK_STREAM, &port)); }
    const std::unique_ptr<Comm> comm(CameraDriver::createComm(0xFF));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(raisedBy([&] { comm->connect("tcp://127.0.0.1:" + std::to_string(port)); }),
              "Network camera 127.0.0.1:" + std::to_string(port) + ": connection refused");
    EXPECT_EQ(raisedBy([&] { comm->connect("tcp://camera.invalid:5678"); }),
              "Network camera camera.invalid:5678: host name not resolved");
    EXPECT_EQ(raisedBy([&] { comm->connect("udp://camera.invalid"); }),
              "Network camera camera.invalid:52381: host name not resolved");
    EXPECT_EQ(raisedBy([&] { comm->connect("tcp://camera"); }),
              "Network camera tcp://camera: not a valid network camera name");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

// A TCP peer that accepts one connection and runs `script` on it.
class TcpPeer {
  public:
    explicit TcpPeer(std::function<void(int)> script) : listener(boundSocket(SOCK_STREAM, &port)) {
        ::listen(listener.get(), 1);
        worker = std::thread([this, script] {
            if (!readable(listener.get(), 5000)) {
                return;
            }
            Fd connection(::accept(listener.get(), nullptr, nullptr));
            script(connection.get());
        });
    }
    ~TcpPeer() { finish(); }
    // Waits for the script to end.
    void finish() {
        if (worker.joinable()) {
            worker.join();
        }
    }
    std::string name() const { return "tcp://127.0.0.1:" + std::to_string(port); }

  private:
    std::uint16_t port = 0;
    Fd listener;
    std::thread worker;
};

Bytes readMessage(int fd) {
    Bytes bytes;
    unsigned char byte = 0;
    while (readable(fd, 5000) && ::read(fd, &byte, 1) == 1) {
        bytes.push_back(byte);
        if (byte == 0xFF) {
            break;
        }
    }
    return bytes;
}

void writeBytes(int fd, const Bytes& bytes) {
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

TEST(TcpLink, CarriesTheByteStreamAndEndsAReceiveAtTheTerminator) {
    Bytes received;
    TcpPeer camera([&](int fd) {
        received = readMessage(fd);
        writeBytes(fd, ACK);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        writeBytes(fd, COMPLETION);
        // A reply after the exchange has ended is stale for the next one.
        writeBytes(fd, ACK);
        const Bytes inquiry = readMessage(fd);
        EXPECT_EQ(inquiry, ZOOM_INQUIRY);
        writeBytes(fd, ZOOM_REPLY);
        readMessage(fd);
    });
    TransportTest::LogCapture log;
    const std::unique_ptr<Comm> comm(CameraDriver::createComm(0xFF));
    comm->connect(camera.name());
    EXPECT_EQ(exchange(*comm, POWER_ON), ACK);
    EXPECT_EQ(receiveOnly(*comm), COMPLETION);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(exchange(*comm, ZOOM_INQUIRY), ZOOM_REPLY);
    comm->disconnect();
    camera.finish();
    EXPECT_EQ(received, POWER_ON);
    const std::vector<std::string> lines = log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[Debug] Discarded stale input: 90 41 ff "),
              lines.end());
}

TEST(TcpLink, OnlyTheTerminatorEndsAReplyHoweverLongItsBytesPause) {
    // A serial-to-network bridge or a radio link may hold a reply's bytes up: 150 ms apart here.
    TcpPeer camera([](int fd) {
        readMessage(fd);
        for (const unsigned char byte : ZOOM_REPLY) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            writeBytes(fd, {byte});
        }
        readMessage(fd);
    });
    const std::unique_ptr<Comm> comm(CameraDriver::createComm(0xFF));
    comm->connect(camera.name());
    EXPECT_EQ(exchange(*comm, ZOOM_INQUIRY), ZOOM_REPLY);
    comm->disconnect();
}

TEST(TcpLink, APeerClosingMidExchangeFailsAtOnce) {
    TcpPeer camera([](int fd) {
        readMessage(fd);
        writeBytes(fd, {0x90});
    });
    const std::unique_ptr<Comm> comm(CameraDriver::createComm(0xFF));
    comm->connect(camera.name());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(raisedBy([&] {
                  exchange(*comm, POWER_ON);
                  receiveOnly(*comm);
              }),
              "Network camera " + camera.name().substr(6) + ": connection closed");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
}

// A UDP camera speaking VISCA over IP; `faults` decides, per received message, what extra
// datagrams go out around the replies.
TEST(UdpLink, ResetsTheSequenceAtConnectAndAnswersTheChainBroadcastsAsOneCamera) {
    UdpPeer camera({});
    const std::unique_ptr<Comm> comm(CameraDriver::createComm(0xFF));
    comm->connect(camera.name());
    EXPECT_EQ(exchange(*comm, {0x88, 0x30, 0x01, 0xFF}), (Bytes{0x88, 0x30, 0x02, 0xFF}));
    EXPECT_EQ(exchange(*comm, {0x88, 0x01, 0x00, 0x01, 0xFF}),
              (Bytes{0x88, 0x01, 0x00, 0x01, 0xFF}));
    EXPECT_EQ(exchange(*comm, ZOOM_INQUIRY), ZOOM_REPLY);
    comm->disconnect();
    const std::vector<Datagram> received = camera.finish();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].type, 0x0200);
    EXPECT_EQ(received[0].payload, Bytes{0x01});
    EXPECT_EQ(received[1].type, 0x0100);
    EXPECT_EQ(received[1].payload, (Bytes{0x81, 0x01, 0x00, 0x01, 0xFF}));
    EXPECT_EQ(received[2].type, 0x0110);
    EXPECT_EQ(received[2].payload, ZOOM_INQUIRY);
    EXPECT_EQ(received[2].sequence, received[1].sequence + 1);
}

// Each fault puts a wrong datagram ahead of (or among) the replies of a command and of an
// inquiry whose answers are checked; each row fails when the defence it names is taken away.
TEST(UdpLink, LateDuplicatedForeignAndMalformedDatagramsNeverChangeAResult) {
    struct Row {
        Fault fault;
        const char* defence;  // the log line that shows the defence at work
    };
    const Row rows[] = {
        {Fault::Late, "[Debug] Dropped datagram (not a reply to the current message)"},
        {Fault::Foreign, "[Debug] Dropped datagram (from another address)"},
        {Fault::Duplicate, "[Debug] Dropped datagram (duplicate)"},
        {Fault::Malformed, "[Debug] Dropped datagram (malformed)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.defence);
        // Both the command and the inquiry meet the fault.
        UdpPeer camera({row.fault, row.fault});
        TransportTest::LogCapture log;
        const std::unique_ptr<Comm> comm(CameraDriver::createComm(0xFF));
        comm->connect(camera.name());
        EXPECT_EQ(exchange(*comm, POWER_ON), ACK);
        EXPECT_EQ(receiveOnly(*comm), COMPLETION);
        EXPECT_EQ(exchange(*comm, ZOOM_INQUIRY), ZOOM_REPLY);
        comm->disconnect();
        const std::vector<std::string> lines = log.lines();
        const auto defended = std::count_if(lines.begin(), lines.end(), [&](const auto& line) {
            return line.rfind(row.defence, 0) == 0;
        });
        EXPECT_GE(defended, 1);
    }
}

TEST(UdpLink, TheDebugLogShowsWhatCrossedTheNetworkAtConnect) {
    UdpPeer camera({});
    TransportTest::LogCapture log;
    const std::unique_ptr<Comm> comm(CameraDriver::createComm(0xFF));
    comm->connect(camera.name());
    exchange(*comm, {0x88, 0x30, 0x01, 0xFF});
    exchange(*comm, {0x88, 0x01, 0x00, 0x01, 0xFF});
    comm->disconnect();
    const std::vector<std::string> expected = {
        "[Debug] Sent the sequence reset: 02 00 00 01 00 00 00 01 01 ",
        "[Debug] The camera acknowledged the sequence reset: 01 ",
        "[Debug] Address_Set broadcast: answered by the transport, a network camera is a chain of "
        "one: 88 30 02 ff ",
        "[Debug] IF_Clear broadcast: sent the camera's own IF_Clear instead: 01 00 00 05 00 00 00 "
        "02 81 01 00 01 ff ",
        "[Debug] The camera cleared its interface: 90 50 ff ",
    };
    EXPECT_EQ(log.lines(), expected);
}

}  // namespace
