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
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

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
        return ::SetCommTimeouts(handle.get(), &wanted) != FALSE;
    }

    bool clearErrors() override {
        DWORD errors = 0;
        COMSTAT status{};
        return ::ClearCommError(handle.get(), &errors, &status) != FALSE;
    }

    bool close() override { return handle.reset(); }

    TransferResult read(unsigned char* buffer, std::uint32_t* count,
                        std::uint32_t timeoutMs) override {
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

    static constexpr std::uint32_t PENDING_READ_MS = 100;

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
};

}  // namespace

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
