// `quorvin scan` and `quorvin doctor` as a user runs them, against quorvin-camsim programs: the
// tool runs quorvin-doctor in its place, which finds the cameras on serial ports at two line
// speeds and over UDP, explains each model, writes a profile that quorvin-camsim takes, and
// exits with the tool's statuses.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "VirtualChain.h"
#include "tests/support/HeldPort.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

namespace DoctorTest {
namespace {

using TestSupport::readFile;
using TestSupport::RunResult;
using TestSupport::TempDir;

// quorvin-camsim started with `options` and --verbose, its log in the test's folder.
class Camsim {
  public:
    Camsim(const std::vector<std::string>& options, const TempDir& dir, const std::string& name)
        : logFile(dir.path(name + ".log")), program(withProgram(options), logFile) {
        device = program.readLine();
        for (std::string line = program.readLine(std::chrono::milliseconds(200)); !line.empty();
             line = program.readLine(std::chrono::milliseconds(200))) {
            (line.rfind("udp://", 0) == 0 ? udp : tcp) = line;
        }
    }

    // The frames it received, once it has stopped: its log is whole then.
    std::vector<std::string> stopAndTakeFrames() {
        EXPECT_EQ(program.stop(SIGTERM), 0);
        std::vector<std::string> frames;
        std::istringstream log(readFile(logFile));
        static const std::regex received(" (net )?rx (.*)$");
        for (std::string line; std::getline(log, line);) {
            std::smatch match;
            if (std::regex_search(line, match, received)) {
                frames.push_back(match[2]);
            }
        }
        return frames;
    }

    std::string device;
    std::string udp;
    std::string tcp;

  private:
    static std::vector<std::string> withProgram(const std::vector<std::string>& options) {
        std::vector<std::string> args{QUORVIN_CAMSIM_PROGRAM, "--verbose", "--instant"};
        args.insert(args.end(), options.begin(), options.end());
        return args;
    }

    std::string logFile;
    TestSupport::RunningProgram program;
};

RunResult quorvin(const std::vector<std::string>& args, const std::string& deviceRoot = "") {
    std::vector<std::string> argv;
    if (!deviceRoot.empty()) {
        argv = {"/usr/bin/env", "QUORVIN_DEVICE_ROOT=" + deviceRoot};
    }
    argv.push_back(QUORVIN_CLI);
    argv.insert(argv.end(), args.begin(), args.end());
    return TestSupport::runProgram(argv);
}

// A folder of serial devices as the machine's would be, each a link to a virtual camera.
std::string deviceRoot(const TempDir& dir, const std::vector<std::string>& targets) {
    const std::filesystem::path root = dir.dir() / "dev";
    std::filesystem::create_directory(root);
    for (std::size_t i = 0; i < targets.size(); ++i) {
        std::filesystem::create_symlink(targets[i], root / ("ttyUSB" + std::to_string(i)));
    }
    return root.string();
}

// Serial ports at two line speeds and a network camera over UDP, found without naming any of
// the ports: scan lists the machine's (here the test's) serial devices itself.
TEST(ScanProgram, FindsVirtualCamerasAtTwoLineSpeedsAndOverUdp) {
    TempDir dir;
    Camsim mixed({"--model", "chain,standard,network", "--baud", "38400", "--udp", "0"}, dir,
                 "mixed");
    Camsim single({"--model", "network"}, dir, "single");
    ASSERT_FALSE(mixed.device.empty());
    ASSERT_FALSE(mixed.udp.empty());
    const std::string root = deviceRoot(dir, {mixed.device, single.device, dir.path("unplugged")});
    const std::string udpPort = mixed.udp.substr(mixed.udp.rfind(':') + 1);

    const RunResult json =
        quorvin({"scan", "--host", "127.0.0.1", "--udp-port", udpPort, "--json"}, root);
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.err, "");
    const auto found = nlohmann::json::parse(json.out);
    ASSERT_EQ(found["cameras"].size(), 5u) << json.out;
    const std::string first = root + "/ttyUSB0@38400";
    const struct {
        std::string link;
        int camera;
        int model;
        int rom;
    } rows[] = {{first, 1, 2, 0x0203},
                {first, 2, 1, 0x0100},
                {first, 3, 3, 0x0301},
                {root + "/ttyUSB1", 1, 3, 0x0301},
                {"udp://127.0.0.1:" + udpPort, 1, 2, 0x0203}};
    for (std::size_t i = 0; i < 5; ++i) {
        const auto& camera = found["cameras"][i];
        EXPECT_EQ(camera["link"], rows[i].link) << i;
        EXPECT_EQ(camera["camera"], rows[i].camera) << i;
        EXPECT_EQ(camera["vendor"], 0x51) << i;
        EXPECT_EQ(camera["model"], rows[i].model) << i;
        EXPECT_EQ(camera["rom"], rows[i].rom) << i;
        EXPECT_TRUE(camera["milliseconds"].is_number()) << i;
    }
    // The unplugged adaptor's node is there, its device is not: reported with the cause.
    ASSERT_EQ(found["notFound"].size(), 1u);
    EXPECT_EQ(found["notFound"][0]["link"], root + "/ttyUSB2");
    EXPECT_EQ(found["notFound"][0]["cause"].get<std::string>().rfind(
                  "no such device " + root + "/ttyUSB2; ", 0),
              0u);

    const RunResult text = quorvin({"scan", "--host", "127.0.0.1", "--udp-port", udpPort}, root);
    ASSERT_EQ(text.exitCode, 0) << text.err;
    std::istringstream lines(text.out);
    std::string heading;
    std::getline(lines, heading);
    EXPECT_EQ(heading.rfind("LINK", 0), 0u) << text.out;
    EXPECT_NE(heading.find("CAMERA  VENDOR  MODEL   ROM     SOCKETS  ANSWERED IN"),
              std::string::npos)
        << text.out;
    // The second camera's row, its columns lined up under the heading's.
    bool secondRow = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(first + " ", 0) == 0 && line.find("0x0001") != std::string::npos) {
            secondRow = std::regex_match(line.substr(first.size()),
                                         std::regex(" +2 +0x0051 +0x0001 +0x0100 +2 +[0-9.]+ ms"));
            EXPECT_EQ(line.find("0x0051"), heading.find("VENDOR")) << text.out;
        }
    }
    EXPECT_TRUE(secondRow) << text.out;
    EXPECT_NE(text.out.find("\n5 cameras (4 links tried in "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\nNo camera on:\n  " + root + "/ttyUSB2  no such device "),
              std::string::npos)
        << text.out;

    for (Camsim* camera : {&mixed, &single}) {
        expectOnlyInquiries(camera->stopAndTakeFrames());
    }
}

TEST(ScanProgram, NothingFoundIsStatusOneWithEachCause) {
    TempDir dir;
    Camsim held({}, dir, "held");
    TestSupport::HeldPort holder(held.device);
    ASSERT_TRUE(holder.held());
    const RunResult result = quorvin({"scan"}, deviceRoot(dir, {held.device}));
    holder.release();
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(result.out.rfind("No camera found (1 link tried in ", 0), 0u) << result.out;
    EXPECT_NE(result.out.find(" is held by another process: "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("(pid " + std::to_string(::getpid()) + ")"), std::string::npos)
        << result.out;
    EXPECT_TRUE(held.stopAndTakeFrames().empty());
}

// What a support request gets: the versions, the time, the port, the speeds tried, each camera
// and the advice; the same as JSON.
TEST(DoctorProgram, ExplainsAMixedChainForASupportRequest) {
    TempDir dir;
    Camsim chain({"--model", "chain,network", "--baud", "115200"}, dir, "chain");
    const RunResult text = quorvin({"doctor", "--port", chain.device, "--quiet", "200"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.err, "");
    const std::string heading =
        "Quorvin camera diagnosis\n"
        "  tool          quorvin-doctor " QUORVIN_PROJECT_VERSION
        " (camera library " QUORVIN_PROJECT_VERSION
        ", built in)\n"
        "  time          ";
    ASSERT_EQ(text.out.rfind(heading, 0), 0u) << text.out;
    EXPECT_TRUE(std::regex_search(
        text.out, std::regex("^  time          [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} [-+][0-9]{4}\n",
                             std::regex::multiline)))
        << text.out;
    for (const std::string& line :
         {"  port          " + chain.device + "\n", std::string("  9600 baud     no answer\n"),
          std::string("  38400 baud    no answer\n"),
          std::string("  115200 baud   answered: 2 cameras, link set-up in "),
          "  connect with  " + chain.device + "@115200\n",
          std::string("\nCamera 1\n  device        vendor 0x0051, model 0x0002, ROM 0x0203, 2 "
                      "sockets\n"),
          std::string("  refuses       getDZoomState, getAutoPowerOffDelay\n"
                      "  likely lacks  setDZoomState, setAutoPowerOffDelay\n"),
          std::string("\nCamera 2\n  device        vendor 0x0051, model 0x0003, ROM 0x0301, 2 "
                      "sockets\n"),
          std::string("  refuses       none\n  likely lacks  none\n"),
          std::string("    getPowerState         on\n"),
          std::string("\nUnasked frames\n  none in the quiet 200 ms after the inquiries\n"),
          "\nAdvice\n  - The cameras answer at 115200 baud, not at 9600: name the port " +
              chain.device + "@115200 wherever you connect to it"}) {
        EXPECT_NE(text.out.find(line), std::string::npos) << line << "\n---\n" << text.out;
    }

    const RunResult json = quorvin({"doctor", "--port", chain.device, "--quiet", "0", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto d = nlohmann::json::parse(json.out);
    EXPECT_EQ(d["port"], chain.device);
    EXPECT_EQ(d["link"]["lineSpeed"], 115200);
    EXPECT_EQ(d["link"]["cameras"], 2);
    ASSERT_EQ(d["cameras"].size(), 2u);
    EXPECT_EQ(d["cameras"][0]["refused"],
              nlohmann::json::array({"getDZoomState", "getAutoPowerOffDelay"}));
    // Without digital zoom the zoom position still reads: nothing fails but what is refused.
    EXPECT_TRUE(d["cameras"][0]["values"].contains("getZoom"));
    EXPECT_EQ(d["cameras"][1]["refused"], nlohmann::json::array());
    EXPECT_EQ(d["cameras"][1]["values"]["getPowerState"], true);
    EXPECT_EQ(d["cameras"][1]["device"]["model"], 3);
    EXPECT_FALSE(d["advice"].empty());
    expectOnlyInquiries(chain.stopAndTakeFrames());
}

// Done with the programs themselves: doctor's profile makes quorvin-camsim that camera, which
// doctor then finds alike.
TEST(DoctorProgram, ItsProfileMakesTheVirtualCameraThatModel) {
    TempDir dir;
    const std::string profile = dir.path("chain.json");
    nlohmann::json first;
    {
        Camsim chain({"--model", "chain", "--baud", "38400"}, dir, "original");
        const RunResult run = quorvin(
            {"doctor", "--port", chain.device, "--quiet", "0", "--json", "--profile", profile});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        first = nlohmann::json::parse(run.out);
    }
    const auto written = nlohmann::json::parse(readFile(profile));
    EXPECT_EQ(written["format"], "quorvin-capability-profile");
    EXPECT_EQ(written["lineSpeed"], 38400);
    EXPECT_EQ(written["lacks"], nlohmann::json::array({"setDZoomState", "setAutoPowerOffDelay"}));

    Camsim copy({"--profile", profile}, dir, "copy");
    ASSERT_FALSE(copy.device.empty()) << readFile(dir.path("copy.log"));
    const RunResult run = quorvin({"doctor", "--port", copy.device, "--quiet", "0", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto again = nlohmann::json::parse(run.out);
    EXPECT_EQ(again["link"]["lineSpeed"], first["link"]["lineSpeed"]);
    for (const char* key : {"device", "answered", "refused", "likelyLacks", "operationsFailing"}) {
        EXPECT_EQ(again["cameras"][0][key], first["cameras"][0][key]) << key;
    }
}

TEST(DoctorProgram, APortHeldByAnotherProcessIsStatusOneWithItsCause) {
    TempDir dir;
    Camsim held({}, dir, "held");
    TestSupport::HeldPort holder(held.device);
    ASSERT_TRUE(holder.held());
    const RunResult result = quorvin({"doctor", "--port", held.device + "@38400"});
    holder.release();
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.out.find("  cause         " + held.device + " is held by another process: "),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("\nAdvice\n  - The port " + held.device + "@38400 did not open: "),
              std::string::npos)
        << result.out;
    EXPECT_TRUE(held.stopAndTakeFrames().empty());
}

struct UsageCase {
    std::vector<std::string> args;
    int exitCode;
    std::string err;  // standard error contains it
};

void PrintTo(const UsageCase& c, std::ostream* out) {
    for (const std::string& arg : c.args) {
        *out << arg << ' ';
    }
}

class Usage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(Usage, IsRefusedBeforeAnythingIsSent) {
    const RunResult result = quorvin(GetParam().args);
    EXPECT_EQ(result.exitCode, GetParam().exitCode) << result.err;
    EXPECT_NE(result.err.find(GetParam().err), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, Usage,
    ::testing::Values(
        UsageCase{{"doctor"}, 2, "--port is required"},
        UsageCase{{"doctor", "--port", "/dev/null", "--camera", "8"}, 2, "--camera"},
        UsageCase{{"scan", "--tcp-port", "5678"},
                  2,
                  "quorvin: --udp-port and --tcp-port need a host: --host HOST or --hosts FILE"},
        UsageCase{{"scan", "--hosts", "/nonexistent/hosts.txt"},
                  2,
                  "quorvin: cannot read the hosts file /nonexistent/hosts.txt"},
        UsageCase{{"--port", "/dev/ttyUSB0", "doctor"},
                  2,
                  "quorvin: doctor comes first, with its own options: quorvin doctor --port "
                  "/dev/ttyUSB0"}));

TEST(DoctorProgram, AProfileThatCannotBeWrittenIsStatusOne) {
    TempDir dir;
    Camsim camera({}, dir, "camera");
    const RunResult result = quorvin({"doctor", "--port", camera.device, "--quiet", "0",
                                      "--profile", dir.path("missing/camera.json")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "quorvin: cannot write the profile " + dir.path("missing/camera.json") +
                              ": check that its folder exists and that you may write there\n");
    EXPECT_NE(result.out.find("Nothing wrong found."), std::string::npos) << result.out;
}

}  // namespace
}  // namespace DoctorTest
