#include "core/utils.h"

// Interim: the SMBIOS-backed implementation replaces this file.
std::string orbUtils::getPlatformFamily() {
    return std::string();
}
