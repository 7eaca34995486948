// Arguments by name in JSON, as the hub's clients send them: what is taken, and what is refused
// with the field named.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "operations/JsonArgs.h"
#include "operations/Operations.h"

namespace OperationsTest {
namespace {

using namespace Operations;
using nlohmann::json;

struct JsonCase {
    const char* label;
    const char* operation;
    const char* body;
    std::vector<Value> expected;  // when `error` is empty
    const char* error;            // a part of the refusal's text
};

void PrintTo(const JsonCase& c, std::ostream* out) { *out << c.label << " " << c.body; }

class ValuesFromJson : public ::testing::TestWithParam<JsonCase> {};

TEST_P(ValuesFromJson, TakesOrRefusesTheArguments) {
    const JsonCase& c = GetParam();
    const Operation* operation = find(c.operation);
    ASSERT_NE(operation, nullptr);
    const json body = json::parse(c.body);
    if (std::string(c.error).empty()) {
        EXPECT_EQ(valuesFromJson(*operation, body), c.expected);
    } else {
        try {
            valuesFromJson(*operation, body);
            ADD_FAILURE() << "taken";
        } catch (const ArgumentError& e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
    }
}

Value I(long long v) { return Value{v}; }
Value D(double v) { return Value{v}; }
Value B(bool v) { return Value{v}; }

INSTANTIATE_TEST_SUITE_P(
    Bodies, ValuesFromJson,
    ::testing::Values(
        JsonCase{"ints in order of the table",
                 "moveUpLeft",
                 R"({"panSpeed":3,"tiltSpeed":9})",
                 {I(9), I(3)},
                 ""},
        JsonCase{"no arguments, null", "stopMove", "null", {}, ""},
        JsonCase{"no arguments, empty object", "stopMove", "{}", {}, ""},
        JsonCase{"double from an integer", "setZoom", R"({"zoom":1})", {D(1.0)}, ""},
        JsonCase{"double", "setZoom", R"({"zoom":0.25})", {D(0.25)}, ""},
        JsonCase{"bool", "setPowerState", R"({"on":false})", {B(false)}, ""},
        JsonCase{"enum by name, any case", "setWBMode", R"({"mode":"wbmanual"})", {I(5)}, ""},
        JsonCase{"enum by code", "setWBMode", R"({"mode":5})", {I(5)}, ""},
        JsonCase{"long at its top", "setRGain", R"({"gain":2147483647})", {I(2147483647)}, ""},
        JsonCase{"int past its type",
                 "moveUp",
                 R"({"tiltSpeed":2147483648})",
                 {},
                 "tiltSpeed: expected an integer from -2147483648 to 2147483647"},
        JsonCase{"int below its type",
                 "moveUp",
                 R"({"tiltSpeed":-2147483649})",
                 {},
                 "tiltSpeed: expected an integer"},
        JsonCase{"huge unsigned",
                 "moveUp",
                 R"({"tiltSpeed":18446744073709551615})",
                 {},
                 "tiltSpeed: expected an integer"},
        JsonCase{"fraction for an int",
                 "memoryRecall",
                 R"({"preset":1.5})",
                 {},
                 "preset: expected an integer"},
        JsonCase{"string for an int",
                 "memoryRecall",
                 R"({"preset":"3"})",
                 {},
                 "preset: expected an integer"},
        JsonCase{"string for a double",
                 "setZoom",
                 R"({"zoom":"0.5"})",
                 {},
                 "zoom: expected a number, got \"0.5\""},
        JsonCase{
            "number for a bool", "setPowerState", R"({"on":1})", {}, "on: expected true or false"},
        JsonCase{"unknown enum name",
                 "setAEMode",
                 R"({"mode":"AEAuto"})",
                 {},
                 "mode: expected a AEMode (AEFullAuto, AEManual"},
        JsonCase{"missing argument",
                 "setPanTilt",
                 R"({"pan":0,"tilt":0,"panSpeed":1})",
                 {},
                 "tiltSpeed: missing (setPanTilt takes pan, tilt, panSpeed and tiltSpeed)"},
        JsonCase{"unknown field",
                 "moveUp",
                 R"({"tiltSpeed":1,"speed":2})",
                 {},
                 "unknown field \"speed\" (moveUp takes tiltSpeed)"},
        JsonCase{"arguments to none", "stopMove", R"({"x":1})", {}, "stopMove takes no arguments"},
        JsonCase{"array", "moveUp", "[1]", {}, "the arguments must be a JSON object"},
        JsonCase{"null where arguments are due",
                 "moveUp",
                 "null",
                 {},
                 "the arguments must be a JSON object"},
        JsonCase{"long quote cut",
                 "setZoom",
                 R"({"zoom":"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"})",
                 {},
                 "aaa..."}));

}  // namespace
}  // namespace OperationsTest
