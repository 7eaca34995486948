#include "cli/LogFile.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace QuorvinCli {

std::string logErrorText(const std::string& path, int error) {
    namespace fs = std::filesystem;
    switch (error) {
        case EISDIR:
            return "it is a folder; name a file in it, such as " +
                   (fs::path(path) / "quorvin.log").string();
        case EACCES:
        case EPERM:
            return "permission denied; name a file that this account may write";
        case ENOENT: {
            // Opened with the right to create it, so a part of the path is missing.
            const fs::path folder = fs::path(path).parent_path();
            std::error_code ignored;
            if (!folder.empty() && !fs::exists(folder, ignored)) {
                return "the folder " + folder.string() +
                       " does not exist; create it, or name a file in a folder that exists";
            }
            break;
        }
        case ENOTDIR:
            return "a part of its path is not a folder";
        case ENOSPC:
            return "no space left on its device; free some space, or name a file elsewhere";
#ifdef EDQUOT
        case EDQUOT:
            return "the disk quota of this account is used up; free some space, or name a file "
                   "elsewhere";
#endif
        case EROFS:
            return "its file system is read-only; name a file on another file system";
        case EFBIG:
            return "it would grow past the largest file this account may write (ulimit -f)";
        default:
            break;
    }
    return std::generic_category().message(error);
}

}  // namespace QuorvinCli
