// The C-linkage functions may be called from C, where an exception cannot be caught: with
// memory exhausted at any one allocation they return their failure value, never throw, and
// leak nothing (the leak checker runs at exit).
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

#include "core/owned_resources.h"
#include "fc/hba_api.h"
#include "host/smbios.h"
#include "sim/drives/simulated_drives.h"
#include "storage/scsi_pages.h"
#include "storage/scsi_queries.h"
#include "storage/sg_exchange.h"
#include "support/test_environment.h"

namespace {

// Counts down the allocations of this thread while armed; the one that reaches zero fails.
thread_local long allocationsBeforeFailure = -1;
thread_local bool failureInjected = false;

void* allocate(std::size_t size) {
    if (allocationsBeforeFailure >= 0 && allocationsBeforeFailure-- == 0) {
        failureInjected = true;
        return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void* operator new(std::size_t size) {
    void* memory = allocate(size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

long textResult(char* text) {
    long length = text != nullptr ? static_cast<long>(std::strlen(text)) : -100;
    std::free(text);
    return length;
}

// Calls a query that hands out a buffer, and frees it.
template <int (*query)(int, unsigned char**, size_t*)>
long bufferResult(int fd) {
    unsigned char* buffer = nullptr;
    size_t length = 0;
    int code = query(fd, &buffer, &length);
    std::free(buffer);
    return code;
}

// The simulated drives allocate as they answer; a real drive's ioctl does not, so no failure
// is injected while they do.
orbSgExchangeHandler simulatedExchange = nullptr;

int exchangeWithoutFailures(int fd, sg_io_hdr_t* hdr) {
    long paused = allocationsBeforeFailure;
    allocationsBeforeFailure = -1;
    int result = simulatedExchange(fd, hdr);
    allocationsBeforeFailure = paused;
    return result;
}

int openDrive(const char* generic) {
    return open(orbtest::rootPath(std::string("/dev/") + generic).c_str(),
                O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

TEST(CLinkage, AnAllocationFailureAnywhereGivesTheFailureValueAndNeverAnException) {
    orbsim::installSimulatedDrives();
    simulatedExchange = orb_set_sg_exchange_handler(exchangeWithoutFailures);
    ASSERT_EQ(SmBiosInit(), 0);
    orbFileDescriptor sas(openDrive("sg2"));
    orbFileDescriptor sata(openDrive("sg0"));
    ASSERT_GE(sas.get(), 0);
    ASSERT_GE(sata.get(), 0);
    const int sasFd = sas.get();
    const int sataFd = sata.get();
    static const uint8_t kDeviceIdPage[] = {0x00, 0x83, 0x00, 0x0C, 0x01, 0x03, 0x00, 0x08,
                                            0x50, 0x00, 0xC5, 0x00, 0x12, 0x34, 0x56, 0x78};

    struct Case {
        const char* name;
        long failure;
        std::function<long()> call;
    };
    const Case cases[] = {
        {"get_sas_health", ORB_SCSI_NO_MEMORY, [&] { return get_sas_health(sasFd); }},
        {"get_sas_temp", -100,
         [&] {
             unsigned char* page = get_sas_temp(sasFd);
             long result = page != nullptr ? 0 : -100;
             std::free(page);
             return result;
         }},
        {"get_sas_ssd_wear", ORB_SCSI_NO_MEMORY, [&] { return get_sas_ssd_wear(sasFd); }},
        {"get_scsi_transport_protocol", ORB_SCSI_NO_MEMORY,
         [&] { return get_scsi_transport_protocol(sasFd); }},
        {"get_unit_speed", ORB_SCSI_NO_MEMORY, [&] { return get_unit_speed(sasFd); }},
        {"get_defect_data_size", ORB_SCSI_NO_MEMORY, [&] { return get_defect_data_size(sasFd); }},
        {"get_disk_capacity", ORB_SCSI_NO_MEMORY,
         [&] {
             unsigned long long blocks = 0;
             unsigned length = 0;
             return get_disk_capacity(sasFd, &blocks, &length);
         }},
        {"get_identify_info", ORB_SCSI_NO_MEMORY,
         [&] { return bufferResult<get_identify_info>(sasFd); }},
        {"get_unit_sn_from_device_inquiry", -100,
         [&] { return textResult(get_unit_sn_from_device_inquiry(sasFd)); }},
        {"get_unit_sn_from_device_vpd_pg80", -100,
         [&] { return textResult(get_unit_sn_from_device_vpd_pg80(sasFd)); }},
        {"get_sata_health", ORB_SCSI_NO_MEMORY, [&] { return get_sata_health(sataFd); }},
        {"get_sata_temp", ORB_SCSI_NO_MEMORY, [&] { return bufferResult<get_sata_temp>(sataFd); }},
        {"get_sata_ssd_wear", ORB_SCSI_NO_MEMORY, [&] { return get_sata_ssd_wear(sataFd); }},
        {"get_sata_sct_stat", ORB_SCSI_NO_MEMORY,
         [&] { return bufferResult<get_sata_sct_stat>(sataFd); }},
        {"get_ata_identify_device_info", ORB_SCSI_NO_MEMORY,
         [&] {
             _ORB_ATA_IDENTIFY_INFO info;
             return get_ata_identify_device_info(sataFd, &info);
         }},
        {"get_sata_DiskRev", -100, [&] { return textResult(get_sata_DiskRev(sataFd)); }},
        {"get_ScsiGeneric", -100, [] { return textResult(get_ScsiGeneric("8:0:1:0")); }},
        {"get_unit_sn_from_sysfs_vpd_pg80", -100,
         [] { return textResult(get_unit_sn_from_sysfs_vpd_pg80("8:0:1:0")); }},
        {"get_DiskModel", -100, [] { return textResult(get_DiskModel("8:0:1:0")); }},
        {"get_durableName_from_block_vpd_pg83", -100,
         [] { return textResult(get_durableName_from_block_vpd_pg83("sdb")); }},
        {"orb_parse_device_identification_page", -100,
         [] {
             return textResult(
                 orb_parse_device_identification_page(kDeviceIdPage, sizeof(kDeviceIdPage)));
         }},
        {"SasGetHbaConfig", -1,
         [] {
             _ORB_SAS_HBA_CONFIG config;
             return SasGetHbaConfig("host8", &config);
         }},
        {"SasGetScsiAddress", -100,
         [] { return textResult(SasGetScsiAddress(0x5000cca02b3c4d5eull)); }},
        {"SasGetHbaConnector", -100, [] { return textResult(SasGetHbaConnector("8:0:1:0")); }},
        {"SasGetLocation", -1,
         [] {
             unsigned long long enclosure = 0;
             int bay = 0;
             return SasGetLocation("11:0:0:0", &enclosure, &bay);
         }},
        {"HBA_LoadLibrary", HBA_STATUS_ERROR, [] { return static_cast<long>(HBA_LoadLibrary()); }},
        {"HBA_GetNumberOfAdapters", 0, [] { return static_cast<long>(HBA_GetNumberOfAdapters()); }},
        {"getSmbiosRecordsByType", -1,
         [] {
             void* records = nullptr;
             int count = 0;
             int code = getSmbiosRecordsByType(9, &records, &count);
             std::free(records);
             return code;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const long normal = c.call();
        ASSERT_NE(normal, c.failure) << "the query should succeed on the simulated host";
        long failedAt = 0;
        for (; failedAt < 1000; ++failedAt) {
            failureInjected = false;
            allocationsBeforeFailure = failedAt;
            long result = 0;
            bool threw = false;
            try {
                result = c.call();
            } catch (...) {
                threw = true;
            }
            allocationsBeforeFailure = -1;
            if (!failureInjected) {
                EXPECT_EQ(result, normal);
                break;
            }
            EXPECT_FALSE(threw) << "allocation " << failedAt;
            EXPECT_TRUE(result == c.failure || result == normal)
                << "allocation " << failedAt << " gave " << result;
        }
        EXPECT_LT(failedAt, 1000);
    }
    HBA_FreeLibrary();
    SmBiosDeinit();
    orbsim::removeSimulatedDrives();
}

}  // namespace
