#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Readers of what ESXi's esxcli prints about NVMe devices. Each reads only the lines it is
// given (pieces of at most a few kilobytes, as the shell runner returns them) and accepts only
// the forms the tool prints; anything else reads as "not found".

// A name that may go into a command line: 1 to 255 letters, digits, '.', '_', ':' or '-',
// starting with a letter or a digit. Adapter names (vmhba4) and namespace device names
// (t10.NVMe____MODEL____SERIAL, eui.0025...) have this form; text with a blank, a quote or any
// other shell character is refused.
bool orb_nvme_is_safe_name(std::string_view name);

// The adapter names of "esxcli nvme device list | awk '{print $1}'": every line that holds
// "vmhba", without its blanks. Lines whose name is not safe go to refused (as printed, for the
// log) and not into the list.
std::vector<std::string> orb_nvme_adapter_names(const std::vector<std::string>& lines,
                                                std::vector<std::string>& refused);
// True when those lines are a listing: the first word of its header ("HBA") and the dashes
// under it. The pipe through awk hides the tool's exit status, so a tool that failed, or
// printed nothing, is told from a host without NVMe adapters by this alone.
bool orb_nvme_is_adapter_listing(const std::vector<std::string>& lines);

// The value of the first "Label: value" line of an indented block ("   Serial Number: S4Y"):
// the whole rest of the line, blanks around it removed, so a model number with blanks is
// kept whole. False when no line carries the label.
bool orb_nvme_labelled_value(const std::vector<std::string>& lines, std::string_view label,
                             std::string& value);

// The address of the PCI function whose "VMkernel Name" is adapter, in blocks of
// "esxcli hardware pci list" (each starting with the bare address, then "Address: ..."). False
// when no block names the adapter or its address is not of the form SSSS:BB:DD.F.
bool orb_nvme_pci_address_of(const std::vector<std::string>& lines, std::string_view adapter,
                             std::string& address);

// One row of "esxcli nvme device namespace list -A vmhbaN".
struct orbNvmeNamespaceRow {
    std::string id;
    std::string deviceName;  // empty when the row has none ("N/A": offline or unclaimed)
};
// The rows under the dashes line.
std::vector<orbNvmeNamespaceRow> orb_nvme_namespace_rows(const std::vector<std::string>& lines);

// The size of a device from "esxcli storage core device capacity list": the row whose first
// column is exactly deviceName, its logical block size (third column) times its logical block
// count (fourth). False when no row matches, a number does not read or the product overflows.
bool orb_nvme_device_capacity(const std::vector<std::string>& lines, std::string_view deviceName,
                              uint64_t& bytes);

// A SMART flag value: "true" or "false", in any case. False for anything else.
bool orb_nvme_parse_flag(std::string_view text, bool& flag);
// A SMART counter value: its first word, decimal or 0x-hexadecimal ("3 %", "0x4a2f"), within
// the signed 64-bit range. False for anything else.
bool orb_nvme_parse_counter(std::string_view text, int64_t& number);

// The four lower-case hexadecimal digits of a PCI ID as "PCISSVID" prints it ("0x144D" ->
// "144d"); empty when the text is not such an ID.
std::string orb_nvme_vendor_key(std::string_view text);
