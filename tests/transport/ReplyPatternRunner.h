#pragma once

// Runs the reply patterns of ReplyPatterns.h through the protocol engine over a real serial
// transport, on both platforms: the POSIX build against the peer on a pseudo-terminal, the
// Windows build against the same peer behind a COM port.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ReplyPatterns.h"

namespace TransportTest {

// The port on which the reply peer answers; one definition per platform.
std::string replyPatternPort();

// What one exchange came to.
struct PatternOutcome {
    std::string message;           // of the DriverException raised; "" when none was
    PatternBytes result;           // the packet returned (16 bytes), empty when none was
    std::vector<std::string> log;  // the lines the exchange logged
    PatternBytes left;             // what waited unread on the line afterwards
};

void PrintTo(const PatternOutcome& outcome, std::ostream* out);

// Runs pattern `index` once: a fresh serial transport as the library makes it connected to
// `port`, the pattern chosen on the peer, one executeCommand, then what is left on the line.
PatternOutcome runPattern(const std::string& port, std::size_t index);

// The table test: runs every row of the given speed and expects of each the row's message,
// result and unread bytes.
void expectEachRowsOutcome(bool slowRows);

// The reply received by one Comm::recv after the busy-line pattern's command, on a transport
// ending its receives at `terminator`.
PatternBytes firstReceiveOnTheBusyLine(const std::string& port,
                                       std::optional<std::uint8_t> terminator);

}  // namespace TransportTest
