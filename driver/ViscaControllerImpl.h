#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "driver/ControllerImpl.h"
#include "driver/Packet.h"
#include "driver/ViscaCodes.h"
#include "transport/Comm.h"

namespace CameraDriver {

struct Frame;

// The implementation that speaks VISCA: each operation builds one packet (two for the zoom
// position operations) and runs it through executeCommand.
class ViscaControllerImpl : public ControllerImpl {
  public:
    ViscaControllerImpl() = default;

    // Link and cameras
    void connect(const std::string& port) override;
    int getCamerasTotal() override;

    // Device type and pan-tilt
    void getDeviceType(unsigned char* buffer, unsigned long size) override;
    void getPanTilt(double& pan, double& tilt) override;
    void setPanTilt(double pan, double tilt, int panSpeed, int tiltSpeed) override;
    void moveUp(int tiltSpeed) override;
    void moveDown(int tiltSpeed) override;
    void moveLeft(int panSpeed) override;
    void moveRight(int panSpeed) override;
    void moveUpLeft(int tiltSpeed, int panSpeed) override;
    void moveUpRight(int tiltSpeed, int panSpeed) override;
    void moveDownLeft(int tiltSpeed, int panSpeed) override;
    void moveDownRight(int tiltSpeed, int panSpeed) override;
    void moveHome() override;
    void stopMove() override;

    // Zoom
    void zoomTele() override;
    void zoomWide() override;
    void zoomIn(int speed) override;
    void zoomOut(int speed) override;
    void stopZoom() override;
    double getZoom() override;
    void setZoom(double zoom) override;
    bool getDZoomState() override;
    void setDZoomState(bool on) override;

    // Focus
    bool getFocusMode() override;
    void setFocusMode(bool automatic) override;
    void setAutoFocusSensitivity(bool normal) override;
    double getFocus() override;
    void setFocus(double focus) override;
    void focusNear() override;
    void focusFar() override;
    void focusInfinity() override;
    void focusToNear(int speed) override;
    void focusToFar(int speed) override;
    void stopFocusChange() override;
    double getFocusNearLimit() override;
    void setFocusNearLimit(double limit) override;
    void onePushAutoFocus() override;

    // White balance
    Controller::WBMode getWBMode() override;
    void setWBMode(Controller::WBMode mode) override;
    void onePushWBTrigger() override;
    long getRGain() override;
    void setRGain(long gain) override;
    void increaseRGain() override;
    void decreaseRGain() override;
    void resetRGain() override;
    long getBGain() override;
    void setBGain(long gain) override;
    void increaseBGain() override;
    void decreaseBGain() override;
    void resetBGain() override;

    // Exposure
    Controller::AEMode getAEMode() override;
    void setAEMode(Controller::AEMode mode) override;
    bool getSlowShutterMode() override;
    void setSlowShutterMode(bool automatic) override;
    long getShutter() override;
    void setShutter(long shutter) override;
    void upShutter() override;
    void downShutter() override;
    void resetShutter() override;
    long getIris() override;
    void setIris(long iris) override;
    void upIris() override;
    void downIris() override;
    void resetIris() override;
    long getGain() override;
    void setGain(long gain) override;
    void upGain() override;
    void downGain() override;
    void resetGain() override;
    long getBright() override;
    void setBright(long bright) override;
    void upBright() override;
    void downBright() override;
    void resetBright() override;
    bool getExpCompState() override;
    void setExpCompState(bool on) override;
    long getExpComp() override;
    void setExpComp(long expComp) override;
    void upExpComp() override;
    void downExpComp() override;
    void resetExpComp() override;
    bool getBackLightState() override;
    void setBackLightState(bool on) override;

    // Aperture
    long getAperture() override;
    void setAperture(long aperture) override;
    void upAperture() override;
    void downAperture() override;
    void resetAperture() override;

    // Preset memories
    void memorySet(int preset) override;
    void memoryRecall(int preset) override;
    void memoryReset(int preset) override;

    // Picture
    void setWideMode(Controller::WideMode mode) override;
    void setLrReverseState(bool reversed) override;
    void setFreezeState(bool frozen) override;
    void setPictureEffectMode(Controller::PictureEffectMode mode) override;
    void setDigitalEffectMode(Controller::DigitalEffectMode mode) override;
    void setDigitalEffectLevel(int level) override;

    // System and power
    void setDataScreenState(bool on) override;
    void setIrReceiveState(bool on) override;
    void setIrReceiveReturnState(bool on) override;
    bool getPowerState() override;
    void setPowerState(bool on) override;
    long getAutoPowerOffDelay() override;
    void setAutoPowerOffDelay(long delay) override;

    // Addresses the command to the current camera (in place, in bytes[0]), writes `length`
    // bytes, reads and checks the reply, and returns the data it carries. Bytes that are not
    // one whole frame (1 to 16 bytes whose only 0xFF is the last) are refused with nothing sent.
    // Frames that are not this command's reply are set aside (logged, and shown to the
    // observer) while the wait for it goes on.
    Packet executeCommand(std::uint8_t* bytes, int length, int kind);
    // How long an exchange waits, and for what.
    struct ExchangeOptions {
        // The wait for the reply, and for the completion after the acknowledgement.
        std::chrono::milliseconds timeout = Comm::TRANSFER_TIMEOUT;
        // A command ends at its acknowledgement: its completion, when it comes, is a frame of
        // no exchange (set aside, and shown to the observer).
        bool untilAcknowledged = false;
    };
    // executeCommand, waiting as `options` say.
    Packet exchange(std::uint8_t* bytes, int length, int kind, const ExchangeOptions& options);
    // How the operations' own exchanges wait (executeCommand's), the library's defaults unless
    // a program built with the engine asks otherwise: a server that must go on with other
    // cameras while one recalls a preset ends such a command at its acknowledgement.
    void setOperationOptions(const ExchangeOptions& options) { operationOptions = options; }

    // How the last exchange went beyond its result: the frames of its reply as they came (up
    // to 16 bytes, also when they were refused), the socket its acknowledgement named, and
    // whether it ended because the reply (or the completion) did not come in time.
    struct ExchangeReport {
        std::vector<std::uint8_t> reply;
        std::optional<int> acknowledgedSocket;
        bool timedOut = false;
    };
    const ExchangeReport& lastExchange() const { return report; }

    // Shown each frame set aside (a completion that came late, a network-change notice...);
    // called on the exchange's thread, before the exchange goes on.
    using FrameObserver = std::function<void(const std::uint8_t* bytes, int length)>;
    void observeSetAside(FrameObserver watcher) { observer = std::move(watcher); }
    // Reads the frames that arrive with no exchange in progress until `deadline`, setting each
    // aside; returns how many came. With `maxFrames` above 0 it returns as soon as that many
    // have come, so that a caller waiting for one completion is not held to the deadline.
    int listen(Comm::Clock::time_point deadline, int maxFrames = 0);
    // Numbers the cameras on the chain; result byte 0 is the number of cameras + 1.
    Packet addressSet();
    // Clears the command buffers of every camera on the chain.
    void ifClear();

    // Conversions between caller units and camera counts, and the nibble coding of values.
    static int panToCounts(double x);
    static int tiltToCounts(double x);
    static double countsToPan(int counts);
    static double countsToTilt(int counts);
    int zoomToCounts(double x);
    double countsToZoom(int counts);
    // Whether digital zoom is on; a camera that refuses the inquiry as unknown has none.
    bool digitalZoomInUse();
    static int focusToCounts(double x);
    static double countsToFocus(int counts);
    static void packNibbles(std::uint8_t* dest, int value);
    static int unpackNibbles(const std::uint8_t* src);

  private:
    void setAside(const Frame& frame, const char* why);

    ExchangeReport report;
    FrameObserver observer;
    ExchangeOptions operationOptions;

    // The building blocks of the operations, beside executeCommand in CommandExecution.cpp.
    // 8x 01 <register> <arguments> FF, a camera command whose reply carries no data.
    void command(Visca::Register target, std::initializer_list<std::uint8_t> arguments);
    // 8x 01 <register> 0p 0q 0r 0s FF, with the low 16 bits of `value` nibble-coded.
    void valueCommand(Visca::Register target, long value);
    // The inquiry 8x 09 <register> FF; returns the reply's data.
    Packet inquiry(Visca::Register target);
    // Result byte 0 is ON: true; anything else: false.
    bool flagInquiry(Visca::Register target);
    // ON: true, OFF: false, anything else: DriverException with `message`.
    bool strictFlagInquiry(Visca::Register target, const char* message);
    // The nibble-coded value in result bytes 0-3, 0 to 65535.
    long valueInquiry(Visca::Register target);
};

}  // namespace CameraDriver
