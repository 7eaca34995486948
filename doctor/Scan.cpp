#include "doctor/Scan.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <iomanip>
#include <sstream>
#include <thread>

#include "cli/PortCheck.h"
#include "transport/SerialDevice.h"

namespace Doctor {

namespace {

const std::uint8_t DEVICE_TYPE_INQUIRY[] = {0x81, 0x09, 0x00, 0x02, 0xFF};

bool isNetworkName(const std::string& name) {
    return name.rfind("tcp://", 0) == 0 || name.rfind("udp://", 0) == 0;
}

std::string speedList(const std::vector<std::uint32_t>& speeds) {
    std::string text;
    for (std::size_t i = 0; i < speeds.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == speeds.size() ? " or " : ", ") + std::to_string(speeds[i]);
    }
    return text + " baud";
}

struct Probed {
    std::vector<FoundCamera> cameras;
    std::optional<NotFound> notFound;
};

// Asks each camera of an answered chain what it is.
void readCameras(Session& session, int cameras, const std::string& link, const ScanTarget& target,
                 std::chrono::milliseconds wait, Probed& probed) {
    CameraDriver::Engine::ExchangeOptions options;
    options.timeout = wait;
    for (int number = 1; number <= cameras; ++number) {
        FoundCamera found;
        found.link = link;
        found.device = target.device;
        found.camera = number;
        session.engine().selectCamera(number);
        const Clock::time_point start = session.now();
        try {
            const Bytes reply =
                session.engine().exchange(DEVICE_TYPE_INQUIRY, sizeof DEVICE_TYPE_INQUIRY, options);
            // The answer is the last frame: y0 50 GG GG HH HH JJ JJ KK FF.
            if (reply.size() >= 10) {
                found.codes = deviceCodesOf(Bytes(reply.end() - 8, reply.end() - 1));
            }
            if (!found.codes) {
                found.error = "its device type came as " + hexText(reply);
            }
        } catch (const std::exception& failure) {
            found.error = failure.what();
        }
        found.milliseconds = millisecondsBetween(start, session.now());
        probed.cameras.push_back(found);
    }
}

Probed probe(const ScanTarget& target, const ScanSettings& settings) {
    Probed probed;
    NotFound notFound{target.name, target.device, {}};
    if (target.speeds.empty()) {
        Session session(settings.makeLink, settings.wait);
        const SetUp up = session.open(target.name);
        if (up.outcome == SetUp::Outcome::Answered) {
            readCameras(session, up.cameras, target.name, target, settings.wait, probed);
            return probed;
        }
        notFound.cause = up.error;
        probed.notFound = notFound;
        return probed;
    }
    std::vector<std::string> answers;  // what came back that was no count of cameras
    for (const std::uint32_t speed : target.speeds) {
        const std::string link = linkName(target.name, speed);
        Session session(settings.makeLink, settings.wait);
        const SetUp up = session.open(link);
        switch (up.outcome) {
            case SetUp::Outcome::Answered:
                readCameras(session, up.cameras, link, target, settings.wait, probed);
                return probed;
            case SetUp::Outcome::NotOpened: {
                // A port that does not open at one speed opens at none, unless the speed itself
                // was what the system refused.
                const std::string cause = QuorvinCli::diagnosePort(link);
                if (!cause.empty()) {
                    notFound.cause = cause;
                    probed.notFound = notFound;
                    return probed;
                }
                answers.push_back("at " + std::to_string(speed) + " baud: " + up.error);
                break;
            }
            case SetUp::Outcome::NoAnswer:
                break;
            case SetUp::Outcome::Refused:
                answers.push_back("at " + std::to_string(speed) + " baud: " + up.error +
                                  (up.reply.empty() ? "" : " (" + hexText(up.reply) + ")"));
                break;
        }
    }
    notFound.cause = "no camera answered at " + speedList(target.speeds);
    for (const std::string& answer : answers) {
        notFound.cause += "; " + answer;
    }
    probed.notFound = notFound;
    return probed;
}

nlohmann::ordered_json orNull(const std::string& text) {
    return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
}

std::string milliseconds(double value) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(2) << value << " ms";
    return text.str();
}

}  // namespace

const std::vector<std::uint32_t>& scanSpeeds() {
    static const std::vector<std::uint32_t> speeds = {9600, 38400, 115200};
    return speeds;
}

std::vector<ScanTarget> serialTargets(const std::vector<Ports::SerialPort>& ports,
                                      const std::vector<std::uint32_t>& speeds) {
    std::vector<ScanTarget> targets;
    for (const Ports::SerialPort& port : ports) {
        targets.push_back({port.name, port.device, speeds});
    }
    return targets;
}

ScanTarget targetOf(const std::string& name, const std::vector<Ports::SerialPort>& present,
                    const std::vector<std::uint32_t>& speeds) {
    if (isNetworkName(name)) {
        return {name, "", {}};
    }
    const OS::PortName parsed = OS::parsePortName(name);
    ScanTarget target{parsed.port, "", {}};
    for (const Ports::SerialPort& port : present) {
        if (port.name == parsed.port) {
            target.device = port.device;
        }
    }
    if (parsed.speedGiven) {
        target.speeds.push_back(parsed.baudRate);
    }
    for (const std::uint32_t speed : speeds) {
        if (std::find(target.speeds.begin(), target.speeds.end(), speed) == target.speeds.end()) {
            target.speeds.push_back(speed);
        }
    }
    return target;
}

std::vector<ScanTarget> networkTargets(const std::vector<std::string>& hosts,
                                       const std::vector<int>& udpPorts,
                                       const std::vector<int>& tcpPorts) {
    std::vector<ScanTarget> targets;
    for (const std::string& host : hosts) {
        const std::string address =
            host.find(':') != std::string::npos && host.front() != '[' ? "[" + host + "]" : host;
        for (const int port : udpPorts) {
            targets.push_back({"udp://" + address + ":" + std::to_string(port), "", {}});
        }
        for (const int port : tcpPorts) {
            targets.push_back({"tcp://" + address + ":" + std::to_string(port), "", {}});
        }
    }
    return targets;
}

std::string linkName(const std::string& port, std::uint32_t speed) {
    return speed == 9600 ? port : port + "@" + std::to_string(speed);
}

ScanResult scan(const std::vector<ScanTarget>& targets, const ScanSettings& settings) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<Probed> probed(targets.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i; (i = next++) < targets.size();) {
            try {
                probed[i] = probe(targets[i], settings);
            } catch (const std::exception& failure) {
                probed[i].notFound = NotFound{targets[i].name, targets[i].device, failure.what()};
            }
        }
    };
    {
        std::vector<std::thread> workers;
        const std::size_t count =
            std::min(std::max<std::size_t>(settings.parallel, 1), targets.size());
        for (std::size_t i = 0; i < count; ++i) {
            workers.emplace_back(work);
        }
        for (std::thread& worker : workers) {
            worker.join();
        }
    }
    ScanResult result;
    result.tried = targets.size();
    for (Probed& one : probed) {
        result.cameras.insert(result.cameras.end(), one.cameras.begin(), one.cameras.end());
        if (one.notFound) {
            result.notFound.push_back(*one.notFound);
        }
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

std::string scanText(const ScanResult& result) {
    const bool devices = std::any_of(result.cameras.begin(), result.cameras.end(),
                                     [](const FoundCamera& c) { return !c.device.empty(); });
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> heading = {"LINK"};
    if (devices) {
        heading.push_back("DEVICE");
    }
    for (const char* column : {"CAMERA", "VENDOR", "MODEL", "ROM", "SOCKETS", "ANSWERED IN"}) {
        heading.push_back(column);
    }
    rows.push_back(heading);
    for (const FoundCamera& camera : result.cameras) {
        std::vector<std::string> row = {camera.link};
        if (devices) {
            row.push_back(camera.device);
        }
        row.push_back(std::to_string(camera.camera));
        if (camera.codes) {
            for (const std::uint16_t code :
                 {camera.codes->vendor, camera.codes->model, camera.codes->rom}) {
                row.push_back(codeText(code));
            }
            row.push_back(std::to_string(camera.codes->maxSocket));
            row.push_back(milliseconds(camera.milliseconds));
        } else {
            row.push_back("no device type: " + camera.error);
        }
        rows.push_back(row);
    }
    std::vector<std::size_t> widths(heading.size(), 0);
    for (const auto& row : rows) {
        for (std::size_t i = 0; i + 1 < row.size(); ++i) {
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    std::ostringstream text;
    if (result.cameras.empty()) {
        text << "No camera found";
    } else {
        for (const auto& row : rows) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                text << row[i];
                if (i + 1 < row.size()) {
                    text << std::string(widths[i] - row[i].size() + 2, ' ');
                }
            }
            text << '\n';
        }
        text << '\n'
             << result.cameras.size() << (result.cameras.size() == 1 ? " camera" : " cameras");
    }
    text << " (" << result.tried << (result.tried == 1 ? " link" : " links") << " tried in "
         << std::fixed << std::setprecision(1) << result.seconds << " s)\n";
    if (!result.notFound.empty()) {
        std::vector<std::string> labels;
        std::size_t width = 0;
        for (const NotFound& one : result.notFound) {
            labels.push_back(one.device.empty() ? one.link : one.link + " (" + one.device + ")");
            width = std::max(width, labels.back().size());
        }
        text << "\nNo camera on:\n";
        for (std::size_t i = 0; i < labels.size(); ++i) {
            text << "  " << labels[i] << std::string(width - labels[i].size() + 2, ' ')
                 << result.notFound[i].cause << '\n';
        }
    }
    return text.str();
}

nlohmann::ordered_json scanJson(const ScanResult& result) {
    nlohmann::ordered_json cameras = nlohmann::ordered_json::array();
    for (const FoundCamera& camera : result.cameras) {
        nlohmann::ordered_json row;
        row["link"] = camera.link;
        row["device"] = orNull(camera.device);
        row["camera"] = camera.camera;
        if (camera.codes) {
            row["vendor"] = camera.codes->vendor;
            row["model"] = camera.codes->model;
            row["rom"] = camera.codes->rom;
            row["maxSocket"] = camera.codes->maxSocket;
        } else {
            for (const char* key : {"vendor", "model", "rom", "maxSocket"}) {
                row[key] = nullptr;
            }
            row["error"] = camera.error;
        }
        row["milliseconds"] = std::round(camera.milliseconds * 1000) / 1000;
        cameras.push_back(row);
    }
    nlohmann::ordered_json notFound = nlohmann::ordered_json::array();
    for (const NotFound& one : result.notFound) {
        notFound.push_back(
            {{"link", one.link}, {"device", orNull(one.device)}, {"cause", one.cause}});
    }
    return {{"cameras", cameras},
            {"notFound", notFound},
            {"tried", result.tried},
            {"seconds", std::round(result.seconds * 1000) / 1000}};
}

}  // namespace Doctor
