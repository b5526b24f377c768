#pragma once

// Module tag of every log line written by the SCSI/ATA queries.
inline constexpr const char* kScsiLogTag = "SCSI_INFO";
