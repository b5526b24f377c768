#include "storage/scsi_completion.h"

#include <cstdio>

#include "core/log.h"
#include "storage/scsi_log_tag.h"

namespace {

constexpr unsigned kInfoErrorBit = SG_INFO_CHECK;  // the request did not complete cleanly
constexpr unsigned kDriverSense = 0x08;            // the driver collected sense data
constexpr unsigned kStatusCheckBit = 0x02;         // CHECK CONDITION and its relatives
constexpr unsigned char kSenseIllegalRequest = 0x05;
constexpr unsigned char kSenseAbortedCommand = 0x0B;

// Data bytes that arrived. The residual is the driver's (or the device's) word: one that is
// negative or larger than the buffer must not let a caller read beyond what it owns.
size_t arrivedBytes(const sg_io_hdr_t* hdr) {
    long long length = hdr->dxfer_len;
    long long arrived = length - static_cast<long long>(hdr->resid);
    if (arrived < 0) {
        return 0;
    }
    return static_cast<size_t>(arrived > length ? length : arrived);
}

// The sense bytes the driver wrote, never more than the buffer that was lent to it.
size_t senseBytes(const sg_io_hdr_t* hdr) {
    if (hdr->sbp == nullptr) {
        return 0;
    }
    size_t written = hdr->sb_len_wr;
    return written < hdr->mx_sb_len ? written : hdr->mx_sb_len;
}

// Sense key of current fixed-format (70h, with or without the VALID bit) or descriptor-format
// (72h) sense data; -1 for any other format. Deferred sense (71h, 73h) reports the failure of
// an earlier command (a cached write, say) and says nothing of this one: taking its ILLEGAL
// REQUEST for this command's would mark a page as unsupported for good.
int currentSenseKey(const unsigned char* sense, size_t length) {
    if (length < 3) {
        return -1;
    }
    unsigned char responseCode = sense[0] & 0x7F;
    if (responseCode == 0x70) {
        return sense[2] & 0x0F;
    }
    if (responseCode == 0x72) {
        return sense[1] & 0x0F;
    }
    return -1;
}

void logFailure(const sg_io_hdr_t* hdr, size_t sbLength, const char* caller) {
    char senseText[256] = "";
    if (sbLength > 0) {
        const unsigned char* sense = hdr->sbp;
        int used = std::snprintf(senseText, sizeof(senseText), "\n    Sense data:");
        for (size_t i = 0;
             i < sbLength && used > 0 && static_cast<size_t>(used) < sizeof(senseText); ++i) {
            used += std::snprintf(senseText + used, sizeof(senseText) - used, " %02x", sense[i]);
        }
    }
    ORB_LOG_DEBUG(kScsiLogTag,
                  "%s: sgiob: info=[0x%x]; masked_status=[0x%x]; host_status=[0x%x]; "
                  "driver_status=[0x%x]; status=[0x%x]; sb_len_wr=[%d]; dxfer_len=[%u]; "
                  "resid=[%d]%s",
                  caller != nullptr ? caller : "", hdr->info, hdr->masked_status, hdr->host_status,
                  hdr->driver_status, hdr->status, hdr->sb_len_wr, hdr->dxfer_len, hdr->resid,
                  senseText);
}

}  // namespace

extern "C" {

int process_scsi_completion(const sg_io_hdr_t* hdr, size_t* transferred, const char* caller) {
    size_t ignored = 0;
    size_t& count = transferred != nullptr ? *transferred : ignored;
    count = 0;
    if (hdr == nullptr) {
        return ORB_SCSI_COMMAND_FAILED;
    }
    if ((hdr->info & kInfoErrorBit) == 0) {
        count = arrivedBytes(hdr);
        return 0;
    }
    size_t sbLength = senseBytes(hdr);
    logFailure(hdr, sbLength, caller);
    if ((hdr->driver_status & kDriverSense) == 0 && (hdr->status & kStatusCheckBit) == 0) {
        count = arrivedBytes(hdr);
        return ORB_SCSI_COMMAND_FAILED;
    }
    int key = sbLength > 2 ? currentSenseKey(hdr->sbp, sbLength) : -1;
    if (key == kSenseIllegalRequest) {
        return ORB_SCSI_ILLEGAL_REQUEST;
    }
    if (key == kSenseAbortedCommand) {
        return ORB_SCSI_ABORTED_COMMAND;
    }
    count = arrivedBytes(hdr);
    return ORB_SCSI_COMMAND_FAILED;
}

}  // extern "C"
