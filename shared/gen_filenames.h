// File-name text: separator and suffix rules, the canonical form, joining and expansion
// of "~" and relative names. No function here touches the file system except the
// expansions (home directory, current directory) and gen_relative_filename's resolve.
#pragma once

const char* gen_basename(const char* name);  // into name; null for null
const char* gen_msw_basename(const char* name);
const char* gen_basename_anyhost(const char* name);
bool gen_is_basename(const char* name);
char* gen_dirname(const char* name);         // "/" directly under the root; null without '/'
bool gen_absolutefilename(const char* name); // begins with '/' or '~'

// Rewrite in place to the canonical form; return the argument.
char* gen_canonicalfilename(char* name);
char* gen_unix_canonicalfilename(char* name);
char* gen_msw_canonicalfilename(char* name);

char* gen_sconcat(const char* dir, const char* name);
char* gen_sconcatf(char* dir, const char* name);
char* gen_dconcat(const char* dir, const char* name);
char* gen_dconcatf(char* dir, const char* name);
char* gen_ddconcat(const char* a, const char* b, const char* c);
char* gen_dsconcat(const char* a, const char* b, const char* c);
char* gen_ddsconcat(const char* a, const char* b, const char* c, const char* d);

char* gen_expand_filename(const char* name);
char* gen_expand_filename_using_cwd(const char* dir, const char* name);

const char* gen_getsuffix(const char* name);  // into name, or "so"/"sa", or null
bool gen_issuffix(const char* name, const char* suffix);
char* gen_addsuffix(const char* name, const char* suffix);
char* gen_changesuffix(const char* name, const char* suffix);
bool gen_FilenameTailCmp(const char* path, const char* tail, bool case_sensitive);
bool gen_isDirSubdirOfDir(const char* dir, const char* parent);
char* gen_relative_filename(const char* dir, const char* file, bool resolve);
const char* gen_getdot();
