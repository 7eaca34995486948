#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <thread>

#include "PseudoTerminal.h"

namespace TransportTest {

// The camera's side of the reply patterns (ReplyPatterns.h), on a pseudo-terminal of its own
// in raw mode, answered from a thread of its own: a selection frame arms its row and is echoed,
// and the next frame is answered with the row's reply. Stops with the object.
class ReplyPatternPeer {
  public:
    ReplyPatternPeer();
    ReplyPatternPeer(const ReplyPatternPeer&) = delete;
    ReplyPatternPeer& operator=(const ReplyPatternPeer&) = delete;
    ~ReplyPatternPeer();

    // The device the engine's side opens.
    const std::string& path() const { return line.path(); }

  private:
    void serve();
    void answer(const Bytes& frame);

    PseudoTerminal line;
    std::optional<std::size_t> armed;
    std::atomic<bool> stopping{false};
    std::thread player;
};

}  // namespace TransportTest
