// Prints the operation table as JSON: each enumeration with its values, and each operation with
// its group, its arguments and their kinds. capi/generate.py reads it to write the C interface's
// functions, their glue and the Python package's methods, so that all three follow the one table
// that the command-line tool runs.

#include <iostream>
#include <nlohmann/json.hpp>

#include "operations/Operations.h"

namespace {

const char* kindName(Operations::ArgKind kind) {
    switch (kind) {
        case Operations::ArgKind::Int:
            return "int";
        case Operations::ArgKind::Long:
            return "long";
        case Operations::ArgKind::Double:
            return "double";
        case Operations::ArgKind::Bool:
            return "bool";
        case Operations::ArgKind::Text:
            return "text";
        case Operations::ArgKind::Enum:
            return "enum";
    }
    return "?";
}

}  // namespace

int main() {
    nlohmann::ordered_json table;
    table["enums"] = nlohmann::ordered_json::array();
    for (const Operations::EnumInfo* info : Operations::allEnums()) {
        nlohmann::ordered_json values = nlohmann::ordered_json::array();
        for (const auto& [name, value] : info->enumerators) {
            values.push_back({{"name", name}, {"value", value}});
        }
        table["enums"].push_back({{"name", info->typeName}, {"values", values}});
    }
    table["operations"] = nlohmann::ordered_json::array();
    for (const Operations::Operation& operation : Operations::all()) {
        nlohmann::ordered_json args = nlohmann::ordered_json::array();
        for (const Operations::ArgInfo& arg : operation.args) {
            nlohmann::ordered_json row{{"name", arg.name}, {"kind", kindName(arg.kind)}};
            if (arg.enumInfo != nullptr) {
                row["enum"] = arg.enumInfo->typeName;
            }
            args.push_back(row);
        }
        table["operations"].push_back(
            {{"name", operation.name}, {"group", operation.group}, {"args", args}});
    }
    std::cout << table.dump(1) << '\n';
    return std::cout ? 0 : 1;
}
