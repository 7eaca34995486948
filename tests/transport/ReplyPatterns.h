#pragma once

// Reply patterns of a camera, each with the one thing the protocol engine may make of it over a
// real serial line: the value, or the exact failure, and the bytes it leaves on the line. The
// camera's side of every row is played by the reply peer (ReplyPatternPeer.h): in-process on a
// pseudo-terminal for the POSIX build, and as a Linux program behind a COM port for the Windows
// build. Both builds compile this one list.
//
// Choosing a row: before each exchange the engine's side writes the selection frame of the row
// (SELECT, SELECT_TAG, the row's index, FF) through the transport under test, and the peer
// echoes it. The peer then answers the next frame, which must be the row's command as it goes
// on the wire, by playing the row's reply; any other frame it answers with UNEXPECTED. The
// peer answers one frame after the other, so the echo of the sync frame (SELECT, SYNC_TAG, 00,
// FF) comes after the last byte of the reply before it: what arrives ahead of that echo is
// what the exchange left unread.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "driver/Packet.h"
#include "tests/support/Hex.h"

namespace TransportTest {

using PatternBytes = std::vector<std::uint8_t>;

// One thing the camera does after the command has arrived: it waits `pauseMs`, then writes
// `bytes` (hexadecimal, "90 41 FF") in one go.
struct ReplyStep {
    int pauseMs;
    const char* bytes;
};

struct ReplyPattern {
    const char* name;
    int camera;           // the engine's current camera
    int kind;             // CommandKind of the exchange
    const char* command;  // as written on the line (the camera's header already in place)
    std::vector<ReplyStep> reply;
    // What the engine makes of it: the message of the DriverException it raises ("" for
    // none) and, when it returns, the leading bytes of the result packet (the rest are 0).
    const char* message;
    const char* result;
    // Bytes the engine leaves unread on the line.
    const char* left;
    // Waits out a long pause or the 6 s transfer time-out: run with the slow tests only.
    bool slow = false;
};

constexpr std::uint8_t SELECT = 0x01;
constexpr std::uint8_t SELECT_TAG = 0x52;
constexpr std::uint8_t SYNC_TAG = 0x53;
inline PatternBytes selectionFrame(std::size_t index) {
    return {SELECT, SELECT_TAG, static_cast<std::uint8_t>(index), 0xFF};
}
inline const PatternBytes SYNC{SELECT, SYNC_TAG, 0x00, 0xFF};
inline const PatternBytes UNEXPECTED{SELECT, 0x3F, 0xFF};

inline PatternBytes bytesOf(const char* text) { return TestSupport::hex(text); }

inline const std::vector<ReplyPattern>& replyPatterns() {
    using CameraDriver::ACK_COMPLETION;
    using CameraDriver::ADDRESS_SET;
    using CameraDriver::IF_CLEAR_BROADCAST;
    using CameraDriver::INQUIRY;
    static const char* const POWER_ON = "81 01 04 00 02 FF";
    static const char* const POWER_INQ = "81 09 04 00 FF";
    static const char* const FAILED = "Executing the command failed !";
    static const char* const SYNTAX = "SYNTAX_ERROR ocurred when executing the command !";
    static const char* const BUFFER_FULL = "BUFFER_FULL error ocurred when executing the command !";
    static const char* const NOT_EXECUTABLE =
        "NOT_EXECUTABLE error ocurred when executing the command !";
    static const char* const TIMEOUT =
        "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !";
    // clang-format off
    static const std::vector<ReplyPattern> rows = {
        // Commands: acknowledgement and completion, together and apart.
        {"AckAndCompletionTogether", 1, ACK_COMPLETION, POWER_ON, {{0, "90 41 FF 90 51 FF"}}, "", "", ""},
        {"CompletionOneMsAfterAck", 1, ACK_COMPLETION, POWER_ON, {{0, "90 41 FF"}, {1, "90 51 FF"}}, "", "", ""},
        {"CompletionFortyMsAfterAck", 1, ACK_COMPLETION, POWER_ON, {{0, "90 41 FF"}, {40, "90 51 FF"}}, "", "", ""},
        {"CompletionTwoSecondsAfterAck", 1, ACK_COMPLETION, POWER_ON, {{0, "90 41 FF"}, {2000, "90 51 FF"}}, "", "", "", true},
        // Errors, alone and in the acknowledged command's socket.
        {"SyntaxError", 1, ACK_COMPLETION, POWER_ON, {{0, "90 60 02 FF"}}, SYNTAX, "", ""},
        {"BufferFull", 1, ACK_COMPLETION, POWER_ON, {{0, "90 60 03 FF"}}, BUFFER_FULL, "", ""},
        {"NotExecutable", 1, ACK_COMPLETION, POWER_ON, {{0, "90 61 41 FF"}}, NOT_EXECUTABLE, "", ""},
        {"NotExecutableAfterAck", 1, ACK_COMPLETION, POWER_ON, {{0, "90 41 FF"}, {10, "90 61 41 FF"}}, NOT_EXECUTABLE, "", ""},
        // Frames that are not the answer, before and among its own.
        {"EarlierCompletionBeforeTheAck", 1, ACK_COMPLETION, POWER_ON, {{0, "90 52 FF"}, {5, "90 41 FF"}, {5, "90 51 FF"}}, "", "", ""},
        {"NoticesAndARemoteKeyBeforeTheAck", 1, ACK_COMPLETION, POWER_ON, {{0, "90 38 FF 88 38 FF"}, {5, "90 07 7D 01 04 07 FF"}, {5, "90 41 FF 90 51 FF"}}, "", "", ""},
        {"AnotherCamerasReplyFirst", 1, ACK_COMPLETION, POWER_ON, {{0, "A0 41 FF A0 51 FF"}, {5, "90 41 FF 90 51 FF"}}, "", "", ""},
        // Inquiry replies of every length the operations read: a flag or mode (4 bytes), a
        // value or position (7), the device type (10), pan and tilt (11); and a refusal.
        {"InquiryFlag", 1, INQUIRY, POWER_INQ, {{0, "90 50 02 FF"}}, "", "02 FF", ""},
        {"InquiryValue", 1, INQUIRY, "81 09 04 43 FF", {{0, "90 50 00 00 09 00 FF"}}, "", "00 00 09 00 FF", ""},
        {"InquiryDeviceType", 1, INQUIRY, "81 09 00 02 FF", {{0, "90 50 00 20 04 0F 01 11 02 FF"}}, "", "00 20 04 0F 01 11 02 FF", ""},
        {"InquiryPanTilt", 1, INQUIRY, "81 09 06 12 FF", {{0, "90 50 0F 0A 06 00 00 01 02 0C FF"}}, "", "0F 0A 06 00 00 01 02 0C FF", ""},
        {"InquirySyntaxError", 1, INQUIRY, POWER_INQ, {{0, "90 60 02 FF"}}, SYNTAX, "", ""},
        {"InquiryValueBehindALateCompletion", 1, INQUIRY, "81 09 04 43 FF", {{0, "90 51 FF"}, {5, "90 50 00 00 04 02 FF"}}, "", "00 00 04 02 FF", ""},
        {"InquiryAnsweredWithoutData", 1, INQUIRY, "81 09 04 43 FF", {{0, "90 50 FF"}}, FAILED, "", ""},
        {"InquiryValueAnsweredWithAFlag", 1, INQUIRY, "81 09 04 43 FF", {{0, "90 50 02 FF"}}, FAILED, "", ""},
        // A frame for a camera the chain does not have comes back unchanged.
        {"CommandPassedBackByTheChain", 2, ACK_COMPLETION, "82 01 04 00 02 FF", {{0, "82 01 04 00 02 FF"}}, FAILED, "", ""},
        {"InquiryPassedBackByTheChain", 2, INQUIRY, "82 09 04 00 FF", {{0, "82 09 04 00 FF"}}, FAILED, "", ""},
        // The two broadcasts of connecting, with a network-change notice in the way.
        {"AddressSetReply", 1, ADDRESS_SET, "88 30 01 FF", {{0, "88 30 02 FF"}}, "", "02 FF", ""},
        {"AddressSetBehindANotice", 1, ADDRESS_SET, "88 30 01 FF", {{0, "88 38 FF"}, {5, "88 30 02 FF"}}, "", "02 FF", ""},
        {"AddressSetNoCamera", 1, ADDRESS_SET, "88 30 01 FF", {{0, "88 30 01 FF"}}, "No camera connected !", "", ""},
        {"IfClearEcho", 1, IF_CLEAR_BROADCAST, "88 01 00 01 FF", {{0, "88 01 00 01 FF"}}, "", "", ""},
        // Bytes without a terminator: the frame ends when the line has been quiet for 200 ms,
        // and is no answer.
        {"AckCutShort", 1, ACK_COMPLETION, POWER_ON, {{0, "90 41"}}, FAILED, "", ""},
        {"InquiryReplyCutShort", 1, INQUIRY, POWER_INQ, {{0, "90 50 02"}}, FAILED, "", ""},
        {"AckThenCompletionCutShort", 1, ACK_COMPLETION, POWER_ON, {{0, "90 41 FF"}, {5, "90 51"}}, FAILED, "", ""},
        // A reply in pieces: pauses of up to 150 ms are not the end of a frame; one of 250 ms is.
        {"InquiryReplyInTwoPiecesCloseTogether", 1, INQUIRY, POWER_INQ, {{0, "90 50"}, {5, "02 FF"}}, "", "02 FF", ""},
        {"InquiryReplyInTwoPieces60MsApart", 1, INQUIRY, POWER_INQ, {{0, "90 50"}, {60, "02 FF"}}, "", "02 FF", ""},
        {"InquiryReplyByteBy150Ms", 1, INQUIRY, POWER_INQ, {{0, "90"}, {150, "50"}, {150, "02"}, {150, "FF"}}, "", "02 FF", ""},
        {"AckAndCompletionByteBy150Ms", 1, ACK_COMPLETION, POWER_ON, {{0, "90"}, {150, "41"}, {150, "FF"}, {150, "90"}, {150, "51"}, {150, "FF"}}, "", "", ""},
        {"InquiryReplyInTwoPieces250MsApart", 1, INQUIRY, POWER_INQ, {{0, "90 50"}, {250, "02 FF"}}, FAILED, "", "02 FF"},
        // Sixteen bytes without a terminator are no message; the rest waits on the line.
        {"TwentyBytesInOneBurst", 1, INQUIRY, POWER_INQ, {{0, "90 50 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 00 FF"}}, FAILED, "", "0E 0F 00 FF"},
        // A camera that never answers: the transfer time-out.
        {"SilentCamera", 1, ACK_COMPLETION, POWER_ON, {}, TIMEOUT, "", "", true},
    };
    // clang-format on
    return rows;
}

// Not a row of the table: an acknowledgement followed, before the line can fall quiet, by a
// byte every 10 ms. Only a read that ends at the terminator hands the acknowledgement over on
// its own.
inline const ReplyPattern& busyLinePattern() {
    static const ReplyPattern pattern = [] {
        ReplyPattern row{
            "BusyLine", 1, CameraDriver::ACK_COMPLETION, "81 01 04 00 03 FF", {{0, "90 41 FF"}}, "",
            "",         ""};
        for (int i = 0; i < 40; ++i) {
            row.reply.push_back({10, "00"});
        }
        return row;
    }();
    return pattern;
}

// The rows and the busy line, by the index a selection frame names.
inline const ReplyPattern* patternAt(std::size_t index) {
    const std::vector<ReplyPattern>& rows = replyPatterns();
    if (index < rows.size()) {
        return &rows[index];
    }
    return index == rows.size() ? &busyLinePattern() : nullptr;
}

inline std::size_t busyLineIndex() { return replyPatterns().size(); }

}  // namespace TransportTest
