// A daisy chain of one to seven virtual cameras as the controller sees it from its end of the
// line: bytes go in, timed reply frames come out.
//
// Routing of a frame (bytes up to and including FF):
//  - 88 30 0p FF (Address_Set, p = 1..7): the cameras take the addresses p, p+1, ... in chain
//    order and the chain answers 88 30 (p+N) FF. A camera pushed beyond 7 has address 0 and
//    answers nothing until it is renumbered. Before the first Address_Set the cameras are
//    numbered 1..N, as if a controller had already set them up.
//  - 88 01 00 01 FF (IF_Clear): every camera drops its pending completions and stops its timed
//    moves; the frame comes back unchanged.
//  - any other frame with header 88: cameras carry out a command (88 01 ...) without replying;
//    the frame comes back unchanged.
//  - header 8x, x = an address on the chain: that camera answers with header (x+8)<<4.
//  - any other header with its top bit set (an absent camera, the controller's own address 80,
//    a reply header): nobody takes it, so it comes back unchanged.
//  - a first byte without its top bit, or more than 16 bytes without FF: not a frame; the first
//    camera answers the syntax error y0 60 02 FF (90 60 02 FF while it has address 1; bytes
//    after an overlong frame are dropped up to the next FF). A lone FF is ignored.
//
// Replies: an accepted command is acknowledged at once (y0 41 FF) and completed (y0 51 FF)
// when its action ends; an inquiry is answered y0 50 data FF at once.
//
// The first camera can also be reached over a network (receiveDirect): there it stands alone,
// as a camera with its own network port does. A request carries a destination other than
// LINE, and its replies go to that destination only, never onto the line. Over the network the
// camera keeps address 1 whatever the line's Address_Set gave it: 88 30 0p FF is answered
// 88 30 0(p+1) FF, IF_Clear (88 01 00 01 FF or 81 01 00 01 FF) clears it, frames with header
// 81 go to it and any other frame comes back unchanged. The camera faults below apply there
// too; the line faults (Silent, Garbage, Split, Hangup) stay on the line.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/VirtualCamera.h"

namespace Camsim {

enum class Fault {
    None,
    Silent,              // frames are swallowed: no reply, nothing is carried out
    BufferFull,          // every frame for a camera is answered y0 60 03 FF and not carried out
    NotExecutable,       // every frame for a camera is answered y0 61 41 FF and not carried out
    AckOnly,             // commands are carried out and acknowledged, but never completed
    Garbage,             // every frame is answered by random bytes and not carried out
    Split,               // replies are split by a pause of Timing::splitPause (see below)
    Hangup,              // the next frame closes the line, as an unplugged adaptor does
    LateCompletion,      // moves complete Timing::lateCompletion after their ACK (see below)
    NoAutoPowerOff,      // the auto-power-off inquiry is answered y0 60 02 FF, as by a camera
                         // without it; everything else is answered as usual
    HeldCompletion,      // a command's completion waits for the next frame (see below)
    ErrorAfterAck,       // commands are acknowledged, then answered y0 61 41 FF and not carried out
    EmptyAnswer,         // inquiries are answered y0 50 FF, without their data
    ShortAnswer,         // answers of more than one data byte come as y0 50 02 FF
    UnterminatedAnswer,  // inquiries are answered by 16 bytes, y0 50 and data, without FF
    BadNibbleAnswer,     // in answers of four or more nibbles the first byte is 0x10 too big
};
// Faults that change the answers of cameras (all but Silent, Garbage, Split and Hangup) leave
// the broadcasts alone, so a controller can still connect and then meets the fault on its first
// operation. Silent, Garbage and Hangup act on the whole line.
//
// Garbage: 2 to 10 bytes ending in FF whose first byte lacks the top bit, so it can never pass
// for a reply. Split: a command's completion comes at least splitPause after its ACK; every
// other reply is sent in two halves with splitPause between them.
// LateCompletion: a move (absolute pan-tilt, home, preset recall, direct zoom or focus) is
// acknowledged at once and completed lateCompletion after its ACK, or when it arrives if that
// is later, as a long move of a real camera is; frames that follow are answered at once and
// other commands complete as usual. With the default delay the completion comes after a
// controller's 6 s transfer limit has run out.
// HeldCompletion: a command is acknowledged at once, but its completion, once due, waits for the
// next frame that arrives (on the line for the line's commands, over the network for the
// network's) and goes out just before that frame is handled, so that it arrives ahead of that
// frame's own reply. A move that has not ended when the next frame comes, or that this frame
// ends, waits for a later one; IF_Clear drops the completions of moves that are still going.
// ErrorAfterAck: the error says the command could not be carried out in the acknowledgement's
// socket 1. The answer faults (EmptyAnswer, ShortAnswer, UnterminatedAnswer, BadNibbleAnswer)
// leave one-byte answers alone where the fault needs more (short, bad nibble), and the
// device-type answer, which is not in nibbles, alone under BadNibbleAnswer.

// Names used by the program's --fault option: none, silent, buffer-full, not-executable,
// ack-only, garbage, split, hangup, late-completion, no-auto-power-off, held-completion,
// error-after-ack, empty-answer, short-answer, unterminated-answer, bad-nibble-answer.
const char* faultName(Fault fault);
std::optional<Fault> faultFromName(std::string_view name);

struct Timing {
    bool instant = false;  // timed moves arrive at once (drives still move over time)
    // Reply bytes leave one by one at the line's speed (used by the server). The name is from
    // when the line had no speed but 9600 baud.
    bool pace9600 = false;
    std::chrono::milliseconds completionDelay{0};    // completion no sooner than this after ACK
    std::chrono::milliseconds splitPause{40};        // pause used by Fault::Split
    std::chrono::milliseconds lateCompletion{6300};  // delay used by Fault::LateCompletion
    // Between the bytes of what the camera sends on the line and over TCP (with pace9600, at
    // least the byte's time at the line's speed); 0 for none.
    std::chrono::milliseconds bytePause{0};
};

// What the cameras say unasked, each off by default. Random choices are drawn from `seed`, so
// that a run with the same seed and the same requests says the same things.
//  - The network-change message X0 38 FF (X = 8 + the first camera's address; over the network
//    9; 88 38 FF in its broadcast form) to each new network client (a TCP connection, a UDP
//    sequence reset), before a reply with the chance networkChangeBeforeReply (in percent),
//    after the last reply of an exchange (between it and the next) with the chance
//    networkChangeAfterExchange, and on its own every networkChangeEvery.
//  - An infrared remote's key press, y0 07 7D 01 cc ii FF (y: the replying camera), before a
//    reply with the chance infraredBeforeReply; the keys come in turn: zoom (04 07), power
//    (04 00), pan-tilt (06 01), focus mode (04 38), backlight (04 33), memory (04 3F).
//  - Stray bytes after the last reply of each exchange (a completion, an answer, an error):
//    strayBytes bytes that are never FF, then with strayStale a stale-looking answer
//    y0 50 0F FF. With strayForever the line (or TCP connection) never falls silent after its
//    first exchange: the servers keep it full of stray bytes, replies going between them.
// Over UDP stray bytes are not sent (a datagram is whole or lost), the stale answer is.
struct Chatter {
    bool networkChangeOnConnect = false;  // also when the cameras' model does it
    bool networkChangeBroadcast = false;
    int networkChangeBeforeReply = 0;    // percent
    int networkChangeAfterExchange = 0;  // percent
    std::chrono::milliseconds networkChangeEvery{0};
    int infraredBeforeReply = 0;  // percent
    std::size_t strayBytes = 0;
    bool strayStale = false;
    bool strayForever = false;
    std::uint32_t seed = 1;
};

// One frame seen on the line, for the verbose log.
struct LineRecord {
    TimePoint time;
    bool received;            // false: sent by the chain
    Bytes bytes;              // the first LineRecord::KEPT bytes of a longer burst of stray bytes
    bool network;             // to or from the first camera over the network, not the line
    std::size_t omitted = 0;  // bytes of the burst left out

    static constexpr std::size_t KEPT = 32;
};

class CameraChain {
  public:
    static constexpr std::size_t MAX_FRAME = 16;

    // count: 1..7, otherwise std::invalid_argument. Every camera is of the one model, the
    // standard one when none is given.
    explicit CameraChain(int count, std::shared_ptr<const Model> model = nullptr);
    // One camera of each model, in chain order: a chain that mixes models, as installations
    // that grew over the years do. 1..7 models, otherwise std::invalid_argument.
    explicit CameraChain(const std::vector<std::shared_ptr<const Model>>& models);

    int size() const { return static_cast<int>(cameras.size()); }

    // Bytes as they arrive from the line, in any pieces.
    void receive(const std::uint8_t* data, std::size_t length, TimePoint now);

    // Where replies go: the line, or a destination number that the network side chose, or
    // every client of the network at once.
    static constexpr int LINE = 0;
    static constexpr int EVERY_CLIENT = -1;

    // A piece for the network: its destination and bytes, whether they are stray bytes (which
    // UDP leaves out) and whether the client is now to be flooded without end (Chatter).
    struct Outgoing {
        int destination;
        Bytes bytes;
        bool stray;
        bool endsExchange;
    };

    // One whole frame (bytes up to and including FF) that reached the first camera over the
    // network, with the destination of its replies (not LINE).
    void receiveDirect(int destination, const Bytes& frame, TimePoint now);

    // When the next reply bytes for `destination` are due, if any are waiting; any destination
    // but the line when `destination` is std::nullopt.
    std::optional<TimePoint> nextDue(std::optional<int> destination = LINE) const;
    // Reply pieces due at now, in the order they go on the line. For the network, as pairs of
    // destination and reply.
    std::vector<Bytes> takeDue(TimePoint now);
    std::vector<Outgoing> takeDueDirect(TimePoint now);

    // A new client of the network at `destination`: the network change goes to it when the
    // chatter or the model says so.
    void clientArrived(int destination, TimePoint now);
    // True once an exchange on the line has ended under Chatter::strayForever: the line is to
    // be kept full of strayChunk bytes until endEndless (the client left).
    bool lineEndless() const { return endless; }
    void endEndless() { endless = false; }
    // `count` stray bytes, never FF.
    Bytes strayChunk(std::size_t count);

    // True once after a frame arrived under Fault::Hangup.
    bool takeHangupRequest();

    void setFault(Fault fault) { activeFault = fault; }
    Fault fault() const { return activeFault; }
    void setTiming(const Timing& timing);
    const Timing& timing() const { return activeTiming; }
    // Reseeds the random choices.
    void setChatter(const Chatter& chatter);
    const Chatter& chatter() const { return activeChatter; }

    // position: 1..N in chain order (not the address); otherwise std::out_of_range.
    CameraState state(int position, TimePoint now) const;
    void setState(int position, const CameraState& state, TimePoint now);

    std::uint64_t framesReceived() const { return frameCount; }

    // The last command frame (8x 01 ... FF, or a broadcast 88 01 ... FF) that reached the camera
    // at position 1..N, whatever the camera answered; empty before the first. Inquiries and
    // frames lost to a line fault do not count. Otherwise std::out_of_range.
    const Bytes& lastCommand(int position) const;

    // Keeps LineRecords of every frame received and sent until taken.
    void setRecording(bool on) { recording = on; }
    std::vector<LineRecord> takeRecords();

  private:
    enum class Piece {
        Reply,  // a frame, or part of one
        Last,   // the last reply of an exchange
        Stray,  // stray bytes
    };
    struct Emission {
        TimePoint due;
        std::uint64_t seq;
        Bytes bytes;
        std::optional<int> camera;  // index of the camera whose completion this is
        unsigned axes;              // timed move that the completion waits for
        int destination;
        Piece piece = Piece::Reply;

        // The order on the line: by due time, then in the order queued.
        static bool before(const Emission& earlier, const Emission& later) {
            return earlier.due < later.due || (earlier.due == later.due && earlier.seq < later.seq);
        }
    };

    bool lineFault(TimePoint now);
    void onFrame(const Bytes& frame, TimePoint now);
    void onBroadcast(const Bytes& frame, TimePoint now);
    void onCameraFrame(int index, const Bytes& frame, TimePoint now);
    void record(TimePoint now, bool received, const Bytes& bytes);
    std::vector<Outgoing> take(TimePoint now, bool line);

    TimePoint queue(TimePoint due, Bytes bytes, std::optional<int> camera = std::nullopt,
                    unsigned axes = 0, Piece piece = Piece::Reply);
    void queueReply(Bytes bytes, TimePoint now, Piece piece = Piece::Reply);
    // A camera's reply with the chatter that comes before it and the stray bytes after the last
    // of an exchange; when it is due (the second half's time under Fault::Split).
    TimePoint cameraReply(TimePoint due, Bytes bytes, Piece piece,
                          std::optional<int> camera = std::nullopt, unsigned axes = 0);
    bool chance(int percent);
    Bytes networkChange(std::uint8_t header) const;
    Bytes infraredReport(std::uint8_t header);
    void scheduleNetworkChanges(bool line, TimePoint now);
    void completeInterrupted(int index, unsigned axes, TimePoint now);
    void dropCompletions(int index);
    // Sends the held completions of the line's or the network's commands that are due by now.
    void releaseHeld(bool line, TimePoint now);
    Bytes answer(const Bytes& frame, std::uint8_t header, const Bytes& data) const;
    std::uint8_t replyHeader(int index) const;
    Bytes garbage();

    std::vector<VirtualCamera> cameras;
    std::vector<Emission> pending;  // sorted by (due, seq)
    std::vector<Emission> held;     // completions under Fault::HeldCompletion
    std::uint64_t sequence = 0;
    TimePoint heldUntil{};  // a split reply owns the line until then
    Bytes incoming;
    bool discarding = false;
    Fault activeFault = Fault::None;
    Timing activeTiming;
    bool hangupRequested = false;
    std::uint64_t frameCount = 0;
    bool recording = false;
    std::vector<LineRecord> records;
    std::mt19937 generator{20240611u};
    Chatter activeChatter;
    std::mt19937 chatterRandom{1u};
    std::mt19937 strayRandom{1u ^ 0x5354u};
    std::size_t infraredKey = 0;
    TimePoint nextLineChange{};  // of the periodic network change; unset until first looked at
    TimePoint nextNetworkChange{};
    bool endless = false;
    int replyTo = LINE;               // destination of the replies to the frame being handled
    std::vector<Bytes> lastCommands;  // by camera index
};

}  // namespace Camsim
