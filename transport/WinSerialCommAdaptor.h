#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "transport/Comm.h"
#include "transport/WinSerialComm.h"

namespace CameraDriver {

// The serial transport: the Comm operations over a serial port, with a fixed time-out per
// transfer. System failures stop here: their text goes to the log as an exception line and the
// caller receives DriverException.
class WinSerialCommAdaptor : public Comm, public OS::WinSerialComm {
  public:
    static constexpr std::uint32_t TRANSFER_TIMEOUT_MS = 6000;
    // How long send goes on reading away stale input that keeps arriving before it gives up.
    static constexpr std::chrono::milliseconds DISCARD_TIME_LIMIT{500};
    // After stale bytes that stop short of a message's end, how long the line must stay quiet
    // to be empty: at 1200 baud a byte takes 8 ms, and a camera that filled the port's buffer
    // sends on as soon as it can.
    static constexpr std::chrono::milliseconds MORE_STALE_INPUT{20};

    // Receives end on the quiet gap only.
    WinSerialCommAdaptor() = default;
    // Opens ports through `opener` instead of the platform's device layer.
    explicit WinSerialCommAdaptor(OS::SerialDeviceOpener opener);
    // Receives also end as soon as the bytes in hand end with `messageTerminator`, if given.
    explicit WinSerialCommAdaptor(std::optional<std::uint8_t> messageTerminator,
                                  OS::SerialDeviceOpener opener = OS::openSerialDevice);
    ~WinSerialCommAdaptor() override;

    void connect(const std::string& port) override;
    void disconnect() override;
    // Drops all input still pending (one debug line shows it) before the bytes go out; input
    // that is still arriving after DISCARD_TIME_LIMIT fails the send, with nothing written.
    void send(const unsigned char* data, std::uint32_t* count) override;
    bool tryReceive(unsigned char* buffer, std::uint32_t* count,
                    Clock::time_point deadline) override;
    [[noreturn]] void failNoReply() const override;
};

}  // namespace CameraDriver
