#pragma once

#include <string>

// Every absolute path the service touches on the host (configuration, sysfs, device files,
// data and log folders) is resolved here. With ORB_ROOT set to an absolute folder, the path is
// taken below that folder, so the whole service can run against a fixture tree; without it
// the path is used as it stands. ORB_ROOT is not honoured in a privileged (set-user-ID)
// process, and a relative ORB_ROOT is ignored.
std::string orbRootPath(const std::string& fixedPath);

// The ORB_ROOT prefix in force, empty when the real paths are used.
std::string orbRootPrefix();

// What ORB_ROOT holds, for the one line the service logs about it when it starts.
struct orbRootSetting {
    enum State { Unset, InUse, Ignored };
    State state = Unset;
    std::string value;
};
orbRootSetting orbRootSettingInForce();
