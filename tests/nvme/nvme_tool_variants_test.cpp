// The NVMe manager meeting esxcli answers that real hosts, or hostile device text, can give:
// each variant is written into the simulated host's answers and one cache build reads it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "nvme/nvme_resource_manager.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["NVMeControllers"]})");

using ::testing::HasSubstr;

namespace {

const char* const kData = "/var/lib/sim-nvme";

std::vector<std::string> listed(int kind) {
    std::vector<Json::Value> entries;
    NVMeResourceManager::getInstance()->getInventoryJsonObject2(kind, entries);
    std::vector<std::string> out;
    for (const Json::Value& entry : entries) {
        out.push_back(entry["SerialNumber"].asString() + " " +
                      entry["Status"]["Health"].asString());
    }
    return out;
}

void replaceTool(const std::string& command, const std::string& script) {
    const std::string path = orbtest::rootPath("/bin/esxcli.d/" + command);
    unlink(path.c_str());
    ASSERT_TRUE(orbtest::writeFile(path, "#!/bin/sh\n" + script));
    chmod(path.c_str(), 0755);
}

TEST(NvmeToolVariants, OddAnswersNeverCrashRunHostileTextOrReadAsHealthy) {
    NVMeResourceManager* manager = NVMeResourceManager::getInstance();
    const std::string data = orbtest::rootPath(kData);
    // Names a shell would run: an adapter row of the device list, and a second namespace of
    // vmhba5; and vmhba4's SMART log without its read-only line.
    const std::string hostile = "vmhba9;touch${IFS}nvme-pwned";
    ASSERT_TRUE(orbtest::writeFile(data + "/adapters", "vmhba4 a\nvmhba5 b\n" + hostile + " c\n"));
    ASSERT_TRUE(
        orbtest::writeFile(data + "/" + hostile + "/identify", "Controller Identify Info:\n"));
    const std::string namespaces = orbtest::readFile(data + "/vmhba5/namespaces");
    ASSERT_TRUE(
        orbtest::writeFile(data + "/vmhba5/namespaces",
                           namespaces + "2 Online eui.1$(touch${IFS}nvme-pwned) 512 512 8 512n\n"));
    // A model the maker does not ship: named by its model number, with no part number.
    std::string identify = orbtest::readFile(data + "/vmhba5/identify");
    identify.replace(identify.find("INTEL SSDPE2KX020T8"), 19, "ACME NV 1TB");
    ASSERT_TRUE(orbtest::writeFile(data + "/vmhba5/identify", identify));
    std::string smart = orbtest::readFile(data + "/vmhba4/smart");
    smart.erase(smart.find("   Read Only Mode"),
                smart.find("   Volatile") - smart.find("   Read Only Mode"));
    ASSERT_TRUE(orbtest::writeFile(data + "/vmhba4/smart", smart));

    orbtest::LogMark mark;
    ASSERT_EQ(manager->cacheBuild(), 0);
    EXPECT_EQ(access("nvme-pwned", F_OK), -1);
    EXPECT_THAT(mark.mainSince(), HasSubstr("[" + hostile + "] holds characters"));
    EXPECT_THAT(mark.mainSince(), HasSubstr("has a device name of unexpected form"));
    // A log without the bit cannot say the drive is healthy.
    EXPECT_THAT(listed(1),
                ::testing::ElementsAre("S55JNC0R700123 Unknown", "PHLJ915001AB2P0BGN OK"));
    std::vector<Json::Value> controllers;
    manager->getInventoryJsonObject2(1, controllers);
    ASSERT_EQ(controllers.size(), 2u);
    EXPECT_EQ(controllers[1]["Model"], "ACME NV 1TB");
    EXPECT_EQ(controllers[1]["PartNumber"], "NotAvailable");
    EXPECT_EQ(listed(2).size(), 2u);
    EXPECT_TRUE(manager->isInventoryReady(0));

    // A listing that fails, or prints nothing, says nothing: the last inventory stays.
    for (const char* tool : {"echo 'Error: Connect to hostd failed' >&2\nexit 1\n", "exit 0\n"}) {
        replaceTool("nvme/device/list", tool);
        EXPECT_EQ(manager->cacheBuild(), -1) << tool;
        EXPECT_EQ(listed(1).size(), 2u) << tool;
    }

    // A listing without adapters is a host without NVMe drives: a complete, empty inventory.
    replaceTool("nvme/device/list",
                "echo 'HBA Name  Status  Signature'\necho '--------  ------  ---------'\n");
    EXPECT_EQ(manager->cacheBuild(), 0);
    EXPECT_TRUE(listed(1).empty());
    EXPECT_TRUE(listed(2).empty());
    EXPECT_TRUE(manager->isInventoryReady(0));
    EXPECT_TRUE(manager->isRunning());
    EXPECT_EQ(orbtest::occurrences(orbtest::mainLog(), "zero NVMe cards identified"), 1u);
    manager->cacheBuild();
    EXPECT_EQ(orbtest::occurrences(orbtest::mainLog(), "zero NVMe cards identified"), 1u);
}

}  // namespace
