#pragma once

// Runs a test of the library inside a fresh temporary working folder, so that files named
// relative to "." (the log's, Demo's "./vantle.log") land where the test reads them, and puts
// the process-wide log back as the library loads it when the test ends.

#include <filesystem>
#include <system_error>

#include "quorvin/Log.h"
#include "tests/support/TempDir.h"

namespace TestSupport {

class LogSandbox {
  public:
    LogSandbox() : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(folder.dir());
    }
    // The log is reset inside the folder (naming its default file opens it there); then the
    // previous working folder comes back and the folder goes.
    ~LogSandbox() {
        resetLog();
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
    }
    LogSandbox(const LogSandbox&) = delete;
    LogSandbox& operator=(const LogSandbox&) = delete;

    const std::filesystem::path& dir() const { return folder.dir(); }

    // Puts every switch back to its state at load: off, default name, no file open.
    static void resetLog() {
        setVerboseEnabled(false);
        setDebugEnabled(false);
        setLogFile("./CameraDriver.log");
        setLogEnabled(false);
    }

  private:
    TempDir folder;
    std::filesystem::path previous;
};

}  // namespace TestSupport
