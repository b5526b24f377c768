#pragma once

// What crosses the storage library's single entry point, ProcessLibCommand. The library and
// its firmware structures are the vendor's; only the fields the service reads or fills are
// laid out here, at fixed offsets inside buffers of the library's sizes. Everything else in
// those buffers is opaque and left alone.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// The controller list filled by initialisation and by the list command: a count, a
// simulation-mode flag, and up to 64 controller identifiers.
#define SL_MAX_CONTROLLERS 64
typedef struct _SL_CTRL_LIST_T {
    uint16_t count;
    uint8_t simulationMode;  // 1 when the library simulates its controllers
    uint8_t reserved;
    uint32_t ctrlId[SL_MAX_CONTROLLERS];  // top byte 0: a MegaRAID controller
} SL_CTRL_LIST_T;

// One command. The pointer needs 8 bytes on a 64-bit host, so the record is 40 bytes there;
// it is always cleared through its own size.
typedef struct _SL_LIB_CMD_PARAM_T {
    uint8_t cmdType;
    uint8_t cmd;
    uint8_t initFlag;  // 1 for library initialisation
    uint8_t reserved0;
    uint32_t ctrlId;
    uint16_t deviceId;  // a physical drive's device id; the low byte is a volume's target id
    uint8_t reserved1[6];
    uint32_t uniqueId;  // the event registration to drop (unregistration)
    uint8_t reserved2[8];
    uint32_t dataSize;
    void* pData;
} SL_LIB_CMD_PARAM_T;

typedef int (*SL_PROCESS_LIB_COMMAND)(SL_LIB_CMD_PARAM_T* command);
#define SL_ENTRY_POINT_SYMBOL "ProcessLibCommand"

// Command types and commands.
enum {
    SL_CMD_TYPE_LIBRARY = 0,
    SL_CMD_TYPE_CONTROLLER = 1,
    SL_CMD_TYPE_PD = 2,
    SL_CMD_TYPE_LD = 3,
    SL_CMD_TYPE_PASSTHRU = 6,
    SL_CMD_TYPE_EVENT = 7,
};
enum {
    SL_INIT_LIB = 0,
    SL_REGISTER_AEN = 1,
    SL_UNREGISTER_AEN = 2,
    SL_GET_CTRL_LIST = 3,
    SL_EXIT_LIB = 9,
    SL_GET_CTRL_INFO = 0,
    SL_GET_LD_LIST = 1,
    SL_GET_PD_LIST = 4,
    SL_GET_ENCL_LIST = 5,
    SL_GET_PD_INFO = 0,
    SL_GET_LD_INFO = 0,
    SL_GET_LD_BLOCK_SIZE = 11,
    SL_DCMD_PASSTHRU = 3,
    SL_SCSI_PASSTHRU = 1,
    SL_GET_EVENT_SEQUENCE_INFO = 0,
};

// Library statuses the service tells apart.
enum {
    SL_SUCCESS = 0,
    SL_ERR_INIT_NOT_DONE = 0x8001,
    SL_ERR_FAILED = 0x8002,
    SL_ERR_WMI_INIT = 0x8003,
    SL_ERR_WMI_REGISTRATION = 0x8004,
    SL_ERR_COM_INIT = 0x8006,
    SL_ERR_INVALID_EVENT_MASK = 0x8007,
    SL_ERR_CMD_TIMEOUT = 0x8009,
    SL_ERR_INVALID_CTRL = 0x800A,
    SL_ERR_MEMORY_ALLOCATION = 0x8015,
    SL_ERR_LIBSYSFS_NOT_PRESENT = 0x801E,
    SL_ERR_ACCESS_LEVEL = 0x802B,
    SL_ERR_NOT_PRESENT = 0x802C,
};

// Buffer sizes of the controller's structures, and the offsets of the fields read from them.
#define MR_CTRL_INFO_SIZE 2464
#define MR_CTRL_INFO_VENDOR_ID 0      // uint16 PCI vendor id
#define MR_CTRL_INFO_DEVICE_ID 2      // uint16 PCI device id
#define MR_CTRL_INFO_SUB_VENDOR_ID 4  // uint16
#define MR_CTRL_INFO_SUB_DEVICE_ID 6  // uint16
#define MR_CTRL_INFO_PCI_DOMAIN 8     // uint16
#define MR_CTRL_INFO_PCI_BUS 10       // uint8
#define MR_CTRL_INFO_PCI_DEVICE 11    // uint8
#define MR_CTRL_INFO_PCI_FUNCTION 12  // uint8
#define MR_CTRL_INFO_PRODUCT_NAME 16  // char[80], not always terminated
#define MR_CTRL_INFO_PRODUCT_NAME_LEN 80
#define MR_CTRL_INFO_PACKAGE_VERSION 96  // char[32] firmware package version
#define MR_CTRL_INFO_PACKAGE_VERSION_LEN 32

// Manufacturing data read with a firmware command: 32 bytes, the board serial number first.
#define MR_DCMD_MFC_MFG_GET 0x010E0301
#define MR_DCMD_CTRL_SAFE_ID_GET 0x01160300
#define MR_MFC_MFG_SIZE 32
#define MR_MFC_MFG_SERIAL 0
#define MR_MFC_MFG_SERIAL_LEN 24
#define MR_SAFE_ID_SIZE 32

// A firmware command frame handed through the pass-through command.
typedef struct _SL_DCMD_INPUT_T {
    uint32_t opcode;
    uint32_t dataTransferLength;
    uint8_t mbox[12];
    uint32_t reserved;
    void* pData;
} SL_DCMD_INPUT_T;

// A SCSI command passed to a drive behind the controller (INQUIRY of a VPD page, say).
typedef struct _SL_SCSI_PASSTHRU_T {
    uint16_t deviceId;
    uint8_t cdbLength;
    uint8_t reserved0;
    uint8_t cdb[16];
    uint32_t dataLength;
    uint32_t reserved1;
    void* pData;
} SL_SCSI_PASSTHRU_T;

// Drive list: a count, then fixed entries.
#define MR_PD_LIST_HEADER 8
#define MR_PD_LIST_COUNT 4  // uint32
#define MR_PD_ADDRESS_SIZE 8
#define MR_PD_ADDRESS_DEVICE_ID 0  // uint16
#define MR_PD_ADDRESS_ENCLOSURE 2  // uint16 enclosure device id
#define MR_PD_ADDRESS_SLOT 4       // uint8
#define MR_PD_LIST_MAX_DRIVES 256
#define MR_PD_LIST_SIZE (MR_PD_LIST_HEADER + MR_PD_LIST_MAX_DRIVES * MR_PD_ADDRESS_SIZE)

// Volume list: a count, then one target id each.
#define MR_LD_LIST_SIZE 260
#define MR_LD_LIST_COUNT 0    // uint32
#define MR_LD_LIST_TARGETS 4  // uint8 each
#define MR_LD_LIST_MAX_VOLUMES 256

#define MR_ENCL_LIST_SIZE 4616
#define MR_ENCL_LIST_COUNT 0  // uint32

// One drive.
#define MR_PD_INFO_SIZE 512
#define MR_PD_INFO_DEVICE_ID 0    // uint16
#define MR_PD_INFO_ENCLOSURE 2    // uint16
#define MR_PD_INFO_SLOT 4         // uint8
#define MR_PD_INFO_FW_STATE 6     // uint16 firmware drive state (low byte used)
#define MR_PD_INFO_INTERFACE 8    // uint8, MR_PD_INTERFACE_*
#define MR_PD_INFO_MEDIA 9        // uint8: 0 rotating, 1 solid state
#define MR_PD_INFO_RAW_BLOCKS 16  // uint64 512-byte blocks
#define MR_PD_INFO_INQUIRY 64     // standard inquiry data, 96 bytes
#define MR_PD_INFO_INQUIRY_LEN 96
#define MR_PD_INFO_VPD80_LEN 160  // uint8 length of the page 0x80 serial kept below
#define MR_PD_INFO_VPD80 161      // char[64]
#define MR_PD_INFO_VPD80_MAX 64
enum {
    MR_PD_INTERFACE_UNKNOWN = 0,
    MR_PD_INTERFACE_PARALLEL_SCSI = 1,
    MR_PD_INTERFACE_SAS = 2,
    MR_PD_INTERFACE_SATA = 3,
    MR_PD_INTERFACE_FC = 4,
    MR_PD_INTERFACE_NVME = 5,
};

// One volume.
#define MR_LD_INFO_SIZE 384
#define MR_LD_INFO_TARGET_ID 0       // uint8
#define MR_LD_INFO_PRIMARY_RAID 1    // uint8
#define MR_LD_INFO_RAID_QUALIFIER 2  // uint8
#define MR_LD_INFO_SECONDARY_RAID 3  // uint8
#define MR_LD_INFO_SPAN_DEPTH 4      // uint8
#define MR_LD_INFO_STATE 5           // uint8
#define MR_LD_INFO_MEMBER_COUNT 6    // uint8
#define MR_LD_INFO_BLOCKS 8          // uint64 512-byte blocks
#define MR_LD_INFO_NAME 16           // char[16], not always terminated
#define MR_LD_INFO_NAME_LEN 16
#define MR_LD_INFO_MEMBERS 32  // uint16 device ids
#define MR_LD_INFO_MAX_MEMBERS 32

#define MR_LD_BLOCK_SIZE_SIZE 516

// Event sequence information.
#define MR_EVT_LOG_INFO_SIZE 20
#define MR_EVT_LOG_INFO_NEWEST 0  // uint32

// One firmware event as the library hands it to the registered callback.
#define MR_EVT_DESCRIPTION_LEN 128
#define MR_EVT_ARGS_LEN 32
typedef struct _SL_EVENT_DETAIL_T {
    uint16_t status;  // 0: the record holds an event
    uint16_t reserved0;
    uint32_t ctrlId;
    uint32_t seqNum;
    uint32_t timeStamp;
    uint32_t code;
    uint16_t locale;  // bit mask, MR_EVT_LOCALE_*
    int8_t evtClass;  // -2 debug .. 4 dead
    uint8_t argType;  // MR_EVT_ARGS_*
    uint8_t args[MR_EVT_ARGS_LEN];
    char description[MR_EVT_DESCRIPTION_LEN];  // not always terminated
} SL_EVENT_DETAIL_T;

// Argument types and the fields of each.
enum {
    MR_EVT_ARGS_NONE = 0,
    MR_EVT_ARGS_PD = 1,           // device id uint16 @0, enclosure uint16 @2, slot uint8 @4
    MR_EVT_ARGS_PD_STATE = 2,     // PD, then previous state uint32 @8 and new state uint32 @12
    MR_EVT_ARGS_LD = 3,           // target id uint8 @0
    MR_EVT_ARGS_LD_PROGRESS = 4,  // LD, then progress in percent uint16 @2
    MR_EVT_ARGS_LD_COUNT = 5,     // LD, then a count uint32 @4
};
#define MR_EVT_ARG_DEVICE_ID 0
#define MR_EVT_ARG_ENCLOSURE 2
#define MR_EVT_ARG_SLOT 4
#define MR_EVT_ARG_PREV_STATE 8
#define MR_EVT_ARG_NEW_STATE 12
#define MR_EVT_ARG_TARGET_ID 0
#define MR_EVT_ARG_PROGRESS 2
#define MR_EVT_ARG_COUNT 4

typedef void (*SL_AEN_CALLBACK)(SL_EVENT_DETAIL_T* event);

// Registration: the controllers with the sequence number to start from, and the callback.
typedef struct _SL_REG_AEN_ENTRY_T {
    uint32_t ctrlId;
    uint32_t seqNum;
    uint16_t locale;
    int8_t evtClass;
    uint8_t reserved;
} SL_REG_AEN_ENTRY_T;
#define SL_REG_AEN_OUTPUT_SIZE 264
#define SL_REG_AEN_OUTPUT_UNIQUE_ID 0  // uint32
typedef struct _SL_REG_AEN_INPUT_T {
    uint32_t count;
    uint32_t reserved;
    SL_REG_AEN_ENTRY_T entries[SL_MAX_CONTROLLERS];
    SL_AEN_CALLBACK callback;
    uint8_t output[SL_REG_AEN_OUTPUT_SIZE];
} SL_REG_AEN_INPUT_T;

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
// The layouts the library expects.
static_assert(sizeof(SL_CTRL_LIST_T) == 260, "controller list");
static_assert(offsetof(SL_LIB_CMD_PARAM_T, ctrlId) == 4 &&
                  offsetof(SL_LIB_CMD_PARAM_T, deviceId) == 8 &&
                  offsetof(SL_LIB_CMD_PARAM_T, uniqueId) == 16 &&
                  offsetof(SL_LIB_CMD_PARAM_T, dataSize) == 28 &&
                  offsetof(SL_LIB_CMD_PARAM_T, pData) == 32,
              "command record");
#endif
