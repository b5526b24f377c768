#pragma once

#include <scsi/sg.h>
#include <stddef.h>

// Return codes of the SCSI/ATA queries; every failure is negative.
enum {
    ORB_SCSI_WRONG_PAGE = -1,       // not the page asked for, or a field check failed
    ORB_SCSI_IOCTL_FAILED = -2,     // the SG_IO exchange itself failed
    ORB_SCSI_COMMAND_FAILED = -3,   // completed with an error other than the two below
    ORB_SCSI_SHORT_DATA = -4,       // fewer bytes came back than the query needs
    ORB_SCSI_NO_MEMORY = -6,        // no memory for the result buffer
    ORB_SCSI_ILLEGAL_REQUEST = -7,  // sense key 5: command or page not supported
    ORB_SCSI_ABORTED_COMMAND = -9,  // sense key 11
};

#ifdef __cplusplus
extern "C" {
#endif

// Judges a finished SG_IO request. *transferred becomes the number of data bytes that really
// arrived (the data length less the residual, never more than the buffer) for a good
// completion and for the failures that still carry data, 0 otherwise. Returns 0, -3, -7 or
// -9 (-7 and -9 only from current sense: deferred sense, which belongs to an earlier command,
// gives -3); a failure is logged at debug level with the request's status fields and sense
// bytes.
int process_scsi_completion(const sg_io_hdr_t* hdr, size_t* transferred, const char* caller);

#ifdef __cplusplus
}  // extern "C"
#endif
