import math
import random

import pytest

import projection_reference as ref
from src.tivenpy import Projection as P
from exactness import outcome_text

INF, NAN = math.inf, math.nan
LON_MSG = "Invalid [longitude: {}] parameter. Should be between -180 and +180."
LAT_MSG = "Invalid [latitude: {}] parameter. Should be between -90 and +90."
CM_MSG = "Invalid [centralMeridian: {}] parameter. Should be between -180 and +180."


def close(got, expected, tol):
    assert len(got) == len(expected)
    for g, e in zip(got, expected):
        assert abs(g - e) <= tol, (got, expected)


# ---- worked values: (method, kwargs, expected, tolerance; 0 means bit for bit) ----

VALUES = [
    (P.webMercator, dict(longitude=0.0, latitude=0.0), (0.0, -7.081154551613622e-10), 0),
    (P.webMercator, dict(longitude=180.0, latitude=0.0), (20037508.342789244, -7.081154551613622e-10), 0),
    (P.webMercator, dict(longitude=0.0, latitude=90.0), (0.0, 238107693.26496765), 0),
    (P.webMercator, dict(longitude=116.3913112879, latitude=39.9055966108), (12956621.505330421, 4852233.304497118), 0),
    (P.webMercator, dict(x=12956621.505330421, y=4852233.304497118), (116.3913112879, 39.90559661079998), 0),
    (P.webMercator, dict(longitude=120.0, latitude=30.0), (13358338.895192828, 3503549.843504374), 0),
    (P.webMercator, dict(x=0.0, y=0.0), (0.0, 0.0), 0),
    (P.webMercator, dict(x=0.0, y=-1e10), (0.0, -90.0), 0),
    (P.webMercator, dict(x=1e9, y=1e9), (8983.152841195213, 90.0), 0),
    (P.webMercator, dict(longitude=1.0, x=0.0, y=0.0), (0.0, 0.0), 0),
    (P.gaussKruger, dict(centralMeridian=117.0, longitude=117.0, latitude=0.0), (20500000.0, 0.0), 0),
    (P.gaussKruger, dict(centralMeridian=-3.0, longitude=-3.0, latitude=0.0), (30500000.0, 0.0), 0),
    (P.gaussKruger, dict(centralMeridian=0.0, longitude=0.0, latitude=0.0), (500000.0, 0.0), 0),
    (P.gaussKruger, dict(longitude=114.5, latitude=22.25), (20242240.816, 2463613.703), 5e-4),
    (P.gaussKruger, dict(centralMeridian=117.0, longitude=118.0, latitude=35.0), (20591289.769, 3875049.871), 5e-4),
    (P.gaussKruger, dict(centralMeridian=117.0, longitude=118.0, latitude=35.0, crs=1954),
     (20591291.300, 3875118.580), 5e-4),
    (P.gaussKruger, dict(centralMeridian=-75.0, longitude=-76.0, latitude=-33.0, crs=1984),
     (18406544.840, -3653192.251), 5e-4),
    (P.gaussKruger, dict(x=0.0, y=20500000.0, centralMeridian=117.0), (117.0, 0.0), 0),
    (P.gaussKruger, dict(x=0.0, y=20500000.0), (117.0, 0.0), 0),
    (P.gaussKruger, dict(x=0.0, y=39500000.0), (117.0, 0.0), 0),
    (P.gaussKruger, dict(x=0.0, y=500000.0, centralMeridian=117.0), (117.0, 0.0), 0),
    (P.gaussKruger, dict(x=1.0, longitude=1.0, latitude=1.0, centralMeridian=0.0), None, None),
    (P.gaussKruger, dict(x=1108518.408454786, y=30061105.15452333, centralMeridian=-177.0), (179.0, 10.0), 1e-8),
    (P.albers, dict(longitude=0.0, latitude=0.0), (0.0, 0.0), 0),
    (P.albers, dict(longitude=100.0, latitude=30.0), (7973609.643, 7432729.201), 5e-4),
    (P.albers, dict(x=7973609.643481533, y=7432729.2013636455), (100.0, 30.0), 1e-13),
    (P.albers, dict(x=0.0, y=0.0), (0.0, 0.0), 1e-13),
    (P.albers, dict(x=-1861650.577696466, y=3426782.8716087104, centralMeridian=-170.0), (170.0, 30.0), 1e-9),
    (P.albers, dict(x=1861650.577696466, y=3426782.8716087104, centralMeridian=170.0), (-170.0, 30.0), 1e-9),
    (P.albers, dict(longitude=105.0, latitude=35.0, centralMeridian=105.0, parallel1=25.0, parallel2=47.0),
     (0.0, 3754782.282), 5e-4),
    (P.albers, dict(longitude=100.0, latitude=30.0, crs=1954), (7973744.659, 7432855.059), 5e-4),
    (P.lambert, dict(longitude=0.0, latitude=0.0), (0.0, 0.0), 0),
    (P.lambert, dict(longitude=1.0, latitude=1.0), (127237.451, 127677.049), 5e-4),
    (P.lambert, dict(longitude=1.0, latitude=1.0, originLatitude=90.0), (127237.451, -12558347.178), 5e-4),
    (P.lambert, dict(longitude=110.0, latitude=35.0, centralMeridian=105.0, parallel1=25.0, parallel2=47.0),
     (447981.825, 4074809.481), 5e-4),
    (P.lambert, dict(longitude=110.0, latitude=35.0, centralMeridian=105.0, parallel1=25.0, parallel2=47.0, crs=1954),
     (447989.335, 4074881.925), 5e-4),
    (P.lambert, dict(longitude=33.0, latitude=90.0), (0.0, 12686024.226), 5e-4),
    (P.lambert, dict(longitude=0.0, latitude=-90.0), (0.0, -3.2586e16), 1e12),
    (P.lambert, dict(longitude=1.0, x=1.0, y=2.0), None, None),
    (P.lambert, dict(x=-1859562.9550294054, y=3634703.6224174704, centralMeridian=-170.0), (170.0, 30.0), 1e-9),
    (P.geodesics, dict(point1=(0.0, 0.0), point2=(0.0, 0.0)), 0.0, 0),
    (P.geodesics, dict(point1=(0.0, 0.0), point2=(1.0, 0.0)), 111319.4907932264, 0),
    (P.geodesics, dict(point1=(0, 0), point2=(1, 0)), 111319.4907932264, 0),
    (P.geodesics, dict(point1=(0.0, 0.0), point2=(0.0, 1.0)), 110574.38855796008, 0),
    (P.geodesics, dict(point1=(108.9423662424, 34.2610116842), point2=(116.3913112879, 39.9055966108)),
     910985.9111078946, 0),
    (P.geodesics, dict(point1=(0.0, 0.0), point2=(179.7, 0.5)), None, 0),
    (P.geodesics, dict(point1=(0, 0), point2=(180, 0)), None, 0),
    (P.geodesics, dict(point1=(0.0, 0.0), point2=(179.5, 0.5)), 19936288.579, 1e-3),
    (P.geodesics, dict(point1=(0, 0), point2=(0, 90)), 10001965.729, 1e-3),
    (P.geodesics, dict(point1=[0, 0], point2=(0.0, 0.0), crs=1), 0.0, 0),
    (P.geodesics, dict(point1=(0, 90), point2=(50, 90)), 0.0, 1e-9),
]


@pytest.mark.parametrize("fn,kwargs,expected,tol", VALUES)
def test_worked_values(fn, kwargs, expected, tol):
    got = fn(**kwargs)
    name = fn.__name__
    oracle = getattr(ref, name)
    okw = {("centralMeridian_" if k == "centralMeridian" else k): v for k, v in kwargs.items()}
    assert outcome_text(fn, **kwargs) == outcome_text(oracle, **okw)
    if expected is None and tol is None:
        return
    if not isinstance(expected, tuple):
        if expected is None or tol == 0:
            assert repr(got) == repr(expected)
        else:
            assert abs(got - expected) <= tol
    elif tol == 0:
        assert type(got) is tuple and repr(got) == repr(expected)
    else:
        close(got, expected, tol)


# ---- failures: (method, kwargs, exception type, message or None) ----

ERRORS = [
    (P.webMercator, dict(longitude=181.0, latitude=95.0), Exception, LON_MSG.format(181.0)),
    (P.webMercator, dict(longitude=0.0, latitude=90.5), Exception, LAT_MSG.format(90.5)),
    (P.webMercator, dict(longitude=0.0, latitude=NAN), Exception, LAT_MSG.format("nan")),
    (P.webMercator, dict(longitude=0.0, latitude=-90.0), ValueError, "math domain error"),
    (P.webMercator, dict(x=0.0, y=1e10), OverflowError, "math range error"),
    (P.webMercator, dict(longitude=1.0), Exception, "Invalid parameter."),
    (P.geodesics, dict(point1=(0.0, 0.0), point2=(1.0, 1.0), crs=1985), KeyError, "1985"),
    (P.geodesics, dict(point1=(0.0, INF), point2=(1.0, 1.0)), ValueError, "math domain error"),
    (P.geodesics, dict(point1=(INF, 0.0), point2=(1.0, 1.0)), ValueError, "math domain error"),
    (P.geodesics, dict(point1=(0.0, "1"), point2=(1.0, 1.0)), TypeError, "must be real number, not str"),
    (P.geodesics, dict(point1=(0.0,), point2=(1.0, 1.0)), IndexError, "tuple index out of range"),
    (P.geodesics, dict(point1=5, point2=(1.0, 1.0)), TypeError, "'int' object is not subscriptable"),
    (P.gaussKruger, dict(x=0.0, y=500000.0), Exception, "Invalid [y] parameter."),
    (P.gaussKruger, dict(x=0.0, y=NAN), Exception, "Invalid [y] parameter."),
    (P.gaussKruger, dict(x=0.0, y=61500000.0), Exception, CM_MSG.format(183.0)),
    (P.gaussKruger, dict(), Exception, "Invalid parameter."),
    (P.gaussKruger, dict(crs=1990), Exception, "Invalid [crs] parameter."),
    (P.gaussKruger, dict(crs=10 ** 30), Exception, "Invalid [crs] parameter."),
    (P.gaussKruger, dict(centralMeridian=117.0, longitude=190.0, latitude=0.0), Exception, LON_MSG.format(190.0)),
    (P.gaussKruger, dict(longitude=190.0, latitude=0.0), Exception, LON_MSG.format(190.0)),
    (P.gaussKruger, dict(centralMeridian=117.0, longitude=INF, latitude=0.0), OverflowError,
     "cannot convert float infinity to integer"),
    (P.gaussKruger, dict(centralMeridian=117.0, longitude=NAN, latitude=0.0), Exception, LON_MSG.format("nan")),
    (P.gaussKruger, dict(longitude=INF, latitude=0.0), Exception, LON_MSG.format("inf")),
    (P.gaussKruger, dict(x=0.0, y=INF), OverflowError, "cannot convert float infinity to integer"),
    (P.gaussKruger, dict(x=INF, y=20500000.0), ValueError, "math domain error"),
    (P.gaussKruger, dict(centralMeridian=200.0, x=0.0, y=0.0), Exception, CM_MSG.format(200.0)),
    (P.gaussKruger, dict(centralMeridian=117.0, longitude=117.0, latitude=-90.5), Exception, LAT_MSG.format(-90.5)),
    (P.albers, dict(centralMeridian=200), Exception, CM_MSG.format(200.0)),
    (P.albers, dict(parallel2=NAN), Exception, "Invalid [parallel2: nan] parameter. Should be between -90 and +90."),
    (P.albers, dict(crs=1985), Exception, "Invalid [crs] parameter."),
    (P.albers, dict(centralMeridian=200.0, crs=1985), Exception, "Invalid [crs] parameter."),
    (P.albers, dict(parallel2=95.0, longitude=200.0, latitude=0.0), Exception,
     "Invalid [parallel2: 95.0] parameter. Should be between -90 and +90."),
    (P.albers, dict(originLatitude=-91), Exception,
     "Invalid [originLatitude: -91.0] parameter. Should be between -90 and +90."),
    (P.albers, dict(longitude=200.0, latitude=0.0), Exception, LON_MSG.format(200.0)),
    (P.albers, dict(longitude=100.0, latitude=-95.0), Exception, LAT_MSG.format(-95.0)),
    (P.albers, dict(), Exception, "Invalid parameter."),
    (P.albers, dict(x=1.0), Exception, "Invalid parameter."),
    (P.albers, dict(longitude=1.0, y=1.0), Exception, "Invalid parameter."),
    (P.albers, dict(parallel1=20.0, parallel2=-20.0), ZeroDivisionError, "float division by zero"),
    (P.albers, dict(parallel1=20.0, parallel2=-20.0, longitude=1.0, latitude=1.0), ZeroDivisionError,
     "float division by zero"),
    (P.albers, dict(x=1e8, y=1e8), ValueError, "math domain error"),
    (P.lambert, dict(crs=1983, centralMeridian=500.0), Exception, "Invalid [crs] parameter."),
    (P.lambert, dict(centralMeridian=200), Exception, CM_MSG.format(200.0)),
    (P.lambert, dict(longitude=200.0, latitude=35.0), Exception, LON_MSG.format(200.0)),
    (P.lambert, dict(longitude=100.0, latitude=95.5), Exception, LAT_MSG.format(95.5)),
    (P.lambert, dict(longitude=1.0), Exception, "Invalid parameter."),
    (P.lambert, dict(x=1.0), Exception, "Invalid parameter."),
    (P.lambert, dict(parallel1=30.0, parallel2=30.0), ZeroDivisionError, "float division by zero"),
    (P.lambert, dict(parallel1=30.0, parallel2=-30.0), ZeroDivisionError, "float division by zero"),
    (P.lambert, dict(parallel1=90.0, parallel2=30.0), ValueError, "math domain error"),
    (P.lambert, dict(parallel1=30.0, parallel2=90.0), ZeroDivisionError, "float division by zero"),
    (P.lambert, dict(parallel1=-20.0, parallel2=-50.0, originLatitude=90.0), ValueError, "math domain error"),
    (P.lambert, dict(parallel1=-20.0, parallel2=-50.0, longitude=0.0, latitude=90.0), ValueError,
     "math domain error"),
]


@pytest.mark.parametrize("fn,kwargs,kind,message", ERRORS)
def test_errors(fn, kwargs, kind, message):
    with pytest.raises(kind) as e:
        fn(**kwargs)
    assert type(e.value) is kind
    if message is not None:
        assert str(e.value) == message


# ---- faults of the plain formulas that are mended ----

def test_gauss_kruger_far_northings_fail_at_once(time_ratio):
    def inverse(x):
        return outcome_text(P.gaussKruger, x=x, y=20500000.0)

    for x in (1e30, 1.7e308, -1.7e308):
        assert inverse(x) == ("Exception", "Invalid [x] parameter.")
        # The footpoint's passes are capped: some 30 times an ordinary northing,
        # where passes left to run on take thousands.
        assert time_ratio(inverse, 3e6, x, repeats=20) < 1000
    for x in (-1e25, 1e20, 3e7):
        assert outcome_text(P.gaussKruger, x=x, y=20500000.0) == outcome_text(ref.gaussKruger, x=x, y=20500000.0)


def test_gauss_kruger_nan_northing_has_no_latitude():
    lon, lat = P.gaussKruger(x=NAN, y=20500000.0)
    assert math.isnan(lon) and math.isnan(lat)


def test_gauss_kruger_antimeridian_longitude_stays_near_its_meridian():
    e, n = P.gaussKruger(longitude=180.0, latitude=10.0)
    assert e // 1000000 == 31
    assert abs(e % 1000000 - 500000.0) < 400000
    lon, lat = P.gaussKruger(x=n, y=e, centralMeridian=-177.0)
    assert abs(abs(lon) - 180.0) < 1e-9 and lat == pytest.approx(10.0, abs=1e-9)
    # within half a turn nothing changes
    assert P.gaussKruger(longitude=179.0, latitude=10.0, centralMeridian=177.0) == \
        ref.gaussKruger(longitude=179.0, latitude=10.0, centralMeridian_=177.0)


def test_gauss_kruger_prefixed_zero_remainder_keeps_false_easting():
    lon, lat = P.gaussKruger(x=0.0, y=20000000.0)
    assert 112.4 < lon < 112.6 and lat == 0.0
    assert P.gaussKruger(x=0.0, y=-93455.16, centralMeridian=117.0)[0] < 117.0


@pytest.mark.parametrize("lon,lat", [(0.0, -30.0), (20.0, -35.0), (-25.0, -60.0), (179.0, -21.0)])
def test_albers_southern_cone_inverts(lon, lat):
    x, y = P.albers(lon, lat, parallel1=-20.0, parallel2=-50.0)
    assert P.albers(x=x, y=y, parallel1=-20.0, parallel2=-50.0) == pytest.approx((lon, lat), abs=1e-9)


@pytest.mark.parametrize("lon,lat,p1,p2", [
    (170.0, 30.0, 20.0, 50.0), (-170.0, 30.0, 20.0, 50.0), (179.0, 60.0, 20.0, 50.0),
    (170.0, -30.0, -20.0, -50.0), (-160.0, -40.0, -20.0, -50.0), (10.0, 30.0, 20.0, 50.0),
])
def test_lambert_inverse_beyond_a_right_angle(lon, lat, p1, p2):
    x, y = P.lambert(lon, lat, parallel1=p1, parallel2=p2)
    assert P.lambert(x=x, y=y, parallel1=p1, parallel2=p2) == pytest.approx((lon, lat), abs=1e-9)


def test_lambert_inverse_on_the_apex_line():
    rf = 12686024.22584939
    lon, lat = P.lambert(x=1000.0, y=P.lambert(longitude=0.0, latitude=90.0)[1])
    assert lon == pytest.approx(90.0 / 0.5804839922, rel=1e-9) and -90 < lat < 90
    assert P.lambert(longitude=170.0, latitude=30.0) == pytest.approx((9134477.985, 14080904.506), abs=1e-3)
    assert P.lambert(x=9134477.985035608, y=14080904.50587523)[0] == 170.0
    assert rf > 0


@pytest.mark.parametrize("fn", [P.gaussKruger, P.albers, P.lambert])
def test_antimeridian_wrap_in_conic_and_gauss_kruger(fn):
    x, y = fn(longitude=170.0, latitude=40.0, centralMeridian=-170.0)
    x2, y2 = fn(longitude=-150.0, latitude=40.0, centralMeridian=-170.0)
    if fn.__name__ == "gaussKruger":  # zone prefixes 29 and 6 come from the longitudes
        x, x2 = x - 29500000.0, x2 - 6500000.0
    assert x == pytest.approx(-x2) and y == pytest.approx(y2)


# ---- bit-for-bit agreement with the plain formulas ----

def _random_cases(rnd, count):
    for _ in range(count):
        lon = rnd.choice([rnd.uniform(-180, 180), rnd.uniform(-200, 200), float(rnd.randint(-180, 180))])
        lat = rnd.choice([rnd.uniform(-90, 90), rnd.uniform(-89.9, 89.9), float(rnd.randint(-90, 90))])
        yield lon, lat


def test_web_mercator_bitwise():
    rnd = random.Random(11)
    for lon, lat in _random_cases(rnd, 4000):
        assert outcome_text(P.webMercator, lon, lat) == outcome_text(ref.webMercator, lon, lat)
        x, y = rnd.uniform(-3e7, 3e7), rnd.uniform(-3e7, 3e7)
        assert outcome_text(P.webMercator, x=x, y=y) == outcome_text(ref.webMercator, x=x, y=y)


def test_geodesics_bitwise():
    rnd = random.Random(12)
    for crs in (1954, 1980, 1984, 2000):
        for _ in range(1500):
            p1 = (rnd.uniform(-180, 180), rnd.uniform(-90, 90))
            p2 = rnd.choice([(rnd.uniform(-180, 180), rnd.uniform(-90, 90)),
                             (p1[0] + rnd.uniform(-1e-6, 1e-6), p1[1]),
                             (p1[0] + 180.0 - rnd.uniform(0, 0.5), -p1[1] + rnd.uniform(-0.5, 0.5)),
                             (rnd.randint(-180, 180), rnd.randint(-90, 90))])
            assert outcome_text(P.geodesics, p1, p2, crs) == outcome_text(ref.geodesics, p1, p2, crs), (p1, p2, crs)
    for p1, p2 in [((NAN, 0.0), (NAN, 0.0)), ((INF, 0.0), (INF, 1.0)), ((0, 0), (0.0, -0.0)),
                   ((10 ** 20 + 1, 1), (10 ** 20, 1)), ((True, 0), (0.5, 0.5)), ((0.0, 90.0), (0.0, -90.0))]:
        assert outcome_text(P.geodesics, p1, p2) == outcome_text(ref.geodesics, p1, p2), (p1, p2)


def test_gauss_kruger_bitwise():
    rnd = random.Random(13)
    for crs in (1954, 1980, 1984, 2000):
        for lon, lat in _random_cases(rnd, 1500):
            cm = rnd.choice([None, float(round(lon)), rnd.uniform(-180, 180)])
            a = outcome_text(P.gaussKruger, centralMeridian=cm, longitude=lon, latitude=lat, crs=crs)
            assert a == outcome_text(ref.gaussKruger, centralMeridian_=cm, longitude=lon, latitude=lat, crs=crs)
            x = rnd.choice([rnd.uniform(-1e7, 1e7), rnd.uniform(-2.1e7, 2.1e7), 0.0, rnd.uniform(-1e-3, 1e-3)])
            y = rnd.choice([rnd.uniform(-5e5, 1e6), rnd.uniform(1e6, 7e7), float(rnd.randint(1, 70) * 1000000),
                            rnd.uniform(1e6, 1.7e308)])
            cm = rnd.choice([None, rnd.uniform(-180, 180)])
            a = outcome_text(P.gaussKruger, centralMeridian=cm, x=x, y=y, crs=crs)
            assert a == outcome_text(ref.gaussKruger, centralMeridian_=cm, x=x, y=y, crs=crs), (cm, x, y, crs)


@pytest.mark.parametrize("fn,oracle", [(P.albers, ref.albers), (P.lambert, ref.lambert)])
def test_conic_bitwise(fn, oracle):
    rnd = random.Random(14)
    for lon, lat in _random_cases(rnd, 3000):
        params = dict(originLatitude=rnd.choice([0.0, rnd.uniform(-90, 90)]),
                      parallel1=rnd.choice([20.0, rnd.uniform(-90, 90), -20.0]),
                      parallel2=rnd.choice([50.0, rnd.uniform(-90, 90), -50.0]),
                      crs=rnd.choice([1954, 1980, 1984, 2000]))
        cm = rnd.choice([0.0, rnd.uniform(-180, 180)])
        got = outcome_text(fn, lon, lat, centralMeridian=cm, **params)
        assert got == outcome_text(oracle, lon, lat, centralMeridian_=cm, **params), (lon, lat, cm, params)
        if got[0] == "tuple":
            x, y = fn(lon, lat, centralMeridian=cm, **params)
            assert outcome_text(fn, x=x, y=y, centralMeridian=cm, **params) == \
                outcome_text(oracle, x=x, y=y, centralMeridian_=cm, **params)
        x, y = rnd.uniform(-2e7, 2e7), rnd.uniform(-2e7, 2e7)
        assert outcome_text(fn, x=x, y=y, centralMeridian=cm, **params) == \
            outcome_text(oracle, x=x, y=y, centralMeridian_=cm, **params)


@pytest.mark.parametrize("crs", [1954, 1980, 1984, 2000])
def test_round_trips(crs):
    rnd = random.Random(crs)
    for _ in range(500):
        cm = float(rnd.randint(-59, 60) * 3)
        lon, lat = max(-180.0, min(180.0, cm + rnd.uniform(-3, 3))), rnd.uniform(-80, 80)
        e, n = P.gaussKruger(centralMeridian=cm, longitude=lon, latitude=lat, crs=crs)
        back = P.gaussKruger(centralMeridian=cm, x=n, y=e, crs=crs)
        assert back == pytest.approx((lon, lat), abs=1e-8)
        lon, lat = rnd.uniform(-180, 180), rnd.uniform(-85, 85)
        for fn in (P.albers, P.lambert):
            x, y = fn(lon, lat, crs=crs)
            assert fn(x=x, y=y, crs=crs) == pytest.approx((lon, lat), abs=1e-9)
        x, y = P.webMercator(lon, lat)
        assert P.webMercator(x=x, y=y) == pytest.approx((lon, lat), abs=1e-9)


# ---- agreement with independent references (values computed once with an exact
# transverse Mercator and GeographicLib, frozen here) ----

@pytest.mark.parametrize("p1,p2,crs,length", [
    ((-139.44815, 35.60777), (-69.95921, -11.17491), 1984, 8935244.5604818305),
    ((116.4074, 39.9042), (114.3055, 30.5928), 1984, 1050528.005838),
    ((116.4074, 39.9042), (114.3055, 30.5928), 1954, 1050546.280272),
])
def test_geodesic_against_independent_values(p1, p2, crs, length):
    assert abs(P.geodesics(p1, p2, crs) - length) < 1e-4


@pytest.mark.parametrize("crs,easting,northing", [
    (2000, 20449324.7914, 4419060.1184),
    (1954, 20449323.9433, 4419138.2747),
])
def test_gauss_kruger_against_exact_transverse_mercator(crs, easting, northing):
    e, n = P.gaussKruger(longitude=116.4074, latitude=39.9042, crs=crs)
    assert abs(e - easting) < 1e-4 and abs(n - northing) < 1e-4


def test_against_pyproj():
    pyproj = pytest.importorskip("pyproj", exc_type=ImportError)
    rnd = random.Random(21)
    tm = pyproj.Transformer.from_crs("EPSG:4490", "+proj=tmerc +lat_0=0 +lon_0=117 +k=1 +x_0=20500000 +y_0=0 "
                                     "+ellps=GRS80 +units=m +no_defs", always_xy=True)
    merc = pyproj.Transformer.from_crs("EPSG:4326", "EPSG:3857", always_xy=True)
    geod = pyproj.Geod(ellps="WGS84")
    for _ in range(300):
        lon, lat = 117.0 + rnd.uniform(-3, 3), rnd.uniform(-80, 80)
        close(P.gaussKruger(centralMeridian=117.0, longitude=lon, latitude=lat), tm.transform(lon, lat), 1e-4)
        lon, lat = rnd.uniform(-180, 180), rnd.uniform(-85, 85)
        close(P.webMercator(lon, lat), merc.transform(lon, lat), 1e-6)
        lon2, lat2 = rnd.uniform(-180, 180), rnd.uniform(-85, 85)
        d = P.geodesics((lon, lat), (lon2, lat2))
        if d is not None:
            assert abs(d - geod.inv(lon, lat, lon2, lat2)[2]) < 1e-4


def test_against_geographiclib():
    geodesic = pytest.importorskip("geographiclib.geodesic", exc_type=ImportError)
    g = geodesic.Geodesic.WGS84
    rnd = random.Random(22)
    for _ in range(300):
        lat1, lon1, lat2, lon2 = rnd.uniform(-85, 85), rnd.uniform(-180, 180), rnd.uniform(-85, 85), rnd.uniform(-180, 180)
        d = P.geodesics((lon1, lat1), (lon2, lat2))
        if d is not None:
            assert abs(d - g.Inverse(lat1, lon1, lat2, lon2)["s12"]) < 1e-4
