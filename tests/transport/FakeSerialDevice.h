#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "transport/SerialDevice.h"

namespace TransportTest {

// What a fake device does and what was done to it. One script outlives the devices it opens,
// so a test can look at it after the port has let go of them.
struct FakeScript {
    // The open step (2 to 8) the system refuses; 0 for none.
    int refusedStep = 0;
    bool closeFails = false;
    bool openThrowsBadAlloc = false;
    OS::TransferResult readResult = OS::TransferResult::Done;
    OS::TransferResult writeResult = OS::TransferResult::Done;
    // Bytes a successful read delivers (clipped to the request).
    std::vector<unsigned char> incoming;
    // Input waiting unread: readPending takes it from the front (as much as it is offered).
    std::vector<unsigned char> pending;
    OS::TransferResult pendingResult = OS::TransferResult::Done;
    // A line that never falls quiet: every readPending finds this byte waiting as well.
    std::optional<unsigned char> endlessPending;

    std::vector<std::string> calls;
    std::vector<std::string> openedNames;
    int liveDevices = 0;
    std::uint32_t inputQueue = 0;
    std::uint32_t outputQueue = 0;
    OS::LineSettings settings{0, 0, OS::LineSettings::Parity::Odd, 0};
    OS::Timeouts timeouts{99, 99, 99, 99, 99};
    std::uint32_t lastTimeoutMs = 0;
    // The message terminator the last read was given (0x00 stands for none, before any read).
    std::optional<std::uint8_t> lastTerminator = 0x00;
    std::vector<unsigned char> written;
};

class FakeSerialDevice final : public OS::SerialDevice {
  public:
    explicit FakeSerialDevice(FakeScript& owner) : script(owner) { ++script.liveDevices; }
    ~FakeSerialDevice() override { --script.liveDevices; }

    bool purge() override { return step(3, "purge"); }
    bool setQueueSizes(std::uint32_t input, std::uint32_t output) override {
        script.inputQueue = input;
        script.outputQueue = output;
        return step(4, "setQueueSizes");
    }
    bool readSettings() override { return step(5, "readSettings"); }
    bool writeSettings(const OS::LineSettings& line) override {
        script.settings = line;
        return step(6, "writeSettings");
    }
    bool setTimeouts(const OS::Timeouts& values) override {
        script.timeouts = values;
        return step(7, "setTimeouts");
    }
    bool clearErrors() override { return step(8, "clearErrors"); }
    bool close() override {
        script.calls.push_back("close");
        return !script.closeFails;
    }

    OS::TransferResult read(unsigned char* buffer, std::uint32_t* count, std::uint32_t timeoutMs,
                            std::optional<std::uint8_t> messageTerminator) override {
        script.calls.push_back("read");
        script.lastTimeoutMs = timeoutMs;
        script.lastTerminator = messageTerminator;
        std::uint32_t n = 0;
        if (script.readResult == OS::TransferResult::Done) {
            for (; n < *count && n < script.incoming.size(); ++n) {
                buffer[n] = script.incoming[n];
            }
        }
        *count = n;
        return script.readResult;
    }

    OS::TransferResult write(const unsigned char* data, std::uint32_t* count,
                             std::uint32_t timeoutMs) override {
        script.calls.push_back("write");
        script.lastTimeoutMs = timeoutMs;
        if (script.writeResult != OS::TransferResult::Done) {
            *count = 0;
            return script.writeResult;
        }
        script.written.assign(data, data + *count);
        return OS::TransferResult::Done;
    }

    OS::TransferResult readPending(unsigned char* buffer, std::uint32_t* count) override {
        script.calls.push_back("readPending");
        std::uint32_t n = 0;
        if (script.pendingResult == OS::TransferResult::Done) {
            for (; n < *count && n < script.pending.size(); ++n) {
                buffer[n] = script.pending[n];
            }
            script.pending.erase(script.pending.begin(), script.pending.begin() + n);
            if (script.endlessPending && n < *count) {
                buffer[n++] = *script.endlessPending;
            }
        }
        *count = n;
        return script.pendingResult;
    }

  private:
    bool step(int number, const char* name) {
        script.calls.push_back(name);
        return script.refusedStep != number;
    }

    FakeScript& script;
};

// An opener that hands out fake devices driven by `script`.
inline OS::SerialDeviceOpener fakeOpener(FakeScript& script) {
    return [&script](const std::string& port) -> std::unique_ptr<OS::SerialDevice> {
        script.openedNames.push_back(port);
        if (script.openThrowsBadAlloc) {
            throw std::bad_alloc();
        }
        if (script.refusedStep == 2) {
            return nullptr;
        }
        return std::make_unique<FakeSerialDevice>(script);
    };
}

}  // namespace TransportTest
