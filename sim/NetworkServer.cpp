#include "sim/NetworkServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "sim/Names.h"
#include "sim/PollDeadline.h"

namespace Camsim {

namespace {

constexpr std::uint8_t TERMINATOR = 0xFF;
constexpr std::size_t HEADER_SIZE = 8;
constexpr std::size_t MAX_FRAME = 16;
constexpr std::uint16_t PAYLOAD_COMMAND = 0x0100;
constexpr std::uint16_t PAYLOAD_INQUIRY = 0x0110;
constexpr std::uint16_t PAYLOAD_REPLY = 0x0111;
constexpr std::uint16_t PAYLOAD_CONTROL = 0x0200;
constexpr std::uint16_t PAYLOAD_CONTROL_REPLY = 0x0201;
constexpr std::uint8_t RESET_SEQUENCE = 0x01;
// Connections beyond this are closed at once.
constexpr std::size_t MAX_CONNECTIONS = 8;
// Destinations of requests long answered are forgotten beyond this.
constexpr std::size_t MAX_DESTINATIONS = 1024;
// UDP clients that the periodic network change goes to, at most.
constexpr std::size_t MAX_PEERS = 64;
// Bytes waiting for a client that does not read; beyond this, replies are dropped.
constexpr std::size_t MAX_QUEUED = 64 * 1024;
// How much stray bytes a flooded connection is topped up with at a time.
constexpr std::size_t STRAY_CHUNK = 1024;

constexpr NamedValue<NetworkFault> FAULT_NAMES[] = {
    {NetworkFault::None, "none"},           {NetworkFault::Drop, "drop"},
    {NetworkFault::Duplicate, "duplicate"}, {NetworkFault::Late, "late"},
    {NetworkFault::Close, "close"},         {NetworkFault::CloseMidReply, "close-mid-reply"},
};

[[noreturn]] void fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

bool udpFault(NetworkFault fault) {
    return fault == NetworkFault::Drop || fault == NetworkFault::Duplicate ||
           fault == NetworkFault::Late;
}

// A socket of `type` bound to 127.0.0.1:port; *bound receives the port it got.
UniqueFd bindLoopback(int type, std::uint16_t port, std::uint16_t* bound) {
    UniqueFd fd(::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) fail("socket");
    const int on = 1;
    // A port left in TIME_WAIT by an earlier run must not keep the next one out.
    if (type == SOCK_STREAM &&
        ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        fail("setsockopt(SO_REUSEADDR)");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        fail(type == SOCK_STREAM ? "bind TCP port" : "bind UDP port");
    }
    if (type == SOCK_STREAM && ::listen(fd.get(), 8) != 0) fail("listen");
    socklen_t length = sizeof address;
    if (::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        fail("getsockname");
    }
    *bound = ntohs(address.sin_port);
    return fd;
}

void putBig(Bytes& out, std::uint32_t value, int size) {
    for (int i = size - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint32_t getBig(const std::uint8_t* bytes, int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) value = (value << 8) | bytes[i];
    return value;
}

Bytes datagram(std::uint16_t type, std::uint32_t sequence, const Bytes& payload) {
    Bytes out;
    putBig(out, type, 2);
    putBig(out, static_cast<std::uint32_t>(payload.size()), 2);
    putBig(out, sequence, 4);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

}  // namespace

const char* networkFaultName(NetworkFault fault) { return nameOf(FAULT_NAMES, fault); }

std::optional<NetworkFault> networkFaultFromName(std::string_view name) {
    return valueNamed(FAULT_NAMES, name);
}

NetworkServer::NetworkServer(const NetworkOptions& options, std::mutex& mutex,
                             CameraChain& cameraChain, Hooks callbacks)
    : chainMutex(mutex), chain(cameraChain), hooks(std::move(callbacks)), faultPlan(options.fault) {
    if (options.tcpPort) listener = bindLoopback(SOCK_STREAM, *options.tcpPort, &tcpBound);
    if (options.udpPort) datagrams = bindLoopback(SOCK_DGRAM, *options.udpPort, &udpBound);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) fail("pipe");
    wakeRead.reset(pipeFds[0]);
    wakeWrite.reset(pipeFds[1]);
    thread = std::thread(&NetworkServer::run, this);
}

NetworkServer::~NetworkServer() { stop(); }

void NetworkServer::stop() {
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        stopping = true;
    }
    wake();
    if (thread.joinable()) thread.join();
    connections.clear();
    listener.reset();
    datagrams.reset();
}

void NetworkServer::wake() {
    const char b = 1;
    ssize_t n;
    do {
        n = ::write(wakeWrite.get(), &b, 1);
    } while (n < 0 && errno == EINTR);
}

void NetworkServer::setFault(const NetworkFaultPlan& plan) {
    std::lock_guard<std::mutex> lock(stateMutex);
    faultPlan = plan;
}

NetworkFaultPlan NetworkServer::plan() const {
    std::lock_guard<std::mutex> lock(stateMutex);
    return faultPlan;
}

void NetworkServer::run() {
    try {
        serve();
    } catch (const std::exception& failure) {
        if (hooks.note) hooks.note(std::string("network stopped: ") + failure.what());
    }
}

void NetworkServer::serve() {
    for (;;) {
        const TimePoint now = Clock::now();
        std::vector<CameraChain::Outgoing> due;
        std::optional<TimePoint> deadline;
        Clock::duration pause{};
        {
            std::lock_guard<std::mutex> lock(stateMutex);
            if (stopping) return;
        }
        {
            std::lock_guard<std::mutex> lock(chainMutex);
            due = chain.takeDueDirect(now);
            deadline = chain.nextDue(std::nullopt);
            pause = chain.timing().bytePause;
            for (Connection& c : connections) {
                if (c.endless && c.out.size() < STRAY_CHUNK) {
                    const Bytes more = chain.strayChunk(STRAY_CHUNK);
                    c.out.insert(c.out.end(), more.begin(), more.end());
                    queued += more.size();
                }
            }
        }
        if (!due.empty() && hooks.emitRecords) hooks.emitRecords();
        for (const CameraChain::Outgoing& piece : due) deliver(piece, now);

        // Connections by id: a flush that fails closes its connection.
        std::vector<int> ids;
        for (const Connection& c : connections) ids.push_back(c.id);
        for (int id : ids) {
            const auto it = std::find_if(connections.begin(), connections.end(),
                                         [id](const Connection& c) { return c.id == id; });
            if (it == connections.end() || !flush(*it, now, pause)) continue;
            if (pause > Clock::duration::zero() && !it->out.empty() && !it->blocked) {
                deadline = deadline ? std::min(*deadline, it->nextByte) : it->nextByte;
            }
            // A flooded connection that still takes bytes is topped up again at once.
            if (it->endless && !it->blocked && it->out.size() < STRAY_CHUNK &&
                (pause == Clock::duration::zero() || it->out.empty())) {
                deadline = now;
            }
        }

        // Late datagrams leave in the order they fell due.
        while (!late.empty() && late.front().due <= now) {
            sendDatagram(late.front().peer, late.front().datagram);
            late.erase(late.begin());
        }
        if (!late.empty())
            deadline = deadline ? std::min(*deadline, late.front().due) : late.front().due;

        std::vector<pollfd> fds;
        fds.push_back({wakeRead.get(), POLLIN, 0});
        fds.push_back({listener ? listener.get() : -1, POLLIN, 0});
        fds.push_back({datagrams ? datagrams.get() : -1, POLLIN, 0});
        for (const Connection& c : connections) {
            fds.push_back(
                {c.socket.get(), static_cast<short>(POLLIN | (c.blocked ? POLLOUT : 0)), 0});
        }
        const int ready = ::poll(fds.data(), fds.size(), pollTimeout(deadline));
        if (ready < 0) {
            if (errno == EINTR) continue;
            fail("poll");
        }
        if (ready == 0) continue;

        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(wakeRead.get(), drain, sizeof drain) > 0) {
            }
        }
        // Connections by id: reading one may close it, or another.
        std::vector<int> readable;
        for (std::size_t i = 3; i < fds.size(); ++i) {
            if (fds[i].revents & POLLOUT) connections[i - 3].blocked = false;
            if (fds[i].revents & ~POLLOUT) readable.push_back(connections[i - 3].id);
        }
        for (int id : readable) {
            const auto it = std::find_if(connections.begin(), connections.end(),
                                         [id](const Connection& c) { return c.id == id; });
            if (it != connections.end()) readConnection(*it);
        }
        if (fds[1].revents & POLLIN) accept();
        if (fds[2].revents & POLLIN) readDatagrams();
    }
}

void NetworkServer::accept() {
    for (;;) {
        const int fd = ::accept4(listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;  // EAGAIN: all taken; anything else: the next poll tells again
        }
        UniqueFd socket(fd);
        if (connections.size() >= MAX_CONNECTIONS) {
            if (hooks.note) hooks.note("tcp connection refused: too many");
            continue;
        }
        const int one = 1;
        // Replies are a few bytes each and must leave at once.
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Connection connection;
        connection.id = nextConnection++;
        connection.socket = std::move(socket);
        connections.push_back(std::move(connection));
        if (hooks.note) hooks.note("tcp connection " + std::to_string(connections.back().id));
        arrived(Destination{false, connections.back().id, {}, 0, NetworkFault::None});
    }
}

void NetworkServer::closeConnection(int id, const char* why) {
    const auto it = std::find_if(connections.begin(), connections.end(),
                                 [id](const Connection& c) { return c.id == id; });
    if (it == connections.end()) return;
    queued -= it->out.size();
    connections.erase(it);
    if (hooks.note) hooks.note("tcp connection " + std::to_string(id) + " closed: " + why);
}

void NetworkServer::readConnection(Connection& connection) {
    std::uint8_t buffer[256];
    const ssize_t n = ::recv(connection.socket.get(), buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) {
        closeConnection(connection.id, n == 0 ? "by the client" : std::strerror(errno));
        return;
    }
    const int id = connection.id;
    // The byte stream is framed as on the line: up to FF, at most 16 bytes.
    std::vector<Bytes> frames;
    for (ssize_t i = 0; i < n; ++i) {
        const std::uint8_t b = buffer[i];
        if (connection.discarding) {
            connection.discarding = b != TERMINATOR;
            continue;
        }
        connection.incoming.push_back(b);
        if (b == TERMINATOR) {
            if (connection.incoming.size() > 1) frames.push_back(connection.incoming);
            connection.incoming.clear();
        } else if (connection.incoming.size() >= MAX_FRAME) {
            connection.incoming.clear();
            connection.discarding = true;
        }
    }
    for (const Bytes& frame : frames) {
        const auto it = std::find_if(connections.begin(), connections.end(),
                                     [id](const Connection& c) { return c.id == id; });
        if (it == connections.end()) return;
        request(Destination{false, id, {}, 0, NetworkFault::None}, frame, ++it->requests);
    }
}

void NetworkServer::readDatagrams() {
    for (;;) {
        std::uint8_t buffer[HEADER_SIZE + 64];
        sockaddr_storage from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(datagrams.get(), buffer, sizeof buffer, MSG_TRUNC,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        const std::string peer(reinterpret_cast<const char*>(&from), fromLength);
        const auto size = static_cast<std::size_t>(n);
        if (size < HEADER_SIZE || size > sizeof buffer ||
            getBig(buffer + 2, 2) != size - HEADER_SIZE) {
            if (hooks.note) hooks.note("udp datagram ignored: malformed");
            continue;
        }
        const auto type = static_cast<std::uint16_t>(getBig(buffer, 2));
        const std::uint32_t sequence = getBig(buffer + 4, 4);
        const Bytes payload(buffer + HEADER_SIZE, buffer + size);
        udpSequences[peer] = sequence;
        // Many clients over a long run: the oldest by address are forgotten.
        while (udpSequences.size() > MAX_PEERS) udpSequences.erase(udpSequences.begin());
        if (type == PAYLOAD_CONTROL && payload == Bytes{RESET_SEQUENCE}) {
            udpRequests[peer] = 0;
            sendDatagram(peer, datagram(PAYLOAD_CONTROL_REPLY, sequence, payload));
            if (hooks.note) hooks.note("udp sequence reset");
            arrived(Destination{true, 0, peer, sequence, NetworkFault::None});
            continue;
        }
        if ((type != PAYLOAD_COMMAND && type != PAYLOAD_INQUIRY) || payload.size() < 2 ||
            payload.size() > MAX_FRAME || payload.back() != TERMINATOR) {
            if (hooks.note) hooks.note("udp datagram ignored: not a request");
            continue;
        }
        request(Destination{true, 0, peer, sequence, NetworkFault::None}, payload,
                ++udpRequests[peer]);
    }
}

void NetworkServer::request(Destination destination, const Bytes& frame, int count) {
    const NetworkFaultPlan current = plan();
    const bool hit = current.fault != NetworkFault::None &&
                     udpFault(current.fault) == destination.udp &&
                     (current.request == 0 || current.request == count);
    if (hit) {
        destination.fault = current.fault;
        if (hooks.note) {
            hooks.note(std::string("fault ") + networkFaultName(current.fault) + " on request " +
                       std::to_string(count));
        }
    }
    if (destination.fault == NetworkFault::Close) {
        closeConnection(destination.connection, "fault close");
        return;
    }
    const int id = remember(std::move(destination));
    {
        std::lock_guard<std::mutex> lock(chainMutex);
        chain.receiveDirect(id, frame, Clock::now());
    }
    if (hooks.emitRecords) hooks.emitRecords();
    if (hooks.changed) hooks.changed();
    // The replies that are due at once go out on the next turn of the loop, without a wait.
    wake();
}

int NetworkServer::remember(Destination destination) {
    const int id = nextDestination++;
    destinations.emplace(id, std::move(destination));
    while (destinations.size() > MAX_DESTINATIONS) destinations.erase(destinations.begin());
    return id;
}

void NetworkServer::arrived(Destination destination) {
    const int id = remember(std::move(destination));
    {
        std::lock_guard<std::mutex> lock(chainMutex);
        chain.clientArrived(id, Clock::now());
    }
    wake();
}

void NetworkServer::append(Connection& connection, const Bytes& bytes, TimePoint now) {
    // Only a client that stopped reading loses replies: a long burst of stray bytes and what
    // follows it are taken whole while the socket takes bytes.
    if (connection.out.size() > MAX_QUEUED && connection.blocked) return;
    // A paced burst starts now; bytes queued behind others keep the running schedule.
    if (connection.out.empty()) connection.nextByte = std::max(connection.nextByte, now);
    connection.out.insert(connection.out.end(), bytes.begin(), bytes.end());
    queued += bytes.size();
}

bool NetworkServer::flush(Connection& connection, TimePoint now, Clock::duration pause) {
    const bool paced = pause > Clock::duration::zero();
    while (!connection.out.empty() && !connection.blocked &&
           (!paced || connection.nextByte <= now)) {
        std::uint8_t chunk[4096];
        const std::size_t count = paced ? 1 : std::min(connection.out.size(), sizeof chunk);
        std::copy_n(connection.out.begin(), count, chunk);
        const ssize_t n =
            ::send(connection.socket.get(), chunk, count, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            connection.blocked = true;
            break;
        }
        if (n < 0) {
            closeConnection(connection.id, "cannot send");
            return false;
        }
        connection.out.erase(connection.out.begin(), connection.out.begin() + n);
        queued -= static_cast<std::size_t>(n);
        if (paced) connection.nextByte += pause;
    }
    return true;
}

void NetworkServer::deliver(const CameraChain::Outgoing& piece, TimePoint now) {
    if (piece.destination == CameraChain::EVERY_CLIENT) {
        for (Connection& c : connections) append(c, piece.bytes, now);
        for (const auto& [peer, sequence] : udpSequences) {
            sendDatagram(peer, datagram(PAYLOAD_REPLY, sequence, piece.bytes));
        }
        return;
    }
    const auto found = destinations.find(piece.destination);
    if (found == destinations.end()) return;
    Destination& to = found->second;
    const Bytes& reply = piece.bytes;
    if (!to.udp) {
        const auto it = std::find_if(connections.begin(), connections.end(),
                                     [&to](const Connection& c) { return c.id == to.connection; });
        if (it == connections.end()) return;  // closed before its reply was due
        if (to.fault != NetworkFault::CloseMidReply) {
            append(*it, reply, now);
            if (piece.endsExchange) it->endless = true;
            return;
        }
        // What went before, then one byte of this reply, then the end.
        append(*it, Bytes(reply.begin(), reply.begin() + 1), now);
        std::size_t sent = 0;
        const Bytes all(it->out.begin(), it->out.end());
        while (sent < all.size()) {
            const ssize_t n =
                ::send(it->socket.get(), all.data() + sent, all.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                pollfd out{it->socket.get(), POLLOUT, 0};
                if (::poll(&out, 1, 1000) <= 0) break;
                continue;
            }
            if (n < 0) break;
            sent += static_cast<std::size_t>(n);
        }
        closeConnection(to.connection, sent < all.size() ? "cannot send" : "fault close-mid-reply");
        return;
    }
    if (piece.stray) return;
    const Bytes out = datagram(PAYLOAD_REPLY, to.sequence, reply);
    switch (to.fault) {
        case NetworkFault::Drop:
            if (hooks.note) hooks.note("udp reply dropped");
            return;
        case NetworkFault::Duplicate:
            sendDatagram(to.peer, out);
            break;
        case NetworkFault::Late: {
            const LateDatagram held{Clock::now() + plan().delay, to.peer, out};
            late.insert(std::upper_bound(late.begin(), late.end(), held,
                                         [](const LateDatagram& a, const LateDatagram& b) {
                                             return a.due < b.due;
                                         }),
                        held);
            return;
        }
        default:
            break;
    }
    sendDatagram(to.peer, out);
}

void NetworkServer::sendDatagram(const std::string& peer, const Bytes& bytes) {
    sockaddr_storage address{};
    const std::size_t length = std::min(peer.size(), sizeof address);
    std::memcpy(&address, peer.data(), length);
    ssize_t n;
    do {
        n = ::sendto(datagrams.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr*>(&address), static_cast<socklen_t>(length));
    } while (n < 0 && errno == EINTR);
    // A datagram that cannot leave is lost, as on any network.
    if (n < 0 && hooks.note) hooks.note(std::string("udp send failed: ") + std::strerror(errno));
}

}  // namespace Camsim
