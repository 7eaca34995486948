#include "PseudoTerminal.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace TransportTest {

namespace {

[[noreturn]] void fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

using Clock = std::chrono::steady_clock;

// Polls the controlling side for input until `deadline`; false when nothing came.
bool readable(int fd, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            fail("poll");
        }
        if (ready > 0 && (entry.revents & POLLIN) != 0) {
            return true;
        }
        if (ready > 0) {
            // The library's side is closed: nothing more can come.
            return false;
        }
    }
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
    controller = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (controller < 0) {
        fail("posix_openpt");
    }
    char name[128];
    if (::grantpt(controller) != 0 || ::unlockpt(controller) != 0 ||
        ::ptsname_r(controller, name, sizeof name) != 0 ||
        ::fcntl(controller, F_SETFD, FD_CLOEXEC) != 0) {
        const int error = errno;
        ::close(controller);
        errno = error;
        fail("setting up the pseudo-terminal");
    }
    devicePath = name;
    // Held for the whole life of the pair, so that the line exists whether or not the library
    // has it open: without it the controlling side reports a hang-up between two opens.
    keeper = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keeper < 0) {
        const int error = errno;
        ::close(controller);
        errno = error;
        fail("opening the pseudo-terminal's device");
    }
}

PseudoTerminal::~PseudoTerminal() {
    hangUp();
    ::close(keeper);
}

void PseudoTerminal::hangUp() {
    if (controller >= 0) {
        ::close(controller);
        controller = -1;
    }
}

void PseudoTerminal::send(const Bytes& bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(controller, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            fail("write to the pseudo-terminal");
        }
        done += static_cast<std::size_t>(n);
    }
}

Bytes PseudoTerminal::receiveCommand(std::chrono::milliseconds timeout, std::size_t limit) const {
    const auto deadline = Clock::now() + timeout;
    Bytes received;
    while (received.size() < limit && (received.empty() || received.back() != 0xFF)) {
        if (!readable(controller, deadline)) {
            break;
        }
        unsigned char byte = 0;
        const ssize_t n = ::read(controller, &byte, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        received.push_back(byte);
    }
    return received;
}

Bytes PseudoTerminal::receiveFor(std::chrono::milliseconds timeout) const {
    const auto deadline = Clock::now() + timeout;
    Bytes received;
    unsigned char chunk[256];
    while (readable(controller, deadline)) {
        const ssize_t n = ::read(controller, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        received.insert(received.end(), chunk, chunk + n);
    }
    return received;
}

ScriptedPeer::ScriptedPeer(PseudoTerminal& terminal, std::vector<Step> script) : line(terminal) {
    player = std::thread([this, steps = std::move(script)] {
        try {
            play(steps);
        } catch (const std::exception& e) {
            error = e.what();
        }
    });
}

void ScriptedPeer::play(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        switch (step.kind) {
            case Step::Kind::Pause:
                std::this_thread::sleep_for(step.pause);
                break;
            case Step::Kind::Send:
                line.send(step.bytes);
                break;
            case Step::Kind::AwaitCommand:
                commands.push_back(line.receiveCommand(std::chrono::seconds(2)));
                break;
            case Step::Kind::HangUp:
                line.hangUp();
                break;
        }
    }
}

ScriptedPeer::~ScriptedPeer() {
    if (player.joinable()) {
        player.join();
    }
}

std::vector<Bytes> ScriptedPeer::finish() {
    if (player.joinable()) {
        player.join();
    }
    if (!error.empty()) {
        throw std::runtime_error("scripted peer: " + error);
    }
    return commands;
}

int openDescriptorCount() {
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr) {
        fail("opendir /proc/self/fd");
    }
    int count = 0;
    while (const dirent* entry = ::readdir(folder)) {
        if (entry->d_name[0] != '.') {
            ++count;
        }
    }
    ::closedir(folder);
    return count;
}

}  // namespace TransportTest
