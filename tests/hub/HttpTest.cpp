// The HTTP surface against the virtual camera: every operation gives the frames and the result
// that the command-line tool's table call gives on the line itself, and every kind of mistake,
// refusal and failure comes back as JSON with a fitting status and the library's own words.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "operations/Operations.h"
#include "quorvin/Controller.h"
#include "quorvin/DriverException.h"
#include "tests/hub/HubFixture.h"
#include "tests/hub/ScriptLines.h"
#include "tests/support/HubClient.h"
#include "tests/support/LogSandbox.h"

namespace HubTest {
namespace {

using TestSupport::HttpClient;
using TestSupport::HttpReply;
using TestSupport::httpRequest;

TEST(HubHttp, EveryOperationSendsTheToolsFramesAndGivesItsResult) {
    TestSupport::LogSandbox sandbox;
    const std::vector<ScriptLine> lines = scriptLines();
    ASSERT_GE(lines.size(), 140u);

    // The tool's way: the table's call on a Controller of its own, on a fresh camera.
    std::vector<std::string> direct;
    std::vector<std::string> directFrames;
    {
        PlainChain reference(1);
        CameraDriver::Controller camera;
        camera.connect(reference.server.devicePath());
        reference.wire.take();
        for (const ScriptLine& line : lines) {
            try {
                direct.push_back(
                    line.text + " -> " +
                    Operations::toJson(line.operation->invoke(camera, line.values)).dump());
            } catch (const CameraDriver::DriverException& e) {
                direct.push_back(line.text + " -> failed: " + e.what());
            }
        }
        directFrames = reference.wire.take();
        camera.disconnect();
    }

    HubOnChain chain(chainOf(1));
    ASSERT_TRUE(chain.waitOnline());
    chain.wire.take();
    HttpClient client(chain.port());
    std::vector<std::string> viaHub;
    for (const ScriptLine& line : lines) {
        const HttpReply reply = client.request(
            "POST", "/api/cameras/cam1/" + std::string(line.operation->name), argsOf(line).dump());
        ASSERT_NE(reply.status, 0) << reply.error;
        const json body = json::parse(reply.body);
        if (reply.status == 200) {
            viaHub.push_back(line.text + " -> " + body["result"].dump());
        } else {
            // The camera's refusal, or a reply that answers nothing (an inquiry refused).
            EXPECT_TRUE(reply.status == 422 || reply.status == 502)
                << line.text << ": " << reply.body;
            viaHub.push_back(line.text + " -> failed: " + body.value("error", ""));
        }
    }
    EXPECT_EQ(viaHub, direct);
    EXPECT_EQ(chain.wire.take(), directFrames);
}

TEST(HubHttp, CamerasAreListedAndReadWithTheirState) {
    HubOnChain chain;
    ASSERT_TRUE(chain.waitOnline("cam3"));
    HttpClient client(chain.port());
    const HttpReply list = client.request("GET", "/api/cameras");
    ASSERT_EQ(list.status, 200);
    const json cameras = json::parse(list.body)["cameras"];
    ASSERT_EQ(cameras.size(), 3u);
    EXPECT_EQ(cameras[2]["id"], "cam3");
    EXPECT_EQ(cameras[2]["link"], chain.linkPath);
    EXPECT_EQ(cameras[2]["health"], "online");

    // A command that sets a value shows in the state at once, with nothing asked of the camera.
    ASSERT_EQ(client.request("POST", "/api/cameras/cam2/setZoom", R"({"zoom":0.5})").status, 200);
    ASSERT_EQ(
        client.request("POST", "/api/cameras/cam2/setWBMode", R"({"mode":"WBIndoor"})").status,
        200);
    chain.wire.take();
    const json state = json::parse(client.request("GET", "/api/cameras/cam2").body);
    EXPECT_EQ(state["state"]["zoom"], 0.5);
    EXPECT_EQ(state["state"]["wbMode"], "WBIndoor");
    EXPECT_TRUE(chain.wire.take().empty());
    // getCamerasTotal is the count of the link set-up: the chain is not numbered again.
    const HttpReply total = client.request("POST", "/api/cameras/cam1/getCamerasTotal");
    EXPECT_EQ(json::parse(total.body)["result"], 3);
    EXPECT_TRUE(chain.wire.take().empty());
}

struct ErrorCase {
    const char* label;
    const char* method;
    const char* target;
    const char* body;
    int status;
    const char* error;  // part of the "error" text
};

void PrintTo(const ErrorCase& c, std::ostream* out) { *out << c.label; }

class HubHttpErrors : public ::testing::TestWithParam<ErrorCase> {
  protected:
    static void SetUpTestSuite() { chain = new HubOnChain(); }
    static void TearDownTestSuite() {
        delete chain;
        chain = nullptr;
    }
    static HubOnChain* chain;
};
HubOnChain* HubHttpErrors::chain = nullptr;

TEST_P(HubHttpErrors, AreJsonWithAFittingStatusAndNeverReachTheCamera) {
    const ErrorCase& c = GetParam();
    ASSERT_TRUE(chain->waitOnline());
    chain->wire.take();
    const HttpReply reply = httpRequest(chain->port(), c.method, c.target, c.body);
    EXPECT_EQ(reply.status, c.status) << reply.body;
    const json body = json::parse(reply.body);
    EXPECT_EQ(body.value("status", 0), c.status);
    EXPECT_NE(body.value("error", "").find(c.error), std::string::npos) << body.dump();
    EXPECT_TRUE(chain->wire.take().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, HubHttpErrors,
    ::testing::Values(
        ErrorCase{"unknown operation", "POST", "/api/cameras/cam1/setZom", "", 400,
                  "unknown operation \"setZom\""},
        ErrorCase{"unknown camera", "POST", "/api/cameras/cam9/getZoom", "", 404,
                  "no camera \"cam9\" (cameras: cam1, cam2, cam3)"},
        ErrorCase{"wrong type", "POST", "/api/cameras/cam1/moveUp", R"({"tiltSpeed":"fast"})", 400,
                  "moveUp: tiltSpeed: expected an integer"},
        ErrorCase{"out of the type's range", "POST", "/api/cameras/cam1/memoryRecall",
                  R"({"preset":4294967296})", 400, "preset: expected an integer from"},
        ErrorCase{"unknown field", "POST", "/api/cameras/cam1/stopMove", R"({"now":true})", 400,
                  "unknown field \"now\""},
        ErrorCase{"missing argument", "POST", "/api/cameras/cam1/setGain", "{}", 400,
                  "gain: missing"},
        ErrorCase{"malformed JSON", "POST", "/api/cameras/cam1/setGain", R"({"gain":)", 400,
                  "malformed JSON"},
        ErrorCase{"the hub's own operation", "POST", "/api/cameras/cam1/setCurCamera",
                  R"({"camera":2})", 400, "setCurCamera belongs to the hub"},
        ErrorCase{"connect", "POST", "/api/cameras/cam1/connect", R"({"port":"/dev/ttyS0"})", 400,
                  "connect belongs to the hub"},
        ErrorCase{"an operation read with GET", "GET", "/api/cameras/cam1/getZoom", "", 405,
                  "POST"},
        ErrorCase{"unknown resource", "GET", "/api/nothing", "", 404, "no such resource"},
        ErrorCase{"a WebSocket without the upgrade", "GET", "/api/events", "", 426, "WebSocket"}));

TEST(HubHttp, CameraRefusalIs422WithTheLibrarysText) {
    HubOnChain chain;
    ASSERT_TRUE(chain.waitOnline());
    chain.camera->setFault(Camsim::Fault::NotExecutable);
    const HttpReply reply =
        httpRequest(chain.port(), "POST", "/api/cameras/cam1/setGain", R"({"gain":3})");
    EXPECT_EQ(reply.status, 422);
    EXPECT_EQ(json::parse(reply.body)["error"],
              "NOT_EXECUTABLE error ocurred when executing the command !");
    // A refusal is the camera's answer: the link stays online.
    EXPECT_EQ(chain.hub->cameraJson("cam1")["health"], "online");
}

TEST(HubHttp, LockedCameraRefusesMovesAndSettingsOfOthersButAnswersInquiries) {
    HubOnChain chain;
    ASSERT_TRUE(chain.waitOnline());
    HttpClient client(chain.port());
    const HttpReply locked =
        client.request("POST", "/api/cameras/cam1/lock", R"({"reason":"on air"})");
    ASSERT_EQ(locked.status, 200) << locked.body;
    const std::string key = json::parse(locked.body)["key"];

    const HttpReply move = client.request("POST", "/api/cameras/cam1/moveUp", R"({"tiltSpeed":3})");
    EXPECT_EQ(move.status, 423);
    EXPECT_EQ(json::parse(move.body)["error"], "camera cam1 is locked: on air");
    EXPECT_EQ(client.request("POST", "/api/cameras/cam1/getPowerState").status, 200);
    // Other cameras are not locked.
    EXPECT_EQ(client.request("POST", "/api/cameras/cam2/moveUp", R"({"tiltSpeed":3})").status, 200);
    // The holder of the key drives it.
    EXPECT_EQ(
        client.request("POST", "/api/cameras/cam1/stopMove", "", {{"Quorvin-Lock", key}}).status,
        200);
    EXPECT_EQ(client.request("POST", "/api/cameras/cam1/lock", "").status, 423);
    EXPECT_EQ(client.request("DELETE", "/api/cameras/cam1/lock", R"({"key":"wrong"})").status, 423);
    EXPECT_EQ(
        client.request("DELETE", "/api/cameras/cam1/lock", R"({"key":")" + key + "\"}").status,
        200);
    EXPECT_EQ(client.request("POST", "/api/cameras/cam1/moveUp", R"({"tiltSpeed":3})").status, 200);
}

TEST(HubHttp, ProfileShowsInTheEntryAndWhatTheCameraLacksIsNeverSent) {
    HubOnChain chain(chainOf(1, [](Hub::Config& config) {
        Hub::Capabilities capabilities;
        capabilities.lacks = {"setDZoomState"};
        capabilities.refused = {"getAutoPowerOffDelay"};
        capabilities.presets = 16;
        capabilities.panSpeed = 24;
        capabilities.tiltSpeed = 23;
        config.links[0].cameras[0].capabilities = capabilities;
    }));
    ASSERT_TRUE(chain.waitOnline());
    const json entry = json::parse(httpRequest(chain.port(), "GET", "/api/cameras/cam1").body);
    // Keys the profile left out (zoom and focus speeds) stay out: not known.
    EXPECT_EQ(entry["capabilities"], json::parse(R"({"lacks":["setDZoomState"],
        "refused":["getAutoPowerOffDelay"],"presets":16,"speeds":{"pan":24,"tilt":23}})"));
    chain.wire.take();
    for (const char* operation : {"setDZoomState", "getAutoPowerOffDelay"}) {
        SCOPED_TRACE(operation);
        const bool command = operation[0] == 's';
        const HttpReply reply =
            httpRequest(chain.port(), "POST", std::string("/api/cameras/cam1/") + operation,
                        command ? R"({"on":true})" : "");
        EXPECT_EQ(reply.status, 422);
        EXPECT_EQ(json::parse(reply.body)["error"],
                  std::string("camera cam1 lacks ") + operation +
                      ", as its capability profile says; nothing was sent");
    }
    EXPECT_TRUE(chain.wire.take().empty());

    // A watching client's sweep of every inquiry leaves the refused one out; the inquiry
    // before it in the table still goes.
    TestSupport::WsClient ws(chain.port());
    ws.send(R"({"type":"subscribe","cameras":["cam1"]})");
    ASSERT_FALSE(chain.events
                     .waitFor([](const json& e) {
                         return e.value("type", "") == "state" &&
                                e["changes"].contains("powerState");
                     })
                     .is_null());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::vector<std::string> frames = chain.wire.take();
    EXPECT_NE(std::find(frames.begin(), frames.end(), "81 09 04 00 FF"), frames.end());
    EXPECT_EQ(std::find(frames.begin(), frames.end(), "81 09 04 40 FF"), frames.end());
}

TEST(HubHttp, WebFolderServesItsFilesAndNothingOutsideIt) {
    HubOnChain chain;
    HttpClient client(chain.port());
    const HttpReply index = client.request("GET", "/");
    EXPECT_EQ(index.status, 200);
    EXPECT_NE(index.body.find("Quorvin hub"), std::string::npos);
    for (const char* escape : {"/../CMakeLists.txt", "/..%2fCMakeLists.txt", "/.hidden",
                               "/web/../../README.md", "//etc/passwd", "/index.html/.."}) {
        SCOPED_TRACE(escape);
        EXPECT_EQ(client.request("GET", escape).status, 404);
    }
}

TEST(HubHttp, BoundsOnBodyHeaderAndClientsAreTold) {
    HubOnChain chain(chainOf(1, [](Hub::Config& config) {
        config.limits.clients = 3;
        config.limits.bodyBytes = 1024;
        config.limits.headerBytes = 2048;
    }));
    const HttpReply big = httpRequest(chain.port(), "POST", "/api/cameras/cam1/setGain",
                                      "{\"gain\":" + std::string(2000, ' ') + "1}");
    EXPECT_EQ(big.status, 413);
    EXPECT_NE(big.body.find("larger than 1024 bytes"), std::string::npos);
    const HttpReply header = httpRequest(chain.port(), "GET", "/api/cameras", "",
                                         {{"X-Filler", std::string(4000, 'x')}});
    EXPECT_EQ(header.status, 431);
    HttpClient raw(chain.port());
    EXPECT_EQ(raw.raw("NOT HTTP AT ALL\r\n\r\n").status, 400);

    // Three connections held open; the fourth is told why it is not served.
    std::vector<std::unique_ptr<HttpClient>> held;
    for (int i = 0; i < 3; ++i) {
        held.push_back(std::make_unique<HttpClient>(chain.port()));
        EXPECT_EQ(held.back()->request("GET", "/api/cameras").status, 200);
    }
    const HttpReply refused = httpRequest(chain.port(), "GET", "/api/cameras");
    EXPECT_EQ(refused.status, 503);
    EXPECT_NE(refused.body.find("3 clients at once"), std::string::npos);
    held.pop_back();
    // The slot is free again once a client has gone.
    bool served = false;
    for (int i = 0; i < 100 && !served; ++i) {
        served = httpRequest(chain.port(), "GET", "/api/cameras").status == 200;
        if (!served) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(served);
}

TEST(HubHttp, ClientThatLeavesMidRequestCostsOnlyItself) {
    ChainOptions o = chainOf(1);
    o.timing.completionDelay = std::chrono::milliseconds(200);
    HubOnChain chain(o);
    ASSERT_TRUE(chain.waitOnline());
    {
        // The request is sent and the connection closed before its answer comes.
        HttpClient leaving(chain.port());
        leaving.raw(
            "POST /api/cameras/cam1/setGain HTTP/1.1\r\nHost: x\r\n"
            "Content-Length: 10\r\n\r\n{\"gain\":7}",
            std::chrono::milliseconds(20));
    }
    const HttpReply reply = httpRequest(chain.port(), "POST", "/api/cameras/cam1/getGain");
    EXPECT_EQ(reply.status, 200) << reply.body;
    // Its command still reached the camera, whose answer went nowhere.
    EXPECT_EQ(json::parse(reply.body)["result"], 7);
}

TEST(HubHttp, TokenIsAskedForEveryApiRequest) {
    HubOnChain chain(chainOf(1, [](Hub::Config& config) { config.token = "s3cret-token"; }));
    EXPECT_EQ(httpRequest(chain.port(), "GET", "/api/cameras").status, 401);
    EXPECT_EQ(httpRequest(chain.port(), "GET", "/api/cameras", "",
                          {{"Authorization", "Bearer s3cret-tokeN"}})
                  .status,
              401);
    EXPECT_EQ(httpRequest(chain.port(), "GET", "/api/cameras", "",
                          {{"Authorization", "Bearer s3cret-token"}})
                  .status,
              200);
    // The page itself is served to anyone: it asks for the token.
    EXPECT_EQ(httpRequest(chain.port(), "GET", "/").status, 200);
}

}  // namespace
}  // namespace HubTest
