#pragma once

#include <string>
#include <vector>

namespace TransportTest {

// Sends the library's log, debug lines included, to a file of its own in a fresh temporary
// folder for the lifetime of the object; switches the log off and removes both at the end.
class LogCapture {
  public:
    LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    ~LogCapture();

    // Every line written so far, without the newlines.
    std::vector<std::string> lines() const;
    // Only the exception lines, without their prefix.
    std::vector<std::string> exceptionLines() const;

  private:
    std::string folder;
    std::string file;
};

}  // namespace TransportTest
