#pragma once

#include <unistd.h>

#include <cstdlib>
#include <memory>

// Owners of the C resources the sysfs readers, drive queries and the shell runner hold:
// malloc'ed texts and buffers (released with free) and file descriptors (closed).

struct orbFreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
using orbMallocText = std::unique_ptr<char, orbFreeDeleter>;
using orbMallocBytes = std::unique_ptr<unsigned char, orbFreeDeleter>;

class orbFileDescriptor {
  public:
    orbFileDescriptor() = default;
    explicit orbFileDescriptor(int value) : fd(value) {}
    ~orbFileDescriptor() { reset(); }
    orbFileDescriptor(const orbFileDescriptor&) = delete;
    orbFileDescriptor& operator=(const orbFileDescriptor&) = delete;
    int get() const { return fd; }
    bool isOpen() const { return fd >= 0; }
    // Closes the descriptor held, if any, and holds replacement instead.
    void reset(int replacement = -1) {
        if (fd >= 0) {
            close(fd);
        }
        fd = replacement;
    }

  private:
    int fd = -1;
};
