// The debug-switch table, finding switches by name and number, setting them and the
// dependencies applied once all switch sources are read.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "xswitch/xswitch.h"
#include "xswitch/xswitch_service.h"

namespace {

class XSwitchTest : public ::testing::Test {
protected:
    void SetUp() override { InitDebugFlag(); }
};

TEST_F(XSwitchTest, TableHoldsNamedAndNamelessDefaults) {
    const std::set<int> namelessOn = {46,  49,  61,  111, 161, 182, 198, 266,
                                      325, 330, 349, 417, 429, 726, 775};
    int named = 0, namedOn = 0, namedOff = 0;
    std::set<int> foundNamelessOn;
    std::set<std::string> names;
    for (int i = 0; i < kNumDebugFlags; ++i) {
        if (debugFlagName[i]) {
            ++named;
            ++(debugFlag[i] ? namedOn : namedOff);
            names.insert(debugFlagName[i]);
        } else if (debugFlag[i]) {
            foundNamelessOn.insert(i);
        }
    }
    EXPECT_EQ(named, 703);
    EXPECT_EQ(namedOn, 491);
    EXPECT_EQ(namedOff, 212);
    EXPECT_EQ(foundNamelessOn, namelessOn);
    EXPECT_EQ(names.size(), 703u) << "a name appears twice";
}

TEST_F(XSwitchTest, IndicesTheProgramReadsNameTheirSwitches) {
    struct {
        int index;
        const char* name;
        int on;
    } const expected[] = {
        {0, "FastActionExec", 1},
        {kSwitchSilentBmpError, "SilentBmpError", 0},
        {kSwitchStatistics, "Statistics", 0},
        {kSwitchFlatToolbars, "flattoolbars", 1},
        {kSwitchNeverEverShowADialog, "NeverEverShowADialog", 0},
        {kSwitchDashRunFixes, "dashRunFixes", 0},
        {kSwitchUseVbugrptForXerrors, "UseVbugrptForXerrors", 0},
        {kSwitchCntlCUnixBreak, "CntlCUnixBreak", 1},
        {kSwitchFixXDeathMessages, "FixXDeathMessages", 1},
        {kSwitchBetterButtonSpacers, "BetterButtonSpacers", 1},
        {kSwitchButtonsHaveFocus, "ButtonsHaveFocus", 1},
        {kSwitchMRUService, "MRUService", 1},
        {kSwitchConfigService, "ConfigService", 1},
        {kSwitchUseNearestColors, "UseNearestColors", 0},
        {kSwitchVizazazar, "Vizazazar", 0},
        {kSwitchNewServerProtocol, "NewServerProtocol", 1},
        {kSwitchUseFDRegistry, "UseFDRegistry", 1},
        {kSwitchServiceRouter, "ServiceRouter", 1},
        {kSwitchSetEnvWhenDisplayIsGiven, "SetEnvWhenDisplayIsGiven", 1},
        {kSwitchDontAllowNullInConfigOptions, "DontAllowNullInConfigOptions", 1},
        {kSwitchWindowManager, "WindowManager", 1},
        {kSwitchUseDoubleBuffering, "UseDoubleBuffering", 1},
        {kSwitchUseSingleConfigFile, "UseSingleConfigFile", 1},
        {kSwitchUseHelpService, "UseHelpService", 1},
    };
    for (const auto& row : expected) {
        EXPECT_EQ(GetXSwitchIndex(row.name), row.index) << row.name;
        EXPECT_EQ(debugFlag[row.index], row.on) << row.name;
    }
    EXPECT_EQ(debugFlagName[kSwitchUnnamed49], nullptr);
    EXPECT_EQ(debugFlag[kSwitchUnnamed49], 1);
}

TEST_F(XSwitchTest, NamesMatchWithoutRegardToCase) {
    EXPECT_EQ(GetXSwitchIndex("UseFDRegistry"), 1066);
    EXPECT_EQ(GetXSwitchIndex("usefdregistry"), 1066);
    EXPECT_EQ(GetXSwitchIndex("USEFDREGISTRY"), 1066);
    EXPECT_EQ(GetXSwitchIndex("UseFDRegistr"), -1);
    EXPECT_EQ(GetXSwitchIndex("UseFDRegistry "), -1); // trailing blanks only follow numbers
    EXPECT_EQ(GetXSwitchIndex(""), -1);
    EXPECT_EQ(GetXSwitchIndex(nullptr), -1);
}

TEST_F(XSwitchTest, DigitsWithTrailingWhiteSpaceAreIndicesBelowTheTableSize) {
    EXPECT_EQ(GetXSwitchIndex("1117"), 1117);
    EXPECT_EQ(GetXSwitchIndex("1117 "), 1117);
    EXPECT_EQ(GetXSwitchIndex("1117\t\n"), 1117);
    EXPECT_EQ(GetXSwitchIndex("0"), 0);
    EXPECT_EQ(GetXSwitchIndex("01479"), 1479);
    EXPECT_EQ(GetXSwitchIndex("46"), 46); // nameless, reachable only by number
    EXPECT_EQ(GetXSwitchIndex("1480"), -1);
    EXPECT_EQ(GetXSwitchIndex("99999"), -1);
    EXPECT_EQ(GetXSwitchIndex("99999999999999999999999999"), -1);
    // Anything else is looked up as a name, and no name looks like these.
    EXPECT_EQ(GetXSwitchIndex("-1"), -1);
    EXPECT_EQ(GetXSwitchIndex("+5"), -1);
    EXPECT_EQ(GetXSwitchIndex(" 5"), -1);
    EXPECT_EQ(GetXSwitchIndex("5 x"), -1);
}

TEST_F(XSwitchTest, NameFromIndexTreatsZeroAndNamelessIndicesAsNoSwitch) {
    EXPECT_STREQ(debugFlag_NameFromIndex(1066), "UseFDRegistry");
    EXPECT_EQ(debugFlag_NameFromIndex(0), nullptr);
    EXPECT_EQ(debugFlag_NameFromIndex(46), nullptr);
    EXPECT_EQ(debugFlag_NameFromIndex(-1), nullptr);
    EXPECT_EQ(debugFlag_NameFromIndex(kNumDebugFlags), nullptr);
}

TEST_F(XSwitchTest, SettingChangesOnlySwitchesThatExist) {
    int queued = XSwitch_NumPending();
    EXPECT_EQ(setXSwitch("46", false), 1);
    EXPECT_EQ(debugFlag[46], 0);
    EXPECT_EQ(setXSwitch(46, true), 0); // by index, a nameless switch is no switch
    EXPECT_EQ(debugFlag[46], 0);
    EXPECT_EQ(setXSwitch(0, false), 0);
    EXPECT_EQ(debugFlag[0], 1);
    EXPECT_EQ(setXSwitch("FastActionExec", false), 1);
    EXPECT_EQ(debugFlag[0], 0);
    EXPECT_EQ(setXSwitch(kSwitchUseFDRegistry, false), 1);
    EXPECT_EQ(debugFlag[kSwitchUseFDRegistry], 0);
    EXPECT_EQ(setXSwitch("NoSuchSwitch", true), 0);
    EXPECT_EQ(setXSwitch("1480", true), 0);
    EXPECT_EQ(XSwitch_NumPending(), queued + 3); // only settings that took effect are queued
}

TEST_F(XSwitchTest, ServiceRouterOffTurnsOffTheSwitchesThatNeedIt) {
    setXSwitch("Vizazazar", true);
    ConstrainXSwitches();
    EXPECT_EQ(debugFlag[kSwitchVizazazar], 1);
    EXPECT_EQ(debugFlag[kSwitchUseHelpService], 1);

    setXSwitch("ServiceRouter", false);
    ConstrainXSwitches();
    EXPECT_EQ(debugFlag[kSwitchVizazazar], 0);
    EXPECT_EQ(debugFlag[kSwitchUseHelpService], 0);
}

} // namespace
