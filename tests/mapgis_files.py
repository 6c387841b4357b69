"""New MapGIS files for a test, and the descriptors the module leaves open."""
import os

import mapgis_writer as w
from src.tivenpy import MapGisFile


def fds_open_on(path):
    """How many descriptors of this process have `path` open."""
    real = os.path.realpath(path)
    n = 0
    for fd in os.listdir("/proc/self/fd"):
        try:
            if os.readlink(f"/proc/self/fd/{fd}") == real:
                n += 1
        except OSError:
            pass
    return n


def open_fd_count():
    """How many descriptors this process has open."""
    return len(os.listdir("/proc/self/fd"))


def write_lines(tmp_path, lines, fields=(), name="l.WL", **kw):
    """Writes a line file into tmp_path; returns its path."""
    return w.write(tmp_path / name, w.line_file(lines, list(fields), **kw))


def file_maker(tmp_path, shape_file, stem, suffix):
    """make(parts, fields=(), colours=None, **kw) -> MapGisFile of a new file
    shape_file(parts, fields, **kw), without a colour library unless `colours` names one."""
    counter = iter(range(10**6))

    def build(parts, fields=(), colours=None, **kw):
        path = w.write(tmp_path / f"{stem}{next(counter)}{suffix}", shape_file(parts, fields, **kw))
        lib = colours if colours is not None else str(tmp_path / "missing.lib")
        return MapGisFile(path, lib)
    return build
