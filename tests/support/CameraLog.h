#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace TestSupport {

// The log lines of a virtual camera, kept as its own thread writes them, and the frames it
// received read back from them.
class CameraLog {
  public:
    // What the camera's options take as their log.
    std::function<void(const std::string&)> sink() {
        return [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(line);
        };
    }

    // Frames the cameras received, as "81 09 04 00 FF", oldest first.
    std::vector<std::string> received() const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> frames;
        for (const std::string& line : lines_) {
            const std::size_t at = line.find(" rx ");
            if (at != std::string::npos) {
                frames.push_back(line.substr(at + 4));
            }
        }
        return frames;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

}  // namespace TestSupport
