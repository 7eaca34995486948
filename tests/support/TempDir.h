#pragma once

// Runs a test inside a fresh temporary working directory and resets the process-wide log, so
// that files named relative to "." land where the test can read them.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "quorvin/Log.h"

namespace CameraDriver::testing {

class TempDir {
  public:
    TempDir() {
        path = makeUniqueFolder();
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
    // mkdtemp without POSIX, so that the Windows build runs these tests too: create_directory
    // reports a name that is already taken, and another one is drawn.
    static std::filesystem::path makeUniqueFolder() {
        std::random_device seed;
        std::mt19937_64 draw(seed());
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (;;) {
            std::filesystem::path candidate = base / ("quorvin-" + std::to_string(draw()));
            if (std::filesystem::create_directory(candidate)) {
                return candidate;
            }
        }
    }

    std::filesystem::path path;
    std::filesystem::path previous;
};

// Read as text, as the log writes it: on Windows each line then ends in "\n" here too.
inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file);
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
