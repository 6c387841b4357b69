"""Polygon files: arc lists, chaining into rings, styles, ids and attributes."""

import json
import struct

import pytest

import mapgis_writer as mw
import mapgis_writer_shapes as ws
from mapgis_files import file_maker, open_fd_count
from src.tivenpy import MapGisColorLib, MapGisFile

F32_TENTH = struct.unpack("<f", struct.pack("<f", 0.1))[0]
POLYGON_STYLE_ITEMS = ["fillColor", "fillPattern", "patternHeight", "patternWidth", "lineWidth",
                       "patternColor", "layer", "transparent"]


@pytest.fixture
def make(tmp_path):
    """make(parts, **kw) -> MapGisFile of a new polygon file (no colour library)."""
    return file_maker(tmp_path, ws.polygon_file, "g", ".WP")


def rings_of(make, arcs, arc_lists):
    """arcs: {name: (vertices, start node, finish node)}; arc_lists: lists of
    names, '-name' for a backward arc, 0 for a separator. Returns the
    coordinates of each yielded feature."""
    parts = ws.PolygonParts()
    numbers = {name: parts.add_arc(v, s, f) for name, (v, s, f) in arcs.items()}

    def number(entry):
        if entry == 0:
            return 0
        if isinstance(entry, str) and entry.startswith("-"):
            return -numbers[entry[1:]]
        return numbers[entry]
    for lst in arc_lists:
        parts.add_polygon([number(e) for e in lst])
    return [f["geometry"]["coordinates"] for f in make(parts).getFeature()]


def pts(*xs):
    return [[float(x), float(y)] for x, y in xs]


# Arcs of a square (0,0)-(2,2) split at its corners, nodes 1..4 at the corners,
# and a hole triangle.
SQUARE = {
    "s": ([(0, 0), (2, 0)], 1, 2),
    "e": ([(2, 0), (2, 2)], 2, 3),
    "n": ([(2, 2), (0, 2)], 3, 4),
    "w": ([(0, 2), (0, 0)], 4, 1),
    "hole": ([(0.5, 0.5), (1, 1.5), (1.5, 0.5), (0.5, 0.5)], 7, 7),
    "free": ([(5, 5), (6, 5), (6, 6), (5, 5)], 0, 0),          # closed by coordinates
    "open": ([(5, 5), (6, 5), (6, 6)], 0, 0),
    "zeros": ([(0.0, 0.0), (1, 0), (-0.0, 0.0)], 0, 0),        # ends differ in the sign of zero
    "dup": ([(0, 0), (0, 0), (1, 0), (1, 0), (0, 0)], 5, 6),
}

RING_CASES = [
    # one arc: its vertices, reversed when backwards, whatever its nodes
    ("single", [["s"]], [[pts((0, 0), (2, 0))]]),
    ("single backwards", [["-s"]], [[pts((2, 0), (0, 0))]]),
    # chained end to end, later arcs without their first vertex
    ("square", [["s", "e", "n", "w"]],
     [[pts((0, 0), (2, 0), (2, 2), (0, 2), (0, 0))]]),
    ("backwards in the middle", [["s", "e", "-w", "n"]],
     # -w: nodes 1 -> 4 ; n: 3 -> 4 ends where -w ends: a repeat, dropped
     [[pts((0, 0), (2, 0), (2, 2), (0, 2))]]),
    ("same arc twice is dropped", [["s", "e", "e"]], [[pts((0, 0), (2, 0), (2, 2))]]),
    # separators make rings in order; a hole is just the next ring
    ("separator", [["s", "e", 0, "n", "w"]],
     [[pts((0, 0), (2, 0), (2, 2)), pts((2, 2), (0, 2), (0, 0))]]),
    ("polygon with hole", [["s", "e", "n", "w", 0, "hole"]],
     [[pts((0, 0), (2, 0), (2, 2), (0, 2), (0, 0)),
       pts((0.5, 0.5), (1, 1.5), (1.5, 0.5), (0.5, 0.5))]]),
    # first-arc fix: the first two arcs leave the same node: the first is turned
    ("first arc fix", [["-s", "e", "n", "w"]],
     # -s has nodes 2 -> 1 and e starts at 2: -s is turned back to 1 -> 2;
     # w ends at node 1 like -s did, so it was dropped as a repeat
     [[pts((0, 0), (2, 0), (2, 2), (0, 2))]]),
    # a node-closed arc after a closed chain closes it and stands as its own ring
    ("node-closed after closed chain", [["s", "e", "n", "w", "hole"]],
     [[pts((0, 0), (2, 0), (2, 2), (0, 2), (0, 0)),
       pts((0.5, 0.5), (1, 1.5), (1.5, 0.5), (0.5, 0.5))]]),
    # ... after an open chain it joins the chain
    ("node-closed after open chain", [["s", "hole"]],
     [[pts((0, 0), (2, 0), (1, 1.5), (1.5, 0.5), (0.5, 0.5))]]),
    # ... arriving first, it starts the chain
    ("node-closed first", [["hole", "s"]],
     [[pts((0.5, 0.5), (1, 1.5), (1.5, 0.5), (0.5, 0.5), (2, 0))]]),
    # an arc without nodes closed by coordinates closes the pending chain
    ("coordinate-closed", [["s", "free"]],
     [[pts((0, 0), (2, 0)), pts((5, 5), (6, 5), (6, 6), (5, 5))]]),
    ("coordinate-open joins", [["s", "open"]],
     [[pts((0, 0), (2, 0), (6, 5), (6, 6))]]),
    ("zero signs differ", [["s", "zeros"]],
     [[pts((0, 0), (2, 0), (1, 0), (-0.0, 0.0))]]),
    # consecutive duplicate vertices of an arc are dropped
    ("duplicates", [["dup"]], [[pts((0, 0), (1, 0), (0, 0))]]),
    # shared arcs between two polygons
    ("shared arc", [["s", "e", "n", "w"], ["-e", "hole"]],
     [[pts((0, 0), (2, 0), (2, 2), (0, 2), (0, 0))],
      [pts((2, 2), (2, 0), (1, 1.5), (1.5, 0.5), (0.5, 0.5))]]),
]


@pytest.mark.parametrize("name, lists, expected", RING_CASES, ids=[c[0] for c in RING_CASES])
def test_rings(make, name, lists, expected):
    got = rings_of(make, SQUARE, lists)
    assert json.dumps(got) == json.dumps(expected)  # also tells -0.0 from 0.0


def test_first_arc_fix_not_with_node_zero(make):
    arcs = {"a": ([(1, 0), (0, 0)], 0, 5), "b": ([(1, 0), (2, 0)], 0, 6)}
    assert rings_of(make, arcs, [["a", "b"]]) == [[pts((1, 0), (0, 0), (2, 0))]]


def test_only_first_arc_is_turned(make):
    arcs = {"a": ([(1, 0), (0, 0)], 1, 2), "b": ([(1, 0), (2, 0)], 1, 3),
            "c": ([(3, 0), (2, 0)], 4, 5)}
    assert rings_of(make, arcs, [["a", "b", "c"]]) == [[pts((0, 0), (1, 0), (2, 0), (2, 0))]]


def test_three_arcs_in_list_order(make):
    arcs = {"3": ([(0, 0), (1, 0)], 1, 2), "5": ([(2, 1), (1, 0)], 3, 2),
            "7": ([(2, 1), (0, 0)], 3, 1)}
    assert rings_of(make, arcs, [["3", "-5", "7"]]) == [[pts((0, 0), (1, 0), (2, 1), (0, 0))]]


def test_drop_judged_after_exchange(make):
    # b forwards ends at node 9 like a; backwards it ends at 8 and stays.
    arcs = {"a": ([(0, 0), (1, 0)], 1, 9), "b": ([(2, 0), (3, 0)], 8, 9)}
    assert rings_of(make, arcs, [["a", "b"]]) == [[pts((0, 0), (1, 0))]]
    assert rings_of(make, arcs, [["a", "-b"]]) == [[pts((0, 0), (1, 0), (2, 0))]]


# ---- arcs without vertices ---------------------------------------------------------

def test_empty_arcs(make):
    arcs = {"e": ([], 0, 0), "s": ([(0, 0), (1, 0)], 1, 2), "k": ([], 3, 3)}
    # never a coordinate-closed arc: it joins the chain and adds nothing
    assert rings_of(make, arcs, [["s", "e"]]) == [[pts((0, 0), (1, 0))]]
    # a polygon whose rings are all empty still yields them
    parts = ws.PolygonParts()
    e = parts.add_arc([], 0, 0)
    parts.add_polygon([e, 0, e])
    (f,) = make(parts).getFeature()
    assert f["geometry"] == {"type": "Polygon", "coordinates": [[], []]}
    # a node-closed empty arc closing a closed chain makes an empty ring
    arcs2 = {"s": ([(0, 0), (1, 0)], 1, 1), "k": ([], 3, 3)}
    assert rings_of(make, arcs2, [["s", "k"]]) == [[pts((0, 0), (1, 0)), []]]


# ---- records that yield nothing ------------------------------------------------------

def test_records_without_rings_take_no_id(make):
    fields = [mw.Field("n", 3)]
    parts = ws.PolygonParts()
    a = parts.add_arc([(0, 0), (1, 1)], 1, 2)
    parts.add_polygon([a], values=(100,))
    parts.add_polygon([], polylines=1, values=(101,))
    parts.add_polygon([], polylines=0, values=(102,))
    parts.add_polygon([a], polylines=-5, values=(103,))
    parts.add_polygon([0, 0, 0], values=(104,))
    parts.add_polygon([a], flag=0, values=(105,))
    parts.add_polygon([-a], values=(106,))
    got = list(make(parts, fields, valid_polygons=7).getFeature())
    assert [(f["id"], f["properties"]["n"]["value"]) for f in got] == [(0, 100), (1, 106)]
    assert got[1]["geometry"]["coordinates"] == [pts((1, 1), (0, 0))]


def test_style_and_key_order(make, tmp_path):
    lib = mw.write(tmp_path / "Pcolor.lib",
                   mw.colour_library([(0, 0, 0, 0, 0, 0), (0, 100, 0, 0, 0, 0)]))
    parts = ws.PolygonParts()
    a = parts.add_arc([(0, 0), (1, 0), (0, 1), (0, 0)], 1, 1)
    parts.add_polygon([a], fill_color=2, fill_pattern=-3, pattern_height=0.1, pattern_width=2.5,
                      line_width=4, pattern_color=77, transparent=1, layer=-2)
    m = make(parts, colours=lib)
    assert m.StyleItems is None
    (f,) = m.getFeature()
    assert m.StyleItems == POLYGON_STYLE_ITEMS
    assert list(f) == ["type", "id", "geometry", "style", "properties", "timeStamp"]
    assert list(f["geometry"]) == ["type", "coordinates"]
    assert f["style"] == {"fillColor": MapGisColorLib(lib).HEX(2, "#FFFFFF"), "fillPattern": -3,
                          "patternHeight": F32_TENTH, "patternWidth": 2.5, "lineWidth": 4,
                          "patternColor": "#FFFFFF", "layer": -2, "transparent": 1}
    assert list(f["style"]) == POLYGON_STYLE_ITEMS
    assert f["timeStamp"] == m.TimeStamp


def test_default_colours_without_library(make):
    parts = ws.PolygonParts()
    a = parts.add_arc([(0, 0), (1, 0)])
    parts.add_polygon([a])
    (f,) = make(parts).getFeature()
    assert f["style"]["fillColor"] == f["style"]["patternColor"] == "#FFFFFF"


def test_style_items_set_without_valid_record(make):
    parts = ws.PolygonParts()
    parts.add_polygon([], polylines=0)
    m = make(parts, valid_polygons=1)
    assert list(m.getFeature()) == []
    assert m.StyleItems == POLYGON_STYLE_ITEMS


def test_first_entry_of_arc_list_is_not_read(make):
    parts = ws.PolygonParts()
    a = parts.add_arc([(0, 0), (1, 0)], 1, 2)
    parts.add_polygon([a], first_entry=-999999)
    (f,) = make(parts).getFeature()
    assert f["geometry"]["coordinates"] == [pts((0, 0), (1, 0))]


# ---- corrupt files -----------------------------------------------------------------------

def corrupt_cases():
    yield "arc past section end", lambda p, a: p.add_polygon([a, 10**6]), struct.error
    yield "arc INT32_MIN", lambda p, a: p.add_polygon([a, -2**31]), struct.error
    yield "arc list past end", lambda p, a: p.add_polygon([a], polylines=2**31 - 1), struct.error
    yield "arc list negative", lambda p, a: p.add_raw_polygon(ws.polygon_slot(3, -10**6)), \
        OSError


@pytest.mark.parametrize("name, spoil, error", list(corrupt_cases()),
                         ids=[c[0] for c in corrupt_cases()])
def test_corrupt_polygon_raises_and_closes(make, name, spoil, error):
    parts = ws.PolygonParts()
    a = parts.add_arc([(0, 0), (1, 0)], 1, 2)
    parts.add_polygon([a])
    spoil(parts, a)
    m = make(parts)
    before = open_fd_count()
    g = m.getFeature()
    assert next(g)["id"] == 0
    with pytest.raises(error):
        next(g)
    assert open_fd_count() == before
    assert list(g) == []


def test_arc_vertices_negative_position(make):
    parts = ws.PolygonParts()
    a = parts.add_arc([(0, 0), (1, 0)], 1, 2)
    parts.arcs[a] = ws.arc_line_slot(2, -10**9)
    parts.add_polygon([a])
    with pytest.raises(OSError):
        list(make(parts).getFeature())


def test_truncated_vertex_pair(make):
    parts = ws.PolygonParts()
    a = parts.add_arc([(0, 0), (1, 0)], 1, 2)
    parts.arcs[a] = ws.arc_line_slot(2**31 - 1, 8)
    parts.add_polygon([a])
    with pytest.raises(struct.error, match="16 bytes"):
        list(make(parts).getFeature())


def test_close_early_closes_file(make):
    parts = ws.PolygonParts()
    a = parts.add_arc([(0, 0), (1, 0)], 1, 2)
    for _ in range(3):
        parts.add_polygon([a])
    m = make(parts)
    before = open_fd_count()
    g = m.getFeature()
    first = next(g)
    assert open_fd_count() == before + 1
    g.close()
    assert open_fd_count() == before
    assert [f["id"] for f in m.getFeature()] == [0, 1, 2]
    assert first["id"] == 0


def test_export_exact_text(make, tmp_path):
    fields = [mw.Field("地类", 0, size=8), mw.Field("面积", 4, digits=1)]
    parts = ws.PolygonParts()
    a = parts.add_arc([(0, 0), (1, 0), (1, 1)], 1, 2)
    b = parts.add_arc([(0, 0), (1, 1)], 1, 2)
    parts.add_polygon([a, -b], values=("林地", 0.25), fill_color=3, pattern_height=0.5)
    parts.add_polygon([], polylines=1, values=("空", 0.0))
    m = make(parts, fields)
    target = tmp_path / "out.json"
    m.saveAsGeoJson(str(target))
    head = json.dumps(m.getCapabilities(), ensure_ascii=False)[1:-1]
    expected = (
        '{' + head + ',"features":['
        '{"type": "Feature", "id": 0, "geometry": {"type": "Polygon", "coordinates": '
        '[[[0.0, 0.0], [1.0, 0.0], [1.0, 1.0], [0.0, 0.0]]]}, "style": {"fillColor": "#FFFFFF", '
        '"fillPattern": 0, "patternHeight": 0.5, "patternWidth": 1.0, "lineWidth": 0, '
        '"patternColor": "#FFFFFF", "layer": 0, "transparent": 0}, '
        '"properties": {"地类": "林地", "面积": 0.2}, "timeStamp": ' + json.dumps(m.TimeStamp) + '}]}'
    )
    assert target.read_text(encoding="utf-8") == expected
    assert '"fileType": "Polygon"' in head


def test_repeated_arcs_are_bounded(make):
    parts = ws.PolygonParts()
    a = parts.add_arc([(float(k), 0.0) for k in range(2000)], 0, 0)
    parts.add_polygon([a, 0, -a])                  # twice: fine
    parts.add_polygon([a, 0] * 40)                 # forty times the arc: refused
    g = make(parts).getFeature()
    assert [len(r) for r in next(g)["geometry"]["coordinates"]] == [2000, 2000]
    with pytest.raises(ValueError, match="repeat more vertices than the file holds"):
        next(g)


# ---- against a plain reading of the chaining rules ------------------------------------

def reference_rings(arcs, arc_list):
    """The chaining rules written out plainly; arcs: {n: (S, F, vertices)}."""
    def coordinates(vertices):
        out, before = [], None
        for x, y in vertices:
            text = "{} {}".format(x, y)
            if before is not None and text == before:
                continue
            out.append([x, y])
            before = text
        return out

    rings, chain = [], []
    for p in range(len(arc_list) + 1):
        closing = None
        a = arc_list[p] if p < len(arc_list) else 0
        if a != 0:
            s, f, v = arcs[abs(a)]
            v = coordinates(v)
            if a < 0:
                v.reverse()
                s, f = f, s
            if not chain:
                chain.append([s, v, f])
                continue
            if s != f:
                if not any(e[2] == f for e in chain):
                    chain.append([s, v, f])
                continue
            if s * f == 0:
                if not v or str(v[0]) != str(v[-1]):
                    chain.append([s, v, f])
                    continue
            elif chain[0][0] != chain[-1][2]:
                chain.append([s, v, f])
                continue
            closing = v
        if chain:
            if len(chain) >= 2 and chain[0][0] == chain[1][0] and chain[0][0] != 0:
                chain[0][1].reverse()
                chain[0][0], chain[0][2] = chain[0][2], chain[0][0]
            joined = []
            for e in chain:
                joined.extend(e[1][1:] if joined else e[1])
            rings.append(joined)
        if closing is not None:
            rings.append(closing)
        chain = []
    return rings


@pytest.mark.parametrize("seed", range(6))
def test_rings_match_the_rules(make, seed):
    import random
    rng = random.Random(seed)
    coords = [0.0, -0.0, 1.0, 2.0, float("nan")]
    parts = ws.PolygonParts()
    arcs = {}
    for _ in range(12):
        v = [(rng.choice(coords), rng.choice(coords)) for _ in range(rng.randrange(0, 5))]
        if v and rng.random() < 0.3:
            v.append(v[0])  # closed by coordinates
        s, f = rng.randrange(4), rng.randrange(4)
        if rng.random() < 0.3:
            f = s
        arcs[parts.add_arc(v, s, f)] = (s, f, v)
    lists = []
    for _ in range(200):
        lst = [rng.choice([0, 1, -1]) * rng.randrange(1, 13) for _ in range(rng.randrange(0, 8))]
        parts.add_polygon(lst)
        lists.append(lst)
    expected = [r for r in (reference_rings(arcs, lst) for lst in lists) if r]
    got = [f["geometry"]["coordinates"] for f in make(parts).getFeature()]
    assert json.dumps(got) == json.dumps(expected)
