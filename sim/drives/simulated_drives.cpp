#include "sim/drives/simulated_drives.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "sim/drives/drive_pages.h"
#include "storage/sg_exchange.h"

namespace orbsim {
namespace {

constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kModeSense6 = 0x1A;
constexpr uint8_t kReadCapacity10 = 0x25;
constexpr uint8_t kReadDefectData10 = 0x37;
constexpr uint8_t kLogSense = 0x4D;
constexpr uint8_t kModeSense10 = 0x5A;
constexpr uint8_t kAtaPassThrough16 = 0x85;
constexpr uint8_t kServiceActionIn16 = 0x9E;
constexpr uint8_t kTestUnitReady = 0x00;

constexpr uint8_t kAtaReadLogExt = 0x2F;
constexpr uint8_t kAtaIdentifyDevice = 0xEC;
constexpr uint8_t kAtaSmart = 0xB0;
constexpr uint8_t kAtaSmartReadLog = 0xD5;

constexpr uint8_t kSenseIllegalRequest = 0x05;
constexpr uint8_t kSenseAbortedCommand = 0x0B;
constexpr uint8_t kSenseMediumError = 0x03;

constexpr uint8_t kStatusCheckCondition = 0x02;
constexpr uint8_t kDriverSense = 0x08;
constexpr uint8_t kHostDidError = 0x07;

// What the drive makes of one command block.
struct Outcome {
    std::string command;  // the name fault switches use
    bool ok = false;
    Bytes data;
    size_t allocation = 0;
    uint8_t senseKey = kSenseIllegalRequest;
    uint8_t asc = 0x24;  // invalid field in CDB
    uint8_t ascq = 0x00;
};

std::string hexName(const char* prefix, unsigned value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%s-%02x", prefix, value);
    return text;
}

unsigned be16(const uint8_t* at) {
    return static_cast<unsigned>(at[0] << 8 | at[1]);
}

void reject(Outcome& outcome, uint8_t key, uint8_t asc) {
    outcome.ok = false;
    outcome.senseKey = key;
    outcome.asc = asc;
}

// An ATA command the drive cannot carry out ends with ABRT, which the translation reports as
// ABORTED COMMAND.
void abortAta(Outcome& outcome) {
    reject(outcome, kSenseAbortedCommand, 0x00);
}

// Bytes 1-2 of ATA PASS-THROUGH (16) for a command that reads 512-byte sectors: PIO data-in
// protocol, EXTEND for a 48-bit command, and T_DIR (from the device), BYT_BLOK (in blocks)
// and T_LENGTH (counted in the sector count field). A SAT layer refuses a command block that
// does not describe the transfer the ATA command makes, rather than guessing.
bool passThroughFits(const uint8_t* cdb, bool lba48) {
    constexpr uint8_t kPioDataIn = 4;
    constexpr uint8_t kSectorsFromDevice = 0x08 | 0x04 | 0x02;
    return cdb[1] == ((kPioDataIn << 1) | (lba48 ? 1 : 0)) && cdb[2] == kSectorsFromDevice;
}

void decodeAtaPassThrough(const DriveDescription& drive, const uint8_t* cdb, Outcome& outcome) {
    uint8_t command = cdb[14];
    uint8_t features = cdb[4];
    uint8_t count = cdb[6];
    uint8_t lbaLow = cdb[8];
    uint8_t lbaMid = cdb[10];
    outcome.allocation = static_cast<size_t>(count) * 512;
    if (!drive.isAta()) {
        outcome.command = "ata-pass-through";
        reject(outcome, kSenseIllegalRequest, 0x20);  // invalid command operation code
        return;
    }
    bool known = command == kAtaIdentifyDevice || command == kAtaReadLogExt ||
                 (command == kAtaSmart && features == kAtaSmartReadLog);
    if (known && !passThroughFits(cdb, command == kAtaReadLogExt)) {
        outcome.command = "ata-pass-through";
        reject(outcome, kSenseIllegalRequest, 0x24);  // invalid field in CDB
        return;
    }
    if (command == kAtaIdentifyDevice) {
        outcome.command = "identify";
        outcome.data = identifyDevice(drive);
        outcome.ok = true;
    } else if (command == kAtaReadLogExt) {
        outcome.command = lbaLow == 0x04 ? hexName("devstat", lbaMid) : hexName("log-ext", lbaLow);
        outcome.ok = readLogExt(drive, lbaLow, lbaMid, outcome.data);
    } else if (command == kAtaSmart && features == kAtaSmartReadLog) {
        outcome.command = hexName("smart-log", lbaLow);
        outcome.ok =
            cdb[10] == 0x4F && cdb[12] == 0xC2 && smartReadLog(drive, lbaLow, outcome.data);
    } else {
        outcome.command = hexName("ata", command);
    }
    if (!outcome.ok) {
        abortAta(outcome);
    }
}

Outcome decode(const DriveDescription& drive, const uint8_t* cdb, size_t length) {
    Outcome outcome;
    uint8_t opcode = length > 0 ? cdb[0] : 0xFF;
    auto needs = [&](size_t size) { return length >= size; };
    if (opcode == kInquiry && needs(6)) {
        outcome.allocation = be16(cdb + 3);
        bool evpd = (cdb[1] & 0x01) != 0;
        outcome.command = evpd ? hexName("vpd", cdb[2]) : "inquiry";
        if (evpd) {
            outcome.ok = vpdPage(drive, cdb[2], outcome.data);
        } else {
            outcome.data = standardInquiry(drive);
            outcome.ok = cdb[2] == 0;
        }
    } else if (opcode == kLogSense && needs(10)) {
        uint8_t page = cdb[2] & 0x3F;
        outcome.allocation = be16(cdb + 7);
        outcome.command = hexName("log", page);
        outcome.ok = logPage(drive, page, static_cast<LogPageControl>(cdb[2] >> 6), outcome.data);
    } else if ((opcode == kModeSense6 && needs(6)) || (opcode == kModeSense10 && needs(10))) {
        bool tenByte = opcode == kModeSense10;
        uint8_t page = cdb[2] & 0x3F;
        outcome.allocation = tenByte ? be16(cdb + 7) : cdb[4];
        outcome.command = hexName(tenByte ? "mode10" : "mode", page);
        outcome.ok = modeSense(drive, page, cdb[3], tenByte, (cdb[1] & 0x08) != 0, outcome.data);
    } else if (opcode == kReadCapacity10 && needs(10)) {
        outcome.command = "read-capacity-10";
        outcome.allocation = 8;
        outcome.data = readCapacity10(drive);
        outcome.ok = true;
    } else if (opcode == kServiceActionIn16 && needs(16) && (cdb[1] & 0x1F) == 0x10) {
        outcome.command = "read-capacity-16";
        outcome.allocation = static_cast<size_t>(be16(cdb + 10)) << 16 | be16(cdb + 12);
        outcome.data = readCapacity16(drive);
        outcome.ok = true;
    } else if (opcode == kReadDefectData10 && needs(10)) {
        outcome.command = "read-defect";
        outcome.allocation = be16(cdb + 7);
        outcome.ok = defectList(drive, outcome.data);
    } else if (opcode == kAtaPassThrough16 && needs(16)) {
        decodeAtaPassThrough(drive, cdb, outcome);
    } else if (opcode == kTestUnitReady && needs(6)) {
        outcome.command = "test-unit-ready";
        outcome.ok = true;
    } else {
        outcome.command = hexName("opcode", opcode);
        reject(outcome, kSenseIllegalRequest, 0x20);
    }
    if (!outcome.ok && outcome.senseKey == kSenseIllegalRequest && outcome.asc == 0x24) {
        outcome.data.clear();
    }
    return outcome;
}

// Another page than the one asked for: the supported-pages list of the same kind, or for
// ATA logs an all-zero sector (revision 0).
void answerWrongPage(const DriveDescription& drive, const uint8_t* cdb, Outcome& outcome) {
    switch (cdb[0]) {
        case kInquiry:
            vpdPage(drive, (cdb[1] & 0x01) != 0 && cdb[2] == 0x00 ? 0x80 : 0x00, outcome.data);
            break;
        case kLogSense:
            // A full page of another code: the temperature page for the exceptions page and
            // the exceptions page for any other.
            if (!logPage(drive, (cdb[2] & 0x3F) == 0x2F ? 0x0D : 0x2F,
                         LogPageControl::CurrentCumulative, outcome.data)) {
                logPage(drive, 0x00, LogPageControl::CurrentCumulative, outcome.data);
            }
            break;
        case kModeSense6:
        case kModeSense10:
            modeSense(drive, (cdb[2] & 0x3F) == 0x1C ? 0x19 : 0x1C, 0, cdb[0] == kModeSense10, true,
                      outcome.data);
            break;
        default:
            outcome.data.assign(outcome.data.size() > 0 ? outcome.data.size() : 512, 0);
            break;
    }
}

// The reply's own length field claims far more than the reply holds.
void claimOverlong(const uint8_t* cdb, Bytes& data) {
    if (data.size() < 4) {
        return;
    }
    switch (cdb[0]) {
        case kInquiry:
            if ((cdb[1] & 0x01) != 0) {
                data[2] = 0xFF;
                data[3] = 0xF0;
            } else {
                data[4] = 0xFF;
            }
            break;
        case kLogSense:
            data[2] = 0xFF;
            data[3] = 0xF0;
            break;
        case kModeSense6:
            data[0] = 0xFF;
            data[3] = 0xF8;  // block descriptors that are not there
            break;
        case kModeSense10:
            data[0] = 0xFF;
            data[1] = 0xF0;
            if (data.size() > 11) {
                data[11] = 0xF0;  // the page's own length
            }
            break;
        case kReadDefectData10:
            data[2] = 0xFF;
            data[3] = 0xF8;
            break;
        default:
            data[2] = 0xFF;
            data[3] = 0xFF;
            break;
    }
}

Bytes senseData(SenseFormat format, uint8_t key, uint8_t asc, uint8_t ascq) {
    switch (format) {
        case SenseFormat::Fixed:
        case SenseFormat::FixedValid:
        case SenseFormat::FixedDeferred: {
            Bytes sense(18, 0);
            bool valid = format == SenseFormat::FixedValid;
            sense[0] = valid ? 0xF0 : format == SenseFormat::FixedDeferred ? 0x71 : 0x70;
            sense[2] = static_cast<uint8_t>(key | (valid ? 0x20 : 0x00));  // ILI beside the key
            sense[7] = 10;
            sense[12] = asc;
            sense[13] = ascq;
            return sense;
        }
        case SenseFormat::Descriptor:
        case SenseFormat::DescriptorDeferred:
            return Bytes{static_cast<uint8_t>(format == SenseFormat::Descriptor ? 0x72 : 0x73),
                         key,
                         asc,
                         ascq,
                         0,
                         0,
                         0,
                         0};
    }
    return Bytes();
}

struct Recorder {
    std::mutex lock;
    bool on = false;
    std::vector<ReceivedCommand> received;
};

Recorder& recorder() {
    static Recorder instance;
    return instance;
}

void record(const sg_io_hdr_t* hdr) {
    Recorder& r = recorder();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.on) {
        r.received.push_back(ReceivedCommand{Bytes(hdr->cmdp, hdr->cmdp + hdr->cmd_len),
                                             hdr->dxfer_len, hdr->timeout});
    }
}

void checkCondition(sg_io_hdr_t* hdr, const Bytes& sense) {
    hdr->status = kStatusCheckCondition;
    hdr->masked_status = kStatusCheckCondition >> 1;
    hdr->info |= SG_INFO_CHECK;
    if (!sense.empty() && hdr->sbp != nullptr) {
        size_t count = std::min<size_t>(sense.size(), hdr->mx_sb_len);
        std::memcpy(hdr->sbp, sense.data(), count);
        hdr->sb_len_wr = static_cast<unsigned char>(count);
        hdr->driver_status = kDriverSense;
    }
    hdr->resid = static_cast<int>(hdr->dxfer_len);
}

}  // namespace

int answerRequest(const DriveDescription& drive, sg_io_hdr_t* hdr) {
    if (hdr == nullptr || hdr->interface_id != 'S' || hdr->cmdp == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    hdr->status = 0;
    hdr->masked_status = 0;
    hdr->msg_status = 0;
    hdr->host_status = 0;
    hdr->driver_status = 0;
    hdr->sb_len_wr = 0;
    hdr->info = SG_INFO_OK;
    hdr->resid = 0;
    hdr->duration = 1;
    record(hdr);

    Outcome outcome = decode(drive, hdr->cmdp, hdr->cmd_len);
    const DriveFault* fault = drive.faultFor(outcome.command);
    if (fault != nullptr) {
        switch (fault->kind) {
            case FaultKind::IoctlFailure:
                errno = EIO;
                return -1;
            case FaultKind::IllegalRequest:
                reject(outcome, kSenseIllegalRequest, 0x24);
                break;
            case FaultKind::AbortedCommand:
                reject(outcome, kSenseAbortedCommand, 0x00);
                break;
            case FaultKind::MediumError:
                reject(outcome, kSenseMediumError, 0x11);  // unrecovered read error
                break;
            case FaultKind::CheckWithoutSense:
                checkCondition(hdr, Bytes());
                return 0;
            case FaultKind::HostError:
                hdr->host_status = kHostDidError;
                hdr->info |= SG_INFO_CHECK;
                hdr->resid = static_cast<int>(hdr->dxfer_len);
                return 0;
            case FaultKind::WrongPage:
                if (outcome.ok) {
                    answerWrongPage(drive, hdr->cmdp, outcome);
                }
                break;
            case FaultKind::OverlongLength:
                claimOverlong(hdr->cmdp, outcome.data);
                break;
            case FaultKind::ShortData:
                if (outcome.data.size() > fault->bytes) {
                    outcome.data.resize(fault->bytes);
                }
                break;
            case FaultKind::BadResidual:
                break;
            case FaultKind::BadChecksum:
                if (!outcome.data.empty()) {
                    outcome.data.back() ^= 0x5A;
                }
                break;
        }
    }
    if (!outcome.ok) {
        checkCondition(hdr,
                       senseData(drive.senseFormat, outcome.senseKey, outcome.asc, outcome.ascq));
        return 0;
    }
    size_t sent =
        std::min({outcome.data.size(), outcome.allocation, static_cast<size_t>(hdr->dxfer_len)});
    if (sent > 0 && hdr->dxferp != nullptr) {
        std::memcpy(hdr->dxferp, outcome.data.data(), sent);
    }
    hdr->resid = static_cast<int>(hdr->dxfer_len - sent);
    if (fault != nullptr && fault->kind == FaultKind::BadResidual) {
        hdr->resid = -static_cast<int>(hdr->dxfer_len);  // "twice the buffer arrived"
    }
    return 0;
}

void recordReceivedCommands(bool on) {
    Recorder& r = recorder();
    std::lock_guard<std::mutex> guard(r.lock);
    r.on = on;
    r.received.clear();
}

std::vector<ReceivedCommand> takeReceivedCommands() {
    Recorder& r = recorder();
    std::lock_guard<std::mutex> guard(r.lock);
    std::vector<ReceivedCommand> taken;
    taken.swap(r.received);
    return taken;
}

std::string descriptorPath(int fd) {
    char link[64];
    std::snprintf(link, sizeof(link), "/proc/self/fd/%d", fd);
    char target[4096];
    ssize_t length = readlink(link, target, sizeof(target) - 1);
    if (length <= 0) {
        return std::string();
    }
    return std::string(target, static_cast<size_t>(length));
}

int simulatedSgExchange(int fd, sg_io_hdr_t* hdr) {
    std::string path = descriptorPath(fd);
    // A description replaced while the descriptor was open (a scenario changing the drive):
    // the drive answers from the one now at that path.
    const std::string replaced = " (deleted)";
    if (path.size() > replaced.size() &&
        path.compare(path.size() - replaced.size(), replaced.size(), replaced) == 0) {
        path.erase(path.size() - replaced.size());
    }
    // A hot-unplugged drive (its description moved aside by a scenario) answers no more, as
    // the descriptor of a removed SCSI generic device does.
    if (path.find(kUnpluggedDrivesFolder) != std::string::npos) {
        errno = ENODEV;
        return -1;
    }
    DriveDescription drive;
    std::string error;
    if (path.empty() || !readDriveDescription(path, drive, error)) {
        errno = ENOTTY;
        return -1;
    }
    return answerRequest(drive, hdr);
}

void installSimulatedDrives() {
    orb_set_sg_exchange_handler(simulatedSgExchange);
}

void removeSimulatedDrives() {
    orb_set_sg_exchange_handler(nullptr);
}

}  // namespace orbsim
