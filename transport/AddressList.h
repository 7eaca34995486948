#pragma once

namespace OS {

// Owns the list that getaddrinfo fills and frees it with freeaddrinfo. Info is the platform's
// addrinfo; the including file has declared it and freeaddrinfo (netdb.h, ws2tcpip.h), which
// is why this header includes neither and the free call is looked up where it is used.
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
    Info** out() { return &list; }
    const Info* get() const { return list; }

  private:
    Info* list = nullptr;
};

}  // namespace OS
