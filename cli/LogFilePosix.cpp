// The log through a pipe: the library is given the pipe's writing end by a name that it opens
// like a file (/dev/fd/N), and a thread of the tool copies what arrives into the user's file,
// counting the bytes and keeping the first error of a write. The library sees an open pipe
// that always takes its lines, so its writes are unchanged; the failure that it would have
// dropped is the tool's to report.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <thread>
#include <utility>

#include "cli/LogFile.h"
#include "quorvin/Log.h"

namespace QuorvinCli {

namespace {

void closeQuietly(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

struct LogFile::Watch {
    int file = -1;        // the user's file
    int pipeOutput = -1;  // the pipe's reading end: the copier's
    int pipeInput = -1;   // its writing end, which the library opens again by its /dev/fd name
    std::thread copier;
    std::uint64_t written = 0;
    int error = 0;  // the first write that failed; later lines are dropped

    ~Watch() {
        closeQuietly(pipeInput);
        if (copier.joinable()) {
            copier.join();
        }
        closeQuietly(pipeOutput);
        closeQuietly(file);
    }

    void copy() {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(pipeOutput, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return;
            }
            // Read on after a failure all the same: a library that waited for room in the pipe
            // would hold up the camera.
            for (ssize_t done = 0; error == 0 && done < got;) {
                const ssize_t put = ::write(file, buffer + done, static_cast<size_t>(got - done));
                if (put < 0 && errno == EINTR) {
                    continue;
                }
                if (put <= 0) {
                    // A file that takes none of a write has no room for it.
                    error = put < 0 ? errno : ENOSPC;
                    break;
                }
                done += put;
                written += static_cast<std::uint64_t>(put);
            }
        }
    }
};

LogFile::LogFile() = default;

// The copier stops only once the library has closed its end.
LogFile::~LogFile() { close(); }

std::string LogFile::open(const std::string& path) {
    auto refused = [&](int error) {
        return "cannot write the log " + path + ": " + logErrorText(path, error);
    };
    auto opened = std::make_unique<Watch>();
    opened->file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0666);
    if (opened->file < 0) {
        return refused(errno);
    }
    struct stat info {};
    if (::fstat(opened->file, &info) == 0 && S_ISREG(info.st_mode)) {
        if (::pwrite(opened->file, "\n", 1, 0) != 1) {
            return refused(errno);
        }
        if (::ftruncate(opened->file, 0) != 0) {
            return refused(errno);
        }
    }

    int ends[2];
    const bool piped = ::pipe2(ends, O_CLOEXEC) == 0;
    if (piped) {
        opened->pipeOutput = ends[0];
        opened->pipeInput = ends[1];
    }
    const std::string pipeName = piped ? "/dev/fd/" + std::to_string(ends[1]) : "";
    if (!piped || ::access(pipeName.c_str(), W_OK) != 0) {
        // No pipe, or no /dev/fd to name it by: the library writes the file itself, checked
        // before the run but not watched during it.
        opened.reset();
        name = path;
        setLogFile(path);
        return {};
    }
    Watch& running = *opened;
    running.copier = std::thread([&running] { running.copy(); });
    watch = std::move(opened);
    name = path;
    setLogFile(pipeName);
    return {};
}

std::string LogFile::close() {
    if (name.empty()) {
        return {};
    }
    const std::string path = std::exchange(name, std::string());
    // Closes the library's end of the pipe; once the tool's is closed too, the copier has read
    // everything and stops.
    setLogEnabled(false);
    if (!watch) {
        return {};
    }
    closeQuietly(watch->pipeInput);
    watch->copier.join();
    // A file system over the network may report a failed write only when the file is closed.
    if (::close(watch->file) != 0 && watch->error == 0) {
        watch->error = errno;
    }
    watch->file = -1;
    const std::uint64_t written = watch->written;
    const int error = watch->error;
    watch.reset();
    if (error == 0) {
        return {};
    }
    return "the log " + path + " is incomplete: writing it failed after " +
           std::to_string(written) + " bytes: " + logErrorText(path, error);
}

}  // namespace QuorvinCli
