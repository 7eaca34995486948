// What the diagnosis found, said as advice: what is wrong, in the user's terms, and what to do.
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "doctor/Diagnosis.h"

namespace Doctor {

namespace {

using Status = InquiryResult::Status;

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    }
    return text;
}

std::string speedList(const std::vector<SpeedTry>& tries) {
    std::vector<std::string> speeds;
    for (const SpeedTry& attempt : tries) {
        speeds.push_back(std::to_string(attempt.speed));
    }
    std::string text;
    for (std::size_t i = 0; i < speeds.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == speeds.size() ? " or " : ", ") + speeds[i];
    }
    return text + " baud";
}

std::string plural(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string times(int count) { return count == 1 ? "once" : std::to_string(count) + " times"; }

void adviseLink(const Diagnosis& d, std::vector<std::string>& advice) {
    if (!d.opened) {
        advice.push_back(
            d.network ? "The network camera " + d.port + " could not be reached: " + d.cause +
                            ". Check its address and port, that it is switched on and on "
                            "the network, that its VISCA control is enabled in its "
                            "settings, and that no firewall between drops the traffic."
                      : "The port " + d.port + " did not open: " + d.cause + ".");
        return;
    }
    if (!d.found()) {
        if (d.network) {
            advice.push_back(
                "No camera answered at " + d.port +
                ". Check that this is the camera's address and VISCA port, that its VISCA "
                "control is enabled in its settings, and that no firewall between drops the "
                "traffic.");
        } else {
            advice.push_back(
                "No camera answered on " + d.port + " at " + speedList(d.tries) +
                ". Check, in this order: that the camera is switched on and has finished "
                "starting (its power light); that the cable is a VISCA cable, from this port to "
                "the camera's VISCA IN, and on a daisy chain from each camera's VISCA OUT to the "
                "next one's IN; that the line is terminated where the camera's manual asks (the "
                "last camera of an RS-422 or RS-485 line); and that the camera's baud-rate "
                "setting (a switch or a menu item) is one of these speeds.");
        }
        for (const SpeedTry& attempt : d.tries) {
            if (attempt.outcome == SetUp::Outcome::Refused) {
                advice.push_back(
                    "At " + std::to_string(attempt.speed) +
                    " baud something answered, but not as a chain of cameras does (" +
                    attempt.error + (attempt.reply.empty() ? "" : " " + attempt.reply) +
                    "): another device may be on this port, or the line speed is wrong.");
            }
        }
        return;
    }
    if (d.lineSpeed && d.tries.size() > 1) {
        advice.push_back(std::string(d.cameras == 1 ? "The camera answers" : "The cameras answer") +
                         " at " + std::to_string(*d.lineSpeed) + " baud, not at " +
                         std::to_string(d.tries.front().speed) + ": name the port " + d.link +
                         " wherever you connect to it (quorvin --port, the Demo's port field, "
                         "the hub's configuration).");
    }
}

void adviseCamera(const CameraDiagnosis& camera, std::vector<std::string>& advice) {
    const std::string who = "Camera " + std::to_string(camera.number);
    std::vector<std::string> answered;
    std::vector<std::string> refused;
    std::vector<std::string> silent;
    std::vector<std::string> broken;
    std::string brokenExample;
    // Other failures, by the library's message: a broken line fails every inquiry alike.
    std::vector<std::pair<std::string, std::vector<std::string>>> other;
    // The first of the unanswered inquiries after which the camera was asked nothing more.
    std::string stoppedAt;
    for (std::size_t i = 0; i < camera.inquiries.size(); ++i) {
        const InquiryResult& inquiry = camera.inquiries[i];
        switch (inquiry.status) {
            case Status::Answered:
                answered.push_back(inquiry.name);
                if (!inquiry.needs.empty()) {
                    advice.push_back("On camera " + std::to_string(camera.number) + ", " +
                                     inquiry.name +
                                     " fails although the camera answers its own inquiry: the "
                                     "library also asks " +
                                     inquiry.needs + ", which this camera refuses.");
                }
                break;
            case Status::Refused:
                refused.push_back(inquiry.name);
                break;
            case Status::Failed:
                if (inquiry.timedOut && inquiry.reply.empty()) {
                    silent.push_back(inquiry.name);
                } else if (!inquiry.reply.empty()) {
                    if (broken.empty()) {
                        brokenExample =
                            inquiry.name + " came as " + inquiry.reply + " (" + inquiry.error + ")";
                    }
                    broken.push_back(inquiry.name);
                } else {
                    const auto same = std::find_if(
                        other.begin(), other.end(),
                        [&inquiry](const auto& failure) { return failure.first == inquiry.error; });
                    if (same == other.end()) {
                        other.push_back({inquiry.error, {inquiry.name}});
                    } else {
                        same->second.push_back(inquiry.name);
                    }
                }
                break;
            case Status::NotAsked:
                if (stoppedAt.empty()) {
                    std::size_t first = i;
                    while (first > 0 && camera.inquiries[first - 1].status == Status::Failed &&
                           camera.inquiries[first - 1].timedOut &&
                           camera.inquiries[first - 1].reply.empty()) {
                        --first;
                    }
                    stoppedAt = camera.inquiries[first].name;
                }
                break;
        }
    }
    if (answered.empty() && refused.empty() && broken.empty()) {
        advice.push_back(who +
                         " was counted by the link set-up but answered none of its inquiries: it "
                         "may be switched to standby, still starting, or its address answered "
                         "by nobody. Check its power and run the diagnosis again.");
        return;
    }
    if (!stoppedAt.empty()) {
        advice.push_back(who + " stopped answering: from " + stoppedAt +
                         " on nothing came back, and it was asked nothing more. Check its power "
                         "and its cable.");
    } else if (!silent.empty()) {
        advice.push_back(who + " did not answer " + joined(silent) + " in time.");
    }
    if (!refused.empty()) {
        std::string text = who + " refuses " + joined(refused) + " (a syntax error)";
        text += camera.likelyLacks.empty()
                    ? "."
                    : ": it most likely lacks " + joined(camera.likelyLacks) +
                          " as well. Leave them out for this camera";
        if (!camera.likelyLacks.empty()) {
            text +=
                "; quorvin doctor --profile FILE writes what it has as a capability profile, "
                "which the hub and the virtual camera read.";
        }
        advice.push_back(text);
    }
    if (!broken.empty()) {
        advice.push_back(who + "'s answers break the protocol: " +
                         (broken.size() == 1 ? brokenExample
                                             : plural(broken.size(), "answer", "answers") +
                                                   " came in a shape the library refuses (" +
                                                   joined(broken) + "); " + brokenExample) +
                         ". A wrong line speed, noise on the line or the camera's firmware can "
                         "cause it: check the cable and the speed, and try the camera alone on "
                         "the line.");
    }
    for (const auto& [error, names] : other) {
        advice.push_back(who + ": " + joined(names) + " failed: " + error);
    }
}

void adviseUnasked(const Diagnosis& d, std::vector<std::string>& advice) {
    // Each kind of finding once, with its first frame as the example and how often it came.
    struct Seen {
        std::string example;
        int count = 0;
    };
    std::map<std::string, Seen> foreign;  // "camera k|camera j"
    std::map<int, Seen> second;           // by camera
    std::map<std::string, Seen> unasked;  // by what
    std::size_t strayBytes = 0;
    std::string strayExample;
    // Network changes as a network camera's greeting: at the connection, before any inquiry.
    int greetings = 0;
    for (const UnaskedFrame& frame : d.unasked) {
        greetings +=
            d.network && frame.what == "network change" && frame.during == 0 && !frame.quiet;
        const bool reply = frame.what == "acknowledgement" || frame.what == "completion" ||
                           frame.what == "answer" || frame.what == "error";
        if (frame.what == "bytes without the terminator FF" ||
            frame.what == "bytes that are no frame") {
            strayBytes += (frame.frame.size() + 1) / 3;
            if (strayExample.empty()) {
                strayExample = frame.frame.substr(0, 3 * 8 - 1);
            }
        } else if (reply && frame.during > 0 && frame.from && *frame.from != frame.during) {
            Seen& seen = foreign[std::to_string(frame.during) + "|" + std::to_string(*frame.from)];
            seen.example = seen.example.empty() ? frame.frame : seen.example;
            ++seen.count;
        } else if (frame.what == "answer" && frame.during > 0 && frame.from == frame.during) {
            Seen& seen = second[frame.during];
            seen.example = seen.example.empty() ? frame.frame : seen.example;
            ++seen.count;
        } else {
            Seen& seen = unasked[frame.what];
            seen.example = seen.example.empty() ? frame.frame : seen.example;
            ++seen.count;
        }
    }
    for (const auto& [pair, seen] : foreign) {
        const std::string asked = pair.substr(0, pair.find('|'));
        const std::string from = pair.substr(pair.find('|') + 1);
        advice.push_back("While camera " + asked + " was asked, camera " + from + " replied (" +
                         seen.example + ", " + times(seen.count) +
                         "): a camera answers for another's address. The link set-up numbers "
                         "the cameras of a chain; look for a camera whose address is fixed by a "
                         "switch or a menu, or two chains joined into one line.");
    }
    for (const auto& [camera, seen] : second) {
        advice.push_back("Camera " + std::to_string(camera) + "'s inquiries got a second answer (" +
                         seen.example + ", " + times(seen.count) +
                         "): two cameras may share address " + std::to_string(camera) +
                         " (two chains joined into one line, or an address fixed by a switch), or "
                         "the camera repeats its answers.");
    }
    for (const auto& [what, seen] : unasked) {
        if (what == "network change" && greetings == seen.count) {
            advice.push_back(
                "The camera greets each new connection with the network-change "
                "message (" +
                seen.example +
                "). A program must not take it for a reply; the library sets it "
                "aside.");
        } else if (what == "network change") {
            advice.push_back(
                "The network-change message (" + seen.example + ") came unasked " +
                times(seen.count) +
                ": the camera sends it when its chain or its network connection changes. A "
                "program must not take it for a reply; the library sets it aside.");
        } else if (what == "infrared remote key") {
            advice.push_back("Infrared remote keys came unasked (" + seen.example + ", " +
                             times(seen.count) +
                             "): the camera passes on its remote's presses. If no program uses "
                             "them, turn them off: quorvin --port " +
                             (d.link.empty() ? d.port : d.link) + " setIrReceiveReturnState off");
        } else {
            advice.push_back("A frame no request asked for came " + times(seen.count) + " (" +
                             what + ", " + seen.example +
                             "): another controller may be on the line, or a camera answers "
                             "late.");
        }
    }
    if (strayBytes > 0) {
        advice.push_back(plural(strayBytes, "byte", "bytes") + " came that belong to no frame (" +
                         strayExample +
                         " ...): noise on the line, a wrong line speed, or another device "
                         "sending on it.");
    }
}

}  // namespace

std::vector<std::string> advise(const Diagnosis& diagnosis) {
    std::vector<std::string> advice;
    adviseLink(diagnosis, advice);
    if (diagnosis.found() && diagnosis.diagnosed.empty()) {
        advice.push_back("The camera asked for is not on this link: the link set-up counted " +
                         plural(static_cast<std::size_t>(diagnosis.cameras), "camera", "cameras") +
                         ".");
    }
    for (const CameraDiagnosis& camera : diagnosis.diagnosed) {
        adviseCamera(camera, advice);
    }
    adviseUnasked(diagnosis, advice);
    if (!diagnosis.listenFailure.empty()) {
        advice.push_back("The link failed while it was listened to, after the inquiries: " +
                         diagnosis.listenFailure +
                         ". Check the cable and the adaptor, or the camera's network "
                         "connection.");
    }
    if (advice.empty()) {
        advice.push_back("Nothing wrong found.");
    }
    return advice;
}

}  // namespace Doctor
