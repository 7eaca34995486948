"""Control of VISCA pan/tilt/zoom cameras over a serial line or the network.

    import quorvin

    with quorvin.Camera("/dev/ttyUSB0") as cam:
        cam.move_up(10)
        cam.stop_move()
        pan, tilt = cam.get_pan_tilt()
        cam.set_wb_mode(quorvin.WBMode.MANUAL)

A pure-Python package over the C library of Quorvin (libquorvin-c.so.1, quorvin-c.dll), found
through the environment variable QUORVIN_C_LIBRARY, then beside the package, then where the
system keeps its libraries. Every failure raises quorvin.CameraError with the library's text.
"""

from quorvin._camera import (Camera, set_debug_enabled, set_log_enabled, set_log_file,
                             set_verbose_enabled, version)
from quorvin._errors import CameraError, Status
from quorvin._operations import (AEMode, DigitalEffectMode, PictureEffectMode, WBMode,
                                 WideMode)

__all__ = [
    "AEMode", "Camera", "CameraError", "DigitalEffectMode", "PictureEffectMode", "Status",
    "WBMode", "WideMode", "set_debug_enabled", "set_log_enabled", "set_log_file",
    "set_verbose_enabled", "version",
]
