#pragma once

// A transport that plays a scripted camera: each recv returns the next scripted burst (or
// raises the next scripted failure), and every call is recorded for the test to inspect.

#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
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
};

class ScriptedComm : public CameraDriver::Comm {
  public:
    // One reply burst, a transport failure, or a short write.
    struct Step {
        Bytes burst;
        std::string failure;
        bool fails = false;
    };

    explicit ScriptedComm(std::shared_ptr<CommLog> record = std::make_shared<CommLog>())
        : log(std::move(record)) {}
    ~ScriptedComm() override { ++log->destroyed; }

    ScriptedComm& reply(Bytes burst) {
        replies.push_back({std::move(burst), {}, false});
        return *this;
    }
    ScriptedComm& failRecv(std::string message) {
        replies.push_back({{}, std::move(message), true});
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
    std::size_t pendingReplies() const { return replies.size(); }

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
        log->sent.emplace_back(data, data + *count);
        if (!shortWrites.empty()) {
            *count = shortWrites.front();
            shortWrites.pop_front();
        }
    }
    void recv(unsigned char* buffer, std::uint32_t* count) override {
        log->recvs.push_back({*count, lastBuffer ? buffer - lastBuffer : 0});
        lastBuffer = buffer;
        if (replies.empty()) {
            throw CameraDriver::DriverException("scripted camera has no more replies");
        }
        Step step = std::move(replies.front());
        replies.pop_front();
        if (step.fails) {
            throw CameraDriver::DriverException(step.failure);
        }
        // Like a real line, a burst larger than the offer is cut to the offer.
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(step.burst.size(), *count));
        if (n > 0) {
            std::memcpy(buffer, step.burst.data(), n);
        }
        *count = n;
    }

  private:
    std::shared_ptr<CommLog> log;
    std::deque<Step> replies;
    std::deque<std::uint32_t> shortWrites;
    std::string connectFailure;
    std::string disconnectFailure;
    unsigned char* lastBuffer = nullptr;
};

}  // namespace TestSupport
