#pragma once

// The one way tests reach behind the public Controller: its protected getImpl, the seam that a
// derived class is given, so nothing else of the façade is bypassed.

#include <memory>
#include <utility>

#include "driver/ControllerImpl.h"
#include "quorvin/Controller.h"
#include "tests/support/ScriptedComm.h"

namespace TestSupport {

// The implementation behind `controller`, bound first like any operation binds it. A pointer to
// the member, named through a derived class, applies to every Controller, also one that another
// object owns.
inline CameraDriver::ControllerImpl* implementationOf(CameraDriver::Controller& controller) {
    struct Access : CameraDriver::Controller {
        static CameraDriver::ControllerImpl* get(CameraDriver::Controller& of) {
            return (of.*&Access::getImpl)();
        }
    };
    return Access::get(controller);
}

// Gives the implementation behind `controller` a scripted transport, which the implementation
// owns from then on.
inline ScriptedComm& scriptCamera(CameraDriver::Controller& controller,
                                  std::shared_ptr<CommLog> log = std::make_shared<CommLog>()) {
    auto comm = std::make_unique<ScriptedComm>(std::move(log));
    ScriptedComm& camera = *comm;
    implementationOf(controller)->setComm(std::move(comm));
    return camera;
}

}  // namespace TestSupport
