#pragma once

#include <string>

#include "quorvin/Export.h"

// Process-wide switches of the library's diagnostic log.
//  - verbose: every line is echoed to standard output;
//  - log: the log file is open and receives exception lines;
//  - debug: debug lines and packet dumps also go to the log file (turning it on opens the log).
// The file is truncated each time the log is switched on. Nothing is written while all are off.

// Closes any open log file, names the new one and opens it (truncated).
QUORVIN_API void setLogFile(const std::string& fileName);
QUORVIN_API void setVerboseEnabled(bool enabled);
QUORVIN_API void setLogEnabled(bool enabled);
QUORVIN_API void setDebugEnabled(bool enabled);
