// The HBA loader through the real dynamic loader, with the fake vendor libraries of sim/hba/ and
// what they describe in the simulated host.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fc/hba_api.h"
#include "fc/hba_conf.h"
#include "sim/scenario/scenario_player.h"
#include "support/test_environment.h"

namespace {

const std::string kLibraries = "/usr/lib/vmware/hba/";

void writeConf(const std::string& text) {
    ASSERT_TRUE(orbtest::writeFile(orbtest::rootPath("/etc/config/vex/orb/hba.conf"), text));
}

void describe(const std::string& library, const std::string& text) {
    ASSERT_TRUE(
        orbtest::writeFile(orbtest::rootPath("/var/lib/sim-hba/" + library + ".adapters"), text));
}

std::string calls(const std::string& library) {
    return orbtest::readFile(orbtest::rootPath("/var/lib/sim-hba/" + library + ".calls"));
}

bool mapped(const std::string& library) {
    return orbtest::readFile("/proc/self/maps").find(library) != std::string::npos;
}

std::string adapter(const std::string& name, const std::string& ports) {
    return "adapter " + name + "\nmodel LPe-" + name + "\nnode 20:00:00:10:9b:00:00:01\n" + ports;
}

std::string nameAt(HBA_UINT32 index) {
    char name[256] = {};
    EXPECT_EQ(HBA_GetAdapterName(index, name), HBA_STATUS_OK);
    return name;
}

TEST(HbaApiLoader, ListsAdaptersAcrossLibrariesAndReachesEachThroughItsHandle) {
    writeConf(
        "Emulex\t/usr/lib/vmware/hba/libhbaapi-emulex.so\n"
        "Missing /usr/lib/vmware/hba/libhbaapi-absent.so\n"
        "Second\t\t/usr/lib/vmware/hba/libhbaapi-second.so\r\n");
    describe("libhbaapi-second", adapter("B0", "port 10:00:00:00:00:00:00:b0 Online\n") +
                                     adapter("B1", "port 10:00:00:00:00:00:00:b1 Error\n"));
    ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
    EXPECT_EQ(HBA_GetVersion(), 1u);
    ASSERT_EQ(HBA_GetNumberOfAdapters(), 3u);
    EXPECT_EQ(nameAt(0), "com.emulex-LPe32002-M2-0");
    EXPECT_EQ(nameAt(1), "B0");
    EXPECT_EQ(nameAt(2), "B1");
    char text[256];
    EXPECT_EQ(HBA_GetAdapterName(3, text), HBA_STATUS_ERROR_ILLEGAL_INDEX);
    HBA_HANDLE vendor = 1;
    void* library = nullptr;
    EXPECT_EQ(HBA_GetLibraryPath(3, text, &vendor, &library), HBA_STATUS_ERROR_ILLEGAL_INDEX);
    ASSERT_EQ(HBA_GetLibraryPath(2, text, &vendor, &library), HBA_STATUS_OK);
    EXPECT_STREQ(text, (kLibraries + "libhbaapi-second.so").c_str());  // the carriage return cut
    EXPECT_NE(library, nullptr);

    // The default host's adapter: its attributes and two ports.
    char emulex[] = "com.emulex-LPe32002-M2-0";
    HBA_HANDLE first = HBA_OpenAdapter(emulex);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(first >> 16, 0u);
    HBA_ADAPTERATTRIBUTES attributes;
    ASSERT_EQ(HBA_GetAdapterAttributes(first, &attributes), HBA_STATUS_OK);
    EXPECT_STREQ(attributes.Model, "LPe32002-M2");
    EXPECT_STREQ(attributes.SerialNumber, "FC84213377");
    EXPECT_EQ(attributes.NumberOfPorts, 2u);
    EXPECT_EQ(attributes.NodeWWN.wwn[7], 0x41);
    HBA_PORTATTRIBUTES port;
    ASSERT_EQ(HBA_GetAdapterPortAttributes(first, 1, &port), HBA_STATUS_OK);
    EXPECT_EQ(port.PortWWN.wwn[7], 0x42);
    EXPECT_EQ(port.PortState, static_cast<HBA_PORTSTATE>(HBA_PORTSTATE_ONLINE));
    EXPECT_EQ(HBA_CloseAdapter(first), HBA_STATUS_OK);
    EXPECT_EQ(HBA_GetAdapterAttributes(first, &attributes), HBA_STATUS_ERROR_INVALID_HANDLE);

    // The second library sits in slot 2: the missing one kept slot 1. A port changed by the
    // host shows at the next call.
    char b0[] = "B0", b1[] = "B1";
    HBA_HANDLE zero = HBA_OpenAdapter(b0);
    ASSERT_EQ(zero >> 16, 2u);
    describe("libhbaapi-second", adapter("B0", "port 10:00:00:00:00:00:00:b0 Linkdown\n"));
    ASSERT_EQ(HBA_GetAdapterPortAttributes(zero, 0, &port), HBA_STATUS_OK);
    EXPECT_EQ(port.PortState, static_cast<HBA_PORTSTATE>(HBA_PORTSTATE_LINKDOWN));
    // Opening another adapter of the library makes the first handle stale, not a way to it.
    describe("libhbaapi-second", adapter("B0", "") + adapter("B1", ""));
    HBA_HANDLE one = HBA_OpenAdapter(b1);
    ASSERT_NE(one, 0u);
    EXPECT_EQ(HBA_GetAdapterAttributes(zero, &attributes), HBA_STATUS_ERROR_INVALID_HANDLE);
    EXPECT_EQ(HBA_GetAdapterAttributes(one, &attributes), HBA_STATUS_OK);
    EXPECT_STREQ(attributes.Model, "LPe-B1");
    EXPECT_EQ(HBA_GetAdapterAttributes((40u << 16) | (one & 0xFFFFu), &attributes),
              HBA_STATUS_ERROR_INVALID_HANDLE);
    EXPECT_EQ(HBA_GetAdapterAttributes((1u << 16) | (one & 0xFFFFu), &attributes),
              HBA_STATUS_ERROR);

    // Freed, nothing reaches the libraries any more.
    EXPECT_EQ(HBA_FreeLibrary(), HBA_STATUS_OK);
    EXPECT_EQ(calls("libhbaapi-second").find("FreeLibrary") != std::string::npos, true);
    EXPECT_FALSE(mapped("libhbaapi-second.so"));
    EXPECT_EQ(HBA_GetAdapterAttributes(one, &attributes), HBA_STATUS_ERROR);
    EXPECT_EQ(HBA_GetAdapterName(0, text), HBA_STATUS_ERROR_ILLEGAL_INDEX);
    EXPECT_EQ(HBA_GetNumberOfAdapters(), 0u);
}

TEST(HbaApiLoader, BrokenLibrariesAreClosedAndMissingEntriesAreNotSupported) {
    writeConf(
        "Text /usr/lib/vmware/hba/libhbaapi-text.so\n"
        "Refuses /usr/lib/vmware/hba/libhbaapi-refuses.so\n"
        "Bare /usr/lib/vmware/hba/libhbaapi-bare.so\n"
        "Unregistered /usr/lib/vmware/hba/libhbaapi-unregistered.so\n"
        "Partial /usr/lib/vmware/hba/libhbaapi-without-attributes.so\n");
    for (const char* library : {"libhbaapi-refuses", "libhbaapi-bare", "libhbaapi-unregistered",
                                "libhbaapi-without-attributes"}) {
        describe(library, adapter("P0", "port 10:00:00:00:00:00:00:c0 Online\n"));
    }
    ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
    for (const char* library : {"libhbaapi-refuses", "libhbaapi-bare", "libhbaapi-unregistered"}) {
        EXPECT_FALSE(mapped(library)) << library;
    }
    ASSERT_EQ(HBA_GetNumberOfAdapters(), 1u);
    char name[] = "P0";
    HBA_HANDLE handle = HBA_OpenAdapter(name);
    ASSERT_EQ(handle >> 16, 4u);
    HBA_ADAPTERATTRIBUTES attributes;
    std::memset(&attributes, 0xAB, sizeof(attributes));
    EXPECT_EQ(HBA_GetAdapterAttributes(handle, &attributes), HBA_STATUS_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(static_cast<unsigned char>(attributes.Model[0]), 0xAB);
    HBA_PORTSTATISTICS statistics;
    EXPECT_EQ(HBA_GetPortStatistics(handle, 0, &statistics), HBA_STATUS_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(HBA_RefreshInformation(handle), HBA_STATUS_ERROR_NOT_SUPPORTED);
    HBA_PORTATTRIBUTES port;
    EXPECT_EQ(HBA_GetAdapterPortAttributes(handle, 0, &port), HBA_STATUS_OK);
    // Without a FreeLibrary entry the library is still closed.
    EXPECT_EQ(HBA_FreeLibrary(), HBA_STATUS_OK);
    EXPECT_FALSE(mapped("libhbaapi-without-attributes"));

    // No configuration file: nothing loads, and loading again later works.
    ASSERT_EQ(std::remove(orbtest::rootPath("/etc/config/vex/orb/hba.conf").c_str()), 0);
    EXPECT_EQ(HBA_LoadLibrary(), HBA_STATUS_ERROR);
    EXPECT_EQ(HBA_GetNumberOfAdapters(), 0u);
}

TEST(HbaApiLoader, VendorCountsAndNamesAreNeverTrusted) {
    writeConf(
        "Emulex\t/usr/lib/vmware/hba/libhbaapi-emulex.so\n"
        "Second\t/usr/lib/vmware/hba/libhbaapi-second.so\n");
    std::string many;
    for (int i = 0; i < 40; ++i) {
        many += adapter("A" + std::to_string(i), "");
    }
    describe("libhbaapi-emulex", "claimed-adapters 1000000\n" + many);
    describe("libhbaapi-second", "unterminated-names\n" + many);
    ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
    ASSERT_EQ(HBA_GetNumberOfAdapters(), 64u);
    char name[300];
    std::memset(name, 0x7F, sizeof(name));
    ASSERT_EQ(HBA_GetAdapterName(63, name), HBA_STATUS_OK);
    EXPECT_EQ(std::strlen(name), 255u);
    EXPECT_EQ(name[256], 0x7F);
    EXPECT_NE(HBA_OpenAdapter(name), 0u);
    EXPECT_EQ(HBA_FreeLibrary(), HBA_STATUS_OK);
}

TEST(HbaConf, LinesAreReadAsTheLoaderNeedsThem) {
    const std::string longName(70, 'n'), longPath = "/" + std::string(300, 'p');
    struct Case {
        const char* why;
        std::string text;
        std::string name, path;  // empty: the line is skipped
    } cases[] = {
        {"tab", "Emulex\t/lib/a.so\n", "Emulex", "/lib/a.so"},
        {"two tabs and a carriage return", "Q\t\t/lib/q.so\r\n", "Q", "/lib/q.so"},
        {"blank without tab", "Q /lib/q.so more", "Q", "/lib/q.so"},
        {"tab wins over an earlier blank", "my lib\t/lib/m.so", "my lib", "/lib/m.so"},
        {"path cut at a shell character", "Q /lib/q.so;rm -rf /", "Q", "/lib/q.so"},
        {"long name and path are cut", longName + " " + longPath, longName.substr(0, 63),
         longPath.substr(0, 255)},
        {"comment", "# Q /lib/q.so", "", ""},
        {"empty", "\n", "", ""},
        {"no separator", "Q/lib/q.so", "", ""},
        {"no name", "\t/lib/q.so", "", ""},
        {"no path", "Q \t", "", ""},
        {"path of no file-name character", "Q \"/lib\"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        auto entries = orbParseHbaConf(c.text, 32);
        ASSERT_EQ(entries.size(), c.name.empty() ? 0u : 1u);
        if (!entries.empty()) {
            EXPECT_EQ(entries[0].name, c.name);
            EXPECT_EQ(entries[0].path, c.path);
        }
    }
    std::string forty;
    for (int i = 0; i < 40; ++i) {
        forty += "L" + std::to_string(i) + " /l/" + std::to_string(i) + ".so\n";
    }
    auto entries = orbParseHbaConf(forty, 32);
    ASSERT_EQ(entries.size(), 32u);
    EXPECT_EQ(entries[31].name, "L31");
}

}  // namespace

namespace {

TEST(HbaScenario, PortStatesAndAdapterRemovalReachTheLoader) {
    writeConf("Emulex\t/usr/lib/vmware/hba/libhbaapi-emulex.so\n");
    const struct {
        const char* line;
        const char* why;  // null: accepted
    } lines[] = {
        {"0 fc 10:00:00:10:9B:7E:3C:42 state Linkdown", nullptr},
        {"0 fc 10:00:00:10:9b:7e:3c:42 state Sleepy", "unknown port state 'Sleepy'"},
        {"0 fc 10:00:00:10:9b:7e:3c state Online", "port WWN"},
        {"0 fc com/../x remove", "adapter name"},
        {"0 fc com.emulex remove now", "expected fc WWPN state NAME"},
        {"0 fc com.emulex-LPe32002-M2-0 remove", nullptr},
    };
    ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
    orbsim::ScenarioPlayer player(orbtest::root(), nullptr);
    for (const auto& c : lines) {
        SCOPED_TRACE(c.line);
        std::vector<orbsim::ScenarioAction> actions;
        std::string error;
        ASSERT_EQ(orbsim::parseScenario(c.line, actions, error), c.why == nullptr);
        if (c.why != nullptr) {
            EXPECT_NE(error.find(c.why), std::string::npos) << error;
            continue;
        }
        ASSERT_TRUE(player.apply(actions[0], error)) << error;
        if (actions[0].verb == orbsim::ScenarioVerb::FcPortState) {
            char name[] = "com.emulex-LPe32002-M2-0";
            ASSERT_EQ(HBA_GetNumberOfAdapters(), 1u);
            HBA_HANDLE handle = HBA_OpenAdapter(name);
            HBA_PORTATTRIBUTES port;
            ASSERT_EQ(HBA_GetAdapterPortAttributes(handle, 1, &port), HBA_STATUS_OK);
            EXPECT_EQ(port.PortState, static_cast<HBA_PORTSTATE>(HBA_PORTSTATE_LINKDOWN));
            EXPECT_EQ(HBA_CloseAdapter(handle), HBA_STATUS_OK);
        } else {
            EXPECT_FALSE(player.apply(actions[0], error)) << "nothing left to remove";
        }
    }
    // Applied in turn: the port went down, then the adapter left.
    EXPECT_EQ(HBA_GetNumberOfAdapters(), 0u);
    EXPECT_EQ(orbtest::readFile(orbtest::rootPath("/var/lib/sim-hba/libhbaapi-emulex.adapters"))
                  .find("adapter"),
              std::string::npos);
    EXPECT_EQ(HBA_FreeLibrary(), HBA_STATUS_OK);
}

}  // namespace
