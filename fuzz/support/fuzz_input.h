#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Takes the next field of a fuzz input, zero-filled where the input runs out, and moves past it.
template <typename Field>
Field orbFuzzTake(const uint8_t*& data, size_t& size) {
    Field value{};
    size_t n = size < sizeof(value) ? size : sizeof(value);
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}
