#pragma once

#include <scsi/sg.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sim/drives/drive_description.h"

// Simulated SAS and SATA drives behind the SG_IO exchange of liborb. A descriptor opened on
// a drive description file (the simulated host's dev/sgN, see drive_description.h) answers
// SCSI commands and ATA PASS-THROUGH as that drive would; any other descriptor fails the
// exchange with ENOTTY, as the ioctl does on a file that is not a SCSI generic device.

namespace orbsim {

// Points liborb's SG_IO exchange at the simulated drives, or back at the ioctl.
void installSimulatedDrives();
void removeSimulatedDrives();

// Where a scenario keeps a hot-unplugged drive's description and sysfs entries, below the
// simulated host's root; a descriptor still open on such a description fails with ENODEV.
constexpr char kUnpluggedDrivesFolder[] = "/.scenario/unplugged/";

// The exchange itself (the handler that installSimulatedDrives installs).
int simulatedSgExchange(int fd, sg_io_hdr_t* hdr);

// A request as a drive received it: its command block, data length and time-out.
struct ReceivedCommand {
    std::vector<uint8_t> cdb;
    unsigned dataLength = 0;
    unsigned timeoutMs = 0;
};

// While recording is on, every request the simulated drives answer is kept, in order, until
// takeReceivedCommands() hands them over; tests read what the queries put on the wire.
void recordReceivedCommands(bool on);
std::vector<ReceivedCommand> takeReceivedCommands();

// Answers one request for the given drive, filling the header as the SG driver does.
// Returns 0, or -1 with errno set when the drive's fault switch fails the exchange.
int answerRequest(const DriveDescription& drive, sg_io_hdr_t* hdr);

// The description file a descriptor is open on (through /proc/self/fd), empty when none.
std::string descriptorPath(int fd);

}  // namespace orbsim
