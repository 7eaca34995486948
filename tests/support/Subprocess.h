#pragma once

// Programs run by tests, on POSIX: one run to its end with its output collected, or a program
// left running (a server) whose standard output is read line by line while the test talks to
// it. Nothing here comes from the camera library or the virtual camera.

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
#include <utility>
#include <vector>

extern char** environ;

namespace TestSupport {

namespace Detail {

inline void check(bool ok, const char* what) {
    if (!ok) {
        throw std::system_error(errno, std::generic_category(), what);
    }
}

// One owned file descriptor.
class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : value(fd) {}
    Fd(Fd&& other) noexcept : value(std::exchange(other.value, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        reset(std::exchange(other.value, -1));
        return *this;
    }
    ~Fd() { reset(); }

    int get() const { return value; }
    explicit operator bool() const { return value >= 0; }
    void reset(int fd = -1) {
        if (value >= 0) {
            ::close(value);
        }
        value = fd;
    }

  private:
    int value = -1;
};

struct Pipe {
    Fd read;
    Fd write;
    Pipe() {
        int fds[2];
        check(::pipe2(fds, O_CLOEXEC) == 0, "pipe2");
        read.reset(fds[0]);
        write.reset(fds[1]);
    }
};

// posix_spawnp's file actions, released on every path.
class SpawnActions {
  public:
    SpawnActions() { check(::posix_spawn_file_actions_init(&actions) == 0, "posix_spawn"); }
    ~SpawnActions() { ::posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions; }

  private:
    posix_spawn_file_actions_t actions;
};

// Starts args[0] (a path, or a name looked up on PATH) with `args`; returns its process id.
inline pid_t spawn(const std::vector<std::string>& args, SpawnActions& actions) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0], actions.get(), nullptr, argv.data(), environ);
    if (spawned != 0) {
        errno = spawned;
        check(false, ("cannot start " + args.at(0)).c_str());
    }
    return pid;
}

// Exit status of `pid` once it has ended; -1 when it did not exit normally.
inline int reap(pid_t pid) {
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    check(waited == pid, "waitpid");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline int millisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace Detail

struct RunResult {
    int exitCode = -1;  // -1: killed by a signal
    std::string out;
    std::string err;
};

// Runs a program to its end with the given standard input and collects its standard output,
// standard error and exit status. A run that outlives `limit` is killed: a hang then fails the
// test instead of the whole suite.
inline RunResult runProgram(const std::vector<std::string>& args, const std::string& input = "",
                            std::chrono::seconds limit = std::chrono::seconds(60)) {
    using Detail::check;
    // The child may exit before it read its input; the write must then fail, not kill us.
    ::signal(SIGPIPE, SIG_IGN);

    Detail::Pipe in;
    Detail::Pipe out;
    Detail::Pipe err;
    pid_t pid = -1;
    {
        Detail::SpawnActions actions;
        ::posix_spawn_file_actions_adddup2(actions.get(), in.read.get(), STDIN_FILENO);
        ::posix_spawn_file_actions_adddup2(actions.get(), out.write.get(), STDOUT_FILENO);
        ::posix_spawn_file_actions_adddup2(actions.get(), err.write.get(), STDERR_FILENO);
        pid = Detail::spawn(args, actions);
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
        const int left = Detail::millisecondsUntil(deadline);
        if (left <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        const int ready = ::poll(fds.data(), fds.size(), left);
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
    result.exitCode = Detail::reap(pid);
    return result;
}

// A program left running while the test works with it: its standard output on a pipe that the
// test reads line by line, its standard error into a file. A program still running when the
// object goes is killed.
class RunningProgram {
  public:
    explicit RunningProgram(const std::vector<std::string>& args,
                            const std::string& errorFile = "/dev/null") {
        Detail::Pipe out;
        Detail::SpawnActions actions;
        ::posix_spawn_file_actions_adddup2(actions.get(), out.write.get(), STDOUT_FILENO);
        ::posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, errorFile.c_str(),
                                           O_WRONLY | O_CREAT | O_TRUNC, 0600);
        id = Detail::spawn(args, actions);
        output = std::move(out.read);
    }
    ~RunningProgram() {
        if (id > 0) {
            ::kill(id, SIGKILL);
            try {
                Detail::reap(id);
            } catch (...) {
            }
        }
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    pid_t pid() const { return id; }

    // One line of standard output without its newline; what came so far (often empty) when the
    // time-out passes or the output ends first.
    std::string readLine(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            pollfd p{output.get(), POLLIN, 0};
            const int r = ::poll(&p, 1, Detail::millisecondsUntil(deadline));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return line;
            char c;
            const ssize_t n = ::read(output.get(), &c, 1);
            if (n <= 0 || c == '\n') return line;
            line += c;
        }
    }

    // Waits for the program to end on its own; its exit status, -1 if it did not exit normally.
    int wait() {
        const int status = Detail::reap(id);
        id = -1;
        return status;
    }
    // Sends `signal` and waits for the end.
    int stop(int signal) {
        ::kill(id, signal);
        return wait();
    }

  private:
    pid_t id = -1;
    Detail::Fd output;
};

}  // namespace TestSupport
