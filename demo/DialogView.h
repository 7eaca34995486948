#pragma once

// What the Demo dialog's behaviour needs of a screen. Each toolkit's view maps these calls onto
// its widgets; the behaviour never sees a toolkit type. Controls are named by the identifiers of
// the dialog template (demo/resource.h), so that every view keeps the same grouping and numbering.

#include <cstddef>
#include <string>

#include "demo/resource.h"

namespace Demo {

// Exit carries the platform's cancel command, IDCANCEL.
enum ControlId : int {
    IdExit = 2,
    IdPort = IDC_PORT,
    // The six hold buttons; press and release select by these identifiers.
    IdLeft = IDC_LEFT,
    IdRight = IDC_RIGHT,
    IdUp = IDC_UP,
    IdDown = IDC_DOWN,
    IdIn = IDC_IN,
    IdOut = IDC_OUT,
    IdPowerOn = IDC_POWER_ON,
    IdAutoFocus = IDC_AUTO_FOCUS,
    IdDigitalZoom = IDC_DIGITAL_ZOOM,
    IdConnect = IDC_CONNECT,
    IdHome = IDC_HOME,
    // Each speed edit shows an integer that only its up-down control changes.
    IdZoomSpeed = IDC_ZOOM_SPEED,
    IdZoomSpin = IDC_ZOOM_SPIN,
    IdPanSpeed = IDC_PAN_SPEED,
    IdPanSpin = IDC_PAN_SPIN,
    IdTiltSpeed = IDC_TILT_SPEED,
    IdTiltSpin = IDC_TILT_SPIN,
};

class DialogView {
  public:
    virtual ~DialogView() = default;

    // Text of an edit, of the port combo box's field, or of a button (mnemonic '&' kept).
    virtual std::string text(int id) const = 0;
    virtual void setText(int id, const std::string& text) = 0;
    // The most characters the user can enter into a text field.
    virtual void setTextLimit(int id, std::size_t maxChars) = 0;

    virtual bool isChecked(int id) const = 0;
    virtual void setChecked(int id, bool checked) = 0;
    virtual void setEnabled(int id, bool enabled) = 0;

    // Range of an up-down control; it steps the speed edit it is attached to.
    virtual void setRange(int id, int lowest, int highest) = 0;

    // A modal box owned by the dialog with an information icon and one OK button; returns once
    // the user dismissed it.
    virtual void messageBox(const std::string& text, const std::string& caption) = 0;

    // Calls nest: the wait cursor shows from the first begin to the matching last end.
    virtual void beginWaitCursor() = 0;
    virtual void endWaitCursor() = 0;
};

}  // namespace Demo
