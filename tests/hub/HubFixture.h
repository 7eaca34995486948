#pragma once

// A hub in-process against the virtual camera: a chain on a pseudo-terminal (reached through a
// link of the test's own, so that a camera can be replaced on the same path), the hub with its
// servers on ports that the system chooses, the frames the chain received, and the events the
// hub published.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "hub/Config.h"
#include "hub/Hub.h"
#include "hub/Server.h"
#include "sim/PtyServer.h"
#include "tests/support/TempDir.h"

namespace HubTest {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

// The frames that a chain received, as "81 09 04 47 FF", in order.
class WireLog {
  public:
    void add(const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex);
        const std::size_t rx = line.find(" rx ");
        if (rx != std::string::npos && line.find(" net rx ") == std::string::npos) {
            frames.push_back(line.substr(rx + 4));
        }
    }
    std::vector<std::string> take() {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<std::string> out;
        out.swap(frames);
        return out;
    }

  private:
    std::mutex mutex;
    std::vector<std::string> frames;
};

// Events as a subscriber of the hub hears them, kept for the test to wait for.
class EventLog {
  public:
    void add(const std::string& text) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            events.push_back(json::parse(text));
        }
        changed.notify_all();
    }
    // The first event (in order of arrival, from the start) that `match` accepts, waiting up to
    // `limit`; null when none came.
    json waitFor(const std::function<bool(const json&)>& match,
                 std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::unique_lock<std::mutex> lock(mutex);
        json found;
        changed.wait_for(lock, limit, [&] {
            for (const json& e : events) {
                if (match(e)) {
                    found = e;
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex);
        events.clear();
    }

  private:
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<json> events;
};

// A health event of `camera` with health `health`.
inline std::function<bool(const json&)> health(const std::string& camera,
                                               const std::string& health) {
    return [camera, health](const json& e) {
        return e.value("type", "") == "health" && e.value("camera", "") == camera &&
               e.value("health", "") == health;
    };
}

// Timing that keeps the wire quiet unless a test asks: no heartbeat for an hour.
inline Hub::LinkTiming quietTiming() {
    Hub::LinkTiming timing;
    timing.heartbeat = std::chrono::hours(1);
    return timing;
}

struct ChainOptions {
    int cameras = 3;
    Camsim::Timing timing = [] {
        Camsim::Timing t;
        t.instant = true;
        return t;
    }();
    Hub::LinkTiming linkTiming = quietTiming();
    bool tcp = false;  // the link is the first camera's tcp:// port instead of the line
    Camsim::NetworkFaultPlan networkFault;
    std::function<void(Hub::Config&)> adjust;
};

// The virtual camera alone, for a reference run of the library without the hub.
struct PlainChain {
    explicit PlainChain(int cameras) : server(options(cameras, wire)) {}
    static Camsim::ServerOptions options(int cameras, WireLog& log) {
        Camsim::ServerOptions o;
        o.cameras = cameras;
        o.timing.instant = true;
        o.log = [&log](const std::string& line) { log.add(line); };
        return o;
    }
    WireLog wire;
    Camsim::PtyServer server;
};

inline ChainOptions chainOf(int cameras, std::function<void(Hub::Config&)> adjust = nullptr) {
    ChainOptions o;
    o.cameras = cameras;
    o.adjust = std::move(adjust);
    return o;
}

class HubOnChain {
  public:
    explicit HubOnChain(ChainOptions o = {}) : options(std::move(o)) {
        startCamera(options.cameras);
        Hub::Config config;
        config.listen.port = 0;
        config.webRoot = QUORVIN_HUB_WEB;
        Hub::LinkConfig link;
        link.port = options.tcp ? "tcp://127.0.0.1:" + std::to_string(camera->tcpPort()) : linkPath;
        const int configured = options.tcp ? 1 : options.cameras;
        for (int n = 1; n <= configured; ++n) {
            Hub::CameraConfig c;
            c.id = "cam" + std::to_string(n);
            c.label = "Camera " + std::to_string(n);
            c.address = n;
            c.viscaPort = 0;
            link.cameras.push_back(c);
        }
        config.links.push_back(link);
        if (options.adjust) {
            options.adjust(config);
        }
        hub = std::make_unique<Hub::Hub>(config, options.linkTiming);
        server = std::make_unique<Hub::Server>(*hub, hub->config());
        // The test hears every camera without making the link poll them.
        subscriber = hub->subscribe(
            [this](std::shared_ptr<const std::string> text) { events.add(*text); }, false);
        hub->watch(subscriber, {"*"});
        hub->start();
        server->start();
    }

    ~HubOnChain() {
        hub->stop();
        server->stop();
    }

    // Replaces the virtual camera with a new one of `cameras` on the same link path, as a
    // camera that is switched off and on again.
    void restartCamera(int cameras) {
        camera.reset();
        startCamera(cameras);
    }
    void stopCamera() { camera.reset(); }

    bool waitOnline(const std::string& id = "cam1",
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            if (hub->cameraJson(id).value("health", "") == "online") {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    std::uint16_t port() const { return server->port(); }

    ChainOptions options;
    TestSupport::TempDir folder;
    std::string linkPath = folder.path("camera-link");
    WireLog wire;
    EventLog events;
    std::unique_ptr<Camsim::PtyServer> camera;
    std::unique_ptr<Hub::Hub> hub;
    std::unique_ptr<Hub::Server> server;
    std::shared_ptr<Hub::Subscriber> subscriber;

  private:
    void startCamera(int cameras) {
        Camsim::ServerOptions o;
        o.cameras = cameras;
        o.timing = options.timing;
        o.log = [this](const std::string& line) { wire.add(line); };
        if (options.tcp) {
            o.network.tcpPort = 0;
            o.network.fault = options.networkFault;
        }
        camera = std::make_unique<Camsim::PtyServer>(o);
        std::error_code ignored;
        std::filesystem::remove(linkPath, ignored);
        std::filesystem::create_symlink(camera->devicePath(), linkPath);
    }
};

}  // namespace HubTest
