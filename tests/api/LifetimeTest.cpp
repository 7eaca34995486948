// Lifetime of the implementation behind Controller: created on first use, shared by copies,
// disconnected and destroyed once by the last Controller that refers to it. Run under the
// address sanitizer these also catch a Controller left referring to a destroyed one.
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "tests/support/ControllerAccess.h"
#include "tests/support/Hex.h"
#include "tests/support/LogSandbox.h"

namespace ApiTest {
namespace {

using namespace CameraDriver;
using namespace TestSupport;

const char* const DONE = "90 41 FF 90 51 FF";

// A bound controller over a scripted camera whose record outlives it.
struct Bound {
    std::shared_ptr<CommLog> log = std::make_shared<CommLog>();
    std::optional<Controller> controller;
    ScriptedComm* camera = nullptr;

    Bound() {
        controller.emplace();
        camera = &scriptCamera(*controller, log);
    }
};

TEST(ControllerLifetime, FreshControllerIsOnCameraOneWithoutTraffic) {
    Bound bound;
    EXPECT_EQ(bound.controller->getCurCamera(), 1);
    bound.controller->setCurCamera(4);
    EXPECT_EQ(bound.controller->getCurCamera(), 4);
    EXPECT_TRUE(bound.log->sent.empty());
    EXPECT_TRUE(bound.log->recvs.empty());
    EXPECT_TRUE(bound.log->ports.empty());
    EXPECT_EQ(bound.log->disconnects, 0);
}

TEST(ControllerLifetime, ConstructedAndDestroyedWithoutACallLeavesNoTrace) {
    LogSandbox sandbox;
    setDebugEnabled(true);
    setLogEnabled(true);
    { Controller unused; }
    // No implementation was made for it, so no transport was opened or closed and nothing
    // was written to the log.
    EXPECT_EQ(readFile("CameraDriver.log"), "");
}

TEST(ControllerLifetime, CopiesShareOneImplementation) {
    Bound source;
    Controller constructed(*source.controller);
    constructed.setCurCamera(2);
    EXPECT_EQ(source.controller->getCurCamera(), 2);

    Controller assigned;
    assigned = *source.controller;
    assigned.setCurCamera(5);
    EXPECT_EQ(source.controller->getCurCamera(), 5);
    EXPECT_EQ(constructed.getCurCamera(), 5);

    // A command through a copy goes over the source's link.
    source.camera->reply(hex("D0 41 FF D0 51 FF"));
    assigned.moveHome();
    ASSERT_EQ(source.log->sent.size(), 1u);
    EXPECT_EQ(toHex(source.log->sent[0]), "85 01 06 04 FF");
}

TEST(ControllerLifetime, CopyingAnUnboundControllerBindsNeither) {
    Controller unbound;
    Controller constructed(unbound);
    Controller assigned;
    assigned = unbound;
    // Had the copy bound them, all three would now share one implementation.
    ControllerImpl* first = implementationOf(unbound);
    EXPECT_NE(implementationOf(constructed), first);
    EXPECT_NE(implementationOf(assigned), first);
    EXPECT_NE(implementationOf(assigned), implementationOf(constructed));
    unbound.setCurCamera(3);
    EXPECT_EQ(constructed.getCurCamera(), 1);
    EXPECT_EQ(assigned.getCurCamera(), 1);
}

TEST(ControllerLifetime, LastSharerDisconnectsAndDestroysOnce) {
    Bound bound;
    auto copy = std::make_unique<Controller>(*bound.controller);
    auto another = std::make_unique<Controller>(*copy);

    bound.controller.reset();
    another.reset();
    EXPECT_EQ(bound.log->disconnects, 0);
    EXPECT_EQ(bound.log->destroyed, 0);

    copy->setCurCamera(2);  // still alive and usable through the last sharer
    EXPECT_EQ(copy->getCurCamera(), 2);
    copy.reset();
    EXPECT_EQ(bound.log->disconnects, 1);
    EXPECT_EQ(bound.log->destroyed, 1);
}

TEST(ControllerLifetime, AssignmentReleasesWhatTheTargetHeld) {
    Bound kept;
    Bound replaced;
    *replaced.controller = *kept.controller;
    EXPECT_EQ(replaced.log->disconnects, 1);
    EXPECT_EQ(replaced.log->destroyed, 1);
    EXPECT_EQ(kept.log->disconnects, 0);
    EXPECT_EQ(kept.log->destroyed, 0);

    // The target now drives the source's camera.
    kept.camera->reply(hex(DONE));
    replaced.controller->stopMove();
    EXPECT_EQ(kept.log->sent.size(), 1u);
    EXPECT_TRUE(replaced.log->sent.empty());

    replaced.controller.reset();
    EXPECT_EQ(kept.log->destroyed, 0);
    kept.controller.reset();
    EXPECT_EQ(kept.log->disconnects, 1);
    EXPECT_EQ(kept.log->destroyed, 1);
}

TEST(ControllerLifetime, AssignmentKeepsWhatAnotherControllerStillShares) {
    Bound source;
    Bound target;
    Controller sharer(*target.controller);
    *target.controller = *source.controller;
    EXPECT_EQ(target.log->disconnects, 0);
    EXPECT_EQ(target.log->destroyed, 0);

    target.camera->reply(hex(DONE));
    sharer.zoomTele();
    EXPECT_EQ(target.log->sent.size(), 1u);
}

TEST(ControllerLifetime, AssigningAnUnboundControllerReleasesTheTargetsImplementation) {
    Bound bound;
    bound.controller->setCurCamera(6);
    const Controller unbound;
    *bound.controller = unbound;
    EXPECT_EQ(bound.log->disconnects, 1);
    EXPECT_EQ(bound.log->destroyed, 1);
    // Unbound again: the next operation creates a fresh implementation.
    EXPECT_EQ(bound.controller->getCurCamera(), 1);
}

TEST(ControllerLifetime, SelfAssignmentKeepsTheImplementation) {
    Bound bound;
    bound.controller->setCurCamera(3);
    Controller& alias = *bound.controller;
    *bound.controller = alias;
    EXPECT_EQ(bound.log->disconnects, 0);
    EXPECT_EQ(bound.log->destroyed, 0);
    EXPECT_EQ(bound.controller->getCurCamera(), 3);

    // Assignment between two sharers of one implementation keeps it too.
    Controller sharer(*bound.controller);
    sharer = *bound.controller;
    EXPECT_EQ(bound.log->destroyed, 0);

    bound.camera->reply(hex("B0 41 FF B0 51 FF"));
    bound.controller->moveHome();
    EXPECT_EQ(bound.log->sent.size(), 1u);
}

TEST(ControllerLifetime, DestructorSwallowsAFailingDisconnect) {
    Bound bound;
    bound.camera->failDisconnect("closing the port failed");
    bound.controller.reset();  // a throw out of the destructor would end the test program
    EXPECT_EQ(bound.log->disconnects, 1);
    EXPECT_EQ(bound.log->destroyed, 1);
}

TEST(ControllerLifetime, DestroyingAConnectedControllerClosesItsLink) {
    Bound bound;
    bound.camera->reply(hex("88 30 02 FF")).reply(hex("88 01 00 01 FF"));
    bound.controller->connect("COM2");
    ASSERT_EQ(bound.log->ports.size(), 1u);
    bound.controller.reset();
    EXPECT_EQ(bound.log->disconnects, 1);
    EXPECT_EQ(bound.log->destroyed, 1);
}

TEST(ControllerLifetime, AfterAnOperationThrowsTheNextGoesToTheSameImplementation) {
    Bound bound;
    bound.controller->setCurCamera(2);
    ControllerImpl* before = implementationOf(*bound.controller);
    bound.camera->reply(hex("A0 60 02 FF")).reply(hex("A0 41 FF A0 51 FF"));

    EXPECT_THROW(bound.controller->moveUp(4), DriverException);
    EXPECT_EQ(implementationOf(*bound.controller), before);
    EXPECT_EQ(bound.controller->getCurCamera(), 2);
    bound.controller->stopMove();

    ASSERT_EQ(bound.log->sent.size(), 2u);
    EXPECT_EQ(toHex(bound.log->sent[1]), "82 01 06 01 18 14 03 03 FF");
    EXPECT_EQ(bound.log->destroyed, 0);
}

}  // namespace
}  // namespace ApiTest
