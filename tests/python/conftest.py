"""The tests run against the zelvane package installed in a venv, never the source folder."""

from __future__ import annotations

import os
from typing import Iterator

import pytest

import zelvane

_VENV = os.environ.get("ZELVANE_TEST_VENV")
if _VENV:
    assert os.path.realpath(zelvane.__file__).startswith(os.path.realpath(_VENV)), zelvane.__file__


@pytest.fixture
def port() -> Iterator[zelvane.Port]:
    with zelvane.open("sim") as opened:
        yield opened


def open_shared(name: str) -> zelvane.Port:
    """A shared simulated port, or a skip where this build has none."""
    try:
        return zelvane.open("sim:" + name)
    except zelvane.ArgumentError as error:
        if "is not known" not in str(error):
            raise
        pytest.skip("this build's port grammar has no sim:NAME yet: %s" % error)
        raise
