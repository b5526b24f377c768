#include "host/smbios_table.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <new>

#include "core/platform_path.h"
#include "host/smbios.h"
#include "host/smbios_structure.h"

namespace {

constexpr char kSmbiosDevice[] = "/vmfs/devices/char/mem/smbios";
constexpr size_t kMaxTableFile = 65536;
// Entry point fields read here: the anchor, its length byte (offset 5) and the 16-bit structure
// table length (offset 22).
constexpr size_t kEntryPointFieldsEnd = 24;
constexpr char kAnchor[] = "_SM_";

struct SmbiosState {
    // Always exists, so that loading, freeing and walking are serialised from the first call to
    // the last, whatever their order.
    std::mutex smbiosMutex;
    bool smbiosInitialized = false;
    std::unique_ptr<uint8_t[]> psmbiosTableEP;
    const uint8_t* psmbiosTable = nullptr;
    size_t smbiosTableLength = 0;
    std::vector<SMBIOS_STRUCTURE> structures;
};

SmbiosState& state() {
    static SmbiosState instance;
    return instance;
}

void reset(SmbiosState& s) {
    s.psmbiosTableEP.reset();
    s.psmbiosTable = nullptr;
    s.smbiosTableLength = 0;
    s.structures.clear();
    s.smbiosInitialized = false;
}

// Takes ownership of buffer (size bytes read) when it holds a usable table. Caller holds the lock.
int adoptTable(SmbiosState& s, std::unique_ptr<uint8_t[]> buffer, size_t size) {
    if (!buffer || size == 0) {
        return -1;
    }
    const uint8_t* bytes = buffer.get();
    size_t anchor = 0;
    bool found = false;
    for (; anchor + 4 <= size; anchor += 4) {
        if (memcmp(bytes + anchor, kAnchor, 4) == 0) {
            found = true;
            break;
        }
    }
    if (!found || size - anchor < kEntryPointFieldsEnd) {
        return -1;
    }
    const uint8_t* entryPoint = bytes + anchor;
    size_t entryPointLength = entryPoint[5];
    size_t tableLength = static_cast<size_t>(entryPoint[22] | (entryPoint[23] << 8));
    // The table follows the entry point; both must lie inside what was read.
    if (entryPointLength < kEntryPointFieldsEnd || entryPointLength > size - anchor ||
        tableLength > size - anchor - entryPointLength) {
        return -1;
    }
    s.psmbiosTableEP = std::move(buffer);
    s.psmbiosTable = s.psmbiosTableEP.get() + anchor + entryPointLength;
    s.smbiosTableLength = tableLength;
    s.structures.clear();
    SMBIOS_STRUCTURE structure{};
    for (size_t offset = 0;
         smbios_next_structure(s.psmbiosTable, s.smbiosTableLength, offset, structure);) {
        s.structures.push_back(structure);
    }
    s.smbiosInitialized = true;
    return 0;
}

struct FileDescriptor {
    explicit FileDescriptor(int value) : fd(value) {}
    ~FileDescriptor() {
        if (fd >= 0) {
            close(fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int fd;
};

size_t readUpTo(int fd, uint8_t* buffer, size_t capacity) {
    size_t total = 0;
    while (total < capacity) {
        ssize_t got = read(fd, buffer + total, capacity - total);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        total += static_cast<size_t>(got);
    }
    return total;
}

}  // namespace

// The entry points have C linkage: a failure of the lock or of memory is their -1, never an
// exception.
int SmBiosInit() try {
    SmbiosState& s = state();
    std::lock_guard<std::mutex> guard(s.smbiosMutex);
    if (s.smbiosInitialized) {
        return 0;
    }
    FileDescriptor file(open(orbRootPath(kSmbiosDevice).c_str(), O_RDONLY | O_SYNC));
    if (file.fd < 0) {
        return -1;
    }
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kMaxTableFile]);
    if (!buffer) {
        return -1;
    }
    size_t size = readUpTo(file.fd, buffer.get(), kMaxTableFile);
    if (adoptTable(s, std::move(buffer), size) != 0) {
        reset(s);
        return -1;
    }
    return 0;
} catch (...) {
    return -1;
}

int SmBiosInitFromBuffer(const uint8_t* bytes, size_t size) try {
    SmbiosState& s = state();
    std::lock_guard<std::mutex> guard(s.smbiosMutex);
    if (s.smbiosInitialized) {
        return 0;
    }
    if (bytes == nullptr || size == 0) {
        return -1;
    }
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size]);
    if (!buffer) {
        return -1;
    }
    memcpy(buffer.get(), bytes, size);
    if (adoptTable(s, std::move(buffer), size) != 0) {
        reset(s);
        return -1;
    }
    return 0;
} catch (...) {
    return -1;
}

void SmBiosDeinit() try {
    SmbiosState& s = state();
    std::lock_guard<std::mutex> guard(s.smbiosMutex);
    reset(s);
} catch (...) {
    // The lock could not be taken: the table stays loaded.
}

bool smbios_with_structures(
    const std::function<void(const std::vector<SMBIOS_STRUCTURE>& structures)>& visit) {
    SmbiosState& s = state();
    std::lock_guard<std::mutex> guard(s.smbiosMutex);
    if (!s.smbiosInitialized) {
        return false;
    }
    visit(s.structures);
    return true;
}
