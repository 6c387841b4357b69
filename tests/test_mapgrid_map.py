import math
import random

import pytest

import mapgrid_reference as ref
from src import tivenpy
from exactness import same

MapGrid = tivenpy.MapGrid
TILDE = "\uff5e"


def bnd(n, s, w, e):
    return {"north": n, "south": s, "west": w, "east": e}


class Approx:
    """A published edge in minutes, equal up to rounding."""

    def __init__(self, value):
        self.value = value


WORKED = [
    # (lon, lat, scale, new, old, boundary)
    (101, 37, 1000000, "J47", "J-47", bnd(40, 36, 96, 102)),
    (101, 37, 500000, "J47B002002", "J-47-D", bnd(38.0, 36.0, 99.0, 102.0)),
    (101, 37, 250000, "J47C003004", "J-47-[12]", bnd(38.0, 37.0, 100.5, 102.0)),
    (101, 37, 200000, "J-47-(30)", "J-47-(30)", bnd(37.33333333333333, 36.666666666666664, 101.0, 102.0)),
    (101, 37, 100000, "J47D009011", "J-47-107", bnd(37.333333333333336, 37.0, 101.0, 101.5)),
    (101, 37, 50000, "J47E018021", "J-47-107-C", bnd(37.166666666666664, 37.0, 101.0, 101.25)),
    (101, 37, 25000, "J47F036041", "J-47-107-C-3", bnd(37.083333333333336, 37.0, 101.0, 101.125)),
    (101, 37, 10000, "J47G072081", "J-47-107-(57)", bnd(37.041666666666664, 37.0, 101.0, 101.0625)),
    (101, 37, 5000, "J47H144161", "J-47-107-(57)-c", bnd(37.020833333333336, 37.0, 101.0, 101.03125)),
    (101, 37, 2000, "J47I432481", "J-47-107-(57)-c-7", bnd(37.00694444444444, 37.0, 101.0, 101.01041666666667)),
    (101, 37, 1000, "J47J08640961", "J-47-107-(57)-c-7-3",
     bnd(37.00347222222222, 37.0, 101.0, 101.00520833333333)),
    (101, 37, 500, "J47K17281921", "J-47-107-(57)-c-7-3-3",
     bnd(37.001736111111114, 37.0, 101.0, 101.00260416666667)),
    # south of the equator rows still count from the northern edge
    (101, -37, 1000000, "SJ47", "SJ-47", bnd(-36, -40, 96, 102)),
    (101, -37, 500000, "SJ47B001002", "SJ-47-B", bnd(-36.0, -38.0, 99.0, 102.0)),
    (101, -37, 250000, "SJ47C001004", "SJ-47-[4]", bnd(-36.0, -37.0, 100.5, 102.0)),
    (101, -37, 200000, "SJ-47-(12)", "SJ-47-(12)", bnd(-36.66666666666667, -37.333333333333336, 101.0, 102.0)),
    (101, -37, 100000, "SJ47D003011", "SJ-47-35", bnd(-36.666666666666664, -37.0, 101.0, 101.5)),
    (101, -37, 50000, "SJ47E006021", "SJ-47-35-C", bnd(-36.833333333333336, -37.0, 101.0, 101.25)),
    # positions on sheet lines go north and east
    (101, 36, 500000, "J47B002002", "J-47-D", bnd(38.0, 36.0, 99.0, 102.0)),
    (102, 37, 1000000, "J48", "J-48", bnd(40, 36, 102, 108)),
    (102, 38, 500000, "J48B001001", "J-48-A", bnd(40.0, 38.0, 102.0, 105.0)),
    # extremes
    (0, 90, 1000000, "W31", "W-31", bnd(92, 88, 0, 6)),
    (0, -90, 1000000, "SW31", "SW-31", bnd(-88, -92, 0, 6)),
    (-180, 0, 1000000, "A01", "A-01", bnd(4, 0, -180, -174)),
    (-180, -90, 100000, "SW01D006001", "SW-01-61", bnd(-89.66666666666667, -90.0, -180.0, -179.5)),
    (179.999, 89.999, 100000, "W60D007012", "W-60-84", bnd(90.0, 89.66666666666667, 179.5, 180.0)),
    (0.0, -0.0, 1000000, "A31", "A-31", bnd(4, 0, 0, 6)),
    # quarters and blocks
    (101.2, 37.3, 50000, "J47E017021", "J-47-107-A", None),
    (101.3, 37.3, 50000, "J47E017022", "J-47-107-B", None),
    (101.2, 37.01, 50000, "J47E018021", "J-47-107-C", None),
    (101.3, 37.01, 50000, "J47E018022", "J-47-107-D", None),
    (101.45, 37.3, 10000, "J47G065088", "J-47-107-(8)", bnd(37.33333333333333, 37.291666666666664, 101.4375, 101.5)),
    (101.49, 37.01, 10000, "J47G072088", "J-47-107-(64)", None),
    (101.025, 37.018, 2000, None, "J-47-107-(57)-c-3", None),
    (101.025, 37.003, 2000, None, "J-47-107-(57)-c-9", None),
    (101.008, 37.005, 1000, None, "J-47-107-(57)-c-7-2", None),
    (101.008, 37.001, 1000, None, "J-47-107-(57)-c-7-4", None),
    (101.004, 37.003, 500, None, "J-47-107-(57)-c-7-3-2", None),
    (101.004, 37.001, 500, None, "J-47-107-(57)-c-7-3-4", None),
    # published sheets: Beijing
    (116.39, 39.91, 1000000, "J50", "J-50", bnd(40, 36, 114, 120)),
    (116.39, 39.91, 100000, "J50D001005", "J-50-5", None),
    (116 + 28 / 60 + 15 / 3600, 39 + 54 / 60 + 30 / 3600, 50000, "J50E001010", None,
     bnd(40.0, Approx(39 + 50 / 60), 116.25, 116.5)),
    # a southern band parallel, +180 and a tiny negative longitude get a real sheet
    (101, -36, 500000, "SJ47B001002", "SJ-47-B", bnd(-36.0, -38.0, 99.0, 102.0)),
    (180.0, 0.0, 1000000, "A60", "A-60", bnd(4, 0, 174, 180)),
    (180.0, 0.0, 500, "A60K23042304", None, None),
    (-1e-17, 10.0, 100000, "C30D006012", "C-30-72", None),
    (-1e-15, 10, 200000, "C-30-(18)", "C-30-(18)", bnd(10.666666666666666, 10.0, -1.0, 0.0)),
]


@pytest.mark.parametrize("lon,lat,scale,new,old,boundary", WORKED)
def test_worked_sheets(lon, lat, scale, new, old, boundary):
    r = MapGrid.map(lon, lat, scale)
    assert list(r) == ["new", "old", "boundary"]
    if new is not None:
        assert r["new"] == new
    if old is not None:
        assert r["old"] == old
    if boundary is not None:
        if scale == 1000000:
            same(r["boundary"], boundary)
        else:
            assert list(r["boundary"]) == ["north", "south", "west", "east"]
            for k, v in boundary.items():
                if isinstance(v, Approx):
                    assert r["boundary"][k] == pytest.approx(v.value, abs=1e-12)
                else:
                    assert r["boundary"][k] == v
                assert type(r["boundary"][k]) is float
    same(r, ref.sheet(lon, lat, scale))


def test_default_scale_and_instance_call():
    same(MapGrid.map(101, 37), MapGrid().map(101, 37, 1000000))
    same(MapGrid.map(longitude=101, latitude=37, scale=500), MapGrid.map(101.0, 37.0, 500))


def test_chain_stays_inside_the_coarser_sheet():
    # The product with 576 rounds across the 1:5,000 line that the product
    # with 192 does not cross; the 1:2,000 sheet stays in the 1:5,000 sheet.
    lat = 0.10416666666666666
    r = MapGrid.map(101.0, lat, 2000)
    assert MapGrid.map(101.0, lat, 5000)["new"] == "A47H187161"
    assert r["new"] == "A47I561481"
    assert r["old"] == "A-47-143-(41)-a-7"
    assert MapGrid.parse(r["old"]) == {"scale": 2000, "boundary": r["boundary"]}
    assert MapGrid.parse(r["new"]) == {"scale": 2000, "boundary": r["boundary"]}


class Real:
    def __init__(self, v):
        self.v = v

    def __float__(self):
        return self.v


class Index:
    def __index__(self):
        return 101


def test_argument_conversion():
    assert MapGrid.map(Real(101.0), 37)["new"] == "J47"
    assert MapGrid.map(Index(), True)["new"] == "A47"
    assert MapGrid.map(10**2 + 1, 37.0, 500)["new"] == "J47K17281921"


@pytest.mark.parametrize(
    "args,kwargs,exc,message",
    [
        ((200, 100), {}, Exception, f"[200.0] should be between [-180 {TILDE} +180] in [longitude] parameter."),
        ((-180.0000001, 0), {}, Exception,
         f"[-180.0000001] should be between [-180 {TILDE} +180] in [longitude] parameter."),
        ((math.nan, 0), {}, Exception, f"[nan] should be between [-180 {TILDE} +180] in [longitude] parameter."),
        ((math.inf, 0), {}, Exception, f"[inf] should be between [-180 {TILDE} +180] in [longitude] parameter."),
        ((101, 100), {}, Exception, f"[100.0] should be between [-90 {TILDE} +90] in [latitude] parameter."),
        ((101, -math.nan), {}, Exception, f"[nan] should be between [-90 {TILDE} +90] in [latitude] parameter."),
        ((101, 37, 123), {}, Exception,
         "[123] Should be one of [1000000, 500000, 250000, 200000, 100000, 50000, 25000, 10000, 5000, 2000, "
         "1000, 500] in [scale] parameter."),
        ((101, 37, -10**30), {}, Exception,
         "[-1000000000000000000000000000000] Should be one of [1000000, 500000, 250000, 200000, 100000, 50000, "
         "25000, 10000, 5000, 2000, 1000, 500] in [scale] parameter."),
        ((101, 37, True), {}, TypeError, "Argument 'scale' has incorrect type (expected int, got bool)"),
        ((101, 37, 500000.0), {}, TypeError, "Argument 'scale' has incorrect type (expected int, got float)"),
        ((101, 37, None), {}, TypeError, "Argument 'scale' has incorrect type (expected int, got NoneType)"),
        (("101", 37), {}, TypeError, "must be real number, not str"),
        ((101, None), {}, TypeError, "must be real number, not NoneType"),
        ((101,), {}, TypeError, "map() takes at least 3 positional arguments (2 given)"),
        ((101, 37, 500, 1), {}, TypeError, "map() takes at most 4 positional arguments (5 given)"),
        ((101, 37), {"zoom": 1}, TypeError, "map() got an unexpected keyword argument 'zoom'"),
    ],
)
def test_argument_and_range_errors(args, kwargs, exc, message):
    with pytest.raises(exc) as info:
        MapGrid.map(*args, **kwargs)
    assert type(info.value) is exc
    assert str(info.value) == message


def test_longitude_is_checked_before_latitude_and_argument_types_before_both():
    with pytest.raises(Exception, match=r"\[longitude\]"):
        MapGrid.map(500, 500)
    with pytest.raises(TypeError):
        MapGrid.map(500, 500, 1.5)


class Traced(MapGrid):
    calls = []

    @classmethod
    def map(cls, longitude, latitude, scale=1000000):
        cls.calls.append((type(longitude), type(latitude), scale))
        return super().map(longitude, latitude, scale)


def test_old_codes_are_built_through_the_class():
    Traced.calls.clear()
    assert Traced.map(101, 37, 500)["old"] == "J-47-107-(57)-c-7-3-3"
    assert [c[2] for c in Traced.calls] == [500, 1000, 2000, 5000, 10000, 100000]
    assert all(c[0] is float and c[1] is float for c in Traced.calls[1:])


class Prefixed(MapGrid):
    @classmethod
    def map(cls, longitude, latitude, scale=1000000):
        if scale == 100000:
            return {"old": 42}
        return super().map(longitude, latitude, scale)


def test_nested_prefix_is_formatted_as_given():
    assert Prefixed.map(101, 37, 50000)["old"] == "42-C"
    assert Prefixed.map(101, 37, 10000)["old"] == "42-(57)"


class BadCorner(MapGrid):
    @classmethod
    def _MapGrid__corner1000000(cls, code):
        raise Exception("corner " + code)


class ShiftedCorner(MapGrid):
    @classmethod
    def _MapGrid__corner1000000(cls, code):
        return {"longitude": 0, "latitude": 0.5}


class ThreeCorner(MapGrid):
    @classmethod
    def _MapGrid__corner1000000(cls, code):
        return {"a": 1, "b": 2, "c": 3}


class FarCorner(MapGrid):
    corner = {"longitude": 0, "latitude": 10**300}

    @classmethod
    def _MapGrid__corner1000000(cls, code):
        return cls.corner


class NanCorner(FarCorner):
    corner = {"longitude": 0, "latitude": float("nan")}


class HugeCorner(FarCorner):
    corner = {"longitude": 0, "latitude": 10**400}


def test_replaced_corner_values_fail_cleanly():
    assert FarCorner.map(1, 1, 500000)["new"] == "A31B002001"
    assert FarCorner.map(1, 1)["boundary"]["north"] == 10**300 + 4
    with pytest.raises(ValueError, match="cannot convert float NaN to integer"):
        NanCorner.map(1, 1, 500)
    with pytest.raises(OverflowError, match="int too large to convert to float"):
        HugeCorner.map(1, 1, 500)
    with pytest.raises(OverflowError):
        HugeCorner.parse("J47B001001")
    assert HugeCorner.parse("J47")["boundary"]["south"] == 10**400


class CountedCorner(MapGrid):
    calls = []

    @classmethod
    def _MapGrid__corner1000000(cls, code):
        cls.calls.append(code)
        return super()._MapGrid__corner1000000(code)


def test_corner_is_looked_up_through_the_class_before_the_scale():
    with pytest.raises(Exception, match="^corner SJ47$"):
        BadCorner.map(101, -37, 123)
    assert ShiftedCorner.map(1, 1)["boundary"] == bnd(4.5, 0.5, 0, 6)
    assert ShiftedCorner.map(1, 1, 500000)["boundary"] == bnd(2.5, 0.5, 0.0, 3.0)
    with pytest.raises(ValueError, match="too many values to unpack"):
        ThreeCorner.map(1, 1)
    # once for each coarser sheet whose old code is extended
    CountedCorner.calls.clear()
    assert CountedCorner.map(101, 37, 500)["old"] == "J-47-107-(57)-c-7-3-3"
    assert CountedCorner.calls == ["J47"] * 6


class Tables(MapGrid):
    _MapGrid__mapword = "WXYZ"
    _MapGrid__scalecode = "bcdefghijk"


def test_letter_tables_are_read_through_the_class():
    r = Tables.map(101, 37, 500000)
    assert r["new"] == "J47b002002"
    assert r["old"] == "J-47-Z"


def _positions(seed, count):
    rnd = random.Random(seed)
    return [(rnd.uniform(-180, 180), rnd.uniform(-90, 90)) for _ in range(count)]


def _line_positions(seed, count):
    """Positions on sheet lines and band parallels, and just beside them."""
    rnd = random.Random(seed)
    out = []
    for _ in range(count):
        n = rnd.choice(list(ref.N.values()))
        lon0, lat0 = rnd.randrange(-180, 180, 6), rnd.randrange(-92, 92, 4)
        lon = lon0 + (rnd.randrange(0, n + 1) * 6.0) / n
        lat = lat0 + rnd.randrange(0, n + 1) * (4 / n)
        lon += rnd.choice([0.0, 0.0, 1e-15, -1e-15, -1e-17])
        lat += rnd.choice([0.0, 0.0, 1e-15, -1e-15, 5e-324])
        out.append((min(max(lon, -180.0), 180.0), min(max(lat, -90.0), 90.0)))
    return out


@pytest.mark.parametrize("scale", ref.SCALES)
def test_codes_read_back_to_the_same_sheet(scale):
    for kind, positions in (("random", _positions(scale, 1500)), ("lines", _line_positions(scale + 1, 1000))):
        for lon, lat in positions:
            r = MapGrid.map(lon, lat, scale)
            same(r, ref.sheet(lon, lat, scale))
            b = r["boundary"]
            assert MapGrid.parse(r["new"]) == {"scale": scale, "boundary": b}, (lon, lat)
            assert MapGrid.parse(r["old"]) == {"scale": scale, "boundary": b}, (lon, lat)
            if kind == "random":
                assert b["south"] <= lat <= b["north"] and b["west"] <= lon <= b["east"], (lon, lat)
            else:
                # on a line the edge arithmetic may land an ulp beside the position
                assert b["south"] - 1e-12 <= lat <= b["north"] + 1e-12, (lon, lat)
                assert b["west"] - 1e-12 <= lon <= b["east"] + 1e-12, (lon, lat)
