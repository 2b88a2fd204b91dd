// Lookup, applying values by type, defaults, the listing and level snapshots of the
// configuration options (see config_options.h). cfg_ApplyValue is the heart: one small
// function per type, each parsing the text, skipping values equal to the current one and
// then calling the option's change handler or storing the value.
#include "windlib/config/config_options.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "placer/run_time/plcword.h"
#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "windlib/config/config_display.h"
#include "windlib/config/config_tables.h"
#include "windlib/devenv_hooks.h"
#include "xswitch/xswitch.h"

int AnyRefreshes;
bool cfg_RefuseNullValues;

namespace {

// The pixel variables that hold a colour we allocated, so that only those are released.
std::set<unsigned long*> allocatedPixels;

std::vector<std::string> snapshots[kNumConfigLevels];
bool snapshotTaken[kNumConfigLevels];

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

const char* SkipBlanks(const char* text) {
    while (IsBlank(*text)) ++text;
    return text;
}

// The first blank-separated word of text (after leading blanks).
std::string FirstWord(const char* text) {
    const char* start = SkipBlanks(text);
    const char* end = start;
    while (*end && !IsBlank(*end) && *end != '\n' && *end != '\r') ++end;
    return std::string(start, end - start);
}

unsigned char& BoolValue(const _ConfigOption* option) {
    return *static_cast<unsigned char*>(option->value);
}
int& IntValue(const _ConfigOption* option) {
    return *static_cast<int*>(option->value);
}
char*& TextValue(const _ConfigOption* option) {
    return *static_cast<char**>(option->value);
}
ConfigSize& SizeValue(const _ConfigOption* option) {
    return *static_cast<ConfigSize*>(option->value);
}
const _ChoiceValues* Choices(const _ConfigOption* option) {
    return static_cast<const _ChoiceValues*>(option->extra);
}

// Stores a new number unless it equals the current one; the change handler, when the
// option has one, decides instead.
bool StoreNumber(const _ConfigOption* option, const char* text, int oldValue, int newValue) {
    if (oldValue == newValue) return true;
    if (option->handler) return option->handler(text, &newValue, oldValue, newValue) != 0;
    if (option->type == kConfigBoolean)
        BoolValue(option) = newValue ? 1 : 0;
    else
        IntValue(option) = newValue;
    return true;
}

bool ApplyBoolean(const _ConfigOption* option, const char* value) {
    int oldValue = BoolValue(option) ? 1 : 0;
    if (!*value) {
        int newValue = !oldValue;
        gen_printf("Toggling %s:  new value is %s\n", option->name, newValue ? "On" : "Off");
        return StoreNumber(option, value, oldValue, newValue);
    }
    bool parsed;
    if (!cfg_ParseBoolean(value, &parsed)) {
        gen_error("\"%s\" does not represent a boolean value. Use one of these:\nyes on 1 true "
                  "no off 0 false\n",
                  value);
        return false;
    }
    return StoreNumber(option, value, oldValue, parsed ? 1 : 0);
}

bool ApplyInteger(const _ConfigOption* option, const char* value) {
    const _MinMax* range = static_cast<const _MinMax*>(option->extra);
    long long number;
    std::string word = FirstWord(value);
    if (range && gen_strequal(word.c_str(), "all")) {
        number = range->maximum;
    } else {
        const char* start = SkipBlanks(value);
        char* end;
        number = strtoll(start, &end, 0);
        if (end == start) return false;
        // Bounded first so that the unit cannot overflow; the range clamps it anyway.
        const long long kBound = 1LL << 40;
        number = std::min(std::max(number, -kBound), kBound);
        if (*end == 'K' || *end == 'k') number *= 1024;
        if (*end == 'M' || *end == 'm') number *= 1048576;
    }
    long long low = range ? range->minimum : INT_MIN;
    long long high = range ? range->maximum : INT_MAX;
    number = std::min(std::max(number, low), high);
    return StoreNumber(option, value, IntValue(option), static_cast<int>(number));
}

bool ApplyChoice(const _ConfigOption* option, const char* value) {
    std::string word = FirstWord(value);
    for (const _ChoiceValues* choice = Choices(option); choice && choice->name; ++choice) {
        if (gen_strequal(choice->name, word.c_str()))
            return StoreNumber(option, value, IntValue(option), choice->value);
    }
    return false;
}

bool ApplyColor(const _ConfigOption* option, const char* value) {
    const ConfigDisplayHooks& hooks = cfg_displayHooks;
    if (!*value || !hooks.colorsUsable()) return false;
    unsigned long* pixel = static_cast<unsigned long*>(option->extra);
    bool displayUp = hooks.displayUp();
    unsigned long newPixel = 0;
    if (displayUp && !hooks.parseColor(value, &newPixel)) return false;
    gen_strchange(&TextValue(option), value);
    if (!displayUp || !pixel) return true;
    if (allocatedPixels.count(pixel)) hooks.freePixel(*pixel);
    *pixel = newPixel;
    allocatedPixels.insert(pixel);
    if (gen_strequal(option->name, "select") || gen_strequal(option->name, "controlcolor"))
        hooks.recolorImages();
    else if (gen_strequal(option->name, "background"))
        hooks.reallocBackground();
    return true;
}

bool ApplyString(const _ConfigOption* option, const char* value) {
    char*& current = TextValue(option);
    char* newText = nullptr;
    if (!*value) {
        if (debugFlag[kSwitchDontAllowNullInConfigOptions] && cfg_RefuseNullValues) return false;
        gen_printf("Setting option %s to NULL.  Previous value: \"%s\"\n", option->name,
                   current ? current : "");
    } else {
        newText = plcParseWord(value);
    }
    if (gen_strequal(current, newText)) {
        gen_free(newText);
        return true;
    }
    if (option->handler) {
        int taken = option->handler(value, newText, reinterpret_cast<intptr_t>(current),
                                    reinterpret_cast<intptr_t>(newText));
        gen_free(newText);
        return taken != 0;
    }
    gen_free(current);
    current = newText;
    return true;
}

bool ApplySize(const _ConfigOption* option, const char* value) {
    ConfigSize& size = SizeValue(option);
    if (!*value) {
        char* previous = cfg_ValueText(option);
        gen_printf("Setting %s to -1x-1.  Previous value: %s\n", option->name, previous);
        gen_free(previous);
        size = ConfigSize{-1, -1, 0};
        return true;
    }
    ConfigSize parsed;
    if (!parse_minsize(value, &parsed)) return false;
    size = parsed;
    return true;
}

} // namespace

bool cfg_ParseBoolean(const char* text, bool* value) {
    std::string word = FirstWord(text);
    static const char* const kTrue[] = {"yes", "on", "1", "true"};
    static const char* const kFalse[] = {"no", "off", "0", "false"};
    for (const char* name : kTrue) {
        if (gen_strequal(word.c_str(), name)) {
            *value = true;
            return true;
        }
    }
    for (const char* name : kFalse) {
        if (gen_strequal(word.c_str(), name)) {
            *value = false;
            return true;
        }
    }
    return false;
}

_ConfigOption* cfg_SearchTable(const char* name, _ConfigOption* table, int* index) {
    if (index) *index = -1;
    if (!name || !table) return nullptr;
    for (int i = 0; table[i].name; ++i) {
        if (gen_strequal(table[i].name, name)) {
            if (index) *index = i;
            return &table[i];
        }
    }
    return nullptr;
}

_ConfigOption* cfg_FindOption(const char* name) {
    for (int t = 0; t < GetNumOptions(); ++t) {
        int index;
        _ConfigOption* option = cfg_SearchTable(name, options[t], &index);
        if (option) {
            option->location = t * 65536 + index;
            return option;
        }
    }
    return nullptr;
}

bool cfg_ApplyValue(_ConfigOption* option, const char* value) {
    if (!value) value = "";
    switch (option->type) {
    case kConfigBoolean:
        return ApplyBoolean(option, value);
    case kConfigInteger:
        return ApplyInteger(option, value);
    case kConfigChoice:
        return ApplyChoice(option, value);
    case kConfigColor:
        return ApplyColor(option, value);
    case kConfigString:
        return ApplyString(option, value);
    case kConfigSize:
        return ApplySize(option, value);
    case kConfigFunc:
        return option->handler && option->handler(value, nullptr, 0, 0) != 0;
    }
    return false;
}

char* cfg_ValueText(const _ConfigOption* option) {
    switch (option->type) {
    case kConfigBoolean:
        return gen_copy(BoolValue(option) ? "on" : "off");
    case kConfigInteger:
        return gen_asprintf("%d", IntValue(option));
    case kConfigChoice:
        for (const _ChoiceValues* choice = Choices(option); choice && choice->name; ++choice) {
            if (choice->value == IntValue(option)) return gen_copy(choice->name);
        }
        return gen_asprintf("%d", IntValue(option));
    case kConfigColor:
        return gen_copy(TextValue(option) ? TextValue(option) : "");
    case kConfigString: {
        const char* text = TextValue(option);
        if (!text) return gen_copy("");
        // Quoted when the word reader would not give the text back as it is.
        bool plain = *text && *text != '"' && !strpbrk(text, " \t\r\n\\");
        return plain ? gen_copy(text) : gen_quotify_string(text);
    }
    case kConfigSize: {
        const ConfigSize& size = SizeValue(option);
        char suffix[2] = {size.suffix, 0};
        return gen_asprintf("%dx%d%s", size.width, size.height, suffix);
    }
    }
    return gen_copy("");
}

bool parse_minsize(const char* text, ConfigSize* size) {
    const char* p = SkipBlanks(text);
    char* end;
    long width = strtol(p, &end, 10);
    if (end == p || (*end != 'x' && *end != 'X')) return false;
    p = end + 1;
    long height = strtol(p, &end, 10);
    if (end == p) return false;
    char suffix = 0;
    if (*end == 'c' || *end == '%') suffix = *end++;
    if (*SkipBlanks(end)) return false;
    if (width < -1 || height < -1 || width > INT_MAX || height > INT_MAX) return false;
    *size = ConfigSize{static_cast<int>(width), static_cast<int>(height), suffix};
    return true;
}

void shr_CleanupColors() {
    for (unsigned long* pixel : allocatedPixels) cfg_displayHooks.freePixel(*pixel);
    allocatedPixels.clear();
}

void cfg_SetEverythingToDefaults() {
    shr_CleanupColors();
    for (int t = 0; t < GetNumOptions(); ++t) {
        for (_ConfigOption* option = options[t]; option->name; ++option) {
            const ConfigDefault& byDefault = option->defaultValue;
            switch (option->type) {
            case kConfigBoolean:
                if (!BoolValue(option)) BoolValue(option) = byDefault.number ? 1 : 0;
                break;
            case kConfigInteger:
            case kConfigChoice:
                if (!IntValue(option)) IntValue(option) = static_cast<int>(byDefault.number);
                break;
            case kConfigString:
                if (!TextValue(option) && byDefault.text)
                    TextValue(option) = gen_copy(byDefault.text);
                break;
            case kConfigColor:
                if (byDefault.text) ApplyColor(option, byDefault.text);
                break;
            case kConfigSize:
            case kConfigFunc:
                break;
            default:
                fputs("Unrecognized Config Option Type\n", stderr);
                break;
            }
        }
    }
    if (!cfg_displayHooks.displayUp()) return;
    cfg_displayHooks.recomputeColors();
    if (!debugFlag[kSwitchUnnamed49]) cfg_displayHooks.recolorImages();
    shr_SetupDefaultButtons();
}

void Config_ListAllConfigs() {
    std::vector<const char*> names;
    for (int t = 0; t < GetNumOptions(); ++t) {
        for (const _ConfigOption* option = options[t]; option->name; ++option) {
            if (!option->hidden && !strchr(option->name, '.')) names.push_back(option->name);
        }
    }
    std::sort(names.begin(), names.end(),
              [](const char* a, const char* b) { return gen_stricmp(a, b) < 0; });
    gen_printf("Possible configuration options are:\n");
    std::string line;
    for (const char* name : names) {
        if (!line.empty() && line.size() + 2 + strlen(name) > 80) {
            gen_printf("%s\n", line.c_str());
            line.clear();
        }
        if (!line.empty()) line += "  ";
        line += name;
    }
    if (!line.empty()) gen_printf("%s\n", line.c_str());
}

void cfg_RememberCurrentSettings(ConfigLevel level) {
    if (level < 0 || level >= kNumConfigLevels) return;
    std::vector<std::string>& snapshot = snapshots[level];
    snapshot.clear();
    for (int t = 0; t < GetNumOptions(); ++t) {
        for (const _ConfigOption* option = options[t]; option->name; ++option) {
            char* text = cfg_ValueText(option);
            snapshot.push_back(text);
            gen_free(text);
        }
    }
    snapshotTaken[level] = true;
}

std::vector<_ConfigOption*> cfg_CompareToCurrentSettings(ConfigLevel level) {
    std::vector<_ConfigOption*> changed;
    if (level < 0 || level >= kNumConfigLevels || !snapshotTaken[level]) return changed;
    size_t i = 0;
    for (int t = 0; t < GetNumOptions(); ++t) {
        for (_ConfigOption* option = options[t]; option->name; ++option, ++i) {
            char* text = cfg_ValueText(option);
            if (snapshots[level][i] != text) changed.push_back(option);
            gen_free(text);
        }
    }
    return changed;
}
