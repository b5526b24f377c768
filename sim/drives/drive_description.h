#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A simulated drive is described by a small text file at the path of its SCSI generic
// device in the simulated host (dev/sgN), one "key = value" a line, '#' starting a comment:
//
//   kind = sas-hdd                 sas-hdd, sas-ssd, sata-hdd, sata-ssd
//   vendor = SEAGATE               SCSI vendor (SATA drives always answer "ATA")
//   model = ST1200MM0009
//   serial = WFK0ABCD
//   firmware = N003
//   capacity = 1200243695616       bytes
//   condition = healthy            healthy, failing, hot, worn
//   fault = log-2f illegal-request a fault switch (repeatable), see DriveFault; "none" takes
//                                  away the faults of the lines before it
//
// and optionally logical-block, rotation-rate, temperature, max-temperature, wear,
// power-on-hours, exception (ASC/ASCQ in hex, e.g. 5d10), error-count, grown-defects,
// wwn, sas-address (hex), link-rate (hex code), vex-log (yes/no), sense-format (fixed,
// fixed-valid, fixed-deferred, descriptor, descriptor-deferred), protocol-page (yes/no: the
// Protocol Specific Port mode page 19h; SAS drives have it, the SAT layer in front of a SATA
// drive by default refuses it). The condition sets health defaults that the explicit keys
// override.

namespace orbsim {

enum class DriveKind { SasHdd, SasSsd, SataHdd, SataSsd };
enum class DriveCondition { Healthy, Failing, Hot, Worn };
// Deferred sense reports the failure of an earlier command with this command's status.
enum class SenseFormat { Fixed, FixedValid, FixedDeferred, Descriptor, DescriptorDeferred };

// How a drive misbehaves for one command.
enum class FaultKind {
    IllegalRequest,     // CHECK CONDITION, sense key 5
    AbortedCommand,     // CHECK CONDITION, sense key 11
    MediumError,        // CHECK CONDITION, sense key 3
    CheckWithoutSense,  // CHECK CONDITION and no sense data
    HostError,          // the HBA reports a transport error, no SCSI status
    ShortData,          // only `bytes` bytes of the reply arrive, its length fields unchanged
    WrongPage,          // the reply is another page than the one asked for
    OverlongLength,     // the reply's length field claims far more than is sent
    BadResidual,        // the residual claims more data arrived than the buffer holds
    BadChecksum,        // the reply's last byte (an ATA sector's checksum) is wrong
    IoctlFailure,       // the SG_IO exchange itself fails (EIO)
};

// "fault = <command> <kind>[:<bytes>]". Commands: inquiry, vpd-XX, log-XX, mode-XX,
// mode10-XX, read-capacity-10, read-capacity-16, read-defect, identify, log-ext-XX,
// devstat-XX, smart-log-XX (XX two lower-case hex digits), or * for every command. Kinds:
// illegal-request, aborted-command, medium-error, check-without-sense, host-error,
// short:<bytes>, wrong-page, overlong, bad-residual, bad-checksum, ioctl-failure.
struct DriveFault {
    std::string command;
    FaultKind kind = FaultKind::IllegalRequest;
    size_t bytes = 0;
};

struct DriveDescription {
    DriveKind kind = DriveKind::SasHdd;
    DriveCondition condition = DriveCondition::Healthy;
    std::string vendor = "SEAGATE";
    std::string model;
    std::string serial;
    std::string firmware;
    uint64_t capacityBytes = 0;
    uint32_t logicalBlock = 512;
    int rotationRate = 0;    // 1 for solid state
    int temperature = 0;     // Celsius
    int maxTemperature = 0;  // specified maximum operating (reference) temperature
    int wear = 0;            // percentage used endurance indicator (SSDs)
    uint32_t powerOnHours = 0;
    uint16_t exception = 0;  // ASC << 8 | ASCQ of the latest informational exception
    int errorCount = 0;      // SATA: errors in the comprehensive SMART error log
    int grownDefects = 0;
    uint64_t wwn = 0;
    uint64_t sasAddress = 0;
    uint8_t linkRate = 0x0B;  // 12 Gb/s
    bool vexLog = false;      // vendor log D0h carries the "VXD0" signature
    SenseFormat senseFormat = SenseFormat::Fixed;
    bool protocolPage = true;  // answers MODE SENSE page 19h
    std::vector<DriveFault> faults;

    bool isAta() const { return kind == DriveKind::SataHdd || kind == DriveKind::SataSsd; }
    bool isSsd() const { return kind == DriveKind::SasSsd || kind == DriveKind::SataSsd; }
    uint64_t blocks() const { return logicalBlock != 0 ? capacityBytes / logicalBlock : 0; }
    // The fault switched on for a command, or null.
    const DriveFault* faultFor(const std::string& command) const;
};

// False with a message naming the line when the text is not a valid description.
bool parseDriveDescription(const std::string& text, DriveDescription& drive, std::string& error);
bool readDriveDescription(const std::string& path, DriveDescription& drive, std::string& error);

}  // namespace orbsim
