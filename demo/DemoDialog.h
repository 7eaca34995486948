#pragma once

// The Demo dialog's behaviour, free of any toolkit: it owns the camera link and reacts to the
// dialog's events, reading and changing the screen only through a DialogView.

#include <cstddef>
#include <string>

#include "demo/DialogView.h"
#include "quorvin/Controller.h"

namespace Demo {

class DemoDialog {
  public:
    // The buttons whose press starts a motion and whose release stops it.
    static constexpr int HOLD_BUTTONS[] = {IdLeft, IdRight, IdUp, IdDown, IdIn, IdOut};
    // The controls that need a powered camera on a connected link.
    static constexpr int CAMERA_CONTROLS[] = {IdAutoFocus, IdDigitalZoom, IdIn,   IdOut,  IdHome,
                                              IdUp,        IdDown,        IdLeft, IdRight};

    // `portLimit` is the most characters a port name may have on the view's platform. No call
    // reaches the view or the library until OnInitDialog.
    DemoDialog(DialogView& view, std::size_t portLimit);
    DemoDialog(const DemoDialog&) = delete;
    DemoDialog& operator=(const DemoDialog&) = delete;
    // Closes an open link silently; the camera's power is left as it is.
    ~DemoDialog() = default;

    // Fills the controls, sets the speed ranges and the enabled states, and names the log file.
    // Returns true: the view gives the focus to its first control.
    bool OnInitDialog();
    // Relabels the Connect button and enables the controls that the state allows.
    void UpdateControls();
    // save = true copies the controls into the values (port, Power On, zoom, tilt, pan speed)
    // and stops at the first value it refuses (a port name over the limit, a speed that is not
    // an integer); the values after it keep their old contents. save = false fills the controls.
    // Returns false when a value was refused.
    bool UpdateData(bool save);

    // A click on the control `id`, from the mouse or the keyboard (a check box has already
    // toggled itself): runs that control's handler. The hold buttons' clicks, Exit's (which the
    // view ends the dialog on) and unknown identifiers start nothing.
    void OnClicked(int id);
    void OnConnect();
    void OnPowerOn();
    void OnAutoFocus();
    void OnDigitalZoom();
    void OnHome();
    void OnHoldButtonDown(int id);
    void OnHoldButtonUp(int id);

    bool isConnected() const { return connected; }

  protected:
    // The camera link; a derived class may give it a transport of its own before connecting.
    CameraDriver::Controller& camera() { return controller; }

  private:
    void showException(const CameraDriver::DriverException& failure);
    // Sends a check box's new state to the camera; puts the box back when the camera refuses.
    void applyCheckBox(int id, void (CameraDriver::Controller::*set)(bool));

    DialogView& view;
    const std::size_t portLimit;

    std::string port = "COM1";
    bool powerOn = false;
    int zoomSpeed = 4;
    int tiltSpeed = 10;
    int panSpeed = 12;
    bool connected = false;
    CameraDriver::Controller controller;
};

}  // namespace Demo
