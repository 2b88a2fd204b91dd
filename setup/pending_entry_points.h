// Entry points main calls whose subsystems are not built yet: the window toolkit, the
// configuration, the debug switches, discovery, patches and the wizard. Each is declared
// here under its own name with the least body that builds (pending_entry_points.cpp);
// as a subsystem lands, its real header replaces the declaration here.
#pragma once

class GApplication;
class InstallOptions;

void abSetup(const char* program, const char* subtitle, const char* title, const char* extra);
void init_prior_to_gui(int* argc, char** argv);
int WGUIInit(int* argc, char** argv, GApplication* app, bool startRouter, bool help,
             int programId);
int WEventAll(int allowAbort);
long WYield(long waitMs, bool dontCheckQueue);
bool NoMoreWindows();
void WDrawExit();
void cleanup_after_gui();
void wAlert(const char* text, unsigned long parent);
int wYesNo(const char* question, int defaultAnswer, unsigned long parent);

// The directory chooser: a new copy of the directory the user picked, or null when the
// user cancelled.
char* ChooseDirectory(const char* title, const char* root);


// The wizard window: theMainWindow = new MainWindow, and its deletion after the loop.
void CreateMainWindow();
void DestroyMainWindow();
