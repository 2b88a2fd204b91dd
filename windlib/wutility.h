// Bringing the toolkit up over the display (WGUIInit) and the application object it makes
// when the program brings none. The order of a program's start-up and shutdown:
//   abSetup, init_prior_to_gui, WGUIInit ... loop ... WDrawExit, cleanup_after_gui.
#pragma once

class GApplication;

// Opens the display and sets up the toolkit; true when the drawing layer came up. A
// display that does not open ends the program with status 1. `programId` 20002 and 20003
// are the stand-alone programs (no window-manager service, no service router).
bool WGUIInit(int* argc, char** argv, GApplication* app, bool startRouter, bool help,
              int programId);
// Deletes the application object WGUIInit made (not one the program passed in).
void WGUIDestroy();
bool WGUIInitialized();
