"""Geometry.dumps, toWkt, swapXY and getXY."""
import collections
import datetime
import decimal
import random
import json

import pytest

from exactness import outcome
from src.tivenpy import Geometry

BAD_TYPE = "Invalid geometry type."


# ---- dumps -------------------------------------------------------------------

class OwnIter(list):
    # Iterated, as the json module does; __len__ is not asked.
    def __iter__(self):
        return iter([9] if super().__len__() else [])

    def __len__(self):
        return 7


class OwnItems(dict):
    # items() written; an empty dict is "{}" whatever __len__ says.
    def items(self):
        return [("x", [1, 2]), (3, None)]

    def __len__(self):
        return 0


class BadItems(dict):
    def __init__(self, items):
        super().__init__(k=1)
        self._items = items

    def items(self):
        return self._items


@pytest.mark.parametrize(
    "value",
    [
        {"type": "Point", "coordinates": [120.0, 38.0]},
        {},
        {"type": "GeometryCollection", "geometries": []},
        {"a": [], "b": {}, "c": [[]], "d": ({"x": (1, 2)},)},
        {"t": "地学 \"q\" \\ \n\r\t\b\f \x00\x1f\x7f \ud800 😀"},
        {1: 1, 2.5: 2, True: 3, None: 4, False: 5, -0.0: 6, float("nan"): 7, 10**30: 8},
        {"f": [1e16, 1e-05, 0.1, -115.81, float("inf"), float("-inf"), float("nan"), 5e-324, 1.7976931348623157e308]},
        {"i": [0, -1, 2**63, -(2**63) - 1, 10**40, True, False, None]},
        {"o": collections.OrderedDict(b=1, a=2), "s": collections.UserString("x").data},
        {"l": OwnIter([1, 2]), "e": OwnIter(), "d": OwnItems(a=1), "z": OwnItems()},
    ],
)
def test_dumps_matches_json(value):
    assert Geometry.dumps(value) == json.dumps(value, ensure_ascii=False, indent=4)


def test_dumps_example_and_loading():
    assert Geometry.dumps({"type": "Point", "coordinates": [120.0, 38.0]}) == (
        '{\n    "type": "Point",\n    "coordinates": [\n        120.0,\n        38.0\n    ]\n}'
    )
    line = [[1, 2], [1, 2], [3, 4]]
    assert json.loads(Geometry.dumps(line)) == {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}
    assert line == [[1.0, 2.0], [3.0, 4.0]]


class Odd:
    pass


@pytest.mark.parametrize(
    "value, exc_type, message",
    [
        ({"a": {1, 2}}, TypeError, "Object of type set is not JSON serializable"),
        ({"a": Odd()}, TypeError, "Object of type Odd is not JSON serializable"),
        ({"a": datetime.date(2020, 1, 2)}, TypeError, "Object of type date is not JSON serializable"),
        ({"a": decimal.Decimal(1)}, TypeError, "Object of type Decimal is not JSON serializable"),
        ({"a": BadItems([5])}, ValueError, "items must return 2-tuples"),
        ({"a": BadItems([[1, 2]])}, ValueError, "items must return 2-tuples"),
        ({"a": BadItems([(1, 2, 3)])}, ValueError, "items must return 2-tuples"),
        ({"a": BadItems(5)}, TypeError, "BadItems.items() returned a non-iterable (type int)"),
        ({(1, 2): 1}, TypeError, "keys must be str, int, float, bool or None, not tuple"),
        (None, Exception, "[NoneType] is not a valid type in [coordinates] parameter."),
    ],
)
def test_dumps_errors(value, exc_type, message):
    assert outcome(Geometry.dumps, value) == (exc_type, message)
    if value is not None:
        assert outcome(lambda v: json.dumps(v, ensure_ascii=False, indent=4), value) == (exc_type, message)


def test_dumps_cycle():
    d = {"a": []}
    d["a"].append(d)
    assert outcome(Geometry.dumps, d) == (ValueError, "Circular reference detected")


# ---- toWkt -------------------------------------------------------------------

@pytest.mark.parametrize(
    "value, expected",
    [
        ({"type": "Point", "coordinates": [120.0, 38.0]}, "POINT (120.0 38.0)"),
        ({"type": "Point", "coordinates": [120, 38, 10.5]}, "POINT (120 38 10.5)"),
        ({"type": "MultiPoint", "coordinates": [[1, 2], [3, 4]]}, "MULTIPOINT (1 2,3 4)"),
        ({"type": "Polygon", "coordinates": [[[0, 0], [10, 0], [10, 10], [0, 0]], [[1, 1], [2, 1], [2, 2], [1, 1]]]},
         "POLYGON ((0 0,10 0,10 10,0 0),(1 1,2 1,2 2,1 1))"),
        ({"type": "MultiPolygon", "coordinates": [[[[0, 0], [1, 0], [1, 1], [0, 0]]], [[[5.5, 5], [6, 5], [6, 6], [5.5, 5]]]]},
         "MULTIPOLYGON (((0 0,1 0,1 1,0 0)),((5.5 5,6 5,6 6,5.5 5)))"),
        ({"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [1, 2]},
                                                        {"type": "LineString", "coordinates": [[1, 2], [3, 4]]}]},
         "GEOMETRYCOLLECTION (POINT (1 2),LINESTRING (1 2,3 4))"),
        ({"type": "GeometryCollection", "geometries": []}, "GEOMETRYCOLLECTION ()"),
        ({"type": "GeometryCollection", "geometries": ["1 2", [[0, 0], [1, 1]]]},
         "GEOMETRYCOLLECTION (POINT (1.0 2.0),LINESTRING (0.0 0.0,1.0 1.0))"),
        ({"type": "Point", "coordinates": []}, "POINT ()"),
        ({"type": "LineString", "coordinates": []}, "LINESTRING ()"),
        ({"type": "Polygon", "coordinates": [[]]}, "POLYGON (())"),
        ({"type": "Point", "coordinates": [[1, 2]]}, "POINT ([1, 2])"),
        ({"type": "Point", "coordinates": [1e16, 1e-05, -0.0, float("nan"), float("inf"), 2**70, True, "x"]},
         "POINT (1e+16 1e-05 -0.0 nan inf 1180591620717411303424 True x)"),
        ({"type": "LineString", "coordinates": ((1, 2), "34"), "extra": 1}, "LINESTRING (1 2,3 4)"),
        ({"type": "MultiLineString", "coordinates": [[[1, 2], [3, 4]], [[5, 6], [7, 8]]], "geometries": 0},
         "MULTILINESTRING ((1 2,3 4),(5 6,7 8))"),
        ([[[0, 0], [4, 0], [4, 3]]], "POLYGON ((0.0 0.0,4.0 0.0,4.0 3.0,0.0 0.0))"),
        ("120 38,122 39", "LINESTRING (120.0 38.0,122.0 39.0)"),
    ],
)
def test_to_wkt(value, expected):
    assert Geometry.toWkt(value) == expected


@pytest.mark.parametrize(
    "value, exc_type, message",
    [
        ({}, KeyError, "'type'"),
        ({"coordinates": [1, 2]}, KeyError, "'type'"),
        ({"type": "", "coordinates": [1, 2]}, Exception, BAD_TYPE),
        ({"type": None}, Exception, BAD_TYPE),
        ({"type": "point", "coordinates": [1, 2]}, Exception, BAD_TYPE),
        ({"type": "POINT", "coordinates": [1, 2]}, Exception, BAD_TYPE),
        ({"type": "GeometryCollection", "coordinates": [], "geometries": []}, Exception, BAD_TYPE),
        ({"type": "GeometryCollection", "geometries": ()}, Exception, BAD_TYPE),
        ({"type": "Point", "geometries": []}, Exception, BAD_TYPE),
        ({"type": "Point"}, Exception, BAD_TYPE),
        ({"type": "Point", "coordinates": None}, TypeError, "'NoneType' object is not iterable"),
        ({"type": "LineString", "coordinates": [1, 2]}, TypeError, "'int' object is not iterable"),
        ({"type": "GeometryCollection", "geometries": [{"type": "Point"}]}, Exception, BAD_TYPE),
    ],
)
def test_to_wkt_errors(value, exc_type, message):
    assert outcome(Geometry.toWkt, value) == (exc_type, message)


def test_to_wkt_writes_every_member_before_joining():
    written = []

    class Odd(Geometry):
        @classmethod
        def toWkt(cls, geometry):
            written.append(geometry)
            if geometry == "bad":
                raise ValueError("member failed")
            return 5 if geometry == "five" else super().toWkt(geometry)

    g = {"type": "GeometryCollection", "geometries": ["five", "bad"]}
    assert outcome(Odd.toWkt, g) == (ValueError, "member failed")
    g = {"type": "GeometryCollection", "geometries": ["five", "1 2"]}
    assert outcome(Odd.toWkt, g) == (TypeError, "sequence item 0: expected str instance, int found")
    assert written[-2:] == ["five", "1 2"]


def test_calls_counted_with_class():
    for fn in (Geometry.dumps, Geometry.toWkt, Geometry.swapXY):
        with pytest.raises(TypeError, match=rf"^{fn.__name__}\(\) takes exactly 2 positional arguments \(1 given\)$"):
            fn()
    with pytest.raises(TypeError, match=r"^getXY\(\) takes at least 2 positional arguments \(1 given\)$"):
        Geometry.getXY()
    with pytest.raises(TypeError, match=r"^getXY\(\) takes at most 3 positional arguments \(4 given\)$"):
        Geometry.getXY(1, 2, 3)
    with pytest.raises(TypeError, match=r"^toWkt\(\) got an unexpected keyword argument 'g'$"):
        Geometry.toWkt([1, 2], g=1)
    assert Geometry().toWkt(geometry=[1, 2]) == "POINT (1.0 2.0)"


# ---- swapXY and getXY --------------------------------------------------------

def collection():
    return {"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [1, 2, 3]},
                                                         {"type": "LineString", "coordinates": [[0, 5], [1, 6], [2, 7]]}]}


POLY = {"type": "Polygon", "coordinates": [[[0, 0], [4, 0], [4, 3], [0, 0]], [[1, 1], [2, 1], [1, 2], [1, 1]]]}


@pytest.mark.parametrize(
    "value, endpoint, expected",
    [
        (POLY, True, [(0, 0), (0, 0), (1, 1), (1, 1)]),
        (POLY, False, [(0, 0), (4, 0), (4, 3), (0, 0), (1, 1), (2, 1), (1, 2), (1, 1)]),
        (collection(), True, [(1, 2, 3), (0, 5), (2, 7)]),
        (collection(), False, [(1, 2, 3), (0, 5), (1, 6), (2, 7)]),
        (collection(), 0, [(1, 2, 3), (0, 5), (1, 6), (2, 7)]),
        ({"type": "Point", "coordinates": [[1, 2], [3, 4]]}, True, [([1, 2], [3, 4])]),
        ({"type": "MultiPoint", "coordinates": [[1, 2], [3]]}, True, [(1, 2), (3,)]),
        ({"type": "LineString", "coordinates": [[1, 2]]}, True, [(1, 2), (1, 2)]),
        ({"type": "MultiLineString", "coordinates": [[]]}, False, []),
        ({"type": "MultiPolygon", "coordinates": [[[[0, 0], [1, 0], [0, 0]]], [[[5, 5], [6, 6]]]]}, True,
         [(0, 0), (0, 0), (5, 5), (6, 6)]),
        ({"type": "", "coordinates": [1, 2]}, True, []),
        ({"type": "Point"}, True, []),
        ({"type": "GeometryCollection", "geometries": (1,)}, True, []),
        ({"type": "GeometryCollection", "geometries": ["POINT (1 2)", {"type": "Point"}]}, True, [(1.0, 2.0)]),
        ("LINESTRING (1 2,3 4,5 6)", True, [(1.0, 2.0), (5.0, 6.0)]),
    ],
)
def test_get_xy(value, endpoint, expected):
    assert Geometry.getXY(value, endpoint) == expected


@pytest.mark.parametrize(
    "value, exc_type, message",
    [
        ({"type": "LineString", "coordinates": []}, IndexError, "list index out of range"),
        ({"type": "Polygon", "coordinates": [[]]}, IndexError, "list index out of range"),
        ({"type": "point", "coordinates": [1, 2]}, Exception, BAD_TYPE),
        ({"type": "GeometryCollection", "coordinates": [], "geometries": []}, Exception, BAD_TYPE),
        ({}, KeyError, "'type'"),
    ],
)
def test_get_xy_errors(value, exc_type, message):
    assert outcome(Geometry.getXY, value) == (exc_type, message)


def test_swap_xy_in_place():
    g = {"type": "LineString", "coordinates": [[120.5, 30.25, 8.0], [121.0, 31.0, 9.0]]}
    assert Geometry.swapXY(g) is g
    assert g == {"type": "LineString", "coordinates": [[30.25, 120.5, 8.0], [31.0, 121.0, 9.0]]}
    assert Geometry.swapXY(g)["coordinates"] == [[120.5, 30.25, 8.0], [121.0, 31.0, 9.0]]
    c = collection()
    assert Geometry.swapXY(c) is c
    assert c["geometries"][0]["coordinates"] == [2, 1, 3]
    assert c["geometries"][1]["coordinates"] == [[5, 0], [6, 1], [7, 2]]
    text = "POINT (120.5 30.25)"
    assert Geometry.swapXY(text) == {"type": "Point", "coordinates": [30.25, 120.5]}
    assert Geometry.swapXY({"type": "Point", "coordinates": [[1, 2], [3, 4]]})["coordinates"] == [[3, 4], [1, 2]]
    assert Geometry.swapXY({"type": "Point", "coordinates": [1, 2, 3, 4, 5]})["coordinates"] == [2, 1, 3, 4, 5]
    assert Geometry.swapXY({"type": "GeometryCollection", "geometries": []}) == {"type": "GeometryCollection", "geometries": []}
    member = {"type": "GeometryCollection", "geometries": ["POINT (1 2)"]}
    assert Geometry.swapXY(member) == {"type": "GeometryCollection", "geometries": ["POINT (1 2)"]}


def test_swap_xy_closed_ring_swapped_once():
    g = Geometry.loads("POLYGON ((0 1,2 3,4 5))")
    ring = g["coordinates"][0]
    assert ring[0] is ring[-1]
    Geometry.swapXY(g)
    assert ring == [[1.0, 0.0], [3.0, 2.0], [5.0, 4.0], [1.0, 0.0]]
    shared = [7, 8]
    d = {"type": "MultiPoint", "coordinates": [shared, shared, [1, 2]]}
    assert Geometry.swapXY(d)["coordinates"] == [[8, 7], [8, 7], [2, 1]]


class Vertex(list):
    pass


def test_swap_xy_shared_vertex_of_any_kind_swapped_once():
    first = Vertex([0, 1])
    d = {"type": "Polygon", "coordinates": [[first, Vertex([2, 3]), [4, 5], first]]}
    Geometry.swapXY(d)
    assert d["coordinates"] == [[[1, 0], [3, 2], [5, 4], [1, 0]]]


@pytest.mark.parametrize(
    "value, exc_type, message",
    [
        ({"type": "", "coordinates": [1, 2]}, Exception, BAD_TYPE),
        ({"type": "Point"}, Exception, BAD_TYPE),
        ({"type": "GeometryCollection", "geometries": (1,)}, Exception, BAD_TYPE),
        ({"type": "GeometryCollection", "geometries": [{"type": "Point"}]}, Exception, BAD_TYPE),
        ({"type": "Point", "coordinates": [1]}, IndexError, "list index out of range"),
        ({"type": "Point", "coordinates": (1, 2)}, TypeError, "'tuple' object does not support item assignment"),
        ({"type": "LineString", "coordinates": [[1, 2], "ab"]}, TypeError, "'str' object does not support item assignment"),
        ({"type": "Point", "coordinates": None}, TypeError, "'NoneType' object is not subscriptable"),
    ],
)
def test_swap_xy_errors(value, exc_type, message):
    assert outcome(Geometry.swapXY, value) == (exc_type, message)


def test_swap_xy_partial_changes_stay():
    d = {"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [1, 2]}, {"type": "Point"}]}
    assert outcome(Geometry.swapXY, d) == (Exception, BAD_TYPE)
    assert d["geometries"][0]["coordinates"] == [2, 1]


def test_swap_xy_result_must_be_dict():
    class Mapping(Geometry):
        @classmethod
        def loads(cls, coordinates, code=-1):
            return collections.UserDict(super().loads(coordinates, code))

    with pytest.raises(TypeError, match="^Expected dict, got UserDict$"):
        Mapping.swapXY("1 2")


def random_doubles(count, seed):
    import struct

    rng = random.Random(seed)
    out = [0.0, -0.0, 1e16, 9999999999999998.0, 1e-4, 0.0001, 9.999999999999999e-05, 5e-324, 2.2250738585072014e-308,
           1.7976931348623157e308, 0.1, 1 / 3, 123456789.125, 1e22, 1e21, 100.0, 1e23, 1e-5, 1e-4 - 1e-20,
           2.0 ** 50 + 0.25, 2.0 ** 50 + 0.75, 2.0 ** 53 + 2, 2.0 ** -1022, 2.0 ** 1023, 2.0 ** -1000, 2.0 ** 60,
           1e-323, 1.5e-323, 2.0 ** -1074 * 1000]
    while len(out) < count:
        x = struct.unpack("<d", rng.getrandbits(64).to_bytes(8, "little"))[0]
        if x == x and abs(x) != float("inf"):
            out.append(x)
        out.append(rng.uniform(-1000, 1000))
    return out


def test_float_text_is_repr():
    xs = random_doubles(20000, 5)
    text = Geometry.toWkt({"type": "MultiPoint", "coordinates": [[x, -x] for x in xs]})
    assert text == "MULTIPOINT (" + ",".join(f"{x!r} {-x!r}" for x in xs) + ")"
    assert Geometry.dumps({"c": xs}) == json.dumps({"c": xs}, ensure_ascii=False, indent=4)


def test_float_tokens_read_like_json():
    xs = random_doubles(5000, 6)
    texts = [repr(x) for x in xs] + ["1e400", "-1e400", "1e-400", "2.4703282292062328e-324", "0.1e1", "1E5",
                                     "123456789012345678901234567890.5e-10", "9007199254740993.0", "9007199254740995.0",
                                     "4503599627370496.5", "4503599627370497.5", "2.2250738585072011e-308",
                                     "1.7976931348623158e308", "1.7976931348623159e308",
                                     "1.00000000000000011102230246251565404236316680908203125"]
    line = Geometry.loads("MULTIPOINT (" + ",".join(f"{t} 0" for t in texts) + ")")
    assert [v[0] for v in line["coordinates"]] == [json.loads(t) for t in texts]
    got = Geometry.loads("[" + ",".join(texts) + "]", 0)["coordinates"]
    assert got == [float(json.loads(t)) for t in texts]
