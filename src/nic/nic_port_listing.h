#pragma once

#include <string>
#include <utility>
#include <vector>

// Reading the text of "localcli network nic list": a header line holding "Name", a line of
// dashes, then one port a line. Only what the tool prints is accepted; nothing read here goes
// to a command line unless it passed these checks.

// Results of nic_parse_port_listing.
constexpr int NIC_LISTING_OK = 0;
constexpr int NIC_LISTING_NO_HEADER = -1;  // the first line holds no "Name"
constexpr int NIC_LISTING_SHORT_ROW = -2;  // a port line of fewer than ten words

// A port name as ESXi gives it (vmnic0, vusb0, ...): 1 to 64 of [A-Za-z0-9_.-], not starting
// with '-' (it would read as an option).
bool nic_is_port_name(const std::string& name);
// A PCI address as the listing prints it: SSSS:BB:DD.F in hexadecimal digits.
bool nic_is_pci_address(const std::string& address);

// Splits the port lines into rows of ten columns: the first nine words, then the rest of the
// words joined by single blanks as the description. Blank lines are skipped. Rows whose name
// or PCI address is not of the accepted form are left out; their line numbers (from 1) go to
// refusedLines. On a result other than NIC_LISTING_OK rows is empty.
int nic_parse_port_listing(const std::vector<std::string>& lines,
                           std::vector<std::vector<std::string>>& rows,
                           std::vector<size_t>& refusedLines);

// The "name link-status" pairs printed for the link check, after its two header lines; lines
// of another number of words are skipped.
std::vector<std::pair<std::string, std::string>> nic_parse_link_lines(
    const std::vector<std::string>& lines);

// Reads a whole listing file of at most maxBytes, one element a line (without the line
// feed). False when it cannot be opened or is longer.
bool nic_read_listing_file(const std::string& path, size_t maxBytes,
                           std::vector<std::string>& lines);
