#pragma once

// A client of the hub's HTTP and WebSocket API for tests and benchmarks, with Boost.Beast kept
// in its one source file. Every call has a deadline, so that a hub that does not answer fails a
// test instead of hanging it.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

struct HttpReply {
    int status = 0;  // 0: no reply (connection refused, closed or timed out)
    std::string body;
    std::string error;  // why there was no reply
};

using Headers = std::vector<std::pair<std::string, std::string>>;

// One kept-alive connection to 127.0.0.1:port; reconnects when the hub closed it.
class HttpClient {
  public:
    explicit HttpClient(std::uint16_t port);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpReply request(const std::string& method, const std::string& target,
                      const std::string& body = "", const Headers& headers = {},
                      std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Sends `raw` bytes as they are (a malformed request, say) and returns the reply.
    HttpReply raw(const std::string& bytes,
                  std::chrono::milliseconds limit = std::chrono::seconds(10));

  private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// One request on a connection of its own.
HttpReply httpRequest(std::uint16_t port, const std::string& method, const std::string& target,
                      const std::string& body = "", const Headers& headers = {});

class WsClient {
  public:
    // Opens ws://127.0.0.1:port/target; throws std::runtime_error when the hub refuses.
    explicit WsClient(std::uint16_t port, const std::string& target = "/api/events",
                      const Headers& headers = {});
    ~WsClient();
    WsClient(const WsClient&) = delete;
    WsClient& operator=(const WsClient&) = delete;

    void send(const std::string& text);
    // The next message, or nothing when none came within `limit` or the hub closed the socket.
    std::optional<std::string> receive(std::chrono::milliseconds limit = std::chrono::seconds(5));
    bool closed() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

}  // namespace TestSupport
