#pragma once

// A transport that plays a scripted camera on a clock of its own: each scripted burst arrives
// at its time, each receive returns the next burst that has arrived by its deadline (or raises
// the next scripted failure), and every call is recorded for the test to inspect. Nothing
// sleeps: a wait for a burst moves the clock on to its arrival, a wait in vain to the deadline.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quorvin/DriverException.h"
#include "tests/support/Hex.h"
#include "transport/Comm.h"

namespace TestSupport {

struct RecvCall {
    std::uint32_t offered;  // the count on entry: the space the caller offers
    std::ptrdiff_t offset;  // where the buffer starts relative to the previous recv's buffer
};

// Everything a ScriptedComm saw; shared so that it outlives the transport a controller owns.
struct CommLog {
    std::vector<Bytes> sent;
    std::vector<RecvCall> recvs;
    std::vector<std::string> ports;  // one per connect
    int disconnects = 0;
    int destroyed = 0;
    int staleDropped = 0;  // bursts that had arrived unread when a command went out
};

class ScriptedComm : public CameraDriver::Comm {
  public:
    // What failNoReply raises: the transport's time-out.
    static constexpr const char* NO_REPLY = "scripted camera: no reply in time";

    explicit ScriptedComm(std::shared_ptr<CommLog> record = std::make_shared<CommLog>())
        : log(std::move(record)) {}
    ~ScriptedComm() override { ++log->destroyed; }

    // A burst that arrives `after` the later of the last request and the burst before it, its
    // time fixed when a receive first waits for it.
    ScriptedComm& reply(Bytes burst, std::chrono::milliseconds after = {}) {
        steps.push_back({std::move(burst), {}, false, after, gate, {}});
        return *this;
    }
    // The next receive raises `message`.
    ScriptedComm& failRecv(std::string message) {
        steps.push_back({{}, std::move(message), true, {}, gate, {}});
        return *this;
    }
    // The bursts scripted from here on come only after one more request than those before
    // them: they answer the next request, however long a receive waits before it.
    ScriptedComm& thenRequest() {
        gate = std::max(gate, log->sent.size() + 1) + 1;
        return *this;
    }
    // The next send reports only `written` bytes as written.
    ScriptedComm& shortWrite(std::uint32_t written) {
        shortWrites.push_back(written);
        return *this;
    }
    ScriptedComm& failConnect(std::string message) {
        connectFailure = std::move(message);
        return *this;
    }
    ScriptedComm& failDisconnect(std::string message) {
        disconnectFailure = std::move(message);
        return *this;
    }

    const std::shared_ptr<CommLog>& record() const { return log; }
    std::size_t pendingReplies() const { return steps.size(); }
    // Time since the script began.
    std::chrono::milliseconds elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(clock - Clock::time_point{});
    }

    void connect(const std::string& port) override {
        log->ports.push_back(port);
        if (!connectFailure.empty()) {
            throw CameraDriver::DriverException(connectFailure);
        }
    }
    void disconnect() override {
        ++log->disconnects;
        if (!disconnectFailure.empty()) {
            throw CameraDriver::DriverException(disconnectFailure);
        }
    }
    void send(const unsigned char* data, std::uint32_t* count) override {
        // As a real transport does, what has arrived unread belongs to an ended exchange.
        while (!steps.empty() && steps.front().at && *steps.front().at <= clock) {
            lastArrival = *steps.front().at;
            steps.pop_front();
            ++log->staleDropped;
        }
        log->sent.emplace_back(data, data + *count);
        lastSend = clock;
        if (!shortWrites.empty()) {
            *count = shortWrites.front();
            shortWrites.pop_front();
        }
    }
    bool tryReceive(unsigned char* buffer, std::uint32_t* count,
                    Clock::time_point deadline) override {
        log->recvs.push_back({*count, lastBuffer ? buffer - lastBuffer : 0});
        lastBuffer = buffer;
        if (steps.empty() || log->sent.size() < steps.front().gate) {
            clock = std::max(clock, deadline);
            return false;
        }
        Step& step = steps.front();
        if (step.fails) {
            const std::string failure = step.failure;
            steps.pop_front();
            throw CameraDriver::DriverException(failure);
        }
        if (!step.at) {
            step.at = std::max(lastSend, lastArrival) + step.after;
        }
        if (*step.at > deadline) {
            clock = std::max(clock, deadline);
            return false;
        }
        clock = std::max(clock, *step.at);
        lastArrival = *step.at;
        // Like a real line, a burst larger than the offer is cut to the offer; the rest stays.
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(step.burst.size(), *count));
        if (n > 0) {
            std::memcpy(buffer, step.burst.data(), n);
        }
        *count = n;
        if (n < step.burst.size()) {
            step.burst.erase(step.burst.begin(), step.burst.begin() + n);
        } else {
            steps.pop_front();
        }
        return true;
    }
    [[noreturn]] void failNoReply() const override {
        throw CameraDriver::DriverException(NO_REPLY);
    }
    Clock::time_point now() const override { return clock; }

  private:
    struct Step {
        Bytes burst;
        std::string failure;
        bool fails = false;
        std::chrono::milliseconds after{};
        std::size_t gate = 0;  // the requests that must have gone out before it can arrive
        std::optional<Clock::time_point> at;  // when it arrives, once a receive waited for it
    };

    std::shared_ptr<CommLog> log;
    std::deque<Step> steps;
    std::size_t gate = 0;
    Clock::time_point lastSend{};
    Clock::time_point clock{};
    Clock::time_point lastArrival{};
    std::deque<std::uint32_t> shortWrites;
    std::string connectFailure;
    std::string disconnectFailure;
    unsigned char* lastBuffer = nullptr;
};

}  // namespace TestSupport
