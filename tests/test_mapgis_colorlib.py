import os

import pytest

import mapgis_writer as w
import src.tivenpy as t

# (K, C, M, Y, M100Y100, M25Y100) -> CMYK, RGB, HEX
WORKED = [
    ((0, 0, 0, 0, 0, 0), (0, 0, 0, 0), (255, 255, 255), "#FFFFFF"),
    ((255, 0, 0, 0, 0, 0), (0, 0, 0, 100), (0, 0, 0), "#000000"),
    ((128, 0, 0, 0, 0, 0), (0, 0, 0, 50), (128, 128, 128), "#808080"),
    ((0, 255, 0, 0, 0, 0), (100, 0, 0, 0), (0, 255, 255), "#00FFFF"),
    ((0, 128, 0, 0, 0, 0), (50, 0, 0, 0), (128, 255, 255), "#80FFFF"),
    ((0, 0, 0, 0, 255, 0), (0, 100, 100, 0), (255, 0, 0), "#FF0000"),
    ((0, 0, 0, 0, 0, 255), (0, 25, 100, 0), (255, 191, 0), "#FFBF00"),
    # magenta sum 0.5 -> 0 and 1.5 -> 2: ties go to the even integer
    ((0, 0, 0, 0, 0, 5), (0, 0, 2, 0), (255, 255, 250), "#FFFFFA"),
    ((0, 0, 0, 0, 0, 15), (0, 2, 6, 0), (255, 250, 240), "#FFFAF0"),
    # sums above 100 are capped
    ((0, 0, 200, 200, 255, 255), (0, 100, 100, 0), (255, 0, 0), "#FF0000"),
    # cyan 10 .. 90 %: 229.5 -> 230, 178.5 -> 178, 127.5 -> 128, 76.50000000000001 -> 77, 25.499999999999993 -> 25
    ((0, 26, 0, 0, 0, 0), (10, 0, 0, 0), (230, 255, 255), "#E6FFFF"),
    ((0, 77, 0, 0, 0, 0), (30, 0, 0, 0), (178, 255, 255), "#B2FFFF"),
    ((0, 128, 0, 0, 0, 0), (50, 0, 0, 0), (128, 255, 255), "#80FFFF"),
    ((0, 179, 0, 0, 0, 0), (70, 0, 0, 0), (77, 255, 255), "#4DFFFF"),
    ((0, 230, 0, 0, 0, 0), (90, 0, 0, 0), (25, 255, 255), "#19FFFF"),
]


def python_reference(record):
    """The lookups written out in Python, for the whole byte range."""
    k, c, m, y, m100y100, m25y100 = record
    pct = lambda d: round(100.0 * d / 255.0)
    a, b = pct(m100y100), pct(m25y100)
    cmyk = (pct(c), min(100, round(100.0 * m / 255.0 + a + b * 0.25)),
            min(100, round(100.0 * y / 255.0 + a + b)), pct(k))
    cc, mm, yy, kk = (v / 100.0 for v in cmyk)
    rgb = tuple(max(min(round(255 * (1 - v) * (1 - kk)), 255), 0) for v in (cc, mm, yy))
    return cmyk, rgb, "#{:02X}{:02X}{:02X}".format(*rgb)


@pytest.fixture
def library(tmp_path):
    def make(records, tail=b""):
        return w.write(tmp_path / "Pcolor.lib", w.colour_library(records, tail=tail))
    return make


@pytest.mark.parametrize("record, cmyk, rgb, hexa", WORKED)
def test_worked_lookups(library, record, cmyk, rgb, hexa):
    lib = t.MapGisColorLib(library([record]))
    assert lib.CMYK(1) == cmyk
    assert lib.RGB(1) == rgb
    assert lib.HEX(1) == hexa
    assert python_reference(record) == (cmyk, rgb, hexa)


def test_every_density_matches_python(library):
    records = [(k, c, (k * 7) % 256, (c * 13) % 256, (k + c) % 256, (k * c) % 256)
               for k in range(0, 256, 5) for c in range(0, 256, 3)]
    lib = t.MapGisColorLib(library(records))
    for n, record in enumerate(records, 1):
        assert (lib.CMYK(n), lib.RGB(n), lib.HEX(n)) == python_reference(record), record


def test_attributes_and_bounds(library):
    path = library([(0, 0, 0, 0, 0, 255), (255, 0, 0, 0, 0, 0)], tail=b"\x01" * 5)
    lib = t.MapGisColorLib(path)
    assert lib.PcolorLibFile == path
    assert lib.count == 2
    assert lib._MapGisColorLib__ColorBuffer == open(path, "rb").read()[156:]
    assert lib.HEX(2) == "#000000"
    default = "#ffffff"
    for outside in (0, -1, 3, 2**70, -2**70):
        assert lib.HEX(outside, default) is default
        marker = (1, 2, 3)
        assert lib.RGB(outside, marker) is marker
        assert lib.CMYK(outside) == (0, 0, 0, 100)
    assert vars(lib)["subscribers"] == {}


@pytest.mark.parametrize("size, count", [(0, 0), (100, 0), (156, 0), (157, 0), (187, 0), (188, 1), (156 + 64 + 31, 2)])
def test_count_from_length(tmp_path, size, count):
    path = w.write(tmp_path / "lib", bytes(size))
    lib = t.MapGisColorLib(path)
    assert (lib.count, lib.PcolorLibFile) == (count, path)
    assert lib._MapGisColorLib__ColorBuffer == bytes(max(0, size - 156))


def test_no_library(tmp_path):
    lib = t.MapGisColorLib(str(tmp_path / "missing.lib"))
    assert (lib.count, lib.PcolorLibFile, lib._MapGisColorLib__ColorBuffer) == (0, None, None)
    assert lib.CMYK(1) == (0, 0, 0, 100)
    assert lib.RGB(1) == (0, 0, 0)
    assert lib.HEX(1) == "#000000"
    assert lib.HEX(7, "#FFFFFF") == "#FFFFFF"
    assert lib.RGB(7, (1, 2, 3)) == (1, 2, 3)


def test_a_folder_is_no_library(tmp_path):
    folder = tmp_path / "Pcolor.lib"
    folder.mkdir()
    lib = t.MapGisColorLib(str(folder))
    assert (lib.count, lib.PcolorLibFile) == (0, None)


def test_name_is_used_unchanged(tmp_path, monkeypatch):
    path = w.write(tmp_path / "x.lib", w.colour_library([(0, 0, 0, 0, 0, 0)]))
    monkeypatch.chdir(tmp_path)
    assert t.MapGisColorLib("x.lib").PcolorLibFile == "x.lib"
    assert t.MapGisColorLib(" x.lib ").PcolorLibFile is None
    w.write(tmp_path / " x.lib ", open(path, "rb").read())
    assert t.MapGisColorLib(" x.lib ").PcolorLibFile == " x.lib "


@pytest.mark.parametrize("call, message", [
    (lambda lib: lib.CMYK(True), "Argument 'index' has incorrect type (expected int, got bool)"),
    (lambda lib: lib.RGB(1, None), "Argument 'defaultColor' has incorrect type (expected tuple, got NoneType)"),
    (lambda lib: lib.RGB(1, [0, 0, 0]), "Argument 'defaultColor' has incorrect type (expected tuple, got list)"),
    (lambda lib: lib.HEX(1, None), "Argument 'defaultColor' has incorrect type (expected str, got NoneType)"),
    (lambda lib: t.MapGisColorLib(5), "Argument 'mapGisColorLib' has incorrect type (expected str, got int)"),
])
def test_type_errors(call, message):
    with pytest.raises(TypeError) as e:
        call(t.MapGisColorLib("/nonexistent/lib"))
    assert str(e.value) == message


# ---- the search for a blank name -----------------------------------------------

def place(base, records):
    folder = base / "MapGIS" / "Slib"
    folder.mkdir(parents=True)
    return w.write(folder / "Pcolor.lib", w.colour_library(records))


@pytest.fixture
def module_dir(tmp_path, monkeypatch):
    here = tmp_path / "module"
    here.mkdir()
    monkeypatch.setattr(t, "__file__", str(here / "tivenpy.so"))
    return here


@pytest.fixture
def root_dir(tmp_path, monkeypatch):
    root = tmp_path / "root"
    root.mkdir()
    monkeypatch.setattr(os, "sep", str(root))
    return root


@pytest.mark.parametrize("blank", [None, "", "   ", "\u3000\t"])
def test_search_beside_the_module_first(module_dir, root_dir, blank):
    first = place(module_dir, [(255, 0, 0, 0, 0, 0)])
    place(root_dir, [(0, 0, 0, 0, 0, 0)])
    lib = t.MapGisColorLib(blank)
    assert lib.PcolorLibFile == first
    assert lib.HEX(1) == "#000000"


def test_search_then_under_the_root(module_dir, root_dir):
    second = place(root_dir, [(0, 0, 0, 0, 0, 0)])
    lib = t.MapGisColorLib()
    assert lib.PcolorLibFile == second
    assert lib.HEX(1) == "#FFFFFF"


def test_search_resolves_links(tmp_path, monkeypatch):
    real = tmp_path / "real"
    real.mkdir()
    path = place(real, [(0, 0, 0, 0, 0, 0)])
    (tmp_path / "link").symlink_to(real)
    monkeypatch.setattr(t, "__file__", str(tmp_path / "link" / "tivenpy.so"))
    assert t.MapGisColorLib().PcolorLibFile == path


def test_a_folder_stops_the_search(module_dir, root_dir):
    (module_dir / "MapGIS" / "Slib" / "Pcolor.lib").mkdir(parents=True)
    place(root_dir, [(0, 0, 0, 0, 0, 0)])
    lib = t.MapGisColorLib()
    assert (lib.PcolorLibFile, lib.count) == (None, 0)


def test_search_finds_nothing(module_dir, root_dir):
    lib = t.MapGisColorLib()
    assert (lib.PcolorLibFile, lib.count) == (None, 0)


def test_defaults_are_made_once():
    lib = t.MapGisColorLib("/nonexistent/lib")
    assert lib.CMYK(0) is lib.CMYK(5) and lib.RGB(0) is lib.RGB(-1)
    assert lib.CMYK(0) == (0, 0, 0, 100) and lib.RGB(0) == (0, 0, 0)
    assert t.MapGisColorLib.HEX.__annotations__ == {"index": "int", "defaultColor": "str", "return": "Union[str, None]"}
