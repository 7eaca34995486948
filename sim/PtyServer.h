// The virtual camera chain on a pseudo-terminal (and, when ServerOptions::network asks for it,
// its first camera on the network too): what a test or benchmark runs in-process, and what the
// quorvin-camsim program wraps.
//
//     Camsim::ServerOptions options;
//     options.cameras = 3;
//     Camsim::PtyServer server(options);        // opens the line and starts serving
//     openTheLibraryOn(server.devicePath());    // e.g. "/dev/pts/7"
//     server.setFault(Camsim::Fault::BufferFull);
//     EXPECT_GT(server.camera(1).tilt, 0);      // state of the first camera, now
//     // the destructor stops the thread and closes the line
//
// The line is put in raw mode, at the model's line speed (9600 baud unless it says otherwise),
// before the server returns from its constructor, so a client that opens devicePath() starts
// with a raw line at the camera's speed. The terminal's settings are shared by all who open it,
// as a serial port's are: the server reads the speed a client set, and while it differs from
// the camera's, the camera understands nothing of what arrives and answers nothing, as a camera
// on a line at the wrong speed does. The server keeps its own handle on the
// terminal side for its whole life (without any lock on it), so clients may close and reopen
// the port at will. As with a real port, once the last client has closed it (noticed on Linux
// only, see sim/ClientWatch.h) its exclusive mode ends, unread replies are flushed, and replies
// that fall due before the next client opens it are lost.
//
// Every member function is thread-safe. Chain behaviour, faults and timing are described in
// sim/CameraChain.h, the cameras in sim/VirtualCamera.h.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/CameraChain.h"
#include "sim/ClientWatch.h"
#include "sim/NetworkServer.h"
#include "sim/UniqueFd.h"

namespace Camsim {

struct ServerOptions {
    int cameras = 1;  // 1..7
    Model model;      // of every camera on the chain; its line speed is the line's
    // A chain that mixes models: one model a camera, in chain order, in place of `cameras`
    // cameras of `model` (whose line speed stays the line's). Empty: every camera is `model`.
    std::vector<Model> models;
    Timing timing;
    Fault fault = Fault::None;
    Chatter chatter;  // what the cameras say unasked
    // Verbose log: one line per frame received ("rx") or sent ("tx"), the bytes in hex after a
    // time stamp in seconds since the server started, e.g. "    0.012345 rx 81 09 04 00 FF",
    // and "    1.234567 line closed" when the line is hung up. A long burst of stray bytes shows
    // its first 32 bytes and "... and N bytes more".
    // "net rx" and "net tx" mark the frames of the first camera's network link, and lines
    // without bytes tell its events (connections, faults).
    // Called on a server thread (the line's or the network's), never with a lock held.
    std::function<void(const std::string& line)> log;
    // The first camera's network ports, none by default (see sim/NetworkServer.h).
    NetworkOptions network;
};

class PtyServer {
  public:
    // Throws std::invalid_argument for a camera count outside 1..7 or a line speed that
    // supportedLineSpeed refuses, and std::system_error when the pseudo-terminal cannot be set
    // up.
    explicit PtyServer(const ServerOptions& options = ServerOptions());
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // The terminal a client opens (stays valid while the line is open).
    const std::string& devicePath() const { return path; }

    // Stops serving and joins the threads; the line stays open but unanswered, the network
    // ports are closed. Idempotent.
    void stop();

    // The first camera's network ports as bound; 0 for one not served.
    std::uint16_t tcpPort() const { return network ? network->tcpPort() : 0; }
    std::uint16_t udpPort() const { return network ? network->udpPort() : 0; }
    // Bytes taken for the first camera's TCP clients and not yet sent (see NetworkServer).
    std::size_t networkQueuedBytes() const { return network ? network->queuedBytes() : 0; }
    // Replaces the network fault (no effect without network ports).
    void setNetworkFault(const NetworkFaultPlan& plan);

    void setFault(Fault fault);
    Fault fault() const;
    void setTiming(const Timing& timing);
    Timing timing() const;
    // Reseeds the random choices of the chatter.
    void setChatter(const Chatter& chatter);

    // Cameras on the chain, N.
    int cameraCount() const { return chainSize; }

    // Camera at position 1..N in chain order, with its positions as of now. Throws
    // std::out_of_range for another position.
    CameraState camera(int position = 1) const;
    // Replaces a camera's settings and positions and stops its motion (address and the moving
    // flags are ignored).
    void setCamera(int position, const CameraState& state);

    // Closes the line at once, as an unplugged adaptor does: the client sees a hang-up. Returns
    // when the line is closed. Fault::Hangup does the same when the next frame arrives.
    void hangUp();
    bool lineOpen() const;

    // Complete frames received so far (lone FF bytes not counted).
    std::uint64_t framesReceived() const;
    // Bytes that arrived while the client's line speed differed from the camera's.
    std::uint64_t bytesNotUnderstood() const;
    // Reply bytes that have reached the client's end of the line and wait there unread, as the
    // client's next read would find them; 0 once the line is closed.
    std::size_t unreadReplyBytes() const;

    // The last command frame that reached the camera at position 1..N (see
    // CameraChain::lastCommand); empty before the first.
    Bytes lastCommand(int position = 1) const;

    // Called after bytes have arrived from the line (on the server thread) and after setCamera
    // (on its caller's thread), so that a watcher can look at the cameras again; motion that
    // goes on by itself is not reported. Called with none of the server's state locked, so it
    // may call any member except setChangeListener. Replacing or clearing the listener waits
    // for a call in progress to return, so that its captures may be destroyed afterwards.
    void setChangeListener(std::function<void()> onChange);

  private:
    void run();
    void serve();
    void wake();
    void closeLine();
    void releasePort();
    void emitLog(const std::vector<LineRecord>& records);
    void writeLog(const std::string& line);
    std::string stamp(TimePoint when) const;
    void notifyChange();
    // The line speed that a client set, in baud; 0 for one the camera never runs at.
    int clientSpeed() const;

    CameraChain chain;  // guarded by mutex
    const int chainSize;
    const int lineSpeed;
    std::function<void(const std::string&)> logger;
    TimePoint startedAt;
    std::string path;
    UniqueFd master;  // touched by the server thread only while it runs
    UniqueFd slave;   // held open so that clients closing the port cause no hang-up
    std::optional<ClientWatch> clients;
    UniqueFd wakeRead;
    UniqueFd wakeWrite;

    mutable std::mutex mutex;
    std::condition_variable lineClosed;
    bool stopping = false;
    bool running = false;  // the server thread still owns the descriptors
    bool hangupAsked = false;
    bool lineIsOpen = true;
    std::uint64_t misunderstood = 0;
    std::thread thread;

    std::mutex listenerMutex;  // held while the listener runs
    std::function<void()> listener;

    std::mutex logMutex;  // keeps the two threads' log lines whole and in order
    std::unique_ptr<NetworkServer> network;
};

}  // namespace Camsim
