#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace CameraDriver {

// Input left over from exchanges that have ended, read away before a command goes out. Only the
// first bytes are kept for the log line: a camera that talks on may have sent megabytes.
class StaleInput {
  public:
    static constexpr std::size_t LOGGED_BYTES = 256;

    void add(const unsigned char* bytes, std::size_t count);
    std::size_t size() const { return total; }
    // The last byte read away; nothing before the first.
    std::optional<unsigned char> last() const { return lastByte; }
    // "Discarded stale input: " and the bytes, with the count of those not shown.
    void log() const;

  private:
    std::vector<unsigned char> kept;
    std::size_t total = 0;
    std::optional<unsigned char> lastByte;
};

// Reads away what `takePending` finds waiting until it finds nothing, or until `limit` passes
// with input still arriving; logs what it read. True when the input fell quiet. `takePending`
// appends what is waiting to the StaleInput it is given and returns how many bytes that was,
// waiting at most the duration it is given for a first byte. When what was read away stops
// short of a message's end (without `terminator`, always), the next look waits up to
// `moreComing` for the rest: a sender that filled the link's buffer goes on as soon as there
// is room, and that is no pause. Whole messages get no such wait, so a camera that reports
// often is not taken for one that never stops.
template <typename TakePending>
bool discardStale(TakePending takePending, std::chrono::steady_clock::time_point limit,
                  std::chrono::milliseconds moreComing, std::optional<unsigned char> terminator) {
    StaleInput stale;
    bool quiet = false;
    for (;;) {
        const bool midMessage = stale.last() && (!terminator || *stale.last() != *terminator);
        if (takePending(stale, midMessage ? moreComing : std::chrono::milliseconds(0)) == 0) {
            quiet = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= limit) {
            break;
        }
    }
    if (stale.size() > 0) {
        stale.log();
    }
    return quiet;
}

}  // namespace CameraDriver
