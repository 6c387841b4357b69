// Fixed records of the MapGIS files. Each field is a named constant with its
// offset and type, decoded with memcpy into a fixed-width type. The classes
// publish each record's layout in the struct-format notation
// ("<2B5i1h2B1i1f1B2f3i1h"); every field is checked against that text at
// compile time, so the two cannot drift apart.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "mapgis/binary_file.hpp"

namespace tiven::mapgis {

// A little-endian number of type T at `offset` in its record.
template <typename T>
struct Field {
    uint32_t offset;
    T read(const uint8_t* record) const {
        T v;
        std::memcpy(&v, record + offset, sizeof v);
        return v;
    }
};

// Raw bytes at `offset`: a text for the caller's codec, or a one-byte code.
struct BytesField {
    uint32_t offset, width;
    std::string_view read(const uint8_t* record) const {
        return {reinterpret_cast<const char*>(record + offset), width};
    }
    std::string copy(const uint8_t* record) const { return std::string(read(record)); }
};

// A record described by its struct-format text: '<' then count-prefixed codes
// among c s b B h H i I l L f d.
struct RecordFormat {
    std::string_view text;

    consteval uint32_t size() const { return scan(UINT32_MAX).offset; }

    // The field of type T that starts at `offset`; does not compile unless
    // the text has an item of that type there.
    template <typename T>
    consteval Field<T> field(uint32_t offset) const {
        if (!holds<T>(scan(offset).code)) throw "no item of that type at that offset";
        return {offset};
    }
    // The bytes of the 's' item (or 'c' for one byte) at `offset`.
    consteval BytesField bytes(uint32_t offset, uint32_t width) const {
        const Item it = scan(offset);
        if ((it.code != 's' && it.code != 'c') || it.width != width) throw "no byte item of that width at that offset";
        return {offset, width};
    }

private:
    struct Item {
        char code;
        uint32_t width, offset;
    };
    static consteval uint32_t code_width(char code) {
        switch (code) {
            case 'c': case 's': case 'b': case 'B': return 1;
            case 'h': case 'H': return 2;
            case 'i': case 'I': case 'l': case 'L': case 'f': return 4;
            case 'd': return 8;
            default: throw "unknown code";
        }
    }
    // The item starting at `offset`; when none does, code 0 and the record's size.
    consteval Item scan(uint32_t offset) const {
        uint32_t at = 0;
        size_t pos = text.starts_with('<') ? 1 : 0;
        while (pos < text.size()) {
            uint32_t count = 0;
            const size_t digits = pos;
            while (text[pos] >= '0' && text[pos] <= '9') count = count * 10 + static_cast<uint32_t>(text[pos++] - '0');
            if (pos == digits) count = 1;
            const char code = text[pos++];
            const uint32_t items = code == 's' ? 1 : count;
            const uint32_t width = code == 's' ? count : code_width(code);
            for (uint32_t k = 0; k < items; ++k, at += width)
                if (at == offset) return {code, width, at};
        }
        return {0, 0, at};
    }
    template <typename T>
    static consteval bool holds(char code) {
        if constexpr (std::is_same_v<T, uint8_t>) return code == 'B' || code == 'c';
        else if constexpr (std::is_same_v<T, int8_t>) return code == 'b';
        else if constexpr (std::is_same_v<T, int16_t>) return code == 'h';
        else if constexpr (std::is_same_v<T, uint16_t>) return code == 'H';
        else if constexpr (std::is_same_v<T, int32_t>) return code == 'i' || code == 'l';
        else if constexpr (std::is_same_v<T, uint32_t>) return code == 'I' || code == 'L';
        else if constexpr (std::is_same_v<T, float>) return code == 'f';
        else if constexpr (std::is_same_v<T, double>) return code == 'd';
        else return false;
    }
};

// The struct module's error for a buffer of the wrong size.
[[noreturn]] void fail_struct_size(size_t needed);

// Reads `size` bytes at the current position into `out`; the struct error
// for `size` when the file ends first.
void read_exact(BinaryFile& file, uint8_t* out, size_t size);

// Reads one whole record of N bytes at the current position.
template <size_t N>
std::array<uint8_t, N> read_record(BinaryFile& file) {
    std::array<uint8_t, N> record;
    read_exact(file, record.data(), N);
    return record;
}

}  // namespace tiven::mapgis
