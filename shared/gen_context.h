// The process context the file layer reads: current directory, home directory, user
// name and environment values, each cached as described beside it.
#pragma once

const char* gen_getcwd();       // into the cache; the next gen_chdir invalidates it
void gen_invalidate_cwd();
const char* gen_gethomedir();   // computed once, not a copy
char* gen_getusername();        // new copy, or null
const char* gen_getenv(const char* name, const char* fallback);
