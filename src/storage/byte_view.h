#pragma once

#include <stddef.h>
#include <stdint.h>

// A bounded view of bytes received from a device or a file: every access is within the bytes
// that really arrived, and narrowing a view never widens it.
class orbByteView {
  public:
    orbByteView() = default;
    orbByteView(const uint8_t* data, size_t size)
        : bytes(data), count(data != nullptr ? size : 0) {}

    const uint8_t* data() const { return bytes; }
    size_t size() const { return count; }
    // Callers check size() first; an index past the end reads as 0 rather than past the buffer.
    uint8_t operator[](size_t index) const { return index < count ? bytes[index] : 0; }

    uint16_t be16(size_t at) const {
        return static_cast<uint16_t>((*this)[at] << 8 | (*this)[at + 1]);
    }
    uint32_t be32(size_t at) const { return static_cast<uint32_t>(be16(at)) << 16 | be16(at + 2); }
    uint16_t le16(size_t at) const {
        return static_cast<uint16_t>((*this)[at + 1] << 8 | (*this)[at]);
    }
    uint32_t le32(size_t at) const { return static_cast<uint32_t>(le16(at + 2)) << 16 | le16(at); }

    // The first `length` bytes (all of them when fewer arrived).
    orbByteView prefix(size_t length) const {
        return orbByteView(bytes, length < count ? length : count);
    }
    // The bytes from `offset` on (none when offset is past the end).
    orbByteView from(size_t offset) const {
        return offset < count ? orbByteView(bytes + offset, count - offset) : orbByteView();
    }

  private:
    const uint8_t* bytes = nullptr;
    size_t count = 0;
};
