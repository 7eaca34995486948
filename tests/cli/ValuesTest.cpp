// The words a user types, as the tool reads them, and the results as it prints them.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "cli/Script.h"
#include "cli/Values.h"

namespace QuorvinCli {
namespace {

const ArgInfo kInt{"n", ArgKind::Int, nullptr};
const ArgInfo kLong{"n", ArgKind::Long, nullptr};
const ArgInfo kDouble{"x", ArgKind::Double, nullptr};
const ArgInfo kBool{"on", ArgKind::Bool, nullptr};
const ArgInfo kText{"port", ArgKind::Text, nullptr};
const ArgInfo kWb{"mode", ArgKind::Enum, &wbModes()};
const ArgInfo kAe{"mode", ArgKind::Enum, &aeModes()};

struct ParseCase {
    const char* label;
    const ArgInfo* arg;
    const char* word;
    std::optional<Value> expected;  // nothing: the word is refused
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << c.label << " \"" << c.word << "\""; }

class ParseValue : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseValue, ReadsOrRefusesTheWord) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(parseValue(*c.arg, c.word), c.expected);
}

Value I(long long v) { return Value{v}; }
Value D(double v) { return Value{v}; }
Value B(bool v) { return Value{v}; }

INSTANTIATE_TEST_SUITE_P(
    Words, ParseValue,
    ::testing::Values(
        ParseCase{"decimal", &kInt, "10", I(10)}, ParseCase{"hex", &kInt, "0x1F", I(31)},
        ParseCase{"upper hex", &kInt, "0X10", I(16)}, ParseCase{"negative", &kInt, "-5", I(-5)},
        ParseCase{"plus", &kInt, "+7", I(7)}, ParseCase{"negative hex", &kInt, "-0x10", I(-16)},
        ParseCase{"int max", &kInt, "2147483647", I(2147483647)},
        ParseCase{"int min", &kInt, "-2147483648", I(-2147483647LL - 1)},
        ParseCase{"above int", &kInt, "2147483648", std::nullopt},
        ParseCase{"empty", &kInt, "", std::nullopt},
        ParseCase{"bare prefix", &kInt, "0x", std::nullopt},
        ParseCase{"fraction", &kInt, "1.5", std::nullopt},
        ParseCase{"word", &kInt, "ten", std::nullopt},
        ParseCase{"leading space", &kInt, " 1", std::nullopt},
        ParseCase{"trailing junk", &kInt, "12a", std::nullopt},
        ParseCase{"sign after prefix", &kInt, "0x-1", std::nullopt},
        ParseCase{"two signs", &kInt, "--1", std::nullopt},
        ParseCase{"long beyond 16 bits", &kLong, "0x12345", I(0x12345)},
        ParseCase{"long negative", &kLong, "-1", I(-1)},
        ParseCase{"beyond long long", &kLong, "99999999999999999999", std::nullopt},
        ParseCase{"fraction double", &kDouble, "0.5", D(0.5)},
        ParseCase{"negative double", &kDouble, "-1", D(-1.0)},
        ParseCase{"exponent", &kDouble, "1e-1", D(0.1)},
        ParseCase{"plus double", &kDouble, "+0.25", D(0.25)},
        ParseCase{"nan", &kDouble, "nan", std::nullopt},
        ParseCase{"infinity", &kDouble, "inf", std::nullopt},
        ParseCase{"double junk", &kDouble, "0.5x", std::nullopt},
        ParseCase{"empty double", &kDouble, "", std::nullopt},
        ParseCase{"on", &kBool, "on", B(true)}, ParseCase{"off", &kBool, "off", B(false)},
        ParseCase{"true", &kBool, "true", B(true)}, ParseCase{"false", &kBool, "false", B(false)},
        ParseCase{"one", &kBool, "1", B(true)}, ParseCase{"zero", &kBool, "0", B(false)},
        ParseCase{"capitals", &kBool, "ON", B(true)}, ParseCase{"yes", &kBool, "yes", std::nullopt},
        ParseCase{"two", &kBool, "2", std::nullopt},
        ParseCase{"enumerator", &kWb, "WBManual", I(5)},
        ParseCase{"enumerator any case", &kWb, "wbmanual", I(5)},
        ParseCase{"enumerator of another type", &kWb, "AEManual", std::nullopt},
        ParseCase{"code without a name", &kAe, "0x07", I(7)},
        ParseCase{"sparse enumeration", &kAe, "AEShutterPriority", I(10)},
        ParseCase{"unknown enumerator", &kWb, "WBFoo", std::nullopt},
        ParseCase{"port", &kText, "/dev/ttyUSB0", Value{std::string("/dev/ttyUSB0")}},
        ParseCase{"empty port", &kText, "", std::nullopt}));

struct FormatCase {
    const char* label;
    Result result;
    const char* text;
    const char* json;
};

void PrintTo(const FormatCase& c, std::ostream* out) { *out << c.label; }

class FormatResult : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatResult, PrintsTextAndJson) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(formatText(c.result), c.text);
    EXPECT_EQ(toJson(c.result).dump(), c.json);
}

INSTANTIATE_TEST_SUITE_P(
    Results, FormatResult,
    ::testing::Values(
        FormatCase{"nothing", Result{}, "", "null"},
        FormatCase{"value", Result{65535LL}, "65535", "65535"},
        FormatCase{"fraction", Result{0.25}, "0.25", "0.25"},
        FormatCase{"one focus count", Result{1.0 / 29696}, "0.000033675", "3.3675e-05"},
        FormatCase{"count times a rounded scale", Result{0.5000000000000002}, "0.5", "0.5"},
        FormatCase{"centre", Result{-1.1102230246251565e-16}, "0", "0.0"},
        FormatCase{"state", Result{true}, "on", "true"},
        FormatCase{"named code", Result{EnumResult{&wbModes(), 5}}, "WBManual", "\"WBManual\""},
        FormatCase{"code without a name", Result{EnumResult{&aeModes(), 7}}, "0x07", "7"},
        FormatCase{"position", Result{PanTilt{0.5, -0.25}}, "0.5 -0.25",
                   "{\"pan\":0.5,\"tilt\":-0.25}"},
        FormatCase{"centred position", Result{PanTilt{1.1102230246251565e-16, -1.0}}, "0 -1",
                   "{\"pan\":0.0,\"tilt\":-1.0}"},
        FormatCase{"bytes", Result{Bytes{0x00, 0x51, 0xAB}}, "00 51 ab", "\"00 51 ab\""}));

// How a command line falls apart into operations before anything is sent.
TEST(ParseSteps, CommasSeparateWhetherAloneOrGluedToAWord) {
    const std::vector<Step> steps =
        parseSteps({"setZoom", "0.5,", "getZoom", ",", "status", "--json", ",-"});
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(describe(steps[0]), "setZoom");
    EXPECT_EQ(steps[0].values, std::vector<Value>{D(0.5)});
    EXPECT_EQ(describe(steps[1]), "getZoom");
    EXPECT_EQ(steps[2].kind, Step::Kind::Status);
    EXPECT_TRUE(steps[2].json);
    EXPECT_EQ(steps[3].kind, Step::Kind::StandardInput);
}

TEST(ParseSteps, RefusesMistakesAnywhereInTheLine) {
    const std::vector<std::vector<std::string>> lines = {
        {},
        {"getZoom", ",", ",", "getZoom"},
        {"getZoom", ","},
        {"getZoom", ",", "setZoom"},
        {"getZoom", ",", "setZoom", "0.5", "1"},
        {"getZoom", ",", "zoomFaster"},
        {"status", "--yaml"},
        {"-", "file"},
        {"getzoom"},  // operation names are exact
    };
    for (const auto& line : lines) {
        std::string joined;
        for (const auto& word : line) {
            joined += word + " ";
        }
        EXPECT_THROW(parseSteps(line), UsageError) << joined;
    }
}

TEST(ParseSteps, NamesTheOperationAndItsArgumentsInTheMessage) {
    try {
        parseSteps({"setPanTilt", "0.5", "x", "1", "2"});
        FAIL() << "no error";
    } catch (const UsageError& error) {
        EXPECT_STREQ(error.what(),
                     "setPanTilt: \"x\" for <tilt> is not a valid double: setPanTilt "
                     "<pan:double> <tilt:double> <panSpeed:int> <tiltSpeed:int>");
    }
}

TEST(SplitLine, DropsCommentsAndBlanks) {
    EXPECT_EQ(splitLine("  setZoom\t0.5  # halfway"), (std::vector<std::string>{"setZoom", "0.5"}));
    EXPECT_TRUE(splitLine("# only a comment").empty());
    EXPECT_TRUE(splitLine("   ").empty());
}

}  // namespace
}  // namespace QuorvinCli
