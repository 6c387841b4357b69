import gc
import math
import errno
import os
import random
import struct
import weakref

import pytest

import mapgis_writer as w
import src.tivenpy as t
from mapgis_files import fds_open_on
from mapgis_files import write_lines as make

LINE_STYLE = ["lineNo", "subLineNo", "lineType", "width", "color", "subColor", "xScale", "yScale", "layer",
              "transparent"]


def coords(feature):
    return feature["geometry"]["coordinates"]


# ---- the frame -------------------------------------------------------------------

def test_ids_skip_deleted_records(tmp_path):
    fields = [w.Field("n", 3)]
    path = make(tmp_path, [w.Line([(1, 1)], [10]), w.Line([(2, 2)], [20], flag=0), w.Line([(3, 3)], [30]),
                           w.Line([(4, 4)], [40], flag=2)], fields)
    feats = list(t.MapGisFile(path).getFeature())
    assert [f["id"] for f in feats] == [0, 1]
    assert [coords(f) for f in feats] == [[[1.0, 1.0]], [[3.0, 3.0]]]
    # the second feature takes the attributes of record slot 3
    assert [f["properties"]["n"]["value"] for f in feats] == [10, 30]


def test_feature_shape(tmp_path):
    path = make(tmp_path, [w.Line([(1.5, -2.25), (3, 4)], line_no=7, sub_line_no=2, transparent=1, color=3,
                                  width=0.1, line_type=5, x_scale=2.5, y_scale=0.5, sub_color=9, layer=-4)])
    m = t.MapGisFile(path)
    f = next(m.getFeature())
    assert list(f) == ["type", "id", "geometry", "style", "properties", "timeStamp"]
    assert f["type"] == "Feature" and f["id"] == 0
    assert f["geometry"] == {"type": "LineString", "coordinates": [[1.5, -2.25], [3.0, 4.0]]}
    assert list(f["geometry"]) == ["type", "coordinates"]
    assert list(f["style"]) == LINE_STYLE
    assert f["style"] == {"lineNo": 7, "subLineNo": 2, "lineType": 5, "width": 0.10000000149011612,
                          "color": "#000000", "subColor": "#FFFFFF", "xScale": 2.5, "yScale": 0.5, "layer": -4,
                          "transparent": 1}
    assert f["properties"] == {} and f["timeStamp"] == m.TimeStamp
    assert m.StyleItems == LINE_STYLE


def test_colours_from_the_library(tmp_path):
    lib = w.write(tmp_path / "Pcolor.lib", w.colour_library([(255, 0, 0, 0, 0, 0), (0, 0, 0, 0, 0, 255)]))
    path = make(tmp_path, [w.Line([(0, 0)], color=2, sub_color=1), w.Line([(0, 0)], color=3, sub_color=0)])
    styles = [f["style"] for f in t.MapGisFile(path, lib).getFeature()]
    assert [(s["color"], s["subColor"]) for s in styles] == [("#FFBF00", "#000000"), ("#000000", "#FFFFFF")]


@pytest.mark.parametrize("pairs, expected", [
    ([(1, 2), (1, 2), (3, 4), (1, 2)], [[1.0, 2.0], [3.0, 4.0], [1.0, 2.0]]),
    ([(5, 5)] * 3, [[5.0, 5.0]]),
    ([(0.0, 0.0), (-0.0, 0.0)], [[0.0, 0.0], [-0.0, 0.0]]),
    ([], []),
])
def test_consecutive_duplicates(tmp_path, pairs, expected):
    got = coords(next(t.MapGisFile(make(tmp_path, [w.Line(pairs)])).getFeature()))
    assert got == expected
    assert [[math.copysign(1, v) for v in p] for p in got] == [[math.copysign(1, v) for v in p] for p in expected]


def test_nan_pairs_collapse_by_text(tmp_path):
    nan1 = struct.unpack("<d", struct.pack("<Q", 0x7FF8000000000001))[0]
    nan2 = -float("nan")
    got = coords(next(t.MapGisFile(make(tmp_path, [w.Line([(nan1, 1), (nan2, 1), (1, nan1)])])).getFeature()))
    assert len(got) == 2 and math.isnan(got[0][0]) and math.isnan(got[1][1])


def test_vertices_zero_or_negative(tmp_path):
    path = make(tmp_path, [w.Line([(1, 1)], vertex_count=0), w.Line([(1, 1)], vertex_count=-7)])
    assert [coords(f) for f in t.MapGisFile(path).getFeature()] == [[], []]


def test_slot_zero_is_never_read(tmp_path):
    fields = [w.Field("n", 3)]
    data = bytearray(w.line_file([w.Line([(1, 1)], [10])], fields))
    heads = [struct.unpack_from("<2i1h", data, 336 + 10 * k) for k in range(10)]
    line0 = heads[0][0]
    data[line0:line0 + 57] = w.line_record(999, -1, flag=1)       # a "valid" slot 0
    attr = heads[2][0] + 348 + 39
    data[attr:attr + 5] = b"\xff" * 5
    feats = list(t.MapGisFile(w.write(tmp_path / "z.WL", bytes(data))).getFeature())
    assert len(feats) == 1 and feats[0]["properties"]["n"]["value"] == 10


@pytest.mark.parametrize("change", [lambda m: setattr(m, "FeatureCount", 0), lambda m: setattr(m, "FileName", None),
                                    lambda m: setattr(m, "FeatureCount", None)])
def test_nothing_to_yield(tmp_path, change):
    m = t.MapGisFile(make(tmp_path, [w.Line([(0, 0)])]))
    change(m)
    assert list(m.getFeature()) == [] and m.StyleItems is None


def test_lazy(tmp_path):
    path = make(tmp_path, [w.Line([(0, 0)])])
    m = t.MapGisFile(path)
    g = m.getFeature()
    assert m.StyleItems is None and fds_open_on(path) == 0
    os.remove(path)  # nothing is opened before the first item
    with pytest.raises(FileNotFoundError):
        next(g)
    assert m.StyleItems is None


def test_generator_protocol(tmp_path):
    path = make(tmp_path, [w.Line([(k, k)]) for k in range(3)])
    m = t.MapGisFile(path)
    g = m.getFeature()
    assert g.__name__ == "getFeature" and g.__qualname__ == "MapGisFile.getFeature"
    with pytest.raises(TypeError, match="can't send non-None value to a just-started generator"):
        g.send(1)
    assert g.send(None)["id"] == 0
    assert fds_open_on(path) == 1
    assert g.send("anything")["id"] == 1
    g.close()
    assert fds_open_on(path) == 0
    assert next(g, "done") == "done"

    g = m.getFeature()
    next(g)
    with pytest.raises(KeyError, match="thrown"):
        g.throw(KeyError("thrown"))
    assert fds_open_on(path) == 0

    g = m.getFeature()
    next(g)
    del g
    gc.collect()
    assert fds_open_on(path) == 0

    g = m.getFeature()
    ref, live = weakref.ref(g), weakref.WeakSet([g])
    next(g)
    assert ref() is g and len(live) == 1 and fds_open_on(path) == 1
    del g
    gc.collect()
    assert ref() is None and len(live) == 0 and fds_open_on(path) == 0

    assert [f["id"] for f in m.getFeature()] == [0, 1, 2]
    assert fds_open_on(path) == 0


def test_generator_kept_on_its_file_object_is_collected_and_closed(tmp_path):
    path = make(tmp_path, [w.Line([(k, k)]) for k in range(3)])
    m = t.MapGisFile(path)
    m.features = m.getFeature()
    next(m.features)
    assert fds_open_on(path) == 1
    del m
    gc.collect()
    assert fds_open_on(path) == 0


def test_independent_generators(tmp_path):
    path = make(tmp_path, [w.Line([(k, k)]) for k in range(3)])
    m = t.MapGisFile(path)
    a, b = m.getFeature(), m.getFeature()
    assert [next(a)["id"], next(b)["id"], next(a)["id"], next(b)["id"]] == [0, 0, 1, 1]
    assert fds_open_on(path) == 2
    del a, b
    assert fds_open_on(path) == 0


def test_truncated_line_section(tmp_path):
    data = w.line_file([w.Line([]) for _ in range(3)])
    start0 = struct.unpack_from("<i", data, 336)[0]
    m = t.MapGisFile(make(tmp_path, [w.Line([]) for _ in range(3)], name="ok.WL"))
    # the same file cut inside the third line record
    m.FileName = w.write(tmp_path / "c.WL", data[:start0 + 57 * 4 - 1])
    g = m.getFeature()
    assert [next(g)["id"], next(g)["id"]] == [0, 1]
    with pytest.raises(struct.error, match="unpack requires a buffer of 57 bytes"):
        next(g)
    assert fds_open_on(m.FileName) == 0


def test_file_cut_inside_the_vertices(tmp_path):
    data = w.line_file([w.Line([(1, 1)]), w.Line([(2, 2), (3, 3)])])
    path = make(tmp_path, [w.Line([(1, 1)]), w.Line([(2, 2), (3, 3)])])
    m = t.MapGisFile(path)
    m.RecordCount = 2
    # vertices beyond the end of the file
    m._featureDataHeads[1] = (len(data) - 24, 0, 0)
    g = m.getFeature()
    assert len(coords(next(g))) == 1
    with pytest.raises(struct.error, match="unpack requires a buffer of 16 bytes"):
        next(g)
    assert fds_open_on(path) == 0


@pytest.mark.parametrize("count", [10**6, 2**63 - 1, 2**63, 2**70])
def test_record_count_beyond_the_records(tmp_path, count):
    path = make(tmp_path, [w.Line([(1, 1)])])
    m = t.MapGisFile(path)
    m.RecordCount = count
    g = m.getFeature()
    next(g)
    with pytest.raises(struct.error, match="unpack requires a buffer of 57 bytes"):
        next(g)


@pytest.mark.parametrize("count", [0, -1, -2**63, -2**70])
def test_record_count_below_one_walks_nothing(tmp_path, count):
    m = t.MapGisFile(make(tmp_path, [w.Line([(1, 1)])]))
    m.RecordCount = count
    assert list(m.getFeature()) == []
    assert m.StyleItems is not None


def test_corrupt_offsets(tmp_path):
    path = make(tmp_path, [w.Line([(1, 1)], start=-10**6)])
    with pytest.raises(OSError, match=r"\[Errno 22\] Invalid argument") as caught:
        list(t.MapGisFile(path).getFeature())
    assert caught.value.errno == errno.EINVAL
    assert fds_open_on(path) == 0
    with pytest.raises(OSError) as caught:
        t.MapGisFile(path).saveAsGeoJson(str(tmp_path / "n.json"))
    assert caught.value.errno == errno.EINVAL
    path = make(tmp_path, [w.Line([(1, 1)], vertex_count=2**31 - 1)], name="big.WL")
    with pytest.raises(struct.error):
        list(t.MapGisFile(path).getFeature())


@pytest.mark.parametrize("heads, error", [(lambda h: h[:2], IndexError), (lambda h: [h[0], h[1], (1, 2)], ValueError)])
def test_bad_section_table_at_set_up(tmp_path, heads, error):
    path = make(tmp_path, [w.Line([(1, 1)])])
    m = t.MapGisFile(path)
    m._featureDataHeads = heads(m._featureDataHeads)
    with pytest.raises(error):
        list(m.getFeature())
    assert m.StyleItems is None and fds_open_on(path) == 0


def test_unknown_type_code_yields_nothing(tmp_path):
    m = t.MapGisFile(make(tmp_path, [w.Line([(1, 1)])]))
    m.Parameters["fileTypeCode"] = 7
    assert list(m.getFeature()) == [] and m.StyleItems is None


def test_style_keys_follow_style_items(tmp_path):
    m = t.MapGisFile(make(tmp_path, [w.Line([(1, 1)]), w.Line([(2, 2)])]))
    g = m.getFeature()
    next(g)
    m.StyleItems[0] = "renamed"
    assert list(next(g)["style"])[0] == "renamed"


def test_features_are_fresh_objects(tmp_path):
    m = t.MapGisFile(make(tmp_path, [w.Line([(1, 1)]), w.Line([(1, 1)])]))
    a, b = list(m.getFeature())
    assert a["geometry"] is not b["geometry"] and a["style"] is not b["style"]
    a["geometry"]["coordinates"].append(None)
    assert coords(b) == [[1.0, 1.0]]


# ---- attribute values ------------------------------------------------------------

ALL_TYPES = [w.Field("s", 0, size=8, length=8), w.Field("b", 1), w.Field("i", 2), w.Field("l", 3),
             w.Field("f", 4, digits=2), w.Field("d", 5, digits=3), w.Field("date", 6), w.Field("time", 7),
             w.Field("ok", 8), w.Field("nine", 9, size=4)]


def props(tmp_path, fields, records, name="a.WL", encoding="GB2312"):
    path = make(tmp_path, [w.Line([]) for _ in records], fields, name=name, attributes=records)
    return [f["properties"] for f in t.MapGisFile(path, None, encoding).getFeature()]


def values(p):
    return {k: v["value"] for k, v in p.items()}


def test_every_type(tmp_path):
    record = ["道路一", 200, -2, -70000, 0.1, 2.0004, (2024, 3, 7), (8, 5, 3.25), 7, "abc"]
    (p,) = props(tmp_path, ALL_TYPES, [record])
    assert values(p) == {"s": "道路一", "b": 200, "i": -2, "l": -70000, "f": 0.1, "d": 2.0, "date": "2024-03-07",
                         "time": "08:05:03.250", "ok": True, "nine": "abc"}
    assert p["f"] == {"type": "float", "length": 4, "decimal": 2, "value": 0.1}
    assert list(p["d"]) == ["type", "length", "decimal", "value"]
    assert list(p["s"]) == ["type", "length", "value"] and p["s"]["type"] == "string"
    assert type(p["ok"]["value"]) is bool


def test_all_zero_record(tmp_path):
    (p,) = props(tmp_path, ALL_TYPES, [bytes(w.record_length(ALL_TYPES))])
    v = values(p)
    assert v == {"s": "", "b": 0, "i": 0, "l": 0, "f": 0.0, "d": 0.0, "date": "0000-00-00", "time": "00:00:00.000",
                 "ok": False, "nine": ""}
    assert type(v["f"]) is float and type(v["d"]) is float


@pytest.mark.parametrize("value, digits, expected", [
    (0.125, 2, 0.12), (0.375, 2, 0.38), (2.5, 0, 2.0), (3.5, 0, 4.0), (-0.001, 2, -0.0), (1e300, 1, 1e300),
    (float("inf"), 2, float("inf")), (-float("inf"), 0, -float("inf")), (123.456789, 9, 123.456789),
    (5e-324, 255, 0.0), (0.5, 0, 0.0), (-2.5, 0, -2.0), (2.0005, 3, 2.001), (1.0005, 3, 1.0),
])
def test_double_rounding(tmp_path, value, digits, expected):
    (p,) = props(tmp_path, [w.Field("d", 5, digits=digits)], [[value]])
    got = p["d"]["value"]
    assert got == expected and math.copysign(1, got) == math.copysign(1, expected)


def test_rounding_matches_python(tmp_path):
    rng = random.Random(7)
    fields, record, expected = [], [], []
    for k in range(60):
        digits = rng.randrange(0, 12)
        x = rng.choice([rng.uniform(-1e6, 1e6), rng.uniform(-1, 1), rng.randrange(-999, 999) / 8])
        single = k % 2 == 0
        fields.append(w.Field(f"v{k}", 4 if single else 5, digits=digits))
        record.append(x)
        stored = struct.unpack("<f", struct.pack("<f", x))[0] if single else x
        expected.append(float(("{:." + str(digits) + "f}").format(stored)))
    (p,) = props(tmp_path, fields, [record])
    assert [e["value"] for e in p.values()] == expected


def test_nan_values(tmp_path):
    (p,) = props(tmp_path, [w.Field("f", 4, digits=2), w.Field("t", 7)], [[float("nan"), (0, 0, float("nan"))]])
    assert math.isnan(p["f"]["value"]) and p["t"]["value"] == "00:00:000nan"


@pytest.mark.parametrize("parts, text", [((8, 5, 100.5), "08:05:100.500"), ((8, 5, -1.5), "08:05:-1.500"),
                                         ((255, 255, 59.9995), "255:255:59.999"), ((1, 2, 0.0005), "01:02:00.001"), ((1, 2, 1.0005), "01:02:01.000"),
                                         ((0, 0, float("inf")), "00:00:000inf"), ((0, 0, -float("inf")), "00:00:00-inf")])
def test_times(tmp_path, parts, text):
    (p,) = props(tmp_path, [w.Field("t", 7)], [[parts]])
    assert p["t"]["value"] == text == "{:0>2d}:{:0>2d}:{:0>6.3f}".format(*parts)


def test_largest_date(tmp_path):
    (p,) = props(tmp_path, [w.Field("d", 6)], [[(65535, 255, 255)]])
    assert p["d"]["value"] == "65535-255-255"


def test_text_sizes(tmp_path):
    fields = [w.Field("z", 0, size=0), w.Field("a", 0, size=3), w.Field("n", 3)]
    (p,) = props(tmp_path, fields, [["", "abc", 5]])
    assert values(p) == {"z": "", "a": "abc", "n": 5}


def test_negative_text_size_reads_nothing(tmp_path):
    fields = [w.Field("neg", 0, size=-1), w.Field("n", 3)]
    rec = b"\0" + struct.pack("<l", 77) + b"tail" * 100
    path = make(tmp_path, [w.Line([])], fields, attributes=[rec])
    m = t.MapGisFile(path)
    m.FieldStruct["fieldLength"] = 5
    (f,) = list(m.getFeature())
    assert values(f["properties"]) == {"neg": "", "n": 77}


def test_same_name_twice(tmp_path):
    fields = [w.Field("x", 3), w.Field("y", 2), w.Field("x", 1), w.Field("z", 2)]
    (p,) = props(tmp_path, fields, [[1, 2, 3, 4]])
    assert list(p) == ["x", "y", "z"] and values(p) == {"x": 3, "y": 2, "z": 4}


def test_fixed_widths_ignore_declared_size(tmp_path):
    fields = [w.Field("f", 4, size=9, digits=1), w.Field("d", 5, size=2, digits=1), w.Field("i", 2, size=40),
              w.Field("s", 0, size=2)]
    (p,) = props(tmp_path, fields, [[1.25, 2.75, 9, "ok"]])
    assert values(p) == {"f": 1.2, "d": 2.8, "i": 9, "s": "ok"}


def test_gb2312_texts(tmp_path):
    fields = [w.Field("名称", 0, size=12)]
    raw = "河流".encode("gb2312") + "\u3000".encode("gb2312") + b" \t\0xx"
    (p,) = props(tmp_path, fields, [[raw]])
    assert values(p) == {"名称": "河流"}
    (p,) = props(tmp_path, fields, [[b"\xff\xfeAB\xa1"]], name="b.WL")
    assert values(p) == {"名称": "AB"}


@pytest.mark.parametrize("field, cut, needed", [
    (w.Field("s", 0, size=4), 2, 4), (w.Field("b", 1), 1, 1), (w.Field("ok", 8), 1, 1), (w.Field("i", 2), 1, 2),
    (w.Field("l", 3), 3, 4), (w.Field("f", 4, digits=1), 1, 4), (w.Field("d", 5, digits=1), 7, 8),
    (w.Field("day", 6), 2, 4), (w.Field("time", 7), 9, 10), (w.Field("x", 12, size=3), 3, 3),
])
def test_attribute_record_cut_off(tmp_path, field, cut, needed):
    # The last record runs past the end of the file: no value is made up for missing bytes.
    data = w.line_file([w.Line([]), w.Line([])], [w.Field("n", 3), field])
    path = w.write(tmp_path / "s.WL", data[:-cut])
    g = t.MapGisFile(path).getFeature()
    assert next(g)["id"] == 0
    with pytest.raises(struct.error, match=f"unpack requires a buffer of {needed} bytes"):
        next(g)
    assert fds_open_on(path) == 0


def test_overridden_decoders_are_used(tmp_path):
    class Shout(t.MapGisFile):
        def bytesToStr(self, data, encoding="GB2312"):
            text = t.TivenBase.bytesToStr(data, encoding)
            return text if text.startswith("WMAP") else "<" + text + ">"

        def bytesInteger(self, data):
            return 41 if self.StyleItems else 0

    path = make(tmp_path, [w.Line([])], [w.Field("s", 0, size=3), w.Field("b", 1), w.Field("ok", 8)],
                attributes=[["ab", 1, 0]])
    m = Shout(path)
    assert values(next(m.getFeature())["properties"]) == {"<s>": "<ab>", "<b>": 41, "<ok>": True}


def test_encoding_is_read_from_the_object(tmp_path):
    path = make(tmp_path, [w.Line([])], [w.Field("s", 0, size=4)], attributes=[[b"\xc3\xa9"]])
    m = t.MapGisFile(path)
    m.Encoding = "utf-8"
    assert values(next(m.getFeature())["properties"]) == {"s": "é"}


def test_replaced_base_decoder_is_used(tmp_path, monkeypatch):
    path = make(tmp_path, [w.Line([])], [w.Field("s", 0, size=3)], attributes=[["ab"]])
    m = t.MapGisFile(path)
    original = t.TivenBase.bytesToStr
    monkeypatch.setattr(t.TivenBase, "bytesToStr", staticmethod(lambda data, encoding="GB2312": original(data, encoding) + "!"))
    assert next(m.getFeature())["properties"]["s"]["value"] == "ab!"
