#include "host/sysfs_attribute.h"

#include "core/owned_resources.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using MallocBuffer = orbMallocBytes;

// Reads at most kSysfsAttributeMaxBytes bytes into a buffer with room for one more byte, so
// that text callers can terminate it in place. Null when the file cannot be opened or holds
// nothing.
MallocBuffer readAttribute(const char* path, size_t& count) {
    count = 0;
    if (path == nullptr) {
        return nullptr;
    }
    orbFileDescriptor file(open(path, O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        return nullptr;
    }
    MallocBuffer buffer(static_cast<unsigned char*>(std::malloc(kSysfsAttributeMaxBytes + 1)));
    if (!buffer) {
        return nullptr;
    }
    // An attribute is produced in one read; the loop only covers reads cut short by a signal
    // or by a file that is not a real attribute (a pipe, a slow file system).
    while (count < kSysfsAttributeMaxBytes) {
        ssize_t got = read(file.get(), buffer.get() + count, kSysfsAttributeMaxBytes - count);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        count += static_cast<size_t>(got);
    }
    if (count == 0) {
        return nullptr;
    }
    return buffer;
}

template <typename T>
T readNumeric(const char* path, const char* format, T failure) {
    T value{};
    return _get_sysfs_numeric(path, format, &value) == 0 ? value : failure;
}

}  // namespace

extern "C" {

char* get_sysfs_str(const char* path) {
    size_t count = 0;
    MallocBuffer buffer = readAttribute(path, count);
    if (!buffer) {
        return nullptr;
    }
    buffer.get()[count] = '\0';
    char* text = reinterpret_cast<char*>(buffer.get());
    if (text[0] == '\0') {
        return nullptr;
    }
    char* lineFeed = std::strchr(text, '\n');
    if (lineFeed != nullptr) {
        *lineFeed = '\0';
    }
    size_t length = std::strlen(text);
    void* shrunk = std::realloc(buffer.get(), length + 1);
    if (shrunk != nullptr) {
        buffer.release();
        return static_cast<char*>(shrunk);
    }
    return reinterpret_cast<char*>(buffer.release());
}

unsigned char* get_sysfs_buf(const char* path, size_t* size) {
    if (size != nullptr) {
        *size = 0;
    }
    size_t count = 0;
    MallocBuffer buffer = readAttribute(path, count);
    if (!buffer) {
        return nullptr;
    }
    void* shrunk = std::realloc(buffer.get(), count);
    if (shrunk != nullptr) {
        buffer.release();
        buffer.reset(static_cast<unsigned char*>(shrunk));
    }
    if (size != nullptr) {
        *size = count;
    }
    return buffer.release();
}

int _get_sysfs_numeric(const char* path, const char* format, void* out) {
    if (format == nullptr || out == nullptr) {
        return -1;
    }
    orbMallocText text(get_sysfs_str(path));
    if (!text) {
        return -1;
    }
    errno = 0;
    // Only a text that yields its one value counts: otherwise the caller would take whatever
    // happened to be in *out for the attribute's value.
    int converted = std::sscanf(text.get(), format, out);
    return converted == 1 ? 0 : -1;
}

unsigned long long get_sysfs_llhex(const char* path) {
    return readNumeric<unsigned long long>(path, "%llx", ~0ULL);
}
unsigned long get_sysfs_lhex(const char* path) {
    return readNumeric<unsigned long>(path, "%lx", ~0UL);
}
unsigned int get_sysfs_ihex(const char* path) {
    return readNumeric<unsigned int>(path, "%x", ~0U);
}
unsigned short get_sysfs_shex(const char* path) {
    return readNumeric<unsigned short>(path, "%hx", static_cast<unsigned short>(~0U));
}
unsigned char get_sysfs_chex(const char* path) {
    return readNumeric<unsigned char>(path, "%hhx", static_cast<unsigned char>(~0U));
}
unsigned int get_sysfs_uint(const char* path) {
    return readNumeric<unsigned int>(path, "%u", ~0U);
}
unsigned long long get_sysfs_ullong(const char* path) {
    return readNumeric<unsigned long long>(path, "%llu", ~0ULL);
}
int get_sysfs_int(const char* path) {
    return readNumeric<int>(path, "%d", -1);
}

}  // extern "C"
