#pragma once

// One link (a serial chain or a network camera) and the one thread that owns it: every
// exchange on the link runs there, in the order the queue gives. The queue lets a stop go
// ahead of its camera's requests and a newer drive of an axis replace one still waiting; when
// idle the thread polls the cameras that someone watches, sends a heartbeat, and waits for the
// completions of long moves. A failed exchange or heartbeat takes the link offline; the thread
// then reopens it with a capped backoff, sets the chain up again and stops every camera.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "operations/Operations.h"
#include "operations/Values.h"

namespace CameraDriver {
class Engine;
}

namespace Hub {

enum class Health { Online, Offline, Reconnecting };
const char* healthName(Health health);

// How a request ended, as an HTTP status with the library's or the hub's own message.
struct Outcome {
    int status = 200;
    std::string error;
    nlohmann::ordered_json result;    // an operation's result (null for none)
    std::vector<std::uint8_t> reply;  // a raw exchange's frames as the camera sent them
};

// Which motion a drive or a stop is about.
enum class Axis { None, PanTilt, Zoom, Focus };

struct Job {
    int camera = 1;  // address on the chain
    // An operation of the table with its values, or a raw frame (8x 01 ... FF / 8x 09 ... FF).
    const Operations::Operation* operation = nullptr;
    std::vector<Operations::Value> values;
    std::vector<std::uint8_t> frame;
    // Called once, on the link's thread, with the outcome; must not block.
    std::function<void(Outcome)> done;
    // A raw command: called on the link's thread with the acknowledgement as soon as it came,
    // before `done` has the completion.
    std::function<void(const std::vector<std::uint8_t>&)> acknowledged;
};

// What the link tells its owner, on the link's thread.
class LinkEvents {
  public:
    virtual ~LinkEvents() = default;
    // `cameras` is the count of the last link set-up (0 until one succeeds).
    virtual void healthChanged(std::size_t link, Health health, const std::string& reason,
                               int cameras) = 0;
    // An operation that ran (a client's or a poll): the state it shows or sets.
    virtual void operationDone(std::size_t link, int camera, const Operations::Operation& op,
                               const std::vector<Operations::Value>& values,
                               const Operations::Result& result) = 0;
    // A long move or a pending raw command ended (ok, or the camera's refusal).
    virtual void moveEnded(std::size_t link, int camera, const std::string& operation, bool ok,
                           const std::string& error) = 0;
    // Whether a camera moves by itself now, as the link last saw it.
    virtual void motionChanged(std::size_t link, int camera, Axis axis, bool moving) = 0;
};

struct LinkTiming {
    std::chrono::milliseconds heartbeat{1000};        // idle time before a heartbeat
    std::chrono::milliseconds heartbeatTimeout{500};  // its reply's deadline
    std::chrono::milliseconds movingPoll{150};        // a watched camera that moves
    std::chrono::milliseconds restingPoll{5000};      // a watched camera at rest, per inquiry sweep
    std::chrono::milliseconds completionLimit{6000};  // a long move's reply: 200 within, 202 past
    // The link set-up's replies: a chain answers in milliseconds, and a silent one must not
    // hold each reconnect attempt for the full transfer time-out.
    std::chrono::milliseconds setupTimeout{1000};
    std::chrono::milliseconds firstBackoff{200};
    std::chrono::milliseconds maxBackoff{5000};
};

class Link {
  public:
    Link(std::size_t index, std::string port, LinkEvents& events, std::size_t maxQueued,
         LinkTiming timing = {});
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    void start();
    // Ends the thread; queued requests get 503.
    void stop();

    const std::string& port() const { return portName; }
    Health health() const;
    std::string reason() const;
    int cameraCount() const;

    // Queues a request; answers at once (503) when the link is not online or its queue full.
    void submit(Job job);
    // A client watches the camera (state polls) or no longer does.
    void watch(int camera, bool watched);
    // Inquiries that the camera is known to refuse, left out of its state sweeps; before
    // start().
    void skipInquiries(int camera, std::vector<std::string> names);

    // What the queue rules see in an operation's name.
    static Axis stopAxis(const std::string& operation);
    static Axis driveAxis(const std::string& operation);
    static bool isLongMove(const std::string& operation);

  private:
    struct Pending;
    struct Queued;

    void run();
    bool connect();
    // stopMove, stopZoom and stopFocusChange to cameras 1..cameras; a refusal is no failure.
    void stopEveryCamera(int cameras);
    void serve();
    void execute(Queued& job);
    void poll(int camera);
    void heartbeat();
    void goOffline(const std::string& reason);
    void setHealth(Health health, const std::string& reason);
    void failQueue(int status, const std::string& message);
    void frameSetAside(const std::uint8_t* bytes, int length);
    void expirePending();
    Outcome failure(const std::exception& e, bool& linkFailed);

    const std::size_t index;
    const std::string portName;
    LinkEvents& events;
    const std::size_t maxQueued;
    const LinkTiming timing;

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::unique_ptr<Queued>> queue;  // guarded by mutex
    bool stopping = false;                      // guarded by mutex
    bool watchersChanged = false;               // guarded by mutex
    Health state = Health::Reconnecting;        // guarded by mutex
    std::string stateReason = "connecting";     // guarded by mutex
    int counted = 0;                            // guarded by mutex

    std::array<std::atomic<int>, 8> watchers{};

    // Owned by the link's thread only.
    std::unique_ptr<CameraDriver::Engine> engine;
    std::vector<std::unique_ptr<Pending>> pending;
    // Completions set aside during the exchange in progress that nothing waited for yet.
    std::vector<std::vector<std::uint8_t>> unclaimed;
    struct CameraPoll {
        std::array<bool, 4> moving{};  // by Axis
        std::chrono::steady_clock::time_point nextSweep{};
        std::chrono::steady_clock::time_point nextMotion{};
        std::size_t sweepIndex = 0;
        bool sweeping = false;
        int unchanged = 0;
        nlohmann::ordered_json lastMotion;
    };
    std::array<CameraPoll, 8> polls{};
    std::array<std::vector<std::string>, 8> skipped{};  // by camera, set before start()
    std::chrono::steady_clock::time_point lastTraffic{};
    int heartbeatCamera = 1;
    std::thread thread;
};

}  // namespace Hub
