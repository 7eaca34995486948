#pragma once

// Quorvin: control of VISCA pan/tilt/zoom cameras over a serial line or the network.
//
//   CameraDriver::Controller camera;
//   camera.connect("COM1");        // or a device path such as "/dev/ttyUSB0",
//                                  // "tcp://HOST:PORT" or "udp://HOST[:PORT]"
//   camera.moveUp(10);
//   camera.stopMove();
//
// Every operation blocks until the camera's reply is in (or a 6 s transfer time-out passed)
// and reports every failure as CameraDriver::DriverException.
//
// Threads: separate Controllers may be used on separate threads at the same time (the
// process-wide log, the one thing they share, takes a lock). One Controller and its copies
// must be used from one thread at a time: copies share a count that is not atomic.

#include <string>

#include "quorvin/DriverException.h"
#include "quorvin/Export.h"
#include "quorvin/Log.h"

namespace CameraDriver {

class ControllerImpl;

class QUORVIN_API Controller {
  public:
    enum WBMode : int {
        WBAuto = 0x00,
        WBIndoor = 0x01,
        WBOutdoor = 0x02,
        WBOnePush = 0x03,
        WBAutoTracing = 0x04,
        WBManual = 0x05,
    };
    enum AEMode : int {
        AEFullAuto = 0x00,
        AEManual = 0x03,
        AEShutterPriority = 0x0A,
        AEIrisPriority = 0x0B,
        AEBright = 0x0D,
    };
    enum WideMode : int {
        WideOff = 0x00,
        WideCinema = 0x01,
        WideFull = 0x02,
    };
    enum PictureEffectMode : int {
        PictureEffectOff = 0x00,
        PictureEffectPastel = 0x01,
        PictureEffectNegArt = 0x02,
        PictureEffectSepia = 0x03,
        PictureEffectMonochrome = 0x04,
        PictureEffectSolarize = 0x05,
        PictureEffectMosaic = 0x06,
        PictureEffectSlim = 0x07,
        PictureEffectStretch = 0x08,
    };
    enum DigitalEffectMode : int {
        DigitalEffectOff = 0x00,
        DigitalEffectStill = 0x01,
        DigitalEffectFlash = 0x02,
        DigitalEffectLumi = 0x03,
        DigitalEffectTrail = 0x04,
    };

    // No device traffic until the first operation.
    Controller();
    // Copies share one camera link (and one current camera number) with the source.
    Controller(const Controller& other);
    Controller& operator=(const Controller& other);
    // The last Controller that shares a link disconnects it; failures are swallowed.
    virtual ~Controller();

    // Link and cameras
    void connect(const std::string& port);
    void disconnect();
    int getCamerasTotal();
    int getCurCamera();
    void setCurCamera(int camera);

    // Device type and pan-tilt
    void getDeviceType(unsigned char* buffer, unsigned long size);
    void getPanTilt(double& pan, double& tilt);
    void setPanTilt(double pan, double tilt, int panSpeed, int tiltSpeed);
    void moveUp(int tiltSpeed);
    void moveDown(int tiltSpeed);
    void moveLeft(int panSpeed);
    void moveRight(int panSpeed);
    void moveUpLeft(int tiltSpeed, int panSpeed);
    void moveUpRight(int tiltSpeed, int panSpeed);
    void moveDownLeft(int tiltSpeed, int panSpeed);
    void moveDownRight(int tiltSpeed, int panSpeed);
    void moveHome();
    void stopMove();

    // Zoom
    void zoomTele();
    void zoomWide();
    void zoomIn(int speed);
    void zoomOut(int speed);
    void stopZoom();
    double getZoom();
    void setZoom(double zoom);
    bool getDZoomState();
    void setDZoomState(bool on);

    // Focus
    bool getFocusMode();
    void setFocusMode(bool automatic);
    void setAutoFocusSensitivity(bool normal);
    double getFocus();
    void setFocus(double focus);
    void focusNear();
    void focusFar();
    void focusInfinity();
    void focusToNear(int speed);
    void focusToFar(int speed);
    void stopFocusChange();
    double getFocusNearLimit();
    void setFocusNearLimit(double limit);
    void onePushAutoFocus();

    // White balance
    WBMode getWBMode();
    void setWBMode(WBMode mode);
    void onePushWBTrigger();
    long getRGain();
    void setRGain(long gain);
    void increaseRGain();
    void decreaseRGain();
    void resetRGain();
    long getBGain();
    void setBGain(long gain);
    void increaseBGain();
    void decreaseBGain();
    void resetBGain();

    // Exposure
    AEMode getAEMode();
    void setAEMode(AEMode mode);
    bool getSlowShutterMode();
    void setSlowShutterMode(bool automatic);
    long getShutter();
    void setShutter(long shutter);
    void upShutter();
    void downShutter();
    void resetShutter();
    long getIris();
    void setIris(long iris);
    void upIris();
    void downIris();
    void resetIris();
    long getGain();
    void setGain(long gain);
    void upGain();
    void downGain();
    void resetGain();
    long getBright();
    void setBright(long bright);
    void upBright();
    void downBright();
    void resetBright();
    bool getExpCompState();
    void setExpCompState(bool on);
    long getExpComp();
    void setExpComp(long expComp);
    void upExpComp();
    void downExpComp();
    void resetExpComp();
    bool getBackLightState();
    void setBackLightState(bool on);

    // Aperture
    long getAperture();
    void setAperture(long aperture);
    void upAperture();
    void downAperture();
    void resetAperture();

    // Preset memories
    void memorySet(int preset);
    void memoryRecall(int preset);
    void memoryReset(int preset);

    // Picture
    void setWideMode(WideMode mode);
    void setLrReverseState(bool reversed);
    void setFreezeState(bool frozen);
    void setPictureEffectMode(PictureEffectMode mode);
    void setDigitalEffectMode(DigitalEffectMode mode);
    void setDigitalEffectLevel(int level);

    // System and power
    void setDataScreenState(bool on);
    void setIrReceiveState(bool on);
    void setIrReceiveReturnState(bool on);
    bool getPowerState();
    void setPowerState(bool on);
    long getAutoPowerOffDelay();
    void setAutoPowerOffDelay(long delay);

  protected:
    // The implementation, created on first use.
    ControllerImpl* getImpl();

  private:
    ControllerImpl* impl;
};

}  // namespace CameraDriver
