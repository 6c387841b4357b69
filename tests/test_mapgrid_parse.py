import pytest

import mapgrid_reference as ref
from src import tivenpy
from exactness import same

MapGrid = tivenpy.MapGrid
corner = MapGrid._MapGrid__corner1000000
TILDE = "\uff5e"


def bnd(n, s, w, e):
    return {"north": n, "south": s, "west": w, "east": e}


def answer(scale, b):
    return {"scale": scale, "boundary": b}


NEW_CODES = [
    ("J47", answer(1000000, bnd(40, 36, 96, 102))),
    ("J47B002002", answer(500000, bnd(38.0, 36.0, 99.0, 102.0))),
    ("J47C003004", answer(250000, bnd(38.0, 37.0, 100.5, 102.0))),
    ("J47D009011", answer(100000, bnd(37.333333333333336, 37.0, 101.0, 101.5))),
    ("J47E018021", answer(50000, bnd(37.166666666666664, 37.0, 101.0, 101.25))),
    ("J47F036041", answer(25000, bnd(37.083333333333336, 37.0, 101.0, 101.125))),
    ("J47G072081", answer(10000, bnd(37.041666666666664, 37.0, 101.0, 101.0625))),
    ("J47H144161", answer(5000, bnd(37.020833333333336, 37.0, 101.0, 101.03125))),
    ("J47I432481", answer(2000, bnd(37.00694444444444, 37.0, 101.0, 101.01041666666667))),
    ("J47J08640961", answer(1000, bnd(37.00347222222222, 37.0, 101.0, 101.00520833333333))),
    ("J47K17281921", answer(500, bnd(37.001736111111114, 37.0, 101.0, 101.00260416666667))),
    ("SJ47B001001", answer(500000, bnd(-36.0, -38.0, 96.0, 99.0))),
    ("J47D001001", answer(100000, bnd(40.0, 39.666666666666664, 96.0, 96.5))),
    ("J47D012012", answer(100000, bnd(36.333333333333336, 36.0, 101.5, 102.0))),
    ("J47I576576", answer(2000, bnd(36.00694444444444, 36.0, 101.98958333333333, 102.0))),
    ("J47K23042304", answer(500, bnd(36.001736111111114, 36.0, 101.99739583333333, 102.0))),
    ("W60K23042304", answer(500, bnd(88.00173611111111, 88.0, 179.99739583333334, 180.0))),
    ("SJ47", answer(1000000, bnd(-36, -40, 96, 102))),
    ("SJ-47", answer(1000000, bnd(-36, -40, 96, 102))),
    ("sj47", answer(1000000, bnd(-36, -40, 96, 102))),
    ("S47", answer(1000000, bnd(76, 72, 96, 102))),
    ("SS47", answer(1000000, bnd(-72, -76, 96, 102))),
    ("J50E001010", answer(50000, bnd(40.0, 39.833333333333336, 116.25, 116.5))),
    ("J50", answer(1000000, bnd(40, 36, 114, 120))),
]


@pytest.mark.parametrize("code,expected", NEW_CODES)
def test_new_style_codes(code, expected):
    same(MapGrid.parse(code), expected)


@pytest.mark.parametrize(
    "variant,code",
    [
        ("J-47", "J47"), ("j47", "J47"), (" j - 47 ", "J47"), ("N J 47", "J47"), ("\u3000J\u300047", "J47"),
        ("J-47B002002", "J47B002002"), ("j47b002002", "J47B002002"), ("J47 B 002 002", "J47B002002"),
        ("J47B\uff10\uff10\uff12\uff10\uff10\uff12", "J47B002002"), ("J47\u0131432481", "J47I432481"),
        ("xyz\nJ47", "J47"), ("J47\nB002002", "J47"), ("J47\nK-48", "K48"),
        ("\u017fJ47", "SJ47"),
        # old style
        ("J-47-D", "J47B002002"), ("J-47-[12]", "J47C003004"), ("J-47-107", "J47D009011"),
        ("J-47-107-C", "J47E018021"), ("J-47-107-C-3", "J47F036041"), ("J-47-107-(57)", "J47G072081"),
        ("J-47-107-(57)-c", "J47H144161"), ("J-47-107-(57)-c-7", "J47I432481"),
        ("J-47-107-(57)-c-7-3", "J47J08640961"), ("J-47-107-(57)-c-7-3-3", "J47K17281921"),
        ("J-47-A", "J47B001001"), ("J-47-[1]", "J47C001001"), ("J-47-1", "J47D001001"),
        ("J-47-144", "J47D012012"), ("J-47-1-(1)-a-9", "J47I003003"), ("J-47-1-(1)-a-9-4-4", "J47K00120012"),
        ("j-47-107-(57)-C-7-3-3", "J47K17281921"), ("J-47 - 107 - C", "J47E018021"),
        ("J47-107-C", "J47E018021"), ("J-47-[05]", "J47C002001"), ("J-47-107-c", "J47E018021"),
        ("J-47-107-(57)-c-7-3-3-xyz", "J47K17281921"), ("J-47-30", "J47D003006"),
        ("SJ-47-1", "SJ47D001001"), ("SJ-47-35-C", "SJ47E006021"),
        ("J-47-\uff11\uff10\uff17", "J47D009011"),
        # white space that str.isspace knows below 0x80
        ("\x1cj\x1f-\x0b47\x0c", "J47"), ("J47\x1cb\x1d002\x1e002\x1f", "J47B002002"),
        ("J-47\x0b-\x0c107\x1c", "J47D009011"), ("\rJ-47-107-(57)-C-7\x1d", "J47I432481"),
    ],
)
def test_writings_of_the_same_sheet(variant, code):
    same(MapGrid.parse(variant), MapGrid.parse(code))


@pytest.mark.parametrize(
    "code,expected",
    [
        ("J-47-(30)", answer(200000, bnd(37.33333333333333, 36.666666666666664, 101.0, 102.0))),
        ("SJ-47-(1)", answer(200000, bnd(-36.0, -36.666666666666664, 96.0, 97.0))),
        ("J-47-(01)", answer(200000, bnd(40.0, 39.333333333333336, 96.0, 97.0))),
    ],
)
def test_old_style_200000(code, expected):
    same(MapGrid.parse(code), expected)


def range_message(shown, upper):
    return f"[{shown}] should be between [1{TILDE}{upper}] in [code] parameter."


@pytest.mark.parametrize(
    "code,exc,message",
    [
        ("J61", Exception, "Unable to recognize [code] parameter."),
        ("J00", Exception, "Unable to recognize [code] parameter."),
        ("X47", Exception, "Unable to recognize [code] parameter."),
        ("", Exception, "Unable to recognize [code] parameter."),
        ("*J47", Exception, "Invalid [code] parameter."),
        ("S*J-47-107", Exception, "Invalid [code] parameter."),
        # new style, in the order of the checks
        ("J47B000002", Exception, "[000 002] should be greater than 0 in [code] parameter."),
        ("J47B003001", Exception, range_message("003", 2)),
        ("J47B001003", Exception, range_message("003", 2)),
        ("J47B003003", Exception, range_message("003", 2)),
        ("J47J23051000", Exception, range_message("2305", 2304)),
        ("J47K00012305", Exception, range_message("2305", 2304)),
        ("J47K00002305", Exception, "[0000 2305] should be greater than 0 in [code] parameter."),
        ("J47J11531000", Exception, range_message("1153", 1152)),
        ("J47\u212a00010001", Exception, "[\u212a] should be one of [BCDEFGHIJK] in [code] parameter."),
        ("J47\u0130001001", Exception, "[\u0130] should be one of [BCDEFGHIJK] in [code] parameter."),
        ("J47J086096", Exception, "Invalid [code] parameter."),
        ("J47B0020020", Exception, "Invalid [code] parameter."),
        ("J47-B002002", Exception, "Invalid [code] parameter."),
        ("J-47-B002002", Exception, "Invalid [code] parameter."),
        ("J475", Exception, "Invalid [code] parameter."),
        # old style
        ("J-47-[17]", Exception, range_message("17", 16)),
        ("J-47-[00]", Exception, range_message("00", 16)),
        ("J-47-(37)", Exception, range_message("37", 36)),
        ("J-47-(0)", Exception, range_message("0", 36)),
        ("J-47-145", Exception, range_message("145", 144)),
        ("J-47-000", Exception, range_message("000", 144)),
        ("J-47-107-(65)", Exception, range_message("65", 64)),
        ("J-47-107-(00)", Exception, range_message("00", 64)),
        ("J-47-145-X", Exception, range_message("145", 144)),
        ("J-47-107-(65)-X", Exception, range_message("65", 64)),
        (" J-47-107-C-5", Exception, range_message(" J-47-107-C-5", 4)),
        ("J-47-107-C-3-1", Exception, range_message("J-47-107-C-3-1", 4)),
        ("J-47-107-C-", Exception, range_message("J-47-107-C-", 4)),
        ("J-47-E", Exception, "Invalid [code] parameter."),
        ("J-47-D009011", Exception, "Invalid [code] parameter."),
        ("J-47-1075", Exception, "Invalid [code] parameter."),
        ("J-47-107-X", Exception, "Invalid [code] parameter."),
        ("J-47-107-(57)-e", Exception, "Invalid [code] parameter."),
        ("J-47-107-(57)-c-0", Exception, "Invalid [code] parameter."),
        ("J-47-107-(57)-c-7-5", Exception, "Invalid [code] parameter."),
        ("J-47-107-(57)-c-7-3-5", Exception, "Invalid [code] parameter."),
        ("J-47-107-(57)-c-7-3-", Exception, "Invalid [code] parameter."),
        ("J47\ud800", Exception, "Invalid [code] parameter."),
        # a row letter that matches only by case folding names no band
        ("\u212a47", Exception, "Invalid [code] parameter."),
        ("S\u212a-47-107", Exception, "Invalid [code] parameter."),
        ("\u013047", Exception, "Invalid [code] parameter."),
    ],
)
def test_errors(code, exc, message):
    with pytest.raises(exc) as info:
        MapGrid.parse(code)
    assert type(info.value) is exc
    assert info.value.args == (message,)


class Str(str):
    pass


@pytest.mark.parametrize(
    "call,message",
    [
        (lambda: MapGrid.parse(None), "Argument 'code' has incorrect type (expected str, got NoneType)"),
        (lambda: MapGrid.parse(b"J47"), "Argument 'code' has incorrect type (expected str, got bytes)"),
        (lambda: MapGrid.parse(47), "Argument 'code' has incorrect type (expected str, got int)"),
        (lambda: MapGrid.parse(Str("J47")), "Argument 'code' has incorrect type (expected str, got Str)"),
        (lambda: MapGrid.parse(), "parse() takes exactly 2 positional arguments (1 given)"),
        (lambda: MapGrid.parse("J47", "x"), "parse() takes exactly 2 positional arguments (3 given)"),
        (lambda: MapGrid.parse("J47", text="J47"), "parse() got an unexpected keyword argument 'text'"),
        (lambda: corner(None), "Argument 'code' has incorrect type (expected str, got NoneType)"),
    ],
)
def test_argument_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


@pytest.mark.parametrize(
    "code,expected",
    [
        ("J47", (96, 36)), ("SJ47", (96, -40)), ("j-47", (96, 36)), (" s j - 47 ", (96, -40)),
        ("N J 47", (96, 36)), ("\u3000J47", (96, 36)), ("A01", (-180, 0)), ("W60", (174, 88)),
        ("SW60", (174, -92)), ("S47", (96, 72)), ("SS47", (96, -76)), ("N47", (96, 52)), ("NS47", (96, 72)),
        ("J475", (96, 36)), ("J-47-107-C", (96, 36)), ("J47D009011", (96, 36)), ("xyz\nJ47", (96, 36)),
        ("NJ47", (96, 36)), ("\u0131-10", (-126, 32)), ("\x1cs\x1fj\x0b-\x0c47", (96, -40)),
    ],
)
def test_corner_lookup(code, expected):
    r = corner(code)
    assert list(r) == ["longitude", "latitude"]
    assert (r["longitude"], r["latitude"]) == expected
    assert all(type(v) is int for v in r.values())


@pytest.mark.parametrize("code", ["J61", "J7", "X47", "S-J47", "\u212a47", "S\u013047", "", "xyz"])
def test_corner_lookup_refuses(code):
    with pytest.raises(Exception) as info:
        corner(code)
    assert info.value.args == ("Invalid [code] parameter.",)


def test_the_class_answers_and_parse_is_a_class_method():
    assert MapGrid().parse("J47") == MapGrid.parse("J47")
    assert MapGrid.parse(code="J47") == MapGrid.parse("J47")
    assert MapGrid.parse.__annotations__ == {"code": "str", "return": "dict"}
    assert MapGrid.map.__annotations__ == {"longitude": "float", "latitude": "float", "scale": "int",
                                           "return": "dict"}
    assert corner.__self__ is MapGrid


class Listing(MapGrid):
    @classmethod
    def parse(cls, code):
        if code.startswith("N"):
            return ["read", code]
        return super().parse(code)


class Counting(MapGrid):
    seen = []

    @classmethod
    def parse(cls, code):
        cls.seen.append(code)
        return super().parse(code)


class Moved(MapGrid):
    @classmethod
    def _MapGrid__corner1000000(cls, code):
        return {"longitude": 0, "latitude": 0}


def test_old_codes_are_read_again_through_the_class():
    with pytest.raises(TypeError) as info:
        Listing.parse("J-47-D")
    assert str(info.value) == "Expected dict, got list"
    Counting.seen.clear()
    Counting.parse("J-47-107-(57)-c-7-3-3")
    assert Counting.seen == ["J-47-107-(57)-c-7-3-3", "NJ47K17281921"]
    Counting.seen.clear()
    Counting.parse("SJ-47-(1)")
    assert Counting.seen == ["SJ-47-(1)"]
    assert Moved.parse("J47") == answer(1000000, bnd(4, 0, 0, 6))
    assert Moved.parse("J47B001001") == answer(500000, bnd(4.0, 2.0, 0.0, 3.0))


@pytest.mark.parametrize("letter", "BCDEFGHIJK")
def test_new_codes_match_the_reference_arithmetic(letter):
    import random

    rnd = random.Random(ord(letter))
    n = {"B": 2, "C": 4, "D": 12, "E": 24, "F": 48, "G": 96, "H": 192, "I": 576, "J": 1152, "K": 2304}[letter]
    digits = 4 if letter in "JK" else 3
    for _ in range(500):
        hemi = rnd.choice(["", "S", "N"])
        band = rnd.randrange(23)
        col1m = rnd.randrange(1, 61)
        row, col = rnd.randrange(1, n + 1), rnd.randrange(1, n + 1)
        code = f"{hemi}{ref.MAPCODE[band]}{col1m:02d}{letter}{row:0{digits}d}{col:0{digits}d}"
        lon0 = (col1m - 1) * 6 - 180
        lat0 = -1 * (4 + band * 4) if hemi == "S" else band * 4
        same(MapGrid.parse(code)["boundary"], ref.new_code_boundary(lon0, lat0, letter, row, col))


def test_class_layout():
    names = [k for k in vars(MapGrid) if not k.startswith("__") or k == "__init__"]
    assert names == ["__init__", "_MapGrid__mapcode", "_MapGrid__mapword", "_MapGrid__mapword5000",
                     "_MapGrid__scalecode", "_MapGrid__corner1000000", "map", "parse", "grid"]
    assert MapGrid._MapGrid__mapcode == "ABCDEFGHIJKLMNOPQRSTUVW"
    assert MapGrid._MapGrid__mapword == "ABCD"
    assert MapGrid._MapGrid__mapword5000 == "abcd"
    assert MapGrid._MapGrid__scalecode == "BCDEFGHIJK"
    assert isinstance(vars(MapGrid)["_MapGrid__corner1000000"], classmethod)
    assert isinstance(vars(MapGrid)["grid"], staticmethod)
    assert corner.__annotations__ == {"code": "str", "return": "Union[dict, None]"}
    assert corner.__name__ == "__corner1000000"
    assert MapGrid.__mro__[1:] == (tivenpy.TivenBase, tivenpy.Messenger, object)
    assert MapGrid.__doc__.splitlines()[0] == "国际标准比例尺图幅分幅网格与编号类"
    obj = MapGrid()
    assert obj.subscribers == {}
    with pytest.raises(TypeError):
        MapGrid(1)


@pytest.mark.parametrize("code", ["J-47-107-C-5\ud800", "J-47-107-C-5\udcff", "J-47-107-C-5\x00tail", "J-47-107-A-\u0665"])
def test_quoted_code_is_kept_whole(code):
    with pytest.raises(Exception) as info:
        MapGrid.parse(code)
    assert type(info.value) is Exception
    assert info.value.args == (range_message(code, 4),)


# Each text is made from its length n: n blanks, n lines.
@pytest.mark.parametrize(
    "fn,make,expected",
    [
        (MapGrid.parse, lambda n: " " * n, "Unable to recognize [code] parameter."),
        (MapGrid.parse, lambda n: " " * n + "x", "Unable to recognize [code] parameter."),
        (MapGrid.parse, lambda n: "S" + " " * n + "x", "Unable to recognize [code] parameter."),
        (MapGrid.parse, lambda n: " " * n + "J47", answer(1000000, bnd(40, 36, 96, 102))),
        (MapGrid.parse, lambda n: "\u3000\n" * (n // 4) + "SJ" + " " * n + "-47", answer(1000000, bnd(-36, -40, 96, 102))),
        (corner, lambda n: " " * n + "x", "Invalid [code] parameter."),
        (corner, lambda n: "J" + " " * n + "x", "Invalid [code] parameter."),
        (corner, lambda n: "s" + " " * n + "j" + " " * n + "-" + " " * n + "47", {"longitude": 96, "latitude": -40}),
        # many lines: each line start is a place to try
        (MapGrid.parse, lambda n: "J47" + "\n" * n, answer(1000000, bnd(40, 36, 96, 102))),
        (MapGrid.parse, lambda n: "\n" * n + "J-47", answer(1000000, bnd(40, 36, 96, 102))),
        (MapGrid.parse, lambda n: "J\n" * (n // 2), "Unable to recognize [code] parameter."),
        (MapGrid.parse, lambda n: ("N" + "\n" * 50) * (n // 50), "Unable to recognize [code] parameter."),
        (corner, lambda n: "J\n" * (n // 2), "Invalid [code] parameter."),
        (corner, lambda n: "\n" * n + "SJ47", {"longitude": 96, "latitude": -40}),
    ],
)
def test_long_runs_of_blanks_are_read_in_linear_time(fn, make, expected, assert_linear):
    def read(text):
        try:
            return fn(text)
        except Exception as e:  # noqa: BLE001
            assert type(e) is Exception
            return e.args[0]

    # Timed first and shorter: a quadratic reader takes minutes on the long text.
    assert_linear(read, make, 64_000)
    assert read(make(200_000)) == expected


def test_multi_line_codes_are_read_as_the_first_matching_line():
    import random
    import re

    flags = re.IGNORECASE | re.MULTILINE
    pattern = r"^[\s]*([NS]?)[\s]*([A-W]{1})[\s]*[-]?[\s]*(([1-5][0-9])|(0[1-9])|(60))"
    hyphen = r"^\s*([NS]?)\s*(\*?[A-W]{1})\s*-\s*(([1-5][0-9])|(0[1-9])|(60))(.*)$"
    plain = r"^[\s]*([NS]?)[\s]*(\*?[A-W]{1})[\s]*(([1-5][0-9])|(0[1-9])|(60))(.*)$"
    tokens = [" ", "\n", "\n", "\u3000", "\t", "\r", "N", "S", "s", "J", "W", "*", "-", "47", "60", "61", "7", "x"]
    rnd = random.Random(47)
    for _ in range(5000):
        text = "".join(rnd.choice(tokens) for _ in range(rnd.randint(0, 14)))
        m = re.search(pattern, text, flags)
        if m is None:
            with pytest.raises(Exception, match=r"^Invalid \[code\] parameter\.$"):
                corner(text)
        else:
            g = m.groups()
            south = "ABCDEFGHIJKLMNOPQRSTUVW".index(g[1].upper()) * 4
            south = -1 * (4 + south) if g[0].upper() == "S" else south
            assert corner(text) == {"longitude": (int(g[2]) - 1) * 6 - 180, "latitude": south}, text
        m = re.search(hyphen, text, flags) or re.search(plain, text, flags)
        if m is None:
            with pytest.raises(Exception, match=r"^Unable to recognize \[code\] parameter\.$"):
                MapGrid.parse(text)
        else:
            g = m.groups()
            same_sheet = ("S" if g[0].upper() == "S" else "N") + g[1].upper() + g[2] + g[6]
            try:
                expected = MapGrid.parse(same_sheet)
            except Exception as e:  # noqa: BLE001
                with pytest.raises(type(e)):
                    MapGrid.parse(text)
            else:
                assert MapGrid.parse(text) == expected, text
