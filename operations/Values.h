#pragma once

// Typed arguments and results of the command-line tool: how a word on the command line becomes
// an operation's argument, and how an operation's result is printed as text or JSON.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace Operations {

// The names of one enumeration of the public header, in declaration order.
struct EnumInfo {
    const char* typeName;
    std::vector<std::pair<const char*, int>> enumerators;

    const char* nameOf(int value) const;
    std::optional<int> valueOf(std::string_view name) const;
};

const EnumInfo& wbModes();
const EnumInfo& aeModes();
const EnumInfo& wideModes();
const EnumInfo& pictureEffectModes();
const EnumInfo& digitalEffectModes();
const std::vector<const EnumInfo*>& allEnums();

enum class ArgKind { Int, Long, Double, Bool, Text, Enum };

struct ArgInfo {
    const char* name;
    ArgKind kind;
    const EnumInfo* enumInfo;  // only for ArgKind::Enum
};

// Integers of every kind (enumerations included) travel as long long, already checked against
// the range of the parameter's own type.
using Value = std::variant<long long, double, bool, std::string>;

// Nothing when the word is not a value of the argument's kind.
std::optional<Value> parseValue(const ArgInfo& arg, std::string_view word);

// "int", "double", "on|off", "WBMode", ... as shown in usage lines.
std::string kindName(const ArgInfo& arg);

struct PanTilt {
    double pan;
    double tilt;
};
struct EnumResult {
    const EnumInfo* info;
    int value;
};
using Bytes = std::vector<unsigned char>;
using Result = std::variant<std::monostate, long long, double, bool, EnumResult, PanTilt, Bytes>;

// The printed form of a result; empty for an operation that returns nothing.
std::string formatText(const Result& result);
nlohmann::ordered_json toJson(const Result& result);

}  // namespace Operations
