// The profile is read with nlohmann-json rather than a parser of this program's own: the
// command-line tool, which is to write profiles (quorvin doctor), does its JSON with it already,
// so both agree on what is JSON (escapes, numbers, nesting), and its parser neither recurses nor
// crashes on any input, which a hand-written one would have to be proven not to do.
#include "sim/Profile.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <utility>
#include <vector>

namespace Camsim {

namespace {

using Json = nlohmann::json;

constexpr char FORMAT[] = "quorvin-capability-profile";
constexpr int VERSION = 1;
constexpr int SPEED_BYTE_MAX = 0x7F;  // above it a speed byte could pass for a header
constexpr int VARIABLE_SPEED_MAX = 7;
// Far more than any profile needs, and a bound for a path that names a device without end.
constexpr std::size_t MAX_SIZE = 1 << 20;

[[noreturn]] void fail(const std::string& key, const std::string& what) {
    throw ProfileError((key.empty() ? std::string("the profile") : key) + ": " + what);
}

std::string join(const std::string& parent, const std::string& key) {
    return parent.empty() ? key : parent + "." + key;
}

// A text as JSON writes it, in quotes and with escapes.
std::string quoted(const std::string& text) {
    return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

// What a value is, for an error message: short even when the value is huge.
std::string describe(const Json& value) {
    switch (value.type()) {
        case Json::value_t::null:
            return "null";
        case Json::value_t::boolean:
            return value.get<bool>() ? "true" : "false";
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
            return value.dump();
        case Json::value_t::number_float:
            return "the number " + value.dump();
        case Json::value_t::string: {
            const auto& text = value.get_ref<const std::string&>();
            if (text.size() <= 40) return quoted(text);
            // Cut between characters: never inside one of UTF-8's sequences.
            std::size_t cut = 40;
            while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
            return quoted(text.substr(0, cut)) + " (cut short)";
        }
        case Json::value_t::array:
            return "a list";
        case Json::value_t::object:
            return "an object";
        default:
            return "something else";
    }
}

// An object's members, each read at most once; what is left over is an unknown key.
class Members {
  public:
    Members(const Json& value, std::string key) : object(value), path(std::move(key)) {
        if (!object.is_object()) fail(path, "expected an object, got " + describe(object));
    }

    const Json* optional(const char* name) {
        seen.insert(name);
        const auto it = object.find(name);
        return it == object.end() ? nullptr : &*it;
    }

    const Json& required(const char* name) {
        const Json* value = optional(name);
        if (value == nullptr) fail(join(path, name), "missing");
        return *value;
    }

    std::string key(const char* name) const { return join(path, name); }

    void noOthers() const {
        for (const auto& member : object.items()) {
            if (seen.count(member.key()) == 0) fail(join(path, member.key()), "unknown key");
        }
    }

  private:
    const Json& object;
    std::string path;
    std::set<std::string> seen;
};

long long wholeNumber(const Json& value, const std::string& key, long long min, long long max) {
    const std::string expected =
        "expected a whole number from " + std::to_string(min) + " to " + std::to_string(max);
    if (value.is_number_unsigned()) {
        const auto n = value.get<unsigned long long>();
        if (n > static_cast<unsigned long long>(max) || static_cast<long long>(n) < min) {
            fail(key, expected + ", got " + value.dump());
        }
        return static_cast<long long>(n);
    }
    if (!value.is_number_integer()) fail(key, expected + ", got " + describe(value));
    const auto n = value.get<long long>();
    if (n < min || n > max) fail(key, expected + ", got " + value.dump());
    return n;
}

int wholeNumber(Members& members, const char* name, int min, int max, int otherwise) {
    const Json* value = members.optional(name);
    if (value == nullptr) return otherwise;
    return static_cast<int>(wholeNumber(*value, members.key(name), min, max));
}

bool flag(Members& members, const char* name, bool otherwise) {
    const Json* value = members.optional(name);
    if (value == nullptr) return otherwise;
    if (!value->is_boolean()) {
        fail(members.key(name), "expected true or false, got " + describe(*value));
    }
    return value->get<bool>();
}

std::string text(Members& members, const char* name, std::string otherwise) {
    const Json* value = members.optional(name);
    if (value == nullptr) return otherwise;
    if (!value->is_string()) fail(members.key(name), "expected a text, got " + describe(*value));
    return value->get<std::string>();
}

// A two-byte code of the device-type answer, which must not hold the terminator's byte.
std::uint16_t code(Members& members, const char* name) {
    const std::string key = members.key(name);
    const auto value = static_cast<int>(wholeNumber(members.required(name), key, 0, 0xFFFF));
    if ((value >> 8) == 0xFF || (value & 0xFF) == 0xFF) {
        fail(key, std::to_string(value) + " holds the byte 0xFF, which would end the answer");
    }
    return static_cast<std::uint16_t>(value);
}

enum class NameKind { Inquiry, Command };

// A list of the library's operation names of one kind, each once.
std::vector<std::string> operationNames(const Json& value, const std::string& key, NameKind kind) {
    if (!value.is_array()) fail(key, "expected a list of operation names, got " + describe(value));
    std::vector<std::string> names;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const std::string at = key + "[" + std::to_string(i) + "]";
        const Json& item = value[i];
        if (!item.is_string()) fail(at, "expected an operation name, got " + describe(item));
        const auto& name = item.get_ref<const std::string&>();
        const OperationFrame* operation = findOperation(name);
        if (operation == nullptr) {
            fail(at, describe(item) + " is no operation that sends the camera a frame");
        }
        if (kind == NameKind::Inquiry && !operation->inquiry()) {
            fail(at, name + " is a command, not an inquiry: list it under \"lacks\"");
        }
        if (kind == NameKind::Command && operation->inquiry()) {
            fail(at, name + " is an inquiry: list it under \"inquiries\", \"refused\"");
        }
        for (const std::string& earlier : names) {
            if (earlier == name) fail(at, name + " is listed twice");
        }
        names.push_back(name);
    }
    return names;
}

Span span(const Json& value, const std::string& key, Span otherwise) {
    Members members(value, key);
    Span result{wholeNumber(members, "min", -0x8000, 0x7FFF, otherwise.min),
                wholeNumber(members, "max", -0x8000, 0x7FFF, otherwise.max)};
    members.noOthers();
    if (result.min > 0 || result.max < 0) {
        fail(key, "the range " + std::to_string(result.min) + " to " + std::to_string(result.max) +
                      " leaves out 0, the home position");
    }
    return result;
}

void readSpeeds(const Json& value, Model& model) {
    Members speeds(value, "speeds");
    model.panSpeedMax = wholeNumber(speeds, "pan", 1, SPEED_BYTE_MAX, model.panSpeedMax);
    model.tiltSpeedMax = wholeNumber(speeds, "tilt", 1, SPEED_BYTE_MAX, model.tiltSpeedMax);
    model.zoomSpeedMax = wholeNumber(speeds, "zoom", 0, VARIABLE_SPEED_MAX, model.zoomSpeedMax);
    model.focusSpeedMax = wholeNumber(speeds, "focus", 0, VARIABLE_SPEED_MAX, model.focusSpeedMax);
    model.speedZeroAccepted = flag(speeds, "zeroAccepted", model.speedZeroAccepted);
    speeds.noOthers();
}

void readRanges(const Json& value, Model& model) {
    Members ranges(value, "ranges");
    if (const Json* pan = ranges.optional("pan")) model.pan = span(*pan, "ranges.pan", model.pan);
    if (const Json* tilt = ranges.optional("tilt")) {
        model.tilt = span(*tilt, "ranges.tilt", model.tilt);
    }
    if (const Json* zoom = ranges.optional("zoom")) {
        Members lens(*zoom, "ranges.zoom");
        model.zoomMax = wholeNumber(lens, "max", 1, 0xFFFF, model.zoomMax);
        model.digitalZoomMax = wholeNumber(lens, "digitalMax", 1, 0xFFFF, model.digitalZoomMax);
        lens.noOthers();
        if (model.digitalZoomMax < model.zoomMax) {
            fail("ranges.zoom.digitalMax", std::to_string(model.digitalZoomMax) +
                                               " is below the optical end " +
                                               std::to_string(model.zoomMax));
        }
    }
    if (const Json* focus = ranges.optional("focus")) {
        Members lens(*focus, "ranges.focus");
        model.focus.min = wholeNumber(lens, "min", 0, 0xFFFF, model.focus.min);
        model.focus.max = wholeNumber(lens, "max", 0, 0xFFFF, model.focus.max);
        lens.noOthers();
        if (model.focus.min >= model.focus.max) {
            fail("ranges.focus", "min " + std::to_string(model.focus.min) + " is not below max " +
                                     std::to_string(model.focus.max));
        }
    }
    ranges.noOthers();
}

void readInquiries(const Json& value, Model& model) {
    Members inquiries(value, "inquiries");
    const Json* answered = inquiries.optional("answered");
    const Json* refused = inquiries.optional("refused");
    inquiries.noOthers();
    model.refused = refused ? operationNames(*refused, "inquiries.refused", NameKind::Inquiry)
                            : std::vector<std::string>{};
    model.answered.clear();
    if (answered) {
        model.answered = operationNames(*answered, "inquiries.answered", NameKind::Inquiry);
        for (std::size_t i = 0; i < model.answered.size(); ++i) {
            for (const std::string& name : model.refused) {
                if (name == model.answered[i]) {
                    fail("inquiries.answered[" + std::to_string(i) + "]",
                         name + " is listed as refused too");
                }
            }
        }
    }
}

// Every inquiry that the model does not refuse: what the camera answers.
std::vector<std::string> allAnswered(const Model& model) {
    std::vector<std::string> names;
    for (const OperationFrame& operation : operationFrames()) {
        if (!operation.inquiry()) continue;
        bool refused = false;
        for (const std::string& name : model.refused) refused = refused || name == operation.name;
        if (!refused) names.emplace_back(operation.name);
    }
    return names;
}

// The first key that an object holds twice, which a JSON reader would otherwise quietly settle
// for the last of.
class DuplicateWatch {
  public:
    bool operator()(int, Json::parse_event_t event, Json& parsed) {
        switch (event) {
            case Json::parse_event_t::object_start:
                keys.emplace_back();
                break;
            case Json::parse_event_t::object_end:
                if (!keys.empty()) keys.pop_back();
                break;
            case Json::parse_event_t::key:
                if (!keys.empty() && !keys.back().insert(parsed.get<std::string>()).second &&
                    duplicate.empty()) {
                    duplicate = parsed.get<std::string>();
                }
                break;
            default:
                break;
        }
        return true;
    }

    std::vector<std::set<std::string>> keys;
    std::string duplicate;
};

}  // namespace

Model parseProfile(std::string_view input) {
    DuplicateWatch watch;
    Json document;
    try {
        document = Json::parse(input.begin(), input.end(),
                               [&watch](int depth, Json::parse_event_t event, Json& parsed) {
                                   return watch(depth, event, parsed);
                               });
    } catch (const Json::exception& error) {
        // "[json.exception.parse_error.101] parse error at line 2, ...": the part after the tag.
        std::string what = error.what();
        const auto tag = what.find("] ");
        if (tag != std::string::npos) what = what.substr(tag + 2);
        throw ProfileError("not JSON: " + what);
    }
    if (!watch.duplicate.empty()) fail(watch.duplicate, "given twice");

    Model model;
    Members top(document, "");
    const Json& format = top.required("format");
    if (!format.is_string() || format.get<std::string>() != FORMAT) {
        fail("format", std::string("expected \"") + FORMAT + "\", got " + describe(format));
    }
    const Json& version = top.required("version");
    if (!version.is_number_integer() || version.get<long long>() != VERSION) {
        fail("version",
             "this reader knows version " + std::to_string(VERSION) + ", got " + describe(version));
    }
    model.name = text(top, "name", "profile");
    model.notes = text(top, "notes", "");

    Members device(top.required("device"), "device");
    model.vendor = code(device, "vendor");
    model.modelCode = code(device, "model");
    model.rom = code(device, "rom");
    model.maxSocket = static_cast<std::uint8_t>(
        wholeNumber(device.required("maxSocket"), "device.maxSocket", 1, 0x0F));
    device.noOthers();

    if (const Json* speed = top.optional("lineSpeed")) {
        const auto baud = static_cast<int>(wholeNumber(*speed, "lineSpeed", 1, 4000000));
        if (!supportedLineSpeed(baud)) {
            fail("lineSpeed", std::to_string(baud) +
                                  " baud is none of 2400, 4800, 9600, 19200, 38400, 57600 "
                                  "and 115200");
        }
        model.lineSpeed = baud;
    }
    model.presets = wholeNumber(top, "presets", 1, 255, model.presets);
    if (const Json* speeds = top.optional("speeds")) readSpeeds(*speeds, model);
    if (const Json* ranges = top.optional("ranges")) readRanges(*ranges, model);
    if (const Json* inquiries = top.optional("inquiries")) readInquiries(*inquiries, model);
    if (model.answered.empty()) model.answered = allAnswered(model);
    if (const Json* lacks = top.optional("lacks")) {
        model.lacks = operationNames(*lacks, "lacks", NameKind::Command);
    }
    if (const Json* unsolicited = top.optional("unsolicited")) {
        Members said(*unsolicited, "unsolicited");
        model.networkChangeOnConnect =
            flag(said, "networkChangeOnConnect", model.networkChangeOnConnect);
        said.noOthers();
    }
    top.noOthers();
    return model;
}

Model loadProfile(const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) throw ProfileError(path + ": is a folder");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw ProfileError(path + ": cannot be read");
    std::string content(MAX_SIZE + 1, '\0');
    file.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (file.bad()) throw ProfileError(path + ": cannot be read");
    content.resize(static_cast<std::size_t>(file.gcount()));
    if (content.size() > MAX_SIZE) throw ProfileError(path + ": larger than 1 MiB");
    try {
        return parseProfile(content);
    } catch (const ProfileError& error) {
        throw ProfileError(path + ": " + error.what());
    }
}

std::string profileText(const Model& model) {
    using Ordered = nlohmann::ordered_json;
    Ordered profile;
    profile["format"] = FORMAT;
    profile["version"] = VERSION;
    profile["name"] = model.name;
    if (!model.notes.empty()) profile["notes"] = model.notes;
    profile["device"] = {{"vendor", model.vendor},
                         {"model", model.modelCode},
                         {"rom", model.rom},
                         {"maxSocket", model.maxSocket}};
    profile["lineSpeed"] = model.lineSpeed;
    profile["inquiries"] = {
        {"answered", model.answered.empty() ? allAnswered(model) : model.answered},
        {"refused", model.refused}};
    profile["lacks"] = model.lacks;
    profile["presets"] = model.presets;
    profile["speeds"] = {{"pan", model.panSpeedMax},
                         {"tilt", model.tiltSpeedMax},
                         {"zoom", model.zoomSpeedMax},
                         {"focus", model.focusSpeedMax},
                         {"zeroAccepted", model.speedZeroAccepted}};
    profile["ranges"] = {
        {"pan", {{"min", model.pan.min}, {"max", model.pan.max}}},
        {"tilt", {{"min", model.tilt.min}, {"max", model.tilt.max}}},
        {"zoom", {{"max", model.zoomMax}, {"digitalMax", model.digitalZoomMax}}},
        {"focus", {{"min", model.focus.min}, {"max", model.focus.max}}},
    };
    profile["unsolicited"] = {{"networkChangeOnConnect", model.networkChangeOnConnect}};
    return profile.dump(2, ' ', false, Ordered::error_handler_t::replace) + "\n";
}

}  // namespace Camsim
