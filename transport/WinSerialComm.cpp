// The serial port's protocol: the order of open's steps, the state of the handle and the fixed
// texts of every failure. The system work sits behind SerialDevice, one file per platform.
#include "transport/WinSerialComm.h"

#include <algorithm>
#include <utility>

#include "diagnostics/Log.h"

namespace OS {

namespace {

constexpr std::uint32_t QUEUE_SIZE = 1200;

// What each stage of a transfer reports when it fails, per direction.
struct TransferMessages {
    const char* prepare;
    const char* start;
    const char* wait;
    const char* result;
};

constexpr TransferMessages READ_MESSAGES{
    "CreateEvent() failed in WinSerialComm::read() !",
    "ReadFile() failed in WinSerialComm::read() !",
    "WaitForSingleObject() failed in WinSerialComm::read() !",
    "GetOverlappedResult() failed in WinSerialComm::read() !",
};

constexpr TransferMessages WRITE_MESSAGES{
    "CreateEvent() failed in WinSerialComm::write() !",
    "WriteFile() failed in WinSerialComm::write() !",
    "WaitForSingleObject() failed in WinSerialComm::write() !",
    "GetOverlappedResult() failed in WinSerialComm::write() !",
};

constexpr TransferMessages DISCARD_MESSAGES{
    "ClearCommError() failed in WinSerialComm::discardInput() !",
    "ReadFile() failed in WinSerialComm::discardInput() !",
    "WaitForSingleObject() failed in WinSerialComm::discardInput() !",
    "GetOverlappedResult() failed in WinSerialComm::discardInput() !",
};

bool finish(TransferResult result, const TransferMessages& messages) {
    switch (result) {
        case TransferResult::Done:
            return true;
        case TransferResult::TimedOut:
            return false;
        case TransferResult::PrepareFailed:
            throw SystemException(messages.prepare);
        case TransferResult::StartFailed:
            throw SystemException(messages.start);
        case TransferResult::WaitFailed:
            throw SystemException(messages.wait);
        case TransferResult::ResultFailed:
            break;
    }
    throw SystemException(messages.result);
}

}  // namespace

SystemException::SystemException(std::string text) : message(std::move(text)) {}

SystemException::~SystemException() = default;

const char* SystemException::what() const noexcept { return message.c_str(); }

WinSerialComm::WinSerialComm() : WinSerialComm(std::nullopt) {}

WinSerialComm::WinSerialComm(SerialDeviceOpener deviceOpener)
    : WinSerialComm(std::nullopt, std::move(deviceOpener)) {}

WinSerialComm::WinSerialComm(std::optional<std::uint8_t> messageTerminator,
                             SerialDeviceOpener deviceOpener)
    : opener(std::move(deviceOpener)), terminator(messageTerminator) {}

// The device's own destructor releases it; no line is logged from a destructor.
WinSerialComm::~WinSerialComm() = default;

void WinSerialComm::open(const std::string& port, std::uint32_t baudRate) {
    // Opening again while a port is held would otherwise lose the held one (and, with exclusive
    // access, refuse a reopen of the same port), so the held port is released first.
    close();

    CameraDriver::logDebug(
        "open port: " + port +
        (baudRate != LineSettings{}.baudRate ? "@" + std::to_string(baudRate) : std::string()));

    device = opener(port);
    if (!device) {
        state = HandleState::Invalid;
        throw SystemException("open COM port failed ! ");
    }
    state = HandleState::Open;

    // From here on the port is held: a failing step releases it before raising. A failure of
    // that release is not reported over the step's own failure, which is the cause.
    const auto step = [this](bool done, const char* message) {
        if (done) {
            return;
        }
        try {
            close();
        } catch (const SystemException&) {
        }
        throw SystemException(message);
    };
    step(device->purge(), "PurgeComm() failed in WinSerialComm::open() !");
    step(device->setQueueSizes(QUEUE_SIZE, QUEUE_SIZE),
         "SetupComm() failed in WinSerialComm::open() !");
    step(device->readSettings(), "GetCommState() failed in WinSerialComm::open() !");
    LineSettings line;
    line.baudRate = baudRate;
    step(device->writeSettings(line), "SetCommState() failed in WinSerialComm::open() !");
    Timeouts timeouts;
    timeouts.readIntervalMs = terminator ? BROKEN_MESSAGE_GAP_MS : BURST_GAP_MS;
    step(device->setTimeouts(timeouts), "SetCommTimeouts() failed in WinSerialComm::open() !");
    step(device->clearErrors(), "ClearCommError() failed in WinSerialComm::open() !");
}

void WinSerialComm::close() {
    if (state != HandleState::Open) {
        // Covers the invalid handle left by a refused open as well: nothing is held.
        return;
    }
    CameraDriver::logDebug("close COM port");
    const std::unique_ptr<SerialDevice> released = std::move(device);
    state = HandleState::None;
    if (!released->close()) {
        throw SystemException("CloseHandle() failed ! ");
    }
}

bool WinSerialComm::read(unsigned char* buffer, std::uint32_t* count, std::uint32_t timeoutMs) {
    if (state != HandleState::Open) {
        // The system refuses a transfer on a handle that names no port.
        throw SystemException(READ_MESSAGES.start);
    }
    return finish(device->read(buffer, count, timeoutMs, terminator), READ_MESSAGES);
}

bool WinSerialComm::write(const unsigned char* data, std::uint32_t* count,
                          std::uint32_t timeoutMs) {
    if (state != HandleState::Open) {
        throw SystemException(WRITE_MESSAGES.start);
    }
    return finish(device->write(data, count, timeoutMs), WRITE_MESSAGES);
}

std::vector<unsigned char> WinSerialComm::discardInput() {
    if (state != HandleState::Open) {
        // Nothing can be pending; the transfer that follows reports the missing port.
        return {};
    }
    unsigned char buffer[DISCARD_LIMIT];
    std::uint32_t count = DISCARD_LIMIT;
    finish(device->readPending(buffer, &count), DISCARD_MESSAGES);
    return std::vector<unsigned char>(buffer, buffer + std::min(count, DISCARD_LIMIT));
}

}  // namespace OS
