#include "mapgis/record_layout.hpp"

#include <cstring>
#include <stdexcept>

#include "core/error.hpp"

namespace tiven::mapgis {

namespace {
uint32_t code_width(char code) {
    switch (code) {
        case 'c': case 's': case 'b': case 'B': return 1;
        case 'h': case 'H': return 2;
        case 'i': case 'I': case 'l': case 'L': case 'f': return 4;
        case 'q': case 'Q': case 'd': return 8;
        default: throw std::logic_error("record layout: unknown code");
    }
}
}  // namespace

RecordLayout::RecordLayout(std::string_view format) : format_(format) {
    size_t pos = 0;
    if (pos < format.size() && format[pos] == '<') ++pos;
    while (pos < format.size()) {
        uint32_t count = 0;
        bool has_count = false;
        while (pos < format.size() && format[pos] >= '0' && format[pos] <= '9') {
            count = count * 10 + static_cast<uint32_t>(format[pos] - '0');
            has_count = true;
            ++pos;
        }
        if (!has_count) count = 1;
        if (pos >= format.size()) throw std::logic_error("record layout: count without code");
        char code = format[pos++];
        uint32_t width = code_width(code);
        if (code == 's') {
            items_.push_back({code, count, static_cast<uint32_t>(size_)});
            size_ += count;
        } else {
            for (uint32_t k = 0; k < count; ++k) {
                items_.push_back({code, width, static_cast<uint32_t>(size_)});
                size_ += width;
            }
        }
    }
}

void fail_struct_size(size_t needed) {
    fail(ErrorKind::StructError, "unpack requires a buffer of " + std::to_string(needed) + " bytes");
}

std::vector<uint8_t> read_record(BinaryFile& file, const RecordLayout& layout) {
    std::vector<uint8_t> buf(layout.size());
    size_t got = file.read_into(buf.data(), buf.size());
    layout.require(got);
    return buf;
}

void RecordLayout::require(size_t n) const {
    if (n != size_) fail_struct_size(size_);
}

int64_t RecordLayout::integer(const uint8_t* record, size_t item) const {
    const Item& it = items_[item];
    const uint8_t* p = record + it.offset;
    switch (it.code) {
        case 'c': case 'B': return p[0];
        case 'b': return static_cast<int8_t>(p[0]);
        case 'h': { int16_t v; std::memcpy(&v, p, 2); return v; }
        case 'H': { uint16_t v; std::memcpy(&v, p, 2); return v; }
        case 'i': case 'l': { int32_t v; std::memcpy(&v, p, 4); return v; }
        case 'I': case 'L': { uint32_t v; std::memcpy(&v, p, 4); return v; }
        case 'q': { int64_t v; std::memcpy(&v, p, 8); return v; }
        case 'Q': { uint64_t v; std::memcpy(&v, p, 8); return static_cast<int64_t>(v); }
        default: throw std::logic_error("record layout: not an integer item");
    }
}

double RecordLayout::real(const uint8_t* record, size_t item) const {
    const Item& it = items_[item];
    const uint8_t* p = record + it.offset;
    if (it.code == 'f') { float v; std::memcpy(&v, p, 4); return static_cast<double>(v); }
    if (it.code == 'd') { double v; std::memcpy(&v, p, 8); return v; }
    throw std::logic_error("record layout: not a real item");
}

std::string_view RecordLayout::bytes(const uint8_t* record, size_t item) const {
    const Item& it = items_[item];
    return {reinterpret_cast<const char*>(record + it.offset), it.width};
}

}  // namespace tiven::mapgis
