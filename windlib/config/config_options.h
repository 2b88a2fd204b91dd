// Configuration options: the record that describes one option, lookup by name, applying a
// value by the option's type, the built-in defaults, the option listing and the snapshots of
// a configuration level. Start reading at cfg_ApplyValue; the tables themselves are data in
// config_tables.cpp, reading files and lines is config_files.cpp.
#pragma once

#include <cstdint>
#include <vector>

enum ConfigType {
    kConfigBoolean = 0, // value: unsigned char
    kConfigInteger = 1, // value: int; extra: _MinMax
    kConfigChoice = 2,  // value: int; extra: _ChoiceValues table
    kConfigColor = 3,   // value: char*; extra: unsigned long pixel
    kConfigString = 4,  // value: char* (gen_alloc copy, or null)
    kConfigSize = 5,    // value: ConfigSize
    kConfigFunc = 6     // no value; the handler gets the text
};

// What a change asks the GUI to redraw; collected in AnyRefreshes.
enum ConfigRefresh {
    kRefreshColors = 1,
    kRefreshFonts = 2,
    kRefreshLayout = 4,
    kRefreshText = 8,
    kRefreshButtons = 16
};

struct _MinMax {
    int minimum;
    int maximum;
};

// One name of a choice option; a null name ends the table.
struct _ChoiceValues {
    const char* name;
    const char* description;
    int value;
    long reserved;
};

// A window size "WxH" with an optional unit: 0 pixels, 'c' characters, '%' of the screen.
struct ConfigSize {
    int width;
    int height;
    char suffix;
};

// Called instead of storing a value (for Func options: with the value text only). For
// Boolean, Integer and Choice options old and new are the numbers, for String options the
// texts. Returns 1 when the value was taken.
typedef int (*ConfigChangeHandler)(const char* text, const void* parsed, intptr_t oldValue,
                                   intptr_t newValue);

// The built-in default: a number (Boolean, Integer, Choice) or a text (Color, String).
union ConfigDefault {
    long number;
    const char* text;
    constexpr ConfigDefault() : number(0) {}
    constexpr ConfigDefault(int n) : number(n) {}
    constexpr ConfigDefault(const char* t) : text(t) {}
};

struct _ConfigOption {
    const char* name;        // compared without regard to case
    unsigned char hidden;    // left out of Config_ListAllConfigs
    int type;                // ConfigType
    void* value;             // the variable holding the current value
    int refresh;             // ConfigRefresh bits
    unsigned char broadcast; // shared through the configuration service
    ConfigChangeHandler handler;
    ConfigDefault defaultValue;
    void* extra; // _MinMax, _ChoiceValues or the pixel, by type
    long reserved[4];
    int location; // table * 65536 + index, set by cfg_FindOption
};

// Refresh bits of every option set since the GUI last cleared it.
extern int AnyRefreshes;
// With the switch DontAllowNullInConfigOptions on, empty string values are refused while
// this is set.
extern bool cfg_RefuseNullValues;

// The option of that name in the tables in order, or null; sets its location code.
_ConfigOption* cfg_FindOption(const char* name);
// The option of that name in one table, or null; *index receives its position (or -1).
_ConfigOption* cfg_SearchTable(const char* name, _ConfigOption* table, int* index);
// Applies a value (the text after the option name, possibly empty) by the option's type;
// true when it was taken. Prints the type's own notices (toggling, a value set to null, a
// word that is no boolean); cfg_ScanLine reports the failure itself.
bool cfg_ApplyValue(_ConfigOption* option, const char* value);
// The current value as a configuration line writes it; new text (gen_free).
char* cfg_ValueText(const _ConfigOption* option);
// Reads the first word as yes/on/1/true or no/off/0/false in any case; false for other text.
bool cfg_ParseBoolean(const char* text, bool* value);
// Reads "WxH" with an optional unit suffix; false when the text is not such a size.
bool parse_minsize(const char* text, ConfigSize* size);

// Gives every unset option its default; a value set earlier survives (colours excepted).
void cfg_SetEverythingToDefaults();
// Releases the colours allocated for Color options.
void shr_CleanupColors();
// Prints the visible option names, sorted, in lines of at most 80 columns.
void Config_ListAllConfigs();

// Configuration levels: the state after the site file, and what the user changed on top.
typedef int ConfigLevel;
enum { kConfigLevelSite = 0, kConfigLevelUser = 1, kNumConfigLevels = 2 };
void cfg_RememberCurrentSettings(ConfigLevel level);
// The options whose value differs from the snapshot of that level (none without one).
std::vector<_ConfigOption*> cfg_CompareToCurrentSettings(ConfigLevel level);
