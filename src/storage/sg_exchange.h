#pragma once

#include <scsi/sg.h>

// The one place where a SCSI command reaches a drive: an SG_IO exchange on an open descriptor
// of the drive's SCSI generic device. Every query goes through orb_sg_exchange, which is
// ioctl(fd, SG_IO, hdr) unless another handler has been installed (the simulated drives).

#ifdef __cplusplus
extern "C" {
#endif

// Same contract as the ioctl: 0 when the request was carried out (its outcome is in the
// header's status fields), -1 with errno set when it could not be.
typedef int (*orbSgExchangeHandler)(int fd, sg_io_hdr_t* hdr);

int orb_sg_exchange(int fd, sg_io_hdr_t* hdr);

// Installs a handler in place of the ioctl and returns the one it replaces; null restores
// the ioctl.
orbSgExchangeHandler orb_set_sg_exchange_handler(orbSgExchangeHandler handler);

#ifdef __cplusplus
}  // extern "C"
#endif
