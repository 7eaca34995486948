#include "hub/Hub.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <random>
#include <utility>

#include "operations/JsonArgs.h"

namespace Hub {

namespace {

using nlohmann::ordered_json;

// The operations that choose the link and the camera's place on it: the hub owns them.
bool belongsToHub(const std::string& name) {
    return name == "connect" || name == "disconnect" || name == "setCurCamera" ||
           name == "getCurCamera";
}

const char* axisName(Axis axis) {
    switch (axis) {
        case Axis::PanTilt:
            return "panTilt";
        case Axis::Zoom:
            return "zoom";
        case Axis::Focus:
            return "focus";
        case Axis::None:
            break;
    }
    return "none";
}

ordered_json valueJson(const Operations::ArgInfo& arg, const Operations::Value& value) {
    if (const auto* number = std::get_if<long long>(&value)) {
        if (arg.kind == Operations::ArgKind::Enum) {
            const char* name = arg.enumInfo->nameOf(static_cast<int>(*number));
            return name != nullptr ? ordered_json(name) : ordered_json(*number);
        }
        return *number;
    }
    if (const auto* real = std::get_if<double>(&value)) {
        return *real;
    }
    if (const auto* flag = std::get_if<bool>(&value)) {
        return *flag;
    }
    return std::get<std::string>(value);
}

std::string newKey() {
    std::random_device random;
    std::string key;
    static const char HEX[] = "0123456789abcdef";
    for (int i = 0; i < 8; ++i) {
        const unsigned word = random();
        for (int shift = 0; shift < 32; shift += 8) {
            key += HEX[(word >> (shift + 4)) & 0xF];
            key += HEX[(word >> shift) & 0xF];
        }
    }
    return key;
}

ordered_json presetsJson(const std::map<int, std::string>& names) {
    ordered_json presets = ordered_json::object();
    for (const auto& [number, name] : names) {
        presets[std::to_string(number)] = name;
    }
    return presets;
}

// What the page needs of a profile; a key the profile left out stays out (not known).
ordered_json capabilitiesJson(const Capabilities& c) {
    ordered_json json{{"lacks", c.lacks}, {"refused", c.refused}};
    if (c.presets) {
        json["presets"] = *c.presets;
    }
    ordered_json speeds = ordered_json::object();
    const std::pair<const char*, const std::optional<int>*> maxima[] = {{"pan", &c.panSpeed},
                                                                        {"tilt", &c.tiltSpeed},
                                                                        {"zoom", &c.zoomSpeed},
                                                                        {"focus", &c.focusSpeed}};
    for (const auto& [key, value] : maxima) {
        if (*value) {
            speeds[key] = **value;
        }
    }
    if (c.zeroAccepted) {
        speeds["zeroAccepted"] = *c.zeroAccepted;
    }
    json["speeds"] = speeds;
    return json;
}

// A name people read on a button: short, and free of control characters that would break the
// page's layout or a log line.
std::string presetNameProblem(const std::string& name) {
    constexpr std::size_t MAX_BYTES = 64;
    if (name.size() > MAX_BYTES) {
        return "a preset name has at most " + std::to_string(MAX_BYTES) + " bytes, this one " +
               std::to_string(name.size());
    }
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return "a preset name holds no control characters (line breaks, tabs)";
        }
    }
    return {};
}

Outcome refused(int status, std::string message) {
    Outcome outcome;
    outcome.status = status;
    outcome.error = std::move(message);
    return outcome;
}

}  // namespace

std::string stateKey(const std::string& inquiry) {
    std::string key = inquiry.rfind("get", 0) == 0 ? inquiry.substr(3) : inquiry;
    // A run of capitals is an abbreviation (WB, AE, R): all of it lower case but the capital
    // that starts the next word.
    std::size_t run = 0;
    while (run < key.size() && std::isupper(static_cast<unsigned char>(key[run]))) {
        ++run;
    }
    const std::size_t lower = run > 1 && run < key.size() ? run - 1 : run;
    for (std::size_t i = 0; i < lower; ++i) {
        key[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[i])));
    }
    return key;
}

Hub::Hub(Config config, LinkTiming timing)
    : settings(std::move(config)), presetNames(settings.stateFile) {
    for (std::size_t l = 0; l < settings.links.size(); ++l) {
        const LinkConfig& link = settings.links[l];
        LinkEvents& events = *this;
        links.push_back(
            std::make_unique<Link>(l, link.port, events, settings.limits.queuedPerLink, timing));
        for (const CameraConfig& camera : link.cameras) {
            cameraList.push_back({camera.id, camera.label, l, camera.address, camera.viscaPort,
                                  camera.capabilities});
            runtime.emplace_back();
            runtime.back().presets = mergedNames(camera.presets, presetNames.of(camera.id));
            if (camera.capabilities) {
                // A refused inquiry would cost an exchange every sweep and tell nothing.
                links.back()->skipInquiries(camera.address, camera.capabilities->refused);
            }
        }
    }
}

Hub::~Hub() { stop(); }

void Hub::start() {
    for (auto& link : links) {
        link->start();
    }
}

void Hub::stop() {
    for (auto& link : links) {
        link->stop();
    }
}

const CameraInfo* Hub::camera(const std::string& id) const {
    for (const CameraInfo& info : cameraList) {
        if (info.id == id) {
            return &info;
        }
    }
    return nullptr;
}

int Hub::indexOf(std::size_t link, int address) const {
    for (std::size_t i = 0; i < cameraList.size(); ++i) {
        if (cameraList[i].link == link && cameraList[i].address == address) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

ordered_json Hub::entryJson(std::size_t index) const {
    const CameraInfo& info = cameraList[index];
    const CameraRuntime& r = runtime[index];
    ordered_json entry{{"id", info.id},
                       {"label", info.label},
                       {"link", settings.links[info.link].port},
                       {"address", info.address},
                       {"health", r.health}};
    if (!r.reason.empty()) {
        entry["reason"] = r.reason;
    }
    entry["locked"] = !r.lockKey.empty();
    if (!r.lockKey.empty()) {
        entry["lockReason"] = r.lockReason;
    }
    if (info.viscaPort) {
        entry["viscaPort"] = *info.viscaPort;
    }
    if (!r.presets.empty()) {
        entry["presets"] = presetsJson(r.presets);
    }
    if (info.capabilities) {
        entry["capabilities"] = capabilitiesJson(*info.capabilities);
    }
    return entry;
}

ordered_json Hub::listJson() const {
    std::lock_guard<std::mutex> lock(mutex);
    ordered_json list = ordered_json::array();
    for (std::size_t i = 0; i < cameraList.size(); ++i) {
        list.push_back(entryJson(i));
    }
    return ordered_json{{"cameras", list}};
}

ordered_json Hub::linksJson() const {
    ordered_json list = ordered_json::array();
    for (const auto& link : links) {
        ordered_json entry{{"port", link->port()},
                           {"health", healthName(link->health())},
                           {"cameras", link->cameraCount()}};
        const std::string why = link->reason();
        if (!why.empty()) {
            entry["reason"] = why;
        }
        list.push_back(entry);
    }
    return ordered_json{{"links", list}};
}

ordered_json Hub::cameraJson(const std::string& id) const {
    std::lock_guard<std::mutex> lock(mutex);
    for (std::size_t i = 0; i < cameraList.size(); ++i) {
        if (cameraList[i].id == id) {
            ordered_json entry = entryJson(i);
            entry["moving"] = runtime[i].moving;
            entry["state"] = runtime[i].state;
            return entry;
        }
    }
    return nullptr;
}

ordered_json Hub::operationsJson() {
    ordered_json list = ordered_json::array();
    for (const Operations::Operation& op : Operations::all()) {
        if (belongsToHub(op.name)) {
            continue;
        }
        ordered_json args = ordered_json::array();
        for (const Operations::ArgInfo& arg : op.args) {
            ordered_json a{{"name", arg.name}, {"kind", Operations::kindName(arg)}};
            if (arg.kind == Operations::ArgKind::Enum) {
                ordered_json names = ordered_json::array();
                for (const auto& [name, code] : arg.enumInfo->enumerators) {
                    (void)code;
                    names.push_back(name);
                }
                a["kind"] = "enum";
                a["enum"] = arg.enumInfo->typeName;
                a["values"] = names;
            } else if (arg.kind == Operations::ArgKind::Bool) {
                a["kind"] = "bool";
            }
            args.push_back(a);
        }
        list.push_back(ordered_json{{"name", op.name},
                                    {"group", op.group},
                                    {"inquiry", op.inquiry || std::strncmp(op.name, "get", 3) == 0},
                                    {"args", args}});
    }
    return ordered_json{{"operations", list}};
}

void Hub::run(const std::string& cameraId, const std::string& operation, const nlohmann::json& args,
              const std::string& lockKey, std::function<void(Outcome)> done) {
    const CameraInfo* info = camera(cameraId);
    if (info == nullptr) {
        std::string ids;
        for (const CameraInfo& c : cameraList) {
            ids += (ids.empty() ? "" : ", ") + c.id;
        }
        done(refused(404, "no camera \"" + cameraId.substr(0, 40) + "\" (cameras: " + ids + ")"));
        return;
    }
    const Operations::Operation* op = Operations::find(operation);
    if (op == nullptr) {
        done(refused(400, "unknown operation \"" + operation.substr(0, 40) + "\""));
        return;
    }
    if (belongsToHub(op->name)) {
        done(refused(400, std::string(op->name) +
                              " belongs to the hub, which owns the link and each camera's place "
                              "on it: name the camera in the path instead"));
        return;
    }
    std::vector<Operations::Value> values;
    try {
        values = Operations::valuesFromJson(*op, args);
    } catch (const Operations::ArgumentError& e) {
        done(refused(400, std::string(op->name) + ": " + e.what()));
        return;
    }
    Link& link = *links[info->link];
    if (std::strcmp(op->name, "getCamerasTotal") == 0) {
        // Asking the chain would number it again under the other clients' feet; the count of
        // the link's last set-up is the answer.
        if (link.health() != Health::Online) {
            done(refused(503, "offline: link " + link.port() + " is " + healthName(link.health())));
            return;
        }
        Outcome outcome;
        outcome.result = link.cameraCount();
        done(std::move(outcome));
        return;
    }
    const bool inquiry = op->inquiry || std::strncmp(op->name, "get", 3) == 0;
    if (info->capabilities && (info->capabilities->lacksCommand(op->name) ||
                               info->capabilities->refusesInquiry(op->name))) {
        done(refused(422, "camera " + info->id + " lacks " + op->name +
                              ", as its capability profile says; nothing was sent"));
        return;
    }
    if (!inquiry) {
        std::lock_guard<std::mutex> lock(mutex);
        if (auto locked = lockedOut(static_cast<std::size_t>(info - cameraList.data()), lockKey)) {
            done(std::move(*locked));
            return;
        }
    }
    Job job;
    job.camera = info->address;
    job.operation = op;
    job.values = std::move(values);
    job.done = std::move(done);
    link.submit(std::move(job));
}

void Hub::runRaw(const std::string& cameraId, std::vector<std::uint8_t> frame,
                 std::function<void(const std::vector<std::uint8_t>&)> acknowledged,
                 std::function<void(Outcome)> done) {
    const CameraInfo* info = camera(cameraId);
    if (info == nullptr) {
        done(refused(404, "no camera \"" + cameraId + "\""));
        return;
    }
    if (frame.size() > 1 && frame[1] == 0x01) {
        // The served VISCA port has no key to show: any lock keeps it out.
        std::lock_guard<std::mutex> lock(mutex);
        if (auto locked = lockedOut(static_cast<std::size_t>(info - cameraList.data()), "")) {
            done(std::move(*locked));
            return;
        }
    }
    Job job;
    job.camera = info->address;
    job.frame = std::move(frame);
    job.acknowledged = std::move(acknowledged);
    job.done = std::move(done);
    links[info->link]->submit(std::move(job));
}

std::optional<Outcome> Hub::lockedOut(std::size_t index, const std::string& lockKey) const {
    const CameraRuntime& r = runtime[index];
    if (!r.lockKey.empty() && r.lockKey != lockKey) {
        return refused(423, "camera " + cameraList[index].id + " is locked: " + r.lockReason);
    }
    return std::nullopt;
}

Outcome Hub::namePreset(const std::string& cameraId, int number, const std::string& name,
                        const std::string& lockKey) {
    const CameraInfo* info = camera(cameraId);
    if (info == nullptr) {
        return refused(404, "no camera \"" + cameraId.substr(0, 40) + "\"");
    }
    const int count =
        info->capabilities && info->capabilities->presets ? *info->capabilities->presets : 256;
    if (number < 0 || number >= count) {
        return refused(400, "camera " + info->id + " has presets 0 to " +
                                std::to_string(count - 1) + ", not " + std::to_string(number));
    }
    if (const std::string problem = presetNameProblem(name); !problem.empty()) {
        return refused(400, problem);
    }
    const auto index = static_cast<std::size_t>(info - cameraList.data());
    ordered_json presets;
    {
        // Held over the file's write too, so that two names given at once are kept in order.
        std::lock_guard<std::mutex> lock(mutex);
        if (auto locked = lockedOut(index, lockKey)) {
            return *locked;
        }
        try {
            presetNames.set(info->id, number, name);
        } catch (const std::exception& e) {
            return refused(500, std::string("the name was not kept: ") + e.what());
        }
        CameraRuntime& r = runtime[index];
        if (name.empty()) {
            r.presets.erase(number);
        } else {
            r.presets[number] = name;
        }
        presets = presetsJson(r.presets);
    }
    publish(info->id,
            ordered_json{{"type", "presets"}, {"camera", info->id}, {"presets", presets}});
    Outcome outcome;
    outcome.result = ordered_json{{"preset", number}, {"name", name}};
    return outcome;
}

Outcome Hub::lock(const std::string& cameraId, const std::string& reason) {
    const CameraInfo* info = camera(cameraId);
    if (info == nullptr) {
        return refused(404, "no camera \"" + cameraId.substr(0, 40) + "\"");
    }
    Outcome outcome;
    {
        std::lock_guard<std::mutex> lock(mutex);
        CameraRuntime& r = runtime[static_cast<std::size_t>(info - cameraList.data())];
        if (!r.lockKey.empty()) {
            return refused(423, "camera " + info->id + " is locked already: " + r.lockReason);
        }
        r.lockKey = newKey();
        r.lockReason = reason.empty() ? "locked by a client" : reason;
        outcome.result = ordered_json{{"key", r.lockKey}, {"reason", r.lockReason}};
    }
    publish(info->id, ordered_json{{"type", "lock"},
                                   {"camera", info->id},
                                   {"locked", true},
                                   {"reason", outcome.result["reason"]}});
    return outcome;
}

Outcome Hub::unlock(const std::string& cameraId, const std::string& key, bool force) {
    const CameraInfo* info = camera(cameraId);
    if (info == nullptr) {
        return refused(404, "no camera \"" + cameraId.substr(0, 40) + "\"");
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        CameraRuntime& r = runtime[static_cast<std::size_t>(info - cameraList.data())];
        if (r.lockKey.empty()) {
            return Outcome{};
        }
        if (!force && r.lockKey != key) {
            return refused(423, "camera " + info->id + " is locked: " + r.lockReason +
                                    " (unlock needs its key, or force)");
        }
        r.lockKey.clear();
        r.lockReason.clear();
    }
    publish(info->id, ordered_json{{"type", "lock"}, {"camera", info->id}, {"locked", false}});
    return Outcome{};
}

std::shared_ptr<Subscriber> Hub::subscribe(
    std::function<void(std::shared_ptr<const std::string>)> deliver, bool polls) {
    auto subscriber = std::make_shared<Subscriber>(std::move(deliver), polls);
    std::lock_guard<std::mutex> lock(subscriberMutex);
    subscribers.erase(std::remove_if(subscribers.begin(), subscribers.end(),
                                     [](const auto& weak) { return weak.expired(); }),
                      subscribers.end());
    subscribers.push_back(subscriber);
    return subscriber;
}

void Hub::setWatched(Subscriber& subscriber, const std::string& cameraId, bool on) {
    // With subscriberMutex held.
    const bool had = subscriber.cameras.count(cameraId) > 0;
    if (had == on) {
        return;
    }
    if (on) {
        subscriber.cameras.insert(cameraId);
    } else {
        subscriber.cameras.erase(cameraId);
    }
    if (subscriber.drivesPolls) {
        const CameraInfo* info = camera(cameraId);
        links[info->link]->watch(info->address, on);
    }
}

Outcome Hub::watch(const std::shared_ptr<Subscriber>& subscriber,
                   const std::vector<std::string>& ids) {
    std::vector<std::string> chosen;
    for (const std::string& id : ids) {
        if (id == "*") {
            for (const CameraInfo& info : cameraList) {
                chosen.push_back(info.id);
            }
        } else if (camera(id) == nullptr) {
            return refused(400, "no camera \"" + id.substr(0, 40) + "\"");
        } else {
            chosen.push_back(id);
        }
    }
    {
        std::lock_guard<std::mutex> lock(subscriberMutex);
        for (const std::string& id : chosen) {
            setWatched(*subscriber, id, true);
        }
    }
    ordered_json cameras = ordered_json::array();
    for (const std::string& id : chosen) {
        cameras.push_back(cameraJson(id));
    }
    subscriber->send(std::make_shared<const std::string>(
        ordered_json{{"type", "snapshot"}, {"cameras", cameras}}.dump()));
    return Outcome{};
}

Outcome Hub::unwatch(const std::shared_ptr<Subscriber>& subscriber,
                     const std::vector<std::string>& ids) {
    std::lock_guard<std::mutex> lock(subscriberMutex);
    for (const std::string& id : ids) {
        if (id == "*") {
            for (const CameraInfo& info : cameraList) {
                setWatched(*subscriber, info.id, false);
            }
        } else if (camera(id) != nullptr) {
            setWatched(*subscriber, id, false);
        }
    }
    return Outcome{};
}

void Hub::unsubscribe(const std::shared_ptr<Subscriber>& subscriber) {
    std::lock_guard<std::mutex> lock(subscriberMutex);
    const std::set<std::string> watched = subscriber->cameras;
    for (const std::string& id : watched) {
        setWatched(*subscriber, id, false);
    }
    subscribers.erase(std::remove_if(subscribers.begin(), subscribers.end(),
                                     [&](const auto& weak) {
                                         auto s = weak.lock();
                                         return !s || s == subscriber;
                                     }),
                      subscribers.end());
}

void Hub::publish(const std::string& cameraId, const ordered_json& event) {
    auto text = std::make_shared<const std::string>(event.dump());
    std::vector<std::shared_ptr<Subscriber>> targets;
    {
        std::lock_guard<std::mutex> lock(subscriberMutex);
        for (const auto& weak : subscribers) {
            if (auto s = weak.lock(); s && s->cameras.count(cameraId) > 0) {
                targets.push_back(std::move(s));
            }
        }
    }
    for (const auto& s : targets) {
        s->send(text);
    }
}

void Hub::healthChanged(std::size_t link, Health health, const std::string& reason, int cameras) {
    std::vector<std::pair<std::string, ordered_json>> events;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (std::size_t i = 0; i < cameraList.size(); ++i) {
            if (cameraList[i].link != link) {
                continue;
            }
            CameraRuntime& r = runtime[i];
            std::string h = healthName(health);
            std::string why = reason;
            if (health == Health::Online && cameraList[i].address > cameras) {
                h = "offline";
                why = "not on the chain: the link set-up counted " + std::to_string(cameras) +
                      " camera(s)";
            }
            if (h == r.health && why == r.reason) {
                continue;
            }
            r.health = h;
            r.reason = why;
            ordered_json event{{"type", "health"}, {"camera", cameraList[i].id}, {"health", h}};
            if (!why.empty()) {
                event["reason"] = why;
            }
            events.emplace_back(cameraList[i].id, std::move(event));
        }
    }
    for (const auto& [id, event] : events) {
        publish(id, event);
    }
}

void Hub::operationDone(std::size_t link, int address, const Operations::Operation& op,
                        const std::vector<Operations::Value>& values,
                        const Operations::Result& result) {
    const int index = indexOf(link, address);
    if (index < 0) {
        return;
    }
    const std::string name = op.name;
    ordered_json found = ordered_json::object();
    if (op.inquiry || name == "getPanTilt") {
        if (name != "getCurCamera") {
            found[stateKey(name)] = Operations::toJson(result);
        }
    } else if (name == "setPanTilt" && values.size() >= 2) {
        found["panTilt"] = ordered_json{{"pan", valueJson(op.args[0], values[0])},
                                        {"tilt", valueJson(op.args[1], values[1])}};
    } else if (name.rfind("set", 0) == 0 && values.size() == 1) {
        // A setter whose inquiry reads the same value back: the state has it at once.
        const Operations::Operation* reader = Operations::find("get" + name.substr(3));
        if (reader != nullptr && reader->inquiry) {
            found[stateKey(reader->name)] = valueJson(op.args[0], values[0]);
        }
    }
    if (found.empty()) {
        return;
    }
    ordered_json changes = ordered_json::object();
    {
        std::lock_guard<std::mutex> lock(mutex);
        ordered_json& state = runtime[static_cast<std::size_t>(index)].state;
        for (const auto& [key, value] : found.items()) {
            if (!state.contains(key) || state[key] != value) {
                state[key] = value;
                changes[key] = value;
            }
        }
    }
    if (!changes.empty()) {
        const std::string& id = cameraList[static_cast<std::size_t>(index)].id;
        publish(id, ordered_json{{"type", "state"}, {"camera", id}, {"changes", changes}});
    }
}

void Hub::moveEnded(std::size_t link, int address, const std::string& operation, bool ok,
                    const std::string& error) {
    const int index = indexOf(link, address);
    if (index < 0) {
        return;
    }
    const std::string& id = cameraList[static_cast<std::size_t>(index)].id;
    ordered_json event{
        {"type", "completion"}, {"camera", id}, {"operation", operation}, {"ok", ok}};
    if (!ok) {
        event["error"] = error;
    }
    publish(id, event);
}

void Hub::motionChanged(std::size_t link, int address, Axis axis, bool moving) {
    const int index = indexOf(link, address);
    if (index < 0) {
        return;
    }
    ordered_json now;
    {
        std::lock_guard<std::mutex> lock(mutex);
        ordered_json& m = runtime[static_cast<std::size_t>(index)].moving;
        if (m[axisName(axis)] == moving) {
            return;
        }
        m[axisName(axis)] = moving;
        now = m;
    }
    const std::string& id = cameraList[static_cast<std::size_t>(index)].id;
    publish(id, ordered_json{{"type", "state"}, {"camera", id}, {"changes", {{"moving", now}}}});
}

}  // namespace Hub
