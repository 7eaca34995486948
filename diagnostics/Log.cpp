#include "diagnostics/Log.h"

#include <fstream>
#include <iomanip>
#include <iostream>
#include <mutex>
#include <sstream>

#include "quorvin/Log.h"

namespace {

// The process-wide log: built when the library is loaded, torn down when it is unloaded
// (the file stream first, which closes an open file, then the name).
// Its lock is held by every writer and every switch, so that controllers on separate threads
// write whole lines and see a switch either before or after it.
struct LogState {
    std::mutex lock;
    std::string fileName{"./CameraDriver.log"};
    std::ofstream file;
    bool verbose = false;
    bool logOn = false;
    bool debugOn = false;
};

LogState logState;

enum class FileSwitch { Log, Debug };

void writeLine(const char* prefix, const std::string& body, FileSwitch which) noexcept {
    try {
        LogState& log = logState;
        const std::lock_guard<std::mutex> hold(log.lock);
        if (log.verbose) {
            std::cout << prefix << body << '\n' << std::flush;
        }
        const bool toFile = which == FileSwitch::Log ? log.logOn : log.debugOn;
        if (toFile && log.file.is_open()) {
            log.file << prefix << body << '\n' << std::flush;
            // A failed write (disk full, say) must not silence later lines.
            log.file.clear();
        }
    } catch (...) {
        // The log never fails its caller.
    }
}

}  // namespace

namespace CameraDriver {

void dumpHex(std::ostream& stream, const unsigned char* bytes, int length) {
    for (int i = 0; i < length; ++i) {
        stream << std::hex << std::setfill('0') << std::setw(2) << static_cast<unsigned>(bytes[i])
               << " ";
    }
}

void logDebug(const std::string& text) noexcept { writeLine("[Debug] ", text, FileSwitch::Debug); }

void logPacket(const unsigned char* bytes, int length) noexcept {
    logPacket(std::string(), bytes, length);
}

void logPacket(const std::string& text, const unsigned char* bytes, int length) noexcept {
    try {
        std::ostringstream line;
        line << text;
        dumpHex(line, bytes, length);
        writeLine("[Debug] ", line.str(), FileSwitch::Debug);
    } catch (...) {
    }
}

void logException(const std::string& text) noexcept {
    writeLine("[Exception] ", text, FileSwitch::Log);
}

}  // namespace CameraDriver

namespace {

// The log switched on or off, with its lock held by the caller.
void switchLog(LogState& log, bool enabled) {
    if (log.logOn && !enabled) {
        log.file.close();
    } else if (!log.logOn && enabled) {
        log.file.open(log.fileName, std::ios::out | std::ios::trunc);
    }
    log.file.clear();
    log.logOn = enabled;
}

}  // namespace

void setLogEnabled(bool enabled) {
    try {
        const std::lock_guard<std::mutex> hold(logState.lock);
        switchLog(logState, enabled);
    } catch (...) {
    }
}

void setLogFile(const std::string& fileName) {
    try {
        const std::lock_guard<std::mutex> hold(logState.lock);
        switchLog(logState, false);
        try {
            logState.fileName = fileName;
        } catch (...) {
        }
        switchLog(logState, true);
    } catch (...) {
    }
}

void setVerboseEnabled(bool enabled) {
    try {
        const std::lock_guard<std::mutex> hold(logState.lock);
        logState.verbose = enabled;
    } catch (...) {
    }
}

void setDebugEnabled(bool enabled) {
    try {
        const std::lock_guard<std::mutex> hold(logState.lock);
        if (enabled) {
            switchLog(logState, true);
        }
        logState.debugOn = enabled;
    } catch (...) {
    }
}
