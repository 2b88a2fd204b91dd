// The Func options: configuration lines that run a command instead of setting a value
// ("configdir", "configure", "usewmhinting", "iconify", ...), and the state they leave for
// the toolkit. Each handler has the change-handler signature so it can sit in the tables;
// callers outside the tables pass only the text.
#pragma once

#include <cstdint>

// Set by "usewmhinting" (and the -wmhints option): let the window manager place windows.
extern bool cfg_useWMHinting;
// Set by "iconify": the next top-level window starts iconified.
extern bool cfg_iconifyNextWindow;
// Set by "icongeometry": where icons go; gen_alloc text or null.
extern char* cfg_iconGeometry;
// Set by "dontusemvc": keep the built-in version control out of this process.
extern bool cfg_dontUseMVC;
// Set when a "configure" line read another configuration file.
extern bool cfg_configuredFromOtherFile;

// Replaces the user configuration directory (see config_dirs.h).
int CDoSetConfigDir(const char* text, const void* parsed = nullptr, intptr_t oldValue = 0,
                    intptr_t newValue = 0);
// Reads another configuration file, relative names against the current directory.
int CDoConfigure(const char* text, const void* parsed = nullptr, intptr_t oldValue = 0,
                 intptr_t newValue = 0);
// Reads another configuration file, relative names against the user configuration directory.
int CDoConfigureFile(const char* text, const void* parsed = nullptr, intptr_t oldValue = 0,
                     intptr_t newValue = 0);
// Boolean text, empty meaning on.
int CDoUseWMHinting(const char* text, const void* parsed = nullptr, intptr_t oldValue = 0,
                    intptr_t newValue = 0);
int CDoIconify(const char* text, const void* parsed = nullptr, intptr_t oldValue = 0,
               intptr_t newValue = 0);
int CDoIconGeometry(const char* text, const void* parsed = nullptr, intptr_t oldValue = 0,
                    intptr_t newValue = 0);
int CDoDontUseMVC(const char* text, const void* parsed = nullptr, intptr_t oldValue = 0,
                  intptr_t newValue = 0);
// Menus, keys, mice, buttons and the like belong to the development environment's tools,
// which share the configuration file; the line is accepted and left to them.
int cfg_DevEnvCommand(const char* text, const void* parsed = nullptr, intptr_t oldValue = 0,
                      intptr_t newValue = 0);
