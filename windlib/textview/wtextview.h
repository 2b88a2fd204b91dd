// WTextView: the item that shows a text store. It listens to the store, keeps a line
// table (textlayout.h) that grows with every element appended at the end, paints only
// the lines inside the redraw area, and scrolls with its scroll bars, the wheel and the
// keys. Elements measure and paint themselves through the metric and painting helpers
// here. Start with makeWTextView, the listener operations and EventParse.
#pragma once

#include "windlib/textview/textlayout.h"
#include "windlib/textview/textstore.h"
#include "windlib/window/gitem.h"

class WScrollBar;
struct mHandle;

// The handle kind of text views (mHandle): writers that may outlive their view hold one.
enum { kMHandleTextView = 20 };

class WTextView : public GItem, public TextChangeListener {
public:
    // A text view item in `parent` (may be null) at x, y of width x height, with the help
    // key and the name copied; `second` is accepted for the callers' sake and unused.
    static WTextView* makeWTextView(GItem* parent, int x, int y, int width, int height,
                                    const char* helpKey, const char* second, const char* name);
    WTextView(GItem* parent, int x, int y, int width, int height);
    ~WTextView() override;

    // ---- The item --------------------------------------------------------------------
    int EventParse(xinLibSt* event, GItem* context) override;
    void Destroy() override;
    void Resize(int width, int height) override;
    const char* GetTooltipInfo(int x, int y, int* delay) override;

    // ---- What it shows ---------------------------------------------------------------
    // Shows `store` (null: nothing), listening to it; the store stays the caller's.
    void setTextStore(TextStore* store);
    TextStore* getTextStore() const { return store_; }
    // Tab stops every `width` pixels, counted from `offset` pixels into each line.
    void setTabStop(int width, int offset);
    // The first tab stop right of x (in pixels from the line start).
    int nextTabStop(int x) const;
    // Blank areas in the control colour instead of the view's background.
    void setReadOnlyBackground(bool on);
    bool isReadOnlyBackground() const { return readOnly_; }
    // The view's own background colour (the window background until set).
    void setBackground(unsigned long pixel);
    unsigned long getBackground() const;
    // Lines with content: every ended line, and the last one when it holds anything.
    int getLineCount();
    // The width of the last line while it is not ended, else 0.
    int getPartialLineWidth();
    // The whole text, lines ended by '\n' and tabs kept, as a new string (gen_free it).
    char* getText();
    // The same for any store (a view may be null for elements that ignore it).
    static char* getStoreText(TextStore* store, WTextView* view);

    // ---- Scrolling -------------------------------------------------------------------
    // Brings line `line` (from 1) into view: to the top with `toTop`, else scrolling only
    // as far as needed. Lines outside 1 .. getLineCount() are clamped.
    void scrollToLine(int line, bool toTop);
    // Scrolls so the text's pixel (left, top) is at the content's top-left (clamped).
    void scrollTo(int left, int top);
    int getTopPixel() const { return top_; }
    int getLeftPixel() const { return left_; }
    // The first and last line (from 1) at least partly visible; 0 when none is.
    int getFirstVisibleLine();
    int getLastVisibleLine();
    // Line `line` (from 1) in window coordinates, scrolled; false outside the text.
    bool getLineRect(int line, int* x, int* y, int* width, int* height);
    // Attaches a scroll bar (null detaches); the bar must live as long as the view.
    void setVScroller(WScrollBar* bar);
    void setHScroller(WScrollBar* bar);

    // ---- For the elements: metrics (a view without fonts measures 0) -----------------
    virtual int textWidth(const char* text, int length, int fontNumber);
    virtual int fontHeight(int fontNumber);
    virtual int fontAscent(int fontNumber);
    // The width of 'n' in the font.
    virtual int fontCharWidth(int fontNumber);
    // ---- ... and painting, only while a redraw is being served -----------------------
    // Fills in `pixel`; the no-colour pixel means the line background.
    void fillRect(unsigned long pixel, int x, int y, int width, int height);
    void drawText(unsigned long foreground, int fontNumber, int x, int baseline, const char* text,
                  int length);
    // The colour of blank areas: the control colour or the view's background.
    unsigned long lineBackground() const;

    // A weak handle to the view (MHandleDestroy it); resolves to null once it is gone.
    mHandle* handle();

    // ---- TextChangeListener ----------------------------------------------------------
    void handleTextChange(TextStore* store) override;
    void handleAddedText(TextStore* store, TextReference ref) override;
    void handleChangedText(TextStore* store, TextReference ref) override;
    void handleRemovedText(TextStore* store, TextReference ref, TextReference previousRef) override;
    void handleDisconnectTextChange(TextStore* store) override;

private:
    // The content rectangle inside the frame, in window coordinates.
    int contentX() const;
    int contentY() const;
    int contentWidth() const;
    int contentHeight() const;
    void markStale();
    void ensureLayout();
    void clampScroll();
    // The bars follow the view at most every few dozen milliseconds: a bar repaints on
    // every change, and sharing the window's dirty area with a log that grows line by line
    // it would make every line repaint the whole view.
    void updateScrollers();
    void pushScrollers();
    static int PushScrollersLater(void* view, int index);
    void invalidateLine(int index);
    void paint(int x, int y, int width, int height);
    void paintLine(int index, int clipLeft, int clipRight);
    // The element under a window point; its character index in *index. Null for none.
    TextElement* elementAt(int px, int py, int* index);
    int handleMouse(xinLibSt* event);
    int handleKey(xinLibSt* event);
    static void VScrolled(WScrollBar* bar, int position, void* arg);
    static void HScrolled(WScrollBar* bar, int position, void* arg);

    TextStore* store_ = nullptr;
    TextLayout layout_;
    bool stale_ = false;
    int top_ = 0;
    int left_ = 0;
    int tabWidth_ = 64;
    int tabOffset_ = 0;
    bool readOnly_ = false;
    bool hasBackground_ = false;
    unsigned long background_ = 0;
    WScrollBar* vbar_ = nullptr;
    WScrollBar* hbar_ = nullptr;
    long long scrollersPushedMs_ = -1;
    bool scrollersPending_ = false;
    mHandle* scrollerTimer_ = nullptr;
    char* helpKey_ = nullptr;
    char* tip_ = nullptr;
    bool painting_ = false;
};
