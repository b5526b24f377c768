#include "storage/scsi_queries.h"

extern "C" {

const char* const SCSI_Protocol_Identifiers[16] = {
    "Fibre Channel", "Parallel SCSI", "SSA", "IEEE 1394", "SCSI RDMA Protocol",
    "iSCSI",         "SAS",           "ADT", "ATA",       "UAS",
    "SOP",           "0xb",           "0xc", "0xd",       "0xe",
    "0xf",
};

const char* media_type_from_rotation_rate(int rotationRate) {
    constexpr int kNonRotatingMedium = 0x0001;
    constexpr int kSlowestRotation = 0x0401;
    constexpr int kFastestRotation = 0xFFFE;
    if (rotationRate == kNonRotatingMedium) {
        return "SSD";
    }
    if (rotationRate >= kSlowestRotation && rotationRate <= kFastestRotation) {
        return "HDD";
    }
    return "";
}

}  // extern "C"
