#include "operations/JsonArgs.h"

#include <cmath>
#include <limits>
#include <string>

namespace Operations {

namespace {

using nlohmann::json;

std::string argumentList(const Operation& operation) {
    if (operation.args.empty()) {
        return std::string(operation.name) + " takes no arguments";
    }
    std::string text = std::string(operation.name) + " takes ";
    for (std::size_t i = 0; i < operation.args.size(); ++i) {
        if (i > 0) {
            text += i + 1 == operation.args.size() ? " and " : ", ";
        }
        text += operation.args[i].name;
    }
    return text;
}

// A short quote of what the client sent, so that a long string cannot fill the error.
std::string quoted(const json& value) {
    std::string text = value.dump();
    if (text.size() > 40) {
        text = text.substr(0, 40) + "...";
    }
    return text;
}

[[noreturn]] void refuse(const ArgInfo& arg, const std::string& wanted, const json& value) {
    throw ArgumentError(std::string(arg.name) + ": expected " + wanted + ", got " + quoted(value));
}

template <typename T>
Value integerOf(const ArgInfo& arg, const json& value) {
    const long long low = std::numeric_limits<T>::min();
    const long long high = std::numeric_limits<T>::max();
    const std::string wanted =
        "an integer from " + std::to_string(low) + " to " + std::to_string(high);
    if (value.is_number_unsigned()) {
        const auto number = value.get<unsigned long long>();
        if (number > static_cast<unsigned long long>(high)) {
            refuse(arg, wanted, value);
        }
        return static_cast<long long>(number);
    }
    if (!value.is_number_integer()) {
        refuse(arg, wanted, value);
    }
    const auto number = value.get<long long>();
    if (number < low || number > high) {
        refuse(arg, wanted, value);
    }
    return number;
}

Value valueOf(const ArgInfo& arg, const json& value) {
    switch (arg.kind) {
        case ArgKind::Int:
            return integerOf<int>(arg, value);
        case ArgKind::Long:
            return integerOf<long>(arg, value);
        case ArgKind::Double:
            // The library turns fractions into camera counts; NaN or infinity has no count (and
            // JSON cannot carry them, but a parser might hand one over for 1e999).
            if (!value.is_number() || !std::isfinite(value.get<double>())) {
                refuse(arg, "a number", value);
            }
            return value.get<double>();
        case ArgKind::Bool:
            if (!value.is_boolean()) {
                refuse(arg, "true or false", value);
            }
            return value.get<bool>();
        case ArgKind::Text:
            if (!value.is_string() || value.get_ref<const std::string&>().empty()) {
                refuse(arg, "a non-empty string", value);
            }
            return value.get<std::string>();
        case ArgKind::Enum: {
            if (value.is_string()) {
                if (auto code = arg.enumInfo->valueOf(value.get_ref<const std::string&>())) {
                    return static_cast<long long>(*code);
                }
            } else if (value.is_number_integer() || value.is_number_unsigned()) {
                // The camera takes codes that the header does not name, as the tool allows.
                return integerOf<int>(arg, value);
            }
            std::string names;
            for (const auto& [name, code] : arg.enumInfo->enumerators) {
                (void)code;
                names += names.empty() ? "" : ", ";
                names += name;
            }
            refuse(arg, std::string("a ") + arg.enumInfo->typeName + " (" + names + ")", value);
        }
    }
    refuse(arg, "a value", value);
}

}  // namespace

std::vector<Value> valuesFromJson(const Operation& operation, const json& args) {
    if (args.is_null() && operation.args.empty()) {
        return {};
    }
    if (!args.is_object()) {
        throw ArgumentError("the arguments must be a JSON object (" + argumentList(operation) +
                            ")");
    }
    for (const auto& item : args.items()) {
        bool known = false;
        for (const ArgInfo& arg : operation.args) {
            known = known || item.key() == arg.name;
        }
        if (!known) {
            std::string key =
                item.key().size() > 40 ? item.key().substr(0, 40) + "..." : item.key();
            throw ArgumentError("unknown field \"" + key + "\" (" + argumentList(operation) + ")");
        }
    }
    std::vector<Value> values;
    values.reserve(operation.args.size());
    for (const ArgInfo& arg : operation.args) {
        const auto found = args.find(arg.name);
        if (found == args.end()) {
            throw ArgumentError(std::string(arg.name) + ": missing (" + argumentList(operation) +
                                ")");
        }
        values.push_back(valueOf(arg, *found));
    }
    return values;
}

}  // namespace Operations
