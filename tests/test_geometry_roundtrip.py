"""Round trips through dumps and toWkt, and agreement with shapely on standard WKT."""
import copy
import random

import pytest

from src.tivenpy import Geometry

TYPES = ["Point", "MultiPoint", "LineString", "MultiLineString", "Polygon", "MultiPolygon", "GeometryCollection"]


def number(rng):
    kind = rng.random()
    if kind < 0.6:
        return round(rng.uniform(-180, 180), rng.randint(0, 9))
    if kind < 0.8:
        return rng.uniform(-1e-7, 1e-7)
    return float(rng.randint(-10**6, 10**6)) * 10 ** rng.randint(-5, 20)


def vertex(rng, dims):
    return [number(rng) for _ in range(dims)]


def line(rng, dims, n):
    out = []
    while len(out) < n:
        v = vertex(rng, dims)
        if not out or v[:2] != out[-1][:2]:
            out.append(v)
    return out


def ring(rng, dims):
    r = line(rng, dims, rng.randint(3, 8))
    while r[-1][:2] == r[0][:2]:
        r = line(rng, dims, rng.randint(3, 8))
    return r + [list(r[0])]


def geometry(rng, kind, dims):
    if kind == "Point":
        c = vertex(rng, dims)
    elif kind == "MultiPoint":
        c = [vertex(rng, dims) for _ in range(rng.randint(1, 5))]
    elif kind == "LineString":
        c = line(rng, dims, rng.randint(2, 8))
    elif kind == "MultiLineString":
        c = [line(rng, dims, rng.randint(2, 6)) for _ in range(rng.randint(1, 4))]
    elif kind == "Polygon":
        c = [ring(rng, dims) for _ in range(rng.randint(1, 3))]
    elif kind == "MultiPolygon":
        c = [[ring(rng, dims) for _ in range(rng.randint(1, 3))] for _ in range(rng.randint(1, 3))]
    else:
        members = [geometry(rng, rng.choice(TYPES[:-1]), dims) for _ in range(rng.randint(1, 4))]
        return {"type": "GeometryCollection", "geometries": members}
    return {"type": kind, "coordinates": c}


def samples(count, seed):
    rng = random.Random(seed)
    return [geometry(rng, TYPES[i % len(TYPES)], rng.choice([2, 2, 3, 4])) for i in range(count)]


@pytest.mark.parametrize("g", samples(350, 20250910), ids=lambda g: g["type"])
def test_round_trips(g):
    assert Geometry.loads(copy.deepcopy(g)) == g
    assert Geometry.loads(Geometry.toWkt(g)) == g
    assert Geometry.loads(Geometry.dumps(g)) == g
    gj = Geometry.loads(Geometry.dumps(g))
    assert Geometry.dumps(gj) == Geometry.dumps(g)


@pytest.mark.parametrize(
    "g",
    [
        {"type": "GeometryCollection", "geometries": []},
        {"type": "MultiPoint", "coordinates": []},
        {"type": "MultiLineString", "coordinates": []},
        {"type": "Polygon", "coordinates": []},
        {"type": "MultiPolygon", "coordinates": [[]]},
        {"type": "GeometryCollection", "geometries": [{"type": "GeometryCollection", "geometries": []}]},
    ],
)
def test_empty_geometries_read_back_from_geojson(g):
    assert Geometry.loads(Geometry.dumps(g)) == g


@pytest.mark.parametrize(
    "g",
    [
        {"type": "MultiPoint", "coordinates": [[1.0, 2.0]]},
        {"type": "MultiPoint", "coordinates": [[1.0, 2.0, 3.0]]},
        {"type": "GeometryCollection", "geometries": [{"type": "MultiPoint", "coordinates": [[1.0, 2.0]]}]},
    ],
)
def test_own_wkt_reads_back(g):
    assert Geometry.loads(Geometry.toWkt(g)) == g


def shapely_coords(geom):
    import shapely

    t = geom.geom_type
    if t == "Point":
        return list(geom.coords[0])
    if t in ("LineString", "LinearRing"):
        return [list(c) for c in geom.coords]
    if t == "Polygon":
        return [shapely_coords(geom.exterior)] + [shapely_coords(r) for r in geom.interiors]
    if t == "GeometryCollection":
        return [shapely_coords(m) for m in geom.geoms]
    assert isinstance(geom, shapely.geometry.base.BaseMultipartGeometry)
    return [shapely_coords(m) for m in geom.geoms]


def ours(g):
    if g["type"] == "GeometryCollection":
        return [ours(m) for m in g["geometries"]]
    return g["coordinates"]


def xyz_samples(count, seed):
    # shapely writes x y and x y z; m values are left to the round trips above
    return [g for g in samples(count, seed) if len(Geometry.getXY(g)[0]) < 4]


@pytest.mark.parametrize("g", xyz_samples(180, 7), ids=lambda g: g["type"])
def test_agrees_with_shapely(g):
    shapely = pytest.importorskip("shapely", exc_type=ImportError)
    for text in (shapely.to_wkt(shapely.from_geojson(Geometry.dumps(g)), rounding_precision=-1),):
        assert ours(Geometry.loads(text)) == shapely_coords(shapely.from_wkt(text))
