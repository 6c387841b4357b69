import collections
import functools
import os
import time
import enum
import json
import math
import random
import re
import struct

import pytest

import mapgis_writer as w
import src.tivenpy as t
from mapgis_files import fds_open_on, write_lines

FIELDS = [w.Field("名称", 0, size=12), w.Field("n", 3), w.Field("v", 5, digits=2), w.Field("ok", 8)]


# Every line file here has the four fields.
make = functools.partial(write_lines, fields=FIELDS)


def flat(feature):
    feature = dict(feature)
    feature["properties"] = dict(zip(feature["properties"].keys(), [p["value"] for p in feature["properties"].values()]))
    return feature


def expected_text(capabilities, features):
    head = json.dumps(capabilities, ensure_ascii=False)
    out = "{" + re.search(r"[\s]*{([\s\S]+)}[\s]*", head, re.M).group(1) + ',"features":['
    out += ",".join(json.dumps(flat(f), ensure_ascii=False) for f in features)
    return out + "]}"


def export(m, target):
    m.saveAsGeoJson(str(target))
    return target.read_bytes().decode("utf-8")


# ---- the export of real files ------------------------------------------------------

def sample_lines():
    return [w.Line([(116.391, 39.907), (116.4, 39.91), (116.4, 39.91)], ["长安街", 1, 12.345, 1], color=2),
            w.Line([(0.1, 1e16), (-0.0, 1.5e-05)], ["tab\there \"q\" \\", -2, float("nan"), 0], flag=0),
            w.Line([(1e-320, -1e308), (float("inf"), -float("inf"))], ["\x01\x02x", 3, -0.001, 0]),
            w.Line([], ["", 2**31 - 1, 1e20, 1])]


def test_export_text(tmp_path):
    lib = w.write(tmp_path / "Pcolor.lib", w.colour_library([(0, 0, 0, 0, 0, 255), (0, 0, 0, 0, 0, 0)]))
    m = t.MapGisFile(make(tmp_path, sample_lines(), crs=3, projection_type=5, ellipsoid_code=3,
                          bbox=(-0.0, 1e16, float("nan"), 2.5)), lib)
    text = export(m, tmp_path / "out.geojson")
    assert text == expected_text(m.getCapabilities(), list(m.getFeature()))
    assert "\n" not in text and text.startswith('{"type": "FeatureCollection", "fileType": "LineString"')
    assert text.endswith('"timeStamp": "' + m.TimeStamp + '"}]}')
    assert '"name": "EPSG:-3"' in text and '"bbox": [-0.0, 1e+16, NaN, 2.5]' in text
    assert '"长安街"' in text and '"\\u0001\\u0002x"' in text and "Infinity" in text
    data = json.loads(text)
    assert [f["id"] for f in data["features"]] == [0, 1, 2]
    assert data["features"][0]["style"]["color"] == "#FFFFFF"


def test_empty_export(tmp_path, capsys):
    m = t.MapGisFile(make(tmp_path, [w.Line([(0, 0)], flag=0)]))
    seen = []
    m.subscribe("progress", seen.append)
    text = export(m, tmp_path / "e.json")
    assert text.endswith(',"features":[]}') and json.loads(text)["features"] == []
    assert seen == []
    m.FeatureCount = 0
    assert export(m, tmp_path / "e2.json") == text


def test_one_and_two_features(tmp_path):
    one = export(t.MapGisFile(make(tmp_path, [w.Line([(0, 0)], ["a", 1, 1.0, 1])])), tmp_path / "1.json")
    assert one.count("},{") == 0 and one.endswith("}]}")
    two = export(t.MapGisFile(make(tmp_path, [w.Line([(0, 0)], ["a", 1, 1.0, 1])] * 2, name="2.WL")), tmp_path / "2.json")
    assert two.count('"timeStamp": ') == 3 and '"},{"type": "Feature"' in two and ",]" not in two


class Relaying(t.MapGisFile):
    def publish(self, key, value=None):
        self.relayed.append(key)
        super().publish(key, value)


@pytest.mark.parametrize("how", ["own", "subclass", "instance"])
def test_progress(tmp_path, how):
    lines = [w.Line([(k, k)], ["x", k, 0.0, 0]) for k in range(4)]
    m = (Relaying if how == "subclass" else t.MapGisFile)(make(tmp_path, lines))
    m.relayed = []
    if how == "instance":
        m.publish = lambda key, value: (m.relayed.append(key), t.MapGisFile.publish(m, key, value))
    m.FeatureCount = 99
    seen = []
    m.subscribe("progress", seen.append)
    export(m, tmp_path / "p.json")
    assert seen == [{"index": k, "count": 99} for k in range(4)]
    assert all(list(p) == ["index", "count"] for p in seen)
    assert m.relayed == ([] if how == "own" else ["progress"] * 4)


def test_listener_errors(tmp_path, capsys):
    m = t.MapGisFile(make(tmp_path, [w.Line([(k, k)], ["x", k, 0.0, 0]) for k in range(3)]))

    def bad(payload):
        raise ValueError("bad listener")
    m.subscribe("progress", bad)
    text = export(m, tmp_path / "a.json")
    assert len(json.loads(text)["features"]) == 3
    assert capsys.readouterr().out == "Error in message slot: bad listener\n" * 3

    def stop(payload):
        if payload["index"] == 2:
            raise KeyboardInterrupt
    m.unsubscribe()
    m.subscribe("progress", stop)
    target = tmp_path / "b.json"
    with pytest.raises(KeyboardInterrupt):
        m.saveAsGeoJson(str(target))
    assert [f["id"] for f in json.loads(target.read_text("utf-8"))["features"]] == [0, 1]
    assert fds_open_on(m.FileName) == 0


def test_failing_record_leaves_a_complete_partial_file(tmp_path):
    fields = [w.Field("n", 3)]
    data = w.line_file([w.Line([(k, k)], [k]) for k in range(3)], fields)
    path = w.write(tmp_path / "cut.WL", data[:-2])  # the last attribute record is cut short
    m = t.MapGisFile(path)
    target = tmp_path / "cut.json"
    target.write_text("old content that must go")
    with pytest.raises(struct.error):
        m.saveAsGeoJson(str(target))
    text = target.read_text("utf-8")
    assert [f["properties"]["n"] for f in json.loads(text)["features"]] == [0, 1]
    assert fds_open_on(path) == 0


def test_failing_feature_text_leaves_valid_json(tmp_path):
    class Odd(t.MapGisFile):
        def getFeature(self):
            yield {"properties": {"a": {"value": 1}}}
            yield {"properties": {"a": {"value": {1, 2}}}}

    m = Odd(make(tmp_path, []))
    target = tmp_path / "odd.json"
    with pytest.raises(TypeError, match="Object of type set is not JSON serializable"):
        m.saveAsGeoJson(str(target))
    text = target.read_text("utf-8")
    assert text.endswith(',"features":[{"properties": {"a": 1}}]}')
    assert json.loads(text)["features"] == [{"properties": {"a": 1}}]


def test_failure_in_the_head(tmp_path):
    m = t.MapGisFile(make(tmp_path, []))
    m.FileType = None
    assert m.getCapabilities() is None
    target = tmp_path / "h.json"
    target.write_text("previous")
    with pytest.raises(AttributeError, match="'NoneType' object has no attribute 'group'"):
        m.saveAsGeoJson(str(target))
    assert target.read_text() == "{"


@pytest.mark.parametrize("target, error", [("missing/x.json", FileNotFoundError), (".", IsADirectoryError)])
def test_target_cannot_be_opened(tmp_path, monkeypatch, target, error):
    monkeypatch.chdir(tmp_path)
    m = t.MapGisFile(make(tmp_path, [w.Line([(0, 0)])]))
    seen = []
    m.subscribe("progress", seen.append)
    with pytest.raises(error) as e:
        m.saveAsGeoJson(target)
    assert e.value.filename == target and seen == []


def _linked(link):
    def name(source):
        link(source, "link.WL")
        return "link.WL"
    return name


@pytest.mark.parametrize("target", [lambda source: source, lambda source: "./sub/../l.WL", _linked(os.link),
                                    _linked(os.symlink)], ids=["same", "relative", "hard link", "symlink"])
def test_target_is_the_source(tmp_path, monkeypatch, target):
    monkeypatch.chdir(tmp_path)
    (tmp_path / "sub").mkdir()
    source = make(tmp_path, sample_lines())
    before = open(source, "rb").read()
    m = t.MapGisFile(source)
    seen = []
    m.subscribe("progress", seen.append)
    with pytest.raises(Exception) as e:
        m.saveAsGeoJson(target(source))
    assert type(e.value) is Exception and str(e.value) == "Invalid [fileName] parameter. Should not be the source file."
    assert open(source, "rb").read() == before and seen == []


def test_type_error(tmp_path):
    m = t.MapGisFile(make(tmp_path, []))
    with pytest.raises(TypeError, match="Argument 'fileName' has incorrect type"):
        m.saveAsGeoJson(None)


def test_large_export_matches(tmp_path):
    rng = random.Random(3)
    lines = [w.Line([(rng.uniform(-1e6, 1e6), rng.uniform(-1e-3, 1e-3)) for _ in range(rng.randrange(0, 6))],
                    ["道" * rng.randrange(0, 6), rng.randrange(-2**31, 2**31), rng.uniform(-1e9, 1e9), rng.randrange(2)],
                    flag=rng.choice([1, 1, 1, 0]), color=rng.randrange(0, 4), width=rng.uniform(0, 5))
             for _ in range(3000)]
    m = t.MapGisFile(make(tmp_path, lines))
    text = export(m, tmp_path / "big.json")
    assert text == expected_text(m.getCapabilities(), list(m.getFeature()))


# ---- summary queries ----------------------------------------------------------------

@pytest.mark.parametrize("name, expected", [("WP.WP", "WP"), ("archive.tar.gz", "archive.tar"), ("plain", "plain"),
                                            (".hidden", ".hidden"), ("道路.WL", "道路")])
def test_capability_name(tmp_path, name, expected):
    m = t.MapGisFile(make(tmp_path, [], name=name))
    assert m.getCapabilities()["name"] == expected


def test_capabilities(tmp_path):
    m = t.MapGisFile(make(tmp_path, [w.Line([(0, 0)])], crs=1, ellipsoid_code=7, units=4))
    c = m.getCapabilities()
    assert list(c) == ["type", "fileType", "timeStamp", "name", "bbox", "crs", "properties"]
    assert c["bbox"] is m.BBox and c["crs"]["properties"]["parameters"] is m.Parameters
    assert c["crs"] == {"type": "name", "properties": {"name": "EPSG:4326", "parameters": m.Parameters, "crs": None}}
    assert c["properties"] == {"fieldCount": 4, "featureCount": 1}
    assert c is not m.getCapabilities()
    m.FieldStruct = None
    assert "properties" not in m.getCapabilities() and m.describeProperty() is None


def test_describe_property(tmp_path):
    m = t.MapGisFile(make(tmp_path, []))
    assert m.describeProperty() is m.FieldStruct["fields"]
    del m.FieldStruct["fields"]
    assert m.describeProperty() is None
    m.FieldStruct["fields"] = ("not", "a", "list")
    with pytest.raises(TypeError, match="Expected list, got tuple"):
        m.describeProperty()


# ---- JSON text identical to json.dumps ----------------------------------------------------

class Colour(enum.IntEnum):
    RED = 1


class Text(str):
    pass


class Real(float):
    def __repr__(self):
        return "never used"


class Mapping(dict):
    pass


VALUES = [
    None, True, False, 0, -1, 2**63, -2**64 - 1, 10**100, 0.0, -0.0, 1.0, 0.1, 1e16, 1e+22, 1.5e-05, 1e-5, 123456789.0,
    5e-324, 1.7976931348623157e308, float("nan"), float("inf"), -float("inf"), "", "plain", "道路\u3000",
    "\x00\x01\x1f\x7f\x80\u2028\u2029\ufeff", 'quote " backslash \\ slash /', "\b\f\n\r\t", "😀 astral",
    "é" * 50, [], (), {}, [1, [2, [3, []]]], (1.5, "x", None), {"a": {"b": {}}}, Colour.RED, Text("sub"),
    Real(2.5), Mapping(a=1), {1: "int key", 2.5: "float key", True: "bool", None: "none", "s": 1},
    {float("nan"): 1, -0.0: 2, float("inf"): 3}, collections.OrderedDict(z=1, a=2), [[[[[[[[[[[[1]]]]]]]]]]]],
]


def run_export(tmp_path, values, caps=None):
    class Given(t.MapGisFile):
        def getFeature(self):
            for k, v in enumerate(values):
                yield {"type": "Feature", "id": k, "v": v, "properties": {"p": {"value": v}}}

        if caps is not None:
            def getCapabilities(self):
                return caps

    m = Given(make(tmp_path, []))
    target = tmp_path / "given.json"
    m.saveAsGeoJson(str(target))
    return target.read_bytes().decode("utf-8"), m


def test_values_like_json_dumps(tmp_path):
    text, m = run_export(tmp_path, VALUES)
    features = [{"type": "Feature", "id": k, "v": v, "properties": {"p": {"value": v}}} for k, v in enumerate(VALUES)]
    assert text == expected_text(m.getCapabilities(), features)


def random_value(rng, depth=0):
    kind = rng.randrange(9 if depth < 4 else 6)
    if kind == 0:
        return rng.choice([None, True, False])
    if kind == 1:
        return rng.choice([rng.randrange(-10**6, 10**6), rng.randrange(-2**80, 2**80)])
    if kind == 2:
        return struct.unpack("<d", rng.randbytes(8))[0]
    if kind == 3:
        return rng.choice([rng.uniform(-1e6, 1e6), rng.uniform(-1, 1) * 10 ** rng.randrange(-30, 30)])
    if kind in (4, 5):
        return "".join(chr(rng.choice([rng.randrange(0, 0x80), rng.randrange(0x80, 0xD800),
                                       rng.randrange(0xE000, 0x110000)])) for _ in range(rng.randrange(0, 12)))
    if kind == 6:
        return [random_value(rng, depth + 1) for _ in range(rng.randrange(0, 4))]
    if kind == 7:
        return tuple(random_value(rng, depth + 1) for _ in range(rng.randrange(0, 4)))
    return {random_value(rng, 9) if rng.random() < 0.2 else str(random_value(rng, 9)): random_value(rng, depth + 1)
            for _ in range(rng.randrange(0, 4))}


@pytest.mark.parametrize("seed", range(5))
def test_random_values_like_json_dumps(tmp_path, seed):
    rng = random.Random(seed)
    values = [random_value(rng) for _ in range(300)]
    text, m = run_export(tmp_path, values)
    features = [{"type": "Feature", "id": k, "v": v, "properties": {"p": {"value": v}}} for k, v in enumerate(values)]
    assert text == expected_text(m.getCapabilities(), features)


@pytest.mark.parametrize("value, error, message", [
    ({1, 2}, TypeError, "Object of type set is not JSON serializable"),
    ({(1,): 2}, TypeError, "keys must be str, int, float, bool or None, not tuple"),
    (b"bytes", TypeError, "Object of type bytes is not JSON serializable"),
    ("\ud800", UnicodeEncodeError, "surrogates not allowed"),
])
def test_values_json_refuses(tmp_path, value, error, message):
    with pytest.raises(error, match=message):
        run_export(tmp_path, [1, value])


def test_cycles_and_depth(tmp_path):
    loop = []
    loop.append(loop)
    with pytest.raises(ValueError, match="Circular reference detected"):
        run_export(tmp_path, [loop])
    deep = []
    for _ in range(600):
        deep = [deep]
    text, m = run_export(tmp_path, [deep])
    assert text.count("[") == text.count("]") and "[" * 601 in text


@pytest.mark.parametrize("caps", [{"only": 1}, {"a": "}{"}, " {x} ", [1, {"k": 2}]])
def test_head_members(tmp_path, caps):
    text, m = run_export(tmp_path, [], caps)
    head = json.dumps(caps, ensure_ascii=False)
    assert text == "{" + re.search(r"[\s]*{([\s\S]+)}[\s]*", head, re.M).group(1) + ',"features":[]}'


def test_exact_file_text(tmp_path):
    path = make(tmp_path, [w.Line([(1, 2), (1, 2), (0.5, -0.0)], ["河", 7, 1.005, 1], width=0.25, color=0,
                                  sub_color=0, layer=3)], name="河流.WL", crs=1, ellipsoid_code=7, units=4,
                bbox=(0.5, -0.0, 1.0, 2.0))
    os.utime(path, (1700000000, 1700000000))
    stamp = time.strftime("%Y-%m-%dT%H:%M:%S%z", time.localtime(1700000000))
    target = tmp_path / "河流.geojson"
    t.MapGisFile(path).saveAsGeoJson(str(target))
    params = ('{"projectionTypeCode": 0, "fileTypeCode": 0, "ellipsoidCode": 7, "unitsCode": 4, '
              '"central_meridian": 0.0, "latitude_of_origin": 0.0, "standard_parallel_1": 0.0, '
              '"standard_parallel_2": 0.0, "false_easting": 0.0, "false_northing": 0.0, '
              '"ellipsoidElevation": 0.0, "projectionElevation": 0.0}')
    assert target.read_bytes() == (
        '{"type": "FeatureCollection", "fileType": "LineString", "timeStamp": "' + stamp + '", "name": "河流", '
        '"bbox": [0.5, -0.0, 1.0, 2.0], "crs": {"type": "name", "properties": {"name": "EPSG:4326", '
        '"parameters": ' + params + ', "crs": null}}, "properties": {"fieldCount": 4, "featureCount": 1},'
        '"features":[{"type": "Feature", "id": 0, "geometry": {"type": "LineString", "coordinates": '
        '[[1.0, 2.0], [0.5, -0.0]]}, "style": {"lineNo": 1, "subLineNo": 0, "lineType": 0, "width": 0.25, '
        '"color": "#000000", "subColor": "#FFFFFF", "xScale": 1.0, "yScale": 1.0, "layer": 3, "transparent": 0}, '
        '"properties": {"名称": "河", "n": 7, "v": 1.0, "ok": true}, "timeStamp": "' + stamp + '"}]}'
    ).encode("utf-8")


@pytest.mark.parametrize("second, error", [({"no": "properties"}, KeyError), ({"properties": {"a": 5}}, TypeError),
                                           (7, TypeError)])
def test_failing_flattening_leaves_valid_json(tmp_path, second, error):
    class Odd(t.MapGisFile):
        def getFeature(self):
            yield {"id": 0, "properties": {}}
            yield second

    target = tmp_path / "odd.json"
    with pytest.raises(error):
        Odd(make(tmp_path, [])).saveAsGeoJson(str(target))
    assert json.loads(target.read_text("utf-8"))["features"] == [{"id": 0, "properties": {}}]


class ThroughDictionaries(t.MapGisFile):
    """Exports the yielded dictionaries: the road every override takes."""

    def getFeature(self):
        return t.MapGisFile.getFeature(self)


@pytest.mark.parametrize("cut", [0, 3, 700])
def test_both_roads_write_the_same(tmp_path, cut):
    rng = random.Random(cut)
    lines = [w.Line([(rng.uniform(-1e3, 1e3), rng.uniform(-1, 1)) for _ in range(rng.randrange(0, 4))],
                    ["名" * rng.randrange(0, 4), k, rng.uniform(-1e3, 1e3), rng.randrange(2)],
                    flag=rng.choice([1, 1, 0]), color=k % 3)
             for k in range(300)]
    lines[-1].flag = 1  # its attribute record is the one cut short
    data = w.line_file(lines, FIELDS)
    path = w.write(tmp_path / "x.WL", data[:len(data) - cut])
    outcomes = []
    for cls in (t.MapGisFile, ThroughDictionaries):
        m = cls(path)

        def rename(payload, m=m):
            if payload["index"] == 5:
                m.StyleItems[0] = "renamed"
                m.TimeStamp = "later"
        m.subscribe("progress", rename)
        target = tmp_path / f"{cls.__name__}.json"
        try:
            m.saveAsGeoJson(str(target))
            error = None
        except struct.error as e:
            error = str(e)
        outcomes.append((error, target.read_bytes()))
    assert outcomes[0] == outcomes[1]
    text = outcomes[0][1].decode("utf-8")
    assert '"renamed": ' in text and '"timeStamp": "later"' in text
    assert (outcomes[0][0] is not None) == (cut > 0)
    json.loads(text)
