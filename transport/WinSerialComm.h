#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transport/SerialDevice.h"

namespace OS {

// A failure of the operating system's serial port; the text names the call that failed.
class SystemException : public std::exception {
  public:
    explicit SystemException(std::string message);
    SystemException(const SystemException&) = default;
    SystemException& operator=(const SystemException&) = default;
    ~SystemException() override;

    const char* what() const noexcept override;

  private:
    std::string message;
};

// One serial port of the operating system: opened by name, at 9600 baud 8N1 unless told, bytes
// moved in either direction with a time-out per call. Every failure is raised as SystemException.
//
// A read ends once bytes have arrived and the line has then been quiet for 20 ms, or the
// buffer is full. A port given a message terminator ends a read as soon as the bytes in hand
// end with that byte, so that a complete message is handed over without waiting for the line to
// fall quiet; there a pause ends a read only after 200 ms, long enough for a message whose bytes
// a converter or a radio link holds up, and still ends one that lost its terminator.
class WinSerialComm {
  public:
    // No port (the handle is null), a refused open (the handle holds the invalid value, which
    // every operation also treats as no port), or a port held open.
    enum class HandleState { None, Invalid, Open };

    // Reads end on the quiet gap only.
    WinSerialComm();
    // Opens ports through `opener` instead of the platform's device layer.
    explicit WinSerialComm(SerialDeviceOpener opener);
    // Reads also end at `messageTerminator`, when one is given.
    explicit WinSerialComm(std::optional<std::uint8_t> messageTerminator,
                           SerialDeviceOpener opener = openSerialDevice);
    WinSerialComm(const WinSerialComm&) = delete;
    WinSerialComm& operator=(const WinSerialComm&) = delete;
    // Releases a port that is still open, without a log line and without raising.
    virtual ~WinSerialComm();

    // Opens `port` at `baudRate` bits per second, 8N1.
    void open(const std::string& port, std::uint32_t baudRate = 9600);
    void close();
    // true with *count >= 1 bytes received, false when timeoutMs passed with nothing.
    bool read(unsigned char* buffer, std::uint32_t* count, std::uint32_t timeoutMs);
    // true with all *count bytes written, false when timeoutMs passed first (*count then holds
    // the bytes that did go out).
    bool write(const unsigned char* data, std::uint32_t* count, std::uint32_t timeoutMs);
    // Reads away what has arrived and not been read, without waiting, and returns it: at most
    // DISCARD_LIMIT bytes (call again for more), nothing when no port is open.
    std::vector<unsigned char> discardInput();

    // The most that one discardInput call reads.
    static constexpr std::uint32_t DISCARD_LIMIT = 4096;
    // The quiet gap that ends a read: without a message terminator the end of every burst,
    // with one only of a message cut short.
    static constexpr std::uint32_t BURST_GAP_MS = 20;
    static constexpr std::uint32_t BROKEN_MESSAGE_GAP_MS = 200;

    HandleState handleState() const noexcept { return state; }
    std::optional<std::uint8_t> messageTerminator() const noexcept { return terminator; }

  private:
    SerialDeviceOpener opener;
    std::optional<std::uint8_t> terminator;
    std::unique_ptr<SerialDevice> device;
    HandleState state = HandleState::None;
};

}  // namespace OS
