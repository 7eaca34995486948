# Written by capi/generate.py from the operation table: edit the generator, not this.
"""The camera operations of quorvin.Camera, each calling its function of the C library."""

import ctypes
import enum
from typing import Tuple, Union


class WBMode(enum.IntEnum):
    """White balance modes (set_wb_mode(), get_wb_mode())."""

    AUTO = 0x00
    """The camera balances continuously."""
    INDOOR = 0x01
    """Fixed balance for indoor (incandescent) light."""
    OUTDOOR = 0x02
    """Fixed balance for daylight."""
    ONE_PUSH = 0x03
    """Balance set once by one_push_wb_trigger(), then held."""
    AUTO_TRACING = 0x04
    """Continuous balance over a wider range of light."""
    MANUAL = 0x05
    """Red and blue gains as set by set_r_gain() and set_b_gain()."""


class AEMode(enum.IntEnum):
    """Exposure modes (set_ae_mode(), get_ae_mode())."""

    FULL_AUTO = 0x00
    """Shutter, iris and gain chosen by the camera."""
    MANUAL = 0x03
    """Shutter, iris and gain as set by the caller."""
    SHUTTER_PRIORITY = 0x0A
    """Shutter set by the caller, the rest by the camera."""
    IRIS_PRIORITY = 0x0B
    """Iris set by the caller, the rest by the camera."""
    BRIGHT = 0x0D
    """One brightness level (set_bright()) drives iris and gain."""


class WideMode(enum.IntEnum):
    """Picture aspect modes (set_wide_mode())."""

    OFF = 0x00
    """Normal 4:3 picture."""
    CINEMA = 0x01
    """Letter-box picture."""
    FULL = 0x02
    """Picture squeezed for a 16:9 display."""


class PictureEffectMode(enum.IntEnum):
    """Picture effects (set_picture_effect_mode())."""

    OFF = 0x00
    """No effect."""
    PASTEL = 0x01
    """Pastel colours."""
    NEG_ART = 0x02
    """Negative picture."""
    SEPIA = 0x03
    """Sepia tone."""
    MONOCHROME = 0x04
    """Black and white."""
    SOLARIZE = 0x05
    """Solarised picture."""
    MOSAIC = 0x06
    """Mosaic."""
    SLIM = 0x07
    """Picture squeezed sideways."""
    STRETCH = 0x08
    """Picture stretched sideways."""


class DigitalEffectMode(enum.IntEnum):
    """Digital effects (set_digital_effect_mode()), whose strength set_digital_effect_level()
    sets.
    """

    OFF = 0x00
    """No effect."""
    STILL = 0x01
    """A still picture laid over the live one."""
    FLASH = 0x02
    """Stroboscopic motion."""
    LUMI = 0x03
    """Bright parts of a still replaced by the live picture."""
    TRAIL = 0x04
    """Moving subjects leave a trail."""


# Each C function with the types of its arguments after the handle.
FUNCTIONS = (
    ("quorvin_connect", (ctypes.c_char_p,)),
    ("quorvin_disconnect", ()),
    ("quorvin_get_cameras_total", (ctypes.POINTER(ctypes.c_int),)),
    ("quorvin_get_cur_camera", (ctypes.POINTER(ctypes.c_int),)),
    ("quorvin_set_cur_camera", (ctypes.c_int,)),
    ("quorvin_get_device_type", (ctypes.c_char_p, ctypes.c_size_t)),
    ("quorvin_get_pan_tilt", (ctypes.POINTER(ctypes.c_double), ctypes.POINTER(ctypes.c_double))),
    ("quorvin_set_pan_tilt", (ctypes.c_double, ctypes.c_double, ctypes.c_int, ctypes.c_int)),
    ("quorvin_move_up", (ctypes.c_int,)),
    ("quorvin_move_down", (ctypes.c_int,)),
    ("quorvin_move_left", (ctypes.c_int,)),
    ("quorvin_move_right", (ctypes.c_int,)),
    ("quorvin_move_up_left", (ctypes.c_int, ctypes.c_int)),
    ("quorvin_move_up_right", (ctypes.c_int, ctypes.c_int)),
    ("quorvin_move_down_left", (ctypes.c_int, ctypes.c_int)),
    ("quorvin_move_down_right", (ctypes.c_int, ctypes.c_int)),
    ("quorvin_move_home", ()),
    ("quorvin_stop_move", ()),
    ("quorvin_zoom_tele", ()),
    ("quorvin_zoom_wide", ()),
    ("quorvin_zoom_in", (ctypes.c_int,)),
    ("quorvin_zoom_out", (ctypes.c_int,)),
    ("quorvin_stop_zoom", ()),
    ("quorvin_get_zoom", (ctypes.POINTER(ctypes.c_double),)),
    ("quorvin_set_zoom", (ctypes.c_double,)),
    ("quorvin_get_d_zoom_state", (ctypes.POINTER(ctypes.c_int),)),
    ("quorvin_set_d_zoom_state", (ctypes.c_int,)),
    ("quorvin_get_focus_mode", (ctypes.POINTER(ctypes.c_int),)),
    ("quorvin_set_focus_mode", (ctypes.c_int,)),
    ("quorvin_set_auto_focus_sensitivity", (ctypes.c_int,)),
    ("quorvin_get_focus", (ctypes.POINTER(ctypes.c_double),)),
    ("quorvin_set_focus", (ctypes.c_double,)),
    ("quorvin_focus_near", ()),
    ("quorvin_focus_far", ()),
    ("quorvin_focus_infinity", ()),
    ("quorvin_focus_to_near", (ctypes.c_int,)),
    ("quorvin_focus_to_far", (ctypes.c_int,)),
    ("quorvin_stop_focus_change", ()),
    ("quorvin_get_focus_near_limit", (ctypes.POINTER(ctypes.c_double),)),
    ("quorvin_set_focus_near_limit", (ctypes.c_double,)),
    ("quorvin_one_push_auto_focus", ()),
    ("quorvin_get_wb_mode", (ctypes.POINTER(ctypes.c_int),)),
    ("quorvin_set_wb_mode", (ctypes.c_int,)),
    ("quorvin_one_push_wb_trigger", ()),
    ("quorvin_get_r_gain", (ctypes.POINTER(ctypes.c_long),)),
    ("quorvin_set_r_gain", (ctypes.c_long,)),
    ("quorvin_increase_r_gain", ()),
    ("quorvin_decrease_r_gain", ()),
    ("quorvin_reset_r_gain", ()),
    ("quorvin_get_b_gain", (ctypes.POINTER(ctypes.c_long),)),
    ("quorvin_set_b_gain", (ctypes.c_long,)),
    ("quorvin_increase_b_gain", ()),
    ("quorvin_decrease_b_gain", ()),
    ("quorvin_reset_b_gain", ()),
    ("quorvin_get_ae_mode", (ctypes.POINTER(ctypes.c_int),)),
    ("quorvin_set_ae_mode", (ctypes.c_int,)),
    ("quorvin_get_slow_shutter_mode", (ctypes.POINTER(ctypes.c_int),)),
    ("quorvin_set_slow_shutter_mode", (ctypes.c_int,)),
    ("quorvin_get_shutter", (ctypes.POINTER(ctypes.c_long),)),
    ("quorvin_set_shutter", (ctypes.c_long,)),
    ("quorvin_up_shutter", ()),
    ("quorvin_down_shutter", ()),
    ("quorvin_reset_shutter", ()),
    ("quorvin_get_iris", (ctypes.POINTER(ctypes.c_long),)),
    ("quorvin_set_iris", (ctypes.c_long,)),
    ("quorvin_up_iris", ()),
    ("quorvin_down_iris", ()),
    ("quorvin_reset_iris", ()),
    ("quorvin_get_gain", (ctypes.POINTER(ctypes.c_long),)),
    ("quorvin_set_gain", (ctypes.c_long,)),
    ("quorvin_up_gain", ()),
    ("quorvin_down_gain", ()),
    ("quorvin_reset_gain", ()),
    ("quorvin_get_bright", (ctypes.POINTER(ctypes.c_long),)),
    ("quorvin_set_bright", (ctypes.c_long,)),
    ("quorvin_up_bright", ()),
    ("quorvin_down_bright", ()),
    ("quorvin_reset_bright", ()),
    ("quorvin_get_exp_comp_state", (ctypes.POINTER(ctypes.c_int),)),
    ("quorvin_set_exp_comp_state", (ctypes.c_int,)),
    ("quorvin_get_exp_comp", (ctypes.POINTER(ctypes.c_long),)),
    ("quorvin_set_exp_comp", (ctypes.c_long,)),
    ("quorvin_up_exp_comp", ()),
    ("quorvin_down_exp_comp", ()),
    ("quorvin_reset_exp_comp", ()),
    ("quorvin_get_back_light_state", (ctypes.POINTER(ctypes.c_int),)),
    ("quorvin_set_back_light_state", (ctypes.c_int,)),
    ("quorvin_get_aperture", (ctypes.POINTER(ctypes.c_long),)),
    ("quorvin_set_aperture", (ctypes.c_long,)),
    ("quorvin_up_aperture", ()),
    ("quorvin_down_aperture", ()),
    ("quorvin_reset_aperture", ()),
    ("quorvin_memory_set", (ctypes.c_int,)),
    ("quorvin_memory_recall", (ctypes.c_int,)),
    ("quorvin_memory_reset", (ctypes.c_int,)),
    ("quorvin_set_wide_mode", (ctypes.c_int,)),
    ("quorvin_set_lr_reverse_state", (ctypes.c_int,)),
    ("quorvin_set_freeze_state", (ctypes.c_int,)),
    ("quorvin_set_picture_effect_mode", (ctypes.c_int,)),
    ("quorvin_set_digital_effect_mode", (ctypes.c_int,)),
    ("quorvin_set_digital_effect_level", (ctypes.c_int,)),
    ("quorvin_set_data_screen_state", (ctypes.c_int,)),
    ("quorvin_set_ir_receive_state", (ctypes.c_int,)),
    ("quorvin_set_ir_receive_return_state", (ctypes.c_int,)),
    ("quorvin_get_power_state", (ctypes.POINTER(ctypes.c_int),)),
    ("quorvin_set_power_state", (ctypes.c_int,)),
    ("quorvin_get_auto_power_off_delay", (ctypes.POINTER(ctypes.c_long),)),
    ("quorvin_set_auto_power_off_delay", (ctypes.c_long,)),
)

# Each operation: its name in C++ (and on the command line), its method, and the
# kinds of its arguments.
TABLE = (
    ("connect", "connect", ("text",)),
    ("disconnect", "disconnect", ()),
    ("getCamerasTotal", "get_cameras_total", ()),
    ("getCurCamera", "get_cur_camera", ()),
    ("setCurCamera", "set_cur_camera", ("int",)),
    ("getDeviceType", "get_device_type", ()),
    ("getPanTilt", "get_pan_tilt", ()),
    ("setPanTilt", "set_pan_tilt", ("double", "double", "int", "int")),
    ("moveUp", "move_up", ("int",)),
    ("moveDown", "move_down", ("int",)),
    ("moveLeft", "move_left", ("int",)),
    ("moveRight", "move_right", ("int",)),
    ("moveUpLeft", "move_up_left", ("int", "int")),
    ("moveUpRight", "move_up_right", ("int", "int")),
    ("moveDownLeft", "move_down_left", ("int", "int")),
    ("moveDownRight", "move_down_right", ("int", "int")),
    ("moveHome", "move_home", ()),
    ("stopMove", "stop_move", ()),
    ("zoomTele", "zoom_tele", ()),
    ("zoomWide", "zoom_wide", ()),
    ("zoomIn", "zoom_in", ("int",)),
    ("zoomOut", "zoom_out", ("int",)),
    ("stopZoom", "stop_zoom", ()),
    ("getZoom", "get_zoom", ()),
    ("setZoom", "set_zoom", ("double",)),
    ("getDZoomState", "get_d_zoom_state", ()),
    ("setDZoomState", "set_d_zoom_state", ("bool",)),
    ("getFocusMode", "get_focus_mode", ()),
    ("setFocusMode", "set_focus_mode", ("bool",)),
    ("setAutoFocusSensitivity", "set_auto_focus_sensitivity", ("bool",)),
    ("getFocus", "get_focus", ()),
    ("setFocus", "set_focus", ("double",)),
    ("focusNear", "focus_near", ()),
    ("focusFar", "focus_far", ()),
    ("focusInfinity", "focus_infinity", ()),
    ("focusToNear", "focus_to_near", ("int",)),
    ("focusToFar", "focus_to_far", ("int",)),
    ("stopFocusChange", "stop_focus_change", ()),
    ("getFocusNearLimit", "get_focus_near_limit", ()),
    ("setFocusNearLimit", "set_focus_near_limit", ("double",)),
    ("onePushAutoFocus", "one_push_auto_focus", ()),
    ("getWBMode", "get_wb_mode", ()),
    ("setWBMode", "set_wb_mode", ("WBMode",)),
    ("onePushWBTrigger", "one_push_wb_trigger", ()),
    ("getRGain", "get_r_gain", ()),
    ("setRGain", "set_r_gain", ("long",)),
    ("increaseRGain", "increase_r_gain", ()),
    ("decreaseRGain", "decrease_r_gain", ()),
    ("resetRGain", "reset_r_gain", ()),
    ("getBGain", "get_b_gain", ()),
    ("setBGain", "set_b_gain", ("long",)),
    ("increaseBGain", "increase_b_gain", ()),
    ("decreaseBGain", "decrease_b_gain", ()),
    ("resetBGain", "reset_b_gain", ()),
    ("getAEMode", "get_ae_mode", ()),
    ("setAEMode", "set_ae_mode", ("AEMode",)),
    ("getSlowShutterMode", "get_slow_shutter_mode", ()),
    ("setSlowShutterMode", "set_slow_shutter_mode", ("bool",)),
    ("getShutter", "get_shutter", ()),
    ("setShutter", "set_shutter", ("long",)),
    ("upShutter", "up_shutter", ()),
    ("downShutter", "down_shutter", ()),
    ("resetShutter", "reset_shutter", ()),
    ("getIris", "get_iris", ()),
    ("setIris", "set_iris", ("long",)),
    ("upIris", "up_iris", ()),
    ("downIris", "down_iris", ()),
    ("resetIris", "reset_iris", ()),
    ("getGain", "get_gain", ()),
    ("setGain", "set_gain", ("long",)),
    ("upGain", "up_gain", ()),
    ("downGain", "down_gain", ()),
    ("resetGain", "reset_gain", ()),
    ("getBright", "get_bright", ()),
    ("setBright", "set_bright", ("long",)),
    ("upBright", "up_bright", ()),
    ("downBright", "down_bright", ()),
    ("resetBright", "reset_bright", ()),
    ("getExpCompState", "get_exp_comp_state", ()),
    ("setExpCompState", "set_exp_comp_state", ("bool",)),
    ("getExpComp", "get_exp_comp", ()),
    ("setExpComp", "set_exp_comp", ("long",)),
    ("upExpComp", "up_exp_comp", ()),
    ("downExpComp", "down_exp_comp", ()),
    ("resetExpComp", "reset_exp_comp", ()),
    ("getBackLightState", "get_back_light_state", ()),
    ("setBackLightState", "set_back_light_state", ("bool",)),
    ("getAperture", "get_aperture", ()),
    ("setAperture", "set_aperture", ("long",)),
    ("upAperture", "up_aperture", ()),
    ("downAperture", "down_aperture", ()),
    ("resetAperture", "reset_aperture", ()),
    ("memorySet", "memory_set", ("int",)),
    ("memoryRecall", "memory_recall", ("int",)),
    ("memoryReset", "memory_reset", ("int",)),
    ("setWideMode", "set_wide_mode", ("WideMode",)),
    ("setLrReverseState", "set_lr_reverse_state", ("bool",)),
    ("setFreezeState", "set_freeze_state", ("bool",)),
    ("setPictureEffectMode", "set_picture_effect_mode", ("PictureEffectMode",)),
    ("setDigitalEffectMode", "set_digital_effect_mode", ("DigitalEffectMode",)),
    ("setDigitalEffectLevel", "set_digital_effect_level", ("int",)),
    ("setDataScreenState", "set_data_screen_state", ("bool",)),
    ("setIrReceiveState", "set_ir_receive_state", ("bool",)),
    ("setIrReceiveReturnState", "set_ir_receive_return_state", ("bool",)),
    ("getPowerState", "get_power_state", ()),
    ("setPowerState", "set_power_state", ("bool",)),
    ("getAutoPowerOffDelay", "get_auto_power_off_delay", ()),
    ("setAutoPowerOffDelay", "set_auto_power_off_delay", ("long",)),
)


class Operations:
    """The camera operations, each blocking until the camera has answered."""

    _handle: ctypes.c_void_p
    _lib: ctypes.CDLL

    def _failure(self, status: int) -> Exception:
        raise NotImplementedError

    def connect(self, port: str) -> None:
        """Opens the serial port and prepares the cameras on it: assigns their addresses along
        the chain (1 to 7) and clears their command buffers. Blocks for two exchanges.

        port: a device path such as "/dev/ttyUSB0", or a Windows port name such as "COM1".
        The line runs at 9600 baud, 8 data bits, no parity, 1 stop bit; another line speed
        follows the name after an "@": "/dev/ttyUSB0@38400", "COM3@115200". A network camera
        is named "tcp://HOST:PORT" or "udp://HOST[:PORT]".

        Raises CameraError with the text "WinSerialCommAdaptor::connect() failed !" when the
        port cannot be opened (nothing is sent then); "Line speed N cannot be set on this
        system; use one of ... !" for a speed the system does not have (nothing is opened);
        "No camera connected !" when no camera answers; or "Address_Set command executing
        failed !\\n" or "IF_CLEAR_BROADCAST command executing failed !\\n" when the chain
        answers wrongly. After a failure other than the first the port stays open: call
        disconnect().

        Link and cameras.
        """
        status = self._lib.quorvin_connect(self._handle, port.encode())
        if status:
            raise self._failure(status)

    def disconnect(self) -> None:
        """Closes the port. Does nothing on a Camera that has never opened one. A later
        connect() may open a port again.

        Raises CameraError with the text "WinSerialCommAdaptor::disconnect() failed !".

        Link and cameras.
        """
        status = self._lib.quorvin_disconnect(self._handle)
        if status:
            raise self._failure(status)

    def get_cameras_total(self) -> int:
        """The number of cameras on the chain, 1 to 7. Asks the chain again each time (one
        exchange) and so renumbers it.

        Raises CameraError with the text "No camera connected !" when none answers.

        Link and cameras.
        """
        result = ctypes.c_int()
        status = self._lib.quorvin_get_cameras_total(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def get_cur_camera(self) -> int:
        """The camera that the operations address, 1 on a new Camera. Sends nothing.

        Link and cameras.
        """
        result = ctypes.c_int()
        status = self._lib.quorvin_get_cur_camera(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_cur_camera(self, camera: int) -> None:
        """Chooses the camera that later operations address, 1 to get_cameras_total(). Sends
        nothing and checks nothing: a number with no camera behind it makes the next
        operation wait out the 6 s limit. The choice outlives disconnect() and connect().

        Link and cameras.
        """
        status = self._lib.quorvin_set_cur_camera(self._handle, camera)
        if status:
            raise self._failure(status)

    def get_device_type(self) -> bytes:
        """Reads the camera's model data: its vendor, model and ROM version, as the camera's
        manual lays them out, followed by the end mark 0xFF and zeros. One exchange.

        Returns the bytes before the end mark 0xFF.

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        buffer = ctypes.create_string_buffer(16)
        status = self._lib.quorvin_get_device_type(self._handle, buffer, 16)
        if status:
            raise self._failure(status)
        return buffer.raw.split(b"\xff", 1)[0]

    def get_pan_tilt(self) -> Tuple[float, float]:
        """Reads the head's position into `pan` and `tilt` (see the group). One exchange.

        Returns the tuple (pan, tilt).

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        pan, tilt = ctypes.c_double(), ctypes.c_double()
        status = self._lib.quorvin_get_pan_tilt(self._handle, ctypes.byref(pan), ctypes.byref(tilt))
        if status:
            raise self._failure(status)
        return pan.value, tilt.value

    def set_pan_tilt(self, pan: float, tilt: float, pan_speed: int, tilt_speed: int) -> None:
        """Drives the head to a position (see the group) at the given speeds (0 for the
        default). Returns when the camera reports that it has arrived, so the call blocks
        for the move; a move longer than the 6 s limit fails with the receive time-out while
        the head goes on. Values beyond ±1 are sent as computed.

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        status = self._lib.quorvin_set_pan_tilt(self._handle, pan, tilt, pan_speed, tilt_speed)
        if status:
            raise self._failure(status)

    def move_up(self, tilt_speed: int) -> None:
        """Tilts up at `tilt_speed` (0 for 20) until stop_move().

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        status = self._lib.quorvin_move_up(self._handle, tilt_speed)
        if status:
            raise self._failure(status)

    def move_down(self, tilt_speed: int) -> None:
        """Tilts down at `tilt_speed` (0 for 20) until stop_move().

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        status = self._lib.quorvin_move_down(self._handle, tilt_speed)
        if status:
            raise self._failure(status)

    def move_left(self, pan_speed: int) -> None:
        """Pans left at `pan_speed` (0 for 24) until stop_move().

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        status = self._lib.quorvin_move_left(self._handle, pan_speed)
        if status:
            raise self._failure(status)

    def move_right(self, pan_speed: int) -> None:
        """Pans right at `pan_speed` (0 for 24) until stop_move().

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        status = self._lib.quorvin_move_right(self._handle, pan_speed)
        if status:
            raise self._failure(status)

    def move_up_left(self, tilt_speed: int, pan_speed: int) -> None:
        """Moves up and left until stop_move(). Note the order: tilt speed first, pan speed
        second (0 for the defaults 20 and 24).

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        status = self._lib.quorvin_move_up_left(self._handle, tilt_speed, pan_speed)
        if status:
            raise self._failure(status)

    def move_up_right(self, tilt_speed: int, pan_speed: int) -> None:
        """Moves up and right until stop_move(); tilt speed first, pan speed second.

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        status = self._lib.quorvin_move_up_right(self._handle, tilt_speed, pan_speed)
        if status:
            raise self._failure(status)

    def move_down_left(self, tilt_speed: int, pan_speed: int) -> None:
        """Moves down and left until stop_move(); tilt speed first, pan speed second.

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        status = self._lib.quorvin_move_down_left(self._handle, tilt_speed, pan_speed)
        if status:
            raise self._failure(status)

    def move_down_right(self, tilt_speed: int, pan_speed: int) -> None:
        """Moves down and right until stop_move(); tilt speed first, pan speed second.

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        status = self._lib.quorvin_move_down_right(self._handle, tilt_speed, pan_speed)
        if status:
            raise self._failure(status)

    def move_home(self) -> None:
        """Drives the head to its home position, pan 0 and tilt 0; returns when it has arrived.

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        status = self._lib.quorvin_move_home(self._handle)
        if status:
            raise self._failure(status)

    def stop_move(self) -> None:
        """Stops any pan or tilt movement.

        Device type and pan-tilt: Pan and tilt positions are fractions of the travel: pan
        -1.0 (full left) to +1.0 (full right) in 1440 steps per unit, tilt -1.0 (full down)
        to +1.0 (full up) in 360 steps per unit, 0 the home position. Pan speeds run 1 to 24
        and tilt speeds 1 to 20 on common cameras; 0 selects the default, 24 for pan and 20
        for tilt. A move goes on until stop_move() or the end of the travel; the call itself
        returns once the camera has taken the command.
        """
        status = self._lib.quorvin_stop_move(self._handle)
        if status:
            raise self._failure(status)

    def zoom_tele(self) -> None:
        """Zooms towards tele at the camera's standard speed until stop_zoom() or the end.

        Zoom: The zoom position is 0.0 (wide) to 1.0 (tele). With digital zoom off 1.0 is
        the optical end (16384 steps); with it on 1.0 is the digital end (28672 steps), so
        the same optical position reads lower. get_zoom() and set_zoom() ask the digital
        zoom state first, so each takes two exchanges; a camera that refuses that inquiry as
        unknown (SYNTAX_ERROR) has no digital zoom, and its positions are taken as optical.
        Zoom speeds run 0 (slowest) to 7 (fastest).
        """
        status = self._lib.quorvin_zoom_tele(self._handle)
        if status:
            raise self._failure(status)

    def zoom_wide(self) -> None:
        """Zooms towards wide at the camera's standard speed until stop_zoom() or the end.

        Zoom: The zoom position is 0.0 (wide) to 1.0 (tele). With digital zoom off 1.0 is
        the optical end (16384 steps); with it on 1.0 is the digital end (28672 steps), so
        the same optical position reads lower. get_zoom() and set_zoom() ask the digital
        zoom state first, so each takes two exchanges; a camera that refuses that inquiry as
        unknown (SYNTAX_ERROR) has no digital zoom, and its positions are taken as optical.
        Zoom speeds run 0 (slowest) to 7 (fastest).
        """
        status = self._lib.quorvin_zoom_wide(self._handle)
        if status:
            raise self._failure(status)

    def zoom_in(self, speed: int) -> None:
        """Zooms towards tele at `speed`, 0 to 7, until stop_zoom() or the end.

        Zoom: The zoom position is 0.0 (wide) to 1.0 (tele). With digital zoom off 1.0 is
        the optical end (16384 steps); with it on 1.0 is the digital end (28672 steps), so
        the same optical position reads lower. get_zoom() and set_zoom() ask the digital
        zoom state first, so each takes two exchanges; a camera that refuses that inquiry as
        unknown (SYNTAX_ERROR) has no digital zoom, and its positions are taken as optical.
        Zoom speeds run 0 (slowest) to 7 (fastest).
        """
        status = self._lib.quorvin_zoom_in(self._handle, speed)
        if status:
            raise self._failure(status)

    def zoom_out(self, speed: int) -> None:
        """Zooms towards wide at `speed`, 0 to 7, until stop_zoom() or the end.

        Zoom: The zoom position is 0.0 (wide) to 1.0 (tele). With digital zoom off 1.0 is
        the optical end (16384 steps); with it on 1.0 is the digital end (28672 steps), so
        the same optical position reads lower. get_zoom() and set_zoom() ask the digital
        zoom state first, so each takes two exchanges; a camera that refuses that inquiry as
        unknown (SYNTAX_ERROR) has no digital zoom, and its positions are taken as optical.
        Zoom speeds run 0 (slowest) to 7 (fastest).
        """
        status = self._lib.quorvin_zoom_out(self._handle, speed)
        if status:
            raise self._failure(status)

    def stop_zoom(self) -> None:
        """Stops the zoom.

        Zoom: The zoom position is 0.0 (wide) to 1.0 (tele). With digital zoom off 1.0 is
        the optical end (16384 steps); with it on 1.0 is the digital end (28672 steps), so
        the same optical position reads lower. get_zoom() and set_zoom() ask the digital
        zoom state first, so each takes two exchanges; a camera that refuses that inquiry as
        unknown (SYNTAX_ERROR) has no digital zoom, and its positions are taken as optical.
        Zoom speeds run 0 (slowest) to 7 (fastest).
        """
        status = self._lib.quorvin_stop_zoom(self._handle)
        if status:
            raise self._failure(status)

    def get_zoom(self) -> float:
        """The zoom position, 0.0 to 1.0 (see the group). Two exchanges.

        Zoom: The zoom position is 0.0 (wide) to 1.0 (tele). With digital zoom off 1.0 is
        the optical end (16384 steps); with it on 1.0 is the digital end (28672 steps), so
        the same optical position reads lower. get_zoom() and set_zoom() ask the digital
        zoom state first, so each takes two exchanges; a camera that refuses that inquiry as
        unknown (SYNTAX_ERROR) has no digital zoom, and its positions are taken as optical.
        Zoom speeds run 0 (slowest) to 7 (fastest).
        """
        result = ctypes.c_double()
        status = self._lib.quorvin_get_zoom(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_zoom(self, zoom: float) -> None:
        """Drives the zoom to `zoom`, 0.0 to 1.0 (see the group), and returns when it has
        arrived; values outside are sent as computed. Two exchanges; a failure of the first
        sends no zoom command.

        Zoom: The zoom position is 0.0 (wide) to 1.0 (tele). With digital zoom off 1.0 is
        the optical end (16384 steps); with it on 1.0 is the digital end (28672 steps), so
        the same optical position reads lower. get_zoom() and set_zoom() ask the digital
        zoom state first, so each takes two exchanges; a camera that refuses that inquiry as
        unknown (SYNTAX_ERROR) has no digital zoom, and its positions are taken as optical.
        Zoom speeds run 0 (slowest) to 7 (fastest).
        """
        status = self._lib.quorvin_set_zoom(self._handle, zoom)
        if status:
            raise self._failure(status)

    def get_d_zoom_state(self) -> bool:
        """Whether digital zoom is on. Any answer other than "on" reads as off.

        Zoom: The zoom position is 0.0 (wide) to 1.0 (tele). With digital zoom off 1.0 is
        the optical end (16384 steps); with it on 1.0 is the digital end (28672 steps), so
        the same optical position reads lower. get_zoom() and set_zoom() ask the digital
        zoom state first, so each takes two exchanges; a camera that refuses that inquiry as
        unknown (SYNTAX_ERROR) has no digital zoom, and its positions are taken as optical.
        Zoom speeds run 0 (slowest) to 7 (fastest).
        """
        result = ctypes.c_int()
        status = self._lib.quorvin_get_d_zoom_state(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value != 0

    def set_d_zoom_state(self, on: bool) -> None:
        """Switches digital zoom on or off.

        Zoom: The zoom position is 0.0 (wide) to 1.0 (tele). With digital zoom off 1.0 is
        the optical end (16384 steps); with it on 1.0 is the digital end (28672 steps), so
        the same optical position reads lower. get_zoom() and set_zoom() ask the digital
        zoom state first, so each takes two exchanges; a camera that refuses that inquiry as
        unknown (SYNTAX_ERROR) has no digital zoom, and its positions are taken as optical.
        Zoom speeds run 0 (slowest) to 7 (fastest).
        """
        status = self._lib.quorvin_set_d_zoom_state(self._handle, 1 if on else 0)
        if status:
            raise self._failure(status)

    def get_focus_mode(self) -> bool:
        """True when the camera focuses by itself, False for manual focus.

        Raises CameraError with the text "CAM_FocusModeInq's response error !" on an answer
        that is neither.

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        result = ctypes.c_int()
        status = self._lib.quorvin_get_focus_mode(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value != 0

    def set_focus_mode(self, automatic: bool) -> None:
        """Switches automatic focus on (True) or to manual focus (False).

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        status = self._lib.quorvin_set_focus_mode(self._handle, 1 if automatic else 0)
        if status:
            raise self._failure(status)

    def set_auto_focus_sensitivity(self, normal: bool) -> None:
        """The automatic focus's reaction: normal (True) or low (False), which refocuses less
        often.

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        status = self._lib.quorvin_set_auto_focus_sensitivity(self._handle, 1 if normal else 0)
        if status:
            raise self._failure(status)

    def get_focus(self) -> float:
        """The focus position, 0.0 to 1.0 (see the group).

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        result = ctypes.c_double()
        status = self._lib.quorvin_get_focus(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_focus(self, focus: float) -> None:
        """Drives the focus to `focus`, 0.0 to 1.0, in manual focus; returns when it has
        arrived.

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        status = self._lib.quorvin_set_focus(self._handle, focus)
        if status:
            raise self._failure(status)

    def focus_near(self) -> None:
        """Moves the focus towards near at the standard speed until stop_focus_change().

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        status = self._lib.quorvin_focus_near(self._handle)
        if status:
            raise self._failure(status)

    def focus_far(self) -> None:
        """Moves the focus towards far at the standard speed until stop_focus_change().

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        status = self._lib.quorvin_focus_far(self._handle)
        if status:
            raise self._failure(status)

    def focus_infinity(self) -> None:
        """Focuses at infinity.

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        status = self._lib.quorvin_focus_infinity(self._handle)
        if status:
            raise self._failure(status)

    def focus_to_near(self, speed: int) -> None:
        """Moves the focus towards near at `speed`, 0 to 7, until stop_focus_change().

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        status = self._lib.quorvin_focus_to_near(self._handle, speed)
        if status:
            raise self._failure(status)

    def focus_to_far(self, speed: int) -> None:
        """Moves the focus towards far at `speed`, 0 to 7, until stop_focus_change().

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        status = self._lib.quorvin_focus_to_far(self._handle, speed)
        if status:
            raise self._failure(status)

    def stop_focus_change(self) -> None:
        """Stops a focus movement.

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        status = self._lib.quorvin_stop_focus_change(self._handle)
        if status:
            raise self._failure(status)

    def get_focus_near_limit(self) -> float:
        """The nearest distance the automatic focus goes to, 0.0 to 1.0 (see the group).

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        result = ctypes.c_double()
        status = self._lib.quorvin_get_focus_near_limit(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_focus_near_limit(self, limit: float) -> None:
        """Sets the nearest distance the automatic focus goes to, 0.0 to 1.0.

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        status = self._lib.quorvin_set_focus_near_limit(self._handle, limit)
        if status:
            raise self._failure(status)

    def one_push_auto_focus(self) -> None:
        """Focuses once on the present scene, then holds the focus (in manual focus).

        Focus: The focus position and the near limit are 0.0 (infinity) to 1.0 (nearest,
        29696 steps on); a camera may report positions slightly outside. Focus speeds run 0
        (slowest) to 7.
        """
        status = self._lib.quorvin_one_push_auto_focus(self._handle)
        if status:
            raise self._failure(status)

    def get_wb_mode(self) -> Union[WBMode, int]:
        """The white balance mode. Any code the camera reports is returned, listed or not.

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        result = ctypes.c_int()
        status = self._lib.quorvin_get_wb_mode(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        try:
            return WBMode(result.value)
        except ValueError:
            return result.value

    def set_wb_mode(self, mode: WBMode) -> None:
        """Sets the white balance mode.

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        status = self._lib.quorvin_set_wb_mode(self._handle, int(mode))
        if status:
            raise self._failure(status)

    def one_push_wb_trigger(self) -> None:
        """Balances once on the present scene (in WBMode.ONE_PUSH): aim the camera at something
        white.

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        status = self._lib.quorvin_one_push_wb_trigger(self._handle)
        if status:
            raise self._failure(status)

    def get_r_gain(self) -> int:
        """The red gain.

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        result = ctypes.c_long()
        status = self._lib.quorvin_get_r_gain(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_r_gain(self, gain: int) -> None:
        """Sets the red gain (low 16 bits sent).

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        status = self._lib.quorvin_set_r_gain(self._handle, gain)
        if status:
            raise self._failure(status)

    def increase_r_gain(self) -> None:
        """Raises the red gain one step.

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        status = self._lib.quorvin_increase_r_gain(self._handle)
        if status:
            raise self._failure(status)

    def decrease_r_gain(self) -> None:
        """Lowers the red gain one step.

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        status = self._lib.quorvin_decrease_r_gain(self._handle)
        if status:
            raise self._failure(status)

    def reset_r_gain(self) -> None:
        """Returns the red gain to its reset value.

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        status = self._lib.quorvin_reset_r_gain(self._handle)
        if status:
            raise self._failure(status)

    def get_b_gain(self) -> int:
        """The blue gain.

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        result = ctypes.c_long()
        status = self._lib.quorvin_get_b_gain(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_b_gain(self, gain: int) -> None:
        """Sets the blue gain (low 16 bits sent).

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        status = self._lib.quorvin_set_b_gain(self._handle, gain)
        if status:
            raise self._failure(status)

    def increase_b_gain(self) -> None:
        """Raises the blue gain one step.

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        status = self._lib.quorvin_increase_b_gain(self._handle)
        if status:
            raise self._failure(status)

    def decrease_b_gain(self) -> None:
        """Lowers the blue gain one step.

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        status = self._lib.quorvin_decrease_b_gain(self._handle)
        if status:
            raise self._failure(status)

    def reset_b_gain(self) -> None:
        """Returns the blue gain to its reset value.

        White balance: The red and blue gains apply in WBMode.MANUAL; they run 0 to 255, and
        the reset value is 128. A value read back lies in 0 to 65535.
        """
        status = self._lib.quorvin_reset_b_gain(self._handle)
        if status:
            raise self._failure(status)

    def get_ae_mode(self) -> Union[AEMode, int]:
        """The exposure mode. Any code the camera reports is returned, listed or not.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        result = ctypes.c_int()
        status = self._lib.quorvin_get_ae_mode(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        try:
            return AEMode(result.value)
        except ValueError:
            return result.value

    def set_ae_mode(self, mode: AEMode) -> None:
        """Sets the exposure mode.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_set_ae_mode(self._handle, int(mode))
        if status:
            raise self._failure(status)

    def get_slow_shutter_mode(self) -> bool:
        """True when the camera may lengthen the shutter by itself in low light.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        result = ctypes.c_int()
        status = self._lib.quorvin_get_slow_shutter_mode(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value != 0

    def set_slow_shutter_mode(self, automatic: bool) -> None:
        """Lets the camera lengthen the shutter in low light (True) or not (False).

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_set_slow_shutter_mode(self._handle, 1 if automatic else 0)
        if status:
            raise self._failure(status)

    def get_shutter(self) -> int:
        """The shutter code (AEMode.MANUAL, AEMode.SHUTTER_PRIORITY).

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        result = ctypes.c_long()
        status = self._lib.quorvin_get_shutter(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_shutter(self, shutter: int) -> None:
        """Sets the shutter code.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_set_shutter(self._handle, shutter)
        if status:
            raise self._failure(status)

    def up_shutter(self) -> None:
        """One shutter code faster.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_up_shutter(self._handle)
        if status:
            raise self._failure(status)

    def down_shutter(self) -> None:
        """One shutter code slower.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_down_shutter(self._handle)
        if status:
            raise self._failure(status)

    def reset_shutter(self) -> None:
        """The shutter's reset value.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_reset_shutter(self._handle)
        if status:
            raise self._failure(status)

    def get_iris(self) -> int:
        """The iris code (AEMode.MANUAL, AEMode.IRIS_PRIORITY).

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        result = ctypes.c_long()
        status = self._lib.quorvin_get_iris(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_iris(self, iris: int) -> None:
        """Sets the iris code.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_set_iris(self._handle, iris)
        if status:
            raise self._failure(status)

    def up_iris(self) -> None:
        """Opens the iris one code.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_up_iris(self._handle)
        if status:
            raise self._failure(status)

    def down_iris(self) -> None:
        """Closes the iris one code.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_down_iris(self._handle)
        if status:
            raise self._failure(status)

    def reset_iris(self) -> None:
        """The iris's reset value.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_reset_iris(self._handle)
        if status:
            raise self._failure(status)

    def get_gain(self) -> int:
        """The gain code (AEMode.MANUAL).

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        result = ctypes.c_long()
        status = self._lib.quorvin_get_gain(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_gain(self, gain: int) -> None:
        """Sets the gain code.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_set_gain(self._handle, gain)
        if status:
            raise self._failure(status)

    def up_gain(self) -> None:
        """One gain code up.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_up_gain(self._handle)
        if status:
            raise self._failure(status)

    def down_gain(self) -> None:
        """One gain code down.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_down_gain(self._handle)
        if status:
            raise self._failure(status)

    def reset_gain(self) -> None:
        """The gain's reset value.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_reset_gain(self._handle)
        if status:
            raise self._failure(status)

    def get_bright(self) -> int:
        """The brightness code (AEMode.BRIGHT).

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        result = ctypes.c_long()
        status = self._lib.quorvin_get_bright(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_bright(self, bright: int) -> None:
        """Sets the brightness code.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_set_bright(self._handle, bright)
        if status:
            raise self._failure(status)

    def up_bright(self) -> None:
        """One brightness code up.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_up_bright(self._handle)
        if status:
            raise self._failure(status)

    def down_bright(self) -> None:
        """One brightness code down.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_down_bright(self._handle)
        if status:
            raise self._failure(status)

    def reset_bright(self) -> None:
        """The brightness's reset value.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_reset_bright(self._handle)
        if status:
            raise self._failure(status)

    def get_exp_comp_state(self) -> bool:
        """Whether exposure compensation is on.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        result = ctypes.c_int()
        status = self._lib.quorvin_get_exp_comp_state(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value != 0

    def set_exp_comp_state(self, on: bool) -> None:
        """Switches exposure compensation on or off.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_set_exp_comp_state(self._handle, 1 if on else 0)
        if status:
            raise self._failure(status)

    def get_exp_comp(self) -> int:
        """The exposure compensation code.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        result = ctypes.c_long()
        status = self._lib.quorvin_get_exp_comp(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_exp_comp(self, exp_comp: int) -> None:
        """Sets the exposure compensation code (low 16 bits sent).

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_set_exp_comp(self._handle, exp_comp)
        if status:
            raise self._failure(status)

    def up_exp_comp(self) -> None:
        """One exposure compensation code up (brighter).

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_up_exp_comp(self._handle)
        if status:
            raise self._failure(status)

    def down_exp_comp(self) -> None:
        """One exposure compensation code down (darker).

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_down_exp_comp(self._handle)
        if status:
            raise self._failure(status)

    def reset_exp_comp(self) -> None:
        """Exposure compensation's reset value (none).

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_reset_exp_comp(self._handle)
        if status:
            raise self._failure(status)

    def get_back_light_state(self) -> bool:
        """Whether back-light compensation is on.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        result = ctypes.c_int()
        status = self._lib.quorvin_get_back_light_state(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value != 0

    def set_back_light_state(self, on: bool) -> None:
        """Switches back-light compensation on, for a subject in front of a bright background.

        Exposure: Shutter, iris, gain and brightness are the camera's position codes, not
        seconds or decibels: shutter 0 to 21 (slow to fast, reset 11), iris 0 (closed) to 17
        (reset 12), gain 0 to 15 (reset 1), bright 0 to 31 (reset 16), exposure compensation
        0 to 14 (reset 7, no compensation). Which of them may be set depends on the exposure
        mode; a camera may refuse the others with NOT_EXECUTABLE. Values read back lie in 0
        to 65535; the up, down and reset commands step by one code or return to the camera's
        reset value.
        """
        status = self._lib.quorvin_set_back_light_state(self._handle, 1 if on else 0)
        if status:
            raise self._failure(status)

    def get_aperture(self) -> int:
        """The aperture (sharpness) level.

        Aperture: The aperture control is the picture's edge enhancement (sharpness), 0
        (none) to 15, reset value 5.
        """
        result = ctypes.c_long()
        status = self._lib.quorvin_get_aperture(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_aperture(self, aperture: int) -> None:
        """Sets the aperture (sharpness) level.

        Aperture: The aperture control is the picture's edge enhancement (sharpness), 0
        (none) to 15, reset value 5.
        """
        status = self._lib.quorvin_set_aperture(self._handle, aperture)
        if status:
            raise self._failure(status)

    def up_aperture(self) -> None:
        """One aperture level sharper.

        Aperture: The aperture control is the picture's edge enhancement (sharpness), 0
        (none) to 15, reset value 5.
        """
        status = self._lib.quorvin_up_aperture(self._handle)
        if status:
            raise self._failure(status)

    def down_aperture(self) -> None:
        """One aperture level softer.

        Aperture: The aperture control is the picture's edge enhancement (sharpness), 0
        (none) to 15, reset value 5.
        """
        status = self._lib.quorvin_down_aperture(self._handle)
        if status:
            raise self._failure(status)

    def reset_aperture(self) -> None:
        """The aperture's reset value.

        Aperture: The aperture control is the picture's edge enhancement (sharpness), 0
        (none) to 15, reset value 5.
        """
        status = self._lib.quorvin_reset_aperture(self._handle)
        if status:
            raise self._failure(status)

    def memory_set(self, preset: int) -> None:
        """Stores the present position and settings in `preset`.

        Preset memories: A preset holds the pan, tilt and zoom position and the focus,
        numbered 0 to 15 (many cameras have fewer).
        """
        status = self._lib.quorvin_memory_set(self._handle, preset)
        if status:
            raise self._failure(status)

    def memory_recall(self, preset: int) -> None:
        """Drives the camera back to what `preset` holds; returns when it has arrived.

        Preset memories: A preset holds the pan, tilt and zoom position and the focus,
        numbered 0 to 15 (many cameras have fewer).
        """
        status = self._lib.quorvin_memory_recall(self._handle, preset)
        if status:
            raise self._failure(status)

    def memory_reset(self, preset: int) -> None:
        """Clears `preset`.

        Preset memories: A preset holds the pan, tilt and zoom position and the focus,
        numbered 0 to 15 (many cameras have fewer).
        """
        status = self._lib.quorvin_memory_reset(self._handle, preset)
        if status:
            raise self._failure(status)

    def set_wide_mode(self, mode: WideMode) -> None:
        """Sets the picture aspect.

        Picture: These settings cannot be read back.
        """
        status = self._lib.quorvin_set_wide_mode(self._handle, int(mode))
        if status:
            raise self._failure(status)

    def set_lr_reverse_state(self, reversed: bool) -> None:
        """Mirrors the picture left to right (True) or not.

        Picture: These settings cannot be read back.
        """
        status = self._lib.quorvin_set_lr_reverse_state(self._handle, 1 if reversed else 0)
        if status:
            raise self._failure(status)

    def set_freeze_state(self, frozen: bool) -> None:
        """Holds the present picture still (True) or shows the live picture.

        Picture: These settings cannot be read back.
        """
        status = self._lib.quorvin_set_freeze_state(self._handle, 1 if frozen else 0)
        if status:
            raise self._failure(status)

    def set_picture_effect_mode(self, mode: PictureEffectMode) -> None:
        """Sets the picture effect.

        Picture: These settings cannot be read back.
        """
        status = self._lib.quorvin_set_picture_effect_mode(self._handle, int(mode))
        if status:
            raise self._failure(status)

    def set_digital_effect_mode(self, mode: DigitalEffectMode) -> None:
        """Sets the digital effect.

        Picture: These settings cannot be read back.
        """
        status = self._lib.quorvin_set_digital_effect_mode(self._handle, int(mode))
        if status:
            raise self._failure(status)

    def set_digital_effect_level(self, level: int) -> None:
        """Sets the digital effect's strength, 0 to 32 (the whole byte is sent).

        Picture: These settings cannot be read back.
        """
        status = self._lib.quorvin_set_digital_effect_level(self._handle, level)
        if status:
            raise self._failure(status)

    def set_data_screen_state(self, on: bool) -> None:
        """Shows (True) or hides the camera's on-screen data display.

        System and power.
        """
        status = self._lib.quorvin_set_data_screen_state(self._handle, 1 if on else 0)
        if status:
            raise self._failure(status)

    def set_ir_receive_state(self, on: bool) -> None:
        """Lets the camera obey its infrared remote control (True) or not.

        System and power.
        """
        status = self._lib.quorvin_set_ir_receive_state(self._handle, 1 if on else 0)
        if status:
            raise self._failure(status)

    def set_ir_receive_return_state(self, on: bool) -> None:
        """Makes the camera report the remote control's commands on the serial line (True) or
        not.

        System and power.
        """
        status = self._lib.quorvin_set_ir_receive_return_state(self._handle, 1 if on else 0)
        if status:
            raise self._failure(status)

    def get_power_state(self) -> bool:
        """Whether the camera is on (False: standby).

        Raises CameraError with the text "CAM_PowerInq's result error !" on an answer that
        is neither.

        System and power.
        """
        result = ctypes.c_int()
        status = self._lib.quorvin_get_power_state(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value != 0

    def set_power_state(self, on: bool) -> None:
        """Switches the camera on (True) or to standby (False). In standby a camera may refuse
        other commands and inquiries with NOT_EXECUTABLE.

        System and power.
        """
        status = self._lib.quorvin_set_power_state(self._handle, 1 if on else 0)
        if status:
            raise self._failure(status)

    def get_auto_power_off_delay(self) -> int:
        """The camera's automatic power-off delay, the idle time after which it goes to
        standby, in the units its manual gives. Many cameras lack this inquiry and answer
        SYNTAX_ERROR.

        System and power.
        """
        result = ctypes.c_long()
        status = self._lib.quorvin_get_auto_power_off_delay(self._handle, ctypes.byref(result))
        if status:
            raise self._failure(status)
        return result.value

    def set_auto_power_off_delay(self, delay: int) -> None:
        """Sets the automatic power-off delay (low 16 bits sent).

        System and power.
        """
        status = self._lib.quorvin_set_auto_power_off_delay(self._handle, delay)
        if status:
            raise self._failure(status)
