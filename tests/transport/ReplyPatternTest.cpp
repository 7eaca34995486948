// A receive that ends at the frame terminator changes nothing that the protocol engine makes of
// a reply: for every reply pattern of ReplyPatterns.h, the same result, message, log and unread
// bytes as a receive that ends on the quiet gap. Built for both platforms; the rows that wait
// for seconds are in ReplyPatternSlowTest.cpp.
#include <gtest/gtest.h>

#include <optional>

#include "ReplyPatternRunner.h"

namespace {

using namespace TransportTest;

TEST(ReplyPatterns, TerminatorReceiveAgreesWithQuietGapReceive) { expectBothReceivesAgree(false); }

// What the table cannot show, since both receives agree on every row: the terminator receive
// hands a reply over while the line is still busy, where the quiet-gap receive waits on.
// A receive held up for the 10 ms to the next byte finds that byte behind the terminator and
// rightly takes both, so a busy machine may spoil any one try; a receive that waits for the line
// to fall quiet takes more than the acknowledgement on every try in which the peer kept pace.
TEST(ReplyPatterns, TerminatorReceiveEndsAtTheTerminatorOfABusyLine) {
    const PatternBytes ack{0x90, 0x41, 0xFF};
    PatternBytes first;
    for (int attempt = 0; attempt < 3 && first != ack; ++attempt) {
        first = firstReceiveOnTheBusyLine(replyPatternPort(), 0xFF);
    }
    EXPECT_EQ(first, ack);
}

}  // namespace
