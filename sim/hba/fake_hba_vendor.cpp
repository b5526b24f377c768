// A Fibre Channel vendor's HBA API library, built as a real shared object for the loader's
// dlopen path. It describes the adapters written in the simulated host's
// /var/lib/sim-hba/<library name>.adapters (the library's file name without ".so"), read again
// on every call so that a scenario can change a port while the service runs, and appends each
// start, stop, open and close to /var/lib/sim-hba/<library name>.calls.
//
// Description, one item a line ("#" starts a comment):
//   adapter NAME                 starts an adapter (the name the HBA API lists)
//   manufacturer|model|description|serial|firmware|rom|hardware|driver|driver-version TEXT
//   node WWN                     node world-wide name, eight hex bytes joined by ':'
//   port WWN STATE               a port: Online, Offline, Bypassed, DiagnosticMode, Linkdown,
//                                Error, Loopback or Unknown
//   claimed-adapters N           (anywhere) the adapter count the library reports instead
//   claimed-ports N              (in an adapter) the port count its attributes report instead
//   unterminated-names           (anywhere) names and texts fill their buffers without a NUL
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fc/hba_api.h"

namespace {

constexpr HBA_HANDLE kHandleBase = 0x5A00;

struct Port {
    HBA_WWN wwn{};
    HBA_PORTSTATE state = HBA_PORTSTATE_UNKNOWN;
};

struct Adapter {
    std::string name, manufacturer, model, description, serial, firmware, rom, hardware, driver,
        driverVersion;
    HBA_WWN node{};
    std::vector<Port> ports;
    long claimedPorts = -1;
};

struct Description {
    std::vector<Adapter> adapters;
    long claimedAdapters = -1;
    bool unterminated = false;
};

std::string libraryStem() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&libraryStem), &info) == 0 || info.dli_fname == nullptr) {
        return "unknown";
    }
    std::string name = info.dli_fname;
    name = name.substr(name.find_last_of('/') + 1);
    return name.substr(0, name.rfind(".so"));
}

std::string hostPath(const std::string& suffix) {
    const char* root = std::getenv("ORB_ROOT");
    return std::string(root != nullptr ? root : "") + "/var/lib/sim-hba/" + libraryStem() + suffix;
}

void record(const std::string& call) {
    std::ofstream(hostPath(".calls"), std::ios::app) << call << '\n';
}

bool parseWwn(const std::string& text, HBA_WWN& wwn) {
    unsigned bytes[8];
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x:%2x:%2x", &bytes[0], &bytes[1],
                    &bytes[2], &bytes[3], &bytes[4], &bytes[5], &bytes[6], &bytes[7]) != 8) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        wwn.wwn[i] = static_cast<HBA_UINT8>(bytes[i]);
    }
    return true;
}

HBA_PORTSTATE parseState(const std::string& name) {
    static const char* const kNames[] = {"",         "Unknown",  "Online",
                                         "Offline",  "Bypassed", "DiagnosticMode",
                                         "Linkdown", "Error",    "Loopback"};
    for (HBA_PORTSTATE state = 1; state <= HBA_PORTSTATE_LOOPBACK; ++state) {
        if (name == kNames[state]) {
            return state;
        }
    }
    return HBA_PORTSTATE_UNKNOWN;
}

Description readDescription() {
    Description description;
    std::ifstream file(hostPath(".adapters"));
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        std::string rest;
        std::getline(words >> std::ws, rest);
        if (key == "adapter") {
            description.adapters.emplace_back();
            description.adapters.back().name = rest;
        } else if (key == "claimed-adapters") {
            description.claimedAdapters = std::atol(rest.c_str());
        } else if (key == "unterminated-names") {
            description.unterminated = true;
        } else if (!description.adapters.empty() && !key.empty() && key[0] != '#') {
            Adapter& adapter = description.adapters.back();
            std::string* texts[] = {
                &adapter.manufacturer, &adapter.model,    &adapter.description,
                &adapter.serial,       &adapter.firmware, &adapter.rom,
                &adapter.hardware,     &adapter.driver,   &adapter.driverVersion};
            const char* keys[] = {"manufacturer", "model",    "description",
                                  "serial",       "firmware", "rom",
                                  "hardware",     "driver",   "driver-version"};
            for (size_t i = 0; i < sizeof(keys) / sizeof(keys[0]); ++i) {
                if (key == keys[i]) {
                    *texts[i] = rest;
                }
            }
            if (key == "node") {
                parseWwn(rest, adapter.node);
            } else if (key == "claimed-ports") {
                adapter.claimedPorts = std::atol(rest.c_str());
            } else if (key == "port") {
                std::istringstream fields(rest);
                std::string wwn, state;
                fields >> wwn >> state;
                Port port;
                parseWwn(wwn, port.wwn);
                port.state = parseState(state);
                adapter.ports.push_back(port);
            }
        }
    }
    return description;
}

template <size_t N>
void putText(char (&to)[N], const std::string& text, bool unterminated) {
    if (unterminated) {
        for (size_t i = 0; i < N; ++i) {
            to[i] = text.empty() ? 'X' : text[i % text.size()];
        }
        return;
    }
    std::snprintf(to, N, "%s", text.c_str());
}

const Adapter* adapterOf(const Description& description, HBA_HANDLE handle) {
    size_t index = handle - kHandleBase - 1;
    return index < description.adapters.size() ? &description.adapters[index] : nullptr;
}

HBA_UINT32 getVersion() {
    return HBA_VERSION;
}
HBA_STATUS loadLibrary() {
    record("LoadLibrary");
    return HBA_STATUS_OK;
}
HBA_STATUS freeLibrary() {
    record("FreeLibrary");
    return HBA_STATUS_OK;
}

HBA_UINT32 getNumberOfAdapters() {
    Description description = readDescription();
    return description.claimedAdapters >= 0 ? static_cast<HBA_UINT32>(description.claimedAdapters)
                                            : static_cast<HBA_UINT32>(description.adapters.size());
}

HBA_STATUS getAdapterName(HBA_UINT32 index, char* name) {
    Description description = readDescription();
    if (index >= description.adapters.size()) {
        return HBA_STATUS_ERROR_ILLEGAL_INDEX;
    }
    char buffer[256];
    putText(buffer, description.adapters[index].name, description.unterminated);
    std::memcpy(name, buffer, sizeof(buffer));
    return HBA_STATUS_OK;
}

HBA_HANDLE openAdapter(char* name) {
    Description description = readDescription();
    for (size_t i = 0; i < description.adapters.size(); ++i) {
        char listed[256];
        putText(listed, description.adapters[i].name, description.unterminated);
        if (std::strncmp(listed, name, 255) == 0) {
            record("OpenAdapter " + std::to_string(kHandleBase + i + 1));
            return static_cast<HBA_HANDLE>(kHandleBase + i + 1);
        }
    }
    return 0;
}

void closeAdapter(HBA_HANDLE handle) {
    record("CloseAdapter " + std::to_string(handle));
}

HBA_STATUS getAdapterAttributes(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES* attributes) {
    Description description = readDescription();
    const Adapter* adapter = adapterOf(description, handle);
    if (adapter == nullptr) {
        return HBA_STATUS_ERROR_INVALID_HANDLE;
    }
    bool raw = description.unterminated;
    *attributes = HBA_ADAPTERATTRIBUTES{};
    putText(attributes->Manufacturer, adapter->manufacturer, raw);
    putText(attributes->SerialNumber, adapter->serial, raw);
    putText(attributes->Model, adapter->model, raw);
    putText(attributes->ModelDescription, adapter->description, raw);
    attributes->NodeWWN = adapter->node;
    putText(attributes->HardwareVersion, adapter->hardware, raw);
    putText(attributes->DriverVersion, adapter->driverVersion, raw);
    putText(attributes->OptionROMVersion, adapter->rom, raw);
    putText(attributes->FirmwareVersion, adapter->firmware, raw);
    attributes->NumberOfPorts = adapter->claimedPorts >= 0
                                    ? static_cast<HBA_UINT32>(adapter->claimedPorts)
                                    : static_cast<HBA_UINT32>(adapter->ports.size());
    putText(attributes->DriverName, adapter->driver, raw);
    return HBA_STATUS_OK;
}

HBA_STATUS getAdapterPortAttributes(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                    HBA_PORTATTRIBUTES* attributes) {
    Description description = readDescription();
    const Adapter* adapter = adapterOf(description, handle);
    if (adapter == nullptr) {
        return HBA_STATUS_ERROR_INVALID_HANDLE;
    }
    if (portIndex >= adapter->ports.size()) {
        return HBA_STATUS_ERROR_ILLEGAL_INDEX;
    }
    const Port& port = adapter->ports[portIndex];
    *attributes = HBA_PORTATTRIBUTES{};
    attributes->NodeWWN = adapter->node;
    attributes->PortWWN = port.wwn;
    attributes->PortType =
        port.state == HBA_PORTSTATE_ONLINE ? HBA_PORTTYPE_NPORT : HBA_PORTTYPE_UNKNOWN;
    attributes->PortState = port.state;
    return HBA_STATUS_OK;
}

}  // namespace

extern "C" __attribute__((visibility("default")))
#ifdef ORB_SIM_HBA_UNREGISTERED
HBA_STATUS
HBA_RegisterLibraryV2(HBA_ENTRYPOINTS* entries)
#else
HBA_STATUS
HBA_RegisterLibrary(HBA_ENTRYPOINTS* entries)
#endif
{
    *entries = HBA_ENTRYPOINTS{};
    entries->GetVersionHandler = getVersion;
    entries->LoadLibraryHandler = loadLibrary;
    entries->FreeLibraryHandler = freeLibrary;
    entries->GetNumberOfAdaptersHandler = getNumberOfAdapters;
    entries->GetAdapterNameHandler = getAdapterName;
    entries->OpenAdapterHandler = openAdapter;
    entries->CloseAdapterHandler = closeAdapter;
    entries->GetAdapterAttributesHandler = getAdapterAttributes;
    entries->GetAdapterPortAttributesHandler = getAdapterPortAttributes;
#if defined(ORB_SIM_HBA_BARE)
    entries->GetVersionHandler = nullptr;
    entries->LoadLibraryHandler = nullptr;
    entries->FreeLibraryHandler = nullptr;
#elif defined(ORB_SIM_HBA_WITHOUT_ATTRIBUTES)
    entries->FreeLibraryHandler = nullptr;
    entries->GetAdapterAttributesHandler = nullptr;
#elif defined(ORB_SIM_HBA_REFUSES)
    return HBA_STATUS_ERROR;
#endif
    return HBA_STATUS_OK;
}
