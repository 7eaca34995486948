// Owns one file descriptor and closes it when it goes.
#pragma once

#include <unistd.h>

#include <utility>

namespace Camsim {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : descriptor(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : descriptor(std::exchange(other.descriptor, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(std::exchange(other.descriptor, -1));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return descriptor; }
    explicit operator bool() const { return descriptor >= 0; }

    // close is not retried on EINTR: the descriptor is gone either way on Linux.
    void reset(int fd = -1) {
        if (descriptor >= 0) ::close(descriptor);
        descriptor = fd;
    }

  private:
    int descriptor = -1;
};

}  // namespace Camsim
