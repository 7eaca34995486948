#pragma once

// What the hub serves and how: the links with their cameras, where it listens, the access
// token and the bounds on clients. Read from a TOML file (--config) or made from the command
// line (--port); a file with a mistake is refused whole, with the line and the key.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "hub/Profile.h"

namespace Hub {

class ConfigError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct CameraConfig {
    std::string id;     // in URLs: letters, digits, '-' and '_'
    std::string label;  // for people
    int address = 1;    // position on the chain, 1 to 7
    // A UDP port where the hub speaks VISCA over IP for this camera; none by default.
    std::optional<std::uint16_t> viscaPort;
    // Names of presets, kept for the page; the camera knows presets by number only.
    std::map<int, std::string> presets;
    // From the camera's capability profile (`profile = "FILE"`), when one is given.
    std::optional<Capabilities> capabilities;
};

struct LinkConfig {
    std::string port;  // a serial port, tcp://HOST:PORT or udp://HOST[:PORT]
    // Empty with `everyCamera`: the cameras that the link set-up counts, cam1...camN.
    std::vector<CameraConfig> cameras;
    bool everyCamera = false;
    // With everyCamera, the first camera's VISCA-over-IP port; the next ones follow it.
    std::optional<std::uint16_t> firstViscaPort;
};

struct Limits {
    std::size_t clients = 64;              // HTTP and WebSocket connections at once
    std::size_t bodyBytes = 16 * 1024;     // a request's body
    std::size_t headerBytes = 8 * 1024;    // a request's header block
    std::size_t messageBytes = 16 * 1024;  // one WebSocket message
    std::size_t queuedPerLink = 256;       // requests waiting for one link
    std::size_t sendQueue = 256;           // events waiting for one slow WebSocket client
};

struct Endpoint {
    std::string host = "127.0.0.1";
    std::uint16_t port = 8080;
};

struct Config {
    Endpoint listen;
    std::string token;  // empty: none asked for (only allowed on loopback)
    std::string webRoot;
    // Where the preset names given through the API are kept across restarts; empty: only
    // while the hub runs.
    std::string stateFile;
    Limits limits;
    std::vector<LinkConfig> links;
};

// "HOST:PORT" or "[V6]:PORT"; ConfigError naming what is wrong.
Endpoint parseEndpoint(std::string_view text);
bool isLoopback(const std::string& host);

// The configuration in `text` (TOML) read from `name` (used in errors: "NAME:LINE: ...").
Config parseConfig(std::string_view text, const std::string& name);
Config loadConfig(const std::string& path);

// Refuses what no single source can see wrong: a token missing for a listener beyond the
// loopback, VISCA ports used twice.
void checkConfig(const Config& config);

bool isValidId(std::string_view id);

}  // namespace Hub
