#pragma once

#include <stdbool.h>
#include <stddef.h>

#include "storage/ata_pages.h"
#include "storage/scsi_completion.h"

// Identity and health queries of SAS and SATA drives. The SG_IO queries take an open
// descriptor of the drive's SCSI generic device and return a value, or a negative code of
// scsi_completion.h (-1 wrong page, -2 exchange failed, -3 command failed, -4 short data,
// -6 no memory, -7 ILLEGAL REQUEST, -9 ABORTED COMMAND). The sysfs queries take the drive's
// SCSI address (its "H:C:T:L" entry under /sys/class/scsi_device). Every buffer or text
// returned is malloc'ed and belongs to the caller, who releases it with free().

#ifdef __cplusplus
extern "C" {
#endif

// Transport protocol names by SPC protocol identifier (0-15).
extern const char* const SCSI_Protocol_Identifiers[16];

// Media type of a nominal rotation rate (IDENTIFY DEVICE word 217, VPD page B1h): "SSD" for
// a non-rotating medium (1), "HDD" for a rotation speed (0401h-FFFEh), "" otherwise.
const char* media_type_from_rotation_rate(int rotationRate);

// SAS: Informational Exceptions log page (2Fh).
int get_sas_health(int fd);  // ASC << 8 | ASCQ of the latest exception, 0 = none
int get_unit_temp(int fd);   // most recent temperature (Celsius), -1 when not reported

// SAS: Temperature log page (0Dh). A copy of the page, zero-filled to at least
// kSasTemperaturePageSize bytes so that the two parsers below stay inside it; null on failure.
enum { kSasTemperaturePageSize = 16 };
unsigned char* get_sas_temp(int fd);
int sas_parse_current(const unsigned char* page);  // temperature, 0 when absent
int sas_parse_mcot(const unsigned char* page);     // reference temperature, 0 when absent

int get_sas_ssd_wear(int fd);  // percentage used endurance indicator, 255 malformed page
// The same, but -1 for a malformed page, so that it cannot be taken for a drive worn to 255 %.
int get_sas_ssd_wear_checked(int fd);
long long get_sas_pwron(int fd);          // power-on hours from the Background Scan Results page
int get_scsi_transport_protocol(int fd);  // protocol identifier (mode page 19h)
int get_scsi_disk_medium_rotation_rate(int fd);  // VPD page B1h
int is_unit_ssd(int fd);                         // 1 non-rotating medium, 0 otherwise
int get_unit_speed(int fd);        // negotiated link rate code of the first phy (8h = 1.5 Gb/s)
int is_unit_smart(int fd);         // 1 when informational exceptions are reported
int get_defect_data_size(int fd);  // grown defect list length in bytes
int get_disk_capacity(int fd, unsigned long long* blocks, unsigned* blockLength);

// Standard INQUIRY: 0 with a copy of the data and its length.
int get_identify_info(int fd, unsigned char** buffer, size_t* length);
// Fields of standard INQUIRY data (terminated, blanks kept as the drive sent them); null
// when the data is too short for the field.
char* inq_parse_vendor(const unsigned char* inquiry, size_t length);  // bytes 8-15
char* inq_parse_prodID(const unsigned char* inquiry, size_t length);  // bytes 16-31
char* inq_parse_rev(const unsigned char* inquiry, size_t length);     // bytes 32-35
int inq_parse_type(const unsigned char* inquiry, size_t length);      // peripheral device type

// Serial numbers over SG_IO; null when they cannot be read.
char* get_unit_sn_from_device_inquiry(int fd);
char* get_unit_sn_from_device_vpd_pg80(int fd);

// SATA, through ATA PASS-THROUGH (16).
int get_sata_health(int fd);  // error log index of log 03h, 0 = no error logged
// Device Statistics log (04h) page `page`: 0 with a copy of the data and its length.
int get_sata_log(int fd, int page, unsigned char** buffer, size_t* length);
int get_sata_statlog(int fd, unsigned char** buffer, size_t* length);  // page 1
int get_sata_temp(int fd, unsigned char** buffer, size_t* length);     // page 5
int get_sata_ssdlog(int fd, unsigned char** buffer, size_t* length);   // page 7
// Current and specified maximum operating temperature from a Temperature Statistics page.
bool sata_parse_current(const unsigned char* page, size_t length, int* value);
bool sata_parse_mcot(const unsigned char* page, size_t length, int* value);
int get_sata_ssd_wear(int fd);     // percentage used endurance indicator (0-255)
long long get_sata_pwron(int fd);  // power-on hours, -1 when unavailable
int get_sata_log_vpd_pgD0(int fd, unsigned char** buffer, size_t* length);  // vendor log D0h
int get_sata_sct_stat(int fd, unsigned char** buffer, size_t* length);      // SCT status
int get_ata_identify_device_info(int fd, struct _ORB_ATA_IDENTIFY_INFO* info);
char* get_sata_DiskRev(int fd);  // firmware revision from IDENTIFY DEVICE

// Sysfs, by SCSI address.
char* get_ScsiGeneric(const char* address);  // "sgN", null when none
// Size of the drive's block device in 512-byte sectors; 0 when it cannot be read.
unsigned long long get_BlockSize(const char* address);
// The same below any device folder of the tree (a fixed path, e.g. a PCI function's).
unsigned long long get_PciBlockSize(const char* devicePath);
char* get_unit_sn_from_sysfs_vpd_pg80(const char* address);
char* get_unit_sn_from_sysfs_inquiry(const char* address);
char* get_DiskModel(const char* address);
char* get_sas_DiskRev(const char* address);
char* get_DiskVendor(const char* address);
char* get_DiskType(const char* address);
char* get_DiskState(const char* address);
bool is_direct_access_block_device(const char* address);
// Durable name ("naa.…") of a block device ("sdX") from its VPD page 83h.
char* get_durableName_from_block_vpd_pg83(const char* blockName);

// SAS host bus adapters (attributes of the SAS HBA driver in sysfs).
struct _ORB_SAS_HBA_CONFIG {
    char boardName[64];
    char firmwareVersion[64];
    char boardTracer[64];
    unsigned long long sasAddress;
};
int SasGetHbaConfig(const char* hostName, struct _ORB_SAS_HBA_CONFIG* config);  // "hostN"
char* SasGetScsiAddress(unsigned long long sasAddress);  // the drive's "H:C:T:L"
char* SasGetHbaConnector(const char* address);           // HBA connector the drive hangs on
int SasGetLocation(const char* address, unsigned long long* enclosure, int* bay);

#ifdef __cplusplus
}  // extern "C"
#endif
