"""Builds the zelvane wheel with the standard library alone, bundling libzelvane.so.1.

The library is taken from $ZELVANE_LIBRARY, else from a build of the source tree around this
folder, else built here with cmake (only its own target, no window).
"""

from __future__ import annotations

import base64
import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys
import sysconfig
import tempfile
import zipfile
from typing import Any, Dict, List, Optional, Tuple

NAME = "zelvane"
SONAME = "libzelvane.so.1"
HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TREE = os.path.dirname(HERE)
SUMMARY = "Drive a PC parallel port from Python: pins, trigger pulses, watched edges"


def _version() -> str:
    try:
        with open(os.path.join(TREE, "CMakeLists.txt")) as text:
            found = re.search(r"project\(\s*\w+\s+VERSION\s+([0-9.]+)", text.read())
    except OSError:
        found = None
    return found.group(1) if found else "1.0.0"


def _say(text: str) -> None:
    print("zelvane: " + text, file=sys.stderr, flush=True)


def _built_library() -> Optional[str]:
    named = os.environ.get("ZELVANE_LIBRARY")
    if named:
        if not os.path.isfile(named):
            raise RuntimeError("ZELVANE_LIBRARY names %s, which is not a file" % named)
        return named
    # Where cmake puts it in each build folder (a preset's or one's own), newest first.
    builds = sorted(glob.glob(os.path.join(TREE, "build*", "lib", SONAME)),
                    key=os.path.getmtime, reverse=True)
    return builds[0] if builds else None


def _build_library(scratch: str) -> str:
    if not os.path.isfile(os.path.join(TREE, "lib", "zelvane.h")):
        raise RuntimeError("no %s found and no source tree to build it from: set "
                           "ZELVANE_LIBRARY to the library's path" % SONAME)
    cmake = shutil.which("cmake")
    if cmake is None:
        raise RuntimeError("no %s found and cmake is missing to build it: install cmake, "
                           "g++ and ninja-build (README's list), or set ZELVANE_LIBRARY" % SONAME)
    build = os.path.join(scratch, "build")
    generator = ["-G", "Ninja"] if shutil.which("ninja") else []
    _say("building %s with cmake in %s" % (SONAME, build))
    subprocess.run([cmake, "-S", TREE, "-B", build, *generator, "-DCMAKE_BUILD_TYPE=Release",
                    "-DZELVANE_BUILD_UI=OFF", "-DBUILD_TESTING=OFF"],
                   check=True, stdout=sys.stderr)
    subprocess.run([cmake, "--build", build, "--target", "zelvane_c"], check=True,
                   stdout=sys.stderr)
    found = glob.glob(os.path.join(build, "**", SONAME), recursive=True)
    if not found:
        raise RuntimeError("cmake built no %s" % SONAME)
    return found[0]


def _tag() -> str:
    platform = sysconfig.get_platform().replace("-", "_").replace(".", "_")
    return "py3-none-" + platform


def _metadata(version: str) -> str:
    return ("Metadata-Version: 2.1\nName: %s\nVersion: %s\nSummary: %s\n"
            "Requires-Python: >=3.8\n" % (NAME, version, SUMMARY))


def _package_files() -> List[Tuple[str, str]]:
    files = []
    root = os.path.join(HERE, NAME)
    for folder, subfolders, names in os.walk(root):
        subfolders[:] = sorted(d for d in subfolders if d != "__pycache__")
        for name in sorted(names):
            if name.endswith((".py", ".typed")):
                path = os.path.join(folder, name)
                files.append((os.path.relpath(path, HERE).replace(os.sep, "/"), path))
    return files


def _record_line(archive_name: str, content: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(content).digest()).rstrip(b"=")
    return "%s,sha256=%s,%d" % (archive_name, digest.decode(), len(content))


def _write_wheel(directory: str, library: str) -> str:
    version = _version()
    dist_info = "%s-%s.dist-info" % (NAME, version)
    tag = _tag()
    wheel_name = "%s-%s-%s.whl" % (NAME, version, tag)
    entries: List[Tuple[str, bytes, int]] = []
    for archive_name, path in _package_files():
        with open(path, "rb") as source:
            entries.append((archive_name, source.read(), 0o644))
    with open(library, "rb") as source:
        entries.append((NAME + "/" + SONAME, source.read(), 0o755))
    entries.append((dist_info + "/METADATA", _metadata(version).encode(), 0o644))
    wheel = "Wheel-Version: 1.0\nGenerator: zelvane_wheel\nRoot-Is-Purelib: false\nTag: %s\n" % tag
    entries.append((dist_info + "/WHEEL", wheel.encode(), 0o644))
    record = [_record_line(name, content) for name, content, _ in entries]
    record.append(dist_info + "/RECORD,,")
    entries.append((dist_info + "/RECORD", ("\n".join(record) + "\n").encode(), 0o644))
    with zipfile.ZipFile(os.path.join(directory, wheel_name), "w", zipfile.ZIP_DEFLATED) as out:
        for name, content, mode in entries:
            info = zipfile.ZipInfo(name, date_time=(2020, 1, 1, 0, 0, 0))
            info.external_attr = (0o100000 | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            out.writestr(info, content)
    return wheel_name


def get_requires_for_build_wheel(config_settings: Optional[Dict[str, Any]] = None) -> List[str]:
    return []


def build_wheel(wheel_directory: str, config_settings: Optional[Dict[str, Any]] = None,
                metadata_directory: Optional[str] = None) -> str:
    with tempfile.TemporaryDirectory(prefix="zelvane-wheel-") as scratch:
        library = _built_library() or _build_library(scratch)
        _say("bundling " + library)
        return _write_wheel(wheel_directory, library)
