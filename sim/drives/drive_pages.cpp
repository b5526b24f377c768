#include "sim/drives/drive_pages.h"

#include <algorithm>
#include <string>

namespace orbsim {
namespace {

constexpr size_t kSector = 512;

void putBe16(Bytes& out, size_t at, unsigned value) {
    out[at] = static_cast<uint8_t>(value >> 8);
    out[at + 1] = static_cast<uint8_t>(value);
}
void putBe32(Bytes& out, size_t at, uint32_t value) {
    putBe16(out, at, value >> 16);
    putBe16(out, at + 2, value & 0xFFFF);
}
void putBe64(Bytes& out, size_t at, uint64_t value) {
    putBe32(out, at, static_cast<uint32_t>(value >> 32));
    putBe32(out, at + 4, static_cast<uint32_t>(value));
}
void appendBe64(Bytes& out, uint64_t value) {
    out.resize(out.size() + 8);
    putBe64(out, out.size() - 8, value);
}
// Space-padded (or cut) text in a fixed field.
void putText(Bytes& out, size_t at, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        out[at + i] = static_cast<uint8_t>(i < text.size() ? text[i] : ' ');
    }
}
std::string padded(const std::string& text, size_t width) {
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    return field;
}

// A log parameter: code, control byte (binary format list), value bytes.
void appendLogParameter(Bytes& page, uint16_t code, const Bytes& value) {
    page.push_back(static_cast<uint8_t>(code >> 8));
    page.push_back(static_cast<uint8_t>(code));
    page.push_back(0x03);
    page.push_back(static_cast<uint8_t>(value.size()));
    page.insert(page.end(), value.begin(), value.end());
}
// The page length, and the DS bit beside the page code: these parameters cannot be saved, as
// real drives report for their health and statistics pages.
void finishLogPage(Bytes& page) {
    constexpr uint8_t kDisableSave = 0x80;
    page[0] |= kDisableSave;
    putBe16(page, 2, static_cast<unsigned>(page.size() - 4));
}

// Default values: every parameter's value bytes as a new drive has them, all zero.
void clearParameterValues(Bytes& page) {
    size_t at = 4;
    while (at + 4 <= page.size()) {
        size_t end = std::min(page.size(), at + 4 + page[at + 3]);
        std::fill(page.begin() + static_cast<long>(at + 4), page.begin() + static_cast<long>(end),
                  0);
        at = end;
    }
}

uint64_t defaultWwn(const DriveDescription& drive) {
    if (drive.wwn != 0) {
        return drive.wwn;
    }
    // NAA 5 with an OUI and the serial's characters folded in, so drives differ.
    uint64_t id = 0;
    for (char c : drive.serial) {
        id = id * 31 + static_cast<uint8_t>(c);
    }
    return 0x5000C50000000000ULL | (id & 0xFFFFFFFFFULL);
}

std::string sataRevision(const DriveDescription& drive) {
    // A SCSI/ATA translation shows the last four characters of the firmware revision, unless
    // they are blank.
    std::string firmware = padded(drive.firmware, 8);
    std::string last = firmware.substr(4, 4);
    return last == "    " ? firmware.substr(0, 4) : last;
}

// ATA strings: two characters a word, the first in the high byte.
void putAtaString(Bytes& sector, unsigned firstWord, const std::string& text, unsigned words) {
    std::string field = padded(text, words * 2);
    for (unsigned i = 0; i < words; ++i) {
        sector[(firstWord + i) * 2] = static_cast<uint8_t>(field[i * 2 + 1]);
        sector[(firstWord + i) * 2 + 1] = static_cast<uint8_t>(field[i * 2]);
    }
}
void putWord(Bytes& sector, unsigned word, unsigned value) {
    sector[word * 2] = static_cast<uint8_t>(value);
    sector[word * 2 + 1] = static_cast<uint8_t>(value >> 8);
}

// A Device Statistics entry: value in the low bytes, flags (supported, valid) in byte 7.
void putStatistic(Bytes& page, size_t offset, uint64_t value) {
    for (int i = 0; i < 6; ++i) {
        page[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    page[offset + 7] = 0xC0;
}
Bytes statisticsPage(uint8_t number) {
    Bytes page(kSector, 0);
    page[0] = 0x01;  // revision 1
    page[2] = number;
    return page;
}

void setChecksum(Bytes& sector) {
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < kSector; ++i) {
        sum = static_cast<uint8_t>(sum + sector[i]);
    }
    sector[kSector - 1] = static_cast<uint8_t>(-sum);
}

// Byte 0 of a mode page carries PS (the page can be saved, as these can) beside the code.
constexpr uint8_t kParametersSaveable = 0x80;

Bytes modePageBody(const DriveDescription& drive, uint8_t page, uint8_t subpage, bool& known) {
    known = true;
    uint8_t protocol = drive.isAta() ? 0x08 : 0x06;
    if (page == 0x19 && subpage == 0x00 && drive.protocolPage) {
        // Protocol Specific Port page, short format: protocol identifier, I_T nexus loss time.
        return Bytes{kParametersSaveable | 0x19, 0x06, protocol, 0x00, 0x07, 0xD0, 0x00, 0x00};
    }
    if (page == 0x19 && subpage == 0x01 && !drive.isAta() && drive.protocolPage) {
        // Phy Control and Discover: two phys, the first attached to the HBA at the link rate.
        Bytes body{kParametersSaveable | 0x59, 0x01, 0, 0, 0x00, protocol, 0x00, 0x02};
        for (uint8_t phy = 0; phy < 2; ++phy) {
            Bytes descriptor(48, 0);
            descriptor[1] = phy;
            descriptor[4] = phy == 0 ? 0x10 : 0x00;            // attached: end device
            descriptor[5] = phy == 0 ? drive.linkRate : 0x01;  // second phy: disabled
            descriptor[7] = 0x08;                              // SSP target
            putBe64(descriptor, 8, drive.sasAddress + phy);
            putBe64(descriptor, 16, phy == 0 ? 0x500605B000000000ULL : 0);
            descriptor[32] = 0x88;
            descriptor[33] = 0xBB;
            body.insert(body.end(), descriptor.begin(), descriptor.end());
        }
        putBe16(body, 2, static_cast<unsigned>(body.size() - 4));
        return body;
    }
    if (page == 0x1C && subpage == 0x00) {
        // Informational Exceptions Control: EWASC on, exceptions reported on request.
        return Bytes{kParametersSaveable | 0x1C, 0x0A, 0x10, 0x06, 0, 0, 0, 0, 0, 0, 0, 0};
    }
    known = false;
    return Bytes();
}

}  // namespace

Bytes standardInquiry(const DriveDescription& drive) {
    Bytes data(96, 0);
    data[2] = 0x06;  // SPC-4
    data[3] = 0x12;  // HiSup, response data format 2
    data[4] = static_cast<uint8_t>(data.size() - 5);
    data[6] = drive.isAta() ? 0x00 : 0x10;  // dual-ported SAS drives are MultiP
    data[7] = 0x02;                         // CmdQue
    if (drive.isAta()) {
        putText(data, 8, "ATA", 8);
        putText(data, 16, drive.model, 16);
        putText(data, 32, sataRevision(drive), 4);
    } else {
        putText(data, 8, drive.vendor, 8);
        putText(data, 16, drive.model, 16);
        putText(data, 32, drive.firmware, 4);
        putText(data, 36, drive.serial, 20);  // where SAS drives repeat their serial number
    }
    const unsigned versions[] = {0x00A0, 0x0460, 0x04C0, drive.isAta() ? 0x1EA0u : 0x0C60u};
    for (size_t i = 0; i < 4; ++i) {
        putBe16(data, 58 + 2 * i, versions[i]);
    }
    return data;
}

bool vpdPage(const DriveDescription& drive, uint8_t page, Bytes& out) {
    out = Bytes{0x00, page, 0, 0};
    switch (page) {
        case 0x00:
            out.insert(out.end(), {0x00, 0x80, 0x83, 0xB1});
            break;
        case 0x80: {
            std::string serial = drive.isAta() ? padded(drive.serial, 20) : drive.serial;
            out.insert(out.end(), serial.begin(), serial.end());
            break;
        }
        case 0x83: {
            uint64_t wwn = defaultWwn(drive);
            if (drive.isAta()) {
                std::string t10 =
                    padded("ATA", 8) + padded(drive.model, 40) + padded(drive.serial, 20);
                out.insert(out.end(), {0x02, 0x01, 0x00, static_cast<uint8_t>(t10.size())});
                out.insert(out.end(), t10.begin(), t10.end());
                out.insert(out.end(), {0x01, 0x03, 0x00, 0x08});
                appendBe64(out, wwn);
            } else {
                out.insert(out.end(), {0x01, 0x03, 0x00, 0x08});  // logical unit, NAA
                appendBe64(out, wwn);
                out.insert(out.end(), {0x61, 0x93, 0x00, 0x08});  // SAS target port, NAA
                appendBe64(out, drive.sasAddress);
                out.insert(out.end(), {0x61, 0x94, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01});
                out.insert(out.end(), {0x61, 0xA3, 0x00, 0x08});  // SAS target device, NAA
                appendBe64(out, drive.sasAddress + 2);
            }
            break;
        }
        case 0xB1:
            out.resize(64, 0);
            putBe16(out, 4, static_cast<unsigned>(drive.rotationRate));
            out[7] = drive.isSsd() ? 0x03 : 0x02;  // 2.5" or 3.5" form factor
            break;
        default:
            return false;
    }
    putBe16(out, 2, static_cast<unsigned>(out.size() - 4));
    return true;
}

bool logPage(const DriveDescription& drive, uint8_t page, LogPageControl control, Bytes& out) {
    out = Bytes{page, 0x00, 0, 0};
    if (drive.isAta() && page != 0x00) {
        return false;  // SATA drives are asked through ATA PASS-THROUGH instead
    }
    if (control == LogPageControl::CurrentThreshold ||
        control == LogPageControl::DefaultThreshold) {
        return false;
    }
    switch (page) {
        case 0x00:
            if (drive.isAta()) {
                out.push_back(0x00);
            } else if (drive.isSsd()) {
                out.insert(out.end(), {0x00, 0x0D, 0x11, 0x15, 0x2F});
            } else {
                out.insert(out.end(), {0x00, 0x0D, 0x15, 0x2F});
            }
            break;
        case 0x0D:
            appendLogParameter(out, 0x0000, {0x00, static_cast<uint8_t>(drive.temperature)});
            appendLogParameter(out, 0x0001, {0x00, static_cast<uint8_t>(drive.maxTemperature)});
            break;
        case 0x11:
            if (!drive.isSsd()) {
                return false;
            }
            appendLogParameter(out, 0x0001, {0x00, 0x00, 0x00, static_cast<uint8_t>(drive.wear)});
            break;
        case 0x15: {
            uint32_t minutes = drive.powerOnHours * 60u + 17u;
            appendLogParameter(
                out, 0x0000,
                {static_cast<uint8_t>(minutes >> 24), static_cast<uint8_t>(minutes >> 16),
                 static_cast<uint8_t>(minutes >> 8), static_cast<uint8_t>(minutes), 0x00, 0x00,
                 0x00, 0x2A, 0x00, 0x00, 0x00, 0x2A});
            break;
        }
        case 0x2F:
            appendLogParameter(
                out, 0x0000,
                {static_cast<uint8_t>(drive.exception >> 8), static_cast<uint8_t>(drive.exception),
                 static_cast<uint8_t>(drive.temperature),
                 static_cast<uint8_t>(drive.maxTemperature), 0x00, 0x00, 0x00, 0x00});
            break;
        default:
            return false;
    }
    if (control == LogPageControl::DefaultCumulative && page != 0x00) {
        clearParameterValues(out);
    }
    finishLogPage(out);
    return true;
}

bool modeSense(const DriveDescription& drive, uint8_t page, uint8_t subpage, bool tenByte,
               bool disableBlockDescriptors, Bytes& out) {
    bool known = false;
    Bytes body = modePageBody(drive, page, subpage, known);
    if (!known) {
        return false;
    }
    Bytes descriptor;
    if (!disableBlockDescriptors) {
        descriptor.assign(8, 0);
        uint64_t blocks = drive.blocks();
        putBe32(descriptor, 0,
                blocks > 0xFFFFFFFFULL ? 0xFFFFFFFFu : static_cast<uint32_t>(blocks));
        putBe32(descriptor, 4, drive.logicalBlock & 0x00FFFFFFu);
    }
    size_t headerSize = tenByte ? 8 : 4;
    out.assign(headerSize, 0);
    out[tenByte ? 3 : 2] = 0x10;  // DPOFUA
    out.insert(out.end(), descriptor.begin(), descriptor.end());
    out.insert(out.end(), body.begin(), body.end());
    if (tenByte) {
        putBe16(out, 0, static_cast<unsigned>(out.size() - 2));
        putBe16(out, 6, static_cast<unsigned>(descriptor.size()));
    } else {
        out[0] = static_cast<uint8_t>(out.size() - 1);
        out[3] = static_cast<uint8_t>(descriptor.size());
    }
    return true;
}

Bytes readCapacity10(const DriveDescription& drive) {
    Bytes data(8, 0);
    uint64_t last = drive.blocks() - 1;
    putBe32(data, 0, last > 0xFFFFFFFEULL ? 0xFFFFFFFFu : static_cast<uint32_t>(last));
    putBe32(data, 4, drive.logicalBlock);
    return data;
}

Bytes readCapacity16(const DriveDescription& drive) {
    Bytes data(32, 0);
    putBe64(data, 0, drive.blocks() - 1);
    putBe32(data, 8, drive.logicalBlock);
    data[13] = drive.isSsd() ? 0x00 : 0x03;  // HDDs: 4096-byte physical sectors
    return data;
}

bool defectList(const DriveDescription& drive, Bytes& out) {
    if (drive.isAta()) {
        return false;
    }
    out.assign(4, 0);
    out[1] = 0x08 | 0x04;  // grown list, bytes-from-index format
    for (int i = 0; i < drive.grownDefects; ++i) {
        Bytes entry(8, 0);
        putBe32(entry, 0, static_cast<uint32_t>(1000 + 37 * i) << 8 | static_cast<uint32_t>(i % 4));
        putBe32(entry, 4, static_cast<uint32_t>(4096 * i + 512));
        out.insert(out.end(), entry.begin(), entry.end());
    }
    putBe16(out, 2, static_cast<unsigned>(out.size() - 4));
    return true;
}

Bytes identifyDevice(const DriveDescription& drive) {
    Bytes sector(kSector, 0);
    uint64_t sectors = drive.capacityBytes / 512;
    putWord(sector, 0, 0x0040);
    putWord(sector, 1, 16383);
    putWord(sector, 3, 16);
    putWord(sector, 6, 63);
    putAtaString(sector, 10, drive.serial, 10);
    putAtaString(sector, 23, drive.firmware, 4);
    putAtaString(sector, 27, drive.model, 20);
    putWord(sector, 47, 0x8010);
    putWord(sector, 49, 0x2F00);  // LBA, DMA, IORDY, standby timer
    putWord(sector, 50, 0x4000);
    putWord(sector, 53, 0x0007);
    putWord(sector, 60, static_cast<unsigned>(std::min<uint64_t>(sectors, 0x0FFFFFFF) & 0xFFFF));
    putWord(sector, 61, static_cast<unsigned>(std::min<uint64_t>(sectors, 0x0FFFFFFF) >> 16));
    putWord(sector, 75, 0x001F);
    putWord(sector, 76, 0x850E);  // SATA 1.5/3/6 Gb/s, NCQ
    putWord(sector, 80, 0x07F0);  // ATA/ATAPI-4 to ACS-3
    putWord(sector, 81, 0x006D);
    putWord(sector, 82, 0x746B);  // SMART among the supported feature sets
    putWord(sector, 83, 0x7D09);  // 48-bit addressing
    putWord(sector, 84, 0x6163);
    putWord(sector, 85, 0x7469);
    putWord(sector, 86, 0xBC01);
    putWord(sector, 87, 0x6163);
    for (unsigned i = 0; i < 4; ++i) {
        putWord(sector, 100 + i, static_cast<unsigned>((sectors >> (16 * i)) & 0xFFFF));
    }
    putWord(sector, 106, drive.isSsd() ? 0x4000 : 0x6003);
    uint64_t wwn = defaultWwn(drive);
    for (unsigned i = 0; i < 4; ++i) {
        putWord(sector, 108 + i, static_cast<unsigned>((wwn >> (48 - 16 * i)) & 0xFFFF));
    }
    putWord(sector, 169, drive.isSsd() ? 0x0001 : 0x0000);  // TRIM
    putWord(sector, 217, static_cast<unsigned>(drive.rotationRate));
    putWord(sector, 222, 0x107F);
    sector[510] = 0xA5;
    setChecksum(sector);
    return sector;
}

bool readLogExt(const DriveDescription& drive, uint8_t logAddress, uint8_t page, Bytes& out) {
    if (logAddress == 0x03 && page == 0) {
        // Extended Comprehensive SMART Error log: version, index of the latest entry, device
        // error count.
        out.assign(kSector, 0);
        out[0] = 0x01;
        int index = drive.errorCount == 0 ? 0 : (drive.errorCount - 1) % 4 + 1;
        out[2] = static_cast<uint8_t>(index);
        for (int entry = 0; entry < std::min(drive.errorCount, 4); ++entry) {
            size_t errorData = 4 + 124 * static_cast<size_t>(entry) + 90;
            out[errorData + 1] = 0x40;   // error: uncorrectable
            out[errorData + 13] = 0x51;  // status: ready, error
        }
        out[500] = static_cast<uint8_t>(drive.errorCount);
        out[501] = static_cast<uint8_t>(drive.errorCount >> 8);
        setChecksum(out);
        return true;
    }
    if (logAddress == 0x04) {
        switch (page) {
            case 0x00:
                out = statisticsPage(0x00);
                out[8] = drive.isSsd() ? 4 : 3;
                out[9] = 0x00;
                out[10] = 0x01;
                out[11] = 0x05;
                out[12] = drive.isSsd() ? 0x07 : 0x00;
                return true;
            case 0x01:
                out = statisticsPage(0x01);
                putStatistic(out, 8, 57);                   // lifetime power-on resets
                putStatistic(out, 16, drive.powerOnHours);  // power-on hours
                putStatistic(out, 24, 81234567890ULL);      // logical sectors written
                putStatistic(out, 32, 912345678);           // write commands
                putStatistic(out, 40, 123456789012ULL);     // logical sectors read
                putStatistic(out, 48, 1012345678);          // read commands
                return true;
            case 0x05: {
                out = statisticsPage(0x05);
                auto celsius = [](int value) {
                    return static_cast<uint64_t>(static_cast<uint8_t>(value));
                };
                putStatistic(out, 8, celsius(drive.temperature));
                putStatistic(out, 16, celsius(drive.temperature - 1));
                putStatistic(out, 24, celsius(drive.temperature - 2));
                putStatistic(out, 32, celsius(drive.temperature + 9));
                putStatistic(out, 40, celsius(18));
                putStatistic(out, 88, celsius(drive.maxTemperature));
                putStatistic(out, 104, celsius(0));
                return true;
            }
            case 0x07:
                if (!drive.isSsd()) {
                    return false;
                }
                out = statisticsPage(0x07);
                putStatistic(out, 8, static_cast<uint64_t>(drive.wear));
                return true;
            default:
                return false;
        }
    }
    if (logAddress == 0xD0 && page == 0 && drive.vexLog) {
        out.assign(kSector, 0);
        const std::string vendor = "VEX SYSTEMS     ";
        std::copy(vendor.begin(), vendor.end(), out.begin());
        const std::string signature = "VXD0";
        std::copy(signature.begin(), signature.end(), out.begin() + 24);
        return true;
    }
    return false;
}

bool smartReadLog(const DriveDescription& drive, uint8_t logAddress, Bytes& out) {
    if (logAddress != 0xE0) {
        return false;
    }
    // SCT Status: format version 3, temperatures of this power cycle and of the drive's life.
    out.assign(kSector, 0);
    out[0] = 0x03;
    out[2] = 0x01;
    out[4] = 0x01;
    out[200] = static_cast<uint8_t>(drive.temperature);
    out[201] = 18;
    out[202] = static_cast<uint8_t>(drive.temperature + 4);
    out[203] = 12;
    out[204] = static_cast<uint8_t>(drive.temperature + 11);
    out[206] = drive.temperature > drive.maxTemperature ? 3 : 0;
    return true;
}

}  // namespace orbsim
