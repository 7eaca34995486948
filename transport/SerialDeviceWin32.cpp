// The serial device on Windows: the communications functions for the line, overlapped
// transfers with one event each for every wait.
//
// How the steps of opening a port map onto Win32:
//
//   step                   Win32
//   ---------------------  ----------------------------------------------------------------
//   open the port          CreateFileA(name, read | write, no sharing, OPEN_EXISTING,
//                          FILE_FLAG_OVERLAPPED); COMn as \\.\COMn, other names as given
//   discard both queues    PurgeComm(PURGE_TXCLEAR | PURGE_RXCLEAR)
//   queue sizes            SetupComm
//   read line settings     GetCommState
//   write line settings    SetCommState: baud rate, byte size, parity, stop bits changed, the
//                          rest of the device control block as read
//   time-outs              SetCommTimeouts
//   message terminator     a read in chunks: ClearCommError's queue size, and ReadFile of the
//                          bytes queued or of one byte under time-outs that return as soon as
//                          it is in (see readMessage)
//   clear errors           ClearCommError (its error flags and queue status are not used)
//   close                  CloseHandle
//
// Pending input is sized by ClearCommError (its queue status) and then read, that many bytes,
// by an overlapped ReadFile that has them at hand. PurgeComm would drop them unseen, and the
// log shows what was dropped.
//
// How a transfer's failures are reported:
//   CreateEventA fails                             -> PrepareFailed
//   ReadFile/WriteFile fail other than pending     -> StartFailed
//   WaitForSingleObject fails                      -> WaitFailed
//   GetOverlappedResult reports a failed transfer  -> ResultFailed
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "transport/SerialDevice.h"

namespace OS {

namespace {

// Owns a kernel object handle; null and INVALID_HANDLE_VALUE both mean "none".
class UniqueHandle {
  public:
    explicit UniqueHandle(HANDLE h = nullptr) noexcept : handle(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    HANDLE get() const noexcept { return handle; }
    HANDLE release() noexcept { return std::exchange(handle, nullptr); }
    explicit operator bool() const noexcept {
        return handle != nullptr && handle != INVALID_HANDLE_VALUE;
    }
    // Closes the handle; false when CloseHandle refused (the handle is dropped either way).
    bool reset() noexcept {
        const HANDLE old = std::exchange(handle, nullptr);
        if (old == nullptr || old == INVALID_HANDLE_VALUE) {
            return true;
        }
        return ::CloseHandle(old) != FALSE;
    }

  private:
    HANDLE handle;
};

BYTE toParity(LineSettings::Parity parity) {
    switch (parity) {
        case LineSettings::Parity::Odd:
            return ODDPARITY;
        case LineSettings::Parity::Even:
            return EVENPARITY;
        case LineSettings::Parity::None:
            break;
    }
    return NOPARITY;
}

class Win32SerialDevice final : public SerialDevice {
  public:
    // Takes ownership of the open port.
    explicit Win32SerialDevice(HANDLE port) noexcept : handle(port) {}

    bool purge() override {
        return ::PurgeComm(handle.get(), PURGE_TXCLEAR | PURGE_RXCLEAR) != FALSE;
    }

    bool setQueueSizes(std::uint32_t input, std::uint32_t output) override {
        return ::SetupComm(handle.get(), input, output) != FALSE;
    }

    bool readSettings() override {
        control = DCB{};
        control.DCBlength = sizeof(DCB);
        settingsRead = ::GetCommState(handle.get(), &control) != FALSE;
        return settingsRead;
    }

    bool writeSettings(const LineSettings& line) override {
        if (!settingsRead || line.dataBits < 5 || line.dataBits > 8 ||
            (line.stopBits != 1 && line.stopBits != 2)) {
            return false;
        }
        // Flow control and the special characters stay as the port reported them.
        DCB wanted = control;
        wanted.BaudRate = line.baudRate;
        wanted.ByteSize = static_cast<BYTE>(line.dataBits);
        wanted.Parity = toParity(line.parity);
        wanted.StopBits = line.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
        if (::SetCommState(handle.get(), &wanted) == FALSE) {
            return false;
        }
        control = wanted;
        return true;
    }

    bool setTimeouts(const Timeouts& timeouts) override {
        COMMTIMEOUTS wanted{};
        wanted.ReadIntervalTimeout = timeouts.readIntervalMs;
        wanted.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplierMs;
        wanted.ReadTotalTimeoutConstant = timeouts.readTotalConstantMs;
        wanted.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplierMs;
        wanted.WriteTotalTimeoutConstant = timeouts.writeTotalConstantMs;
        if (!apply(wanted)) {
            return false;
        }
        configured = wanted;
        return true;
    }

    bool clearErrors() override {
        DWORD errors = 0;
        COMSTAT status{};
        return ::ClearCommError(handle.get(), &errors, &status) != FALSE;
    }

    bool close() override { return handle.reset(); }

    TransferResult read(unsigned char* buffer, std::uint32_t* count, std::uint32_t timeoutMs,
                        std::optional<std::uint8_t> messageTerminator) override {
        if (messageTerminator) {
            return readMessage(buffer, count, timeoutMs, *messageTerminator);
        }
        // The time-outs set at open end this read: on a full buffer, or on the quiet gap after
        // the first byte. A message read may have left its own in place.
        if (!apply(configured)) {
            *count = 0;
            return TransferResult::PrepareFailed;
        }
        return transfer(Direction::Read, buffer, count, timeoutMs);
    }

    TransferResult write(const unsigned char* data, std::uint32_t* count,
                         std::uint32_t timeoutMs) override {
        // WriteFile takes a const buffer; the cast only lets both directions share one path.
        return transfer(Direction::Write, const_cast<unsigned char*>(data), count, timeoutMs);
    }

    TransferResult readPending(unsigned char* buffer, std::uint32_t* count) override {
        DWORD errors = 0;
        COMSTAT status{};
        if (::ClearCommError(handle.get(), &errors, &status) == FALSE) {
            *count = 0;
            return TransferResult::PrepareFailed;
        }
        *count = std::min<std::uint32_t>(*count, status.cbInQue);
        if (*count == 0) {
            return TransferResult::Done;
        }
        // The bytes are queued already, so the read completes at once; the wait only bounds it.
        // A read that still took nothing in that time leaves nothing to drop.
        const TransferResult result = transfer(Direction::Read, buffer, count, PENDING_READ_MS);
        return result == TransferResult::TimedOut ? TransferResult::Done : result;
    }

  private:
    enum class Direction { Read, Write };
    using Clock = std::chrono::steady_clock;

    static constexpr std::uint32_t PENDING_READ_MS = 100;

    // A read that ends at the message terminator, in chunks, each of which returns as soon as
    // any byte is in. A chunk takes at once what the driver already holds, or else waits for
    // one byte: before the first, for the time left; after bytes that do not end with the
    // terminator (a reply still arriving, or one cut short), only for the quiet gap, and a wait
    // that brings nothing ends the read with what it holds. The waits run with
    // ReadIntervalTimeout and ReadTotalTimeoutMultiplier at MAXDWORD and the limit as
    // ReadTotalTimeoutConstant, with which Windows completes a read as soon as a byte is in.
    // Wine instead waits for the whole count or the limit, so no chunk asks for more than one
    // byte or those already queued: then both complete it at the first byte.
    TransferResult readMessage(unsigned char* buffer, std::uint32_t* count, std::uint32_t timeoutMs,
                               std::uint8_t terminator) {
        const std::uint32_t wanted = *count;
        std::uint32_t got = 0;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        const auto end = [&](TransferResult result) {
            *count = got;
            return result;
        };
        while (got < wanted) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            // Past the deadline, what has arrived is still taken, without a wait for more.
            const bool expired = left.count() <= 0;
            const DWORD limit = static_cast<DWORD>(
                expired    ? PENDING_READ_MS
                : got == 0 ? left.count()
                           : std::min<long long>(left.count(), configured.ReadIntervalTimeout));
            DWORD errors = 0;
            COMSTAT status{};
            if (::ClearCommError(handle.get(), &errors, &status) == FALSE) {
                return end(TransferResult::PrepareFailed);
            }
            std::uint32_t n = std::min<std::uint32_t>(wanted - got, status.cbInQue);
            if (n == 0) {
                if (expired) {
                    return end(got == 0 ? TransferResult::TimedOut : TransferResult::Done);
                }
                n = 1;
                COMMTIMEOUTS wait = configured;
                wait.ReadIntervalTimeout = MAXDWORD;
                wait.ReadTotalTimeoutMultiplier = MAXDWORD;
                // Between 1 and MAXDWORD - 1: 0 would return at once even with nothing in.
                wait.ReadTotalTimeoutConstant =
                    std::min<DWORD>(std::max<DWORD>(limit, 1), MAXDWORD - 1);
                if (!apply(wait)) {
                    return end(TransferResult::PrepareFailed);
                }
            }
            // Queued bytes are read at once whatever the time-outs in force.
            const TransferResult result = transfer(Direction::Read, buffer + got, &n, limit);
            if (result == TransferResult::TimedOut) {
                // The wait ran out with nothing taken (the cancelled transfer had no byte).
                return end(got == 0 ? TransferResult::TimedOut : TransferResult::Done);
            }
            if (result != TransferResult::Done) {
                return end(result);
            }
            if (n == 0) {
                // The driver's own time-out: nothing came within the time left, or within the
                // quiet gap after the bytes in hand.
                return end(got == 0 ? TransferResult::TimedOut : TransferResult::Done);
            }
            got += n;
            if (buffer[got - 1] == terminator) {
                return end(TransferResult::Done);
            }
        }
        return end(TransferResult::Done);
    }

    // Sets the port's time-outs unless they are already in force: a message read changes them
    // per chunk, and most chunks ask for what the one before asked.
    bool apply(const COMMTIMEOUTS& wanted) {
        if (current && current->ReadIntervalTimeout == wanted.ReadIntervalTimeout &&
            current->ReadTotalTimeoutMultiplier == wanted.ReadTotalTimeoutMultiplier &&
            current->ReadTotalTimeoutConstant == wanted.ReadTotalTimeoutConstant &&
            current->WriteTotalTimeoutMultiplier == wanted.WriteTotalTimeoutMultiplier &&
            current->WriteTotalTimeoutConstant == wanted.WriteTotalTimeoutConstant) {
            return true;
        }
        COMMTIMEOUTS copy = wanted;
        if (::SetCommTimeouts(handle.get(), &copy) == FALSE) {
            // What the port holds now is unknown: the next request sets it again.
            current.reset();
            return false;
        }
        current = wanted;
        return true;
    }

    TransferResult transfer(Direction direction, unsigned char* buffer, std::uint32_t* count,
                            std::uint32_t timeoutMs) {
        const DWORD wanted = *count;
        // Each transfer has an event of its own, so that a completion left over from an earlier
        // call can never wake this one. Declared before the completion record: it must outlive
        // every wait on the transfer.
        const UniqueHandle event(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
        if (!event) {
            return TransferResult::PrepareFailed;
        }
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.get();

        DWORD done = 0;
        const BOOL completed = direction == Direction::Read
                                   ? ::ReadFile(handle.get(), buffer, wanted, &done, &overlapped)
                                   : ::WriteFile(handle.get(), buffer, wanted, &done, &overlapped);
        if (completed != FALSE) {
            *count = done;
            return TransferResult::Done;
        }
        if (::GetLastError() != ERROR_IO_PENDING) {
            return TransferResult::StartFailed;
        }

        switch (::WaitForSingleObject(event.get(), timeoutMs)) {
            case WAIT_OBJECT_0:
                if (::GetOverlappedResult(handle.get(), &overlapped, &done, TRUE) == FALSE) {
                    return TransferResult::ResultFailed;
                }
                *count = done;
                return TransferResult::Done;
            case WAIT_TIMEOUT:
                return cancel(direction, &overlapped, count, wanted);
            default:
                cancel(direction, &overlapped, count, wanted);
                return TransferResult::WaitFailed;
        }
    }

    // The transfer still runs in the system, writing into the caller's buffer and signalling an
    // event and a completion record that are about to go away. It is cancelled and waited for,
    // so that nothing of it survives the call. A transfer that finished before the cancel took
    // hold keeps its outcome: a read returns the bytes it did receive rather than drop them.
    TransferResult cancel(Direction direction, OVERLAPPED* overlapped, std::uint32_t* count,
                          DWORD wanted) {
        if (::CancelIoEx(handle.get(), overlapped) == FALSE &&
            ::GetLastError() != ERROR_NOT_FOUND) {
            // ERROR_NOT_FOUND: it had already finished. Anything else: cancel this thread's
            // transfers on the port, which include this one.
            ::CancelIo(handle.get());
        }
        DWORD done = 0;
        const bool finished = ::GetOverlappedResult(handle.get(), overlapped, &done, TRUE) != FALSE;
        *count = done;
        const bool complete = direction == Direction::Read ? done > 0 : finished && done == wanted;
        return complete ? TransferResult::Done : TransferResult::TimedOut;
    }

    UniqueHandle handle;
    DCB control{};
    bool settingsRead = false;
    // The time-outs set at open, and those in force on the port (none known before the first).
    COMMTIMEOUTS configured{};
    std::optional<COMMTIMEOUTS> current;
};

}  // namespace

const std::vector<std::uint32_t>& lineSpeeds() {
    // The rates that the communications functions name (CBR_...): those every driver knows.
    static const std::vector<std::uint32_t> speeds = {
        CBR_110,   CBR_300,   CBR_600,   CBR_1200,  CBR_2400,   CBR_4800,   CBR_9600,  CBR_14400,
        CBR_19200, CBR_38400, CBR_56000, CBR_57600, CBR_115200, CBR_128000, CBR_256000};
    return speeds;
}

std::string systemPortName(const std::string& port) {
    // CreateFileA knows COM1 to COM9 by their plain names only, as the old DOS devices; from
    // COM10 on a port exists only in the device namespace. Every COMn goes there, so that all
    // ports open alike. Any other name, one with a prefix included, is used as given.
    constexpr std::size_t prefix = 3;
    if (port.size() <= prefix || (port[0] != 'C' && port[0] != 'c') ||
        (port[1] != 'O' && port[1] != 'o') || (port[2] != 'M' && port[2] != 'm') ||
        port[prefix] == '0') {
        return port;
    }
    for (std::size_t i = prefix; i < port.size(); ++i) {
        if (port[i] < '0' || port[i] > '9') {
            return port;
        }
    }
    return "\\\\.\\" + port;
}

std::unique_ptr<SerialDevice> openSerialDevice(const std::string& port) {
    // No sharing: the port is this process's alone while open. OPEN_EXISTING: the port must
    // exist. Overlapped: every transfer is bounded by the caller's time-out. Messages and log
    // lines keep the caller's name; only the system sees its own.
    const std::string name = systemPortName(port);
    UniqueHandle opened(::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!opened) {
        return nullptr;
    }
    // `opened` lets go only once the device holds the handle, so a failed allocation closes it.
    auto device = std::make_unique<Win32SerialDevice>(opened.get());
    opened.release();
    return device;
}

}  // namespace OS
