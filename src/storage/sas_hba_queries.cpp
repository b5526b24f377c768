// What the SAS HBA driver publishes in sysfs about the adapter and the drives behind it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/platform_path.h"
#include "core/owned_resources.h"
#include "host/sysfs_attribute.h"
#include "host/sysfs_directory.h"
#include "storage/scsi_queries.h"

namespace {

bool copyAttribute(const std::string& path, char* dst, size_t dstSize) {
    orbMallocText text(get_sysfs_str(path.c_str()));
    dst[0] = '\0';
    if (!text) {
        return false;
    }
    std::snprintf(dst, dstSize, "%s", text.get());
    return true;
}

std::string drivePath(const char* address, const char* attribute) {
    return orbRootPath(std::string("/sys/class/scsi_device/") + address + "/device/" + attribute);
}

}  // namespace

// Callers may be C, which cannot take an exception: a function below that builds C++ objects
// (texts, buffers) turns their failure (memory exhausted) into its own failure value.
extern "C" {

int SasGetHbaConfig(const char* hostName, _ORB_SAS_HBA_CONFIG* config) try {
    if (config == nullptr) {
        return -1;
    }
    std::memset(config, 0, sizeof(*config));
    if (!orbIsSysfsEntryName(hostName)) {
        return -1;
    }
    std::string host = orbRootPath(std::string("/sys/class/scsi_host/") + hostName + "/");
    bool named = copyAttribute(host + "board_name", config->boardName, sizeof(config->boardName));
    bool versioned = copyAttribute(host + "firmware_revision", config->firmwareVersion,
                                   sizeof(config->firmwareVersion)) ||
                     copyAttribute(host + "version_fw", config->firmwareVersion,
                                   sizeof(config->firmwareVersion));
    copyAttribute(host + "board_tracer", config->boardTracer, sizeof(config->boardTracer));
    unsigned long long address = get_sysfs_llhex((host + "host_sas_address").c_str());
    config->sasAddress = address == ~0ULL ? 0 : address;
    // An adapter that names neither its board nor its firmware is not a SAS HBA.
    return named || versioned ? 0 : -1;
} catch (...) {
    return -1;
}

char* SasGetScsiAddress(unsigned long long sasAddress) try {
    if (sasAddress == 0 || sasAddress == ~0ULL) {
        return nullptr;
    }
    for (const std::string& address :
         orbListSysfsDirectory(orbRootPath("/sys/class/scsi_device"))) {
        if (get_sysfs_llhex(drivePath(address.c_str(), "sas_address").c_str()) == sasAddress) {
            return strdup(address.c_str());
        }
    }
    return nullptr;
} catch (...) {
    return nullptr;
}

char* SasGetHbaConnector(const char* address) try {
    if (!orbIsSysfsEntryName(address)) {
        return nullptr;
    }
    char* connector = get_sysfs_str(drivePath(address, "connector_name").c_str());
    if (connector != nullptr) {
        size_t length = std::strlen(connector);
        while (length > 0 && connector[length - 1] == ' ') {
            connector[--length] = '\0';
        }
    }
    return connector;
} catch (...) {
    return nullptr;
}

int SasGetLocation(const char* address, unsigned long long* enclosure, int* bay) try {
    if (!orbIsSysfsEntryName(address) || enclosure == nullptr || bay == nullptr) {
        return -1;
    }
    unsigned long long identifier =
        get_sysfs_llhex(drivePath(address, "enclosure_identifier").c_str());
    int slot = get_sysfs_int(drivePath(address, "bay_identifier").c_str());
    if (identifier == ~0ULL || slot < 0) {
        return -1;
    }
    *enclosure = identifier;
    *bay = slot;
    return 0;
} catch (...) {
    return -1;
}

}  // extern "C"
