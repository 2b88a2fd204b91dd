// The settings store (see settings_manager.h). Every operation formats its key, splits it
// into tree levels and walks the options database; the file is read in the block form's
// typed rules and written in compatibility mode, one dotted line per value, at exit.
#include "windlib/config/settings_manager.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <vector>

#include "shared/gen_filenames.h"
#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/config/config_dirs.h"
#include "windlib/config/config_options.h"
#include "xswitch/xswitch.h"

namespace {

const char kSettingsFile[] = "orbitsettings.odb";
const char kPositionsTree[] = "WindowPositionsTree";

time_t SystemClock() {
    return time(nullptr);
}

SettingsManager_Impl* theSettings;

void DestroyTheSettings() {
    delete theSettings;
    theSettings = nullptr;
}

typedef std::vector<std::string> KeyParts;

KeyParts SplitKey(const char* format, va_list args) {
    char* text = gen_avsprintf(format, args);
    KeyParts parts(1);
    for (const char* p = text; p && *p; ++p) {
        if (*p == ':') {
            if (!parts.back().empty()) parts.emplace_back();
        } else {
            parts.back() += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        }
    }
    gen_free(text);
    if (parts.back().empty()) parts.pop_back();
    return parts;
}

// The node `count` levels down the key's parts from `from`, or null (also when too deep).
OdbNode* Walk(OdbNode* from, const KeyParts& parts, size_t count, bool create) {
    OdbNode* node = from;
    for (size_t i = 0; node && i < count; ++i) {
        if (node->depth() >= kOdbMaxDepth) return nullptr;
        node = create ? node->addChild(parts[i]) : node->child(parts[i]);
    }
    return node;
}

bool ParseInteger(const std::string& text, int32_t* out) {
    const char* start = text.c_str();
    char* end;
    errno = 0;
    long value = strtol(start, &end, 0);
    if (end == start || *end || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
        return false;
    *out = static_cast<int32_t>(value);
    return true;
}

const OdbValue* ValueAt(OdbNode& top, const KeyParts& parts) {
    if (parts.empty()) return nullptr;
    const OdbNode* node = Walk(&top, parts, parts.size() - 1, false);
    return node ? node->value(parts.back()) : nullptr;
}

void Store(OdbNode& top, const KeyParts& parts, const OdbValue& value) {
    if (parts.empty()) return;
    OdbNode* node = Walk(&top, parts, parts.size() - 1, true);
    if (node) node->set(parts.back(), value);
}

void SetRect(OdbNode* node, const char* prefix, const ConfigRect& rect) {
    const std::string p = prefix;
    node->set(p + "x", OdbValue::Integer(rect.x));
    node->set(p + "y", OdbValue::Integer(rect.y));
    node->set(p + "w", OdbValue::Integer(rect.width));
    node->set(p + "h", OdbValue::Integer(rect.height));
}

} // namespace

time_t (*cfg_settingsClock)() = SystemClock;

SettingsManager* SettingsManager::get() {
    if (!theSettings) {
        char* file = gen_dconcat(cfg_GetUserConfigDir(false), kSettingsFile);
        theSettings = new SettingsManager_Impl(file);
        theSettings->ensureUserDir_ = true;
        gen_free(file);
        atexit(DestroyTheSettings);
    }
    return theSettings;
}

SettingsManager_Impl::SettingsManager_Impl(const char* file)
    : file_(file ? file : ""), db_("Settings manager") {
    // Lines that do not parse are skipped so the rest of the file is still used.
    db_.setContinueOnError(true);
    if (file_.empty() || debugFlag[kSwitchDashRunFixes]) return;
    if (access(file_.c_str(), F_OK) == 0 && !db_.readFile(file_.c_str())) damaged_ = true;
}

SettingsManager_Impl::~SettingsManager_Impl() {
    if (file_.empty() || debugFlag[kSwitchDashRunFixes]) return;
    if (ensureUserDir_) cfg_GetUserConfigDir(true);
    save();
}

bool SettingsManager_Impl::save() {
    if (file_.empty()) return false;
    if (damaged_) {
        // What could not be read is not written back; keep the old text for the user.
        std::string kept = file_ + ".bak";
        unlink(kept.c_str());
        if (link(file_.c_str(), kept.c_str()) == 0) damaged_ = false;
    }
    db_.setCompatibilityMode(true);
    bool written = db_.writeFile(file_.c_str());
    db_.setCompatibilityMode(false);
    return written;
}

bool SettingsManager_Impl::hasValue(const char* keyFormat, ...) {
    va_list args;
    va_start(args, keyFormat);
    KeyParts parts = SplitKey(keyFormat, args);
    va_end(args);
    return ValueAt(db_.top(), parts) != nullptr;
}

bool SettingsManager_Impl::hasGroup(const char* keyFormat, ...) {
    va_list args;
    va_start(args, keyFormat);
    KeyParts parts = SplitKey(keyFormat, args);
    va_end(args);
    return !parts.empty() && Walk(&db_.top(), parts, parts.size(), false) != nullptr;
}

bool SettingsManager_Impl::getValueAsBool(bool fallback, const char* keyFormat, ...) {
    va_list args;
    va_start(args, keyFormat);
    KeyParts parts = SplitKey(keyFormat, args);
    va_end(args);
    const OdbValue* value = ValueAt(db_.top(), parts);
    bool result = fallback;
    if (value && value->type == kOdbInteger) result = value->number != 0;
    if (value && value->type == kOdbString && !cfg_ParseBoolean(value->text.c_str(), &result))
        result = fallback;
    return result;
}

int32_t SettingsManager_Impl::getValueAsInt32(int32_t fallback, const char* keyFormat, ...) {
    va_list args;
    va_start(args, keyFormat);
    KeyParts parts = SplitKey(keyFormat, args);
    va_end(args);
    const OdbValue* value = ValueAt(db_.top(), parts);
    int32_t result = fallback;
    if (value && value->type == kOdbInteger) result = value->number;
    // Hand-written files may hold numbers as quoted text.
    if (value && value->type == kOdbString && !ParseInteger(value->text, &result))
        result = fallback;
    return result;
}

char* SettingsManager_Impl::getValueAsStr(const char* fallback, const char* keyFormat, ...) {
    va_list args;
    va_start(args, keyFormat);
    KeyParts parts = SplitKey(keyFormat, args);
    va_end(args);
    const OdbValue* value = ValueAt(db_.top(), parts);
    if (value && value->type == kOdbString)
        return value->null ? nullptr : gen_copy(value->text.c_str());
    if (value && value->type == kOdbInteger) return gen_asprintf("%d", value->number);
    return gen_copy(fallback);
}

void SettingsManager_Impl::setValue(const char* value, const char* keyFormat, ...) {
    va_list args;
    va_start(args, keyFormat);
    KeyParts parts = SplitKey(keyFormat, args);
    va_end(args);
    Store(db_.top(), parts, OdbValue::String(value));
}

void SettingsManager_Impl::setValue(int32_t value, const char* keyFormat, ...) {
    va_list args;
    va_start(args, keyFormat);
    KeyParts parts = SplitKey(keyFormat, args);
    va_end(args);
    Store(db_.top(), parts, OdbValue::Integer(value));
}

bool SettingsManager_Impl::removeGroup(const char* keyFormat, ...) {
    va_list args;
    va_start(args, keyFormat);
    KeyParts parts = SplitKey(keyFormat, args);
    va_end(args);
    if (parts.empty()) return false;
    OdbNode* parent = Walk(&db_.top(), parts, parts.size() - 1, false);
    return parent && parent->removeChild(parts.back());
}

bool SettingsManager_Impl::saveWindowPosition(ColWind* window, const char* keyFormat, ...) {
    va_list args;
    va_start(args, keyFormat);
    KeyParts parts = SplitKey(keyFormat, args);
    va_end(args);
    ConfigRect self = {0, 0, 0, 0};
    ConfigRect parent = {0, 0, 0, 0};
    bool hasParent = false;
    if (parts.empty() || !cfg_displayHooks.windowGeometry(window, &self, &parent, &hasParent))
        return false;
    OdbNode* tree = db_.top().addChild(kPositionsTree);
    OdbNode* node = Walk(tree, parts, parts.size(), true);
    if (!node) return false;
    int32_t now = static_cast<int32_t>(cfg_settingsClock());
    for (; node != tree; node = node->parent()) {
        node->set("timestamp", OdbValue::Integer(now));
        SetRect(node, "abs_", self);
        if (hasParent) SetRect(node, "par_", parent);
    }
    return true;
}

bool SettingsManager_Impl::loadWindowPosition(ConfigRect* where, const char* keyFormat, ...) {
    va_list args;
    va_start(args, keyFormat);
    KeyParts parts = SplitKey(keyFormat, args);
    va_end(args);
    OdbNode* tree = db_.top().child(kPositionsTree);
    OdbNode* node = parts.empty() || !tree ? nullptr : Walk(tree, parts, parts.size(), false);
    if (!node) return false;
    const char* const keys[] = {"abs_x", "abs_y", "abs_w", "abs_h"};
    int32_t found[4];
    for (int i = 0; i < 4; ++i) {
        const OdbValue* value = node->value(keys[i]);
        if (!value || value->type != kOdbInteger) return false;
        found[i] = value->number;
    }
    *where = ConfigRect{found[0], found[1], found[2], found[3]};
    return true;
}
