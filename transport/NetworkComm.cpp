#include "transport/NetworkComm.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "diagnostics/Log.h"
#include "quorvin/DriverException.h"
#include "transport/StaleInput.h"

namespace CameraDriver {

namespace {

using Clock = std::chrono::steady_clock;

// Without a message terminator, a stream that stays quiet this long after a byte has ended the
// burst, as a serial line's gap does. With one, only the terminator or the deadline ends a read:
// a network may hold a message's bytes up for far longer than a line would.
constexpr std::uint32_t QUIET_GAP_MS = 20;
// How long a send goes on reading away stale input that keeps arriving before it gives up.
constexpr auto DISCARD_TIME_LIMIT = std::chrono::milliseconds(500);
// After stale bytes that stop short of a message's end, how long a connection must stay quiet
// to be empty: the packets of one burst may come tens of milliseconds apart over a busy network.
constexpr auto MORE_STALE_INPUT = std::chrono::milliseconds(60);

// VISCA over IP: the header's payload types, and its size.
constexpr std::uint16_t PAYLOAD_COMMAND = 0x0100;
constexpr std::uint16_t PAYLOAD_INQUIRY = 0x0110;
constexpr std::uint16_t PAYLOAD_REPLY = 0x0111;
constexpr std::uint16_t PAYLOAD_CONTROL = 0x0200;
constexpr std::uint16_t PAYLOAD_CONTROL_REPLY = 0x0201;
constexpr std::size_t HEADER_SIZE = 8;
// A VISCA message is at most 16 bytes; a datagram carries one.
constexpr std::size_t MAX_PAYLOAD = 16;
// The control message that resets the camera's sequence number.
constexpr unsigned char RESET_SEQUENCE = 0x01;

// The broadcasts of a serial chain, and the camera's own IF_Clear with its reply.
constexpr unsigned char ADDRESS_SET_BROADCAST[] = {0x88, 0x30};
constexpr unsigned char ADDRESS_SET_ONE_CAMERA[] = {0x88, 0x30, 0x02, 0xFF};
constexpr unsigned char IF_CLEAR_BROADCAST[] = {0x88, 0x01, 0x00, 0x01, 0xFF};
constexpr unsigned char IF_CLEAR_CAMERA[] = {0x81, 0x01, 0x00, 0x01, 0xFF};
// The second byte of an inquiry.
constexpr unsigned char INQUIRY_CATEGORY = 0x09;

// Rounded up, so that a wait never ends just short of the deadline.
std::uint32_t remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<std::uint32_t>(left) : 0;
}

template <std::size_t N>
bool startsWith(const unsigned char* data, std::uint32_t count, const unsigned char (&prefix)[N]) {
    return count >= N && std::equal(prefix, prefix + N, data);
}

std::uint16_t readBig16(const unsigned char* bytes) {
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::uint32_t readBig32(const unsigned char* bytes) {
    return (static_cast<std::uint32_t>(bytes[0]) << 24) |
           (static_cast<std::uint32_t>(bytes[1]) << 16) |
           (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
}

void writeBig(unsigned char* bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>(value >> (8 * (size - 1 - i)));
    }
}

void logDropped(const char* why, const unsigned char* bytes, std::size_t count) {
    logPacket(std::string("Dropped datagram (") + why + "): ", bytes, static_cast<int>(count));
}

// A camera's completion, y0 5z FF with a socket z, or its error, y0 6z ee FF.
bool isCompletion(const std::vector<unsigned char>& frame) {
    return frame.size() == 3 && (frame[0] & 0x8F) == 0x80 && (frame[1] & 0xF0) == 0x50 &&
           frame[2] == 0xFF;
}
bool isError(const std::vector<unsigned char>& frame) {
    return frame.size() == 4 && (frame[0] & 0x8F) == 0x80 && (frame[1] & 0xF0) == 0x60 &&
           frame[3] == 0xFF;
}

}  // namespace

bool isNetworkName(const std::string& port) {
    return port.rfind("tcp://", 0) == 0 || port.rfind("udp://", 0) == 0;
}

std::optional<NetworkName> parseNetworkName(const std::string& port) {
    if (!isNetworkName(port)) {
        return std::nullopt;
    }
    NetworkName name;
    name.kind = port[0] == 't' ? OS::SocketKind::Stream : OS::SocketKind::Datagram;
    const std::string rest = port.substr(6);
    std::string portText;
    if (!rest.empty() && rest[0] == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos) {
            return std::nullopt;
        }
        name.host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') {
                return std::nullopt;
            }
            portText = after.substr(1);
            if (portText.empty()) {
                return std::nullopt;
            }
        }
    } else {
        const std::size_t colon = rest.find(':');
        name.host = rest.substr(0, colon);
        if (colon != std::string::npos) {
            portText = rest.substr(colon + 1);
            if (portText.empty()) {
                return std::nullopt;
            }
        }
    }
    if (name.host.empty() || name.host.find_first_of("/[]") != std::string::npos ||
        (name.host.find(':') != std::string::npos && rest[0] != '[')) {
        return std::nullopt;
    }
    if (portText.empty()) {
        if (name.kind == OS::SocketKind::Stream) {
            return std::nullopt;
        }
        name.port = DEFAULT_UDP_PORT;
        return name;
    }
    if (portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const unsigned long number = std::strtoul(portText.c_str(), nullptr, 10);
    if (number == 0 || number > 65535) {
        return std::nullopt;
    }
    name.port = static_cast<std::uint16_t>(number);
    return name;
}

std::string describe(const NetworkName& name) {
    const bool bracketed = name.host.find(':') != std::string::npos;
    return (bracketed ? "[" + name.host + "]" : name.host) + ":" + std::to_string(name.port);
}

NetworkComm::~NetworkComm() = default;

void NetworkComm::fail(const std::string& what) const {
    const std::string message = "Network camera " + peer + ": " + what;
    logException(message);
    throw DriverException(message);
}

OS::Socket& NetworkComm::socket() const {
    if (!link) {
        fail("not connected");
    }
    return *link;
}

void NetworkComm::connect(const std::string& port) {
    link.reset();
    const std::optional<NetworkName> name = parseNetworkName(port);
    if (!name || name->kind != kind()) {
        peer = port;
        fail("not a valid network camera name");
    }
    peer = describe(*name);
    OS::OpenFailure failure = OS::OpenFailure::None;
    // A .invalid name never resolves: it is refused without asking the resolver.
    const std::string suffix = ".invalid";
    const bool invalid =
        name->host.size() >= suffix.size() &&
        name->host.compare(name->host.size() - suffix.size(), suffix.size(), suffix) == 0;
    if (!invalid) {
        link = OS::openSocket(name->host, name->port, kind(), TRANSFER_TIMEOUT_MS, &failure);
    } else {
        failure = OS::OpenFailure::NotResolved;
    }
    switch (failure) {
        case OS::OpenFailure::None:
            break;
        case OS::OpenFailure::NotResolved:
            fail("host name not resolved");
        case OS::OpenFailure::Refused:
            fail("connection refused");
        case OS::OpenFailure::Unreachable:
            fail("cannot be reached");
        case OS::OpenFailure::Failed:
            fail("cannot open a socket");
    }
    try {
        prepareLink();
    } catch (...) {
        link.reset();
        throw;
    }
}

void NetworkComm::disconnect() { link.reset(); }

TcpComm::TcpComm(std::optional<std::uint8_t> messageTerminator) : terminator(messageTerminator) {}

void TcpComm::send(const unsigned char* data, std::uint32_t* count) {
    OS::Socket& open = socket();
    // Bytes still pending belong to an exchange that has ended (a reply that came after its
    // time-out, say); left in place, they would be read as the reply to this command. All of it
    // goes, however much, but a camera that never falls quiet cannot be emptied: then nothing is
    // sent.
    const bool quiet = discardStale(
        [&](StaleInput& stale, std::chrono::milliseconds wait) -> std::size_t {
            bool ready = false;
            if (!open.waitReadable(static_cast<std::uint32_t>(wait.count()), &ready)) {
                fail("communication error");
            }
            if (!ready) {
                return 0;
            }
            unsigned char chunk[256];
            std::size_t got = 0;
            const OS::ReceiveResult result = open.receive(chunk, sizeof chunk, &got);
            if (result == OS::ReceiveResult::Closed) {
                fail("connection closed");
            }
            if (result != OS::ReceiveResult::Data) {
                fail("communication error");
            }
            stale.add(chunk, got);
            return got;
        },
        Clock::now() + DISCARD_TIME_LIMIT, MORE_STALE_INPUT, terminator);
    if (!quiet) {
        *count = 0;
        fail("stale input keeps arriving, nothing was sent");
    }
    if (!open.send(data, *count, TRANSFER_TIMEOUT_MS)) {
        *count = 0;
        fail("sending failed");
    }
}

bool TcpComm::tryReceive(unsigned char* buffer, std::uint32_t* count, Clock::time_point deadline) {
    OS::Socket& open = socket();
    const std::uint32_t capacity = *count;
    std::uint32_t received = 0;
    while (received < capacity) {
        const std::uint32_t waitMs = received == 0 || terminator
                                         ? remainingMs(deadline)
                                         : std::min(QUIET_GAP_MS, remainingMs(deadline));
        bool ready = false;
        if (!open.waitReadable(waitMs, &ready)) {
            fail("communication error");
        }
        if (!ready) {
            break;
        }
        std::size_t got = 0;
        // With a terminator, bytes are taken one at a time, so that a reply ends at its own
        // terminator and the bytes behind it stay for the next receive.
        const std::size_t wanted = terminator ? 1 : capacity - received;
        const OS::ReceiveResult result = open.receive(buffer + received, wanted, &got);
        if (result == OS::ReceiveResult::Closed) {
            fail("connection closed");
        }
        if (result != OS::ReceiveResult::Data) {
            fail("communication error");
        }
        received += static_cast<std::uint32_t>(got);
        if (received > 0 && terminator && buffer[received - 1] == *terminator) {
            break;
        }
    }
    *count = received;
    return received > 0;
}

void NetworkComm::failNoReply() const { fail("no reply"); }

void UdpComm::prepareLink() {
    sequence = 0;
    delivered.clear();
    localReply.clear();
    sendMessage(PAYLOAD_CONTROL, &RESET_SEQUENCE, 1, "Sent the sequence reset: ");
    const std::optional<std::vector<unsigned char>> reply =
        receiveReply(PAYLOAD_CONTROL_REPLY, Clock::now() + TRANSFER_TIMEOUT);
    if (!reply) {
        failNoReply();
    }
    logPacket("The camera acknowledged the sequence reset: ", reply->data(),
              static_cast<int>(reply->size()));
}

void UdpComm::sendMessage(std::uint16_t payloadType, const unsigned char* data, std::size_t count,
                          const char* logAs) {
    dropPending();
    ++sequence;
    delivered.clear();
    unsigned char datagram[HEADER_SIZE + MAX_PAYLOAD];
    const std::size_t size = std::min(count, MAX_PAYLOAD);
    writeBig(datagram, payloadType, 2);
    writeBig(datagram + 2, static_cast<std::uint32_t>(size), 2);
    writeBig(datagram + 4, sequence, 4);
    std::copy(data, data + size, datagram + HEADER_SIZE);
    if (logAs != nullptr) {
        logPacket(logAs, datagram, static_cast<int>(HEADER_SIZE + size));
    }
    if (!socket().send(datagram, HEADER_SIZE + size, TRANSFER_TIMEOUT_MS)) {
        fail("sending failed");
    }
}

void UdpComm::dropPending() {
    OS::Socket& open = socket();
    unsigned char datagram[HEADER_SIZE + MAX_PAYLOAD];
    const auto limit = Clock::now() + DISCARD_TIME_LIMIT;
    for (;;) {
        bool ready = false;
        if (!open.waitReadable(0, &ready)) {
            fail("communication error");
        }
        if (!ready) {
            return;
        }
        if (Clock::now() >= limit) {
            fail("stale datagrams keep arriving, nothing was sent");
        }
        std::size_t got = 0;
        if (open.receive(datagram, sizeof datagram, &got) == OS::ReceiveResult::Failed) {
            fail("communication error");
        }
        if (got > 0) {
            logDropped("stale", datagram, got);
        }
    }
}

std::optional<std::vector<unsigned char>> UdpComm::receiveReply(std::uint16_t replyType,
                                                                Clock::time_point deadline) {
    OS::Socket& open = socket();
    unsigned char datagram[HEADER_SIZE + MAX_PAYLOAD];
    for (;;) {
        bool ready = false;
        if (!open.waitReadable(remainingMs(deadline), &ready)) {
            fail("communication error");
        }
        if (!ready) {
            return std::nullopt;
        }
        std::size_t got = 0;
        switch (open.receive(datagram, sizeof datagram, &got)) {
            case OS::ReceiveResult::Data:
                break;
            case OS::ReceiveResult::Foreign:
                logDebug("Dropped datagram (from another address)");
                continue;
            case OS::ReceiveResult::Oversized:
                logDebug("Dropped datagram (oversized)");
                continue;
            case OS::ReceiveResult::Closed:
            case OS::ReceiveResult::Failed:
                fail("communication error");
        }
        if (got < HEADER_SIZE + 1 || readBig16(datagram + 2) != got - HEADER_SIZE) {
            logDropped("malformed", datagram, got);
            continue;
        }
        if (readBig16(datagram) != replyType || readBig32(datagram + 4) != sequence) {
            logDropped("not a reply to the current message", datagram, got);
            continue;
        }
        std::vector<unsigned char> payload(datagram + HEADER_SIZE, datagram + got);
        if (std::find(delivered.begin(), delivered.end(), payload) != delivered.end()) {
            logDropped("duplicate", datagram, got);
            continue;
        }
        delivered.push_back(payload);
        return payload;
    }
}

void UdpComm::clearCamera(const unsigned char* broadcast, std::uint32_t count) {
    sendMessage(PAYLOAD_COMMAND, IF_CLEAR_CAMERA, sizeof IF_CLEAR_CAMERA,
                "IF_Clear broadcast: sent the camera's own IF_Clear instead: ");
    const auto deadline = Clock::now() + TRANSFER_TIMEOUT;
    for (;;) {
        const std::optional<std::vector<unsigned char>> reply =
            receiveReply(PAYLOAD_REPLY, deadline);
        if (!reply) {
            failNoReply();
        }
        if (isCompletion(*reply)) {
            logPacket("The camera cleared its interface: ", reply->data(),
                      static_cast<int>(reply->size()));
            // The chain's last camera returns the broadcast as it was sent.
            localReply.assign(broadcast, broadcast + count);
            return;
        }
        if (isError(*reply)) {
            // Handed on as it came, so that the broadcast fails with its own message.
            localReply = *reply;
            return;
        }
        // An acknowledgement, a change notice or a remote-control report: not the answer.
        logPacket("Set aside while the camera clears its interface: ", reply->data(),
                  static_cast<int>(reply->size()));
    }
}

void UdpComm::send(const unsigned char* data, std::uint32_t* count) {
    localReply.clear();
    // A network camera is one camera, not a chain. The engine numbers a chain with the
    // Address_Set broadcast and clears it with the IF_Clear broadcast; neither means anything
    // to a camera over IP, so the transport answers the first itself as a chain of one camera
    // would, and for the second clears the camera's buffers with the camera's own IF_Clear and
    // then answers with the broadcast's echo, as the chain's last camera returns it. connect
    // thus sees a chain of one, and nothing of the operations is known here.
    if (startsWith(data, *count, ADDRESS_SET_BROADCAST)) {
        localReply.assign(std::begin(ADDRESS_SET_ONE_CAMERA), std::end(ADDRESS_SET_ONE_CAMERA));
        logPacket(
            "Address_Set broadcast: answered by the transport, a network camera is a chain "
            "of one: ",
            localReply.data(), static_cast<int>(localReply.size()));
        return;
    }
    if (startsWith(data, *count, IF_CLEAR_BROADCAST)) {
        clearCamera(data, *count);
        return;
    }
    const bool inquiry = *count >= 2 && data[1] == INQUIRY_CATEGORY;
    sendMessage(inquiry ? PAYLOAD_INQUIRY : PAYLOAD_COMMAND, data, *count, nullptr);
}

bool UdpComm::tryReceive(unsigned char* buffer, std::uint32_t* count, Clock::time_point deadline) {
    std::vector<unsigned char> reply;
    if (!localReply.empty()) {
        reply.swap(localReply);
    } else {
        std::optional<std::vector<unsigned char>> received = receiveReply(PAYLOAD_REPLY, deadline);
        if (!received) {
            return false;
        }
        reply = std::move(*received);
    }
    const std::size_t size = std::min<std::size_t>(reply.size(), *count);
    std::copy(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(size), buffer);
    *count = static_cast<std::uint32_t>(size);
    return true;
}

}  // namespace CameraDriver
