#pragma once

// Runs a program with the given standard input and collects its standard output, standard
// error and exit status.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>
#include <vector>

#include "sim/UniqueFd.h"

extern char** environ;

namespace QuorvinCli::testing {

struct RunResult {
    int exitCode = -1;  // -1: killed by a signal
    std::string out;
    std::string err;
};

namespace detail {

inline void check(bool ok, const char* what) {
    if (!ok) {
        throw std::system_error(errno, std::generic_category(), what);
    }
}

struct Pipe {
    camsim::UniqueFd read;
    camsim::UniqueFd write;
    Pipe() {
        int fds[2];
        check(::pipe2(fds, O_CLOEXEC) == 0, "pipe2");
        read.reset(fds[0]);
        write.reset(fds[1]);
    }
};

}  // namespace detail

// A run that outlives `limit` is killed: a hang then fails the test instead of the whole suite.
inline RunResult runProgram(const std::vector<std::string>& args, const std::string& input = "",
                            std::chrono::seconds limit = std::chrono::seconds(60)) {
    using detail::check;
    // The child may exit before it read its input; the write must then fail, not kill us.
    ::signal(SIGPIPE, SIG_IGN);

    detail::Pipe in;
    detail::Pipe out;
    detail::Pipe err;
    posix_spawn_file_actions_t actions;
    check(posix_spawn_file_actions_init(&actions) == 0, "posix_spawn_file_actions_init");
    posix_spawn_file_actions_adddup2(&actions, in.read.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.write.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write.get(), STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        errno = spawned;
        check(false, "posix_spawn");
    }
    in.read.reset();
    out.write.reset();
    err.write.reset();
    check(::fcntl(in.write.get(), F_SETFL, O_NONBLOCK) == 0, "fcntl");
    if (input.empty()) {
        in.write.reset();
    }

    RunResult result;
    std::size_t written = 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (out.read || err.read) {
        std::vector<pollfd> fds;
        if (in.write) fds.push_back({in.write.get(), POLLOUT, 0});
        if (out.read) fds.push_back({out.read.get(), POLLIN, 0});
        if (err.read) fds.push_back({err.read.get(), POLLIN, 0});
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        check(ready >= 0, "poll");
        for (const pollfd& fd : fds) {
            if (fd.revents == 0) {
                continue;
            }
            if (fd.fd == in.write.get()) {
                const ssize_t n = ::write(fd.fd, input.data() + written, input.size() - written);
                if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                    continue;
                }
                if (n < 0) {  // EPIPE: the program stopped reading
                    in.write.reset();
                    continue;
                }
                written += static_cast<std::size_t>(n);
                if (written == input.size()) {
                    in.write.reset();
                }
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(fd.fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            std::string& sink = fd.fd == out.read.get() ? result.out : result.err;
            if (n > 0) {
                sink.append(buffer, static_cast<std::size_t>(n));
            } else {
                (fd.fd == out.read.get() ? out.read : err.read).reset();
            }
        }
    }
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    check(waited == pid, "waitpid");
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace QuorvinCli::testing
