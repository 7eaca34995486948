// quorvin-doctor takes this process over: its output, its signals and its exit status are the
// user's command's, with nothing in between.

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/DoctorProgram.h"

namespace QuorvinCli {

const char* const DOCTOR_PROGRAM = "quorvin-doctor";

namespace {

// The folder this program was started from: the kernel's link to the running file on Linux,
// else the folder of the name it was started by.
std::string programFolder(const char* startedAs) {
    char path[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    std::string file = length > 0 ? std::string(path, static_cast<std::size_t>(length))
                                  : std::string(startedAs != nullptr ? startedAs : "");
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? "." : file.substr(0, slash);
}

}  // namespace

int runDoctorProgram(int argc, char** argv, std::string& why) {
    std::string path = programFolder(argv[0]) + "/" + DOCTOR_PROGRAM;
    std::vector<char*> arguments{path.data()};
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(argv[i]);
    }
    arguments.push_back(nullptr);
    // What this process has buffered would otherwise be lost with it.
    std::fflush(nullptr);
    ::execv(path.c_str(), arguments.data());
    why = "cannot run " + path + ": " + std::strerror(errno);
    return -1;
}

}  // namespace QuorvinCli
