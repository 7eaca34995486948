#pragma once

#include <cstdint>
#include <string>

#include "transport/Socket.h"

namespace OS {

// Owns the list that getaddrinfo fills and frees it with freeaddrinfo. Info is the platform's
// addrinfo; the including file has declared it, getaddrinfo and freeaddrinfo (netdb.h,
// ws2tcpip.h), which is why this header includes neither and the calls are looked up where
// they are used.
template <typename Info>
class AddressList {
  public:
    AddressList() = default;
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;
    ~AddressList() {
        if (list != nullptr) {
            freeaddrinfo(list);
        }
    }
    // Resolves `host` and `port` for sockets of `kind` in any address family; false when the
    // name gives no address. Called once per list.
    bool resolve(const std::string& host, std::uint16_t port, SocketKind kind) {
        Info hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = kind == SocketKind::Stream ? SOCK_STREAM : SOCK_DGRAM;
        const std::string service = std::to_string(port);
        return getaddrinfo(host.c_str(), service.c_str(), &hints, &list) == 0 && list != nullptr;
    }
    const Info* get() const { return list; }

  private:
    Info* list = nullptr;
};

}  // namespace OS
