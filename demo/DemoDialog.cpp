#include "demo/DemoDialog.h"

#include <charconv>
#include <system_error>

namespace Demo {

namespace {

const char* const CONNECT_TEXT = "&Connect";
const char* const DISCONNECT_TEXT = "Disco&nnect";
const char* const EXCEPTION_CAPTION = "Exception";
const char* const LOG_FILE_NAME = "./vantle.log";

struct SpeedRange {
    int spinId;
    int lowest;
    int highest;
};
const SpeedRange SPEED_RANGES[] = {{IdZoomSpin, 0, 7}, {IdPanSpin, 1, 24}, {IdTiltSpin, 1, 20}};

// The wait cursor must not outlive the handler, also when a library call throws past it.
class WaitCursor {
  public:
    explicit WaitCursor(DialogView& screen) : view(screen) { view.beginWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { view.endWaitCursor(); }

  private:
    DialogView& view;
};

bool parseInteger(const std::string& text, int* value) {
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, *value);
    return error == std::errc() && stop == end && !text.empty();
}

// Closing the link is best effort: whatever went wrong, the dialog ends up Disconnected.
void disconnectQuietly(CameraDriver::Controller& controller) noexcept {
    try {
        controller.disconnect();
    } catch (...) {
    }
}

}  // namespace

DemoDialog::DemoDialog(DialogView& screen, std::size_t maxPortChars)
    : view(screen), portLimit(maxPortChars) {}

bool DemoDialog::OnInitDialog() {
    UpdateData(false);
    for (const SpeedRange& range : SPEED_RANGES) {
        view.setRange(range.spinId, range.lowest, range.highest);
    }
    UpdateControls();
    // From here on the library's own trace of every exchange lands beside the program.
    setLogFile(LOG_FILE_NAME);
    setDebugEnabled(true);
    return true;
}

void DemoDialog::UpdateControls() {
    UpdateData(true);
    view.setText(IdConnect, connected ? DISCONNECT_TEXT : CONNECT_TEXT);
    view.setEnabled(IdPort, !connected);
    view.setEnabled(IdPowerOn, connected);
    const bool cameraReady = connected && powerOn;
    for (int id : CAMERA_CONTROLS) {
        view.setEnabled(id, cameraReady);
    }
}

bool DemoDialog::UpdateData(bool save) {
    struct Speed {
        int editId;
        int* value;
    };
    const Speed speeds[] = {
        {IdZoomSpeed, &zoomSpeed}, {IdTiltSpeed, &tiltSpeed}, {IdPanSpeed, &panSpeed}};
    if (!save) {
        view.setTextLimit(IdPort, portLimit);
        view.setText(IdPort, port);
        view.setChecked(IdPowerOn, powerOn);
        for (const Speed& speed : speeds) {
            view.setText(speed.editId, std::to_string(*speed.value));
        }
        return true;
    }
    // The name is kept even when it is too long; the handlers go on with whatever was stored.
    port = view.text(IdPort);
    if (port.size() > portLimit) {
        return false;
    }
    powerOn = view.isChecked(IdPowerOn);
    for (const Speed& speed : speeds) {
        if (!parseInteger(view.text(speed.editId), speed.value)) {
            return false;
        }
    }
    return true;
}

void DemoDialog::OnClicked(int id) {
    switch (id) {
        case IdConnect:
            OnConnect();
            break;
        case IdPowerOn:
            OnPowerOn();
            break;
        case IdAutoFocus:
            OnAutoFocus();
            break;
        case IdDigitalZoom:
            OnDigitalZoom();
            break;
        case IdHome:
            OnHome();
            break;
        default:
            break;
    }
}

void DemoDialog::OnConnect() {
    view.setEnabled(IdConnect, false);
    WaitCursor wait(view);
    if (connected) {
        disconnectQuietly(controller);
        connected = false;
    } else {
        UpdateData(true);
        try {
            controller.connect(port);
            controller.setPowerState(true);
            view.setChecked(IdPowerOn, true);
            view.setChecked(IdAutoFocus, controller.getFocusMode());
            view.setChecked(IdDigitalZoom, controller.getDZoomState());
            connected = true;
        } catch (const CameraDriver::DriverException& failure) {
            // Check marks set by the steps that succeeded stay; UpdateControls disables them.
            disconnectQuietly(controller);
            showException(failure);
        }
    }
    view.setEnabled(IdConnect, true);
    UpdateControls();
}

void DemoDialog::OnPowerOn() {
    UpdateData(true);
    try {
        controller.setPowerState(powerOn);
    } catch (const CameraDriver::DriverException& failure) {
        view.setChecked(IdPowerOn, !powerOn);
        showException(failure);
    }
    // Reads the box again, so the camera controls follow whatever it shows now.
    UpdateControls();
}

void DemoDialog::OnAutoFocus() {
    applyCheckBox(IdAutoFocus, &CameraDriver::Controller::setFocusMode);
}

void DemoDialog::OnDigitalZoom() {
    applyCheckBox(IdDigitalZoom, &CameraDriver::Controller::setDZoomState);
}

void DemoDialog::applyCheckBox(int id, void (CameraDriver::Controller::*set)(bool)) {
    const bool checked = view.isChecked(id);
    try {
        (controller.*set)(checked);
    } catch (const CameraDriver::DriverException& failure) {
        view.setChecked(id, !checked);
        showException(failure);
    }
}

void DemoDialog::OnHome() {
    try {
        controller.moveHome();
    } catch (const CameraDriver::DriverException& failure) {
        showException(failure);
    }
}

void DemoDialog::OnHoldButtonDown(int id) {
    UpdateData(true);
    // A press that fails says nothing: the user is still holding the button, and the release
    // that follows reports whatever is wrong with the link.
    try {
        switch (id) {
            case IdLeft:
                controller.moveLeft(panSpeed);
                break;
            case IdRight:
                controller.moveRight(panSpeed);
                break;
            case IdUp:
                controller.moveUp(tiltSpeed);
                break;
            case IdDown:
                controller.moveDown(tiltSpeed);
                break;
            case IdIn:
                controller.zoomIn(zoomSpeed);
                break;
            case IdOut:
                controller.zoomOut(zoomSpeed);
                break;
            default:
                break;
        }
    } catch (...) {
    }
}

void DemoDialog::OnHoldButtonUp(int id) {
    try {
        switch (id) {
            case IdLeft:
            case IdRight:
            case IdUp:
            case IdDown:
                controller.stopMove();
                break;
            case IdIn:
            case IdOut:
                controller.stopZoom();
                break;
            default:
                break;
        }
    } catch (const CameraDriver::DriverException& failure) {
        showException(failure);
    }
}

void DemoDialog::showException(const CameraDriver::DriverException& failure) {
    view.messageBox(failure.what(), EXCEPTION_CAPTION);
}

}  // namespace Demo
