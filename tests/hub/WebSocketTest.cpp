// The WebSocket stream: a snapshot on subscribing, then the changes of state and health as they
// happen; commands on the same socket with their results; bad messages answered with what was
// wrong, and a client that floods or cannot keep up costs only itself.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/hub/HubFixture.h"
#include "tests/support/HubClient.h"

namespace HubTest {
namespace {

using TestSupport::WsClient;

// The next message of `type` (others skipped), or null.
json next(WsClient& ws, const std::string& type,
          std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        const auto text = ws.receive(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
        if (!text) {
            break;
        }
        const json message = json::parse(*text);
        if (message.value("type", "") == type) {
            return message;
        }
    }
    return nullptr;
}

TEST(HubWebSocket, SubscriberGetsASnapshotThenEveryChangeAndCommandsItsCameras) {
    HubOnChain chain;
    ASSERT_TRUE(chain.waitOnline("cam3"));
    WsClient ws(chain.port());
    ws.send(R"({"type":"subscribe","cameras":["cam2"]})");
    const json snapshot = next(ws, "snapshot");
    ASSERT_EQ(snapshot["cameras"].size(), 1u);
    EXPECT_EQ(snapshot["cameras"][0]["id"], "cam2");
    EXPECT_EQ(snapshot["cameras"][0]["health"], "online");

    // A change made by another client comes as an event.
    ASSERT_EQ(
        TestSupport::httpRequest(chain.port(), "POST", "/api/cameras/cam2/setGain", R"({"gain":5})")
            .status,
        200);
    const auto changed = Clock::now();
    json state;
    do {
        state = next(ws, "state");
    } while (!state.is_null() && !state["changes"].contains("gain"));
    ASSERT_FALSE(state.is_null());
    EXPECT_EQ(state["camera"], "cam2");
    EXPECT_EQ(state["changes"]["gain"], 5);
    std::printf("[figure] change to WebSocket event: %.2f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - changed).count());

    // A command with its id, and its result.
    ws.send(R"({"type":"command","id":7,"camera":"cam2","operation":"getGain"})");
    const json result = next(ws, "result");
    EXPECT_EQ(result["id"], 7);
    EXPECT_EQ(result["status"], 200);
    EXPECT_EQ(result["result"], 5);
    ws.send(
        R"({"type":"command","id":"x","camera":"cam2","operation":"setGain","args":{"gain":1.5}})");
    const json refused = next(ws, "result");
    EXPECT_EQ(refused["id"], "x");
    EXPECT_EQ(refused["status"], 400);
    EXPECT_NE(refused["error"].get<std::string>().find("gain: expected an integer"),
              std::string::npos);

    // Events of cameras it did not subscribe to do not come.
    ASSERT_EQ(
        TestSupport::httpRequest(chain.port(), "POST", "/api/cameras/cam3/setGain", R"({"gain":6})")
            .status,
        200);
    ws.send(R"({"type":"command","id":8,"camera":"cam2","operation":"getPowerState"})");
    for (auto text = ws.receive(); text; text = ws.receive(std::chrono::milliseconds(300))) {
        EXPECT_EQ(json::parse(*text).value("camera", "cam2"), "cam2") << *text;
    }
}

TEST(HubWebSocket, HealthChangesAreEvents) {
    ChainOptions o;
    o.linkTiming = Hub::LinkTiming{};
    HubOnChain chain(o);
    ASSERT_TRUE(chain.waitOnline());
    WsClient ws(chain.port());
    ws.send(R"({"type":"subscribe","cameras":"*"})");
    ASSERT_FALSE(next(ws, "snapshot").is_null());
    chain.stopCamera();
    json event;
    do {
        event = next(ws, "health", std::chrono::seconds(5));
    } while (!event.is_null() && event["health"] != "offline");
    ASSERT_FALSE(event.is_null());
    chain.restartCamera(3);
    do {
        event = next(ws, "health", std::chrono::seconds(15));
    } while (!event.is_null() && event["health"] != "online");
    EXPECT_FALSE(event.is_null());
}

struct BadMessage {
    const char* label;
    const char* text;
    const char* error;
};

void PrintTo(const BadMessage& c, std::ostream* out) { *out << c.label; }

class HubWebSocketRefuses : public ::testing::TestWithParam<BadMessage> {};

TEST_P(HubWebSocketRefuses, WithWhatWasWrong) {
    HubOnChain chain(chainOf(1));
    WsClient ws(chain.port());
    ws.send(GetParam().text);
    const json reply = next(ws, "result");
    ASSERT_FALSE(reply.is_null());
    EXPECT_EQ(reply["status"], 400);
    EXPECT_NE(reply["error"].get<std::string>().find(GetParam().error), std::string::npos)
        << reply.dump();
    // The socket stays open for the next message.
    ws.send(R"({"type":"subscribe","cameras":["cam1"]})");
    EXPECT_FALSE(next(ws, "snapshot").is_null());
}

INSTANTIATE_TEST_SUITE_P(
    Messages, HubWebSocketRefuses,
    ::testing::Values(BadMessage{"not JSON", "{type:", "malformed JSON"},
                      BadMessage{"not an object", "[1,2]", "must be a JSON object"},
                      BadMessage{"no type", R"({"camera":"cam1"})", "\"type\" must be a string"},
                      BadMessage{"unknown type", R"({"type":"jump"})", "unknown type \"jump\""},
                      BadMessage{"unknown field", R"({"type":"subscribe","cameras":[],"x":1})",
                                 "unknown field \"x\""},
                      BadMessage{"unknown camera", R"({"type":"subscribe","cameras":["nope"]})",
                                 "no camera \"nope\""},
                      BadMessage{"cameras of the wrong type", R"({"type":"subscribe","cameras":3})",
                                 "\"cameras\" must be a list"},
                      BadMessage{"command without operation",
                                 R"({"type":"command","camera":"cam1"})",
                                 "\"operation\" must be a string"}));

TEST(HubWebSocket, OversizedMessageClosesOnlyThatClient) {
    HubOnChain chain(ChainOptions{
        1, {}, quietTiming(), false, {}, [](Hub::Config& c) { c.limits.messageBytes = 1024; }});
    WsClient other(chain.port());
    WsClient ws(chain.port());
    ws.send(std::string(R"({"type":"subscribe","cameras":[")") + std::string(4000, 'a') + "\"]}");
    EXPECT_FALSE(ws.receive(std::chrono::seconds(5)));
    EXPECT_TRUE(ws.closed());
    other.send(R"({"type":"subscribe","cameras":["cam1"]})");
    EXPECT_FALSE(next(other, "snapshot").is_null());
}

TEST(HubWebSocket, FloodingClientIsBoundedAndOthersAreStillServed) {
    HubOnChain chain(chainOf(1));
    ASSERT_TRUE(chain.waitOnline());
    WsClient flood(chain.port());
    // Many more commands than it may have waiting; it reads none of its results.
    for (int i = 0; i < 2000; ++i) {
        flood.send(R"({"type":"command","id":1,"camera":"cam1","operation":"getPowerState"})");
    }
    const auto start = Clock::now();
    const TestSupport::HttpReply reply =
        TestSupport::httpRequest(chain.port(), "POST", "/api/cameras/cam1/getPowerState");
    EXPECT_EQ(reply.status, 200) << reply.body;
    std::printf("[figure] a request beside a flooding client: %.1f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    // Its excess commands were refused, not queued.
    int refused = 0;
    for (auto text = flood.receive(); text; text = flood.receive(std::chrono::milliseconds(500))) {
        refused += json::parse(*text).value("status", 0) == 503;
    }
    EXPECT_GT(refused, 0);
}

TEST(HubWebSocket, LockTakenOnTheSocketLetsItsOwnerDrive) {
    HubOnChain chain(chainOf(1));
    ASSERT_TRUE(chain.waitOnline());
    WsClient ws(chain.port());
    ws.send(R"({"type":"lock","id":1,"camera":"cam1","reason":"on air"})");
    const json locked = next(ws, "result");
    EXPECT_EQ(locked["status"], 200);
    ws.send(
        R"({"type":"command","id":2,"camera":"cam1","operation":"moveUp","args":{"tiltSpeed":2}})");
    EXPECT_EQ(next(ws, "result")["status"], 200);
    const TestSupport::HttpReply other =
        TestSupport::httpRequest(chain.port(), "POST", "/api/cameras/cam1/stopMove");
    EXPECT_EQ(other.status, 423);
    ws.send(R"({"type":"unlock","id":3,"camera":"cam1"})");
    EXPECT_EQ(next(ws, "result")["status"], 200);
    EXPECT_EQ(TestSupport::httpRequest(chain.port(), "POST", "/api/cameras/cam1/stopMove").status,
              200);
}

// cam1's stopMove as the virtual camera logs it (a stop carries speeds too).
bool stopsPanTiltOfCam1(const std::string& frame) {
    return frame.rfind("81 01 06 01 ", 0) == 0 && frame.find(" 03 03 FF") != std::string::npos;
}

TEST(HubWebSocket, ClientThatVanishesMidDriveLeavesNoCameraMoving) {
    HubOnChain chain(chainOf(2));
    ASSERT_TRUE(chain.waitOnline("cam2"));
    {
        WsClient ws(chain.port());
        // cam1 pans and zooms, and the zoom is stopped; cam2 is driven and stopped.
        for (
            const char* command :
            {R"({"type":"command","id":1,"camera":"cam1","operation":"moveLeft","args":{"panSpeed":5}})",
             R"({"type":"command","id":2,"camera":"cam1","operation":"zoomIn","args":{"speed":3}})",
             R"({"type":"command","id":3,"camera":"cam1","operation":"stopZoom"})",
             R"({"type":"command","id":4,"camera":"cam2","operation":"moveUp","args":{"tiltSpeed":2}})",
             R"({"type":"command","id":5,"camera":"cam2","operation":"stopMove"})"}) {
            ws.send(command);
            ASSERT_EQ(next(ws, "result")["status"], 200) << command;
        }
        chain.wire.take();
    }
    // The hub stops the one axis left driving, and only that one.
    std::vector<std::string> frames;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (frames.empty() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        frames = chain.wire.take();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (const std::string& later : chain.wire.take()) {
        frames.push_back(later);
    }
    ASSERT_EQ(frames.size(), 1u) << ::testing::PrintToString(frames);
    EXPECT_TRUE(stopsPanTiltOfCam1(frames[0])) << frames[0];
}

}  // namespace
}  // namespace HubTest
