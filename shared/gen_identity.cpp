// Who the program is and where it lives: the identity globals that gen_init fills, the
// program directory found on first use, and the shell-like search for executables.
// Start at gen_findexec; everything else here is an accessor around it.
#include "shared/gen_identity.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "shared/gen_filenames.h"
#include "shared/gen_fileops.h"
#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"

char* gen_progname = nullptr;
char* gen_execname = nullptr;
char* gen_progdir = nullptr;

const char* gen_getprogname() {
    return gen_progname;
}

void gen_changeprogname(const char* name) {
    char* copy = gen_copy(name); // name may be the current value
    gen_free(gen_progname);
    gen_progname = copy;
}

const char* gen_getprogdir() {
    if (!gen_progdir) gen_progdir = gen_findexecdir(gen_execname, false, true);
    return gen_progdir;
}

void gen_changeprogdir(const char* dir) {
    char* resolved = gen_realpath(dir);
    gen_free(gen_progdir);
    gen_progdir = resolved;
}

char* gen_realpath(const char* path) {
    if (!path) return nullptr;
    char* resolved = realpath(path, nullptr);
    if (!resolved) return gen_copy(path);
    char* copy = gen_copy(resolved);
    free(resolved); // the C library's own allocation
    return copy;
}

int gen_canexec(const char* path) {
    if (!path || !*path || gen_access(path, F_OK) != 0) return -1;
    if (gen_isdir(path)) return 0;
    return gen_access(path, X_OK) == 0 ? 1 : 0;
}

namespace {

// dir joined with name when that is executable, else null.
char* TryIn(const char* dir, const char* name) {
    char* candidate = *dir ? gen_sconcat(dir, name) : gen_copy(name);
    if (gen_canexec(candidate) == 1) return candidate;
    gen_free(candidate);
    return nullptr;
}

char* SearchPath(const char* name) {
    const char* path = getenv("PATH");
    if (!path) return nullptr;
    char* elements = gen_copy(path);
    char* found = nullptr;
    // Split by hand: strtok would drop the empty elements that stand for ".".
    for (char* element = elements; element && !found;) {
        char* colon = strchr(element, ':');
        if (colon) *colon = '\0';
        found = TryIn(element, name);
        element = colon ? colon + 1 : nullptr;
    }
    gen_free(elements);
    return found;
}

char* Locate(const char* name, bool search_progdir) {
    if (strcmp(gen_basename(name), name) != 0) {
        char* expanded = gen_expand_filename(name);
        if (gen_canexec(expanded) == 1) return expanded;
        gen_free(expanded);
        return nullptr;
    }
    if (search_progdir) {
        const char* dir = gen_getprogdir();
        char* found = dir ? TryIn(dir, name) : nullptr;
        if (found) return found;
    }
    return SearchPath(name);
}

} // namespace

char* gen_findexec(const char* name, bool search_progdir, bool resolve) {
    if (!name || !*name) return nullptr;
    char* found = Locate(name, search_progdir);
    if (found && resolve) {
        char* resolved = gen_realpath(found);
        gen_free(found);
        found = resolved;
    }
    return found;
}

char* gen_findexecdir(const char* name, bool search_progdir, bool resolve) {
    char* found = gen_findexec(name, search_progdir, resolve);
    char* dir = found ? gen_dirname(found) : nullptr;
    gen_free(found);
    return dir;
}

bool gen_is_vendor_dev_program() {
    static int known = -1;
    if (known < 0) {
        const char* dir = gen_getprogdir();
        known = 0;
        if (dir) {
            char* cvs = gen_sconcat(dir, "CVS");
            char* target = gen_sconcat(dir, "../src/target");
            char* configuration = gen_sconcat(dir, "../src/configuration");
            known = gen_isdir(cvs) && gen_isdir(target) && gen_isdir(configuration);
            gen_free(cvs);
            gen_free(target);
            gen_free(configuration);
        }
    }
    return known == 1;
}

bool gen_is_vendor_win32_dev_program() {
    return false;
}
bool gen_is_win98() {
    return false;
}
void gen_set_favorite_slash(char) {}
