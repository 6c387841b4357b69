"""Seeded corruptions of a valid line file: opening, iterating and exporting
each must end normally or with a Python exception, and leave no file open."""
import os
import random
import struct

import pytest

import mapgis_writer as w
import src.tivenpy as t
from mapgis_files import fds_open_on

FIELDS = [w.Field("名称", 0, size=8), w.Field("b", 1), w.Field("i", 2), w.Field("l", 3), w.Field("f", 4, digits=2),
          w.Field("d", 5, digits=3), w.Field("day", 6), w.Field("time", 7), w.Field("ok", 8)]


def valid_file():
    rng = random.Random(11)
    lines = [w.Line([(rng.uniform(-10, 10), rng.uniform(-10, 10)) for _ in range(rng.randrange(0, 5))],
                    ["道路", 1, -2, 3, 0.5, 1.25, (2024, 1, 2), (1, 2, 3.5), 1], flag=rng.choice([0, 1, 1]),
                    color=rng.randrange(0, 3))
             for _ in range(8)]
    return w.line_file(lines, FIELDS)


BASE = valid_file()
INTS = [0, 1, -1, 2**31 - 1, -2**31, 2**15 - 1, -2**15, len(BASE), len(BASE) + 1, 57, 10**9]


def corrupt(seed):
    rng = random.Random(seed)
    data = bytearray(BASE)
    how = seed % 4
    if how == 0:  # flip some bytes
        for _ in range(rng.randrange(1, 12)):
            data[rng.randrange(len(data))] ^= 1 << rng.randrange(8)
    elif how == 1:  # cut the file short
        del data[rng.randrange(len(data)):]
    elif how == 2:  # a count or offset set to an extreme
        offsets = [12, 16, 260, 264] + [336 + 10 * k for k in range(10)] + [336 + 10 * k + 4 for k in range(10)]
        start0, start2 = struct.unpack_from("<i", data, 336)[0], struct.unpack_from("<i", data, 356)[0]
        offsets += [start0 + 57 * k + o for k in range(1, 9) for o in (10, 14, 26, 43)]
        offsets += [start2 + 6, start2 + 322, start2 + 328]
        for _ in range(rng.randrange(1, 4)):
            off = rng.choice(offsets)
            value = rng.choice(INTS)
            width = 2 if off in (start2 + 322, start2 + 328) else 4
            fmt = "<h" if width == 2 else "<i"
            value = max(min(value, 2**15 - 1), -2**15) if width == 2 else value
            struct.pack_into(fmt, data, off, value)
    else:  # field descriptions: types, sizes, digits
        start2 = struct.unpack_from("<i", data, 356)[0]
        for _ in range(rng.randrange(1, 4)):
            k = rng.randrange(len(FIELDS))
            base = start2 + 348 + 39 * k
            which = rng.randrange(3)
            if which == 0:
                data[base + 20] = rng.randrange(256)
            elif which == 1:
                struct.pack_into("<h", data, base + 25, rng.choice([0, -1, -32768, 32767, 3, 500]))
            else:
                data[base + 29] = rng.randrange(256)
    return bytes(data)


@pytest.mark.parametrize("chunk", range(8))
def test_corrupted_files(tmp_path, chunk):
    path = str(tmp_path / "c.WL")
    target = str(tmp_path / "c.json")
    outcomes = set()
    for seed in range(chunk * 40, chunk * 40 + 40):
        w.write(path, corrupt(seed))
        for step in ("open", "iterate", "export"):
            try:
                m = t.MapGisFile(path)
                if step == "iterate":
                    for _ in m.getFeature():
                        pass
                elif step == "export":
                    m.saveAsGeoJson(target)
                outcomes.add("ok")
            except Exception as e:  # any Python exception is a fair outcome
                outcomes.add(type(e).__name__)
            assert fds_open_on(path) == 0, (seed, step)
            assert fds_open_on(target) == 0, (seed, step)
            if os.path.exists(target):
                text = open(target, "rb").read().decode("utf-8")
                assert text.startswith("{")
    assert outcomes
