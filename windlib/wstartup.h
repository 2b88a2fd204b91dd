// The toolkit's own options, read before the display opens (init_prior_to_gui): the switch
// files, the -X/-Z switch settings and the handful of words the toolkit takes out of argv
// before the program sees it. Also the modes they set. Start with init_prior_to_gui.
#pragma once

#include "shared/gen_messages.h"

extern bool console_mode;                // -console
extern bool display_splash_on_startup;   // NOSPLASH, -splash, -nosplash
extern bool process_default_config_file; // -nocfg clears it
extern int ISDN_mode;                    // -isdn<level>, -noicons (9)
extern unsigned char vfNoColorIcons;     // set from ISDN level 1 on

// Reads the switch files and the toolkit options, removing the options it consumes from
// argv (the rest keep their order; *argc is updated and the freed tail set to null).
void init_prior_to_gui(int* argc, char** argv);
// Applies one switch file; false when it cannot be opened.
bool ReadSwitchFile(const char* path);
// Stores the level and switches off what low-bandwidth levels do without.
void enable_ISDN_mode(int level);
// Writes to standard error in console mode only.
void dprintf(const char* format, ...) GEN_PRINTF(1, 2);
// Releases what init_prior_to_gui and the configuration set up.
void cleanup_after_gui();
