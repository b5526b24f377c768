// The findings text of a consistency check, and the I/O loading rule check of a chassis.
#include <gtest/gtest.h>

#include "megaraid/io_loading_helper.h"
#include "megaraid/megaraid_cc_state.h"

namespace {

TEST(ConsistencyCheckState, FindingsText) {
    struct Case {
        uint64_t corrected, uncorrectable, parity;
        bool tooMany;
        const char* text;
    };
    for (const Case& c :
         {Case{0, 0, 0, false, ""},
          Case{2, 0, 1, false, "# Corrected medium errors = 2; # Inconsistent parity = 1"},
          Case{1, 0, 3, true, "# Inconsistent parity > 10"},
          Case{1, 4, 3, true,
               "# Inconsistent parity > 10; # Uncorrectable multiple medium errors = 4"}}) {
        orbMegaRAIDLogicalDiskConsistencyCheckState state;
        state.setCorrectedMediumErrorCount(c.corrected);
        state.setUncorrectableMultipleMediumErrorCount(c.uncorrectable);
        state.setInconsistentParityCount(c.parity);
        state.setTooManyInconsistentParityDetected(c.tooMany);
        EXPECT_EQ(state.getStateInfoString(), c.text);
        state.resetCCState();
        EXPECT_EQ(state.getStateInfoString(), "");
    }
}

_ORB_SERVER_CHASSIS_IO_ENTRY card(uint32_t board, const char* pci, const char* slot) {
    _ORB_SERVER_CHASSIS_IO_ENTRY entry;
    entry.chipset = 0x10E21000;
    entry.board = board;
    entry.pciLocation = pci;
    entry.slot = slot;
    return entry;
}

TEST(IOLoadingRules, OnlyARuleMetInFullChangesTheChassis) {
    const _ORB_IO_LOADING_RULE twoCards{
        "two", {{0x10E21000, 0x40001000, "2", 1, 0}, {0x10E21000, 0x40001000, "5", 2, 16}}};
    const _ORB_IO_LOADING_RULE oneCard{"one", {{0x10E21000, 0x40001000, "2", 1, 0}}};

    // Half of a rule met: nothing assigned, nothing marked.
    _ORB_SERVER_CHASSIS_IO_LOADING_TABLE partial;
    partial.entries["0000:5e:00.0"] = card(0x40001000, "0000:5e:00.0", "02");
    EXPECT_FALSE(orbIOLoadingHelper::checkAndApplyMegaRAID9560LoadingRuleForChassis(
        twoCards, "r001u01", partial));
    EXPECT_EQ(partial.entries["0000:5e:00.0"].enclosureBoxNumber, -1);
    EXPECT_FALSE(partial.entries["0000:5e:00.0"].compliant);
    EXPECT_TRUE(orbIOLoadingHelper::checkAndApplyMegaRAID9560LoadingRuleForChassis(
        oneCard, "r001u01", partial));
    EXPECT_TRUE(partial.compliant);
    EXPECT_EQ(partial.entries["0000:5e:00.0"].enclosureBoxNumber, 1);

    // One card more than the rule allows: the chassis is not compliant, whatever the rest.
    _ORB_SERVER_CHASSIS_IO_LOADING_TABLE extra;
    extra.entries["0000:5e:00.0"] = card(0x40001000, "0000:5e:00.0", "2");
    extra.entries["0000:af:00.0"] = card(0x40101000, "0000:af:00.0", "4");
    EXPECT_FALSE(orbIOLoadingHelper::checkAndApplyMegaRAID9560LoadingRuleForChassis(
        oneCard, "r001u01", extra));
    EXPECT_FALSE(extra.compliant);
    EXPECT_FALSE(extra.entries["0000:5e:00.0"].compliant);
}

}  // namespace
