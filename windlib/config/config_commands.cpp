// The handlers of the Func options (see config_commands.h). They return 1 when the line
// was taken; a 0 makes the line reader report the value as not valid.
#include "windlib/config/config_commands.h"

#include <unistd.h>

#include "placer/run_time/plcword.h"
#include "shared/gen_filenames.h"
#include "shared/gen_fileops.h"
#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "windlib/config/config_dirs.h"
#include "windlib/config/config_files.h"
#include "windlib/config/config_options.h"

bool cfg_useWMHinting;
bool cfg_iconifyNextWindow;
char* cfg_iconGeometry;
bool cfg_dontUseMVC;
bool cfg_configuredFromOtherFile;

namespace {

// A file that configures itself (or two that name each other) must not recurse forever.
const int kMaxNestedFiles = 10;
int nestedFiles;

int ReadNamedFile(const char* text, const char* relativeTo) {
    char* name = plcParseWord(text);
    if (!name) return 0;
    char* path = gen_expand_filename_using_cwd(relativeTo, name);
    gen_free(name);
    int taken = 0;
    if (nestedFiles >= kMaxNestedFiles) {
        gen_error("Configuration files nested too deeply: %s", path);
    } else if (gen_access(path, R_OK) != 0) {
        gen_error("Can't open configuration file: %s", path);
    } else {
        ++nestedFiles;
        taken = cfg_ReadFile(path, true) ? 1 : 0;
        --nestedFiles;
        cfg_configuredFromOtherFile = true;
    }
    gen_free(path);
    return taken;
}

// An empty text means on.
int SetFlag(const char* text, bool* flag) {
    bool value = true;
    if (*text && !cfg_ParseBoolean(text, &value)) return 0;
    *flag = value;
    return 1;
}

} // namespace

int CDoSetConfigDir(const char* text, const void*, intptr_t, intptr_t) {
    char* dir = plcParseWord(text);
    if (!dir) return 0;
    cfg_SetUserConfigDir(dir);
    gen_free(dir);
    return 1;
}

int CDoConfigure(const char* text, const void*, intptr_t, intptr_t) {
    return ReadNamedFile(text, nullptr);
}

int CDoConfigureFile(const char* text, const void*, intptr_t, intptr_t) {
    return ReadNamedFile(text, cfg_GetUserConfigDir(false));
}

int CDoUseWMHinting(const char* text, const void*, intptr_t, intptr_t) {
    return SetFlag(text ? text : "", &cfg_useWMHinting);
}

int CDoIconify(const char* text, const void*, intptr_t, intptr_t) {
    return SetFlag(text ? text : "", &cfg_iconifyNextWindow);
}

int CDoDontUseMVC(const char* text, const void*, intptr_t, intptr_t) {
    return SetFlag(text ? text : "", &cfg_dontUseMVC);
}

int CDoIconGeometry(const char* text, const void*, intptr_t, intptr_t) {
    char* geometry = plcParseWord(text);
    // The X geometry form "#+x+y" is accepted as "+x+y".
    const char* start = geometry && *geometry == '#' ? geometry + 1 : geometry;
    gen_strchange(&cfg_iconGeometry, start && *start ? start : nullptr);
    gen_free(geometry);
    return 1;
}

int cfg_DevEnvCommand(const char*, const void*, intptr_t, intptr_t) {
    return 1;
}
