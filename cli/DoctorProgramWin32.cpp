// Windows has no exec: quorvin-doctor.exe runs as a child with this process's console and
// standard handles, and its exit status is passed on.

#include <windows.h>

#include <cstdio>
#include <string>

#include "cli/DoctorProgram.h"

namespace QuorvinCli {

const char* const DOCTOR_PROGRAM = "quorvin-doctor.exe";

namespace {

// One argument as the C runtime of the child splits its command line back into arguments:
// quoted when it holds a space, a tab or a quote (or is empty), a quote escaped with a
// backslash, and the backslashes before a quote (or the closing one) doubled.
std::string quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
        return argument;
    }
    std::string text = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        text.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        text += c;
    }
    text.append(backslashes * 2, '\\');
    return text + "\"";
}

std::string programFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string file(path, length < MAX_PATH ? length : 0);
    const std::size_t slash = file.find_last_of("\\/");
    return slash == std::string::npos ? "." : file.substr(0, slash);
}

}  // namespace

int runDoctorProgram(int argc, char** argv, std::string& why) {
    const std::string path = programFolder() + "\\" + DOCTOR_PROGRAM;
    std::string commandLine = quoted(path);
    for (int i = 1; i < argc; ++i) {
        commandLine += " " + quoted(argv[i]);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::fflush(nullptr);
    if (!::CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          nullptr, &startup, &process)) {
        why = "cannot run " + path + " (Windows error " + std::to_string(::GetLastError()) + ")";
        return -1;
    }
    ::CloseHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

}  // namespace QuorvinCli
