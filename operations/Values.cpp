#include "operations/Values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <system_error>

#include "quorvin/Controller.h"

namespace Operations {

namespace {

using CameraDriver::Controller;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Decimal or 0x hexadecimal, with an optional sign in front of either.
std::optional<long long> parseInteger(std::string_view word, long long low, long long high) {
    bool negative = false;
    if (!word.empty() && (word.front() == '-' || word.front() == '+')) {
        negative = word.front() == '-';
        word.remove_prefix(1);
    }
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        word.remove_prefix(2);
    }
    // from_chars would take a second sign after the prefix ("0x-1"); only digits may follow.
    if (word.empty() || !std::isxdigit(static_cast<unsigned char>(word.front()))) {
        return std::nullopt;
    }
    unsigned long long magnitude = 0;
    const char* end = word.data() + word.size();
    auto [stop, error] = std::from_chars(word.data(), end, magnitude, base);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    // The magnitude of the lowest long long is one above its highest value.
    const unsigned long long limit =
        negative ? static_cast<unsigned long long>(std::numeric_limits<long long>::max()) + 1
                 : static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (magnitude > limit) {
        return std::nullopt;
    }
    long long value =
        negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseDouble(std::string_view word) {
    if (!word.empty() && word.front() == '+') {
        word.remove_prefix(1);
    }
    double value = 0.0;
    const char* end = word.data() + word.size();
    auto [stop, error] = std::from_chars(word.data(), end, value);
    // The library turns fractions into camera counts; NaN or infinity has no count.
    if (word.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> parseBool(std::string_view word) {
    for (const char* yes : {"on", "true", "1"}) {
        if (equalsIgnoringCase(word, yes)) {
            return true;
        }
    }
    for (const char* no : {"off", "false", "0"}) {
        if (equalsIgnoringCase(word, no)) {
            return false;
        }
    }
    return std::nullopt;
}

template <typename T>
std::pair<long long, long long> rangeOf() {
    return {std::numeric_limits<T>::min(), std::numeric_limits<T>::max()};
}

// Positions come back as counts times a rounded scale, so a centred axis reads 1e-16 and a
// half turn 0.5000000000000002. Nine decimals keep every count apart (the finest step, one focus
// count, is 3.4e-5) and print those as 0 and 0.5.
std::string decimal(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.9f", value);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text == "-0" ? "0" : text;
}

double rounded(double value) { return std::strtod(decimal(value).c_str(), nullptr); }

std::string hexByte(int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned>(value) & 0xFFu);
    return buffer;
}

std::string hexBytes(const Bytes& bytes) {
    std::string text;
    for (unsigned char byte : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += hexByte(byte);
    }
    return text;
}

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

}  // namespace

const char* EnumInfo::nameOf(int value) const {
    for (const auto& [name, code] : enumerators) {
        if (code == value) {
            return name;
        }
    }
    return nullptr;
}

std::optional<int> EnumInfo::valueOf(std::string_view name) const {
    for (const auto& [enumerator, code] : enumerators) {
        if (equalsIgnoringCase(name, enumerator)) {
            return code;
        }
    }
    return std::nullopt;
}

const EnumInfo& wbModes() {
    static const EnumInfo info{"WBMode",
                               {{"WBAuto", Controller::WBAuto},
                                {"WBIndoor", Controller::WBIndoor},
                                {"WBOutdoor", Controller::WBOutdoor},
                                {"WBOnePush", Controller::WBOnePush},
                                {"WBAutoTracing", Controller::WBAutoTracing},
                                {"WBManual", Controller::WBManual}}};
    return info;
}

const EnumInfo& aeModes() {
    static const EnumInfo info{"AEMode",
                               {{"AEFullAuto", Controller::AEFullAuto},
                                {"AEManual", Controller::AEManual},
                                {"AEShutterPriority", Controller::AEShutterPriority},
                                {"AEIrisPriority", Controller::AEIrisPriority},
                                {"AEBright", Controller::AEBright}}};
    return info;
}

const EnumInfo& wideModes() {
    static const EnumInfo info{"WideMode",
                               {{"WideOff", Controller::WideOff},
                                {"WideCinema", Controller::WideCinema},
                                {"WideFull", Controller::WideFull}}};
    return info;
}

const EnumInfo& pictureEffectModes() {
    static const EnumInfo info{"PictureEffectMode",
                               {{"PictureEffectOff", Controller::PictureEffectOff},
                                {"PictureEffectPastel", Controller::PictureEffectPastel},
                                {"PictureEffectNegArt", Controller::PictureEffectNegArt},
                                {"PictureEffectSepia", Controller::PictureEffectSepia},
                                {"PictureEffectMonochrome", Controller::PictureEffectMonochrome},
                                {"PictureEffectSolarize", Controller::PictureEffectSolarize},
                                {"PictureEffectMosaic", Controller::PictureEffectMosaic},
                                {"PictureEffectSlim", Controller::PictureEffectSlim},
                                {"PictureEffectStretch", Controller::PictureEffectStretch}}};
    return info;
}

const EnumInfo& digitalEffectModes() {
    static const EnumInfo info{"DigitalEffectMode",
                               {{"DigitalEffectOff", Controller::DigitalEffectOff},
                                {"DigitalEffectStill", Controller::DigitalEffectStill},
                                {"DigitalEffectFlash", Controller::DigitalEffectFlash},
                                {"DigitalEffectLumi", Controller::DigitalEffectLumi},
                                {"DigitalEffectTrail", Controller::DigitalEffectTrail}}};
    return info;
}

const std::vector<const EnumInfo*>& allEnums() {
    static const std::vector<const EnumInfo*> all{&wbModes(), &aeModes(), &wideModes(),
                                                  &pictureEffectModes(), &digitalEffectModes()};
    return all;
}

std::optional<Value> parseValue(const ArgInfo& arg, std::string_view word) {
    auto integer = [&](std::pair<long long, long long> range) -> std::optional<Value> {
        if (auto value = parseInteger(word, range.first, range.second)) {
            return Value{*value};
        }
        return std::nullopt;
    };
    switch (arg.kind) {
        case ArgKind::Int:
            return integer(rangeOf<int>());
        case ArgKind::Long:
            return integer(rangeOf<long>());
        case ArgKind::Double:
            if (auto value = parseDouble(word)) {
                return Value{*value};
            }
            return std::nullopt;
        case ArgKind::Bool:
            if (auto value = parseBool(word)) {
                return Value{*value};
            }
            return std::nullopt;
        case ArgKind::Text:
            if (word.empty()) {
                return std::nullopt;
            }
            return Value{std::string(word)};
        case ArgKind::Enum:
            // The camera takes codes that the header does not name, so a number is accepted too.
            if (auto code = arg.enumInfo->valueOf(word)) {
                return Value{static_cast<long long>(*code)};
            }
            return integer(rangeOf<int>());
    }
    return std::nullopt;
}

std::string kindName(const ArgInfo& arg) {
    switch (arg.kind) {
        case ArgKind::Int:
            return "int";
        case ArgKind::Long:
            return "long";
        case ArgKind::Double:
            return "double";
        case ArgKind::Bool:
            return "on|off";
        case ArgKind::Text:
            return "text";
        case ArgKind::Enum:
            return arg.enumInfo->typeName;
    }
    return "?";
}

std::string formatText(const Result& result) {
    return std::visit(
        Overloaded{
            [](std::monostate) { return std::string(); },
            [](long long value) { return std::to_string(value); },
            [](double value) { return decimal(value); },
            [](bool value) { return std::string(value ? "on" : "off"); },
            [](const EnumResult& value) {
                const char* name = value.info->nameOf(value.value);
                return name != nullptr ? std::string(name) : "0x" + hexByte(value.value);
            },
            [](const PanTilt& value) { return decimal(value.pan) + " " + decimal(value.tilt); },
            [](const Bytes& value) { return hexBytes(value); }},
        result);
}

nlohmann::ordered_json toJson(const Result& result) {
    return std::visit(
        Overloaded{[](std::monostate) { return nlohmann::ordered_json(); },
                   [](long long value) { return nlohmann::ordered_json(value); },
                   [](double value) { return nlohmann::ordered_json(rounded(value)); },
                   [](bool value) { return nlohmann::ordered_json(value); },
                   [](const EnumResult& value) {
                       const char* name = value.info->nameOf(value.value);
                       return name != nullptr ? nlohmann::ordered_json(name)
                                              : nlohmann::ordered_json(value.value);
                   },
                   [](const PanTilt& value) {
                       return nlohmann::ordered_json{{"pan", rounded(value.pan)},
                                                     {"tilt", rounded(value.tilt)}};
                   },
                   [](const Bytes& value) { return nlohmann::ordered_json(hexBytes(value)); }},
        result);
}

}  // namespace Operations
