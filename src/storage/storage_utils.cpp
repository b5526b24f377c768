#include "storage/storage_utils.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/pci_vendors.h"

namespace {

constexpr uint32_t identity(uint16_t high, uint16_t low) {
    return static_cast<uint32_t>(high) << 16 | low;
}

// The maker's part numbers of the drive models it ships.
struct DiskPartNumber {
    const char* model;
    const char* partNumber;
};

const DiskPartNumber kDiskPartNumbers[] = {
    {"HUC101818CS4204", "VX-HDD-1T8-10K-SAS"},
    {"ST1200MM0009", "VX-HDD-1T2-10K-SAS"},
    {"ST2000NM0055-1V4104", "VX-HDD-2T0-7K2-SATA"},
    {"ST2400MM0129", "VX-HDD-2T4-10K-SAS"},
    {"TOSHIBA MG04ACA400N", "VX-HDD-4T0-7K2-SATA"},
    {"PX05SMB080Y", "VX-SSD-800G-WI-SAS"},
    {"MZILT960HBHQ0D3", "VX-SSD-960G-RI-SAS"},
    {"INTEL SSDSC2KG480G8", "VX-SSD-480G-MU-SATA"},
    {"SAMSUNG MZ7LH480HAHQ-00005", "VX-SSD-480G-RI-SATA"},
    {"SAMSUNG MZ7KH960HAJR-00005", "VX-SSD-960G-MU-SATA"},
    {"Micron_5300_MTFDDAK240TDS", "VX-SSD-240G-BOOT-SATA"},
};

bool isHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// "HHHH:HH:HH.H" (with domain) or "HH:HH.H": hexadecimal digits where the address has them,
// and its separators in their places.
bool startsLikePciAddress(const char* text, size_t length) {
    static const char* const kShapes[] = {"hhhh:hh:hh.h", "hh:hh.h"};
    for (const char* shape : kShapes) {
        size_t n = std::strlen(shape);
        if (length < n) {
            continue;
        }
        bool matches = true;
        for (size_t i = 0; i < n && matches; ++i) {
            matches = shape[i] == 'h' ? isHex(text[i]) : text[i] == shape[i];
        }
        if (matches) {
            return true;
        }
    }
    return false;
}

}  // namespace

// Part numbers are the maker's own, one per board it sells with the server.
const _ORB_STORAGE_HBA_INFO gStorageHbaList[MAX_STORAGE_HBA_LIST] = {
    {identity(0x2826, 0x8086), 0, "", ORB_FAMILY_INTEL_SATA_RAID,
     "Intel C600/X79 series chipset SATA RAID Controller"},
    {identity(0x005D, 0x1000), identity(0x9363, 0x1000), "VX-RAID-9361-4I", ORB_FAMILY_MEGARAID,
     "Broadcom / LSI MegaRAID SAS 9361-4i Controller"},
    {identity(0x005D, 0x1000), identity(0x9A63, 0x1000), "VX-RAID-9361-4I-J", ORB_FAMILY_MEGARAID,
     "Broadcom / LSI MegaRAID SAS 9361-4i Controller (JBOD mode)"},
    {identity(0x005D, 0x1000), 0, "", ORB_FAMILY_MEGARAID,
     "Broadcom / LSI MegaRAID SAS-3 3108 [Invader]"},
    {identity(0x10E2, 0x1000), identity(0x4010, 0x1000), "VX-RAID-9560-8I", ORB_FAMILY_MEGARAID,
     "Broadcom / LSI MegaRAID 9560-8i Tri-Mode Internal RAID"},
    {identity(0x10E2, 0x1000), identity(0x4000, 0x1000), "VX-RAID-9560-16I", ORB_FAMILY_MEGARAID,
     "Broadcom / LSI MegaRAID 9560-16i Tri-Mode Internal RAID"},
    {identity(0x10E2, 0x1000), 0, "", ORB_FAMILY_MEGARAID,
     "Broadcom / LSI MegaRAID 12GSAS/PCIe Secure SAS39xx"},
    {identity(0x028F, 0x9005), identity(0x0804, 0x9005), "VX-RAID-3154-8E",
     ORB_FAMILY_SMARTRAID_PQI, "Adaptec SmartRAID 3154-8e Controller"},
    {identity(0x028F, 0x9005), identity(0x0608, 0x9005), "VX-RAID-3162-8I",
     ORB_FAMILY_SMARTRAID_PQI, "Adaptec SmartRAID 3162-8i /e Controller"},
    {identity(0x028F, 0x9005), identity(0x1380, 0x9005), "VX-RAID-3154-16I",
     ORB_FAMILY_SMARTRAID_PQI, "Adaptec SmartRAID 3154-16i Controller"},
    {identity(0x028F, 0x9005), identity(0x1200, 0x9005), "VX-RAID-3154-24I",
     ORB_FAMILY_SMARTRAID_PQI, "Adaptec SmartRAID 3154-24i Controller"},
    {identity(0x028F, 0x9005), identity(0x1450, 0x9005), "VX-RAID-3258P-32I",
     ORB_FAMILY_SMARTRAID_PQI, "Adaptec SmartRAID Ultra 3258p-32i (/e) Tri-Mode Internal RAID"},
    {identity(0x028F, 0x9005), 0, "", ORB_FAMILY_SMARTRAID_PQI,
     "Adaptec Smart Storage PQI 12G SAS/PCIe 3 Controller"},
};

bool getStorageControllerModel(uint32_t chipset, uint32_t board, uint8_t familyMask,
                               std::string& model, uint8_t& familyFlags) {
    for (const _ORB_STORAGE_HBA_INFO& row : gStorageHbaList) {
        if ((familyMask == 0 || (row.familyFlags & familyMask) != 0) &&
            (row.chipset == 0 || row.chipset == chipset) &&
            (row.board == 0 || row.board == board)) {
            model = row.model;
            familyFlags = row.familyFlags;
            return true;
        }
    }
    model.clear();
    familyFlags = 0;
    return false;
}

bool getHBAPartNumber(uint32_t chipset, uint32_t board, std::string& partNumber) {
    for (const _ORB_STORAGE_HBA_INFO& row : gStorageHbaList) {
        if (row.chipset == chipset && row.board == board && row.partNumber[0] != '\0') {
            partNumber = row.partNumber;
            return true;
        }
    }
    partNumber.clear();
    return false;
}

bool getDiskPartNumber(const std::string& model, std::string& partNumber) {
    const size_t first = model.find_first_not_of(" \t");
    const size_t last = model.find_last_not_of(" \t");
    const std::string trimmed =
        first == std::string::npos ? std::string() : model.substr(first, last - first + 1);
    for (const DiskPartNumber& entry : kDiskPartNumbers) {
        if (trimmed == entry.model) {
            partNumber = entry.partNumber;
            return true;
        }
    }
    partNumber.clear();
    return false;
}

bool getControllerVendorID(uint32_t chipset, std::string& vendor) {
    char id[5];
    std::snprintf(id, sizeof(id), "%04x", static_cast<unsigned>(chipset & 0xFFFF));
    const char* name = orbPCIVendorTable().find(id);
    vendor = name != nullptr ? name : "";
    return name != nullptr;
}

const char* strstr_pcilocation(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    for (const char* slash = std::strchr(path, '/'); slash != nullptr;
         slash = std::strchr(slash + 1, '/')) {
        const char* component = slash + 1;
        const size_t length = std::strcspn(component, "/");
        if (length >= 6 && startsLikePciAddress(component, length)) {
            return component;
        }
    }
    return nullptr;
}

void trim_surrounding_whitespace(char* text) {
    if (text == nullptr) {
        return;
    }
    char* start = text;
    while (std::isspace(static_cast<unsigned char>(*start)) != 0) {
        ++start;
    }
    size_t length = std::strlen(start);
    while (length > 0 && std::isspace(static_cast<unsigned char>(start[length - 1])) != 0) {
        --length;
    }
    std::memmove(text, start, length);
    text[length] = '\0';
}

bool string_to_int(const char* text, int& value) {
    if (text == nullptr || *text == '\0' || std::isspace(static_cast<unsigned char>(*text)) != 0) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < INT_MIN || parsed > INT_MAX) {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

long compute_gcd(long a, long b) {
    // Work on magnitudes without negating LONG_MIN.
    unsigned long x = a < 0 ? 0UL - static_cast<unsigned long>(a) : static_cast<unsigned long>(a);
    unsigned long y = b < 0 ? 0UL - static_cast<unsigned long>(b) : static_cast<unsigned long>(b);
    while (y != 0) {
        unsigned long r = x % y;
        x = y;
        y = r;
    }
    return x > static_cast<unsigned long>(LONG_MAX) ? LONG_MAX : static_cast<long>(x);
}
