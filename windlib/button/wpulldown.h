// PullDown: a text field with a drop button and a list of entries (the host the tools run
// on). The list drops down in a pop-up window under the field, opened by the button or by
// Up/Down in the field; choosing an entry puts its text into the field and runs the
// entry's callback, then the pull-down's change callback. Without `editable` the text
// cannot be typed, only chosen. Start with pulldown_tfCreate and PullDown::select.
#pragma once

#include <vector>

#include "windlib/button/wtextfield.h"
#include "windlib/window/gitem.h"

class ColWind;
class PullDown;
struct WImage;

typedef void (*PdEntryFn)(PullDown* pulldown, int index);
typedef int (*PdChangeFn)(PullDown* pulldown, int index);
// Runs as the list is about to open (it may still fill the entries).
typedef void (*PdPressFn)(PullDown* pulldown);
typedef void (*PdTextChangedFn)(PullDown* pulldown);

struct PdEntry {
    char* text;
    PdEntryFn callback;
    const WImage* bitmap;
    bool disabled;
};

class PullDown : public GItem {
public:
    PullDown(GItem* container, int x, int y, int width, int height, bool editable);
    ~PullDown() override;

    int EventParse(xinLibSt* event, GItem* context) override;
    void Destroy() override;
    void Activate(GItem* item, int on) override;
    void MoveMe(int dx, int dy) override;
    void MapMe(int show) override;
    void Resize(int width, int height) override;
    void NaturalSize(int* width, int* height) override;
    int FontNumber() const override;

    int add(const char* text, PdEntryFn callback, const char* bitmapName);
    // Makes entry `index` the selected one: its text into the field, then its callback and
    // the change callback. False (nothing happens) for an index out of range, a read-only
    // pull-down or a disabled entry.
    bool select(int index);
    // Sets the field's text as the program's own (forced past read-only).
    void setString(const char* text);
    void openList();
    void closeList();
    bool listOpen() const;
    // The entry the open list shows marked, or -1.
    int highlighted() const { return highlight_; }

    TextField* field = nullptr;
    std::vector<PdEntry> entries;
    int selected = -1;
    PdChangeFn changed = nullptr;
    PdPressFn press = nullptr;
    PdTextChangedFn textChanged = nullptr;
    char* status = nullptr;
    char* helpKey = nullptr;
    bool staticText; // the text can only be chosen
    bool readOnly = false;
    bool selectAllOnFocus = false;

private:
    void layoutField();
    int buttonX() const;
    void paintButton();
    int listKey(xinLibSt* event);
    void listMouse(xinLibSt* event, ColWind* list);
    void paintList(ColWind* list);
    void moveHighlight(int step);
    void choose(int index);
    int rowAt(int py) const;
    static int ListFilter(xinLibSt* event, ColWind* list, void* self);
    static int ListEvent(xinLibSt* event, ColWind* list);

    mHandle* list_ = nullptr;
    bool grabbed_ = false;
    bool armed_ = false; // a release in the list chooses only after the pointer went in
    int highlight_ = -1;
    int top_ = 0; // the first entry the list shows
    int rows_ = 0;
};

// A new pull-down (at least 32 pixels wide) with its text field and `count` entries (the
// arrays may be null). The text starts as `initial`, or the first entry when that is null.
PullDown* pulldown_tfCreate(GItem* parent, int x, int y, int width, int height, const char* helpKey,
                            const char* status, const char* name, int count,
                            const char* const* strings, const PdEntryFn* callbacks,
                            const char* const* bitmaps, PdPressFn press, PdChangeFn changed,
                            const char* initial, bool editable);
void pulldown_AddString(PullDown* pulldown, const char* text, PdEntryFn callback,
                        const char* bitmapName);
// Sets the text (repainted), selects all of it when the field has the focus and
// select-all-on-focus is on, and tells the text-changed hook.
void pulldown_SetString(PullDown* pulldown, const char* text);
// Selects the first entry whose text equals `text`; nothing when there is none.
void pulldown_SelectByName(PullDown* pulldown, const char* text);
// A new copy of the text (gen_free).
char* pulldown_GetValue(PullDown* pulldown);
void pdSetCallBack(PullDown* pulldown, PdChangeFn changed);
void pulldown_SetPostEvent(PullDown* pulldown, TfPostEventFn fn);
void pulldown_SetWantReturn(PullDown* pulldown, bool on);
void pulldown_SetTextChangedHook(PullDown* pulldown, PdTextChangedFn fn);
void pulldown_SetReadOnly(PullDown* pulldown, bool on);
void pulldown_SetSelectAllOnFocus(PullDown* pulldown, bool on);
void pulldown_EnableEntry(PullDown* pulldown, int index, bool enabled);
