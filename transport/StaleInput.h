#pragma once

#include <chrono>
#include <cstddef>
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
    // "Discarded stale input: " and the bytes, with the count of those not shown.
    void log() const;

  private:
    std::vector<unsigned char> kept;
    std::size_t total = 0;
};

// Reads away what `takePending` finds waiting until it finds nothing, or until `limit` passes
// with input still arriving; logs what it read. True when the input fell quiet. `takePending`
// appends what is waiting to the StaleInput it is given and returns how many bytes that was,
// waiting at most the duration it is given for a first byte. Once stale bytes have come, each
// look waits up to `moreComing` for more: a sender that filled the link's buffer goes on as
// soon as there is room, and that is no pause.
template <typename TakePending>
bool discardStale(TakePending takePending, std::chrono::steady_clock::time_point limit,
                  std::chrono::milliseconds moreComing) {
    const std::chrono::milliseconds MORE_COMING = moreComing;
    StaleInput stale;
    bool quiet = false;
    for (;;) {
        const auto wait = stale.size() > 0 ? MORE_COMING : std::chrono::milliseconds(0);
        if (takePending(stale, wait) == 0) {
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
