#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "quorvin/Controller.h"

namespace CameraDriver {

class Comm;

// The implementation behind the Controller façade: one virtual slot per camera operation, in
// a fixed order, plus the state every implementation shares (the transport it owns and the
// current camera number).
class ControllerImpl {
  public:
    ControllerImpl();
    ControllerImpl(const ControllerImpl&) = delete;
    ControllerImpl& operator=(const ControllerImpl&) = delete;

    // Destroys the transport without closing its link; the owner disconnects first.
    virtual ~ControllerImpl();

    // Link and cameras
    virtual void connect(const std::string& port);
    virtual void disconnect();
    virtual int getCamerasTotal() = 0;

    // Device type and pan-tilt
    virtual void getDeviceType(unsigned char* buffer, unsigned long size) = 0;
    virtual void getPanTilt(double& pan, double& tilt) = 0;
    virtual void setPanTilt(double pan, double tilt, int panSpeed, int tiltSpeed) = 0;
    virtual void moveUp(int tiltSpeed) = 0;
    virtual void moveDown(int tiltSpeed) = 0;
    virtual void moveLeft(int panSpeed) = 0;
    virtual void moveRight(int panSpeed) = 0;
    virtual void moveUpLeft(int tiltSpeed, int panSpeed) = 0;
    virtual void moveUpRight(int tiltSpeed, int panSpeed) = 0;
    virtual void moveDownLeft(int tiltSpeed, int panSpeed) = 0;
    virtual void moveDownRight(int tiltSpeed, int panSpeed) = 0;
    virtual void moveHome() = 0;
    virtual void stopMove() = 0;

    // Zoom
    virtual void zoomTele() = 0;
    virtual void zoomWide() = 0;
    virtual void zoomIn(int speed) = 0;
    virtual void zoomOut(int speed) = 0;
    virtual void stopZoom() = 0;
    virtual double getZoom() = 0;
    virtual void setZoom(double zoom) = 0;
    virtual bool getDZoomState() = 0;
    virtual void setDZoomState(bool on) = 0;

    // Focus
    virtual bool getFocusMode() = 0;
    virtual void setFocusMode(bool automatic) = 0;
    virtual void setAutoFocusSensitivity(bool normal) = 0;
    virtual double getFocus() = 0;
    virtual void setFocus(double focus) = 0;
    virtual void focusNear() = 0;
    virtual void focusFar() = 0;
    virtual void focusInfinity() = 0;
    virtual void focusToNear(int speed) = 0;
    virtual void focusToFar(int speed) = 0;
    virtual void stopFocusChange() = 0;
    virtual double getFocusNearLimit() = 0;
    virtual void setFocusNearLimit(double limit) = 0;
    virtual void onePushAutoFocus() = 0;

    // White balance
    virtual Controller::WBMode getWBMode() = 0;
    virtual void setWBMode(Controller::WBMode mode) = 0;
    virtual void onePushWBTrigger() = 0;
    virtual long getRGain() = 0;
    virtual void setRGain(long gain) = 0;
    virtual void increaseRGain() = 0;
    virtual void decreaseRGain() = 0;
    virtual void resetRGain() = 0;
    virtual long getBGain() = 0;
    virtual void setBGain(long gain) = 0;
    virtual void increaseBGain() = 0;
    virtual void decreaseBGain() = 0;
    virtual void resetBGain() = 0;

    // Exposure
    virtual Controller::AEMode getAEMode() = 0;
    virtual void setAEMode(Controller::AEMode mode) = 0;
    virtual bool getSlowShutterMode() = 0;
    virtual void setSlowShutterMode(bool automatic) = 0;
    virtual long getShutter() = 0;
    virtual void setShutter(long shutter) = 0;
    virtual void upShutter() = 0;
    virtual void downShutter() = 0;
    virtual void resetShutter() = 0;
    virtual long getIris() = 0;
    virtual void setIris(long iris) = 0;
    virtual void upIris() = 0;
    virtual void downIris() = 0;
    virtual void resetIris() = 0;
    virtual long getGain() = 0;
    virtual void setGain(long gain) = 0;
    virtual void upGain() = 0;
    virtual void downGain() = 0;
    virtual void resetGain() = 0;
    virtual long getBright() = 0;
    virtual void setBright(long bright) = 0;
    virtual void upBright() = 0;
    virtual void downBright() = 0;
    virtual void resetBright() = 0;
    virtual bool getExpCompState() = 0;
    virtual void setExpCompState(bool on) = 0;
    virtual long getExpComp() = 0;
    virtual void setExpComp(long expComp) = 0;
    virtual void upExpComp() = 0;
    virtual void downExpComp() = 0;
    virtual void resetExpComp() = 0;
    virtual bool getBackLightState() = 0;
    virtual void setBackLightState(bool on) = 0;

    // Aperture
    virtual long getAperture() = 0;
    virtual void setAperture(long aperture) = 0;
    virtual void upAperture() = 0;
    virtual void downAperture() = 0;
    virtual void resetAperture() = 0;

    // Preset memories
    virtual void memorySet(int preset) = 0;
    virtual void memoryRecall(int preset) = 0;
    virtual void memoryReset(int preset) = 0;

    // Picture
    virtual void setWideMode(Controller::WideMode mode) = 0;
    virtual void setLrReverseState(bool reversed) = 0;
    virtual void setFreezeState(bool frozen) = 0;
    virtual void setPictureEffectMode(Controller::PictureEffectMode mode) = 0;
    virtual void setDigitalEffectMode(Controller::DigitalEffectMode mode) = 0;
    virtual void setDigitalEffectLevel(int level) = 0;

    // System and power
    virtual void setDataScreenState(bool on) = 0;
    virtual void setIrReceiveState(bool on) = 0;
    virtual void setIrReceiveReturnState(bool on) = 0;
    virtual bool getPowerState() = 0;
    virtual void setPowerState(bool on) = 0;
    virtual long getAutoPowerOffDelay() = 0;
    virtual void setAutoPowerOffDelay(long delay) = 0;

    int getCurCamera() const { return curCamera; }
    // Any number is stored; it applies from the next command on.
    void setCurCamera(int camera) { curCamera = camera; }

    // The transport, created (not connected) on first use.
    Comm* getComm();
    // Whether a transport has been created or given, without creating one.
    bool hasComm() const noexcept { return comm != nullptr; }
    // Replaces the transport, for example by one that does not use a serial port.
    void setComm(std::unique_ptr<Comm> transport);
    void send(const std::uint8_t* bytes, std::uint32_t* count);
    void recv(std::uint8_t* buffer, std::uint32_t* count);

    // Controllers that refer to this implementation; the last one to let go destroys it.
    void retain() { ++sharers; }
    int release() { return --sharers; }

  private:
    std::unique_ptr<Comm> comm;
    int curCamera = 1;
    int sharers = 0;
};

// Creates the VISCA implementation, owned by the caller.
ControllerImpl* createControllerImpl();

}  // namespace CameraDriver
