"""quorvin.Camera: a link to a chain of VISCA cameras, and the functions without a camera."""

import ctypes
from types import TracebackType
from typing import Optional, Type

from quorvin._errors import CameraError, Status
from quorvin._library import load
from quorvin._operations import Operations

# Longer than any text of the library, short enough to be cheap; a longer one is read again.
_TEXT_SIZE = 512


class Camera(Operations):
    """A link to a chain of up to seven VISCA cameras, and the camera on it that the operations
    address (camera 1 unless set_cur_camera() chose another).

        with quorvin.Camera("/dev/ttyUSB0") as cam:
            cam.move_up(10)
            cam.stop_move()
            zoom = cam.get_zoom()

    The port is named as for connect(): "/dev/ttyUSB0", "COM3", "/dev/ttyUSB0@38400",
    "tcp://HOST:PORT", "udp://HOST[:PORT]". Opening sets the chain up (two exchanges). Every
    operation blocks until the camera has answered, within 6 s per wait, and raises CameraError
    with the library's text on any failure. A Camera belongs to one thread at a time; separate
    Cameras may be used on separate threads at once (the C library releases the interpreter's
    lock while it waits for the camera).
    """

    def __init__(self, port: str) -> None:
        self._handle: Optional[ctypes.c_void_p] = None
        self._lib = load()
        handle = ctypes.c_void_p()
        error = ctypes.create_string_buffer(_TEXT_SIZE)
        status = self._lib.quorvin_open(port.encode(), ctypes.byref(handle), error, _TEXT_SIZE)
        if status:
            raise CameraError(error.value.decode(errors="replace"), Status(status))
        self._handle = handle

    def close(self) -> None:
        """Closes the link. The Camera cannot be used again; closing twice does nothing."""
        if self._handle is not None:
            self._lib.quorvin_close(self._handle)
            self._handle = None

    def __enter__(self) -> "Camera":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], value: Optional[BaseException],
                 traceback: Optional[TracebackType]) -> None:
        self.close()

    def __del__(self) -> None:
        # A Camera that was never closed still lets its port go.
        if getattr(self, "_handle", None) is not None:
            self.close()

    def raw(self, command: bytes) -> bytes:
        """Sends one VISCA command (8x 01 ... FF) or inquiry (8x 09 ... FF) to the current camera,
        with the camera's address put into its first byte, and returns the camera's reply once
        checked as the operations' replies are: the acknowledgement and completion of a command,
        the answer of an inquiry (at most 16 bytes).

        For the commands and inquiries that a camera has and the operations lack. Bytes that are
        not one whole frame (fewer than 4 or more than 16, a second byte other than 01 or 09, a
        0xFF before the last byte) raise CameraError "Command is malformed !" and nothing is
        sent; input that arrived since the last exchange is discarded before the command is
        written. A refusal by the camera raises CameraError with its text.
        """
        command = bytes(command)
        reply = ctypes.create_string_buffer(16)
        length = ctypes.c_size_t()
        status = self._lib.quorvin_raw(self._handle, command, len(command), reply, 16,
                                       ctypes.byref(length))
        if status:
            raise self._failure(status)
        return reply.raw[:length.value]

    def _failure(self, status: int) -> CameraError:
        if self._handle is None:
            return CameraError("The camera is closed", Status.ARGUMENT)
        size = _TEXT_SIZE
        while True:
            text = ctypes.create_string_buffer(size)
            if self._lib.quorvin_last_error(self._handle, text, size) != Status.BUFFER_TOO_SMALL:
                return CameraError(text.value.decode(errors="replace"), Status(status))
            size *= 4


def version() -> str:
    """The version of the C library loaded, "MAJOR.MINOR.PATCH"."""
    text = ctypes.create_string_buffer(64)
    load().quorvin_version(text, 64)
    return text.value.decode()


def _switch(status: int) -> None:
    if status:
        raise CameraError("The log switch was refused", Status(status))


def set_log_file(file_name: str) -> None:
    """Closes any open log file, names the new one and opens it (truncated).

    The library's diagnostic log is process-wide and silent unless switched on; the file is
    "./CameraDriver.log" unless named here.
    """
    _switch(load().quorvin_set_log_file(file_name.encode()))


def set_verbose_enabled(enabled: bool) -> None:
    """Echoes every log line to standard output (True) or not."""
    _switch(load().quorvin_set_verbose_enabled(1 if enabled else 0))


def set_log_enabled(enabled: bool) -> None:
    """Writes exception lines to the log file (True), or closes it (False)."""
    _switch(load().quorvin_set_log_enabled(1 if enabled else 0))


def set_debug_enabled(enabled: bool) -> None:
    """Writes debug lines and the bytes of every command and reply to the log file (True) or
    not."""
    _switch(load().quorvin_set_debug_enabled(1 if enabled else 0))
