"""Stand-ins for the parallel-port modules experiments already import."""

from __future__ import annotations

import sys
import types

VERSION = "0.3"  # as pyparallel 0.2.2 itself says


def install() -> None:
    """Make `import parallel` give Zelvane's pyparallel, for code that imports it itself
    (PsychoPy's psychopy.parallel, MNE-LSL's copy); call it before that code opens a port."""
    from . import pyparallel

    module = types.ModuleType("parallel", "pyparallel's interface over a shared Zelvane port")
    module.Parallel = pyparallel.Parallel  # type: ignore[attr-defined]
    module.VERSION = VERSION  # type: ignore[attr-defined]
    module.parallelppdev = pyparallel  # type: ignore[attr-defined]
    sys.modules["parallel"] = module
    sys.modules["parallel.parallelppdev"] = pyparallel
