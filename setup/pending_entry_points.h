// Entry points main calls whose subsystems are not built yet: the window toolkit, the
// configuration, the debug switches, discovery, patches and the wizard. Each is declared
// here under its own name with the least body that builds (pending_entry_points.cpp);
// as a subsystem lands, its real header replaces the declaration here.
#pragma once

#include "windlib/dialog/wyesno.h"

class GApplication;
class InstallOptions;

// The directory chooser titled `title` and rooted at `root`: a new copy of the directory the
// user picked, or null when the user cancelled.
char* ChooseDirectory(const char* title, const char* root);

// The wizard window: theMainWindow = new MainWindow, and its deletion after the loop.
void CreateMainWindow();
void DestroyMainWindow();
