// Decoding each drive page against a plain memcpy of the same bytes: the ratio of the two
// times says what decoding costs beyond touching the reply once.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "sim/drives/drive_description.h"
#include "sim/drives/drive_pages.h"
#include "storage/ata_pages.h"
#include "storage/scsi_pages.h"
#include "storage/scsi_queries.h"

namespace {

using orbsim::Bytes;

orbsim::DriveDescription drive(const char* text) {
    orbsim::DriveDescription description;
    std::string error;
    if (!orbsim::parseDriveDescription(text, description, error)) {
        std::abort();
    }
    return description;
}

const orbsim::DriveDescription& sasDrive() {
    static const orbsim::DriveDescription d = drive(
        "kind = sas-ssd\nvendor = TOSHIBA\nmodel = PX05SMB080Y\nserial = Y7K0A01TTE9F\n"
        "firmware = AS0C\ncapacity = 800166076416\ncondition = worn\nsas-address = "
        "58ce38ee20a1b2c6\n");
    return d;
}

const orbsim::DriveDescription& sataDrive() {
    static const orbsim::DriveDescription d = drive(
        "kind = sata-ssd\nmodel = INTEL SSDSC2KG480G8\nserial = PHYG012345AB480BGN\n"
        "firmware = XCV10132\ncapacity = 480103981056\ncondition = hot\n");
    return d;
}

struct Page {
    const char* name;
    std::function<Bytes()> make;
    std::function<long long(const uint8_t*, size_t)> decode;
};

void release(char* text) {
    std::free(text);
}

const std::vector<Page>& pages() {
    static const std::vector<Page> all = {
        {"LogSense2F_Health",
         [] {
             Bytes b;
             orbsim::logPage(sasDrive(), 0x2F, orbsim::LogPageControl::CurrentCumulative, b);
             return b;
         },
         [](const uint8_t* p, size_t n) {
             return orb_parse_ie_health(p, n) + orb_parse_ie_temperature(p, n);
         }},
        {"LogSense0D_Temperature",
         [] {
             Bytes b;
             orbsim::logPage(sasDrive(), 0x0D, orbsim::LogPageControl::CurrentCumulative, b);
             return b;
         },
         [](const uint8_t* p, size_t n) {
             int current = 0, reference = 0;
             orb_parse_temperature_page(p, n, &current, &reference);
             return current + reference;
         }},
        {"LogSense11_Wear",
         [] {
             Bytes b;
             orbsim::logPage(sasDrive(), 0x11, orbsim::LogPageControl::CurrentCumulative, b);
             return b;
         },
         [](const uint8_t* p, size_t n) { return orb_parse_ssd_media_page(p, n); }},
        {"LogSense15_PowerOn",
         [] {
             Bytes b;
             orbsim::logPage(sasDrive(), 0x15, orbsim::LogPageControl::CurrentCumulative, b);
             return b;
         },
         [](const uint8_t* p, size_t n) { return orb_parse_background_scan_page(p, n); }},
        {"ModeSense19_Protocol",
         [] {
             Bytes b;
             orbsim::modeSense(sasDrive(), 0x19, 0, false, true, b);
             return b;
         },
         [](const uint8_t* p, size_t n) { return orb_parse_protocol_port_page(p, n); }},
        {"ModeSense19_01_PhyControl",
         [] {
             Bytes b;
             orbsim::modeSense(sasDrive(), 0x19, 1, true, true, b);
             return b;
         },
         [](const uint8_t* p, size_t n) {
             return orb_parse_phy_control_page(p, n, nullptr, nullptr);
         }},
        {"Vpd80_Serial",
         [] {
             Bytes b;
             orbsim::vpdPage(sasDrive(), 0x80, b);
             return b;
         },
         [](const uint8_t* p, size_t n) {
             char* serial = orb_parse_unit_serial_page(p, n);
             long long first = serial != nullptr ? serial[0] : 0;
             release(serial);
             return first;
         }},
        {"Vpd83_DurableName",
         [] {
             Bytes b;
             orbsim::vpdPage(sasDrive(), 0x83, b);
             return b;
         },
         [](const uint8_t* p, size_t n) {
             char* name = orb_parse_device_identification_page(p, n);
             long long first = name != nullptr ? name[4] : 0;
             release(name);
             return first;
         }},
        {"VpdB1_Rotation",
         [] {
             Bytes b;
             orbsim::vpdPage(sasDrive(), 0xB1, b);
             return b;
         },
         [](const uint8_t* p, size_t n) { return orb_parse_block_characteristics_page(p, n); }},
        {"Inquiry_Serial", [] { return orbsim::standardInquiry(sasDrive()); },
         [](const uint8_t* p, size_t n) {
             char* serial = orb_parse_inquiry_serial(p, n);
             long long first = serial != nullptr ? serial[0] : 0;
             release(serial);
             return first;
         }},
        {"AtaIdentify", [] { return orbsim::identifyDevice(sataDrive()); },
         [](const uint8_t* p, size_t n) {
             _ORB_ATA_IDENTIFY_INFO info;
             orb_parse_identify_device(p, n, &info);
             return static_cast<long long>(info.rotationRate + info.modelNumber[0]);
         }},
        {"AtaDevStat05_Temperature",
         [] {
             Bytes b;
             orbsim::readLogExt(sataDrive(), 0x04, 0x05, b);
             return b;
         },
         [](const uint8_t* p, size_t n) {
             int current = 0, maximum = 0;
             sata_parse_current(p, n, &current);
             sata_parse_mcot(p, n, &maximum);
             return current + maximum;
         }},
        {"AtaLog03_Errors",
         [] {
             Bytes b;
             orbsim::readLogExt(sataDrive(), 0x03, 0, b);
             return b;
         },
         [](const uint8_t* p, size_t n) { return orb_parse_ext_error_log(p, n); }},
    };
    return all;
}

void decodePage(benchmark::State& state, const Page* page) {
    Bytes bytes = page->make();
    for (auto _ : state) {
        benchmark::DoNotOptimize(page->decode(bytes.data(), bytes.size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void copyPage(benchmark::State& state, const Page* page) {
    Bytes bytes = page->make();
    Bytes copy(bytes.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

// Registered in pairs, each decode beside the memcpy of the same reply.
const bool kRegistered = [] {
    for (const Page& page : pages()) {
        benchmark::RegisterBenchmark((std::string("ScsiPages/Memcpy/") + page.name).c_str(),
                                     copyPage, &page);
        benchmark::RegisterBenchmark((std::string("ScsiPages/Decode/") + page.name).c_str(),
                                     decodePage, &page);
    }
    return true;
}();

}  // namespace
