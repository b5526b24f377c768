#pragma once

#include <string>
#include <string_view>

// Values read out of the ESXi port listing and port details; each reads only the text it is
// given and accepts nothing but the form the tools print.

// A PCI ID as hexadecimal text ("0x14e4" or "14e4"); empty, unreadable or out-of-range text
// counts as 0, as no adapter has that ID.
unsigned nic_pci_id_value(std::string_view text);

// The Speed column in Mbps: a decimal number, a negative one counting as 0. False for text
// that is not a number.
bool nic_parse_speed(std::string_view text, int& speed);

// The value of a "Firmware Version: ..." details line: the text after the first ":" and the
// blank that follows it, up to the line feed. False (out unchanged) when the line has no ":".
bool nic_firmware_from_line(std::string_view line, std::string& out);
