#include "storage/scsi_host_identity.h"

#include <cstring>

#include "host/sysfs_attribute.h"
#include "storage/storage_utils.h"

namespace {

bool readHex16(const std::string& path, unsigned int& value) {
    unsigned int read = 0;
    if (_get_sysfs_numeric(path.c_str(), "%x", &read) != 0 || read > 0xFFFF) {
        return false;
    }
    value = read;
    return true;
}

}  // namespace

bool orbReadScsiHostPciIdentity(const std::string& hostFolder, uint32_t& chipset, uint32_t& board) {
    for (const char* level : {"/device/../", "/device/../../"}) {
        const std::string base = hostFolder + level;
        unsigned int vendor = 0;
        unsigned int device = 0;
        unsigned int subsystemVendor = 0;
        unsigned int subsystemDevice = 0;
        if (readHex16(base + "vendor", vendor) && readHex16(base + "device", device) &&
            readHex16(base + "subsystem_vendor", subsystemVendor) &&
            readHex16(base + "subsystem_device", subsystemDevice)) {
            chipset = device << 16 | vendor;
            board = subsystemDevice << 16 | subsystemVendor;
            return true;
        }
    }
    return false;
}

std::string orbPciLocationInLink(const std::string& target) {
    // A leading '/' lets the first component count too; the text stops at an embedded NUL,
    // as a link target would.
    const std::string path = "/" + std::string(target.c_str());
    const char* last = nullptr;
    for (const char* found = strstr_pcilocation(path.c_str()); found != nullptr;
         found = strstr_pcilocation(found)) {
        last = found;
    }
    if (last == nullptr) {
        return std::string();
    }
    return std::string(last, std::strcspn(last, "/"));
}
