// The coloured-text browser (see simplebrowser.h). Every appended text is wrapped (when
// wrapping is on), interned once, and cut at line ends and tabs into elements that point
// into the interned copy. The browser holds its view by a weak handle: a view deleted
// with its window leaves a browser that still keeps (and can save) its text.
#include "windlib/textview/simplebrowser.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "shared/libcxxutil/ut_system.h"
#include "windlib/config/config_tables.h"
#include "windlib/mhandle.h"
#include "windlib/textview/arraystore.h"
#include "windlib/textview/wtextview.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xfonts.h"

unsigned long red_pixel = 0;
unsigned long keyword_fg = 0;

namespace {

const int kNoWrap = 0x7FFFFFFF;
const int kTabColumns = 8;
const int kSplitHeight = 10;
const unsigned long kNoColor = ~0ul;

// Colours exist only on a display; without one every pixel stays 0.
void InitBrowserPixels() {
    if (!display) return;
    red_pixel = WAllocateColor(65535, 0, 0);
    keyword_fg = cfg_keyword ? cfg_keyword_pixel : WAllocateColor(0, 0, 65535);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The path quoted for /bin/sh, whatever characters it holds.
std::string ShellQuoted(const char* path) {
    std::string quoted = "'";
    for (const char* p = path; *p; ++p) {
        if (*p == '\'')
            quoted += "'\\''";
        else
            quoted += *p;
    }
    return quoted + "'";
}

} // namespace

// ---- Creation and settings ----------------------------------------------------------

SimpleBrowser::SimpleBrowser(WTextView* view, bool useArrayStore)
    : view_(view ? view->handle() : nullptr),
      store_(useArrayStore ? static_cast<TextStore*>(new ArrayStore)
                           : static_cast<TextStore*>(new SimpleTextStore)) {
    InitBrowserPixels();
    resetTabStop();
    if (view) view->setTextStore(store_);
}

SimpleBrowser::~SimpleBrowser() {
    WTextView* v = view();
    if (v && v->getTextStore() == store_) v->setTextStore(nullptr);
    removeAllText();
    delete store_;
    gen_free(wrapIndent_);
    MHandleDestroy(view_);
}

WTextView* SimpleBrowser::view() const {
    return static_cast<WTextView*>(MHandleObject(view_));
}

unsigned long SimpleBrowser::viewBackground() const {
    WTextView* v = view();
    return v ? v->getBackground() : bg_pixel;
}

unsigned long SimpleBrowser::defaultBackground() const {
    return readOnlyBackground_ ? control_pixel : viewBackground();
}

int SimpleBrowser::fontHeight(int font) const {
    WTextView* v = view();
    return v ? v->fontHeight(font) : 0;
}

int SimpleBrowser::charWidth(int font) const {
    WTextView* v = view();
    return v ? v->fontCharWidth(font) : 0;
}

int SimpleBrowser::textWidth(const char* text, int length, int font) const {
    WTextView* v = view();
    return v ? v->textWidth(text, length, font) : 0;
}

void SimpleBrowser::resetTabStop() {
    if (WTextView* v = view()) v->setTabStop(kTabColumns * charWidth(0), margin_);
}

void SimpleBrowser::setMargin(int pixels) {
    if (pixels < 0 || pixels == margin_) return;
    margin_ = pixels;
    resetTabStop();
}

void SimpleBrowser::setReadOnlyBackground(bool on) {
    readOnlyBackground_ = on;
    WTextView* v = view();
    int lines = v ? v->getLineCount() : 0;
    changeBackgroundColor(1, lines, on ? control_pixel : viewBackground(), false);
    if (v) v->setReadOnlyBackground(on);
}

void SimpleBrowser::setAutoWrap(int widthPixels, int indentCount, const char* indentString) {
    if (indentCount > 0 && !indentString) {
        gen_error("Non-fatal assertion (non-zero indentation with empty string) failed in '%s' "
                  "on line %d\n",
                  __FILE__, __LINE__);
        indentCount = 0;
    }
    wrapWidth_ = widthPixels > 0 ? widthPixels : kNoWrap;
    wrapIndentCount_ = indentCount > 0 ? indentCount : 0;
    gen_free(wrapIndent_);
    wrapIndent_ = gen_copy(indentString);
}

// ---- Appending ----------------------------------------------------------------------

void SimpleBrowser::append(TextElement* element) {
    store_->insertText(element, nullptr);
}

void SimpleBrowser::appendBreak() {
    store_->insertBreak(nullptr);
    atLineStart_ = true;
}

void SimpleBrowser::addMarginIfAtLineStart(const Style& style) {
    if (!atLineStart_) return;
    append(new ColorBox(style.background, margin_, fontHeight(style.font)));
    atLineStart_ = false;
}

const std::string& SimpleBrowser::intern(std::string text) {
    return *texts_.insert(std::move(text)).first;
}

std::string SimpleBrowser::wrap(const char* text, int length, int font) const {
    if (wrapWidth_ == kNoWrap) return std::string(text, (size_t)length);
    std::string indent;
    for (int i = 0; i < wrapIndentCount_; ++i) indent += wrapIndent_;
    int indentWidth = textWidth(indent.c_str(), (int)indent.size(), font);
    std::string out;
    int x = atLineStart_ ? indentWidth : (view() ? view()->getPartialLineWidth() : 0);
    if (atLineStart_) out += indent;
    int lineStart = 0; // first character not copied yet
    int cutAt = -1;    // the last blank of the line, where it is best cut
    for (int i = 0; i < length;) {
        char c = text[i];
        // A line needs one character at least, so a narrow width cannot stall the loop.
        if (x >= wrapWidth_ && i > lineStart) {
            int cut = cutAt > lineStart ? cutAt : i; // a blank first would leave it empty
            out.append(text + lineStart, (size_t)(cut - lineStart));
            out += '\n';
            out += indent;
            while (cut < length && IsBlank(text[cut])) ++cut;
            // Characters between the cut and i are measured again on the new line.
            i = lineStart = cut;
            x = indentWidth;
            cutAt = -1;
            continue;
        }
        if (c == '\n') {
            out.append(text + lineStart, (size_t)(i + 1 - lineStart));
            if (i + 1 < length) out += indent; // every line starts indented
            lineStart = i + 1;
            x = indentWidth;
            cutAt = -1;
        } else {
            x += textWidth(&c, 1, font);
            if (IsBlank(c)) cutAt = i;
        }
        ++i;
    }
    out.append(text + lineStart, (size_t)(length - lineStart));
    return out;
}

void SimpleBrowser::addCleanText(const char* text, int length, const Style& style) {
    addMarginIfAtLineStart(style);
    if (length == 0)
        append(new ColorText(fg_pixel, defaultBackground(), 0, text, 0));
    else if (style.isLink)
        append(new HyperLink(style.link, style.linkData, text, length, style.foreground,
                             style.background, style.font));
    else
        append(new ColorText(style.foreground, style.background, style.font, text, length));
    atLineStart_ = false;
}

void SimpleBrowser::addSomeText(const char* buf, int length, const Style& style) {
    __Assert(buf != nullptr, "buf != (0L)", __FILE__, __LINE__, 0);
    if (length < 0) length = (int)strlen(buf);
    if (length == 0) return;
    const std::string& text = intern(wrap(buf, length, style.font));
    const char* p = text.data();
    int n = (int)text.size();
    int start = 0;
    bool afterTab = false;
    for (int i = 0; i < n; ++i) {
        if (p[i] == '\n') {
            // An empty line still gets its margin box and an element.
            if (i > start || !afterTab) addCleanText(p + start, i - start, style);
            appendBreak();
            start = i + 1;
            afterTab = false;
        } else if (p[i] == '\t') {
            if (i > start) addCleanText(p + start, i - start, style);
            addMarginIfAtLineStart(style);
            append(new ColorTab(style.background, fontHeight(0)));
            start = i + 1;
            afterTab = true;
        }
    }
    if (n > start) addCleanText(p + start, n - start, style);
}

void SimpleBrowser::addText(const char* text, int length) {
    addSomeText(text, length, Style{fg_pixel, defaultBackground(), 0, false, nullptr, nullptr});
}

void SimpleBrowser::addRedText(const char* text, int length) {
    addSomeText(text, length, Style{red_pixel, defaultBackground(), 0, false, nullptr, nullptr});
}

void SimpleBrowser::addBigText(const char* text, int length) {
    addSomeText(text, length, Style{fg_pixel, defaultBackground(), 1, false, nullptr, nullptr});
}

void SimpleBrowser::addBigRedText(const char* text, int length) {
    addSomeText(text, length, Style{red_pixel, defaultBackground(), 1, false, nullptr, nullptr});
}

void SimpleBrowser::addColoredText(const char* text, unsigned long foreground,
                                   unsigned long background, int length) {
    if (background == kNoColor) background = viewBackground();
    addSomeText(text, length, Style{foreground, background, 0, false, nullptr, nullptr});
}

void SimpleBrowser::addBigColoredText(const char* text, unsigned long foreground,
                                      unsigned long background, int length) {
    if (background == kNoColor) background = viewBackground();
    addSomeText(text, length, Style{foreground, background, 1, false, nullptr, nullptr});
}

void SimpleBrowser::addLink(HyperLinkCallback callback, void* data, const char* text, int length) {
    addSomeText(text, length, Style{keyword_fg, defaultBackground(), 0, true, callback, data});
}

void SimpleBrowser::addJustLineBreak() {
    appendBreak();
}

void SimpleBrowser::addLineBreak(unsigned long pixel) {
    unsigned long box = pixel == kNoColor ? defaultBackground() : pixel;
    append(new ColorBox(box, charWidth(0) / 2, fontHeight(0)));
    if (pixel != kNoColor) append(new ColorLine(pixel, fontHeight(0)));
    appendBreak();
}

void SimpleBrowser::addSplit() {
    append(new ColorLine(fg_pixel, kSplitHeight));
    appendBreak();
}

void SimpleBrowser::addRedSplit() {
    append(new ColorLine(red_pixel, kSplitHeight));
    appendBreak();
}

void SimpleBrowser::addRedBar() {
    append(new ColorLine(red_pixel, kSplitHeight));
    atLineStart_ = false;
}

void SimpleBrowser::addColoredLine(unsigned long pixel, int width, int height, bool inCharacters,
                                   bool asLine) {
    bool endsLine = width < 0;
    if (endsLine)
        width = -width;
    else if (inCharacters)
        width *= charWidth(0);
    if (inCharacters) height *= fontHeight(0);
    if (asLine)
        append(new ColorLine(pixel, height));
    else
        append(new ColorBox(pixel, width, height));
    atLineStart_ = false;
    if (endsLine) appendBreak();
}

void SimpleBrowser::addElement(TextElement* element) {
    append(element);
    atLineStart_ = false;
}

// ---- Clearing and batches -----------------------------------------------------------

void SimpleBrowser::clear() {
    store_->suppressNotification();
    removeAllText();
    store_->allowNotification();
}

void SimpleBrowser::removeAllText() {
    store_->clearText();
    texts_.clear();
    atLineStart_ = true;
    // The remembered colours belonged to elements that are gone.
    clearReversions();
}

void SimpleBrowser::startBatch() {
    store_->suppressNotification();
}

void SimpleBrowser::endBatch() {
    store_->allowNotification();
}

// ---- The text as a whole ------------------------------------------------------------

char* SimpleBrowser::getText() {
    WTextView* v = view();
    return v && v->getTextStore() == store_ ? v->getText()
                                            : WTextView::getStoreText(store_, nullptr);
}

bool SimpleBrowser::saveText(const char* path, const char* header) {
    FILE* file = path ? fopen(path, "w") : nullptr;
    if (!file) return false;
    bool ok = true;
    if (header && *header) {
        ok = fputs(header, file) >= 0;
        if (ok && header[strlen(header) - 1] != '\n') ok = fputc('\n', file) != EOF;
    }
    char* text = getText();
    size_t length = strlen(text);
    ok = ok && fwrite(text, 1, length, file) == length;
    gen_free(text);
    return fclose(file) == 0 && ok;
}

bool SimpleBrowser::printText(const char* header) {
    std::string path = std::string(gen_temp_dir(nullptr)) + "/vtprintXXXXXX";
    int fd = mkstemp(&path[0]);
    if (fd < 0) return false;
    close(fd);
    bool ok = saveText(path.c_str(), header);
    if (ok) {
        const char* command = cfg_printcommand && *cfg_printcommand ? cfg_printcommand : "lp";
        std::string line = std::string(command) + " " + ShellQuoted(path.c_str());
        ok = blocking_systemcall(line.c_str(), nullptr, nullptr);
    }
    unlink(path.c_str());
    return ok;
}

// ---- Recolouring --------------------------------------------------------------------

void SimpleBrowser::changeSomeColor(int firstLine, int lastLine, unsigned long pixel, bool save,
                                    bool foreground, bool revert) {
    std::map<TextElement*, unsigned long>& saved = foreground ? savedForeground_ : savedBackground_;
    WTextView* v = view();
    bool changed = false;
    int line = 1;
    for (TextReference ref = store_->getFirstElement(); ref; ref = store_->getNextElement(ref)) {
        if (store_->isLineEnd(ref)) {
            if (line >= lastLine) break;
            ++line;
            continue;
        }
        TextElement* element = store_->getElement(ref);
        if (line < firstLine || !element) continue;
        unsigned long target = pixel;
        if (revert) {
            auto it = saved.find(element);
            target = it == saved.end() ? kNoColor : it->second;
        }
        unsigned long current = element->getColor(v, foreground);
        if (current == target) continue;
        if (save)
            saved[element] = current;
        else
            saved.erase(element);
        if (target == kNoColor) continue;
        element->changeColor(v, target, foreground);
        changed = true;
    }
    if (changed && v) v->Invalidate();
}

void SimpleBrowser::changeForegroundColor(int firstLine, int lastLine, unsigned long pixel,
                                          bool save) {
    changeSomeColor(firstLine, lastLine, pixel, save, true, false);
}

void SimpleBrowser::changeBackgroundColor(int firstLine, int lastLine, unsigned long pixel,
                                          bool save) {
    changeSomeColor(firstLine, lastLine, pixel, save, false, false);
}

void SimpleBrowser::revertColor(int firstLine, int lastLine, bool foreground) {
    changeSomeColor(firstLine, lastLine, kNoColor, false, foreground, true);
}

void SimpleBrowser::clearReversions() {
    savedForeground_.clear();
    savedBackground_.clear();
}

void SimpleBrowser::notifyElementChanged(TextElement* element) {
    WTextView* v = view();
    if (!v || !element) return;
    for (TextReference ref = store_->getFirstElement(); ref; ref = store_->getNextElement(ref)) {
        if (store_->getElement(ref) == element) {
            v->handleChangedText(store_, ref);
            return;
        }
    }
}
