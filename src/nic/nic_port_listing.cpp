#include "nic/nic_port_listing.h"

#include <cctype>
#include <fstream>

namespace {

constexpr size_t kListingColumns = 10;
constexpr size_t kDescriptionColumn = kListingColumns - 1;
constexpr size_t kPortNameLimit = 64;

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) {
            ++at;
        }
        size_t end = at;
        while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) {
            ++end;
        }
        if (end > at) {
            words.push_back(line.substr(at, end - at));
        }
        at = end;
    }
    return words;
}

bool hexDigits(const std::string& text, size_t from, size_t count) {
    for (size_t i = from; i < from + count; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool nic_is_port_name(const std::string& name) {
    if (name.empty() || name.size() > kPortNameLimit || name[0] == '-') {
        return false;
    }
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.' && c != '-') {
            return false;
        }
    }
    return true;
}

bool nic_is_pci_address(const std::string& address) {
    // SSSS:BB:DD.F
    return address.size() == 12 && address[4] == ':' && address[7] == ':' && address[10] == '.' &&
           hexDigits(address, 0, 4) && hexDigits(address, 5, 2) && hexDigits(address, 8, 2) &&
           hexDigits(address, 11, 1);
}

int nic_parse_port_listing(const std::vector<std::string>& lines,
                           std::vector<std::vector<std::string>>& rows,
                           std::vector<size_t>& refusedLines) {
    rows.clear();
    refusedLines.clear();
    if (lines.empty() || lines.front().find("Name") == std::string::npos) {
        return NIC_LISTING_NO_HEADER;
    }
    for (size_t index = 2; index < lines.size(); ++index) {
        std::vector<std::string> words = splitWords(lines[index]);
        if (words.empty()) {
            continue;
        }
        if (words.size() < kListingColumns) {
            rows.clear();
            refusedLines.clear();
            return NIC_LISTING_SHORT_ROW;
        }
        for (size_t extra = kListingColumns; extra < words.size(); ++extra) {
            words[kDescriptionColumn] += " " + words[extra];
        }
        words.resize(kListingColumns);
        if (!nic_is_port_name(words[0]) || !nic_is_pci_address(words[1])) {
            refusedLines.push_back(index + 1);
            continue;
        }
        rows.push_back(std::move(words));
    }
    return NIC_LISTING_OK;
}

std::vector<std::pair<std::string, std::string>> nic_parse_link_lines(
    const std::vector<std::string>& lines) {
    std::vector<std::pair<std::string, std::string>> links;
    for (size_t index = 2; index < lines.size(); ++index) {
        std::vector<std::string> words = splitWords(lines[index]);
        if (words.size() == 2) {
            links.emplace_back(words[0], words[1]);
        }
    }
    return links;
}

bool nic_read_listing_file(const std::string& path, size_t maxBytes,
                           std::vector<std::string>& lines) {
    lines.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string text(maxBytes + 1, '\0');
    in.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    if (in.bad() || text.size() > maxBytes) {
        return false;
    }
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return true;
}
