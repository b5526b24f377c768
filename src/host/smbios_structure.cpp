#include "host/smbios_structure.h"

#include <string.h>

namespace {

constexpr size_t kHeaderLength = 4;
constexpr uint8_t kEndOfTable = 127;
constexpr char kUndefined[] = "Undefined";

void copyText(const uint8_t* text, size_t length, char* out, size_t capacity) {
    size_t kept = length < capacity - 1 ? length : capacity - 1;
    for (size_t i = 0; i < kept; ++i) {
        uint8_t c = text[i];
        out[i] = (c >= 0x20 && c <= 0x7E) ? static_cast<char>(c) : '.';
    }
    out[kept] = '\0';
}

}  // namespace

bool smbios_next_structure(const uint8_t* table, size_t length, size_t& offset,
                           SMBIOS_STRUCTURE& out) {
    if (table == nullptr || offset >= length || length - offset < kHeaderLength) {
        return false;
    }
    const uint8_t* start = table + offset;
    size_t available = length - offset;
    size_t formatted = start[1];
    if (start[0] == kEndOfTable || formatted < kHeaderLength || formatted > available) {
        return false;
    }
    // The strings end with two zero bytes; a structure without strings holds just those two.
    // Strings missing their end run to the end of the table.
    size_t end = available;
    for (size_t from = formatted; from < available;) {
        const void* zero = memchr(start + from, 0, available - from);
        if (zero == nullptr) {
            break;
        }
        size_t at = static_cast<size_t>(static_cast<const uint8_t*>(zero) - start);
        if (at + 1 < available && start[at + 1] == 0) {
            end = at + 2;
            break;
        }
        from = at + 1;
    }
    out.data = start;
    out.size = end;
    offset += end;
    return true;
}

size_t smbios_formatted_length(const SMBIOS_STRUCTURE& structure) {
    if (structure.data == nullptr || structure.size < 2) {
        return 0;
    }
    size_t formatted = structure.data[1];
    return formatted < structure.size ? formatted : structure.size;
}

bool smbios_covers(const SMBIOS_STRUCTURE& structure, size_t offset, size_t width) {
    return offset + width <= smbios_formatted_length(structure);
}

uint8_t smbios_u8(const SMBIOS_STRUCTURE& structure, size_t offset) {
    return smbios_covers(structure, offset, 1) ? structure.data[offset] : 0;
}

uint16_t smbios_u16(const SMBIOS_STRUCTURE& structure, size_t offset) {
    if (!smbios_covers(structure, offset, 2)) {
        return 0;
    }
    const uint8_t* p = structure.data + offset;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t smbios_u32(const SMBIOS_STRUCTURE& structure, size_t offset) {
    if (!smbios_covers(structure, offset, 4)) {
        return 0;
    }
    const uint8_t* p = structure.data + offset;
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void smbios_string(const SMBIOS_STRUCTURE& structure, uint8_t number, char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) {
        return;
    }
    copyText(reinterpret_cast<const uint8_t*>(kUndefined), sizeof(kUndefined) - 1, out, capacity);
    size_t formatted = smbios_formatted_length(structure);
    if (number == 0 || formatted == 0) {
        return;
    }
    const uint8_t* strings = structure.data + formatted;
    size_t remaining = structure.size - formatted;
    for (uint8_t current = 1;; ++current) {
        const void* zero = memchr(strings, 0, remaining);
        size_t stringLength = zero != nullptr
                                  ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - strings)
                                  : remaining;
        // An empty string is the end of the string set (or a string the firmware left blank).
        if (stringLength == 0) {
            return;
        }
        if (current == number) {
            copyText(strings, stringLength, out, capacity);
            return;
        }
        if (zero == nullptr || current == 255) {
            return;
        }
        strings += stringLength + 1;
        remaining -= stringLength + 1;
    }
}

void smbios_string_at(const SMBIOS_STRUCTURE& structure, size_t offset, char* out,
                      size_t capacity) {
    if (smbios_covers(structure, offset, 1)) {
        smbios_string(structure, structure.data[offset], out, capacity);
    }
}
