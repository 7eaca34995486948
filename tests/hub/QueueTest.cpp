// The link's queue and its long moves, through the hub as every surface reaches it: a stop goes
// ahead of what its camera has queued and drops a drive of its axis still waiting, a newer drive
// replaces a queued one, the queue is bounded, and a move that outlasts the reply's limit is
// answered 202 while the link serves the next request.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "tests/hub/HubFixture.h"

namespace HubTest {
namespace {

// Outcomes of requests collected from the link's thread.
class Outcomes {
  public:
    std::function<void(Hub::Outcome)> slot(std::size_t index) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (statuses.size() <= index) statuses.resize(index + 1, 0);
        }
        return [this, index](Hub::Outcome outcome) {
            // Notified under the lock: the test may end, and this object go, as soon as the
            // last outcome is in.
            std::lock_guard<std::mutex> lock(mutex);
            statuses[index] = outcome.status;
            errors.push_back(outcome.error);
            changed.notify_all();
        };
    }
    bool waitAll(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, limit, [&] {
            return std::all_of(statuses.begin(), statuses.end(), [](int s) { return s != 0; });
        });
    }
    int status(std::size_t index) {
        std::lock_guard<std::mutex> lock(mutex);
        return statuses.at(index);
    }
    std::vector<int> all() {
        std::lock_guard<std::mutex> lock(mutex);
        return statuses;
    }

  private:
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> statuses;
    std::vector<std::string> errors;
};

bool isStopMove(const std::string& frame) {
    return frame.rfind("81 01 06 01", 0) == 0 && frame.find("03 03 FF") != std::string::npos;
}
bool isMoveUp(const std::string& frame) {
    return frame.rfind("81 01 06 01", 0) == 0 && frame.find("03 01 FF") != std::string::npos;
}

// Each command waits for a completion that comes 10 ms after its acknowledgement, so that
// requests pile up behind the one on the wire.
ChainOptions slowCompletions() {
    ChainOptions o;
    o.cameras = 2;
    o.timing.completionDelay = std::chrono::milliseconds(10);
    return o;
}

TEST(HubQueue, StopBehindHundredQueuedRequestsReachesTheWireNext) {
    HubOnChain chain(slowCompletions());
    ASSERT_TRUE(chain.waitOnline());
    chain.wire.take();
    Outcomes outcomes;
    // A hundred settings queue up behind the first, then a drive and its stop.
    for (std::size_t i = 0; i < 100; ++i) {
        chain.hub->run("cam1", "setGain", json{{"gain", static_cast<int>(i % 16)}}, "",
                       outcomes.slot(i));
    }
    chain.hub->run("cam1", "moveUp", json{{"tiltSpeed", 9}}, "", outcomes.slot(100));
    chain.hub->run("cam1", "stopMove", nullptr, "", outcomes.slot(101));
    ASSERT_TRUE(outcomes.waitAll());
    EXPECT_EQ(outcomes.status(101), 200);
    // The drive still queued is dropped by the stop of its axis: sent after the stop, it
    // would start the camera that the stop was meant to halt.
    EXPECT_EQ(outcomes.status(100), 409);
    const std::vector<std::string> frames = chain.wire.take();
    const auto stop = std::find_if(frames.begin(), frames.end(), isStopMove);
    ASSERT_NE(stop, frames.end());
    // Before it: at most the setting already on the wire when it came.
    EXPECT_LE(stop - frames.begin(), 1) << "frames before the stop";
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), isMoveUp), 0);
    // Nothing else was lost: every setting was answered and sent.
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(),
                            [](const std::string& f) { return f.rfind("81 01 04 4C", 0) == 0; }),
              100);
    const std::vector<int> statuses = outcomes.all();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 200), 101);
}

TEST(HubQueue, NewerDriveOfAnAxisReplacesTheQueuedOneOfThatCameraOnly) {
    HubOnChain chain(slowCompletions());
    ASSERT_TRUE(chain.waitOnline());
    Outcomes outcomes;
    for (std::size_t i = 0; i < 5; ++i) {
        chain.hub->run("cam1", "setGain", json{{"gain", 1}}, "", outcomes.slot(i));
    }
    chain.hub->run("cam1", "moveLeft", json{{"panSpeed", 2}}, "", outcomes.slot(5));
    chain.hub->run("cam2", "moveLeft", json{{"panSpeed", 2}}, "", outcomes.slot(6));
    chain.hub->run("cam1", "zoomIn", json{{"speed", 2}}, "", outcomes.slot(7));
    chain.hub->run("cam1", "moveRight", json{{"panSpeed", 7}}, "", outcomes.slot(8));
    ASSERT_TRUE(outcomes.waitAll());
    EXPECT_EQ(outcomes.status(5), 409) << "replaced by the newer pan-tilt drive of cam1";
    EXPECT_EQ(outcomes.status(6), 200) << "another camera's drive stays";
    EXPECT_EQ(outcomes.status(7), 200) << "another axis stays";
    EXPECT_EQ(outcomes.status(8), 200);
}

TEST(HubQueue, IsBoundedButAlwaysTakesAStop) {
    HubOnChain chain([] {
        ChainOptions o = slowCompletions();
        o.adjust = [](Hub::Config& config) { config.limits.queuedPerLink = 5; };
        return o;
    }());
    ASSERT_TRUE(chain.waitOnline());
    Outcomes outcomes;
    for (std::size_t i = 0; i < 20; ++i) {
        chain.hub->run("cam1", "setGain", json{{"gain", 1}}, "", outcomes.slot(i));
    }
    chain.hub->run("cam1", "stopZoom", nullptr, "", outcomes.slot(20));
    ASSERT_TRUE(outcomes.waitAll());
    const std::vector<int> statuses = outcomes.all();
    EXPECT_GE(std::count(statuses.begin(), statuses.end(), 503), 10);
    EXPECT_EQ(outcomes.status(20), 200);
}

TEST(HubQueue, LongMoveIsAcceptedWhileTheLinkServesOthersAndItsCompletionIsAnEvent) {
    ChainOptions o;
    o.cameras = 2;
    // The move completes 1.5 s after its acknowledgement; the hub answers within 0.3 s.
    o.timing.completionDelay = std::chrono::milliseconds(1500);
    o.linkTiming.completionLimit = std::chrono::milliseconds(300);
    // The link set-up's stops complete as late.
    o.linkTiming.setupTimeout = std::chrono::seconds(5);
    HubOnChain chain(o);
    ASSERT_TRUE(chain.waitOnline());
    std::promise<Hub::Outcome> recall;
    chain.hub->run("cam1", "memoryRecall", json{{"preset", 1}}, "",
                   [&](Hub::Outcome outcome) { recall.set_value(std::move(outcome)); });
    // Another camera's inquiry is answered while the move goes on.
    std::promise<Hub::Outcome> inquiry;
    chain.hub->run("cam2", "getPowerState", nullptr, "",
                   [&](Hub::Outcome outcome) { inquiry.set_value(std::move(outcome)); });
    auto inquired = inquiry.get_future();
    ASSERT_EQ(inquired.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(inquired.get().status, 200);
    EXPECT_TRUE(chain.events
                    .waitFor([](const json& e) { return e.value("type", "") == "completion"; },
                             std::chrono::milliseconds(0))
                    .is_null())
        << "the inquiry did not wait for the move";

    auto recalled = recall.get_future();
    ASSERT_EQ(recalled.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(recalled.get().status, 202);
    // A command to the moving camera itself takes its own reply, not the move's completion.
    std::promise<Hub::Outcome> setting;
    chain.hub->run("cam1", "setGain", json{{"gain", 4}}, "",
                   [&](Hub::Outcome outcome) { setting.set_value(std::move(outcome)); });
    auto set = setting.get_future();
    ASSERT_EQ(set.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(set.get().status, 200);

    const json done = chain.events.waitFor([](const json& e) {
        return e.value("type", "") == "completion" && e.value("camera", "") == "cam1";
    });
    ASSERT_FALSE(done.is_null());
    EXPECT_EQ(done["operation"], "memoryRecall");
    EXPECT_EQ(done["ok"], true);
    EXPECT_EQ(chain.camera->camera(1).gain, 4);
}

TEST(HubQueue, LongMoveCompletedWithinTheLimitIsAnsweredDone) {
    ChainOptions o;
    o.timing.completionDelay = std::chrono::milliseconds(50);
    HubOnChain chain(o);
    ASSERT_TRUE(chain.waitOnline());
    std::promise<Hub::Outcome> reply;
    chain.hub->run("cam1", "setPanTilt",
                   json{{"pan", 0.25}, {"tilt", 0.0}, {"panSpeed", 0}, {"tiltSpeed", 0}}, "",
                   [&](Hub::Outcome outcome) { reply.set_value(std::move(outcome)); });
    auto future = reply.get_future();
    ASSERT_EQ(future.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(future.get().status, 200);
    // The target is the state at once; the move shows as moving until it completed.
    EXPECT_EQ(chain.hub->cameraJson("cam1")["state"]["panTilt"]["pan"], 0.25);
}

TEST(HubQueue, LongMoveRefusedAfterItsAcknowledgementIs422) {
    ChainOptions o;
    o.timing.completionDelay = std::chrono::milliseconds(50);
    HubOnChain chain(o);
    ASSERT_TRUE(chain.waitOnline());
    chain.camera->setFault(Camsim::Fault::NotExecutable);
    std::promise<Hub::Outcome> reply;
    chain.hub->run("cam1", "moveHome", nullptr, "",
                   [&](Hub::Outcome outcome) { reply.set_value(std::move(outcome)); });
    auto future = reply.get_future();
    ASSERT_EQ(future.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const Hub::Outcome outcome = future.get();
    EXPECT_EQ(outcome.status, 422);
    EXPECT_EQ(outcome.error, "NOT_EXECUTABLE error ocurred when executing the command !");
}

TEST(HubQueue, WatchedCameraIsPolledAndItsChangesAreEvents) {
    ChainOptions o;
    o.linkTiming.movingPoll = std::chrono::milliseconds(50);
    HubOnChain chain(o);
    ASSERT_TRUE(chain.waitOnline());
    auto watcher = chain.hub->subscribe([](std::shared_ptr<const std::string>) {});
    chain.hub->watch(watcher, {"cam2"});
    // The first sweep reads every setting the status dump reads.
    ASSERT_FALSE(chain.events
                     .waitFor([](const json& e) {
                         return e.value("type", "") == "state" && e.value("camera", "") == "cam2" &&
                                e["changes"].contains("autoPowerOffDelay");
                     })
                     .is_null());
    // A drive makes it move; the polls follow the move until the stop.
    chain.events.clear();
    chain.hub->run("cam2", "moveRight", json{{"panSpeed", 20}}, "", [](Hub::Outcome) {});
    const json moved = chain.events.waitFor([](const json& e) {
        return e.value("type", "") == "state" && e.value("camera", "") == "cam2" &&
               e["changes"].contains("panTilt") && e["changes"]["panTilt"]["pan"] != 0;
    });
    EXPECT_FALSE(moved.is_null());
    chain.hub->run("cam2", "stopMove", nullptr, "", [](Hub::Outcome) {});
    EXPECT_FALSE(chain.events
                     .waitFor([](const json& e) {
                         return e.value("type", "") == "state" && e["changes"].contains("moving") &&
                                e["changes"]["moving"]["panTilt"] == false;
                     })
                     .is_null());
    // A camera nobody watches is not polled.
    chain.hub->unsubscribe(watcher);
    chain.wire.take();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::vector<std::string> late = chain.wire.take();
    // The inquiry on the wire when the watcher left may still be logged.
    EXPECT_LE(late.size(), 1u) << (late.empty() ? "" : late.front());
}

}  // namespace
}  // namespace HubTest
