#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "sim/ClientWatch.h"

namespace Camsim {

ClientWatch::ClientWatch(const std::string& path) {
    watch.reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!watch) throw std::system_error(errno, std::generic_category(), "inotify_init1");
    if (::inotify_add_watch(watch.get(), path.c_str(), IN_OPEN | IN_CLOSE) < 0) {
        throw std::system_error(errno, std::generic_category(), "inotify_add_watch");
    }
}

bool ClientWatch::anyClient() const { return clients > 0; }

bool ClientWatch::lastClientLeft() {
    bool left = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(watch.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return left;  // EAGAIN: all read
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            at += static_cast<ssize_t>(sizeof event + event.len);
            if (event.mask & IN_Q_OVERFLOW) {
                // Lost count: treat the terminal as free, the mistake that locks nobody out.
                clients = 0;
                left = true;
            }
            if (event.mask & IN_OPEN) ++clients;
            if (event.mask & IN_CLOSE) {
                clients = clients > 0 ? clients - 1 : 0;
                if (clients == 0) left = true;
            }
        }
    }
}

}  // namespace Camsim
