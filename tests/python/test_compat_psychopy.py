"""PsychoPy's parallel interface: its own module over the alias, and ours with pins checked."""

from __future__ import annotations

import sys
import textwrap
from typing import Any, Iterator, List, Tuple, Union

import pytest

import zelvane
import zelvane.compat
from zelvane.compat import psychopy

# Shaped as PsychoPy's Linux class: pyparallel is imported only once a port is made.
PSYCHOPY_SHAPED = textwrap.dedent('''
    class PParallelLinux(object):
        def __init__(self, address='/dev/parport0'):
            import parallel as pyp
            if not hasattr(pyp, 'Parallel'):
                raise Exception('Failed to import pyparallel - is it installed?')
            self.port = pyp.Parallel(address)

        def setPin(self, pinNumber, state):
            if state:
                self.port.setData(self.port.PPRDATA() | (2**(pinNumber-2)))
            else:
                self.port.setData(self.port.PPRDATA() & (255 ^ 2**(pinNumber-2)))

        def readData(self):
            return (self.port.PPRDATA())

        def readPin(self, pinNumber):
            if pinNumber == 15:
                return self.port.getInError()
            return (self.port.PPRDATA() >> (pinNumber - 2)) & 1
''')


@pytest.fixture
def alias() -> Iterator[None]:
    saved = {name: sys.modules.get(name) for name in ("parallel", "parallel.parallelppdev")}
    # As where pyparallel is not installed: only the alias can answer the import.
    sys.modules["parallel"] = None  # type: ignore[assignment]
    zelvane.compat.install()
    yield
    for name, module in saved.items():
        if module is None:
            sys.modules.pop(name, None)
        else:
            sys.modules[name] = module


def test_a_module_that_imports_parallel_in_its_constructor_gets_ours(
        alias: None, tmp_path: Any, monkeypatch: Any) -> None:
    (tmp_path / "psychopy_shaped.py").write_text(PSYCHOPY_SHAPED)
    monkeypatch.syspath_prepend(str(tmp_path))
    import psychopy_shaped  # type: ignore[import]

    port = psychopy_shaped.PParallelLinux("sim")
    port.setPin(2, 1)
    port.setPin(5, 1)
    port.setPin(2, 0)
    assert (type(port.port).__module__, port.readData(), port.readPin(5), port.readPin(15)) == (
        "zelvane.compat.pyparallel", 0x08, 1, False)


def _proc(tmp_path: Any, ports: List[Tuple[int, str]]) -> str:
    for number, text in ports:
        folder = tmp_path / ("parport%d" % number)
        folder.mkdir()
        (folder / "base-addr").write_text(text)
    return str(tmp_path)


KERNEL = [(0, "888\t1912\n"), (1, "632\t1656\n")]
# address given, the port it names
ADDRESSES: List[Tuple[Union[int, str], str]] = [
    ("/dev/parport1", "/dev/parport1"),
    (0, "/dev/parport0"),
    ("2", "/dev/parport2"),
    (0x378, "/dev/parport0"),
    ("0x278", "/dev/parport1"),
    ("sim", "sim"),
]


@pytest.mark.parametrize("address,named", ADDRESSES)
def test_addresses_name_ports_by_node_number_or_the_kernels_base(
        tmp_path: Any, address: Union[int, str], named: str) -> None:
    assert psychopy.port_for(address, _proc(tmp_path, KERNEL)) == named


def test_a_base_the_kernel_does_not_know_says_which_it_knows(tmp_path: Any) -> None:
    with pytest.raises(zelvane.OpenError) as raised:
        psychopy.port_for(0x3BC, _proc(tmp_path, KERNEL))
    assert "0x3bc" in str(raised.value) and "parport1 at 0x278" in raised.value.cause


BAD_PINS: List[Tuple[str, Any]] = [
    ("setPin", (10, 1)), ("setPin", (1, 1)), ("setPin", (True, 1)),
    ("readPin", (14,)), ("readPin", (1,)), ("readPin", ("2",)),
]


@pytest.mark.parametrize("method,arguments", BAD_PINS)
def test_pins_outside_the_methods_reach_raise_a_clear_error(method: str, arguments: Any) -> None:
    port = psychopy.ParallelPort("sim")
    with pytest.raises(zelvane.ArgumentError) as raised:
        getattr(port, method)(*arguments)
    assert "pin" in str(raised.value)
    port.close()


def test_each_data_pin_sets_and_reads_back_its_own_bit() -> None:
    port = psychopy.ParallelPort("sim")
    seen = []
    for pin in range(2, 10):
        port.setPin(pin, 1)
        seen.append((port.readData(), port.readPin(pin)))
        port.setPin(pin, 0)
    assert seen == [(1 << bit, 1) for bit in range(8)]
    port.close()


# The loopback plug carries D0..D4 to pins 15, 13, 12, 10 and 11.
PLUGGED = [(0, 15), (1, 13), (2, 12), (3, 10), (4, 11)]


@pytest.mark.parametrize("bit,pin", PLUGGED)
def test_each_status_pin_reads_its_own_level(bit: int, pin: int) -> None:
    port = psychopy.ParallelPort("sim")
    port.setData(1 << bit)
    high = [other for _, other in PLUGGED if port.readPin(other)]
    port.close()
    assert high == [pin]


def test_the_module_functions_use_the_port_set_first(monkeypatch: Any) -> None:
    monkeypatch.setattr(psychopy, "_default", None)
    with pytest.raises(RuntimeError):
        psychopy.setData(1)
    psychopy.setPortAddress("sim")
    psychopy.setData(0x05)
    # The loopback plug carries D0 to pin 15 (nError).
    assert (psychopy.readPin(2), psychopy.readPin(3), psychopy.readPin(15)) == (1, 0, True)
    psychopy.setPin(3, 1)
    assert psychopy.readPin(3) == 1
