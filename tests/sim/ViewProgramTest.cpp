// quorvin-camsim --view as a person meets it: on a virtual X server of its own, the program's
// window is looked at through screen grabs while a client drives the cameras.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ProgramSupport.h"
#include "SimTestSupport.h"

namespace {

using SimTest::Clock;
using SimTest::hex;
using SimTest::milliseconds;
using SimTest::Port;
using SimTest::Program;
using SimTest::readFile;
using SimTest::TempDir;
using SimTest::toHex;

int spawn(const std::vector<std::string>& args, bool quiet) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + args[0]);
    return pid;
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An X server on a display number that it picks itself and tells once it is ready.
class VirtualScreen {
  public:
    VirtualScreen() {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
        pid_ = spawn({QUORVIN_XVFB_PROGRAM, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                      "1024x600x24", "-nolisten", "tcp"},
                     true);
        ::close(fds[1]);
        std::string number;
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < deadline) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 200) <= 0) continue;
            char c;
            if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        ::close(fds[0]);
        if (number.empty()) throw std::runtime_error("the X server did not start");
        display_ = ":" + number;
    }
    ~VirtualScreen() {
        ::kill(pid_, SIGTERM);
        waitFor(pid_);
    }
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    const std::string& display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// The screen as 8-bit RGB, read from a binary PPM that ImageMagick's import writes.
struct Screen {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    // Mean brightness of a square, 0..255.
    double brightness(int x0, int y0, int size) const {
        double sum = 0;
        for (int y = y0; y < y0 + size; ++y) {
            for (int x = x0; x < x0 + size; ++x) {
                const unsigned char* p =
                    &rgb[3 * (std::size_t(y) * std::size_t(width) + std::size_t(x))];
                sum += 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
            }
        }
        return sum / (double(size) * size);
    }
};

std::optional<Screen> grab(const std::string& display, const std::string& file) {
    if (waitFor(spawn({QUORVIN_IMPORT_PROGRAM, "-display", display, "-window", "root", "-depth",
                       "8", "ppm:" + file},
                      true)) != 0) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    Screen s;
    in >> magic >> s.width >> s.height >> maxValue;
    in.get();
    if (magic != "P6" || maxValue != 255 || s.width <= 0 || s.height <= 0) return std::nullopt;
    s.rgb.resize(std::size_t(s.width) * std::size_t(s.height) * 3);
    in.read(reinterpret_cast<char*>(s.rgb.data()), std::streamsize(s.rgb.size()));
    if (!in) return std::nullopt;
    return s;
}

// Grabs the screen until `seen` holds for it, for up to ten seconds.
template <typename Condition>
bool screenShows(const std::string& display, const std::string& file, Condition seen) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        const auto screen = grab(display, file);
        if (screen && seen(*screen)) return true;
        std::this_thread::sleep_for(milliseconds(200));
    }
    return false;
}

TEST(ViewProgram, ShowsAPanePerCameraLiveWhereToldAndEndsCleanlyOnSigterm) {
    VirtualScreen screen;
    ScopedEnv display("DISPLAY", screen.display().c_str());
    ScopedEnv platform("QT_QPA_PLATFORM", "xcb");
    TempDir dir;
    const std::string shot = dir.path("screen.ppm");
    // Two panes side by side in an 800 x 400 window at the top-left corner: the middle of each
    // half of the window is the middle of a camera's picture.
    Program program({"--view", "--cameras", "2", "--geometry", "800x400+0+0"},
                    dir.path("stderr.txt"));
    const std::string device = program.readLine();
    ASSERT_FALSE(device.empty()) << readFile(dir.path("stderr.txt"));
    const auto left = [](const Screen& s) { return s.brightness(150, 170, 100); };
    const auto right = [](const Screen& s) { return s.brightness(550, 170, 100); };

    EXPECT_TRUE(screenShows(screen.display(), shot, [&](const Screen& s) {
        return left(s) > 80 && right(s) > 80;
    })) << "both cameras' pictures";
    {
        Port port(device);
        EXPECT_EQ(toHex(port.exchange(hex("82 01 04 00 03 FF"), 6)), "A0 41 FF A0 51 FF");
    }
    EXPECT_TRUE(screenShows(screen.display(), shot, [&](const Screen& s) {
        return left(s) > 80 && right(s) < 50;
    })) << "the second camera's pane dark, the first one's not";
    EXPECT_EQ(program.stop(SIGTERM), 0) << readFile(dir.path("stderr.txt"));
}

TEST(ViewProgram, WithoutADisplaySaysSoAndServesNothing) {
    ScopedEnv display("DISPLAY", nullptr);
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    ScopedEnv platform("QT_QPA_PLATFORM", nullptr);
    TempDir dir;
    Program program({"--view"}, dir.path("stderr.txt"));
    EXPECT_EQ(program.readLine(), "");
    EXPECT_EQ(program.wait(), 1);
    EXPECT_NE(readFile(dir.path("stderr.txt")).find("--view needs a display"), std::string::npos);
}

}  // namespace
