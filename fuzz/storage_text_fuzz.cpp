// Texts controller discovery reads from sysfs: the link of a SCSI host's device (a PCI address
// somewhere in it) and decimal attributes. A PCI location found lies inside the text and ends
// at a '/' or the text's end; a host number is -1 or more; trimming never grows a text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "storage/controller_sysfs.h"
#include "storage/scsi_host_identity.h"
#include "storage/storage_utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const char* path = text.c_str();  // terminated at the first NUL, as a link text would be
    const char* found = strstr_pcilocation(path);
    if (found != nullptr && (found <= path || found[-1] != '/' || std::strlen(found) < 6)) {
        std::abort();
    }
    // The PCI location taken from a link is one whole component of it.
    const std::string location = orbPciLocationInLink(text);
    if (!location.empty() &&
        (location.size() < 6 || location.find('/') != std::string::npos ||
         std::string("/" + std::string(path) + "/").find("/" + location + "/") ==
             std::string::npos)) {
        std::abort();
    }
    // A host or ATA number is one component's digits: never negative but for "none".
    if (orbNumberedPathComponent(text, "host") < -1) {
        std::abort();
    }
    int value = 0;
    string_to_int(path, value);
    const size_t before = std::strlen(path);
    trim_surrounding_whitespace(&text[0]);
    if (std::strlen(text.c_str()) > before) {
        std::abort();
    }
    return 0;
}
