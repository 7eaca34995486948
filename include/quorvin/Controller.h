#pragma once

/// @file
/// Control of VISCA pan/tilt/zoom cameras over a serial line or the network.
///
/// @code
///   CameraDriver::Controller camera;
///   camera.connect("COM1");        // or a device path such as "/dev/ttyUSB0",
///                                  // "tcp://HOST:PORT" or "udp://HOST[:PORT]"
///   camera.moveUp(10);
///   camera.stopMove();
/// @endcode
///
/// @par How long a call takes
/// Every camera operation sends its command to the current camera and blocks on the caller's
/// thread until the camera's reply is in. A command returns when the camera has acknowledged
/// it and reported it complete; an inquiry returns when its answer is in. Each write to the line
/// and each wait for a reply is limited to 6 s (the completion after an acknowledgement gets 6 s
/// of its own), so a camera that does not answer makes the call fail after 6 s with "Receive
/// data from serial COM timeout in WinSerialCommAdaptor::recv() !". The library starts no thread
/// and never retries.
///
/// @par What counts as the reply
/// Only a frame that proves itself the answer to the command in progress is taken: the
/// acknowledgement and the completion in the same socket, or an inquiry's answer with the data
/// length that inquiry returns. What else a camera sends (the late completion of an earlier
/// command, a network-change notice, an infrared remote's key, another camera's reply) is set
/// aside, one debug line each, while the wait goes on to the same limit. A pause in the middle of
/// a reply ends it only after 200 ms on a serial line, never on a network link.
///
/// @par Calls that send nothing
/// Construction, copying, getCurCamera() and setCurCamera() never reach a camera, nor does
/// disconnect() on a Controller that never opened a port. Every other operation is at least one
/// exchange with the current camera (getZoom() and setZoom() two, connect() two with the whole
/// chain).
///
/// @par Failures
/// Every failure is reported as CameraDriver::DriverException; its what() is one of these texts:
/// - "WinSerialCommAdaptor::connect() failed !": the port cannot be opened or set up;
/// - "WinSerialCommAdaptor::disconnect() failed !": the port cannot be closed;
/// - "Serial communication error occured in WinSerialCommAdaptor::send() !" (or `recv()`): the
///   line failed, or no port is open (an operation before connect() or after disconnect());
/// - "Write data to serial COM timeout in WinSerialCommAdaptor::send() !" and
///   "Receive data from serial COM timeout in WinSerialCommAdaptor::recv() !": 6 s passed;
/// - "No camera connected !": no camera answered the address assignment;
/// - "SYNTAX_ERROR ocurred when executing the command !": the camera does not know the command
///   (many cameras lack some of the inquiries and settings below);
/// - "BUFFER_FULL error ocurred when executing the command !": the camera is still busy with
///   earlier commands;
/// - "NOT_EXECUTABLE error ocurred when executing the command !": the camera cannot carry the
///   command out in its present state (for example a manual setting in an automatic mode);
/// - "Executing the command failed !": the reply was not one the command expects;
/// - "Command is not sent completely !": the line took fewer bytes than the command has;
/// - "Command is malformed !": an argument would put the byte 0xFF (the end-of-command mark)
///   inside a command, such as a speed of 255 or a preset of -1; nothing is sent;
/// - "Network camera HOST:PORT: " followed by what went wrong (host name not resolved,
///   connection refused, no reply, connection closed...): the same failures on a network camera;
/// - the texts named with connect(), getFocusMode() and getPowerState().
///
/// @par Arguments
/// The library checks no range: it sends what it is given (only the low 8 bits of a speed,
/// preset or code, only the low 16 bits of a `long` value) and the camera decides whether to
/// carry it out. The ranges and reset values named below are those that the virtual camera
/// (quorvin-camsim) accepts, modelled on common VISCA cameras; a camera's manual gives its own,
/// and a value outside them is refused with SYNTAX_ERROR.
///
/// @par Threads
/// Separate Controllers may be used on separate threads at the same time (the process-wide log
/// of quorvin/Log.h, the one thing they share, takes a lock). One Controller and its copies must
/// be used from one thread at a time: copies share a count that is not atomic.

#include <string>

#include "quorvin/DriverException.h"
#include "quorvin/Export.h"
#include "quorvin/Log.h"

/// The library's namespace.
namespace CameraDriver {

class ControllerImpl;

/// One link to a chain of up to seven VISCA cameras on a serial port, and the camera on it that
/// the operations address (camera 1 unless setCurCamera() chose another).
class QUORVIN_API Controller {
  public:
    /// White balance modes (setWBMode(), getWBMode()).
    enum WBMode : int {
        WBAuto = 0x00,         ///< The camera balances continuously.
        WBIndoor = 0x01,       ///< Fixed balance for indoor (incandescent) light.
        WBOutdoor = 0x02,      ///< Fixed balance for daylight.
        WBOnePush = 0x03,      ///< Balance set once by onePushWBTrigger(), then held.
        WBAutoTracing = 0x04,  ///< Continuous balance over a wider range of light.
        WBManual = 0x05,       ///< Red and blue gains as set by setRGain() and setBGain().
    };
    /// Exposure modes (setAEMode(), getAEMode()).
    enum AEMode : int {
        AEFullAuto = 0x00,         ///< Shutter, iris and gain chosen by the camera.
        AEManual = 0x03,           ///< Shutter, iris and gain as set by the caller.
        AEShutterPriority = 0x0A,  ///< Shutter set by the caller, the rest by the camera.
        AEIrisPriority = 0x0B,     ///< Iris set by the caller, the rest by the camera.
        AEBright = 0x0D,           ///< One brightness level (setBright()) drives iris and gain.
    };
    /// Picture aspect modes (setWideMode()).
    enum WideMode : int {
        WideOff = 0x00,     ///< Normal 4:3 picture.
        WideCinema = 0x01,  ///< Letter-box picture.
        WideFull = 0x02,    ///< Picture squeezed for a 16:9 display.
    };
    /// Picture effects (setPictureEffectMode()).
    enum PictureEffectMode : int {
        PictureEffectOff = 0x00,         ///< No effect.
        PictureEffectPastel = 0x01,      ///< Pastel colours.
        PictureEffectNegArt = 0x02,      ///< Negative picture.
        PictureEffectSepia = 0x03,       ///< Sepia tone.
        PictureEffectMonochrome = 0x04,  ///< Black and white.
        PictureEffectSolarize = 0x05,    ///< Solarised picture.
        PictureEffectMosaic = 0x06,      ///< Mosaic.
        PictureEffectSlim = 0x07,        ///< Picture squeezed sideways.
        PictureEffectStretch = 0x08,     ///< Picture stretched sideways.
    };
    /// Digital effects (setDigitalEffectMode()), whose strength setDigitalEffectLevel() sets.
    enum DigitalEffectMode : int {
        DigitalEffectOff = 0x00,    ///< No effect.
        DigitalEffectStill = 0x01,  ///< A still picture laid over the live one.
        DigitalEffectFlash = 0x02,  ///< Stroboscopic motion.
        DigitalEffectLumi = 0x03,   ///< Bright parts of a still replaced by the live picture.
        DigitalEffectTrail = 0x04,  ///< Moving subjects leave a trail.
    };

    /// @name Construction and copies
    /// None of these sends anything to a camera.
    ///@{

    /// A Controller with no link yet. Nothing is opened until the first operation.
    Controller();
    /// A Controller sharing @p other's link and current camera number: setCurCamera() on either
    /// changes both. Copying a Controller that has done nothing yet gives one with its own link.
    Controller(const Controller& other);
    /// Makes this Controller share @p other's link and current camera number.
    Controller& operator=(const Controller& other);
    /// The last Controller that shares a link disconnects it; a failure there is swallowed.
    virtual ~Controller();
    ///@}

    /// @name Link and cameras
    ///@{

    /// Opens the serial port and prepares the cameras on it: assigns their addresses along the
    /// chain (1 to 7) and clears their command buffers. Blocks for two exchanges.
    /// @param port a device path such as "/dev/ttyUSB0", or a Windows port name such as "COM1".
    ///   The line runs at 9600 baud, 8 data bits, no parity, 1 stop bit; another line speed
    ///   follows the name after an "@": "/dev/ttyUSB0@38400", "COM3@115200". A network camera
    ///   is named "tcp://HOST:PORT" or "udp://HOST[:PORT]".
    /// @throws DriverException "WinSerialCommAdaptor::connect() failed !" when the port cannot be
    ///   opened (nothing is sent then); "Line speed N cannot be set on this system; use one of
    ///   ... !" for a speed the system does not have (nothing is opened); "No camera
    ///   connected !" when no camera answers; or
    ///   "Address_Set command executing failed !\n" or
    ///   "IF_CLEAR_BROADCAST command executing failed !\n" when the chain answers wrongly. After
    ///   a failure other than the first the port stays open: call disconnect().
    void connect(const std::string& port);
    /// Closes the port. Does nothing on a Controller that has never opened one. A later
    /// connect() may open a port again.
    /// @throws DriverException "WinSerialCommAdaptor::disconnect() failed !".
    void disconnect();
    /// The number of cameras on the chain, 1 to 7. Asks the chain again each time (one exchange)
    /// and so renumbers it.
    /// @throws DriverException "No camera connected !" when none answers.
    int getCamerasTotal();
    /// The camera that the operations address, 1 on a new Controller. Sends nothing.
    int getCurCamera();
    /// Chooses the camera that later operations address, 1 to getCamerasTotal(). Sends nothing
    /// and checks nothing: a number with no camera behind it makes the next operation wait out
    /// the 6 s limit. The choice outlives disconnect() and connect().
    void setCurCamera(int camera);
    ///@}

    /// @name Device type and pan-tilt
    /// Pan and tilt positions are fractions of the travel: pan -1.0 (full left) to +1.0 (full
    /// right) in 1440 steps per unit, tilt -1.0 (full down) to +1.0 (full up) in 360 steps per
    /// unit, 0 the home position. Pan speeds run 1 to 24 and tilt speeds 1 to 20 on common
    /// cameras; 0 selects the default, 24 for pan and 20 for tilt. A move goes on until
    /// stopMove() or the end of the travel; the call itself returns once the camera has taken
    /// the command.
    ///@{

    /// Reads the camera's model data: its vendor, model and ROM version, as the camera's manual
    /// lays them out, followed by the end mark 0xFF and zeros. One exchange.
    /// @param buffer receives up to 16 bytes.
    /// @param size the number of bytes @p buffer holds; no more than this is written.
    void getDeviceType(unsigned char* buffer, unsigned long size);
    /// Reads the head's position into @p pan and @p tilt (see the group). One exchange.
    void getPanTilt(double& pan, double& tilt);
    /// Drives the head to a position (see the group) at the given speeds (0 for the default).
    /// Returns when the camera reports that it has arrived, so the call blocks for the move; a
    /// move longer than the 6 s limit fails with the receive time-out while the head goes on.
    /// Values beyond ±1 are sent as computed.
    void setPanTilt(double pan, double tilt, int panSpeed, int tiltSpeed);
    /// Tilts up at @p tiltSpeed (0 for 20) until stopMove().
    void moveUp(int tiltSpeed);
    /// Tilts down at @p tiltSpeed (0 for 20) until stopMove().
    void moveDown(int tiltSpeed);
    /// Pans left at @p panSpeed (0 for 24) until stopMove().
    void moveLeft(int panSpeed);
    /// Pans right at @p panSpeed (0 for 24) until stopMove().
    void moveRight(int panSpeed);
    /// Moves up and left until stopMove(). Note the order: tilt speed first, pan speed second
    /// (0 for the defaults 20 and 24).
    void moveUpLeft(int tiltSpeed, int panSpeed);
    /// Moves up and right until stopMove(); tilt speed first, pan speed second.
    void moveUpRight(int tiltSpeed, int panSpeed);
    /// Moves down and left until stopMove(); tilt speed first, pan speed second.
    void moveDownLeft(int tiltSpeed, int panSpeed);
    /// Moves down and right until stopMove(); tilt speed first, pan speed second.
    void moveDownRight(int tiltSpeed, int panSpeed);
    /// Drives the head to its home position, pan 0 and tilt 0; returns when it has arrived.
    void moveHome();
    /// Stops any pan or tilt movement.
    void stopMove();
    ///@}

    /// @name Zoom
    /// The zoom position is 0.0 (wide) to 1.0 (tele). With digital zoom off 1.0 is the optical
    /// end (16384 steps); with it on 1.0 is the digital end (28672 steps), so the same optical
    /// position reads lower. getZoom() and setZoom() ask the digital zoom state first, so each
    /// takes two exchanges; a camera that refuses that inquiry as unknown (SYNTAX_ERROR) has no
    /// digital zoom, and its positions are taken as optical. Zoom speeds run 0 (slowest) to 7
    /// (fastest).
    ///@{

    /// Zooms towards tele at the camera's standard speed until stopZoom() or the end.
    void zoomTele();
    /// Zooms towards wide at the camera's standard speed until stopZoom() or the end.
    void zoomWide();
    /// Zooms towards tele at @p speed, 0 to 7, until stopZoom() or the end.
    void zoomIn(int speed);
    /// Zooms towards wide at @p speed, 0 to 7, until stopZoom() or the end.
    void zoomOut(int speed);
    /// Stops the zoom.
    void stopZoom();
    /// The zoom position, 0.0 to 1.0 (see the group). Two exchanges.
    double getZoom();
    /// Drives the zoom to @p zoom, 0.0 to 1.0 (see the group), and returns when it has arrived;
    /// values outside are sent as computed. Two exchanges; a failure of the first sends no zoom
    /// command.
    void setZoom(double zoom);
    /// Whether digital zoom is on. Any answer other than "on" reads as off.
    bool getDZoomState();
    /// Switches digital zoom on or off.
    void setDZoomState(bool on);
    ///@}

    /// @name Focus
    /// The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest, 29696 steps on);
    /// a camera may report positions slightly outside. Focus speeds run 0 (slowest) to 7.
    ///@{

    /// true when the camera focuses by itself, false for manual focus.
    /// @throws DriverException "CAM_FocusModeInq's response error !" on an answer that is
    ///   neither.
    bool getFocusMode();
    /// Switches automatic focus on (true) or to manual focus (false).
    void setFocusMode(bool automatic);
    /// The automatic focus's reaction: normal (true) or low (false), which refocuses less often.
    void setAutoFocusSensitivity(bool normal);
    /// The focus position, 0.0 to 1.0 (see the group).
    double getFocus();
    /// Drives the focus to @p focus, 0.0 to 1.0, in manual focus; returns when it has arrived.
    void setFocus(double focus);
    /// Moves the focus towards near at the standard speed until stopFocusChange().
    void focusNear();
    /// Moves the focus towards far at the standard speed until stopFocusChange().
    void focusFar();
    /// Focuses at infinity.
    void focusInfinity();
    /// Moves the focus towards near at @p speed, 0 to 7, until stopFocusChange().
    void focusToNear(int speed);
    /// Moves the focus towards far at @p speed, 0 to 7, until stopFocusChange().
    void focusToFar(int speed);
    /// Stops a focus movement.
    void stopFocusChange();
    /// The nearest distance the automatic focus goes to, 0.0 to 1.0 (see the group).
    double getFocusNearLimit();
    /// Sets the nearest distance the automatic focus goes to, 0.0 to 1.0.
    void setFocusNearLimit(double limit);
    /// Focuses once on the present scene, then holds the focus (in manual focus).
    void onePushAutoFocus();
    ///@}

    /// @name White balance
    /// The red and blue gains apply in WBManual; they run 0 to 255, and the reset value is 128.
    /// A value read back lies in 0 to 65535.
    ///@{

    /// The white balance mode. Any code the camera reports is returned, listed or not.
    WBMode getWBMode();
    /// Sets the white balance mode.
    void setWBMode(WBMode mode);
    /// Balances once on the present scene (in WBOnePush): aim the camera at something white.
    void onePushWBTrigger();
    /// The red gain.
    long getRGain();
    /// Sets the red gain (low 16 bits sent).
    void setRGain(long gain);
    /// Raises the red gain one step.
    void increaseRGain();
    /// Lowers the red gain one step.
    void decreaseRGain();
    /// Returns the red gain to its reset value.
    void resetRGain();
    /// The blue gain.
    long getBGain();
    /// Sets the blue gain (low 16 bits sent).
    void setBGain(long gain);
    /// Raises the blue gain one step.
    void increaseBGain();
    /// Lowers the blue gain one step.
    void decreaseBGain();
    /// Returns the blue gain to its reset value.
    void resetBGain();
    ///@}

    /// @name Exposure
    /// Shutter, iris, gain and brightness are the camera's position codes, not seconds or
    /// decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17 (reset 12),
    /// gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation 0 to 14 (reset 7,
    /// no compensation). Which of them may
    /// be set depends on the exposure mode; a camera may refuse the others with NOT_EXECUTABLE.
    /// Values read back lie in 0 to 65535; the up, down and reset commands step by one code or
    /// return to the camera's reset value.
    ///@{

    /// The exposure mode. Any code the camera reports is returned, listed or not.
    AEMode getAEMode();
    /// Sets the exposure mode.
    void setAEMode(AEMode mode);
    /// true when the camera may lengthen the shutter by itself in low light.
    bool getSlowShutterMode();
    /// Lets the camera lengthen the shutter in low light (true) or not (false).
    void setSlowShutterMode(bool automatic);
    /// The shutter code (AEManual, AEShutterPriority).
    long getShutter();
    /// Sets the shutter code.
    void setShutter(long shutter);
    /// One shutter code faster.
    void upShutter();
    /// One shutter code slower.
    void downShutter();
    /// The shutter's reset value.
    void resetShutter();
    /// The iris code (AEManual, AEIrisPriority).
    long getIris();
    /// Sets the iris code.
    void setIris(long iris);
    /// Opens the iris one code.
    void upIris();
    /// Closes the iris one code.
    void downIris();
    /// The iris's reset value.
    void resetIris();
    /// The gain code (AEManual).
    long getGain();
    /// Sets the gain code.
    void setGain(long gain);
    /// One gain code up.
    void upGain();
    /// One gain code down.
    void downGain();
    /// The gain's reset value.
    void resetGain();
    /// The brightness code (AEBright).
    long getBright();
    /// Sets the brightness code.
    void setBright(long bright);
    /// One brightness code up.
    void upBright();
    /// One brightness code down.
    void downBright();
    /// The brightness's reset value.
    void resetBright();
    /// Whether exposure compensation is on.
    bool getExpCompState();
    /// Switches exposure compensation on or off.
    void setExpCompState(bool on);
    /// The exposure compensation code.
    long getExpComp();
    /// Sets the exposure compensation code (low 16 bits sent).
    void setExpComp(long expComp);
    /// One exposure compensation code up (brighter).
    void upExpComp();
    /// One exposure compensation code down (darker).
    void downExpComp();
    /// Exposure compensation's reset value (none).
    void resetExpComp();
    /// Whether back-light compensation is on.
    bool getBackLightState();
    /// Switches back-light compensation on, for a subject in front of a bright background.
    void setBackLightState(bool on);
    ///@}

    /// @name Aperture
    /// The aperture control is the picture's edge enhancement (sharpness), 0 (none) to 15, reset
    /// value 5.
    ///@{

    /// The aperture (sharpness) level.
    long getAperture();
    /// Sets the aperture (sharpness) level.
    void setAperture(long aperture);
    /// One aperture level sharper.
    void upAperture();
    /// One aperture level softer.
    void downAperture();
    /// The aperture's reset value.
    void resetAperture();
    ///@}

    /// @name Preset memories
    /// A preset holds the pan, tilt and zoom position and the focus, numbered 0 to 15 (many
    /// cameras have fewer).
    ///@{

    /// Stores the present position and settings in @p preset.
    void memorySet(int preset);
    /// Drives the camera back to what @p preset holds; returns when it has arrived.
    void memoryRecall(int preset);
    /// Clears @p preset.
    void memoryReset(int preset);
    ///@}

    /// @name Picture
    /// These settings cannot be read back.
    ///@{

    /// Sets the picture aspect.
    void setWideMode(WideMode mode);
    /// Mirrors the picture left to right (true) or not.
    void setLrReverseState(bool reversed);
    /// Holds the present picture still (true) or shows the live picture.
    void setFreezeState(bool frozen);
    /// Sets the picture effect.
    void setPictureEffectMode(PictureEffectMode mode);
    /// Sets the digital effect.
    void setDigitalEffectMode(DigitalEffectMode mode);
    /// Sets the digital effect's strength, 0 to 32 (the whole byte is sent).
    void setDigitalEffectLevel(int level);
    ///@}

    /// @name System and power
    ///@{

    /// Shows (true) or hides the camera's on-screen data display.
    void setDataScreenState(bool on);
    /// Lets the camera obey its infrared remote control (true) or not.
    void setIrReceiveState(bool on);
    /// Makes the camera report the remote control's commands on the serial line (true) or not.
    void setIrReceiveReturnState(bool on);
    /// Whether the camera is on (false: standby).
    /// @throws DriverException "CAM_PowerInq's result error !" on an answer that is neither.
    bool getPowerState();
    /// Switches the camera on (true) or to standby (false). In standby a camera may refuse other
    /// commands and inquiries with NOT_EXECUTABLE.
    void setPowerState(bool on);
    /// The camera's automatic power-off delay, the idle time after which it goes to standby,
    /// in the units its manual gives. Many cameras lack this inquiry and answer SYNTAX_ERROR.
    long getAutoPowerOffDelay();
    /// Sets the automatic power-off delay (low 16 bits sent).
    void setAutoPowerOffDelay(long delay);
    ///@}

  protected:
    /// The implementation, created on first use. For classes derived from Controller.
    /// @throws DriverException "Creating the camera controller failed !" when memory runs out.
    ControllerImpl* getImpl();

  private:
    ControllerImpl* impl;
};

}  // namespace CameraDriver
