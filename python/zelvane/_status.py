"""Turning the library's status codes into exceptions that carry its cause and fix."""

from __future__ import annotations

import ctypes

from .errors import BY_STATUS, PortError


def _text(value: object) -> str:
    return value.decode("utf-8", "replace") if isinstance(value, bytes) else ""


def raise_for(lib: ctypes.CDLL, status: int, doing: str) -> None:
    """Raise the exception for a failed call; the details are this thread's, so read them now."""
    cause = _text(lib.zelvane_error_cause())
    fix = _text(lib.zelvane_error_fix())
    summary = _text(lib.zelvane_status_text(status)) or "status %d" % status
    kind = BY_STATUS.get(status, PortError)
    raise kind(doing + " failed: " + summary, cause=cause, fix=fix)
