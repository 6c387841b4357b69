"""Geometry.loads of GeoJSON text, free coordinate text and WKT text."""
import json

import pytest

from src.tivenpy import Geometry

INVALID_TYPE = "Invalid type in [coordinates] parameter."
INVALID_COORDS = "Invalid [coordinates] parameter."


def load_or_error(text, code=-1):
    try:
        return Geometry.loads(text, code)
    except Exception as e:  # noqa: BLE001 - the error is the result under test
        return (type(e), str(e))


def json_error(text):
    try:
        json.loads(text)
    except json.JSONDecodeError as e:
        return (json.JSONDecodeError, str(e))
    raise AssertionError("text is valid JSON")


def P(x, y):
    return {"type": "Point", "coordinates": [x, y]}


def LS(*vs):
    return {"type": "LineString", "coordinates": [list(v) for v in vs]}


# ---- GeoJSON text ------------------------------------------------------------

@pytest.mark.parametrize(
    "text, code, expected",
    [
        ('{"type": "Point", "coordinates": [-115.81, 37.24]}', -1, P(-115.81, 37.24)),
        ('{"type": "Point", "coordinates": [-115.81, 37.24]}', 0, P(-115.81, 37.24)),
        ('{"type": "Point", "coordinates": [-115.81, 37.24]}', None, P(-115.81, 37.24)),
        ('{"type": "Point", "coordinates": [-115.81, 37.24]}', 1, (Exception, "Invalid [code] parameter.")),
        ('{"type": "Point", "coordinates": [-115.81, 37.24]}', 2, (Exception, "Invalid [code] parameter.")),
        ('{"type": "LineString", "coordinates": [[1, 2], [3, 4]]}', -1, LS((1.0, 2.0), (3.0, 4.0))),
        ('{"coordinates": [[1, 2], [3, 4]]}', -1, LS((1.0, 2.0), (3.0, 4.0))),
        ('{"coordinates": [[1, 2], [3, 4]]}', 0, {"type": "MultiPoint", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
        ('{"type": null, "coordinates": [[1, 2], [3, 4]]}', -1, LS((1.0, 2.0), (3.0, 4.0))),
        ('{"type": null, "coordinates": [[1, 2], [3, 4]]}', 1, (Exception, "Invalid [code] parameter.")),
        ('[[1, 2], [3, 4]]', -1, LS((1.0, 2.0), (3.0, 4.0))),
        ('[[1, 2], [3, 4]]', 0, {"type": "MultiPoint", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
        ('[[1, 2], [3, 4]]', 1, LS((1.0, 2.0), (3.0, 4.0))),
        ('[[1, 2], [3, 4]]', 2, (Exception, "Invalid parameter.")),
        ('[1, 2]', 0, P(1.0, 2.0)),
        ('[1, 2]', 1, (Exception, "Invalid parameter.")),
        ('[[[1, 2], [3, 4], [5, 6]]]', 2,
         {"type": "Polygon", "coordinates": [[[1.0, 2.0], [3.0, 4.0], [5.0, 6.0], [1.0, 2.0]]]}),
        ('[[[1, 2], [3, 4]]]', 1, {"type": "MultiLineString", "coordinates": [[[1.0, 2.0], [3.0, 4.0]]]}),
        ('[[[[1, 2], [3, 4], [5, 6]]]]', 2,
         {"type": "MultiPolygon", "coordinates": [[[[1.0, 2.0], [3.0, 4.0], [5.0, 6.0], [1.0, 2.0]]]]}),
        ('[{"a": 1}]', 1, (Exception, "Invalid parameter.")),
        ('[ ]', -1, (IndexError, "list index out of range")),
        ('[[ ]]', 1, (IndexError, "list index out of range")),
        ('[]', -1, (Exception, "Invalid parameter.")),
        ('{"type": "GeometryCollection", "geometries": [{"type": "LineString", "coordinates": [[1, 2], [3, 4]]}]}', 0,
         {"type": "GeometryCollection", "geometries": [LS((1.0, 2.0), (3.0, 4.0))]}),
        ('{"type": "GeometryCollection", "coordinates": []}', 1, (Exception, "Invalid parameter.")),
        ('{"type": "Point", "coordinates": "1 2"}', -1, (Exception, INVALID_COORDS)),
        ('{"type": "Point", "coordinates": "[1 2]"}', 0, (Exception, INVALID_COORDS)),
        ('{"type": "Point"}', -1, (TypeError, "Expected list, got NoneType")),
        ('{"type": "Point", "x": [1, 2]}', 0, (TypeError, "Expected list, got NoneType")),
        ('{"x": [1, 2]}', -1, (Exception, "Invalid parameter.")),
        ('{"x": [1, 2]}', 2, (Exception, "Invalid parameter.")),
        ('"[1, 2]"', -1, (Exception, "Invalid parameter.")),
        ('{"type": "Point", "coordinates": [1e3, -0.0, 1E+2, 12345678901234567890123]}', -1,
         {"type": "Point", "coordinates": [1000.0, -0.0, 100.0, 12345678901234567890123]}),
        ('{"type": "Point", "coordinates": [NaN, Infinity, -Infinity, true, null, "\\u0041"]}', -1, None),
        ('{"type": "Point", "coordinates": ["1", "2"], "type": "MultiPoint"}', -1, (Exception, "Invalid [coordinates] parameter. Dimension should be greater than 1.")),
        ('\ufeff[1, 2]', -1, json_error('\ufeff[1, 2]')),
        ('POINT [1 2]', -1, json_error('POINT [1 2]')),
        ("{'type': 'Point', 'coordinates': [1, 2]}", -1, json_error("{'type': 'Point', 'coordinates': [1, 2]}")),
        ('[1, 2,]', -1, json_error('[1, 2,]')),
        ('[1, 2] (3 4)', -1, json_error('[1, 2] (3 4)')),
        ('[01, 2]', -1, json_error('[01, 2]')),
        ('{\n    "type": "GeometryCollection",\n    "geometries": []\n}', -1,
         {"type": "GeometryCollection", "geometries": []}),
        ('  {"type": "MultiPoint", "coordinates": []}', 0, {"type": "MultiPoint", "coordinates": []}),
    ],
)
def test_geojson_text(text, code, expected):
    result = load_or_error(text, code)
    if expected is None:
        c = result["coordinates"]
        assert c[0] != c[0] and c[1] == float("inf") and c[2] == float("-inf") and c[3:] == [True, None, "A"]
        return
    assert result == expected


def test_geojson_deep_text():
    assert load_or_error("[" * 100000 + "]" * 100000)[0] is RecursionError
    assert load_or_error("[" * 300 + "1, 2" + "]" * 300) == (Exception, INVALID_COORDS)


# ---- free coordinate text ----------------------------------------------------

@pytest.mark.parametrize(
    "text, code, expected",
    [
        ("120 38", -1, P(120.0, 38.0)),
        ("120,38", 0, P(120.0, 38.0)),
        (" 120 ， 38 ", -1, P(120.0, 38.0)),
        ("120 38", 1, (Exception, "Invalid parameter.")),
        ("120 38", 2, (Exception, "Invalid parameter.")),
        ("120 38,122 39,99 28,120 38", -1, LS((120.0, 38.0), (122.0, 39.0), (99.0, 28.0), (120.0, 38.0))),
        ("120 38,122 39,99 28,120 38", 0,
         {"type": "MultiPoint", "coordinates": [[120.0, 38.0], [122.0, 39.0], [99.0, 28.0], [120.0, 38.0]]}),
        ("120 38,122 39,99 28,120 38", 2,
         {"type": "Polygon", "coordinates": [[[120.0, 38.0], [122.0, 39.0], [99.0, 28.0], [120.0, 38.0]]]}),
        ("120 38,122 39,99 28", 2,
         {"type": "Polygon", "coordinates": [[[120.0, 38.0], [122.0, 39.0], [99.0, 28.0], [120.0, 38.0]]]}),
        ("120 38,122 39", 2, (Exception, "Invalid parameter.")),
        ("120,,38", -1, P(120.0, 38.0)),
        ("120 ,，, 38", -1, P(120.0, 38.0)),
        ("120\u300038", -1, P(120.0, 38.0)),
        ("120\t38", -1, P(120.0, 38.0)),
        ("120\n38", -1, P(120.0, 38.0)),
        ("120\u00a038\u2003", -1, P(120.0, 38.0)),
        ("120\x1c38", -1, P(120.0, 38.0)),
        ("1,5 8,2", -1, LS((1.0, 5.0), (8.0, 2.0))),
        ("120 38 5", -1, (Exception, "Invalid parameter.")),
        ("1 2 3 4 5 6", -1, LS((1.0, 2.0), (3.0, 4.0), (5.0, 6.0))),
        ("", -1, (Exception, "Invalid parameter.")),
        ("   ", 0, (Exception, "Invalid parameter.")),
        ("120,38,", -1, (Exception, "Invalid parameter.")),
        (",120 38,", -1, json_error("[[,120],[38,]]")),
        ("abc 38", -1, json_error("[abc,38]")),
        ("5. 1", -1, json_error("[5.,1]")),
        ("+5 1", -1, json_error("[+5,1]")),
        ("1e3 -5", -1, P(1000.0, -5.0)),
        ("[]", -1, (Exception, "Invalid parameter.")),
        ("()", -1, (Exception, "Invalid parameter.")),
        ("120 38]", -1, json_error("[120,38]]")),
        ("(120 38", -1, json_error("[(120,38]")),
        ('"1" 2', -1, P(1.0, 2.0)),
        ("NaN Infinity", 0, None),
        ("１２０ 38", -1, json_error("[１２０,38]")),
    ],
)
def test_free_text(text, code, expected):
    result = load_or_error(text, code)
    if expected is None:
        assert result["coordinates"][1] == float("inf")
        return
    assert result == expected


@pytest.mark.parametrize("code", [3, -2, 10**30])
def test_text_code_checked_first(code):
    for text in ("POINT(1 2)", "", "[1, 2]"):
        assert load_or_error(text, code) == (Exception, f"[{code}] should be one of [-1,0,1,2] in [code] parameter.")


# ---- WKT text ----------------------------------------------------------------

POLY = [[0.0, 0.0], [4.0, 0.0], [4.0, 4.0], [0.0, 0.0]]
HOLE = [[1.0, 1.0], [2.0, 1.0], [2.0, 2.0], [1.0, 1.0]]
SMALL = [[5.0, 5.0], [6.0, 5.0], [6.0, 6.0], [5.0, 5.0]]


@pytest.mark.parametrize(
    "text, code, expected",
    [
        ("POINT(-115.81 37.24)", -1, P(-115.81, 37.24)),
        ("(-115.81 37.24)", 0, P(-115.81, 37.24)),
        ("point (1 2)", -1, P(1.0, 2.0)),
        ("  Point\n(1 2) trailing text", -1, P(1.0, 2.0)),
        ("POINT Z (1 2 3)", -1, {"type": "Point", "coordinates": [1.0, 2.0, 3]}),
        ("POINTZ (1 2 3)", -1, (Exception, INVALID_TYPE)),
        ("FOO (1 2)", -1, (Exception, INVALID_TYPE)),
        ("LINESTRING (1 2,3 4)", 0, (Exception, INVALID_TYPE)),
        ("POLYGON ((0 0,1 0,1 1,0 0))", 1, (Exception, INVALID_TYPE)),
        ("(1 2,3 4)", -1, LS((1.0, 2.0), (3.0, 4.0))),
        ("(1 2,3 4)", 0, {"type": "MultiPoint", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
        ("(1 2,3 4)", 1, LS((1.0, 2.0), (3.0, 4.0))),
        ("(1 2,3 4)", 2, (Exception, INVALID_COORDS)),
        ("((1 2,3 4),(5 6,7 8))", -1, (Exception, "Invalid [coordinates] parameter. The number of vertices should be greater than 2.")),
        ("((1 2,3 4,9 9),(5 6,7 8,9 9))", -1, None),
        ("((1 2,3 4),(5 6,7 8))", 1, {"type": "MultiLineString", "coordinates": [[[1.0, 2.0], [3.0, 4.0]], [[5.0, 6.0], [7.0, 8.0]]]}),
        ("((1 2,3 4),(5 6,7 8))", 0, (Exception, INVALID_COORDS)),
        ("LINESTRING (1 2)", -1, (Exception, INVALID_TYPE)),
        ("LINESTRING (1 2)", 1, (Exception, "Invalid [coordinates] parameter. The number of vertices should be greater than 1.")),
        ("MULTIPOINT (1 2)", -1, {"type": "MultiPoint", "coordinates": [[1.0, 2.0]]}),
        ("MULTIPOINT (1 2)", 0, {"type": "MultiPoint", "coordinates": [[1.0, 2.0]]}),
        ("MULTIPOINT ((1 2), (3 4))", -1, {"type": "MultiPoint", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
        ("MULTIPOINT ((1 2),(3 4))", 0, {"type": "MultiPoint", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
        ("MULTIPOINT ((1 2, 3 4))", -1, (Exception, INVALID_COORDS)),
        ("MULTIPOINT (1 2,3 4)", -1, {"type": "MultiPoint", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
        ("POINT ( 1 2 )", -1, P(1.0, 2.0)),
        ("POINT (\u30001\u00a02\u3000)", 0, P(1.0, 2.0)),
        ("( )", 0, (Exception, "Invalid [coordinates] parameter. Dimension should be greater than 1.")),
        ("( )", 2, (Exception, INVALID_COORDS)),
        ("POLYGON ((0 0,4 0,4 4,0 0), (1 1,2 1,2 2,1 1))", -1, {"type": "Polygon", "coordinates": [POLY, HOLE]}),
        ("POLYGON ((0 0,4 0,4 4,0 0),)", 2, {"type": "Polygon", "coordinates": [POLY]}),
        ("MULTIPOLYGON (((0 0,4 0,4 4,0 0), (1 1,2 1,2 2,1 1)))", -1, {"type": "MultiPolygon", "coordinates": [[POLY, HOLE]]}),
        ("MULTIPOLYGON (((0 0, 4 0, 4 4, 0 0), (1 1, 2 1, 2 2, 1 1)), ((5 5, 6 5, 6 6, 5 5)))", 2,
         {"type": "MultiPolygon", "coordinates": [[POLY, HOLE], [SMALL]]}),
        ("MULTIPOLYGON (((0 0,4 0,4 4,0 0),(1 1,2 1,2 2,1 1)), ((5 5,6 5,6 6,5 5)))", -1,
         {"type": "MultiPolygon", "coordinates": [[POLY, HOLE], [SMALL]]}),
        ("MULTIPOLYGON (((0 0,4 0,4 4,0 0)) x ((5 5,6 5,6 6,5 5)))", -1,
         {"type": "MultiPolygon", "coordinates": [[POLY], [SMALL]]}),
        ("POLYGON (((0 0,4 0,4 4,0 0)))", -1, {"type": "MultiPolygon", "coordinates": [[POLY]]}),
        ("GEOMETRYCOLLECTION (((0 0,4 0,4 4,0 0)))", 2, {"type": "MultiPolygon", "coordinates": [[POLY]]}),
        ("MULTIPOLYGON ((0 0,4 0,4 4,0 0))", -1, (Exception, INVALID_TYPE)),
        ("MULTIPOLYGON ((0 0,4 0,4 4,0 0))", 2, (Exception, INVALID_TYPE)),
        ("GEOMETRYCOLLECTION (LINESTRING (1 2,3 4))", 0,
         {"type": "GeometryCollection", "geometries": [LS((1.0, 2.0), (3.0, 4.0))]}),
        ("(POINT (1 2))", 2, {"type": "GeometryCollection", "geometries": [P(1.0, 2.0)]}),
        ("POINT (POINT (1 2))", 0, {"type": "GeometryCollection", "geometries": [P(1.0, 2.0)]}),
        ("POINT (POINT (1 2))", 1, (Exception, INVALID_TYPE)),
        ("(XPOINT (1 2))", -1, {"type": "GeometryCollection", "geometries": [P(1.0, 2.0)]}),
        ("(poınt (1 2), muLtıpoınt ((1 2)))", -1,
         {"type": "GeometryCollection", "geometries": [P(1.0, 2.0), {"type": "MultiPoint", "coordinates": [[1.0, 2.0]]}]}),
        ("GEOMETRYCOLLECTION (POINT (1 2),GEOMETRYCOLLECTION (POINT (3 4)))", -1,
         {"type": "GeometryCollection", "geometries": [P(1.0, 2.0), P(3.0, 4.0)]}),
        ("GEOMETRYCOLLECTION (1 2)", -1, (Exception, INVALID_TYPE)),
        ("GEOMETRYCOLLECTION Z (POINT Z (1 2 3),LINESTRING ZM(1 2 3 4,5 6 7 8))", -1,
         {"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [1.0, 2.0, 3]},
                                                       {"type": "LineString", "coordinates": [[1.0, 2.0, 3, 4], [5.0, 6.0, 7, 8]]}]}),
        ("GEOMETRYCOLLECTION (POINT Q (1 2))", -1, (Exception, INVALID_COORDS)),
        ("GEOMETRYCOLLECTION (POINTZ (1 2 3), POINT (1 2))", -1, {"type": "GeometryCollection", "geometries": [P(1.0, 2.0)]}),
        ("GEOMETRYCOLLECTION (LINESTRINGM (1 2 3,4 5 6),POINT ZM (1 2 3 4))", -1,
         {"type": "GeometryCollection", "geometries": [{"type": "Point", "coordinates": [1.0, 2.0, 3, 4]}]}),
        ("GEOMETRYCOLLECTION (POINTZ (1 2 3))", -1, (Exception, INVALID_COORDS)),
        ("POINT (1 2) x (3 4)", -1, (Exception, INVALID_COORDS)),
        ("a) POINT (1 2)", -1, P(1.0, 2.0)),
        ("LINESTRING\n(1 2,\n3 4)", -1, LS((1.0, 2.0), (3.0, 4.0))),
        ("LINESTRING (1 2, ,3 4)", -1, (Exception, "Invalid [coordinates] parameter. Dimension should be greater than 1.")),
        ("LINESTRING (1 2,,3 4)", -1, LS((1.0, 2.0), (3.0, 4.0))),
        ("LINESTRING (1 2，3 4)", -1, (Exception, INVALID_TYPE)),
        ("LINESTRING (1 2，3 4,5 6)", -1, json_error("[[1,2，3,4],[5,6]]")),
        ("LINESTRING (1 2,3 a)", -1, json_error("[[1,2],[3,a]]")),
        ("POLYGON ((0 0,4 0,4 4,0 0),(1 1,2 1,2 2,x))", -1, json_error("[[[0,0],[4,0],[4,4],[0,0]],[[1,1],[2,1],[2,2],[x]]]")),
        ("ＰＯＩＮＴ (1 2)", -1, (Exception, INVALID_TYPE)),
        ("poınt (1 2)", -1, P(1.0, 2.0)),
        ("ſtraße (1 2)", -1, (Exception, INVALID_TYPE)),
        ("POİNT (1 2)", -1, (Exception, INVALID_TYPE)),
    ],
)
def test_wkt(text, code, expected):
    result = load_or_error(text, code)
    if expected is None:
        assert result == {"type": "Polygon", "coordinates": [[[1.0, 2.0], [3.0, 4.0], [9.0, 9.0], [1.0, 2.0]],
                                                             [[5.0, 6.0], [7.0, 8.0], [9.0, 9.0], [5.0, 6.0]]]}
        return
    assert result == expected


# ---- crafted input: one linear pass ------------------------------------------

CRAFTED = [
    lambda n: "POLYGON (" + "(1 2) " * n + "x)",
    lambda n: "MULTIPOLYGON (" + "((1 2)," * n + "x",
    lambda n: "(" * n + "1 2" + ")" + "x",
    lambda n: "GEOMETRYCOLLECTION (" + "POINT(" * n + ")",
    lambda n: "(" + "POINT (1 2) x " * n + ")",
    lambda n: "[" + " " * n + "x]",
    lambda n: "1, " * n + "x",
    lambda n: "(" + "((1 2),(3 4)) " * n + "(",
    lambda n: "MULTIPOLYGON (" + "(( 1 2 , " * n + ")",
]


@pytest.mark.parametrize("make", CRAFTED)
def test_crafted_input_is_linear(make, assert_linear):
    assert_linear(load_or_error, make, 200_000)


def test_crafted_polygon_answers_fast(assert_linear):
    assert load_or_error("POLYGON (" + "(1 2) " * 40 + "x)") == (Exception, INVALID_COORDS)
    assert_linear(load_or_error, CRAFTED[0], 40 * 64)
