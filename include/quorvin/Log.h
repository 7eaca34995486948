#pragma once

/// @file
/// The library's diagnostic log, switched process-wide.
///
/// - verbose: every line is echoed to standard output;
/// - log: the log file is open and receives exception lines (the cause of each failure,
///   such as the system's message when a port will not open);
/// - debug: debug lines and packet dumps also go to the log file (turning it on opens the log).
///
/// The file is "./CameraDriver.log" unless setLogFile() names another, and it is truncated each
/// time the log is switched on. Nothing is written while all are off. The switches may be
/// changed at any time, from one thread at a time.

#include <string>

#include "quorvin/Export.h"

/// Closes any open log file, names the new one and opens it (truncated).
QUORVIN_API void setLogFile(const std::string& fileName);
/// Echoes every log line to standard output (true) or not.
QUORVIN_API void setVerboseEnabled(bool enabled);
/// Writes exception lines to the log file (true), or closes it (false).
QUORVIN_API void setLogEnabled(bool enabled);
/// Writes debug lines and the bytes of every command and reply to the log file (true) or not.
QUORVIN_API void setDebugEnabled(bool enabled);
