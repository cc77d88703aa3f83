"""The port's registers, pins, pulses, watch and trace on the simulated port."""

from __future__ import annotations

import os
import subprocess
import sys
import time
from typing import Any, Callable, List, Tuple, Union

import pytest

import zelvane
from vcd import data_bytes

# value, mask, after, data before: the data lines' whole history in the trace
PULSES: List[Tuple[int, int, Union[str, int], int, List[int]]] = [
    (0x07, 0xFF, "restore", 0x00, [0x00, 0x07, 0x00]),
    (0x07, 0xFF, "restore", 0x40, [0x40, 0x07, 0x40]),
    (0xFF, 0x0F, "restore", 0x30, [0x30, 0x3F, 0x30]),
    (0x01, 0x01, "restore", 0xF0, [0xF0, 0xF1, 0xF0]),
    (0x07, 0xFF, 0x80, 0x00, [0x00, 0x07, 0x80]),
    (0x0F, 0x03, 0x00, 0xF0, [0xF0, 0xF3, 0x00]),
]


@pytest.mark.parametrize("value,mask,after,before,history", PULSES)
def test_a_pulse_puts_its_value_on_the_masked_lines_then_restores_or_sets_after(
        port: zelvane.Port, tmp_path: Any, value: int, mask: int, after: Union[str, int],
        before: int, history: List[int]) -> None:
    port.data = before
    trace = str(tmp_path / "pulse.vcd")
    with port.record(trace):
        pulse = port.pulse(value, 0.002, mask=mask, after=after)
        assert pulse.wait(timeout=10)
    assert data_bytes(trace) == history


def test_a_recording_ends_with_its_block_so_that_another_can_start(
        port: zelvane.Port, tmp_path: Any) -> None:
    for name in ("first.vcd", "second.vcd"):
        with port.record(str(tmp_path / name)):
            port.data = 0x01
        port.data = 0x02
    assert data_bytes(str(tmp_path / "second.vcd")) == [0x02, 0x01]


def test_a_pulse_reports_edges_at_least_its_width_apart_on_the_monotonic_clock(
        port: zelvane.Port) -> None:
    asked = time.monotonic_ns()
    pulse = port.pulse(7, 0.003)
    assert pulse.wait(timeout=10) and not pulse.dropped
    assert pulse.t_on_ns is not None and pulse.t_off_ns is not None
    assert asked <= pulse.t_on_ns
    assert pulse.t_off_ns - pulse.t_on_ns >= 3_000_000
    assert pulse.t_off_ns <= time.monotonic_ns()


def test_a_pulse_still_under_way_has_no_off_time(port: zelvane.Port) -> None:
    pulse = port.pulse(1, 30.0)
    assert (pulse.wait(timeout=0), pulse.t_off_ns) == (False, None)


def test_a_queued_pulse_runs_after_the_one_under_way(port: zelvane.Port, tmp_path: Any) -> None:
    trace = str(tmp_path / "queue.vcd")
    with port.record(trace):
        first = port.pulse(0x01, 0.05)
        second = port.pulse(0x02, 0.002, on_busy="queue")
        assert second.wait(timeout=10) and first.wait(timeout=10)
    assert data_bytes(trace) == [0x00, 0x01, 0x00, 0x02, 0x00]
    assert second.t_on_ns is not None and first.t_off_ns is not None
    assert second.t_on_ns >= first.t_off_ns


@pytest.mark.parametrize("on_busy", ["raise", "drop"])
def test_a_pulse_asked_during_another_never_merges_with_it(port: zelvane.Port, tmp_path: Any,
                                                           on_busy: str) -> None:
    trace = str(tmp_path / "busy.vcd")
    with port.record(trace):
        port.pulse(0x01, 30.0)
        if on_busy == "raise":
            with pytest.raises(zelvane.BusyError):
                port.pulse(0x02, 0.001, on_busy=on_busy)
        else:
            dropped = port.pulse(0x02, 0.001, on_busy=on_busy)
            assert (dropped.dropped, dropped.wait(), dropped.t_on_ns) == (True, True, None)
    assert 0x02 not in data_bytes(trace) and 0x03 not in data_bytes(trace)


@pytest.mark.parametrize("pin", [2, "2", "pin2", "D0", "d0"])
def test_pins_answer_to_their_number_and_every_name(port: zelvane.Port, pin: Union[int, str]) -> None:
    port.set(pin, 1)
    assert (port.get(pin), port.data) == (1, 0x01)


def test_reading_gives_the_three_registers_and_when(port: zelvane.Port) -> None:
    port.data = 0x12
    before = time.monotonic_ns()
    reading = port.read()
    assert reading[:3] == (port.data, port.read_register(1), port.read_register(2))
    assert before <= reading.t_ns <= time.monotonic_ns()


def test_a_port_names_itself_and_its_clock_is_pythons_monotonic_one(port: zelvane.Port) -> None:
    before = time.monotonic_ns()
    now = zelvane.now_ns()
    assert "sim" in port.name and before <= now <= time.monotonic_ns()


def test_no_port_given_means_zelvane_port() -> None:
    run = subprocess.run([sys.executable, "-c", "import zelvane; print(zelvane.open(None).name)"],
                         env=dict(os.environ, ZELVANE_PORT="sim"), capture_output=True, text=True,
                         timeout=60)
    assert (run.returncode, "sim" in run.stdout) == (0, True), run.stderr


def test_the_data_direction_turns_and_reads_back(port: zelvane.Port) -> None:
    seen = [port.direction]
    port.direction = "in"
    seen.append(port.direction)
    port.direction = "out"
    seen.append(port.direction)
    assert seen == ["out", "in", "out"]


def test_an_edge_on_a_watched_pin_comes_with_its_level_and_time(port: zelvane.Port) -> None:
    # The loopback plug carries D0 to S3, pin 15; the watch has its first levels on return.
    with port.watch([15, "S4"], 0.0005) as edges:
        before = time.monotonic_ns()
        port.data = 0x01
        edge = edges.wait(timeout=10)
    assert edge is not None and (edge.pin, edge.level) == (15, 1)
    assert before <= edge.t_ns <= time.monotonic_ns()


def _closed(port: zelvane.Port) -> None:
    port.close()
    port.data = 1


def _set_data(port: zelvane.Port, value: Any) -> None:
    port.data = value


def _set_direction(port: zelvane.Port, value: Any) -> None:
    port.direction = value


# what is done, the exception, words that its message must hold
ERRORS: List[Tuple[str, Callable[[zelvane.Port], Any], type, str]] = [
    ("input pin driven", lambda p: p.set(11, 1), zelvane.DirectionError, ""),
    ("data byte too big", lambda p: _set_data(p, 256), zelvane.ArgumentError, "0 to 255"),
    ("data not a number", lambda p: _set_data(p, "7"), zelvane.ArgumentError, "0 to 255"),
    ("unknown pin name", lambda p: p.get("nope"), zelvane.ArgumentError, "nope"),
    ("pin off the connector", lambda p: p.get(26), zelvane.ArgumentError, "1 to 25"),
    ("direction sideways", lambda p: _set_direction(p, "sideways"), zelvane.ArgumentError, "in"),
    ("pulse zero wide", lambda p: p.pulse(1, 0), zelvane.ArgumentError, "positive"),
    ("pulse of no kind", lambda p: p.pulse(1, 0.001, on_busy="wait"), zelvane.ArgumentError, "queue"),
    ("after of no kind", lambda p: p.pulse(1, 0.001, after="keep"), zelvane.ArgumentError, "restore"),
    ("mask too big", lambda p: p.pulse(1, 0.001, mask=0x100), zelvane.ArgumentError, "mask"),
    ("watch no pins", lambda p: p.watch([], 0.001), zelvane.ArgumentError, "pin"),
    ("after close", _closed, zelvane.ClosedError, ""),
]


@pytest.mark.parametrize("what,action,kind,words", ERRORS, ids=[row[0] for row in ERRORS])
def test_each_misuse_raises_its_own_port_error(port: zelvane.Port, what: str,
                                               action: Callable[[zelvane.Port], Any],
                                               kind: type, words: str) -> None:
    with pytest.raises(kind) as raised:
        action(port)
    assert isinstance(raised.value, zelvane.PortError) and words in str(raised.value)


def test_a_port_that_cannot_open_says_why_and_what_to_do() -> None:
    with pytest.raises(zelvane.OpenError) as raised:
        zelvane.open("/dev/parport97")
    error = raised.value
    assert error.cause and error.fix
    assert error.cause in str(error) and error.fix in str(error)


def test_the_package_carries_its_type_hints() -> None:
    assert os.path.isfile(os.path.join(os.path.dirname(zelvane.__file__), "py.typed"))


def test_a_library_named_by_zelvane_library_is_the_only_one_tried() -> None:
    run = subprocess.run([sys.executable, "-c", "import zelvane; zelvane.open('sim')"],
                         env=dict(os.environ, ZELVANE_LIBRARY="/nonexistent/libzelvane.so.1"),
                         capture_output=True, text=True, timeout=60)
    assert run.returncode == 1 and "zelvane.errors.OpenError" in run.stderr
    assert "/nonexistent/libzelvane.so.1 (no such file)" in run.stderr
    assert "ZELVANE_LIBRARY" in run.stderr
