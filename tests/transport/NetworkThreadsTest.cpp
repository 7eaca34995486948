// Four controllers on four threads, each with a network camera of its own, debug log on.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "LogCapture.h"
#include "NetworkPeers.h"
#include "quorvin/Controller.h"

namespace {

using NetworkTest::UdpPeer;

TEST(NetworkThreads, SeparateControllersRunInParallelAndTheLogKeepsEveryLineWhole) {
    constexpr int CAMERAS = 4;
    constexpr int ROUNDS = 25;
    TransportTest::LogCapture log;
    std::vector<std::unique_ptr<UdpPeer>> cameras;
    for (int i = 0; i < CAMERAS; ++i) {
        cameras.push_back(std::make_unique<UdpPeer>(std::vector<NetworkTest::Fault>{}));
    }
    std::vector<int> totals(CAMERAS, 0);
    std::vector<int> failures(CAMERAS, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < CAMERAS; ++i) {
        threads.emplace_back([&, i] {
            try {
                CameraDriver::Controller camera;
                camera.connect(cameras[i]->name());
                totals[i] = camera.getCamerasTotal();
                for (int round = 0; round < ROUNDS; ++round) {
                    camera.moveUp(5);
                    camera.getZoom();
                }
                camera.disconnect();
            } catch (const CameraDriver::DriverException&) {
                ++failures[i];
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(totals, std::vector<int>(CAMERAS, 1));
    EXPECT_EQ(failures, std::vector<int>(CAMERAS, 0));
    // A whole line is one prefix and a body without another line's prefix in it.
    const std::regex whole(R"(\[(Debug|Exception)\] [^\[\]]*)");
    const std::vector<std::string> lines = log.lines();
    EXPECT_GT(lines.size(), static_cast<std::size_t>(CAMERAS * ROUNDS));
    for (const std::string& line : lines) {
        EXPECT_TRUE(std::regex_match(line, whole)) << line;
    }
}

}  // namespace
