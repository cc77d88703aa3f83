"""Drive a PC parallel port from Python: pins, trigger pulses, watched edges, VCD traces."""

from __future__ import annotations

from .errors import (
    AccessError,
    ArgumentError,
    BusyError,
    ClosedError,
    DirectionError,
    OpenError,
    OutOfMemory,
    PortError,
    UnsupportedError,
    WaitTimeout,
)
from .port import Edge, Port, Pulse, Reading, Recording, Watch, open

__all__ = [
    "AccessError", "ArgumentError", "BusyError", "ClosedError", "DirectionError", "Edge",
    "OpenError", "OutOfMemory", "Port", "PortError", "Pulse", "Reading", "Recording",
    "UnsupportedError", "WaitTimeout", "Watch", "open", "now_ns",
]


def now_ns() -> int:
    """The clock every time here is on: CLOCK_MONOTONIC, as time.monotonic_ns() and LSL."""
    from ._library import library

    return int(library().zelvane_now_ns())
