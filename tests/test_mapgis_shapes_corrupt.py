"""Damaged point and polygon files: a clear error or features, never a crash,
a hang, a leaked file descriptor or unbounded memory.

Each run happens in a child interpreter with a memory limit and a timeout,
so a crash or a runaway read shows up as a failed test, not a dead session.
"""

import os
import subprocess
import sys
import textwrap

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

CHILD = textwrap.dedent(r'''
    import os, random, resource, struct, sys
    sys.path[:0] = [{root!r}, {tests!r}]
    if not os.environ.get("TIVENPY_SANITIZE"):  # ASan reserves terabytes of address space
        resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))
    import mapgis_writer as mw
    import mapgis_writer_shapes as ws
    from src.tivenpy import MapGisFile

    def point_data():
        fields = [mw.Field("名称", 0, size=8), mw.Field("n", 3)]
        pts = [ws.Point(float(k), -float(k), k % 7, text="点%d" % k, values=("甲", k))
               for k in range(12)]
        return ws.point_file(pts, fields)

    def polygon_data():
        p = ws.PolygonParts()
        arcs = [p.add_arc([(k, 0), (k + 1, 0), (k + 1, 1)], k + 1, k + 2) for k in range(8)]
        for k in range(6):
            p.add_polygon([arcs[k], -arcs[k + 1], 0, arcs[k + 2]], values=("乙", k))
        return ws.polygon_file(p, [mw.Field("名称", 0, size=8), mw.Field("n", 3)])

    # struct.error is named "error"; Exception carries the file-format message
    ALLOWED = {{"ok", "error", "OSError", "ValueError", "IndexError", "Exception"}}
    kind = sys.argv[1]
    seed = int(sys.argv[2])
    rounds = int(sys.argv[3])
    base = point_data() if kind == "point" else polygon_data()
    rng = random.Random(seed)
    path = os.path.join(sys.argv[4], "c.bin")
    fds = len(os.listdir("/proc/self/fd"))
    outcomes = {{}}
    for r in range(rounds):
        data = bytearray(base)
        how = rng.randrange(4)
        if how == 0:  # flip bytes after the head
            for _ in range(rng.randrange(1, 8)):
                data[rng.randrange(336, len(data))] = rng.randrange(256)
        elif how == 1:  # plant a huge or negative 32-bit number
            pos = rng.randrange(336, len(data) - 4)
            data[pos:pos + 4] = struct.pack("<i", rng.choice([2**31 - 1, -2**31, -1, 10**6, -10**6]))
        elif how == 2:  # cut the file
            del data[rng.randrange(336, len(data)):]
        else:  # both
            data[rng.randrange(336, len(data))] = rng.randrange(256)
            del data[rng.randrange(len(data) // 2, len(data)):]
        with open(path, "wb") as f:
            f.write(data)
        try:
            m = MapGisFile(path, os.path.join(sys.argv[4], "none.lib"))
            n = 0
            for feature in m.getFeature():
                n += 1
                if n > 10**5:
                    raise SystemExit("runaway iteration")
            outcome = "ok"
        except MemoryError:
            raise SystemExit("memory")
        except Exception as e:
            outcome = type(e).__name__
        if outcome not in ALLOWED:
            raise SystemExit("unexpected %s in round %d" % (outcome, r))
        outcomes[outcome] = outcomes.get(outcome, 0) + 1
    assert len(os.listdir("/proc/self/fd")) == fds, "leaked file descriptor"
    print(sorted(outcomes.items()))
''')


@pytest.mark.parametrize("kind", ["point", "polygon"])
@pytest.mark.parametrize("seed", [1, 2, 3])
def test_damaged_files(tmp_path, kind, seed):
    script = CHILD.format(root=ROOT, tests=os.path.join(ROOT, "tests"))
    proc = subprocess.run([sys.executable, "-c", script, kind, str(seed), "300", str(tmp_path)],
                          capture_output=True, text=True, timeout=120, cwd=ROOT)
    assert proc.returncode == 0, proc.stderr[-2000:]
    assert proc.stdout.startswith("[(")


def _small_file(kind):
    import mapgis_writer as mw
    import mapgis_writer_shapes as ws
    if kind == "line":
        return mw.line_file([mw.Line([(1.0, 2.0)])])
    if kind == "point":
        return ws.point_file([ws.Point(1.0, 2.0, 0, text="a")])
    parts = ws.PolygonParts()
    parts.add_polygon([parts.add_arc([(0, 0), (1, 0)], 1, 2)])
    return ws.polygon_file(parts)


@pytest.mark.parametrize("kind, section", [("line", 0), ("line", 1), ("line", 2), ("point", 0), ("point", 1),
                                           ("polygon", 0), ("polygon", 1), ("polygon", 3), ("polygon", 8),
                                           ("polygon", 9)])
def test_section_start_beyond_64_bits(tmp_path, kind, section):
    # A start altered so far that the record offset leaves 64 bits: refused as
    # a file object's seek refuses it, never wrapped round to another position.
    sys.path.insert(0, os.path.dirname(__file__))
    import mapgis_writer as mw
    import src.tivenpy as t
    m = t.MapGisFile(mw.write(tmp_path / "f.bin", _small_file(kind)))
    heads = list(m._featureDataHeads)
    heads[section] = (2**63 - 1, 0, 0)
    m._featureDataHeads = heads
    with pytest.raises(ValueError, match="cannot fit 'int' into an offset-sized integer"):
        list(m.getFeature())
