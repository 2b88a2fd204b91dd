// Text fields (see wtextfield.h). The value is edited in place in a buffer that grows by
// 256 bytes beyond what it must hold; the selection is the range [selStart, selEnd) with
// the caret at one of its ends. A pending auto-completion is simply selected text after
// the caret that typing the same characters walks through. Keys are decided in
// TextField::takeKey, in the order the field owes them; the rest go to the window.
#include "windlib/button/wtextfield.h"

#include <cstring>
#include <string>
#include <vector>

#include "shared/gen_dircursor.h"
#include "shared/gen_filenames.h"
#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/witemguard.h"
#include "windlib/button/wpulldown.h"
#include "windlib/config/config_tables.h"
#include "windlib/window/wcolwind.h"
#include "windlib/window/wmodal.h"
#include "windlib/wtimer.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/xselection.h"

namespace {

const int kGrowth = 256;
const int kInnerPad = 3; // between the box's edge and the text
const long kBlinkMs = 500;
const char kSecureChar = '*';

bool IsWordChar(char c) {
    return gen_char_type((unsigned char)c) == 0;
}

bool IsPrintable(const char* text, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        unsigned char c = (unsigned char)text[i];
        if (c < 0x20 || c == 0x7f) return false;
    }
    return bytes > 0;
}

bool IsReturnKey(int code, const char* text, int bytes) {
    return code == kKeyReturn || (bytes == 1 && (text[0] == 13 || text[0] == 10));
}

int DialogVerify(Dialog*, GItem* item) {
    TextField* field = static_cast<TextField*>(item);
    return field && field->verify ? field->verify(field) : 1;
}

} // namespace

TextField::TextField(GItem* container_, int x_, int y_, int width_, int height_)
    : GItem(kKindTextField, container_, x_, y_, width_, height_) {
    ensureRoom(0);
    if (height <= 0) height = FieldHeight();
}

TextField::~TextField() {
    stopBlink();
    ItemGuard::ItemGone(this);
    gen_free(value);
    gen_free(label);
    gen_free(helpKey);
}

void TextField::Destroy() {
    stopBlink();
}

int TextField::FontNumber() const {
    // Field text is drawn in font entry 1, the button font when that entry is free.
    if (fontinfo[1].font) return 1;
    return bfont_num >= 0 ? bfont_num : active_font;
}

int TextField::FieldHeight() {
    int number = fontinfo[1].font ? 1 : bfont_num;
    return (number >= 0 && fontinfo[number].font ? fontinfo[number].height : 0) + 5;
}

void TextField::NaturalSize(int* w, int* h) {
    *w = width;
    *h = FieldHeight();
}

int TextField::labelWidth() const {
    return label && *label ? WTextWidth(label, -1, bfont_num) + kTfMargin : 0;
}

int TextField::boxX() const {
    return x + kTfMargin + labelWidth();
}

int TextField::boxWidth() const {
    return width - 2 * kTfMargin - labelWidth();
}

// ---- The value ----------------------------------------------------------------------

void TextField::ensureRoom(int bytes) {
    if (value && bytes + 1 <= allocated) return;
    int size = bytes + kGrowth;
    char* grown = static_cast<char*>(gen_realloc(value, size)); // a first block comes zeroed
    value = grown;
    allocated = size;
}

void TextField::changed() {
    flags |= kTfChanged;
    caretOn_ = true;
    Invalidate();
}

void TextField::setLabel(const char* text) {
    gen_strchange(&label, text ? text : "");
    Invalidate();
}

void TextField::setValue(const char* text, bool redraw, bool force) {
    if ((flags & kTfReadOnly) && !force) return;
    if (!text) text = "";
    if (strcmp(text, value) == 0) return;
    int n = (int)strlen(text);
    ensureRoom(n);
    memcpy(value, text, (size_t)n + 1);
    length = n;
    caret = n;
    selStart = selEnd = -1;
    scroll = 0;
    completing_ = false;
    flags |= kTfChanged;
    if (redraw) Invalidate();
}

char* TextField::getValue() {
    const char* start = value;
    const char* end = value + length;
    if (flags & kTfTrim) {
        while (start < end && gen_isblank((unsigned char)*start)) ++start;
        while (end > start && gen_isblank((unsigned char)end[-1])) --end;
    }
    return gen_copyn(start, (int)(end - start));
}

char* TextField::getTypedValue() {
    return gen_copyn(value, completing_ && hasSelection() ? selStart : length);
}

void TextField::deleteRange(int from, int to) {
    if (from < 0) from = 0;
    if (to > length) to = length;
    if (from >= to) return;
    memmove(value + from, value + to, (size_t)(length - to) + 1);
    length -= to - from;
    caret = from;
    selStart = selEnd = -1;
    changed();
}

void TextField::insert(const char* text, int n) {
    if (hasSelection()) deleteRange(selStart, selEnd);
    if (n <= 0) return;
    ensureRoom(length + n);
    memmove(value + caret + n, value + caret, (size_t)(length - caret) + 1);
    memcpy(value + caret, text, (size_t)n);
    length += n;
    caret += n;
    changed();
}

void TextField::select(int start, int end) {
    if (start < 0) start = 0;
    if (end < 0 || end > length) end = length;
    if (start > length) start = length;
    caret = end;
    selStart = start < end ? start : end;
    selEnd = start < end ? end : start;
    if (selStart == selEnd) selStart = selEnd = -1;
    caretOn_ = true;
    Invalidate();
}

void TextField::moveCaret(int position, bool extend) {
    if (position < 0) position = 0;
    if (position > length) position = length;
    if (!extend) {
        caret = position;
        selStart = selEnd = -1;
        caretOn_ = true;
        Invalidate();
        return;
    }
    int anchor = !hasSelection() ? caret : caret == selStart ? selEnd : selStart;
    select(anchor, position);
}

int TextField::wordLeft(int position) const {
    while (position > 0 && !IsWordChar(value[position - 1])) --position;
    while (position > 0 && IsWordChar(value[position - 1])) --position;
    return position;
}

int TextField::wordRight(int position) const {
    while (position < length && !IsWordChar(value[position])) ++position;
    while (position < length && IsWordChar(value[position])) ++position;
    return position;
}

void TextField::selectWordAt(int position) {
    if (position >= length) position = length - 1;
    if (position < 0) return;
    bool word = IsWordChar(value[position]);
    int start = position, end = position;
    while (start > 0 && IsWordChar(value[start - 1]) == word) --start;
    while (end < length && IsWordChar(value[end]) == word) ++end;
    select(start, end);
}

// ---- Auto-completion ----------------------------------------------------------------

void TextField::typeText(const char* text, int n) {
    for (int i = 0; i < n; ++i) {
        char c = text[i];
        if (completing_ && caret < length && value[caret] == c) {
            // The proposal is kept while the typing agrees with it.
            ++caret;
            selStart = caret;
            if (caret == length) {
                completing_ = false;
                selStart = selEnd = -1;
            }
            changed();
            continue;
        }
        if (completing_) deleteRange(caret, length);
        completing_ = false;
        insert(&c, 1);
    }
    if (!completing_) propose();
}

void TextField::propose() {
    if (!autoComplete || !cfg_autocomplete || caret != length) return;
    ItemGuard guard(this);
    char* rest = autoComplete(this);
    if (guard.alive() && rest && *rest && caret == length) {
        int at = caret;
        insert(rest, (int)strlen(rest));
        select(length, at);
        completing_ = true;
    }
    gen_free(rest);
}

void TextField::acceptCompletion() {
    if (!completing_) return;
    completing_ = false;
    moveCaret(length, false);
}

// ---- Editing commands ---------------------------------------------------------------

void TextField::copySelection() {
    if (hasSelection() && !(flags & kTfSecure))
        WSelectionOwn(kSelectionBoth, value + selStart, selEnd - selStart);
}

void TextField::paste(int which) {
    char* text = WSelectionFetch(which);
    if (!text) return;
    // One line only: line breaks and other control characters become blanks.
    for (char* p = text; *p; ++p)
        if ((unsigned char)*p < 0x20 || *p == 0x7f) *p = ' ';
    insert(text, (int)strlen(text));
    gen_free(text);
}

void TextField::runEditCommand(TfEditCommand command) {
    if ((flags & kTfReadOnly) && TfEditCommandModifies(command)) return;
    completing_ = false;
    int low = hasSelection() ? selStart : caret, high = hasSelection() ? selEnd : caret;
    switch (command) {
    case kTfEditLeft:
        moveCaret(hasSelection() ? low : caret - 1, false);
        break;
    case kTfEditRight:
        moveCaret(hasSelection() ? high : caret + 1, false);
        break;
    case kTfEditWordLeft:
        moveCaret(wordLeft(caret), false);
        break;
    case kTfEditWordRight:
        moveCaret(wordRight(caret), false);
        break;
    case kTfEditLineStart:
        moveCaret(0, false);
        break;
    case kTfEditLineEnd:
        moveCaret(length, false);
        break;
    case kTfEditExtendLeft:
        moveCaret(caret - 1, true);
        break;
    case kTfEditExtendRight:
        moveCaret(caret + 1, true);
        break;
    case kTfEditExtendWordLeft:
        moveCaret(wordLeft(caret), true);
        break;
    case kTfEditExtendWordRight:
        moveCaret(wordRight(caret), true);
        break;
    case kTfEditExtendLineStart:
        moveCaret(0, true);
        break;
    case kTfEditExtendLineEnd:
        moveCaret(length, true);
        break;
    case kTfEditSelectWord:
        selectWordAt(caret);
        break;
    case kTfEditSelectAll:
        select(0, length);
        break;
    case kTfEditCut:
        copySelection();
        if (hasSelection()) deleteRange(selStart, selEnd);
        break;
    case kTfEditCopy:
        copySelection();
        break;
    case kTfEditPaste:
        paste(kSelectionBoth);
        break;
    case kTfEditDelete:
        deleteRange(low, hasSelection() ? high : caret + 1);
        break;
    case kTfEditBackspace:
        deleteRange(hasSelection() ? low : caret - 1, high);
        break;
    case kTfEditDeleteWordBack:
        deleteRange(hasSelection() ? low : wordLeft(caret), high);
        break;
    case kTfEditKillToEnd:
        deleteRange(low, length);
        break;
    case kTfEditQuoteNext:
        quoteNext_ = true;
        break;
    default:
        gen_error("[TextField::EventParse] unexpected case in switch");
        break;
    }
}

// ---- Events -------------------------------------------------------------------------

// Whether the field takes the key, in the order the field owes its keys; 0 leaves it to
// the window.
int TextField::takeKey(xinLibSt* event) {
    const char* text = (const char*)event->e;
    int bytes = text ? (int)event->f : 0;
    int code = (int)event->d;
    long mods = event->c;
    bool readOnly = (flags & kTfReadOnly) != 0;
    TfEditCommand command = kTfEditNone;
    if (quoteNext_) {
        quoteNext_ = false;
        if (bytes > 0) insert(text, bytes);
        return 1;
    }
    if (IsReturnKey(code, text, bytes) && !readOnly) {
        acceptCompletion();
        return (flags & kTfWantsReturn) ? 1 : 0;
    }
    if ((code == kKeyUp || code == kKeyDown) && pulldown && !pulldown->listOpen()) {
        pulldown->openList();
        return 1;
    }
    if (code == kKeyTab && completing_) {
        acceptCompletion();
        return 1;
    }
    if (TfIsEditKey(code, mods, text, bytes) &&
        (command = TfLookupEditKey(code, mods)) != kTfEditNone) {
        runEditCommand(command);
        return 1;
    }
    if (code == kKeyTab && !readOnly) {
        cwTabFocus(TopWindow(), (mods & kModShift) != 0);
        return 1;
    }
    if (IsPrintable(text, bytes) && !(mods & (kModMeta | kModControl)) && !readOnly) {
        typeText(text, bytes);
        return 1;
    }
    return 0;
}

int TextField::key(xinLibSt* event) {
    ItemGuard guard(this);
    int taken = takeKey(event);
    if (!guard.alive()) return 1;
    if ((taken || event->f == 0) && postEvent) {
        postEvent(this, event);
        if (!guard.alive()) return 1;
    }
    // Return and Escape left here go to the window's default and Cancel buttons.
    return taken ? 1 : btWindowKey(TopWindow(), event);
}

int TextField::positionAt(int px) const {
    int at = px - boxX() - kInnerPad + scroll;
    int position = 0, before = 0;
    while (position < length) {
        int after = before + textWidth(position, position + 1);
        if (at < (before + after) / 2) break;
        before = after;
        ++position;
    }
    return position;
}

void TextField::mouse(xinLibSt* event) {
    if (event->d == 0) {
        if (dragging_ && (event->c & kModButton1)) moveCaret(positionAt((int)event->a), true);
        return;
    }
    if (event->d == -1) {
        // A drag, or the word or line a double or triple click chose, is what a middle
        // click elsewhere pastes.
        if (event->f == 1 && (dragging_ || clicks_ >= 2)) {
            dragging_ = false;
            if (hasSelection() && !(flags & kTfSecure))
                WSelectionOwn(kSelectionPrimary, value + selStart, selEnd - selStart);
        }
        return;
    }
    int position = positionAt((int)event->a);
    if (event->f == 2 && !(flags & kTfReadOnly)) {
        completing_ = false;
        moveCaret(position, false);
        paste(kSelectionPrimary);
        ItemGuard guard(this);
        if (postEvent) postEvent(this, event);
        return;
    }
    if (event->f != 1) return;
    long now = event->g;
    bool again = position == lastClickPosition_ && now - lastClickTime_ <= clickpause * 100L;
    clicks_ = again ? clicks_ + 1 : 1;
    lastClickTime_ = now;
    lastClickPosition_ = position;
    completing_ = false;
    if (clicks_ == 2) {
        selectWordAt(position);
    } else if (clicks_ >= 3) {
        select(0, length);
    } else {
        moveCaret(position, (event->c & kModShift) != 0);
        dragging_ = true;
    }
}

int TextField::EventParse(xinLibSt* event, GItem*) {
    switch (event->kind) {
    case kXinRedraw:
        paint(event);
        return 1;
    case kXinMouse:
        mouse(event);
        return 1;
    case kXinKey:
        return isActive() ? key(event) : 0;
    default:
        return 0;
    }
}

void TextField::Activate(GItem* item, int on) {
    GItem::Activate(item, on);
    completing_ = false;
    dragging_ = false;
    caretOn_ = true;
    if (on)
        startBlink();
    else
        stopBlink();
}

// ---- Caret blinking -----------------------------------------------------------------

void TextField::startBlink() {
    stopBlink();
    if (vfBlinkingCaret) blink_ = ExtraProcess_Create(kExtraTimer, kBlinkMs, Blink, nullptr, this);
}

void TextField::stopBlink() {
    if (!blink_) return;
    ExtraProcess_Kill(blink_, 1);
    MHandleDestroy(blink_);
    blink_ = nullptr;
}

int TextField::Blink(void* self, int) {
    TextField* field = static_cast<TextField*>(self);
    field->caretOn_ = !field->caretOn_;
    field->Invalidate();
    ExtraProcess_SetTimeout(field->blink_, kBlinkMs);
    return 0;
}

// ---- Painting -----------------------------------------------------------------------

int TextField::textWidth(int from, int to) const {
    if (to <= from) return 0;
    if (!(flags & kTfSecure)) return WTextWidth(value + from, to - from, FontNumber());
    std::string stars((size_t)(to - from), kSecureChar);
    return WTextWidth(stars.data(), to - from, FontNumber());
}

void TextField::adjustScroll() {
    int inner = boxWidth() - 2 * kInnerPad;
    int at = textWidth(0, caret);
    if (at - scroll > inner - 1) scroll = at - inner + 1;
    if (at < scroll) scroll = at > inner / 3 ? at - inner / 3 : 0;
    // A text that got shorter comes back into view: no blank beyond its end (and the
    // caret after it) while the text's start is scrolled away.
    int most = textWidth(0, length) - inner + 1;
    if (scroll > most) scroll = most;
    if (scroll < 0) scroll = 0;
}

void TextField::paint(xinLibSt* event) {
    Window w = getW();
    int number = FontNumber();
    if (!w || number < 0 || !fontinfo[number].font) return;
    const FontInfo& f = fontinfo[number];
    int baseline = y + (height - f.height + 1) / 2 + f.ascent;
    if (label && *label) {
        WSetColor(w, fg_pixel, bg_pixel);
        WClearRect(w, x + kTfMargin, y, labelWidth(), height);
        WSetFont(w, bfont_num);
        WDrawString(w, x + kTfMargin, baseline, label, -1);
    }
    int bx = boxX(), bw = boxWidth();
    if (bw < 2) return;
    WSetColor(w, (flags & kTfReadOnly) ? bg_pixel : white_pixel, bg_pixel);
    WFillRect(w, bx, y, bw, height);
    WDrawBevel(w, bx, y, bw, height, false, bg_pixel);
    int ix = bx + kInnerPad, iw = bw - 2 * kInnerPad;
    // Clip to the inside of the box and to the area being painted.
    int cx0 = ix > event->a ? ix : (int)event->a;
    int cy0 = y + 1 > event->b ? y + 1 : (int)event->b;
    int cx1 = ix + iw < event->a + event->c ? ix + iw : (int)(event->a + event->c);
    int cy1 = y + height - 1 < event->b + event->d ? y + height - 1 : (int)(event->b + event->d);
    if (cx1 <= cx0 || cy1 <= cy0) return;
    WSetClipRect(w, cx0, cy0, cx1 - cx0, cy1 - cy0);
    adjustScroll();
    int tx = ix - scroll;
    if (hasSelection()) {
        WSetForeground(w, select_pixel);
        WFillRect(w, tx + textWidth(0, selStart), y + 2, textWidth(selStart, selEnd), height - 4);
    }
    WSetColor(w, fg_pixel, white_pixel);
    WSetFont(w, number);
    std::string shown = (flags & kTfSecure) ? std::string((size_t)length, kSecureChar)
                                            : std::string(value, (size_t)length);
    WDrawString(w, tx, baseline, shown.data(), length);
    if (hasSelection()) { // the same glyphs again, light on the selection's dark
        WSetForeground(w, white_pixel);
        WDrawString(w, tx + textWidth(0, selStart), baseline, shown.data() + selStart,
                    selEnd - selStart);
        WSetForeground(w, fg_pixel);
    }
    if (isActive() && caretOn_) {
        int cx = tx + textWidth(0, caret);
        WDrawLine(w, cx, y + 3, cx, y + height - 4);
    }
    WSetClipRect(w, (int)event->a, (int)event->b, (int)event->c, (int)event->d);
}

// ---- Entry points -------------------------------------------------------------------

TextField* tfCreate(GItem* parent, int x, int y, int width, int height, const char* helpKey,
                    const char* initial, int selectionStart, int selectionEnd, TfVerifyFn verify) {
    TextField* field = new (std::nothrow) TextField(parent, x, y, width, height);
    if (!field) return nullptr;
    field->helpKey = gen_copy(helpKey);
    field->verify = verify;
    field->setValue(initial, false, true);
    field->flags &= ~kTfChanged;
    if (selectionStart >= 0) field->select(selectionStart, selectionEnd);
    ColWind* top = field->TopWindow();
    if (verify && top && top->kind == kKindDialog) {
        Dialog* dialog = static_cast<Dialog*>(top);
        if (!dialog->verifyField) dlSetVerify(dialog, field, DialogVerify);
    }
    return field;
}

void tfSetAutoCompleteFunction(TextField* field, TfAutoCompleteFn fn) {
    if (field) field->autoComplete = fn;
}

namespace {

void SetFlag(TextField* field, unsigned flag, bool on) {
    if (!field) return;
    field->flags = on ? field->flags | flag : field->flags & ~flag;
    field->Invalidate();
}

} // namespace

void tfSetReadOnly(TextField* field, bool on) {
    SetFlag(field, kTfReadOnly, on);
}

void tfSetWantsReturn(TextField* field, bool on) {
    SetFlag(field, kTfWantsReturn, on);
}

void tfSetSecure(TextField* field, bool on) {
    SetFlag(field, kTfSecure, on);
}

void tfSetTrim(TextField* field, bool on) {
    SetFlag(field, kTfTrim, on);
}

char* tf_AutoCompleteDir(TextField* field) {
    if (!field) return nullptr;
    std::string typed(field->value, (size_t)field->caret);
    size_t slash = typed.rfind('/');
    std::string dir = slash == std::string::npos ? "." : typed.substr(0, slash + 1);
    std::string prefix = slash == std::string::npos ? typed : typed.substr(slash + 1);
    if (prefix.empty()) return nullptr;
    char* expanded = gen_expand_filename(dir.c_str());
    GenDirCursor cursor;
    memset(&cursor, 0, sizeof cursor);
    bool opened = expanded && gen_dir_open(&cursor, expanded) == 1;
    gen_free(expanded);
    if (!opened) return nullptr;
    gen_dir_restrict_files(&cursor, true, nullptr);
    // "." and ".." are left out; other hidden names match only a prefix that starts with '.'.
    gen_dir_restrict_dirs(&cursor, false, true, false);
    std::string best;
    bool found = false;
    while (const char* name = gen_dir_next_entry(&cursor)) {
        if (!cursor.isDir || strncmp(name, prefix.c_str(), prefix.size()) != 0) continue;
        if (strlen(name) == prefix.size()) continue;
        if (!found || strcmp(name, best.c_str()) < 0) best = name;
        found = true;
    }
    gen_dir_close(&cursor);
    return found ? gen_copy(best.c_str() + prefix.size()) : nullptr;
}
