// The least bodies of the entry points whose subsystems are not built yet; see the
// header. Without a toolkit, start-up fails exactly as it does without a display.
#include "setup/pending_entry_points.h"

#include <cstdio>

#include "setup/components.h"
#include "setup/install_options.h"
#include "shared/indgen.h"

void wAlert(const char* text, unsigned long) { printf("%s\n", text); }
int wYesNo(const char*, int defaultAnswer, unsigned long) { return defaultAnswer; }

char* ChooseDirectory(const char*, const char*) { return nullptr; }

void CreateMainWindow() {}
void DestroyMainWindow() {}
