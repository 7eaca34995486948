// What a POSIX system shows of a port: the device node, its owner group and the account's
// groups, and (on Linux, through /proc) the processes that have it open.

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fstream>
#include <string>
#include <vector>

#include "cli/PortCheck.h"
#include "ports/PortList.h"

namespace QuorvinCli {

namespace {

std::vector<std::string> presentPorts() {
    std::vector<std::string> present;
    for (const Ports::SerialPort& port : serialPorts()) {
        present.push_back(portLabel(port));
    }
    return present;
}

std::string accountName() {
    const passwd* entry = ::getpwuid(::geteuid());
    return entry != nullptr ? entry->pw_name : "uid " + std::to_string(::geteuid());
}

bool accountInGroup(gid_t group) {
    const passwd* entry = ::getpwuid(::geteuid());
    if (entry == nullptr) {
        return false;
    }
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(entry->pw_name, entry->pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(entry->pw_name, entry->pw_gid, groups.data(), &count) < 0) {
            return false;
        }
    }
    groups.resize(static_cast<std::size_t>(count));
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

// Other processes that have `device` open, as "name (pid N)": every /proc/PID/fd/* that
// links to it. Processes of other users are not visible to an unprivileged one.
std::vector<std::string> holdersOf(const std::string& device) {
    char resolved[PATH_MAX];
    if (::realpath(device.c_str(), resolved) == nullptr) {
        return {};
    }
    const std::string target = resolved;
    const std::string self = std::to_string(::getpid());
    std::vector<std::string> holders;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return holders;
    }
    while (const dirent* process = ::readdir(proc)) {
        const std::string pid = process->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos ||
            pid == self) {
            continue;
        }
        const std::string fds = "/proc/" + pid + "/fd";
        DIR* folder = ::opendir(fds.c_str());
        if (folder == nullptr) {
            continue;
        }
        bool holds = false;
        while (const dirent* fd = ::readdir(folder)) {
            char link[PATH_MAX];
            const ssize_t size =
                ::readlink((fds + "/" + fd->d_name).c_str(), link, sizeof link - 1);
            if (size > 0 && target == std::string(link, static_cast<std::size_t>(size))) {
                holds = true;
                break;
            }
        }
        ::closedir(folder);
        if (holds) {
            std::string name;
            std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
            holders.push_back((name.empty() ? "a process" : name) + " (pid " + pid + ")");
        }
    }
    ::closedir(proc);
    return holders;
}

}  // namespace

std::vector<Ports::SerialPort> serialPorts() { return Ports::presentSerialPorts(); }

PortFacts inspectPort(const std::string& port) {
    PortFacts facts;
    facts.device = Ports::devicePathOf(port);
    struct stat info {};
    if (::stat(facts.device.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            facts.cause = PortFacts::Cause::Missing;
            facts.present = presentPorts();
        }
        return facts;
    }
    if (!S_ISCHR(info.st_mode)) {
        facts.cause = PortFacts::Cause::NotDevice;
        facts.what = S_ISDIR(info.st_mode)   ? "a folder"
                     : S_ISREG(info.st_mode) ? "a regular file"
                                             : "no device";
        return facts;
    }
    if (::access(facts.device.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        facts.cause = PortFacts::Cause::PermissionDenied;
        facts.user = accountName();
        // Only a group that may read and write the device helps the user by joining it.
        if ((info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
            const group* owner = ::getgrgid(info.st_gid);
            facts.group = owner != nullptr ? owner->gr_name : std::to_string(info.st_gid);
            facts.joinedButNotActive = accountInGroup(info.st_gid);
        }
        return facts;
    }
    const int fd = ::open(facts.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EBUSY) {
            facts.cause = PortFacts::Cause::Busy;
            facts.holders = holdersOf(facts.device);
        }
        return facts;
    }
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0 && errno == ENOTTY) {
        facts.cause = PortFacts::Cause::NotSerial;
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        facts.cause = PortFacts::Cause::Busy;
        facts.holders = holdersOf(facts.device);
    }
    ::close(fd);
    return facts;
}

}  // namespace QuorvinCli
