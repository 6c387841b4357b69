"""Record packers for MapGIS point and polygon test files (struct only).

The file frame (head, section table, attribute structure) comes from
mapgis_writer; this module packs what is particular to points and polygons.
"""

import struct

POINT_HEAD = "<1B1h1i2d8s1b1B"
POINT_SLOT = 93
POLYGON = "<1B3i1h2f1h1i1B1h8s"
TOPOLOGY = "<4i8s"
POLYLINE = "<2B5i1h2B1i1f1B2f3i1h"

assert struct.calcsize(POINT_HEAD) == 33
assert struct.calcsize(POLYGON) == 40
assert struct.calcsize(TOPOLOGY) == 24
assert struct.calcsize(POLYLINE) == 57


# ---- point bodies ------------------------------------------------------------

def string_body(height=1.0, width=1.0, gap=0.0, angle=0.0, font_chinese=1, font_english=2,
                font_style=0, arrangement=0, color=1, layer=0):
    return struct.pack("<4f2h2B20s1i4s1i", height, width, gap, angle, font_chinese, font_english,
                       font_style, arrangement, b"", color, b"", layer)


def marker_body(marker=1, height=1.0, width=1.0, angle=0.0, color=1, layer=0):
    return struct.pack("<1i3f26s1i4s1i", marker, height, width, angle, b"", color, b"", layer)


def circle_body(radius=1.0, color=1, width=0.5, flag=0, fill_color=1, layer=0):
    return struct.pack("<1d1i1f1B25s1i4s1i", radius, color, width, flag, b"", fill_color, b"", layer)


def arc_body(radius=1.0, start_angle=0.0, end_angle=90.0, width=0.5, color=1, layer=0):
    return struct.pack("<1d3f22s1i4s1i", radius, start_angle, end_angle, width, b"", color, b"", layer)


def image_body(width=10.0, height=20.0, angle=0.0):
    return struct.pack("<2d1f", width, height, angle)


def text_body(height=1.0, width=1.0, x_gap=0.0, angle=0.0, font_chinese=1, font_english=2,
              font_style=0, y_gap=0.0, layout_height=5.0, layout_width=6.0, arrangement=0,
              color=1, layer=0):
    return struct.pack("<4f2h1B3f1B8s1i4s1i", height, width, x_gap, angle, font_chinese,
                       font_english, font_style, y_gap, layout_height, layout_width, arrangement,
                       b"", color, b"", layer)


BODY_OF_SUBTYPE = {0: string_body, 1: marker_body, 2: circle_body, 3: arc_body,
                   4: image_body, 5: text_body}


def point_slot(x, y, subtype=0, body=None, text_count=0, text_offset=0, flag=1, transparent=0):
    """One 93-byte point record slot; `body` defaults to the subtype's own."""
    if body is None:
        body = BODY_OF_SUBTYPE[subtype]() if subtype in BODY_OF_SUBTYPE else b""
    head = struct.pack(POINT_HEAD, flag, text_count, text_offset, x, y, b"", subtype, transparent)
    slot = head + body
    assert len(slot) <= POINT_SLOT
    return slot + b"\0" * (POINT_SLOT - len(slot))


class TextArea:
    """Builds the coordinate/text area of a point file, handing out offsets."""

    def __init__(self, lead=b"\0" * 8):
        self.data = bytearray(lead)

    def add(self, raw):
        offset = len(self.data)
        self.data += raw
        return offset, len(raw)


# ---- polygons ----------------------------------------------------------------

def polygon_slot(polylines, start, flag=1, fill_color=1, fill_pattern=0, pattern_height=1.0,
                 pattern_width=1.0, line_width=0, pattern_color=1, transparent=0, layer=0):
    return struct.pack(POLYGON, flag, polylines, start, fill_color, fill_pattern, pattern_height,
                       pattern_width, line_width, pattern_color, transparent, layer, b"")


def topology_slot(start_node, finish_node, left=0, right=0):
    return struct.pack(TOPOLOGY, start_node, finish_node, left, right, b"")


def arc_line_slot(vertices, start, flag=1):
    return struct.pack(POLYLINE, flag, 0, 0, 0, vertices, start, 0, 0, 0, 0, 0, 0.0, 0,
                       1.0, 1.0, 0, 0, 0, 0)


class PolygonParts:
    """Arcs, topology and polygons of a polygon file, laid out as sections.

    add_arc returns the arc number (from 1); add_polygon takes the arc list
    (signed arc numbers and 0 separators) and keyword style fields.
    """

    def __init__(self):
        self.coords = bytearray(b"\0" * 8)
        self.arcs = [arc_line_slot(0, 0, flag=0)]      # slot 0, never read
        self.topology = [topology_slot(0, 0)]
        self.polygons = [polygon_slot(0, 0, flag=0)]

    def add_arc(self, vertices, start_node=0, finish_node=0):
        start = len(self.coords)
        for x, y in vertices:
            self.coords += struct.pack("<2d", x, y)
        self.arcs.append(arc_line_slot(len(vertices), start))
        self.topology.append(topology_slot(start_node, finish_node))
        return len(self.arcs) - 1

    def add_polygon(self, arc_list, polylines=None, first_entry=0, **style):
        start = len(self.coords)
        self.coords += struct.pack("<l", first_entry)
        for a in arc_list:
            self.coords += struct.pack("<l", a)
        if polylines is None:
            polylines = len(arc_list) + 1
        self.polygons.append(polygon_slot(polylines, start, **style))
        return len(self.polygons) - 2  # record index

    def add_raw_polygon(self, raw):
        self.polygons.append(raw)
