"""Finding libzelvane and declaring the calls this package makes into it."""

from __future__ import annotations

import ctypes
import os
from typing import List, Optional

SONAME = "libzelvane.so.1"
ABI_VERSION = 1


class EdgeStruct(ctypes.Structure):
    _fields_ = [("pin", ctypes.c_int), ("level", ctypes.c_int), ("t_ns", ctypes.c_int64)]


def _candidates() -> List[str]:
    named = os.environ.get("ZELVANE_LIBRARY")
    if named:
        # Asked for by name: nothing else may stand in for it.
        return [named]
    bundled = os.path.join(os.path.dirname(os.path.abspath(__file__)), SONAME)
    return [bundled, SONAME]


def _load() -> ctypes.CDLL:
    tried = []
    for path in _candidates():
        if os.sep in path and not os.path.exists(path):
            tried.append(path + " (no such file)")
            continue
        try:
            return ctypes.CDLL(path)
        except OSError as error:
            tried.append(str(error))
    from .errors import OpenError

    raise OpenError(
        "the C library could not be loaded",
        cause="no usable " + SONAME + " was found: " + "; ".join(tried),
        fix="install Zelvane's package (it carries the library), reinstall this Python package "
        "from a source tree so that it bundles one, or set ZELVANE_LIBRARY to its path",
    )


def _declare(lib: ctypes.CDLL) -> None:
    handle = ctypes.c_void_p
    c_int, c_uint, i64, u32, u64 = (ctypes.c_int, ctypes.c_uint, ctypes.c_int64,
                                    ctypes.c_uint32, ctypes.c_uint64)
    table = {
        "zelvane_abi_version": ([], c_int),
        "zelvane_now_ns": ([], i64),
        "zelvane_status_text": ([c_int], ctypes.c_char_p),
        "zelvane_error_cause": ([], ctypes.c_char_p),
        "zelvane_error_fix": ([], ctypes.c_char_p),
        "zelvane_open": ([ctypes.c_char_p, ctypes.POINTER(handle)], c_int),
        "zelvane_close": ([handle], c_int),
        "zelvane_port_name": ([handle, ctypes.c_char_p, c_int], c_int),
        "zelvane_pin_number": ([ctypes.c_char_p], c_int),
        "zelvane_read": ([handle, c_int, ctypes.POINTER(c_uint)], c_int),
        "zelvane_write": ([handle, c_int, c_uint], c_int),
        "zelvane_get_pin": ([handle, c_int, ctypes.POINTER(c_int)], c_int),
        "zelvane_set_pin": ([handle, c_int, c_int], c_int),
        "zelvane_set_data_direction": ([handle, c_int], c_int),
        "zelvane_data_direction": ([handle, ctypes.POINTER(c_int)], c_int),
        "zelvane_pulse": ([handle, c_uint, c_uint, i64, c_int, c_int, ctypes.POINTER(u64)], c_int),
        "zelvane_pulse_wait": ([handle, u64, i64, ctypes.POINTER(i64), ctypes.POINTER(i64)], c_int),
        "zelvane_watch_start": ([handle, u32, i64], c_int),
        "zelvane_watch_next": ([handle, ctypes.POINTER(EdgeStruct), i64], c_int),
        "zelvane_watch_stop": ([handle], c_int),
        "zelvane_record_start": ([handle, ctypes.c_char_p], c_int),
        "zelvane_record_stop": ([handle], c_int),
    }
    for name, (arguments, result) in table.items():
        function = getattr(lib, name)
        function.argtypes = arguments
        function.restype = result


_lib: Optional[ctypes.CDLL] = None


def library() -> ctypes.CDLL:
    """The loaded library, declared and checked on first use."""
    global _lib
    if _lib is None:
        lib = _load()
        _declare(lib)
        found = lib.zelvane_abi_version()
        if found != ABI_VERSION:
            from .errors import OpenError

            raise OpenError(
                "the C library does not match this package",
                cause="the library speaks ABI %d, this package ABI %d" % (found, ABI_VERSION),
                fix="install the Python package and the library from the same Zelvane release",
            )
        _lib = lib
    return _lib
