#pragma once

// A program run by a Windows test to its end, as Subprocess.h does it on POSIX: given standard
// input, its standard output, standard error and exit status collected. Nothing here comes
// from the camera library.

#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace TestSupport {

struct RunResult {
    int exitCode = -1;  // -1: killed for running past the limit
    std::string out;
    std::string err;
};

namespace Detail {

// One owned handle.
class Handle {
  public:
    Handle() = default;
    explicit Handle(HANDLE handle) : value(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }

    HANDLE get() const { return value; }
    void reset(HANDLE handle = nullptr) {
        if (value != nullptr && value != INVALID_HANDLE_VALUE) {
            ::CloseHandle(value);
        }
        value = handle;
    }

  private:
    HANDLE value = nullptr;
};

// An anonymous pipe whose end `inherited` (0 read, 1 write) the child inherits.
struct InheritedPipe {
    Handle read;
    Handle write;
    explicit InheritedPipe(int inherited) {
        SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE r = nullptr;
        HANDLE w = nullptr;
        if (!::CreatePipe(&r, &w, &security, 0)) {
            throw std::runtime_error("CreatePipe failed");
        }
        read.reset(r);
        write.reset(w);
        ::SetHandleInformation(inherited == 0 ? w : r, HANDLE_FLAG_INHERIT, 0);
    }
};

// One argument quoted for CommandLineToArgvW and the C runtime's reading of the command line:
// backslashes double only before a quote.
inline std::string quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
        return arg;
    }
    std::string text = "\"";
    std::size_t backslashes = 0;
    for (const char c : arg) {
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

// Everything the pipe end `from` delivers until the writer closes it.
inline void drain(HANDLE from, std::string* into) {
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(from, buffer, sizeof buffer, &n, nullptr) && n > 0) {
        into->append(buffer, n);
    }
}

}  // namespace Detail

// Runs args[0] (a path) with `args` to its end, feeding it `input`. A run that outlives `limit`
// is killed: a hang then fails the test instead of the whole suite.
inline RunResult runProgram(const std::vector<std::string>& args, const std::string& input = "",
                            std::chrono::seconds limit = std::chrono::seconds(60)) {
    Detail::InheritedPipe in(0);
    Detail::InheritedPipe out(1);
    Detail::InheritedPipe err(1);
    std::string commandLine;
    for (const std::string& arg : args) {
        commandLine += (commandLine.empty() ? "" : " ") + Detail::quoted(arg);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.read.get();
    startup.hStdOutput = out.write.get();
    startup.hStdError = err.write.get();
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(args.at(0).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process)) {
        throw std::runtime_error("cannot start " + args.at(0) + ": error " +
                                 std::to_string(::GetLastError()));
    }
    const Detail::Handle processHandle(process.hProcess);
    const Detail::Handle thread(process.hThread);
    // Only the child holds its ends now: each pipe ends when the child does.
    in.read.reset();
    out.write.reset();
    err.write.reset();

    RunResult result;
    std::thread outReader(Detail::drain, out.read.get(), &result.out);
    std::thread errReader(Detail::drain, err.read.get(), &result.err);
    // Written apart, so that a child that never reads is still bounded by the limit; a failed
    // write (the child stopped reading, or ended) ends the input.
    std::thread writer([&in, &input] {
        DWORD written = 0;
        for (std::size_t at = 0; at < input.size(); at += written) {
            if (!::WriteFile(in.write.get(), input.data() + at,
                             static_cast<DWORD>(input.size() - at), &written, nullptr)) {
                break;
            }
        }
        in.write.reset();
    });

    const DWORD waited = ::WaitForSingleObject(
        process.hProcess,
        static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(limit).count()));
    if (waited != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, INFINITE);
    }
    writer.join();
    outReader.join();
    errReader.join();
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    result.exitCode = waited == WAIT_OBJECT_0 ? static_cast<int>(code) : -1;
    return result;
}

}  // namespace TestSupport
