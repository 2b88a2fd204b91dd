// Where configuration lives: the user's directory (home/.vtx, or the one "configdir" names,
// or ./val_cfg while validation runs with dashRunFixes), the site's (the program's
// directory/config), the site defaults (the program's directory/defaults), and the name of
// the configuration file a program reads from one of them.
#pragma once

// The user configuration directory; with `create` it is made (mode 0755) when missing and
// a failure is reported once. The text belongs to this module until gen_cleanupconfigdirs.
const char* cfg_GetUserConfigDir(bool create);
const char* cfg_GetSiteConfigDir();
const char* cfg_GetSiteDefaultConfigDir();
// Makes `dir` (expanded) the user configuration directory from now on.
void cfg_SetUserConfigDir(const char* dir);

// The configuration file of `program` in `dir`, a new text (gen_free). With the switch
// UseSingleConfigFile on, the first that exists of override/<program>.cfg, vtx.cfg and
// <program>.cfg; off, or with `perProgram`, always <program>.cfg. With `forWriting` nothing
// is looked up: the shared vtx.cfg (switch on) or <program>.cfg is the answer.
char* cfg_CreateConfigFilename(const char* dir, const char* program, bool perProgram,
                               bool forWriting);

// Forgets every directory computed or set so far.
void gen_cleanupconfigdirs();
