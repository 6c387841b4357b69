"""Writers of MapGIS test files, byte for byte, with the struct module only.

Colour libraries, project files (.MPJ) and vector files (line, point and
polygon). The vector-file frame (head, data-section table, attribute
structure, attribute records) is shared; `line_file` lays out a whole line
file, and `vector_file` takes prepared sections for the other kinds.
"""

import struct

# ---- layouts -------------------------------------------------------------------

COLOUR_HEAD_SIZE = 156
COLOUR_RECORD = "<4B2B26s"

PROJECT_HEAD = "<8s1i1h4d640s60s2i7d1h1i169s128s"
PROJECT_BODY = "<2c128s128s4d2c32s2d1c21s1f1h2c30s"

FILE_HEAD = "<8s3i71s2c16s2c13d1c2d28s6i20s4d"
DATA_HEAD = "<2i1h"
FIELD_HEAD = "<2c1h2c6s2i4s128s128s40s2c1h1i1h18s"
FIELD = "<20s1B1i2h1B3c2h2s"
POLYLINE = "<2B5i1h2B1i1f1B2f3i1h"

assert struct.calcsize(PROJECT_HEAD) == 1113
assert struct.calcsize(PROJECT_BODY) == 400
assert struct.calcsize(FILE_HEAD) == 336
assert struct.calcsize(DATA_HEAD) == 10
assert struct.calcsize(FIELD_HEAD) == 348
assert struct.calcsize(FIELD) == 39
assert struct.calcsize(POLYLINE) == 57

LINE, POINT, POLYGON = 0, 1, 2
MAGIC = {LINE: b"WMAP`D21", POINT: b"WMAP`D22", POLYGON: b"WMAP`D23"}
ATTRIBUTE_SECTION = {LINE: 2, POINT: 2, POLYGON: 9}


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    return str(path)


# ---- colour library ------------------------------------------------------------

def colour_library(records, head=None, tail=b""):
    """records: (K, C, M, Y, M100Y100, M25Y100) per colour number from 1."""
    out = bytearray(head if head is not None else b"PCOLOR\0\0" + b"\0" * (COLOUR_HEAD_SIZE - 8))
    for k, c, m, y, m100y100, m25y100 in records:
        out += struct.pack(COLOUR_RECORD, k, c, m, y, m100y100, m25y100, b"")
    return bytes(out + tail)


# ---- project files -------------------------------------------------------------

def project_entry(type=0, status=0, file="a.WL", description="", extent=(0.0, 0.0, 1.0, 1.0),
                  user_type=0, group_code=0, network="", scale=(0.0, 0.0), label_flag=0,
                  label_fields="", label_height=2.5, label_color=1, label_font=0, legend_type=0,
                  encoding="GB2312"):
    return struct.pack(PROJECT_BODY, bytes([type]), bytes([status]), file.encode(encoding),
                       description.encode(encoding), *extent, bytes([user_type]),
                       bytes([group_code]), network.encode(encoding), *scale, bytes([label_flag]),
                       label_fields.encode(encoding), label_height, label_color, bytes([label_font]),
                       bytes([legend_type]), b"")


def project_file(entries=(), files=None, magic=b"WMAP`D2:", type_code=9, title="", environment="",
                 extent=(0.0, 0.0, 100.0, 50.0), layout=(1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0),
                 encoding="GB2312", tail=b""):
    """layout: x offset, y offset, x scale, y scale, rotation, width, height."""
    if files is None:
        files = len(entries)
    head = struct.pack(PROJECT_HEAD, magic, type_code, files, *extent, environment.encode(encoding),
                       title.encode(encoding), 0, 0, *layout, 0, 0, b"", b"")
    return head + b"".join(entries) + tail


# ---- vector files: attribute structure -----------------------------------------

_FIXED_SIZE = {1: 1, 2: 2, 3: 4, 4: 4, 5: 8, 6: 4, 7: 10, 8: 1}


class Field:
    """One attribute field. `size` is what a text value takes in a record;
    non-text types take their fixed width whatever `size` says."""

    def __init__(self, name, type_code, size=None, length=None, digits=0, raw_name=None):
        self.name = name
        self.type_code = type_code
        self.size = size if size is not None else _FIXED_SIZE.get(type_code, 10)
        self.length = length if length is not None else self.size
        self.digits = digits
        self.raw_name = raw_name

    @property
    def width(self):
        return _FIXED_SIZE.get(self.type_code, max(self.size, 0))

    def description(self, encoding="GB2312"):
        name = self.raw_name if self.raw_name is not None else self.name.encode(encoding)
        return struct.pack(FIELD, name, self.type_code, 0, self.size, self.length, self.digits,
                           b"\0", b"\0", b"\0", 0, 0, b"")

    def pack(self, value, encoding="GB2312"):
        t = self.type_code
        if isinstance(value, (bytes, bytearray)) and t not in (6, 7):
            raw = bytes(value)
            return raw[: self.width].ljust(self.width, b"\0")
        if t == 1 or t == 8:
            return struct.pack("<B", int(value))
        if t == 2:
            return struct.pack("<h", value)
        if t == 3:
            return struct.pack("<l", value)
        if t == 4:
            return struct.pack("<f", value)
        if t == 5:
            return struct.pack("<d", value)
        if t == 6:
            return struct.pack("<1H2B", *value)
        if t == 7:
            return struct.pack("<2B1d", *value)
        raw = value.encode(encoding)
        return raw[: self.width].ljust(self.width, b"\0")


def record_length(fields):
    return 1 + sum(f.width for f in fields)


def attribute_record(fields, values, encoding="GB2312", lead=b"\0", length=None):
    out = lead + b"".join(f.pack(v, encoding) for f, v in zip(fields, values))
    length = record_length(fields) if length is None else length
    return out[:length].ljust(length, b"\0")


def attribute_section(fields, records, encoding="GB2312", field_size=None, fields_length=None,
                      field_count=None):
    """Field head, descriptions, then slot 0 and one record per value list."""
    descriptions = b"".join(f.description(encoding) for f in fields)
    if field_size is None:
        field_size = 348 + len(descriptions)
    if fields_length is None:
        fields_length = record_length(fields)
    if field_count is None:
        field_count = len(fields)
    head = struct.pack(FIELD_HEAD, b"\0", b"\0", 2024, b"\1", b"\1", b"", field_size, 0, b"", b"",
                       b"", b"", b"\0", b"\0", field_count, len(records), fields_length, b"")
    structure = (head + descriptions)[:field_size].ljust(field_size, b"\0")
    body = [b"\0" * fields_length if fields_length > 0 else b""]
    for values in records:
        body.append(values if isinstance(values, bytes) else attribute_record(fields, values, encoding,
                                                                              length=fields_length))
    return structure + b"".join(body)


# ---- vector files: head and frame ----------------------------------------------

def file_head(file_type_code, start, heads, valid=0, total=1, valid_polygons=0, total_polygons=1,
              magic=None, crs=0, units=0, projection_type=0, ellipsoid_code=0,
              bbox=(0.0, 0.0, 0.0, 0.0), central_meridian=0.0, latitude_of_origin=0.0,
              standard_parallel_1=0.0, standard_parallel_2=0.0, false_easting=0.0,
              false_northing=0.0, ellipsoid_elevation=0.0, projection_elevation=0.0):
    if magic is None:
        magic = MAGIC.get(file_type_code, b"WMAP`D21")
    doubles = (0.0, 0.0, 0.0, 0.0, 0.0, central_meridian, 0.0, 0.0, latitude_of_origin,
               standard_parallel_1, standard_parallel_2, false_easting, false_northing)
    return struct.pack(FILE_HEAD, magic, file_type_code, start, heads, b"", bytes([crs]),
                       bytes([units]), b"", bytes([projection_type]), bytes([ellipsoid_code]),
                       *doubles, b"\0", ellipsoid_elevation, projection_elevation, b"", valid,
                       total, 0, 0, valid_polygons, total_polygons, b"", *bbox)


def vector_file(file_type_code, sections, heads=10, table_start=336, **head_fields):
    """sections: {index: bytes}; each section starts where the previous ended,
    a missing section is empty. head_fields go to file_head (counts, codes)."""
    offset = table_start + 10 * heads
    starts = []
    body = b""
    for index in range(heads):
        data = sections.get(index, b"")
        starts.append(offset)
        body += data
        offset += len(data)
    table = b"".join(struct.pack(DATA_HEAD, s, len(sections.get(i, b"")), 0)
                     for i, s in enumerate(starts))
    head = file_head(file_type_code, table_start, heads, **head_fields)
    gap = b"\0" * (table_start - 336)
    return head + gap + table + body


# ---- line files ----------------------------------------------------------------

def line_record(vertices, start, flag=1, line_no=1, sub_line_no=0, transparent=0, color=1,
                width=0.1, line_type=0, x_scale=1.0, y_scale=1.0, sub_color=0, layer=0):
    return struct.pack(POLYLINE, flag, 0, 0, 0, vertices, start, 0, line_no, sub_line_no,
                       transparent, color, width, line_type, x_scale, y_scale, sub_color, layer,
                       0, 0)


class Line:
    def __init__(self, vertices, values=(), flag=1, vertex_count=None, start=None, **style):
        self.vertices = vertices
        self.values = values
        self.flag = flag
        self.vertex_count = vertex_count
        self.start = start
        self.style = style


def line_sections(lines, fields=(), encoding="GB2312", attributes=None):
    """Sections 0, 1 and 2 of a line file: record slot 0, then one record per
    line; the vertices back to back after an 8-byte lead; attributes in
    record order (`attributes` overrides the value lists)."""
    coords = bytearray(b"\0" * 8)
    records = [line_record(0, 0, flag=0)]
    for line in lines:
        start = len(coords)
        for x, y in line.vertices:
            coords += struct.pack("<2d", x, y)
        count = len(line.vertices) if line.vertex_count is None else line.vertex_count
        records.append(line_record(count, start if line.start is None else line.start,
                                   flag=line.flag, **line.style))
    if attributes is None:
        attributes = [line.values for line in lines]
    return {0: b"".join(records), 1: bytes(coords),
            2: attribute_section(list(fields), attributes, encoding)}


def record_file(kind, sections, items, valid=None, total=None, **head_fields):
    """A point or line file: by default every item with flag 1 counts as valid, and slot 0 is empty."""
    if valid is None:
        valid = sum(1 for item in items if item.flag == 1)
    if total is None:
        total = len(items) + 1
    return vector_file(kind, sections, valid=valid, total=total, **head_fields)


def line_file(lines, fields=(), encoding="GB2312", attributes=None, **head_fields):
    return record_file(LINE, line_sections(lines, fields, encoding, attributes), lines, **head_fields)
