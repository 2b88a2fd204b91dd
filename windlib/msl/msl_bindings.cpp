// Binding texts and their parser (see msl_bindings.h). The tables below are the whole
// input vocabulary of a scroll list; the key table is generated from its pattern (every
// navigation key plain, with Control, with Shift and with both) plus the odd ones.
#include "windlib/msl/msl_bindings.h"

#include <X11/Xlib.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "shared/gen_strings.h"
#include "windlib/x11/xevents.h"

namespace {

const char* const kCommandNames[] = {
    "Activate",
    "SelectionStart",
    "SelectionExtend",
    "SelectionUnion",
    "SelectionUnionExtend",
    "SelectionAdjust",
    "SelectionGrab",
    "SingleClick",
    "SelectWord",
    "DoubleClick",
    "SelectLine",
    "Scroll",
    "SelectionUp",
    "SelectionDown",
    "SelectionLeft",
    "SelectionRight",
    "SelectionPageUp",
    "SelectionPageDown",
    "SelectionHome",
    "SelectionEnd",
    "SelectionExtendUp",
    "SelectionExtendDown",
    "SelectionExtendLeft",
    "SelectionExtendRight",
    "SelectionExtendPageUp",
    "SelectionExtendPageDown",
    "SelectionExtendHome",
    "SelectionExtendEnd",
    "SingleKeyClick",
    "SelectAll",
    "BackISearch",
    "ForwardISearch",
    "SizeToFit",
    "ReturnISearch",
    "DoubleKeyClick",
    "NextActivate",
    "PrevActivate",
    "CopyAll",
    "CopySel",
    "Cli",
};
static_assert(sizeof kCommandNames / sizeof kCommandNames[0] == kMslNumCommands,
              "one name per command");

const char* const kMouseBindings[] = {
    "Mouse1*Press1(AtOnce)=Activate;SelectionStart",
    "Mouse1*Press1(AtOnce)|Shift=Activate;SelectionExtend",
    "Mouse1*Press1(AtOnce)|Control=Activate;SelectionUnion",
    "Mouse1*Press1(AtOnce)|Shift|Control=Activate;SelectionUnionExtend",
    "Mouse1*Release1(AtOnce)|Any=SelectionAdjust;SelectionGrab;SingleClick",
    "Mouse1*Press2(AtOnce)|Any=SelectWord",
    "Mouse1*Release2(AtOnce)|Any=SelectionAdjust;SelectionGrab;DoubleClick",
    "Mouse1*Press3(AtOnce)|Any=SelectLine",
    "Mouse1*Release3|Any=SelectionAdjust;SelectionGrab;DoubleClick",
    "Mouse4*Press1(AtOnce)=Scroll -5l",
    "Mouse5*Press1(AtOnce)=Scroll +5l",
};
static_assert(sizeof kMouseBindings / sizeof kMouseBindings[0] == 11, "eleven mouse bindings");

// The navigation keys and the move each stands for (an index into kMoves).
const struct {
    const char* key;
    int move;
} kNavigationKeys[] = {
    {"Up", 0},      {"Down", 1},     {"Left", 2},     {"Right", 3},   {"Prior", 4},
    {"Next", 5},    {"Home", 6},     {"End", 7},      {"KP_Up", 0},   {"KP_Down", 1},
    {"KP_Left", 2}, {"KP_Right", 3}, {"KP_Prior", 4}, {"KP_Next", 5}, {"KP_Home", 6},
    {"KP_End", 7},  {"F29", 4},      {"F35", 5},
};
const char* const kMoves[] = {"Up", "Down", "Left", "Right", "PageUp", "PageDown", "Home", "End"};
static_assert(sizeof kMoves / sizeof kMoves[0] == kMslNumMoves, "eight moves");

const int kNumNavigationKeys = sizeof kNavigationKeys / sizeof kNavigationKeys[0];
static_assert(kNumNavigationKeys == 18, "eighteen navigation keys");

const char* const kOtherKeyBindings[] = {
    "a|Control=SelectAll",        "b|Control=BackISearch",
    "f|Control=ForwardISearch",   "+|Control=SizeToFit",
    "`|Control=ReturnISearch",    "\"Find\"=ForwardISearch",
    "\"Find\"|Shift=BackISearch", "\"Return\"=DoubleKeyClick",
    "\"Tab\"=NextActivate",       "\"Tab\"|Control=NextActivate",
    "\"Tab\"|Shift=PrevActivate", "\"Tab\"|Control|Shift=PrevActivate",
    "c|Control|Shift=CopyAll",    "c|Control=CopySel",
};
const int kNumOtherKeyBindings = sizeof kOtherKeyBindings / sizeof kOtherKeyBindings[0];
static_assert(kNumNavigationKeys * 4 + kNumOtherKeyBindings == 86, "86 key bindings");

const struct {
    const char* name;
    long bits;
} kModifierNames[] = {
    {"Shift", kModShift}, {"Control", kModControl}, {"Alt", kModAlt}, {"Meta", kModMeta}};

// ---- The process's tables ---------------------------------------------------------------

enum ParseState { kUnparsed, kParsed, kFailed };
ParseState state = kUnparsed;
std::vector<MslBinding> mouseTable;
std::vector<MslBinding> keyTable;
std::vector<std::string> mouseTexts; // replacements; empty: the built-in ones
std::vector<std::string> keyTexts;
bool replacedMouse = false;
bool replacedKeys = false;

bool ParseAll(const std::vector<std::string>& texts, bool mouse, std::vector<MslBinding>* out) {
    out->clear();
    for (const std::string& text : texts) {
        MslBinding binding;
        if (!MslParseBinding(text.c_str(), &binding) || binding.mouse != mouse) return false;
        out->push_back(binding);
    }
    return true;
}

// ---- Parsing ------------------------------------------------------------------------------

bool Take(const char** p, const char* word) {
    size_t n = strlen(word);
    if (strncmp(*p, word, n) != 0) return false;
    *p += n;
    return true;
}

bool ReadInt(const char** p, int* value) {
    if (!isdigit((unsigned char)**p)) return false;
    *value = 0;
    while (isdigit((unsigned char)**p)) *value = *value * 10 + (*(*p)++ - '0');
    return true;
}

bool ParseMouse(const char** p, MslBinding* b) {
    b->mouse = true;
    if (!Take(p, "Mouse") || !ReadInt(p, &b->button) || b->button < 1 || b->button > 5)
        return false;
    if (!Take(p, "*")) return false;
    if (Take(p, "Press"))
        b->release = false;
    else if (Take(p, "Release"))
        b->release = true;
    else
        return false;
    if (!ReadInt(p, &b->clicks) || b->clicks < 1) return false;
    b->atOnce = Take(p, "(AtOnce)");
    return true;
}

int NormalKey(int code) {
    return code < 0x100 ? tolower(code) : code;
}

bool ParseKey(const char** p, MslBinding* b) {
    const char* s = *p;
    if (*s == '"') {
        const char* end = strchr(s + 1, '"');
        if (!end || end == s + 1) return false;
        std::string name(s + 1, (size_t)(end - s - 1));
        KeySym symbol = XStringToKeysym(name.c_str());
        b->key = symbol == NoSymbol ? 0 : WKeyCodeOf(symbol);
        *p = end + 1;
    } else {
        if (!*s || !isgraph((unsigned char)*s)) return false;
        b->key = (unsigned char)*s;
        *p = s + 1;
    }
    b->key = NormalKey(b->key);
    return b->key != 0;
}

bool ParseModifiers(const char** p, MslBinding* b) {
    while (**p == '|') {
        ++*p;
        const char* start = *p;
        while (**p && **p != '|' && **p != '=') ++*p;
        std::string word(start, (size_t)(*p - start));
        if (gen_stricmp(word.c_str(), "Any") == 0) {
            b->anyModifiers = true;
            continue;
        }
        bool known = false;
        for (const auto& m : kModifierNames) {
            if (gen_stricmp(word.c_str(), m.name) != 0) continue;
            b->modifiers |= m.bits;
            known = true;
        }
        if (!known) return false;
    }
    return true;
}

std::string Trimmed(const char* start, const char* end) {
    while (start < end && isspace((unsigned char)*start)) ++start;
    while (end > start && isspace((unsigned char)end[-1])) --end;
    return std::string(start, (size_t)(end - start));
}

bool ModifiersMatch(const MslBinding& b, long modifiers, bool shiftImplied) {
    if (b.anyModifiers) return true;
    long wanted = b.modifiers;
    long have = modifiers & kMslModifierMask;
    if (shiftImplied) {
        wanted &= ~kModShift;
        have &= ~kModShift;
    }
    return wanted == have;
}

} // namespace

const char* MslCommandName(MslCommand command) {
    return command >= 0 && command < kMslNumCommands ? kCommandNames[command] : "";
}

bool MslParseCommands(const char* text, std::vector<MslCall>* calls) {
    calls->clear();
    const char* p = text;
    while (p && *p) {
        const char* end = strchr(p, ';');
        if (!end) end = p + strlen(p);
        std::string call = Trimmed(p, end);
        size_t blank = call.find_first_of(" \t");
        std::string name = call.substr(0, blank);
        int found = -1;
        for (int i = 0; i < kMslNumCommands; ++i)
            if (name == kCommandNames[i]) found = i;
        if (found < 0) return false;
        MslCall c;
        c.command = (MslCommand)found;
        if (blank != std::string::npos)
            c.arg = Trimmed(call.c_str() + blank, call.c_str() + call.size());
        calls->push_back(c);
        p = *end ? end + 1 : end;
    }
    return !calls->empty();
}

bool MslParseBinding(const char* text, MslBinding* binding) {
    *binding = MslBinding();
    if (!text) return false;
    const char* p = text;
    bool ok = strncmp(p, "Mouse", 5) == 0 && isdigit((unsigned char)p[5]) ? ParseMouse(&p, binding)
                                                                          : ParseKey(&p, binding);
    if (!ok || !ParseModifiers(&p, binding) || *p != '=') return false;
    return MslParseCommands(p + 1, &binding->calls);
}

std::vector<std::string> MslMouseBindingTexts() {
    return std::vector<std::string>(std::begin(kMouseBindings), std::end(kMouseBindings));
}

std::vector<std::string> MslKeyBindingTexts() {
    static const char* const kVariants[][2] = {
        {"", ""}, {"|Control", ""}, {"|Shift", "Extend"}, {"|Control|Shift", "Extend"}};
    std::vector<std::string> texts;
    char line[128];
    for (const auto& nav : kNavigationKeys) {
        for (const auto& variant : kVariants) {
            snprintf(line, sizeof line, "\"%s\"%s=Selection%s%s;SelectionGrab;SingleKeyClick",
                     nav.key, variant[0], variant[1], kMoves[nav.move]);
            texts.push_back(line);
        }
    }
    for (int i = 0; i < kNumOtherKeyBindings; ++i) texts.push_back(kOtherKeyBindings[i]);
    return texts;
}

bool MslBindingsReady() {
    if (state == kUnparsed) {
        bool ok =
            ParseAll(replacedMouse ? mouseTexts : MslMouseBindingTexts(), true, &mouseTable) &&
            ParseAll(replacedKeys ? keyTexts : MslKeyBindingTexts(), false, &keyTable);
        state = ok ? kParsed : kFailed;
    }
    return state == kParsed;
}

const MslBinding* MslFindMouseBinding(int button, bool release, int clicks, long modifiers) {
    if (!MslBindingsReady()) return nullptr;
    for (const MslBinding& b : mouseTable)
        if (b.button == button && b.release == release && b.clicks == clicks &&
            ModifiersMatch(b, modifiers, false))
            return &b;
    return nullptr;
}

const MslBinding* MslFindKeyBinding(int key, long modifiers) {
    if (!MslBindingsReady()) return nullptr;
    key = NormalKey(key);
    // A character that needs Shift to type ('+') matches whether or not Shift is named.
    bool shiftImplied = key < 0x100 && isgraph(key) && !isalpha(key);
    for (const MslBinding& b : keyTable)
        if (b.key == key && ModifiersMatch(b, modifiers, shiftImplied)) return &b;
    return nullptr;
}

void mslSetBindings(const char* const* mouse, int mouseCount, const char* const* keys,
                    int keyCount) {
    replacedMouse = mouse != nullptr;
    replacedKeys = keys != nullptr;
    mouseTexts.clear();
    keyTexts.clear();
    for (int i = 0; mouse && i < mouseCount; ++i) mouseTexts.push_back(mouse[i] ? mouse[i] : "");
    for (int i = 0; keys && i < keyCount; ++i) keyTexts.push_back(keys[i] ? keys[i] : "");
    state = kUnparsed;
}
