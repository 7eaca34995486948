#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "transport/Comm.h"
#include "transport/NetworkComm.h"
#include "transport/WinSerialCommAdaptor.h"

namespace CameraDriver {

// The link chosen by the name given to connect; a serial port until a network name comes.
class LinkByName final : public Comm {
  public:
    // The link that serves now: the serial port until a network name is connected.
    const Comm* current() const { return link.get(); }

    explicit LinkByName(std::optional<std::uint8_t> messageTerminator)
        : terminator(messageTerminator),
          link(std::make_unique<WinSerialCommAdaptor>(messageTerminator)) {}

    void connect(const std::string& port) override {
        const Kind wanted = !isNetworkName(port)        ? Kind::Serial
                            : port.rfind("tcp", 0) == 0 ? Kind::Tcp
                                                        : Kind::Udp;
        if (wanted != kind) {
            link->disconnect();
            link = create(wanted);
            kind = wanted;
        }
        link->connect(port);
    }
    void disconnect() override { link->disconnect(); }
    void send(const unsigned char* data, std::uint32_t* count) override { link->send(data, count); }
    bool tryReceive(unsigned char* buffer, std::uint32_t* count,
                    Clock::time_point deadline) override {
        return link->tryReceive(buffer, count, deadline);
    }
    [[noreturn]] void failNoReply() const override {
        link->failNoReply();
        // Every transport raises its time-out; this line is never reached.
        std::abort();
    }

  private:
    enum class Kind { Serial, Tcp, Udp };

    std::unique_ptr<Comm> create(Kind wanted) const {
        switch (wanted) {
            case Kind::Tcp:
                return std::make_unique<TcpComm>(terminator);
            case Kind::Udp:
                return std::make_unique<UdpComm>();
            case Kind::Serial:
                break;
        }
        return std::make_unique<WinSerialCommAdaptor>(terminator);
    }

    std::optional<std::uint8_t> terminator;
    std::unique_ptr<Comm> link;
    Kind kind = Kind::Serial;
};

}  // namespace CameraDriver
