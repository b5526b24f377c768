#pragma once

#include <unistd.h>

#include <cstdlib>
#include <memory>

// Owners of the C resources the sysfs readers and drive queries hand out: malloc'ed texts and
// buffers (released with free) and file descriptors (closed).

struct orbFreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
using orbMallocText = std::unique_ptr<char, orbFreeDeleter>;
using orbMallocBytes = std::unique_ptr<unsigned char, orbFreeDeleter>;

class orbFileDescriptor {
  public:
    explicit orbFileDescriptor(int value) : fd(value) {}
    ~orbFileDescriptor() {
        if (fd >= 0) {
            close(fd);
        }
    }
    orbFileDescriptor(const orbFileDescriptor&) = delete;
    orbFileDescriptor& operator=(const orbFileDescriptor&) = delete;
    int get() const { return fd; }

  private:
    int fd;
};
