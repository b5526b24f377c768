#include "host/esxtop_memory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/test_environment.h"

namespace {

bool parse(const std::string& text, orbEsxtopMemory& memory) {
    return orbParseEsxtopMemory(text.data(), text.size(), memory);
}

TEST(EsxtopMemory, ReadsTheTwoColumnsOfTheSample) {
    struct Case {
        const char* sample;
        bool ok;
        long total;
        long free;
    };
    const Case cases[] = {
        {"\"(PDH-CSV 4.0)\",\"\\\\h\\Memory\\Machine MBytes\",\"\\\\h\\Memory\\Free MBytes\"\n"
         "\"t\",\"65535\",\"2048\"\n",
         true, 65535, 2048},
        // Lines that end with a comma, so the data row begins with a line feed.
        {"\"a\",\"\\\\h\\Memory\\Machine MBytes\",\"\\\\h\\Memory\\Free MBytes\",\n"
         "\"t\",\"4096\",\"1024\",\n",
         true, 4096, 1024},
        // Columns in the other order, with counters in between.
        {"\"a\",\"\\\\h\\Memory\\Free MBytes\",\"x\",\"\\\\h\\Memory\\Machine MBytes\"\n"
         "\"t\",\"100\",\"7\",\"200\"",
         true, 200, 100},
        // No free column, no data row, garbage values, values without their quote.
        {"\"a\",\"\\\\h\\Memory\\Machine MBytes\"\n\"t\",\"12\"", false, 0, 0},
        {"\"a\",\"\\\\h\\Memory\\Machine MBytes\",\"\\\\h\\Memory\\Free "
         "MBytes\"\n\"t\",\"x\",\"1\"",
         false, 0, 0},
        {"\"a\",\"\\\\h\\Memory\\Machine MBytes\",\"\\\\h\\Memory\\Free MBytes\"\n\"t\",12,13",
         false, 0, 0},
        {"\"a\",\"\\\\h\\Memory\\Machine MBytes\",\"\\\\h\\Memory\\Free MBytes\"\n\"t\",\"1\"",
         false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sample);
        orbEsxtopMemory memory;
        memory.totalMBytes = -77;
        memory.freeMBytes = -77;
        EXPECT_EQ(parse(c.sample, memory), c.ok);
        if (c.ok) {
            EXPECT_EQ(memory.totalMBytes, c.total);
            EXPECT_EQ(memory.freeMBytes, c.free);
        } else {
            // A failed read never hands back half a result.
            EXPECT_EQ(memory.totalMBytes, -77);
        }
    }
}

TEST(EsxtopMemory, TheSimulatedHostReportsWholeGiB) {
    std::vector<double> memory = orbReadEsxtopMemoryGiB();
    ASSERT_EQ(memory.size(), 2u);
    EXPECT_EQ(memory[0], 511.0);  // 524163 MB
    EXPECT_EQ(memory[1], 391.0);  // 401234 MB
    // The scratch sample is gone afterwards, and a second run does not add to it.
    struct stat info {};
    EXPECT_NE(stat(orbtest::rootPath(ORB_ESXTOP_MEMORY_PATH).c_str(), &info), 0);
    EXPECT_EQ(orbReadEsxtopMemoryGiB(), memory);
}

TEST(EsxtopMemory, AFailingToolIsLoggedOnceAndReadsAsNothing) {
    orbtest::writeFile(orbtest::rootPath("/bin/esxtop"), "#!/bin/sh\necho broken >&2\nexit 3\n");
    chmod(orbtest::rootPath("/bin/esxtop").c_str(), 0755);
    orbtest::LogMark mark;
    EXPECT_TRUE(orbReadEsxtopMemoryGiB().empty());
    EXPECT_TRUE(orbReadEsxtopMemoryGiB().empty());
    EXPECT_EQ(orbtest::occurrences(mark.mainSince(),
                                   "Error occurred in fetching physical memory information"),
              1u);

    orbtest::writeFile(orbtest::rootPath("/bin/esxtop"), "#!/bin/sh\necho 'no,columns,here'\n");
    EXPECT_TRUE(orbReadEsxtopMemoryGiB().empty());
}

}  // namespace
