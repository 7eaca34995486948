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
TEST(ReplyPatterns, TerminatorReceiveEndsAtTheTerminatorOfABusyLine) {
    EXPECT_EQ(firstReceiveOnTheBusyLine(replyPatternPort(), 0xFF),
              (PatternBytes{0x90, 0x41, 0xFF}));
}

}  // namespace
