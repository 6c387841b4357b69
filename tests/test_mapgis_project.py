import struct

import pytest

import mapgis_writer as w
import src.tivenpy as t

DESCRIPTION_KEYS = ["identification", "typeCode", "files", "title", "environment", "layoutWidth",
                    "layoutHeight", "layoutRotate", "layoutXoffset", "layoutYoffset", "layoutXscale",
                    "layoutYscale", "xMin", "yMin", "xMax", "yMax", "sourceFile"]
ENTRY_KEYS = ["type", "statusCode", "file", "description", "xmin", "ymin", "xmax", "ymax", "userType",
              "groupCode", "netWorkData", "scaleMin", "scaleMax", "labelFlag", "labelFields",
              "labelHeight", "labelColor", "labelFont", "legendType"]


def test_layouts():
    assert t.MapGisProject._MapGisProject__ProjectHead == "<8s1i1h4d640s60s2i7d1h1i169s128s"
    assert t.MapGisProject._MapGisProject__ProjectBody == "<2c128s128s4d2c32s2d1c21s1f1h2c30s"


def test_description_and_files(tmp_path):
    entries = [w.project_entry(type=k, status=(k + 10) % 256, file=f"图层{k}.WL", description="说明 ",
                               extent=(1.5, -2.0, 3.25, 4.0), user_type=7, group_code=255,
                               network="net", scale=(100.0, 5e5), label_flag=1, label_fields="名称",
                               label_height=0.1, label_color=-3, label_font=9, legend_type=2)
               for k in (0, 1, 2, 3, 255)]
    path = w.write(tmp_path / "demo.MPJ", w.project_file(entries, title="工程\u3000 ", environment="env\t",
                                                           extent=(-1.0, -2.0, 3.0, 4.0)))
    p = t.MapGisProject(path)
    d = p.Description
    assert list(d) == DESCRIPTION_KEYS
    assert d == {"identification": "WMAP`D2:", "typeCode": 9, "files": 5, "title": "工程",
                 "environment": "env", "layoutWidth": 6.0, "layoutHeight": 7.0, "layoutRotate": 5.0,
                 "layoutXoffset": 1.0, "layoutYoffset": 2.0, "layoutXscale": 3.0, "layoutYscale": 4.0,
                 "xMin": -1.0, "yMin": -2.0, "xMax": 3.0, "yMax": 4.0, "sourceFile": path}
    assert [e["type"] for e in p.Files] == ["LineString", "Point", "Polygon", "Unknown", "Unknown"]
    first = p.Files[0]
    assert list(first) == ENTRY_KEYS
    assert first == {"type": "LineString", "statusCode": 10, "file": "图层0.WL", "description": "说明",
                     "xmin": 1.5, "ymin": -2.0, "xmax": 3.25, "ymax": 4.0, "userType": 7, "groupCode": 255,
                     "netWorkData": "net", "scaleMin": 100.0, "scaleMax": 5e5, "labelFlag": 1,
                     "labelFields": "名称", "labelHeight": 0.10000000149011612, "labelColor": -3,
                     "labelFont": 9, "legendType": 2}
    assert vars(p)["subscribers"] == {}


@pytest.mark.parametrize("name", ["missing.MPJ", "", "."])
def test_no_file_is_no_error(tmp_path, monkeypatch, name):
    monkeypatch.chdir(tmp_path)
    p = t.MapGisProject(name)
    assert (p.Description, p.Files) == (None, None)


@pytest.mark.parametrize("files", [0, -4])
def test_empty_project(tmp_path, files):
    path = w.write(tmp_path / "p.MPJ", w.project_file([], files=files))
    p = t.MapGisProject(path)
    assert p.Files == [] and p.Description["files"] == files


def test_bytes_after_the_records_are_ignored(tmp_path):
    path = w.write(tmp_path / "p.MPJ", w.project_file([w.project_entry()], tail=b"\xff" * 399))
    assert len(t.MapGisProject(path).Files) == 1


def test_relative_source_file(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    w.write(tmp_path / "rel.dat", w.project_file())
    assert t.MapGisProject("rel.dat").Description["sourceFile"] == "rel.dat"


@pytest.mark.parametrize("magic, type_code", [(b"WMAP`D2:", 8), (b"WMAP`D21", 9), (b"XXXXXXXX", 9)])
def test_not_a_project_file(tmp_path, magic, type_code):
    path = w.write(tmp_path / "bad.MPJ", w.project_file(magic=magic, type_code=type_code))
    with pytest.raises(Exception) as e:
        t.MapGisProject(path)
    assert type(e.value) is Exception and str(e.value) == f"[{path}] format invalid."


def test_utf16_never_matches(tmp_path):
    path = w.write(tmp_path / "p.MPJ", w.project_file())
    with pytest.raises(Exception, match="format invalid"):
        t.MapGisProject(path, "utf-16")


def test_unknown_codec(tmp_path):
    path = w.write(tmp_path / "p.MPJ", w.project_file())
    with pytest.raises(LookupError):
        t.MapGisProject(path, "no-such-codec")


@pytest.mark.parametrize("size", [0, 1, 1112])
def test_truncated_head(tmp_path, size):
    path = w.write(tmp_path / "short.MPJ", w.project_file()[:size])
    with pytest.raises(struct.error, match="unpack requires a buffer of 1113 bytes"):
        t.MapGisProject(path)


def test_head_announces_more_records_than_the_file_holds(tmp_path):
    data = w.project_file([w.project_entry(file="a"), w.project_entry(file="b")], files=3)
    path = w.write(tmp_path / "p.MPJ", data + b"\0" * 399)
    with pytest.raises(struct.error, match="unpack requires a buffer of 400 bytes"):
        t.MapGisProject(path)


def test_huge_count_reads_only_what_is_there(tmp_path):
    path = w.write(tmp_path / "p.MPJ", w.project_file([w.project_entry()], files=32767))
    with pytest.raises(struct.error):
        t.MapGisProject(path)


def test_decoders_are_looked_up_on_the_object(tmp_path):
    class Loud(t.MapGisProject):
        def bytesToStr(self, data, encoding="GB2312"):
            return super().bytesToStr(data, encoding).upper()

        def bytesInteger(self, data):
            return 2

    path = w.write(tmp_path / "p.MPJ", w.project_file([w.project_entry(file="abc")], title="t"))
    p = Loud(path)
    assert p.Description["title"] == "T"
    assert p.Files[0]["file"] == "ABC" and p.Files[0]["type"] == "Polygon" and p.Files[0]["labelFont"] == 2


def test_type_errors():
    with pytest.raises(TypeError, match="Argument 'file' has incorrect type"):
        t.MapGisProject(None)
    with pytest.raises(TypeError, match="Argument 'encoding' has incorrect type"):
        t.MapGisProject("x", None)
