// The quorvin-camsim program as a test starts it: a process with its standard output on a pipe
// and its standard error in a file, in a private folder.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "SimTestSupport.h"

extern char** environ;

namespace simtest {

// A private folder for links and logs, removed with its contents.
class TempDir {
  public:
    TempDir() {
        char name[] = "/tmp/camsim-test-XXXXXX";
        if (::mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = name;
    }
    ~TempDir() {
        for (const char* f : {"/cam", "/stderr.txt", "/file", "/screen.ppm"})
            ::unlink((path_ + f).c_str());
        ::rmdir(path_.c_str());
    }
    std::string path(const char* name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// The program running with its standard output on a pipe and its standard error in a file.
class Program {
  public:
    Program(const std::vector<std::string>& options, const std::string& errPath) {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
        out_ = fds[0];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> args{CAMSIM_PROGRAM};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc =
            ::posix_spawn(&pid_, CAMSIM_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (rc != 0) {
            ::close(out_);
            throw std::runtime_error("cannot start " CAMSIM_PROGRAM);
        }
    }
    ~Program() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
        }
        ::close(out_);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t pid() const { return pid_; }

    // One line of standard output without its newline; empty on time-out or end of output.
    std::string readLine(milliseconds timeout = milliseconds(5000)) {
        std::string line;
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            pollfd p{out_, POLLIN, 0};
            const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
            const int r = ::poll(&p, 1, left < 0 ? 0 : static_cast<int>(left));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return line;
            char c;
            const ssize_t n = ::read(out_, &c, 1);
            if (n <= 0) return line;
            if (c == '\n') return line;
            line += c;
        }
    }

    // Exit status after the program ends on its own or after a signal; -1 if it did not exit
    // normally.
    int wait() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0) {
            if (errno != EINTR) return -1;
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int stop(int signal) {
        ::kill(pid_, signal);
        return wait();
    }

    // CPU time used so far, user and system, in seconds.
    double cpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        std::istringstream fields(all.substr(all.rfind(')') + 2));
        std::vector<std::string> f;
        for (std::string w; fields >> w;) f.push_back(w);
        if (f.size() < 13) return -1.0;
        // After the command name: state is field 3, utime 14, stime 15.
        const double ticks = std::stod(f[11]) + std::stod(f[12]);
        return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace simtest
