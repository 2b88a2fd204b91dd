// The display connection and the facts read from it once it is open, the X resource
// database, and the step that builds one and opens the other (WDrawPreInit). Everything
// here is process-wide; the drawing layer proper starts in xdrawlib.h.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xresource.h>

enum { kDisplayNameSize = 512 };

extern Display* display; // null before start-up and after WDrawExit
extern int screen;
extern Visual* visual;
extern int depth;
extern int screen_width;
extern int screen_height;
extern char display_name[kDisplayNameSize]; // empty: DISPLAY decides
// Server quirk level: 2 and 1 for two servers known to misdraw, else 0.
extern int xbugs;
extern bool XWindowsOn; // between the end of display set-up and WDrawExit
extern XrmDatabase finalDB;

// Builds the resource database from the command line and the resource files, removing the
// options it recognises from argv, and opens the display. A display that does not open
// ends the program with the start-up failure lines and status 1.
void WDrawPreInit(int* argc, char** argv);
// True once WDrawPreInit has opened the display (cleared by WDrawExit).
bool WDrawPreInitCalled();

// The program name (argv[0] after its last '/') and the class name (the same, first letter
// in upper case), as WDrawPreInit found them.
const char* WProgramName();
const char* WClassName();

// The value of "<program>.<name>" (class "<Class>.<className>") in finalDB, or null. Not a
// copy: valid until the database changes.
const char* WGetResource(const char* name, const char* className);
// True when the resource is "on", "yes", "true" or "1" (any letter case).
bool WGetResourceFlag(const char* name, const char* className);

// Forgets the database and the names (after WDrawExit, so a test can start again).
void WDisplayReset();
