#pragma once

/* The Common HBA API (version 1) as the Fibre Channel vendor libraries implement it and as the
 * loader offers it: status codes, the adapter and port structures, and the table of entry points
 * a vendor library fills when it registers. Field orders are those the vendor libraries are
 * built with; structures the service never reads are defined only as far as the entry points
 * need them. Plain C, so that C programs can use the loader's HBA_ functions. */

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned char HBA_UINT8;
typedef unsigned short HBA_UINT16;
typedef unsigned int HBA_UINT32;
typedef int HBA_INT32;
typedef unsigned long long HBA_UINT64;
typedef long long HBA_INT64;

typedef HBA_UINT32 HBA_HANDLE;
typedef HBA_UINT32 HBA_STATUS;

#define HBA_VERSION 1

#define HBA_STATUS_OK 0
#define HBA_STATUS_ERROR 1
#define HBA_STATUS_ERROR_NOT_SUPPORTED 2
#define HBA_STATUS_ERROR_INVALID_HANDLE 3
#define HBA_STATUS_ERROR_ARG 4
#define HBA_STATUS_ERROR_ILLEGAL_WWN 5
#define HBA_STATUS_ERROR_ILLEGAL_INDEX 6
#define HBA_STATUS_ERROR_MORE_DATA 7
#define HBA_STATUS_ERROR_STALE_DATA 8
#define HBA_STATUS_SCSI_CHECK_CONDITION 9
#define HBA_STATUS_ERROR_BUSY 10
#define HBA_STATUS_ERROR_TRY_AGAIN 11
#define HBA_STATUS_ERROR_UNAVAILABLE 12

typedef HBA_UINT32 HBA_PORTTYPE;
#define HBA_PORTTYPE_UNKNOWN 1
#define HBA_PORTTYPE_OTHER 2
#define HBA_PORTTYPE_NOTPRESENT 3
#define HBA_PORTTYPE_NPORT 5
#define HBA_PORTTYPE_NLPORT 6
#define HBA_PORTTYPE_FLPORT 7
#define HBA_PORTTYPE_FPORT 8
#define HBA_PORTTYPE_EPORT 9
#define HBA_PORTTYPE_GPORT 10
#define HBA_PORTTYPE_LPORT 20
#define HBA_PORTTYPE_PTP 21

typedef HBA_UINT32 HBA_PORTSTATE;
#define HBA_PORTSTATE_UNKNOWN 1
#define HBA_PORTSTATE_ONLINE 2
#define HBA_PORTSTATE_OFFLINE 3
#define HBA_PORTSTATE_BYPASSED 4
#define HBA_PORTSTATE_DIAGNOSTICS 5
#define HBA_PORTSTATE_LINKDOWN 6
#define HBA_PORTSTATE_ERROR 7
#define HBA_PORTSTATE_LOOPBACK 8

typedef HBA_UINT32 HBA_PORTSPEED;
typedef HBA_UINT32 HBA_COS;

typedef struct HBA_wwn {
    HBA_UINT8 wwn[8];
} HBA_WWN;

typedef struct HBA_fc4types {
    HBA_UINT8 bits[32];
} HBA_FC4TYPES;

typedef struct HBA_AdapterAttributes {
    char Manufacturer[64];
    char SerialNumber[64];
    char Model[256];
    char ModelDescription[256];
    HBA_WWN NodeWWN;
    char NodeSymbolicName[256];
    char HardwareVersion[256];
    char DriverVersion[256];
    char OptionROMVersion[256];
    char FirmwareVersion[256];
    HBA_UINT32 VendorSpecificID;
    HBA_UINT32 NumberOfPorts;
    char DriverName[256];
} HBA_ADAPTERATTRIBUTES;

typedef struct HBA_PortAttributes {
    HBA_WWN NodeWWN;
    HBA_WWN PortWWN;
    HBA_UINT32 PortFcId;
    HBA_PORTTYPE PortType;
    HBA_PORTSTATE PortState;
    HBA_COS PortSupportedClassofService;
    HBA_FC4TYPES PortSupportedFc4Types;
    HBA_FC4TYPES PortActiveFc4Types;
    char PortSymbolicName[256];
    char OSDeviceName[256];
    HBA_PORTSPEED PortSupportedSpeed;
    HBA_PORTSPEED PortSpeed;
    HBA_UINT32 PortMaxFrameSize;
    HBA_WWN FabricName;
    HBA_UINT32 NumberofDiscoveredPorts;
} HBA_PORTATTRIBUTES;

typedef struct HBA_PortStatistics {
    HBA_INT64 SecondsSinceLastReset;
    HBA_INT64 TxFrames;
    HBA_INT64 TxWords;
    HBA_INT64 RxFrames;
    HBA_INT64 RxWords;
    HBA_INT64 LIPCount;
    HBA_INT64 NOSCount;
    HBA_INT64 ErrorFrames;
    HBA_INT64 DumpedFrames;
    HBA_INT64 LinkFailureCount;
    HBA_INT64 LossOfSyncCount;
    HBA_INT64 LossOfSignalCount;
    HBA_INT64 PrimitiveSeqProtocolErrCount;
    HBA_INT64 InvalidTxWordCount;
    HBA_INT64 InvalidCRCCount;
} HBA_PORTSTATISTICS;

typedef struct HBA_ScsiId {
    char OSDeviceName[256];
    HBA_UINT32 ScsiBusNumber;
    HBA_UINT32 ScsiTargetNumber;
    HBA_UINT32 ScsiOSLun;
} HBA_SCSIID;

typedef struct HBA_FcpId {
    HBA_UINT32 FcId;
    HBA_WWN NodeWWN;
    HBA_WWN PortWWN;
    HBA_UINT64 FcpLun;
} HBA_FCPID;

typedef struct HBA_FcpScsiEntry {
    HBA_SCSIID ScsiId;
    HBA_FCPID FcpId;
} HBA_FCPSCSIENTRY;

typedef struct HBA_FCPTargetMapping {
    HBA_UINT32 NumberOfEntries;
    HBA_FCPSCSIENTRY entry[1]; /* as many as NumberOfEntries */
} HBA_FCPTARGETMAPPING;

typedef HBA_UINT32 HBA_FCPBINDINGTYPE;
#define HBA_FCPBINDING_TO_D_ID 0
#define HBA_FCPBINDING_TO_WWN 1

typedef struct HBA_FcpBindingEntry {
    HBA_FCPBINDINGTYPE type;
    HBA_SCSIID ScsiId;
    HBA_FCPID FcpId;
} HBA_FCPBINDINGENTRY;

typedef struct HBA_FcpBinding {
    HBA_UINT32 NumberOfEntries;
    HBA_FCPBINDINGENTRY entry[1]; /* as many as NumberOfEntries */
} HBA_FCPBINDING;

typedef struct HBA_MgmtInfo {
    HBA_WWN wwn;
    HBA_UINT32 unittype;
    HBA_UINT32 PortId;
    HBA_UINT32 NumberOfAttachedNodes;
    HBA_UINT16 IPVersion;
    HBA_UINT16 UDPPort;
    HBA_UINT8 IPAddress[16];
    HBA_UINT16 reserved;
    HBA_UINT16 TopologyDiscoveryFlags;
} HBA_MGMTINFO;

typedef struct HBA_EventInfo {
    HBA_UINT32 EventCode;
    HBA_UINT32 EventData[4]; /* the port address and event-specific words */
} HBA_EVENTINFO;

/* The vendor side: what a library fills when the loader calls its HBA_RegisterLibrary. */
typedef HBA_UINT32 (*HBAGetVersionFunc)(void);
typedef HBA_STATUS (*HBALoadLibraryFunc)(void);
typedef HBA_STATUS (*HBAFreeLibraryFunc)(void);
typedef HBA_UINT32 (*HBAGetNumberOfAdaptersFunc)(void);
typedef HBA_STATUS (*HBAGetAdapterNameFunc)(HBA_UINT32 adapterIndex, char* adapterName);
typedef HBA_HANDLE (*HBAOpenAdapterFunc)(char* adapterName);
typedef void (*HBACloseAdapterFunc)(HBA_HANDLE handle);
typedef HBA_STATUS (*HBAGetAdapterAttributesFunc)(HBA_HANDLE handle,
                                                  HBA_ADAPTERATTRIBUTES* attributes);
typedef HBA_STATUS (*HBAGetAdapterPortAttributesFunc)(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                                      HBA_PORTATTRIBUTES* attributes);
typedef HBA_STATUS (*HBAGetPortStatisticsFunc)(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                               HBA_PORTSTATISTICS* statistics);
typedef HBA_STATUS (*HBAGetDiscoveredPortAttributesFunc)(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                                         HBA_UINT32 discoveredPortIndex,
                                                         HBA_PORTATTRIBUTES* attributes);
typedef HBA_STATUS (*HBAGetPortAttributesByWWNFunc)(HBA_HANDLE handle, HBA_WWN portWWN,
                                                    HBA_PORTATTRIBUTES* attributes);
typedef HBA_STATUS (*HBASendCTPassThruFunc)(HBA_HANDLE handle, void* request,
                                            HBA_UINT32 requestSize, void* response,
                                            HBA_UINT32 responseSize);
typedef void (*HBARefreshInformationFunc)(HBA_HANDLE handle);
typedef void (*HBAResetStatisticsFunc)(HBA_HANDLE handle, HBA_UINT32 portIndex);
typedef HBA_STATUS (*HBAGetFcpTargetMappingFunc)(HBA_HANDLE handle, HBA_FCPTARGETMAPPING* mapping);
typedef HBA_STATUS (*HBAGetFcpPersistentBindingFunc)(HBA_HANDLE handle, HBA_FCPBINDING* binding);
typedef HBA_STATUS (*HBAGetEventBufferFunc)(HBA_HANDLE handle, HBA_EVENTINFO* events,
                                            HBA_UINT32* count);
typedef HBA_STATUS (*HBASetRNIDMgmtInfoFunc)(HBA_HANDLE handle, HBA_MGMTINFO* info);
typedef HBA_STATUS (*HBAGetRNIDMgmtInfoFunc)(HBA_HANDLE handle, HBA_MGMTINFO* info);
typedef HBA_STATUS (*HBASendRNIDFunc)(HBA_HANDLE handle, HBA_WWN wwn, HBA_UINT32 wwnType,
                                      void* response, HBA_UINT32* responseSize);
typedef HBA_STATUS (*HBASendScsiInquiryFunc)(HBA_HANDLE handle, HBA_WWN portWWN, HBA_UINT64 fcLun,
                                             HBA_UINT8 evpd, HBA_UINT32 pageCode, void* response,
                                             HBA_UINT32 responseSize, void* sense,
                                             HBA_UINT32 senseSize);
typedef HBA_STATUS (*HBASendReportLUNsFunc)(HBA_HANDLE handle, HBA_WWN portWWN, void* response,
                                            HBA_UINT32 responseSize, void* sense,
                                            HBA_UINT32 senseSize);
typedef HBA_STATUS (*HBASendReadCapacityFunc)(HBA_HANDLE handle, HBA_WWN portWWN, HBA_UINT64 fcLun,
                                              void* response, HBA_UINT32 responseSize, void* sense,
                                              HBA_UINT32 senseSize);

typedef struct HBA_EntryPoints {
    HBAGetVersionFunc GetVersionHandler;
    HBALoadLibraryFunc LoadLibraryHandler;
    HBAFreeLibraryFunc FreeLibraryHandler;
    HBAGetNumberOfAdaptersFunc GetNumberOfAdaptersHandler;
    HBAGetAdapterNameFunc GetAdapterNameHandler;
    HBAOpenAdapterFunc OpenAdapterHandler;
    HBACloseAdapterFunc CloseAdapterHandler;
    HBAGetAdapterAttributesFunc GetAdapterAttributesHandler;
    HBAGetAdapterPortAttributesFunc GetAdapterPortAttributesHandler;
    HBAGetPortStatisticsFunc GetPortStatisticsHandler;
    HBAGetDiscoveredPortAttributesFunc GetDiscoveredPortAttributesHandler;
    HBAGetPortAttributesByWWNFunc GetPortAttributesByWWNHandler;
    HBASendCTPassThruFunc SendCTPassThruHandler;
    HBARefreshInformationFunc RefreshInformationHandler;
    HBAResetStatisticsFunc ResetStatisticsHandler;
    HBAGetFcpTargetMappingFunc GetFcpTargetMappingHandler;
    HBAGetFcpPersistentBindingFunc GetFcpPersistentBindingHandler;
    HBAGetEventBufferFunc GetEventBufferHandler;
    HBASetRNIDMgmtInfoFunc SetRNIDMgmtInfoHandler;
    HBAGetRNIDMgmtInfoFunc GetRNIDMgmtInfoHandler;
    HBASendRNIDFunc SendRNIDHandler;
    HBASendScsiInquiryFunc ScsiInquiryHandler;
    HBASendReportLUNsFunc ReportLUNsHandler;
    HBASendReadCapacityFunc ReadCapacityHandler;
} HBA_ENTRYPOINTS;

/* The symbol every vendor library exports; 0 when it filled the table. */
#define HBA_REGISTER_LIBRARY_SYMBOL "HBA_RegisterLibrary"
typedef HBA_STATUS (*HBARegisterLibraryFunc)(HBA_ENTRYPOINTS* entryPoints);

/* The loader: one set of HBA_ functions over every vendor library listed in
 * /etc/config/vex/orb/hba.conf. Adapter names are at most 255 characters and terminated; the
 * buffers given for them and for library paths hold 256 bytes. A handle carries the library's
 * slot in its upper 16 bits and the low 16 bits of the vendor's handle; one adapter per library
 * is open at a time. Calls made while no library is loaded answer HBA_STATUS_ERROR. */
HBA_UINT32 HBA_GetVersion(void);
HBA_STATUS HBA_LoadLibrary(void);
HBA_STATUS HBA_FreeLibrary(void);
HBA_UINT32 HBA_GetNumberOfAdapters(void);
HBA_STATUS HBA_GetAdapterName(HBA_UINT32 adapterIndex, char* adapterName);
HBA_HANDLE HBA_OpenAdapter(char* adapterName);
/* The path of the adapter's library, the vendor handle of the adapter last opened through it and
 * the library's loader handle; HBA_STATUS_ERROR_ILLEGAL_INDEX when the index is not below the
 * number of adapters. */
HBA_STATUS HBA_GetLibraryPath(HBA_UINT32 adapterIndex, char* libraryPath, HBA_HANDLE* vendorHandle,
                              void** libraryHandle);
/* Decodes a handle: its library slot and the vendor handle the calls go out with. */
HBA_STATUS HBA_CheckLibrary(HBA_HANDLE handle, HBA_UINT32* libraryIndex, HBA_HANDLE* vendorHandle);
/* Every call below answers HBA_STATUS_ERROR_NOT_SUPPORTED when the adapter's library has no
 * entry for it. The three the vendors declare without a result answer whether they were
 * forwarded. */
HBA_STATUS HBA_CloseAdapter(HBA_HANDLE handle);
HBA_STATUS HBA_GetAdapterAttributes(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES* attributes);
HBA_STATUS HBA_GetAdapterPortAttributes(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                        HBA_PORTATTRIBUTES* attributes);
HBA_STATUS HBA_GetPortStatistics(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                 HBA_PORTSTATISTICS* statistics);
HBA_STATUS HBA_GetDiscoveredPortAttributes(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                           HBA_UINT32 discoveredPortIndex,
                                           HBA_PORTATTRIBUTES* attributes);
HBA_STATUS HBA_GetPortAttributesByWWN(HBA_HANDLE handle, HBA_WWN portWWN,
                                      HBA_PORTATTRIBUTES* attributes);
HBA_STATUS HBA_SendCTPassThru(HBA_HANDLE handle, void* request, HBA_UINT32 requestSize,
                              void* response, HBA_UINT32 responseSize);
HBA_STATUS HBA_GetEventBuffer(HBA_HANDLE handle, HBA_EVENTINFO* events, HBA_UINT32* count);
HBA_STATUS HBA_SetRNIDMgmtInfo(HBA_HANDLE handle, HBA_MGMTINFO* info);
HBA_STATUS HBA_GetRNIDMgmtInfo(HBA_HANDLE handle, HBA_MGMTINFO* info);
HBA_STATUS HBA_SendRNID(HBA_HANDLE handle, HBA_WWN wwn, HBA_UINT32 wwnType, void* response,
                        HBA_UINT32* responseSize);
HBA_STATUS HBA_RefreshInformation(HBA_HANDLE handle);
HBA_STATUS HBA_ResetStatistics(HBA_HANDLE handle, HBA_UINT32 portIndex);
HBA_STATUS HBA_GetFcpTargetMapping(HBA_HANDLE handle, HBA_FCPTARGETMAPPING* mapping);
HBA_STATUS HBA_GetFcpPersistentBinding(HBA_HANDLE handle, HBA_FCPBINDING* binding);
HBA_STATUS HBA_SendScsiInquiry(HBA_HANDLE handle, HBA_WWN portWWN, HBA_UINT64 fcLun, HBA_UINT8 evpd,
                               HBA_UINT32 pageCode, void* response, HBA_UINT32 responseSize,
                               void* sense, HBA_UINT32 senseSize);
HBA_STATUS HBA_SendReportLUNs(HBA_HANDLE handle, HBA_WWN portWWN, void* response,
                              HBA_UINT32 responseSize, void* sense, HBA_UINT32 senseSize);
HBA_STATUS HBA_SendReadCapacity(HBA_HANDLE handle, HBA_WWN portWWN, HBA_UINT64 fcLun,
                                void* response, HBA_UINT32 responseSize, void* sense,
                                HBA_UINT32 senseSize);

#ifdef __cplusplus
}
#endif
