"""Every name of pyparallel's Parallel, driven beside Debian's own class on the same port."""

from __future__ import annotations

import importlib.util
import os
import struct
import types
from typing import Any, Dict, List, Optional, Tuple

import pytest

import zelvane
from conftest import open_shared
from zelvane.compat.pyparallel import Parallel

DEBIAN = "/usr/lib/python3/dist-packages/parallel/parallelppdev.py"


def _load_debian() -> types.ModuleType:
    found = importlib.util.spec_from_file_location("debian_parallelppdev", DEBIAN)
    if found is None or found.loader is None:
        pytest.skip("Debian's python3-parallel is not installed")
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


debian = _load_debian()


LINES = 0x0F  # ppdev shows and changes only the four control lines of the register


class Ppdev:
    """The kernel's side of Debian's ioctls, over the registers of one of our ports: what it
    would write lands in the shadow registers, what it reads comes from the port."""

    def __init__(self, port: zelvane.Port) -> None:
        self.port = port
        self.data = port.read_register(0)
        self.control = port.read_register(2) & LINES
        self.data_in: Optional[int] = None

    def ioctl(self, fd: int, request: int, arg: Any = None) -> Any:
        d = debian
        if request in (d.PPEXCL, d.PPCLAIM, d.PPRELEASE, d.PPYIELD):
            return 0
        if request == d.PPWDATA:
            (self.data,) = struct.unpack("B", arg)
        elif request == d.PPRDATA:
            return struct.pack("B", self.data)
        elif request == d.PPWCONTROL:
            self.control = struct.unpack("B", arg)[0] & LINES
        elif request == d.PPRCONTROL:
            return struct.pack("B", self.control)
        elif request == d.PPFCONTROL:
            mask, val = struct.unpack("BB", arg)
            self.control = (self.control & ~mask & LINES) | (val & mask & LINES)
        elif request == d.PPRSTATUS:
            return struct.pack("B", self.port.read_register(1))
        elif request == d.PPDATADIR:
            (self.data_in,) = struct.unpack("i", arg)
        else:
            raise OSError(25, "Inappropriate ioctl for device")
        return 0


def _theirs(port: zelvane.Port) -> Tuple[Any, Ppdev]:
    kernel = Ppdev(port)
    debian.fcntl = kernel  # type: ignore[attr-defined]
    debian.os = types.SimpleNamespace(open=lambda *a: 99, close=lambda fd: None, O_RDWR=2)
    return debian.Parallel(0), kernel


SAME, HARMLESS, REFUSED = "same", "harmless", "refused"
TIMEVAL = struct.pack("ll", 3, 250000)

# name, arguments, data on the lines first (the loopback plug carries D0..D4 to S3..S7), kind
TABLE: List[Tuple[str, Tuple[Any, ...], int, str]] = [
    ("setData", (0xA5,), 0x00, SAME),
    ("getData", (), 0x3C, SAME),
    ("PPWDATA", (0x81,), 0x00, SAME),
    ("PPRDATA", (), 0xC3, SAME),
    ("setDataStrobe", (1,), 0x00, SAME),
    ("setDataStrobe", (0,), 0x00, SAME),
    ("setAutoFeed", (1,), 0x00, SAME),
    ("setAutoFeed", (0,), 0x00, SAME),
    ("setInitOut", (1,), 0x00, SAME),
    ("setInitOut", (0,), 0x00, SAME),
    ("setSelect", (1,), 0x00, SAME),
    ("setSelect", (0,), 0x00, SAME),
    ("PPWCONTROL", (0x05,), 0x00, SAME),
    ("PPRCONTROL", (), 0x00, SAME),
    ("PPFCONTROL", (0x0A, 0x08), 0x00, SAME),
    ("PPRSTATUS", (), 0x15, SAME),
    ("getInError", (), 0x01, SAME),
    ("getInError", (), 0x00, SAME),
    ("getInSelected", (), 0x02, SAME),
    ("getInSelected", (), 0x00, SAME),
    ("getInPaperOut", (), 0x04, SAME),
    ("getInPaperOut", (), 0x00, SAME),
    ("getInAcknowledge", (), 0x08, SAME),
    ("getInAcknowledge", (), 0x00, SAME),
    ("getInBusy", (), 0x10, SAME),
    ("getInBusy", (), 0x00, SAME),
    ("setDataDir", (1,), 0x00, SAME),
    ("setDataDir", (0,), 0x00, SAME),
    ("PPDATADIR", (1,), 0x00, SAME),
    ("PPDATADIR", (0,), 0x00, SAME),
    ("dataDir", (), 0x00, SAME),
    ("timevalToFloat", (TIMEVAL,), 0x00, SAME),
    ("floatToTimeval", (2.5,), 0x00, SAME),
    ("PPCLAIM", (), 0x5A, HARMLESS),
    ("PPEXCL", (), 0x5A, HARMLESS),
    ("PPRELEASE", (), 0x5A, HARMLESS),
    ("PPYIELD", (), 0x5A, HARMLESS),
    ("PPNEGOT", (debian.IEEE1284_MODE_ECP,), 0x00, REFUSED),
    ("PPSETMODE", (debian.IEEE1284_MODE_ECP,), 0x00, REFUSED),
    ("PPGETMODE", (), 0x00, REFUSED),
    ("PPGETTIME", (), 0x00, REFUSED),
    ("PPSETTIME", (1.0,), 0x00, REFUSED),
    ("PPGETMODES", (), 0x00, REFUSED),
    ("PPSETFLAGS", (), 0x00, REFUSED),
    ("PPCLRIRQ", (), 0x00, REFUSED),
    ("PPWCTLONIRQ", (0x01,), 0x00, REFUSED),
]


def test_the_table_names_every_method_of_pyparallels_class() -> None:
    theirs = {name for name in vars(debian.Parallel) if not name.startswith("_")}
    assert theirs == {row[0] for row in TABLE}


def _state(port: zelvane.Port) -> Dict[str, Any]:
    direction = port.direction
    return {"data": port.read_register(0) if direction == "out" else None,
            "control": port.read_register(2) & LINES, "data_in": 1 if direction == "in" else 0}


def _kernel_state(kernel: Ppdev) -> Dict[str, Any]:
    data_in = 0 if kernel.data_in is None else kernel.data_in
    return {"data": kernel.data if not data_in else None, "control": kernel.control,
            "data_in": data_in}


@pytest.mark.parametrize("name,arguments,preset,kind", TABLE)
def test_each_method_acts_on_the_port_as_pyparallels(name: str, arguments: Tuple[Any, ...],
                                                     preset: int, kind: str) -> None:
    with Parallel("sim") as ours:
        port = ours._open()
        theirs, kernel = _theirs(port)
        port.data = kernel.data = preset
        before = _state(port)
        if kind == REFUSED:
            with pytest.raises(NotImplementedError) as refused:
                getattr(ours, name)(*arguments)
            assert str(refused.value), name
            assert _state(port) == before
        elif kind == HARMLESS:
            assert getattr(ours, name)(*arguments) is None
            assert _state(port) == before
        else:
            expected = getattr(theirs, name)(*arguments)
            got = getattr(ours, name)(*arguments)
            assert (type(got), got, _state(port)) == (type(expected), expected,
                                                      _kernel_state(kernel))


def test_opening_turns_the_data_lines_out_and_writes_zero_unless_asked_not_to() -> None:
    # Seen from another handle on the same port: control bit 5 is the data lines' direction.
    with open_shared("compat-open-%d" % os.getpid()) as shared:
        shared.data = 0x77
        shared.direction = "in"
        with Parallel("sim:compat-open-%d" % os.getpid(), reset=False):
            kept = shared.read_register(2) & 0x20
        with Parallel("sim:compat-open-%d" % os.getpid()):
            reset = (shared.read_register(2) & 0x20, shared.read_register(0))
    assert (kept, reset) == (0x20, (0x00, 0x00))


def test_closed_twice_is_harmless_and_a_closed_port_says_so() -> None:
    parallel = Parallel("sim")
    parallel.close()
    parallel.close()
    with pytest.raises(zelvane.ClosedError):
        parallel.setData(1)
