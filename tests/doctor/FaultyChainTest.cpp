// doctor on chains whose faults no model of the virtual camera plays: a camera that answers for
// another's address, two cameras on one address, a camera that stops answering, one that the
// link set-up counts but that answers nothing. The link is a transport of the test's own over
// the virtual camera's chain, driven on a clock of its own, with a twist on the way back; so the
// waits for what never comes cost nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "doctor/Diagnosis.h"
#include "quorvin/DriverException.h"
#include "sim/CameraChain.h"
#include "transport/Comm.h"

namespace DoctorTest {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Doctor::Diagnosis;
using Status = Doctor::InquiryResult::Status;

// What reaches the line of the chain's replies to one request: the replies as they are, or
// changed, dropped or doubled. `request` is the request's number, counted from 1.
using Twist =
    std::function<std::vector<Bytes>(const Bytes& frame, int request, std::vector<Bytes> replies)>;

const std::string BROKEN = "Serial communication error occured in WinSerialCommAdaptor::recv() !";

// Every reply as the chain sent it.
std::vector<Bytes> asSent(const Bytes&, int, std::vector<Bytes> replies) { return replies; }

class TwistedLink : public CameraDriver::Comm {
  public:
    // From request `breaksAfter` + 1 on, a read with nothing to take fails as a line does whose
    // adaptor was pulled out.
    TwistedLink(int cameras, Twist twist, int breaksAfter = 1000)
        : chain(cameras), change(std::move(twist)), lastGood(breaksAfter) {
        Camsim::Timing timing;
        timing.instant = true;
        chain.setTiming(timing);
    }

    void connect(const std::string&) override {}
    void disconnect() override {}
    void send(const unsigned char* data, std::uint32_t* count) override {
        pending.clear();
        const Bytes frame(data, data + *count);
        // The chain keeps the same steady clock's time points as the link.
        chain.receive(data, *count, clock);
        for (const Bytes& reply : change(frame, ++requests, chain.takeDue(clock))) {
            pending.insert(pending.end(), reply.begin(), reply.end());
        }
    }
    bool tryReceive(unsigned char* buffer, std::uint32_t* count,
                    Clock::time_point deadline) override {
        if (pending.empty() && requests > lastGood) {
            throw CameraDriver::DriverException(BROKEN);
        }
        if (pending.empty()) {
            clock = std::max(clock, deadline);
            return false;
        }
        // As the library's transports read: up to a frame's terminator, or what there is.
        const auto terminator = std::find(pending.begin(), pending.end(), 0xFF);
        const std::size_t frame =
            terminator == pending.end() ? pending.size() : terminator - pending.begin() + 1;
        const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::size_t>(*count, frame));
        std::memcpy(buffer, pending.data(), n);
        pending.erase(pending.begin(), pending.begin() + n);
        *count = n;
        return true;
    }
    [[noreturn]] void failNoReply() const override {
        throw CameraDriver::DriverException("scripted line: no reply in time");
    }
    Clock::time_point now() const override { return clock; }

  private:
    Camsim::CameraChain chain;
    Twist change;
    Bytes pending;
    int requests = 0;
    int lastGood;
    Clock::time_point clock{};
};

Diagnosis diagnoseTwisted(int cameras, Twist twist, int breaksAfter = 1000) {
    Doctor::DoctorSettings settings;
    settings.makeLink = [cameras, twist, breaksAfter] {
        return std::unique_ptr<CameraDriver::Comm>(new TwistedLink(cameras, twist, breaksAfter));
    };
    settings.tool = "test";
    return Doctor::diagnose("/dev/ttyTEST0", settings);
}

// The camera a request is for: its header's address; 0 for a broadcast.
int addressOf(const Bytes& frame) { return frame[0] == 0x88 ? 0 : frame[0] & 0x0F; }

bool advised(const Diagnosis& d, const std::string& words) {
    return std::any_of(d.advice.begin(), d.advice.end(), [&words](const std::string& line) {
        return line.find(words) != std::string::npos;
    });
}

std::string allAdvice(const Diagnosis& d) {
    std::string text;
    for (const std::string& line : d.advice) {
        text += line + "\n";
    }
    return text;
}

TEST(FaultyChain, ACameraAnsweringForAnothersAddressIsNamed) {
    // Camera 2's replies come with camera 1's header, as from a camera set to the wrong address.
    const Diagnosis d = diagnoseTwisted(2, [](const Bytes& frame, int, std::vector<Bytes> replies) {
        if (addressOf(frame) == 2) {
            for (Bytes& reply : replies) {
                reply[0] = 0x90;
            }
        }
        return replies;
    });
    SCOPED_TRACE(allAdvice(d));
    ASSERT_EQ(d.diagnosed.size(), 2u);
    EXPECT_EQ(d.diagnosed[1].inquiries[0].status, Status::Failed);
    EXPECT_TRUE(advised(d,
                        "While camera 2 was asked, camera 1 replied (90 50 00 51 00 01 01 00 "
                        "02 FF, 3 times): a camera answers for another's address."));
    EXPECT_TRUE(advised(d,
                        "Camera 2 was counted by the link set-up but answered none of its "
                        "inquiries"));
    // Camera 1 itself is fine.
    EXPECT_TRUE(
        std::all_of(d.diagnosed[0].inquiries.begin(), d.diagnosed[0].inquiries.end(),
                    [](const Doctor::InquiryResult& r) { return r.status == Status::Answered; }));
}

TEST(FaultyChain, TwoCamerasOnOneAddressGiveTwoAnswers) {
    const Diagnosis d = diagnoseTwisted(1, [](const Bytes& frame, int, std::vector<Bytes> replies) {
        if (addressOf(frame) == 1 && !replies.empty()) {
            replies.push_back(replies.back());
        }
        return replies;
    });
    SCOPED_TRACE(allAdvice(d));
    EXPECT_TRUE(advised(d,
                        "Camera 1's inquiries got a second answer (90 50 00 51 00 01 01 00 02 "
                        "FF, "));
    EXPECT_TRUE(advised(d, "two cameras may share address 1"));
    // The first answer of each is taken.
    EXPECT_EQ(d.diagnosed[0].inquiries[0].status, Status::Answered);
}

TEST(FaultyChain, ACameraThatStopsAnsweringIsAskedNothingMore) {
    // The link set-up takes two requests; the camera answers getDeviceType, getPanTilt and
    // getZoom (two inquiries), then nothing.
    const Diagnosis d =
        diagnoseTwisted(1, [](const Bytes&, int request, std::vector<Bytes> replies) {
            return request <= 6 ? replies : std::vector<Bytes>{};
        });
    SCOPED_TRACE(allAdvice(d));
    ASSERT_EQ(d.diagnosed.size(), 1u);
    const auto& inquiries = d.diagnosed[0].inquiries;
    EXPECT_EQ(inquiries[2].status, Status::Answered);
    for (std::size_t i = 3; i < 6; ++i) {
        EXPECT_EQ(inquiries[i].status, Status::Failed) << inquiries[i].name;
        EXPECT_TRUE(inquiries[i].timedOut) << inquiries[i].name;
    }
    for (std::size_t i = 6; i < inquiries.size(); ++i) {
        EXPECT_EQ(inquiries[i].status, Status::NotAsked) << inquiries[i].name;
    }
    EXPECT_TRUE(advised(d, "Camera 1 stopped answering: from " + inquiries[3].name +
                               " on nothing came back, and it was asked nothing more."));
    EXPECT_FALSE(d.diagnosed[0].roundTrip.has_value());
}

TEST(FaultyChain, BytesThatAreNoFrameAreCountedAsNoise) {
    const Diagnosis d = diagnoseTwisted(1, [](const Bytes&, int, std::vector<Bytes> replies) {
        replies.push_back({0x12, 0x34, 0x56});
        return replies;
    });
    SCOPED_TRACE(allAdvice(d));
    // Set aside, they take no answer's place.
    EXPECT_EQ(d.diagnosed[0].inquiries[0].status, Status::Answered);
    EXPECT_TRUE(advised(d,
                        " bytes came that belong to no frame (12 34 56 ...): noise on the "
                        "line, a wrong line speed, or another device sending on it."));
}

// The adaptor pulled out after the third inquiry: every inquiry after it fails alike, and so
// does the quiet second; each is said once.
TEST(FaultyChain, ALineThatBreaksIsSaidOnce) {
    const Diagnosis d = diagnoseTwisted(1, asSent, 5);
    SCOPED_TRACE(allAdvice(d));
    const auto& inquiries = d.diagnosed[0].inquiries;
    EXPECT_EQ(inquiries[2].status, Status::Answered);
    EXPECT_EQ(inquiries[3].status, Status::Failed);
    EXPECT_EQ(inquiries[3].error, BROKEN);
    EXPECT_EQ(inquiries.back().status, Status::Failed);
    EXPECT_EQ(std::count_if(d.advice.begin(), d.advice.end(),
                            [](const std::string& line) {
                                return line.rfind("Camera 1: getDZoomState, getFocusMode, ", 0) ==
                                       0;
                            }),
              1)
        << allAdvice(d);
    EXPECT_TRUE(advised(d, " and getAutoPowerOffDelay failed: " + BROKEN));
    EXPECT_EQ(d.listenFailure, BROKEN);
    EXPECT_TRUE(advised(d, "The link failed while it was listened to, after the inquiries: " +
                               BROKEN + ". Check the cable and the adaptor"));
}

// The chain answered the link set-up with something that is no count of cameras.
TEST(FaultyChain, ALinkSetUpAnsweredWronglyIsNoChain) {
    const Diagnosis d = diagnoseTwisted(1, [](const Bytes& frame, int, std::vector<Bytes> replies) {
        if (frame[1] == 0x30) {
            return std::vector<Bytes>{{0x88, 0x30, 0x01, 0xFF}};
        }
        return replies;
    });
    SCOPED_TRACE(allAdvice(d));
    EXPECT_TRUE(d.opened);
    EXPECT_FALSE(d.found());
    ASSERT_EQ(d.tries.size(), 3u);
    EXPECT_EQ(d.tries[0].outcome, Doctor::SetUp::Outcome::Refused);
    EXPECT_TRUE(advised(d,
                        "At 9600 baud something answered, but not as a chain of cameras does "
                        "(No camera connected ! 88 30 01 FF)"));
}

}  // namespace
}  // namespace DoctorTest
