// quorvin.exe as a Windows user runs it, under Wine, against the virtual cameras on COM ports:
// one command line per kind of argument, the settings dump as JSON, the exit statuses, the
// causes of a port that will not open, and the version blocks of quorvin.exe and quorvin.dll.
// The camera on the camera port keeps its settings from one run (and test) to the next, so
// every line that reads a setting sets it first.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ComPorts.h"
#include "tests/cli/UsageCases.h"
#include "tests/support/SubprocessWin32.h"
#include "tests/support/TempDir.h"

namespace CliTest {
namespace {

namespace fs = std::filesystem;
using TestSupport::runProgram;
using TestSupport::RunResult;

fs::path programFolder() {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path();
}

const std::string QUORVIN = (programFolder() / "quorvin.exe").string();

// Lines as the tables write them: the C runtime ends each line of a program's text output with
// "\r\n".
std::string withNewlines(const std::string& text) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            lines += text[i];
        }
    }
    return lines;
}

// quorvin.exe with `args`, "{port}" in them standing for `port`.
RunResult run(const std::vector<std::string>& args, const std::string& input = "",
              const std::string& port = WindowsTest::CAMERA_PORT) {
    std::vector<std::string> argv{QUORVIN};
    for (std::string arg : args) {
        if (arg == PORT_PLACEHOLDER) {
            arg = port;
        }
        argv.push_back(arg);
    }
    RunResult result = runProgram(argv, input);
    result.out = withNewlines(result.out);
    result.err = withNewlines(result.err);
    return result;
}

// ---------------------------------------------------------------------------------------------
// Command lines and what they print.

struct RunCase {
    const char* label;
    std::vector<std::string> args;
    std::string input;
    int exitCode;
    std::string out;
    std::string err;  // standard error must start with it; empty: standard error must be empty
};

void PrintTo(const RunCase& c, std::ostream* out) { *out << c.label; }

// Other tests of the chain switch its cameras off; the lines here are for cameras that are on.
class CliOverCom : public ::testing::TestWithParam<RunCase> {
  protected:
    void SetUp() override { switchOn(); }

  public:
    static void switchOn() {
        for (const char* camera : {"1", "2"}) {
            const RunResult result = run(cmd({"setPowerState", "on"}, {"--camera", camera}));
            ASSERT_EQ(result.exitCode, 0) << result.err;
        }
    }
};

TEST_P(CliOverCom, PrintsResultsAndExitsWithItsStatus) {
    const RunCase& c = GetParam();
    const RunResult result = run(c.args, c.input);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_EQ(result.out, c.out);
    if (c.err.empty()) {
        EXPECT_EQ(result.err, "");
    } else {
        EXPECT_EQ(result.err.rfind(c.err, 0), 0u) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, CliOverCom,
    ::testing::Values(
        RunCase{"operation without arguments",
                cmd({"setPanTilt", "0.5", "-0.25", "24", "20", ",", "moveHome", ",", "getPanTilt"}),
                "", 0, "0 0\n", ""},
        RunCase{"int, in hex", cmd({"setGain", "0x05", ",", "getGain"}), "", 0, "5\n", ""},
        RunCase{"double", cmd({"setZoom", "0.5", ",", "getZoom"}), "", 0, "0.5\n", ""},
        RunCase{"bool spelled two ways",
                cmd({"setBackLightState", "on", ",", "getBackLightState", ",", "setBackLightState",
                     "false", ",", "getBackLightState"}),
                "", 0, "on\noff\n", ""},
        RunCase{"enumeration by name", cmd({"setWBMode", "WBManual", ",", "getWBMode"}), "", 0,
                "WBManual\n", ""},
        RunCase{"inquiries of several values",
                cmd({"setPanTilt", "0.5", "-0.25", "24", "20", ",", "getPanTilt", ",",
                     "getDeviceType"}),
                "", 0, "0.5 -0.25\n00 51 00 01 01 00 02\n", ""},
        RunCase{"several operations, commas glued to words",
                cmd({"setRGain", "0x40,", "getRGain", ",setBGain", "65", ",", "getBGain"}), "", 0,
                "64\n65\n", ""},
        RunCase{"second camera of the chain",
                cmd({"setGain", "9", ",", "getCurCamera", ",", "getGain"}, {"--camera", "2"}), "",
                0, "2\n9\n", ""},
        RunCase{"results as JSON",
                cmd({"setPanTilt", "-1", "1", "0", "0", ",", "getPanTilt", ",", "setWBMode",
                     "WBOutdoor", ",", "getWBMode", ",", "setBackLightState", "off", ",",
                     "getBackLightState"},
                    {"--json"}),
                "", 0, "{\"pan\":-1.0,\"tilt\":1.0}\n\"WBOutdoor\"\nfalse\n", ""},
        RunCase{"operations from standard input", cmd({"-"}),
                "setGain 4\r\ngetGain\n\n   # a comment line\nsetWBMode WBIndoor, getWBMode\n", 0,
                "4\nWBIndoor\n", ""},
        RunCase{"a refused value stops the run",
                cmd({"setGain", "3", ",", "getGain", ",", "setGain", "0x99", ",", "getGain"}), "",
                1, "3\n", "quorvin: setGain: SYNTAX_ERROR ocurred when executing the command !"},
        RunCase{"camera past the chain", cmd({"getGain"}, {"--camera", "4"}), "", 2, "",
                std::string("quorvin: --camera 4: the chain on ") + WindowsTest::CAMERA_PORT +
                    " has 3 cameras"}));

// ---------------------------------------------------------------------------------------------
// Mistakes on the command line, the Linux tool's table: exit status 2 at once. Run against the
// camera that never answers, which would hold a run that connected for the 6 s time-out and
// end it with status 1: a 2 shows that nothing was sent.

class CliOverComUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliOverComUsage, ExitsWithTwoAndSendsNothing) {
    const UsageCase& c = GetParam();
    const RunResult result = run(c.args, "", WindowsTest::SILENT_PORT);
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(Mistakes, CliOverComUsage, ::testing::ValuesIn(usageCases()));

// ---------------------------------------------------------------------------------------------
// Links that fail: status 1, the library's line, and the tool's line with the cause if any.

TEST(CliOverComFailures, SilentCameraIsALinkFailureWithoutACause) {
    const RunResult result = run(cmd({"getGain"}), "", WindowsTest::SILENT_PORT);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    // The port opened: nothing is wrong with it that the tool could name.
    EXPECT_EQ(result.err, std::string("quorvin: connect ") + WindowsTest::SILENT_PORT +
                              ": Receive data from serial COM timeout in "
                              "WinSerialCommAdaptor::recv() !\n");
}

TEST(CliOverComFailures, PortThatWillNotOpenGetsItsCause) {
    TestSupport::TempDir dir;
    const std::string file = dir.path("not-a-port.txt");
    std::ofstream(file) << "text\n";
    const std::string folder = dir.dir().string();
    const std::string missing = WindowsTest::MISSING_PORT;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {missing, "no such device " + missing + "; ports present: "},
        {file, file + " is a regular file, not a serial device"},
        {folder, folder + " is a folder, not a serial device"},
        {"NUL", "NUL is not a serial device"}};
    for (const auto& [port, cause] : cases) {
        SCOPED_TRACE(port);
        const RunResult result = run({"--port", port, "getGain"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err.rfind("quorvin: connect " + port + ": ", 0), 0u) << result.err;
        const std::size_t second = result.err.find('\n') + 1;
        EXPECT_EQ(result.err.substr(second).rfind("quorvin: " + cause, 0), 0u) << result.err;
        EXPECT_EQ(result.err.find('\n', second), result.err.size() - 1) << result.err;
    }
}

// The ports that the prefix links, in numeric order, and not the one it lacks.
TEST(CliOverComPorts, MissingPortListsThePortsPresent) {
    const RunResult result = run({"--port", WindowsTest::MISSING_PORT, "getGain"});
    const std::string line = result.err.substr(result.err.find('\n') + 1);
    const std::size_t at = line.find("ports present: ");
    ASSERT_NE(at, std::string::npos) << line;
    const std::string present = ", " + line.substr(at + 15, line.size() - at - 16) + ",";
    std::size_t previous = 0;
    for (const char* port : {", COM7,", ", COM8,", ", COM9,", ", COM12,"}) {
        const std::size_t found = present.find(port);
        EXPECT_NE(found, std::string::npos) << port << " in " << present;
        EXPECT_GE(found, previous) << port << " in " << present;
        previous = found;
    }
    EXPECT_EQ(present.find(", COM5,"), std::string::npos) << present;
}

TEST(CliOverComPorts, PortsListsTheComPortsPresent) {
    const RunResult result = run({"ports"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    const std::string lines = "\n" + result.out;
    std::size_t previous = 0;
    for (const char* port : {"\nCOM7\n", "\nCOM8\n", "\nCOM9\n", "\nCOM12\n"}) {
        const std::size_t found = lines.find(port);
        EXPECT_NE(found, std::string::npos) << port << " in " << result.out;
        EXPECT_GE(found, previous) << port << " in " << result.out;
        previous = found;
    }
    EXPECT_EQ(lines.find("\nCOM5\n"), std::string::npos) << result.out;
}

// ---------------------------------------------------------------------------------------------
// scan and doctor: quorvin.exe runs quorvin-doctor.exe beside it, which shares its console.

TEST(CliOverComDoctor, ScanFindsTheChainAndNamesThePortThatIsMissing) {
    const RunResult result =
        run({"scan", "--port", WindowsTest::CAMERA_PORT, "--port", WindowsTest::MISSING_PORT});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    // A row for each camera of the chain, named by the port it answered on.
    const std::string row = std::string("\n") + WindowsTest::CAMERA_PORT + "  ";
    int rows = 0;
    for (std::size_t at = result.out.find(row); at != std::string::npos;
         at = result.out.find(row, at + 1)) {
        ++rows;
    }
    EXPECT_EQ(rows, 3) << result.out;
    EXPECT_NE(result.out.find("\n3 cameras (2 links tried in "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(std::string("\nNo camera on:\n  ") + WindowsTest::MISSING_PORT +
                              "  no such device " + WindowsTest::MISSING_PORT + "; "),
              std::string::npos)
        << result.out;
}

TEST(CliOverComDoctor, DoctorDiagnosesTheChainOnItsComPort) {
    const RunResult result = run({"doctor", "--port", WindowsTest::CAMERA_PORT, "--quiet", "0"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    for (const std::string& line :
         {std::string("  9600 baud     answered: 3 cameras, link set-up in "),
          std::string("  connect with  ") + WindowsTest::CAMERA_PORT + "\n",
          std::string("\nCamera 3\n  device        vendor 0x0051, model 0x0001, ROM 0x0100, 2 "
                      "sockets\n")}) {
        EXPECT_NE(result.out.find(line), std::string::npos) << line << "\n---\n" << result.out;
    }
}

// ---------------------------------------------------------------------------------------------
// The settings dump.

TEST(CliOverComStatus, StatusJsonIsOneObjectOfEveryInquiry) {
    CliOverCom::switchOn();
    const RunResult set = run(cmd({"setPanTilt",
                                   "0.5",
                                   "-0.25",
                                   "24",
                                   "20",
                                   ",",
                                   "setZoom",
                                   "0.25",
                                   ",",
                                   "setWBMode",
                                   "WBManual",
                                   ",",
                                   "setRGain",
                                   "0x90",
                                   ",",
                                   "setGain",
                                   "7",
                                   ",",
                                   "setBackLightState",
                                   "on",
                                   ",",
                                   "setAutoPowerOffDelay",
                                   "0x1234"}));
    ASSERT_EQ(set.exitCode, 0) << set.err;
    const RunResult result = run(cmd({"status", "--json"}));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const nlohmann::json status = nlohmann::json::parse(result.out);
    ASSERT_TRUE(status.is_object());
    EXPECT_EQ(status.size(), 23u);
    EXPECT_FALSE(status.contains("errors"));
    EXPECT_EQ(status["curCamera"], 1);
    EXPECT_EQ(status["deviceType"], "00 51 00 01 01 00 02");
    EXPECT_EQ(status["panTilt"]["pan"], 0.5);
    EXPECT_EQ(status["panTilt"]["tilt"], -0.25);
    EXPECT_EQ(status["zoom"], 0.25);
    EXPECT_EQ(status["wbMode"], "WBManual");
    EXPECT_EQ(status["rGain"], 0x90);
    EXPECT_EQ(status["gain"], 7);
    EXPECT_EQ(status["backLightState"], true);
    EXPECT_EQ(status["powerState"], true);
    EXPECT_EQ(status["autoPowerOffDelay"], 0x1234);
}

// ---------------------------------------------------------------------------------------------
// Versions: the tool's, the loaded library's, and the version blocks that Explorer shows.

TEST(CliOverComVersion, VersionNamesTheLibraryFileThatWasLoaded) {
    const RunResult result = run({"--version"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, std::string("quorvin ") + QUORVIN_PROJECT_VERSION + "\nlibquorvin " +
                              QUORVIN_PROJECT_VERSION + " (" +
                              (programFolder() / "quorvin.dll").string() + ")\n");
}

std::string versionString(const std::vector<char>& block, const std::string& name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = "\\StringFileInfo\\040904B0\\" + name;
    if (!::VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
        length == 0) {
        return "(none)";
    }
    return value;
}

struct VersionCase {
    const char* file;
    const char* description;
    DWORD fileType;
};

void PrintTo(const VersionCase& c, std::ostream* out) { *out << c.file; }

class VersionBlock : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionBlock, CarriesTheProjectVersionAndNames) {
    const VersionCase& c = GetParam();
    const std::string file = (programFolder() / c.file).string();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(file.c_str(), &ignored);
    ASSERT_GT(size, 0u) << file;
    std::vector<char> block(size);
    ASSERT_TRUE(::GetFileVersionInfoA(file.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const std::string version = QUORVIN_PROJECT_VERSION;
    const std::string fileVersion = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                    std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                    std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                    std::to_string(LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(fileVersion, version + ".0");
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, c.fileType);

    EXPECT_EQ(versionString(block, "ProductName"), "Quorvin");
    EXPECT_EQ(versionString(block, "FileDescription"), c.description);
    EXPECT_EQ(versionString(block, "FileVersion"), version);
    EXPECT_EQ(versionString(block, "ProductVersion"), version);
    EXPECT_EQ(versionString(block, "OriginalFilename"), c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Files, VersionBlock,
    ::testing::Values(VersionCase{"quorvin.dll", "Quorvin VISCA camera control library", VFT_DLL},
                      VersionCase{"quorvin.exe", "Quorvin VISCA camera command-line tool",
                                  VFT_APP}));

}  // namespace
}  // namespace CliTest
