#pragma once

#include <string>
#include <vector>

// Names of the entries of a sysfs folder (a path already resolved through orbRootPath), in
// alphabetical order and without "." and ".."; empty when the folder cannot be read.
std::vector<std::string> orbListSysfsDirectory(const std::string& path);

// True when text can name one entry of a sysfs folder (a SCSI address, a block device, a
// host): not empty, no '/', and not "." or "..", so that it can never lead out of the folder.
bool orbIsSysfsEntryName(const char* text);
