// quorvin-reply-peer: the camera's side of the reply-pattern table (ReplyPatterns.h) as a
// program, for the Windows tests, which reach it through a COM port of their Wine prefix.
//
//   quorvin-reply-peer [--link PATH]
//
// Prints the device to open on its first line and answers until SIGINT or SIGTERM; with
// --link, PATH is made a symbolic link to the device for that time.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "ReplyPatternPeer.h"

int main(int argc, char** argv) {
    std::string link;
    if (argc == 3 && std::strcmp(argv[1], "--link") == 0) {
        link = argv[2];
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: quorvin-reply-peer [--link PATH]\n");
        return 2;
    }
    // Taken by sigwait below; blocked before the peer's thread starts, which inherits it.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    if (::pthread_sigmask(SIG_BLOCK, &stop, nullptr) != 0) {
        std::fprintf(stderr, "quorvin-reply-peer: cannot block the stop signals\n");
        return 1;
    }
    try {
        TransportTest::ReplyPatternPeer peer;
        if (!link.empty()) {
            if (::symlink(peer.path().c_str(), link.c_str()) != 0) {
                std::fprintf(stderr, "quorvin-reply-peer: cannot link %s: %s\n", link.c_str(),
                             std::strerror(errno));
                return 1;
            }
        }
        std::printf("%s\n", peer.path().c_str());
        std::fflush(stdout);
        int signal = 0;
        ::sigwait(&stop, &signal);
        // Only while it is still this run's link.
        char target[4096];
        const ssize_t n = link.empty() ? -1 : ::readlink(link.c_str(), target, sizeof target - 1);
        if (n >= 0 && std::string(target, static_cast<std::size_t>(n)) == peer.path()) {
            ::unlink(link.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvin-reply-peer: %s\n", e.what());
        return 1;
    }
    return 0;
}
