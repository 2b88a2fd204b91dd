// The pieces a text view shows. Every entry of a text store is a TextElement that measures
// itself for a view and paints a portion of itself there; the view only lays the pieces
// out in lines. The kinds the coloured-text browser makes follow the interface: ColorText
// (a run of text), HyperLink (clickable text), ColorBox (margins and blocks), ColorLine (a
// rule) and ColorTab. Start with TextElement.
#pragma once

class WTextView;

// Where a portion is painted: the element's column in the line, in window coordinates.
struct TextPaintArea {
    int x;
    int top;
    int width;    // the pixels the element takes in this line (to the right edge for a spanner)
    int height;   // the line's height; elements fill it so no gap stays unpainted
    int baseline; // y of the line's text baseline
};

class TextElement {
public:
    virtual ~TextElement();
    virtual int getWidth(WTextView* view) = 0;
    virtual int getHeight(WTextView* view) = 0;
    // A spanner reaches from its place to the view's right edge and takes no width itself.
    virtual bool isSpanner(WTextView* view);
    // A tab takes the width up to the view's next tab stop.
    virtual bool isTab(WTextView* view);
    // A hot element acts on a click (handleMouseClick).
    virtual bool isHot(WTextView* view);
    virtual bool hasTip(WTextView* view);
    // The number of leading characters that fit in `width` pixels, ending after a blank;
    // with no blank to end at: as many characters as fit when `orCharacters`, else 0.
    virtual int findWordSplit(WTextView* view, int width, bool orCharacters);
    // The number of leading characters that fit in `width` pixels.
    virtual int findCharacterSplit(WTextView* view, int width);
    // The x offset of character `index` from the element's left edge.
    virtual int findCharPosition(WTextView* view, int index);
    // Points *text at up to `length` characters from `start` (a length below 0: to the
    // end); false for an element without text. The text stays the element's.
    virtual bool getRawText(WTextView* view, int start, int length, const char** text,
                            int* textLength);
    // The same as a new string (gen_free it), or null without text.
    virtual char* getRawTextCopy(WTextView* view, int start, int length);
    // Gives back text from getRawText (nothing to do for elements that lend their own).
    virtual void releaseRawText(WTextView* view, const char* text);
    virtual void paintPortion(WTextView* view, const TextPaintArea& area) = 0;
    // A click on character `index` with mouse button `button`; true when it acted.
    virtual bool handleMouseClick(WTextView* view, int index, int button);
    // The tip for character `index` as a new string, or null.
    virtual char* getTip(WTextView* view, int index);
    // The foreground or background pixel, or getNoSuchColor() for one the element lacks.
    virtual unsigned long getColor(WTextView* view, bool foreground);
    // Recolours the foreground or background; an element without that colour ignores it.
    virtual void changeColor(WTextView* view, unsigned long pixel, bool foreground);
    // The distance from the element's top to its text baseline; -1 for elements without
    // text, which take no part in aligning a line's baseline.
    virtual int getAscent(WTextView* view);

    // The pixel value that stands for "no colour" (also what -1 as a pixel means).
    static unsigned long getNoSuchColor() { return ~0ul; }
};

// A run of text in one font and two colours. The text is not copied: it points into text
// that outlives the element (the browser's interned copies).
class ColorText : public TextElement {
public:
    ColorText(unsigned long foreground, unsigned long background, int fontNumber, const char* text,
              int length);

    int getWidth(WTextView* view) override;
    int getHeight(WTextView* view) override;
    int findWordSplit(WTextView* view, int width, bool orCharacters) override;
    int findCharacterSplit(WTextView* view, int width) override;
    int findCharPosition(WTextView* view, int index) override;
    bool getRawText(WTextView* view, int start, int length, const char** text,
                    int* textLength) override;
    void paintPortion(WTextView* view, const TextPaintArea& area) override;
    unsigned long getColor(WTextView* view, bool foreground) override;
    void changeColor(WTextView* view, unsigned long pixel, bool foreground) override;
    int getAscent(WTextView* view) override;

    const char* text() const { return text_; }
    int length() const { return length_; }
    int fontNumber() const { return font_; }

protected:
    unsigned long foreground_;
    unsigned long background_;
    int font_;
    const char* text_;
    int length_;
};

// Called with the link's data and text when the link is clicked.
typedef void (*HyperLinkCallback)(void* data, const char* text, int length);

// Underlined text that calls its callback when clicked with the first button.
class HyperLink : public ColorText {
public:
    HyperLink(HyperLinkCallback callback, void* data, const char* text, int length,
              unsigned long foreground, unsigned long background, int fontNumber);

    bool isHot(WTextView* view) override;
    void paintPortion(WTextView* view, const TextPaintArea& area) override;
    bool handleMouseClick(WTextView* view, int index, int button) override;

private:
    HyperLinkCallback callback_;
    void* data_;
};

// A filled box hanging from the top of its line: the margin that starts every line of
// the browser, or a coloured block. Its pixel is its background colour.
class ColorBox : public TextElement {
public:
    ColorBox(unsigned long pixel, int width, int height);

    int getWidth(WTextView* view) override;
    int getHeight(WTextView* view) override;
    void paintPortion(WTextView* view, const TextPaintArea& area) override;
    unsigned long getColor(WTextView* view, bool foreground) override;
    void changeColor(WTextView* view, unsigned long pixel, bool foreground) override;

private:
    unsigned long pixel_;
    int width_;
    int height_;
};

// A rule of `height` pixels across the view. Its pixel is its foreground colour.
class ColorLine : public TextElement {
public:
    ColorLine(unsigned long pixel, int height);

    int getWidth(WTextView* view) override;
    int getHeight(WTextView* view) override;
    bool isSpanner(WTextView* view) override;
    void paintPortion(WTextView* view, const TextPaintArea& area) override;
    unsigned long getColor(WTextView* view, bool foreground) override;
    void changeColor(WTextView* view, unsigned long pixel, bool foreground) override;

private:
    unsigned long pixel_;
    int height_;
};

// A tab: blank space in its pixel (a background colour) up to the next tab stop. Its text
// is one tab character, so a view's text keeps its tabs.
class ColorTab : public TextElement {
public:
    ColorTab(unsigned long pixel, int height);

    int getWidth(WTextView* view) override;
    int getHeight(WTextView* view) override;
    bool isTab(WTextView* view) override;
    bool getRawText(WTextView* view, int start, int length, const char** text,
                    int* textLength) override;
    void paintPortion(WTextView* view, const TextPaintArea& area) override;
    unsigned long getColor(WTextView* view, bool foreground) override;
    void changeColor(WTextView* view, unsigned long pixel, bool foreground) override;

private:
    unsigned long pixel_;
    int height_;
};
