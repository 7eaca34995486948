// quorvin: runs Controller operations on one connection to a VISCA camera.
//
//   quorvin --port PORT [--camera N] OPERATION [ARGS...] [, OPERATION [ARGS...]]...
//   quorvin --port PORT status [--json]
//   quorvin --port PORT -            (operations from standard input, one per line; a script
//                                     that is not typed at a terminal is checked whole first)
//   quorvin ports
//   quorvin scan ...                 (quorvin-doctor, beside this program, runs these two in its
//   quorvin doctor --port PORT ...    place: see cli/DoctorProgram.h)
//   quorvin --version
//
// Exit status: 0 when every operation succeeded, 1 when the camera or the link failed, 2 for a
// mistake on the command line or in a script, a log file that cannot be written, or
// quorvin-doctor missing for scan or doctor (nothing is sent then). A log that a write failed to
// during the run is reported after it and leaves the status the camera's.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/DoctorProgram.h"
#include "cli/LoadedLibrary.h"
#include "cli/LogFile.h"
#include "cli/PortCheck.h"
#include "cli/Script.h"
#include "operations/Operations.h"
#include "quorvin/Controller.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

using namespace QuorvinCli;
using namespace Operations;

constexpr int EXIT_CAMERA_FAILURE = 1;
constexpr int EXIT_USAGE = 2;

// The library's log file when --debug is given without --log.
const char* const DEFAULT_LOG_FILE = "./CameraDriver.log";

class UsageFormatter : public CLI::Formatter {
  public:
    std::string make_usage(const CLI::App*, std::string name) const override {
        return "Usage: " + name +
               " --port PORT [--camera N] [OPTIONS] OPERATION [ARGS...] [, OPERATION "
               "[ARGS...]]...\n       " +
               name + " ports\n       " + name +
               " scan [--port PORT]... [--host HOST]... [--json]\n       " + name +
               " doctor --port PORT [--camera N] [--profile FILE] [--json]\n";
    }
};

std::string operationList() {
    std::string text =
        "Operations (separate several with ','; each result is printed on its own line; a batch,\n"
        "with ',' or -, stops at its first failure unless --keep-going):\n"
        "  status [--json]        read every inquiry and print a table (or one JSON object)\n"
        "  -                      read operations from standard input, one per line, until its "
        "end;\n"
        "                         a script (not a terminal) is checked whole before anything is "
        "sent\n";
    for (const char* group : groups()) {
        text += std::string("\n") + group + ":\n";
        for (const Operation& operation : Operations::all()) {
            if (operation.group == group) {
                text += "  " + usageOf(operation) + "\n";
            }
        }
    }
    text +=
        "\nValues: int and long in decimal or 0x hex; double as 0.5 or -1e-1; on|off also as "
        "true|false or 1|0;\npositions as fractions (pan and tilt -1 to 1, zoom and focus 0 to 1); "
        "enumerations by name or by number:\n";
    for (const EnumInfo* info : allEnums()) {
        text += "  " + std::string(info->typeName) + ":";
        for (const auto& enumerator : info->enumerators) {
            text += std::string(" ") + enumerator.first;
        }
        text += "\n";
    }
    text +=
        "\nFinding and diagnosing cameras (only the link set-up and inquiries are sent):\n"
        "  scan                   list the cameras on every serial port present and on the hosts\n"
        "                         named (quorvin scan --help)\n"
        "  doctor --port PORT     the line speed, the chain, what each camera answers and lacks,\n"
        "                         and advice, for a support request (quorvin doctor --help)\n";
    text += "\nExit status: 0 done, 1 camera or link failure, 2 usage error (nothing sent).";
    return text;
}

int listPorts() {
    std::cout << portLines(serialPorts());
    return 0;
}

// Someone typing, who sees a mistake answered at once and types the line again; anything else
// (a pipe, a file, a here-document) is a script, which is checked whole before it runs.
bool standardInputIsTerminal() {
#ifdef _WIN32
    return ::_isatty(::_fileno(stdin)) != 0;
#else
    return ::isatty(STDIN_FILENO) != 0;
#endif
}

int usageError(const std::string& message) {
    std::cerr << "quorvin: " << message << '\n';
    return EXIT_USAGE;
}

// Connects, runs the steps on camera `cameraNumber` and disconnects; the exit status.
int runOnCamera(const std::string& port, int cameraNumber, const std::vector<Step>& steps,
                bool json, bool keepGoing) {
    CameraDriver::Controller camera;
    Runner runner(camera, std::cout, json, std::cerr, keepGoing);
    std::string failing = "connect " + port;
    bool connected = false;
    try {
        camera.connect(port);
        connected = true;
        // A number past the chain would only wait out the transfer limit. The library keeps
        // no count: asking renumbers the chain with one more broadcast, which nothing but a
        // camera other than the first needs.
        if (cameraNumber > 1) {
            const int cameras = camera.getCamerasTotal();
            if (cameraNumber > cameras) {
                return usageError("--camera " + std::to_string(cameraNumber) + ": the chain on " +
                                  port + " has " + std::to_string(cameras) +
                                  (cameras == 1 ? " camera" : " cameras"));
            }
        }
        camera.setCurCamera(cameraNumber);
        for (const Step& step : steps) {
            runner.run(step, std::cin);
        }
        failing = "disconnect";
        camera.disconnect();
        if (runner.anyFailed()) {
            return EXIT_CAMERA_FAILURE;
        }
    } catch (const std::exception& error) {
        // DriverException above all; anything else the library or the streams raise is a
        // failure of the run as well.
        if (failing != "disconnect" && !runner.current().empty()) {
            failing = runner.current();
        }
        std::cout.flush();
        std::cerr << "quorvin: " << failing << ": " << oneLine(error.what()) << '\n';
        if (!connected) {
            // A connect that failed after the port opened (a camera that does not answer)
            // leaves it open; closed first, it is not mistaken for another process's.
            try {
                camera.disconnect();
            } catch (const std::exception&) {
            }
            const std::string cause = diagnosePort(port);
            if (!cause.empty()) {
                std::cerr << "quorvin: " << cause << '\n';
            }
        }
        return EXIT_CAMERA_FAILURE;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::string(argv[1]) == "scan" || std::string(argv[1]) == "doctor")) {
        std::string why;
        const int status = runDoctorProgram(argc, argv, why);
        if (status < 0) {
            return usageError(why +
                              "; it comes with this tool: install the quorvin package (or "
                              "the Windows ZIP's bin folder) again");
        }
        return status;
    }

    CLI::App app{"Runs camera operations on one connection to a VISCA camera.", "quorvin"};
    app.formatter(std::make_shared<UsageFormatter>());

    std::string port;
    int cameraNumber = 1;
    bool json = false;
    std::string logFile;
    bool debug = false;
    bool verbose = false;
    bool keepGoing = false;
    app.add_option("-p,--port", port,
                   "Serial port, such as /dev/ttyUSB0 or COM1, or network camera, tcp://HOST:PORT "
                   "or udp://HOST[:PORT]");
    app.add_option("-c,--camera", cameraNumber, "Camera on the line, 1 to 7 (default 1)")
        ->check(CLI::Range(1, 7));
    app.add_flag("--json", json, "Print results as JSON (status as one object)");
    app.add_option("--log", logFile, "Write the library's exception lines to FILE")
        ->option_text("FILE");
    app.add_flag("--debug", debug,
                 "Also log every exchange, with its bytes (to --log FILE, else "
                 "./CameraDriver.log)");
    app.add_flag("--verbose", verbose, "Echo the library's log lines to standard output");
    app.add_flag("--keep-going", keepGoing,
                 "Run every operation even after one fails, report each failure and exit with 1 "
                 "(without it, a batch stops at its first failure)");
    app.set_version_flag(
        "--version", [] { return versionText(QUORVIN_CLI_VERSION, loadedLibrary()); },
        "Print the version of the tool and of the library it loaded");
    CLI::App* ports = app.add_subcommand("ports", "List the serial ports present");
    // Everything from the first operation on is left alone, so that "-1" stays a value.
    app.prefix_command();
    app.footer(operationList());

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : EXIT_USAGE;
    }
    if (*ports) {
        return listPorts();
    }

    std::vector<std::string> words = app.remaining();
    if (!words.empty() && words.front() == "--") {
        words.erase(words.begin());
    }
    if (!words.empty() && words.front().size() > 1 && words.front().front() == '-') {
        return usageError("unknown option " + QuorvinCli::quoteWord(words.front()) +
                          " (quorvin --help lists them)");
    }
    if (!words.empty() && (words.front() == "scan" || words.front() == "doctor")) {
        return usageError(words.front() + " comes first, with its own options: quorvin " +
                          words.front() + (port.empty() ? "" : " --port " + port) + " (quorvin " +
                          words.front() + " --help lists them)");
    }
    std::vector<Step> steps;
    try {
        steps = parseSteps(words);
    } catch (const UsageError& error) {
        return usageError(error.what());
    }
    if (port.empty()) {
        return usageError("--port PORT is needed to run operations");
    }
    if (!standardInputIsTerminal()) {
        try {
            steps = withScript(steps, std::cin);
        } catch (const UsageError& error) {
            return usageError(error.what());
        }
    }

    // The file that the library logs to is checked here, where a user still hears why it will
    // not do. Named first, as the Demo does, so that --debug opens the chosen file and no other.
    const std::string logPath = !logFile.empty() ? logFile : debug ? DEFAULT_LOG_FILE : "";
    LogFile log;
    if (!logPath.empty()) {
        const std::string refused = log.open(logPath);
        if (!refused.empty()) {
            return usageError(refused);
        }
    }
    if (debug) {
        setDebugEnabled(true);
    }
    if (verbose) {
        setVerboseEnabled(true);
    }

    const int status = runOnCamera(port, cameraNumber, steps, json, keepGoing);
    // The exit status stays the camera's. A cron job or a script reads it to know whether the
    // camera did what was asked: one that tries again on 1 would send a relative step
    // (increaseRGain, zoomIn) twice for a log that the disk had no room for. The line on
    // standard error, which cron mails, tells of the log.
    const std::string incomplete = log.close();
    if (!incomplete.empty()) {
        std::cerr << "quorvin: " << incomplete << '\n';
    }
    return status;
}
