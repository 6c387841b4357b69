import errno
import os
import struct
import time

import pytest

import mapgis_writer as w
import src.tivenpy as t

LAYOUTS = [
    ("__FeatureFileHead", "<8s3i71s2c16s2c13d1c2d28s6i20s4d", 336),
    ("__FeatureDataHead", "<2i1h", 10),
    ("__FeatureFieldHead", "<2c1h2c6s2i4s128s128s40s2c1h1i1h18s", 348),
    ("__FeatureField", "<20s1B1i2h1B3c2h2s", 39),
    ("__FeaturePointHead", "<1B1h1i2d8s1b1B", 33),
    ("__FeaturePointString", "<4f2h2B20s1i4s1i", 54),
    ("__FeaturePointMarker", "<1i3f26s1i4s1i", 54),
    ("__FeaturePointCircle", "<1d1i1f1B25s1i4s1i", 54),
    ("__FeaturePointArc", "<1d3f22s1i4s1i", 54),
    ("__FeaturePointImage", "<2d1f", 20),
    ("__FeaturePointText", "<4f2h1B3f1B8s1i4s1i", 54),
    ("__FeaturePolyline", "<2B5i1h2B1i1f1B2f3i1h", 57),
    ("__FeaturePolygon", "<1B3i1h2f1h1i1B1h8s", 40),
    ("__Topology", "<4i8s", 24),
]

PARAMETER_KEYS = ["projectionTypeCode", "fileTypeCode", "ellipsoidCode", "unitsCode", "central_meridian",
                  "latitude_of_origin", "standard_parallel_1", "standard_parallel_2", "false_easting",
                  "false_northing", "ellipsoidElevation", "projectionElevation"]


def test_layouts_in_order():
    names = [k for k in vars(t.MapGisFile) if k.startswith("_MapGisFile__")]
    assert names == ["_MapGisFile__" + n[2:] for n, _, _ in LAYOUTS] + ["_MapGisFile__FeatureNode"]
    for name, layout, size in LAYOUTS:
        assert getattr(t.MapGisFile, "_MapGisFile" + name) == layout
        assert struct.calcsize(layout) == size


def line_path(tmp_path, fields=(), lines=(), name="f.WL", **head):
    return w.write(tmp_path / name, w.line_file(list(lines), list(fields), **head))


def kind_path(tmp_path, kind, fields=(), heads=10, name="k.dat", **head):
    section = w.ATTRIBUTE_SECTION[kind]
    data = w.vector_file(kind, {section: w.attribute_section(list(fields), [])}, heads=heads, **head)
    return w.write(tmp_path / name, data)


def test_line_file(tmp_path):
    path = line_path(tmp_path, lines=[w.Line([(0, 0)]), w.Line([(0, 0)], flag=0)],
                     bbox=(1.5, -2.0, 300.0, 4e6), valid=7, total=9)
    m = t.MapGisFile(path)
    assert (m.FileName, m.FileType, m.RecordCount, m.FeatureCount) == (path, "LineString", 8, 7)
    assert m.BBox == [1.5, -2.0, 300.0, 4e6]
    assert (m.PcolorLibFile, m.Encoding, m.StyleItems) == (None, "GB2312", None)
    assert len(m._featureDataHeads) == 10 and all(len(e) == 3 for e in m._featureDataHeads)
    assert m.TimeStamp == time.strftime("%Y-%m-%dT%H:%M:%S%z", time.localtime(os.path.getmtime(path)))
    with pytest.raises(AttributeError):
        m.ArcTotalCount
    with pytest.raises(AttributeError):
        m.ArcValidCount
    assert list(vars(m))[:13] == ["subscribers", "FileName", "FileType", "BBox", "EPSG", "Parameters",
                                  "TimeStamp", "RecordCount", "FeatureCount", "PcolorLibFile", "Encoding",
                                  "FieldStruct", "StyleItems"]


def test_point_and_polygon_files(tmp_path):
    p = t.MapGisFile(kind_path(tmp_path, w.POINT, valid=3, total=5), "lib", "utf-8")
    assert (p.FileType, p.RecordCount, p.FeatureCount, p.PcolorLibFile, p.Encoding) == ("Point", 4, 3, "lib", "utf-8")
    g = t.MapGisFile(kind_path(tmp_path, w.POLYGON, valid=11, total=13, valid_polygons=2, total_polygons=4))
    assert (g.FileType, g.RecordCount, g.FeatureCount, g.ArcTotalCount, g.ArcValidCount) == ("Polygon", 3, 2, 12, 11)
    assert g.FieldStruct["recordCount"] == 3 and g.FieldStruct["featureCount"] == 2


def test_slot_count_zero_gives_minus_one(tmp_path):
    m = t.MapGisFile(line_path(tmp_path, total=0, valid=0))
    assert m.RecordCount == -1


@pytest.mark.parametrize("crs, projection, ellipsoid, units, epsg", [
    (0, 9, 9, 9, 0), (1, 0, 7, 4, 4326), (1, 0, 7, 3, -1), (1, 1, 7, 4, -1),
    (3, 3, 0, 0, 9802), (3, 2, 5, 5, 9822), (3, 4, 1, 1, 9804), (3, 5, 1, 0, 4214),
    (3, 5, 2, 0, 4610), (3, 5, 3, 0, -3), (3, 0, 0, 0, -3), (2, 3, 0, 0, -2), (255, 0, 0, 0, -255),
])
def test_epsg(tmp_path, crs, projection, ellipsoid, units, epsg):
    m = t.MapGisFile(line_path(tmp_path, crs=crs, projection_type=projection, ellipsoid_code=ellipsoid, units=units))
    assert m.EPSG == epsg
    assert (m.Parameters["projectionTypeCode"], m.Parameters["ellipsoidCode"], m.Parameters["unitsCode"]) == (
        projection, ellipsoid, units)


def test_parameters(tmp_path):
    values = dict(central_meridian=117.0, latitude_of_origin=0.1, standard_parallel_1=25.0,
                  standard_parallel_2=47.0, false_easting=500000.0, false_northing=-0.0,
                  ellipsoid_elevation=float("inf"), projection_elevation=1e300)
    m = t.MapGisFile(line_path(tmp_path, projection_type=5, ellipsoid_code=2, units=1, **values))
    assert list(m.Parameters) == PARAMETER_KEYS
    assert m.Parameters["fileTypeCode"] == 0
    assert m.Parameters["ellipsoidElevation"] == float("inf") and m.Parameters["projectionElevation"] == 1e300
    assert str(m.Parameters["false_northing"]) == "-0.0"


FIELDS = [w.Field("名称", 0, size=30, length=30), w.Field("B", 1), w.Field("I", 2), w.Field("L", 3),
          w.Field("F", 4, digits=2), w.Field("D", 5, digits=9), w.Field("Day", 6), w.Field("Time", 7),
          w.Field("Ok", 8), w.Field("Nine", 9, size=3), w.Field("Blank  \u3000", 0, size=5)]


def test_field_structure(tmp_path):
    m = t.MapGisFile(line_path(tmp_path, FIELDS))
    fs = m.FieldStruct
    assert list(fs) == ["fieldCount", "fieldLength", "fieldSize", "recordCount", "featureCount", "fields"]
    assert fs["fieldCount"] == len(FIELDS)
    assert fs["fieldLength"] == w.record_length(FIELDS)
    assert fs["fieldSize"] == 348 + 39 * len(FIELDS)
    assert [f["name"] for f in fs["fields"]] == [f.name for f in FIELDS[:-1]] + ["Blank"]
    assert [f["type"] for f in fs["fields"]] == ["string", "byte", "int", "long", "float", "double", "string",
                                                 "string", "bool", "string", "string"]
    for f, declared in zip(fs["fields"], FIELDS):
        keys = ["name", "type", "typeCode", "size", "length"] + (["decimal"] if declared.type_code in (4, 5) else [])
        assert list(f) == keys
        assert (f["typeCode"], f["size"], f["length"]) == (declared.type_code, declared.size, declared.length)
    assert fs["fields"][4]["decimal"] == 2 and fs["fields"][5]["decimal"] == 9
    assert m.describeProperty() is fs["fields"]


def test_no_fields(tmp_path):
    m = t.MapGisFile(line_path(tmp_path))
    assert m.FieldStruct["fields"] == [] and m.FieldStruct["fieldLength"] == 1


def test_field_name_encodings(tmp_path):
    raw = "道路".encode("gb2312") + b"\0junk"
    m = t.MapGisFile(line_path(tmp_path, [w.Field("x", 3, raw_name=raw)]))
    assert m.FieldStruct["fields"][0]["name"] == "道路"
    m = t.MapGisFile(m.FileName, None, "latin-1")
    assert m.FieldStruct["fields"][0]["name"] == raw.split(b"\0")[0].decode("latin-1")


def test_unknown_codec(tmp_path):
    with pytest.raises(LookupError):
        t.MapGisFile(line_path(tmp_path), None, "no-such-codec")


@pytest.mark.parametrize("make", [lambda p: str(p / "missing.WL"), lambda p: str(p)])
def test_missing_file(tmp_path, make):
    path = make(tmp_path)
    with pytest.raises(FileNotFoundError) as e:
        t.MapGisFile(path)
    assert e.value.args == (path,)


@pytest.mark.parametrize("magic, code", [(b"WMAP`D24", 0), (b"XXXXXXXX", 0), (b"wmap`d21", 0), (b"", 0)])
def test_wrong_magic(tmp_path, magic, code):
    path = w.write(tmp_path / "m.WL", w.vector_file(code, {}, magic=magic))
    with pytest.raises(Exception) as e:
        t.MapGisFile(path)
    assert type(e.value) is Exception and str(e.value) == f"[{path}] invalid file format."


@pytest.mark.parametrize("magic, code", [(b"WMAP`D22", 0), (b"WMAP`D21", 1), (b"WMAP`D21", 2), (b"WMAP`D23", 3),
                                         (b"WMAP`D21", -1)])
def test_magic_disagrees_with_type_code(tmp_path, magic, code):
    path = w.write(tmp_path / "m.WL", w.vector_file(code, {2: w.attribute_section([], []),
                                                           9: w.attribute_section([], [])}, magic=magic))
    with pytest.raises(Exception) as e:
        t.MapGisFile(path)
    assert type(e.value) is Exception and str(e.value) == f"[{path}] invalid file format."


@pytest.mark.parametrize("cut, needed", [(0, 336), (335, 336), (337, 10), (336 + 25, 10)])
def test_truncated_head_or_table(tmp_path, cut, needed):
    data = w.line_file([w.Line([(0, 0)])])
    path = w.write(tmp_path / "cut.WL", data[:cut])
    with pytest.raises(struct.error, match=f"unpack requires a buffer of {needed} bytes"):
        t.MapGisFile(path)


def test_truncated_field_structure(tmp_path):
    data = w.line_file([], [w.Field("a", 3), w.Field("b", 3)])
    start = struct.unpack_from("<i", data, 336 + 20)[0]
    for cut, needed in [(start + 10, 348), (start + 348 + 39 + 5, 39)]:
        path = w.write(tmp_path / "cut.WL", data[:cut])
        with pytest.raises(struct.error, match=f"unpack requires a buffer of {needed} bytes"):
            t.MapGisFile(path)


@pytest.mark.parametrize("kind, heads", [(w.LINE, 2), (w.POINT, 0), (w.POLYGON, 9), (w.LINE, -5)])
def test_table_too_short(tmp_path, kind, heads):
    data = bytearray(w.vector_file(kind, {}, heads=max(heads, 0)))
    struct.pack_into("<i", data, 16, heads)
    path = w.write(tmp_path / "t.dat", bytes(data))
    with pytest.raises(IndexError, match="list index out of range"):
        t.MapGisFile(path)


def test_huge_table_count(tmp_path):
    data = bytearray(w.line_file([]))
    struct.pack_into("<i", data, 16, 2**31 - 1)
    path = w.write(tmp_path / "h.WL", bytes(data))
    with pytest.raises(struct.error, match="unpack requires a buffer of 10 bytes"):
        t.MapGisFile(path)


@pytest.mark.parametrize("offset", [12, "attribute"])
def test_negative_offsets(tmp_path, offset):
    data = bytearray(w.line_file([]))
    if offset == "attribute":
        struct.pack_into("<i", data, 336 + 20, -8)
    else:
        struct.pack_into("<i", data, offset, -3)
    path = w.write(tmp_path / "n.WL", bytes(data))
    with pytest.raises(OSError, match=r"\[Errno 22\] Invalid argument") as caught:
        t.MapGisFile(path)
    # The error a file object's seek raises, errno and all.
    assert (caught.value.errno, caught.value.strerror) == (errno.EINVAL, os.strerror(errno.EINVAL))


def test_damaged_records_still_construct(tmp_path):
    data = w.line_file([w.Line([(0, 0)], vertex_count=2**31 - 1, start=-5)])
    m = t.MapGisFile(w.write(tmp_path / "d.WL", data))
    assert m.FeatureCount == 1


def test_type_errors(tmp_path):
    with pytest.raises(TypeError, match="Argument 'mapGisFile' has incorrect type"):
        t.MapGisFile(None)
    with pytest.raises(TypeError, match="Argument 'mapGisColorLib' has incorrect type"):
        t.MapGisFile("x", 3)
    with pytest.raises(TypeError, match="Argument 'encoding' has incorrect type"):
        t.MapGisFile("x", None, None)
    # A subclass stored on the object later is refused with the constructor's note.
    class Name(str):
        pass

    m = t.MapGisFile(line_path(tmp_path, lines=[w.Line([(0, 0)])]))
    m.PcolorLibFile = Name("lib")
    for road in (lambda: next(m.getFeature()), lambda: m.saveAsGeoJson(str(tmp_path / "o.json"))):
        with pytest.raises(TypeError, match="Argument 'mapGisColorLib' has incorrect type") as e:
            road()
        assert len(e.value.__notes__) == 1


def test_decoders_are_looked_up_on_the_object(tmp_path):
    class Coded(t.MapGisFile):
        def bytesInteger(self, data):
            return 1

    m = Coded(line_path(tmp_path))
    assert m.EPSG == -1 and m.Parameters["unitsCode"] == 1
