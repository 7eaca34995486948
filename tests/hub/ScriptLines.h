#pragma once

// The operation script of the end-to-end tests as the hub's clients send it: each line's
// operation and values as the command-line tool reads its words, and the same arguments by name.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "operations/Operations.h"
#include "operations/Values.h"
#include "tests/e2e/OperationScript.h"

namespace HubTest {

using nlohmann::json;

struct ScriptLine {
    std::string text;
    const Operations::Operation* operation;
    std::vector<Operations::Value> values;
};

// The script's lines that a client of the hub may send (the hub owns the link and the camera
// number, and answers getCamerasTotal from its own count), as the tool reads their words.
inline std::vector<ScriptLine> scriptLines() {
    std::vector<ScriptLine> lines;
    std::istringstream in(E2eTest::OPERATION_SCRIPT);
    for (std::string text; std::getline(in, text);) {
        std::istringstream words(text);
        std::string name;
        if (!(words >> name) || name == "getCamerasTotal" || name == "getCurCamera" ||
            name == "setCurCamera") {
            continue;
        }
        ScriptLine line{text, Operations::find(name), {}};
        EXPECT_NE(line.operation, nullptr) << name;
        for (const Operations::ArgInfo& arg : line.operation->args) {
            std::string word;
            words >> word;
            line.values.push_back(*Operations::parseValue(arg, word));
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// The arguments by name, enumerations by their names.
inline json argsOf(const ScriptLine& line) {
    json args = json::object();
    for (std::size_t i = 0; i < line.values.size(); ++i) {
        const Operations::ArgInfo& arg = line.operation->args[i];
        const Operations::Value& v = line.values[i];
        if (arg.kind == Operations::ArgKind::Enum) {
            args[arg.name] = arg.enumInfo->nameOf(static_cast<int>(std::get<long long>(v)));
        } else if (const auto* n = std::get_if<long long>(&v)) {
            args[arg.name] = *n;
        } else if (const auto* d = std::get_if<double>(&v)) {
            args[arg.name] = *d;
        } else if (const auto* b = std::get_if<bool>(&v)) {
            args[arg.name] = *b;
        }
    }
    return args;
}

}  // namespace HubTest
