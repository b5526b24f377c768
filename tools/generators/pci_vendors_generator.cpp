// Build-time generator of liborb's PCI vendor table. Reads the vendor lines of the PCI ID
// database (pci.ids: a line that starts with four hexadecimal digits and two blanks, then the
// vendor's name) and writes a C++ source file holding them, sorted by ID, with the names
// exactly as the database writes them.
//
//   pci_vendors_generator <pci.ids> <output.cpp>
//
// Exits non-zero, without leaving a partial output behind, when the database cannot be read,
// holds no vendor line, or lists one ID twice: a build must not ship an empty or ambiguous
// table.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

namespace {

bool isHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// A C++ string literal of the name: quotes, backslashes and every byte outside printable
// ASCII (the database is UTF-8) as octal escapes, which never swallow a following character.
std::string literal(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\' || c == '?' || c < 0x20 || c > 0x7e) {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\%03o", c);
            out += escape;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: pci_vendors_generator <pci.ids> <output.cpp>\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "pci_vendors_generator: cannot read " << argv[1]
                  << " (install Debian's pci.ids package)\n";
        return 1;
    }

    std::map<unsigned, std::string> vendors;
    std::string line;
    size_t lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.size() < 7 || !isHex(line[0]) || !isHex(line[1]) || !isHex(line[2]) ||
            !isHex(line[3]) || line[4] != ' ' || line[5] != ' ') {
            continue;  // comments, devices, subsystems (indented) and the class list ("C ")
        }
        std::string name = line.substr(6);
        while (!name.empty() &&
               (name.back() == '\r' || name.back() == ' ' || name.back() == '\t')) {
            name.pop_back();
        }
        if (name.empty()) {
            continue;
        }
        unsigned id = static_cast<unsigned>(std::stoul(line.substr(0, 4), nullptr, 16));
        if (!vendors.emplace(id, name).second) {
            std::cerr << argv[1] << ":" << lineNumber << ": vendor " << line.substr(0, 4)
                      << " listed twice\n";
            return 1;
        }
    }
    if (vendors.empty()) {
        std::cerr << "pci_vendors_generator: no vendor line in " << argv[1] << "\n";
        return 1;
    }

    std::ostringstream out;
    out << "// Generated at build time from " << argv[1] << " by pci_vendors_generator.\n"
        << "// Do not edit: rebuild to take a newer PCI ID database.\n"
        << "#include \"host/pci_vendors.h\"\n\n"
        << "const orbPCIVendorEntry orbPCIVendorEntries[] = {\n";
    for (const auto& [id, name] : vendors) {
        char key[8];
        std::snprintf(key, sizeof(key), "0x%04x", id);
        out << "    {" << key << ", " << literal(name) << "},\n";
    }
    out << "};\n\n"
        << "const size_t orbPCIVendorEntryCount = " << vendors.size() << ";\n";

    // Written whole to a scratch file and renamed, so an interrupted build never leaves a
    // truncated table that would look up to date.
    std::string scratch = std::string(argv[2]) + ".tmp";
    {
        std::ofstream file(scratch, std::ios::trunc);
        file << out.str();
        if (!file.flush()) {
            std::cerr << "pci_vendors_generator: cannot write " << scratch << "\n";
            std::remove(scratch.c_str());
            return 1;
        }
    }
    if (std::rename(scratch.c_str(), argv[2]) != 0) {
        std::cerr << "pci_vendors_generator: cannot create " << argv[2] << "\n";
        std::remove(scratch.c_str());
        return 1;
    }
    return 0;
}
