// The toolkit options before the display (see wstartup.h). The scan of argv is one table
// of words; the switch files are read from four directories, later ones overriding.
#include "windlib/wstartup.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shared/gen_filenames.h"
#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"
#include "shared/gen_strings.h"
#include "windlib/config/config_commands.h"
#include "windlib/config/config_dirs.h"
#include "windlib/config/config_options.h"
#include "windlib/config/config_tables.h"
#include "windlib/config/options_db.h"
#include "windlib/devenv_hooks.h"
#include "windlib/wabout.h"
#include "xswitch/xswitch.h"

bool console_mode = false;
bool display_splash_on_startup = true;
bool process_default_config_file = true;
int ISDN_mode = 0;
unsigned char vfNoColorIcons = 0;

namespace {

enum ArgAction { kKeep, kConsume, kStop };

// "$_ORBIT_DIR" in a settings path means the installation directory.
char* ExpandOrbitDir(const char* path) {
    std::string text = path ? path : "";
    const std::string word = "$_ORBIT_DIR";
    const char* dir = gen_getprogdir() ? gen_getprogdir() : "";
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at))
        text.replace(at, word.size(), dir), at += strlen(dir);
    return gen_copy(text.c_str());
}

// The switch-file name: the program's name with its suffix changed to ".xsw".
std::string SwitchFileName() {
    std::string name = gen_getprogname() ? gen_getprogname() : "";
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name + ".xsw";
}

void ReadSwitchFiles() {
    const char* dirs[] = {gen_getprogdir(), cfg_GetSiteDefaultConfigDir(), cfg_GetSiteConfigDir(),
                          cfg_GetUserConfigDir(false)};
    std::string file = SwitchFileName();
    for (const char* dir : dirs) {
        if (!dir) continue;
        ReadSwitchFile((std::string(dir) + "/" + file).c_str());
    }
}

// What one argument does; `i` may step over a value the option takes.
ArgAction Examine(char** argv, int argc, int* i, std::vector<int>* consumed) {
    const char* arg = argv[*i];
    if (arg[0] != '-') return kKeep;
    char c = arg[1];
    if (strcmp(arg, "--") == 0 || strcmp(arg, "-run") == 0 || strcmp(arg, "-rungui") == 0)
        return kStop;
    if (c == 'X' || c == 'Z') {
        const char* name = arg + 2;
        if (GetXSwitchIndex(name) >= 0)
            setXSwitch(name, c == 'X');
        else
            gen_warning("Ignoring unknown switch \"-%s\"", arg + 1);
        return kConsume;
    }
    if (strcmp(arg, "-console") == 0) {
        console_mode = true;
        gen_warning("No console mode available on UNIX yet\n");
        return kConsume;
    }
    if (strcmp(arg, "-configdir") == 0) {
        if (*i + 1 < argc) {
            consumed->push_back(*i);
            ++*i;
            CDoSetConfigDir(argv[*i]);
        }
        return kConsume;
    }
    if (strncmp(arg, "-isdn", 5) == 0) {
        ISDN_mode = isdigit((unsigned char)arg[5]) ? arg[5] - '0' : 1;
        return kConsume;
    }
    if (strcmp(arg, "-nosplash") == 0) {
        display_splash_on_startup = false;
        return kConsume;
    }
    if (strcmp(arg, "-nocfg") == 0) {
        process_default_config_file = false;
        return kConsume;
    }
    if (strcmp(arg, "-noicons") == 0) {
        ISDN_mode = 9;
        return kConsume;
    }
    if (strcmp(arg, "-splash") == 0) {
        display_splash_on_startup = true;
        return kConsume;
    }
    if (strcmp(arg, "-wmhints") == 0) CDoUseWMHinting("1");
    return kKeep;
}

void ScanArguments(int* argc, char** argv) {
    std::vector<int> consumed;
    for (int i = 1; i < *argc; ++i) {
        ArgAction action = Examine(argv, *argc, &i, &consumed);
        if (action == kStop) break;
        if (action == kConsume) consumed.push_back(i);
    }
    int out = 1;
    size_t next = 0;
    for (int i = 1; i < *argc; ++i) {
        if (next < consumed.size() && consumed[next] == i) {
            ++next;
            continue;
        }
        argv[out++] = argv[i];
    }
    for (int i = out; i < *argc; ++i) argv[i] = nullptr;
    *argc = out;
}

} // namespace

void init_prior_to_gui(int* argc, char** argv) {
    display_splash_on_startup = getenv("NOSPLASH") == nullptr;
    abCheckSetup();
    InitDebugFlag();
    ReadSwitchFiles();
    ScanArguments(argc, argv);
    ConstrainXSwitches();
    init_timers();
    vc_Init();
    enable_ISDN_mode(ISDN_mode);
    char level[16];
    snprintf(level, sizeof level, "%d", ISDN_mode);
    Statistics_Record("isdn", level);
    Statistics_Record("splash", display_splash_on_startup ? "yes" : "no");
    OptionsDb::setFileSearchFunction(ExpandOrbitDir);
    ServiceRouter_Proxy_SetDisabled(!debugFlag[kSwitchServiceRouter]);
}

bool ReadSwitchFile(const char* path) {
    FILE* file = fopen(path, "r");
    if (!file) return false;
    char line[1024];
    while (fgets(line, sizeof line, file)) {
        char* p = line;
        while (*p == ' ' || *p == '\t') ++p;
        if (*p == '\0' || *p == '\n' || *p == '#') continue;
        char name[256];
        int value = 0;
        int fields = sscanf(p, "%255s %d", name, &value);
        if (fields < 2) {
            // No value: the line is ignored; a value that is no number reads as 0.
            char word[256];
            if (sscanf(p, "%255s %255s", name, word) < 2) continue;
            value = 0;
        }
        if (GetXSwitchIndex(name) < 0) {
            gen_warning("Ignoring unknown option \"%s\" in \"%s\"", name, path);
            continue;
        }
        setXSwitch(name, value != 0);
    }
    fclose(file);
    return true;
}

void enable_ISDN_mode(int level) {
    ISDN_mode = level;
    if (level >= 1) {
        vfNoColorIcons = 1;
        setXSwitch(kSwitchFlatToolbars, false);
    }
    if (level >= 2) {
        vfBlinkingCaret = 0;
        TooltipsOn = 0;
    }
    if (level >= 8) vfIconifiedButtons = 0;
    if (level >= 9) colorsyntax = 0;
}

void dprintf(const char* format, ...) {
    if (!console_mode) return;
    va_list args;
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
}

void cleanup_after_gui() {
    FilesAbort();
    vc_Cleanup();
    cleanup_default_font();
    shr_CleanupColors();
    clearMice();
    clearKeys();
    gen_cleanupconfigdirs();
}
