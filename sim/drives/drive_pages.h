#pragma once

#include <cstdint>
#include <vector>

#include "sim/drives/drive_description.h"

// The bytes a simulated drive answers, laid out as the SCSI (SPC/SBC) and ATA (ACS)
// standards define them. A SATA drive answers the SCSI commands as a SCSI/ATA translation
// layer does (vendor "ATA", identity from IDENTIFY DEVICE). A builder returns false when the
// drive does not support what is asked for.

namespace orbsim {

using Bytes = std::vector<uint8_t>;

Bytes standardInquiry(const DriveDescription& drive);
bool vpdPage(const DriveDescription& drive, uint8_t page, Bytes& out);
// LOG SENSE page control: the drive keeps cumulative values, current and default (its
// counters as they were new), and no thresholds.
enum class LogPageControl {
    CurrentThreshold,
    CurrentCumulative,
    DefaultThreshold,
    DefaultCumulative
};
bool logPage(const DriveDescription& drive, uint8_t page, LogPageControl control, Bytes& out);
// MODE SENSE data: header (6- or 10-byte form), a block descriptor unless disabled, the page.
bool modeSense(const DriveDescription& drive, uint8_t page, uint8_t subpage, bool tenByte,
               bool disableBlockDescriptors, Bytes& out);
Bytes readCapacity10(const DriveDescription& drive);
Bytes readCapacity16(const DriveDescription& drive);
bool defectList(const DriveDescription& drive, Bytes& out);

// ATA: 512-byte sectors.
Bytes identifyDevice(const DriveDescription& drive);
bool readLogExt(const DriveDescription& drive, uint8_t logAddress, uint8_t page, Bytes& out);
bool smartReadLog(const DriveDescription& drive, uint8_t logAddress, Bytes& out);

}  // namespace orbsim
