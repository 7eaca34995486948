// Over a real serial line, the protocol engine makes of every reply pattern of ReplyPatterns.h
// the one outcome its row gives. Built for both platforms; the rows that wait for seconds are in
// ReplyPatternSlowTest.cpp.
#include <gtest/gtest.h>

#include <optional>

#include "ReplyPatternRunner.h"

namespace {

using namespace TransportTest;

TEST(ReplyPatterns, EachRowHasItsOneOutcome) { expectEachRowsOutcome(false); }

// The receive hands a reply over at its terminator while the line is still busy, where one that
// waited for the line to fall quiet would wait on.
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
