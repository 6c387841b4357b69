"""Results put in a form to compare: outcomes, and comparisons that tell apart
what == lets through (number types, key order, -0.0 and nan)."""


class Refused(Exception):
    """Raised by a reference model for a case it does not cover: never an outcome."""


def outcome(fn, *args):
    """The result, or the type and text of the error raised."""
    try:
        return fn(*args)
    except Refused:
        raise
    except Exception as e:  # noqa: BLE001
        return (type(e), str(e))


def outcome_text(fn, *args, **kwargs):
    """The result as repr text (exact for floats, -0.0 and nan), or the error type and text."""
    try:
        r = fn(*args, **kwargs)
    except Exception as e:  # noqa: BLE001
        return (type(e).__name__, str(e))
    return (type(r).__name__, repr(r))


def same(a, b):
    """Equal with the same number types (ints stay ints, floats floats) and the same key order."""
    assert a == b
    assert type(a) is type(b)
    if isinstance(a, dict):
        assert list(a) == list(b)
        for k in a:
            same(a[k], b[k])
