"""A plain Python reading of the sheet arithmetic, for the tests to compare
against: same operations in the same order, Python's own floor and division.
Row and column stay inside the 1:1,000,000 sheet that the band and column
rule picks, and inside the coarser sheet whose old code they extend."""
import math

MAPCODE = "ABCDEFGHIJKLMNOPQRSTUVW"
MAPWORD = "ABCD"
MAPWORD5000 = "abcd"
SCALES = [1000000, 500000, 250000, 200000, 100000, 50000, 25000, 10000, 5000, 2000, 1000, 500]
N = {1000000: 1, 500000: 2, 250000: 4, 200000: 6, 100000: 12, 50000: 24, 25000: 48,
     10000: 96, 5000: 192, 2000: 576, 1000: 1152, 500: 2304}
LETTER = {500000: "B", 250000: "C", 100000: "D", 50000: "E", 25000: "F", 10000: "G",
          5000: "H", 2000: "I", 1000: "J", 500: "K"}
PARENT = {50000: (100000, 2), 25000: (50000, 2), 10000: (100000, 8), 5000: (10000, 2),
          2000: (5000, 3), 1000: (2000, 2), 500: (1000, 2)}


def clamp(v, lo, hi):
    return min(max(v, lo), hi)


def frame(lon, lat):
    i = math.floor(abs(lat) / 4)
    sign = "" if lat >= 0.0 else "S"
    c = clamp(math.floor(lon / 6) + 31, 1, 60)
    west = (c - 1) * 6 - 180
    south = i * 4 if sign == "" else -1 * (4 + i * 4)
    return sign + MAPCODE[i] + "{:0>2d}".format(c), sign + MAPCODE[i] + "-{:0>2d}".format(c), west, south


def row_col(lon, lat, lon0, lat0, scale):
    n = N[scale]
    row = n - math.floor(((lat - lat0) * n) / 4.0)
    col = 1 + math.floor(((lon - lon0) * n) / 6.0)
    row, col = clamp(row, 1, n), clamp(col, 1, n)
    if scale in PARENT:
        parent, m = PARENT[scale]
        pr, pc = row_col(lon, lat, lon0, lat0, parent)
        row = clamp(row, (pr - 1) * m + 1, pr * m)
        col = clamp(col, (pc - 1) * m + 1, pc * m)
    return row, col


def boundary(lon0, lat0, n, row, col):
    return {
        "north": lat0 + ((n - row) * 4.0) / n + 4 / n,
        "south": lat0 + ((n - row) * 4.0) / n,
        "west": lon0 + ((col - 1) * 6.0) / n,
        "east": lon0 + ((col - 1) * 6.0) / n + 6 / n,
    }


def sheet(lon, lat, scale=1000000):
    """{'new', 'old', 'boundary'} of the sheet holding a position."""
    lon, lat = float(lon), float(lat)
    new1m, old1m, lon0, lat0 = frame(lon, lat)
    if scale == 1000000:
        return {"new": new1m, "old": old1m,
                "boundary": {"north": lat0 + 4, "south": lat0, "west": lon0, "east": lon0 + 6}}
    n = N[scale]
    row, col = row_col(lon, lat, lon0, lat0, scale)
    digits = 4 if scale in (1000, 500) else 3
    new = "{}{}{}{}".format(new1m, LETTER.get(scale, ""), str(row).zfill(digits), str(col).zfill(digits))
    if scale == 500000:
        old = "{}-{}".format(old1m, MAPWORD[(row - 1) * 2 + col - 1])
    elif scale == 250000:
        old = "{}-[{}]".format(old1m, (row - 1) * 4 + col)
    elif scale == 200000:
        old = new = "{}-({:0>2d})".format(old1m, (row - 1) * 6 + col)
    elif scale == 100000:
        old = "{}-{}".format(old1m, (row - 1) * 12 + col)
    else:
        parent, m = PARENT[scale]
        index = ((row - 1) % m) * m + (col - 1) % m
        prefix = sheet(lon, lat, parent)["old"]
        if scale == 50000:
            old = "{}-{}".format(prefix, MAPWORD[index])
        elif scale == 5000:
            old = "{}-{}".format(prefix, MAPWORD5000[index])
        elif scale == 10000:
            old = "{}-({})".format(prefix, index + 1)
        else:
            old = "{}-{}".format(prefix, index + 1)
    return {"new": new, "old": old, "boundary": boundary(lon0, lat0, n, row, col)}


def new_code_boundary(lon0, lat0, letter, row, col):
    """Boundary of a new-style code inside the 1:1,000,000 sheet with that corner."""
    n = {"B": 2, "C": 4, "D": 12, "E": 24, "F": 48, "G": 96, "H": 192, "I": 576, "J": 1152, "K": 2304}[letter]
    return {
        "north": (lat0 + ((n - row) * 4.0) / n) + 4.0 / n,
        "south": lat0 + ((n - row) * 4.0) / n,
        "west": lon0 + ((col - 1) * 6.0) / n,
        "east": (lon0 + ((col - 1) * 6.0) / n) + 6.0 / n,
    }


def grid_lines(north, south, west, east, zoom=0):
    """Meridians then parallels, line k at (k*6)/n or (k*4)/n, clipped to the window;
    the snapped edges are the nearest lines at or beyond the window."""
    table = [(16, 2304, 500), (15, 1152, 1000), (14, 576, 2000), (13, 192, 5000), (12, 96, 10000),
             (11, 48, 25000), (10, 24, 50000), (9, 12, 100000), (8, 6, 200000), (7, 4, 250000), (6, 2, 500000)]
    n, scale = 1, 1000000
    for z, nn, s in table:
        if (zoom >= 16 if z == 16 else zoom == z):
            n, scale = nn, s
            break
    dlng, dlat = 6 / n, 4 / n

    def at_or_below(edge, span):
        k = math.floor(edge * n / span)
        while ((k + 1) * span) / n <= edge:
            k += 1
        while (k * span) / n > edge:
            k -= 1
        return k

    def at_or_above(edge, span):
        k = math.ceil(edge * n / span)
        while ((k - 1) * span) / n >= edge:
            k -= 1
        while (k * span) / n < edge:
            k += 1
        return k

    kn, ks = at_or_above(north, 4), at_or_below(south, 4)
    kw, ke = at_or_below(west, 6), at_or_above(east, 6)
    ng, sg, wg, eg = (kn * 4) / n, (ks * 4) / n, (kw * 6) / n, (ke * 6) / n
    out = []
    for k in range(kw, ke + 1):
        lng = (k * 6) / n
        if west <= lng <= east:
            out.append({"remarks": "longitude", "type": "LineString",
                        "coordinates": [[lng, max(south, sg)], [lng, min(north, ng)]], "scale": scale})
    for k in range(ks, kn + 1):
        lat = (k * 4) / n
        if south <= lat <= north:
            out.append({"remarks": "latitude", "type": "LineString",
                        "coordinates": [[max(west, wg), lat], [min(east, eg), lat]], "scale": scale})
    return out, [ke - kw + 1, kn - ks + 1], [dlng, dlat], scale


def grid_running_sum(north, south, west, east, zoom=0):
    """The running-sum walk over the same grid (agrees with grid_lines where the steps are exact)."""
    _, _, (dlng, dlat), scale = grid_lines(north, south, west, east, zoom)
    ng = math.ceil(north / dlat) * dlat
    sg = math.floor(south / dlat) * dlat
    wg = math.floor(west / dlng) * dlng
    eg = math.ceil(east / dlng) * dlng
    out = []
    lng = wg
    while lng <= eg:
        if west <= lng <= east:
            out.append({"remarks": "longitude", "type": "LineString",
                        "coordinates": [[lng, max(south, sg)], [lng, min(north, ng)]], "scale": scale})
        lng += dlng
    lat = sg
    while lat <= ng:
        if south <= lat <= north:
            out.append({"remarks": "latitude", "type": "LineString",
                        "coordinates": [[max(west, wg), lat], [min(east, eg), lat]], "scale": scale})
        lat += dlat
    count = [int((eg - wg) // dlng) + 1, int((ng - sg) // dlat) + 1]
    return out, count
