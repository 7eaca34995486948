#pragma once

// How every function of the C interface runs: it checks its pointers, calls the engine, and turns
// whatever the engine throws into a status and a text kept in the handle, so that no exception
// ever reaches a C caller's frames (which would end the program, or worse on a compiler whose
// unwinding does not know ours).

#include <exception>
#include <string>

#include "driver/Engine.h"
#include "quorvin/quorvin.h"

// The handle behind the C interface's opaque pointer; its name is the C interface's.
struct quorvin_camera {
    CameraDriver::Engine engine;
    std::string lastError;
    quorvin_status lastStatus = QUORVIN_OK;
};

namespace QuorvinC {

// The text of a call that the C interface refuses before the engine is asked.
extern const char* const NULL_ARGUMENT;

// The kind of failure that a text of the library names (the texts of quorvin/Controller.h).
quorvin_status statusOf(const std::string& text);

// The status and the text of the exception being handled; call only inside a catch block.
quorvin_status describeCurrent(std::string& text) noexcept;

// Records the outcome of a call in the handle and returns its status.
quorvin_status record(quorvin_camera& camera, quorvin_status status, const char* text) noexcept;
quorvin_status recordCurrent(quorvin_camera& camera) noexcept;

// Copies `text` into the caller's buffer, cut to fit and always ending with its NUL; false when
// it was cut.
bool copyText(const std::string& text, char* buffer, std::size_t size) noexcept;

// Runs `call` with the handle's Controller once every pointer given is set; a null one is
// refused with nothing sent.
template <typename Call, typename... Pointers>
quorvin_status run(quorvin_camera* camera, Call&& call, const Pointers*... pointers) noexcept {
    if (camera == nullptr) {
        return QUORVIN_ERROR_ARGUMENT;
    }
    if ((... || !pointers)) {
        return record(*camera, QUORVIN_ERROR_ARGUMENT, NULL_ARGUMENT);
    }
    try {
        call(camera->engine.controller());
    } catch (...) {
        return recordCurrent(*camera);
    }
    return record(*camera, QUORVIN_OK, "");
}

// As run, for an operation whose result goes to `*out`: the C type takes the C++ value as it is
// (an enumeration its value, a flag 0 or 1).
template <typename Out, typename Call, typename... Pointers>
quorvin_status answer(quorvin_camera* camera, Out* out, Call&& call,
                      const Pointers*... pointers) noexcept {
    return run(
        camera,
        [&](CameraDriver::Controller& controller) {
            // Written only once the call has succeeded, so a failure leaves it as it was.
            const auto value = call(controller);
            *out = static_cast<Out>(value);
        },
        out, pointers...);
}

// A text argument for the Controller, once run has checked that it is set.
inline std::string text(const char* value) { return value; }

}  // namespace QuorvinC
