// The frame reader and the judge of answers, from the camera's side: whatever the camera sends
// and whenever it sends it, a value comes back only from a frame that proves it is the answer,
// a command succeeds only on its acknowledgement and the completion in the same socket, and the
// wait never outlasts its time-out. A breach ends the run as a crash.
//
// Input: byte 0 picks the exchange (a four-nibble inquiry, pan and tilt, a command); then a
// series of bursts, each a length byte (modulo 17), a pause byte (times 25 ms, before the burst)
// and that many bytes. A burst that does not end with FF is one that the line cut short.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "driver/Packet.h"
#include "driver/ViscaControllerImpl.h"
#include "quorvin/DriverException.h"
#include "tests/support/ScriptedComm.h"

namespace {

using CameraDriver::Packet;
using CameraDriver::ViscaControllerImpl;

struct Exchange {
    std::vector<std::uint8_t> command;
    int kind;
    int dataLength;  // of an inquiry's answer, in nibbles
};

const Exchange EXCHANGES[] = {
    {{0x80, 0x09, 0x04, 0x43, 0xFF}, CameraDriver::INQUIRY, 4},
    {{0x80, 0x09, 0x06, 0x12, 0xFF}, CameraDriver::INQUIRY, 8},
    {{0x80, 0x01, 0x04, 0x3F, 0x02, 0x05, 0xFF}, CameraDriver::ACK_COMPLETION, 0},
};

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const Exchange& exchange = EXCHANGES[data[0] % 3];
    auto owned = std::make_unique<TestSupport::ScriptedComm>();
    TestSupport::ScriptedComm& camera = *owned;
    for (std::size_t i = 1; i + 1 < size;) {
        const std::size_t length = data[i] % 17;
        const auto pause = std::chrono::milliseconds(25 * data[i + 1]);
        i += 2;
        const std::size_t end = std::min(size, i + length);
        if (end > i) {
            camera.reply(TestSupport::Bytes(data + i, data + end), pause);
        }
        i = end;
    }
    ViscaControllerImpl impl;
    impl.setComm(std::move(owned));
    std::vector<std::uint8_t> command = exchange.command;
    Packet result;
    bool answered = false;
    try {
        result =
            impl.executeCommand(command.data(), static_cast<int>(command.size()), exchange.kind);
        answered = true;
    } catch (const CameraDriver::DriverException&) {
        // The one way the library may fail its caller.
    }
    const std::vector<std::uint8_t>& reply = impl.lastExchange().reply;
    if (exchange.kind == CameraDriver::INQUIRY) {
        // One wait of 6 s at most, however many frames were set aside in it.
        require(camera.elapsed() <= CameraDriver::Comm::TRANSFER_TIMEOUT);
        if (answered) {
            require(reply.size() == static_cast<std::size_t>(exchange.dataLength) + 3);
            require((reply[0] & 0xF0) == 0x90 && reply[1] == 0x50 && reply.back() == 0xFF);
            for (int i = 0; i < exchange.dataLength; ++i) {
                require(result.get(i) <= 0x0F && result.get(i) == reply[2 + i]);
            }
        }
    } else {
        // The completion gets a time-out of its own after the acknowledgement.
        require(camera.elapsed() <= 2 * CameraDriver::Comm::TRANSFER_TIMEOUT);
        if (answered) {
            require(reply.size() == 6 && (reply[0] & 0xF0) == 0x90 && (reply[1] & 0xF0) == 0x40 &&
                    reply[2] == 0xFF && (reply[3] & 0xF0) == 0x90 &&
                    reply[4] == (0x50 | (reply[1] & 0x0F)) && reply[5] == 0xFF);
        }
    }
    return 0;
}
