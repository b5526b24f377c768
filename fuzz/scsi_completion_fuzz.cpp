// The SCSI completion check: whatever status fields, residual and sense bytes the driver or
// the device reports, the verdict is one of the known codes, the data count never exceeds
// the buffer, and no sense byte beyond the lent buffer is read.
#include <scsi/sg.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/scsi_completion.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sg_io_hdr_t hdr{};
    hdr.info = orbFuzzTake<unsigned>(data, size);
    hdr.status = orbFuzzTake<unsigned char>(data, size);
    hdr.masked_status = orbFuzzTake<unsigned char>(data, size);
    hdr.host_status = orbFuzzTake<unsigned short>(data, size);
    hdr.driver_status = orbFuzzTake<unsigned short>(data, size);
    hdr.resid = orbFuzzTake<int>(data, size);
    hdr.dxfer_len = orbFuzzTake<unsigned>(data, size);
    hdr.sb_len_wr = orbFuzzTake<unsigned char>(data, size);
    // The sense buffer lent to the driver holds exactly the bytes that are left.
    std::vector<unsigned char> sense(data, data + size);
    hdr.mx_sb_len = static_cast<unsigned char>(sense.size() < 255 ? sense.size() : 255);
    hdr.sbp = sense.empty() ? nullptr : sense.data();

    size_t transferred = ~size_t{0};
    int verdict = process_scsi_completion(&hdr, &transferred, "fuzz");
    if (verdict != 0 && verdict != ORB_SCSI_COMMAND_FAILED && verdict != ORB_SCSI_ILLEGAL_REQUEST &&
        verdict != ORB_SCSI_ABORTED_COMMAND) {
        __builtin_trap();
    }
    if (transferred > hdr.dxfer_len) {
        __builtin_trap();
    }
    return 0;
}
