// Text of a fixed-width byte field: the bytes before the first zero byte,
// decoded with undecodable bytes dropped, trailing whitespace removed as
// str.rstrip() removes it.
#pragma once
#include <cstddef>

#include "core/pyref.hpp"

namespace tiven {

Ref fixed_field_text(const char* data, size_t size, const char* encoding);

}  // namespace tiven
