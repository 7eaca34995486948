#include "doctor/Session.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "quorvin/DriverException.h"

namespace Doctor {

namespace {

// Every VISCA message ends with this byte: a receive ends as soon as it has one.
constexpr std::uint8_t TERMINATOR = 0xFF;
// How long a network camera is given to greet a new connection. A camera that greets does so
// at once; one that does not costs this once per link.
constexpr std::chrono::milliseconds GREETING_WAIT{200};

}  // namespace

LinkMaker libraryLinks() {
    return [] { return std::unique_ptr<CameraDriver::Comm>(CameraDriver::createComm(TERMINATOR)); };
}

WatchedLink::WatchedLink(std::unique_ptr<CameraDriver::Comm> inner) : link(std::move(inner)) {}

void WatchedLink::connect(const std::string& port) {
    isOpen = false;
    link->connect(port);
    isOpen = true;
    if (port.rfind("tcp://", 0) == 0 || port.rfind("udp://", 0) == 0) {
        takeEarly(link->now() + GREETING_WAIT);
    }
    connected = link->now();
}

void WatchedLink::takeEarly(Clock::time_point deadline) {
    // After the first burst only what has already arrived is taken. A camera that never stops
    // talking is cut off after a few bursts, and the transport drops the rest as it always
    // does.
    Bytes early;
    unsigned char chunk[256];
    for (int burst = 0; burst < 16 && isOpen; ++burst) {
        std::uint32_t got = sizeof chunk;
        if (!link->tryReceive(chunk, &got, burst == 0 ? deadline : Clock::time_point{})) {
            break;
        }
        early.insert(early.end(), chunk, chunk + got);
    }
    if (!early.empty() && between) {
        between(early);
    }
}

void WatchedLink::disconnect() {
    isOpen = false;
    link->disconnect();
}

void WatchedLink::send(const unsigned char* data, std::uint32_t* count) {
    // What arrived since the last exchange ended, the transport would drop unseen as stale when
    // this request goes out: it is taken first, for the watcher (a deadline already past takes
    // only what has arrived).
    takeEarly(Clock::time_point{});
    traffic.push_back({Bytes(data, data + *count), {}});
    link->send(data, count);
}

bool WatchedLink::tryReceive(unsigned char* buffer, std::uint32_t* count,
                             Clock::time_point deadline) {
    const bool got = link->tryReceive(buffer, count, deadline);
    if (got) {
        // Bytes before the first request (a greeting on connect) belong to no request.
        if (traffic.empty()) {
            traffic.push_back({});
        }
        traffic.back().received.insert(traffic.back().received.end(), buffer, buffer + *count);
    }
    return got;
}

void WatchedLink::failNoReply() const {
    link->failNoReply();
    // The link raises its own failure above; this line is never reached.
    throw CameraDriver::DriverException("no reply");
}

Clock::time_point WatchedLink::now() const { return link->now(); }

std::vector<Traffic> WatchedLink::takeTraffic() { return std::exchange(traffic, {}); }

Session::Session(const LinkMaker& makeLink, std::chrono::milliseconds wait)
    : watched(new WatchedLink(makeLink())), camera(std::unique_ptr<CameraDriver::Comm>(watched)) {
    setWait(wait);
    camera.observeSetAside([this](const std::uint8_t* bytes, int length) {
        unasked.push_back({Bytes(bytes, bytes + length), current, inQuiet});
    });
    watched->watchBetween([this](const Bytes& bytes) {
        // Cut into frames as the engine would have: each up to its FF, the rest unfinished.
        Bytes frame;
        for (const std::uint8_t byte : bytes) {
            frame.push_back(byte);
            if (byte == TERMINATOR) {
                unasked.push_back({std::exchange(frame, {}), current, inQuiet});
            }
        }
        if (!frame.empty()) {
            unasked.push_back({frame, current, inQuiet});
        }
    });
}

void Session::setWait(std::chrono::milliseconds wait) {
    CameraDriver::Engine::ExchangeOptions options;
    options.timeout = wait;
    camera.setOperationOptions(options);
}

SetUp Session::open(const std::string& name) {
    SetUp result;
    try {
        camera.open(name);
        result.outcome = SetUp::Outcome::Answered;
        // The count of the open's own numbering (88 30 0p FF: p - 1 cameras), without
        // numbering the chain once more; a greeting may have come before it.
        for (const Traffic& exchange : watched->takeTraffic()) {
            const Bytes& in = exchange.received;
            for (std::size_t at = 0; at + 3 < in.size(); ++at) {
                if (in[at] == 0x88 && in[at + 1] == 0x30 && in[at + 3] == TERMINATOR) {
                    result.cameras = in[at + 2] - 1;
                }
            }
        }
    } catch (const std::exception& failure) {
        result.error = failure.what();
        if (!watched->opened()) {
            result.outcome = SetUp::Outcome::NotOpened;
        } else if (camera.lastExchange().timedOut && camera.lastExchange().reply.empty()) {
            result.outcome = SetUp::Outcome::NoAnswer;
        } else {
            result.outcome = SetUp::Outcome::Refused;
            result.reply = camera.lastExchange().reply;
        }
        watched->takeTraffic();
    }
    // The link set-up alone: the numbering and the interface clear, not the connection.
    if (watched->opened()) {
        result.milliseconds = millisecondsBetween(watched->openedAt(), now());
    }
    return result;
}

std::vector<Unasked> Session::takeUnasked() { return std::exchange(unasked, {}); }

void Session::during(int number, bool quiet) {
    current = number;
    inQuiet = quiet;
}

double millisecondsBetween(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

std::string hexText(const Bytes& bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", byte);
        text += (text.empty() ? "" : " ") + std::string(pair);
    }
    return text;
}

}  // namespace Doctor
