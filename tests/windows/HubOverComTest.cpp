// quorvin-hub.exe as a Windows user runs it, under Wine, against virtual cameras on COM ports:
// it serves a chain over HTTP and on the WebSocket, and reports a link whose camera never
// answers as not online, refusing its requests at once.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/HubClient.h"
#include "tests/support/TempDir.h"

namespace HubWindowsTest {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

fs::path programFolder() {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path();
}

// quorvin-hub.exe running while the test talks to it, its output in a file of the test's
// folder; ended when the object goes.
class RunningHub {
  public:
    RunningHub(const std::string& arguments, const TestSupport::TempDir& folder)
        : output(folder.path("hub.out")) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE out =
            ::CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out == INVALID_HANDLE_VALUE) {
            throw std::runtime_error("cannot create " + output);
        }
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = out;
        startup.hStdInput = nullptr;
        std::string line =
            "\"" + (programFolder() / "quorvin-hub.exe").string() + "\" " + arguments;
        const BOOL started = ::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0,
                                              nullptr, nullptr, &startup, &process);
        ::CloseHandle(out);
        if (!started) {
            throw std::runtime_error("cannot start quorvin-hub.exe");
        }
    }
    ~RunningHub() {
        ::TerminateProcess(process.hProcess, 0);
        ::WaitForSingleObject(process.hProcess, 5000);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    RunningHub(const RunningHub&) = delete;
    RunningHub& operator=(const RunningHub&) = delete;

    // The port of the listener that the hub printed, waiting for it up to 20 s; 0 if none.
    std::uint16_t port() {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < deadline) {
            std::ifstream in(output);
            std::string first;
            while (std::getline(in, first)) {
                const std::string prefix = "http://127.0.0.1:";
                if (first.rfind(prefix, 0) == 0) {
                    return static_cast<std::uint16_t>(std::stoi(first.substr(prefix.size())));
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return 0;
    }
    std::string log() const {
        std::ifstream in(output);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

  private:
    std::string output;
    PROCESS_INFORMATION process{};
};

json cameraList(std::uint16_t port) {
    const TestSupport::HttpReply reply = TestSupport::httpRequest(port, "GET", "/api/cameras");
    return reply.status == 200 ? json::parse(reply.body)["cameras"] : json();
}

TEST(HubOverCom, ServesAChainOverHttpAndTheWebSocket) {
    TestSupport::TempDir folder;
    RunningHub hub(std::string("--port ") + QUORVIN_HUB_CHAIN_PORT + " --listen 127.0.0.1:0",
                   folder);
    const std::uint16_t port = hub.port();
    ASSERT_NE(port, 0) << hub.log();
    json cameras;
    for (int i = 0; i < 200; ++i) {
        cameras = cameraList(port);
        if (cameras.size() == 2 && cameras[1]["health"] == "online") break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(cameras.size(), 2u) << hub.log();
    EXPECT_EQ(cameras[1]["health"], "online");

    TestSupport::HttpClient http(port);
    const TestSupport::HttpReply set =
        http.request("POST", "/api/cameras/cam2/setZoom", R"({"zoom":0.5})");
    EXPECT_EQ(set.status, 200) << set.body;
    const TestSupport::HttpReply get = http.request("POST", "/api/cameras/cam2/getZoom");
    ASSERT_EQ(get.status, 200) << get.body;
    EXPECT_EQ(json::parse(get.body)["result"], 0.5);
    EXPECT_EQ(http.request("POST", "/api/cameras/cam2/setZoom", R"({"zoom":"x"})").status, 400);

    TestSupport::WsClient ws(port);
    ws.send(R"({"type":"subscribe","cameras":["cam1"]})");
    const auto snapshot = ws.receive(std::chrono::seconds(10));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(json::parse(*snapshot)["type"], "snapshot");
    ws.send(R"({"type":"command","id":1,"camera":"cam1","operation":"setGain","args":{"gain":6}})");
    bool gotResult = false;
    bool gotState = false;
    for (int i = 0; i < 20 && !(gotResult && gotState); ++i) {
        const auto text = ws.receive(std::chrono::seconds(10));
        ASSERT_TRUE(text);
        const json message = json::parse(*text);
        if (message["type"] == "result") {
            EXPECT_EQ(message["status"], 200);
            gotResult = true;
        }
        if (message["type"] == "state" && message["changes"].contains("gain")) {
            EXPECT_EQ(message["changes"]["gain"], 6);
            gotState = true;
        }
    }
    EXPECT_TRUE(gotResult);
    EXPECT_TRUE(gotState);
}

TEST(HubOverCom, LinkWhoseCameraNeverAnswersIsNotOnlineAndRefusesAtOnce) {
    TestSupport::TempDir folder;
    std::ofstream(folder.path("hub.toml"))
        << "[[link]]\nport = \"" << QUORVIN_HUB_SILENT_PORT << "\"\n"
        << "[[link.camera]]\nid = \"mute\"\n";
    RunningHub hub("--config \"" + folder.path("hub.toml") + "\" --listen 127.0.0.1:0", folder);
    const std::uint16_t port = hub.port();
    ASSERT_NE(port, 0) << hub.log();
    const json cameras = cameraList(port);
    ASSERT_EQ(cameras.size(), 1u);
    EXPECT_NE(cameras[0]["health"], "online");
    const auto asked = Clock::now();
    const TestSupport::HttpReply reply =
        TestSupport::httpRequest(port, "POST", "/api/cameras/mute/getPowerState");
    EXPECT_EQ(reply.status, 503) << reply.body;
    EXPECT_NE(reply.body.find("offline"), std::string::npos) << reply.body;
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - asked).count(), 3.0);
}

}  // namespace
}  // namespace HubWindowsTest
