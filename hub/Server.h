#pragma once

// The hub's network face: HTTP with JSON and the WebSocket event stream on one listener, the
// hub's web folder, and each camera's VISCA-over-IP port. All of it runs on one I/O thread;
// replies that the links produce are posted to it.

#include <cstdint>
#include <memory>
#include <string>

namespace Hub {

class Hub;
struct Config;

class Server {
  public:
    // Binds the listener and the VISCA-over-IP ports of `config` (port 0: chosen by the
    // system); throws std::runtime_error naming what could not be bound.
    Server(Hub& hub, const Config& config);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    std::uint16_t port() const;
    // The bound VISCA-over-IP port of a camera; 0 for one that has none.
    std::uint16_t viscaPort(const std::string& camera) const;

    // Serves on the calling thread until stop(), or SIGINT or SIGTERM after stopOnSignals().
    void run();
    void stopOnSignals();
    // Serves on a thread of its own.
    void start();
    // Ends serving (every connection closed) and joins the thread of start(); idempotent.
    void stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

}  // namespace Hub
