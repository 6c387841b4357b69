"""Geometry.loads of nested lists and dictionaries, and the normalisation of coordinates."""
import collections
import json
import os
import subprocess
import sys
import textwrap

import pytest

from src.tivenpy import Geometry

DIM = "Invalid [coordinates] parameter. Dimension should be greater than 1."
FEWER1 = "Invalid [coordinates] parameter. The number of vertices should be greater than 1."
FEWER2 = "Invalid [coordinates] parameter. The number of vertices should be greater than 2."
SHOULD_LIST = "Invalid type in [coordinates] parameter. Should be [list]"


def raises_exactly(exc_type, message, fn, *args):
    with pytest.raises(exc_type) as info:
        fn(*args)
    assert type(info.value) is exc_type
    assert str(info.value) == message


@pytest.mark.parametrize(
    "value, code, expected",
    [
        ([120, 38], -1, {"type": "Point", "coordinates": [120.0, 38.0]}),
        ([120, 38], None, {"type": "Point", "coordinates": [120.0, 38.0]}),
        ([120, 38], 0, {"type": "Point", "coordinates": [120.0, 38.0]}),
        ([120, "38.5", 12, "m"], 0, {"type": "Point", "coordinates": [120.0, 38.5, 12, "m"]}),
        ([[1, 2], [3, 4]], 0, {"type": "MultiPoint", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
        ([[1, 2], [3, 4]], 1, {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
        ([[1, 2], [3, 4]], -1, {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
        ([[[1, 2], [3, 4]]], 1, {"type": "MultiLineString", "coordinates": [[[1.0, 2.0], [3.0, 4.0]]]}),
        ([[[0, 0], [4, 0], [4, 3]]], 2, {"type": "Polygon", "coordinates": [[[0.0, 0.0], [4.0, 0.0], [4.0, 3.0], [0.0, 0.0]]]}),
        ([[[[0, 0], [4, 0], [4, 3]]]], -1,
         {"type": "MultiPolygon", "coordinates": [[[[0.0, 0.0], [4.0, 0.0], [4.0, 3.0], [0.0, 0.0]]]]}),
        ([[0, 0], [0, 0], [1, 1], [1, 1], [0, 0]], -1, {"type": "LineString", "coordinates": [[0.0, 0.0], [1.0, 1.0], [0.0, 0.0]]}),
        ([[0, 0], [0.0, 0.0], [1, 1]], -1, {"type": "LineString", "coordinates": [[0.0, 0.0], [0.0, 0.0], [1.0, 1.0]]}),
        ([[5, 5], [5, 5], [5, 5], [6, 6]], -1, {"type": "LineString", "coordinates": [[5.0, 5.0], [6.0, 6.0]]}),
        ([[0.0, 0.0], [-0.0, 0.0]], -1, {"type": "LineString", "coordinates": [[0.0, 0.0], [-0.0, 0.0]]}),
        ([[1, 2, 3], [1, 2, 4], [5, 6]], -1, {"type": "LineString", "coordinates": [[1.0, 2.0, 3], [5.0, 6.0]]}),
        ([[[0, 0], [4, 0], [4, 3], [0.0, 0.0]]], -1,
         {"type": "Polygon", "coordinates": [[[0.0, 0.0], [4.0, 0.0], [4.0, 3.0], [0.0, 0.0], [0.0, 0.0]]]}),
        ([[[0, 0], [4, 0], [0, 0]]], -1, {"type": "Polygon", "coordinates": [[[0.0, 0.0], [4.0, 0.0], [0.0, 0.0]]]}),
        ([[[0, 0, 1], [4, 0], [4, 3], [0, 0, 2]]], -1,
         {"type": "Polygon", "coordinates": [[[0.0, 0.0, 1], [4.0, 0.0], [4.0, 3.0], [0.0, 0.0, 2], [0.0, 0.0, 1]]]}),
        ([[1, 2], [1, 2]], 0, {"type": "MultiPoint", "coordinates": [[1.0, 2.0], [1.0, 2.0]]}),
        ([[float("nan"), 1], [float("nan"), 1], [2, 2]], -1, None),
        ([[2**80, 1], [2**80, 1], [3, 3]], -1, {"type": "LineString", "coordinates": [[float(2**80), 1.0], [3.0, 3.0]]}),
        ([True, b"2.5"], -1, {"type": "Point", "coordinates": [1.0, 2.5]}),
        ([" 1e3 ", "inf"], -1, {"type": "Point", "coordinates": [1000.0, float("inf")]}),
    ],
)
def test_lists(value, code, expected):
    result = Geometry.loads(value, code)
    if expected is None:  # NaN vertices: one repeat dropped
        assert len(result["coordinates"]) == 2
        return
    assert result == expected
    assert list(result) == list(expected)
    assert result["coordinates"] is value  # normalised in place


@pytest.mark.parametrize(
    "value, code, exc_type, message",
    [
        ([120], 0, Exception, DIM),
        ([120, 38], 1, Exception, "[1] should be one of [-1,0] in [code] parameter."),
        ([[1, 2], [3, 4]], 2, Exception, "[2] should be one of [-1,0,1] in [code] parameter."),
        ([[1, 2], [3, 4]], None, Exception, "[None] should be one of [-1,0,1] in [code] parameter."),
        ([[[1, 2], [3, 4]]], 0, Exception, "[0] should be one of [-1,1,2] in [code] parameter."),
        ([[[1, 2], [3, 4]]], None, Exception, "[None] should be one of [-1,1,2] in [code] parameter."),
        ([[[[[1, 2]]]]], -1, Exception, "Invalid [coordinates] parameter."),
        ([[[[0, 0], [1, 0], [1, 1]]]], 1, Exception, "[1] should be one of [-1,2] in [code] parameter."),
        ([[[1, 2], [3, 4]]], 12345678901234567890123,
         Exception, "[12345678901234567890123] should be one of [-1,1,2] in [code] parameter."),
        ([], -1, IndexError, "list index out of range"),
        ([[]], -1, IndexError, "list index out of range"),
        ([[1, 2, 3], [1, 2, 4]], -1, Exception, FEWER1),
        ([[[0, 0], [4, 0]]], -1, Exception, FEWER2),
        ([[[0, 0], [4, 0], [4, 0], [4, 0]]], -1, Exception, FEWER2),
        ([[1, 2], (3, 4)], -1, Exception, DIM),
        ([[1, 2], 5], -1, TypeError, "'int' object is unsliceable"),
        ([[1, 2], [3]], -1, Exception, DIM),
        ([[1, 2], ["a", 4]], -1, ValueError, "could not convert string to float: 'a'"),
        ([[1, 2], [None, 4]], -1, TypeError, "float() argument must be a string or a real number, not 'NoneType'"),
    ],
)
def test_list_errors(value, code, exc_type, message):
    raises_exactly(exc_type, message, Geometry.loads, value, code)


def test_changes_stay_after_failure():
    line = [[1, 2], [3, 4], [3, 4], ["x", 0]]
    with pytest.raises(ValueError):
        Geometry.loads(line)
    assert line == [[1.0, 2.0], [3.0, 4.0], ["x", 0]]
    vertex = [120]
    raises_exactly(Exception, DIM, Geometry.loads, {"type": "Point", "coordinates": vertex})
    assert vertex == [120.0] and type(vertex[0]) is float
    polys = [[[[0, 0], [4, 0], [4, 3], [0, 0]]], ([[1, 1], [2, 1], [1, 2]],)]
    raises_exactly(Exception, SHOULD_LIST, Geometry.loads, {"type": "MultiPolygon", "coordinates": polys})
    assert polys[0] == [[[0.0, 0.0], [4.0, 0.0], [4.0, 3.0], [0.0, 0.0]]]


def test_ring_closed_by_its_first_vertex():
    ring = [[0, 0], [4, 0], [4, 3]]
    result = Geometry.loads([ring])
    assert ring[0] is ring[-1] and len(ring) == 4
    assert result["coordinates"][0] is ring


class LoudRepr:
    def __init__(self, seen):
        self.seen = seen

    def __repr__(self):
        self.seen.append(1)
        return "loud"


def test_ring_closure_reads_the_text_of_a_shared_vertex():
    # The first and last vertex are one object: their texts are still made,
    # as the comparison by text makes them.
    v = [0, 0, 10**5000]
    with pytest.raises(ValueError, match="Exceeds the limit"):
        Geometry.loads({"type": "Polygon", "coordinates": [[v, [1, 1], [2, 2], v]]})
    seen = []
    v = [0, 0, LoudRepr(seen)]
    Geometry.loads({"type": "Polygon", "coordinates": [[v, [1, 1], [2, 2], v]]})
    assert seen == [1, 1]


def test_large_line_compacts_in_place():
    line = [[i // 3, 0] for i in range(30000)]
    result = Geometry.loads(line)
    assert result["coordinates"] is line
    assert line == [[float(i), 0.0] for i in range(10000)]


@pytest.mark.parametrize(
    "value, code, expected",
    [
        ({"coordinates": [[1, 2], [3, 4]]}, -1, {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
        ({"type": None, "coordinates": [[1, 2], [3, 4]]}, -1, {"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
        ({"coordinates": [[1, 2], [3, 4]], "type": "MultiPoint", "bbox": [0]}, 0,
         {"type": "MultiPoint", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}),
        ({"type": "MultiPolygon", "coordinates": [[]]}, 2, {"type": "MultiPolygon", "coordinates": [[]]}),
        ({"type": "Polygon", "coordinates": []}, None, {"type": "Polygon", "coordinates": []}),
        ({"type": "Polygon", "coordinates": [([0, 0], [1, 0], [0, 1], [0, 0])]}, -1,
         {"type": "Polygon", "coordinates": [([0.0, 0.0], [1.0, 0.0], [0.0, 1.0], [0.0, 0.0])]}),
        ({"geometries": []}, 5, {"type": "GeometryCollection", "geometries": []}),
        ({"type": "GeometryCollection", "geometries": [{"type": "LineString", "coordinates": [[1, 2], [3, 4]]}]}, 0,
         {"type": "GeometryCollection", "geometries": [{"type": "LineString", "coordinates": [[1.0, 2.0], [3.0, 4.0]]}]}),
    ],
)
def test_dicts(value, code, expected):
    before = list(value)
    result = Geometry.loads(value, code)
    assert result == expected and list(result) == list(expected)
    assert list(value) == before  # the caller's dictionary keeps its keys


@pytest.mark.parametrize(
    "value, exc_type, message",
    [
        ({}, Exception, 'Invalid [coordinates] parameter. ["coordinates/geometries" not found]'),
        ({"type": "GeometryCollection", "coordinates": [1, 2]}, Exception, "Invalid parameter."),
        ({"type": "point", "coordinates": [1, 2]}, Exception, "Invalid parameter."),
        ({"type": 5, "coordinates": [1, 2]}, Exception, "Invalid parameter."),
        ({"type": "Point", "coordinates": (1, 2)}, Exception, SHOULD_LIST),
        ({"type": "Point", "coordinates": [[1, 2], [3, 4]]}, TypeError,
         "float() argument must be a string or a real number, not 'list'"),
        ({"geometries": [[1, 2]]}, Exception, "Invalid type in [coordinates] parameter. Should be [dict]"),
        ({"geometries": (1,)}, Exception, SHOULD_LIST),
        ({"geometries": [collections.OrderedDict(type="Point", coordinates=[1, 2])]}, Exception,
         "[OrderedDict] is not a valid type in [coordinates] parameter."),
        ({"type": "Polygon", "coordinates": [{"a": 1}]}, KeyError, "0"),
    ],
)
def test_dict_errors(value, exc_type, message):
    with pytest.raises(exc_type) as info:
        Geometry.loads(value)
    assert type(info.value) is exc_type
    assert str(info.value) == message if exc_type is not KeyError else info.value.args == (0,)


@pytest.mark.parametrize("text, name", [('{"type": "Point"}', "NoneType"), ('{"type": "Point", "coordinates": [5]}', None)])
def test_point_coordinates_must_be_a_list(text, name):
    if name is None:
        raises_exactly(Exception, DIM, Geometry.loads, text)
    else:
        raises_exactly(TypeError, f"Expected list, got {name}", Geometry.loads, text)


class Point:
    pass


class MyList(list):
    pass


@pytest.mark.parametrize(
    "value, name",
    [(None, "NoneType"), ((1, 2), "tuple"), (b"0101", "bytes"), (MyList([1, 2]), "MyList"), (Point(), "Point"), (1.5, "float")],
)
def test_other_types(value, name):
    raises_exactly(Exception, f"[{name}] is not a valid type in [coordinates] parameter.", Geometry.loads, value)


@pytest.mark.parametrize("code", [True, 1.0, "1"])
def test_code_type(code):
    with pytest.raises(TypeError, match="Argument 'code' has incorrect type"):
        Geometry.loads("1 2", code)


def test_subclass_override_used_for_members():
    calls = []

    class Tracing(Geometry):
        @classmethod
        def loads(cls, coordinates, code=-1):
            calls.append(coordinates)
            return super().loads(coordinates, code)

    Tracing.loads("GEOMETRYCOLLECTION (POINT (1 2),LINESTRING (1 2,3 4))")
    assert calls[1:] == ["POINT (1 2)", "LINESTRING (1 2,3 4)"]
    assert Tracing.toWkt([1, 2]) == "POINT (1.0 2.0)"
    assert calls[-1] == [1.0, 2.0]


def test_nested_result_must_be_dict():
    class Odd(Geometry):
        @classmethod
        def loads(cls, coordinates, code=-1):
            if isinstance(coordinates, list):
                return 5
            return super().loads(coordinates, code)

    with pytest.raises(TypeError, match="^Expected dict, got int$"):
        Odd.loads("[[1, 2], [3, 4]]")


def test_deep_collections():
    g = {"type": "Point", "coordinates": [1, 2]}
    for _ in range(50):
        g = {"type": "GeometryCollection", "geometries": [g]}
    assert Geometry.loads(g)["type"] == "GeometryCollection"
    for _ in range(100000):
        g = {"type": "GeometryCollection", "geometries": [g]}
    with pytest.raises(RecursionError):
        Geometry.loads(g)


# Deep walks at a recursion limit far above what the C stack holds, also on
# small thread stacks: the main thread's answer or RecursionError, never a
# crash. A child interpreter, so that a crash fails the test instead of the
# session.
DEEP_CHILD = textwrap.dedent(r'''
    import functools, itertools, json, sys, threading
    sys.path.insert(0, {root!r})
    from src.tivenpy import Geometry, Messenger, Projection
    sys.setrecursionlimit(int(sys.argv[3]))
    def collection_of(d, g={{"type": "Point", "coordinates": [1.0, 2.0]}}):
        for _ in range(d):
            g = {{"type": "GeometryCollection", "geometries": [g]}}
        return g

    def point_of(d):
        c = [1.0, 2.0]
        for _ in range(d):
            c = [c]
        return {{"type": "Point", "coordinates": c}}

    collection = collection_of(100000)
    point = point_of(100000)
    wkt = "GEOMETRYCOLLECTION (" * 100000 + "POINT (1 2)" + ")" * 100000

    def lists_text(d):
        return "[" * d + "1,2" + "]" * d

    ESCAPED_POINT = '{{"x\\t": 0, "type": "Point", "coordinates": [1, 2]}}'

    def nest(d, x=1.0, wrap=lambda x: [x]):
        for _ in range(d):
            x = wrap(x)
        return x

    deep = nest(3001)

    # A value the interpreter writes: a Point's member, a vertex compared by repr.
    def member(m):
        return {{"type": "Point", "coordinates": [1.0, 2.0, m]}}

    def vertex(v):
        return {{"type": "LineString", "coordinates": [[v, 0], [1, 2]]}}

    def vertex_at_the_bottom():
        # a vertex whose repr the comparison needs, 7,500 collections down
        return collection_of(7500, vertex(nest(999, [1.0, 2.0])))

    def count_given_back(call):
        # After refusals at the bottom of a deep walk, the interpreter's own
        # count holds its whole depth again.
        for _ in range(3):
            try:
                call()
            except RecursionError:
                pass
        return json.loads("[" * 9900 + "]" * 9900)

    # Values whose repr is the caller's own: it hides what they hold, or
    # their __iter__ frees what holds them, never ends or raises.
    class Shown(list):
        def __repr__(self):
            return "L"

    def doubled(n):
        x = [1]
        for _ in range(n):
            x = [x, x]
        return x

    def key_freed_by_iter():
        d = {{}}
        class S(frozenset):
            def __iter__(self):
                d.clear()
                return iter(())
        d[S()] = [[1], [2]]
        return [d]

    def member_freed_by_iter():
        class S(set):
            def __iter__(self):
                outer.clear()
                return iter(())
        outer = [S([1])]
        return outer

    def set_iterating(it):
        class S(set):
            __iter__ = it
            def __repr__(self):
                return "S"
        return [S([1])]

    def raising(_):
        raise ValueError("iterated")

    def collection_text(d, point='{{"type": "Point", "coordinates": [1, 2]}}'):
        head = '{{"type": "GeometryCollection", "geometries": ['
        return head * d + point + "]}}" * d

    def digest(value):
        # The shape and scalars of a result of any depth, walked without recursing.
        parts, todo = [], [value]
        while todo:
            v = todo.pop()
            if isinstance(v, (list, tuple, dict)):
                parts.append(type(v).__name__ + str(len(v)))
                todo.extend(v.items() if isinstance(v, dict) else v)
            else:
                parts.append(repr(v))
        return hash(tuple(parts))

    def run():
        try:
            print("returned", digest(eval(sys.argv[1])))
        except RecursionError as e:
            print(e)
        except Exception as e:
            print(type(e).__name__, e)

    stack = int(sys.argv[2])
    if stack:
        run()
        threading.stack_size(stack * 1024)
        t = threading.Thread(target=run)
        t.start()
        t.join()
    else:
        run()
''')


# Built and dropped in the thread: the interpreter's own deallocator dies on
# deeper values in these stacks.
SMALL_STACK_VALUES = [("collection_of(50)", 32), ("point_of(100)", 32),
                      ("collection_of(500)", 64), ("point_of(200)", 64)]

# stack: KiB of the thread's stack, 0 for the main thread only; expected None:
# the main thread's answer, or RecursionError; SAME: the main thread's answer.
SAME = "same"

# Values the interpreter writes for us at the bottom of our own walks or on a
# small stack, each one that plain str or repr writes in that thread: its
# count is bound to the stack left, so it refuses instead of overflowing.
# (call, stack, recursion limit)
INTERPRETER_AT_THE_BOTTOM = [
    ("Geometry.loads(vertex_at_the_bottom())", 0, 10 ** 6),
    ("Geometry.loads(vertex_at_the_bottom())", 0, 1000),
    # a sanitizer build's own levels are wide, and its headers give a smaller count than the interpreter does
    ("Geometry.loads(collection_of(900, vertex(nest(9000, 1, lambda x: functools.partial(print, x)))))", 0, 1000),
    ("Geometry.toWkt(collection_of(16, member(nest(60))))", 32, 1000),
    ("Geometry.toWkt(member(nest(170)))", 32, 1000),
    ("Geometry.loads(vertex(nest(180)))", 32, 1000),
    ("Projection.angle(deg=nest(180))", 32, 1000),
    ("Messenger().subscribe('k', nest(180))", 32, 1000),
    ("Geometry.toWkt(member(nest(400)))", 64, 10 ** 6),
    ("Geometry.loads(vertex(nest(405)))", 64, 10 ** 6),
    ("Geometry.toWkt(collection_of(16, member(nest(1700))))", 256, 10 ** 6),
    ("Geometry.loads(collection_of(16, vertex(nest(1700))))", 256, 10 ** 6),
    ("Geometry.toWkt(collection_of(16, member(nest(7150))))", 1024, 10 ** 6),
    ("Geometry.loads(collection_of(16, vertex(nest(7150))))", 1024, 10 ** 6),
]


@pytest.mark.parametrize(
    "call, stack, expected, limit",
    [(call, stack, expected, 10 ** 6) for call, stack, expected in [
        ("count_given_back(lambda: Geometry.loads(vertex_at_the_bottom()))", 0, "returned"),
        ("Geometry.getXY(collection)", 0, "maximum recursion depth exceeded while listing vertices"),
        ("Geometry.loads(collection)", 0, "maximum recursion depth exceeded while loading a geometry"),
        ("Geometry.toWkt(collection)", 0, "maximum recursion depth exceeded while writing WKT"),
        ("Geometry.swapXY(collection)", 0, "maximum recursion depth exceeded while swapping axes"),
        ("Geometry.dumps(collection)", 0, "maximum recursion depth exceeded while encoding a JSON object"),
        ("Geometry.dumps(point)", 0, "maximum recursion depth exceeded while encoding a JSON object"),
        ("Geometry.loads(wkt)", 0, "returned"),
        ("Geometry.getXY(collection)", 256, "maximum recursion depth exceeded while listing vertices"),
        ("Geometry.dumps(point)", 256, "maximum recursion depth exceeded while encoding a JSON object"),
        ("Geometry.loads(lists_text(150))", 32, None),
        ("Geometry.loads(lists_text(150))", 1024, None),
        ("Geometry.loads(lists_text(2000))", 1024, None),
        ("Geometry.loads(collection_text(100))", 32, None),
        ("Geometry.loads(collection_text(250))", 64, None),
        ("Geometry.loads(collection_text(1000))", 256, None),
        ("Geometry.loads(collection_text(1000))", 1024, None),
        # an escaped key: the text goes to the json module
        ("Geometry.loads(collection_text(120, ESCAPED_POINT))", 1024, None),
        # the json module reads the first value only, and refuses what follows
        ("Geometry.loads('{\"type\": \"Point\", \"coordinates\": [1, 2]} ' + '[' * 3000)", 256, SAME),
        ("Geometry.loads('[1,,2]' + '[' * 3000)", 256, SAME),
        ("Geometry.loads('[' + ']' * 3000 + '[' * 3000)", 256, SAME),
        # malformed before its deep part: json's own error
        ("Geometry.loads('{\"a\": [1,,' + '[' * 3000)", 256, SAME),
        # the sanitizer's margin is for our frames, not the json module's
        ("Geometry.loads('{\"type\": \"LineString\", \"coordinates\": [[1, 2], [3, 4]], \"n\": \"a\\\\tb\"}')", 64, SAME),
        ("Geometry.loads('{\"a\": ' * 3000 + '1' + '}' * 3000)", 256,
         "maximum recursion depth exceeded while decoding a JSON object from a unicode string"),
        # values the interpreter writes as text, str, repr and format, as it
        # writes them, on a stack that holds their levels at the widest a level may span
        ("Geometry.loads(vertex(deep))", 4096, SAME),
        ("Geometry.toWkt(member(deep))", 4096, SAME),
        ("Projection.angle(deg=deep)", 4096, SAME),
        ("Messenger().subscribe('progress', deep)", 4096, SAME),
        ("Projection.angle(deg=Shown([deep]))", 256, SAME),
        ("Messenger().subscribe('k', Shown([deep]))", 256, SAME),
        ("Messenger().subscribe('k', Shown([doubled(40)]))", 256, SAME),
        ("Messenger().subscribe('k', key_freed_by_iter())", 256, SAME),
        ("Messenger().subscribe('k', member_freed_by_iter())", 256, SAME),
        ("Messenger().subscribe('k', set_iterating(lambda s: itertools.count()))", 256, SAME),
        ("Messenger().subscribe('k', set_iterating(raising))", 256, SAME),
    ] + [(f"Geometry.{f}({value})", stack, None) for value, stack in SMALL_STACK_VALUES
         for f in ("dumps", "toWkt", "getXY", "swapXY")]]
    + [(call, stack, None, limit) for call, stack, limit in INTERPRETER_AT_THE_BOTTOM],
)
def test_deep_walks_in_child(call, stack, expected, limit):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    proc = subprocess.run([sys.executable, "-c", DEEP_CHILD.format(root=root), call, str(stack), str(limit)],
                          capture_output=True, text=True, timeout=120)
    assert proc.returncode == 0, proc.stderr[-2000:]
    lines = proc.stdout.splitlines()
    answer = lines[-1]
    if expected is SAME:
        assert answer == lines[0], lines
    elif expected is None:
        assert answer == lines[0] or answer.startswith("maximum recursion depth exceeded"), lines
    elif expected == "returned":
        assert answer.startswith("returned")
    else:
        # Which guard refuses first (ours or the interpreter's own, on a call it
        # makes for us) depends on the compiler's frame sizes; either is a RecursionError.
        assert answer.startswith("maximum recursion depth exceeded"), lines
        if "decoding" in expected:  # a text's levels: refused in the json module's words
            assert answer == expected, lines


def test_signature():
    ann = Geometry.loads.__annotations__
    assert ann == {"coordinates": "Union[str, list, dict]", "code": "Union[int, None]", "return": "dict"}
    assert Geometry.__mro__[1].__name__ == "TivenBase"
    assert Geometry().subscribers == {}
    with pytest.raises(TypeError, match=r"^loads\(\) takes at least 2 positional arguments \(1 given\)$"):
        Geometry.loads()
