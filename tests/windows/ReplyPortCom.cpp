// Windows: the reply peer is the Linux program quorvin-reply-peer, which the test run starts
// behind a COM port of the Wine prefix (see CMakeLists.txt).
#include "ReplyPatternRunner.h"

#ifndef QUORVIN_REPLY_PORT
#error "the reply peer's port is defined by the build"
#endif

namespace TransportTest {

std::string replyPatternPort() { return QUORVIN_REPLY_PORT; }

}  // namespace TransportTest
