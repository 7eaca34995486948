// The first camera of a virtual chain served over the network as well, on the loopback
// address: a TCP port that carries the plain VISCA byte stream, and a UDP port that speaks
// VISCA over IP. PtyServer owns it; it runs its own thread and shares the chain (and the lock
// that guards it) with the pseudo-terminal's thread.
//
// VISCA over IP: every datagram starts with an 8-byte header, all big-endian: payload type (2
// bytes: 01 00 command, 01 10 inquiry, 01 11 reply, 02 00 control, 02 01 control reply),
// payload length (2 bytes) and a sequence number (4 bytes), followed by the payload. A request
// is one VISCA frame; each of its replies (acknowledgement, completion, data or error) goes
// back in its own reply datagram with the request's sequence number. The control message 01
// resets the sequence and is answered by the control reply 01 with its own number. Datagrams
// that are none of these are ignored.
//
// Faults (NetworkFaultPlan) hit the replies of one request, counted from 1 on each TCP
// connection and, over UDP, after each sequence reset; request 0 means every request. A fault
// of one transport does nothing on the other.
//
// What the camera says unasked (Chatter, sim/CameraChain.h) reaches the network too: the
// network change to each new TCP connection and after each UDP sequence reset (as a reply
// datagram with the reset's number), the periodic one to every TCP connection and to every UDP
// client with the number of its last request. Over TCP the bytes of replies leave
// Timing::bytePause apart when it is set, and a connection under Chatter::strayForever is kept
// full of stray bytes; neither touches UDP, whose datagrams are whole.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/CameraChain.h"
#include "sim/UniqueFd.h"

namespace Camsim {

enum class NetworkFault {
    None,
    Drop,           // UDP: the reply datagrams are not sent
    Duplicate,      // UDP: every reply datagram is sent twice
    Late,           // UDP: the reply datagrams are sent `delay` after they fall due
    Close,          // TCP: the connection is closed when the request arrives, unanswered
    CloseMidReply,  // TCP: the first byte of the first reply is sent, then the connection closed
};

// Names used by the program's --net-fault option: none, drop, duplicate, late, close,
// close-mid-reply.
const char* networkFaultName(NetworkFault fault);
std::optional<NetworkFault> networkFaultFromName(std::string_view name);

struct NetworkFaultPlan {
    NetworkFault fault = NetworkFault::None;
    int request = 1;                        // 0: every request
    std::chrono::milliseconds delay{6500};  // for Late: past a controller's 6 s limit
};

struct NetworkOptions {
    // Ports to serve on 127.0.0.1; 0 lets the system choose a free one.
    std::optional<std::uint16_t> tcpPort;
    std::optional<std::uint16_t> udpPort;
    NetworkFaultPlan fault;
};

class NetworkServer {
  public:
    struct Hooks {
        std::function<void()> emitRecords;             // the chain's records are waiting
        std::function<void(const std::string&)> note;  // an event worth a log line
        std::function<void()> changed;                 // frames reached the camera
    };

    // Binds the ports and starts serving. The chain is only touched with chainMutex held.
    // Throws std::system_error when a port cannot be opened.
    NetworkServer(const NetworkOptions& options, std::mutex& chainMutex, CameraChain& chain,
                  Hooks hooks);
    ~NetworkServer();
    NetworkServer(const NetworkServer&) = delete;
    NetworkServer& operator=(const NetworkServer&) = delete;

    // The bound ports; 0 for one not served.
    std::uint16_t tcpPort() const { return tcpBound; }
    std::uint16_t udpPort() const { return udpBound; }

    void setFault(const NetworkFaultPlan& plan);
    // Bytes taken for TCP clients and not yet handed to their sockets. A burst queued with a
    // reply is counted before the reply's first byte goes out, so a client that has read the
    // reply and then sees 0 has the whole burst behind it in its socket.
    std::size_t queuedBytes() const { return queued.load(); }
    // Makes the thread look at the chain again (a reply may have fallen due early).
    void wake();
    // Stops serving and closes every socket. Idempotent.
    void stop();

  private:
    std::atomic<std::size_t> queued{0};

    struct Connection {
        int id;
        UniqueFd socket;
        Bytes incoming;
        bool discarding = false;
        int requests = 0;
        std::deque<std::uint8_t> out;  // bytes on their way to the client
        TimePoint nextByte{};          // of a paced reply
        bool blocked = false;          // the socket took no more; waiting for POLLOUT
        bool endless = false;          // flooded with stray bytes (Chatter::strayForever)
    };
    // Where the replies to one request go.
    struct Destination {
        bool udp;
        int connection;          // TCP
        std::string peer;        // UDP: the sender's address, as bytes of a sockaddr
        std::uint32_t sequence;  // UDP
        NetworkFault fault;      // the fault that hits this request's replies
    };
    struct LateDatagram {
        TimePoint due;
        std::string peer;
        Bytes datagram;
    };

    void run();
    void serve();
    void accept();
    void readConnection(Connection& connection);
    void readDatagrams();
    void request(Destination destination, const Bytes& frame, int count);
    void arrived(Destination destination);
    int remember(Destination destination);
    void deliver(const CameraChain::Outgoing& piece, TimePoint now);
    void append(Connection& connection, const Bytes& bytes, TimePoint now);
    // Sends what the connection's pace lets go now; false when the connection had to close.
    bool flush(Connection& connection, TimePoint now, Clock::duration pause);
    void sendDatagram(const std::string& peer, const Bytes& datagram);
    void closeConnection(int id, const char* why);
    NetworkFaultPlan plan() const;

    std::mutex& chainMutex;
    CameraChain& chain;
    Hooks hooks;
    UniqueFd listener;
    UniqueFd datagrams;
    std::uint16_t tcpBound = 0;
    std::uint16_t udpBound = 0;
    UniqueFd wakeRead;
    UniqueFd wakeWrite;

    // Touched by the server thread only.
    std::vector<Connection> connections;
    int nextConnection = 1;
    std::map<int, Destination> destinations;
    int nextDestination = 1;
    std::map<std::string, int> udpRequests;             // by peer, since its last sequence reset
    std::map<std::string, std::uint32_t> udpSequences;  // by peer, of its last datagram
    std::vector<LateDatagram> late;

    mutable std::mutex stateMutex;
    NetworkFaultPlan faultPlan;  // guarded by stateMutex
    bool stopping = false;       // guarded by stateMutex
    std::thread thread;
};

}  // namespace Camsim
