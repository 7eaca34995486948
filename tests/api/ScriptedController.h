#pragma once

#include <memory>
#include <utility>

#include "driver/ControllerImpl.h"
#include "quorvin/Controller.h"
#include "tests/support/ScriptedComm.h"

namespace CameraDriver::testing {

// The public Controller, with a way to put a scripted camera behind it: the protected getImpl
// is the seam that a derived class is given, so nothing else of the façade is bypassed.
class ScriptedController : public Controller {
  public:
    ScriptedController() = default;
    ScriptedController(const ScriptedController&) = default;
    ScriptedController& operator=(const ScriptedController&) = default;
    ~ScriptedController() override = default;

    // Binds the controller if it is not bound yet and gives its implementation a scripted
    // transport, which the implementation owns from then on.
    ScriptedComm& script(std::shared_ptr<CommLog> log = std::make_shared<CommLog>()) {
        auto comm = std::make_unique<ScriptedComm>(std::move(log));
        ScriptedComm& camera = *comm;
        getImpl()->setComm(std::move(comm));
        return camera;
    }

    // The implementation this controller refers to (binding it first, like any operation).
    ControllerImpl* implementation() { return getImpl(); }
};

}  // namespace CameraDriver::testing
