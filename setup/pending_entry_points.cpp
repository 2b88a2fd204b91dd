// The least bodies of the entry points whose subsystems are not built yet; see the
// header. Without a toolkit, start-up fails exactly as it does without a display.
#include "setup/pending_entry_points.h"

#include <cstdio>

#include "setup/components.h"
#include "setup/install_options.h"
#include "shared/indgen.h"

void abSetup(const char*, const char*, const char*, const char*) {}
void init_prior_to_gui(int*, char**) {}

int WGUIInit(int*, char**, GApplication*, bool, bool, int) {
    const char* name = gen_getprogname();
    fprintf(stderr, "%s failed to start up in GUI mode\n", name);
    fprintf(stderr, "Check that your DISPLAY environment variable is set appropriately, or\n");
    fprintf(stderr, "enter the display name on the command line with '%s -display xxx'\n", name);
    fprintf(stderr, "This program is only available in GUI mode, so you must have an X server\n");
    gen_exit(1);
    return 0;
}

int WEventAll(int) { return 1; }
long WYield(long, bool) { return 0; }
bool NoMoreWindows() { return true; }
void WDrawExit() {}
void cleanup_after_gui() {}
void wAlert(const char* text, unsigned long) { printf("%s\n", text); }
int wYesNo(const char*, int defaultAnswer, unsigned long) { return defaultAnswer; }


char* ChooseDirectory(const char*, const char*) { return nullptr; }

void CreateMainWindow() {}
void DestroyMainWindow() {}
