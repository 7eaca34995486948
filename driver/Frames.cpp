#include "driver/Frames.h"

#include <algorithm>
#include <cstring>

#include "driver/ViscaCodes.h"

namespace CameraDriver {

namespace {

constexpr std::uint8_t END = Visca::TERMINATOR;

// The classes of a reply, in the high nibble of its second byte; the low nibble is the socket.
constexpr int ACKNOWLEDGEMENT = 0x40;
constexpr int COMPLETION = 0x50;
constexpr int ERROR = 0x60;
// Unasked messages: the chain changed (x0 38 FF, or the broadcast 88 38 FF), and a key of the
// infrared remote control that the camera passes on (y0 07 7D ... FF).
constexpr std::uint8_t NETWORK_CHANGE = 0x38;
constexpr std::uint8_t INFRARED_REPORT = 0x07;

// A reply's header is (address + 8) << 4: 0x90 for camera 1 up to 0xF0 for camera 7.
bool fromSomeCamera(const Frame& f) { return f.bytes[0] >= 0x90; }

bool isNetworkChange(const Frame& f) {
    return f.length == 3 && f.bytes[1] == NETWORK_CHANGE &&
           (f.bytes[0] == Visca::BROADCAST || fromSomeCamera(f));
}

}  // namespace

std::optional<Frame> FrameReader::next(Comm::Clock::time_point deadline) {
    for (;;) {
        if (std::optional<Frame> frame = nextBuffered(); frame) {
            return frame;
        }
        std::uint32_t offered = static_cast<std::uint32_t>(PACKET_SIZE - count);
        std::uint32_t got = offered;
        if (!comm.tryReceive(pending + count, &got, deadline)) {
            // Nothing more came in time: what there is of a frame ends here.
            if (count == 0) {
                return std::nullopt;
            }
            cut = true;
            continue;
        }
        got = std::min(got, offered);
        if (got == 0) {
            // A read that says it received and brought nothing is no byte of a frame: nothing
            // more is coming, as when the deadline passes.
            if (count == 0) {
                return std::nullopt;
            }
            cut = true;
            continue;
        }
        count += static_cast<int>(got);
        cut = got < offered && pending[count - 1] != END;
    }
}

std::optional<Frame> FrameReader::nextBuffered() {
    const std::uint8_t* end = std::find(pending, pending + count, END);
    if (end != pending + count) {
        return take(static_cast<int>(end - pending) + 1, true);
    }
    // Sixteen bytes without a terminator are no message; nor are bytes the link cut off.
    if (count == PACKET_SIZE || (count > 0 && cut)) {
        cut = false;
        return take(count, false);
    }
    return std::nullopt;
}

Frame FrameReader::take(int length, bool whole) {
    Frame frame;
    std::memcpy(frame.bytes, pending, static_cast<std::size_t>(length));
    frame.length = length;
    frame.whole = whole;
    count -= length;
    std::memmove(pending, pending + length, static_cast<std::size_t>(count));
    return frame;
}

ExpectedReply::ExpectedReply(int commandKind, const std::uint8_t* command, int length)
    : kind(commandKind),
      header(command[0]),
      message(length > 1 ? command[1] : 0),
      cameraHeader(((command[0] & 0x0F) + 8) * 16) {}

FrameVerdict ExpectedReply::judge(const Frame& frame) {
    // A frame that did not end is nothing to set aside: in the answer's place, it fails.
    if (!frame.whole) {
        return {FrameRole::Answer, nullptr};
    }
    if ((header & 0x0F) == 8) {
        return judgeBroadcastReply(frame);
    }
    // A camera number no reply header can carry: whatever comes is judged, and refused.
    if (cameraHeader > 0xF0) {
        return {FrameRole::Answer, nullptr};
    }
    return judgeCameraReply(frame);
}

FrameVerdict ExpectedReply::judgeCameraReply(const Frame& frame) {
    const std::uint8_t* f = frame.bytes;
    if (f[0] == Visca::BROADCAST) {
        return {FrameRole::SetAside, isNetworkChange(frame) ? "network change" : "broadcast reply"};
    }
    if (!fromSomeCamera(frame)) {
        // Not a reply at all (a command that came back round a chain with no camera at its
        // address, say): in the answer's place, it fails.
        return {FrameRole::Answer, nullptr};
    }
    if ((f[0] & 0xF0) != cameraHeader) {
        return {FrameRole::SetAside, "another camera's reply"};
    }
    if (isNetworkChange(frame)) {
        return {FrameRole::SetAside, "network change"};
    }
    if (f[1] == INFRARED_REPORT) {
        return {FrameRole::SetAside, "infrared remote report"};
    }
    const int replyClass = f[1] & 0xF0;
    const int replySocket = f[1] & 0x0F;
    if (kind == INQUIRY) {
        switch (replyClass) {
            case ACKNOWLEDGEMENT:
                return {FrameRole::SetAside, "acknowledgement of an earlier command"};
            case COMPLETION:
                // y0 5z FF with a socket is a command's completion; y0 50 FF is an empty answer.
                if (frame.length == 3 && replySocket != 0) {
                    return {FrameRole::SetAside, "completion of an earlier command"};
                }
                return {FrameRole::Answer, nullptr};
            default:
                return {FrameRole::Answer, nullptr};
        }
    }
    if (!socket) {
        switch (replyClass) {
            case ACKNOWLEDGEMENT:
                if (frame.length == 3) {
                    socket = replySocket;
                    return {FrameRole::Acknowledgement, nullptr};
                }
                return {FrameRole::Answer, nullptr};
            case COMPLETION:
                return {FrameRole::SetAside, frame.length == 3 ? "completion of an earlier command"
                                                               : "answer to an earlier inquiry"};
            default:
                return {FrameRole::Answer, nullptr};
        }
    }
    switch (replyClass) {
        case ACKNOWLEDGEMENT:
            return {FrameRole::SetAside, "acknowledgement of another command"};
        case COMPLETION:
            if (frame.length != 3) {
                return {FrameRole::SetAside, "answer to an earlier inquiry"};
            }
            if (replySocket != *socket) {
                return {FrameRole::SetAside, "completion in another socket"};
            }
            return {FrameRole::Answer, nullptr};
        case ERROR:
            if (replySocket != *socket) {
                return {FrameRole::SetAside, "error in another socket"};
            }
            return {FrameRole::Answer, nullptr};
        default:
            return {FrameRole::Answer, nullptr};
    }
}

FrameVerdict ExpectedReply::judgeBroadcastReply(const Frame& frame) const {
    const std::uint8_t* f = frame.bytes;
    // The reply to a broadcast starts as the broadcast does: 88 30 for the numbering, the
    // command's own bytes for any other (passed back round the chain).
    const std::uint8_t expected = kind == ADDRESS_SET ? Visca::MESSAGE_ADDRESS_SET : message;
    if (f[0] == Visca::BROADCAST && frame.length > 1 && f[1] == expected) {
        return {FrameRole::Answer, nullptr};
    }
    if (isNetworkChange(frame)) {
        return {FrameRole::SetAside, "network change"};
    }
    if (f[0] == Visca::BROADCAST &&
        (f[1] == Visca::MESSAGE_ADDRESS_SET || f[1] == Visca::MESSAGE_COMMAND)) {
        return {FrameRole::SetAside, "reply to an earlier broadcast"};
    }
    // A camera's error where the broadcast should have come back: the broadcast failed.
    if (fromSomeCamera(frame) && (f[1] & 0xF0) != ERROR) {
        return {FrameRole::SetAside, "a camera's own message"};
    }
    return {FrameRole::Answer, nullptr};
}

std::optional<AnswerShape> answerShapeOf(std::uint8_t category, std::uint8_t item) {
    using namespace Visca;
    struct Row {
        Register inquiry;
        AnswerShape shape;
    };
    // Positions and settings travel as four nibbles (pan and tilt as four each), switches and
    // modes as one. The device type is vendor, model and ROM (two bytes each) and the number
    // of sockets; cameras that add a byte or two of their own are taken as well.
    static constexpr AnswerShape ONE_NIBBLE{1, 1, true};
    static constexpr AnswerShape FOUR_NIBBLES{4, 4, true};
    static constexpr Row ROWS[] = {
        {DEVICE_TYPE, {7, 9, false}},
        {PAN_TILT_POSITION, {8, 8, true}},
        {ZOOM_POSITION, FOUR_NIBBLES},
        {FOCUS_POSITION, FOUR_NIBBLES},
        {FOCUS_NEAR_LIMIT, FOUR_NIBBLES},
        {R_GAIN, FOUR_NIBBLES},
        {B_GAIN, FOUR_NIBBLES},
        {SHUTTER, FOUR_NIBBLES},
        {IRIS, FOUR_NIBBLES},
        {GAIN, FOUR_NIBBLES},
        {BRIGHT, FOUR_NIBBLES},
        {EXP_COMP, FOUR_NIBBLES},
        {APERTURE, FOUR_NIBBLES},
        {AUTO_POWER_OFF_DELAY, FOUR_NIBBLES},
        {POWER, ONE_NIBBLE},
        {DIGITAL_ZOOM, ONE_NIBBLE},
        {FOCUS_MODE, ONE_NIBBLE},
        {WB_MODE, ONE_NIBBLE},
        {AE_MODE, ONE_NIBBLE},
        {SLOW_SHUTTER, ONE_NIBBLE},
        {EXP_COMP_STATE, ONE_NIBBLE},
        {BACK_LIGHT, ONE_NIBBLE},
    };
    for (const Row& row : ROWS) {
        if (row.inquiry.category == category && row.inquiry.item == item) {
            return row.shape;
        }
    }
    return std::nullopt;
}

}  // namespace CameraDriver
