#include "storage/ubm_utils.h"

#include <algorithm>

#include "core/log.h"

namespace {

const char* const kTag = "UBMUTIL";

// The FRU common header and the Product Info Area start with a format version of 1; offsets
// and lengths there count in units of 8 bytes.
constexpr uint8_t kFormatVersion = 1;
constexpr size_t kHeaderSize = 5;
constexpr size_t kProductAreaOffsetByte = 4;
constexpr size_t kMultiple = 8;
// Area bytes 0 to 2 are version, length and language; the type/length fields follow.
constexpr size_t kFirstFieldOffset = 3;
constexpr uint8_t kEnglish = 25;
// A type/length byte of C1h ends the fields of an area.
constexpr uint8_t kEndOfFields = 0xC1;
constexpr uint8_t kFieldLengthMask = 0x3F;
// Seven pre-defined fields and the first custom one.
constexpr size_t kLastFieldIndex = 7;
constexpr uint8_t kLastDefinedState = 4;

}  // namespace

bool orbUBMUtils::extractFRUDataFromIPMIProductInfoArea(const uint8_t* ipmiFRUData,
                                                        size_t ipmiFRUDataSize, size_t infoIndex,
                                                        std::string& text) {
    ORB_LOG_DEBUG(kTag, "ipmiFRUData=%p; ipmiFRUDataSize=%zu; infoIndex=%zu",
                  static_cast<const void*>(ipmiFRUData), ipmiFRUDataSize, infoIndex);
    if (infoIndex > kLastFieldIndex) {
        ORB_LOG_WARNING(kTag, "Extracting custom field #%zu from PIA not supported.", infoIndex);
        return false;
    }
    if (ipmiFRUData == nullptr || ipmiFRUDataSize < kHeaderSize ||
        ipmiFRUData[0] != kFormatVersion || ipmiFRUData[kProductAreaOffsetByte] == 0) {
        return false;
    }
    const size_t piaAddr = ipmiFRUData[kProductAreaOffsetByte] * kMultiple;
    ORB_LOG_DEBUG(kTag, "Product Info Area present in the IPMI FRU Common Header @ offset %zu",
                  piaAddr);
    if (piaAddr + kFirstFieldOffset > ipmiFRUDataSize || ipmiFRUData[piaAddr] != kFormatVersion ||
        ipmiFRUData[piaAddr + 2] != kEnglish) {
        return false;
    }
    const size_t piaSize = ipmiFRUData[piaAddr + 1] * kMultiple;
    ORB_LOG_DEBUG(kTag, "Ready to walk Product Info Area. (Size=%zu)", piaSize);
    if (piaSize < kFirstFieldOffset) {
        return false;
    }
    // The fields are read only inside the area, and the area only inside the data.
    const size_t end = std::min(piaAddr + piaSize, ipmiFRUDataSize);

    size_t offset = piaAddr + kFirstFieldOffset;
    for (size_t field = 0; field <= kLastFieldIndex; ++field) {
        if (offset >= end) {
            ORB_LOG_ERROR(kTag,
                          "Insufficient data bytes for length of field #%zu. (Total size=[%zu], "
                          "piaAddr=[%zu], piaSize=[%zu], offset=[%zu])",
                          field, ipmiFRUDataSize, piaAddr, piaSize, offset);
            return false;
        }
        if (ipmiFRUData[offset] == kEndOfFields) {
            break;
        }
        const size_t fieldLength = ipmiFRUData[offset] & kFieldLengthMask;
        ORB_LOG_DEBUG(kTag, "Reached PIA field #%zu @ offset %zu of size %zu.", field, offset,
                      fieldLength);
        if (fieldLength > end - offset - 1) {
            ORB_LOG_ERROR(kTag,
                          "Insufficient data bytes for field #%zu. (Total size=[%zu], "
                          "piaAddr=[%zu], piaSize=[%zu], offset=[%zu], fieldLength=[%zu])",
                          field, ipmiFRUDataSize, piaAddr, piaSize, offset, fieldLength);
            return false;
        }
        if (field == infoIndex) {
            text.assign(reinterpret_cast<const char*>(ipmiFRUData + offset + 1), fieldLength);
            ORB_LOG_DEBUG(kTag, "Found field #%zu in Product Info Area: [%s]", field, text.c_str());
            return true;
        }
        offset += 1 + fieldLength;
    }
    ORB_LOG_DEBUG(kTag, "Pre-defined field #%zu not found in PIA.", infoIndex);
    return false;
}

uint8_t orbUBMUtils::mapUBMControllerOperationState(uint8_t state) {
    if (state > kLastDefinedState) {
        ORB_LOG_DEBUG(kTag, "Mapping reserved or vendor-specific UBM operational state: [0x%02hhx]",
                      state);
    }
    return state;
}
