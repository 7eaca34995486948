#pragma once

// Which copy of the library this process loaded, and its version as the system records it
// for that file, so that `quorvin --version` reports the library actually in use rather than
// the one the tool was built with. Platform-specific: LoadedLibrary*.cpp.

#include <string>

namespace QuorvinCli {

struct LoadedLibrary {
    std::string file;     // "" when the system does not say
    std::string version;  // "1.0.0"; "" when the file carries none
};

LoadedLibrary loadedLibrary();

// "quorvin 1.0.0" then "libquorvin 1.0.0 (/usr/lib/libquorvin.so.1.0.0)", one per line.
std::string versionText(const std::string& toolVersion, const LoadedLibrary& library);

}  // namespace QuorvinCli
