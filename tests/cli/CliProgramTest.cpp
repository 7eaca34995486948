// The built quorvin program, run as a user runs it, against the virtual camera on a
// pseudo-terminal.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "operations/Operations.h"
#include "sim/PtyServer.h"
#include "tests/cli/UsageCases.h"
#include "tests/support/CameraLog.h"
#include "tests/support/HeldPort.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

namespace CliTest {
namespace {

using Operations::Operation;

using TestSupport::readFile;
using TestSupport::runProgram;
using TestSupport::RunResult;
using TestSupport::TempDir;

class CliProgram : public ::testing::Test {
  protected:
    void start(int cameras = 1, Camsim::Fault fault = Camsim::Fault::None) {
        Camsim::ServerOptions options;
        options.cameras = cameras;
        options.fault = fault;
        // Timed moves arrive at once, so a preset recall or setZoom does not hold up a run.
        options.timing.instant = true;
        options.log = cameraLog.sink();
        server = std::make_unique<Camsim::PtyServer>(options);
    }

    // "{port}" in an argument or in the input stands for the virtual camera's terminal.
    std::string withPort(std::string text) const {
        for (std::size_t at; (at = text.find(PORT_PLACEHOLDER)) != std::string::npos;) {
            text.replace(at, std::string(PORT_PLACEHOLDER).size(), server->devicePath());
        }
        return text;
    }

    RunResult run(const std::vector<std::string>& args, const std::string& input = "") {
        std::vector<std::string> argv{QUORVIN_CLI};
        for (const std::string& arg : args) {
            argv.push_back(server ? withPort(arg) : arg);
        }
        return runProgram(argv, server ? withPort(input) : input);
    }

    // Frames the camera received, as "81 09 04 00 FF".
    std::vector<std::string> received() const { return cameraLog.received(); }

    TestSupport::CameraLog cameraLog;
    std::unique_ptr<Camsim::PtyServer> server;
};

// ---------------------------------------------------------------------------------------------
// Command lines and what they print.

struct RunCase {
    const char* label;
    std::vector<std::string> args;
    std::string input;
    int exitCode;
    std::string out;
    std::string err;  // standard error must contain it; empty: standard error must be empty
    int cameras = 1;
    Camsim::Fault fault = Camsim::Fault::None;
    std::function<void(const Camsim::PtyServer&)> check = nullptr;
};

void PrintTo(const RunCase& c, std::ostream* out) { *out << c.label; }

class CliRun : public CliProgram, public ::testing::WithParamInterface<RunCase> {};

TEST_P(CliRun, PrintsResultsAndExitsWithItsStatus) {
    const RunCase& c = GetParam();
    start(c.cameras, c.fault);
    const RunResult result = run(c.args, c.input);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_EQ(result.out, c.out);
    if (c.err.empty()) {
        EXPECT_EQ(result.err, "");
    } else {
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        // One line, for a script's log.
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    }
    if (c.check) {
        c.check(*server);
    }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, CliRun,
    ::
        testing::
            Values(RunCase{"set then read back", cmd({"setRGain", "0x40", ",", "getRGain"}), "", 0,
                           "64\n", ""},
                   RunCase{"enumeration by name", cmd({"setWBMode", "WBManual", ",", "getWBMode"}),
                           "", 0, "WBManual\n", ""},
                   RunCase{"enumeration by number prints its name",
                           cmd({"setAEMode", "10", ",", "getAEMode"}), "", 0, "AEShutterPriority\n",
                           ""},
                   RunCase{"boolean spelled three ways",
                           cmd({"setBackLightState", "on", ",", "getBackLightState", ",",
                                "setBackLightState", "false", ",", "getBackLightState", ",",
                                "setBackLightState", "1", ",", "getBackLightState"}),
                           "", 0, "on\noff\non\n", ""},
                   RunCase{"several operations on one connection",
                           cmd({"setZoom", "0.5", ",", "getZoom", ",", "getPowerState", ",",
                                "getDeviceType"}),
                           "", 0, "0.5\non\n00 51 00 01 01 00 02\n", ""},
                   RunCase{"pan and tilt both printed",
                           cmd({"setPanTilt", "0.5", "-0.25", "0x18", "20", ",", "getPanTilt"}), "",
                           0, "0.5 -0.25\n", ""},
                   RunCase{"commas glued to words", cmd({"setGain", "3,", "getGain,getIris"}), "",
                           0, "3\n12\n", ""},
                   RunCase{"results as JSON",
                           cmd({"setPanTilt", "-1", "1", "0", "0", ",", "getPanTilt", ",",
                                "getWBMode", ",", "getBackLightState", ",", "getShutter"},
                               {"--json"}),
                           "", 0, "{\"pan\":-1.0,\"tilt\":1.0}\n\"WBAuto\"\nfalse\n11\n", ""},
                   RunCase{"second camera on the line",
                           cmd({"setPowerState", "off", ",", "getCurCamera", ",", "getPowerState"},
                               {"--camera", "2"}),
                           "", 0, "2\noff\n", "", 2, Camsim::Fault::None,
                           [](const Camsim::PtyServer& s) {
                               EXPECT_TRUE(s.camera(1).power);
                               EXPECT_FALSE(s.camera(2).power);
                           }},
                   RunCase{
                       "operations from standard input", cmd({"-"}),
                       "setGain 3\ngetGain\n\n   # a comment line\nsetWBMode WBIndoor, getWBMode\n",
                       0, "3\nWBIndoor\n", ""},
                   RunCase{"standard input after command-line operations",
                           cmd({"setGain", "5", ",", "-"}), "getGain\n", 0, "5\n", ""},
                   // A script is checked whole first: exit status 2 keeps its promise.
                   RunCase{"a bad line of a script sends nothing", cmd({"-"}),
                           "setGain 4\ngetGain\nsetGain\nsetGain 6\n", 2, "",
                           "quorvin: line 3: setGain takes 1 argument, got 0: setGain <gain:long>",
                           1, Camsim::Fault::None,
                           [](const Camsim::PtyServer& s) { EXPECT_EQ(s.framesReceived(), 0u); }},
                   RunCase{"a bad second line after command-line operations sends nothing",
                           cmd({"setGain", "5", ",", "-"}), "getGain\nsetGain 5 6\n", 2, "",
                           "quorvin: line 2: setGain takes 1 argument, got 2", 1,
                           Camsim::Fault::None,
                           [](const Camsim::PtyServer& s) { EXPECT_EQ(s.framesReceived(), 0u); }},
                   RunCase{"- within a script", cmd({"-"}), "getGain\n-\n", 2, "",
                           "quorvin: line 2: - cannot be used on standard input itself", 1,
                           Camsim::Fault::None,
                           [](const Camsim::PtyServer& s) { EXPECT_EQ(s.framesReceived(), 0u); }},
                   // A megabyte on one line: answered with a short line, and nothing sent.
                   RunCase{"a page pasted into a script", cmd({"-"}),
                           "getGain\n" + std::string(1 << 20, 'x') + "\n", 2, "",
                           "quorvin: line 2: unknown operation \"" + std::string(40, 'x') +
                               "...\" of 1048576 characters (quorvin --help lists them)",
                           1, Camsim::Fault::None,
                           [](const Camsim::PtyServer& s) { EXPECT_EQ(s.framesReceived(), 0u); }},
                   RunCase{"a refused value stops the run",
                           cmd({"setGain", "3", ",", "getGain", ",", "setGain", "0x99", ",",
                                "setGain", "4"}),
                           "", 1, "3\n",
                           "quorvin: setGain: SYNTAX_ERROR ocurred when executing the command !", 1,
                           Camsim::Fault::None,
                           [](const Camsim::PtyServer& s) { EXPECT_EQ(s.camera(1).gain, 3); }},
                   RunCase{"--keep-going runs the steps after a refused value",
                           cmd({"setGain", "3", ",", "setGain", "0x99", ",", "setGain", "4", ",",
                                "getGain"},
                               {"--keep-going"}),
                           "", 1, "4\n",
                           "quorvin: setGain: SYNTAX_ERROR ocurred when executing the command !", 1,
                           Camsim::Fault::None,
                           [](const Camsim::PtyServer& s) { EXPECT_EQ(s.camera(1).gain, 4); }},
                   RunCase{"camera that cannot execute",
                           cmd({"setPowerState", "on", ",", "getPowerState"}), "", 1, "",
                           "quorvin: setPowerState: NOT_EXECUTABLE error ocurred when executing "
                           "the command !",
                           1, Camsim::Fault::NotExecutable},
                   RunCase{"camera failure inside the shell names the operation", cmd({"-"}),
                           "getGain\nsetPowerState on\ngetGain\n", 1, "",
                           "quorvin: getGain: Executing the command failed !", 1,
                           Camsim::Fault::NotExecutable}));

// The tool as someone at a shell runs `quorvin ... -`: its standard input a terminal on which
// `typed` arrives, then the end of input (Ctrl-D); its output and errors collected in files.
RunResult runAtTerminal(const std::vector<std::string>& args, const std::string& typed) {
    using TestSupport::Detail::check;
    using TestSupport::Detail::Fd;
    Fd terminal(::posix_openpt(O_RDWR | O_NOCTTY));
    check(terminal && ::grantpt(terminal.get()) == 0 && ::unlockpt(terminal.get()) == 0,
          "posix_openpt");
    char name[128];
    check(::ptsname_r(terminal.get(), name, sizeof name) == 0, "ptsname_r");
    const TempDir dir;
    pid_t pid = -1;
    {
        // Held here until the program has its own copy, so that the terminal is not hung up.
        Fd keyboard(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
        check(bool(keyboard), "open the terminal");
        TestSupport::Detail::SpawnActions actions;
        ::posix_spawn_file_actions_adddup2(actions.get(), keyboard.get(), STDIN_FILENO);
        ::posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, dir.path("out").c_str(),
                                           O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, dir.path("err").c_str(),
                                           O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid = TestSupport::Detail::spawn(args, actions);
    }
    const std::string keys = typed + "\x04";
    check(::write(terminal.get(), keys.data(), keys.size()) == static_cast<ssize_t>(keys.size()),
          "type");
    // The terminal echoes what was typed: read until the program's end hangs it up, so that
    // the echo never fills it. A program that does not end in time is ended.
    for (char echo[256];;) {
        pollfd ready{terminal.get(), POLLIN, 0};
        if (::poll(&ready, 1, 60000) <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        if (::read(terminal.get(), echo, sizeof echo) <= 0) {
            break;
        }
    }
    RunResult result;
    result.exitCode = TestSupport::Detail::reap(pid);
    result.out = readFile(dir.path("out"));
    result.err = readFile(dir.path("err"));
    return result;
}

// At a terminal each line runs as it is typed: a mistyped one is answered at once, and the
// next line is read and run.
TEST_F(CliProgram, MistypedLineAtATerminalIsAnsweredAndTheNextOneRuns) {
    start();
    const RunResult result = runAtTerminal({QUORVIN_CLI, "--port", server->devicePath(), "-"},
                                           "setGain 3\nsetGian 4\ngetGain\n");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "3\n");
    EXPECT_EQ(result.err,
              "quorvin: line 2: unknown operation \"setGian\" (did you mean setGain? quorvin "
              "--help lists them)\n");
    EXPECT_EQ(server->camera(1).gain, 3);
}

// Every failure of a script is reported, in its place among the results, and the run goes on
// to its end.
TEST_F(CliProgram, KeepGoingReportsEachFailureOfAScript) {
    start();
    const RunResult result =
        run(cmd({"getGain", ",", "-"}, {"--keep-going"}),
            "setGain 0x99\nsetRGain 0x40\nsetBGain 0x100\ngetRGain\nsetGain 5\n");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "1\n64\n");
    EXPECT_EQ(result.err,
              "quorvin: setGain: SYNTAX_ERROR ocurred when executing the command !\n"
              "quorvin: setBGain: SYNTAX_ERROR ocurred when executing the command !\n");
    EXPECT_EQ(server->camera(1).gain, 5);
}

// ---------------------------------------------------------------------------------------------
// Mistakes on the command line: exit status 2 and not one byte to the camera.

class CliUsage : public CliProgram, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsage, ExitsWithTwoAndSendsNothing) {
    const UsageCase& c = GetParam();
    start();
    const RunResult result = run(c.args);
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    EXPECT_EQ(server->framesReceived(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Mistakes, CliUsage, ::testing::ValuesIn(usageCases()));

TEST_F(CliProgram, CameraPastTheChainIsRefusedBeforeItIsAddressed) {
    start(2);
    const RunResult result = run(cmd({"getGain"}, {"--camera", "3"}));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "quorvin: --camera 3: the chain on " + server->devicePath() + " has 2 cameras\n");
    // Broadcasts only (88 ...: the set-up and the count), nothing addressed to a camera (8x).
    const std::vector<std::string> frames = received();
    EXPECT_FALSE(frames.empty());
    for (const std::string& frame : frames) {
        EXPECT_EQ(frame.substr(0, 2), "88") << frame;
    }
}

TEST(CliWithoutCamera, UsageErrorIsTwoAndMissingPortIsOne) {
    const std::string missing = "/nonexistent/quorvin-test-port";
    RunResult result = runProgram({QUORVIN_CLI, "setPowerState", "on"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("--port PORT is needed"), std::string::npos) << result.err;

    result = runProgram({QUORVIN_CLI, "--port", missing, "setPowerState", "maybe"});
    EXPECT_EQ(result.exitCode, 2) << result.err;

    result = runProgram({QUORVIN_CLI, "--port", missing, "setPowerState", "on"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(result.err.rfind("quorvin: connect " + missing + ": ", 0), 0u) << result.err;
}

// The library's line, then the tool's own line with the cause.
void expectCause(const RunResult& result, const std::string& port, const std::string& cause) {
    EXPECT_EQ(result.exitCode, 1) << result.err;
    const std::string first = "quorvin: connect " + port + ": ";
    ASSERT_EQ(result.err.rfind(first, 0), 0u) << result.err;
    const std::size_t second = result.err.find('\n') + 1;
    EXPECT_EQ(result.err.substr(second).rfind("quorvin: " + cause, 0), 0u) << result.err;
    EXPECT_EQ(result.err.back(), '\n');
    EXPECT_EQ(result.err.find('\n', second), result.err.size() - 1) << result.err;
}

TEST(CliWithoutCamera, PortThatWillNotOpenGetsItsCause) {
    TempDir dir;
    const std::string file = dir.path("not-a-port");
    std::ofstream(file) << "text\n";
    const std::string missing = dir.path("ttyUSB9");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {missing, "no such device " + missing + "; "},
        {file, file + " is a regular file, not a serial device"},
        {dir.dir().string(), dir.dir().string() + " is a folder, not a serial device"},
        {"/dev/null", "/dev/null is not a serial device"},
        // The line speed is the line's: the device is named without it.
        {missing + "@38400", "no such device " + missing + "; "},
        {file + "@115200", file + " is a regular file, not a serial device"}};
    for (const auto& [port, cause] : cases) {
        expectCause(runProgram({QUORVIN_CLI, "--port", port, "getGain"}), port, cause);
    }
}

TEST_F(CliProgram, PortHeldByAnotherProcessNamesIt) {
    start();
    // This test process takes the lock the library asks for.
    TestSupport::HeldPort holder(server->devicePath());
    ASSERT_TRUE(holder.held());
    for (const std::string speed : {"", "@38400"}) {
        const RunResult result = run({"--port", "{port}" + speed, "getGain"});
        expectCause(result, server->devicePath() + speed,
                    server->devicePath() + " is held by another process");
        EXPECT_NE(result.err.find("(pid " + std::to_string(::getpid()) + ")"), std::string::npos)
            << result.err;
    }
}

// The port opened and the camera did not answer: the library's line alone. The port that its
// connect left open is not mistaken for one held by another process.
TEST_F(CliProgram, SilentCameraGetsNoCause) {
    start(1, Camsim::Fault::Silent);
    const RunResult result = run(cmd({"getGain"}));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "quorvin: connect " + server->devicePath() +
                              ": Receive data from serial COM timeout in "
                              "WinSerialCommAdaptor::recv() !\n");
}

// The tests run as root, who may open anything: the tool runs as nobody for a refusal. What
// stops that here, or "".
const std::vector<std::string> AS_NOBODY = {"/usr/sbin/runuser", "-u", "nobody", "--", QUORVIN_CLI};
std::string whyNobodyCannotRunTheTool() {
    if (::geteuid() != 0 || ::access("/usr/sbin/runuser", X_OK) != 0 ||
        ::getpwnam("nobody") == nullptr) {
        return "needs root, runuser and the account nobody";
    }
    std::vector<std::string> version = AS_NOBODY;
    version.push_back("--version");
    if (runProgram(version).exitCode != 0) {
        return std::string("nobody may not run ") + QUORVIN_CLI + " from where it was built";
    }
    return "";
}

TEST_F(CliProgram, PortOfAGroupTheUserIsNotInNamesTheGroup) {
    const std::string cannot = whyNobodyCannotRunTheTool();
    if (!cannot.empty()) {
        GTEST_SKIP() << cannot;
    }
    const group* owner = ::getgrnam("dialout");
    if (owner == nullptr) {
        GTEST_SKIP() << "needs the group dialout";
    }
    const std::vector<std::string>& asNobody = AS_NOBODY;
    start();
    const std::string device = server->devicePath();
    ASSERT_EQ(::chown(device.c_str(), 0, owner->gr_gid), 0);
    ASSERT_EQ(::chmod(device.c_str(), 0660), 0);
    std::vector<std::string> args = asNobody;
    args.insert(args.end(), {"--port", device, "getGain"});
    const RunResult result = runProgram(args);
    expectCause(result, device,
                "permission denied: " + device +
                    " belongs to group dialout, which nobody is not in; join it with: sudo "
                    "usermod -aG dialout $USER");
}

// ---------------------------------------------------------------------------------------------
// The log file: refused before anything is sent when it cannot be written, and reported after
// the run when a write failed during it. (A folder and a missing folder are in the table of
// mistakes.)

// `args` run with the largest file that a process may write at `blocks` of 512 bytes, as
// `ulimit -f` sets it: a regular file then refuses to grow past it as a full disk does. The
// signal that the limit sends is ignored, so that the write fails with an error instead.
RunResult runWithFileLimit(int blocks, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {
        "/bin/sh", "-c",
        "trap '' XFSZ; ulimit -f " + std::to_string(blocks) + " && exec \"$0\" \"$@\""};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv);
}

TEST_F(CliProgram, LogThatCannotBeWrittenIsRefusedBeforeAnythingIsSent) {
    start();
    const TempDir dir;
    const std::string file = dir.path("camera.log");
    RunResult result = runWithFileLimit(
        0, {QUORVIN_CLI, "--port", server->devicePath(), "--log", file, "getGain"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "quorvin: cannot write the log " + file +
                              ": it would grow past the largest file this account may write "
                              "(ulimit -f)\n");
    EXPECT_EQ(server->framesReceived(), 0u);

    const std::string cannot = whyNobodyCannotRunTheTool();
    if (!cannot.empty()) {
        GTEST_SKIP() << cannot;
    }
    // A folder of root's, which nobody may not write in.
    std::vector<std::string> args = AS_NOBODY;
    args.insert(args.end(), {"--port", server->devicePath(), "--log", file, "getGain"});
    result = runProgram(args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "quorvin: cannot write the log " + file +
                              ": permission denied; name a file that this account may write\n");
    EXPECT_EQ(server->framesReceived(), 0u);
}

// A log that fills up during the run: the camera's exit status, and one line after the run.
TEST_F(CliProgram, LogThatFillsUpDuringTheRunIsReportedAfterIt) {
    const std::string full =
        "quorvin: the log /dev/full is incomplete: writing it failed after 0 bytes: no space "
        "left on its device; free some space, or name a file elsewhere\n";
    const TempDir dir;
    const std::string file = dir.path("camera.log");
    struct Case {
        const char* label;
        std::vector<std::string> options;
        Camsim::Fault fault;
        int blocks;  // largest file, in 512-byte blocks; -1: no limit
        int exitCode;
        std::string err;
    };
    const std::vector<Case> cases = {
        {"every write refused",
         {"--log", "/dev/full", "--debug"},
         Camsim::Fault::None,
         -1,
         0,
         full},
        {"and the camera failed too",
         {"--log", "/dev/full", "--debug"},
         Camsim::Fault::NotExecutable,
         -1,
         1,
         "quorvin: getGain: Executing the command failed !\n" + full},
        // Exception lines only: a run without a failure writes none, and none fails.
        {"nothing to write", {"--log", "/dev/full"}, Camsim::Fault::None, -1, 0, ""},
        {"full after its first 512 bytes",
         {"--log", file, "--debug"},
         Camsim::Fault::None,
         1,
         0,
         "quorvin: the log " + file +
             " is incomplete: writing it failed after 512 bytes: it would grow past the largest "
             "file this account may write (ulimit -f)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        start(1, c.fault);
        std::vector<std::string> args = {QUORVIN_CLI};
        for (const std::string& arg : cmd({"getGain", ",", "getZoom"}, c.options)) {
            args.push_back(withPort(arg));
        }
        const RunResult result = c.blocks < 0 ? runProgram(args) : runWithFileLimit(c.blocks, args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(result.err, c.err);
        if (c.exitCode == 0) {
            EXPECT_EQ(result.out, "1\n0\n");
        }
    }
    EXPECT_EQ(std::filesystem::file_size(file), 512u);
}

TEST(CliWithoutCamera, VersionNamesTheLibraryThatWasLoaded) {
    const std::string tool = std::string("quorvin ") + QUORVIN_PROJECT_VERSION + "\n";
    RunResult result = runProgram({QUORVIN_CLI, "--version"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, tool + "libquorvin " + QUORVIN_PROJECT_VERSION + " (" +
                              std::filesystem::canonical(QUORVIN_LIBRARY).string() + ")\n");

    // Another copy found first by the dynamic linker is the one reported, with its own version.
    TempDir dir;
    const std::string copy = dir.path("libquorvin.so.1.7.3");
    std::filesystem::copy_file(QUORVIN_LIBRARY, copy);
    // "libquorvin.so.1.0.0" is loaded by its major version's name, "libquorvin.so.1".
    const std::string built = std::filesystem::path(QUORVIN_LIBRARY).filename().string();
    const std::string soname = built.substr(0, built.find('.', built.find(".so.") + 4));
    std::filesystem::create_symlink("libquorvin.so.1.7.3", dir.path(soname));
    result = runProgram(
        {"/usr/bin/env", "LD_LIBRARY_PATH=" + dir.dir().string(), QUORVIN_CLI, "--version"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, tool + "libquorvin 1.7.3 (" + copy + ")\n");
}

// Written out rather than taken from the table that prints it: every one of the 108 operations
// of the public header under its heading, with its arguments as a caller types them.
const char HELP_OPERATIONS[] = R"(Link and cameras:
  connect <port:text>
  disconnect
  getCamerasTotal
  getCurCamera
  setCurCamera <camera:int>

Device type and pan-tilt:
  getDeviceType
  getPanTilt
  setPanTilt <pan:double> <tilt:double> <panSpeed:int> <tiltSpeed:int>
  moveUp <tiltSpeed:int>
  moveDown <tiltSpeed:int>
  moveLeft <panSpeed:int>
  moveRight <panSpeed:int>
  moveUpLeft <tiltSpeed:int> <panSpeed:int>
  moveUpRight <tiltSpeed:int> <panSpeed:int>
  moveDownLeft <tiltSpeed:int> <panSpeed:int>
  moveDownRight <tiltSpeed:int> <panSpeed:int>
  moveHome
  stopMove

Zoom:
  zoomTele
  zoomWide
  zoomIn <speed:int>
  zoomOut <speed:int>
  stopZoom
  getZoom
  setZoom <zoom:double>
  getDZoomState
  setDZoomState <on:on|off>

Focus:
  getFocusMode
  setFocusMode <automatic:on|off>
  setAutoFocusSensitivity <normal:on|off>
  getFocus
  setFocus <focus:double>
  focusNear
  focusFar
  focusInfinity
  focusToNear <speed:int>
  focusToFar <speed:int>
  stopFocusChange
  getFocusNearLimit
  setFocusNearLimit <limit:double>
  onePushAutoFocus

White balance:
  getWBMode
  setWBMode <mode:WBMode>
  onePushWBTrigger
  getRGain
  setRGain <gain:long>
  increaseRGain
  decreaseRGain
  resetRGain
  getBGain
  setBGain <gain:long>
  increaseBGain
  decreaseBGain
  resetBGain

Exposure:
  getAEMode
  setAEMode <mode:AEMode>
  getSlowShutterMode
  setSlowShutterMode <automatic:on|off>
  getShutter
  setShutter <shutter:long>
  upShutter
  downShutter
  resetShutter
  getIris
  setIris <iris:long>
  upIris
  downIris
  resetIris
  getGain
  setGain <gain:long>
  upGain
  downGain
  resetGain
  getBright
  setBright <bright:long>
  upBright
  downBright
  resetBright
  getExpCompState
  setExpCompState <on:on|off>
  getExpComp
  setExpComp <expComp:long>
  upExpComp
  downExpComp
  resetExpComp
  getBackLightState
  setBackLightState <on:on|off>

Aperture:
  getAperture
  setAperture <aperture:long>
  upAperture
  downAperture
  resetAperture

Preset memories:
  memorySet <preset:int>
  memoryRecall <preset:int>
  memoryReset <preset:int>

Picture:
  setWideMode <mode:WideMode>
  setLrReverseState <reversed:on|off>
  setFreezeState <frozen:on|off>
  setPictureEffectMode <mode:PictureEffectMode>
  setDigitalEffectMode <mode:DigitalEffectMode>
  setDigitalEffectLevel <level:int>

System and power:
  setDataScreenState <on:on|off>
  setIrReceiveState <on:on|off>
  setIrReceiveReturnState <on:on|off>
  getPowerState
  setPowerState <on:on|off>
  getAutoPowerOffDelay
  setAutoPowerOffDelay <delay:long>
)";

TEST(CliWithoutCamera, HelpListsEveryOperationUnderItsGroup) {
    const RunResult result = runProgram({QUORVIN_CLI, "--help"});
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find(HELP_OPERATIONS), std::string::npos) << result.out;
}

// Only ports that are there: a COM name beside the device it stands for, which exists, and
// every other name a device that exists. (Which lines have a UART is tested on a folder that
// stands for /dev, in tests/ports.)
TEST(CliWithoutCamera, PortsListsTheSerialPortsPresent) {
    const RunResult result = runProgram({QUORVIN_CLI, "ports"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    const std::regex comLine("(COM([0-9]+)) +(/dev/ttyS([0-9]+))");
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        std::smatch parts;
        if (std::regex_match(line, parts, comLine)) {
            EXPECT_EQ(std::stoi(parts[2]), std::stoi(parts[4]) + 1) << line;
            EXPECT_TRUE(std::filesystem::exists(parts[3].str())) << line;
        } else {
            EXPECT_EQ(line.rfind("/dev/", 0), 0u) << line;
            EXPECT_TRUE(std::filesystem::exists(line)) << line;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The settings dump.

Camsim::CameraState knownSettings() {
    Camsim::CameraState state;
    state.pan = 720;   // 0.5
    state.tilt = -90;  // -0.25
    state.zoom = 0x1000;
    state.wbMode = 0x05;
    state.aeMode = 0x07;  // a code without a name in the header
    state.gain = 7;
    state.backlight = true;
    state.autoPowerOffDelay = 0x1234;
    return state;
}

TEST_F(CliProgram, StatusJsonIsOneObjectOfEveryInquiry) {
    start();
    server->setCamera(1, knownSettings());
    for (const auto& args : {cmd({"status", "--json"}), cmd({"status"}, {"--json"})}) {
        const RunResult result = run(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const nlohmann::json status = nlohmann::json::parse(result.out);
        ASSERT_TRUE(status.is_object());

        std::set<std::string> keys;
        for (const auto& item : status.items()) {
            keys.insert(item.key());
        }
        const std::set<std::string> expected = {
            "curCamera", "deviceType", "panTilt",          "zoom",    "dZoomState",
            "focusMode", "focus",      "focusNearLimit",   "wbMode",  "rGain",
            "bGain",     "aeMode",     "slowShutterMode",  "shutter", "iris",
            "gain",      "bright",     "expCompState",     "expComp", "backLightState",
            "aperture",  "powerState", "autoPowerOffDelay"};
        EXPECT_EQ(keys, expected);

        EXPECT_EQ(status["curCamera"], 1);
        EXPECT_EQ(status["deviceType"], "00 51 00 01 01 00 02");
        EXPECT_EQ(status["panTilt"]["pan"], 0.5);
        EXPECT_EQ(status["panTilt"]["tilt"], -0.25);
        EXPECT_EQ(status["zoom"], 0.25);
        EXPECT_EQ(status["dZoomState"], false);
        EXPECT_EQ(status["focusMode"], true);
        EXPECT_EQ(status["wbMode"], "WBManual");
        EXPECT_EQ(status["aeMode"], 7);
        EXPECT_EQ(status["gain"], 7);
        EXPECT_EQ(status["backLightState"], true);
        EXPECT_EQ(status["powerState"], true);
        EXPECT_EQ(status["autoPowerOffDelay"], 0x1234);
    }
}

TEST_F(CliProgram, StatusTableHasARowPerInquiryUnderItsGroup) {
    start();
    server->setCamera(1, knownSettings());
    const RunResult result = run(cmd({"status"}));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<std::regex> rows = {
        std::regex("\nDevice type and pan-tilt\n  DeviceType +00 51 00 01 01 00 02\n"),
        std::regex("\n  PanTilt +0.5 -0.25\n"),
        std::regex("\nWhite balance\n  WBMode +WBManual\n"),
        std::regex("\n  AEMode +0x07\n"),
        std::regex("\n  Gain +7\n"),
        std::regex("\n  BackLightState +on\n"),
        std::regex("\n  AutoPowerOffDelay +4660\n$")};
    for (const std::regex& row : rows) {
        EXPECT_TRUE(std::regex_search(result.out, row)) << result.out;
    }
}

TEST_F(CliProgram, StatusKeepsEveryOtherValueWhenAnInquiryFails) {
    const std::string missing = "SYNTAX_ERROR ocurred when executing the command !";
    start(1, Camsim::Fault::NoAutoPowerOff);
    server->setCamera(1, knownSettings());

    RunResult result = run(cmd({"status"}));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(std::regex_search(result.out, std::regex("\n  Gain +7\n"))) << result.out;
    EXPECT_TRUE(std::regex_search(result.out, std::regex("\n  PowerState +on\n"))) << result.out;
    EXPECT_TRUE(
        std::regex_search(result.out, std::regex("\n  AutoPowerOffDelay +" + missing + "\n$")))
        << result.out;

    result = run(cmd({"status", "--json"}));
    EXPECT_EQ(result.exitCode, 1);
    const nlohmann::json status = nlohmann::json::parse(result.out);
    EXPECT_EQ(status["gain"], 7);
    EXPECT_EQ(status["powerState"], true);
    EXPECT_TRUE(status["autoPowerOffDelay"].is_null());
    EXPECT_EQ(status["errors"], nlohmann::json({{"getAutoPowerOffDelay", missing}}));
}

TEST_F(CliProgram, StatusShowsEachFailureInItsRow) {
    start(1, Camsim::Fault::NotExecutable);
    const RunResult result = run(cmd({"status", "--json"}));
    EXPECT_EQ(result.exitCode, 1);
    const nlohmann::json status = nlohmann::json::parse(result.out);
    std::size_t inquiries = 0;
    for (const Operation& operation : Operations::all()) {
        if (operation.inquiry) {
            ++inquiries;
            // The current camera is the tool's own choice and needs no frame.
            if (std::string(operation.name) != "getCurCamera") {
                EXPECT_EQ(status["errors"][operation.name], "Executing the command failed !")
                    << operation.name;
            }
        }
    }
    EXPECT_EQ(status.size(), inquiries + 1);  // every inquiry, and the errors
}

// ---------------------------------------------------------------------------------------------
// Every operation reaches the camera by its own name: one run through standard input, and the
// frames that the camera received compared with the frames each operation must send.

struct WireRow {
    const char* line;
    std::vector<const char*> frames;
};

const std::vector<WireRow>& wireTable() {
    static const std::vector<WireRow> rows = {
        {"getCurCamera", {}},
        {"setCurCamera 1", {}},
        {"getDeviceType", {"81 09 00 02 FF"}},
        {"getPanTilt", {"81 09 06 12 FF"}},
        {"setPanTilt 0.5 -0.25 24 20", {"81 01 06 02 18 14 00 02 0D 00 0F 0F 0A 06 FF"}},
        {"moveUp 5", {"81 01 06 01 18 05 03 01 FF"}},
        {"moveDown 6", {"81 01 06 01 18 06 03 02 FF"}},
        {"moveLeft 7", {"81 01 06 01 07 14 01 03 FF"}},
        {"moveRight 8", {"81 01 06 01 08 14 02 03 FF"}},
        {"moveUpLeft 1 2", {"81 01 06 01 02 01 01 01 FF"}},
        {"moveUpRight 3 4", {"81 01 06 01 04 03 02 01 FF"}},
        {"moveDownLeft 5 6", {"81 01 06 01 06 05 01 02 FF"}},
        {"moveDownRight 7 8", {"81 01 06 01 08 07 02 02 FF"}},
        {"moveHome", {"81 01 06 04 FF"}},
        {"stopMove", {"81 01 06 01 18 14 03 03 FF"}},
        {"zoomTele", {"81 01 04 07 02 FF"}},
        {"zoomWide", {"81 01 04 07 03 FF"}},
        {"zoomIn 2", {"81 01 04 07 22 FF"}},
        {"zoomOut 3", {"81 01 04 07 33 FF"}},
        {"stopZoom", {"81 01 04 07 00 FF"}},
        {"getZoom", {"81 09 04 47 FF", "81 09 04 06 FF"}},
        {"setZoom 0.5", {"81 09 04 06 FF", "81 01 04 47 02 00 00 00 FF"}},
        {"getDZoomState", {"81 09 04 06 FF"}},
        {"setDZoomState off", {"81 01 04 06 03 FF"}},
        {"getFocusMode", {"81 09 04 38 FF"}},
        {"setFocusMode on", {"81 01 04 38 02 FF"}},
        {"setAutoFocusSensitivity off", {"81 01 04 58 03 FF"}},
        {"getFocus", {"81 09 04 48 FF"}},
        {"setFocus 0.5", {"81 01 04 48 04 0A 00 00 FF"}},
        {"focusNear", {"81 01 04 08 03 FF"}},
        {"focusFar", {"81 01 04 08 02 FF"}},
        {"focusInfinity", {"81 01 04 18 02 FF"}},
        {"focusToNear 4", {"81 01 04 08 34 FF"}},
        {"focusToFar 5", {"81 01 04 08 25 FF"}},
        {"stopFocusChange", {"81 01 04 08 00 FF"}},
        {"getFocusNearLimit", {"81 09 04 28 FF"}},
        {"setFocusNearLimit 0", {"81 01 04 28 01 00 00 00 FF"}},
        {"onePushAutoFocus", {"81 01 04 18 01 FF"}},
        {"getWBMode", {"81 09 04 35 FF"}},
        {"setWBMode WBOutdoor", {"81 01 04 35 02 FF"}},
        {"onePushWBTrigger", {"81 01 04 10 05 FF"}},
        {"getRGain", {"81 09 04 43 FF"}},
        {"setRGain 0x12", {"81 01 04 43 00 00 01 02 FF"}},
        {"increaseRGain", {"81 01 04 03 02 FF"}},
        {"decreaseRGain", {"81 01 04 03 03 FF"}},
        {"resetRGain", {"81 01 04 03 00 FF"}},
        {"getBGain", {"81 09 04 44 FF"}},
        {"setBGain 0x34", {"81 01 04 44 00 00 03 04 FF"}},
        {"increaseBGain", {"81 01 04 04 02 FF"}},
        {"decreaseBGain", {"81 01 04 04 03 FF"}},
        {"resetBGain", {"81 01 04 04 00 FF"}},
        {"getAEMode", {"81 09 04 39 FF"}},
        {"setAEMode AEManual", {"81 01 04 39 03 FF"}},
        {"getSlowShutterMode", {"81 09 04 5A FF"}},
        {"setSlowShutterMode on", {"81 01 04 5A 02 FF"}},
        {"getShutter", {"81 09 04 4A FF"}},
        {"setShutter 19", {"81 01 04 4A 00 00 01 03 FF"}},
        {"upShutter", {"81 01 04 0A 02 FF"}},
        {"downShutter", {"81 01 04 0A 03 FF"}},
        {"resetShutter", {"81 01 04 0A 00 FF"}},
        {"getIris", {"81 09 04 4B FF"}},
        {"setIris 0x11", {"81 01 04 4B 00 00 01 01 FF"}},
        {"upIris", {"81 01 04 0B 02 FF"}},
        {"downIris", {"81 01 04 0B 03 FF"}},
        {"resetIris", {"81 01 04 0B 00 FF"}},
        {"getGain", {"81 09 04 4C FF"}},
        {"setGain 9", {"81 01 04 4C 00 00 00 09 FF"}},
        {"upGain", {"81 01 04 0C 02 FF"}},
        {"downGain", {"81 01 04 0C 03 FF"}},
        {"resetGain", {"81 01 04 0C 00 FF"}},
        {"getBright", {"81 09 04 4D FF"}},
        {"setBright 0x1A", {"81 01 04 4D 00 00 01 0A FF"}},
        {"upBright", {"81 01 04 0D 02 FF"}},
        {"downBright", {"81 01 04 0D 03 FF"}},
        {"resetBright", {"81 01 04 0D 00 FF"}},
        {"getExpCompState", {"81 09 04 3E FF"}},
        {"setExpCompState on", {"81 01 04 3E 02 FF"}},
        {"getExpComp", {"81 09 04 4E FF"}},
        {"setExpComp 0x0E", {"81 01 04 4E 00 00 00 0E FF"}},
        {"upExpComp", {"81 01 04 0E 02 FF"}},
        {"downExpComp", {"81 01 04 0E 03 FF"}},
        {"resetExpComp", {"81 01 04 0E 00 FF"}},
        {"getBackLightState", {"81 09 04 33 FF"}},
        {"setBackLightState true", {"81 01 04 33 02 FF"}},
        {"getAperture", {"81 09 04 42 FF"}},
        {"setAperture 15", {"81 01 04 42 00 00 00 0F FF"}},
        {"upAperture", {"81 01 04 02 02 FF"}},
        {"downAperture", {"81 01 04 02 03 FF"}},
        {"resetAperture", {"81 01 04 02 00 FF"}},
        {"memorySet 3", {"81 01 04 3F 01 03 FF"}},
        {"memoryRecall 3", {"81 01 04 3F 02 03 FF"}},
        {"memoryReset 3", {"81 01 04 3F 00 03 FF"}},
        {"setWideMode WideCinema", {"81 01 04 60 01 FF"}},
        {"setLrReverseState on", {"81 01 04 61 02 FF"}},
        {"setFreezeState off", {"81 01 04 62 03 FF"}},
        {"setPictureEffectMode PictureEffectSepia", {"81 01 04 63 03 FF"}},
        {"setDigitalEffectMode DigitalEffectTrail", {"81 01 04 64 04 FF"}},
        {"setDigitalEffectLevel 0x20", {"81 01 04 65 20 FF"}},
        {"setDataScreenState on", {"81 01 06 06 02 FF"}},
        {"setIrReceiveState off", {"81 01 06 08 03 FF"}},
        {"setIrReceiveReturnState on", {"81 01 7D 01 03 00 00 FF"}},
        {"getPowerState", {"81 09 04 00 FF"}},
        {"setPowerState on", {"81 01 04 00 02 FF"}},
        {"getAutoPowerOffDelay", {"81 09 04 40 FF"}},
        {"setAutoPowerOffDelay 0x1234", {"81 01 04 40 01 02 03 04 FF"}},
        // The link itself last: the run goes on over the new connection.
        {"disconnect", {}},
        {"connect {port}", {"88 30 01 FF", "88 01 00 01 FF"}},
        {"getCamerasTotal", {"88 30 01 FF"}},
    };
    return rows;
}

TEST(WireTable, CoversEveryOperationOnce) {
    std::multiset<std::string> covered;
    for (const WireRow& row : wireTable()) {
        covered.insert(std::string(row.line).substr(0, std::string(row.line).find(' ')));
    }
    std::multiset<std::string> all;
    for (const Operation& operation : Operations::all()) {
        all.insert(operation.name);
    }
    EXPECT_EQ(all.size(), 108u);
    EXPECT_EQ(covered, all);
}

TEST_F(CliProgram, EveryOperationSendsItsOwnFrames) {
    start();
    std::string script;
    for (const WireRow& row : wireTable()) {
        script += std::string(row.line) + "\n";
    }
    const RunResult result = run(cmd({"-"}), script);
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // Address_Set and IF_Clear of the tool's own connect come first.
    std::vector<std::pair<std::string, std::string>> expected = {{"(start)", "88 30 01 FF"},
                                                                 {"(start)", "88 01 00 01 FF"}};
    for (const WireRow& row : wireTable()) {
        for (const char* frame : row.frames) {
            expected.emplace_back(row.line, frame);
        }
    }
    const std::vector<std::string> frames = received();
    for (std::size_t i = 0; i < std::min(frames.size(), expected.size()); ++i) {
        ASSERT_EQ(frames[i], expected[i].second) << "frame " << i << " of " << expected[i].first;
    }
    EXPECT_EQ(frames.size(), expected.size());
    // The last line's answer: one camera on the line.
    EXPECT_EQ(result.out.substr(result.out.rfind('\n', result.out.size() - 2) + 1), "1\n");
}

// ---------------------------------------------------------------------------------------------
// The library's log switches.

TEST_F(CliProgram, LogOptionsReachTheLibrarysSwitches) {
    start();
    const TempDir dir;
    const std::string file = dir.path("camera.log");
    auto readLog = [&] { return readFile(file); };

    // --log alone: the file is opened (and so created) but gets only exception lines.
    RunResult result = run(cmd({"getGain"}, {"--log", file}));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(readLog(), "");
    EXPECT_EQ(result.out, "1\n");

    // --debug with it: every exchange, bytes included, into that file and nowhere else.
    result = run(cmd({"getGain"}, {"--log", file, "--debug"}));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(readLog().find("[Debug] Sending command ...\n[Debug] 81 09 04 4c ff \n"),
              std::string::npos)
        << readLog();
    EXPECT_EQ(result.out, "1\n");

    // --verbose: the same lines echoed on standard output, among the results.
    result = run(cmd({"getGain"}, {"--verbose"}));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::size_t dump = result.out.find("[Debug] 81 09 04 4c ff \n");
    EXPECT_NE(dump, std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\n1\n", dump), std::string::npos) << result.out;
}

}  // namespace
}  // namespace CliTest
