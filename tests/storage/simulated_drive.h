#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "host/owned_resources.h"
#include "sim/drives/simulated_drives.h"
#include "support/test_environment.h"

namespace orbtest {

using MallocText = orbMallocText;
using MallocBytes = orbMallocBytes;

// An open descriptor of a simulated drive's generic device, as the service opens it.
class OpenDrive {
  public:
    explicit OpenDrive(const std::string& generic)
        : owner(open(rootPath("/dev/" + generic).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)),
          fd(owner.get()) {}

  private:
    orbFileDescriptor owner;

  public:
    const int fd;
};

// Writes a drive description of its own into the simulated host (dev/<generic>).
inline void writeDrive(const std::string& generic, const std::string& description) {
    writeFile(rootPath("/dev/" + generic), description);
}

// Every test of these files talks to the simulated drives.
class SimulatedDrives : public ::testing::Test {
  protected:
    void SetUp() override { orbsim::installSimulatedDrives(); }
    void TearDown() override { orbsim::removeSimulatedDrives(); }
};

}  // namespace orbtest
