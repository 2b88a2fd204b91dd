// Debug switches: one process-wide table of 1480 on/off bytes, most of them named, that
// enable fixes and diagnostics. Code reads debugFlag[index] directly; users set switches
// by name or number. Settings made before a sharing connection exists are queued.
// The table's data is xswitch_table.cpp; sharing with other tools is xswitch_service.h.
#pragma once

class RetryHandler;

enum { kNumDebugFlags = 1480 };

extern unsigned char debugFlag[kNumDebugFlags];
extern const char* debugFlagName[kNumDebugFlags];

// Indices of the switches the toolkit and the installer read.
enum DebugFlagIndex {
    kSwitchStatistics = 22,
    kSwitchUnnamed49 = 49,
    kSwitchFlatToolbars = 50,
    kSwitchNeverEverShowADialog = 100,
    kSwitchDashRunFixes = 187,
    kSwitchUseVbugrptForXerrors = 221,
    kSwitchBetterButtonSpacers = 641, // not read by the installer
    kSwitchButtonsHaveFocus = 651,
    kSwitchMRUService = 661,
    kSwitchConfigService = 662,
    kSwitchCntlCUnixBreak = 585,
    kSwitchFixXDeathMessages = 597,
    kSwitchUseNearestColors = 692,
    kSwitchVizazazar = 828,
    kSwitchSilentBmpError = 9,
    kSwitchNewServerProtocol = 1059,
    kSwitchUseFDRegistry = 1066,
    kSwitchServiceRouter = 1117,
    kSwitchSetEnvWhenDisplayIsGiven = 1126,
    kSwitchDontAllowNullInConfigOptions = 1149,
    kSwitchWindowManager = 1264,
    kSwitchUseDoubleBuffering = 1270,
    kSwitchUseSingleConfigFile = 1274,
    kSwitchUseHelpService = 1353
};

// Builds the table: names and defaults. Called once before any switch source is read.
void InitDebugFlag();
// The index a name or a decimal number names, or -1.
int GetXSwitchIndex(const char* text);
// The name at 1 <= index < 1480, else null (also for a nameless index).
const char* debugFlag_NameFromIndex(int index);
// 1 when the switch was set, 0 when the text names no switch.
int setXSwitch(const char* text, bool value);
int setXSwitch(int index, bool value);
// Applies the dependencies between switches once all sources are read.
void ConstrainXSwitches();

// Connects switch sharing and publishes the settings queued so far; false (queue kept)
// when there is no sharing service.
bool initializeXSwitchService(RetryHandler* retry);
// Drops the connection; later settings are queued again.
void shutdownXSwitchService();
