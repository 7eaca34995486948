#include "cli/Script.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>

#include "quorvin/Controller.h"

namespace QuorvinCli {

namespace {

using Operations::ArgInfo;
using Operations::ArgKind;
using Operations::formatText;
using Operations::kindName;
using Operations::parseValue;
using Operations::Result;
using Operations::toJson;

const char* const STATUS = "status";
const char* const STANDARD_INPUT = "-";

std::string expectedValues(const ArgInfo& arg) {
    if (arg.kind != ArgKind::Enum) {
        return "a valid " + kindName(arg);
    }
    std::string names;
    for (const auto& enumerator : arg.enumInfo->enumerators) {
        names += names.empty() ? "" : ", ";
        names += enumerator.first;
    }
    return "a " + kindName(arg) + " (" + names + " or a number)";
}

// Single-letter insertions, deletions and substitutions that turn one word into the other;
// a difference of letter case alone counts as none.
std::size_t editDistance(const std::string& from, const std::string& to) {
    std::vector<std::size_t> row(to.size() + 1);
    for (std::size_t j = 0; j < row.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= from.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= to.size(); ++j) {
            const bool same = std::tolower(static_cast<unsigned char>(from[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(to[j - 1]));
            const std::size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + !same});
            diagonal = row[j];
            row[j] = next;
        }
    }
    return row.back();
}

// The known operation closest to a mistyped name, or "" when none is close enough to be
// what was meant (at most a third of the letters differ, and never more than three).
std::string nearestName(const std::string& name) {
    std::vector<std::string> names{STATUS};
    for (const Operation& operation : Operations::all()) {
        names.emplace_back(operation.name);
    }
    const std::size_t limit = std::min<std::size_t>(3, std::max<std::size_t>(1, name.size() / 3));
    std::string best;
    std::size_t bestDistance = limit + 1;
    for (const std::string& candidate : names) {
        // Every letter that one word has beyond the other's length is one edit at least: a
        // name that differs in length by more than the limit cannot be close, and a pasted
        // page of text is not compared letter by letter with every name.
        const std::size_t longer = std::max(name.size(), candidate.size());
        const std::size_t shorter = std::min(name.size(), candidate.size());
        if (longer - shorter > limit) {
            continue;
        }
        const std::size_t distance = editDistance(name, candidate);
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

Step parseOne(const std::vector<std::string>& words) {
    const std::string& name = words.front();
    Step step;
    if (name == STATUS) {
        step.kind = Step::Kind::Status;
        if (words.size() > 2 || (words.size() == 2 && words[1] != "--json")) {
            throw UsageError("status takes no argument other than --json: status [--json]");
        }
        step.json = words.size() == 2;
        return step;
    }
    if (name == STANDARD_INPUT) {
        if (words.size() != 1) {
            throw UsageError("- takes no argument (it reads operations from standard input)");
        }
        step.kind = Step::Kind::StandardInput;
        return step;
    }
    const Operation* operation = Operations::find(name);
    if (operation == nullptr) {
        const std::string nearest = nearestName(name);
        throw UsageError("unknown operation " + quoteWord(name) + " (" +
                         (nearest.empty() ? "" : "did you mean " + nearest + "? ") +
                         "quorvin --help lists them)");
    }
    const std::size_t given = words.size() - 1;
    if (given != operation->args.size()) {
        throw UsageError(name + " takes " + std::to_string(operation->args.size()) +
                         (operation->args.size() == 1 ? " argument" : " arguments") + ", got " +
                         std::to_string(given) + ": " + usageOf(*operation));
    }
    step.operation = operation;
    for (std::size_t i = 0; i < given; ++i) {
        const ArgInfo& arg = operation->args[i];
        auto value = parseValue(arg, words[i + 1]);
        if (!value) {
            throw UsageError(name + ": " + quoteWord(words[i + 1]) + " for <" + arg.name +
                             "> is not " + expectedValues(arg) + ": " + usageOf(*operation));
        }
        step.values.push_back(std::move(*value));
    }
    return step;
}

// "WBMode" -> "wbMode", "DZoomState" -> "dZoomState": a readable key for the JSON status.
std::string keyOf(const std::string& label) {
    std::string key = label;
    std::size_t capitals = 0;
    while (capitals < key.size() && std::isupper(static_cast<unsigned char>(key[capitals]))) {
        ++capitals;
    }
    // The last capital of a run belongs to the next word when a lower-case letter follows.
    std::size_t lower = capitals > 1 && capitals < key.size() ? capitals - 1 : capitals;
    for (std::size_t i = 0; i < lower; ++i) {
        key[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[i])));
    }
    return key;
}

std::string labelOf(const Operation& operation) {
    std::string name = operation.name;
    return name.rfind("get", 0) == 0 ? name.substr(3) : name;
}

}  // namespace

std::string quoteWord(const std::string& word) {
    // Counted in characters of UTF-8 text: a byte that continues a character is not one.
    auto continues = [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; };
    std::size_t characters = 0;
    std::size_t cut = word.size();
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (!continues(word[i])) {
            if (characters == QUOTE_LIMIT) {
                cut = i;
            }
            ++characters;
        }
    }
    if (characters <= QUOTE_LIMIT) {
        return "\"" + word + "\"";
    }
    return "\"" + word.substr(0, cut) + "...\" of " + std::to_string(characters) + " characters";
}

std::vector<std::string> splitLine(const std::string& line) {
    std::istringstream stream(line.substr(0, line.find('#')));
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

namespace {

// The steps of line `number` of standard input; none for a blank line or a comment.
std::vector<Step> lineSteps(const std::string& line, int number) {
    const std::vector<std::string> words = splitLine(line);
    if (words.empty()) {
        return {};
    }
    std::vector<Step> steps;
    try {
        steps = parseSteps(words);
    } catch (const UsageError& error) {
        throw UsageError("line " + std::to_string(number) + ": " + error.what());
    }
    for (const Step& step : steps) {
        if (step.kind == Step::Kind::StandardInput) {
            throw UsageError("line " + std::to_string(number) +
                             ": - cannot be used on standard input itself");
        }
    }
    return steps;
}

}  // namespace

std::vector<Step> readScript(std::istream& in) {
    std::vector<Step> steps;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        const std::vector<Step> more = lineSteps(line, ++number);
        steps.insert(steps.end(), more.begin(), more.end());
    }
    return steps;
}

std::vector<Step> withScript(const std::vector<Step>& steps, std::istream& in) {
    std::vector<Step> all;
    for (const Step& step : steps) {
        if (step.kind == Step::Kind::StandardInput) {
            const std::vector<Step> script = readScript(in);
            all.insert(all.end(), script.begin(), script.end());
        } else {
            all.push_back(step);
        }
    }
    return all;
}

std::vector<Step> parseSteps(const std::vector<std::string>& words) {
    // Commas may stand alone or stick to a word ("setZoom 0.5, getZoom"); either separates.
    std::vector<std::vector<std::string>> groups(1);
    for (const std::string& word : words) {
        std::size_t start = 0;
        while (true) {
            const std::size_t comma = word.find(',', start);
            const std::string piece = word.substr(start, comma - start);
            if (!piece.empty()) {
                groups.back().push_back(piece);
            }
            if (comma == std::string::npos) {
                break;
            }
            groups.emplace_back();
            start = comma + 1;
        }
    }
    std::vector<Step> steps;
    for (const auto& group : groups) {
        if (group.empty()) {
            throw UsageError(groups.size() == 1 ? "no operation given (quorvin --help lists them)"
                                                : "an operation is missing beside a ','");
        }
        steps.push_back(parseOne(group));
    }
    return steps;
}

std::string describe(const Step& step) {
    switch (step.kind) {
        case Step::Kind::Call:
            return step.operation->name;
        case Step::Kind::Status:
            return STATUS;
        case Step::Kind::StandardInput:
            return STANDARD_INPUT;
    }
    return {};
}

std::string oneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

Runner::Runner(CameraDriver::Controller& controller, std::ostream& output, bool asJson)
    : Runner(controller, output, asJson, std::cerr, false) {}

Runner::Runner(CameraDriver::Controller& controller, std::ostream& output, bool asJson,
               std::ostream& errors, bool goOnAfterFailure)
    : camera(controller), out(output), err(errors), json(asJson), keepGoing(goOnAfterFailure) {}

void Runner::run(const Step& step, std::istream& in) {
    currentStep = describe(step);
    if (!keepGoing) {
        dispatch(step, in);
        return;
    }
    try {
        dispatch(step, in);
    } catch (const CameraDriver::DriverException& error) {
        // Results printed so far come first, as they would before a run that stops.
        out.flush();
        err << "quorvin: " << currentStep << ": " << oneLine(error.what()) << '\n' << std::flush;
        failed = true;
    }
}

void Runner::dispatch(const Step& step, std::istream& in) {
    switch (step.kind) {
        case Step::Kind::Call:
            call(step);
            break;
        case Step::Kind::Status:
            status(json || step.json);
            break;
        case Step::Kind::StandardInput:
            shell(in);
            break;
    }
}

void Runner::call(const Step& step) {
    const Result result = step.operation->invoke(camera, step.values);
    if (std::holds_alternative<std::monostate>(result)) {
        return;
    }
    out << (json ? toJson(result).dump() : formatText(result)) << '\n';
    // A script reading the other end of a pipe waits for each answer.
    out.flush();
}

void Runner::status(bool asJson) {
    // Everything is read before anything is printed, so the table comes out in one piece. An
    // inquiry the camera does not answer keeps its row, with the reason in place of the value.
    struct Row {
        const Operation* operation;
        Result result;
        std::optional<std::string> error;
    };
    std::vector<Row> rows;
    for (const Operation& operation : Operations::all()) {
        if (operation.inquiry) {
            currentStep = operation.name;
            try {
                rows.push_back({&operation, operation.invoke(camera, {}), std::nullopt});
            } catch (const CameraDriver::DriverException& error) {
                rows.push_back({&operation, std::monostate{}, oneLine(error.what())});
                failed = true;
            }
        }
    }
    currentStep = STATUS;
    if (asJson) {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        nlohmann::ordered_json errors = nlohmann::ordered_json::object();
        for (const Row& row : rows) {
            const std::string key = keyOf(labelOf(*row.operation));
            if (row.error) {
                object[key] = nullptr;
                errors[row.operation->name] = *row.error;
            } else {
                object[key] = toJson(row.result);
            }
        }
        if (!errors.empty()) {
            object["errors"] = errors;
        }
        out << object.dump(2) << '\n';
    } else {
        std::size_t width = 0;
        for (const Row& row : rows) {
            width = std::max(width, labelOf(*row.operation).size());
        }
        const char* group = nullptr;
        for (const Row& row : rows) {
            if (group != row.operation->group) {
                group = row.operation->group;
                out << group << '\n';
            }
            const std::string label = labelOf(*row.operation);
            out << "  " << label << std::string(width - label.size() + 2, ' ')
                << (row.error ? *row.error : formatText(row.result)) << '\n';
        }
    }
    out.flush();
}

void Runner::shell(std::istream& in) {
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        std::vector<Step> steps;
        try {
            steps = lineSteps(line, number);
        } catch (const UsageError& error) {
            err << "quorvin: " << error.what() << '\n' << std::flush;
            continue;
        }
        for (const Step& step : steps) {
            run(step, in);
        }
    }
}

}  // namespace QuorvinCli
