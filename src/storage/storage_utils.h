#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The storage controllers the service manages, the maker's part numbers of boards and drives,
// and small helpers that controller discovery and the controllers share.

// Controller families, as flag bits.
enum : uint8_t {
    ORB_FAMILY_INTEL_SATA_RAID = 1,
    ORB_FAMILY_MEGARAID = 2,
    ORB_FAMILY_SMARTRAID_PQI = 4,
};

// One supported controller model. Chipset: PCI device ID in the high half, vendor ID in the
// low half; board: subsystem device ID high, subsystem vendor ID low, 0 for any board.
struct _ORB_STORAGE_HBA_INFO {
    uint32_t chipset;
    uint32_t board;
    const char* partNumber;  // the maker's part number of a specific board; "" for any board
    uint8_t familyFlags;
    const char* model;
};

constexpr size_t MAX_STORAGE_HBA_LIST = 13;
// In matching order: specific boards before the row that takes any board of their chipset.
extern const _ORB_STORAGE_HBA_INFO gStorageHbaList[MAX_STORAGE_HBA_LIST];

// The model of the first row whose family shares a bit with familyMask (0: any family), whose
// chipset is 0 or equal and whose board is 0 or equal; model and familyFlags of that row.
// False, with model empty and familyFlags 0, when no row matches.
bool getStorageControllerModel(uint32_t chipset, uint32_t board, uint8_t familyMask,
                               std::string& model, uint8_t& familyFlags);

// The maker's part number of exactly this board; false and empty when it has none.
bool getHBAPartNumber(uint32_t chipset, uint32_t board, std::string& partNumber);

// The maker's part number of a drive model (blanks around the model are ignored); false and
// empty for a model the maker does not ship.
bool getDiskPartNumber(const std::string& model, std::string& partNumber);

// The name of the chipset's PCI vendor; false and empty for an unknown vendor.
bool getControllerVendorID(uint32_t chipset, std::string& vendor);

// The first '/'-separated component of path, at least 6 characters long, that starts like a
// PCI address ("0000:3b:00.0" or "3b:00.0"); nullptr when there is none. The result points
// into path and runs to its end: the caller cuts it at the next '/'.
const char* strstr_pcilocation(const char* path);

// Removes leading and trailing white space of a terminated text in place.
void trim_surrounding_whitespace(char* text);

// Decimal text, optionally signed, wholly a number within the range of int; false otherwise.
bool string_to_int(const char* text, int& value);

// The greatest common divisor (never negative); 0 for two zeros.
long compute_gcd(long a, long b);
