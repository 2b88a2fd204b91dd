// Finding and setting debug switches by name or number (see xswitch.h); the table itself
// is data in xswitch_table.cpp, the sharing with other tools in xswitch_service.cpp.
// Lookups are linear: they happen only while switch files and options are applied.
#include "xswitch/xswitch.h"

#include "shared/gen_strings.h"
#include "xswitch/xswitch_service.h"

namespace {

bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Digits followed by nothing but white space name an index; stores it (or kNumDebugFlags
// when it is out of range) and returns true.
bool ParseSwitchNumber(const char* text, int* index) {
    const char* p = text;
    long value = 0;
    if (*p < '0' || *p > '9') return false;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (value < kNumDebugFlags) value = value * 10 + (*p - '0');
    for (; *p; ++p)
        if (!IsAsciiSpace(*p)) return false;
    *index = value < kNumDebugFlags ? static_cast<int>(value) : kNumDebugFlags;
    return true;
}

} // namespace

int GetXSwitchIndex(const char* text) {
    if (!text || !*text) return -1;
    int index = 0;
    if (ParseSwitchNumber(text, &index)) return index < kNumDebugFlags ? index : -1;
    for (int i = 0; i < kNumDebugFlags; ++i)
        if (debugFlagName[i] && gen_stricmp(debugFlagName[i], text) == 0) return i;
    return -1;
}

const char* debugFlag_NameFromIndex(int index) {
    if (index < 1 || index >= kNumDebugFlags) return nullptr;
    return debugFlagName[index];
}

int setXSwitch(const char* text, bool value) {
    int index = GetXSwitchIndex(text);
    if (index < 0) return 0;
    debugFlag[index] = value ? 1 : 0;
    XSwitch_PublishOrQueue(text, value);
    return 1;
}

int setXSwitch(int index, bool value) {
    const char* name = debugFlag_NameFromIndex(index);
    return name ? setXSwitch(name, value) : 0;
}

void ConstrainXSwitches() {
    // Both talk to services only the service router can reach.
    if (!debugFlag[kSwitchServiceRouter]) {
        debugFlag[kSwitchVizazazar] = 0;
        debugFlag[kSwitchUseHelpService] = 0;
    }
}
