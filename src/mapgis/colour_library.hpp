// The MapGIS colour library Pcolor.lib: 32-byte colour records behind a
// 156-byte head, colour number n being record n. Read whole once; every
// lookup works on that copy. Rounding is Python's round (ties to even) on the
// doubles formed in the order written below, so results match to the bit.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tiven::mapgis {

inline constexpr const char* kColourHeadLayout = "<8s1h146s";
inline constexpr const char* kColourRecordLayout = "<4B2B26s";
inline constexpr int64_t kColourHeadSize = 156;
inline constexpr int64_t kColourRecordSize = 32;

// Lookups on one 32-byte colour record (black, cyan, magenta, yellow, then
// the two spot inks).
std::array<int, 4> colour_cmyk(const uint8_t* record);
std::array<int, 3> colour_rgb(const uint8_t* record);
void colour_hex(const uint8_t* record, char out[7]);

class ColourLibrary {
public:
    ColourLibrary() = default;

    // Loads the file at `path` (skipping the head). Returns false, leaving the
    // library empty, when it cannot be opened or read.
    bool load(const std::string& path);

    bool loaded() const noexcept { return loaded_; }
    int64_t count() const noexcept { return count_; }
    const std::vector<uint8_t>& buffer() const noexcept { return buffer_; }

    bool contains(int64_t index) const noexcept { return index >= 1 && index <= count_; }

    // Only for numbers inside the library (contains(index)).
    std::array<int, 4> cmyk(int64_t index) const;  // C, M, Y, K percentages
    std::array<int, 3> rgb(int64_t index) const;
    std::string hex(int64_t index) const;          // "#RRGGBB"
    // Writes the seven characters of hex(index) into out.
    void hex_into(int64_t index, char out[7]) const;

private:
    const uint8_t* record(int64_t index) const;
    std::vector<uint8_t> buffer_;
    int64_t count_ = 0;
    bool loaded_ = false;
};

}  // namespace tiven::mapgis
