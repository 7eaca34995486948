#include "ReplyPatternPeer.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <exception>
#include <system_error>

#include "ReplyPatterns.h"

namespace TransportTest {

namespace {

// The longest frame the peer collects before it answers what it holds.
constexpr std::size_t FRAME_LIMIT = 64;

// A line that is not raw would echo the engine's frames back to it and hold bytes for a line
// editor; whoever opens the port next (the library sets raw mode itself, Wine need not) finds
// it raw already.
void makeRaw(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), "opening the reply line");
    }
    termios settings{};
    bool done = ::tcgetattr(fd, &settings) == 0;
    if (done) {
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        done = ::cfsetispeed(&settings, B9600) == 0 && ::cfsetospeed(&settings, B9600) == 0 &&
               ::tcsetattr(fd, TCSANOW, &settings) == 0;
    }
    const int error = errno;
    ::close(fd);
    if (!done) {
        throw std::system_error(error, std::generic_category(), "making the reply line raw");
    }
}

}  // namespace

ReplyPatternPeer::ReplyPatternPeer() {
    makeRaw(line.path());
    // The patterns are built before the thread starts, so that they outlive it even when the
    // peer is itself a static object.
    patternAt(busyLineIndex());
    player = std::thread([this] {
        try {
            serve();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "reply peer stopped: %s\n", e.what());
        }
    });
}

ReplyPatternPeer::~ReplyPatternPeer() {
    stopping = true;
    player.join();
}

void ReplyPatternPeer::serve() {
    Bytes frame;
    while (!stopping) {
        // Wakes now and then to see whether it should stop.
        const Bytes piece =
            line.receiveCommand(std::chrono::milliseconds(100), FRAME_LIMIT - frame.size());
        frame.insert(frame.end(), piece.begin(), piece.end());
        if (!frame.empty() && (frame.back() == 0xFF || frame.size() >= FRAME_LIMIT)) {
            answer(frame);
            frame.clear();
        }
    }
}

void ReplyPatternPeer::answer(const Bytes& frame) {
    if (frame.size() == 4 && frame[0] == SELECT && frame[1] == SELECT_TAG && patternAt(frame[2])) {
        armed = frame[2];
        line.send(frame);
        return;
    }
    if (frame == SYNC) {
        line.send(frame);
        return;
    }
    const ReplyPattern* row = armed ? patternAt(*armed) : nullptr;
    armed.reset();
    if (row == nullptr || frame != bytesOf(row->command)) {
        line.send(UNEXPECTED);
        return;
    }
    for (const ReplyStep& step : row->reply) {
        if (stopping) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(step.pauseMs));
        line.send(bytesOf(step.bytes));
    }
}

}  // namespace TransportTest
