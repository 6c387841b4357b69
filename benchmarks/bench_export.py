"""Export speed on a big line file: 100,000 features of 20 vertices and 5
attribute fields.

Reports features per second for list(getFeature()), the export's MB/s, and
the ratio of the export's time (reading included) to the time json.dumps
alone takes to encode the same, already flattened, features.

    python benchmarks/bench_export.py [feature-count]
"""
import json
import os
import pathlib
import random
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))
sys.path.insert(0, str(ROOT))

import mapgis_writer as w  # noqa: E402
from src.tivenpy import MapGisFile  # noqa: E402

VERTICES = 20
FIELDS = [w.Field("名称", 0, size=20), w.Field("编号", 3), w.Field("长度", 5, digits=3), w.Field("日期", 6),
          w.Field("等级", 2)]


def big_line_file(path, count):
    rng = random.Random(2024)
    lines = []
    for k in range(count):
        x, y = rng.uniform(3e5, 7e5), rng.uniform(3e6, 5e6)
        pts = [(x + rng.uniform(-500, 500), y + rng.uniform(-500, 500)) for _ in range(VERTICES)]
        lines.append(w.Line(pts, [f"道路{k}", k, rng.uniform(0, 1e4), (2024, 1 + k % 12, 1 + k % 28), k % 5],
                            color=k % 7, width=rng.uniform(0.1, 2.0)))
    return w.write(path, w.line_file(lines, FIELDS))


def best_of(runs, fn):
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        fn()
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    with tempfile.TemporaryDirectory() as tmp:
        source = big_line_file(os.path.join(tmp, "big.WL"), count)
        target = os.path.join(tmp, "big.geojson")
        m = MapGisFile(source)

        iterate = best_of(3, lambda: list(m.getFeature()))
        export = best_of(3, lambda: m.saveAsGeoJson(target))
        size = os.path.getsize(target)

        features = list(m.getFeature())
        for f in features:
            f["properties"] = {k: v["value"] for k, v in f["properties"].items()}
        dumps = best_of(3, lambda: [json.dumps(f, ensure_ascii=False) for f in features])

    print(f"features                 {count:>12,}  ({VERTICES} vertices, {len(FIELDS)} fields each)")
    print(f"list(getFeature())       {count / iterate:>12,.0f} features/s   ({iterate:.3f} s)")
    print(f"saveAsGeoJson            {size / export / 1e6:>12,.1f} MB/s         ({export:.3f} s, {size / 1e6:.1f} MB)")
    print(f"json.dumps alone         {dumps:>12.3f} s")
    print(f"export / json.dumps      {export / dumps:>12.3f}   (speed-up {dumps / export:.1f}x)")


if __name__ == "__main__":
    main()
