#include "sim/CameraChain.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "sim/Names.h"

namespace Camsim {

namespace {

constexpr std::uint8_t TERMINATOR = 0xFF;
constexpr std::uint8_t BROADCAST = 0x88;

constexpr NamedValue<Fault> FAULT_NAMES[] = {
    {Fault::None, "none"},
    {Fault::Silent, "silent"},
    {Fault::BufferFull, "buffer-full"},
    {Fault::NotExecutable, "not-executable"},
    {Fault::AckOnly, "ack-only"},
    {Fault::Garbage, "garbage"},
    {Fault::Split, "split"},
    {Fault::Hangup, "hangup"},
    {Fault::LateCompletion, "late-completion"},
    {Fault::NoAutoPowerOff, "no-auto-power-off"},
    {Fault::HeldCompletion, "held-completion"},
    {Fault::ErrorAfterAck, "error-after-ack"},
    {Fault::EmptyAnswer, "empty-answer"},
    {Fault::ShortAnswer, "short-answer"},
    {Fault::UnterminatedAnswer, "unterminated-answer"},
    {Fault::BadNibbleAnswer, "bad-nibble-answer"},
};

// 8x 09 04 40 FF
bool isAutoPowerOffInquiry(const Bytes& frame) {
    return frame.size() == 5 && frame[1] == 0x09 && frame[2] == 0x04 && frame[3] == 0x40;
}

// 8x 09 00 02 FF, whose answer is in bytes, not nibbles.
bool isDeviceTypeInquiry(const Bytes& frame) {
    return frame.size() == 5 && frame[1] == 0x09 && frame[2] == 0x00 && frame[3] == 0x02;
}

// 8x 01 00 01 FF, answered by a completion without an acknowledgement.
bool isInterfaceClear(const Bytes& frame) {
    return frame.size() == 5 && frame[1] == 0x01 && frame[2] == 0x00 && frame[3] == 0x01;
}

}  // namespace

const char* faultName(Fault fault) { return nameOf(FAULT_NAMES, fault); }

std::optional<Fault> faultFromName(std::string_view name) { return valueNamed(FAULT_NAMES, name); }

CameraChain::CameraChain(int count, std::shared_ptr<const Model> model)
    : CameraChain(std::vector<std::shared_ptr<const Model>>(
          static_cast<std::size_t>(std::max(count, 0)), model)) {}

CameraChain::CameraChain(const std::vector<std::shared_ptr<const Model>>& models) {
    if (models.empty() || models.size() > 7) {
        throw std::invalid_argument("a chain holds 1 to 7 cameras");
    }
    for (const auto& model : models) {
        cameras.emplace_back(static_cast<int>(cameras.size()) + 1, model);
    }
    lastCommands.resize(cameras.size());
}

const Bytes& CameraChain::lastCommand(int position) const {
    if (position < 1 || position > size()) throw std::out_of_range("no such camera");
    return lastCommands[static_cast<std::size_t>(position - 1)];
}

void CameraChain::setTiming(const Timing& timing) {
    activeTiming = timing;
    for (auto& c : cameras) c.setInstant(timing.instant);
}

CameraState CameraChain::state(int position, TimePoint now) const {
    if (position < 1 || position > size()) throw std::out_of_range("no such camera");
    return cameras[static_cast<std::size_t>(position - 1)].state(now);
}

void CameraChain::setState(int position, const CameraState& state, TimePoint now) {
    if (position < 1 || position > size()) throw std::out_of_range("no such camera");
    // Moves end here; a client waiting for their completion gets it now rather than never.
    completeInterrupted(position - 1, PanAxis | TiltAxis | ZoomAxis | FocusAxis, now);
    cameras[static_cast<std::size_t>(position - 1)].setState(state, now);
}

void CameraChain::receive(const std::uint8_t* data, std::size_t length, TimePoint now) {
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = data[i];
        if (discarding) {
            discarding = b != TERMINATOR;
            continue;
        }
        incoming.push_back(b);
        if (b == TERMINATOR) {
            Bytes frame;
            frame.swap(incoming);
            onFrame(frame, now);
        } else if (incoming.size() >= MAX_FRAME) {
            // No frame is longer than 16 bytes: answer once and resynchronise on the next FF.
            ++frameCount;
            record(now, true, incoming);
            incoming.clear();
            discarding = true;
            if (!lineFault(now)) {
                cameraReply(now, Bytes{replyHeader(0), 0x60, 0x02, TERMINATOR}, Piece::Last);
            }
        }
    }
}

void CameraChain::receiveDirect(int destination, const Bytes& frame, TimePoint now) {
    ++frameCount;
    record(now, true, frame);
    releaseHeld(false, now);
    replyTo = destination;
    const auto header = [&frame](std::uint8_t b, std::uint8_t second) {
        return frame.size() > 2 && frame[0] == b && frame[1] == second;
    };
    if (header(BROADCAST, 0x30) && frame.size() == 4 && frame[2] >= 1 && frame[2] <= 6) {
        queue(now, Bytes{BROADCAST, 0x30, static_cast<std::uint8_t>(frame[2] + 1), TERMINATOR});
    } else if (frame.size() == 5 && (frame[0] == BROADCAST || frame[0] == 0x81) &&
               frame[1] == 0x01 && frame[2] == 0x00 && frame[3] == 0x01) {
        cameras[0].clearInterface(now);
        dropCompletions(0);
        queue(now, frame[0] == BROADCAST ? frame : Bytes{0x90, 0x50, TERMINATOR});
    } else if (!frame.empty() && frame[0] == 0x81) {
        onCameraFrame(0, frame, now);
    } else {
        queue(now, frame);
    }
    replyTo = LINE;
}

void CameraChain::onFrame(const Bytes& frame, TimePoint now) {
    if (frame.size() == 1) return;  // a lone terminator carries nothing
    ++frameCount;
    record(now, true, frame);
    releaseHeld(true, now);

    if (lineFault(now)) return;

    const std::uint8_t header = frame[0];
    if (!(header & 0x80)) {
        cameraReply(now, Bytes{replyHeader(0), 0x60, 0x02, TERMINATOR}, Piece::Last);
        return;
    }
    if (header == BROADCAST) {
        onBroadcast(frame, now);
        return;
    }
    if ((header & 0xF0) == 0x80) {
        const int address = header & 0x0F;
        for (std::size_t i = 0; i < cameras.size(); ++i) {
            if (address >= 1 && cameras[i].address() == address) {
                onCameraFrame(static_cast<int>(i), frame, now);
                return;
            }
        }
    }
    // Not for any camera here: it travels round the chain and reaches the controller again.
    queueReply(frame, now);
}

bool CameraChain::lineFault(TimePoint now) {
    switch (activeFault) {
        case Fault::Silent:
            return true;
        case Fault::Hangup:
            hangupRequested = true;
            return true;
        case Fault::Garbage:
            queue(now, garbage());
            return true;
        default:
            return false;
    }
}

void CameraChain::onBroadcast(const Bytes& frame, TimePoint now) {
    if (frame.size() > 2 && frame[1] == 0x01) {
        for (auto& last : lastCommands) last = frame;
    }
    if (frame.size() == 4 && frame[1] == 0x30 && frame[2] >= 1 && frame[2] <= 7) {
        int next = frame[2];
        for (auto& c : cameras) {
            c.setAddress(next <= 7 ? next : 0);
            ++next;
        }
        queueReply(Bytes{BROADCAST, 0x30, static_cast<std::uint8_t>(next), TERMINATOR}, now);
        return;
    }
    if (frame.size() == 5 && frame[1] == 0x01 && frame[2] == 0x00 && frame[3] == 0x01) {
        for (std::size_t i = 0; i < cameras.size(); ++i) {
            cameras[i].clearInterface(now);
            dropCompletions(static_cast<int>(i));
        }
    } else if (frame.size() > 2 && frame[1] == 0x01) {
        for (std::size_t i = 0; i < cameras.size(); ++i) {
            const Reply r = cameras[i].handle(frame.data() + 1, frame.size() - 2, now);
            completeInterrupted(static_cast<int>(i), r.interrupted, now);
        }
    }
    queueReply(frame, now);
}

void CameraChain::onCameraFrame(int index, const Bytes& frame, TimePoint now) {
    const std::uint8_t y = replyHeader(index);
    if (frame.size() > 2 && frame[1] == 0x01) {
        lastCommands[static_cast<std::size_t>(index)] = frame;
    }
    if (activeFault == Fault::BufferFull) {
        cameraReply(now, Bytes{y, 0x60, 0x03, TERMINATOR}, Piece::Last);
        return;
    }
    if (activeFault == Fault::NotExecutable) {
        cameraReply(now, Bytes{y, 0x61, 0x41, TERMINATOR}, Piece::Last);
        return;
    }
    if (activeFault == Fault::NoAutoPowerOff && isAutoPowerOffInquiry(frame)) {
        cameraReply(now, Bytes{y, 0x60, 0x02, TERMINATOR}, Piece::Last);
        return;
    }

    VirtualCamera& camera = cameras[static_cast<std::size_t>(index)];
    if (activeFault == Fault::ErrorAfterAck && frame[1] == 0x01 && !isInterfaceClear(frame) &&
        !camera.refusal(frame.data() + 1, frame.size() - 2)) {
        cameraReply(now, Bytes{y, 0x41, TERMINATOR}, Piece::Reply);
        cameraReply(now, Bytes{y, 0x61, 0x41, TERMINATOR}, Piece::Last);
        return;
    }
    const Reply r = camera.handle(frame.data() + 1, frame.size() - 2, now);
    completeInterrupted(index, r.interrupted, now);

    switch (r.kind) {
        case Reply::Kind::SyntaxError:
            cameraReply(now, Bytes{y, 0x60, 0x02, TERMINATOR}, Piece::Last);
            return;
        case Reply::Kind::NotExecutable:
            cameraReply(now, Bytes{y, 0x61, 0x41, TERMINATOR}, Piece::Last);
            return;
        case Reply::Kind::Data:
            cameraReply(now, answer(frame, y, r.data), Piece::Last);
            return;
        case Reply::Kind::Cleared:
            dropCompletions(index);
            cameraReply(now, Bytes{y, 0x50, TERMINATOR}, Piece::Last);
            return;
        case Reply::Kind::Done: {
            const bool ackOnly = activeFault == Fault::AckOnly;
            const TimePoint ackAt =
                cameraReply(now, Bytes{y, 0x41, TERMINATOR}, ackOnly ? Piece::Last : Piece::Reply);
            if (ackOnly) return;
            TimePoint completeAt = std::max(r.completeAt, ackAt + activeTiming.completionDelay);
            if (activeFault == Fault::Split)
                completeAt = std::max(completeAt, ackAt + activeTiming.splitPause);
            if (activeFault == Fault::LateCompletion && r.move)
                completeAt = std::max(completeAt, ackAt + activeTiming.lateCompletion);
            if (activeFault == Fault::HeldCompletion) {
                held.push_back(Emission{completeAt, sequence++, Bytes{y, 0x51, TERMINATOR}, index,
                                        r.movingAxes, replyTo});
                return;
            }
            cameraReply(completeAt, Bytes{y, 0x51, TERMINATOR}, Piece::Last, index, r.movingAxes);
            return;
        }
    }
}

TimePoint CameraChain::queue(TimePoint due, Bytes bytes, std::optional<int> camera, unsigned axes,
                             Piece piece) {
    // Replies must not overtake the second half of a split reply that is still on its way.
    if (replyTo == LINE) due = std::max(due, heldUntil);
    Emission e{due, sequence++, std::move(bytes), camera, axes, replyTo, piece};
    auto at = std::upper_bound(pending.begin(), pending.end(), e, Emission::before);
    pending.insert(at, std::move(e));
    return due;
}

void CameraChain::queueReply(Bytes bytes, TimePoint now, Piece piece) {
    if (activeFault != Fault::Split || bytes.size() < 2 || replyTo != LINE) {
        queue(now, std::move(bytes), std::nullopt, 0, piece);
        return;
    }
    const auto half = static_cast<std::ptrdiff_t>(bytes.size() / 2);
    const TimePoint first = queue(now, Bytes(bytes.begin(), bytes.begin() + half));
    const TimePoint second = first + activeTiming.splitPause;
    queue(second, Bytes(bytes.begin() + half, bytes.end()), std::nullopt, 0, piece);
    heldUntil = second;
}

TimePoint CameraChain::cameraReply(TimePoint due, Bytes bytes, Piece piece,
                                   std::optional<int> camera, unsigned axes) {
    const std::uint8_t header = bytes[0];
    // What comes with a reply goes with it: tied to the same camera and axes, it moves and is
    // dropped with a completion that an interrupted move or IF_Clear moves or drops.
    const auto add = [&](Bytes said, Piece kind) {
        queue(due, std::move(said), camera, axes, kind);
    };
    if (chance(activeChatter.networkChangeBeforeReply)) add(networkChange(header), Piece::Reply);
    if (chance(activeChatter.infraredBeforeReply)) add(infraredReport(header), Piece::Reply);
    TimePoint at = due;
    if (!camera && activeFault == Fault::Split) {
        queueReply(std::move(bytes), due, piece);
        at = std::max(due, heldUntil);
    } else {
        at = queue(due, std::move(bytes), camera, axes, piece);
    }
    if (piece != Piece::Last) return at;
    due = at;
    if (activeChatter.strayBytes > 0) add(strayChunk(activeChatter.strayBytes), Piece::Stray);
    if (activeChatter.strayStale) add(Bytes{header, 0x50, 0x0F, TERMINATOR}, Piece::Reply);
    if (chance(activeChatter.networkChangeAfterExchange)) add(networkChange(header), Piece::Reply);
    return at;
}

bool CameraChain::chance(int percent) {
    if (percent <= 0) return false;
    if (percent >= 100) return true;
    return std::uniform_int_distribution<int>(0, 99)(chatterRandom) < percent;
}

Bytes CameraChain::networkChange(std::uint8_t header) const {
    return Bytes{activeChatter.networkChangeBroadcast ? BROADCAST : header, 0x38, TERMINATOR};
}

Bytes CameraChain::infraredReport(std::uint8_t header) {
    // Keys of the remote in turn: zoom, power, pan-tilt, focus mode, backlight, memory.
    static const std::uint8_t KEYS[][2] = {{0x04, 0x07}, {0x04, 0x00}, {0x06, 0x01},
                                           {0x04, 0x38}, {0x04, 0x33}, {0x04, 0x3F}};
    const auto& key = KEYS[infraredKey++ % std::size(KEYS)];
    return Bytes{header, 0x07, 0x7D, 0x01, key[0], key[1], TERMINATOR};
}

Bytes CameraChain::strayChunk(std::size_t count) {
    std::uniform_int_distribution<int> notTerminator(0x00, 0xFE);
    Bytes out(count);
    for (auto& b : out) b = static_cast<std::uint8_t>(notTerminator(strayRandom));
    return out;
}

void CameraChain::setChatter(const Chatter& chatter) {
    activeChatter = chatter;
    chatterRandom.seed(chatter.seed);
    strayRandom.seed(chatter.seed ^ 0x5354u);
    infraredKey = 0;
    nextLineChange = nextNetworkChange = TimePoint{};
}

void CameraChain::clientArrived(int destination, TimePoint now) {
    if (!activeChatter.networkChangeOnConnect && !cameras[0].model().networkChangeOnConnect) return;
    const int saved = replyTo;
    replyTo = destination;
    queue(now, networkChange(replyHeader(0)));
    replyTo = saved;
}

void CameraChain::scheduleNetworkChanges(bool line, TimePoint now) {
    const auto every = activeChatter.networkChangeEvery;
    if (every <= Clock::duration::zero()) return;
    TimePoint& next = line ? nextLineChange : nextNetworkChange;
    if (next == TimePoint{}) next = now + every;
    if (now < next) return;
    const int saved = replyTo;
    replyTo = line ? LINE : EVERY_CLIENT;
    queue(now, networkChange(replyHeader(0)));
    replyTo = saved;
    // One message however long the wait was: the period counts from now.
    next = now + every;
}

Bytes CameraChain::answer(const Bytes& frame, std::uint8_t header, const Bytes& data) const {
    Bytes out{header, 0x50};
    switch (activeFault) {
        case Fault::EmptyAnswer:
            break;
        case Fault::ShortAnswer:
            if (data.size() > 1) {
                out.push_back(0x02);
                break;
            }
            out.insert(out.end(), data.begin(), data.end());
            break;
        case Fault::UnterminatedAnswer:
            out.insert(out.end(), data.begin(), data.end());
            out.resize(MAX_FRAME, 0x00);
            return out;
        case Fault::BadNibbleAnswer:
            out.insert(out.end(), data.begin(), data.end());
            if (data.size() >= 4 && !isDeviceTypeInquiry(frame)) out[2] += 0x10;
            break;
        default:
            out.insert(out.end(), data.begin(), data.end());
            break;
    }
    out.push_back(TERMINATOR);
    return out;
}

void CameraChain::releaseHeld(bool line, TimePoint now) {
    auto kept = held.begin();
    for (auto it = held.begin(); it != held.end(); ++it) {
        if ((it->destination == LINE) == line && it->due <= now) {
            // Sent before the frame is handled: nothing that the frame does can take it back.
            const int saved = replyTo;
            replyTo = it->destination;
            cameraReply(now, std::move(it->bytes), Piece::Last);
            replyTo = saved;
        } else {
            if (kept != it) *kept = std::move(*it);
            ++kept;
        }
    }
    held.erase(kept, held.end());
}

void CameraChain::completeInterrupted(int index, unsigned axes, TimePoint now) {
    if (axes == 0) return;
    for (auto& e : held) {
        if (e.camera == index && (e.axes & axes) && e.due > now) e.due = now;
    }
    bool changed = false;
    for (auto& e : pending) {
        if (e.camera == index && (e.axes & axes) && e.due > now) {
            // The interrupted move has ended here and now; its completion goes out before
            // anything that the interrupting frame produces (its seq is older).
            e.due = std::max(now, heldUntil);
            changed = true;
        }
    }
    if (changed) {
        std::sort(pending.begin(), pending.end(), Emission::before);
    }
}

void CameraChain::dropCompletions(int index) {
    const auto ofCamera = [index](const Emission& emission) { return emission.camera == index; };
    pending.erase(std::remove_if(pending.begin(), pending.end(), ofCamera), pending.end());
    held.erase(std::remove_if(held.begin(), held.end(), ofCamera), held.end());
}

std::uint8_t CameraChain::replyHeader(int index) const {
    if (replyTo != LINE) return 0x90;
    const int address = cameras[static_cast<std::size_t>(index)].address();
    return static_cast<std::uint8_t>(((address == 0 ? 1 : address) + 8) << 4);
}

Bytes CameraChain::garbage() {
    std::uniform_int_distribution<int> length(2, 10);
    std::uniform_int_distribution<int> first(0x00, 0x7F);
    std::uniform_int_distribution<int> other(0x00, 0xFE);
    const int n = length(generator);
    Bytes out;
    out.push_back(static_cast<std::uint8_t>(first(generator)));
    for (int i = 1; i < n - 1; ++i) out.push_back(static_cast<std::uint8_t>(other(generator)));
    out.push_back(TERMINATOR);
    return out;
}

std::optional<TimePoint> CameraChain::nextDue(std::optional<int> destination) const {
    std::optional<TimePoint> due;
    for (const Emission& e : pending) {
        if (destination ? e.destination == *destination : e.destination != LINE) {
            due = e.due;
            break;
        }
    }
    if (activeChatter.networkChangeEvery > Clock::duration::zero()) {
        const bool line = destination && *destination == LINE;
        const TimePoint next = line ? nextLineChange : nextNetworkChange;
        if (next != TimePoint{} && (!due || next < *due)) due = next;
    }
    return due;
}

std::vector<Bytes> CameraChain::takeDue(TimePoint now) {
    scheduleNetworkChanges(true, now);
    std::vector<Bytes> out;
    for (Outgoing& piece : take(now, true)) {
        if (piece.endsExchange) endless = true;
        out.push_back(std::move(piece.bytes));
    }
    return out;
}

std::vector<CameraChain::Outgoing> CameraChain::takeDueDirect(TimePoint now) {
    scheduleNetworkChanges(false, now);
    return take(now, false);
}

std::vector<CameraChain::Outgoing> CameraChain::take(TimePoint now, bool line) {
    std::vector<Outgoing> out;
    auto kept = pending.begin();
    for (auto it = pending.begin(); it != pending.end(); ++it) {
        if (it->due <= now && (it->destination == LINE) == line) {
            replyTo = it->destination;
            record(now, false, it->bytes);
            replyTo = LINE;
            out.push_back(Outgoing{it->destination, std::move(it->bytes), it->piece == Piece::Stray,
                                   it->piece == Piece::Last && activeChatter.strayForever});
        } else {
            if (kept != it) *kept = std::move(*it);
            ++kept;
        }
    }
    pending.erase(kept, pending.end());
    return out;
}

bool CameraChain::takeHangupRequest() {
    const bool r = hangupRequested;
    hangupRequested = false;
    return r;
}

void CameraChain::record(TimePoint now, bool received, const Bytes& bytes) {
    if (!recording) return;
    // A burst of stray bytes may run to megabytes: its start is enough for a log.
    const std::size_t kept = bytes.size() > 2 * LineRecord::KEPT ? LineRecord::KEPT : bytes.size();
    records.push_back(LineRecord{now, received, Bytes(bytes.begin(), bytes.begin() + kept),
                                 replyTo != LINE, bytes.size() - kept});
}

std::vector<LineRecord> CameraChain::takeRecords() {
    std::vector<LineRecord> out;
    out.swap(records);
    return out;
}

}  // namespace Camsim
