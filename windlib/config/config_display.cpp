// The "no display" defaults of the configuration's display hooks (see config_display.h).
#include "windlib/config/config_display.h"

#include "shared/gen_messages.h"

namespace {

bool NoDisplay() {
    return false;
}
bool ColorsUsable() {
    return true;
}
bool NoColor(const char*, unsigned long*) {
    return false;
}
void NoPixel(unsigned long) {}
void Nothing() {}
void PrintAlert(const char* text) {
    gen_error("%s", text);
}
bool NoGeometry(ColWind*, ConfigRect*, ConfigRect*, bool*) {
    return false;
}

constexpr ConfigDisplayHooks kNoDisplay = {NoDisplay, ColorsUsable, NoColor,   NoPixel,
                                           Nothing,   Nothing,      Nothing,   Nothing,
                                           Nothing,   PrintAlert,   NoGeometry};

} // namespace

const ConfigDisplayHooks cfg_noDisplayHooks = kNoDisplay;
ConfigDisplayHooks cfg_displayHooks = kNoDisplay;

void cfg_Alert(const char* text) {
    if (cfg_displayHooks.displayUp())
        cfg_displayHooks.alert(text);
    else
        gen_error("%s", text);
}
