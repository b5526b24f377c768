#pragma once

#include <stddef.h>
#include <stdint.h>

// Decoders of the SCSI pages the queries ask for. Each takes the bytes that really arrived
// (pointer and count); a length field inside the page that claims more is cut to what
// arrived, and bytes past a page's own length are not part of it. Results follow the query
// codes: -4 (ORB_SCSI_SHORT_DATA) when a field lies beyond the page, -1 when the page is not
// the one asked for or a field check fails.

#ifdef __cplusplus
extern "C" {
#endif

// Log pages (LOG SENSE): Informational Exceptions 2Fh.
// ASC << 8 | ASCQ of the most recent informational exception (0: none).
int orb_parse_ie_health(const uint8_t* page, size_t length);
// Most recent temperature in degrees Celsius; -1 when the drive reports FFh (not available).
int orb_parse_ie_temperature(const uint8_t* page, size_t length);

// Temperature page 0Dh: 0 when the page is well-formed; *current and *reference (each may be
// null) get the temperature and reference temperature parameters, 0 when a parameter is
// missing.
int orb_parse_temperature_page(const uint8_t* page, size_t length, int* current, int* reference);

// Solid State Media page 11h: the percentage used endurance indicator (0-255); -1 when the page
// is malformed, -4 when fewer than 12 bytes arrived.
int orb_parse_ssd_media_page(const uint8_t* page, size_t length);

// Background Scan Results page 15h: accumulated power-on minutes.
long long orb_parse_background_scan_page(const uint8_t* page, size_t length);

// Mode pages. Protocol Specific Port page 19h behind a MODE SENSE (6) header: the protocol
// identifier (low four bits); -1 when the page is not 19h or its page length is 0.
int orb_parse_protocol_port_page(const uint8_t* data, size_t length);
// Phy Control and Discover subpage 19h/01h behind a MODE SENSE (10) header: the negotiated
// logical link rate of the first phy; *attached and *rate (may be null) get that phy's
// descriptor bytes 4 and 5.
int orb_parse_phy_control_page(const uint8_t* data, size_t length, uint8_t* attached,
                               uint8_t* rate);
// Informational Exceptions Control page 1Ch behind a MODE SENSE (6) header: 1 when the drive
// reports exceptions (DEXCPT clear), 0 when that is disabled; *pageBytes (may be null) points
// at the page's first byte for logging.
int orb_parse_ie_control_page(const uint8_t* data, size_t length, const uint8_t** pageBytes);

// VPD pages (INQUIRY with EVPD). Block Device Characteristics B1h: the medium rotation rate.
int orb_parse_block_characteristics_page(const uint8_t* page, size_t length);
// Unit Serial Number 80h: a malloc'ed, terminated copy of the serial, null when the page is
// not 80h or shorter than 5 bytes.
char* orb_parse_unit_serial_page(const uint8_t* page, size_t length);
// Device Identification 83h: the durable name of the logical unit ("naa.<hex>", "eui.<hex>"
// or "t10.<text>"), malloc'ed; null when the page holds no logical-unit designator of those
// kinds.
char* orb_parse_device_identification_page(const uint8_t* page, size_t length);

// Standard INQUIRY data. The serial number some drives keep in bytes 36-55 (malloc'ed,
// terminated), null when the data is shorter than 56 bytes or its additional length is not
// above 51.
char* orb_parse_inquiry_serial(const uint8_t* inquiry, size_t length);

// READ CAPACITY (10) and (16) data: 0 with the number of logical blocks and their length;
// READ CAPACITY (10) gives 1 when the drive is too large for it (READ CAPACITY (16) needed).
int orb_parse_read_capacity10(const uint8_t* data, size_t length, unsigned long long* blocks,
                              unsigned* blockLength);
int orb_parse_read_capacity16(const uint8_t* data, size_t length, unsigned long long* blocks,
                              unsigned* blockLength);

// READ DEFECT DATA (10) header: the defect list length in bytes.
int orb_parse_defect_list_header(const uint8_t* data, size_t length);

#ifdef __cplusplus
}  // extern "C"
#endif
