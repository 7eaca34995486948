#include "doctor/Diagnosis.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <utility>

#include "cli/PortCheck.h"
#include "doctor/Scan.h"
#include "operations/Operations.h"
#include "quorvin/Controller.h"

namespace Doctor {

namespace {

// The operations of this group only read the library's own state and send nothing.
const char* const LINK_GROUP = "Link and cameras";
// A camera that lets this many inquiries in a row go unanswered is asked nothing more: the
// rest would only wait out their time each.
constexpr int SILENT_IN_A_ROW = 3;

bool isNetworkName(const std::string& name) {
    return name.rfind("tcp://", 0) == 0 || name.rfind("udp://", 0) == 0;
}

// The frames in `bytes`, each up to and including FF; bytes after the last FF are left out.
std::vector<Bytes> framesOf(const Bytes& bytes) {
    std::vector<Bytes> frames;
    Bytes frame;
    for (const std::uint8_t byte : bytes) {
        frame.push_back(byte);
        if (byte == 0xFF) {
            frames.push_back(std::exchange(frame, {}));
        }
    }
    return frames;
}

bool answeredBy(const Bytes& received, int number) {
    for (const Bytes& frame : framesOf(received)) {
        const MessageKind kind = kindOf(frame);
        if (kind.kind == MessageKind::Kind::Answer && kind.from == number) {
            return true;
        }
    }
    return false;
}

bool refusedBy(const Bytes& received, int number) {
    for (const Bytes& frame : framesOf(received)) {
        if (frame.size() == 4 && frame[0] == replyHeaderOf(number) && (frame[1] & 0xF0) == 0x60 &&
            frame[2] == 0x02) {
            return true;
        }
    }
    return false;
}

// The same inquiry whatever camera it went to: the frame without its header.
bool sameInquiry(const Bytes& a, const Bytes& b) {
    return a.size() == b.size() && !a.empty() && std::equal(a.begin() + 1, a.end(), b.begin() + 1);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::optional<RoundTrip> timeInquiry(Session& session, const std::string& name, const Bytes& frame,
                                     const DoctorSettings& settings) {
    CameraDriver::Engine::ExchangeOptions options;
    options.timeout = settings.inquiryWait;
    std::vector<double> times;
    for (int i = 0; i < settings.samples; ++i) {
        const Clock::time_point start = session.now();
        try {
            session.engine().exchange(frame.data(), frame.size(), options);
        } catch (const std::exception&) {
            break;
        }
        times.push_back(millisecondsBetween(start, session.now()));
    }
    if (times.empty()) {
        return std::nullopt;
    }
    return RoundTrip{name, static_cast<int>(times.size()), median(times),
                     *std::min_element(times.begin(), times.end()),
                     *std::max_element(times.begin(), times.end())};
}

CameraDiagnosis diagnoseCamera(Session& session, int number, const DoctorSettings& settings) {
    CameraDiagnosis camera;
    camera.number = number;
    CameraDriver::Engine& engine = session.engine();
    engine.selectCamera(number);
    session.during(number);
    session.link().takeTraffic();

    // The first frame that each operation sent, to name the inquiry behind another's failure.
    std::vector<std::pair<std::string, Bytes>> firstFrames;
    // For an answered operation that failed on a later frame: that frame.
    std::vector<std::pair<std::size_t, Bytes>> failedOn;
    int silent = 0;
    for (const Operations::Operation& operation : Operations::all()) {
        if (!operation.inquiry || std::string(operation.group) == LINK_GROUP) {
            continue;
        }
        InquiryResult result;
        result.name = operation.name;
        if (silent >= SILENT_IN_A_ROW) {
            camera.inquiries.push_back(result);
            continue;
        }
        try {
            const Operations::Result value = operation.invoke(engine.controller(), {});
            result.status = InquiryResult::Status::Answered;
            result.text = Operations::formatText(value);
            result.value = Operations::toJson(value);
            if (const auto* data = std::get_if<Operations::Bytes>(&value)) {
                if (result.name == "getDeviceType") {
                    camera.codes = deviceCodesOf(Bytes(data->begin(), data->end()));
                }
            }
            silent = 0;
        } catch (const std::exception& failure) {
            const CameraDriver::Engine::ExchangeReport& report = engine.lastExchange();
            result.error = failure.what();
            result.reply = hexText(report.reply);
            result.timedOut = report.timedOut;
            result.status = InquiryResult::Status::Failed;
            const std::vector<Traffic> traffic = session.link().takeTraffic();
            if (traffic.size() > 1 && answeredBy(traffic.front().received, number) &&
                refusedBy(traffic.back().received, number)) {
                // Its own inquiry was answered; another that it sends too was refused.
                result.status = InquiryResult::Status::Answered;
                failedOn.emplace_back(camera.inquiries.size(), traffic.back().sent);
            } else if (!traffic.empty() && refusedBy(traffic.back().received, number)) {
                result.status = InquiryResult::Status::Refused;
            }
            if (!traffic.empty()) {
                firstFrames.emplace_back(result.name, traffic.front().sent);
            }
            silent = report.timedOut && report.reply.empty() ? silent + 1 : 0;
            camera.inquiries.push_back(result);
            continue;
        }
        const std::vector<Traffic> traffic = session.link().takeTraffic();
        if (!traffic.empty()) {
            firstFrames.emplace_back(result.name, traffic.front().sent);
        }
        camera.inquiries.push_back(result);
    }
    for (const auto& [index, frame] : failedOn) {
        std::string needs = "the inquiry " + hexText(frame);
        for (const auto& [name, first] : firstFrames) {
            if (sameInquiry(first, frame)) {
                needs = name;
            }
        }
        camera.inquiries[index].needs = needs;
    }
    for (const InquiryResult& result : camera.inquiries) {
        if (result.status == InquiryResult::Status::Refused) {
            for (const std::string& command : commandsOf(result.name)) {
                camera.likelyLacks.push_back(command);
            }
        }
    }

    // The round trip of an inquiry every camera should answer, in the library's own frame.
    for (const char* name : {"getPowerState", "getDeviceType"}) {
        const auto answered = std::find_if(
            camera.inquiries.begin(), camera.inquiries.end(), [name](const InquiryResult& r) {
                return r.name == name && r.status == InquiryResult::Status::Answered;
            });
        const auto frame = std::find_if(
            firstFrames.begin(), firstFrames.end(),
            [name](const std::pair<std::string, Bytes>& f) { return f.first == name; });
        if (answered != camera.inquiries.end() && frame != firstFrames.end()) {
            camera.roundTrip = timeInquiry(session, name, frame->second, settings);
            break;
        }
    }
    return camera;
}

}  // namespace

std::vector<std::string> commandsOf(const std::string& inquiry) {
    std::vector<std::string> commands;
    if (inquiry.rfind("get", 0) != 0) {
        return commands;
    }
    const std::string subject = inquiry.substr(3);
    for (const Operations::Operation& operation : Operations::all()) {
        if (operation.inquiry) {
            continue;
        }
        for (const char* verb : {"set", "up", "down", "increase", "decrease", "reset"}) {
            if (operation.name == verb + subject) {
                commands.push_back(operation.name);
            }
        }
    }
    return commands;
}

Diagnosis diagnose(const std::string& port, const DoctorSettings& settings) {
    Diagnosis diagnosis;
    diagnosis.tool = settings.tool;
    diagnosis.time = settings.time;
    diagnosis.port = port;
    diagnosis.network = isNetworkName(port);

    std::vector<std::pair<std::string, std::uint32_t>> attempts;
    if (diagnosis.network) {
        attempts.emplace_back(port, 0);
    } else {
        const ScanTarget target = targetOf(port, {}, settings.speeds);
        for (const std::uint32_t speed : target.speeds) {
            attempts.emplace_back(linkName(target.name, speed), speed);
        }
    }

    std::unique_ptr<Session> session;
    std::vector<Unasked> unasked;
    for (const auto& [link, speed] : attempts) {
        auto attempt = std::make_unique<Session>(settings.makeLink, settings.probeWait);
        const SetUp up = attempt->open(link);
        diagnosis.tries.push_back({speed, up.outcome, up.error, hexText(up.reply)});
        for (Unasked& frame : attempt->takeUnasked()) {
            unasked.push_back(std::move(frame));
        }
        if (up.outcome == SetUp::Outcome::Answered) {
            diagnosis.opened = true;
            if (!diagnosis.network) {
                diagnosis.lineSpeed = speed;
            }
            diagnosis.link = link;
            diagnosis.cameras = up.cameras;
            diagnosis.setUpMilliseconds = up.milliseconds;
            session = std::move(attempt);
            break;
        }
        if (up.outcome == SetUp::Outcome::NotOpened) {
            // A port that does not open at one speed opens at none, unless the system refused
            // the speed itself; the port's own cause says so.
            const std::string cause = diagnosis.network ? "" : QuorvinCli::diagnosePort(link);
            if (diagnosis.network || !cause.empty()) {
                diagnosis.cause = cause.empty() ? up.error : cause;
                break;
            }
        } else {
            diagnosis.opened = true;
        }
    }

    if (session) {
        session->setWait(settings.inquiryWait);
        for (int number = 1; number <= diagnosis.cameras; ++number) {
            if (!settings.camera || *settings.camera == number) {
                diagnosis.diagnosed.push_back(diagnoseCamera(*session, number, settings));
            }
        }
        session->during(0, true);
        diagnosis.quietMilliseconds = static_cast<int>(settings.quiet.count());
        try {
            session->engine().listen(session->now() + settings.quiet);
        } catch (const std::exception& failure) {
            // A line that breaks (an adaptor pulled out) or a connection the camera closes.
            diagnosis.listenFailure = failure.what();
        }
        for (Unasked& frame : session->takeUnasked()) {
            unasked.push_back(std::move(frame));
        }
    }
    for (const Unasked& frame : unasked) {
        const MessageKind kind = kindOf(frame.frame);
        diagnosis.unasked.push_back(
            {hexText(frame.frame), describe(kind), kind.from, frame.during, frame.quiet});
    }
    diagnosis.advice = advise(diagnosis);
    return diagnosis;
}

}  // namespace Doctor
