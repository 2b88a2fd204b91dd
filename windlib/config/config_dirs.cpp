// The configuration directories and file names (see config_dirs.h). Each directory is
// computed once and kept until gen_cleanupconfigdirs; the switches are read on every call
// because the switch files may change them after the first use.
#include "windlib/config/config_dirs.h"

#include <unistd.h>

#include "shared/gen_context.h"
#include "shared/gen_filenames.h"
#include "shared/gen_fileops.h"
#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "windlib/config/config_display.h"
#include "xswitch/xswitch.h"

namespace {

char* userDir;       // home/.vtx or the directory "configdir" named
char* validationDir; // ./val_cfg, with dashRunFixes
char* siteDir;
char* siteDefaultDir;
bool userDirFailureReported;

bool Exists(const char* path) {
    return gen_access(path, F_OK) == 0;
}

const char* ValidationDir(bool create) {
    if (!validationDir) validationDir = gen_dconcat(gen_getcwd(), "val_cfg");
    if (create && gen_createdir(validationDir, 0755) != 0) gen_error("VALIDATION CFG FAILED");
    return validationDir;
}

} // namespace

const char* cfg_GetUserConfigDir(bool create) {
    if (debugFlag[kSwitchDashRunFixes]) return ValidationDir(create);
    if (!userDir) userDir = gen_dconcat(gen_gethomedir(), ".vtx");
    if (create && !gen_isdir(userDir) && gen_createdir_recursive(userDir, 0755) != 0 &&
        !userDirFailureReported) {
        userDirFailureReported = true;
        char* text = gen_concat("Couldn't create user config directory: ", userDir);
        cfg_Alert(text);
        gen_free(text);
    }
    return userDir;
}

const char* cfg_GetSiteConfigDir() {
    if (!siteDir) siteDir = gen_dconcat(gen_getprogdir(), "config");
    return siteDir;
}

const char* cfg_GetSiteDefaultConfigDir() {
    if (!siteDefaultDir) siteDefaultDir = gen_dconcat(gen_getprogdir(), "defaults");
    return siteDefaultDir;
}

void cfg_SetUserConfigDir(const char* dir) {
    gen_free(userDir);
    userDir = gen_expand_filename(dir);
    userDirFailureReported = false;
}

char* cfg_CreateConfigFilename(const char* dir, const char* program, bool perProgram,
                               bool forWriting) {
    char* own = gen_changesuffix(gen_basename(program), "cfg");
    char* path = nullptr;
    if (debugFlag[kSwitchUseSingleConfigFile] && !perProgram) {
        char* override = gen_ddconcat(dir, "override", own);
        char* shared = gen_dconcat(dir, "vtx.cfg");
        if (!forWriting && Exists(override)) {
            path = override;
            override = nullptr;
        } else if (forWriting || Exists(shared)) {
            path = shared;
            shared = nullptr;
        }
        gen_free(override);
        gen_free(shared);
    }
    if (!path) path = gen_dconcat(dir, own);
    gen_free(own);
    return path;
}

void gen_cleanupconfigdirs() {
    char** dirs[] = {&userDir, &validationDir, &siteDir, &siteDefaultDir};
    for (char** dir : dirs) {
        gen_free(*dir);
        *dir = nullptr;
    }
    userDirFailureReported = false;
}
