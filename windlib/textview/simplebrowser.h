// SimpleBrowser: the append-only writer in front of a text view that makes it a coloured
// log. Text with line ends and tabs becomes margin boxes, coloured text runs, tab
// elements and line ends in the browser's own store; whole lines can be recoloured later
// and the old colours restored. Start with addSomeText (the add... family) and
// changeSomeColor.
#pragma once

#include <map>
#include <string>
#include <unordered_set>

#include "windlib/textview/textelement.h"
#include "windlib/textview/textstore.h"

class WTextView;
struct mHandle;

// Pixels the browser writes with: red text and links. Taken from the configuration's
// colours when the first browser is made.
extern unsigned long red_pixel;
extern unsigned long keyword_fg;

class SimpleBrowser {
public:
    // Writes to `view` through a new store (an ArrayStore with `useArrayStore`, else a
    // SimpleTextStore), with tab stops every 8 'n' widths after the margin.
    SimpleBrowser(WTextView* view, bool useArrayStore);
    // Disconnects the view and destroys the text and the store.
    ~SimpleBrowser();
    SimpleBrowser(const SimpleBrowser&) = delete;
    SimpleBrowser& operator=(const SimpleBrowser&) = delete;

    // The width of the box that starts each line; negative or unchanged values are ignored.
    void setMargin(int pixels);
    // Draws the lines on the control colour (on) or the view's background (off).
    void setReadOnlyBackground(bool on);

    // Appending text: a length below 0 means up to the terminating null, 0 adds nothing.
    // A background of -1 is the view's background.
    void addText(const char* text, int length = -1);
    void addRedText(const char* text, int length = -1);
    void addBigText(const char* text, int length = -1);
    void addBigRedText(const char* text, int length = -1);
    void addColoredText(const char* text, unsigned long foreground, unsigned long background,
                        int length = -1);
    void addBigColoredText(const char* text, unsigned long foreground, unsigned long background,
                           int length = -1);
    void addLink(HyperLinkCallback callback, void* data, const char* text, int length = -1);

    void addJustLineBreak();
    // A half-width box in `pixel` (-1: the default background), and for a real pixel a
    // rule of the line's height too, then a line end.
    void addLineBreak(unsigned long pixel);
    void addSplit();
    void addRedSplit();
    void addRedBar();
    // A block or rule; a negative width is taken as positive and ends the line after it.
    void addColoredLine(unsigned long pixel, int width, int height, bool inCharacters, bool asLine);
    // Appends a caller-made element (the store owns it from now on).
    void addElement(TextElement* element);

    // Removes everything with one notification of the view.
    void clear();
    void removeAllText();
    void startBatch();
    void endBatch();

    // The whole text as a new string (gen_free it).
    char* getText();
    // Writes the header (when given) and the text; false when the file cannot be written.
    bool saveText(const char* path, const char* header);
    // Prints through the configured print command; true when it succeeded.
    bool printText(const char* header);

    // Lines count from 1; with `save` the colours replaced are remembered for revertColor.
    void changeForegroundColor(int firstLine, int lastLine, unsigned long pixel, bool save);
    void changeBackgroundColor(int firstLine, int lastLine, unsigned long pixel, bool save);
    // Restores the remembered foreground (or background) colours of the lines.
    void revertColor(int firstLine, int lastLine, bool foreground);
    void clearReversions();

    // Tells the view that the element (somewhere in the store) changed.
    void notifyElementChanged(TextElement* element);
    // Wraps appended text at `widthPixels` (below 1: never), starting each line with
    // `indentCount` copies of `indentString`.
    void setAutoWrap(int widthPixels, int indentCount, const char* indentString);

    TextStore* getStore() const { return store_; }
    int getMargin() const { return margin_; }
    bool isAtLineStart() const { return atLineStart_; }

private:
    struct Style {
        unsigned long foreground;
        unsigned long background;
        int font;
        bool isLink; // the text becomes links calling link(linkData, ...)
        HyperLinkCallback link;
        void* linkData;
    };
    WTextView* view() const;
    unsigned long defaultBackground() const;
    unsigned long viewBackground() const;
    int fontHeight(int font) const;
    int charWidth(int font) const;
    int textWidth(const char* text, int length, int font) const;
    void resetTabStop();
    void append(TextElement* element);
    void appendBreak();
    void addMarginIfAtLineStart(const Style& style);
    void addSomeText(const char* text, int length, const Style& style);
    void addCleanText(const char* text, int length, const Style& style);
    const std::string& intern(std::string text);
    std::string wrap(const char* text, int length, int font) const;
    void changeSomeColor(int firstLine, int lastLine, unsigned long pixel, bool save,
                         bool foreground, bool revert);

    mHandle* view_;
    TextStore* store_;
    int margin_ = 1;
    bool atLineStart_ = true;
    bool readOnlyBackground_ = false;
    int wrapWidth_ = 0x7FFFFFFF;
    int wrapIndentCount_ = 0;
    char* wrapIndent_ = nullptr;
    std::unordered_set<std::string> texts_;
    std::map<TextElement*, unsigned long> savedForeground_;
    std::map<TextElement*, unsigned long> savedBackground_;
};
