// Reading configuration: the site and user files and the configuration server's lines
// (shr_ReadConfigFiles), one file (cfg_ReadFile) and one line (cfg_ScanLine). A line is an
// option name and a value, separated by blanks, a colon or an equals sign.
#pragma once

// Reads the site file, takes the site-level snapshot, reads the user file and the server's
// lines, then refreshes colours when the display is up. Returns 1.
int shr_ReadConfigFiles(const char* program);
// Applies every line of one file; false when it cannot be opened (silently) or when the
// 50th bad line abandons it.
bool cfg_ReadFile(const char* path, bool fromFile);
// Applies one line and reports what is wrong with it; 1 on success.
int cfg_ScanLine(const char* line, bool fromFile, bool local);
