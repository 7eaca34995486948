// Which kind of failure each text of the library names. The engine reports every failure as one
// exception type with a text; a C caller branches on the status, so the texts are sorted here into
// the kinds that call for different handling (fix the call, ask the camera otherwise, try again,
// check the cable). The texts are the library's own and fixed, listed in quorvin/Controller.h.

#include <cstring>
#include <new>
#include <string>

#include "capi/Call.h"
#include "quorvin/DriverException.h"

namespace QuorvinC {

const char* const NULL_ARGUMENT = "An argument is a null pointer !";

namespace {

struct Kind {
    const char* text;  // the text starts with this, or holds it after "Network camera HOST: "
    quorvin_status status;
};

const Kind KINDS[] = {
    {"Command is malformed !", QUORVIN_ERROR_ARGUMENT},
    {"Line speed ", QUORVIN_ERROR_ARGUMENT},
    {"not a valid network camera name", QUORVIN_ERROR_ARGUMENT},
    {"SYNTAX_ERROR ", QUORVIN_ERROR_CAMERA},
    {"BUFFER_FULL ", QUORVIN_ERROR_CAMERA},
    {"NOT_EXECUTABLE ", QUORVIN_ERROR_CAMERA},
    {"Executing the command failed !", QUORVIN_ERROR_CAMERA},
    {"CAM_FocusModeInq's response error !", QUORVIN_ERROR_CAMERA},
    {"CAM_PowerInq's result error !", QUORVIN_ERROR_CAMERA},
    {"Address_Set command executing failed !", QUORVIN_ERROR_CAMERA},
    {"IF_CLEAR_BROADCAST command executing failed !", QUORVIN_ERROR_CAMERA},
    {"No camera connected !", QUORVIN_ERROR_CAMERA},
    {"Write data to serial COM timeout ", QUORVIN_ERROR_TIMEOUT},
    {"Receive data from serial COM timeout ", QUORVIN_ERROR_TIMEOUT},
    {"no reply", QUORVIN_ERROR_TIMEOUT},
    {"Creating the camera controller failed !", QUORVIN_ERROR_MEMORY},
};

const char NETWORK[] = "Network camera ";

}  // namespace

quorvin_status statusOf(const std::string& text) {
    std::string what = text;
    // A network camera's failures name the camera first; what follows the name says the kind.
    if (what.compare(0, sizeof NETWORK - 1, NETWORK) == 0) {
        const std::size_t colon = what.find(": ");
        if (colon != std::string::npos) {
            what.erase(0, colon + 2);
        }
    }
    for (const Kind& kind : KINDS) {
        if (what.compare(0, std::strlen(kind.text), kind.text) == 0) {
            return kind.status;
        }
    }
    // The port will not open or close, the line or the network failed, a command went out
    // short, stale input would not stop: the link.
    return QUORVIN_ERROR_LINK;
}

quorvin_status describeCurrent(std::string& text) noexcept {
    try {
        try {
            throw;
        } catch (const CameraDriver::DriverException& failure) {
            text = failure.what();
            return statusOf(text);
        } catch (const std::bad_alloc&) {
            text = "Out of memory !";
            return QUORVIN_ERROR_MEMORY;
        } catch (const std::exception& failure) {
            text = failure.what();
            return QUORVIN_ERROR_LINK;
        } catch (...) {
            text = "Unknown failure !";
            return QUORVIN_ERROR_LINK;
        }
    } catch (...) {
        // The text itself could not be kept: memory ran out.
        text.clear();
        return QUORVIN_ERROR_MEMORY;
    }
}

quorvin_status record(quorvin_camera& camera, quorvin_status status, const char* text) noexcept {
    camera.lastStatus = status;
    try {
        camera.lastError = text;
    } catch (...) {
        camera.lastError.clear();
    }
    return status;
}

quorvin_status recordCurrent(quorvin_camera& camera) noexcept {
    camera.lastStatus = describeCurrent(camera.lastError);
    return camera.lastStatus;
}

bool copyText(const std::string& text, char* buffer, std::size_t size) noexcept {
    if (buffer == nullptr || size == 0) {
        return text.empty();
    }
    const std::size_t length = text.size() < size ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return length == text.size();
}

}  // namespace QuorvinC
