#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>

#include "host/owned_resources.h"
#include "sim/drives/simulated_drives.h"
#include "support/test_environment.h"

namespace orbtest {

// An open descriptor of a simulated drive's generic device, as the service opens it.
struct OpenDrive {
    explicit OpenDrive(const std::string& generic)
        : owner(open(rootPath("/dev/" + generic).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}
    orbFileDescriptor owner;
    const int fd = owner.get();
};

// Every test of these files talks to the simulated drives.
class SimulatedDrives : public ::testing::Test {
  protected:
    void SetUp() override { orbsim::installSimulatedDrives(); }
    void TearDown() override { orbsim::removeSimulatedDrives(); }
};

}  // namespace orbtest
