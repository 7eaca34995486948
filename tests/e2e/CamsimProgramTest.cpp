// The library's real serial port against the quorvin-camsim program, as a user would run it.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "driver/ViscaControllerImpl.h"
#include "tests/support/TempDir.h"

extern char** environ;

using namespace CameraDriver;
using CameraDriver::testing::readLines;
using CameraDriver::testing::TempDir;

namespace {

// Runs quorvin-camsim with its arguments and reads the device path from its first line.
class CamsimProgram {
  public:
    explicit CamsimProgram(const std::string& cameras) {
        int out[2];
        if (pipe(out) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string program = CAMSIM_PROGRAM;
        char* argv[] = {program.data(), const_cast<char*>("--cameras"),
                        const_cast<char*>(cameras.c_str()), nullptr};
        const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (error != 0) {
            close(out[0]);
            throw std::runtime_error("cannot start " + program);
        }
        FILE* lines = fdopen(out[0], "r");
        char buffer[256] = {};
        if (lines != nullptr && fgets(buffer, sizeof buffer, lines) != nullptr) {
            path = buffer;
            while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
        }
        if (lines != nullptr) fclose(lines);
    }
    ~CamsimProgram() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            int status = 0;
            waitpid(pid, &status, 0);
        }
    }
    CamsimProgram(const CamsimProgram&) = delete;
    CamsimProgram& operator=(const CamsimProgram&) = delete;

    pid_t pid = -1;
    std::string path;
};

}  // namespace

TEST(CamsimProgram, ConnectNumbersAndClearsAChainOfThree) {
    TempDir temp;
    CamsimProgram camsim("3");
    ASSERT_FALSE(camsim.path.empty());

    setLogFile("connect.log");
    setDebugEnabled(true);
    ViscaControllerImpl impl;
    impl.connect(camsim.path);
    EXPECT_EQ(impl.getCamerasTotal(), 3);
    impl.setCurCamera(3);
    EXPECT_TRUE(impl.getPowerState());
    impl.disconnect();

    const auto lines = readLines("connect.log");
    const auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("[Debug] 88 30 01 ff "));
    EXPECT_TRUE(has("[Debug] 88 30 04 ff "));
    EXPECT_TRUE(has("[Debug] 88 01 00 01 ff "));
    EXPECT_TRUE(has("[Debug] b0 50 02 ff ")) << "camera 3 answers with header B0";
}
