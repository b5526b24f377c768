// The start-up file: whatever a previous run, a crash or another program left in it, reading
// it never fails hard, and recording this run's start always leaves a record that says so.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "host/startup_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = "/tmp/orb-startup-fuzz-" + std::to_string(getpid());
    static const std::string path = folder + ".txt";
    static const std::string scratch = folder + ".tmp";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    orbStartupFile file(path, scratch);
    for (const char* key : {"current_start", "last_start", "last_stop"}) {
        long value = -1;
        if (file.readValue(key, value) ? value < 0 : value != 0) {
            __builtin_trap();
        }
    }
    (void)file.judgeBoot(1000);

    const long start = 1234567;
    if (!file.recordStart(start) || file.readStartupValue("current_start") != start ||
        !file.promoteCurrentStart() || file.readStartupValue("last_start") != start) {
        __builtin_trap();
    }
    std::remove(path.c_str());
    return 0;
}
