// The virtual camera in-process for the scan and diagnosis tests: a chain of the named models at
// a line speed, its first camera on UDP and TCP too, with every frame it received kept, so that
// a test can check that nothing but the link set-up and inquiries reached it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "sim/Model.h"
#include "sim/PtyServer.h"

namespace DoctorTest {

using namespace std::chrono_literals;

class VirtualChain {
  public:
    explicit VirtualChain(const std::vector<std::string>& models, int baud = 9600,
                          Camsim::ServerOptions options = {}) {
        for (const std::string& name : models) {
            options.models.push_back(Camsim::builtInModel(name).value());
        }
        options.model = options.models.front();
        options.model.lineSpeed = baud;
        if (options.models.size() == 1) {
            options.models.clear();
        }
        start(options);
    }
    // A chain of one camera of `model` (a profile's, say).
    VirtualChain(const Camsim::Model& model, Camsim::ServerOptions options) {
        options.model = model;
        start(options);
    }

    Camsim::PtyServer& server() { return *camera; }
    const std::string& device() const { return camera->devicePath(); }
    std::string udp() const { return "udp://127.0.0.1:" + std::to_string(camera->udpPort()); }
    std::string tcp() const { return "tcp://127.0.0.1:" + std::to_string(camera->tcpPort()); }

    // Frames the cameras received on the line and the network, as "81 09 04 00 FF".
    std::vector<std::string> received() {
        std::lock_guard<std::mutex> lock(logMutex);
        std::vector<std::string> frames;
        static const std::regex frame(" (net )?rx (.*)$");
        for (const std::string& line : log) {
            std::smatch match;
            if (std::regex_search(line, match, frame)) {
                frames.push_back(match[2]);
            }
        }
        return frames;
    }

  private:
    void start(Camsim::ServerOptions& options) {
        options.timing.instant = true;
        // Port 0 lets the system choose.
        options.network.udpPort = 0;
        options.network.tcpPort = 0;
        options.log = [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(logMutex);
            log.push_back(line);
        };
        camera = std::make_unique<Camsim::PtyServer>(options);
    }

    std::mutex logMutex;
    std::vector<std::string> log;
    std::unique_ptr<Camsim::PtyServer> camera;
};

// Only the link set-up (88 30 01 FF, 88 01 00 01 FF; over the network the library clears the
// one camera with its own 81 01 00 01 FF) and inquiries (8x 09 ... FF): nothing that moves a
// camera or changes a setting.
inline void expectOnlyInquiries(const std::vector<std::string>& frames) {
    static const std::regex inquiry("8[1-7] 09( [0-9A-F]{2})+ FF");
    EXPECT_FALSE(frames.empty());
    for (const std::string& frame : frames) {
        EXPECT_TRUE(frame == "88 30 01 FF" || frame == "88 01 00 01 FF" ||
                    frame == "81 01 00 01 FF" || std::regex_match(frame, inquiry))
            << frame;
    }
}

}  // namespace DoctorTest
