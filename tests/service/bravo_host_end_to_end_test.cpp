// The whole service on bravo: an unclean end of the previous run before this boot, the
// SmartRAID 3154-8e's drive in external bay 0, the MegaRAID 9361-4i's volume and one of its
// drives, vmnic0, the QLogic HBA's port and the Micron NVMe drive each fail and recover.
#include "service/whole_service.h"

ORB_TEST_HOST("bravo");

namespace {

using orbtest::rootPath;
using orbtest::WholeService;
using orbtest::writeFile;

// bravo lists no HBA API library; here its QLogic QLE2692 (slot 3, vmhba2) is described by
// one, and `localcli storage san fc list` answers from the same description, as on default.
void describeFibreChannel() {
    ASSERT_TRUE(writeFile(rootPath("/etc/config/vex/orb/hba.conf"),
                          "QLogic\t/usr/lib/vmware/hba/libhbaapi-second.so\n"));
    ASSERT_TRUE(writeFile(rootPath("/var/lib/sim-hba/libhbaapi-second.adapters"),
                          "adapter com.qlogic-QLE2692-0\n"
                          "os-name vmhba2\n"
                          "manufacturer QLogic Corporation\n"
                          "model QLE2692\n"
                          "description QLogic QLE2692 16Gb Fibre Channel Adapter\n"
                          "serial RFD1842K05678\n"
                          "firmware 9.08.02\n"
                          "rom 3.65\n"
                          "hardware 00000002\n"
                          "driver qlnativefc\n"
                          "driver-version 4.1.35.0\n"
                          "node 20:00:f4:e9:d4:56:78:9a\n"
                          "port 21:00:f4:e9:d4:56:78:9a Online\n"));
    const std::string listing = "/bin/localcli.d/storage/san/fc/list";
    ASSERT_TRUE(writeFile(rootPath(listing),
                          orbtest::readFile(orbtest::sourcePath("sim/hosts/default" + listing))));
    ASSERT_EQ(chmod(rootPath(listing).c_str(), 0755), 0);
}

TEST_F(WholeService, BravoHostReportsEveryFamilyToTheRmcAndStopsInOrder) {
    describeFibreChannel();
    // The previous run started after its last orderly stop and never stopped, before this boot.
    ASSERT_TRUE(writeFile(rootPath("/var/tmp/vexORBStartup.txt"),
                          "current_start 0\nlast_start 1764990000\nlast_stop 1764900000\n"));
    run({
        "0 drive sg3 fault log-2f medium-error\n"
        "0 megaraid 0 pd 8:1 state 0x11\n"
        "0 megaraid 0 ld 0 state 2\n"
        "0 nic vmnic0 link Down\n"
        "0 fc 21:00:f4:e9:d4:56:78:9a state Linkdown\n"
        "0 nvme vmhba4 smart \"Read Only Mode\" true\n",
        "0 drive sg3 fault none\n"
        "0 megaraid 0 pd 8:1 state 0x14\n"
        "0 megaraid 0 ld 0 state 3\n"
        "0 nic vmnic0 link Up\n"
        "0 fc 21:00:f4:e9:d4:56:78:9a state Online\n"
        "0 nvme vmhba4 smart \"Read Only Mode\" false\n",
        {
            {"host", {}, {360, 356}},
            {"sas", {"WFN2K7Q1"}, {538, 540}},
            {"megaraid", {"0BGMR202", "SKB7654321:0"}, {538, 681, 540, 683}},
            {"nic", {"vmnic0"}, {1384, 1390}},
            {"fc", {"20:00:f4:e9:d4:56:78:9a"}, {386, 1391}},
            {"nvme", {"22373A1B2C3D"}, {837, 538, 835, 540}},
        },
    });
}

}  // namespace
