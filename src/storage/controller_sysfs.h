#pragma once

#include <string>
#include <string_view>

// The few sysfs reads the storage controllers and their discovery make on their own (port
// folders, SCSI host and device links), shared so that each is done one way.

// The target of the symbolic link at path (already resolved through orbRootPath). False, with
// the errno in error, when it cannot be read or fills the whole buffer and may have been cut
// short (ENAMETOOLONG).
bool orbReadLinkTarget(const std::string& path, std::string& target, int& error);

// A text a sysfs reader or a drive query allocated, without surrounding white space; the text
// is freed. Empty for null.
std::string orbTakeTrimmedText(char* text);

// The first line of the attribute file at fixedPath (resolved through orbRootPath) without
// surrounding white space; empty when it cannot be read.
std::string orbReadSysfsText(const std::string& fixedPath);

// The number n of the last path component that is prefix followed by one to nine digits
// ("host" in "/sys/class/scsi_host/host8" gives 8); -1 when no component has that form.
int orbNumberedPathComponent(std::string_view path, std::string_view prefix);

// The ATA device number n of the last "ata<n>" component of a sysfs path
// (".../0000:00:17.0/ata3/host2/..." gives 3); -1 when there is none.
int getATADeviceNumberFromPath(std::string_view path);
