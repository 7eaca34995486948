#include "diagnostics/Log.h"

#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "quorvin/Log.h"

namespace {

// The process-wide log: built when the library is loaded, torn down when it is unloaded
// (the file stream first, which closes an open file, then the name).
struct LogState {
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

void setLogEnabled(bool enabled) {
    try {
        LogState& log = logState;
        if (log.logOn && !enabled) {
            log.file.close();
        } else if (!log.logOn && enabled) {
            log.file.open(log.fileName, std::ios::out | std::ios::trunc);
        }
        log.file.clear();
        log.logOn = enabled;
    } catch (...) {
    }
}

void setLogFile(const std::string& fileName) {
    setLogEnabled(false);
    try {
        logState.fileName = fileName;
    } catch (...) {
    }
    setLogEnabled(true);
}

void setVerboseEnabled(bool enabled) { logState.verbose = enabled; }

void setDebugEnabled(bool enabled) {
    if (enabled) {
        setLogEnabled(true);
    }
    logState.debugOn = enabled;
}
