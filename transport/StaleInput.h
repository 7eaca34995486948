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
// appends what is waiting to the StaleInput it is given and returns how many bytes that was.
template <typename TakePending>
bool discardStale(TakePending takePending, std::chrono::steady_clock::time_point limit) {
    StaleInput stale;
    bool quiet = false;
    for (;;) {
        if (takePending(stale) == 0) {
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
