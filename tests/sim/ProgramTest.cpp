// The quorvin-camsim program as a client meets it: started as a process, its first line read,
// talked to over the pseudo-terminal, stopped by a signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ProgramSupport.h"
#include "SimTestSupport.h"

namespace {

using SimTest::Bytes;
using SimTest::Clock;
using SimTest::hex;
using SimTest::milliseconds;
using SimTest::Port;
using SimTest::Program;
using SimTest::readFile;
using SimTest::TempDir;
using SimTest::toHex;

TEST(Program, ServesThreeCamerasThroughItsLinkAndStopsCleanlyOnEachSignal) {
    for (const int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        TempDir dir;
        const std::string link = dir.path("cam");
        Program program({"--cameras", "3", "--link", link}, dir.path("stderr.txt"));
        const std::string device = program.readLine();
        ASSERT_FALSE(device.empty());

        char target[256] = {};
        ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(device, target);

        {
            Port port(link);
            EXPECT_EQ(toHex(port.exchange(hex("88 30 01 FF"), 4)), "88 30 04 FF");
            EXPECT_EQ(toHex(port.exchange(hex("88 01 00 01 FF"), 5)), "88 01 00 01 FF");
            EXPECT_EQ(toHex(port.exchange(hex("83 09 04 00 FF"), 4)), "B0 50 02 FF");
        }
        EXPECT_EQ(program.stop(sig), 0);
        struct stat st {};
        EXPECT_NE(::lstat(link.c_str(), &st), 0) << "link left behind";
    }
}

TEST(Program, IdleCpuStaysNegligibleAfterClientsCloseThePort) {
    TempDir dir;
    Program program({}, dir.path("stderr.txt"));
    const std::string device = program.readLine();
    ASSERT_FALSE(device.empty());
    for (int i = 0; i < 2; ++i) {
        Port port(device);
        EXPECT_EQ(toHex(port.exchange(hex("81 09 04 00 FF"), 4)), "90 50 02 FF");
    }
    // No client has the port open now: a server that polled a hung-up line would spin here.
    const double before = program.cpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(milliseconds(3000));
    const double used = program.cpuSeconds() - before;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::cout << "[ idle CPU ] " << used << " s of CPU in " << elapsed << " s idle\n";
    RecordProperty("idle_cpu_seconds", std::to_string(used));
    ASSERT_GE(used, 0.0);
    // Only a sanity bound: a busy loop would use about all of the elapsed time.
    EXPECT_LT(used, elapsed / 2);
    EXPECT_EQ(program.stop(SIGTERM), 0);
}

TEST(Program, VerboseLogsEveryFrameWithATimeStamp) {
    TempDir dir;
    Program program({"--verbose"}, dir.path("stderr.txt"));
    const std::string device = program.readLine();
    ASSERT_FALSE(device.empty());
    {
        Port port(device);
        EXPECT_EQ(toHex(port.exchange(hex("81 01 04 33 02 FF"), 6)), "90 41 FF 90 51 FF");
    }
    EXPECT_EQ(program.stop(SIGTERM), 0);
    const std::string log = readFile(dir.path("stderr.txt"));
    for (const char* frame : {"rx 81 01 04 33 02 FF", "tx 90 41 FF", "tx 90 51 FF"}) {
        const std::regex line(std::string(R"((^|\n) *[0-9]+\.[0-9]{6} )") + frame + "\n");
        EXPECT_TRUE(std::regex_search(log, line)) << frame << " not in:\n" << log;
    }
}

TEST(Program, VerboseShowsOnlyTheStartOfALongBurstOfStrayBytes) {
    TempDir dir;
    Program program({"--verbose", "--stray-bytes", "5000"}, dir.path("stderr.txt"));
    const std::string device = program.readLine();
    ASSERT_FALSE(device.empty());
    {
        Port port(device);
        port.send("81 09 04 00 FF");
        EXPECT_EQ(port.read(5004).size(), 5004u);
    }
    EXPECT_EQ(program.stop(SIGTERM), 0);
    const std::string log = readFile(dir.path("stderr.txt"));
    const std::regex burst(
        R"(\n *[0-9]+\.[0-9]{6} tx( [0-9A-F]{2}){32} \.\.\. and 4968 bytes more\n)");
    EXPECT_TRUE(std::regex_search(log, burst)) << log;
}

struct OptionCase {
    std::vector<std::string> options;
    const char* request;
    const char* reply;
    // The answer to the marker sent after the reply, nullptr when the options leave nothing
    // answered: then only a wait shows that nothing more came.
    const char* marker = SimTest::MARKER_REPLY;
};

void PrintTo(const OptionCase& c, std::ostream* os) {
    for (const auto& o : c.options) *os << o << ' ';
}

class ProgramOption : public ::testing::TestWithParam<OptionCase> {};

TEST_P(ProgramOption, ShapesTheAnswers) {
    TempDir dir;
    Program program(GetParam().options, dir.path("stderr.txt"));
    const std::string device = program.readLine();
    ASSERT_FALSE(device.empty()) << readFile(dir.path("stderr.txt"));
    {
        Port port(device);
        const OptionCase& c = GetParam();
        const Bytes expected = hex(c.reply);
        port.send(c.request);
        Bytes got = port.read(expected.size());
        if (c.marker != nullptr) {
            // A reply that should not come arrives ahead of the marker's answer.
            port.send(SimTest::MARKER);
            const Bytes rest = port.readThrough(hex(c.marker));
            got.insert(got.end(), rest.begin(), rest.end());
            EXPECT_EQ(toHex(got), toHex(SimTest::concat({expected, hex(c.marker)})));
        } else {
            const Bytes extra = port.drain(milliseconds(250));
            got.insert(got.end(), extra.begin(), extra.end());
            EXPECT_EQ(toHex(got), toHex(expected));
        }
    }
    EXPECT_EQ(program.stop(SIGTERM), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Options, ProgramOption,
    ::testing::Values(
        OptionCase{{}, "88 30 01 FF", "88 30 02 FF"},
        OptionCase{{"--cameras", "2"}, "88 30 01 FF", "88 30 03 FF"},
        OptionCase{{"--cameras=7"}, "88 30 01 FF", "88 30 08 FF"},
        OptionCase{{"--fault", "buffer-full"}, "81 09 04 00 FF", "90 60 03 FF", "90 60 03 FF"},
        OptionCase{{"--fault=not-executable"}, "81 01 04 33 02 FF", "90 61 41 FF", "90 61 41 FF"},
        OptionCase{{"--fault", "ack-only"}, "81 01 04 33 02 FF", "90 41 FF"},
        OptionCase{{"--fault", "silent"}, "81 09 04 00 FF", "", nullptr},
        OptionCase{
            {"--fault", "split", "--split-pause", "60"}, "81 09 04 4E FF", "90 50 00 00 00 07 FF"},
        OptionCase{{"--fault", "none"}, "81 09 04 00 FF", "90 50 02 FF"},
        OptionCase{{"--fault", "held-completion"},
                   "81 01 04 33 02 FF",
                   "90 41 FF",
                   "90 51 FF 90 50 02 FF"},
        OptionCase{{"--fault", "error-after-ack"}, "81 01 04 33 02 FF", "90 41 FF 90 61 41 FF"},
        OptionCase{{"--fault=bad-nibble-answer"}, "81 09 04 47 FF", "90 50 10 00 00 00 FF"},
        OptionCase{{"--model", "chain"}, "81 09 04 06 FF", "90 60 02 FF"},
        OptionCase{{"--model=network"}, "81 09 00 02 FF", "90 50 00 51 00 03 03 01 02 FF"},
        OptionCase{{"--model", "chain,network"}, "88 30 01 FF", "88 30 03 FF"},
        OptionCase{
            {"--model", "standard,chain", "--cameras", "2"}, "82 09 04 06 FF", "A0 60 02 FF"},
        OptionCase{
            {"--model", "chain,chain,network"}, "83 09 00 02 FF", "B0 50 00 51 00 03 03 01 02 FF"},
        OptionCase{{"--model", "standard,network", "--baud", "38400"},
                   "82 09 00 02 FF",
                   "A0 50 00 51 00 03 03 01 02 FF"},
        OptionCase{{"--pace-9600"}, "81 09 06 12 FF", "90 50 00 00 00 00 00 00 00 00 FF"},
        OptionCase{
            {"--pace", "--baud", "115200"}, "81 09 06 12 FF", "90 50 00 00 00 00 00 00 00 00 FF"},
        OptionCase{{"--baud=38400"}, "81 09 04 00 FF", "90 50 02 FF"},
        OptionCase{{"--network-change-before-reply", "100"},
                   "81 09 04 00 FF",
                   "90 38 FF 90 50 02 FF",
                   "90 38 FF 90 50 02 FF"},
        OptionCase{{"--network-change-before-reply=100", "--network-change-broadcast"},
                   "81 09 04 00 FF",
                   "88 38 FF 90 50 02 FF",
                   "88 38 FF 90 50 02 FF"},
        OptionCase{{"--ir-report", "100"},
                   "81 09 04 00 FF",
                   "90 07 7D 01 04 07 FF 90 50 02 FF",
                   "90 07 7D 01 04 00 FF 90 50 02 FF"},
        OptionCase{{"--stray-stale"},
                   "81 09 04 00 FF",
                   "90 50 02 FF 90 50 0F FF",
                   "90 50 02 FF 90 50 0F FF"},
        OptionCase{{"--byte-pause", "5"}, "81 09 04 4E FF", "90 50 00 00 00 07 FF"},
        OptionCase{{"--instant"},
                   "81 01 06 02 01 01 00 05 0A 00 00 00 00 00 FF 81 09 06 12 FF",
                   "90 41 FF 90 51 FF 90 50 00 05 0A 00 00 00 00 00 FF"},
        OptionCase{{"--completion-delay", "100"},
                   "81 01 04 33 02 FF 81 09 04 33 FF",
                   "90 41 FF 90 50 02 FF 90 51 FF"},
        OptionCase{{"--fault", "late-completion", "--late-completion", "100"},
                   "81 01 06 04 FF 81 09 04 00 FF",
                   "90 41 FF 90 50 02 FF 90 51 FF"}));

TEST(Program, GarbageFaultAnswersNoReplyHeader) {
    TempDir dir;
    Program program({"--fault", "garbage"}, dir.path("stderr.txt"));
    Port port(program.readLine());
    port.send("81 09 04 00 FF");
    const Bytes r = port.readFrame();
    ASSERT_FALSE(r.empty());
    EXPECT_LT(r.front(), 0x80) << toHex(r);
    EXPECT_EQ(program.stop(SIGTERM), 0);
}

TEST(Program, HangupFaultClosesTheLineAndTheProgramStillStopsCleanly) {
    TempDir dir;
    Program program({"--fault", "hangup"}, dir.path("stderr.txt"));
    Port port(program.readLine());
    port.send("81 09 04 00 FF");
    EXPECT_TRUE(port.hungUp(milliseconds(2000)));
    EXPECT_EQ(program.stop(SIGTERM), 0);
}

class BadOptions : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(BadOptions, ExitTwoWithUsageAndNoDevice) {
    TempDir dir;
    Program program(GetParam(), dir.path("stderr.txt"));
    EXPECT_EQ(program.readLine(), "");
    EXPECT_EQ(program.wait(), 2);
    EXPECT_NE(readFile(dir.path("stderr.txt")).find("usage: quorvin-camsim"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Options, BadOptions,
    ::testing::Values(
        std::vector<std::string>{"--cameras", "0"}, std::vector<std::string>{"--cameras", "8"},
        std::vector<std::string>{"--cameras", "two"}, std::vector<std::string>{"--cameras"},
        std::vector<std::string>{"--fault", "sometimes"},
        std::vector<std::string>{"--model", "nikon"}, std::vector<std::string>{"--model"},
        std::vector<std::string>{"--model", "chain,nikon"},
        std::vector<std::string>{"--model", "chain,"},
        std::vector<std::string>{"--model", "chain,standard,network", "--cameras", "2"},
        std::vector<std::string>{"--model", "chain,network", "--write-profile", "-"},
        std::vector<std::string>{"--model", "chain,chain,chain,chain,chain,chain,chain,chain"},
        std::vector<std::string>{"--completion-delay", "-5"},
        std::vector<std::string>{"--late-completion", "x"},
        std::vector<std::string>{"--instant", "--pace-9600"},
        std::vector<std::string>{"--instant", "--pace"},
        std::vector<std::string>{"--baud", "12345"}, std::vector<std::string>{"--baud", "fast"},
        std::vector<std::string>{"--baud"}, std::vector<std::string>{"--ir-report", "101"},
        std::vector<std::string>{"--network-change-before-reply", "-1"},
        std::vector<std::string>{"--network-change-every", "0"},
        std::vector<std::string>{"--network-change-on-connect=yes"},
        std::vector<std::string>{"--stray-bytes", "0"},
        std::vector<std::string>{"--stray-bytes", "always"},
        std::vector<std::string>{"--stray-bytes", "67108865"},
        std::vector<std::string>{"--seed", "-1"}, std::vector<std::string>{"--byte-pause", "x"},
        std::vector<std::string>{"--profile"}, std::vector<std::string>{"--write-profile"},
        std::vector<std::string>{"--verbose=yes"}, std::vector<std::string>{"--link"},
        std::vector<std::string>{"--geometry", "+0+0"},
        std::vector<std::string>{"--view", "--geometry", "10x"},
        std::vector<std::string>{"--view", "--geometry", "0x5"},
        std::vector<std::string>{"--view", "--geometry", "+1"},
        std::vector<std::string>{"--view=yes"}, std::vector<std::string>{"extra"},
        std::vector<std::string>{"--frobnicate"}, std::vector<std::string>{"--tcp", "70000"},
        std::vector<std::string>{"--udp"},
        std::vector<std::string>{"--tcp", "0", "--net-fault", "sometimes"},
        std::vector<std::string>{"--net-fault", "drop"},
        std::vector<std::string>{"--net-fault-request", "-1"}));

TEST(Program, LinkNeverReplacesARegularFile) {
    TempDir dir;
    const std::string file = dir.path("file");
    { std::ofstream(file) << "keep me"; }
    Program program({"--link", file}, dir.path("stderr.txt"));
    EXPECT_EQ(program.readLine(), "");
    EXPECT_EQ(program.wait(), 1);
    EXPECT_EQ(readFile(file), "keep me");
}

}  // namespace
