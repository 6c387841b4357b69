"""Plain Python versions of the projection formulas, used as the oracle.

Each function evaluates its formula in the same grouping as the module, with
the `math` module, so the module's results must agree with these bit for bit
(including the exceptions they raise).
"""
import math
import re
from fractions import Fraction

DECIMAL = r"^\s*([+-]?)([0-3]?[0-9]{1,2}((\.\d*)|()))\s*(度|°)?\s*$"
PACKED = r"^\s*([\-+]?)([0-3]?[0-9]{1,2})(([0-5][0-9])|(60))((([0-5][0-9])|(60))((\.\d*)|()))(度|°)?\s*$"
SYMBOL = r"^\s*([\-+]?)(([0-3]?\d{1,2})[°度])?((([0-5]?\d)|(60))[′分])?(((([0-5]?\d)|(60))((\.\d*)|()))[″秒])?\s*$"

A = {1954: 6378245.0, 1980: 6378140.0, 1984: 6378137.0, 2000: 6378137.0}
F = {1954: 1 / 298.3, 1980: 1 / 298.257, 1984: 1 / 298.257223563, 2000: 1 / 298.257222101}
GK = {
    1954: (0.006693421622965863, 0.006738525414683408, 1.00505177390264, 0.00253118883004163,
           2.65613240640923e-06, 3.46857013689054e-09, 4.91369956981997e-12, 7.25789039272222e-15,
           1.07308289277072e-17),
    1980: (0.006694384999587975, 0.00673950181947295, 1.00505250559297, 0.00253155620900067,
           2.65690155540383e-06, 3.47007559905791e-09, 4.91654216666523e-12, 7.26313725279036e-15,
           1.07400991193685e-17),
    1984: (0.006694379990096569, 0.006739496742231083, 1.00505250178823, 0.00253155429865335,
           2.65689755559121e-06, 3.47006776962726e-09, 4.91652738216042e-12, 7.2631099616205e-15,
           1.07400508977617e-17),
    2000: (0.0066943800229006855, 0.006739496775478855, 1.00505250181315, 0.00253155431116305,
           2.65689758178354e-06, 3.47006782089741e-09, 4.91652747897505e-12, 7.26311014033353e-15,
           1.07400512135351e-17),
}


def _range(value, lo, hi, name, words):
    if not lo <= value <= hi:
        raise Exception("Invalid [{}: {}] parameter. Should be between {}.".format(name, value, words))


def _near(longitude, cm):
    d = longitude - cm
    return longitude - 360.0 if d > 180 else longitude + 360.0 if d < -180 else longitude


def _wrap(longitude):
    """An inverse longitude beyond +-180, less or plus the fewest whole turns, in exact arithmetic."""
    if -180 <= longitude <= 180 or not math.isfinite(longitude):
        return longitude
    q = Fraction(longitude)
    if q > 180:
        return float(q - 360 * math.ceil((q - 180) / 360))
    return float(q + 360 * math.ceil((-180 - q) / 360))


def angle(deg=None, dms=None, digit=None):
    if deg is not None:
        m = re.search(DECIMAL, str(deg))
        if m is None:
            raise Exception("Invalid [deg] parameter.")
        sign = m.group(1) == "-"
        value = float(m.group(2))
        if not value <= 360:
            raise Exception("[{}] should be between [-360 ～ +360] in [deg] parameter.".format(value))
        d = math.floor(value)
        mi = math.floor((value - d) * 60)
        s = (value - d) * 3600.0 - mi * 60.0
        if s >= 60.0:
            s = s - 60
            mi = mi + 1
        if mi >= 60:
            mi = mi - 60
            d = d + 1
        s = s if digit is None else round(s, abs(int(digit)))
        return "{}{}°{}′{}″".format("-" if sign else "", d, mi, s)
    if dms is not None:
        text = str(dms)
        m = re.search(DECIMAL, text)
        if m:
            sign = m.group(1) == "-"
            result = float(m.group(2))
            if sign:
                result *= -1
        else:
            m = re.search(PACKED, text)
            if m:
                sign = m.group(1) == "-"
                d, mi, s = int(m.group(2)), int(m.group(3)), float(m.group(6))
            else:
                m = re.search(SYMBOL, text)
                if not m:
                    raise Exception("Invalid [dms] parameter.")
                sign = m.group(1) == "-"
                d = int(m.group(3)) if m.group(3) is not None else 0
                mi = int(m.group(5)) if m.group(5) is not None else 0
                s = float(m.group(9)) if m.group(9) is not None else 0.0
            result = (-1 if sign else 1) * ((d + mi / 60.0) + s / 3600.0)
        if not abs(result) <= 360:
            raise Exception("[{}] should be between [-360 ～ +360] in [dms] parameter.".format(dms))
        return result if digit is None else round(result, abs(int(digit)))
    raise Exception("Invalid parameter.")


def zone(longitude, zoneCode=6):
    longitude = float(longitude)
    _range(longitude, -180, 180, "longitude", "-180 and +180")
    if zoneCode != 3:
        zoneCode = 6
    circle360 = (longitude + 360) % 360
    if zoneCode == 3:
        return max(1, int((circle360 + 0.5 * zoneCode) // zoneCode))
    return int((circle360 + zoneCode) // zoneCode)


def centralMeridian(longitude=None, zone_=None, zoneCode=6):
    if longitude is not None:
        zone_ = zone(longitude=longitude, zoneCode=zoneCode)
    if zone_ is None:
        raise Exception("Invalid [zone] parameter.")
    if zoneCode != 3:
        zoneCode = 6
    if zoneCode == 3:
        if 1 <= zone_ <= 120:
            return zone_ * 3 - (0 if zone_ <= 60 else 360)
        raise Exception("Invalid [zone: {}] parameter. Should be between 1 and 120.".format(zone_))
    if 1 <= zone_ <= 60:
        return (zone_ - 0.5) * 6 - (0 if zone_ <= 30 else 360)
    raise Exception("Invalid [zone: {}] parameter. Should be between 1 and 60.".format(zone_))


def webMercator(longitude=None, latitude=None, x=None, y=None):
    a = A[1984]
    if longitude is not None and latitude is not None:
        _range(longitude, -180, 180, "longitude", "-180 and +180")
        _range(latitude, -90, 90, "latitude", "-90 and +90")
        return (math.radians(longitude) * a, math.log(math.tan(math.radians(90 + latitude) / 2)) * a)
    if x is not None and y is not None:
        return (math.degrees(x / a), math.degrees(2 * math.atan(math.exp(y / a)) - math.pi / 2))
    raise Exception("Invalid parameter.")


def geodesics(point1, point2, crs=1984):
    if point1[0] == point2[0] and point1[1] == point2[1]:
        return 0.0
    f = F[crs]
    U1 = math.atan((1 - f) * math.tan(math.radians(point1[1])))
    U2 = math.atan((1 - f) * math.tan(math.radians(point2[1])))
    L = math.radians(point2[0] - point1[0])
    Lambda = L
    sinU1, cosU1, sinU2, cosU2 = math.sin(U1), math.cos(U1), math.sin(U2), math.cos(U2)
    for _ in range(200):
        sinLambda = math.sin(Lambda)
        cosLambda = math.cos(Lambda)
        sinSigma = math.sqrt((cosU2 * sinLambda) ** 2 + (cosU1 * sinU2 - sinU1 * cosU2 * cosLambda) ** 2)
        if sinSigma == 0:
            return 0.0
        cosSigma = sinU1 * sinU2 + cosU1 * cosU2 * cosLambda
        sigma = math.atan2(sinSigma, cosSigma)
        sinAlpha = cosU1 * cosU2 * sinLambda / sinSigma
        cosSqAlpha = 1 - sinAlpha ** 2
        try:
            cos2SigmaM = cosSigma - 2 * sinU1 * sinU2 / cosSqAlpha
        except ZeroDivisionError:
            cos2SigmaM = 0
        C = f / 16 * cosSqAlpha * (4 + f * (4 - 3 * cosSqAlpha))
        LambdaPrev = Lambda
        Lambda = L + (1 - C) * f * sinAlpha * (sigma + C * sinSigma * (
            cos2SigmaM + C * cosSigma * (-1 + 2 * cos2SigmaM ** 2)))
        if abs(Lambda - LambdaPrev) < 1e-12:
            break
    else:
        return None
    a = A[crs]
    b = (1 - f) * a
    uSq = cosSqAlpha * (a ** 2 - b ** 2) / b ** 2
    A_ = 1 + uSq / 16384 * (4096 + uSq * (-768 + uSq * (320 - 175 * uSq)))
    B = uSq / 1024 * (256 + uSq * (-128 + uSq * (74 - 47 * uSq)))
    deltaSigma = B * sinSigma * (cos2SigmaM + B / 4 * (cosSigma * (-1 + 2 * cos2SigmaM ** 2) - B / 6 * cos2SigmaM * (
        -3 + 4 * sinSigma ** 2) * (-3 + 4 * cos2SigmaM ** 2)))
    return b * A_ * (sigma - deltaSigma)


def _arc(row, b):
    _, _, a1, b1, c1, d1, e1, f1, g1 = row
    return (a1 * b - b1 * math.sin(2 * b) + c1 * math.sin(4 * b) - d1 * math.sin(6 * b) + e1 * math.sin(8 * b)
            - f1 * math.sin(10 * b) + g1 * math.sin(12 * b))


def gaussKruger(centralMeridian_=None, x=None, y=None, longitude=None, latitude=None, crs=2000):
    if crs not in GK:
        raise Exception("Invalid [crs] parameter.")
    a = A[crs]
    row = GK[crs]
    e12, e22, a1, b1, c1, d1, e1, f1, g1 = row
    zone_ = None
    zone6 = centralMeridian_ is None
    if x is not None and y is not None:
        if y >= 1000000:
            zone_ = math.floor(y / 1000000)
            if zone_ > 30 and centralMeridian_ is None:
                zone6 = False
            y = y - zone_ * 1000000.0
        if centralMeridian_ is None:
            if zone_ is None:
                raise Exception("Invalid [y] parameter.")
            centralMeridian_ = float(zone_ * 6 - 3) if zone6 else float(zone_ * 3)
        _range(centralMeridian_, -180, 180, "centralMeridian", "-180 and +180")
        if zone_ is not None or y > 0:
            y = y - 500000.0
        a0 = a * (1 - e12)
        bf = x / (a * (1 - e12)) * a1
        b0 = bf if math.isnan(bf) else 0.0
        delta = 2.777777777777778e-09 * math.pi / 180
        passes = 0
        while abs(b0 - bf) > delta:
            passes += 1
            if passes > 100:
                raise Exception("Invalid [x] parameter.")
            b0 = bf
            fb = a0 * _arc(row, b0)
            fb1 = a0 * (a1 - (2 * b1) * math.cos(2 * b0) + (4 * c1) * math.cos(4 * b0) - (6 * d1) * math.cos(6 * b0)
                        + (8 * e1) * math.cos(8 * b0) - (10 * f1) * math.cos(10 * b0) + (12 * g1) * math.cos(12 * b0))
            bf = b0 + (x - fb) / fb1
        sinbf = math.sin(b0)
        sqrtsinbf2 = math.sqrt(1 - e12 * sinbf * sinbf)
        n = a / sqrtsinbf2
        t = math.tan(b0)
        t2 = t * t
        t4 = t2 * t2
        cosbf = math.cos(b0)
        yy = e22 * cosbf * cosbf
        yn = y / n
        yn2 = yn * yn
        lon = centralMeridian_ + yn * (1 - (1 + 2 * t2 + yy) * yn2 / 6 + (
            5 + 28 * t2 + 24 * t4 + 6 * yy + 8 * yy * t2) * yn2 * yn2 / 120) / cosbf * 180 / math.pi
        lat = (b0 - t / (2 * a0 / math.pow(sqrtsinbf2, 3)) * y * yn * (
            1 - (5 + 3 * t2 + yy - 9 * yy * t2) * yn2 / 12 + (61 + 90 * t2 + 45 * t4) * yn2 * yn2 / 360)) * 180 / math.pi
        return (_wrap(lon), lat)
    if longitude is not None and latitude is not None:
        if centralMeridian_ is None:
            centralMeridian_ = centralMeridian(longitude=longitude, zoneCode=6)
        if longitude > 0:
            zone_ = math.floor(longitude / 6) + 1
        elif longitude < 0:
            zone_ = math.floor((longitude + 180) / 6) + 1
        else:
            zone_ = 0
        _range(centralMeridian_, -180, 180, "centralMeridian", "-180 and +180")
        _range(longitude, -180, 180, "longitude", "-180 and +180")
        _range(latitude, -90, 90, "latitude", "-90 and +90")
        longitude = _near(longitude, centralMeridian_)
        b = latitude * math.pi / 180
        deltal = (longitude - centralMeridian_) * math.pi / 180
        deltal2 = deltal * deltal
        t = math.tan(b)
        t2 = t * t
        t4 = t2 * t2
        cosb = math.cos(b)
        cosb2 = cosb * cosb
        yy = e22 * cosb2
        n = math.sqrt(1 - e12 * math.pow(math.sin(b), 2))
        cx = a * ((1 - e12) * _arc(row, b) + t * cosb2 * deltal2 * (0.5 + cosb2 * deltal2 * (
            (5 - t2 + 9 * yy + 4 * yy * yy) / 24 + (61 - 58 * t2 + t4) * cosb2 * deltal2 / 720)) / n)
        cy = a * (deltal * cosb * (1 + cosb2 * deltal2 * (
            (1 - t2 + yy) / 6 + (5 - 18 * t2 + t4 + 14 * yy - 58 * yy * t2) * cosb2 * deltal2 / 120))) / n
        return (zone_ * 1000000.0 + 500000.0 + cy, cx)
    raise Exception("Invalid parameter.")


def _conic_checks(centralMeridian_, originLatitude, parallel1, parallel2, crs):
    if crs not in A:
        raise Exception("Invalid [crs] parameter.")
    _range(centralMeridian_, -180, 180, "centralMeridian", "-180 and +180")
    _range(originLatitude, -90, 90, "originLatitude", "-90 and +90")
    _range(parallel1, -90, 90, "parallel1", "-90 and +90")
    _range(parallel2, -90, 90, "parallel2", "-90 and +90")


def albers(longitude=None, latitude=None, centralMeridian_=0.0, originLatitude=0.0, parallel1=20.0, parallel2=50.0,
           x=None, y=None, crs=2000):
    centralMeridian_, originLatitude = float(centralMeridian_), float(originLatitude)
    parallel1, parallel2 = float(parallel1), float(parallel2)
    _conic_checks(centralMeridian_, originLatitude, parallel1, parallel2, crs)
    a = A[crs]
    rad = math.pi / 180
    parallel1 = parallel1 * rad
    parallel2 = parallel2 * rad
    n = 0.5 * (math.sin(parallel1) + math.sin(parallel2))
    c = math.pow(math.cos(parallel1), 2) + 2 * n * math.sin(parallel1)
    ro0 = math.sqrt(c - 2 * n * math.sin(math.radians(originLatitude))) / n
    if longitude is not None and latitude is not None:
        _range(longitude, -180, 180, "longitude", "-180 and +180")
        _range(latitude, -90, 90, "latitude", "-90 and +90")
        longitude = _near(longitude, centralMeridian_)
        cita = n * (math.radians(longitude) - math.radians(centralMeridian_))
        ro = math.sqrt(c - 2 * n * math.sin(math.radians(latitude))) / n
        return (ro * math.sin(cita) * a, (ro0 - ro * math.cos(cita)) * a)
    if x is not None and y is not None:
        x = x / a
        y = y / a
        theta = math.atan2(-x, -(ro0 - y)) if n < 0 else math.atan2(x, ro0 - y)
        lon = math.degrees(math.radians(centralMeridian_) + theta / n)
        lat = math.degrees(math.asin((c - math.sqrt(x * x + (ro0 - y) * (ro0 - y)) ** 2 * n * n) / (2 * n)))
        return (_wrap(lon), lat)
    raise Exception("Invalid parameter.")


def lambert(longitude=None, latitude=None, centralMeridian_=0.0, originLatitude=0.0, parallel1=20.0, parallel2=50.0,
            x=None, y=None, crs=2000):
    centralMeridian_, originLatitude = float(centralMeridian_), float(originLatitude)
    parallel1, parallel2 = float(parallel1), float(parallel2)
    _conic_checks(centralMeridian_, originLatitude, parallel1, parallel2, crs)

    def calc_m(phi, es):
        return math.cos(phi) / math.sqrt(1 - es * math.sin(phi) ** 2)

    def calc_t(phi, e):
        esinphi = e * math.sin(phi)
        return math.tan(math.pi / 4 - phi / 2) / math.pow((1 - esinphi) / (1 + esinphi), e / 2)

    def calc_r(a, F_, t, n):
        return (a * F_) * math.pow(t, n)

    def calc_phi(t_i, e, phi):
        esinphi = e * math.sin(phi)
        return math.pi / 2 - 2 * math.atan(t_i * math.pow((1 - esinphi) / (1 + esinphi), e / 2))

    def solve_phi(t_i, e, init):
        i = 0
        phi = init
        newphi = calc_phi(t_i, e, phi)
        while abs(newphi - phi) > 1e-9 and i < 10:
            i = i + 1
            phi = newphi
            newphi = calc_phi(t_i, e, phi)
        return newphi

    a = A[crs]
    f = F[crs]
    rad = math.pi / 180
    falseEast = 0
    falseNorth = 0
    parallel1 = parallel1 * rad
    parallel2 = parallel2 * rad
    es = 2 * f - f * f
    _e = math.sqrt(es)
    m1 = calc_m(parallel1, es)
    m2 = calc_m(parallel2, es)
    _tF = calc_t(math.radians(originLatitude), _e)
    t1 = calc_t(parallel1, _e)
    t2 = calc_t(parallel2, _e)
    _n = math.log(m1 / m2) / math.log(t1 / t2)
    _F = m1 / (_n * math.pow(t1, _n))
    _rF = calc_r(a, _F, _tF, _n)
    if longitude is not None and latitude is not None:
        _range(longitude, -180, 180, "longitude", "-180 and +180")
        _range(latitude, -90, 90, "latitude", "-90 and +90")
        longitude = _near(longitude, centralMeridian_)
        t = calc_t(math.radians(latitude), _e)
        r = calc_r(a, _F, t, _n)
        theta = _n * (math.radians(longitude) - math.radians(centralMeridian_))
        return (falseEast + r * math.sin(theta), (falseNorth + _rF) - r * math.cos(theta))
    if x is not None and y is not None:
        dx = x - falseEast
        dy = _rF - (y - falseNorth)
        if (dy > 0) if _n > 0 else (dy < 0):
            theta_i = math.atan(dx / dy)
        else:
            theta_i = math.atan2(dx, dy) if _n > 0 else math.atan2(-dx, -dy)
        r_i = (1 if _n > 0 else -1) * math.sqrt(dx * dx + dy * dy)
        t_i = math.pow(r_i / (a * _F), 1.0 / _n)
        lon = math.degrees(theta_i / _n + math.radians(centralMeridian_))
        return (_wrap(lon), math.degrees(solve_phi(t_i, _e, 0.0)))
    raise Exception("Invalid parameter.")
