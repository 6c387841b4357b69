// The feature generator of MapGisFile walks record slots 1..RecordCount of one
// file and hands each slot to the reader of the file's kind. The frame (file,
// ids, colour library, attributes, time stamp, closing) is shared; each kind
// supplies a start (its style names) and a per-slot reader.
#pragma once
#include <Python.h>

#include <cstdint>
#include <vector>

#include "core/pyref.hpp"
#include "mapgis/binary_file.hpp"
#include "mapgis/colour_library.hpp"
#include "mapgis/vertices.hpp"

namespace tiven::mapgis {

// What one iteration of the generator shares with the kind readers. Every
// lookup on the object goes through the object, so subclasses and later
// changes of its attributes are seen as the generator reaches them.
class FeatureContext {
public:
    FeatureContext(PyObject* self, BinaryFile& file, const ColourLibrary& colours,
                   int64_t field_offset, int64_t fields_length)
        : self_(self), file_(file), colours_(colours),
          field_offset_(field_offset), fields_length_(fields_length) {}

    PyObject* self() const noexcept { return self_; }
    BinaryFile& file() const noexcept { return file_; }
    const ColourLibrary& colours() const noexcept { return colours_; }

    // `Start` of entry n of self._featureDataHeads, looked up anew at each call
    // (IndexError for a short table, ValueError unless the entry holds three values).
    int64_t section_start(Py_ssize_t n) const;

    // The properties dictionary of record index i: the attribute record at
    // field_offset + i * fields_length. `flat`: name -> value, as the export
    // writes it, instead of name -> entry.
    Ref properties(int64_t index, bool flat = false) const;

    // self.TimeStamp as it stands now.
    Ref time_stamp() const;

    // colourSpectrum.HEX(number, default): the HTML colour, or the default
    // ("#000000" or "#FFFFFF") for a number outside the library.
    Ref hex(int64_t number, bool white_default) const;

    // self.bytesToStr(data, self.Encoding).
    Ref text(const uint8_t* data, size_t size) const;

    // Sets self.StyleItems to a new list of these names.
    void set_style_items(const char* const* names, size_t count) const;

    // Vertices of `count` pairs at `position` (consecutive duplicates dropped),
    // as a new list of [x, y] lists.
    Ref coordinates(int64_t position, int64_t count) const;

private:
    PyObject* self_;
    BinaryFile& file_;
    const ColourLibrary& colours_;
    int64_t field_offset_;
    int64_t fields_length_;
};

// A style dictionary whose keys are read by position from self.StyleItems
// (read once when the builder is made).
class StyleBuilder {
public:
    explicit StyleBuilder(const FeatureContext& ctx);
    void set(Py_ssize_t position, Ref value);
    Ref take() { return std::move(dict_); }

private:
    Ref items_;
    Ref dict_;
};

// Helpers to build Python values.
Ref vertex_list(const Ring& ring);  // [[x, y], ...]

// ---- the kinds ---------------------------------------------------------------
// start_*: run once when the kind starts, before the first slot (sets StyleItems).
// read_*_feature: reads slot `index` + 1 and returns the feature dictionary with
// the given id, or an empty Ref when the slot yields no feature (deleted record,
// a polygon without rings). Errors are thrown.

void start_line_kind(const FeatureContext& ctx);
Ref read_line_feature(const FeatureContext& ctx, int64_t index, long long id);

// What a line feature is made of, read in the order the feature is built;
// the export writes these straight to JSON instead of building the dictionary.
struct LineFeatureParts {
    Ring coordinates;
    Ref style;
    Ref properties;
    Ref time_stamp;
};
// False for a deleted record (nothing but the record read).
bool read_line_parts(const FeatureContext& ctx, int64_t index, LineFeatureParts& out, bool flat);

void start_point_kind(const FeatureContext& ctx);
Ref read_point_feature(const FeatureContext& ctx, int64_t index, long long id);

void start_polygon_kind(const FeatureContext& ctx);
Ref read_polygon_feature(const FeatureContext& ctx, int64_t index, long long id);

}  // namespace tiven::mapgis
