#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "sim/drives/simulated_drives.h"
#include "support/test_environment.h"

namespace orbtest {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
using MallocText = std::unique_ptr<char, FreeDeleter>;
using MallocBytes = std::unique_ptr<unsigned char, FreeDeleter>;

// An open descriptor of a simulated drive's generic device, as the service opens it.
class OpenDrive {
  public:
    explicit OpenDrive(const std::string& generic)
        : fd(open(rootPath("/dev/" + generic).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}
    ~OpenDrive() {
        if (fd >= 0) {
            close(fd);
        }
    }
    OpenDrive(const OpenDrive&) = delete;
    OpenDrive& operator=(const OpenDrive&) = delete;
    int fd;
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
