#include "host/esxtop_memory.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

#include "core/log.h"
#include "core/platform_path.h"
#include "core/shell_command.h"
#include "core/stop_request.h"

const char* const ORB_ESXTOP_CONFIG_PATH = "/opt/vex/orb/data/esxtopconf";
const char* const ORB_ESXTOP_MEMORY_PATH = "/opt/vex/orb/data/orb-mem.txt";

namespace {

const char* const kTag = "HOST_RM";

// One sample is a few hundred kilobytes at most; anything far larger is not a sample.
constexpr size_t kMaxSampleBytes = 16 * 1024 * 1024;

// A value of the data row: a double quote, then a signed decimal number.
bool parseQuotedNumber(std::string_view piece, long& value) {
    if (piece.size() < 2 || piece.front() != '"') {
        return false;
    }
    std::string digits(piece.substr(1));
    errno = 0;
    char* end = nullptr;
    long number = std::strtol(digits.c_str(), &end, 10);
    if (end == digits.c_str() || errno == ERANGE) {
        return false;
    }
    value = number;
    return true;
}

}  // namespace

bool orbParseEsxtopMemory(const char* text, size_t length, orbEsxtopMemory& memory) {
    if (text == nullptr) {
        return false;
    }
    const std::string_view csv(text, length);
    size_t totalColumn = 0;
    size_t freeColumn = 0;
    bool inHeader = true;
    bool haveTotal = false;
    bool haveFree = false;
    orbEsxtopMemory found;
    size_t column = 0;
    for (size_t start = 0;;) {
        size_t comma = csv.find(',', start);
        std::string_view piece = csv.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        ++column;
        if (inHeader) {
            // The line feed that ends the header line starts the data row's first value,
            // whether or not the header line ended with a comma.
            size_t lineEnd = piece.find('\n');
            std::string_view name = piece.substr(0, lineEnd);
            if (name.find("Machine MBytes") != std::string_view::npos) {
                totalColumn = column;
            }
            if (name.find("\\Memory\\Free MBytes") != std::string_view::npos) {
                freeColumn = column;
            }
            if (lineEnd == std::string_view::npos) {
                if (comma == std::string_view::npos) {
                    return false;
                }
                start = comma + 1;
                continue;
            }
            if (totalColumn == 0 || freeColumn == 0) {
                return false;
            }
            inHeader = false;
            column = 1;
            piece = piece.substr(lineEnd + 1);
        }
        if (column == totalColumn) {
            haveTotal = parseQuotedNumber(piece, found.totalMBytes);
        }
        if (column == freeColumn) {
            haveFree = parseQuotedNumber(piece, found.freeMBytes);
        }
        if ((column >= totalColumn && column >= freeColumn) || comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    if (!haveTotal || !haveFree) {
        return false;
    }
    memory = found;
    return true;
}

std::vector<double> orbReadEsxtopMemoryGiB() {
    static std::atomic<bool> getTotalPhysicalMemoryFailureLogged{false};
    const std::string scratch = orbRootPath(ORB_ESXTOP_MEMORY_PATH);
    // One sample per run: the scratch file is replaced, never appended to.
    const std::string command = "esxtop -c " + orbShellQuote(orbRootPath(ORB_ESXTOP_CONFIG_PATH)) +
                                " -b -n 1 > " + orbShellQuote(scratch);
    const int result = orbRunShellCommand(command);
    if (result != 0) {
        // A sample cut short by a stop is no fault of the host's.
        const bool stopped = result == ORB_SHELL_CUT_SHORT && orbStopRequested();
        if (!stopped && !getTotalPhysicalMemoryFailureLogged.exchange(true)) {
            ORB_LOG_ERROR(kTag, "Error occurred in fetching physical memory information : %s",
                          orbShellResultText(result).c_str());
        }
        std::remove(scratch.c_str());
        return {};
    }

    std::string sample;
    {
        std::ifstream in(scratch, std::ios::binary);
        if (!in) {
            ORB_LOG_ERROR(kTag, "Unable to fetch physical memory information.");
            return {};
        }
        char chunk[8192];
        while (sample.size() < kMaxSampleBytes &&
               (in.read(chunk, sizeof(chunk)) || in.gcount() > 0)) {
            sample.append(chunk, static_cast<size_t>(in.gcount()));
        }
    }
    std::remove(scratch.c_str());

    orbEsxtopMemory memory;
    if (!orbParseEsxtopMemory(sample.data(), sample.size(), memory)) {
        if (!getTotalPhysicalMemoryFailureLogged.exchange(true)) {
            ORB_LOG_ERROR(kTag, "Unable to fetch physical memory information.");
        }
        return {};
    }
    // Whole GiB: the megabytes are divided as integers before conversion.
    return {static_cast<double>(memory.totalMBytes / 1024),
            static_cast<double>(memory.freeMBytes / 1024)};
}
