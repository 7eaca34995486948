#pragma once

// The hub's model: the cameras by id on their links, the state and health of each, the locks,
// and the clients that subscribe to changes. A request is checked here (camera, operation,
// arguments, lock) before it is queued on its camera's link; what the links report becomes
// state and events here. No network code: the HTTP, WebSocket and VISCA-over-IP servers sit
// on top of it.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "hub/Config.h"
#include "hub/Link.h"
#include "hub/PresetNames.h"

namespace Hub {

struct CameraInfo {
    std::string id;
    std::string label;
    std::size_t link = 0;
    int address = 1;
    std::optional<std::uint16_t> viscaPort;
    std::optional<Capabilities> capabilities;
};

// A client that hears about changes: `deliver` is called with each event (one JSON text) of
// the cameras it subscribed to, on whatever thread the change happened on; it must not block.
class Subscriber {
  public:
    Subscriber(std::function<void(std::shared_ptr<const std::string>)> deliver, bool polls)
        : send(std::move(deliver)), drivesPolls(polls) {}

  private:
    friend class Hub;
    std::function<void(std::shared_ptr<const std::string>)> send;
    const bool drivesPolls;
    std::set<std::string> cameras;  // guarded by the hub's subscriber lock
};

class Hub : private LinkEvents {
  public:
    // Reads the preset names kept in the configuration's state file: ConfigError for a file
    // that is not one.
    explicit Hub(Config config, LinkTiming timing = {});
    ~Hub() override;
    Hub(const Hub&) = delete;
    Hub& operator=(const Hub&) = delete;

    void start();
    void stop();

    const Config& config() const { return settings; }
    const std::vector<CameraInfo>& cameras() const { return cameraList; }
    const CameraInfo* camera(const std::string& id) const;
    Link& link(std::size_t index) { return *links[index]; }

    nlohmann::ordered_json listJson() const;
    nlohmann::ordered_json linksJson() const;
    // The camera's entry of the list with its state; null for an unknown id.
    nlohmann::ordered_json cameraJson(const std::string& id) const;
    static nlohmann::ordered_json operationsJson();

    // Runs an operation on a camera for a client that holds `lockKey` (may be empty). `done`
    // gets the outcome once: at once for a request refused here (unknown camera or
    // operation, bad arguments, a lock, an offline link), else on the link's thread.
    void run(const std::string& camera, const std::string& operation, const nlohmann::json& args,
             const std::string& lockKey, std::function<void(Outcome)> done);
    // A raw frame for a camera (the served VISCA-over-IP port): a command is refused while the
    // camera is locked; `acknowledged` gets the acknowledgement of a command whose completion
    // comes later in `done`.
    void runRaw(const std::string& camera, std::vector<std::uint8_t> frame,
                std::function<void(const std::vector<std::uint8_t>&)> acknowledged,
                std::function<void(Outcome)> done);

    // Names preset `number` of a camera for the page (an empty name takes it away) and keeps
    // the name in the state file; refused like a setting while another client holds the lock.
    Outcome namePreset(const std::string& camera, int number, const std::string& name,
                       const std::string& lockKey);

    // Locks a camera for the holder of the key it returns; 423 if locked already.
    Outcome lock(const std::string& camera, const std::string& reason);
    // With the key, or `force`.
    Outcome unlock(const std::string& camera, const std::string& key, bool force);

    // A subscriber that `polls` makes the links refresh the state of the cameras it watches;
    // one that only records what happens (a log, a test) leaves the wire alone.
    std::shared_ptr<Subscriber> subscribe(
        std::function<void(std::shared_ptr<const std::string>)> deliver, bool polls = true);
    // Adds cameras ("*": every one) to what the subscriber hears and sends it a snapshot of
    // them; unknown ids are refused (400) and nothing changes.
    Outcome watch(const std::shared_ptr<Subscriber>& subscriber,
                  const std::vector<std::string>& cameras);
    Outcome unwatch(const std::shared_ptr<Subscriber>& subscriber,
                    const std::vector<std::string>& cameras);
    // Ends a subscription (a client gone); safe to call twice.
    void unsubscribe(const std::shared_ptr<Subscriber>& subscriber);

  private:
    struct CameraRuntime {
        nlohmann::ordered_json state = nlohmann::ordered_json::object();
        nlohmann::ordered_json moving = {{"panTilt", false}, {"zoom", false}, {"focus", false}};
        std::string health = "reconnecting";
        std::string reason = "connecting";
        std::string lockKey;
        std::string lockReason;
        std::map<int, std::string> presets;  // the names shown
    };

    void healthChanged(std::size_t link, Health health, const std::string& reason,
                       int cameras) override;
    void operationDone(std::size_t link, int camera, const Operations::Operation& op,
                       const std::vector<Operations::Value>& values,
                       const Operations::Result& result) override;
    void moveEnded(std::size_t link, int camera, const std::string& operation, bool ok,
                   const std::string& error) override;
    void motionChanged(std::size_t link, int camera, Axis axis, bool moving) override;

    int indexOf(std::size_t link, int address) const;
    nlohmann::ordered_json entryJson(std::size_t index) const;  // with `mutex` held
    void publish(const std::string& camera, const nlohmann::ordered_json& event);
    void setWatched(Subscriber& subscriber, const std::string& camera, bool on);
    // 423 when another client holds the camera's lock; with `mutex` held.
    std::optional<Outcome> lockedOut(std::size_t index, const std::string& lockKey) const;

    const Config settings;
    std::vector<CameraInfo> cameraList;
    std::vector<std::unique_ptr<Link>> links;
    PresetNames presetNames;

    mutable std::mutex mutex;  // the runtime part of every camera
    std::vector<CameraRuntime> runtime;

    std::mutex subscriberMutex;
    std::vector<std::weak_ptr<Subscriber>> subscribers;
};

// "getWBMode" -> "wbMode", "getPanTilt" -> "panTilt": the key of an inquiry's value in the state.
std::string stateKey(const std::string& inquiry);

}  // namespace Hub
