// Drive attributes the SCSI midlayer publishes in sysfs, by SCSI address.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/log.h"
#include "core/platform_path.h"
#include "core/owned_resources.h"
#include "host/sysfs_attribute.h"
#include "host/sysfs_directory.h"
#include "storage/scsi_log_tag.h"
#include "storage/scsi_pages.h"
#include "storage/scsi_queries.h"

namespace {

// The resolved path of an attribute of the drive's device folder; empty for an address that
// is not one entry name (it would lead elsewhere in the tree).
std::string deviceAttributePath(const char* address, const std::string& attribute) {
    if (!orbIsSysfsEntryName(address)) {
        return std::string();
    }
    return orbRootPath(std::string("/sys/class/scsi_device/") + address + "/device/" + attribute);
}

char* deviceText(const char* address, const char* attribute) {
    std::string path = deviceAttributePath(address, attribute);
    return path.empty() ? nullptr : get_sysfs_str(path.c_str());
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

}  // namespace

// Callers may be C, which cannot take an exception: a function below that builds C++ objects
// (texts, buffers) turns their failure (memory exhausted) into its own failure value.
extern "C" {

char* get_ScsiGeneric(const char* address) try {
    constexpr const char* kOldStylePrefix = "scsi_generic:";
    std::string folder = deviceAttributePath(address, "scsi_generic");
    if (folder.empty()) {
        return nullptr;
    }
    for (const std::string& name : orbListSysfsDirectory(folder)) {
        if (startsWith(name, "sg")) {
            return strdup(name.c_str());
        }
        // Older kernels name the entry "scsi_generic:sgN"; the device is the part after ':'.
        if (startsWith(name, kOldStylePrefix) && name.size() > std::strlen(kOldStylePrefix)) {
            return strdup(name.c_str() + std::strlen(kOldStylePrefix));
        }
    }
    return nullptr;
} catch (...) {
    return nullptr;
}

unsigned long long get_PciBlockSize(const char* devicePath) try {
    if (devicePath == nullptr || devicePath[0] == '\0') {
        return 0;
    }
    std::string folder = orbRootPath(std::string(devicePath) + "/block");
    for (const std::string& name : orbListSysfsDirectory(folder)) {
        if (startsWith(name, "sd") || startsWith(name, "block:")) {
            unsigned long long sectors = get_sysfs_ullong((folder + "/" + name + "/size").c_str());
            return sectors == ~0ULL ? 0 : sectors;
        }
    }
    return 0;
} catch (...) {
    return 0;
}

unsigned long long get_BlockSize(const char* address) try {
    if (!orbIsSysfsEntryName(address)) {
        return 0;
    }
    return get_PciBlockSize((std::string("/sys/class/scsi_device/") + address + "/device").c_str());
} catch (...) {
    return 0;
}

char* get_unit_sn_from_sysfs_vpd_pg80(const char* address) try {
    std::string path = deviceAttributePath(address, "vpd_pg80");
    size_t size = 0;
    orbMallocBytes page(path.empty() ? nullptr : get_sysfs_buf(path.c_str(), &size));
    char* serial = orb_parse_unit_serial_page(page.get(), size);
    if (serial == nullptr) {
        ORB_LOG_WARNING(kScsiLogTag,
                        "Unable to extract disk serial number from sysfs VPD page 80. (%zd, %u)",
                        static_cast<ssize_t>(size), size > 1 ? page.get()[1] : 0u);
    }
    return serial;
} catch (...) {
    return nullptr;
}

char* get_unit_sn_from_sysfs_inquiry(const char* address) try {
    std::string path = deviceAttributePath(address, "inquiry");
    size_t size = 0;
    orbMallocBytes inquiry(path.empty() ? nullptr : get_sysfs_buf(path.c_str(), &size));
    char* serial = orb_parse_inquiry_serial(inquiry.get(), size);
    if (serial == nullptr) {
        ORB_LOG_WARNING(kScsiLogTag,
                        "Unable to extract disk serial number from sysfs inquiry. (%zd, %u)",
                        static_cast<ssize_t>(size), size > 4 ? inquiry.get()[4] : 0u);
    }
    return serial;
} catch (...) {
    return nullptr;
}

char* get_DiskModel(const char* address) try { return deviceText(address, "model"); } catch (...) {
    return nullptr;
}
char* get_sas_DiskRev(const char* address) try { return deviceText(address, "rev"); } catch (...) {
    return nullptr;
}
char* get_DiskVendor(const char* address) try {
    return deviceText(address, "vendor");
} catch (...) {
    return nullptr;
}
char* get_DiskType(const char* address) try { return deviceText(address, "type"); } catch (...) {
    return nullptr;
}
char* get_DiskState(const char* address) try { return deviceText(address, "state"); } catch (...) {
    return nullptr;
}

bool is_direct_access_block_device(const char* address) try {
    std::string path = deviceAttributePath(address, "type");
    return !path.empty() && get_sysfs_int(path.c_str()) == 0;
} catch (...) {
    return false;
}

char* get_durableName_from_block_vpd_pg83(const char* blockName) try {
    if (!orbIsSysfsEntryName(blockName)) {
        return nullptr;
    }
    std::string path = orbRootPath(std::string("/sys/block/") + blockName + "/device/vpd_pg83");
    size_t size = 0;
    orbMallocBytes page(get_sysfs_buf(path.c_str(), &size));
    return orb_parse_device_identification_page(page.get(), size);
} catch (...) {
    return nullptr;
}

}  // extern "C"
