// The rows of the reply-pattern table that wait for seconds (a completion 2 s after its
// acknowledgement, a camera that never answers): slow tests, on both platforms.
#include <gtest/gtest.h>

#include "ReplyPatternRunner.h"

namespace {

TEST(ReplyPatternsSlow, EachRowHasItsOneOutcome) { TransportTest::expectEachRowsOutcome(true); }

}  // namespace
