// The text fields' editing key bindings (see wtexteditkeys.h). The table follows the two
// conventions users bring along: arrows, Home and End with Shift to extend and Control to
// go by words, the Control+X/C/V clipboard keys and their Shift+Delete/Insert twins, and a
// few Emacs keys (Control+B, F, D, H, E, K, W).
#include "windlib/button/wtexteditkeys.h"

#include "windlib/x11/xinlib.h"

namespace {

const long kModMask = kModShift | kModControl | kModMeta;
const int kKeyInsert = 0x163;

struct TfEditBinding {
    int code;       // toolkit key code; letters in lower case
    long modifiers; // the Shift, Control and Meta bits that must be down
    TfEditCommand command;
};

const TfEditBinding kBindings[] = {
    {kKeyLeft, 0, kTfEditLeft},
    {kKeyRight, 0, kTfEditRight},
    {kKeyHome, 0, kTfEditLineStart},
    {kKeyEnd, 0, kTfEditLineEnd},
    {kKeyLeft, kModControl, kTfEditWordLeft},
    {kKeyRight, kModControl, kTfEditWordRight},
    {kKeyLeft, kModShift, kTfEditExtendLeft},
    {kKeyRight, kModShift, kTfEditExtendRight},
    {kKeyLeft, kModShift | kModControl, kTfEditExtendWordLeft},
    {kKeyRight, kModShift | kModControl, kTfEditExtendWordRight},
    {kKeyHome, kModShift, kTfEditExtendLineStart},
    {kKeyEnd, kModShift, kTfEditExtendLineEnd},
    {'b', kModControl, kTfEditLeft},
    {'f', kModControl, kTfEditRight},
    {'b', kModMeta, kTfEditWordLeft},
    {'f', kModMeta, kTfEditWordRight},
    {'e', kModControl, kTfEditLineEnd},
    {'a', kModControl, kTfEditSelectAll},
    {'w', kModMeta, kTfEditSelectWord},
    {'x', kModControl, kTfEditCut},
    {'c', kModControl, kTfEditCopy},
    {'v', kModControl, kTfEditPaste},
    {kKeyDelete, kModShift, kTfEditCut},
    {kKeyInsert, kModControl, kTfEditCopy},
    {kKeyInsert, kModShift, kTfEditPaste},
    {kKeyDelete, 0, kTfEditDelete},
    {'d', kModControl, kTfEditDelete},
    {kKeyBackSpace, 0, kTfEditBackspace},
    {'h', kModControl, kTfEditBackspace},
    {kKeyBackSpace, kModControl, kTfEditDeleteWordBack},
    {'w', kModControl, kTfEditDeleteWordBack},
    {'k', kModControl, kTfEditKillToEnd},
    // Control+Q alone stays the window's Close key.
    {'q', kModControl | kModShift, kTfEditQuoteNext},
};
static_assert(sizeof kBindings / sizeof kBindings[0] == 33, "the editing key bindings");

int Lower(int code) {
    return code >= 'A' && code <= 'Z' ? code - 'A' + 'a' : code;
}

} // namespace

bool TfIsEditKey(int code, long modifiers, const char* text, int bytes) {
    if (modifiers & (kModControl | kModMeta)) return true;
    if (bytes <= 0 || !text) return code >= 0x100;
    unsigned char first = (unsigned char)text[0];
    return first < 0x20 || first == 0x7f;
}

TfEditCommand TfLookupEditKey(int code, long modifiers) {
    code = Lower(code);
    long mods = modifiers & kModMask;
    for (const TfEditBinding& b : kBindings)
        if (b.code == code && b.modifiers == mods) return b.command;
    // Shift matters only to the bindings that name it.
    mods &= ~kModShift;
    for (const TfEditBinding& b : kBindings)
        if (b.code == code && b.modifiers == mods && !(b.modifiers & kModShift)) return b.command;
    return kTfEditNone;
}

bool TfEditCommandModifies(TfEditCommand command) {
    switch (command) {
    case kTfEditCut:
    case kTfEditPaste:
    case kTfEditDelete:
    case kTfEditBackspace:
    case kTfEditDeleteWordBack:
    case kTfEditKillToEnd:
    case kTfEditQuoteNext:
        return true;
    default:
        return false;
    }
}
