// The engine's face for the hub and the C interface: raw exchanges under the frame rules, a
// command that ends at its acknowledgement, and the frames that nobody asked for.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/Engine.h"
#include "tests/support/Hex.h"
#include "tests/support/LogSandbox.h"
#include "tests/support/Raised.h"
#include "tests/support/ScriptedComm.h"

namespace DriverTest {
namespace {

using namespace CameraDriver;
using namespace TestSupport;

class EngineTest : public ::testing::Test {
  protected:
    EngineTest() {
        engine.observeSetAside([this](const std::uint8_t* bytes, int length) {
            unasked.push_back(toHex(Bytes(bytes, bytes + length)));
        });
    }

    std::vector<std::uint8_t> raw(const char* frame, const Engine::ExchangeOptions& options = {}) {
        const Bytes bytes = hex(frame);
        return engine.exchange(bytes.data(), bytes.size(), options);
    }
    const CommLog& wire() const { return *camera->record(); }

    LogSandbox sandbox;
    ScriptedComm* camera = new ScriptedComm;  // owned by the engine
    Engine engine{std::unique_ptr<Comm>(camera)};
    std::vector<std::string> unasked;
};

TEST_F(EngineTest, RawExchangesGoToTheCurrentCameraAndReturnTheCheckedReply) {
    engine.selectCamera(2);
    camera->reply(hex("A0 41 FF A0 51 FF")).reply(hex("A0 50 02 FF"));
    // Whatever address the caller wrote, the current camera gets the frame.
    EXPECT_EQ(toHex(raw("81 01 04 00 02 FF")), "A0 41 FF A0 51 FF");
    EXPECT_EQ(toHex(raw("87 09 04 00 FF")), "A0 50 02 FF");
    ASSERT_EQ(wire().sent.size(), 2u);
    EXPECT_EQ(toHex(wire().sent[0]), "82 01 04 00 02 FF");
    EXPECT_EQ(toHex(wire().sent[1]), "82 09 04 00 FF");
}

TEST_F(EngineTest, RawFramesThatAreNotOneCommandOrInquiryAreRefusedUnsent) {
    const char* const refused[] = {
        "81 01 04 FF 02 FF",                                      // a terminator inside
        "81 30 01 FF",                                            // not a command or inquiry
        "81 01 FF",                                               // too short to be either
        "81 01 04 47 00 00 00 00 00 00 00 00 00 00 00 00 00 FF",  // more than 16 bytes
        "81 01 04 00 02",                                         // no terminator
    };
    for (const char* frame : refused) {
        EXPECT_EQ(raisedBy([&] { raw(frame); }), "Command is malformed !") << frame;
    }
    EXPECT_TRUE(wire().sent.empty());
}

TEST_F(EngineTest, ACameraRefusalRaisesItsTextAndKeepsItsFrame) {
    camera->reply(hex("90 41 FF")).reply(hex("90 61 41 FF"));
    EXPECT_EQ(raisedBy([&] { raw("81 01 04 3F 02 05 FF"); }),
              "NOT_EXECUTABLE error ocurred when executing the command !");
    EXPECT_EQ(toHex(engine.lastExchange().reply), "90 41 FF 90 61 41 FF");
}

TEST_F(EngineTest, ACommandThatEndsAtItsAcknowledgementLeavesItsCompletionToTheObserver) {
    Engine::ExchangeOptions untilAck;
    untilAck.untilAcknowledged = true;
    camera->reply(hex("90 41 FF"))
        .thenRequest()
        .reply(hex("90 42 FF"))
        .reply(hex("90 51 FF"))
        .reply(hex("90 52 FF"));
    EXPECT_EQ(toHex(raw("81 01 04 3F 02 05 FF", untilAck)), "90 41 FF");
    EXPECT_EQ(engine.lastExchange().acknowledgedSocket, 1);
    EXPECT_TRUE(unasked.empty());
    // The recall's completion comes in the middle of the next command's exchange.
    EXPECT_EQ(toHex(raw("81 01 04 07 02 FF")), "90 42 FF 90 52 FF");
    EXPECT_EQ(unasked, std::vector<std::string>{"90 51 FF"});
}

TEST_F(EngineTest, ListeningHandsOnWhatArrivesBetweenExchanges) {
    camera->reply(hex("90 07 7D 01 04 07 FF 90 38 FF"), std::chrono::milliseconds(100))
        .reply(hex("90 51 FF"), std::chrono::milliseconds(300));
    EXPECT_EQ(engine.listen(camera->now() + std::chrono::milliseconds(200)), 2);
    EXPECT_EQ(unasked, (std::vector<std::string>{"90 07 7D 01 04 07 FF", "90 38 FF"}));
    EXPECT_EQ(engine.listen(camera->now() + std::chrono::milliseconds(1000)), 1);
    EXPECT_EQ(unasked.back(), "90 51 FF");
    EXPECT_EQ(engine.listen(camera->now() + std::chrono::milliseconds(1000)), 0);
}

TEST_F(EngineTest, AShorterWaitEndsAnExchangeSooner) {
    Engine::ExchangeOptions quick;
    quick.timeout = std::chrono::milliseconds(300);
    camera->reply(hex("90 50 02 FF"), std::chrono::milliseconds(500));
    EXPECT_EQ(raisedBy([&] { raw("81 09 04 00 FF", quick); }), ScriptedComm::NO_REPLY);
    EXPECT_EQ(camera->elapsed(), std::chrono::milliseconds(300));
    EXPECT_TRUE(engine.lastExchange().timedOut);
}

}  // namespace
}  // namespace DriverTest
