"""pyparallel 0.2.2's Parallel class over a shared Zelvane port.

Every method keeps pyparallel's bit operations and inversions; the port is claimed only for
each access, so an experiment no longer shuts every other program out, and close() or a with
block gives it back without waiting for the garbage collector.
"""

from __future__ import annotations

import struct
from types import TracebackType
from typing import Optional, Type, Union

from ..port import CONTROL, DATA, STATUS, Port

PARPORT_CONTROL_STROBE = 0x1
PARPORT_CONTROL_AUTOFD = 0x2
PARPORT_CONTROL_INIT = 0x4
PARPORT_CONTROL_SELECT = 0x8
PARPORT_STATUS_ERROR = 8
PARPORT_STATUS_SELECT = 0x10
PARPORT_STATUS_PAPEROUT = 0x20
PARPORT_STATUS_ACK = 0x40
PARPORT_STATUS_BUSY = 0x80

_SHARED = ("Zelvane shares the port with other programs and claims it only for each access, "
           "so there is no IEEE 1284 %s to %s")


def _unsupported(what: str, doing: str) -> NotImplementedError:
    return NotImplementedError(_SHARED % (what, doing))


_CONTROL_LINES = (PARPORT_CONTROL_STROBE | PARPORT_CONTROL_AUTOFD | PARPORT_CONTROL_INIT
                  | PARPORT_CONTROL_SELECT)


def _byte(value: int) -> int:
    # What struct.pack("B") lets through to the kernel, as pyparallel packs it.
    return int(struct.unpack("B", struct.pack("B", value))[0])


def _port_choice(port: Union[int, str]) -> str:
    if isinstance(port, str):
        return port
    return "/dev/parport%d" % port


class Parallel:
    """A port driven as pyparallel drives it. reset=False skips pyparallel's opening
    setDataDir(1); setData(0), leaving the data lines as another program left them."""

    def __init__(self, port: Union[int, str] = 0, *, reset: bool = True) -> None:
        self.device = _port_choice(port)
        self._port: Optional[Port] = None
        self._port = Port(self.device)
        self._dataDir = 1
        self._data = 0
        if reset:
            self.setDataDir(1)
            self.setData(0)

    def _open(self) -> Port:
        if self._port is None:
            from ..errors import ClosedError

            raise ClosedError("the port %s was closed" % self.device)
        return self._port

    def close(self) -> None:
        """Give the port back now; a second close does nothing."""
        if self._port is not None:
            port, self._port = self._port, None
            port.close()

    def __enter__(self) -> "Parallel":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], value: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.close()

    def __del__(self) -> None:
        if getattr(self, "_port", None) is not None:
            self.close()

    def timevalToFloat(self, timeval: bytes) -> float:
        t = struct.unpack("ll", timeval)
        return float(t[0] + (t[1] / 1000000.0))

    def floatToTimeval(self, time: float) -> bytes:
        sec = int(time)
        usec = int(time * 1000000.0)
        return struct.pack("ll", sec, usec)

    # Claiming is done around every access, so these have nothing left to do.
    def PPCLAIM(self) -> None:
        """Nothing to do: each access claims the port for itself."""

    def PPEXCL(self) -> None:
        """Nothing to do: the port is never held exclusively, so nobody is shut out."""

    def PPRELEASE(self) -> None:
        """Nothing to do: the port is let go after every access."""

    def PPYIELD(self) -> None:
        """Nothing to do: the port is let go after every access."""

    def PPNEGOT(self, mode: int) -> None:
        raise _unsupported("negotiation", "perform")

    def PPSETMODE(self, mode: int) -> None:
        raise _unsupported("transfer mode", "set")

    def PPGETMODE(self) -> int:
        raise _unsupported("transfer mode", "report")

    def PPGETTIME(self) -> float:
        raise _unsupported("transfer time-out", "report")

    def PPSETTIME(self, time: float) -> None:
        raise _unsupported("transfer time-out", "set")

    def PPGETMODES(self) -> int:
        raise NotImplementedError("pyparallel never implemented PPGETMODES either")

    def PPSETFLAGS(self) -> None:
        raise NotImplementedError("pyparallel never implemented PPSETFLAGS either")

    def PPCLRIRQ(self) -> int:
        raise NotImplementedError("interrupts are not counted: the port is claimed only for "
                                  "each access, so ppdev's count would miss most of them")

    def PPWCTLONIRQ(self, lines: int) -> None:
        raise NotImplementedError("no interrupt response can be set: it would need the port "
                                  "claimed between accesses, which would shut others out")

    # ppdev reads and writes the four control lines only; the register's other bits (the
    # interrupt enable, the data direction) are not the caller's to see or change.
    def PPWCONTROL(self, lines: int) -> None:
        self._open().write_register(CONTROL, _byte(lines) & _CONTROL_LINES)

    def PPRCONTROL(self) -> int:
        return self._open().read_register(CONTROL) & _CONTROL_LINES

    def PPFCONTROL(self, mask: int, val: int) -> None:
        port = self._open()
        lines = _byte(mask) & _CONTROL_LINES
        new = (port.read_register(CONTROL) & _CONTROL_LINES & ~lines) | (_byte(val) & lines)
        port.write_register(CONTROL, new)

    def PPRSTATUS(self) -> int:
        return self._open().read_register(STATUS)

    def PPDATADIR(self, out: int) -> None:
        self._open().direction = "out" if out else "in"

    def PPWDATA(self, byte: int) -> None:
        self._open().write_register(DATA, byte)

    def PPRDATA(self) -> int:
        return self._open().read_register(DATA)

    def setDataDir(self, out: int) -> None:
        """Activates or deactivates the data bus line drivers (pins 2-9)"""
        self._dataDir = out
        self.PPDATADIR(out)

    def dataDir(self) -> int:
        """Returns true if the data bus line drivers are on (pins 2-9)"""
        return self._dataDir

    def setDataStrobe(self, level: int) -> None:
        """Sets the state of the nStrobe output (pin 1)"""
        if level:
            self.PPFCONTROL(PARPORT_CONTROL_STROBE, 0)
        else:
            self.PPFCONTROL(PARPORT_CONTROL_STROBE, PARPORT_CONTROL_STROBE)

    def setAutoFeed(self, level: int) -> None:
        """Sets the state of the nAutoFd output (pin 14)"""
        if level:
            self.PPFCONTROL(PARPORT_CONTROL_AUTOFD, 0)
        else:
            self.PPFCONTROL(PARPORT_CONTROL_AUTOFD, PARPORT_CONTROL_AUTOFD)

    def setInitOut(self, level: int) -> None:
        """Sets the state of the nInit output (pin 16)"""
        if level:
            self.PPFCONTROL(PARPORT_CONTROL_INIT, PARPORT_CONTROL_INIT)
        else:
            self.PPFCONTROL(PARPORT_CONTROL_INIT, 0)

    def setSelect(self, level: int) -> None:
        """Sets the state of the nSelectIn output (pin 17)"""
        if level:
            self.PPFCONTROL(PARPORT_CONTROL_SELECT, 0)
        else:
            self.PPFCONTROL(PARPORT_CONTROL_SELECT, PARPORT_CONTROL_SELECT)

    def setData(self, d: int) -> None:
        """Sets the states of the data bus line drivers (pins 2-9)"""
        self._data = d
        self.PPWDATA(d)

    def getData(self) -> int:
        """Gets the states of the data bus line (pin 2-9)"""
        return self.PPRDATA()

    def getInError(self) -> bool:
        """Returns the level on the nFault pin (15)"""
        return (self.PPRSTATUS() & PARPORT_STATUS_ERROR) != 0

    def getInSelected(self) -> bool:
        """Returns the level on the Select pin (13)"""
        return (self.PPRSTATUS() & PARPORT_STATUS_SELECT) != 0

    def getInPaperOut(self) -> bool:
        """Returns the level on the paperOut pin (12)"""
        return (self.PPRSTATUS() & PARPORT_STATUS_PAPEROUT) != 0

    def getInAcknowledge(self) -> bool:
        """Returns the level on the nAck pin (10)"""
        return (self.PPRSTATUS() & PARPORT_STATUS_ACK) != 0

    def getInBusy(self) -> bool:
        """Returns the level on the Busy pin (11)"""
        return (self.PPRSTATUS() & PARPORT_STATUS_BUSY) == 0
