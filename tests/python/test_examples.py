"""The example scripts run as README shows them."""

from __future__ import annotations

import os
import subprocess
import sys

EXAMPLES = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))), "examples")


def test_the_trigger_example_sends_its_four_codes_and_puts_the_lines_back() -> None:
    run = subprocess.run([sys.executable, os.path.join(EXAMPLES, "trigger.py"), "sim"],
                         capture_output=True, text=True, timeout=60)
    codes = [line.split()[1] for line in run.stdout.splitlines()]
    assert (run.returncode, run.stderr, codes) == (0, "", ["1", "2", "4", "8"])
