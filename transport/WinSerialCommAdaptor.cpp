#include "transport/WinSerialCommAdaptor.h"

#include <utility>
#include <vector>

#include "diagnostics/Log.h"
#include "quorvin/DriverException.h"

namespace CameraDriver {

WinSerialCommAdaptor::WinSerialCommAdaptor(OS::SerialDeviceOpener deviceOpener)
    : OS::WinSerialComm(std::move(deviceOpener)) {}

WinSerialCommAdaptor::WinSerialCommAdaptor(std::optional<std::uint8_t> messageTerminator,
                                           OS::SerialDeviceOpener deviceOpener)
    : OS::WinSerialComm(messageTerminator, std::move(deviceOpener)) {}

WinSerialCommAdaptor::~WinSerialCommAdaptor() = default;

void WinSerialCommAdaptor::connect(const std::string& port) {
    try {
        open(port);
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
        // A failure here is a failure of the send: nothing is written then.
        const std::vector<unsigned char> stale = discardInput();
        if (!stale.empty()) {
            logPacket("Discarded stale input: ", stale.data(), static_cast<int>(stale.size()));
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

void WinSerialCommAdaptor::recv(unsigned char* buffer, std::uint32_t* count) {
    bool received = false;
    try {
        received = read(buffer, count, TRANSFER_TIMEOUT_MS);
    } catch (const OS::SystemException& failure) {
        logException(failure.what());
        throw DriverException(
            "Serial communication error occured in WinSerialCommAdaptor::recv() !");
    }
    if (!received) {
        throw DriverException(
            "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !");
    }
}

}  // namespace CameraDriver
