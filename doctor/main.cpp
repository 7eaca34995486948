// quorvin-doctor: `quorvin scan` and `quorvin doctor`, which the quorvin tool runs in its place.
//
//   quorvin scan [--port NAME]... [--host HOST]... [--hosts FILE] [--udp-port N]...
//                [--tcp-port N]... [--wait MS] [--json]
//   quorvin doctor --port NAME [--camera N] [--profile FILE] [--quiet MS] [--json]
//
// A program of its own because it is built on the engine itself (short waits, the frames
// nobody asked for), where the quorvin tool is a caller of the shared library: one process
// with both would hold two copies of the library, with two logs.
//
// Exit status: 0 when a camera answered, 1 when none did (or a port would not open, or the
// profile could not be written), 2 for a mistake on the command line (nothing is sent then).

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "cli/PortCheck.h"
#include "doctor/Diagnosis.h"
#include "doctor/Scan.h"
#include "ports/PortList.h"

namespace {

constexpr int EXIT_NOTHING_FOUND = 1;
constexpr int EXIT_USAGE = 2;
constexpr int VISCA_OVER_IP_PORT = 52381;

// Where scan looks for serial ports instead of the system's own folder of devices, for a test
// that points it at devices of its own.
const char* const DEVICE_ROOT_VARIABLE = "QUORVIN_DEVICE_ROOT";

std::string toolName() {
    return std::string("quorvin-doctor ") + QUORVIN_DOCTOR_VERSION + " (camera library " +
           QUORVIN_DOCTOR_VERSION + ", built in)";
}

// "2024-06-11 14:03:12 +0200". The offset is worked out here: Windows' strftime gives the
// zone's name for %z, which a reader abroad cannot place.
std::string localTime() {
    const std::time_t now = std::time(nullptr);
    // localtime and gmtime share a buffer: each is copied at once, on the one thread that runs
    // before any probing starts.
    const std::tm* localPart = std::localtime(&now);
    if (localPart == nullptr) {
        return "unknown";
    }
    const std::tm local = *localPart;
    const std::tm* utcPart = std::gmtime(&now);
    if (utcPart == nullptr) {
        return "unknown";
    }
    std::tm utcAsLocal = *utcPart;
    utcAsLocal.tm_isdst = local.tm_isdst;
    // Minutes east of Greenwich; no zone is a day away from it.
    const int offset = static_cast<int>(
        std::clamp(std::lround(std::difftime(now, std::mktime(&utcAsLocal)) / 60), -1439L, 1439L));
    char text[64] = {};
    if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) {
        return "unknown";
    }
    char zone[16] = {};
    std::snprintf(zone, sizeof zone, " %c%02d%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60,
                  std::abs(offset) % 60);
    return std::string(text) + zone;
}

std::vector<Ports::SerialPort> machinePorts() {
    const char* root = std::getenv(DEVICE_ROOT_VARIABLE);
    if (root != nullptr && *root != '\0') {
        return Ports::presentSerialPorts(root);
    }
    return QuorvinCli::serialPorts();
}

// One host a line; blank lines and lines starting with # are left out.
bool readHosts(const std::string& file, std::vector<std::string>& hosts, std::string& why) {
    std::ifstream in(file);
    if (!in) {
        why = "cannot read the hosts file " + file;
        return false;
    }
    for (std::string line; std::getline(in, line);) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        const std::size_t last = line.find_last_not_of(" \t\r");
        hosts.push_back(line.substr(first, last - first + 1));
    }
    return true;
}

int usageError(const std::string& message) {
    std::cerr << "quorvin: " << message << '\n';
    return EXIT_USAGE;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Finds VISCA cameras and diagnoses a link to them.", "quorvin"};
    app.require_subcommand(1);
    app.footer(
        "Exit status: 0 a camera answered, 1 none did (or the port did not open, or the profile "
        "could not be written), 2 usage error (nothing sent).");

    CLI::App* scanCommand = app.add_subcommand(
        "scan",
        "List the cameras on every serial port present (at 9600, 38400 and 115200 baud) and on "
        "the hosts named; only the link set-up and the device-type inquiry are sent");
    std::vector<std::string> scanPorts;
    std::vector<std::string> hosts;
    std::string hostsFile;
    std::vector<int> udpPorts;
    std::vector<int> tcpPorts;
    int scanWait = 400;
    bool scanJson = false;
    scanCommand
        ->add_option("-p,--port", scanPorts,
                     "Only these ports (serial, tcp://HOST:PORT or udp://HOST[:PORT]) instead of "
                     "every serial port present; repeat for more")
        ->option_text("NAME");
    scanCommand->add_option("--host", hosts, "A host to try over the network; repeat for more")
        ->option_text("HOST");
    scanCommand->add_option("--hosts", hostsFile, "A file of hosts, one a line (# comments)")
        ->option_text("FILE");
    scanCommand
        ->add_option("--udp-port", udpPorts,
                     "VISCA over IP port to try on each host (default 52381); repeat for more")
        ->option_text("N")
        ->check(CLI::Range(1, 65535));
    scanCommand
        ->add_option("--tcp-port", tcpPorts,
                     "TCP port of a raw VISCA byte stream to try on each host; repeat for more")
        ->option_text("N")
        ->check(CLI::Range(1, 65535));
    scanCommand
        ->add_option("--wait", scanWait,
                     "How long each exchange waits for an answer, in ms (default 400)")
        ->option_text("MS")
        ->check(CLI::Range(50, 6000));
    scanCommand->add_flag("--json", scanJson, "Print the result as one JSON object");

    CLI::App* doctorCommand = app.add_subcommand(
        "doctor",
        "Diagnose one link: the line speed, the chain, what each camera answers and refuses, "
        "what it says unasked, and advice; only inquiries and the link set-up are sent");
    std::string port;
    int camera = 0;
    std::string profileFile;
    int quiet = 1000;
    bool doctorJson = false;
    doctorCommand
        ->add_option("-p,--port", port,
                     "Serial port (with its line speed, if known: /dev/ttyUSB0@38400) or network "
                     "camera, tcp://HOST:PORT or udp://HOST[:PORT]")
        ->option_text("PORT")
        ->required();
    doctorCommand->add_option("-c,--camera", camera, "Only this camera of the chain, 1 to 7")
        ->option_text("N")
        ->check(CLI::Range(1, 7));
    doctorCommand
        ->add_option("--profile", profileFile,
                     "Write the camera's capability profile (JSON) to FILE: camera 1, or the one "
                     "--camera names")
        ->option_text("FILE");
    doctorCommand
        ->add_option("--quiet", quiet,
                     "How long to listen, with nothing asked, for what the cameras say unasked, "
                     "in ms (default 1000)")
        ->option_text("MS")
        ->check(CLI::Range(0, 60000));
    doctorCommand->add_flag("--json", doctorJson, "Print the diagnosis as one JSON object");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : EXIT_USAGE;
    }

    if (*scanCommand) {
        std::string why;
        if (!hostsFile.empty() && !readHosts(hostsFile, hosts, why)) {
            return usageError(why);
        }
        if (hosts.empty() && (!udpPorts.empty() || !tcpPorts.empty())) {
            return usageError("--udp-port and --tcp-port need a host: --host HOST or --hosts FILE");
        }
        if (udpPorts.empty() && tcpPorts.empty()) {
            udpPorts.push_back(VISCA_OVER_IP_PORT);
        }
        std::vector<Doctor::ScanTarget> targets;
        const std::vector<Ports::SerialPort> present = machinePorts();
        if (scanPorts.empty()) {
            targets = Doctor::serialTargets(present);
        } else {
            for (const std::string& name : scanPorts) {
                targets.push_back(Doctor::targetOf(name, present));
            }
        }
        for (Doctor::ScanTarget& target : Doctor::networkTargets(hosts, udpPorts, tcpPorts)) {
            targets.push_back(std::move(target));
        }
        Doctor::ScanSettings settings;
        settings.wait = std::chrono::milliseconds(scanWait);
        const Doctor::ScanResult result = Doctor::scan(targets, settings);
        if (scanJson) {
            std::cout << Doctor::scanJson(result).dump(2) << '\n';
        } else {
            std::cout << Doctor::scanText(result);
        }
        return result.cameras.empty() ? EXIT_NOTHING_FOUND : 0;
    }

    Doctor::DoctorSettings settings;
    settings.quiet = std::chrono::milliseconds(quiet);
    if (camera > 0) {
        settings.camera = camera;
    }
    settings.tool = toolName();
    settings.time = localTime();
    const Doctor::Diagnosis diagnosis = Doctor::diagnose(port, settings);
    if (doctorJson) {
        std::cout << Doctor::diagnosisJson(diagnosis).dump(2) << '\n';
    } else {
        std::cout << Doctor::diagnosisText(diagnosis);
    }
    std::cout.flush();
    if (!diagnosis.found()) {
        return EXIT_NOTHING_FOUND;
    }
    if (!profileFile.empty()) {
        const int number = camera > 0 ? camera : 1;
        const nlohmann::ordered_json profile = Doctor::capabilityProfile(diagnosis, number);
        if (profile.is_null()) {
            std::cerr << "quorvin: no profile written: camera " << number
                      << " did not say what it is (its device-type inquiry failed)\n";
            return EXIT_NOTHING_FOUND;
        }
        std::ofstream out(profileFile, std::ios::binary | std::ios::trunc);
        out << profile.dump(2) << '\n';
        out.close();
        if (!out) {
            std::cerr << "quorvin: cannot write the profile " << profileFile
                      << ": check that its folder exists and that you may write there\n";
            return EXIT_NOTHING_FOUND;
        }
    }
    return 0;
}
