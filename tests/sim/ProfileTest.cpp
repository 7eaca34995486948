// Capability profiles: what a reader makes of a good one, the message it gives for each way a
// file can be wrong, and the program's --profile and --write-profile.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "ProgramSupport.h"
#include "SimTestSupport.h"
#include "sim/Profile.h"
#include "sim/PtyServer.h"

namespace {

using SimTest::hex;
using SimTest::Line;
using SimTest::Port;
using SimTest::Program;
using SimTest::readFile;
using SimTest::TempDir;
using SimTest::toHex;

const std::string PROFILES = QUORVIN_PROFILES_DIR;

// A profile of the fewest keys, with `more` spliced in after the device.
std::string profileWith(const std::string& more) {
    return R"({"format": "quorvin-capability-profile", "version": 1,
               "device": {"vendor": 81, "model": 16, "rom": 256, "maxSocket": 2})" +
           more + "}";
}

TEST(Profile, KeysLeftOutTakeTheStandardModelsValues) {
    const Camsim::Model read = Camsim::parseProfile(profileWith(""));
    Camsim::Model expected = Camsim::builtInModel("standard").value();
    expected.name = "profile";
    expected.modelCode = 16;
    EXPECT_EQ(Camsim::profileText(read), Camsim::profileText(expected));
}

TEST(Profile, EveryBuiltInModelReadsBackAsItselfAndIsTheShippedFile) {
    for (const std::string& name : Camsim::builtInModelNames()) {
        SCOPED_TRACE(name);
        const std::string text = Camsim::profileText(Camsim::builtInModel(name).value());
        EXPECT_EQ(Camsim::profileText(Camsim::parseProfile(text)), text);
        EXPECT_EQ(readFile(PROFILES + "/" + name + ".json"), text)
            << "docs/profiles/" << name << ".json is out of date: quorvin-camsim --model " << name
            << " --write-profile writes it";
    }
}

TEST(Profile, TheCameraRefusesWhatTheProfileListsAndAnswersTheRest) {
    Camsim::ServerOptions options;
    options.model = Camsim::parseProfile(profileWith(R"(,
        "presets": 4, "speeds": {"tilt": 2},
        "inquiries": {"refused": ["getFocus", "getIris"]},
        "lacks": ["moveHome", "zoomIn", "memoryReset"])"));
    Line line(options);
    const struct {
        const char* request;
        const char* reply;
    } cases[] = {
        {"81 09 00 02 FF", "90 50 00 51 00 10 01 00 02 FF"},
        {"81 09 04 48 FF", "90 60 02 FF"},
        {"81 09 04 4B FF", "90 60 02 FF"},
        {"81 09 04 4C FF", "90 50 00 00 00 01 FF"},
        {"81 01 06 04 FF", "90 60 02 FF"},
        {"81 01 04 07 25 FF", "90 60 02 FF"},  // zoomIn at any speed
        {"81 01 04 07 02 FF", "90 41 FF 90 51 FF"},
        {"81 01 04 07 00 FF", "90 41 FF 90 51 FF"},
        {"81 01 04 3F 00 01 FF", "90 60 02 FF"},
        {"81 01 04 3F 01 03 FF", "90 41 FF 90 51 FF"},
        {"81 01 04 3F 01 04 FF", "90 60 02 FF"},  // preset 4 of 0..3
        {"81 01 06 01 18 03 03 01 FF", "90 60 02 FF"},
        {"81 01 06 01 18 02 03 03 FF", "90 41 FF 90 51 FF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        const auto expected = hex(c.reply);
        EXPECT_EQ(toHex(line.port.exchange(hex(c.request), expected.size())), c.reply);
    }
}

// `count` euro signs, three bytes each in UTF-8.
std::string euros(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "\xE2\x82\xAC";
    return text;
}

struct BadProfile {
    const char* name;
    std::string text;
    // The message; where the JSON library words it, the parts between the stars are enough.
    std::string error;
};

// Whether text starts with the part of pattern before its first star, ends with the part after
// its last, and holds the parts between them in order.
bool matchesPattern(const std::string& text, const std::string& pattern) {
    std::vector<std::string> pieces{""};
    for (const char c : pattern) {
        if (c == '*') {
            pieces.emplace_back();
        } else {
            pieces.back() += c;
        }
    }
    if (pieces.size() == 1) return text == pattern;
    if (text.rfind(pieces.front(), 0) != 0) return false;
    std::size_t at = pieces.front().size();
    for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
        const std::size_t found = text.find(pieces[i], at);
        if (found == std::string::npos) return false;
        at = found + pieces[i].size();
    }
    const std::string& last = pieces.back();
    return text.size() >= at + last.size() &&
           text.compare(text.size() - last.size(), last.size(), last) == 0;
}

void PrintTo(const BadProfile& c, std::ostream* os) { *os << c.name; }

class BadProfiles : public ::testing::TestWithParam<BadProfile> {};

TEST_P(BadProfiles, AreRefusedNamingTheKeyAndWhatIsWrong) {
    try {
        Camsim::parseProfile(GetParam().text);
        ADD_FAILURE() << "read without complaint";
    } catch (const Camsim::ProfileError& error) {
        if (GetParam().error.find('*') == std::string::npos) {
            EXPECT_EQ(std::string(error.what()), GetParam().error);
        } else {
            EXPECT_TRUE(matchesPattern(error.what(), GetParam().error)) << error.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Documents, BadProfiles,
    ::testing::Values(
        BadProfile{"Empty", "", "not JSON: parse error at line 1, column 1: *"},
        BadProfile{"CutShort",
                   "{\n  \"format\": ", "not JSON: parse error at line 2, column 13: *"},
        BadProfile{"HugeNumber", profileWith(R"(, "presets": 1e400)"), "not JSON: *1e400*"},
        BadProfile{"NotAnObject", "[1, 2]", "the profile: expected an object, got a list"},
        BadProfile{"DeeplyNested", std::string(100000, '[') + std::string(100000, ']'),
                   "the profile: expected an object, got a list"},
        BadProfile{"NoFormat", R"({"version": 1})", "format: missing"},
        BadProfile{"OtherFormat", R"({"format": "camera", "version": 1})",
                   R"(format: expected "quorvin-capability-profile", got "camera")"},
        BadProfile{"LaterVersion", R"({"format": "quorvin-capability-profile", "version": 2})",
                   "version: this reader knows version 1, got 2"},
        BadProfile{"VersionAsText", R"({"format": "quorvin-capability-profile", "version": "1"})",
                   R"(version: this reader knows version 1, got "1")"},
        BadProfile{"NoDevice", R"({"format": "quorvin-capability-profile", "version": 1})",
                   "device: missing"},
        BadProfile{"KeyTwice", profileWith(R"(, "presets": 4, "presets": 5)"),
                   "presets: given twice"},
        BadProfile{"UnknownKey", profileWith(R"(, "preset": 4)"), "preset: unknown key"},
        BadProfile{"UnknownNestedKey", profileWith(R"(, "speeds": {"panSpeed": 4})"),
                   "speeds.panSpeed: unknown key"}),
    [](const auto& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Device, BadProfiles,
    ::testing::Values(
        BadProfile{"NoVendor",
                   R"({"format": "quorvin-capability-profile", "version": 1,
                       "device": {"model": 1, "rom": 1, "maxSocket": 2}})",
                   "device.vendor: missing"},
        BadProfile{"VendorNegative",
                   R"({"format": "quorvin-capability-profile", "version": 1,
                       "device": {"vendor": -1, "model": 1, "rom": 1, "maxSocket": 2}})",
                   "device.vendor: expected a whole number from 0 to 65535, got -1"},
        BadProfile{"ModelWithAFraction",
                   R"({"format": "quorvin-capability-profile", "version": 1,
                       "device": {"vendor": 1, "model": 1.5, "rom": 1, "maxSocket": 2}})",
                   "device.model: expected a whole number from 0 to 65535, got the number 1.5"},
        BadProfile{"RomHoldsTheTerminator",
                   R"({"format": "quorvin-capability-profile", "version": 1,
                       "device": {"vendor": 1, "model": 1, "rom": 511, "maxSocket": 2}})",
                   "device.rom: 511 holds the byte 0xFF, which would end the answer"},
        BadProfile{"NoSockets",
                   R"({"format": "quorvin-capability-profile", "version": 1,
                       "device": {"vendor": 1, "model": 1, "rom": 1, "maxSocket": 0}})",
                   "device.maxSocket: expected a whole number from 1 to 15, got 0"}),
    [](const auto& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Values, BadProfiles,
    ::testing::Values(
        BadProfile{"LineSpeed", profileWith(R"(, "lineSpeed": 12345)"),
                   "lineSpeed: 12345 baud is none of 2400, 4800, 9600, 19200, 38400, 57600 and "
                   "115200"},
        BadProfile{"NoPresets", profileWith(R"(, "presets": 0)"),
                   "presets: expected a whole number from 1 to 255, got 0"},
        BadProfile{"PresetsAsText", profileWith(R"(, "presets": "16")"),
                   R"(presets: expected a whole number from 1 to 255, got "16")"},
        BadProfile{"PanSpeedZero", profileWith(R"(, "speeds": {"pan": 0})"),
                   "speeds.pan: expected a whole number from 1 to 127, got 0"},
        BadProfile{"ZoomSpeed", profileWith(R"(, "speeds": {"zoom": 8})"),
                   "speeds.zoom: expected a whole number from 0 to 7, got 8"},
        BadProfile{"ZeroAcceptedAsText", profileWith(R"(, "speeds": {"zeroAccepted": "yes"})"),
                   R"(speeds.zeroAccepted: expected true or false, got "yes")"},
        BadProfile{"SpeedsNull", profileWith(R"(, "speeds": null)"),
                   "speeds: expected an object, got null"},
        BadProfile{"PanWithoutHome", profileWith(R"(, "ranges": {"pan": {"min": 10}})"),
                   "ranges.pan: the range 10 to 1440 leaves out 0, the home position"},
        BadProfile{"TiltBeyond16Bits", profileWith(R"(, "ranges": {"tilt": {"max": 40000}})"),
                   "ranges.tilt.max: expected a whole number from -32768 to 32767, got 40000"},
        BadProfile{"DigitalBelowOptical",
                   profileWith(R"(, "ranges": {"zoom": {"max": 20000, "digitalMax": 16384}})"),
                   "ranges.zoom.digitalMax: 16384 is below the optical end 20000"},
        BadProfile{"FocusBackwards", profileWith(R"(, "ranges": {"focus": {"min": 33792}})"),
                   "ranges.focus: min 33792 is not below max 33792"},
        BadProfile{"NotifyAsNumber",
                   profileWith(R"(, "unsolicited": {"networkChangeOnConnect": 1})"),
                   "unsolicited.networkChangeOnConnect: expected true or false, got 1"},
        BadProfile{"NameAsList", profileWith(R"(, "name": [], "notes": 1)"),
                   "name: expected a text, got a list"}),
    [](const auto& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(
    OperationNames, BadProfiles,
    ::testing::Values(
        BadProfile{"NotAList", profileWith(R"(, "lacks": "moveHome")"),
                   R"(lacks: expected a list of operation names, got "moveHome")"},
        BadProfile{"NotAName", profileWith(R"(, "lacks": ["moveHome", 7])"),
                   "lacks[1]: expected an operation name, got 7"},
        BadProfile{"Unknown", profileWith(R"(, "lacks": ["fly"])"),
                   R"(lacks[0]: "fly" is no operation that sends the camera a frame)"},
        BadProfile{"OfTheLink", profileWith(R"(, "lacks": ["connect"])"),
                   R"(lacks[0]: "connect" is no operation that sends the camera a frame)"},
        BadProfile{"WrongCase", profileWith(R"(, "lacks": ["MoveHome"])"),
                   R"(lacks[0]: "MoveHome" is no operation that sends the camera a frame)"},
        BadProfile{"InquiryLacked", profileWith(R"(, "lacks": ["moveHome", "getZoom"])"),
                   R"(lacks[1]: getZoom is an inquiry: list it under "inquiries", "refused")"},
        BadProfile{
            "CommandRefused", profileWith(R"(, "inquiries": {"refused": ["setZoom"]})"),
            R"(inquiries.refused[0]: setZoom is a command, not an inquiry: list it under "lacks")"},
        BadProfile{"Twice", profileWith(R"(, "lacks": ["moveHome", "stopMove", "moveHome"])"),
                   "lacks[2]: moveHome is listed twice"},
        BadProfile{"AnsweredAndRefused",
                   profileWith(R"(, "inquiries": {"answered": ["getZoom", "getFocus"],
                                                  "refused": ["getFocus"]})"),
                   "inquiries.answered[1]: getFocus is listed as refused too"},
        // Cut short between characters, never inside one (each euro sign is three bytes).
        BadProfile{"LongNameOfWideCharacters",
                   profileWith(R"(, "lacks": [")" + euros(20) + R"("])"),
                   R"(lacks[0]: ")" + euros(13) +
                       R"(" (cut short) is no operation that sends the camera a frame)"},
        BadProfile{"LongName", profileWith(R"(, "lacks": [")" + std::string(5000, 'x') + R"("])"),
                   R"(lacks[0]: "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx" (cut short) is no )"
                   "operation that sends the camera a frame"}),
    [](const auto& row) { return std::string(row.param.name); });

std::string writeFile(const TempDir& dir, const std::string& name, const std::string& text) {
    const std::string path = dir.path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(ProfileProgram, ServesTheModelOfTheProfile) {
    TempDir dir;
    const std::string path = writeFile(dir, "camera.json", profileWith(R"(, "presets": 2)"));
    Program program({"--profile", path}, dir.path("stderr.txt"));
    const std::string device = program.readLine();
    ASSERT_FALSE(device.empty()) << readFile(dir.path("stderr.txt"));
    {
        Port port(device);
        EXPECT_EQ(toHex(port.exchange(hex("81 09 00 02 FF"), 10)), "90 50 00 51 00 10 01 00 02 FF");
        EXPECT_EQ(toHex(port.exchange(hex("81 01 04 3F 01 02 FF"), 4)), "90 60 02 FF");
    }
    EXPECT_EQ(program.stop(SIGTERM), 0);
}

// The program run to its end: what it printed and its exit status.
TestSupport::RunResult camsim(std::vector<std::string> options) {
    options.insert(options.begin(), QUORVIN_CAMSIM_PROGRAM);
    return TestSupport::runProgram(options);
}

TEST(ProfileProgram, WritesTheChosenModel) {
    TempDir dir;
    for (const char* model : {"standard", "chain", "network"}) {
        SCOPED_TRACE(model);
        const std::string out = dir.path(std::string(model) + ".json");
        EXPECT_EQ(camsim({"--model", model, "--write-profile", out}).exitCode, 0);
        EXPECT_EQ(readFile(out), readFile(PROFILES + "/" + model + ".json"));
    }
    // A profile read is written out as read, with what it left out filled in.
    const std::string in = writeFile(dir, "in.json", profileWith(R"(, "notes": "bench unit")"));
    const TestSupport::RunResult run = camsim({"--profile", in, "--write-profile", "-"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Camsim::Model model = Camsim::parseProfile(run.out);
    EXPECT_EQ(model.notes, "bench unit");
    EXPECT_EQ(model.modelCode, 16);
    EXPECT_EQ(model.presets, 16);
}

TEST(ProfileProgram, ABadFileExitsTwoNamingTheFileAndTheKey) {
    TempDir dir;
    const std::string bad = writeFile(dir, "bad.json", profileWith(R"(, "speeds": {"pan": 200})"));
    const std::string huge = writeFile(dir, "huge.json", std::string(2 << 20, ' '));
    const struct {
        std::vector<std::string> options;
        std::string message;  // the first line of standard error
        bool usage;           // whether the usage follows
    } cases[] = {
        {{"--profile", bad},
         "profile " + bad + ": speeds.pan: expected a whole number from 1 to 127, got 200",
         false},
        {{"--profile", dir.path("missing.json")},
         "profile " + dir.path("missing.json") + ": cannot be read",
         false},
        {{"--profile", dir.path("")}, "profile " + dir.path("") + ": is a folder", false},
        {{"--profile", huge}, "profile " + huge + ": larger than 1 MiB", false},
        {{"--model", "chain", "--profile", PROFILES + "/chain.json"},
         "--model and --profile each choose the model: give one",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const TestSupport::RunResult run = camsim(c.options);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "quorvin-camsim: " + c.message);
        EXPECT_EQ(run.err.find("usage:") != std::string::npos, c.usage) << run.err;
    }
}

}  // namespace
