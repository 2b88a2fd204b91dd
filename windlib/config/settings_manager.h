// The settings store: settings the program writes for itself, such as window positions,
// kept in the options database "orbitsettings.odb" in the user configuration directory.
// Keys are printf-style formats; in the formatted key every character other than a letter,
// a digit or ':' becomes '_', and ':' separates the levels of the tree, the last part naming
// the value ("Editor:Fonts:size"). Start with SettingsManager::get().
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "shared/gen_messages.h"
#include "windlib/config/config_display.h"
#include "windlib/config/options_db.h"

class SettingsManager {
public:
    // The process-wide store: its file is read on first use and written back at exit.
    static SettingsManager* get();

    virtual bool hasValue(const char* keyFormat, ...) GEN_PRINTF(2, 3) = 0;
    virtual bool hasGroup(const char* keyFormat, ...) GEN_PRINTF(2, 3) = 0;
    // Each getter returns `fallback` when the key holds no value of a fitting kind.
    virtual bool getValueAsBool(bool fallback, const char* keyFormat, ...) GEN_PRINTF(3, 4) = 0;
    virtual int32_t getValueAsInt32(int32_t fallback, const char* keyFormat, ...)
        GEN_PRINTF(3, 4) = 0;
    // A new text (gen_free), or a copy of the fallback.
    virtual char* getValueAsStr(const char* fallback, const char* keyFormat, ...)
        GEN_PRINTF(3, 4) = 0;
    virtual void setValue(const char* value, const char* keyFormat, ...) GEN_PRINTF(3, 4) = 0;
    virtual void setValue(int32_t value, const char* keyFormat, ...) GEN_PRINTF(3, 4) = 0;
    virtual bool removeGroup(const char* keyFormat, ...) GEN_PRINTF(2, 3) = 0;
    // Records the window's (and its parent's) position and size with a timestamp under
    // "WindowPositionsTree" on the key's node and each of its ancestors there.
    virtual bool saveWindowPosition(ColWind* window, const char* keyFormat, ...)
        GEN_PRINTF(3, 4) = 0;
    // The position and size saved for the key; false when none was.
    virtual bool loadWindowPosition(ConfigRect* where, const char* keyFormat, ...)
        GEN_PRINTF(3, 4) = 0;
    virtual ~SettingsManager() {}
};

// Seconds since the epoch for the "timestamp" of saved positions; tests replace it.
extern time_t (*cfg_settingsClock)();

class SettingsManager_Impl : public SettingsManager {
public:
    // Reads `file` (unless the switch dashRunFixes is on) and writes it back when destroyed;
    // with a null file the store lives in memory only.
    explicit SettingsManager_Impl(const char* file);
    ~SettingsManager_Impl() override;

    bool hasValue(const char* keyFormat, ...) override;
    bool hasGroup(const char* keyFormat, ...) override;
    bool getValueAsBool(bool fallback, const char* keyFormat, ...) override;
    int32_t getValueAsInt32(int32_t fallback, const char* keyFormat, ...) override;
    char* getValueAsStr(const char* fallback, const char* keyFormat, ...) override;
    void setValue(const char* value, const char* keyFormat, ...) override;
    void setValue(int32_t value, const char* keyFormat, ...) override;
    bool removeGroup(const char* keyFormat, ...) override;
    bool saveWindowPosition(ColWind* window, const char* keyFormat, ...) override;
    bool loadWindowPosition(ConfigRect* where, const char* keyFormat, ...) override;

    OptionsDb& database() { return db_; }
    // Writes the file now (as at exit); false when it could not be written.
    bool save();

private:
    std::string file_;
    OptionsDb db_;
    bool damaged_ = false; // the file held errors: its old text is kept beside it
    bool ensureUserDir_ = false;

    friend class SettingsManager;
};
