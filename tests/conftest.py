import math
import pathlib
import sys
import time

import pytest

ROOT = pathlib.Path(__file__).resolve().parent.parent
# The tests run against the module built in place from this tree.
if str(ROOT) not in sys.path:
    sys.path.insert(0, str(ROOT))

import src.tivenpy  # noqa: E402

assert pathlib.Path(src.tivenpy.__file__).resolve().parent == ROOT / "src", (
    f"stale module imported from {src.tivenpy.__file__}"
)

# The plain-Python oracle of the projection tests lives beside them.
TESTS = pathlib.Path(__file__).resolve().parent
if str(TESTS) not in sys.path:
    sys.path.insert(0, str(TESTS))


@pytest.fixture
def time_ratio():
    """How many times as long fn(big) takes as fn(small): the best of a few
    runs each, the two in turns, so that both meet the same load on the caches.
    A ratio, not seconds, as the sanitizer build slows both alike. The big
    input in the thread's CPU time, as a busy machine takes the processor away
    for whole stretches of wall time; the small one in wall time, which never
    reads short, where a busy machine's CPU clock may miss most of a short run."""

    clocks = (time.perf_counter, time.thread_time)

    def ratio(fn, small, big, repeats=5):
        best = [math.inf, math.inf]
        for _ in range(repeats):
            for i, arg in enumerate((small, big)):
                start = clocks[i]()
                fn(arg)
                best[i] = min(best[i], clocks[i]() - start)
        return best[1] / best[0]

    return ratio


@pytest.fixture
def assert_linear(time_ratio):
    """fn(make(n)) against fn(make(n // 64)): time linear in the input grows
    some 64 times (up to twice that as the larger input leaves the caches),
    quadratic 4096."""

    def check(fn, make, n):
        ratio = time_ratio(fn, make(n // 64), make(n))
        assert ratio < 512, f"64 times the input took {ratio:.0f} times as long"

    return check
