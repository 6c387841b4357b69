"""Per-call cost beside the peers, measured side by side in one run.

Projections and geodesics against pyproj's scalar calls, the geometry codecs
against shapely, `dumps` against orjson, sheet codes on their own (no peer
does this), and the whole export against GDAL's ogr2ogr in CPU seconds. Each
comparison is skipped when its peer is missing; orjson and ogr2ogr are
benchmark-only extras.

    .venv/bin/python benchmarks/bench_peers.py [--quick]
"""
import json
import math
import os
import pathlib
import random
import resource
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))
sys.path.insert(0, str(ROOT))

from src.tivenpy import Geometry, MapGisFile, MapGrid, Projection as P  # noqa: E402

QUICK = "--quick" in sys.argv


def optional(name):
    try:
        return __import__(name)
    except ImportError:
        return None


pyproj, shapely, orjson = optional("pyproj"), optional("shapely"), optional("orjson")


def per_call(fn, calls):
    """Seconds per call of fn(), best of five runs in process CPU time."""
    best = math.inf
    for _ in range(5):
        start = time.process_time()
        for _ in range(calls):
            fn()
        best = min(best, (time.process_time() - start) / calls)
    return best


def row(name, ours, theirs, unit, scale, target=None, digits=1):
    """One line: our cost, the peer's, and how many times faster we are."""
    def text(v):
        return f"{v * scale:>12,.{digits}f}" if v is not None else f"{'-':>12}"
    ratio = f"{theirs / ours:>8.2f}x" if theirs is not None else f"{'-':>9}"
    goal = f"  (goal {target})" if target else ""
    print(f"{name:<40}{text(ours)}{text(theirs)}{ratio}  {unit}{goal}")


def projections():
    n = 20_000 if QUICK else 200_000
    e, nn = P.gaussKruger(longitude=116.4074, latitude=39.9042)
    mx, my = P.webMercator(116.4074, 39.9042)
    ax, ay = P.albers(longitude=116.4074, latitude=39.9042, centralMeridian=110.0, crs=1984)
    lx, ly = P.lambert(longitude=116.4074, latitude=39.9042, centralMeridian=110.0, crs=1984)
    ours = {
        "gaussKruger forward": lambda: P.gaussKruger(longitude=116.4074, latitude=39.9042),
        "gaussKruger inverse": lambda: P.gaussKruger(x=nn, y=e),
        "webMercator forward": lambda: P.webMercator(116.4074, 39.9042),
        "webMercator inverse": lambda: P.webMercator(x=mx, y=my),
        "albers forward": lambda: P.albers(longitude=116.4074, latitude=39.9042, centralMeridian=110.0, crs=1984),
        "albers inverse": lambda: P.albers(x=ax, y=ay, centralMeridian=110.0, crs=1984),
        "lambert forward": lambda: P.lambert(longitude=116.4074, latitude=39.9042, centralMeridian=110.0, crs=1984),
        "lambert inverse": lambda: P.lambert(x=lx, y=ly, centralMeridian=110.0, crs=1984),
        "geodesics": lambda: P.geodesics((116.4074, 39.9042), (114.3055, 30.5928)),
    }
    theirs = {}
    if pyproj:
        tm = "+proj=tmerc +lat_0=0 +lon_0=117 +k=1 +x_0=20500000 +y_0=0 +ellps=GRS80 +units=m +no_defs"
        aea = "+proj=aea +lat_0=0 +lon_0=110 +lat_1=20 +lat_2=50 +ellps=WGS84 +units=m +no_defs"
        lcc = "+proj=lcc +lat_0=0 +lon_0=110 +lat_1=20 +lat_2=50 +ellps=WGS84 +units=m +no_defs"
        T = pyproj.Transformer.from_crs
        pairs = {"gaussKruger": T("EPSG:4490", tm, always_xy=True), "webMercator": T("EPSG:4326", "EPSG:3857", always_xy=True),
                 "albers": T("EPSG:4326", aea, always_xy=True), "lambert": T("EPSG:4326", lcc, always_xy=True)}
        back = {"gaussKruger": T(tm, "EPSG:4490", always_xy=True), "webMercator": T("EPSG:3857", "EPSG:4326", always_xy=True),
                "albers": T(aea, "EPSG:4326", always_xy=True), "lambert": T(lcc, "EPSG:4326", always_xy=True)}
        images = {"gaussKruger": (e, nn), "webMercator": (mx, my), "albers": (ax, ay), "lambert": (lx, ly)}
        for k in pairs:
            theirs[k + " forward"] = (lambda t: lambda: t.transform(116.4074, 39.9042))(pairs[k])
            theirs[k + " inverse"] = (lambda t, xy: lambda: t.transform(*xy))(back[k], images[k])
        g = pyproj.Geod(ellps="WGS84")
        theirs["geodesics"] = lambda: g.inv(116.4074, 39.9042, 114.3055, 30.5928)
    print(f"\n{'projection call':<40}{'ours':>12}{'pyproj':>12}{'ratio':>9}")
    for name, fn in ours.items():
        peer = per_call(theirs[name], n) if name in theirs else None
        row(name, per_call(fn, n), peer, "ns", 1e9, ">= 3x")


def ring(k, cx=0.0, cy=0.0, r=1.0):
    pts = [[cx + r * math.cos(2 * math.pi * i / k), cy + r * math.sin(2 * math.pi * i / k)] for i in range(k)]
    return pts + [list(pts[0])]


def codecs():
    n = 100 if QUICK else 1000
    rng = random.Random(1)
    polygon = {"type": "Polygon", "coordinates": [ring(1000)]}
    multi = {"type": "MultiPolygon",
             "coordinates": [[ring(6, rng.uniform(0, 100), rng.uniform(0, 100))] for _ in range(100)]}
    print(f"\n{'geometry call':<40}{'ours':>12}{'peer':>12}{'ratio':>9}")
    for label, g in (("polygon 1000", polygon), ("multipolygon 100x6", multi)):
        wkt = Geometry.toWkt(g)
        text = Geometry.dumps(g)
        sg = shapely.from_wkt(wkt) if shapely else None
        row(f"loads WKT, {label}", per_call(lambda: Geometry.loads(wkt), n),
            per_call(lambda: shapely.from_wkt(wkt), n) if shapely else None, "us vs shapely", 1e6, ">= 1.5x")
        row(f"loads GeoJSON text, {label}", per_call(lambda: Geometry.loads(text), n),
            per_call(lambda: shapely.from_geojson(text), n) if shapely else None, "us vs shapely", 1e6, ">= 1.5x")
        row(f"toWkt, {label}", per_call(lambda: Geometry.toWkt(g), n),
            per_call(lambda: shapely.to_wkt(sg), n) if shapely else None, "us vs shapely", 1e6, ">= 1.5x")
    row("dumps, polygon 1000", per_call(lambda: Geometry.dumps(polygon), n),
        per_call(lambda: orjson.dumps(polygon, option=orjson.OPT_INDENT_2), n) if orjson else None,
        "us vs orjson", 1e6, ">= 0.67x")
    row("json.dumps(indent=4), polygon 1000", per_call(lambda: Geometry.dumps(polygon), n),
        per_call(lambda: json.dumps(polygon, indent=4, ensure_ascii=False), n), "us vs json", 1e6)


def sheets():
    n = 20_000 if QUICK else 200_000
    print(f"\n{'sheet call':<40}{'ours':>12}")
    for name, fn in (("map(116.391, 39.907, 50000)", lambda: MapGrid.map(116.391, 39.907, 50000)),
                     ("parse('J50E001010')", lambda: MapGrid.parse("J50E001010")),
                     ("parse('J-50-5-B')", lambda: MapGrid.parse("J-50-5-B"))):
        row(name, per_call(fn, n), None, "us", 1e6, "<= 2.5 us")


def child_cpu(args):
    """CPU seconds (user + system) of one child process run to its end."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def export():
    ogr = shutil.which("ogr2ogr")
    count = 5_000 if QUICK else 50_000
    import mapgis_writer as w
    rng = random.Random(2024)
    fields = [w.Field("名称", 0, size=20), w.Field("编号", 3), w.Field("长度", 5, digits=3), w.Field("日期", 6),
              w.Field("等级", 2)]
    lines = []
    for k in range(count):
        x, y = rng.uniform(3e5, 7e5), rng.uniform(3e6, 5e6)
        pts = [(x + rng.uniform(-500, 500), y + rng.uniform(-500, 500)) for _ in range(20)]
        lines.append(w.Line(pts, [f"道路{k}", k, rng.uniform(0, 1e4), (2024, 1 + k % 12, 1 + k % 28), k % 5]))
    print(f"\n{'export, %d lines x 20 vertices' % count:<40}{'ours':>12}{'ogr2ogr':>12}{'ratio':>9}")
    with tempfile.TemporaryDirectory() as tmp:
        source = w.write(os.path.join(tmp, "roads.WL"), w.line_file(lines, fields))
        ours_json = os.path.join(tmp, "ours.geojson")
        script = f"from src.tivenpy import MapGisFile; MapGisFile({str(source)!r}).saveAsGeoJson({ours_json!r})"
        ours = min(child_cpu([sys.executable, "-c", script]) for _ in range(3))
        theirs = None
        if ogr:
            shp = os.path.join(tmp, "roads.shp")
            subprocess.run([ogr, "-f", "ESRI Shapefile", "-lco", "ENCODING=UTF-8", shp, ours_json], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            out = os.path.join(tmp, "gdal.geojson")
            def run():
                if os.path.exists(out):
                    os.remove(out)
                return child_cpu([ogr, "-f", "GeoJSON", out, shp])
            theirs = min(run() for _ in range(3))
        row("whole process, CPU", ours, theirs, "s", 1, ">= 5x", digits=3)


if __name__ == "__main__":
    os.chdir(ROOT)
    projections()
    codecs()
    sheets()
    export()
    print("\nratio: the peer's cost over ours (above 1: ours is faster)")
