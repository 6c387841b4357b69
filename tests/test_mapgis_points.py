"""Point files: the six subtypes, their styles and texts, ids and attributes."""

import errno
import json
import struct

import pytest

import mapgis_writer as mw
import mapgis_writer_shapes as ws
from mapgis_files import file_maker, open_fd_count
from src.tivenpy import MapGisColorLib, MapGisFile

F32_TENTH = struct.unpack("<f", struct.pack("<f", 0.1))[0]

POINT_STYLE_ITEMS = [
    "subGraph", "height", "width", "angle", "lineWidth", "lineSubColor", "radius", "circleColor",
    "flag", "startAngle", "endAngle", "text", "file", "gap", "xGap", "yGap", "fontChinese",
    "fontEnglish", "fontStyle", "layoutHeight", "layoutWidth", "color", "layer", "arrangement",
    "transparent", "fillColor",
]


@pytest.fixture
def make(tmp_path):
    """make(points, **kw) -> MapGisFile of a new point file (no colour library)."""
    return file_maker(tmp_path, ws.point_file, "p", ".WT")


def features(m):
    return list(m.getFeature())


# ---- every subtype, key by key -------------------------------------------------

SUBTYPE_CASES = [
    (ws.Point(1.0, 2.0, 0, text="标注", height=2.0, width=3.0, gap=0.5, angle=45.0,
              font_chinese=7, font_english=8, font_style=9, arrangement=1, color=5, layer=6,
              transparent=1),
     {"text": "标注", "height": 2.0, "width": 3.0, "gap": 0.5, "angle": 45.0, "fontChinese": 7,
      "fontEnglish": 8, "fontStyle": 9, "color": "#000000", "layer": 6, "arrangement": 1,
      "transparent": 1}),
    (ws.Point(1.0, 2.0, 1, marker=12, height=2.0, width=3.0, angle=-90.0, color=5, layer=-6),
     {"subGraph": 12, "height": 2.0, "width": 3.0, "angle": -90.0, "color": "#000000",
      "layer": -6, "transparent": 0}),
    (ws.Point(1.0, 2.0, 2, radius=2.5, color=5, width=0.25, circle_flag=200, fill_color=9, layer=3),
     {"radius": 2.5, "circleColor": "#000000", "width": 0.25, "flag": 200,
      "fillColor": "#000000", "layer": 3, "transparent": 0}),
    (ws.Point(1.0, 2.0, 3, radius=1e300, start_angle=10.0, end_angle=350.0, width=0.5, color=2,
              layer=4),
     {"radius": 1e300, "startAngle": 10.0, "endAngle": 350.0, "width": 0.5,
      "circleColor": "#000000", "layer": 4, "transparent": 0}),
    (ws.Point(1.0, 2.0, 4, text="图片/a.png", width=10.5, height=20.25, angle=0.5, transparent=3),
     {"file": "图片/a.png", "height": 20.25, "width": 10.5, "angle": 0.5, "transparent": 3}),
    (ws.Point(1.0, 2.0, 5, text="多行\n文本", height=2.0, width=3.0, x_gap=0.25, angle=1.0,
              font_chinese=-1, font_english=2, font_style=255, y_gap=0.75, layout_height=5.0,
              layout_width=6.0, arrangement=2, color=7, layer=8),
     {"text": "多行\n文本", "height": 2.0, "width": 3.0, "angle": 1.0, "xGap": 0.25, "yGap": 0.75,
      "fontChinese": -1, "fontEnglish": 2, "fontStyle": 255, "layoutHeight": 5.0,
      "layoutWidth": 6.0, "arrangement": 2, "transparent": 0}),
]


@pytest.mark.parametrize("point, style", SUBTYPE_CASES, ids=["string", "marker", "circle", "arc",
                                                             "image", "text"])
def test_subtype_style_exact(make, point, style):
    m = make([point])
    (f,) = features(m)
    assert list(f) == ["type", "subType", "id", "geometry", "timeStamp", "style", "properties"]
    assert f["type"] == "Feature" and f["subType"] == point.subtype and f["id"] == 0
    assert f["geometry"] == {"type": "Point", "coordinates": [1.0, 2.0]}
    assert list(f["geometry"]) == ["type", "coordinates"]
    assert f["timeStamp"] == m.TimeStamp
    assert f["style"] == style
    assert list(f["style"]) == list(style)  # key order
    assert f["properties"] == {}
    assert m.StyleItems == POINT_STYLE_ITEMS


@pytest.mark.parametrize("subtype", [6, 7, 127, -1, -128])
def test_other_subtype_has_no_style_and_reads_no_body(make, tmp_path, subtype):
    fields = [mw.Field("名称", 0, size=8)]
    m = make([ws.Point(5.0, -6.0, subtype, body=b"\xff" * 60, values=("甲",))], fields)
    (f,) = features(m)
    assert list(f) == ["type", "subType", "id", "geometry", "timeStamp", "style", "properties"]
    assert f["subType"] == subtype and f["style"] is None
    assert f["properties"] == {"名称": {"type": "string", "length": 8, "value": "甲"}}


def test_style_items_set_without_valid_record(make):
    m = make([ws.Point(0.0, 0.0, flag=0), ws.Point(0.0, 0.0, flag=2)], valid=1)
    assert m.StyleItems is None
    assert features(m) == []
    assert m.StyleItems == POINT_STYLE_ITEMS


def test_colours_come_from_the_library(make, tmp_path):
    lib = mw.write(tmp_path / "Pcolor.lib",
                   mw.colour_library([(0, 0, 0, 0, 0, 0), (0, 100, 0, 0, 0, 0), (50, 0, 100, 0, 0, 0)]))
    c = MapGisColorLib(lib)
    m = make([ws.Point(0, 0, 0, text="t", color=2), ws.Point(0, 0, 1, color=3),
              ws.Point(0, 0, 2, color=1, fill_color=2), ws.Point(0, 0, 3, color=99)], colours=lib)
    got = [f["style"] for f in features(m)]
    assert got[0]["color"] == c.HEX(2, "#000000")
    assert got[1]["color"] == c.HEX(3, "#000000")
    assert (got[2]["circleColor"], got[2]["fillColor"]) == (c.HEX(1, "#000000"), c.HEX(2, "#000000"))
    assert got[3]["circleColor"] == "#000000"  # outside the library


# ---- texts -----------------------------------------------------------------------

@pytest.mark.parametrize("raw, text", [
    ("中文标注".encode("gb2312"), "中文标注"),
    (b"AB\0CD", "AB"),
    (b"", ""),
    ("文字".encode("gb2312") + b"\xa1\xa1 \t", "文字"),  # ideographic space, blank, tab stripped
    (b"  lead", "  lead"),
    (b"\xff\xfeAB", "AB"),                                # undecodable bytes dropped
    (b"AB\xa1", "AB"),                                    # a cut character is dropped
])
def test_text_decoding(make, raw, text):
    (f,) = features(make([ws.Point(0, 0, 0, text=raw)]))
    assert f["style"]["text"] == text


def test_text_in_other_encoding(tmp_path):
    data = ws.point_file([ws.Point(0, 0, 5, text="ĳ€")], encoding="utf-8")
    path = mw.write(tmp_path / "u.WT", data)
    (f,) = MapGisFile(path, None, "utf-8").getFeature()
    assert f["style"]["text"] == "ĳ€"


def test_shared_text_and_count_zero(make):
    pts = [ws.Point(0, 0, 0, text="共用"), ws.Point(1, 1, 5, text_offset=8, text_count=4),
           ws.Point(2, 2, 4, text_offset=8, text_count=0)]
    got = features(make(pts))
    assert got[0]["style"]["text"] == got[1]["style"]["text"] == "共用"
    assert got[2]["style"]["file"] == ""


def test_negative_text_count_reads_nothing(make):
    # The text must not swallow the rest of the file.
    (f,) = features(make([ws.Point(0, 0, 0, text_offset=8, text_count=-1)]))
    assert f["style"]["text"] == ""


def test_text_past_end_of_file(make):
    (f,) = features(make([ws.Point(0, 0, 5, text_offset=10**6, text_count=20)]))
    assert f["style"]["text"] == ""


def test_negative_text_position_raises(make):
    m = make([ws.Point(0, 0, 0, text="a"), ws.Point(0, 0, 0, text_offset=-10**6, text_count=2)])
    before = open_fd_count()
    g = m.getFeature()
    assert next(g)["style"]["text"] == "a"
    with pytest.raises(OSError) as caught:
        next(g)
    assert caught.value.errno == errno.EINVAL
    assert open_fd_count() == before


@pytest.mark.parametrize("subtype", [1, 2, 3, 6])
def test_no_text_read_for_other_subtypes(make, subtype):
    # a text position before the file start would fail if it were sought
    (f,) = features(make([ws.Point(0, 0, subtype, text_offset=-10**6, text_count=5)]))
    assert f["subType"] == subtype


# ---- values ------------------------------------------------------------------------

def test_float32_widened_exactly(make):
    (f,) = features(make([ws.Point(0, 0, 1, height=0.1)]))
    assert f["style"]["height"] == F32_TENTH == 0.10000000149011612


def test_coordinates_taken_as_they_are(make):
    (f,) = features(make([ws.Point(float("nan"), -0.0, 1)]))
    x, y = f["geometry"]["coordinates"]
    assert x != x and str(y) == "-0.0"


def test_circle_flag_is_its_own_byte(make):
    raw = bytearray(ws.circle_body(circle_flag=0))
    raw[16] = 0x01
    (f,) = features(make([ws.Point(0, 0, 2, body=bytes(raw))]))
    assert f["style"]["flag"] == 1


def test_ids_and_attribute_records(make):
    fields = [mw.Field("n", 3)]
    pts = [ws.Point(0, 0, 1, values=(10,)), ws.Point(1, 1, 1, flag=0, values=(11,)),
           ws.Point(2, 2, 1, values=(12,))]
    got = features(make(pts, fields, valid=2))
    assert [(f["id"], f["properties"]["n"]["value"]) for f in got] == [(0, 10), (1, 12)]


def test_slot_zero_is_never_read(make, tmp_path):
    data = bytearray(ws.point_file([ws.Point(3.0, 4.0, 1)]))
    start0 = struct.unpack_from("<i", data, 336)[0]
    data[start0:start0 + 93] = ws.point_slot(9.0, 9.0, 1)  # a valid-looking slot 0
    path = mw.write(tmp_path / "z.WT", bytes(data))
    got = list(MapGisFile(path).getFeature())
    assert [f["geometry"]["coordinates"] for f in got] == [[3.0, 4.0]]


def test_style_items_replaced_between_features(make):
    m = make([ws.Point(0, 0, 1, marker=1), ws.Point(0, 0, 1, marker=2)])
    g = m.getFeature()
    first = next(g)
    assert "subGraph" in first["style"]
    m.StyleItems = ["S%d" % i for i in range(26)]
    second = next(g)
    assert list(second["style"]) == ["S0", "S1", "S2", "S3", "S21", "S22", "S24"]
    g.close()


def test_short_style_items_raise_index_error(make):
    m = make([ws.Point(0, 0, 1), ws.Point(0, 0, 1)])
    g = m.getFeature()
    next(g)
    m.StyleItems = ["a", "b"]
    with pytest.raises(IndexError):
        next(g)


# ---- corrupt files -------------------------------------------------------------------

@pytest.mark.parametrize("subtype, keep", [(1, 33 + 54), (4, 33 + 20)])
def test_body_exactly_at_end_of_file(make, subtype, keep):
    m = make([ws.Point(7.0, 8.0, subtype)])
    start0 = m._featureDataHeads[0][0]
    with open(m.FileName, "r+b") as f:
        f.truncate(start0 + 93 + keep)
    (f,) = features(m)
    assert f["geometry"]["coordinates"] == [7.0, 8.0]


@pytest.mark.parametrize("cut, needed", [(10, 33), (33 + 53, 54), (33 + 19, 20)])
def test_cut_record_raises_struct_error(make, cut, needed):
    subtype = 4 if needed == 20 else 0
    m = make([ws.Point(0, 0, 1), ws.Point(0, 0, subtype)])
    start0 = m._featureDataHeads[0][0]
    with open(m.FileName, "r+b") as f:
        f.truncate(start0 + 2 * 93 + cut)
    before = open_fd_count()
    g = m.getFeature()
    assert next(g)["id"] == 0
    with pytest.raises(struct.error, match=f"unpack requires a buffer of {needed} bytes"):
        next(g)
    assert open_fd_count() == before
    assert list(g) == []


def test_record_count_beyond_records(make):
    m = make([ws.Point(0, 0, 1)], total=10**6)
    with pytest.raises(struct.error):
        features(m)


def test_export_exact_text(make, tmp_path):
    fields = [mw.Field("名称", 0, size=6), mw.Field("值", 5, digits=2)]
    m = make([ws.Point(1.5, -2.0, 0, text="点", values=("甲", 0.125), font_style=1),
              ws.Point(0.0, 0.0, 9, values=("乙", 2.0))], fields)
    target = tmp_path / "out.json"
    m.saveAsGeoJson(str(target))
    text = target.read_text(encoding="utf-8")
    ts = json.dumps(m.TimeStamp)
    head = json.dumps(m.getCapabilities(), ensure_ascii=False)[1:-1]
    expected = (
        '{' + head + ',"features":['
        '{"type": "Feature", "subType": 0, "id": 0, "geometry": {"type": "Point", '
        '"coordinates": [1.5, -2.0]}, "timeStamp": ' + ts + ', "style": {"text": "点", '
        '"height": 1.0, "width": 1.0, "gap": 0.0, "angle": 0.0, "fontChinese": 1, '
        '"fontEnglish": 2, "fontStyle": 1, "color": "#000000", "layer": 0, "arrangement": 0, '
        '"transparent": 0}, "properties": {"名称": "甲", "值": 0.12}},'
        '{"type": "Feature", "subType": 9, "id": 1, "geometry": {"type": "Point", '
        '"coordinates": [0.0, 0.0]}, "timeStamp": ' + ts + ', "style": null, '
        '"properties": {"名称": "乙", "值": 2.0}}]}'
    )
    assert text == expected
    assert '"fileType": "Point"' in head
