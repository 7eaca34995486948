// The reply path from the camera's side: executeCommand and the operations that decode what it
// returns, over a transport whose replies are the fuzzer's bytes. Whatever arrives, only
// DriverException may leave the library; anything else escaping ends the run as a crash.
//
// Input: byte 0 picks the operation (modulo their number), byte 1 is the current camera number
// (as a signed byte, so that -1 and 8 to 15 come up too); the rest is a series of bursts, each
// a length byte (modulo 17: 0 stands for a read that times out) followed by that many bytes.
// Reads beyond the last burst fail as a silent camera does.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "driver/Packet.h"
#include "driver/ViscaControllerImpl.h"
#include "quorvin/DriverException.h"
#include "tests/support/ScriptedComm.h"

namespace {

using CameraDriver::ViscaControllerImpl;
using Operation = std::function<void(ViscaControllerImpl&)>;

// A command of each kind as the operations build it, through executeCommand itself.
Operation raw(std::vector<std::uint8_t> command, int kind) {
    return [command, kind](ViscaControllerImpl& impl) {
        std::vector<std::uint8_t> bytes = command;
        impl.executeCommand(bytes.data(), static_cast<int>(bytes.size()), kind);
    };
}

const std::vector<Operation>& operations() {
    static const std::vector<Operation> all = {
        raw({0x80, 0x01, 0x04, 0x07, 0x02, 0xFF}, CameraDriver::ACK_COMPLETION),
        raw({0x80, 0x09, 0x04, 0x00, 0xFF}, CameraDriver::INQUIRY),
        raw({0x88, 0x30, 0x01, 0xFF}, CameraDriver::ADDRESS_SET),
        raw({0x88, 0x01, 0x00, 0x01, 0xFF}, CameraDriver::IF_CLEAR_BROADCAST),
        [](ViscaControllerImpl& c) { c.connect("fuzz"); },
        [](ViscaControllerImpl& c) { c.getCamerasTotal(); },
        [](ViscaControllerImpl& c) {
            unsigned char type[16];
            c.getDeviceType(type, sizeof type);
        },
        [](ViscaControllerImpl& c) {
            double pan = 0;
            double tilt = 0;
            c.getPanTilt(pan, tilt);
        },
        [](ViscaControllerImpl& c) { c.setPanTilt(0.5, -0.5, 0, 0); },
        [](ViscaControllerImpl& c) { c.moveHome(); },
        [](ViscaControllerImpl& c) { c.getZoom(); },
        [](ViscaControllerImpl& c) { c.setZoom(0.5); },
        [](ViscaControllerImpl& c) { c.getDZoomState(); },
        [](ViscaControllerImpl& c) { c.getFocusMode(); },
        [](ViscaControllerImpl& c) { c.getFocus(); },
        [](ViscaControllerImpl& c) { c.getFocusNearLimit(); },
        [](ViscaControllerImpl& c) { c.getWBMode(); },
        [](ViscaControllerImpl& c) { c.getAEMode(); },
        [](ViscaControllerImpl& c) { c.getGain(); },
        [](ViscaControllerImpl& c) { c.getBackLightState(); },
        [](ViscaControllerImpl& c) { c.getPowerState(); },
        [](ViscaControllerImpl& c) { c.getAutoPowerOffDelay(); },
        [](ViscaControllerImpl& c) { c.memoryRecall(3); },
    };
    return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    auto comm = std::make_unique<TestSupport::ScriptedComm>();
    for (std::size_t i = 2; i < size;) {
        const std::size_t length = data[i++] % 17;
        if (length == 0) {
            comm->failRecv(
                "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !");
            continue;
        }
        const std::size_t end = std::min(size, i + length);
        comm->reply(TestSupport::Bytes(data + i, data + end));
        i = end;
    }
    ViscaControllerImpl impl;
    impl.setComm(std::move(comm));
    impl.setCurCamera(static_cast<std::int8_t>(data[1]));
    const std::vector<Operation>& all = operations();
    try {
        all[data[0] % all.size()](impl);
    } catch (const CameraDriver::DriverException&) {
        // The one way the library may fail its caller.
    }
    return 0;
}
