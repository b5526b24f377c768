/* Uses each plain-function family of the installed library from C. Run with ORB_ROOT set to
 * an empty folder: there is no SMBIOS table there, and the one file read is made here. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "fc/hba_api.h"
#include "host/smbios.h"
#include "host/sysfs_attribute.h"
#include "storage/scsi_queries.h"

static int failures = 0;

static void check(int holds, const char* what) {
    if (!holds) {
        fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: orb_c_program FILE-TO-WRITE\n");
        return 2;
    }
    FILE* file = fopen(argv[1], "w");
    if (file == NULL || fputs("0x1f\n", file) == EOF || fclose(file) != 0) {
        perror(argv[1]);
        return 2;
    }
    check(get_sysfs_ihex(argv[1]) == 31, "get_sysfs_ihex reads 0x1f as 31");
    char* text = get_sysfs_str(argv[1]);
    check(text != NULL && strcmp(text, "0x1f") == 0, "get_sysfs_str reads the first line");
    free(text);

    void* records = NULL;
    int count = 0;
    check(SmBiosInit() == -1, "SmBiosInit fails without a table");
    check(getSmbiosRecordsByType(1, &records, &count) == -1 && records == NULL && count == 0,
          "getSmbiosRecordsByType fails without a table");
    SmBiosDeinit();

    struct _ORB_ATA_IDENTIFY_INFO identify;
    memset(&identify, 0, sizeof(identify));
    check(get_ata_identify_device_info(-1, &identify) < 0, "IDENTIFY fails on no device");
    check(strcmp(media_type_from_rotation_rate(1), "SSD") == 0, "rate 1 is an SSD");
    check(strcmp(SCSI_Protocol_Identifiers[6], "SAS") == 0, "protocol 6 is SAS");
    check(HBA_GetVersion() == HBA_VERSION, "the HBA loader is version 1");
    check(HBA_LoadLibrary() == HBA_STATUS_ERROR, "HBA_LoadLibrary fails without hba.conf");
    check(HBA_GetNumberOfAdapters() == 0, "no HBA library, no adapters");
    check(HBA_GetAdapterAttributes(1, NULL) == HBA_STATUS_ERROR, "no adapter open");
    return failures == 0 ? 0 : 1;
}
