#pragma once

#include <ostream>
#include <string>

// The library's diagnostic log (the exported switches are declared in quorvin/Log.h).
// Writers never throw; lines are built and offered whether or not a switch is on.
namespace CameraDriver {

// "[Debug] " + text: to standard output when verbose, to the file when debug is on.
void logDebug(const std::string& text) noexcept;
// "[Debug] " + hex dump of the bytes: same destinations as logDebug.
void logPacket(const unsigned char* bytes, int length) noexcept;
// "[Debug] " + text + hex dump of the bytes, on one line: same destinations as logDebug.
void logPacket(const std::string& text, const unsigned char* bytes, int length) noexcept;
// "[Exception] " + text: to standard output when verbose, to the file when the log is on.
void logException(const std::string& text) noexcept;
// Each byte as two lower-case hex digits followed by one space; leaves hex and '0' fill set.
void dumpHex(std::ostream& stream, const unsigned char* bytes, int length);

}  // namespace CameraDriver
