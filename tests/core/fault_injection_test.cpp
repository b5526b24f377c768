#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/job_manager.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({
    "EnableResources": ["HostOSInfo"],
    "LoggingLevel": "Warning",
    "SimulateUnhandledException": 11
})");

namespace {

TEST(FaultInjection, ConfiguredSegmentationFaultKillsTheProcessAfterTheFirstThread) {
    EXPECT_DEATH(orbJobManager::startResourceManagers(), "");
    EXPECT_THAT(orbtest::mainLog(),
                ::testing::HasSubstr("Simulating unhandled exception SIGSEGV. (11)"));
}

}  // namespace
