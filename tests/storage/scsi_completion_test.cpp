#include "storage/scsi_completion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/test_environment.h"

using ::testing::HasSubstr;

namespace {

struct Request {
    unsigned info = 0;
    unsigned char status = 0;
    unsigned short driverStatus = 0;
    unsigned short hostStatus = 0;
    std::vector<unsigned char> sense;
    unsigned char senseWritten = 0xFF;  // 0xFF: as many as `sense` holds
    int resid = 0;
};

struct Outcome {
    int code;
    size_t transferred;
};

Outcome complete(const Request& request, unsigned dataLength = 64) {
    std::vector<unsigned char> data(dataLength);
    unsigned char sense[32] = {};
    if (!request.sense.empty()) {
        std::memcpy(sense, request.sense.data(), std::min(request.sense.size(), sizeof(sense)));
    }
    sg_io_hdr_t hdr;
    std::memset(&hdr, 0, sizeof(hdr));
    hdr.interface_id = 'S';
    hdr.dxferp = data.data();
    hdr.dxfer_len = dataLength;
    hdr.sbp = sense;
    hdr.mx_sb_len = sizeof(sense);
    hdr.info = request.info;
    hdr.status = request.status;
    hdr.driver_status = request.driverStatus;
    hdr.host_status = request.hostStatus;
    hdr.sb_len_wr = request.senseWritten == 0xFF ? static_cast<unsigned char>(request.sense.size())
                                                 : request.senseWritten;
    hdr.resid = request.resid;
    size_t transferred = 12345;
    int code = process_scsi_completion(&hdr, &transferred, "test");
    return Outcome{code, transferred};
}

std::vector<unsigned char> fixedSense(unsigned char first, unsigned char keyByte) {
    std::vector<unsigned char> sense(18, 0);
    sense[0] = first;
    sense[2] = keyByte;
    sense[7] = 10;
    sense[12] = 0x24;
    return sense;
}

std::vector<unsigned char> descriptorSense(unsigned char first, unsigned char key) {
    return {first, key, 0x24, 0x00, 0, 0, 0, 0};
}

TEST(ScsiCompletion, SenseKeysOfBothFormatsGiveTheirCodes) {
    const unsigned char kCheck = 0x02;
    const unsigned short kSense = 0x08;
    struct Case {
        const char* name;
        std::vector<unsigned char> sense;
        int code;
    };
    const Case cases[] = {
        {"fixed illegal request", fixedSense(0x70, 0x05), ORB_SCSI_ILLEGAL_REQUEST},
        {"fixed aborted", fixedSense(0x70, 0x0B), ORB_SCSI_ABORTED_COMMAND},
        {"fixed with VALID bit", fixedSense(0xF0, 0x05), ORB_SCSI_ILLEGAL_REQUEST},
        {"fixed deferred", fixedSense(0x71, 0x0B), ORB_SCSI_ABORTED_COMMAND},
        {"fixed key beside ILI and EOM", fixedSense(0x70, 0x60 | 0x05), ORB_SCSI_ILLEGAL_REQUEST},
        {"fixed medium error", fixedSense(0x70, 0x03), ORB_SCSI_COMMAND_FAILED},
        {"descriptor illegal request", descriptorSense(0x72, 0x05), ORB_SCSI_ILLEGAL_REQUEST},
        {"descriptor deferred aborted", descriptorSense(0x73, 0x0B), ORB_SCSI_ABORTED_COMMAND},
        {"descriptor with VALID-like bit", descriptorSense(0xF2, 0x05), ORB_SCSI_ILLEGAL_REQUEST},
        {"unknown format", {0x7F, 0x05, 0x05, 0, 0, 0, 0, 0}, ORB_SCSI_COMMAND_FAILED},
        {"two sense bytes only", {0x72, 0x05}, ORB_SCSI_COMMAND_FAILED},
        {"no sense bytes", {}, ORB_SCSI_COMMAND_FAILED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Request request;
        request.info = SG_INFO_CHECK;
        request.status = kCheck;
        request.driverStatus = kSense;
        request.sense = c.sense;
        request.resid = 64;
        EXPECT_EQ(complete(request).code, c.code);
    }
}

TEST(ScsiCompletion, TransferredCountIsClampedToTheBuffer) {
    struct Case {
        const char* name;
        unsigned info;
        int resid;
        int code;
        size_t transferred;
    };
    const Case cases[] = {
        {"whole buffer", 0, 0, 0, 64},
        {"residual", 0, 40, 0, 24},
        {"negative residual claims more than the buffer", 0, -64, 0, 64},
        {"residual larger than the buffer", 0, 1000, 0, 0},
        {"error without sense keeps what arrived", SG_INFO_CHECK, 48, ORB_SCSI_COMMAND_FAILED, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Request request;
        request.info = c.info;
        request.resid = c.resid;
        request.hostStatus = c.info != 0 ? 0x07 : 0;
        Outcome outcome = complete(request);
        EXPECT_EQ(outcome.code, c.code);
        EXPECT_EQ(outcome.transferred, c.transferred);
    }
}

TEST(ScsiCompletion, SenseLengthBeyondTheSenseBufferIsNotRead) {
    Request request;
    request.info = SG_INFO_CHECK;
    request.status = 0x02;
    request.driverStatus = 0x08;
    request.sense = fixedSense(0x70, 0x0B);
    request.senseWritten = 200;  // more than the 32-byte buffer lent to the driver
    EXPECT_EQ(complete(request).code, ORB_SCSI_ABORTED_COMMAND);
}

TEST(ScsiCompletion, FailureIsLoggedWithStatusAndSenseBytes) {
    orbtest::LogMark mark;
    Request request;
    request.info = SG_INFO_CHECK;
    request.status = 0x02;
    request.driverStatus = 0x08;
    request.sense = descriptorSense(0x72, 0x05);
    request.resid = 64;
    complete(request);
    EXPECT_THAT(mark.debugSince(),
                HasSubstr("test: sgiob: info=[0x1]; masked_status=[0x0]; host_status=[0x0]; "
                          "driver_status=[0x8]; status=[0x2]; sb_len_wr=[8]; dxfer_len=[64]; "
                          "resid=[64]\n    Sense data: 72 05 24 00 00 00 00 00"));
}

}  // namespace
