// The handle's life, its failures, the version, the raw exchange and the log switches: the part
// of the C interface that is not one of the camera operations.

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "capi/Call.h"
#include "quorvin/Log.h"
#include "quorvin/quorvin.h"

using QuorvinC::copyText;
using QuorvinC::record;
using QuorvinC::run;

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_open(const char* port, quorvin_camera** camera,
                                                       char* error, size_t error_size) {
    if (camera != nullptr) {
        *camera = nullptr;
    }
    copyText("", error, error_size);
    if (port == nullptr || camera == nullptr) {
        copyText(QuorvinC::NULL_ARGUMENT, error, error_size);
        return QUORVIN_ERROR_ARGUMENT;
    }
    std::string text;
    quorvin_status status = QUORVIN_OK;
    try {
        auto made = std::make_unique<quorvin_camera>();
        made->engine.open(port);
        *camera = made.release();
        return QUORVIN_OK;
    } catch (...) {
        // The handle is gone by now, and with it whatever the failed set-up left open.
        status = QuorvinC::describeCurrent(text);
    }
    copyText(text, error, error_size);
    return status;
}

QUORVIN_C_API void QUORVIN_CALL quorvin_close(quorvin_camera* camera) { delete camera; }

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_last_error(const quorvin_camera* camera,
                                                             char* buffer, size_t size) {
    if (camera == nullptr || buffer == nullptr || size == 0) {
        return QUORVIN_ERROR_ARGUMENT;
    }
    return copyText(camera->lastError, buffer, size) ? QUORVIN_OK : QUORVIN_ERROR_BUFFER_TOO_SMALL;
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_last_status(const quorvin_camera* camera) {
    return camera == nullptr ? QUORVIN_ERROR_ARGUMENT : camera->lastStatus;
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_version(char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) {
        return QUORVIN_ERROR_ARGUMENT;
    }
    return copyText(QUORVIN_C_VERSION, buffer, size) ? QUORVIN_OK : QUORVIN_ERROR_BUFFER_TOO_SMALL;
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_raw(quorvin_camera* camera,
                                                      const unsigned char* command,
                                                      size_t command_size, unsigned char* reply,
                                                      size_t reply_size, size_t* reply_length) {
    if (reply_length != nullptr) {
        *reply_length = 0;
    }
    // A caller that wants only the status may pass no reply buffer, with its size 0.
    const unsigned char* replyBuffer = reply_size == 0 ? command : reply;
    std::vector<std::uint8_t> answer;
    quorvin_status status = run(
        camera,
        [&](CameraDriver::Controller&) { answer = camera->engine.exchange(command, command_size); },
        command, replyBuffer, reply_length);
    if (status == QUORVIN_ERROR_CAMERA) {
        // The camera's own error frame tells more than the text; the exchange ran, so its frames
        // are this command's.
        try {
            answer = camera->engine.lastExchange().reply;
        } catch (...) {
            answer.clear();
        }
    } else if (status != QUORVIN_OK) {
        return status;
    }
    const std::size_t kept = answer.size() < reply_size ? answer.size() : reply_size;
    if (kept > 0) {
        std::memcpy(reply, answer.data(), kept);
    }
    *reply_length = kept;
    if (kept < answer.size()) {
        return record(*camera, QUORVIN_ERROR_BUFFER_TOO_SMALL,
                      "The reply is longer than the buffer given for it !");
    }
    return status;
}

namespace {

// The log switches take no handle; a failure inside them has no handle to be kept in either.
template <typename Switch>
quorvin_status logSwitch(Switch&& change) noexcept {
    try {
        change();
        return QUORVIN_OK;
    } catch (...) {
        std::string ignored;
        return QuorvinC::describeCurrent(ignored);
    }
}

}  // namespace

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_log_file(const char* file_name) {
    if (file_name == nullptr) {
        return QUORVIN_ERROR_ARGUMENT;
    }
    return logSwitch([&] { setLogFile(file_name); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_verbose_enabled(int enabled) {
    return logSwitch([&] { setVerboseEnabled(enabled != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_log_enabled(int enabled) {
    return logSwitch([&] { setLogEnabled(enabled != 0); });
}

QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_debug_enabled(int enabled) {
    return logSwitch([&] { setDebugEnabled(enabled != 0); });
}
