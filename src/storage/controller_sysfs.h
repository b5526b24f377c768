#pragma once

#include <string>

// The few sysfs reads the storage controllers make on their own (port folders, SCSI device
// links), on the host's fixed paths resolved through the root prefix.

// The target of the link at fixedPath; false with the errno of the failure.
bool orbReadSysfsLink(const std::string& fixedPath, std::string& target, int& error);

// The first line of the attribute file at fixedPath without surrounding white space; empty
// when it cannot be read.
std::string orbReadSysfsText(const std::string& fixedPath);

// The decimal number right after the first occurrence of marker in text ("/host" in
// ".../scsi_host/host8" gives 8); -1 when the marker is absent or no digit follows it.
int orbNumberAfter(const std::string& text, const char* marker);
