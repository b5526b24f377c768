#pragma once

#include <string>
#include <string_view>
#include <vector>

// One vendor library listed in the HBA loader's configuration file.
struct orbHbaConfEntry {
    std::string name;  // at most 63 characters
    std::string path;  // at most 255 characters of [A-Za-z0-9_./-]
};

// Reads the text of the configuration file: one library a line, a name, one or more tabs or
// blanks, and the path. Comment lines ("#"), empty lines and lines without a separator are
// skipped. The separator is the first tab, or the first blank when the line has no tab. The path
// ends before its first character that cannot be part of a file name (a carriage return, say).
// Lines whose name or path comes out empty are skipped. At most maxEntries are returned.
std::vector<orbHbaConfEntry> orbParseHbaConf(std::string_view text, size_t maxEntries);
