// The whole service on the default host: the reboot its start-up file tells of, the
// SmartRAID's drive in bay 0, the MegaRAID's RAID1 volume and one of its drives, vmnic0, the
// Emulex HBA's second port and the Samsung NVMe drive each fail and recover.
#include "service/whole_service.h"

namespace {

using orbtest::WholeService;

TEST_F(WholeService, DefaultHostReportsEveryFamilyToTheRmcAndStopsInOrder) {
    run({
        "0 drive sg2 fault log-2f medium-error\n"
        "0 megaraid 0 pd 252:1 state 0x11\n"
        "0 megaraid 0 ld 0 state 2\n"
        "0 nic vmnic0 link Down\n"
        "0 fc 10:00:00:10:9b:7e:3c:42 state Linkdown\n"
        "0 nvme vmhba4 smart \"Read Only Mode\" true\n",
        "0 drive sg2 fault none\n"
        "0 megaraid 0 pd 252:1 state 0x14\n"
        "0 megaraid 0 ld 0 state 3\n"
        "0 nic vmnic0 link Up\n"
        "0 fc 10:00:00:10:9b:7e:3c:42 state Online\n"
        "0 nvme vmhba4 smart \"Read Only Mode\" false\n",
        {
            {"host", {}, {359, 356}},
            {"sas", {"WFK1A2B3"}, {538, 540}},
            {"megaraid", {"WFN2MR02", "SKC1234567:0"}, {538, 681, 540, 683}},
            {"nic", {"vmnic0"}, {1384, 1390}},
            {"fc", {"20:00:00:10:9b:7e:3c:41"}, {386, 1391}},
            {"nvme", {"S55JNC0R700123"}, {837, 538, 835, 540}},
        },
    });
}

}  // namespace
