// POSIX: the reply peer runs in the test process, on a pseudo-terminal of its own.
#include "ReplyPatternPeer.h"
#include "ReplyPatternRunner.h"

namespace TransportTest {

std::string replyPatternPort() {
    static ReplyPatternPeer peer;
    return peer.path();
}

}  // namespace TransportTest
