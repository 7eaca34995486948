// The hub reads profiles with nlohmann-json, as the virtual camera and the doctor do, so that
// all three agree on what is JSON. It reads its own few keys here rather than sharing the
// virtual camera's reader: the hub builds for Windows too, where the simulator does not.
#include "hub/Profile.h"

#include <algorithm>
#include <cstring>
#include <nlohmann/json.hpp>
#include <set>

#include "hub/Config.h"
#include "operations/Operations.h"

namespace Hub {

namespace {

using Json = nlohmann::json;

constexpr char FORMAT[] = "quorvin-capability-profile";

[[noreturn]] void fail(const std::string& key, const std::string& what) {
    throw ConfigError(key + ": " + what);
}

// What a value is, for an error message, short whatever it holds.
std::string describe(const Json& value) {
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        return text.size() <= 40 ? value.dump() : "a long text";
    }
    if (value.is_array()) return "a list";
    if (value.is_object()) return "an object";
    return value.dump();
}

// A key that an object holds twice, which a JSON reader would otherwise settle for the last of.
struct DuplicateWatch {
    bool operator()(int, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::object_start) {
            keys.emplace_back();
        } else if (event == Json::parse_event_t::object_end && !keys.empty()) {
            keys.pop_back();
        } else if (event == Json::parse_event_t::key && !keys.empty() &&
                   !keys.back().insert(parsed.get<std::string>()).second && duplicate.empty()) {
            duplicate = parsed.get<std::string>();
        }
        return true;
    }
    std::vector<std::set<std::string>> keys;
    std::string duplicate;
};

void onlyKeys(const Json& object, const std::string& path,
              std::initializer_list<const char*> known) {
    for (const auto& item : object.items()) {
        const bool ok = std::any_of(known.begin(), known.end(),
                                    [&](const char* name) { return item.key() == name; });
        if (!ok) {
            fail(path + item.key(), "unknown key");
        }
    }
}

int wholeNumber(const Json& value, const std::string& key, int low, int high) {
    if (!value.is_number_integer() || value.get<long long>() < low ||
        value.get<long long>() > high) {
        fail(key, "expected a whole number from " + std::to_string(low) + " to " +
                      std::to_string(high) + ", got " + describe(value));
    }
    return static_cast<int>(value.get<long long>());
}

bool isInquiry(const Operations::Operation& op) {
    return op.inquiry || std::strncmp(op.name, "get", 3) == 0;
}

// A list of operation names of one kind, each once.
std::vector<std::string> names(const Json& value, const std::string& key, bool inquiries) {
    if (!value.is_array()) {
        fail(key, "expected a list of operation names, got " + describe(value));
    }
    std::vector<std::string> list;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const std::string at = key + "[" + std::to_string(i) + "]";
        const Json& item = value[i];
        const Operations::Operation* op =
            item.is_string() ? Operations::find(item.get<std::string>()) : nullptr;
        if (op == nullptr) {
            fail(at, describe(item) + " is no camera operation (quorvin --help lists them)");
        }
        if (isInquiry(*op) != inquiries) {
            fail(at, std::string(op->name) +
                         (inquiries ? " is a command: list it under \"lacks\""
                                    : " is an inquiry: list it under \"inquiries\", \"refused\""));
        }
        if (std::find(list.begin(), list.end(), op->name) != list.end()) {
            fail(at, std::string(op->name) + " is listed twice");
        }
        list.emplace_back(op->name);
    }
    return list;
}

void expectKind(const Json& top, const char* key, bool (Json::*is)() const noexcept,
                const char* kind) {
    const auto it = top.find(key);
    if (it != top.end() && !((*it).*is)()) {
        fail(key, std::string("expected ") + kind + ", got " + describe(*it));
    }
}

}  // namespace

bool Capabilities::lacksCommand(std::string_view name) const {
    return std::find(lacks.begin(), lacks.end(), name) != lacks.end();
}

bool Capabilities::refusesInquiry(std::string_view name) const {
    return std::find(refused.begin(), refused.end(), name) != refused.end();
}

Capabilities parseProfile(std::string_view text) {
    DuplicateWatch watch;
    Json top;
    try {
        top = Json::parse(text.begin(), text.end(),
                          [&watch](int depth, Json::parse_event_t event, Json& parsed) {
                              return watch(depth, event, parsed);
                          });
    } catch (const Json::exception& e) {
        std::string what = e.what();
        const auto tag = what.find("] ");
        throw ConfigError("not JSON: " + (tag == std::string::npos ? what : what.substr(tag + 2)));
    }
    if (!watch.duplicate.empty()) {
        fail(watch.duplicate, "given twice");
    }
    if (!top.is_object()) {
        throw ConfigError("a capability profile is a JSON object, not " + describe(top));
    }
    onlyKeys(top, "",
             {"format", "version", "name", "notes", "device", "lineSpeed", "inquiries", "lacks",
              "presets", "speeds", "ranges", "unsolicited"});
    if (top.value("format", Json()) != FORMAT) {
        fail("format", std::string("expected \"") + FORMAT + "\", got " +
                           (top.contains("format") ? describe(top["format"]) : "nothing"));
    }
    if (top.value("version", Json()) != 1) {
        fail("version", "this hub knows version 1, got " +
                            (top.contains("version") ? describe(top["version"]) : "nothing"));
    }
    if (!top.contains("device")) {
        fail("device", "missing");
    }
    expectKind(top, "name", &Json::is_string, "a text");
    expectKind(top, "notes", &Json::is_string, "a text");
    expectKind(top, "device", &Json::is_object, "an object");
    expectKind(top, "lineSpeed", &Json::is_number_integer, "a whole number");
    expectKind(top, "ranges", &Json::is_object, "an object");
    expectKind(top, "unsolicited", &Json::is_object, "an object");

    Capabilities found;
    if (top.contains("inquiries")) {
        const Json& inquiries = top["inquiries"];
        if (!inquiries.is_object()) {
            fail("inquiries", "expected an object, got " + describe(inquiries));
        }
        onlyKeys(inquiries, "inquiries.", {"answered", "refused"});
        if (inquiries.contains("answered")) {
            names(inquiries["answered"], "inquiries.answered", true);
        }
        if (inquiries.contains("refused")) {
            found.refused = names(inquiries["refused"], "inquiries.refused", true);
        }
    }
    if (top.contains("lacks")) {
        found.lacks = names(top["lacks"], "lacks", false);
    }
    if (top.contains("presets")) {
        found.presets = wholeNumber(top["presets"], "presets", 1, 255);
    }
    if (top.contains("speeds")) {
        const Json& speeds = top["speeds"];
        if (!speeds.is_object()) {
            fail("speeds", "expected an object, got " + describe(speeds));
        }
        onlyKeys(speeds, "speeds.", {"pan", "tilt", "zoom", "focus", "zeroAccepted"});
        // Above 0x7F a speed byte could pass for a message's header; 2p and 3p hold 0 to 7.
        const std::pair<const char*, std::optional<int>*> bytes[] = {{"pan", &found.panSpeed},
                                                                     {"tilt", &found.tiltSpeed}};
        for (const auto& [key, into] : bytes) {
            if (speeds.contains(key)) {
                *into = wholeNumber(speeds[key], std::string("speeds.") + key, 1, 0x7F);
            }
        }
        const std::pair<const char*, std::optional<int>*> nibbles[] = {
            {"zoom", &found.zoomSpeed}, {"focus", &found.focusSpeed}};
        for (const auto& [key, into] : nibbles) {
            if (speeds.contains(key)) {
                *into = wholeNumber(speeds[key], std::string("speeds.") + key, 0, 7);
            }
        }
        if (speeds.contains("zeroAccepted")) {
            if (!speeds["zeroAccepted"].is_boolean()) {
                fail("speeds.zeroAccepted",
                     "expected true or false, got " + describe(speeds["zeroAccepted"]));
            }
            found.zeroAccepted = speeds["zeroAccepted"].get<bool>();
        }
    }
    return found;
}

}  // namespace Hub
