// Every record the storage library hands back: the controller list, controller, drive and
// volume information, drive and volume lists, the manufacturing data, VPD page 0x80 and the
// event record. Whatever the bytes, nothing is read past them, counts stay within what the
// record can hold and texts within their fields.
//
// Input: one byte choosing the record, then the record's bytes.
#include <cstddef>
#include <cstdint>

#include "megaraid/storelib_abi.h"
#include "megaraid/storelib_records.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t which = orbFuzzTake<uint8_t>(data, size);
    const orbByteView bytes(data, size);
    switch (which % 8) {
        case 0:
            if (orbParseControllerList(bytes).ids.size() > SL_MAX_CONTROLLERS) {
                __builtin_trap();
            }
            break;
        case 1: {
            orbMRControllerData controller;
            if (orbParseControllerInfo(bytes, controller) &&
                (controller.productName.size() > MR_CTRL_INFO_PRODUCT_NAME_LEN ||
                 controller.firmwareVersion.size() > MR_CTRL_INFO_PACKAGE_VERSION_LEN)) {
                __builtin_trap();
            }
            break;
        }
        case 2:
            if (orbParseDriveList(bytes).size() > size / MR_PD_ADDRESS_SIZE) {
                __builtin_trap();
            }
            break;
        case 3:
            if (orbParseVolumeList(bytes).size() > MR_LD_LIST_MAX_VOLUMES) {
                __builtin_trap();
            }
            break;
        case 4: {
            orbMRDriveData drive;
            if (orbParseDriveInfo(bytes, drive) && drive.inquirySerial.size() > 20) {
                __builtin_trap();
            }
            break;
        }
        case 5: {
            orbMRVolumeData volume;
            if (orbParseVolumeInfo(bytes, volume) &&
                (volume.members.size() > MR_LD_INFO_MAX_MEMBERS || volume.name.size() > 16)) {
                __builtin_trap();
            }
            break;
        }
        case 6:
            if (orbParseManufacturingSerial(bytes).size() > MR_MFC_MFG_SERIAL_LEN ||
                orbParseUnitSerialPage(bytes).size() > size) {
                __builtin_trap();
            }
            break;
        default: {
            orbMREventRecord event;
            if (orbParseEventRecord(bytes, event) &&
                event.description.size() > MR_EVT_DESCRIPTION_LEN) {
                __builtin_trap();
            }
            break;
        }
    }
    return 0;
}
