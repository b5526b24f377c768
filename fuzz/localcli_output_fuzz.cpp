// The localcli output helpers: any command output is joined into one comma-led line per
// output line, and the values picked out of it with the service's own patterns stay within
// one line of that text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The output as the command runner hands it over: one piece per line.
    std::vector<std::string> lines;
    std::string piece;
    for (size_t i = 0; i < size; ++i) {
        piece += static_cast<char>(data[i]);
        if (data[i] == '\n') {
            lines.push_back(piece);
            piece.clear();
        }
    }
    if (!piece.empty()) {
        lines.push_back(piece);
    }
    std::string csv = orbUtils::parseEsxiCommandOutputAsCsv(lines);
    if (!csv.empty() && csv[0] != ',') {
        __builtin_trap();
    }
    static const char* const patterns[] = {
        ",Version: .*",
        ",Product: .*",
        ",Vendor ID: 0x[A-Za-z0-9]{4}",
        ",SubDevice ID: 0x[A-Za-z0-9]{4}",
    };
    for (const char* pattern : patterns) {
        std::string value = orbUtils::getValueByRegexFromLocalcli(csv, pattern);
        if (value.find('\n') != std::string::npos || csv.find(value) == std::string::npos) {
            __builtin_trap();
        }
    }
    return 0;
}
