// SCSI log pages (LOG SENSE): Informational Exceptions, Temperature, Solid State Media,
// Background Scan Results. Any reply decodes to a value or a code without reading past it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "storage/scsi_pages.h"
#include "storage/scsi_queries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int health = orb_parse_ie_health(data, size);
    int temperature = orb_parse_ie_temperature(data, size);
    int current = 0;
    int reference = 0;
    orb_parse_temperature_page(data, size, &current, &reference);
    int wear = orb_parse_ssd_media_page(data, size);
    long long minutes = orb_parse_background_scan_page(data, size);
    if (health > 0xFFFF || temperature > 0xFE || wear > 255 || minutes > 0xFFFFFFFFLL) {
        __builtin_trap();
    }
    // The two temperature parsers read the zero-filled copy that get_sas_temp hands out.
    std::vector<unsigned char> copy(kSasTemperaturePageSize, 0);
    std::memcpy(copy.data(), data, size < copy.size() ? size : copy.size());
    if (sas_parse_current(copy.data()) < -128 || sas_parse_mcot(copy.data()) > 127) {
        __builtin_trap();
    }
    return 0;
}
