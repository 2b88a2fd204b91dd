// TextField: a single-line text field with an optional label on its left. It keeps the
// value in a buffer of its own with a caret, a selection and a horizontal scroll, takes
// keys while it has the focus (editing keys in wtexteditkeys.h, cut/copy/paste through the
// X selections) and can propose the rest of what is being typed (auto-completion; see
// tf_AutoCompleteDir). Start with tfCreate and TextField::key.
#pragma once

#include "windlib/button/wtexteditkeys.h"
#include "windlib/mhandle.h"
#include "windlib/window/gitem.h"

class PullDown;
class TextField;

// Checks the text before a dialog holding the field accepts; 0 rejects.
typedef int (*TfVerifyFn)(TextField* field);
// Runs after the field has handled an event (every key it took, and keys without text).
typedef void (*TfPostEventFn)(TextField* field, xinLibSt* event);
// Proposes the rest of the text typed so far: a new string (gen_free), or null.
typedef char* (*TfAutoCompleteFn)(TextField* field);

enum TextFieldFlags : unsigned {
    kTfReadOnly = 1 << 0,
    kTfWantsReturn = 1 << 1, // Return goes to the post-event function, not to the window
    kTfSecure = 1 << 2,      // every character is shown as '*'
    kTfTrim = 1 << 3,        // getValue drops leading and trailing blanks
    kTfChanged = 1 << 4
};

enum { kTfMargin = 12 };

class TextField : public GItem {
public:
    TextField(GItem* container, int x, int y, int width, int height);
    ~TextField() override;

    int EventParse(xinLibSt* event, GItem* context) override;
    void Destroy() override;
    void Activate(GItem* item, int on) override;
    void NaturalSize(int* width, int* height) override;
    int FontNumber() const override;

    void setLabel(const char* text);
    // Ignored by a read-only field unless forced; an equal value changes nothing.
    void setValue(const char* text, bool redraw, bool force);
    // A new copy of the value (gen_free), trimmed when the field is set to trim.
    char* getValue();
    // A new copy of what was typed, without a pending completion.
    char* getTypedValue();
    void setPostEvent(TfPostEventFn fn) { postEvent = fn; }

    // Editing as the keys do it; positions are byte offsets into the value.
    void insert(const char* text, int length);   // at the caret, replacing the selection
    void typeText(const char* text, int length); // the same, with auto-completion
    void select(int start, int end);             // the caret goes to `end`
    void moveCaret(int position, bool extend);
    void runEditCommand(TfEditCommand command);
    void acceptCompletion();
    bool hasSelection() const { return selStart >= 0 && selEnd > selStart; }
    bool completionPending() const { return completing_; }
    int wordLeft(int position) const;
    int wordRight(int position) const;

    // The box the text is drawn in (right of the label).
    int boxX() const;
    int boxWidth() const;
    // The height of a text field in the field's font.
    static int FieldHeight();

    char* value = nullptr; // never null
    int allocated = 0;
    int length = 0;
    int caret = 0;
    int selStart = -1, selEnd = -1;
    int scroll = 0; // pixels of text scrolled out on the left
    char* label = nullptr;
    char* helpKey = nullptr;
    TfVerifyFn verify = nullptr;
    TfPostEventFn postEvent = nullptr;
    TfAutoCompleteFn autoComplete = nullptr;
    PullDown* pulldown = nullptr;
    unsigned flags = 0;

private:
    int key(xinLibSt* event);
    int takeKey(xinLibSt* event);
    void mouse(xinLibSt* event);
    void paint(xinLibSt* event);
    void deleteRange(int from, int to);
    void propose();
    void copySelection();
    void paste(int which);
    void selectWordAt(int position);
    void adjustScroll();
    int positionAt(int px) const;
    int textWidth(int from, int to) const;
    int labelWidth() const;
    void ensureRoom(int bytes);
    void changed();
    void startBlink();
    void stopBlink();
    static int Blink(void* self, int index);

    bool completing_ = false;
    bool quoteNext_ = false;
    bool dragging_ = false;
    bool caretOn_ = true;
    int clicks_ = 0;
    long lastClickTime_ = 0;
    int lastClickPosition_ = -1;
    mHandle* blink_ = nullptr;
};

// A new field in `parent`; null when memory runs out. A selection start of -1 selects
// nothing; an end of -1 selects to the end. In a dialog, the first field with a verify
// function checks the dialog's answer.
TextField* tfCreate(GItem* parent, int x, int y, int width, int height, const char* helpKey,
                    const char* initial, int selectionStart, int selectionEnd, TfVerifyFn verify);
void tfSetAutoCompleteFunction(TextField* field, TfAutoCompleteFn fn);
void tfSetReadOnly(TextField* field, bool on);
void tfSetWantsReturn(TextField* field, bool on);
void tfSetSecure(TextField* field, bool on);
void tfSetTrim(TextField* field, bool on);
// Directory-name completion: the rest of the first directory (in name order) whose name
// begins with the last component typed, or null. Hidden directories only for a component
// that begins with '.'.
char* tf_AutoCompleteDir(TextField* field);
