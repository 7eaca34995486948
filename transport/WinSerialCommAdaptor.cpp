#include "transport/WinSerialCommAdaptor.h"

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

#include "diagnostics/Log.h"
#include "quorvin/DriverException.h"
#include "transport/StaleInput.h"

namespace CameraDriver {

WinSerialCommAdaptor::WinSerialCommAdaptor(OS::SerialDeviceOpener deviceOpener)
    : OS::WinSerialComm(std::move(deviceOpener)) {}

WinSerialCommAdaptor::WinSerialCommAdaptor(std::optional<std::uint8_t> messageTerminator,
                                           OS::SerialDeviceOpener deviceOpener)
    : OS::WinSerialComm(messageTerminator, std::move(deviceOpener)) {}

WinSerialCommAdaptor::~WinSerialCommAdaptor() = default;

void WinSerialCommAdaptor::connect(const std::string& port) {
    const OS::PortName name = OS::parsePortName(port);
    const std::vector<std::uint32_t>& speeds = OS::lineSpeeds();
    if (std::find(speeds.begin(), speeds.end(), name.baudRate) == speeds.end()) {
        // Refused before the port is touched, with the speeds that would do.
        std::string message = "Line speed " + port.substr(name.port.size() + 1) +
                              " cannot be set on this system; use one of";
        for (std::uint32_t speed : speeds) {
            message += " " + std::to_string(speed);
        }
        message += " !";
        logException(message);
        throw DriverException(message);
    }
    try {
        open(name.port, name.baudRate);
    } catch (const OS::SystemException& failure) {
        logException(failure.what());
        // open has already released whatever it had opened, so this close finds nothing held;
        // whatever it might raise is dropped, so that the caller sees the connect failure.
        try {
            close();
        } catch (...) {
        }
        throw DriverException("WinSerialCommAdaptor::connect() failed !");
    }
}

void WinSerialCommAdaptor::disconnect() {
    try {
        close();
    } catch (const OS::SystemException& failure) {
        logException(failure.what());
        throw DriverException("WinSerialCommAdaptor::disconnect() failed !");
    }
}

void WinSerialCommAdaptor::send(const unsigned char* data, std::uint32_t* count) {
    bool written = false;
    try {
        // Bytes still pending belong to an exchange that has ended (a completion that came after
        // its time-out, say); left in place, they would be read as the reply to this command.
        // All of it goes, however much, but a line that never falls quiet cannot be emptied:
        // then nothing is written. A failure here is a failure of the send.
        const bool quiet = discardStale(
            [this](StaleInput& stale, std::chrono::milliseconds wait) -> std::size_t {
                std::vector<unsigned char> chunk = discardInput();
                if (chunk.empty() && wait.count() > 0) {
                    chunk.resize(DISCARD_LIMIT);
                    std::uint32_t got = DISCARD_LIMIT;
                    chunk.resize(read(chunk.data(), &got, static_cast<std::uint32_t>(wait.count()))
                                     ? got
                                     : 0);
                }
                stale.add(chunk.data(), chunk.size());
                return chunk.size();
            },
            std::chrono::steady_clock::now() + DISCARD_TIME_LIMIT, MORE_STALE_INPUT,
            messageTerminator());
        if (!quiet) {
            throw DriverException(
                "Stale input keeps arriving, nothing was sent in WinSerialCommAdaptor::send() !");
        }
        written = write(data, count, TRANSFER_TIMEOUT_MS);
    } catch (const OS::SystemException& failure) {
        logException(failure.what());
        throw DriverException(
            "Serial communication error occured in WinSerialCommAdaptor::send() !");
    }
    if (!written) {
        throw DriverException("Write data to serial COM timeout in WinSerialCommAdaptor::send() !");
    }
}

bool WinSerialCommAdaptor::tryReceive(unsigned char* buffer, std::uint32_t* count,
                                      Clock::time_point deadline) {
    // Rounded up, so that a wait never ends just short of the deadline; a deadline that has
    // passed still takes what has arrived.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        std::max(deadline - Clock::now(), Clock::duration::zero()));
    try {
        return read(buffer, count, static_cast<std::uint32_t>(left.count()));
    } catch (const OS::SystemException& failure) {
        logException(failure.what());
        throw DriverException(
            "Serial communication error occured in WinSerialCommAdaptor::recv() !");
    }
}

void WinSerialCommAdaptor::failNoReply() const {
    throw DriverException("Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !");
}

}  // namespace CameraDriver
