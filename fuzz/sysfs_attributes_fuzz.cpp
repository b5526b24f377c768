// Sysfs attribute files: the first byte picks the file (0 a drive's inquiry, 1 its
// vpd_pg80, anything else a text attribute), the rest is its contents. The readers and the
// serial-number decoders must take any contents.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/platform_path.h"
#include "host/sysfs_attribute.h"
#include "storage/scsi_queries.h"

namespace {

const char* const kDevice = "/sys/class/scsi_device/0:0:0:0/device/";

bool writeWhole(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// A root of its own when none is given, with the device folder and a quiet configuration.
void prepareRoot() {
    static bool prepared = false;
    if (prepared) {
        return;
    }
    prepared = true;
    if (getenv("ORB_ROOT") == nullptr) {
        static char root[] = "/tmp/orbfuzz.XXXXXX";
        if (mkdtemp(root) == nullptr) {
            std::abort();
        }
        setenv("ORB_ROOT", root, 1);
    }
    std::string commands = "mkdir -p '" + orbRootPath(kDevice) + "' '" +
                           orbRootPath("/etc/config/vex/orb") + "' '" + orbRootPath("/var/log") +
                           "'";
    if (std::system(commands.c_str()) != 0) {
        std::abort();
    }
    const char config[] = "{\"LoggingLevel\": \"Error\", \"ORBLogLocation\": \"/var/log/orb.log\"}";
    writeWhole(orbRootPath("/etc/config/vex/orb/orb.conf"),
               reinterpret_cast<const uint8_t*>(config), sizeof(config) - 1);
}

void release(void* pointer) {
    std::free(pointer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    prepareRoot();
    if (size == 0) {
        return 0;
    }
    const char* names[] = {"inquiry", "vpd_pg80", "model"};
    std::string name = names[data[0] < 2 ? data[0] : 2];
    std::string path = orbRootPath(std::string(kDevice) + name);
    if (!writeWhole(path, data + 1, size - 1)) {
        return 0;
    }
    char* text = get_sysfs_str(path.c_str());
    if (text != nullptr && std::strlen(text) > 4096) {
        __builtin_trap();
    }
    release(text);
    size_t length = 0;
    release(get_sysfs_buf(path.c_str(), &length));
    if (length > 4096) {
        __builtin_trap();
    }
    (void)get_sysfs_int(path.c_str());
    (void)get_sysfs_llhex(path.c_str());
    release(get_unit_sn_from_sysfs_inquiry("0:0:0:0"));
    release(get_unit_sn_from_sysfs_vpd_pg80("0:0:0:0"));
    release(get_DiskModel("0:0:0:0"));
    return 0;
}
