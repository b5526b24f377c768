#pragma once

#include <string>

// Process-wide texts every part of the service shares: where the service is installed, where
// its start-up file lives, and the server's manufacturer. They are filled together, once, on
// first use, and only read afterwards.
class platformCheck {
  public:
    // The start-up directory text; the start-up file is this text directly followed by
    // "ORBStartup.txt". A fixed path: resolve it with orbRootPath when opening.
    static std::string getStartupFilePath();
    // The payload path "/opt/vex/orb" (a fixed path, like the above).
    static std::string getDirectoryPath();
    // The first word of the SMBIOS System Information manufacturer ("Vex" for "Vex Systems
    // Inc."); empty when the SMBIOS table or its record cannot be read.
    static std::string getCardManufacturer();

    // Fills the three texts; only the first call does anything.
    static void setDirectoryPath();
};
