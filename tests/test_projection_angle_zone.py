import math
import random

import pytest

import projection_reference as ref
from src.tivenpy import Projection
from exactness import outcome_text

RANGE_DEG = "[{}] should be between [-360 ～ +360] in [deg] parameter."
RANGE_DMS = "[{}] should be between [-360 ～ +360] in [dms] parameter."


ANGLE_CASES = [
    (dict(deg=120.5125), "120°30′45.00000000001023″"),
    (dict(deg=120.5125, digit=2), "120°30′45.0″"),
    (dict(deg="-120.5125度", digit=0), "-120°30′45.0″"),
    (dict(deg=0), "0°0′0.0″"),
    (dict(deg=360), "360°0′0.0″"),
    (dict(deg=-360), "-360°0′0.0″"),
    (dict(deg=-0.5), "-0°30′0.0″"),
    (dict(deg=-0.0), "-0°0′0.0″"),
    (dict(deg=" 12.5 ° "), "12°30′0.0″"),
    (dict(deg="12.", digit="-3"), "12°0′0.0″"),
    (dict(deg=0.1 + 0.2), "0°18′2.2737367544323206e-13″"),
    (dict(deg=0.99999999), "0°59′59.999963999999636″"),
    (dict(deg=0.99999999, digit=2), "0°59′60.0″"),
    (dict(deg=45.75, dms="x"), "45°45′0.0″"),
    (dict(deg=45.5, digit="1"), "45°30′0.0″"),
    (dict(deg="12.\u0663"), "12°18′2.5011104298755527e-12″"),  # Arabic-Indic digit in the fraction
    (dict(deg=1.5, digit=10 ** 30), "1°30′0.0″"),
    (dict(dms="120.5"), 120.5),
    (dict(dms=-120.5), -120.5),
    (dict(dms=" +120.5 ° "), 120.5),
    (dict(dms="120.5\n"), 120.5),
    (dict(dms="-0"), -0.0),
    (dict(dms="12."), 12.0),
    (dict(dms="1203045"), 120.5125),
    (dict(dms=1203045.0), 120.5125),
    (dict(dms="1203045°"), 120.5125),
    (dict(dms="1203045.5", digit=4), 120.5126),
    (dict(dms="1203045", digit=2.9), 120.51),
    (dict(dms="13045"), 1.5125),
    (dict(dms="1206000"), 121.0),
    (dict(dms="1203060"), 120.51666666666667),
    (dict(dms="120°30′45″"), 120.5125),
    (dict(dms="120度30分45.5秒"), 120.51263888888889),
    (dict(dms="-30′"), -0.5),
    (dict(dms="45″"), 0.0125),
    (dict(dms="120°60′"), 121.0),
    (dict(dms="0°59′60″"), 1.0),
    (dict(dms="120°30′45″", digit=-2), 120.51),
    (dict(dms=""), 0.0),
    (dict(dms="  "), 0.0),
    (dict(dms="-"), -0.0),
    (dict(dms="-360°"), -360.0),
    (dict(dms="\u0661\u0662°"), 12.0),  # Unicode digits in the symbol form
]


@pytest.mark.parametrize("kwargs,expected", ANGLE_CASES)
def test_angle_values(kwargs, expected):
    got = Projection.angle(**kwargs)
    assert type(got) is type(expected) and repr(got) == repr(expected)


ANGLE_ERRORS = [
    (dict(deg=360.5), Exception, RANGE_DEG.format(360.5)),
    (dict(deg=-361), Exception, RANGE_DEG.format(361.0)),
    (dict(deg="399"), Exception, RANGE_DEG.format(399.0)),
    (dict(deg="400"), Exception, "Invalid [deg] parameter."),
    (dict(deg=1234.5), Exception, "Invalid [deg] parameter."),
    (dict(deg=1e-05), Exception, "Invalid [deg] parameter."),
    (dict(deg=True), Exception, "Invalid [deg] parameter."),
    (dict(dms="1203045 °"), Exception, "Invalid [dms] parameter."),
    (dict(dms="1230"), Exception, "Invalid [dms] parameter."),
    (dict(dms="120° 30′"), Exception, "Invalid [dms] parameter."),
    (dict(dms="400"), Exception, "Invalid [dms] parameter."),
    (dict(dms="370°"), Exception, RANGE_DMS.format("370°")),
    (dict(dms="361"), Exception, RANGE_DMS.format("361")),
    (dict(dms="3995959"), Exception, RANGE_DMS.format("3995959")),
    (dict(), Exception, "Invalid parameter."),
    (dict(digit=2), Exception, "Invalid parameter."),
    (dict(dms="120.5", digit="x"), ValueError, "invalid literal for int() with base 10: 'x'"),
    (dict(dms="120.5", digit="1.5"), ValueError, "invalid literal for int() with base 10: '1.5'"),
    (dict(dms="120.5", digit=[]), TypeError, None),
    # digit is read after the range test
    (dict(dms="361", digit="x"), Exception, RANGE_DMS.format("361")),
]


@pytest.mark.parametrize("kwargs,kind,message", ANGLE_ERRORS)
def test_angle_errors(kwargs, kind, message):
    with pytest.raises(kind) as e:
        Projection.angle(**kwargs)
    assert type(e.value) is kind
    if message is not None:
        assert str(e.value) == message


def test_angle_agrees_with_reference_on_random_input():
    rnd = random.Random(6)
    texts = []
    for _ in range(3000):
        v = rnd.uniform(-400, 400)
        texts.append(dict(deg=v, digit=rnd.choice([None, 0, 1, 2, 5, -3])))
        texts.append(dict(deg=round(v, rnd.randint(0, 8))))
        d, m, s = rnd.randint(0, 399), rnd.randint(0, 60), rnd.uniform(0, 60.5)
        texts.append(dict(dms="%s%d%02d%09.6f" % (rnd.choice(["", "-", "+"]), d, m, s)))
        texts.append(dict(dms="%s%d°%d′%s″" % (rnd.choice(["", "-"]), d, m, s), digit=rnd.choice([None, 3])))
        texts.append(dict(dms=repr(v)))
    for kw in texts:
        assert outcome_text(Projection.angle, **kw) == outcome_text(ref.angle, **kw), kw


ZONES = [
    ((0.0,), 1), ((5.999,), 1), ((6.0,), 2), ((116.39,), 20), ((180.0,), 31), ((-180.0,), 31),
    ((-0.001,), 60), ((-1e-14,), 1), ((0.0, 3), 1), ((1.4999, 3), 1), ((1.5, 3), 1), ((4.5, 3), 2),
    ((-1.5, 3), 120), ((-1.6, 3), 119), ((180.0, 3), 60), ((-180.0, 3), 60), ((120.0, 5), 21), ((120, 6), 21),
    ((120.0, 10 ** 30), 21),
]


@pytest.mark.parametrize("args,expected", ZONES)
def test_zone(args, expected):
    got = Projection.zone(*args)
    assert type(got) is int and got == expected


@pytest.mark.parametrize("kwargs,expected", [
    (dict(zone=20), 117.0), (dict(zone=1), 3.0), (dict(zone=30), 177.0), (dict(zone=31), -177.0),
    (dict(zone=60), -3.0), (dict(zone=39, zoneCode=3), 117), (dict(zone=60, zoneCode=3), 180),
    (dict(zone=61, zoneCode=3), -177), (dict(zone=120, zoneCode=3), 0), (dict(longitude=116.39), 117.0),
    (dict(longitude=116.39, zone=5), 117.0), (dict(longitude=0.5, zoneCode=3), 3),
    (dict(longitude=-0.5, zoneCode=3), 0),
])
def test_central_meridian(kwargs, expected):
    got = Projection.centralMeridian(**kwargs)
    assert type(got) is type(expected) and got == expected


@pytest.mark.parametrize("fn,kwargs,message", [
    (Projection.zone, dict(longitude=180.5), "Invalid [longitude: 180.5] parameter. Should be between -180 and +180."),
    (Projection.zone, dict(longitude=200), "Invalid [longitude: 200.0] parameter. Should be between -180 and +180."),
    (Projection.zone, dict(longitude=math.nan), "Invalid [longitude: nan] parameter. Should be between -180 and +180."),
    (Projection.centralMeridian, dict(), "Invalid [zone] parameter."),
    (Projection.centralMeridian, dict(zone=0), "Invalid [zone: 0] parameter. Should be between 1 and 60."),
    (Projection.centralMeridian, dict(zone=61, zoneCode=5), "Invalid [zone: 61] parameter. Should be between 1 and 60."),
    (Projection.centralMeridian, dict(zone=121, zoneCode=3),
     "Invalid [zone: 121] parameter. Should be between 1 and 120."),
    (Projection.centralMeridian, dict(zone=10 ** 30),
     "Invalid [zone: 1000000000000000000000000000000] parameter. Should be between 1 and 60."),
    (Projection.centralMeridian, dict(zone=-10 ** 30, zoneCode=3),
     "Invalid [zone: -1000000000000000000000000000000] parameter. Should be between 1 and 120."),
    (Projection.centralMeridian, dict(longitude=200.0),
     "Invalid [longitude: 200.0] parameter. Should be between -180 and +180."),
])
def test_zone_errors(fn, kwargs, message):
    with pytest.raises(Exception) as e:
        fn(**kwargs)
    assert type(e.value) is Exception and str(e.value) == message


def test_zones_agree_with_reference():
    rnd = random.Random(3)
    values = [rnd.uniform(-181, 181) for _ in range(5000)]
    values += [k * 1.5 + d for k in range(-121, 122) for d in (-1e-13, 0.0, 1e-13)]
    values += [-1e-14, -1e-13, -5e-15, 1e-300, -0.0, math.inf, -math.inf, math.nan]
    for v in values:
        for code in (3, 6, 7):
            assert outcome_text(Projection.zone, v, code) == outcome_text(ref.zone, v, code), (v, code)
            assert outcome_text(Projection.centralMeridian, longitude=v, zoneCode=code) == \
                outcome_text(ref.centralMeridian, longitude=v, zoneCode=code), (v, code)


def test_range_message_shows_the_argument_as_formatted():
    class Odd:
        def __str__(self):
            return "370°"

        def __format__(self, spec):
            return "odd\ud800"

    with pytest.raises(Exception) as e:
        Projection.angle(dms=Odd())
    assert str(e.value) == RANGE_DMS.format("odd\ud800")
    with pytest.raises(ValueError):  # beyond the interpreter's limit for int text
        Projection.centralMeridian(zone=10 ** 5000)


# Each text is made from the length n of its runs of blanks.
@pytest.mark.parametrize("name,make,expected", [
    ("deg", lambda n: "1" + " " * n + "x", "Invalid [deg] parameter."),
    ("deg", lambda n: "1" + " " * n, "1°0′0.0″"),
    ("deg", lambda n: "1" + " " * n + "°" + " " * n, "1°0′0.0″"),
    ("dms", lambda n: "1" + " " * n + "x", "Invalid [dms] parameter."),
    ("dms", lambda n: " " * n + "x", "Invalid [dms] parameter."),
    ("dms", lambda n: " " * n, 0.0),
    ("dms", lambda n: " " * n + "-30′" + " " * n, -0.5),
])
def test_long_runs_of_blanks_are_read_in_linear_time(name, make, expected, assert_linear):
    def read(text):
        return outcome_text(Projection.angle, **{name: text})

    # Timed first and shorter: a quadratic reader takes minutes on the long text.
    assert_linear(read, make, 64_000)
    assert read(make(200_000))[1] in (repr(expected), expected)
