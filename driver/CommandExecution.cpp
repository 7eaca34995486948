// The one exchange routine and the reply checker: every command and inquiry goes through here,
// and the building blocks that the camera operations make their packets with.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "diagnostics/Log.h"
#include "driver/Frames.h"
#include "driver/Packet.h"
#include "driver/ViscaControllerImpl.h"
#include "quorvin/DriverException.h"

namespace CameraDriver {

namespace {

[[noreturn]] void fail(const char* debugLine, const char* message) {
    logDebug(debugLine);
    throw DriverException(message);
}

// Header a camera puts on its replies: (address + 8) << 4. For headers 0x89 to 0x8F this
// exceeds one byte, so no reply can match.
int replyHeader(std::uint8_t commandHeader) { return ((commandHeader & 0x0F) + 8) * 16; }

// True when the frame, with `header` as its first byte, holds its one 0xFF as its last byte.
bool isWholeFrame(std::uint8_t header, const std::uint8_t* bytes, int length) {
    const std::uint8_t* last = bytes + length - 1;
    if (length == 1) {
        return header == 0xFF;
    }
    return header != 0xFF && std::find(bytes + 1, last + 1, 0xFF) == last;
}

}  // namespace

void ViscaResponse::check() {
    logDebug("VISCA response checking...");
    const auto* sent = dynamic_cast<const ViscaCommand*>(getCommand());
    if (sent == nullptr) {
        fail("FAILED\n", "Executing the command failed !");
    }
    const std::uint8_t header = sent->get(0);
    const auto r = [this](int i) { return i < PACKET_SIZE ? get(i) : std::uint8_t{0}; };

    if ((header & 0x0F) == 8) {
        if (sent->getKind() == ADDRESS_SET) {
            if (r(0) != 0x88 || r(1) != 0x30 || r(3) != 0xFF) {
                fail("FAILED\n", "Address_Set command executing failed !\n");
            }
            if (r(2) == 0 || r(2) == 1) {
                logException("No camera connected !");
                throw DriverException("No camera connected !");
            }
            Packet numbering;
            numbering.at(0) = r(2);
            numbering.at(1) = r(3);
            setResult(numbering);
            logDebug("SUCCEEDED\n");
            return;
        }
        const int m = sent->length();
        if (std::memcmp(data(), sent->data(), static_cast<std::size_t>(m)) != 0) {
            fail("FAILED\n", "IF_CLEAR_BROADCAST command executing failed !\n");
        }
        logDebug("SUCCEEDED\n");
        return;
    }

    const int expected = replyHeader(header);
    const auto matches = [&](int i) { return (r(i) & 0xF0) == expected; };
    const auto hasClass = [&](int i, int c) { return (r(i) & 0xF0) == c; };
    // An error frame y0 6z <code> FF starting at byte `at`.
    const auto isError = [&](int at, std::uint8_t code) {
        return matches(at) && hasClass(at + 1, 0x60) && r(at + 2) == code && r(at + 3) == 0xFF;
    };
    const auto failOnError = [&](int at, bool all) {
        if (isError(at, 0x02)) {
            fail("SYNTAX_ERROR\n", "SYNTAX_ERROR ocurred when executing the command !");
        }
        if (all && isError(at, 0x03)) {
            fail("BUFFER_FULL\n", "BUFFER_FULL error ocurred when executing the command !");
        }
        if (all && isError(at, 0x41)) {
            fail("NOT_EXECUTABLE\n", "NOT_EXECUTABLE error ocurred when executing the command !");
        }
    };

    switch (sent->getKind()) {
        case ACK_COMPLETION:
            if (matches(0) && hasClass(1, 0x40) && r(2) == 0xFF) {
                if (matches(3) && hasClass(4, 0x50) && r(5) == 0xFF) {
                    logDebug("COMPLETION\n");
                    return;
                }
                // The camera took the command and then could not carry it out.
                failOnError(3, true);
                break;
            }
            failOnError(0, true);
            break;
        case INQUIRY:
            if (matches(0) && r(1) == 0x50 && isWellFormedAnswer(*sent)) {
                // The data starts after the header and the 50 byte.
                setResult(Packet(data() + 2, PACKET_SIZE - 2));
                logDebug("COMPLETION\n");
                return;
            }
            failOnError(0, false);
            break;
        default:
            break;
    }
    fail("FAILED\n", "Executing the command failed !");
}

bool ViscaResponse::isWellFormedAnswer(const ViscaCommand& inquiry) const {
    const std::uint8_t* end = std::find(data() + 2, data() + PACKET_SIZE, std::uint8_t{0xFF});
    if (end == data() + PACKET_SIZE) {
        return false;
    }
    const int length = static_cast<int>(end - (data() + 2));
    std::optional<AnswerShape> shape;
    if (inquiry.length() == 5) {
        shape = answerShapeOf(inquiry.get(2), inquiry.get(3));
    }
    if (!shape) {
        return length >= 1;
    }
    return length >= shape->minData && length <= shape->maxData &&
           (!shape->nibbles ||
            std::all_of(data() + 2, end, [](std::uint8_t b) { return b <= 0x0F; }));
}

Packet ViscaControllerImpl::executeCommand(std::uint8_t* bytes, int length, int kind) {
    return exchange(bytes, length, kind, operationOptions);
}

Packet ViscaControllerImpl::exchange(std::uint8_t* bytes, int length, int kind,
                                     const ExchangeOptions& options) {
    // A command must fit a packet; anything longer would be read or sent past the caller's array.
    if (length < 1 || length > PACKET_SIZE) {
        throw DriverException("Command is malformed !");
    }
    std::uint8_t header = bytes[0];
    if (kind != ADDRESS_SET && kind != IF_CLEAR_BROADCAST) {
        header = static_cast<std::uint8_t>(header | (getCurCamera() & 0xFF));
    }
    // The bytes to write must be one whole frame. A camera ends a frame at its first 0xFF, so an
    // argument byte of 0xFF (speed 255, preset -1, a header made 0xFF by camera number -1)
    // would cut the command in two: the camera would carry out the first piece and read the
    // rest as the start of another command. A refused command leaves the array as it was.
    if (!isWholeFrame(header, bytes, length)) {
        throw DriverException("Command is malformed !");
    }
    bytes[0] = header;
    ViscaCommand command(bytes, length);
    command.setKind(kind);
    ViscaResponse response(&command);
    report = ExchangeReport{};

    logDebug("Sending command ...");
    logPacket(command.data(), command.length());

    std::uint32_t count = static_cast<std::uint32_t>(length);
    send(bytes, &count);
    if (count != static_cast<std::uint32_t>(length)) {
        throw DriverException("Command is not sent completely !");
    }
    logDebug("Completed");
    logDebug("Receiving response ...");

    // The reply is read frame by frame. Frames that are not this command's are set aside and
    // the wait goes on to the same deadline; the acknowledgement gives the completion a full
    // time-out of its own, as a second read always had.
    Comm& link = *getComm();
    FrameReader reader(link);
    ExpectedReply expected(kind, bytes, length);
    std::uint8_t* reply = response.data();
    int n = 0;
    auto deadline = link.now() + options.timeout;
    bool acknowledgedOnly = false;
    for (bool answered = false; !answered;) {
        const std::optional<Frame> frame = reader.next(deadline);
        if (!frame) {
            report.timedOut = true;
            link.failNoReply();
        }
        const FrameVerdict verdict = expected.judge(*frame);
        if (verdict.role == FrameRole::SetAside) {
            setAside(*frame, verdict.why);
            continue;
        }
        const int kept = std::min(frame->length, PACKET_SIZE - n);
        std::memcpy(reply + n, frame->bytes, static_cast<std::size_t>(kept));
        n += kept;
        if (verdict.role == FrameRole::Acknowledgement) {
            report.acknowledgedSocket = expected.acknowledgedSocket();
            deadline = link.now() + options.timeout;
            acknowledgedOnly = answered = options.untilAcknowledged;
        } else {
            answered = true;
        }
    }
    // Whole frames that came in the same read as the answer belong to nobody waiting now.
    while (const std::optional<Frame> late = reader.nextBuffered()) {
        setAside(*late, late->whole ? "arrived behind the answer" : "unfinished frame");
    }

    logPacket(reply, n);
    logDebug("Completed");
    report.reply.assign(reply, reply + n);
    if (acknowledgedOnly) {
        logDebug("ACKNOWLEDGED: the completion comes in socket " +
                 std::to_string(*report.acknowledgedSocket));
        return Packet();
    }
    response.check();
    return response.getResult();
}

int ViscaControllerImpl::listen(Comm::Clock::time_point deadline, int maxFrames) {
    FrameReader reader(*getComm());
    int frames = 0;
    while (maxFrames <= 0 || frames < maxFrames) {
        const std::optional<Frame> frame = reader.next(deadline);
        if (!frame) {
            break;
        }
        setAside(*frame, "no exchange in progress");
        ++frames;
    }
    // Whole frames already read with the last one are not left to the next exchange, which
    // would drop them as stale input.
    while (const std::optional<Frame> late = reader.nextBuffered()) {
        setAside(*late, late->whole ? "arrived with the frame listened for" : "unfinished frame");
        ++frames;
    }
    return frames;
}

void ViscaControllerImpl::setAside(const Frame& frame, const char* why) {
    logPacket(std::string("Set aside (") + why + "): ", frame.bytes, frame.length);
    if (observer) {
        observer(frame.bytes, frame.length);
    }
}

// The building blocks of the camera operations

void ViscaControllerImpl::command(Visca::Register target,
                                  std::initializer_list<std::uint8_t> arguments) {
    std::uint8_t packet[PACKET_SIZE] = {Visca::HEADER, Visca::MESSAGE_COMMAND, target.category,
                                        target.item};
    std::copy(arguments.begin(), arguments.end(), packet + 4);
    const int length = static_cast<int>(4 + arguments.size() + 1);
    packet[length - 1] = Visca::TERMINATOR;
    executeCommand(packet, length, ACK_COMPLETION);
}

void ViscaControllerImpl::valueCommand(Visca::Register target, long value) {
    std::uint8_t packet[9] = {Visca::HEADER, Visca::MESSAGE_COMMAND, target.category, target.item};
    packNibbles(packet + 4, static_cast<int>(value & 0xFFFF));
    packet[8] = Visca::TERMINATOR;
    executeCommand(packet, sizeof packet, ACK_COMPLETION);
}

Packet ViscaControllerImpl::inquiry(Visca::Register target) {
    std::uint8_t packet[] = {Visca::HEADER, Visca::MESSAGE_INQUIRY, target.category, target.item,
                             Visca::TERMINATOR};
    return executeCommand(packet, sizeof packet, INQUIRY);
}

bool ViscaControllerImpl::flagInquiry(Visca::Register target) {
    return inquiry(target).get(0) == Visca::ON;
}

bool ViscaControllerImpl::strictFlagInquiry(Visca::Register target, const char* message) {
    switch (inquiry(target).get(0)) {
        case Visca::ON:
            return true;
        case Visca::OFF:
            return false;
        default:
            throw DriverException(message);
    }
}

long ViscaControllerImpl::valueInquiry(Visca::Register target) {
    return unpackNibbles(inquiry(target).data());
}

}  // namespace CameraDriver
