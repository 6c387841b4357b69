"""Export benchmark of a polygon file: 50,000 square polygons of 4 arcs each.

Run from the repository root after `make build`:
    .venv/bin/python benchmarks/bench_polygons.py [polygons]
"""

import os
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path[:0] = [ROOT, os.path.join(ROOT, "tests")]

import mapgis_writer as mw  # noqa: E402
import mapgis_writer_shapes as ws  # noqa: E402
from src.tivenpy import MapGisFile  # noqa: E402


def polygon_file(count):
    parts = ws.PolygonParts()
    side = int(count ** 0.5) + 1
    for k in range(count):
        x, y = float(k % side), float(k // side)
        n = 4 * k + 1  # nodes of the four corners
        s = parts.add_arc([(x, y), (x + 0.5, y), (x + 1, y)], n, n + 1)
        e = parts.add_arc([(x + 1, y), (x + 1, y + 1)], n + 1, n + 2)
        t = parts.add_arc([(x + 1, y + 1), (x + 0.5, y + 1), (x, y + 1)], n + 2, n + 3)
        w = parts.add_arc([(x, y + 1), (x, y)], n + 3, n)
        parts.add_polygon([s, e, t, w], values=("地块%d" % k, k, k * 0.25), fill_color=k % 7)
    fields = [mw.Field("名称", 0, size=16), mw.Field("编号", 3), mw.Field("面积", 5, digits=2)]
    return ws.polygon_file(parts, fields)


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 50_000
    with tempfile.TemporaryDirectory() as tmp:
        source = mw.write(os.path.join(tmp, "bench.WP"), polygon_file(count))
        target = os.path.join(tmp, "bench.json")
        m = MapGisFile(source, os.path.join(tmp, "none.lib"))
        best = None
        for _ in range(3):
            t0 = time.perf_counter()
            m.saveAsGeoJson(target)
            dt = time.perf_counter() - t0
            best = dt if best is None else min(best, dt)
        size = os.path.getsize(target)
    print(f"polygon export: {count} polygons x 4 arcs: {best:.3f} s "
          f"({count / best:,.0f} features/s, {size / 1e6:.1f} MB of GeoJSON)")


if __name__ == "__main__":
    main()
