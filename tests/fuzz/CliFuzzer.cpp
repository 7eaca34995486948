// The command-line tool's reading of what a user types: lines split into words, words into
// operations and their checked values, as the tool does for its arguments and for each line
// of standard input. A mistake may only be reported as UsageError; the values that pass are
// printed back as the tool prints results.
//
// Input: text, one command line per line.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "cli/Script.h"
#include "operations/Operations.h"
#include "operations/Values.h"

namespace {

using namespace QuorvinCli;
using namespace Operations;

// Every kind of argument, the enumerations included, for the words one by one.
const std::vector<ArgInfo>& allKinds() {
    static const std::vector<ArgInfo> kinds = [] {
        std::vector<ArgInfo> all = {{"int", ArgKind::Int, nullptr},
                                    {"long", ArgKind::Long, nullptr},
                                    {"double", ArgKind::Double, nullptr},
                                    {"bool", ArgKind::Bool, nullptr},
                                    {"text", ArgKind::Text, nullptr}};
        for (const EnumInfo* info : allEnums()) {
            all.push_back({info->typeName, ArgKind::Enum, info});
        }
        return all;
    }();
    return kinds;
}

// The printed forms of a value that was accepted.
void printBack(const Value& value) {
    Result result;
    if (const auto* number = std::get_if<long long>(&value)) {
        result = *number;
    } else if (const auto* real = std::get_if<double>(&value)) {
        result = *real;
    } else if (const auto* flag = std::get_if<bool>(&value)) {
        result = *flag;
    } else {
        return;
    }
    formatText(result);
    toJson(result).dump();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
    for (std::string line; std::getline(text, line);) {
        const std::vector<std::string> words = splitLine(line);
        for (const std::string& word : words) {
            for (const ArgInfo& kind : allKinds()) {
                if (const auto value = parseValue(kind, word)) {
                    printBack(*value);
                }
            }
        }
        try {
            for (const Step& step : parseSteps(words)) {
                describe(step);
                for (const Value& value : step.values) {
                    printBack(value);
                }
            }
        } catch (const UsageError&) {
            // What a user's mistake is reported as.
        }
    }
    return 0;
}
