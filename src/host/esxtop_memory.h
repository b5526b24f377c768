#pragma once

#include <cstddef>
#include <vector>

// Reads the host's physical memory from one sample of esxtop's batch (comma-separated)
// output: the header names the columns, the first data row holds the values in MBytes.
struct orbEsxtopMemory {
    long totalMBytes = 0;
    long freeMBytes = 0;
};

// True when both memory columns were found in the header and both values of the data row
// read as quoted decimal numbers.
bool orbParseEsxtopMemory(const char* text, size_t length, orbEsxtopMemory& memory);

// Runs esxtop for one sample and returns total and free memory in whole GiB, or an empty
// vector when the command fails or its output cannot be read. A failure is logged once per
// process.
std::vector<double> orbReadEsxtopMemoryGiB();

// The esxtop configuration installed with the service, and the scratch file one sample is
// written to.
extern const char* const ORB_ESXTOP_CONFIG_PATH;
extern const char* const ORB_ESXTOP_MEMORY_PATH;
