#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace OS {

// Line settings that open() asks for. Everything the device reports beyond these fields is
// kept as read (the platform layer decides what "kept" can mean on its system).
struct LineSettings {
    enum class Parity { None, Odd, Even };

    std::uint32_t baudRate = 9600;
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 1;
};

// Time-outs of the device, in milliseconds. A total of 0 means no total limit, so a read ends
// only when the buffer is full or the line has been quiet for readIntervalMs after a byte (or,
// for a read given a message terminator, once the bytes in hand end with it).
struct Timeouts {
    std::uint32_t readIntervalMs = 20;
    std::uint32_t readTotalMultiplierMs = 0;
    std::uint32_t readTotalConstantMs = 0;
    std::uint32_t writeTotalMultiplierMs = 0;
    std::uint32_t writeTotalConstantMs = 0;
};

// How one read or write ended. The failure stages name where a transfer can break on any
// platform, so that the port class reports the same fixed message everywhere:
//   PrepareFailed  - the resources of the transfer (its event, its time-outs) could not be set up
//   StartFailed    - the system refused the transfer or the device went away during it
//   WaitFailed     - waiting for the transfer failed
//   ResultFailed   - the transfer finished but its outcome could not be collected
enum class TransferResult { Done, TimedOut, PrepareFailed, StartFailed, WaitFailed, ResultFailed };

// One open serial device of the operating system. The port class drives it through the steps
// of opening in a fixed order; each step returns false when the system refuses it. One source
// file per platform implements this interface and openSerialDevice().
class SerialDevice {
  public:
    SerialDevice() = default;
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;
    // Releases a device that is still open, silently.
    virtual ~SerialDevice() = default;

    // Discards whatever waits in the transmit and receive queues.
    virtual bool purge() = 0;
    // Sizes the driver's queues, in bytes.
    virtual bool setQueueSizes(std::uint32_t input, std::uint32_t output) = 0;
    // Reads the current line settings and keeps them for writeSettings().
    virtual bool readSettings() = 0;
    // Applies `settings` on top of those read by readSettings() and writes the result.
    virtual bool writeSettings(const LineSettings& settings) = 0;
    virtual bool setTimeouts(const Timeouts& timeouts) = 0;
    // Clears any error condition pending on the line.
    virtual bool clearErrors() = 0;
    // Releases the device; it is released even when this returns false.
    virtual bool close() = 0;

    // Reads up to *count bytes, waiting at most timeoutMs for the transfer; *count receives
    // the number read. Done never comes with 0 bytes for a non-zero request. After the first
    // byte the read also ends when the line has been quiet for the read interval, and, when a
    // message terminator is given, as soon as the bytes in hand end with it.
    virtual TransferResult read(unsigned char* buffer, std::uint32_t* count,
                                std::uint32_t timeoutMs,
                                std::optional<std::uint8_t> messageTerminator) = 0;
    // Writes *count bytes, waiting at most timeoutMs; *count receives the number written.
    virtual TransferResult write(const unsigned char* data, std::uint32_t* count,
                                 std::uint32_t timeoutMs) = 0;
    // Reads, without waiting for more, up to *count of the bytes that have already arrived;
    // *count receives the number read, 0 when nothing is pending. A device that has gone away
    // has nothing pending: the transfer that follows reports it.
    virtual TransferResult readPending(unsigned char* buffer, std::uint32_t* count) = 0;
};

// Opens the named port for reading and writing, exclusively, only if it exists. Returns null
// when the system refuses. Tests pass their own opener to the port class instead.
using SerialDeviceOpener = std::function<std::unique_ptr<SerialDevice>(const std::string& port)>;

// The platform's opener, defined in the platform's SerialDevice*.cpp.
std::unique_ptr<SerialDevice> openSerialDevice(const std::string& port);

// The system's name of the port that callers call `port`, defined by the platform's file.
std::string systemPortName(const std::string& port);

// The line speeds, in bits per second, that the platform's file can set, in rising order.
const std::vector<std::uint32_t>& lineSpeeds();

// A serial port's name as callers write it: the port, and after an "@" the line speed in bits
// per second ("COM3@38400", "/dev/ttyUSB0@115200"). A name without one means 9600 baud.
struct PortName {
    std::string port;
    std::uint32_t baudRate = 9600;
    // The name asked for a speed ("@" and digits at its end); only then is baudRate its own.
    bool speedGiven = false;
};
// Splits a name at a final "@" followed by digits only; any other name is a port's name whole.
// A speed too large to count is given as 0, which no platform sets.
PortName parsePortName(const std::string& name);

// The device of a COMn name on a POSIX system: COMn, n from 1 and written without leading zeros
// (at most nine digits), is the n-th serial line, /dev/ttyS(n-1), as other POSIX systems that
// emulate COM ports number them. Any other name is a path and comes back as given.
std::string posixDeviceOf(const std::string& port);

}  // namespace OS
