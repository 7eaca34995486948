// The words a user types, as the tool reads them, and the results as it prints them.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "operations/Values.h"

namespace OperationsTest {
namespace {

using namespace Operations;

const ArgInfo INT_ARG{"n", ArgKind::Int, nullptr};
const ArgInfo LONG_ARG{"n", ArgKind::Long, nullptr};
const ArgInfo DOUBLE_ARG{"x", ArgKind::Double, nullptr};
const ArgInfo BOOL_ARG{"on", ArgKind::Bool, nullptr};
const ArgInfo TEXT_ARG{"port", ArgKind::Text, nullptr};
const ArgInfo WB_ARG{"mode", ArgKind::Enum, &wbModes()};
const ArgInfo AE_ARG{"mode", ArgKind::Enum, &aeModes()};

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
        ParseCase{"decimal", &INT_ARG, "10", I(10)}, ParseCase{"hex", &INT_ARG, "0x1F", I(31)},
        ParseCase{"upper hex", &INT_ARG, "0X10", I(16)},
        ParseCase{"negative", &INT_ARG, "-5", I(-5)}, ParseCase{"plus", &INT_ARG, "+7", I(7)},
        ParseCase{"negative hex", &INT_ARG, "-0x10", I(-16)},
        ParseCase{"int max", &INT_ARG, "2147483647", I(2147483647)},
        ParseCase{"int min", &INT_ARG, "-2147483648", I(-2147483647LL - 1)},
        ParseCase{"above int", &INT_ARG, "2147483648", std::nullopt},
        ParseCase{"empty", &INT_ARG, "", std::nullopt},
        ParseCase{"bare prefix", &INT_ARG, "0x", std::nullopt},
        ParseCase{"fraction", &INT_ARG, "1.5", std::nullopt},
        ParseCase{"word", &INT_ARG, "ten", std::nullopt},
        ParseCase{"leading space", &INT_ARG, " 1", std::nullopt},
        ParseCase{"trailing junk", &INT_ARG, "12a", std::nullopt},
        ParseCase{"sign after prefix", &INT_ARG, "0x-1", std::nullopt},
        ParseCase{"two signs", &INT_ARG, "--1", std::nullopt},
        ParseCase{"long beyond 16 bits", &LONG_ARG, "0x12345", I(0x12345)},
        ParseCase{"long negative", &LONG_ARG, "-1", I(-1)},
        ParseCase{"beyond long long", &LONG_ARG, "99999999999999999999", std::nullopt},
        ParseCase{"fraction double", &DOUBLE_ARG, "0.5", D(0.5)},
        ParseCase{"negative double", &DOUBLE_ARG, "-1", D(-1.0)},
        ParseCase{"exponent", &DOUBLE_ARG, "1e-1", D(0.1)},
        ParseCase{"plus double", &DOUBLE_ARG, "+0.25", D(0.25)},
        ParseCase{"nan", &DOUBLE_ARG, "nan", std::nullopt},
        ParseCase{"infinity", &DOUBLE_ARG, "inf", std::nullopt},
        ParseCase{"double junk", &DOUBLE_ARG, "0.5x", std::nullopt},
        ParseCase{"empty double", &DOUBLE_ARG, "", std::nullopt},
        ParseCase{"on", &BOOL_ARG, "on", B(true)}, ParseCase{"off", &BOOL_ARG, "off", B(false)},
        ParseCase{"true", &BOOL_ARG, "true", B(true)},
        ParseCase{"false", &BOOL_ARG, "false", B(false)}, ParseCase{"one", &BOOL_ARG, "1", B(true)},
        ParseCase{"zero", &BOOL_ARG, "0", B(false)},
        ParseCase{"capitals", &BOOL_ARG, "ON", B(true)},
        ParseCase{"yes", &BOOL_ARG, "yes", std::nullopt},
        ParseCase{"two", &BOOL_ARG, "2", std::nullopt},
        ParseCase{"enumerator", &WB_ARG, "WBManual", I(5)},
        ParseCase{"enumerator any case", &WB_ARG, "wbmanual", I(5)},
        ParseCase{"enumerator of another type", &WB_ARG, "AEManual", std::nullopt},
        ParseCase{"code without a name", &AE_ARG, "0x07", I(7)},
        ParseCase{"sparse enumeration", &AE_ARG, "AEShutterPriority", I(10)},
        ParseCase{"unknown enumerator", &WB_ARG, "WBFoo", std::nullopt},
        ParseCase{"port", &TEXT_ARG, "/dev/ttyUSB0", Value{std::string("/dev/ttyUSB0")}},
        ParseCase{"empty port", &TEXT_ARG, "", std::nullopt}));

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

}  // namespace
}  // namespace OperationsTest
