// quorvin-hub as a user runs it: with --port against the virtual camera's program it serves the
// counted cameras; a bad configuration or command line stops it with the reason and status 2.

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "tests/support/HubClient.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

namespace HubTest {
namespace {

using nlohmann::json;

TEST(HubProgram, ServesTheCamerasThatThePortCounts) {
    TestSupport::TempDir folder;
    const std::string link = folder.path("camera");
    TestSupport::RunningProgram camsim({QUORVIN_CAMSIM_PROGRAM, "--cameras", "2", "--link", link});
    ASSERT_FALSE(camsim.readLine().empty());
    TestSupport::RunningProgram hub(
        {QUORVIN_HUB_PROGRAM, "--port", link, "--listen", "127.0.0.1:0"});
    const std::string url = hub.readLine();
    ASSERT_EQ(url.rfind("http://127.0.0.1:", 0), 0u) << url;
    const auto port = static_cast<std::uint16_t>(std::stoi(url.substr(17)));
    // The hub serves at once; the link comes online when its set-up is done.
    json cameras;
    for (int i = 0; i < 500; ++i) {
        const TestSupport::HttpReply list = TestSupport::httpRequest(port, "GET", "/api/cameras");
        ASSERT_EQ(list.status, 200);
        cameras = json::parse(list.body)["cameras"];
        if (cameras.size() == 2 && cameras[1]["health"] == "online") {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(cameras.size(), 2u);
    EXPECT_EQ(cameras[1]["id"], "cam2");
    const TestSupport::HttpReply power =
        TestSupport::httpRequest(port, "POST", "/api/cameras/cam2/getPowerState");
    EXPECT_EQ(power.status, 200) << power.body;
    EXPECT_EQ(json::parse(power.body)["result"], true);
}

// Waits up to `limit` for the first camera's health as the hub lists it to be `wanted` (or,
// with `other`, anything but it).
bool waitHealth(std::uint16_t port, const std::string& wanted, std::chrono::seconds limit,
                bool other = false) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const TestSupport::HttpReply list = TestSupport::httpRequest(port, "GET", "/api/cameras");
        if (list.status == 200 &&
            (json::parse(list.body)["cameras"][0]["health"] == wanted) != other) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(HubProgram, CameraProgramStoppedAndStartedAgainOnItsLinkIsServedAgain) {
    TestSupport::TempDir folder;
    const std::string link = folder.path("camera");
    auto camsim = std::make_unique<TestSupport::RunningProgram>(
        std::vector<std::string>{QUORVIN_CAMSIM_PROGRAM, "--link", link});
    ASSERT_FALSE(camsim->readLine().empty());
    TestSupport::RunningProgram hub(
        {QUORVIN_HUB_PROGRAM, "--port", link, "--listen", "127.0.0.1:0"});
    const std::string url = hub.readLine();
    ASSERT_EQ(url.rfind("http://127.0.0.1:", 0), 0u) << url;
    const auto port = static_cast<std::uint16_t>(std::stoi(url.substr(17)));
    ASSERT_TRUE(waitHealth(port, "online", std::chrono::seconds(10)));

    // Stopped as a service manager stops it: it removes its link on the way out.
    ::kill(camsim->pid(), SIGTERM);
    camsim.reset();
    ASSERT_TRUE(waitHealth(port, "online", std::chrono::seconds(5), true));
    camsim = std::make_unique<TestSupport::RunningProgram>(
        std::vector<std::string>{QUORVIN_CAMSIM_PROGRAM, "--link", link});
    ASSERT_FALSE(camsim->readLine().empty());
    EXPECT_TRUE(waitHealth(port, "online", std::chrono::seconds(15)));
    EXPECT_EQ(TestSupport::httpRequest(port, "POST", "/api/cameras/cam1/getPowerState").status,
              200);
}

struct Refusal {
    const char* label;
    std::vector<std::string> args;
    const char* config;  // written to hub.toml in the test's folder when not null
    const char* error;
};

void PrintTo(const Refusal& c, std::ostream* out) { *out << c.label; }

class HubProgramRefuses : public ::testing::TestWithParam<Refusal> {};

TEST_P(HubProgramRefuses, WithTheReasonAndStatus2) {
    const Refusal& c = GetParam();
    TestSupport::TempDir folder;
    std::vector<std::string> args{QUORVIN_HUB_PROGRAM};
    for (const std::string& arg : c.args) {
        args.push_back(arg == "CONFIG" ? folder.path("hub.toml") : arg);
    }
    if (c.config != nullptr) {
        std::ofstream(folder.path("hub.toml")) << c.config;
    }
    const TestSupport::RunResult run = TestSupport::runProgram(args);
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, HubProgramRefuses,
    ::testing::Values(
        Refusal{"no link", {}, nullptr, "give either --config FILE or --port NAME"},
        Refusal{"both", {"--config", "CONFIG", "--port", "/dev/null"}, "", "give either"},
        Refusal{"misspelt key",
                {"--config", "CONFIG"},
                "[[link]]\nport = \"/dev/null\"\n[[link.camera]]\nid = \"a\"\nvisca = 5\n",
                "hub.toml:5: key \"link[1].camera[1].visca\": unknown key"},
        Refusal{"missing file", {"--config", "CONFIG"}, nullptr, "hub.toml: cannot be read"},
        Refusal{"any address without a token",
                {"--port", "/dev/null", "--listen", "0.0.0.0:8080"},
                nullptr,
                "listening on 0.0.0.0 needs an access token"},
        Refusal{"bad listen",
                {"--port", "/dev/null", "--listen", "8080"},
                nullptr,
                "\"8080\" is not HOST:PORT"},
        Refusal{"unknown option", {"--prot", "/dev/null"}, nullptr, "unknown option \"--prot\""}));

}  // namespace
}  // namespace HubTest
