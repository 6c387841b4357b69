import array
import gc
import inspect
import sys

import pytest

from src import tivenpy

M = tivenpy.Messenger
B = tivenpy.TivenBase


class Str(str):
    pass


@pytest.mark.parametrize(
    "call,message",
    [
        (lambda: M().subscribe("k"), "subscribe() takes exactly 3 positional arguments (2 given)"),
        (lambda: M().subscribe(), "subscribe() takes exactly 3 positional arguments (1 given)"),
        (lambda: M().subscribe("k", print, 1), "subscribe() takes exactly 3 positional arguments (4 given)"),
        (lambda: M().subscribe(slot=print), "subscribe() takes exactly 3 positional arguments (1 given)"),
        (lambda: M().publish("k", 1, 2), "publish() takes at most 3 positional arguments (4 given)"),
        (lambda: M.publish(), "publish() takes at least 1 positional argument (0 given)"),
        (lambda: B.bytesInteger(), "bytesInteger() takes exactly 1 positional argument (0 given)"),
        (lambda: B.bytesToStr(), "bytesToStr() takes at least 1 positional argument (0 given)"),
        (lambda: B.bytesToStr(b"", "x", 1), "bytesToStr() takes at most 2 positional arguments (3 given)"),
        (lambda: B.bytesToStr(b"", nope=1), "bytesToStr() got an unexpected keyword argument 'nope'"),
        (lambda: B.bytesToStr(b"", data=b""), "bytesToStr() got multiple values for keyword argument 'data'"),
        (lambda: M().subscribe("k", print, key="k"), "subscribe() got multiple values for keyword argument 'key'"),
        (lambda: M().subscribe("k", key="k"), "subscribe() takes exactly 3 positional arguments (2 given)"),
        (lambda: M().subscribe(1, print), "Argument 'key' has incorrect type (expected str, got int)"),
        (lambda: M().subscribe(None, print), "Argument 'key' has incorrect type (expected str, got NoneType)"),
        (lambda: M().publish(b"k"), "Argument 'key' has incorrect type (expected str, got bytes)"),
        (lambda: B.bytesToStr(bytearray(b"x")), "Argument 'data' has incorrect type (expected bytes, got bytearray)"),
        (lambda: B.bytesToStr(memoryview(b"x")), "Argument 'data' has incorrect type (expected bytes, got memoryview)"),
        (lambda: B.bytesToStr(b"x", None), "Argument 'encoding' has incorrect type (expected str, got NoneType)"),
        (lambda: B.bytesInteger(None), "Argument 'data' has incorrect type (expected bytes, got NoneType)"),
    ],
)
def test_calling_convention_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_keywords_and_defaults():
    assert B.bytesToStr(encoding="ascii", data=b"ab\xffc") == "abc"
    m = M()
    m.subscribe(slot=print, key="k")
    assert m.subscribers == {"k": [print]}
    m.unsubscribe(key="k", slot=print)
    assert m.subscribers == {"k": []}


def test_subclass_of_builtin_gets_a_note():
    with pytest.raises(TypeError) as info:
        M().subscribe(Str("k"), print)
    assert str(info.value) == "Argument 'key' has incorrect type (expected str, got Str)"
    assert len(info.value.__notes__) == 1
    with pytest.raises(TypeError) as info:
        B.bytesToStr(b"x", 5)
    assert not hasattr(info.value, "__notes__")


def test_unbound_call_through_class():
    m = M()
    M.subscribe(m, "k", print)
    assert m.subscribers == {"k": [print]}
    assert B.bytesToStr.__get__(None, B) is B.bytesToStr


@pytest.mark.parametrize(
    "target,text",
    [
        (M.subscribe, "(self, key: 'str', slot: 'Callable') -> 'None'"),
        (M().subscribe, "(key: 'str', slot: 'Callable') -> 'None'"),
        (M, "()"),
        (tivenpy.MapGisFile, "(mapGisFile: 'str', mapGisColorLib: 'str' = None, encoding: 'str' = 'GB2312')"),
        (B.bytesToStr, "(data: 'bytes', encoding: 'str' = 'GB2312') -> 'str'"),
        (
            tivenpy.Projection.gaussKruger,
            "(centralMeridian: 'float' = None, x: 'float' = None, y: 'float' = None, longitude: 'float' = None, "
            "latitude: 'float' = None, crs: 'int' = 2000) -> 'tuple'",
        ),
        (
            tivenpy.MapGisColorLib.CMYK,
            "(self, index: 'int' = 1, defaultColor: 'tuple' = (0, 0, 0, 100)) -> 'Union[tuple, None]'",
        ),
        (
            tivenpy.MapGrid.grid,
            "(north: 'float', south: 'float', west: 'float', east: 'float', zoom: 'int' = 0, "
            "summary: 'bool' = False) -> 'Iterator'",
        ),
        (tivenpy.Geometry.loads, "(coordinates: 'Union[str, list, dict]', code: 'Union[int, None]' = -1) -> 'dict'"),
    ],
)
def test_signature(target, text):
    assert str(inspect.signature(target)) == text


def test_every_method_has_its_declared_signature():
    for cls in (getattr(tivenpy, name) for name in tivenpy.__all__):
        inspect.signature(cls)
        for attr in dir(cls):
            f = getattr(cls, attr)
            if type(getattr(f, "__func__", f)).__name__ != "tivenpy_function":
                continue
            sig = inspect.signature(f)
            found = {n: p.annotation for n, p in sig.parameters.items() if p.annotation is not p.empty}
            if sig.return_annotation is not sig.empty:
                found["return"] = sig.return_annotation
            assert found == f.__annotations__, f
            kinds = {p.kind for p in sig.parameters.values()}
            assert kinds <= {inspect.Parameter.POSITIONAL_OR_KEYWORD}, f


def _run_many(fn, n):
    for _ in range(n):
        fn()


# What the paths hand the module: a reference it keeps shows in the object's
# count. The key is built at run time, as a literal would be immortal.
_KEY = "".join(["mes", "sage"])
_DATA = b"AB  \x00CD"


def _slot(value):
    pass


def _error_paths():
    m = M()
    for call in (
        lambda: m.subscribe(_KEY),
        lambda: m.subscribe(1, _slot),
        lambda: m.subscribe(_KEY, None),
        lambda: m.unsubscribe(_KEY),
        lambda: B.bytesToStr(_DATA, nope=1),
        lambda: B.bytesToStr(_DATA, "no-such-codec"),
        lambda: B.bytesToStr(Str("x")),
        lambda: m.subscribe(Str(_KEY), _slot),
    ):
        try:
            call()
        except (TypeError, LookupError):
            pass


def _success_paths():
    m = M()
    m.subscribe(_KEY, _slot)
    m.publish(_KEY, "abc")
    m.unsubscribe(_KEY, _slot)
    m.unsubscribe()
    B.bytesToStr(_DATA)
    B.bytesInteger(b"\xff" * 9)


_COUNTED = ("blocks", "key", "slot", "data")
_CALLS = 1_000  # calls of a path a window


def _count(into, at):
    # Into room made beforehand: a list or tuple kept per window is a block itself.
    gc.collect()
    counts = (sys.getallocatedblocks(), sys.getrefcount(_KEY), sys.getrefcount(_slot), sys.getrefcount(_DATA))
    into[at : at + len(counts)] = array.array("q", counts)


def _leaking(deltas, calls):
    return [name for name, grown in deltas.items() if min(grown) >= calls // 10]


@pytest.mark.parametrize(
    "deltas,leaks",
    [
        ({"blocks": [1] * 8, "key": [0] * 8}, []),  # a cache that fills late, by ones
        ({"blocks": [1001, 1000, 999, 1000, 1001, 1000, 1000, 1000], "key": [1000] * 8}, ["blocks", "key"]),
    ],
)
def test_leak_judged_by_growth_per_call(deltas, leaks):
    assert _leaking(deltas, _CALLS) == leaks


@pytest.mark.parametrize("paths", [_success_paths, _error_paths])
def test_no_reference_leaks(paths):
    """A count leaks when, in every judged window, it grows by at least one
    for every ten calls: a leak repeats with each call, while free lists and
    the interpreter's caches go on filling for many thousands of calls, in
    steps and then by ones, so the first windows only warm up."""
    if sys.getallocatedblocks() == 0:
        pytest.skip("the allocator counts no blocks (PYTHONMALLOC=malloc)")
    warm, judged, width = 12, 8, len(_COUNTED)
    counts = array.array("q", bytes(8 * width * (warm + judged + 1)))
    _count(counts, 0)
    for window in range(1, warm + judged + 1):
        _run_many(paths, _CALLS)
        _count(counts, width * window)
    deltas = {
        name: [counts[width * w + i] - counts[width * (w - 1) + i] for w in range(warm + 1, warm + judged + 1)]
        for i, name in enumerate(_COUNTED)
    }
    leaks = _leaking(deltas, _CALLS)
    assert not leaks, f"{leaks} grew by a tenth of the calls or more in every window: {deltas}"


def _python_generator():
    yield 1
    yield 2


def _thrown(g, mode):
    if mode == "suspended":
        next(g)
    elif mode == "exhausted":
        list(g)
    try:
        g.throw(StopIteration("x"))
    except BaseException as e:  # noqa: BLE001
        return type(e), str(e), type(e.__cause__)


@pytest.mark.parametrize("mode", ["fresh", "suspended", "exhausted"])
def test_thrown_stop_iteration_as_in_a_python_generator(mode):
    g = tivenpy.MapGrid.grid(40, 36, 114, 120, 6)
    assert _thrown(g, mode) == _thrown(_python_generator(), mode)
    assert next(g, "done") == "done"


@pytest.mark.parametrize("args", [(), (ValueError, None, None, None)])
def test_throw_argument_count_as_in_a_python_generator(args):
    def refusal(g):
        with pytest.raises(TypeError) as e:
            g.throw(*args)
        return str(e.value)

    assert refusal(tivenpy.MapGrid.grid(40, 36, 114, 120, 6)) == refusal(_python_generator())


class _Flag:
    def __bool__(self):
        return False


def test_generator_in_a_cycle_is_collected():
    import weakref

    flag = _Flag()
    flag.g = tivenpy.MapGrid.grid(40, 36, 114, 120, 6, flag)
    next(flag.g)
    ref = weakref.ref(flag)
    del flag
    gc.collect()
    assert ref() is None


class _StopTruth:
    def __bool__(self):
        raise StopIteration


def test_stop_iteration_from_the_body_is_an_error_not_the_end():
    g = tivenpy.MapGrid.grid(40, 36, 114, 120, 6, _StopTruth())
    with pytest.raises(RuntimeError, match="^generator raised StopIteration$") as info:
        list(g)
    assert type(info.value.__cause__) is StopIteration
    assert next(g, "done") == "done"
