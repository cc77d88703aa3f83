"""A pulse from this process, watched by another on the same shared simulated port."""

from __future__ import annotations

import os
import subprocess
import sys
import textwrap

import zelvane
from conftest import open_shared

WATCHER = textwrap.dedent('''
    import sys, zelvane
    with zelvane.open(sys.argv[1]) as port:
        with port.watch(["D2"], 0.0002, timeout=20) as edges:
            print("watching", flush=True)
            for edge in edges:
                print(edge.pin, edge.level, edge.t_ns, flush=True)
                if edge.level == 0:
                    break
''')


def test_a_pulse_is_seen_from_a_second_process_with_both_edges_in_order() -> None:
    name = "py-pulse-%d" % os.getpid()
    with open_shared(name) as port:
        watcher = subprocess.Popen([sys.executable, "-c", WATCHER, "sim:" + name],
                                   stdout=subprocess.PIPE, text=True)
        assert watcher.stdout is not None
        assert watcher.stdout.readline() == "watching\n"
        pulse = port.pulse(0x04, 0.05)
        assert pulse.wait(timeout=10)
        out, _ = watcher.communicate(timeout=30)
    edges = [tuple(int(word) for word in line.split()) for line in out.splitlines()]
    assert [(pin, level) for pin, level, _ in edges] == [(4, 1), (4, 0)]
    assert pulse.t_on_ns is not None and pulse.t_off_ns is not None
    assert pulse.t_on_ns <= edges[0][2] and pulse.t_off_ns <= edges[1][2]
    assert zelvane.now_ns() >= edges[1][2]
