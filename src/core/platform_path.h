#pragma once

#include <string>

// Every absolute path the service touches on the host (configuration, sysfs, device files,
// data and log folders) is resolved here. With ORB_ROOT set, the path is taken below that
// folder, so the whole service can run against a fixture tree; without it the path is used
// as it stands.
std::string orbRootPath(const std::string& designedPath);

// The ORB_ROOT prefix in force, empty when the real paths are used.
std::string orbRootPrefix();
