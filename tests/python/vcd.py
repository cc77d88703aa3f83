"""Reading back the data lines from a VCD trace the port wrote."""

from __future__ import annotations

import re
from typing import Dict, List


def data_bytes(path: str) -> List[int]:
    """The data lines as a byte at #0 and after each time stamp that changed one."""
    with open(path) as trace:
        text = trace.read()
    bits: Dict[str, int] = {}
    for ident, label in re.findall(r"\$var wire 1 (\S+) (\S+) \$end", text):
        if re.fullmatch(r"D[0-7]", label):
            bits[ident] = int(label[1])
    levels = [0] * 8
    values: List[int] = []

    def stamp() -> None:
        value = sum(level << bit for bit, level in enumerate(levels))
        if not values or values[-1] != value:
            values.append(value)

    started = False
    for word in text.split("$enddefinitions $end", 1)[1].split():
        if word.startswith("#"):
            if started:
                stamp()
            started = True
        elif word[:1] in ("0", "1") and word[1:] in bits:
            levels[bits[word[1:]]] = int(word[0])
    stamp()
    return values
