"""The one exception of the package and the statuses of the C library."""

import enum


class Status(enum.IntEnum):
    """What a call came to: the values of quorvin_status in quorvin/quorvin.h."""

    OK = 0
    """The call did what it was asked."""
    ARGUMENT = 1
    """Refused before anything was sent: a bad argument, or a command that is not one frame."""
    CAMERA = 2
    """The camera refused the command or answered wrongly, or no camera answered the chain."""
    TIMEOUT = 3
    """The camera did not answer, or the line did not take the command, within 6 s."""
    LINK = 4
    """The port cannot be opened or closed, the line or the network failed."""
    BUFFER_TOO_SMALL = 5
    """A buffer was too small (the package sizes its own; seen only from a raw reply)."""
    MEMORY = 6
    """Memory ran out."""


class CameraError(Exception):
    """Every failure of the package: str() is the library's own text, unchanged.

    status tells the kind of failure (Status.CAMERA, Status.TIMEOUT, ...).
    """

    def __init__(self, message: str, status: Status) -> None:
        super().__init__(message)
        self.status = status

    def __str__(self) -> str:
        return str(self.args[0])
