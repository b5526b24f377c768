#include "storage/scsi_completion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/test_environment.h"

namespace {

struct Case {
    const char* name;
    unsigned info;
    std::vector<unsigned char> sense;  // written with CHECK CONDITION and DRIVER_SENSE
    unsigned char senseWritten;        // what the driver claims it wrote
    int resid;
    int code;
    size_t transferred;
};

std::vector<unsigned char> fixed(unsigned char first, unsigned char keyByte) {
    std::vector<unsigned char> sense(18, 0);
    sense[0] = first;
    sense[2] = keyByte;
    return sense;
}

TEST(ScsiCompletion, CodesAndTransferredCounts) {
    const unsigned kCheck = SG_INFO_CHECK;
    const std::vector<unsigned char> descriptor = {0x72, 0x05, 0x24, 0, 0, 0, 0, 0};
    const Case cases[] = {
        {"clean, residual", 0, {}, 0, 40, 0, 24},
        {"negative residual claims more than the buffer", 0, {}, 0, -64, 0, 64},
        {"residual beyond the buffer", 0, {}, 0, 1000, 0, 0},
        {"fixed illegal request", kCheck, fixed(0x70, 0x05), 18, 64, ORB_SCSI_ILLEGAL_REQUEST, 0},
        {"fixed with VALID bit, aborted", kCheck, fixed(0xF0, 0x0B), 18, 64,
         ORB_SCSI_ABORTED_COMMAND, 0},
        {"key beside ILI and EOM", kCheck, fixed(0x70, 0x65), 18, 64, ORB_SCSI_ILLEGAL_REQUEST, 0},
        {"fixed medium error keeps what arrived", kCheck, fixed(0x70, 0x03), 18, 48,
         ORB_SCSI_COMMAND_FAILED, 16},
        {"descriptor illegal request", kCheck, descriptor, 8, 64, ORB_SCSI_ILLEGAL_REQUEST, 0},
        {"deferred descriptor aborted",
         kCheck,
         {0x73, 0x0B, 0, 0, 0, 0, 0, 0},
         8,
         64,
         ORB_SCSI_ABORTED_COMMAND,
         0},
        {"sense length beyond the sense buffer", kCheck, fixed(0x70, 0x0B), 200, 64,
         ORB_SCSI_ABORTED_COMMAND, 0},
        {"two sense bytes", kCheck, {0x72, 0x05}, 2, 64, ORB_SCSI_COMMAND_FAILED, 0},
        {"unknown sense format", kCheck, {0x7F, 0x05, 0x05}, 3, 64, ORB_SCSI_COMMAND_FAILED, 0},
        {"no SCSI status, transport error", kCheck, {}, 0, 64, ORB_SCSI_COMMAND_FAILED, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> data(64);
        unsigned char sense[32] = {};
        std::copy(c.sense.begin(), c.sense.end(), sense);
        sg_io_hdr_t hdr;
        std::memset(&hdr, 0, sizeof(hdr));
        hdr.dxferp = data.data();
        hdr.dxfer_len = static_cast<unsigned>(data.size());
        hdr.sbp = sense;
        hdr.mx_sb_len = sizeof(sense);
        hdr.info = c.info;
        hdr.status = c.sense.empty() ? 0 : 0x02;
        hdr.driver_status = c.sense.empty() ? 0 : 0x08;
        hdr.host_status = c.info != 0 && c.sense.empty() ? 0x07 : 0;
        hdr.sb_len_wr = c.senseWritten;
        hdr.resid = c.resid;
        size_t transferred = 12345;
        EXPECT_EQ(process_scsi_completion(&hdr, &transferred, "test"), c.code);
        EXPECT_EQ(transferred, c.transferred);
    }
}

}  // namespace
