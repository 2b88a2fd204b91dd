// The line table of a text view: for every line its first position in the store, its top,
// height, baseline and width, measured from the elements. Appending at the end of the store
// only touches the last line, so a log of any length grows in amortised O(1) per element;
// anything else rebuilds the table in one pass. Start with append and rebuild.
#pragma once

#include <vector>

#include "windlib/textview/textstore.h"

class WTextView;

struct TextLine {
    TextReference first; // its first position (an element or its line end); null: none yet
    int top;             // pixels from the top of the text
    int height;
    int ascent; // from the top to the text baseline
    int width;
    // What the height is made of, kept so the last line can grow element by element: the
    // tallest text ascent and descent, and the tallest element without text.
    int textAscent;
    int textDescent;
    int boxHeight;
    bool closed; // ended by a line end
};

class TextLayout {
public:
    // Measures through the view (its fonts and tab stops); the view outlives the table.
    explicit TextLayout(WTextView* view);

    // Measures the whole store again (null: empty).
    void rebuild(TextStore* store);
    // `ref`, just added at the end of `store`, joins the last line (or closes it).
    void append(TextStore* store, TextReference ref);
    void clear();

    // Lines with content: every ended line, and the last one when it holds anything.
    int lineCount() const;
    // The width of the last line while it is not ended, else 0.
    int partialWidth() const;
    int totalHeight() const;
    int maxWidth() const { return maxWidth_; }
    // Line `index` from 0; the last, open line included (index lineCount() when empty).
    const TextLine& line(int index) const { return lines_[index]; }
    int storedLines() const { return (int)lines_.size(); }
    // The line covering pixel row y of the text (clamped to the stored lines).
    int lineAt(int y) const;

private:
    // Adds the element's extent to the line, at x = the line's width.
    void measureInto(TextLine& line, TextElement* element);
    void finishHeight(TextLine& line);
    void openLine(int top);

    WTextView* view_;
    std::vector<TextLine> lines_; // never empty: the last entry is the line being written
    int maxWidth_ = 0;
};
