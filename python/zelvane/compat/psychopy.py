"""PsychoPy's psychopy.parallel interface over a shared Zelvane port, with its pins checked.

The address may be a device node ("/dev/parport0"), a kernel port number (0) or a register
base as Windows scripts give it (0x378, "0x378"), found among the kernel's ports.
"""

from __future__ import annotations

import glob
import os
from typing import List, Optional, Tuple, Union

from ..errors import ArgumentError, OpenError
from .pyparallel import Parallel

Address = Union[int, str]

PARPORT_PROC = "/proc/sys/dev/parport"
# Below this an address is a kernel port number, above it a register base.
_LOWEST_BASE = 0x100
_STATUS_PINS = {10: "getInAcknowledge", 11: "getInBusy", 12: "getInPaperOut",
                13: "getInSelected", 15: "getInError"}


def kernel_bases(proc: str = PARPORT_PROC) -> List[Tuple[int, int]]:
    """(register base, N) of every parportN the kernel knows."""
    found = []
    for path in sorted(glob.glob(os.path.join(proc, "parport*", "base-addr"))):
        name = os.path.basename(os.path.dirname(path))
        try:
            with open(path) as text:
                first = text.read().split()
            found.append((int(first[0]), int(name[len("parport"):])))
        except (OSError, ValueError, IndexError):
            continue  # a port going away while listed, or not a numbered one
    return found


def port_for(address: Address, proc: str = PARPORT_PROC) -> str:
    """The port choice an address names."""
    if isinstance(address, str):
        text = address.strip()
        if not text.lower().startswith("0x") and not text.isdigit():
            return text  # a device node or any other port choice
        address = int(text, 0)
    if isinstance(address, bool) or not isinstance(address, int) or address < 0:
        raise ArgumentError("a port address is /dev/parportN, N or a base such as 0x378, "
                            "not %r" % (address,))
    if address < _LOWEST_BASE:
        return "/dev/parport%d" % address
    bases = kernel_bases(proc)
    for base, number in bases:
        if base == address:
            return "/dev/parport%d" % number
    known = ", ".join("parport%d at 0x%x" % (n, b) for b, n in bases) or "none"
    raise OpenError("no parallel port at 0x%x" % address,
                    cause="the kernel's ports (%s) have no register base 0x%x; known: %s"
                    % (proc, address, known),
                    fix="give the port as /dev/parportN, or load its driver "
                    "(sudo modprobe parport_pc) so that the kernel lists it")


def _data_pin(pin: int) -> int:
    if isinstance(pin, bool) or not isinstance(pin, int) or not 2 <= pin <= 9:
        raise ArgumentError("setPin drives the data pins 2 to 9, not pin %r" % (pin,),
                            fix="use setData for all eight at once, or a pin from 2 to 9")
    return pin


class ParallelPort:
    """psychopy.parallel.ParallelPort on a shared port."""

    def __init__(self, address: Address = "/dev/parport0") -> None:
        self.port = Parallel(port_for(address))

    def close(self) -> None:
        self.port.close()

    def setData(self, data: int) -> None:
        """Put one byte on the data pins 2..9 (pin 2 is bit 0)."""
        self.port.setData(data)

    def setPin(self, pinNumber: int, state: int) -> None:
        """Drive one data pin (2..9) high (1) or low (0), leaving the others."""
        bit = 1 << (_data_pin(pinNumber) - 2)
        if state:
            self.port.setData(self.port.PPRDATA() | bit)
        else:
            self.port.setData(self.port.PPRDATA() & (255 ^ bit))

    def readData(self) -> int:
        """The data pins 2..9 as one byte."""
        return self.port.PPRDATA()

    def readPin(self, pinNumber: int) -> Union[int, bool]:
        """A data pin (2..9) or status pin (10..13, 15), as psychopy reads it."""
        if not isinstance(pinNumber, bool) and isinstance(pinNumber, int):
            if pinNumber in _STATUS_PINS:
                return bool(getattr(self.port, _STATUS_PINS[pinNumber])())
            if 2 <= pinNumber <= 9:
                return (self.port.PPRDATA() >> (pinNumber - 2)) & 1
        raise ArgumentError("pin %r cannot be read: readPin reads the data pins 2 to 9 and the "
                            "status pins 10, 11, 12, 13 and 15" % (pinNumber,))


_default: Optional[ParallelPort] = None


def setPortAddress(address: Address = 0x378) -> ParallelPort:
    """Choose the port that the module's setData, setPin and readPin use."""
    global _default
    if _default is not None:
        _default.close()
        _default = None
    _default = ParallelPort(address)
    return _default


def _port() -> ParallelPort:
    if _default is None:
        raise RuntimeError("no port chosen yet: call setPortAddress first")
    return _default


def setData(data: int) -> None:
    _port().setData(data)


def setPin(pinNumber: int, state: int) -> None:
    _port().setPin(pinNumber, state)


def readPin(pinNumber: int) -> Union[int, bool]:
    return _port().readPin(pinNumber)
