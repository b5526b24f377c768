#include "nic/nic_listing_values.h"

#include <climits>

unsigned nic_pci_id_value(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 4) {
        return 0;
    }
    unsigned value = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return 0;
        }
        value = value * 16 + digit;
    }
    return value;
}

bool nic_parse_speed(std::string_view text, int& speed) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
        if (value > INT_MAX) {
            return false;  // no port runs that fast: the column is not a speed
        }
    }
    speed = negative ? 0 : static_cast<int>(value);
    return true;
}

bool nic_firmware_from_line(std::string_view line, std::string& out) {
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    std::string_view value = line.substr(colon + 1);
    if (!value.empty() && value.front() == ' ') {
        value.remove_prefix(1);
    }
    size_t end = value.find('\n');
    if (end != std::string_view::npos) {
        value = value.substr(0, end);
    }
    out.assign(value.data(), value.size());
    return true;
}
