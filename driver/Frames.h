#pragma once

// The camera's bytes as frames, and which of them answer the exchange in progress. A frame
// ends at 0xFF; a camera sends frames that nobody asked for (completions of earlier commands,
// network-change notices, infrared remote reports, the replies of the chain's other cameras),
// and only a frame that proves itself the answer to this command ends its exchange.

#include <cstdint>
#include <optional>

#include "driver/Packet.h"
#include "transport/Comm.h"

namespace CameraDriver {

// One frame as read from the link: the bytes up to and including a 0xFF, or bytes that the
// link ended without one (cut short by a quiet line or the deadline, or longer than any
// message). Such a broken frame keeps at most PACKET_SIZE bytes.
struct Frame {
    std::uint8_t bytes[PACKET_SIZE] = {};
    int length = 0;
    bool whole = false;
};

// Cuts the bytes of one link into frames, reading as it needs them.
class FrameReader {
  public:
    explicit FrameReader(Comm& link) : comm(link) {}

    // The next frame; nothing when `deadline` passes before its first byte arrives.
    std::optional<Frame> next(Comm::Clock::time_point deadline);
    // The next frame among the bytes already read, without reading more; nothing when they
    // hold none (what is left of a frame begun comes out as a broken frame).
    std::optional<Frame> nextBuffered();

  private:
    Frame take(int length, bool whole);

    Comm& comm;
    std::uint8_t pending[PACKET_SIZE] = {};
    int count = 0;
    // The last read ended short of what it was offered without a terminator: the link ended
    // the frame (a quiet line, or the deadline).
    bool cut = false;
};

// What a frame is to the exchange in progress.
enum class FrameRole {
    Acknowledgement,  // this command's acknowledgement: its completion is still to come
    Answer,           // the frame that ends the exchange, to be checked (it may be refused)
    SetAside,         // not this exchange's: logged, and the wait goes on
};

struct FrameVerdict {
    FrameRole role;
    const char* why;  // for a frame set aside: what it is
};

// The reply that one command expects, and the judge of each frame that arrives for it.
class ExpectedReply {
  public:
    // `command` is the frame as sent (camera number in its header), `length` its bytes.
    ExpectedReply(int kind, const std::uint8_t* command, int length);

    FrameVerdict judge(const Frame& frame);
    // The socket that the camera acknowledged this command in; nothing before the
    // acknowledgement.
    std::optional<int> acknowledgedSocket() const { return socket; }

  private:
    FrameVerdict judgeCameraReply(const Frame& frame);
    FrameVerdict judgeBroadcastReply(const Frame& frame) const;

    int kind;
    std::uint8_t header;
    std::uint8_t message;  // the command's second byte
    int cameraHeader;      // the header of this camera's replies; above 0xFF for none
    std::optional<int> socket;
};

// The shape of an inquiry's answer y0 50 <data> FF: how many data bytes this inquiry returns,
// and whether each carries one nibble (0x00 to 0x0F).
struct AnswerShape {
    int minData;
    int maxData;
    bool nibbles;
};

// The answer's shape for the inquiry 8x 09 <category> <item> FF of the library's operations;
// nothing for any other inquiry (which may return any data).
std::optional<AnswerShape> answerShapeOf(std::uint8_t category, std::uint8_t item);

}  // namespace CameraDriver
