// The diagnosis as a user pastes it into a support request (text or JSON), and as a capability
// profile.
#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>
#include <string>

#include "doctor/Diagnosis.h"

namespace Doctor {

namespace {

using Json = nlohmann::ordered_json;
using Status = InquiryResult::Status;

std::string milliseconds(double value) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(2) << value << " ms";
    return text.str();
}

double rounded(double value) { return static_cast<double>(std::llround(value * 1000)) / 1000; }

std::string cameraCount(int cameras) {
    return std::to_string(cameras) + (cameras == 1 ? " camera" : " cameras");
}

const char* outcomeWord(SetUp::Outcome outcome) {
    switch (outcome) {
        case SetUp::Outcome::Answered:
            return "answered";
        case SetUp::Outcome::NotOpened:
            return "did not open";
        case SetUp::Outcome::NoAnswer:
            return "no answer";
        case SetUp::Outcome::Refused:
            return "not a chain's answer";
    }
    return "";
}

std::string tryLine(const Diagnosis& d, const SpeedTry& attempt) {
    switch (attempt.outcome) {
        case SetUp::Outcome::Answered:
            return "answered: " + cameraCount(d.cameras) + ", link set-up in " +
                   milliseconds(d.setUpMilliseconds);
        case SetUp::Outcome::NotOpened:
            return "did not open: " + attempt.error;
        case SetUp::Outcome::NoAnswer:
            return "no answer";
        case SetUp::Outcome::Refused:
            return "answered, but not as a chain of cameras does: " + attempt.error +
                   (attempt.reply.empty() ? "" : " (" + attempt.reply + ")");
    }
    return "";
}

std::string whenSeen(const UnaskedFrame& frame) {
    if (frame.quiet) {
        return "in the quiet second";
    }
    return frame.during == 0 ? "during the link set-up"
                             : "while camera " + std::to_string(frame.during) + " was asked";
}

std::string deviceLine(const DeviceCodes& codes) {
    return "vendor " + codeText(codes.vendor) + ", model " + codeText(codes.model) + ", ROM " +
           codeText(codes.rom) + ", " + std::to_string(codes.maxSocket) +
           (codes.maxSocket == 1 ? " socket" : " sockets");
}

std::string valueText(const InquiryResult& inquiry) {
    switch (inquiry.status) {
        case Status::Answered:
            if (!inquiry.needs.empty()) {
                return "answered, but the operation fails: it also asks " + inquiry.needs +
                       ", which is refused";
            }
            return inquiry.text;
        case Status::Refused:
            return "refused (syntax error)";
        case Status::Failed:
            return "failed: " + inquiry.error +
                   (inquiry.reply.empty() ? "" : " (reply: " + inquiry.reply + ")");
        case Status::NotAsked:
            return "not asked: the camera had stopped answering";
    }
    return "";
}

std::vector<std::string> named(const CameraDiagnosis& camera, Status status) {
    std::vector<std::string> names;
    for (const InquiryResult& inquiry : camera.inquiries) {
        if (inquiry.status == status) {
            names.push_back(inquiry.name);
        }
    }
    return names;
}

std::string listed(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text.empty() ? "none" : text;
}

Json orNull(const std::string& text) { return text.empty() ? Json() : Json(text); }

Json deviceJson(const DeviceCodes& codes) {
    return {{"vendor", codes.vendor},
            {"model", codes.model},
            {"rom", codes.rom},
            {"maxSocket", codes.maxSocket}};
}

}  // namespace

std::string diagnosisText(const Diagnosis& d) {
    std::ostringstream text;
    text << "Quorvin camera diagnosis\n"
         << "  tool          " << d.tool << '\n'
         << "  time          " << d.time << '\n'
         << "  port          " << d.port << '\n';

    text << "\nLink\n";
    for (const SpeedTry& attempt : d.tries) {
        std::string label =
            attempt.speed == 0 ? "network" : std::to_string(attempt.speed) + " baud";
        text << "  " << label << std::string(label.size() < 14 ? 14 - label.size() : 1, ' ')
             << tryLine(d, attempt) << '\n';
    }
    if (!d.cause.empty()) {
        text << "  cause         " << d.cause << '\n';
    }
    if (d.found()) {
        text << "  connect with  " << d.link << '\n';
    }

    for (const CameraDiagnosis& camera : d.diagnosed) {
        text << "\nCamera " << camera.number << '\n';
        text << "  device        "
             << (camera.codes ? deviceLine(*camera.codes) : "unknown (no device type)") << '\n';
        if (camera.roundTrip) {
            const RoundTrip& trip = *camera.roundTrip;
            text << "  round trip    " << milliseconds(trip.median) << ", median of "
                 << trip.samples << ' ' << trip.inquiry << " (" << milliseconds(trip.fastest)
                 << " to " << milliseconds(trip.slowest) << ")\n";
        } else {
            text << "  round trip    not measured: no inquiry was answered\n";
        }
        text << "  answers       " << named(camera, Status::Answered).size() << " of "
             << camera.inquiries.size() << " inquiries\n";
        text << "  refuses       " << listed(named(camera, Status::Refused)) << '\n';
        text << "  likely lacks  " << listed(camera.likelyLacks) << '\n';
        text << "  values\n";
        std::size_t width = 0;
        for (const InquiryResult& inquiry : camera.inquiries) {
            width = std::max(width, inquiry.name.size());
        }
        for (const InquiryResult& inquiry : camera.inquiries) {
            text << "    " << inquiry.name << std::string(width - inquiry.name.size() + 2, ' ')
                 << valueText(inquiry) << '\n';
        }
    }

    if (d.opened && d.found()) {
        text << "\nUnasked frames\n";
        const bool quietHeardSomething = std::any_of(d.unasked.begin(), d.unasked.end(),
                                                     [](const UnaskedFrame& f) { return f.quiet; });
        if (!quietHeardSomething) {
            text << "  none in the quiet " << d.quietMilliseconds << " ms after the inquiries\n";
        }
        // A camera that talks without end would fill a support request; the first frames show
        // what it says, the advice how often.
        constexpr std::size_t SHOWN = 12;
        for (std::size_t i = 0; i < d.unasked.size() && i < SHOWN; ++i) {
            const UnaskedFrame& frame = d.unasked[i];
            text << "  " << frame.frame << "  " << frame.what
                 << (frame.from ? " from camera " + std::to_string(*frame.from) : "") << ", "
                 << whenSeen(frame) << '\n';
        }
        if (d.unasked.size() > SHOWN) {
            text << "  ... and " << d.unasked.size() - SHOWN << " more\n";
        }
    }

    text << "\nAdvice\n";
    for (const std::string& line : d.advice) {
        text << "  - " << line << '\n';
    }
    return text.str();
}

Json diagnosisJson(const Diagnosis& d) {
    Json tries = Json::array();
    for (const SpeedTry& attempt : d.tries) {
        tries.push_back({{"speed", attempt.speed == 0 ? Json() : Json(attempt.speed)},
                         {"result", outcomeWord(attempt.outcome)},
                         {"error", orNull(attempt.error)},
                         {"reply", orNull(attempt.reply)}});
    }
    Json link = {{"opened", d.opened},
                 {"cause", orNull(d.cause)},
                 {"tries", tries},
                 {"lineSpeed", d.lineSpeed ? Json(*d.lineSpeed) : Json()},
                 {"connectWith", orNull(d.link)},
                 {"cameras", d.cameras},
                 {"setUpMilliseconds", rounded(d.setUpMilliseconds)}};

    Json cameras = Json::array();
    for (const CameraDiagnosis& camera : d.diagnosed) {
        Json values = Json::object();
        Json failed = Json::object();
        Json fails = Json::object();
        for (const InquiryResult& inquiry : camera.inquiries) {
            if (inquiry.status == Status::Answered && inquiry.needs.empty()) {
                values[inquiry.name] = inquiry.value;
            }
            if (!inquiry.needs.empty()) {
                fails[inquiry.name] = {{"needs", inquiry.needs}, {"error", inquiry.error}};
            }
            if (inquiry.status == Status::Failed) {
                failed[inquiry.name] = {{"error", inquiry.error},
                                        {"reply", orNull(inquiry.reply)},
                                        {"timedOut", inquiry.timedOut}};
            }
        }
        Json trip;
        if (camera.roundTrip) {
            trip = {{"inquiry", camera.roundTrip->inquiry},
                    {"samples", camera.roundTrip->samples},
                    {"medianMilliseconds", rounded(camera.roundTrip->median)},
                    {"fastestMilliseconds", rounded(camera.roundTrip->fastest)},
                    {"slowestMilliseconds", rounded(camera.roundTrip->slowest)}};
        }
        cameras.push_back({{"camera", camera.number},
                           {"device", camera.codes ? deviceJson(*camera.codes) : Json()},
                           {"answered", named(camera, Status::Answered)},
                           {"refused", named(camera, Status::Refused)},
                           {"failed", failed},
                           {"notAsked", named(camera, Status::NotAsked)},
                           {"operationsFailing", fails},
                           {"likelyLacks", camera.likelyLacks},
                           {"values", values},
                           {"roundTrip", trip}});
    }

    Json unasked = Json::array();
    for (const UnaskedFrame& frame : d.unasked) {
        unasked.push_back(
            {{"frame", frame.frame},
             {"what", frame.what},
             {"from", frame.from ? Json(*frame.from) : Json()},
             {"when", frame.quiet         ? "quiet"
                      : frame.during == 0 ? "link set-up"
                                          : "camera " + std::to_string(frame.during)}});
    }
    return {{"tool", d.tool},
            {"time", d.time},
            {"port", d.port},
            {"link", link},
            {"cameras", cameras},
            {"unasked", unasked},
            {"quietMilliseconds", d.quietMilliseconds},
            {"listenFailure", orNull(d.listenFailure)},
            {"advice", d.advice}};
}

Json capabilityProfile(const Diagnosis& d, int number) {
    const auto camera =
        std::find_if(d.diagnosed.begin(), d.diagnosed.end(),
                     [number](const CameraDiagnosis& c) { return c.number == number; });
    if (camera == d.diagnosed.end() || !camera->codes) {
        return Json();
    }
    const DeviceCodes& codes = *camera->codes;
    Json profile;
    profile["format"] = "quorvin-capability-profile";
    profile["version"] = 1;
    profile["name"] = "camera " + std::to_string(number) + " on " + d.link + " (vendor " +
                      codeText(codes.vendor) + ", model " + codeText(codes.model) + ")";
    profile["notes"] = "Written by " + d.tool + " at " + d.time +
                       " from what the camera answered. Presets, speeds and travel cannot be "
                       "learnt by inquiry and are left out.";
    profile["device"] = deviceJson(codes);
    if (d.lineSpeed) {
        profile["lineSpeed"] = *d.lineSpeed;
    }
    profile["inquiries"] = {{"answered", named(*camera, Status::Answered)},
                            {"refused", named(*camera, Status::Refused)}};
    profile["lacks"] = camera->likelyLacks;
    if (d.network) {
        // The greeting comes with the connection, ahead of the link set-up's answer.
        const bool greeted =
            std::any_of(d.unasked.begin(), d.unasked.end(), [number](const UnaskedFrame& f) {
                return f.what == "network change" && f.during == 0 && !f.quiet &&
                       (!f.from || *f.from == number);
            });
        profile["unsolicited"] = {{"networkChangeOnConnect", greeted}};
    }
    return profile;
}

}  // namespace Doctor
