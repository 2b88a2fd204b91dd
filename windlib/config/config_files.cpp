// Configuration files and lines (see config_files.h). Start at cfg_ScanLine: it splits a
// line, finds the option, applies the value (config_options.cpp) and reports bad values;
// cfg_ReadFile feeds it a file, shr_ReadConfigFiles the files of a program start-up.
#include "windlib/config/config_files.h"

#include <cstdio>
#include <string>

#include "shared/gen_fileio.h"
#include "shared/gen_fileops.h"
#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "windlib/config/config_commands.h"
#include "windlib/config/config_dirs.h"
#include "windlib/config/config_display.h"
#include "windlib/config/config_options.h"
#include "windlib/devenv_hooks.h"
#include "xswitch/xswitch.h"

namespace {

// The nameless switch that traces which configuration files are read.
const int kSwitchReadingConfigFile = 130;
const int kMaxErrorsPerFile = 50;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsSeparator(char c) {
    return IsBlank(c) || c == ':' || c == '=';
}

// A line split into the option name and its value text.
struct SplitLine {
    std::string text; // the line without leading and trailing white space
    std::string name;
    std::string value;
};

SplitLine Split(const char* line) {
    SplitLine split;
    while (IsBlank(*line)) ++line;
    split.text = line;
    std::string& text = split.text;
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    size_t end = 0;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    split.name = text.substr(0, end);
    while (end < text.size() && IsSeparator(text[end])) ++end;
    split.value = text.substr(end);
    return split;
}

// Words of the development environment's conditional configuration, which this reader does
// not evaluate.
bool IsConditional(const std::string& name) {
    for (const char* word : {"endif", "else", "elseif", "elif"}) {
        if (gen_strequal(name.c_str(), word)) return true;
    }
    return false;
}

void ReportBadValue(const _ConfigOption* option, const char* value) {
    if (option->type == kConfigChoice) {
        if (*value)
            gen_error("Invalid setting: %s", value);
        else
            gen_error("Must give new setting");
        gen_printf("Valid settings:");
        const _ChoiceValues* choices = static_cast<const _ChoiceValues*>(option->extra);
        for (const _ChoiceValues* choice = choices; choice && choice->name; ++choice)
            gen_printf("  %s", choice->name);
    } else if (!*value && debugFlag[kSwitchDontAllowNullInConfigOptions]) {
        gen_error("NULL is not a valid setting for %s.\n", option->name);
    } else {
        gen_error("\"%s\" is not a valid setting of %s.\n", value, option->name);
    }
    if (!*value) {
        char* current = cfg_ValueText(option);
        gen_printf("Current setting of %s: %s\n", option->name, current);
        gen_free(current);
    }
}

void ReadServerLines() {
    char** lines = ConfigService_AttachToServer();
    for (char** line = lines; line && *line; ++line) {
        cfg_ScanLine(*line, true, false);
        gen_free(*line);
    }
    gen_free(lines);
    Config_Register("GeneralConfiguration");
}

void ReadConfigFileIn(const char* dir, const char* program) {
    char* path = cfg_CreateConfigFilename(dir, program, false, false);
    cfg_ReadFile(path, true);
    gen_free(path);
}

} // namespace

int cfg_ScanLine(const char* line, bool fromFile, bool local) {
    SplitLine split = Split(line ? line : "");
    const char* name = split.name.c_str();
    const char* value = split.value.c_str();
    if (!*name || *name == '#') return 1;
    if (IsConditional(split.name)) return 0;

    _ConfigOption* option = cfg_FindOption(name);
    if (!option) {
        int taken = shr_ConfigureLine(split.text.c_str());
        if (!taken) gen_error("Unknown configuration option: %s %s", name, value);
        return taken;
    }
    if (debugFlag[kSwitchConfigService] && !fromFile && !local && option->broadcast) {
        ConfigService_BroadcastConfig(option->location, split.text.c_str());
        return 1;
    }
    if (!cfg_ApplyValue(option, value)) {
        ReportBadValue(option, value);
        return 0;
    }
    AnyRefreshes |= option->refresh;
    return 1;
}

bool cfg_ReadFile(const char* path, bool fromFile) {
    FILE* file = path && !gen_isdir(path) ? gen_fopen(path, "r") : nullptr;
    if (!file) return false;
    if (debugFlag[kSwitchReadingConfigFile]) gen_printf("Reading Configuration File: %s\n", path);
    bool grouped = debugFlag[kSwitchConfigService] != 0;
    if (grouped) ConfigService_BeginBlock();

    bool complete = true;
    int errors = 0;
    char* buffer = nullptr;
    int capacity = 0;
    while (const char* line = gen_getline(file, &buffer, &capacity)) {
        if (cfg_ScanLine(line, fromFile, false) != 1 && ++errors >= kMaxErrorsPerFile) {
            gen_error("Too many errors, aborting.\n");
            complete = false;
            break;
        }
    }
    gen_free(buffer);
    fclose(file);
    if (grouped) ConfigService_EndBlock();
    if (complete) Config_PreLoadFile(path);
    return complete;
}

int shr_ReadConfigFiles(const char* program) {
    bool validating = debugFlag[kSwitchDashRunFixes] != 0;
    if (!validating) ReadConfigFileIn(cfg_GetSiteConfigDir(), program);
    cfg_RememberCurrentSettings(kConfigLevelSite);
    if (!validating) {
        bool configuredBefore = cfg_configuredFromOtherFile;
        ReadConfigFileIn(cfg_GetUserConfigDir(false), program);
        if (debugFlag[kSwitchServiceRouter] && debugFlag[kSwitchConfigService]) ReadServerLines();
        cfg_configuredFromOtherFile = configuredBefore;
    }
    const ConfigDisplayHooks& hooks = cfg_displayHooks;
    if (hooks.displayUp()) {
        hooks.recomputeColors();
        hooks.reloadFonts();
        hooks.recolorImages();
        hooks.finishPersistentLists();
        syn_Init(true);
    }
    return 1;
}
