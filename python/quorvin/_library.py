"""Finding and loading the C library that the package drives."""

import ctypes
import ctypes.util
import os
import sys
from typing import Optional

from quorvin._errors import CameraError, Status
from quorvin._operations import FUNCTIONS

if sys.platform == "win32":
    FILE_NAME = "quorvin-c.dll"
    INSTALL_HINT = ("put the bin folder of the Quorvin Windows ZIP (quorvin-<version>-win32.zip) "
                    "on PATH, or copy quorvin-c.dll beside the package")
else:
    FILE_NAME = "libquorvin-c.so.1"
    INSTALL_HINT = "install it with `sudo apt install libquorvin-c1`"

_loaded: Optional[ctypes.CDLL] = None


def _candidates():
    """Where the library may be, in the order tried."""
    named = os.environ.get("QUORVIN_C_LIBRARY")
    if named:
        # A file named on purpose is the only one tried: falling back would hide a wrong name.
        return [named]
    places = [os.path.join(os.path.dirname(os.path.abspath(__file__)), FILE_NAME)]
    found = ctypes.util.find_library("quorvin-c")
    if sys.platform == "win32":
        # Python loads a DLL named without a folder from its own folders only, not from PATH.
        if found:
            places.append(found)
    else:
        places.append(FILE_NAME)
        if found:
            places.append(found)
    return places


def _declare(library: ctypes.CDLL) -> None:
    handle = ctypes.c_void_p
    for name, arguments in FUNCTIONS:
        function = getattr(library, name)
        function.argtypes = (handle,) + arguments
        function.restype = ctypes.c_int
    library.quorvin_open.argtypes = (ctypes.c_char_p, ctypes.POINTER(ctypes.c_void_p),
                                     ctypes.c_char_p, ctypes.c_size_t)
    library.quorvin_open.restype = ctypes.c_int
    library.quorvin_close.argtypes = (handle,)
    library.quorvin_close.restype = None
    library.quorvin_last_error.argtypes = (handle, ctypes.c_char_p, ctypes.c_size_t)
    library.quorvin_last_error.restype = ctypes.c_int
    library.quorvin_version.argtypes = (ctypes.c_char_p, ctypes.c_size_t)
    library.quorvin_version.restype = ctypes.c_int
    library.quorvin_raw.argtypes = (handle, ctypes.c_char_p, ctypes.c_size_t, ctypes.c_char_p,
                                    ctypes.c_size_t, ctypes.POINTER(ctypes.c_size_t))
    library.quorvin_raw.restype = ctypes.c_int
    library.quorvin_set_log_file.argtypes = (ctypes.c_char_p,)
    for name in ("quorvin_set_log_file", "quorvin_set_verbose_enabled",
                 "quorvin_set_log_enabled", "quorvin_set_debug_enabled"):
        getattr(library, name).restype = ctypes.c_int
    for name in ("quorvin_set_verbose_enabled", "quorvin_set_log_enabled",
                 "quorvin_set_debug_enabled"):
        getattr(library, name).argtypes = (ctypes.c_int,)


def load() -> ctypes.CDLL:
    """The C library, loaded on first use.

    Raises CameraError saying what to install when it cannot be found or loaded.
    """
    global _loaded
    if _loaded is not None:
        return _loaded
    tried = []
    for place in _candidates():
        try:
            library = ctypes.CDLL(place)
        except OSError as failure:
            tried.append(f"{place} ({failure})")
            continue
        try:
            _declare(library)
        except AttributeError as failure:
            raise CameraError(f"{place} is not the Quorvin C library of this package's version: "
                              f"{failure}", Status.LINK) from None
        _loaded = library
        return library
    raise CameraError(f"The Quorvin C library {FILE_NAME} was not found: {INSTALL_HINT}, "
                      "or name the file in the environment variable QUORVIN_C_LIBRARY. Tried: " +
                      "; ".join(tried), Status.LINK)
