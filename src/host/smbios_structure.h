#pragma once

#include <stddef.h>
#include <stdint.h>

#include "host/smbios.h"

// Walking the structure table and reading the fields and strings of one structure. Everything
// here reads through bounded views, so a table that the firmware (or a damaged file) cut short
// is read up to its end and never beyond.

// The structure that starts at offset within table[0, length), in out; offset moves past it
// (past the double zero that ends its strings). False when the table ends there: no room for a
// header, a formatted length below the 4-byte header or reaching past the table end, or the
// end-of-table structure (type 127).
bool smbios_next_structure(const uint8_t* table, size_t length, size_t& offset,
                           SMBIOS_STRUCTURE& out);

// The formatted length of a structure, capped at the bytes the view holds.
size_t smbios_formatted_length(const SMBIOS_STRUCTURE& structure);

// True when the formatted area covers width bytes at offset.
bool smbios_covers(const SMBIOS_STRUCTURE& structure, size_t offset, size_t width);

uint8_t smbios_u8(const SMBIOS_STRUCTURE& structure, size_t offset);
uint16_t smbios_u16(const SMBIOS_STRUCTURE& structure, size_t offset);
uint32_t smbios_u32(const SMBIOS_STRUCTURE& structure, size_t offset);

// Copies string number `number` of the structure into out (capacity bytes, always terminated,
// cut to capacity - 1 characters), with every byte outside 0x20-0x7E shown as '.'. String 0, a
// number past the last string and an empty string give "Undefined".
void smbios_string(const SMBIOS_STRUCTURE& structure, uint8_t number, char* out, size_t capacity);

// The string named by the byte at offset, when the formatted area covers that byte; out is left
// as it is otherwise.
void smbios_string_at(const SMBIOS_STRUCTURE& structure, size_t offset, char* out, size_t capacity);
