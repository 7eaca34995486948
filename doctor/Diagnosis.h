#pragma once

// `quorvin doctor`: a diagnosis of one link that a user can paste into a support request. It
// opens the port (trying the other line speeds when the first does not answer), counts the
// chain, and asks each camera every inquiry of the library's operation table through the
// library's own operations, so that the frames are those a program sends. Nothing else goes
// out: no command that moves a camera or changes a setting. From the answers and refusals it
// names what each camera most likely lacks, and from everything it saw, what to do.

#include <chrono>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "doctor/Messages.h"
#include "doctor/Session.h"

namespace Doctor {

struct DoctorSettings {
    LinkMaker makeLink = libraryLinks();
    // The speeds tried after the one the port's name gives (9600 when it gives none).
    std::vector<std::uint32_t> speeds = {9600, 38400, 115200};
    // The wait of the link set-up at each speed: short, since most speeds answer nothing.
    std::chrono::milliseconds probeWait{400};
    // The wait of each inquiry. A camera that does not answer three in a row in this time is
    // asked nothing more.
    std::chrono::milliseconds inquiryWait{1000};
    // How long the link is listened to, with nothing asked, for what the cameras say unasked.
    std::chrono::milliseconds quiet{1000};
    // How many times the round trip of one inquiry is timed.
    int samples = 7;
    // Only this camera of the chain; all when not given.
    std::optional<int> camera;
    // For the report's heading.
    std::string tool;
    std::string time;
};

struct InquiryResult {
    enum class Status {
        Answered,  // the camera answered (the operation may still fail, see `needs`)
        Refused,   // the camera answered its own frame with a syntax error
        Failed,    // anything else: no answer in time, an answer that breaks the protocol, ...
        NotAsked,  // the camera had stopped answering
    };
    std::string name;
    Status status = Status::NotAsked;
    std::string text;              // the value as the tool prints it
    nlohmann::ordered_json value;  // the same as JSON; null without one
    std::string error;             // the library's message, when the operation failed
    std::string reply;             // the frames that came to the failing request, in hex
    bool timedOut = false;
    // An operation whose own inquiry was answered but that failed on another inquiry that it
    // also sends (getZoom asks getDZoomState too): that inquiry's name.
    std::string needs;
};

struct RoundTrip {
    std::string inquiry;  // the operation timed
    int samples = 0;
    double median = 0;
    double fastest = 0;
    double slowest = 0;
};

// A frame no request asked for, as the user reads it.
struct UnaskedFrame {
    std::string frame;  // hex
    std::string what;   // "network change", ...
    std::optional<int> from;
    int during = 0;      // the camera being asked at the time; 0 for none
    bool quiet = false;  // in the quiet second
};

struct CameraDiagnosis {
    int number = 0;
    std::optional<DeviceCodes> codes;
    std::vector<InquiryResult> inquiries;
    std::vector<std::string> likelyLacks;
    std::optional<RoundTrip> roundTrip;
};

struct SpeedTry {
    std::uint32_t speed = 0;  // 0: a network camera
    SetUp::Outcome outcome = SetUp::Outcome::NoAnswer;
    std::string error;
    std::string reply;
};

struct Diagnosis {
    std::string tool;
    std::string time;
    std::string port;  // as given
    bool network = false;
    bool opened = false;
    std::string cause;  // why the port did not open, in words
    std::vector<SpeedTry> tries;
    std::optional<std::uint32_t> lineSpeed;  // the serial line's speed that answered
    std::string link;                        // the name to connect with
    int cameras = 0;                         // counted by the link set-up
    double setUpMilliseconds = 0;
    std::vector<CameraDiagnosis> diagnosed;
    std::vector<UnaskedFrame> unasked;
    int quietMilliseconds = 0;  // how long the link was listened to with nothing asked
    std::string listenFailure;  // why the link failed while it was listened to, if it did
    std::vector<std::string> advice;

    // Whether any camera answered: the diagnosis found something to work with.
    bool found() const { return cameras > 0; }
};

Diagnosis diagnose(const std::string& port, const DoctorSettings& settings);

// The commands a camera most likely lacks when it refuses `inquiry`: its setter and its
// steppers, as the operation table names them (getRGain: setRGain, increaseRGain,
// decreaseRGain, resetRGain).
std::vector<std::string> commandsOf(const std::string& inquiry);

// The advice for what the diagnosis found, in plain words, most important first.
std::vector<std::string> advise(const Diagnosis& diagnosis);

// For a support request: text, or the same as JSON.
std::string diagnosisText(const Diagnosis& diagnosis);
nlohmann::ordered_json diagnosisJson(const Diagnosis& diagnosis);

// What the diagnosis learned of camera `number` as a capability profile
// (docs/capability-profile.md): its device codes, the line speed, the inquiries it answered
// and refused, what it most likely lacks and, on a network link, whether it greeted the
// connection with the network change. What a diagnosis cannot learn (presets, speeds, ranges)
// is left out, which the format reads as "not known".
nlohmann::ordered_json capabilityProfile(const Diagnosis& diagnosis, int number);

}  // namespace Doctor
