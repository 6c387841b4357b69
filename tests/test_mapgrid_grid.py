import gc
import math
import random
import tracemalloc
import weakref

import pytest

import mapgrid_reference as ref
from src import tivenpy

MapGrid = tivenpy.MapGrid
grid = MapGrid.grid
TILDE = "\uff5e"


def meridian(lng, s, n, scale):
    return {"remarks": "longitude", "type": "LineString", "coordinates": [[lng, s], [lng, n]], "scale": scale}


def parallel(lat, w, e, scale):
    return {"remarks": "latitude", "type": "LineString", "coordinates": [[w, lat], [e, lat]], "scale": scale}


def test_half_million_sheet_lines():
    assert list(grid(40, 36, 114, 120, 6)) == [
        meridian(114.0, 36.0, 40.0, 500000), meridian(117.0, 36.0, 40.0, 500000), meridian(120.0, 36.0, 40.0, 500000),
        parallel(36.0, 114.0, 120.0, 500000), parallel(38.0, 114.0, 120.0, 500000), parallel(40.0, 114.0, 120.0, 500000),
    ]


def test_lines_are_clipped_to_the_window():
    assert list(grid(39.5, 36.5, 113.0, 118.0, 6)) == [
        meridian(114.0, 36.5, 39.5, 500000), meridian(117.0, 36.5, 39.5, 500000),
        parallel(38.0, 113.0, 118.0, 500000),
    ]


def test_window_inside_one_sheet():
    assert list(grid(39.9, 39.1, 116.1, 116.9)) == []
    assert list(grid(39.9, 39.1, 116.1, 116.9, 0, True)) == [{"count": [2, 2], "step": [6.0, 4.0], "scale": 1000000}]
    assert list(grid(39.9, 39.1, 116.1, 116.9, summary=1)) == list(grid(39.9, 39.1, 116.1, 116.9, summary=[0]))


@pytest.mark.parametrize(
    "zoom,step,scale",
    [
        (-2, [6.0, 4.0], 1000000), (0, [6.0, 4.0], 1000000), (3, [6.0, 4.0], 1000000), (5, [6.0, 4.0], 1000000),
        (6, [3.0, 2.0], 500000), (7, [1.5, 1.0], 250000), (8, [1.0, 0.6666666666666666], 200000),
        (9, [0.5, 0.3333333333333333], 100000), (10, [0.25, 0.16666666666666666], 50000),
        (11, [0.125, 0.08333333333333333], 25000), (12, [0.0625, 0.041666666666666664], 10000),
        (13, [0.03125, 0.020833333333333332], 5000), (14, [0.010416666666666666, 0.006944444444444444], 2000),
        (15, [0.005208333333333333, 0.003472222222222222], 1000),
        (16, [0.0026041666666666665, 0.001736111111111111], 500), (20, [0.0026041666666666665, 0.001736111111111111], 500),
        (10**40, [0.0026041666666666665, 0.001736111111111111], 500), (-10**40, [6.0, 4.0], 1000000),
    ],
)
def test_zoom_table(zoom, step, scale):
    (summary,) = grid(1, 0, 0, 1, zoom, True)
    assert summary["step"] == step and summary["scale"] == scale
    assert all(type(v) is float for v in summary["step"])


def test_edge_lines_are_not_lost():
    lines = list(grid(40, 36, 116, 116.5, 9))
    lats = [ln["coordinates"][0][1] for ln in lines if ln["remarks"] == "latitude"]
    assert lats[0] == 36.0 and lats[-1] == 40.0 and len(lats) == 13
    assert [ln["coordinates"][0][0] for ln in lines if ln["remarks"] == "longitude"] == [116.0, 116.5]


@pytest.mark.parametrize("zoom", [0, 3, 6, 7])
def test_exact_steps_give_the_running_sum_output(zoom):
    rnd = random.Random(zoom)
    for _ in range(300):
        s, n = sorted(rnd.uniform(-90, 90) for _ in range(2))
        w, e = sorted(rnd.uniform(-180, 180) for _ in range(2))
        if rnd.random() < 0.3:
            s, n, w, e = float(math.floor(s)), float(math.ceil(n)), float(math.floor(w)), float(math.ceil(e))
        lines = list(grid(n, s, w, e, zoom))
        expected, count = ref.grid_running_sum(n, s, w, e, zoom)
        assert lines == expected
        assert next(grid(n, s, w, e, zoom, True))["count"] == count


@pytest.mark.parametrize("zoom", [8, 9, 11, 12, 13, 14, 15, 16])
def test_lines_by_index(zoom):
    rnd = random.Random(100 + zoom)
    for _ in range(40):
        c_lat, c_lng = rnd.uniform(-89, 89), rnd.uniform(-179, 179)
        size = rnd.choice([0.01, 0.1, 1.0])
        n, s = min(c_lat + size, 90.0), max(c_lat - size, -90.0)
        e, w = min(c_lng + size, 180.0), max(c_lng - size, -180.0)
        on_lines = rnd.random() < 0.5
        if on_lines:
            _, _, (dlng, dlat), _ = ref.grid_lines(n, s, w, e, zoom)
            sheets = round(4 / dlat)
            s = (math.floor(s / dlat) * 4) / sheets
            n = (math.ceil(n / dlat) * 4) / sheets
            w = (math.floor(w / dlng) * 6) / sheets
        expected, count, step, scale = ref.grid_lines(n, s, w, e, zoom)
        lines = list(grid(n, s, w, e, zoom))
        assert lines == expected
        for ln in lines:
            (x0, y0), (x1, y1) = ln["coordinates"]
            assert w <= x0 <= x1 <= e and s <= y0 <= y1 <= n
        assert list(grid(n, s, w, e, zoom, True)) == [{"count": count, "step": step, "scale": scale}]
        mer = sum(ln["remarks"] == "longitude" for ln in lines)
        assert mer <= count[0] and len(lines) - mer <= count[1]
        if on_lines:
            assert count[1] == len(lines) - mer


@pytest.mark.parametrize(
    "args,count",
    [
        ((34.048611111111114, 33.826388888888886, 73.98958333333333, 74.25, 14), [26, 33]),
        ((-27.479166666666668, -27.63888888888889, 149.40625, 149.40625, 14), [1, 24]),
    ],
)
def test_count_of_a_window_on_sheet_lines_is_the_lines_yielded(args, count):
    assert next(grid(*args, True))["count"] == count
    lines = list(grid(*args))
    mer = sum(ln["remarks"] == "longitude" for ln in lines)
    assert [mer, len(lines) - mer] == count


def test_zero_index_is_positive_zero():
    lines = list(grid(0.5, -0.5, -0.5, 0.5, 9))
    zeros = [ln["coordinates"][0][0] for ln in lines if ln["remarks"] == "longitude"]
    zeros += [ln["coordinates"][0][1] for ln in lines if ln["remarks"] == "latitude"]
    assert 0.0 in zeros and all(math.copysign(1, z) == 1 for z in zeros if z == 0)


def test_equal_edges_pass():
    assert list(grid(38.0, 38.0, 114.0, 114.0, 6)) == [meridian(114.0, 38.0, 38.0, 500000),
                                                       parallel(38.0, 114.0, 114.0, 500000)]
    assert next(grid(38.0, 38.0, 114.0, 114.0, 6, True))["count"] == [1, 1]


@pytest.mark.parametrize(
    "args,message",
    [
        ((95, 0, 0, 1), f"[95.0] should be between [-90 {TILDE} +90] in [north] parameter."),
        ((math.nan, 0, 0, 1), f"[nan] should be between [-90 {TILDE} +90] in [north] parameter."),
        ((95, -95, 500, -500), f"[95.0] should be between [-90 {TILDE} +90] in [north] parameter."),
        ((10, -90.5, 0, 1), f"[-90.5] should be between [-90 {TILDE} +90] in [south] parameter."),
        ((10, 20, 0, 1), "[north:10.0] should be greater than [south:20.0] in parameters."),
        ((10, 20, 500, 1), "[north:10.0] should be greater than [south:20.0] in parameters."),
        ((10, 0, -181, 1), f"[-181.0] should be between [-180 {TILDE} +180] in [west] parameter."),
        ((10, 0, 0, math.inf), f"[inf] should be between [-180 {TILDE} +180] in [east] parameter."),
        ((10, 0, 5, 1), "[east:1.0] should be greater than [west:5.0] in parameters."),
    ],
)
def test_range_errors_come_at_the_first_item(args, message):
    g = grid(*args)
    with pytest.raises(Exception) as info:
        next(g)
    assert type(info.value) is Exception and info.value.args == (message,)
    with pytest.raises(StopIteration):
        next(g)


@pytest.mark.parametrize(
    "call,message",
    [
        (lambda: grid(1, 0, 0, 1, True), "Argument 'zoom' has incorrect type (expected int, got bool)"),
        (lambda: grid(1, 0, 0, 1, None), "Argument 'zoom' has incorrect type (expected int, got NoneType)"),
        (lambda: grid(1, 0, 0, 1, 6.0), "Argument 'zoom' has incorrect type (expected int, got float)"),
        (lambda: grid("1", 0, 0, 1), "must be real number, not str"),
        (lambda: grid(1, 0, 0), "grid() takes at least 4 positional arguments (3 given)"),
        (lambda: grid(1, 0, 0, 1, 0, False, 7), "grid() takes at most 6 positional arguments (7 given)"),
        (lambda: grid(1, 0, 0, 1, level=3), "grid() got an unexpected keyword argument 'level'"),
    ],
)
def test_argument_errors_come_at_the_call(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


class Truth:
    calls = 0

    def __bool__(self):
        Truth.calls += 1
        raise ValueError("no truth")


def test_summary_is_tested_after_the_checks():
    g = grid(1, 0, 0, 1, 0, Truth())
    assert Truth.calls == 0
    with pytest.raises(ValueError, match="no truth"):
        next(g)
    with pytest.raises(Exception, match=r"\[north\]"):
        next(grid(95, 0, 0, 1, 0, Truth()))


def test_static_method_on_instance_and_keywords():
    assert list(MapGrid().grid(north=40, south=36, west=114, east=120, zoom=6)) == list(grid(40, 36, 114, 120, 6))
    g = grid(40, 36, 114, 120, 6)
    assert iter(g) is g
    assert g.__name__ == "grid" and g.__qualname__ == "MapGrid.grid"


def test_close_and_drop():
    g = grid(90, -90, -180, 180, 16)
    assert next(g)["remarks"] == "longitude"
    g.close()
    with pytest.raises(StopIteration):
        next(g)
    g = grid(90, -90, -180, 180, 16)
    next(g)
    ref = weakref.ref(g)
    del g
    gc.collect()
    assert ref() is None


def test_whole_world_at_zoom_16_streams_in_constant_memory():
    tracemalloc.start()
    try:
        meridians = parallels = 0
        peak_after_start = None
        for i, line in enumerate(grid(90, -90, -180, 180, 16)):
            if line["remarks"] == "longitude":
                meridians += 1
            else:
                parallels += 1
            if i == 1000:
                tracemalloc.reset_peak()
        _, peak = tracemalloc.get_traced_memory()
    finally:
        tracemalloc.stop()
    assert (meridians, parallels) == (138241, 103681)
    assert meridians + parallels == 241922
    assert peak < 64 * 1024
    assert next(grid(90, -90, -180, 180, 16, True))["count"] == [138241, 103681]
