// The log on Windows: the file is opened and checked by the tool, then named to the library,
// which writes it itself. A write that fails during the run is not seen here (the library
// drops it without a word); the check before the run catches a folder, a file this account may
// not write, a missing folder and a full disk.

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/LogFile.h"
#include "quorvin/Log.h"

namespace QuorvinCli {

struct LogFile::Watch {};

LogFile::LogFile() = default;
LogFile::~LogFile() { close(); }

std::string LogFile::open(const std::string& path) {
    auto refused = [&](int error) {
        return "cannot write the log " + path + ": " + logErrorText(path, error);
    };
    namespace fs = std::filesystem;
    std::error_code ignored;
    // The C runtime refuses a folder as it refuses a file it may not write: asked first.
    if (fs::is_directory(path, ignored)) {
        return refused(EISDIR);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return refused(errno);
    }
    int error = 0;
    const bool regular = fs::is_regular_file(path, ignored);
    if (regular && (std::fputc('\n', file) == EOF || std::fflush(file) != 0)) {
        error = errno;
    }
    std::fclose(file);
    if (regular) {
        fs::resize_file(path, 0, ignored);
    }
    if (error != 0) {
        return refused(error);
    }
    name = path;
    setLogFile(path);
    return {};
}

std::string LogFile::close() {
    if (!name.empty()) {
        name.clear();
        setLogEnabled(false);
    }
    return {};
}

}  // namespace QuorvinCli
