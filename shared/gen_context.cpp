// The process context of the file layer: the current directory (cached until the next
// gen_chdir), the home directory and the user name (each looked up once) and environment
// values with a fallback.
#include "shared/gen_context.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "shared/gen_messages.h"
#include "shared/gen_strings.h"

namespace {

char cwdCache[1025]; // empty while invalid

bool homeKnown = false;
char* homeDir = nullptr;

bool userKnown = false;
char* userName = nullptr;

} // namespace

const char* gen_getcwd() {
    if (cwdCache[0] != '\0') return cwdCache;
    if (getcwd(cwdCache, sizeof cwdCache - 1) != nullptr) return cwdCache;
    cwdCache[0] = '\0';
    // The directory we stand in may have been removed; the home is the next best anchor
    // for relative names, and is not cached so a later gen_chdir takes effect again.
    const char* home = gen_gethomedir();
    if (home == nullptr) gen_errorexit(1, "Could not get current working directory.");
    return home;
}

void gen_invalidate_cwd() {
    cwdCache[0] = '\0';
}

const char* gen_gethomedir() {
    if (homeKnown) return homeDir;
    homeKnown = true;
    const char* fromEnvironment = getenv("HOME");
    if (fromEnvironment != nullptr && fromEnvironment[0] != '\0') {
        // A copy: a later setenv must not pull the answer from under its users.
        homeDir = gen_copy(fromEnvironment);
    } else {
        struct passwd* entry = getpwuid(getuid());
        if (entry != nullptr && entry->pw_dir != nullptr) homeDir = gen_copy(entry->pw_dir);
    }
    return homeDir;
}

char* gen_getusername() {
    if (!userKnown) {
        userKnown = true;
        struct passwd* entry = getpwuid(getuid());
        if (entry != nullptr && entry->pw_name != nullptr && entry->pw_name[0] != '\0')
            userName = gen_copy(entry->pw_name);
    }
    return gen_copy(userName);
}

const char* gen_getenv(const char* name, const char* fallback) {
    if (name == nullptr) return fallback;
    const char* value = getenv(name);
    return value != nullptr && value[0] != '\0' ? value : fallback;
}
