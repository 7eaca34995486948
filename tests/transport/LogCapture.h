#pragma once

#include <string>
#include <vector>

#include "quorvin/Log.h"
#include "tests/support/LogSandbox.h"

namespace TransportTest {

// Sends the library's log, debug lines included, to a file of its own in a fresh temporary
// folder for the lifetime of the object; the log is reset and the folder removed at the end.
class LogCapture {
  public:
    LogCapture() : file(folder.dir() / "transport.log") {
        setLogFile(file.string());
        setDebugEnabled(true);
    }

    // Every line written so far, without the newlines.
    std::vector<std::string> lines() const { return TestSupport::readLines(file); }

    // Only the exception lines, without their prefix.
    std::vector<std::string> exceptionLines() const {
        const std::string prefix = "[Exception] ";
        std::vector<std::string> result;
        for (const std::string& line : lines()) {
            if (line.compare(0, prefix.size(), prefix) == 0) {
                result.push_back(line.substr(prefix.size()));
            }
        }
        return result;
    }

  private:
    TestSupport::LogSandbox folder;
    std::filesystem::path file;
};

}  // namespace TransportTest
