"""Record packers for MapGIS point and polygon test files (struct only).

The file frame (head, section table, attribute structure) comes from
mapgis_writer; this module packs what is particular to points and polygons.
"""

import struct

from mapgis_writer import POINT, POLYGON as POLYGON_FILE, attribute_section, record_file, vector_file

POINT_HEAD = "<1B1h1i2d8s1b1B"
POINT_SLOT = 93
POLYGON_RECORD = "<1B3i1h2f1h1i1B1h8s"
TOPOLOGY = "<4i8s"
POLYLINE = "<2B5i1h2B1i1f1B2f3i1h"

assert struct.calcsize(POINT_HEAD) == 33
assert struct.calcsize(POLYGON_RECORD) == 40
assert struct.calcsize(TOPOLOGY) == 24
assert struct.calcsize(POLYLINE) == 57


# ---- point bodies ------------------------------------------------------------

def string_body(height=1.0, width=1.0, gap=0.0, angle=0.0, font_chinese=1, font_english=2,
                font_style=0, arrangement=0, color=1, layer=0):
    return struct.pack("<4f2h2B20s1i4s1i", height, width, gap, angle, font_chinese, font_english,
                       font_style, arrangement, b"", color, b"", layer)


def marker_body(marker=1, height=1.0, width=1.0, angle=0.0, color=1, layer=0):
    return struct.pack("<1i3f26s1i4s1i", marker, height, width, angle, b"", color, b"", layer)


def circle_body(radius=1.0, color=1, width=0.5, circle_flag=0, fill_color=1, layer=0):
    return struct.pack("<1d1i1f1B25s1i4s1i", radius, color, width, circle_flag, b"", fill_color,
                       b"", layer)


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
    return struct.pack(POLYGON_RECORD, flag, polylines, start, fill_color, fill_pattern, pattern_height,
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
        self.values = []                               # attribute values per record

    def add_arc(self, vertices, start_node=0, finish_node=0):
        start = len(self.coords)
        for x, y in vertices:
            self.coords += struct.pack("<2d", x, y)
        self.arcs.append(arc_line_slot(len(vertices), start))
        self.topology.append(topology_slot(start_node, finish_node))
        return len(self.arcs) - 1

    def add_polygon(self, arc_list, polylines=None, first_entry=0, values=(), **style):
        start = len(self.coords)
        self.coords += struct.pack("<l", first_entry)
        for a in arc_list:
            self.coords += struct.pack("<l", a)
        if polylines is None:
            polylines = len(arc_list) + 1
        self.polygons.append(polygon_slot(polylines, start, **style))
        self.values.append(values)
        return len(self.polygons) - 2  # record index

    def add_raw_polygon(self, raw, values=()):
        self.polygons.append(raw)
        self.values.append(values)


# ---- whole files ---------------------------------------------------------------

class Point:
    """One point record. `text` (str, encoded with the file's encoding, or
    bytes) goes to the text area unless text_count/text_offset say otherwise."""

    def __init__(self, x, y, subtype=0, body=None, text=None, values=(), flag=1, text_count=None,
                 text_offset=None, transparent=0, **body_fields):
        self.x, self.y, self.subtype = x, y, subtype
        if body is None and subtype in BODY_OF_SUBTYPE:
            body = BODY_OF_SUBTYPE[subtype](**body_fields)
        self.body = body if body is not None else b""
        self.text = text
        self.values = values
        self.flag = flag
        self.text_count = text_count
        self.text_offset = text_offset
        self.transparent = transparent


def point_sections(points, fields=(), encoding="GB2312", attributes=None):
    area = TextArea()
    slots = [b"\0" * POINT_SLOT]  # slot 0, never read
    for p in points:
        offset, count = 0, 0
        if p.text is not None:
            raw = p.text.encode(encoding) if isinstance(p.text, str) else p.text
            offset, count = area.add(raw)
        if p.text_offset is not None:
            offset = p.text_offset
        if p.text_count is not None:
            count = p.text_count
        slots.append(point_slot(p.x, p.y, p.subtype, p.body, count, offset, p.flag, p.transparent))
    if attributes is None:
        attributes = [p.values for p in points]
    return {0: b"".join(slots), 1: bytes(area.data),
            2: attribute_section(list(fields), attributes, encoding)}


def point_file(points, fields=(), encoding="GB2312", attributes=None, **head_fields):
    return record_file(POINT, point_sections(points, fields, encoding, attributes), points, **head_fields)


def polygon_sections(parts, fields=(), encoding="GB2312", attributes=None):
    """Sections 0, 1, 3, 8 and 9; `attributes` overrides the value lists."""
    if attributes is None:
        attributes = parts.values
    return {0: b"".join(parts.arcs), 1: bytes(parts.coords), 3: b"".join(parts.topology),
            8: b"".join(parts.polygons), 9: attribute_section(list(fields), attributes, encoding)}


def polygon_file(parts, fields=(), encoding="GB2312", attributes=None, valid_polygons=None,
                 total_polygons=None, **head_fields):
    sections = polygon_sections(parts, fields, encoding, attributes)
    if valid_polygons is None:
        valid_polygons = sum(1 for raw in parts.polygons[1:] if raw[0] == 1)
    if total_polygons is None:
        total_polygons = len(parts.polygons)
    head_fields.setdefault("valid", len(parts.arcs) - 1)
    head_fields.setdefault("total", len(parts.arcs))
    return vector_file(POLYGON_FILE, sections, valid_polygons=valid_polygons,
                       total_polygons=total_polygons, **head_fields)
