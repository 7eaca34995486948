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
        cameras.push_back(
            std::make_unique<UdpPeer>(std::vector<NetworkTest::Fault>{}, 0x100 * (i + 1)));
    }
    std::vector<int> totals(CAMERAS, 0);
    // Each camera's zoom, as each read of it gave it.
    std::vector<std::vector<double>> zooms(CAMERAS);
    std::vector<std::string> failures(CAMERAS);
    std::vector<std::thread> threads;
    for (int i = 0; i < CAMERAS; ++i) {
        threads.emplace_back([&, i] {
            try {
                CameraDriver::Controller camera;
                camera.connect(cameras[i]->name());
                totals[i] = camera.getCamerasTotal();
                for (int round = 0; round < ROUNDS; ++round) {
                    camera.moveUp(5);
                    zooms[i].push_back(camera.getZoom());
                }
                camera.disconnect();
            } catch (const CameraDriver::DriverException& failure) {
                failures[i] = failure.what();
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(totals, std::vector<int>(CAMERAS, 1));
    EXPECT_EQ(failures, std::vector<std::string>(CAMERAS));
    // Each controller read its own camera only: one value per camera, larger for a larger count.
    for (int i = 0; i < CAMERAS; ++i) {
        ASSERT_EQ(zooms[i].size(), static_cast<std::size_t>(ROUNDS));
        EXPECT_EQ(zooms[i], std::vector<double>(ROUNDS, zooms[i].front())) << i;
        if (i > 0) {
            EXPECT_GT(zooms[i].front(), zooms[i - 1].front()) << i;
        }
    }
    // A whole line (the log separates exchanges by empty lines) is one prefix and a body without
    // another line's prefix in it.
    const std::regex whole(R"((\[(Debug|Exception)\] [^\[\]]*)?)");
    const std::vector<std::string> lines = log.lines();
    EXPECT_GT(lines.size(), static_cast<std::size_t>(CAMERAS * ROUNDS));
    for (const std::string& line : lines) {
        EXPECT_TRUE(std::regex_match(line, whole)) << "line: " << line;
    }
}

}  // namespace
