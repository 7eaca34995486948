#include "sim/CameraChain.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace camsim {

namespace {

constexpr std::uint8_t kTerminator = 0xFF;
constexpr std::uint8_t kBroadcast = 0x88;

struct FaultNameEntry {
    Fault fault;
    const char* name;
};

constexpr FaultNameEntry kFaultNames[] = {
    {Fault::None, "none"},
    {Fault::Silent, "silent"},
    {Fault::BufferFull, "buffer-full"},
    {Fault::NotExecutable, "not-executable"},
    {Fault::AckOnly, "ack-only"},
    {Fault::Garbage, "garbage"},
    {Fault::Split, "split"},
    {Fault::Hangup, "hangup"},
    {Fault::LateCompletion, "late-completion"},
};

}  // namespace

const char* faultName(Fault fault) {
    for (const auto& e : kFaultNames) {
        if (e.fault == fault) return e.name;
    }
    return "unknown";
}

std::optional<Fault> faultFromName(std::string_view name) {
    for (const auto& e : kFaultNames) {
        if (name == e.name) return e.fault;
    }
    return std::nullopt;
}

CameraChain::CameraChain(int cameras) {
    if (cameras < 1 || cameras > 7) {
        throw std::invalid_argument("a chain holds 1 to 7 cameras");
    }
    for (int i = 0; i < cameras; ++i) cameras_.emplace_back(i + 1);
    lastCommands_.resize(cameras_.size());
}

const Bytes& CameraChain::lastCommand(int position) const {
    if (position < 1 || position > size()) throw std::out_of_range("no such camera");
    return lastCommands_[static_cast<std::size_t>(position - 1)];
}

void CameraChain::setTiming(const Timing& timing) {
    timing_ = timing;
    for (auto& c : cameras_) c.setInstant(timing.instant);
}

CameraState CameraChain::state(int position, TimePoint now) const {
    if (position < 1 || position > size()) throw std::out_of_range("no such camera");
    return cameras_[static_cast<std::size_t>(position - 1)].state(now);
}

void CameraChain::setState(int position, const CameraState& state, TimePoint now) {
    if (position < 1 || position > size()) throw std::out_of_range("no such camera");
    // Moves end here; a client waiting for their completion gets it now rather than never.
    completeInterrupted(position - 1, kPanAxis | kTiltAxis | kZoomAxis | kFocusAxis, now);
    cameras_[static_cast<std::size_t>(position - 1)].setState(state, now);
}

void CameraChain::receive(const std::uint8_t* data, std::size_t length, TimePoint now) {
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = data[i];
        if (discarding_) {
            discarding_ = b != kTerminator;
            continue;
        }
        frame_.push_back(b);
        if (b == kTerminator) {
            Bytes frame;
            frame.swap(frame_);
            onFrame(frame, now);
        } else if (frame_.size() >= kMaxFrame) {
            // No frame is longer than 16 bytes: answer once and resynchronise on the next FF.
            ++framesReceived_;
            record(now, true, frame_);
            frame_.clear();
            discarding_ = true;
            if (!lineFault(now)) queueReply(Bytes{replyHeader(0), 0x60, 0x02, kTerminator}, now);
        }
    }
}

void CameraChain::onFrame(const Bytes& frame, TimePoint now) {
    if (frame.size() == 1) return;  // a lone terminator carries nothing
    ++framesReceived_;
    record(now, true, frame);

    if (lineFault(now)) return;

    const std::uint8_t header = frame[0];
    if (!(header & 0x80)) {
        queueReply(Bytes{replyHeader(0), 0x60, 0x02, kTerminator}, now);
        return;
    }
    if (header == kBroadcast) {
        onBroadcast(frame, now);
        return;
    }
    if ((header & 0xF0) == 0x80) {
        const int address = header & 0x0F;
        for (std::size_t i = 0; i < cameras_.size(); ++i) {
            if (address >= 1 && cameras_[i].address() == address) {
                onCameraFrame(static_cast<int>(i), frame, now);
                return;
            }
        }
    }
    // Not for any camera here: it travels round the chain and reaches the controller again.
    queueReply(frame, now);
}

bool CameraChain::lineFault(TimePoint now) {
    switch (fault_) {
        case Fault::Silent:
            return true;
        case Fault::Hangup:
            hangupRequested_ = true;
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
        for (auto& last : lastCommands_) last = frame;
    }
    if (frame.size() == 4 && frame[1] == 0x30 && frame[2] >= 1 && frame[2] <= 7) {
        int next = frame[2];
        for (auto& c : cameras_) {
            c.setAddress(next <= 7 ? next : 0);
            ++next;
        }
        queueReply(Bytes{kBroadcast, 0x30, static_cast<std::uint8_t>(next), kTerminator}, now);
        return;
    }
    if (frame.size() == 5 && frame[1] == 0x01 && frame[2] == 0x00 && frame[3] == 0x01) {
        for (std::size_t i = 0; i < cameras_.size(); ++i) {
            cameras_[i].clearInterface(now);
            dropCompletions(static_cast<int>(i));
        }
    } else if (frame.size() > 2 && frame[1] == 0x01) {
        for (std::size_t i = 0; i < cameras_.size(); ++i) {
            const Reply r = cameras_[i].handle(frame.data() + 1, frame.size() - 2, now);
            completeInterrupted(static_cast<int>(i), r.interrupted, now);
        }
    }
    queueReply(frame, now);
}

void CameraChain::onCameraFrame(int index, const Bytes& frame, TimePoint now) {
    const std::uint8_t y = replyHeader(index);
    if (frame.size() > 2 && frame[1] == 0x01) {
        lastCommands_[static_cast<std::size_t>(index)] = frame;
    }
    if (fault_ == Fault::BufferFull) {
        queueReply(Bytes{y, 0x60, 0x03, kTerminator}, now);
        return;
    }
    if (fault_ == Fault::NotExecutable) {
        queueReply(Bytes{y, 0x61, 0x41, kTerminator}, now);
        return;
    }

    VirtualCamera& camera = cameras_[static_cast<std::size_t>(index)];
    const Reply r = camera.handle(frame.data() + 1, frame.size() - 2, now);
    completeInterrupted(index, r.interrupted, now);

    switch (r.kind) {
        case Reply::Kind::SyntaxError:
            queueReply(Bytes{y, 0x60, 0x02, kTerminator}, now);
            return;
        case Reply::Kind::NotExecutable:
            queueReply(Bytes{y, 0x61, 0x41, kTerminator}, now);
            return;
        case Reply::Kind::Data: {
            Bytes out{y, 0x50};
            out.insert(out.end(), r.data.begin(), r.data.end());
            out.push_back(kTerminator);
            queueReply(std::move(out), now);
            return;
        }
        case Reply::Kind::Cleared:
            dropCompletions(index);
            queueReply(Bytes{y, 0x50, kTerminator}, now);
            return;
        case Reply::Kind::Done: {
            const TimePoint ackAt = queue(now, Bytes{y, 0x41, kTerminator});
            if (fault_ == Fault::AckOnly) return;
            TimePoint completeAt = std::max(r.completeAt, ackAt + timing_.completionDelay);
            if (fault_ == Fault::Split)
                completeAt = std::max(completeAt, ackAt + timing_.splitPause);
            if (fault_ == Fault::LateCompletion && r.move)
                completeAt = std::max(completeAt, ackAt + timing_.lateCompletion);
            queue(completeAt, Bytes{y, 0x51, kTerminator}, index, r.movingAxes);
            return;
        }
    }
}

TimePoint CameraChain::queue(TimePoint due, Bytes bytes, std::optional<int> camera, unsigned axes) {
    // Replies must not overtake the second half of a split reply that is still on its way.
    due = std::max(due, heldUntil_);
    Emission e{due, seq_++, std::move(bytes), camera, axes};
    auto at = std::upper_bound(pending_.begin(), pending_.end(), e, Emission::before);
    pending_.insert(at, std::move(e));
    return due;
}

void CameraChain::queueReply(Bytes bytes, TimePoint now) {
    if (fault_ != Fault::Split || bytes.size() < 2) {
        queue(now, std::move(bytes));
        return;
    }
    const auto half = static_cast<std::ptrdiff_t>(bytes.size() / 2);
    const TimePoint first = queue(now, Bytes(bytes.begin(), bytes.begin() + half));
    const TimePoint second = first + timing_.splitPause;
    queue(second, Bytes(bytes.begin() + half, bytes.end()));
    heldUntil_ = second;
}

void CameraChain::completeInterrupted(int index, unsigned axes, TimePoint now) {
    if (axes == 0) return;
    bool changed = false;
    for (auto& e : pending_) {
        if (e.camera == index && (e.axes & axes) && e.due > now) {
            // The interrupted move has ended here and now; its completion goes out before
            // anything that the interrupting frame produces (its seq is older).
            e.due = std::max(now, heldUntil_);
            changed = true;
        }
    }
    if (changed) {
        std::sort(pending_.begin(), pending_.end(), Emission::before);
    }
}

void CameraChain::dropCompletions(int index) {
    pending_.erase(
        std::remove_if(pending_.begin(), pending_.end(),
                       [index](const Emission& emission) { return emission.camera == index; }),
        pending_.end());
}

std::uint8_t CameraChain::replyHeader(int index) const {
    const int address = cameras_[static_cast<std::size_t>(index)].address();
    return static_cast<std::uint8_t>(((address == 0 ? 1 : address) + 8) << 4);
}

Bytes CameraChain::garbage() {
    std::uniform_int_distribution<int> length(2, 10);
    std::uniform_int_distribution<int> first(0x00, 0x7F);
    std::uniform_int_distribution<int> other(0x00, 0xFE);
    const int n = length(random_);
    Bytes out;
    out.push_back(static_cast<std::uint8_t>(first(random_)));
    for (int i = 1; i < n - 1; ++i) out.push_back(static_cast<std::uint8_t>(other(random_)));
    out.push_back(kTerminator);
    return out;
}

std::optional<TimePoint> CameraChain::nextDue() const {
    if (pending_.empty()) return std::nullopt;
    return pending_.front().due;
}

std::vector<Bytes> CameraChain::takeDue(TimePoint now) {
    std::vector<Bytes> out;
    auto it = pending_.begin();
    while (it != pending_.end() && it->due <= now) {
        record(now, false, it->bytes);
        out.push_back(std::move(it->bytes));
        ++it;
    }
    pending_.erase(pending_.begin(), it);
    return out;
}

bool CameraChain::takeHangupRequest() {
    const bool r = hangupRequested_;
    hangupRequested_ = false;
    return r;
}

void CameraChain::record(TimePoint now, bool received, const Bytes& bytes) {
    if (recording_) records_.push_back(LineRecord{now, received, bytes});
}

std::vector<LineRecord> CameraChain::takeRecords() {
    std::vector<LineRecord> out;
    out.swap(records_);
    return out;
}

}  // namespace camsim
