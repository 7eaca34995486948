#include "cli/LoadedLibrary.h"

namespace QuorvinCli {

std::string versionText(const std::string& toolVersion, const LoadedLibrary& library) {
    std::string text = "quorvin " + toolVersion + "\nlibquorvin ";
    text += library.version.empty() ? "of unknown version" : library.version;
    if (!library.file.empty()) {
        text += " (" + library.file + ")";
    }
    return text;
}

}  // namespace QuorvinCli
