#pragma once

// One link opened through the engine for a look at the cameras on it, with short waits and a
// record of everything that crossed it. The record is what lets scan and doctor say more than
// the library's message: whether the port opened at all, which frames an operation sent and
// what came back for each, and what the cameras said that nobody asked for.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/Engine.h"
#include "transport/Comm.h"

namespace Doctor {

using Bytes = std::vector<std::uint8_t>;
using Clock = CameraDriver::Comm::Clock;

// Makes the transport of one link, not yet connected: the library's own by default, a test's
// scripted camera in the tests.
using LinkMaker = std::function<std::unique_ptr<CameraDriver::Comm>()>;
LinkMaker libraryLinks();

// One request and the bytes that came back until the next request.
struct Traffic {
    Bytes sent;
    Bytes received;
};

// A transport that passes everything on to another and keeps a record of it.
class WatchedLink : public CameraDriver::Comm {
  public:
    explicit WatchedLink(std::unique_ptr<CameraDriver::Comm> inner);

    void connect(const std::string& port) override;
    void disconnect() override;
    void send(const unsigned char* data, std::uint32_t* count) override;
    bool tryReceive(unsigned char* buffer, std::uint32_t* count,
                    Clock::time_point deadline) override;
    [[noreturn]] void failNoReply() const override;
    Clock::time_point now() const override;

    // Whether the last connect opened the port (the chain's set-up may still have failed).
    bool opened() const { return isOpen; }
    // When the last connect had opened the port, and listened for a greeting where it does.
    Clock::time_point openedAt() const { return connected; }
    // The requests and their bytes since the last call.
    std::vector<Traffic> takeTraffic();
    // Shown the bytes that arrived between two exchanges, which the transport would drop
    // unseen as stale when the next request goes out (a change notice while the link was
    // idle), and a network camera's greeting, listened for a moment after the connection: over
    // UDP it carries the sequence number of the connection's reset, and once the first request
    // has gone out the transport drops it as a reply to an older message.
    void watchBetween(std::function<void(const Bytes&)> watcher) { between = std::move(watcher); }

  private:
    // Passes on, once, what arrives until `deadline` and right behind it.
    void takeEarly(Clock::time_point deadline);

    std::unique_ptr<CameraDriver::Comm> link;
    bool isOpen = false;
    Clock::time_point connected{};
    std::vector<Traffic> traffic;
    std::function<void(const Bytes&)> between;
};

// A frame that came with no exchange waiting for it, and when.
struct Unasked {
    Bytes frame;
    // 0: during the link's set-up or the quiet second; n: during camera n's inquiries.
    int during = 0;
    bool quiet = false;  // in the quiet second
};

// How the link's set-up went.
struct SetUp {
    enum class Outcome {
        Answered,   // the chain was counted
        NotOpened,  // the port or the network camera would not open
        NoAnswer,   // nothing came back in time
        Refused,    // something came back, but not a count of cameras
    };
    Outcome outcome = Outcome::NoAnswer;
    int cameras = 0;
    std::string error;        // the library's message, when it failed
    Bytes reply;              // what came back to the failed step
    double milliseconds = 0;  // the link set-up's time, on the link's clock
};

class Session {
  public:
    // `wait` bounds each exchange of the link set-up and of the operations.
    Session(const LinkMaker& makeLink, std::chrono::milliseconds wait);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Opens the link by name and counts the chain, as a connect does.
    SetUp open(const std::string& name);
    // Sets how long the operations' exchanges wait from here on.
    void setWait(std::chrono::milliseconds wait);

    CameraDriver::Engine& engine() { return camera; }
    WatchedLink& link() { return *watched; }
    Clock::time_point now() const { return watched->now(); }

    // The frames set aside since the last call. Frames that come from here on are counted as
    // coming during camera `number`'s inquiries (0: none), or in the quiet second.
    std::vector<Unasked> takeUnasked();
    void during(int number, bool quiet = false);

  private:
    WatchedLink* watched;  // owned by the engine
    // Filled by the engine's observer, so declared before it and destroyed after it.
    std::vector<Unasked> unasked;
    int current = 0;
    bool inQuiet = false;
    CameraDriver::Engine camera;
};

// Milliseconds between two points of a link's clock.
double millisecondsBetween(Clock::time_point start, Clock::time_point end);

// "81 09 04 00 FF"
std::string hexText(const Bytes& bytes);

}  // namespace Doctor
