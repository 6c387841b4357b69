"""Timing of Geometry.loads and Geometry.toWkt; ratios against shapely where it is installed.

Run from the repository root: .venv/bin/python benchmarks/bench_geometry.py
"""
import math
import pathlib
import random
import sys
import timeit

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))

from src.tivenpy import Geometry  # noqa: E402

try:
    import shapely
except ImportError:  # the ratios are optional
    shapely = None


def ring(n, cx=0.0, cy=0.0, r=1.0):
    pts = [[cx + r * math.cos(2 * math.pi * i / n), cy + r * math.sin(2 * math.pi * i / n)] for i in range(n)]
    return pts + [list(pts[0])]


def best(fn, number):
    return min(timeit.repeat(fn, number=number, repeat=5)) / number


def main():
    rng = random.Random(1)
    polygon = {"type": "Polygon", "coordinates": [ring(1000)]}
    multi = {"type": "MultiPolygon", "coordinates": [[ring(10, rng.uniform(0, 100), rng.uniform(0, 100))] for _ in range(100)]}
    cases = [
        ("POLYGON, 1000 vertices", Geometry.toWkt(polygon), polygon),
        ("MULTIPOLYGON, 100 polygons", Geometry.toWkt(multi), multi),
    ]
    print(f"{'case':<34}{'ours (us)':>12}{'shapely (us)':>14}{'ratio':>8}")
    for name, wkt, g in cases:
        ours = best(lambda: Geometry.loads(wkt), 200) * 1e6
        theirs = best(lambda: shapely.from_wkt(wkt), 200) * 1e6 if shapely else float("nan")
        print(f"{'loads WKT ' + name:<34}{ours:>12.1f}{theirs:>14.1f}{theirs / ours:>8.2f}")
        ours = best(lambda: Geometry.toWkt(g), 200) * 1e6
        sg = shapely.from_wkt(wkt) if shapely else None
        theirs = best(lambda: shapely.to_wkt(sg, rounding_precision=-1), 200) * 1e6 if shapely else float("nan")
        print(f"{'toWkt ' + name:<34}{ours:>12.1f}{theirs:>14.1f}{theirs / ours:>8.2f}")
    geojson = Geometry.dumps(polygon)
    free = ",".join(f"{x} {y}" for x, y in polygon["coordinates"][0])
    for name, text in [("loads GeoJSON text, 1000 vertices", geojson), ("loads free text, 1000 vertices", free)]:
        ours = best(lambda: Geometry.loads(text, 2), 200) * 1e6
        theirs = best(lambda: shapely.from_geojson(text), 200) * 1e6 if shapely and "{" in text else float("nan")
        print(f"{name:<34}{ours:>12.1f}{theirs:>14.1f}{theirs / ours:>8.2f}")
    print("ratio > 1: ours is faster")


if __name__ == "__main__":
    main()
