#include "nvme/nvme_tool_output.h"

#include <cctype>
#include <limits>

#include "core/utils.h"

namespace {

constexpr size_t kNameLimit = 255;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && isBlank(line[at])) {
            ++at;
        }
        size_t end = at;
        while (end < line.size() && !isBlank(line[end])) {
            ++end;
        }
        if (end > at) {
            words.push_back(line.substr(at, end - at));
        }
        at = end;
    }
    return words;
}

bool isAlnum(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// The value after "label:" when the line's text starts with it.
bool valueAfterLabel(std::string_view line, std::string_view label, std::string_view& value) {
    std::string_view text = trimmed(line);
    if (text.size() <= label.size() || text.compare(0, label.size(), label) != 0 ||
        text[label.size()] != ':') {
        return false;
    }
    value = trimmed(text.substr(label.size() + 1));
    return true;
}

bool parseUnsigned(std::string_view text, int base, uint64_t limit, uint64_t& out) {
    if (text.empty()) {
        return false;
    }
    uint64_t value = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return false;
        }
        if (digit >= static_cast<unsigned>(base) ||
            value > (limit - digit) / static_cast<uint64_t>(base)) {
            return false;
        }
        value = value * static_cast<uint64_t>(base) + digit;
    }
    out = value;
    return true;
}

}  // namespace

bool orb_nvme_is_safe_name(std::string_view name) {
    if (name.empty() || name.size() > kNameLimit || !isAlnum(name.front())) {
        return false;
    }
    for (char c : name) {
        if (!isAlnum(c) && c != '.' && c != '_' && c != ':' && c != '-') {
            return false;
        }
    }
    return true;
}

std::vector<std::string> orb_nvme_adapter_names(const std::vector<std::string>& lines,
                                                std::vector<std::string>& refused) {
    std::vector<std::string> names;
    for (const std::string& line : lines) {
        if (line.find("vmhba") == std::string::npos) {
            continue;
        }
        std::string_view name = trimmed(line);
        if (orb_nvme_is_safe_name(name)) {
            names.emplace_back(name);
        } else {
            refused.emplace_back(name);
        }
    }
    return names;
}

bool orb_nvme_is_adapter_listing(const std::vector<std::string>& lines) {
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (trimmed(lines[i]) == "HBA" && trimmed(lines[i + 1]).compare(0, 3, "---") == 0) {
            return true;
        }
    }
    return false;
}

bool orb_nvme_labelled_value(const std::vector<std::string>& lines, std::string_view label,
                             std::string& value) {
    for (const std::string& line : lines) {
        std::string_view found;
        if (valueAfterLabel(line, label, found)) {
            value.assign(found.data(), found.size());
            return true;
        }
    }
    return false;
}

bool orb_nvme_pci_address_of(const std::vector<std::string>& lines, std::string_view adapter,
                             std::string& address) {
    std::string current;
    for (const std::string& line : lines) {
        std::string_view text = trimmed(line);
        std::string_view value;
        if (!line.empty() && !isBlank(line.front()) && text.find(':') != std::string_view::npos &&
            text.find(' ') == std::string_view::npos) {
            // A block's first line: the bare address at the start of the line.
            current.assign(text.data(), text.size());
        } else if (valueAfterLabel(line, "Address", value)) {
            current.assign(value.data(), value.size());
        } else if (valueAfterLabel(line, "VMkernel Name", value) && value == adapter) {
            if (orbUtils::isValidPciAddress(current)) {
                address = current;
                return true;
            }
            return false;
        }
    }
    return false;
}

std::vector<orbNvmeNamespaceRow> orb_nvme_namespace_rows(const std::vector<std::string>& lines) {
    std::vector<orbNvmeNamespaceRow> rows;
    bool table = false;
    for (const std::string& line : lines) {
        std::string_view text = trimmed(line);
        if (!table) {
            table = text.compare(0, 5, "-----") == 0;
            continue;
        }
        std::vector<std::string_view> words = wordsOf(text);
        if (words.empty()) {
            continue;
        }
        orbNvmeNamespaceRow row;
        row.id.assign(words[0].data(), words[0].size());
        if (words.size() >= 3 && words[2] != "N/A") {
            row.deviceName.assign(words[2].data(), words[2].size());
        }
        rows.push_back(row);
    }
    return rows;
}

bool orb_nvme_device_capacity(const std::vector<std::string>& lines, std::string_view deviceName,
                              uint64_t& bytes) {
    for (const std::string& line : lines) {
        std::vector<std::string_view> words = wordsOf(line);
        if (words.empty() || words[0] != deviceName) {
            continue;
        }
        uint64_t blockSize = 0;
        uint64_t blocks = 0;
        if (words.size() < 4 ||
            !parseUnsigned(words[2], 10, std::numeric_limits<uint32_t>::max(), blockSize) ||
            !parseUnsigned(words[3], 10, std::numeric_limits<uint64_t>::max(), blocks)) {
            return false;
        }
        if (blockSize != 0 && blocks > std::numeric_limits<uint64_t>::max() / blockSize) {
            return false;
        }
        bytes = blockSize * blocks;
        return true;
    }
    return false;
}

bool orb_nvme_parse_flag(std::string_view text, bool& flag) {
    auto equalsIgnoringCase = [&](std::string_view word) {
        if (text.size() != word.size()) {
            return false;
        }
        for (size_t i = 0; i < word.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) {
                return false;
            }
        }
        return true;
    };
    if (equalsIgnoringCase("true")) {
        flag = true;
        return true;
    }
    if (equalsIgnoringCase("false")) {
        flag = false;
        return true;
    }
    return false;
}

bool orb_nvme_parse_counter(std::string_view text, int64_t& number) {
    std::vector<std::string_view> words = wordsOf(text);
    if (words.empty()) {
        return false;
    }
    std::string_view word = words[0];
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        word.remove_prefix(2);
        base = 16;
    }
    uint64_t value = 0;
    if (!parseUnsigned(word, base, static_cast<uint64_t>(std::numeric_limits<int64_t>::max()),
                       value)) {
        return false;
    }
    number = static_cast<int64_t>(value);
    return true;
}

std::string orb_nvme_vendor_key(std::string_view text) {
    text = trimmed(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.size() != 4) {
        return std::string();
    }
    std::string key;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return std::string();
        }
        key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}
