// Fixed records of the MapGIS files, described in the struct-format notation
// ("<2B5i1h2B1i1f1B2f3i1h") and decoded item by item with memcpy. A short
// buffer raises the struct module's error, word for word.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "mapgis/binary_file.hpp"

namespace tiven::mapgis {

class RecordLayout {
public:
    // `format`: '<' then count-prefixed codes among c s b B h H i I l L q Q f d.
    explicit RecordLayout(std::string_view format);

    const std::string& format() const noexcept { return format_; }
    size_t size() const noexcept { return size_; }
    size_t items() const noexcept { return items_.size(); }

    // Throws StructError "unpack requires a buffer of N bytes" unless n == size().
    void require(size_t n) const;

    int64_t integer(const uint8_t* record, size_t item) const;  // b B h H i I l L q Q, and c as a byte
    double real(const uint8_t* record, size_t item) const;      // f (widened exactly) and d
    std::string_view bytes(const uint8_t* record, size_t item) const;  // s and c
    size_t offset(size_t item) const { return items_[item].offset; }

private:
    struct Item {
        char code;
        uint32_t width;  // bytes of the item (the count for 's')
        uint32_t offset;
    };
    std::string format_;
    std::vector<Item> items_;
    size_t size_ = 0;
};

// Reads one whole record at the current position (struct error when short).
std::vector<uint8_t> read_record(BinaryFile& file, const RecordLayout& layout);

// The struct module's error for a buffer of the wrong size.
[[noreturn]] void fail_struct_size(size_t needed);

}  // namespace tiven::mapgis
