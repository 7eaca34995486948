// The virtual camera's receive path: bytes from the line, in any pieces and at any pace, into a
// chain of cameras that decodes frames, changes state and schedules timed replies. Nothing may
// crash or throw, whatever arrives.
//
// Input: byte 0 picks the number of cameras (1 to 7) and, by its top five bits, what the cameras
// say unasked; byte 1 the fault (modulo their number) and the seed of the random choices; the
// rest is a series of pieces, each a byte whose low five bits give the piece's length and whose
// top three bits the pause before it (in steps of 50 ms), followed by the piece's bytes.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "sim/CameraChain.h"

namespace {

constexpr Camsim::Fault FAULTS[] = {
    Camsim::Fault::None,
    Camsim::Fault::Silent,
    Camsim::Fault::BufferFull,
    Camsim::Fault::NotExecutable,
    Camsim::Fault::AckOnly,
    Camsim::Fault::Garbage,
    Camsim::Fault::Split,
    Camsim::Fault::Hangup,
    Camsim::Fault::LateCompletion,
    Camsim::Fault::NoAutoPowerOff,
    Camsim::Fault::HeldCompletion,
    Camsim::Fault::ErrorAfterAck,
    Camsim::Fault::EmptyAnswer,
    Camsim::Fault::ShortAnswer,
    Camsim::Fault::UnterminatedAnswer,
    Camsim::Fault::BadNibbleAnswer,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    Camsim::CameraChain chain(data[0] % 7 + 1);
    chain.setFault(FAULTS[data[1] % std::size(FAULTS)]);
    Camsim::Timing timing;
    timing.lateCompletion = std::chrono::milliseconds(300);
    chain.setTiming(timing);
    Camsim::Chatter chatter;
    chatter.networkChangeBeforeReply = (data[0] & 0x08) ? 50 : 0;
    chatter.infraredBeforeReply = (data[0] & 0x10) ? 50 : 0;
    chatter.strayBytes = (data[0] & 0x20) ? 64 : 0;
    chatter.strayStale = (data[0] & 0x40) != 0;
    chatter.networkChangeEvery = std::chrono::milliseconds((data[0] & 0x80) ? 100 : 0);
    chatter.seed = data[1];
    chain.setChatter(chatter);

    Camsim::TimePoint now{};
    for (std::size_t i = 2; i < size;) {
        const std::uint8_t header = data[i++];
        now += std::chrono::milliseconds(50 * (header >> 5));
        const std::size_t end = std::min(size, i + (header & 0x1F));
        chain.receive(data + i, end - i, now);
        i = end;
        chain.takeDue(now);
        chain.takeHangupRequest();
    }
    // Let every scheduled move and reply run out, and read each camera as the tests do.
    now += std::chrono::seconds(10);
    chain.takeDue(now);
    for (int position = 1; position <= chain.size(); ++position) {
        chain.state(position, now);
    }
    return 0;
}
