import dataclasses
import pathlib
import subprocess
import sys

import pytest

from src.tivenpy import Projection, TivenBase

KEYS = [1954, "beijing", "peking", "beijing1954", 1980, "xian", "xi'an", "xi an", "xian1980",
        1984, "wgs", "wgs84", "wgs1984", 2000, "cgcs", "cgcs2000"]


def test_datum_keys_and_shared_records():
    assert list(Projection.datum) == KEYS
    d = Projection.datum
    assert d["xi an"] is d[1980] and d["cgcs2000"] is d[2000] and d["wgs"] is d[1984]
    assert d[1984] != d[2000] and d[1984].a == d[2000].a
    assert len({id(v) for v in d.values()}) == 4


@pytest.mark.parametrize("key,a,inv_f,name,spheroid,datum", [
    (1954, 6378245.0, 298.3, "1954 Beijing coordinate system", "Krassowsky 1940", "Krassowsky_1940"),
    (1980, 6378140.0, 298.257, "1980 Xi'an coordinate system", "IAG 1975", "IAG_1975"),
    (1984, 6378137.0, 298.257223563, "1984 International geodetic coordinate system", "WGS 84", "WGS_1984"),
    (2000, 6378137.0, 298.257222101, "2000 National coordinate system", "GRS 1980", "GRS_1980"),
])
def test_datum_records(key, a, inv_f, name, spheroid, datum):
    r = Projection.datum[key]
    assert (r.a, r.f, r.name, r.spheroid, r.datum) == (a, 1 / inv_f, name, spheroid, datum)
    assert type(r) is Projection.CRS


@pytest.mark.parametrize("key", ["WGS84", "1984", 1985])
def test_datum_missing_keys(key):
    with pytest.raises(KeyError):
        Projection.datum[key]


def test_crs_is_a_dataclass():
    crs = Projection.CRS
    assert dataclasses.is_dataclass(crs)
    assert [f.name for f in dataclasses.fields(crs)] == ["a", "f", "name", "spheroid", "datum"]
    assert crs.__annotations__ == {"a": "float", "f": "float", "name": "str", "spheroid": "str", "datum": "str"}
    assert crs.__qualname__ == "Projection.CRS" and crs.__module__ == "src.tivenpy"
    assert "Coordinate Reference System" in crs.__doc__
    assert repr(Projection.datum[1984]) == (
        "Projection.CRS(a=6378137.0, f=0.0033528106647474805, name='1984 International geodetic coordinate "
        "system', spheroid='WGS 84', datum='WGS_1984')")
    with pytest.raises(TypeError):
        hash(Projection.datum[1954])
    assert crs(1.0, 0.0, "n", "s", "d") == crs(a=1.0, f=0.0, name="n", spheroid="s", datum="d")


def test_class_layout():
    assert Projection.__mro__[1] is TivenBase
    assert Projection.__annotations__ == {"datum": "dict[Union[int, str], CRS]"}
    body = [k for k in vars(Projection) if not k.startswith("__") or k == "__init__"]
    assert body == ["__init__", "CRS", "datum", "angle", "geodesics", "zone", "centralMeridian", "webMercator",
                    "gaussKruger", "albers", "lambert"]
    assert isinstance(vars(Projection)["angle"], staticmethod)
    assert isinstance(vars(Projection)["zone"], classmethod)
    assert Projection.zone.__annotations__ == {"longitude": "float", "zoneCode": "int", "return": "int"}
    assert Projection.angle.__annotations__ == {"deg": "Union[float, str]", "dms": "Union[float, str]",
                                                "digit": "Union[int, str]", "return": "Union[float, str]"}
    p = Projection()
    assert p.subscribers == {}
    assert p.zone(120.0) == 21


@pytest.mark.parametrize("call,message", [
    (lambda: Projection(1), "__init__() takes exactly 1 positional argument (2 given)"),
    (lambda: Projection.zone(), "zone() takes at least 2 positional arguments (1 given)"),
    (lambda: Projection.lambert(*[None] * 10), "lambert() takes at most 10 positional arguments (11 given)"),
    (lambda: Projection.zone(1.0, True),
     "Argument 'zoneCode' has incorrect type (expected int, got bool)"),
    (lambda: Projection.webMercator(0, 0), "Argument 'longitude' has incorrect type (expected float, got int)"),
    (lambda: Projection.gaussKruger(longitude=1, latitude=1.0),
     "Argument 'longitude' has incorrect type (expected float, got int)"),
    (lambda: Projection.centralMeridian(longitude=116), "Argument 'longitude' has incorrect type (expected float, got int)"),
    (lambda: Projection.zone(1.0, 3.0), "Argument 'zoneCode' has incorrect type (expected int, got float)"),
    (lambda: Projection.geodesics((0, 0), (1, 1), crs=None), "Argument 'crs' has incorrect type (expected int, got NoneType)"),
    (lambda: Projection.lambert(crs="wgs84"), "Argument 'crs' has incorrect type (expected int, got str)"),
    (lambda: Projection.albers(centralMeridian=None), "must be real number, not NoneType"),
    (lambda: Projection.zone("1"), "must be real number, not str"),
    # converted parameters fail before the exact tests
    (lambda: Projection.albers(longitude=1, centralMeridian="x"), "must be real number, not str"),
    (lambda: Projection.zone(1.0, foo=1), "zone() got an unexpected keyword argument 'foo'"),
    # two calls sharing one tuple of keyword names, with other positional counts
    (lambda: (Projection.zone(longitude=1.0), Projection.zone(2.0, longitude=1.0)),
     "zone() got multiple values for keyword argument 'longitude'"),
    (lambda: (Projection.zone(2.0, zoneCode=3), Projection.zone(zoneCode=3)),
     "zone() takes at least 2 positional arguments (1 given)"),
])
def test_argument_errors(call, message):
    with pytest.raises(TypeError) as e:
        call()
    assert str(e.value) == message


def test_float_subclass_refused_with_note():
    class F(float):
        pass
    with pytest.raises(TypeError) as e:
        Projection.webMercator(F(1.0), 1.0)
    assert e.value.__notes__


def test_converted_parameters_accept_any_real():
    assert Projection.zone(True) == 1
    assert Projection.albers(100.0, 30.0, centralMeridian=100) == Projection.albers(100.0, 30.0, centralMeridian=100.0)


class Edited(Projection):
    datum = dict(Projection.datum)
    datum[1984] = Projection.CRS(1.0, 0.0, "unit", "unit sphere", "unit")
    datum[2000] = Projection.CRS(2.0, 0.0, "double", "double sphere", "double")

    @classmethod
    def zone(cls, longitude, zoneCode=6):
        return 20


def test_subclass_table_and_operations_are_used():
    assert Edited.webMercator(x=1.0, y=0.0)[0] == pytest.approx(57.29577951308232)
    assert Edited.geodesics((0.0, 0.0), (90.0, 0.0)) == pytest.approx(1.5707963267948966)
    assert Edited.centralMeridian(longitude=-50.0) == 117.0
    assert Edited.gaussKruger(longitude=-50.0, latitude=0.0)[1] == 0.0
    assert Edited.albers(90.0, 0.0, parallel1=0.0, parallel2=1e-9)[0] == pytest.approx(3.141592653589793, rel=1e-6)
    assert Projection.webMercator(x=1.0, y=0.0)[0] != Edited.webMercator(x=1.0, y=0.0)[0]


class Logged(type):
    def __getattribute__(cls, name):
        if not name.startswith("__"):
            type.__getattribute__(cls, "looked_up").append(name)
        return super().__getattribute__(name)


@pytest.mark.parametrize("call,names", [
    (lambda P: P.gaussKruger(longitude=116.4, latitude=39.9), ["gaussKruger", "datum", "centralMeridian", "zone"]),
    (lambda P: P.centralMeridian(116.4), ["centralMeridian", "zone"]),
])
def test_class_lookups_made_once_each(call, names):
    P = Logged("P", (Projection,), {"looked_up": []})
    call(P)
    assert type.__getattribute__(P, "looked_up") == names


def test_subclass_results_are_checked():
    class BadZone(Projection):
        @classmethod
        def zone(cls, longitude, zoneCode=6):
            return 20.0

    class BadMeridian(Projection):
        @classmethod
        def centralMeridian(cls, longitude=None, zone=None, zoneCode=6):
            return 117

    with pytest.raises(TypeError, match="^Expected int, got float$"):
        BadZone.centralMeridian(longitude=1.0)
    with pytest.raises(TypeError, match="^Expected float, got int$"):
        BadMeridian.gaussKruger(longitude=1.0, latitude=1.0)


def test_table_edits_take_effect(monkeypatch):
    rec = Projection.datum[1984]
    old = rec.a
    try:
        rec.a = 1.0
        assert Projection.webMercator(x=1.0, y=0.0)[0] == pytest.approx(57.29577951308232)
        assert Projection.datum["wgs"].a == 1.0
    finally:
        rec.a = old
    del_table = {k: v for k, v in Projection.datum.items() if k != 1984}

    class NoWgs(Projection):
        datum = del_table
    with pytest.raises(KeyError):
        NoWgs.webMercator(x=0.0, y=0.0)
    with pytest.raises(Exception, match=r"^Invalid \[crs\] parameter\.$"):
        NoWgs.lambert(1.0, 1.0, crs=1984)
    # the class's own table replaced after calls through it
    Projection.webMercator(x=0.0, y=0.0)
    monkeypatch.setattr(Projection, "datum", del_table)
    with pytest.raises(KeyError):
        Projection.webMercator(x=0.0, y=0.0)


def test_table_edited_in_place_after_calls():
    # In a child interpreter: the class's own table, used and then edited.
    code = """
import sys
sys.path.insert(0, sys.argv[1])
from src.tivenpy import Projection as P
before = P.webMercator(x=1.0, y=0.0)
P.datum[1984] = P.CRS(1.0, 0.0, 'unit', 'unit sphere', 'unit')
print(P.webMercator(x=1.0, y=0.0) != before, P.webMercator(x=1.0, y=0.0)[0])
del P.datum[1984]
try:
    P.webMercator(x=1.0, y=0.0)
except KeyError as e:
    print('KeyError', e)
"""
    root = str(pathlib.Path(__file__).resolve().parent.parent)
    out = subprocess.run([sys.executable, "-c", code, root], capture_output=True, text=True)
    assert out.returncode == 0, out.stderr
    assert out.stdout.split("\n")[:2] == ["True 57.29577951308232", "KeyError 1984"]


def test_replaced_class_methods_are_used_by_the_class_itself(monkeypatch):
    monkeypatch.setattr(Projection, "zone", classmethod(lambda cls, longitude, zoneCode=6: 1))
    assert Projection.centralMeridian(longitude=116.39) == 3.0
    assert Projection.gaussKruger(longitude=3.0, latitude=0.0) == (1500000.0, 0.0)
    monkeypatch.setattr(Projection, "centralMeridian", classmethod(lambda cls, **kw: -3.0))
    assert Projection.gaussKruger(longitude=-3.0, latitude=0.0) == (30500000.0, 0.0)
    monkeypatch.undo()
    assert Projection.centralMeridian(longitude=116.39) == 117.0


def test_meridian_of_none_from_a_subclass():
    class NoMeridian(Projection):
        @classmethod
        def centralMeridian(cls, longitude=None, zone=None, zoneCode=6):
            return None

    with pytest.raises(TypeError, match="not supported between instances of 'int' and 'NoneType'"):
        NoMeridian.gaussKruger(longitude=1.0, latitude=1.0)
    with pytest.raises(OverflowError):
        NoMeridian.gaussKruger(longitude=float("inf"), latitude=1.0)


@pytest.mark.parametrize("name,annotations", [
    ("geodesics", {"point1": "Union[list, tuple]", "point2": "Union[list, tuple]", "crs": "int",
                   "return": "Union[float, None]"}),
    ("centralMeridian", {"longitude": "float", "zone": "int", "zoneCode": "int", "return": "float"}),
    ("webMercator", {"longitude": "float", "latitude": "float", "x": "float", "y": "float", "return": "tuple"}),
    ("gaussKruger", {"centralMeridian": "float", "x": "float", "y": "float", "longitude": "float",
                     "latitude": "float", "crs": "int", "return": "tuple"}),
    ("albers", {"longitude": "float", "latitude": "float", "centralMeridian": "float", "originLatitude": "float",
                "parallel1": "float", "parallel2": "float", "x": "float", "y": "float", "crs": "int",
                "return": "tuple"}),
])
def test_annotations(name, annotations):
    assert getattr(Projection, name).__annotations__ == annotations
    if name == "albers":
        assert Projection.lambert.__annotations__ == annotations
        assert "parallel1: float = 20.0" in Projection.lambert.__doc__
