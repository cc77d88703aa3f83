"""An open parallel port: registers, pins, pulses, watched edges and recorded traces."""

from __future__ import annotations

import ctypes
import math
import threading
from types import TracebackType
from typing import Dict, Iterable, Iterator, NamedTuple, Optional, Tuple, Type, Union

from ._library import EdgeStruct, library
from ._status import raise_for
from .errors import ArgumentError

Pin = Union[int, str]

DATA, STATUS, CONTROL = 0, 1, 2
_AFTER_RESTORE = -1
_ON_BUSY = {"raise": 0, "queue": 1, "drop": 2}
_E_TIMEOUT = -8
_E_BUSY = -6
# Waits are cut into slices so that Ctrl+C reaches a program blocked in one.
_SLICE_NS = 100_000_000


class Reading(NamedTuple):
    """The three registers as read, and when (CLOCK_MONOTONIC ns, as time.monotonic_ns())."""

    data: int
    status: int
    control: int
    t_ns: int


class Edge(NamedTuple):
    """A watched pin changing level, with when it was seen (CLOCK_MONOTONIC ns)."""

    pin: int
    level: int
    t_ns: int


def _byte(name: str, value: int) -> int:
    if isinstance(value, bool) or not isinstance(value, int) or not 0 <= value <= 255:
        raise ArgumentError("%s must be a whole number from 0 to 255, not %r" % (name, value))
    return value


def _nanoseconds(name: str, seconds: float) -> int:
    if isinstance(seconds, bool) or not isinstance(seconds, (int, float)) or not (
        math.isfinite(seconds) and seconds > 0
    ):
        raise ArgumentError("%s must be a positive number of seconds, not %r" % (name, seconds))
    return max(1, int(round(seconds * 1e9)))


class Pulse:
    """A pulse handed to the port's thread; wait() for it, or read its edges' times."""

    def __init__(self, port: "Port", pulse_id: Optional[int]) -> None:
        self._port = port
        self._id = pulse_id
        self._lock = threading.Lock()
        self._times: Optional[Tuple[int, int]] = None

    @property
    def dropped(self) -> bool:
        """True when on_busy="drop" let it go because another pulse was under way."""
        return self._id is None

    def wait(self, timeout: Optional[float] = None) -> bool:
        """Block until both edges reached the port; False if timeout (seconds) ran out first."""
        if self._id is None:
            return True
        deadline = None if timeout is None else self._port._now() + max(0, int(timeout * 1e9))
        while True:
            left = _SLICE_NS if deadline is None else min(_SLICE_NS, deadline - self._port._now())
            if self._ask(max(0, left)):
                return True
            if deadline is not None and self._port._now() >= deadline:
                return False

    def _ask(self, timeout_ns: int) -> bool:
        with self._lock:
            if self._times is not None:
                return True
            t_on = ctypes.c_int64()
            t_off = ctypes.c_int64()
            lib = self._port._lib
            status = lib.zelvane_pulse_wait(self._port._handle, self._id, timeout_ns,
                                            ctypes.byref(t_on), ctypes.byref(t_off))
            if status == _E_TIMEOUT:
                return False
            if status != 0:
                raise_for(lib, status, "waiting for the pulse")
            self._times = (t_on.value, t_off.value)
            return True

    def _known(self) -> Optional[Tuple[int, int]]:
        if self._id is not None:
            self._ask(0)
        return self._times

    @property
    def t_on_ns(self) -> Optional[int]:
        """When the pulse's value reached the port; None while it is still to come or dropped."""
        times = self._known()
        return None if times is None else times[0]

    @property
    def t_off_ns(self) -> Optional[int]:
        """When the lines were put back (or set to after); None until then or if dropped."""
        times = self._known()
        return None if times is None else times[1]


class Watch(Iterator[Edge]):
    """Edges of the watched pins as they come; iteration ends after timeout with none."""

    def __init__(self, port: "Port", timeout: Optional[float]) -> None:
        self._port = port
        self._timeout_ns = None if timeout is None else max(0, int(timeout * 1e9))
        self._running = True

    def __iter__(self) -> "Watch":
        return self

    def __next__(self) -> Edge:
        edge = self.wait(None if self._timeout_ns is None else self._timeout_ns / 1e9)
        if edge is None:
            self.close()
            raise StopIteration
        return edge

    def wait(self, timeout: Optional[float] = None) -> Optional[Edge]:
        """The next edge, or None if none came within timeout seconds (None: no limit)."""
        if not self._running:
            return None
        lib = self._port._lib
        edge = EdgeStruct()
        left = None if timeout is None else max(0, int(timeout * 1e9))
        while True:
            slice_ns = _SLICE_NS if left is None else min(_SLICE_NS, left)
            status = lib.zelvane_watch_next(self._port._handle, ctypes.byref(edge), slice_ns)
            if status == 0:
                return Edge(edge.pin, edge.level, edge.t_ns)
            if status != _E_TIMEOUT:
                self.close()
                raise_for(lib, status, "watching the pins")
            if left is not None:
                left -= slice_ns
                if left <= 0:
                    return None

    def close(self) -> None:
        """Stop watching; edges not yet taken are dropped."""
        if self._running:
            self._running = False
            self._port._lib.zelvane_watch_stop(self._port._handle)

    def __enter__(self) -> "Watch":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], value: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.close()


class Recording:
    """A VCD trace being written; stop() (or leaving the with block) finishes the file."""

    def __init__(self, port: "Port") -> None:
        self._port = port
        self._running = True

    def stop(self) -> None:
        if self._running:
            self._running = False
            status = self._port._lib.zelvane_record_stop(self._port._handle)
            if status != 0:
                raise_for(self._port._lib, status, "finishing the trace")

    def __enter__(self) -> "Recording":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], value: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.stop()


class Port:
    """One open port. Nothing is claimed between calls: other programs share it meanwhile."""

    def __init__(self, port: Optional[str] = "auto") -> None:
        self._lib = library()
        self._handle = ctypes.c_void_p()
        self._closed = False
        self._pins: Dict[str, int] = {}
        if port is not None and port.startswith("/dev/"):
            port = "ppdev:" + port  # a device node is always reached through ppdev
        status = self._lib.zelvane_open(None if port is None else port.encode(),
                                        ctypes.byref(self._handle))
        if status != 0:
            self._closed = True
            raise_for(self._lib, status, "opening port %s" % (port or "from ZELVANE_PORT"))
        # The data setter is the hot path: an undeclared copy of zelvane_write skips ctypes'
        # argument conversion, which the setter's own check makes needless.
        self._write = self._lib["zelvane_write"]

    def _now(self) -> int:
        return int(self._lib.zelvane_now_ns())

    def _check(self, status: int, doing: str) -> None:
        if status != 0:
            raise_for(self._lib, status, doing)

    @property
    def name(self) -> str:
        """The port as reached, e.g. "ppdev:/dev/parport0"."""
        buffer = ctypes.create_string_buffer(256)
        self._check(self._lib.zelvane_port_name(self._handle, buffer, len(buffer)), "naming the port")
        return buffer.value.decode("utf-8", "replace")

    def close(self) -> None:
        """Give the port back with its data lines out; closing twice is harmless."""
        if not self._closed:
            self._closed = True
            self._lib.zelvane_close(self._handle)

    def __enter__(self) -> "Port":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], value: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.close()

    def __del__(self) -> None:
        if getattr(self, "_closed", True) is False:
            self.close()

    def read_register(self, register: int) -> int:
        """A register's raw byte (0 data, 1 status, 2 control), inversions as the hardware has."""
        value = ctypes.c_uint()
        self._check(self._lib.zelvane_read(self._handle, register, ctypes.byref(value)),
                    "reading register %d" % register)
        return value.value

    def write_register(self, register: int, value: int) -> None:
        """Write a register's raw byte (data or control)."""
        self._check(self._lib.zelvane_write(self._handle, register, _byte("value", value)),
                    "writing register %d" % register)

    @property
    def data(self) -> int:
        """The data register: D0..D7 on pins 2..9."""
        return self.read_register(DATA)

    @data.setter
    def data(self, value: int) -> None:
        if value.__class__ is not int:
            _byte("data", value)  # the library checks the range of a whole number itself
        status = self._write(self._handle, DATA, value)
        if status:
            raise_for(self._lib, status, "writing the data lines")

    def read(self) -> Reading:
        """Data, status and control as read now, with the time the reading began."""
        t_ns = self._now()
        return Reading(self.read_register(DATA), self.read_register(STATUS),
                       self.read_register(CONTROL), t_ns)

    def pin(self, pin: Pin) -> int:
        """A connector pin's number from its number or any of its names ("D0", "BUSY", "nAck")."""
        if isinstance(pin, bool):
            raise ArgumentError("pin must be a number 1..25 or a name, not %r" % pin)
        if isinstance(pin, int):
            if 1 <= pin <= 25:
                return pin
            raise ArgumentError("there is no pin %d: the connector has pins 1 to 25" % pin)
        if isinstance(pin, str):
            number = self._pins.get(pin)
            if number is None:
                number = self._lib.zelvane_pin_number(pin.encode("utf-8", "replace"))
                if number < 0:
                    raise ArgumentError("no pin is called %r" % pin,
                                        fix='name pins as "2", "pin2", "D0", "BUSY" or "nAck"')
                self._pins[pin] = number
            return number
        raise ArgumentError("pin must be a number 1..25 or a name, not %r" % (pin,))

    def set(self, pin: Pin, level: int) -> None:
        """Drive an output pin to a connector level (1 high, 0 low), inversions taken care of."""
        number = self.pin(pin)
        self._check(self._lib.zelvane_set_pin(self._handle, number, 1 if level else 0),
                    "setting pin %d" % number)

    def get(self, pin: Pin) -> int:
        """A pin's level on the connector, 0 or 1."""
        number = self.pin(pin)
        level = ctypes.c_int()
        self._check(self._lib.zelvane_get_pin(self._handle, number, ctypes.byref(level)),
                    "reading pin %d" % number)
        return level.value

    @property
    def direction(self) -> str:
        """"out" while the data lines drive their pins, "in" while they read them."""
        data_in = ctypes.c_int()
        self._check(self._lib.zelvane_data_direction(self._handle, ctypes.byref(data_in)),
                    "reading the data direction")
        return "in" if data_in.value else "out"

    @direction.setter
    def direction(self, value: str) -> None:
        if value not in ("in", "out"):
            raise ArgumentError('direction is "in" or "out", not %r' % (value,))
        self._check(self._lib.zelvane_set_data_direction(self._handle, 1 if value == "in" else 0),
                    "turning the data lines %s" % value)

    def pulse(self, value: int, duration: float, *, mask: int = 0xFF,
              after: Union[str, int] = "restore", on_busy: str = "raise") -> Pulse:
        """Put value on the masked data lines now and, duration seconds on, the previous data
        back (or after); returns at once. A pulse asked during another one raises BusyError,
        waits its turn ("queue") or is dropped ("drop": the Pulse says dropped)."""
        _byte("value", value)
        _byte("mask", mask)
        if after == "restore":
            after_code = _AFTER_RESTORE
        elif isinstance(after, int) and not isinstance(after, bool):
            after_code = _byte("after", after)
        else:
            raise ArgumentError('after is "restore" or a byte 0..255, not %r' % (after,))
        busy = _ON_BUSY.get(on_busy) if isinstance(on_busy, str) else None
        if busy is None:
            raise ArgumentError('on_busy is "raise", "queue" or "drop", not %r' % (on_busy,))
        pulse_id = ctypes.c_uint64()
        status = self._lib.zelvane_pulse(self._handle, value, mask,
                                         _nanoseconds("duration", duration), after_code, busy,
                                         ctypes.byref(pulse_id))
        if status == _E_BUSY and busy == _ON_BUSY["drop"]:
            return Pulse(self, None)
        self._check(status, "starting the pulse")
        return Pulse(self, pulse_id.value)

    def watch(self, pins: Union[Pin, Iterable[Pin]], interval: float = 0.001,
              timeout: Optional[float] = None) -> Watch:
        """Sample pins every interval seconds and yield their edges; with timeout (seconds),
        the iteration ends once that long passes without one."""
        chosen = [pins] if isinstance(pins, (int, str)) else list(pins)
        if not chosen:
            raise ArgumentError("watch needs at least one pin")
        mask = 0
        for pin in chosen:
            mask |= 1 << self.pin(pin)
        self._check(self._lib.zelvane_watch_start(self._handle, mask,
                                                  _nanoseconds("interval", interval)),
                    "starting the watch")
        return Watch(self, timeout)

    def record(self, path: str) -> Recording:
        """Write a VCD trace of every access and watched edge to path until stopped."""
        self._check(self._lib.zelvane_record_start(self._handle, str(path).encode()),
                    "recording to %s" % path)
        return Recording(self)


def open(port: Union[str, int, None] = "auto") -> Port:
    """Open a port by ZELVANE_PORT's grammar ("auto", "ppdev:0", "/dev/parport0", "sim",
    "sim:NAME", "direct:0x378"); a number N means ppdev:N, None means ZELVANE_PORT."""
    if isinstance(port, bool) or not isinstance(port, (int, str, type(None))):
        raise ArgumentError("port is a name such as \"auto\" or \"sim\", not %r" % (port,))
    return Port("ppdev:%d" % port if isinstance(port, int) else port)
