#pragma once

// Runs a test inside a fresh temporary working directory and resets the process-wide log, so
// that files named relative to "." land where the test can read them.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "quorvin/Log.h"

namespace CameraDriver::testing {

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvin-XXXXXX").string();
        path = mkdtemp(pattern.data());
        previous = std::filesystem::current_path();
        std::filesystem::current_path(path);
    }
    ~TempDir() {
        resetLog();
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& dir() const { return path; }

    // Puts every switch back to its state at load: off, default name, no file open.
    static void resetLog() {
        setVerboseEnabled(false);
        setDebugEnabled(false);
        setLogFile("./CameraDriver.log");
        setLogEnabled(false);
    }

  private:
    std::filesystem::path path;
    std::filesystem::path previous;
};

inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> readLines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace CameraDriver::testing
