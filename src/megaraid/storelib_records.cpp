#include "megaraid/storelib_records.h"

#include <cctype>
#include <cstdio>

#include "megaraid/storelib_abi.h"

namespace {

uint64_t le64(orbByteView bytes, size_t at) {
    return static_cast<uint64_t>(bytes.le32(at + 4)) << 32 | bytes.le32(at);
}

// A fixed-width text: up to its terminator or its width, whichever comes first, without
// surrounding blanks.
std::string fieldText(orbByteView bytes, size_t at, size_t width) {
    orbByteView field = bytes.from(at).prefix(width);
    std::string text;
    for (size_t i = 0; i < field.size() && field[i] != 0; ++i) {
        unsigned char c = field[i];
        text.push_back(std::isprint(c) ? static_cast<char>(c) : ' ');
    }
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string withoutSpaces(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c))) {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

orbMRControllerList orbParseControllerList(orbByteView bytes) {
    orbMRControllerList list;
    if (bytes.size() < 4) {
        return list;
    }
    size_t count = bytes.le16(0);
    const size_t fits = (bytes.size() - 4) / 4;
    count = count < SL_MAX_CONTROLLERS ? count : SL_MAX_CONTROLLERS;
    count = count < fits ? count : fits;
    list.simulationMode = bytes[2] == 1;
    for (size_t i = 0; i < count; ++i) {
        list.ids.push_back(bytes.le32(4 + 4 * i));
    }
    return list;
}

bool orbParseControllerInfo(orbByteView bytes, orbMRControllerData& out) {
    if (bytes.size() < MR_CTRL_INFO_PRODUCT_NAME) {
        return false;
    }
    out.vendorId = bytes.le16(MR_CTRL_INFO_VENDOR_ID);
    out.deviceId = bytes.le16(MR_CTRL_INFO_DEVICE_ID);
    out.subVendorId = bytes.le16(MR_CTRL_INFO_SUB_VENDOR_ID);
    out.subDeviceId = bytes.le16(MR_CTRL_INFO_SUB_DEVICE_ID);
    char location[32];
    std::snprintf(location, sizeof(location), "%.04x:%.02x:%.02x.%.01x",
                  bytes.le16(MR_CTRL_INFO_PCI_DOMAIN), bytes[MR_CTRL_INFO_PCI_BUS],
                  bytes[MR_CTRL_INFO_PCI_DEVICE], bytes[MR_CTRL_INFO_PCI_FUNCTION]);
    out.pciLocation = location;
    out.productName = fieldText(bytes, MR_CTRL_INFO_PRODUCT_NAME, MR_CTRL_INFO_PRODUCT_NAME_LEN);
    out.firmwareVersion =
        fieldText(bytes, MR_CTRL_INFO_PACKAGE_VERSION, MR_CTRL_INFO_PACKAGE_VERSION_LEN);
    return true;
}

std::string orbParseManufacturingSerial(orbByteView bytes) {
    return withoutSpaces(fieldText(bytes, MR_MFC_MFG_SERIAL, MR_MFC_MFG_SERIAL_LEN));
}

std::vector<orbMRDriveAddress> orbParseDriveList(orbByteView bytes) {
    std::vector<orbMRDriveAddress> drives;
    if (bytes.size() < MR_PD_LIST_HEADER) {
        return drives;
    }
    size_t count = bytes.le32(MR_PD_LIST_COUNT);
    const size_t fits = (bytes.size() - MR_PD_LIST_HEADER) / MR_PD_ADDRESS_SIZE;
    count = count < fits ? count : fits;
    for (size_t i = 0; i < count; ++i) {
        orbByteView entry = bytes.from(MR_PD_LIST_HEADER + i * MR_PD_ADDRESS_SIZE);
        orbMRDriveAddress address;
        address.deviceId = entry.le16(MR_PD_ADDRESS_DEVICE_ID);
        address.enclosure = entry.le16(MR_PD_ADDRESS_ENCLOSURE);
        address.slot = entry[MR_PD_ADDRESS_SLOT];
        drives.push_back(address);
    }
    return drives;
}

std::vector<uint8_t> orbParseVolumeList(orbByteView bytes) {
    std::vector<uint8_t> targets;
    if (bytes.size() < MR_LD_LIST_TARGETS) {
        return targets;
    }
    size_t count = bytes.le32(MR_LD_LIST_COUNT);
    const size_t fits = bytes.size() - MR_LD_LIST_TARGETS;
    count = count < fits ? count : fits;
    count = count < MR_LD_LIST_MAX_VOLUMES ? count : MR_LD_LIST_MAX_VOLUMES;
    for (size_t i = 0; i < count; ++i) {
        targets.push_back(bytes[MR_LD_LIST_TARGETS + i]);
    }
    return targets;
}

bool orbParseDriveInfo(orbByteView bytes, orbMRDriveData& out) {
    if (bytes.size() < MR_PD_INFO_INQUIRY) {
        return false;
    }
    out.address.deviceId = bytes.le16(MR_PD_INFO_DEVICE_ID);
    out.address.enclosure = bytes.le16(MR_PD_INFO_ENCLOSURE);
    out.address.slot = bytes[MR_PD_INFO_SLOT];
    out.firmwareState = static_cast<uint8_t>(bytes.le16(MR_PD_INFO_FW_STATE) & 0xFF);
    out.interfaceType = bytes[MR_PD_INFO_INTERFACE];
    out.solidState = bytes[MR_PD_INFO_MEDIA] == 1;
    out.blocks = le64(bytes, MR_PD_INFO_RAW_BLOCKS);
    orbByteView inquiry = bytes.from(MR_PD_INFO_INQUIRY).prefix(MR_PD_INFO_INQUIRY_LEN);
    out.vendor = fieldText(inquiry, 8, 8);
    out.product = fieldText(inquiry, 16, 16);
    out.revision = fieldText(inquiry, 32, 4);
    out.inquirySerial = withoutSpaces(fieldText(inquiry, 36, 20));
    return true;
}

std::string orbParseUnitSerialPage(orbByteView bytes) {
    if (bytes.size() < 4 || bytes[1] != 0x80) {
        return std::string();
    }
    return withoutSpaces(fieldText(bytes, 4, bytes.be16(2)));
}

bool orbParseVolumeInfo(orbByteView bytes, orbMRVolumeData& out) {
    if (bytes.size() < MR_LD_INFO_NAME) {
        return false;
    }
    out.targetId = bytes[MR_LD_INFO_TARGET_ID];
    out.primaryRaid = bytes[MR_LD_INFO_PRIMARY_RAID];
    out.raidQualifier = bytes[MR_LD_INFO_RAID_QUALIFIER];
    out.secondaryRaid = bytes[MR_LD_INFO_SECONDARY_RAID];
    out.spanDepth = bytes[MR_LD_INFO_SPAN_DEPTH];
    out.state = bytes[MR_LD_INFO_STATE];
    out.blocks = le64(bytes, MR_LD_INFO_BLOCKS);
    out.name = fieldText(bytes, MR_LD_INFO_NAME, MR_LD_INFO_NAME_LEN);
    size_t members = bytes[MR_LD_INFO_MEMBER_COUNT];
    members = members < MR_LD_INFO_MAX_MEMBERS ? members : MR_LD_INFO_MAX_MEMBERS;
    out.members.clear();
    for (size_t i = 0; i < members && MR_LD_INFO_MEMBERS + 2 * i + 2 <= bytes.size(); ++i) {
        out.members.push_back(bytes.le16(MR_LD_INFO_MEMBERS + 2 * i));
    }
    return true;
}

bool orbParseEventRecord(orbByteView bytes, orbMREventRecord& out) {
    if (bytes.size() < sizeof(SL_EVENT_DETAIL_T)) {
        return false;
    }
    out.status = bytes.le16(offsetof(SL_EVENT_DETAIL_T, status));
    out.ctrlId = bytes.le32(offsetof(SL_EVENT_DETAIL_T, ctrlId));
    out.seqNum = bytes.le32(offsetof(SL_EVENT_DETAIL_T, seqNum));
    out.timeStamp = bytes.le32(offsetof(SL_EVENT_DETAIL_T, timeStamp));
    out.code = bytes.le32(offsetof(SL_EVENT_DETAIL_T, code));
    out.locale = bytes.le16(offsetof(SL_EVENT_DETAIL_T, locale));
    out.evtClass = static_cast<int8_t>(bytes[offsetof(SL_EVENT_DETAIL_T, evtClass)]);
    out.argType = bytes[offsetof(SL_EVENT_DETAIL_T, argType)];
    orbByteView args = bytes.from(offsetof(SL_EVENT_DETAIL_T, args)).prefix(MR_EVT_ARGS_LEN);
    switch (out.argType) {
        case MR_EVT_ARGS_PD_STATE:
            out.previousState = args.le32(MR_EVT_ARG_PREV_STATE);
            out.newState = args.le32(MR_EVT_ARG_NEW_STATE);
            [[fallthrough]];  // the drive's address leads both kinds
        case MR_EVT_ARGS_PD:
            out.deviceId = args.le16(MR_EVT_ARG_DEVICE_ID);
            out.enclosure = args.le16(MR_EVT_ARG_ENCLOSURE);
            out.slot = args[MR_EVT_ARG_SLOT];
            break;
        case MR_EVT_ARGS_LD_PROGRESS:
            out.progress = args.le16(MR_EVT_ARG_PROGRESS);
            out.targetId = args[MR_EVT_ARG_TARGET_ID];
            break;
        case MR_EVT_ARGS_LD_COUNT:
            out.count = args.le32(MR_EVT_ARG_COUNT);
            out.targetId = args[MR_EVT_ARG_TARGET_ID];
            break;
        case MR_EVT_ARGS_LD:
            out.targetId = args[MR_EVT_ARG_TARGET_ID];
            break;
        default:
            break;
    }
    out.description =
        fieldText(bytes, offsetof(SL_EVENT_DETAIL_T, description), MR_EVT_DESCRIPTION_LEN);
    return true;
}
