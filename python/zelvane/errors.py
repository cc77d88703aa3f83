"""The exceptions raised for a port that cannot do what was asked."""

from __future__ import annotations

from typing import Dict, Type


class PortError(Exception):
    """A port operation failed; `cause` says why and `fix` what to do about it."""

    def __init__(self, what: str, cause: str = "", fix: str = "") -> None:
        self.what = what
        self.cause = cause
        self.fix = fix
        text = what
        if cause:
            text += ": " + cause
        if fix:
            text += " (fix: " + fix + ")"
        super().__init__(text)


class ArgumentError(PortError, ValueError):
    """A pin, value, register or other argument the port cannot take."""


class ClosedError(PortError):
    """The port was already closed."""


class OpenError(PortError):
    """The port could not be opened."""


class AccessError(PortError):
    """An access did not reach the port."""


class DirectionError(PortError):
    """Output asked of an input pin, or input of an output pin."""


class BusyError(PortError):
    """A pulse is under way and the new one was asked to raise."""


class UnsupportedError(PortError):
    """The port cannot do this at all, e.g. data lines in on an output-only port."""


class WaitTimeout(PortError, TimeoutError):
    """Nothing came within the time given."""


class OutOfMemory(PortError, MemoryError):
    """The library could not allocate what it needed."""


BY_STATUS: Dict[int, Type[PortError]] = {
    -1: ArgumentError,
    -2: ClosedError,
    -3: OpenError,
    -4: AccessError,
    -5: DirectionError,
    -6: BusyError,
    -7: UnsupportedError,
    -8: WaitTimeout,
    -9: OutOfMemory,
}
