#include "mapgis/record_fields.hpp"

#include <string>

#include "core/error.hpp"

namespace tiven::mapgis {

void fail_struct_size(size_t needed) {
    fail(ErrorKind::StructError, "unpack requires a buffer of " + std::to_string(needed) + " bytes");
}

void read_exact(BinaryFile& file, uint8_t* out, size_t size) {
    if (file.read_into(out, size) != size) fail_struct_size(size);
}

}  // namespace tiven::mapgis
