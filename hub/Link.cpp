#include "hub/Link.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "driver/Engine.h"
#include "quorvin/DriverException.h"

namespace Hub {

namespace {

using Clock = std::chrono::steady_clock;
using CameraDriver::DriverException;

constexpr std::uint8_t POWER_INQUIRY[] = {0x81, 0x09, 0x04, 0x00, 0xFF};

// A completion not seen by then is forgotten: its camera has long finished or lost it.
constexpr std::chrono::seconds FORGET_AFTER{120};
// While a completion is awaited and nothing else is queued, the link is read in slices this
// long, so that a request arriving meanwhile waits no longer than one slice.
constexpr std::chrono::milliseconds LISTEN_SLICE{5};

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

bool isRefusal(const std::string& message) {
    return contains(message, "SYNTAX_ERROR") || contains(message, "BUFFER_FULL") ||
           contains(message, "NOT_EXECUTABLE");
}

// The camera's refusal of a command after its acknowledgement, in the engine's words.
std::string refusalText(std::uint8_t code) {
    switch (code) {
        case 0x02:
            return "SYNTAX_ERROR ocurred when executing the command !";
        case 0x03:
            return "BUFFER_FULL error ocurred when executing the command !";
        case 0x41:
            return "NOT_EXECUTABLE error ocurred when executing the command !";
        default:
            return "Executing the command failed !";
    }
}

void log(const std::string& line) { std::fprintf(stderr, "quorvin-hub: %s\n", line.c_str()); }

std::size_t axisIndex(Axis axis) { return static_cast<std::size_t>(axis); }

}  // namespace

const char* healthName(Health health) {
    switch (health) {
        case Health::Online:
            return "online";
        case Health::Offline:
            return "offline";
        case Health::Reconnecting:
            return "reconnecting";
    }
    return "offline";
}

struct Link::Queued {
    Job job;
    Axis stop = Axis::None;
    Axis drive = Axis::None;
};

// A command that the camera acknowledged and will complete later, in a socket of its own.
struct Link::Pending {
    int camera = 0;
    int socket = 0;
    std::string operation;  // empty for a raw command
    Axis axis = Axis::None;
    Clock::time_point replyBy;   // past it, the caller gets 202 and the completion an event
    Clock::time_point forgetAt;  // past it, nothing waits for the completion any more
    std::function<void(Outcome)> done;
    bool answered = false;
};

Axis Link::stopAxis(const std::string& operation) {
    if (operation == "stopMove") return Axis::PanTilt;
    if (operation == "stopZoom") return Axis::Zoom;
    if (operation == "stopFocusChange") return Axis::Focus;
    return Axis::None;
}

Axis Link::driveAxis(const std::string& operation) {
    if (operation.rfind("move", 0) == 0 && operation != "moveHome") return Axis::PanTilt;
    if (operation == "zoomTele" || operation == "zoomWide" || operation == "zoomIn" ||
        operation == "zoomOut") {
        return Axis::Zoom;
    }
    if (operation == "focusNear" || operation == "focusFar" || operation == "focusToNear" ||
        operation == "focusToFar") {
        return Axis::Focus;
    }
    return Axis::None;
}

bool Link::isLongMove(const std::string& operation) {
    return operation == "memoryRecall" || operation == "setPanTilt" || operation == "moveHome" ||
           operation == "setZoom" || operation == "setFocus";
}

namespace {

Axis longMoveAxis(const std::string& operation) {
    if (operation == "setZoom") return Axis::Zoom;
    if (operation == "setFocus") return Axis::Focus;
    return Axis::PanTilt;
}

}  // namespace

Link::Link(std::size_t linkIndex, std::string port, LinkEvents& linkEvents, std::size_t queued,
           LinkTiming linkTiming)
    : index(linkIndex),
      portName(std::move(port)),
      events(linkEvents),
      maxQueued(queued),
      timing(linkTiming) {}

Link::~Link() { stop(); }

void Link::start() {
    thread = std::thread([this] { run(); });
}

void Link::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    if (thread.joinable()) {
        thread.join();
    }
}

Health Link::health() const {
    std::lock_guard<std::mutex> lock(mutex);
    return state;
}

std::string Link::reason() const {
    std::lock_guard<std::mutex> lock(mutex);
    return stateReason;
}

int Link::cameraCount() const {
    std::lock_guard<std::mutex> lock(mutex);
    return counted;
}

void Link::watch(int camera, bool watched) {
    if (camera < 1 || camera > 7) {
        return;
    }
    auto& count = watchers[static_cast<std::size_t>(camera)];
    if (watched) {
        count.fetch_add(1);
    } else {
        count.fetch_sub(1);
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        watchersChanged = true;
    }
    wake.notify_all();
}

void Link::skipInquiries(int camera, std::vector<std::string> names) {
    if (camera >= 1 && camera <= 7) {
        skipped[static_cast<std::size_t>(camera)] = std::move(names);
    }
}

void Link::submit(Job job) {
    auto queued = std::make_unique<Queued>();
    if (job.operation != nullptr) {
        queued->stop = stopAxis(job.operation->name);
        queued->drive = driveAxis(job.operation->name);
    }
    queued->job = std::move(job);
    std::vector<std::pair<std::function<void(Outcome)>, Outcome>> answers;
    {
        std::lock_guard<std::mutex> lock(mutex);
        const int camera = queued->job.camera;
        auto refuse = [&](int status, std::string message) {
            Outcome outcome;
            outcome.status = status;
            outcome.error = std::move(message);
            answers.emplace_back(std::move(queued->job.done), std::move(outcome));
        };
        if (stopping) {
            refuse(503, "the hub is stopping");
        } else if (state != Health::Online) {
            refuse(503, "offline: link " + portName + " is " + healthName(state) +
                            (stateReason.empty() ? "" : " (" + stateReason + ")"));
        } else if (camera < 1 || camera > counted) {
            refuse(503, "offline: camera " + std::to_string(camera) + " is not on link " +
                            portName + " (" + std::to_string(counted) + " counted)");
        } else if (queued->stop != Axis::None) {
            // A released button must stop the camera now: the stop goes ahead of everything
            // queued, and a drive of its axis still waiting would start the camera again
            // after it, so that drive is dropped.
            for (auto it = queue.begin(); it != queue.end();) {
                if ((*it)->job.camera == camera && (*it)->drive == queued->stop) {
                    Outcome outcome;
                    outcome.status = 409;
                    outcome.error = std::string("replaced by ") + queued->job.operation->name +
                                    " before it was sent";
                    answers.emplace_back(std::move((*it)->job.done), std::move(outcome));
                    it = queue.erase(it);
                } else {
                    ++it;
                }
            }
            auto at = std::find_if(queue.begin(), queue.end(),
                                   [](const auto& q) { return q->stop == Axis::None; });
            queue.insert(at, std::move(queued));
        } else {
            auto same = queue.end();
            if (queued->drive != Axis::None) {
                same = std::find_if(queue.begin(), queue.end(), [&](const auto& q) {
                    return q->job.camera == camera && q->drive == queued->drive;
                });
            }
            if (same != queue.end()) {
                Outcome outcome;
                outcome.status = 409;
                outcome.error = std::string("replaced by a newer ") + queued->job.operation->name +
                                " before it was sent";
                answers.emplace_back(std::move((*same)->job.done), std::move(outcome));
                *same = std::move(queued);
            } else if (queue.size() >= maxQueued) {
                refuse(503, "link " + portName + " has " + std::to_string(maxQueued) +
                                " requests waiting, the most it queues");
            } else {
                queue.push_back(std::move(queued));
            }
        }
    }
    wake.notify_all();
    for (auto& [done, outcome] : answers) {
        if (done) {
            done(std::move(outcome));
        }
    }
}

void Link::setHealth(Health health, const std::string& why) {
    int cameras = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (state == health && stateReason == why) {
            return;
        }
        state = health;
        stateReason = why;
        cameras = counted;
    }
    events.healthChanged(index, health, why, cameras);
}

void Link::failQueue(int status, const std::string& message) {
    std::deque<std::unique_ptr<Queued>> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex);
        dropped.swap(queue);
    }
    for (auto& q : dropped) {
        Outcome outcome;
        outcome.status = status;
        outcome.error = message;
        if (q->job.done) {
            q->job.done(std::move(outcome));
        }
    }
}

void Link::run() {
    std::chrono::milliseconds backoff = timing.firstBackoff;
    int attempt = 0;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping) {
                break;
            }
        }
        if (connect()) {
            if (attempt > 0) {
                log("link " + portName + ": online again after " + std::to_string(attempt) +
                    " attempt(s)");
            }
            backoff = timing.firstBackoff;
            attempt = 0;
            serve();
            continue;
        }
        ++attempt;
        log("link " + portName + ": attempt " + std::to_string(attempt) + " failed (" + reason() +
            "); next in " + std::to_string(backoff.count()) + " ms");
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait_for(lock, backoff, [this] { return stopping; });
        backoff = std::min(backoff * 2, timing.maxBackoff);
    }
    failQueue(503, "the hub is stopping");
    for (auto& p : pending) {
        if (!p->answered && p->done) {
            p->done(Outcome{503, "the hub is stopping", nullptr, {}});
        }
    }
    pending.clear();
    if (engine) {
        // The hub goes away: no client could stop a camera that one of them left driving.
        try {
            CameraDriver::Engine::ExchangeOptions quick;
            quick.timeout = timing.setupTimeout;
            engine->setOperationOptions(quick);
            stopEveryCamera(cameraCount());
        } catch (const std::exception& e) {
            log("link " + portName +
                ": the cameras could not be stopped on the way out: " + e.what());
        }
    }
    engine.reset();
}

void Link::stopEveryCamera(int cameras) {
    for (int camera = 1; camera <= cameras; ++camera) {
        engine->selectCamera(camera);
        for (auto stopIt :
             {&CameraDriver::Controller::stopMove, &CameraDriver::Controller::stopZoom,
              &CameraDriver::Controller::stopFocusChange}) {
            try {
                (engine->controller().*stopIt)();
            } catch (const DriverException& e) {
                if (!isRefusal(e.what())) {
                    throw;
                }
            }
        }
    }
}

bool Link::connect() {
    int before = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        before = counted;
    }
    if (health() == Health::Offline) {
        setHealth(Health::Reconnecting, reason());
    }
    try {
        engine = std::make_unique<CameraDriver::Engine>();
        engine->observeSetAside(
            [this](const std::uint8_t* bytes, int length) { frameSetAside(bytes, length); });
        CameraDriver::Engine::ExchangeOptions setup;
        setup.timeout = timing.setupTimeout;
        engine->setOperationOptions(setup);
        engine->open(portName);
        const int cameras = engine->countCameras();
        // Whatever a camera was doing when the link broke, it was told by a client that may
        // no longer be there to stop it.
        stopEveryCamera(cameras);
        engine->setOperationOptions({});
        {
            std::lock_guard<std::mutex> lock(mutex);
            counted = cameras;
        }
        for (auto& poll : polls) {
            poll = CameraPoll{};
        }
        lastTraffic = Clock::now();
        std::string why;
        if (before > cameras) {
            why = std::to_string(cameras) + " of " + std::to_string(before) +
                  " cameras answered the link set-up";
            log("link " + portName + ": " + why);
        }
        setHealth(Health::Online, why);
        return true;
    } catch (const std::exception& e) {
        engine.reset();
        setHealth(Health::Reconnecting, e.what());
        return false;
    }
}

void Link::goOffline(const std::string& why) {
    log("link " + portName + " offline: " + why);
    engine.reset();
    setHealth(Health::Offline, why);
    const std::string message = "offline: link " + portName + " failed (" + why + ")";
    for (auto& p : pending) {
        if (!p->answered && p->done) {
            p->answered = true;
            p->done(Outcome{503, message, nullptr, {}});
        }
        if (!p->operation.empty()) {
            events.moveEnded(index, p->camera, p->operation, false, message);
        }
    }
    pending.clear();
    for (std::size_t camera = 1; camera < polls.size(); ++camera) {
        for (Axis axis : {Axis::PanTilt, Axis::Zoom, Axis::Focus}) {
            if (polls[camera].moving[axisIndex(axis)]) {
                events.motionChanged(index, static_cast<int>(camera), axis, false);
            }
        }
    }
    failQueue(503, message);
}

Outcome Link::failure(const std::exception& e, bool& linkFailed) {
    const std::string message = e.what();
    Outcome outcome;
    outcome.error = message;
    linkFailed = false;
    if (dynamic_cast<const DriverException*>(&e) == nullptr) {
        outcome.status = 500;
    } else if (isRefusal(message)) {
        outcome.status = 422;
    } else if (message == "Command is malformed !") {
        outcome.status = 400;
    } else if (message == "Executing the command failed !") {
        // A reply that is no reply to this command: the camera is there, its answer garbled.
        outcome.status = 502;
    } else if (engine && engine->lastExchange().timedOut) {
        outcome.status = 504;
        linkFailed = true;
    } else {
        outcome.status = 503;
        linkFailed = true;
    }
    if (engine) {
        outcome.reply = engine->lastExchange().reply;
    }
    return outcome;
}

void Link::serve() {
    for (;;) {
        std::unique_ptr<Queued> next;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping) {
                return;
            }
            if (!queue.empty()) {
                next = std::move(queue.front());
                queue.pop_front();
            }
        }
        try {
            if (next) {
                execute(*next);
                lastTraffic = Clock::now();
                continue;
            }
            expirePending();
            const auto now = Clock::now();
            // A camera that someone watches and whose poll is due.
            int due = 0;
            auto nextDue = lastTraffic + timing.heartbeat;
            for (int camera = 1; camera <= cameraCount() && due == 0; ++camera) {
                CameraPoll& p = polls[static_cast<std::size_t>(camera)];
                if (watchers[static_cast<std::size_t>(camera)].load() <= 0) {
                    continue;
                }
                const bool moving = p.moving[1] || p.moving[2] || p.moving[3];
                if (moving && p.nextMotion <= now) {
                    due = camera;
                } else if (p.sweeping || p.nextSweep <= now) {
                    due = camera;
                }
                if (moving) {
                    nextDue = std::min(nextDue, p.nextMotion);
                }
                nextDue = std::min(nextDue, p.nextSweep);
            }
            if (due != 0) {
                poll(due);
                lastTraffic = Clock::now();
                continue;
            }
            if (now >= lastTraffic + timing.heartbeat) {
                heartbeat();
                lastTraffic = Clock::now();
                continue;
            }
            if (!pending.empty()) {
                // A completion is due: the link is read (in slices, so that a request that
                // comes meanwhile is not held up) rather than left until the next exchange.
                // (The unanswered come first, and expirePending has answered those past due,
                // so the deadline is never in the past.)
                auto until = now + LISTEN_SLICE;
                if (!pending.front()->answered) {
                    until = std::min(until, pending.front()->replyBy);
                }
                engine->listen(until, 1);
                continue;
            }
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait_until(lock, nextDue,
                            [this] { return stopping || !queue.empty() || watchersChanged; });
            watchersChanged = false;
        } catch (const std::exception& e) {
            // The link itself failed (a job's own failures are answered in execute).
            goOffline(e.what());
            return;
        }
    }
}

namespace {

// The options the engine's operations run with, set for one call and put back on every path.
class OptionsScope {
  public:
    OptionsScope(CameraDriver::Engine& e, bool untilAcknowledged) : engine(e) {
        CameraDriver::Engine::ExchangeOptions options;
        options.untilAcknowledged = untilAcknowledged;
        engine.setOperationOptions(options);
    }
    ~OptionsScope() { engine.setOperationOptions({}); }
    OptionsScope(const OptionsScope&) = delete;
    OptionsScope& operator=(const OptionsScope&) = delete;

  private:
    CameraDriver::Engine& engine;
};

}  // namespace

void Link::execute(Queued& queued) {
    Job& job = queued.job;
    unclaimed.clear();
    bool linkFailed = false;
    Outcome outcome;
    std::unique_ptr<Pending> waiting;
    try {
        engine->selectCamera(job.camera);
        if (job.operation != nullptr) {
            const Operations::Operation& op = *job.operation;
            const bool longMove = isLongMove(op.name);
            Operations::Result result;
            {
                OptionsScope scope(*engine, longMove);
                result = op.invoke(engine->controller(), job.values);
            }
            const auto& report = engine->lastExchange();
            events.operationDone(index, job.camera, op, job.values, result);
            CameraPoll& p = polls[static_cast<std::size_t>(job.camera)];
            Axis moved = queued.drive;
            if (longMove && report.acknowledgedSocket) {
                moved = longMoveAxis(op.name);
                waiting = std::make_unique<Pending>();
                waiting->camera = job.camera;
                waiting->socket = *report.acknowledgedSocket;
                waiting->operation = op.name;
                waiting->axis = moved;
            }
            if (moved != Axis::None && !p.moving[axisIndex(moved)]) {
                p.moving[axisIndex(moved)] = true;
                p.unchanged = 0;
                p.nextMotion = Clock::now() + timing.movingPoll;
                events.motionChanged(index, job.camera, moved, true);
            }
            if (queued.stop != Axis::None && p.moving[axisIndex(queued.stop)]) {
                p.moving[axisIndex(queued.stop)] = false;
                events.motionChanged(index, job.camera, queued.stop, false);
                // One more look at where it stopped.
                p.nextMotion = Clock::now();
                p.sweeping = true;
            }
            outcome.result = Operations::toJson(result);
        } else {
            const bool command = job.frame.size() > 1 && job.frame[1] == 0x01;
            CameraDriver::Engine::ExchangeOptions options;
            options.untilAcknowledged = command;
            outcome.reply = engine->exchange(job.frame.data(), job.frame.size(), options);
            const auto& report = engine->lastExchange();
            if (command && report.acknowledgedSocket) {
                if (job.acknowledged) {
                    job.acknowledged(outcome.reply);
                }
                waiting = std::make_unique<Pending>();
                waiting->camera = job.camera;
                waiting->socket = *report.acknowledgedSocket;
            }
        }
    } catch (const std::exception& e) {
        outcome = failure(e, linkFailed);
        waiting.reset();
    }
    if (waiting) {
        const auto now = Clock::now();
        waiting->replyBy = now + timing.completionLimit;
        waiting->forgetAt = now + FORGET_AFTER;
        waiting->done = std::move(job.done);
        pending.push_back(std::move(waiting));
        std::sort(pending.begin(), pending.end(),
                  [](const auto& a, const auto& b) { return a->replyBy < b->replyBy; });
        // A completion that came in the same read as the acknowledgement was set aside before
        // anything waited for it.
        auto early = std::move(unclaimed);
        unclaimed.clear();
        for (const auto& frame : early) {
            frameSetAside(frame.data(), static_cast<int>(frame.size()));
        }
        return;
    }
    const std::string error = outcome.error;
    if (job.done) {
        job.done(std::move(outcome));
    }
    if (linkFailed) {
        throw DriverException(error);
    }
}

void Link::frameSetAside(const std::uint8_t* bytes, int length) {
    // A completion y0 5z FF or a refusal y0 6z ee FF of a command waiting for one.
    if (length < 3 || (bytes[0] & 0x8F) != 0x80) {
        return;
    }
    const int camera = (bytes[0] >> 4) - 8;
    const int kind = bytes[1] & 0xF0;
    const int socket = bytes[1] & 0x0F;
    const bool completion = kind == 0x50 && length == 3;
    const bool refusal = kind == 0x60 && length == 4;
    if (!completion && !refusal) {
        return;
    }
    for (auto it = pending.begin(); it != pending.end(); ++it) {
        Pending& p = **it;
        if (p.camera != camera || p.socket != socket) {
            continue;
        }
        Outcome outcome;
        outcome.reply.assign(bytes, bytes + length);
        if (refusal) {
            outcome.status = 422;
            outcome.error = refusalText(bytes[2]);
        }
        if (!p.answered && p.done) {
            p.answered = true;
            p.done(std::move(outcome));
        }
        if (!p.operation.empty()) {
            events.moveEnded(index, camera, p.operation, completion,
                             completion ? std::string() : refusalText(bytes[2]));
            CameraPoll& poll = polls[static_cast<std::size_t>(camera)];
            if (poll.moving[axisIndex(p.axis)]) {
                poll.moving[axisIndex(p.axis)] = false;
                events.motionChanged(index, camera, p.axis, false);
                poll.sweeping = true;
            }
        }
        pending.erase(it);
        return;
    }
    if (unclaimed.size() < 8) {
        unclaimed.emplace_back(bytes, bytes + length);
    }
}

void Link::expirePending() {
    const auto now = Clock::now();
    for (auto it = pending.begin(); it != pending.end();) {
        Pending& p = **it;
        if (!p.answered && p.replyBy <= now && !p.operation.empty()) {
            // Taken and still moving: the caller is told so, and the completion will be an
            // event.
            p.answered = true;
            if (p.done) {
                Outcome outcome;
                outcome.status = 202;
                p.done(std::move(outcome));
            }
        }
        if (p.forgetAt <= now) {
            if (!p.answered && p.done) {
                p.done(
                    Outcome{504, "the command was acknowledged but never completed", nullptr, {}});
            }
            it = pending.erase(it);
        } else {
            ++it;
        }
    }
    // The earliest reply still owed first; answered ones wait only for their completion.
    std::stable_partition(pending.begin(), pending.end(),
                          [](const auto& p) { return !p->answered; });
}

void Link::poll(int camera) {
    CameraPoll& p = polls[static_cast<std::size_t>(camera)];
    const auto now = Clock::now();
    engine->selectCamera(camera);
    auto inquire = [&](const Operations::Operation& op) {
        try {
            const Operations::Result result = op.invoke(engine->controller(), {});
            events.operationDone(index, camera, op, {}, result);
            return Operations::toJson(result);
        } catch (const DriverException& e) {
            bool linkFailed = false;
            failure(e, linkFailed);
            if (linkFailed) {
                throw;
            }
            // Many cameras lack an inquiry or two; the state leaves that value out.
            return nlohmann::ordered_json();
        }
    };
    const bool moving = p.moving[1] || p.moving[2] || p.moving[3];
    if (moving && p.nextMotion <= now) {
        nlohmann::ordered_json seen;
        if (p.moving[axisIndex(Axis::PanTilt)]) {
            seen["panTilt"] = inquire(*Operations::find("getPanTilt"));
        }
        if (p.moving[axisIndex(Axis::Zoom)]) {
            seen["zoom"] = inquire(*Operations::find("getZoom"));
        }
        if (p.moving[axisIndex(Axis::Focus)]) {
            seen["focus"] = inquire(*Operations::find("getFocus"));
        }
        p.unchanged = seen == p.lastMotion ? p.unchanged + 1 : 0;
        p.lastMotion = seen;
        p.nextMotion = Clock::now() + timing.movingPoll;
        // A drive that no stop ended (a client that vanished, a move that reached its end)
        // shows as a position that no longer changes.
        if (p.unchanged >= 3) {
            bool awaited = false;
            for (const auto& w : pending) {
                awaited = awaited || w->camera == camera;
            }
            if (!awaited) {
                for (Axis axis : {Axis::PanTilt, Axis::Zoom, Axis::Focus}) {
                    if (p.moving[axisIndex(axis)]) {
                        p.moving[axisIndex(axis)] = false;
                        events.motionChanged(index, camera, axis, false);
                    }
                }
            }
        }
        return;
    }
    // One inquiry of the sweep per call, so that a client's request waits for one at most.
    const auto& table = Operations::all();
    const auto& skip = skipped[static_cast<std::size_t>(camera)];
    while (p.sweepIndex < table.size()) {
        const Operations::Operation& op = table[p.sweepIndex++];
        if (op.inquiry && std::strcmp(op.name, "getCurCamera") != 0 &&
            std::find(skip.begin(), skip.end(), op.name) == skip.end()) {
            p.sweeping = true;
            inquire(op);
            return;
        }
    }
    p.sweepIndex = 0;
    p.sweeping = false;
    p.nextSweep = Clock::now() + timing.restingPoll;
}

void Link::heartbeat() {
    const int cameras = cameraCount();
    if (cameras < 1) {
        return;
    }
    heartbeatCamera = heartbeatCamera % cameras + 1;
    engine->selectCamera(heartbeatCamera);
    CameraDriver::Engine::ExchangeOptions options;
    options.timeout = timing.heartbeatTimeout;
    try {
        engine->exchange(POWER_INQUIRY, sizeof POWER_INQUIRY, options);
    } catch (const DriverException& e) {
        bool linkFailed = false;
        failure(e, linkFailed);
        if (linkFailed) {
            throw DriverException("camera " + std::to_string(heartbeatCamera) +
                                  " did not answer the heartbeat: " + e.what());
        }
    }
}

}  // namespace Hub
