"""Calls per second of the Projection operations, beside pyproj's scalar calls.

    .venv/bin/python benchmarks/bench_projection.py [calls]
"""
import pathlib
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))

from src.tivenpy import Projection  # noqa: E402

CALLS = int(sys.argv[1]) if len(sys.argv) > 1 else 1_000_000


def rate(fn):
    """Calls per second of fn() in process CPU time, best of three runs."""
    best = None
    for _ in range(3):
        start = time.process_time()
        for _ in range(CALLS):
            fn()
        elapsed = time.process_time() - start
        best = elapsed if best is None else min(best, elapsed)
    return CALLS / best


def main():
    gk, wm, geod = Projection.gaussKruger, Projection.webMercator, Projection.geodesics
    e, n = gk(longitude=116.4074, latitude=39.9042)
    ours = {
        "gaussKruger forward": lambda: gk(longitude=116.4074, latitude=39.9042),
        "gaussKruger inverse": lambda: gk(x=n, y=e),
        "geodesics": lambda: geod((116.4074, 39.9042), (114.3055, 30.5928)),
        "webMercator forward": lambda: wm(116.4074, 39.9042),
    }
    theirs = {}
    try:
        import pyproj
    except ImportError:
        pyproj = None
    if pyproj is not None:
        tm = "+proj=tmerc +lat_0=0 +lon_0=117 +k=1 +x_0=20500000 +y_0=0 +ellps=GRS80 +units=m +no_defs"
        fwd = pyproj.Transformer.from_crs("EPSG:4490", tm, always_xy=True)
        inv = pyproj.Transformer.from_crs(tm, "EPSG:4490", always_xy=True)
        merc = pyproj.Transformer.from_crs("EPSG:4326", "EPSG:3857", always_xy=True)
        g = pyproj.Geod(ellps="WGS84")
        theirs = {
            "gaussKruger forward": lambda: fwd.transform(116.4074, 39.9042),
            "gaussKruger inverse": lambda: inv.transform(e, n),
            "geodesics": lambda: g.inv(116.4074, 39.9042, 114.3055, 30.5928),
            "webMercator forward": lambda: merc.transform(116.4074, 39.9042),
        }
    print(f"{CALLS} calls each")
    print(f"{'operation':<22}{'calls/s':>14}{'pyproj calls/s':>18}{'ratio':>9}")
    for name, fn in ours.items():
        r = rate(fn)
        if name in theirs:
            p = rate(theirs[name])
            print(f"{name:<22}{r:>14,.0f}{p:>18,.0f}{r / p:>8.1f}x")
        else:
            print(f"{name:<22}{r:>14,.0f}{'-':>18}{'-':>9}")


if __name__ == "__main__":
    main()
