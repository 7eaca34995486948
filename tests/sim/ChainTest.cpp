// The chain itself, driven with made-up times: what it sends and when, where waiting on a real
// clock could only show that something did not come yet.
#include <gtest/gtest.h>

#include <string>

#include "SimTestSupport.h"
#include "sim/CameraChain.h"

namespace {

using Camsim::CameraChain;
using Camsim::Fault;
using Camsim::TimePoint;
using SimTest::hex;
using SimTest::milliseconds;
using SimTest::toHex;

const TimePoint START{};

void receive(CameraChain& chain, const char* frame, TimePoint now) {
    const auto bytes = hex(frame);
    chain.receive(bytes.data(), bytes.size(), now);
}

// What the chain sends on the line by `now`, in one piece.
std::string sent(CameraChain& chain, TimePoint now) {
    SimTest::Bytes all;
    for (const auto& piece : chain.takeDue(now)) all.insert(all.end(), piece.begin(), piece.end());
    return toHex(all);
}

TEST(HeldCompletion, AMoveStillGoingWhenTheNextFrameComesWaitsForALaterOne) {
    CameraChain chain(1);
    chain.setFault(Fault::HeldCompletion);
    // Pan to 1440 at speed 1: 240 counts a second, cut short to the longest move, 2 s.
    receive(chain, "81 01 06 02 01 01 00 05 0A 00 00 00 00 00 FF", START);
    EXPECT_EQ(sent(chain, START), "90 41 FF");
    receive(chain, "81 09 04 00 FF", START + milliseconds(500));
    EXPECT_EQ(sent(chain, START + milliseconds(500)), "90 50 02 FF");
    EXPECT_EQ(sent(chain, START + milliseconds(5000)), "");
    receive(chain, "81 09 04 00 FF", START + milliseconds(5000));
    EXPECT_EQ(sent(chain, START + milliseconds(5000)), "90 51 FF 90 50 02 FF");
}

TEST(HeldCompletion, AMoveEndedByTheNextFrameCompletesAtTheOneAfter) {
    CameraChain chain(1);
    chain.setFault(Fault::HeldCompletion);
    receive(chain, "81 01 06 02 01 01 00 05 0A 00 00 00 00 00 FF", START);
    EXPECT_EQ(sent(chain, START), "90 41 FF");
    // Home ends the move, but the move was not over when home arrived: both completions wait.
    receive(chain, "81 01 06 04 FF", START + milliseconds(500));
    EXPECT_EQ(sent(chain, START + milliseconds(500)), "90 41 FF");
    receive(chain, "81 09 04 00 FF", START + milliseconds(5000));
    EXPECT_EQ(sent(chain, START + milliseconds(5000)), "90 51 FF 90 51 FF 90 50 02 FF");
}

TEST(HeldCompletion, InterfaceClearCancelsOnlyWhatIsStillMoving) {
    for (const bool moving : {false, true}) {
        SCOPED_TRACE(moving);
        CameraChain chain(1);
        chain.setFault(Fault::HeldCompletion);
        receive(chain,
                moving ? "81 01 06 02 01 01 00 05 0A 00 00 00 00 00 FF" : "81 01 04 33 02 FF",
                START);
        EXPECT_EQ(sent(chain, START), "90 41 FF");
        // A completion that is due goes out before the clear is handled; a move still going is
        // cleared, and its completion with it.
        receive(chain, "88 01 00 01 FF", START + milliseconds(100));
        EXPECT_EQ(sent(chain, START + milliseconds(100)),
                  moving ? "88 01 00 01 FF" : "90 51 FF 88 01 00 01 FF");
        receive(chain, "81 09 04 00 FF", START + milliseconds(5000));
        EXPECT_EQ(sent(chain, START + milliseconds(5000)), "90 50 02 FF");
    }
}

TEST(HeldCompletion, NetworkFramesReleaseOnlyTheNetworksCompletions) {
    CameraChain chain(1);
    chain.setFault(Fault::HeldCompletion);
    receive(chain, "81 01 04 33 02 FF", START);
    EXPECT_EQ(sent(chain, START), "90 41 FF");
    chain.receiveDirect(1, hex("81 09 04 00 FF"), START + milliseconds(10));
    const auto network = chain.takeDueDirect(START + milliseconds(10));
    ASSERT_EQ(network.size(), 1u);
    EXPECT_EQ(toHex(network[0].bytes), "90 50 02 FF");
    EXPECT_EQ(sent(chain, START + milliseconds(10)), "");
    receive(chain, "81 09 04 00 FF", START + milliseconds(20));
    EXPECT_EQ(sent(chain, START + milliseconds(20)), "90 51 FF 90 50 02 FF");
}

}  // namespace
