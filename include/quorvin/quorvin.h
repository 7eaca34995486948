#ifndef QUORVIN_QUORVIN_H
#define QUORVIN_QUORVIN_H

/// @file
/// The C interface of Quorvin: the same camera operations as CameraDriver::Controller, for any
/// compiler and any language that can call C (C, C#, Delphi, Python through ctypes, Node...).
///
/// @code
///   quorvin_camera* camera = NULL;
///   char error[256];
///   if (quorvin_open("/dev/ttyUSB0", &camera, error, sizeof error) != QUORVIN_OK) {
///       fprintf(stderr, "%s\n", error);
///       return 1;
///   }
///   double zoom = 0;
///   if (quorvin_set_zoom(camera, 0.5) != QUORVIN_OK ||
///       quorvin_get_zoom(camera, &zoom) != QUORVIN_OK) {
///       quorvin_last_error(camera, error, sizeof error);
///       fprintf(stderr, "%s\n", error);
///   }
///   quorvin_close(camera);
/// @endcode
///
/// The library is `libquorvin-c.so.1` on Linux and `quorvin-c.dll` on Windows (import libraries
/// `quorvin-c.lib` for Microsoft's linker, `libquorvin-c.dll.a` for the GNU one). It carries the
/// engine of `libquorvin`/`quorvin.dll` inside and exports only the functions below, so a program
/// needs nothing else at run time (on Windows, no C++ runtime DLL either).
///
/// @par Functions and statuses
/// Every function returns a #quorvin_status: #QUORVIN_OK, or a failure status that tells the
/// kind of failure. The text of the failure, the library's own message unchanged (the texts are
/// those listed in quorvin/Controller.h), is then read with quorvin_last_error(). quorvin_open(),
/// which has no handle yet, writes its text into a buffer of the caller's. Results come back
/// through pointers of the caller's, which are left as they were on a failure. Every text that
/// comes out goes into a buffer that the caller owns, with its size; nothing that the library
/// allocates is ever handed to the caller.
///
/// @par Camera operations
/// The operations of CameraDriver::Controller are the functions named after them in snake case
/// with the prefix `quorvin_` (moveUp() is quorvin_move_up(), getWBMode() is
/// quorvin_get_wb_mode()), in the same groups and the same order, with the same arguments in
/// plain C types: `int`, `long` and `double` as in C++; a flag as `int`, 0 for false and any
/// other value for true (a flag read back is 0 or 1); a text as a NUL-terminated `const char*`;
/// an enumeration as the C enumeration of the same name, with the same values. An operation
/// that returns a value takes a pointer to receive it as its last argument. Each operation
/// blocks as its C++ counterpart does (the 6 s limit on each wait included) and sends the same
/// bytes.
///
/// @par Calling convention
/// Every function uses the C calling convention, `__cdecl` on Windows (stated in each
/// declaration through #QUORVIN_CALL, so a caller compiled with another default still calls it
/// right). Enumerations have the size of `int`.
///
/// @par Threads
/// One handle must be used from one thread at a time; separate handles may be used on separate
/// threads at the same time, each driving its own link. The log switches are process-wide and
/// may be called from any thread. Nothing in the library starts a thread or calls back.

#include <stddef.h>

#if defined(_WIN32)
#define QUORVIN_CALL __cdecl
#if defined(QUORVIN_C_BUILDING)
#define QUORVIN_C_API
#else
#define QUORVIN_C_API __declspec(dllimport)
#endif
#else
/// The calling convention of every function: the C one, `__cdecl` on Windows, named in each
/// declaration so that it holds whatever default the caller's compiler has; nothing elsewhere.
#define QUORVIN_CALL
/// Marks the library's functions: imported from quorvin-c.dll on Windows (whose exports its .def
/// file names), visible in libquorvin-c.so elsewhere.
#define QUORVIN_C_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/// What a call came to. The values are fixed: they stay as they are in every later version.
typedef enum quorvin_status {
    /// The call did what it was asked.
    QUORVIN_OK = 0,
    /// The call was refused before anything was sent: a null pointer where a handle, a text or
    /// a result's place was needed, a port name whose line speed the system cannot set or that
    /// is not a valid network camera name, or a command that is not one whole frame ("Command is
    /// malformed !").
    QUORVIN_ERROR_ARGUMENT = 1,
    /// The camera refused the command (SYNTAX_ERROR, BUFFER_FULL, NOT_EXECUTABLE), answered in a
    /// way the command does not expect, or no camera answered on the chain ("No camera
    /// connected !").
    QUORVIN_ERROR_CAMERA = 2,
    /// The camera did not answer, or the line did not take the command, within the 6 s limit.
    QUORVIN_ERROR_TIMEOUT = 3,
    /// The link failed: the port cannot be opened or closed, the line or the network failed, the
    /// connection was refused or closed, or no port is open.
    QUORVIN_ERROR_LINK = 4,
    /// The caller's buffer was too small for the text or the bytes: what fits has been written
    /// (a text still ends with its NUL).
    QUORVIN_ERROR_BUFFER_TOO_SMALL = 5,
    /// Memory ran out.
    QUORVIN_ERROR_MEMORY = 6
} quorvin_status;

/// A link to a chain of VISCA cameras and the camera on it that the operations address: what
/// CameraDriver::Controller is in C++. Opaque: made by quorvin_open(), ended by quorvin_close().
typedef struct quorvin_camera quorvin_camera;

/// @name Handles, failures and version
///@{

/// Opens a link by the port's name, as CameraDriver::Controller::connect() does, and sets the
/// chain up (two exchanges).
/// @param port a serial port's name ("/dev/ttyUSB0", "COM3", with a line speed after an "@":
///   "/dev/ttyUSB0@38400"), or a network camera's, "tcp://HOST:PORT" or "udp://HOST[:PORT]";
///   passed to the engine unchanged.
/// @param camera receives the new handle; NULL on a failure.
/// @param error receives the failure's text when the call fails (cut to fit, ending with its
///   NUL); may be NULL, with @p error_size 0.
/// @param error_size the bytes that @p error holds.
/// @return #QUORVIN_OK, or the status of the failure, whose text is in @p error.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_open(const char* port, quorvin_camera** camera,
                                                       char* error, size_t error_size);

/// Closes the link and ends the handle, which must not be used again. A failure to close the
/// port is dropped, as the C++ destructor drops it (call quorvin_disconnect() first to see it).
/// @param camera a handle from quorvin_open(), or NULL (nothing is done).
QUORVIN_C_API void QUORVIN_CALL quorvin_close(quorvin_camera* camera);

/// The text of the last failure on @p camera: the library's message unchanged, or an empty text
/// when the last call on the handle succeeded. Reading it changes nothing.
/// @param camera the handle.
/// @param buffer receives the text, ending with its NUL.
/// @param size the bytes that @p buffer holds.
/// @return #QUORVIN_OK; #QUORVIN_ERROR_BUFFER_TOO_SMALL when the text was cut to fit;
///   #QUORVIN_ERROR_ARGUMENT when @p camera or @p buffer is NULL or @p size is 0.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_last_error(const quorvin_camera* camera,
                                                             char* buffer, size_t size);

/// The status of the last call on @p camera (#QUORVIN_OK when it succeeded), for a caller that
/// handed the status on and needs it again.
/// @param camera the handle; NULL gives #QUORVIN_ERROR_ARGUMENT.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_last_status(const quorvin_camera* camera);

/// The library's version, "MAJOR.MINOR.PATCH".
/// @param buffer receives the text, ending with its NUL.
/// @param size the bytes that @p buffer holds.
/// @return #QUORVIN_OK, #QUORVIN_ERROR_BUFFER_TOO_SMALL or #QUORVIN_ERROR_ARGUMENT.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_version(char* buffer, size_t size);

/// Sends the bytes of one VISCA command (8x 01 ... FF) or inquiry (8x 09 ... FF) to the current
/// camera, with the camera's address put into its first byte, and returns the camera's reply
/// once it has been checked as the operations' replies are: the acknowledgement and the
/// completion of a command, the answer of an inquiry. For the commands and inquiries that a
/// camera has and the operations lack. The engine's frame rules hold: bytes that are not one
/// whole frame (fewer than 4 or more than 16 bytes, a second byte other than 01 or 09, a 0xFF
/// before the last byte) are refused with "Command is malformed !" and nothing is sent; input
/// that arrived since the last exchange is discarded before the command is written.
/// @param camera the handle.
/// @param command the frame's bytes, ending with 0xFF.
/// @param command_size the number of bytes in @p command.
/// @param reply receives the frames of the reply as they came (at most 16 bytes): when the
///   camera refused the command (#QUORVIN_ERROR_CAMERA), its error frame.
/// @param reply_size the bytes that @p reply holds.
/// @param reply_length receives the number of bytes of the reply; 0 when there is none.
/// @return #QUORVIN_OK or the status of the failure; #QUORVIN_ERROR_BUFFER_TOO_SMALL when the
///   reply was cut to fit @p reply_size (the exchange itself was done).
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_raw(quorvin_camera* camera,
                                                      const unsigned char* command,
                                                      size_t command_size, unsigned char* reply,
                                                      size_t reply_size, size_t* reply_length);
///@}

/// @name Log switches
/// The library's diagnostic log, process-wide, as quorvin/Log.h describes it: silent unless
/// switched on. Each returns #QUORVIN_OK, or #QUORVIN_ERROR_ARGUMENT for a NULL file name.
///@{

/// Closes any open log file, names the new one and opens it (truncated), as setLogFile() does.
/// @param file_name the log file's path.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_log_file(const char* file_name);
/// Echoes every log line to standard output (nonzero) or not (0).
/// @param enabled the switch.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_verbose_enabled(int enabled);
/// Writes exception lines to the log file (nonzero), or closes it (0).
/// @param enabled the switch.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_log_enabled(int enabled);
/// Writes debug lines and the bytes of every command and reply to the log file (nonzero) or not.
/// @param enabled the switch.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_debug_enabled(int enabled);
///@}

/* ---- written by capi/generate.py from the operation table: edit the generator, not this ---- */

/// White balance modes (quorvin_set_wb_mode(), quorvin_get_wb_mode()).
typedef enum quorvin_wb_mode {
    QUORVIN_WB_AUTO = 0x00,      ///< The camera balances continuously.
    QUORVIN_WB_INDOOR = 0x01,    ///< Fixed balance for indoor (incandescent) light.
    QUORVIN_WB_OUTDOOR = 0x02,   ///< Fixed balance for daylight.
    QUORVIN_WB_ONE_PUSH = 0x03,  ///< Balance set once by quorvin_one_push_wb_trigger(), then held.
    QUORVIN_WB_AUTO_TRACING = 0x04,  ///< Continuous balance over a wider range of light.
    QUORVIN_WB_MANUAL =
        0x05  ///< Red and blue gains as set by quorvin_set_r_gain() and quorvin_set_b_gain().
} quorvin_wb_mode;

/// Exposure modes (quorvin_set_ae_mode(), quorvin_get_ae_mode()).
typedef enum quorvin_ae_mode {
    QUORVIN_AE_FULL_AUTO = 0x00,         ///< Shutter, iris and gain chosen by the camera.
    QUORVIN_AE_MANUAL = 0x03,            ///< Shutter, iris and gain as set by the caller.
    QUORVIN_AE_SHUTTER_PRIORITY = 0x0A,  ///< Shutter set by the caller, the rest by the camera.
    QUORVIN_AE_IRIS_PRIORITY = 0x0B,     ///< Iris set by the caller, the rest by the camera.
    QUORVIN_AE_BRIGHT = 0x0D  ///< One brightness level (quorvin_set_bright()) drives iris and gain.
} quorvin_ae_mode;

/// Picture aspect modes (quorvin_set_wide_mode()).
typedef enum quorvin_wide_mode {
    QUORVIN_WIDE_OFF = 0x00,     ///< Normal 4:3 picture.
    QUORVIN_WIDE_CINEMA = 0x01,  ///< Letter-box picture.
    QUORVIN_WIDE_FULL = 0x02     ///< Picture squeezed for a 16:9 display.
} quorvin_wide_mode;

/// Picture effects (quorvin_set_picture_effect_mode()).
typedef enum quorvin_picture_effect_mode {
    QUORVIN_PICTURE_EFFECT_OFF = 0x00,         ///< No effect.
    QUORVIN_PICTURE_EFFECT_PASTEL = 0x01,      ///< Pastel colours.
    QUORVIN_PICTURE_EFFECT_NEG_ART = 0x02,     ///< Negative picture.
    QUORVIN_PICTURE_EFFECT_SEPIA = 0x03,       ///< Sepia tone.
    QUORVIN_PICTURE_EFFECT_MONOCHROME = 0x04,  ///< Black and white.
    QUORVIN_PICTURE_EFFECT_SOLARIZE = 0x05,    ///< Solarised picture.
    QUORVIN_PICTURE_EFFECT_MOSAIC = 0x06,      ///< Mosaic.
    QUORVIN_PICTURE_EFFECT_SLIM = 0x07,        ///< Picture squeezed sideways.
    QUORVIN_PICTURE_EFFECT_STRETCH = 0x08      ///< Picture stretched sideways.
} quorvin_picture_effect_mode;

/// Digital effects (quorvin_set_digital_effect_mode()), whose strength
/// quorvin_set_digital_effect_level() sets.
typedef enum quorvin_digital_effect_mode {
    QUORVIN_DIGITAL_EFFECT_OFF = 0x00,    ///< No effect.
    QUORVIN_DIGITAL_EFFECT_STILL = 0x01,  ///< A still picture laid over the live one.
    QUORVIN_DIGITAL_EFFECT_FLASH = 0x02,  ///< Stroboscopic motion.
    QUORVIN_DIGITAL_EFFECT_LUMI = 0x03,   ///< Bright parts of a still replaced by the live picture.
    QUORVIN_DIGITAL_EFFECT_TRAIL = 0x04   ///< Moving subjects leave a trail.
} quorvin_digital_effect_mode;

/// @name Link and cameras
///@{

/// Opens the serial port and prepares the cameras on it: assigns their addresses along the chain (1
/// to 7) and clears their command buffers. Blocks for two exchanges.
/// @param camera the handle.
/// @param port a device path such as "/dev/ttyUSB0", or a Windows port name such as "COM1". The
///   line runs at 9600 baud, 8 data bits, no parity, 1 stop bit; another line speed follows the
///   name after an "@": "/dev/ttyUSB0@38400", "COM3@115200". A network camera is named
///   "tcp://HOST:PORT" or "udp://HOST[:PORT]".
/// @par Failures
/// The text "WinSerialCommAdaptor::connect() failed !" when the port cannot be opened (nothing is
/// sent then); "Line speed N cannot be set on this system; use one of ... !" for a speed the system
/// does not have (nothing is opened); "No camera connected !" when no camera answers; or
/// "Address_Set command executing failed !\n" or "IF_CLEAR_BROADCAST command executing failed !\n"
/// when the chain answers wrongly. After a failure other than the first the port stays open: call
/// quorvin_disconnect().
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_connect(quorvin_camera* camera, const char* port);
/// Closes the port. Does nothing on a handle that has never opened one. A later quorvin_connect()
/// may open a port again.
/// @param camera the handle.
/// @par Failures
/// The text "WinSerialCommAdaptor::disconnect() failed !".
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_disconnect(quorvin_camera* camera);
/// The number of cameras on the chain, 1 to 7. Asks the chain again each time (one exchange) and so
/// renumbers it.
/// @param camera the handle.
/// @param cameras_total receives the result; left as it was on a failure.
/// @par Failures
/// The text "No camera connected !" when none answers.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_cameras_total(quorvin_camera* camera,
                                                                    int* cameras_total);
/// The camera that the operations address, 1 on a new handle. Sends nothing.
/// @param camera the handle.
/// @param cur_camera receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_cur_camera(quorvin_camera* camera,
                                                                 int* cur_camera);
/// Chooses the camera that later operations address, 1 to quorvin_get_cameras_total(). Sends
/// nothing and checks nothing: a number with no camera behind it makes the next operation wait out
/// the 6 s limit. The choice outlives quorvin_disconnect() and quorvin_connect().
/// @param camera the handle.
/// @param number the camera's number on the chain.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_cur_camera(quorvin_camera* camera,
                                                                 int number);
///@}

/// @name Device type and pan-tilt
/// Pan and tilt positions are fractions of the travel: pan -1.0 (full left) to +1.0 (full right) in
/// 1440 steps per unit, tilt -1.0 (full down) to +1.0 (full up) in 360 steps per unit, 0 the home
/// position. Pan speeds run 1 to 24 and tilt speeds 1 to 20 on common cameras; 0 selects the
/// default, 24 for pan and 20 for tilt. A move goes on until quorvin_stop_move() or the end of the
/// travel; the call itself returns once the camera has taken the command.
///@{

/// Reads the camera's model data: its vendor, model and ROM version, as the camera's manual lays
/// them out, followed by the end mark 0xFF and zeros. One exchange.
/// @param camera the handle.
/// @param buffer receives up to 16 bytes.
/// @param size the number of bytes @p buffer holds; no more than this is written.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_device_type(quorvin_camera* camera,
                                                                  unsigned char* buffer,
                                                                  size_t size);
/// Reads the head's position into @p pan and @p tilt (see the group). One exchange.
/// @param camera the handle.
/// @param pan receives the pan position.
/// @param tilt receives the tilt position.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_pan_tilt(quorvin_camera* camera, double* pan,
                                                               double* tilt);
/// Drives the head to a position (see the group) at the given speeds (0 for the default). Returns
/// when the camera reports that it has arrived, so the call blocks for the move; a move longer than
/// the 6 s limit fails with the receive time-out while the head goes on. Values beyond ±1 are sent
/// as computed.
/// @param camera the handle.
/// @param pan the pan.
/// @param tilt the tilt.
/// @param pan_speed the pan speed.
/// @param tilt_speed the tilt speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_pan_tilt(quorvin_camera* camera, double pan,
                                                               double tilt, int pan_speed,
                                                               int tilt_speed);
/// Tilts up at @p tilt_speed (0 for 20) until quorvin_stop_move().
/// @param camera the handle.
/// @param tilt_speed the tilt speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_up(quorvin_camera* camera, int tilt_speed);
/// Tilts down at @p tilt_speed (0 for 20) until quorvin_stop_move().
/// @param camera the handle.
/// @param tilt_speed the tilt speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_down(quorvin_camera* camera, int tilt_speed);
/// Pans left at @p pan_speed (0 for 24) until quorvin_stop_move().
/// @param camera the handle.
/// @param pan_speed the pan speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_left(quorvin_camera* camera, int pan_speed);
/// Pans right at @p pan_speed (0 for 24) until quorvin_stop_move().
/// @param camera the handle.
/// @param pan_speed the pan speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_right(quorvin_camera* camera, int pan_speed);
/// Moves up and left until quorvin_stop_move(). Note the order: tilt speed first, pan speed second
/// (0 for the defaults 20 and 24).
/// @param camera the handle.
/// @param tilt_speed the tilt speed.
/// @param pan_speed the pan speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_up_left(quorvin_camera* camera,
                                                               int tilt_speed, int pan_speed);
/// Moves up and right until quorvin_stop_move(); tilt speed first, pan speed second.
/// @param camera the handle.
/// @param tilt_speed the tilt speed.
/// @param pan_speed the pan speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_up_right(quorvin_camera* camera,
                                                                int tilt_speed, int pan_speed);
/// Moves down and left until quorvin_stop_move(); tilt speed first, pan speed second.
/// @param camera the handle.
/// @param tilt_speed the tilt speed.
/// @param pan_speed the pan speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_down_left(quorvin_camera* camera,
                                                                 int tilt_speed, int pan_speed);
/// Moves down and right until quorvin_stop_move(); tilt speed first, pan speed second.
/// @param camera the handle.
/// @param tilt_speed the tilt speed.
/// @param pan_speed the pan speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_down_right(quorvin_camera* camera,
                                                                  int tilt_speed, int pan_speed);
/// Drives the head to its home position, pan 0 and tilt 0; returns when it has arrived.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_move_home(quorvin_camera* camera);
/// Stops any pan or tilt movement.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_stop_move(quorvin_camera* camera);
///@}

/// @name Zoom
/// The zoom position is 0.0 (wide) to 1.0 (tele). With digital zoom off 1.0 is the optical end
/// (16384 steps); with it on 1.0 is the digital end (28672 steps), so the same optical position
/// reads lower. quorvin_get_zoom() and quorvin_set_zoom() ask the digital zoom state first, so each
/// takes two exchanges; a camera that refuses that inquiry as unknown (SYNTAX_ERROR) has no digital
/// zoom, and its positions are taken as optical. Zoom speeds run 0 (slowest) to 7 (fastest).
///@{

/// Zooms towards tele at the camera's standard speed until quorvin_stop_zoom() or the end.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_zoom_tele(quorvin_camera* camera);
/// Zooms towards wide at the camera's standard speed until quorvin_stop_zoom() or the end.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_zoom_wide(quorvin_camera* camera);
/// Zooms towards tele at @p speed, 0 to 7, until quorvin_stop_zoom() or the end.
/// @param camera the handle.
/// @param speed the speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_zoom_in(quorvin_camera* camera, int speed);
/// Zooms towards wide at @p speed, 0 to 7, until quorvin_stop_zoom() or the end.
/// @param camera the handle.
/// @param speed the speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_zoom_out(quorvin_camera* camera, int speed);
/// Stops the zoom.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_stop_zoom(quorvin_camera* camera);
/// The zoom position, 0.0 to 1.0 (see the group). Two exchanges.
/// @param camera the handle.
/// @param zoom receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_zoom(quorvin_camera* camera, double* zoom);
/// Drives the zoom to @p zoom, 0.0 to 1.0 (see the group), and returns when it has arrived; values
/// outside are sent as computed. Two exchanges; a failure of the first sends no zoom command.
/// @param camera the handle.
/// @param zoom the zoom.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_zoom(quorvin_camera* camera, double zoom);
/// Whether digital zoom is on. Any answer other than "on" reads as off.
/// @param camera the handle.
/// @param d_zoom_state receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_d_zoom_state(quorvin_camera* camera,
                                                                   int* d_zoom_state);
/// Switches digital zoom on or off.
/// @param camera the handle.
/// @param on nonzero for true, 0 for false.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_d_zoom_state(quorvin_camera* camera, int on);
///@}

/// @name Focus
/// The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest, 29696 steps on); a
/// camera may report positions slightly outside. Focus speeds run 0 (slowest) to 7.
///@{

/// true when the camera focuses by itself, false for manual focus.
/// @param camera the handle.
/// @param focus_mode receives the result; left as it was on a failure.
/// @par Failures
/// The text "CAM_FocusModeInq's response error !" on an answer that is neither.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_focus_mode(quorvin_camera* camera,
                                                                 int* focus_mode);
/// Switches automatic focus on (true) or to manual focus (false).
/// @param camera the handle.
/// @param automatic nonzero for true, 0 for false.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_focus_mode(quorvin_camera* camera,
                                                                 int automatic);
/// The automatic focus's reaction: normal (true) or low (false), which refocuses less often.
/// @param camera the handle.
/// @param normal nonzero for true, 0 for false.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_auto_focus_sensitivity(quorvin_camera* camera,
                                                                             int normal);
/// The focus position, 0.0 to 1.0 (see the group).
/// @param camera the handle.
/// @param focus receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_focus(quorvin_camera* camera, double* focus);
/// Drives the focus to @p focus, 0.0 to 1.0, in manual focus; returns when it has arrived.
/// @param camera the handle.
/// @param focus the focus.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_focus(quorvin_camera* camera, double focus);
/// Moves the focus towards near at the standard speed until quorvin_stop_focus_change().
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_focus_near(quorvin_camera* camera);
/// Moves the focus towards far at the standard speed until quorvin_stop_focus_change().
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_focus_far(quorvin_camera* camera);
/// Focuses at infinity.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_focus_infinity(quorvin_camera* camera);
/// Moves the focus towards near at @p speed, 0 to 7, until quorvin_stop_focus_change().
/// @param camera the handle.
/// @param speed the speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_focus_to_near(quorvin_camera* camera, int speed);
/// Moves the focus towards far at @p speed, 0 to 7, until quorvin_stop_focus_change().
/// @param camera the handle.
/// @param speed the speed.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_focus_to_far(quorvin_camera* camera, int speed);
/// Stops a focus movement.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_stop_focus_change(quorvin_camera* camera);
/// The nearest distance the automatic focus goes to, 0.0 to 1.0 (see the group).
/// @param camera the handle.
/// @param focus_near_limit receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_focus_near_limit(quorvin_camera* camera,
                                                                       double* focus_near_limit);
/// Sets the nearest distance the automatic focus goes to, 0.0 to 1.0.
/// @param camera the handle.
/// @param limit the limit.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_focus_near_limit(quorvin_camera* camera,
                                                                       double limit);
/// Focuses once on the present scene, then holds the focus (in manual focus).
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_one_push_auto_focus(quorvin_camera* camera);
///@}

/// @name White balance
/// The red and blue gains apply in QUORVIN_WB_MANUAL; they run 0 to 255, and the reset value is
/// 128. A value read back lies in 0 to 65535.
///@{

/// The white balance mode. Any code the camera reports is returned, listed or not.
/// @param camera the handle.
/// @param wb_mode receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_wb_mode(quorvin_camera* camera,
                                                              quorvin_wb_mode* wb_mode);
/// Sets the white balance mode.
/// @param camera the handle.
/// @param mode one of #quorvin_wb_mode.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_wb_mode(quorvin_camera* camera,
                                                              quorvin_wb_mode mode);
/// Balances once on the present scene (in QUORVIN_WB_ONE_PUSH): aim the camera at something white.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_one_push_wb_trigger(quorvin_camera* camera);
/// The red gain.
/// @param camera the handle.
/// @param r_gain receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_r_gain(quorvin_camera* camera, long* r_gain);
/// Sets the red gain (low 16 bits sent).
/// @param camera the handle.
/// @param gain the gain.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_r_gain(quorvin_camera* camera, long gain);
/// Raises the red gain one step.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_increase_r_gain(quorvin_camera* camera);
/// Lowers the red gain one step.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_decrease_r_gain(quorvin_camera* camera);
/// Returns the red gain to its reset value.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_r_gain(quorvin_camera* camera);
/// The blue gain.
/// @param camera the handle.
/// @param b_gain receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_b_gain(quorvin_camera* camera, long* b_gain);
/// Sets the blue gain (low 16 bits sent).
/// @param camera the handle.
/// @param gain the gain.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_b_gain(quorvin_camera* camera, long gain);
/// Raises the blue gain one step.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_increase_b_gain(quorvin_camera* camera);
/// Lowers the blue gain one step.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_decrease_b_gain(quorvin_camera* camera);
/// Returns the blue gain to its reset value.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_b_gain(quorvin_camera* camera);
///@}

/// @name Exposure
/// Shutter, iris, gain and brightness are the camera's position codes, not seconds or decibels:
/// shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17 (reset 12), gain 0 to 15 (reset
/// 1), bright 0 to 31 (reset 16), exposure compensation 0 to 14 (reset 7, no compensation). Which
/// of them may be set depends on the exposure mode; a camera may refuse the others with
/// NOT_EXECUTABLE. Values read back lie in 0 to 65535; the up, down and reset commands step by one
/// code or return to the camera's reset value.
///@{

/// The exposure mode. Any code the camera reports is returned, listed or not.
/// @param camera the handle.
/// @param ae_mode receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_ae_mode(quorvin_camera* camera,
                                                              quorvin_ae_mode* ae_mode);
/// Sets the exposure mode.
/// @param camera the handle.
/// @param mode one of #quorvin_ae_mode.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_ae_mode(quorvin_camera* camera,
                                                              quorvin_ae_mode mode);
/// true when the camera may lengthen the shutter by itself in low light.
/// @param camera the handle.
/// @param slow_shutter_mode receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_slow_shutter_mode(quorvin_camera* camera,
                                                                        int* slow_shutter_mode);
/// Lets the camera lengthen the shutter in low light (true) or not (false).
/// @param camera the handle.
/// @param automatic nonzero for true, 0 for false.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_slow_shutter_mode(quorvin_camera* camera,
                                                                        int automatic);
/// The shutter code (QUORVIN_AE_MANUAL, QUORVIN_AE_SHUTTER_PRIORITY).
/// @param camera the handle.
/// @param shutter receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_shutter(quorvin_camera* camera,
                                                              long* shutter);
/// Sets the shutter code.
/// @param camera the handle.
/// @param shutter the shutter.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_shutter(quorvin_camera* camera, long shutter);
/// One shutter code faster.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_up_shutter(quorvin_camera* camera);
/// One shutter code slower.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_down_shutter(quorvin_camera* camera);
/// The shutter's reset value.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_shutter(quorvin_camera* camera);
/// The iris code (QUORVIN_AE_MANUAL, QUORVIN_AE_IRIS_PRIORITY).
/// @param camera the handle.
/// @param iris receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_iris(quorvin_camera* camera, long* iris);
/// Sets the iris code.
/// @param camera the handle.
/// @param iris the iris.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_iris(quorvin_camera* camera, long iris);
/// Opens the iris one code.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_up_iris(quorvin_camera* camera);
/// Closes the iris one code.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_down_iris(quorvin_camera* camera);
/// The iris's reset value.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_iris(quorvin_camera* camera);
/// The gain code (QUORVIN_AE_MANUAL).
/// @param camera the handle.
/// @param gain receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_gain(quorvin_camera* camera, long* gain);
/// Sets the gain code.
/// @param camera the handle.
/// @param gain the gain.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_gain(quorvin_camera* camera, long gain);
/// One gain code up.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_up_gain(quorvin_camera* camera);
/// One gain code down.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_down_gain(quorvin_camera* camera);
/// The gain's reset value.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_gain(quorvin_camera* camera);
/// The brightness code (QUORVIN_AE_BRIGHT).
/// @param camera the handle.
/// @param bright receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_bright(quorvin_camera* camera, long* bright);
/// Sets the brightness code.
/// @param camera the handle.
/// @param bright the bright.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_bright(quorvin_camera* camera, long bright);
/// One brightness code up.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_up_bright(quorvin_camera* camera);
/// One brightness code down.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_down_bright(quorvin_camera* camera);
/// The brightness's reset value.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_bright(quorvin_camera* camera);
/// Whether exposure compensation is on.
/// @param camera the handle.
/// @param exp_comp_state receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_exp_comp_state(quorvin_camera* camera,
                                                                     int* exp_comp_state);
/// Switches exposure compensation on or off.
/// @param camera the handle.
/// @param on nonzero for true, 0 for false.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_exp_comp_state(quorvin_camera* camera,
                                                                     int on);
/// The exposure compensation code.
/// @param camera the handle.
/// @param exp_comp receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_exp_comp(quorvin_camera* camera,
                                                               long* exp_comp);
/// Sets the exposure compensation code (low 16 bits sent).
/// @param camera the handle.
/// @param exp_comp the exp comp.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_exp_comp(quorvin_camera* camera,
                                                               long exp_comp);
/// One exposure compensation code up (brighter).
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_up_exp_comp(quorvin_camera* camera);
/// One exposure compensation code down (darker).
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_down_exp_comp(quorvin_camera* camera);
/// Exposure compensation's reset value (none).
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_exp_comp(quorvin_camera* camera);
/// Whether back-light compensation is on.
/// @param camera the handle.
/// @param back_light_state receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_back_light_state(quorvin_camera* camera,
                                                                       int* back_light_state);
/// Switches back-light compensation on, for a subject in front of a bright background.
/// @param camera the handle.
/// @param on nonzero for true, 0 for false.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_back_light_state(quorvin_camera* camera,
                                                                       int on);
///@}

/// @name Aperture
/// The aperture control is the picture's edge enhancement (sharpness), 0 (none) to 15, reset value
/// 5.
///@{

/// The aperture (sharpness) level.
/// @param camera the handle.
/// @param aperture receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_aperture(quorvin_camera* camera,
                                                               long* aperture);
/// Sets the aperture (sharpness) level.
/// @param camera the handle.
/// @param aperture the aperture.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_aperture(quorvin_camera* camera,
                                                               long aperture);
/// One aperture level sharper.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_up_aperture(quorvin_camera* camera);
/// One aperture level softer.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_down_aperture(quorvin_camera* camera);
/// The aperture's reset value.
/// @param camera the handle.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_reset_aperture(quorvin_camera* camera);
///@}

/// @name Preset memories
/// A preset holds the pan, tilt and zoom position and the focus, numbered 0 to 15 (many cameras
/// have fewer).
///@{

/// Stores the present position and settings in @p preset.
/// @param camera the handle.
/// @param preset the preset.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_memory_set(quorvin_camera* camera, int preset);
/// Drives the camera back to what @p preset holds; returns when it has arrived.
/// @param camera the handle.
/// @param preset the preset.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_memory_recall(quorvin_camera* camera, int preset);
/// Clears @p preset.
/// @param camera the handle.
/// @param preset the preset.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_memory_reset(quorvin_camera* camera, int preset);
///@}

/// @name Picture
/// These settings cannot be read back.
///@{

/// Sets the picture aspect.
/// @param camera the handle.
/// @param mode one of #quorvin_wide_mode.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_wide_mode(quorvin_camera* camera,
                                                                quorvin_wide_mode mode);
/// Mirrors the picture left to right (true) or not.
/// @param camera the handle.
/// @param reversed nonzero for true, 0 for false.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_lr_reverse_state(quorvin_camera* camera,
                                                                       int reversed);
/// Holds the present picture still (true) or shows the live picture.
/// @param camera the handle.
/// @param frozen nonzero for true, 0 for false.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_freeze_state(quorvin_camera* camera,
                                                                   int frozen);
/// Sets the picture effect.
/// @param camera the handle.
/// @param mode one of #quorvin_picture_effect_mode.
QUORVIN_C_API quorvin_status QUORVIN_CALL
quorvin_set_picture_effect_mode(quorvin_camera* camera, quorvin_picture_effect_mode mode);
/// Sets the digital effect.
/// @param camera the handle.
/// @param mode one of #quorvin_digital_effect_mode.
QUORVIN_C_API quorvin_status QUORVIN_CALL
quorvin_set_digital_effect_mode(quorvin_camera* camera, quorvin_digital_effect_mode mode);
/// Sets the digital effect's strength, 0 to 32 (the whole byte is sent).
/// @param camera the handle.
/// @param level the level.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_digital_effect_level(quorvin_camera* camera,
                                                                           int level);
///@}

/// @name System and power
///@{

/// Shows (true) or hides the camera's on-screen data display.
/// @param camera the handle.
/// @param on nonzero for true, 0 for false.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_data_screen_state(quorvin_camera* camera,
                                                                        int on);
/// Lets the camera obey its infrared remote control (true) or not.
/// @param camera the handle.
/// @param on nonzero for true, 0 for false.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_ir_receive_state(quorvin_camera* camera,
                                                                       int on);
/// Makes the camera report the remote control's commands on the serial line (true) or not.
/// @param camera the handle.
/// @param on nonzero for true, 0 for false.
QUORVIN_C_API quorvin_status QUORVIN_CALL
quorvin_set_ir_receive_return_state(quorvin_camera* camera, int on);
/// Whether the camera is on (false: standby).
/// @param camera the handle.
/// @param power_state receives the result; left as it was on a failure.
/// @par Failures
/// The text "CAM_PowerInq's result error !" on an answer that is neither.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_get_power_state(quorvin_camera* camera,
                                                                  int* power_state);
/// Switches the camera on (true) or to standby (false). In standby a camera may refuse other
/// commands and inquiries with NOT_EXECUTABLE.
/// @param camera the handle.
/// @param on nonzero for true, 0 for false.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_power_state(quorvin_camera* camera, int on);
/// The camera's automatic power-off delay, the idle time after which it goes to standby, in the
/// units its manual gives. Many cameras lack this inquiry and answer SYNTAX_ERROR.
/// @param camera the handle.
/// @param auto_power_off_delay receives the result; left as it was on a failure.
QUORVIN_C_API quorvin_status QUORVIN_CALL
quorvin_get_auto_power_off_delay(quorvin_camera* camera, long* auto_power_off_delay);
/// Sets the automatic power-off delay (low 16 bits sent).
/// @param camera the handle.
/// @param delay the delay.
QUORVIN_C_API quorvin_status QUORVIN_CALL quorvin_set_auto_power_off_delay(quorvin_camera* camera,
                                                                           long delay);
///@}

/* ---- end of the part written by capi/generate.py ---- */

#ifdef __cplusplus
}
#endif

#endif
