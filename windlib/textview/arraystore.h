// ArrayStore: the array-backed text store, an alternative to SimpleTextStore with the same
// interface and notifications. Positions sit in one array in text order, each knowing its
// index, so a position can be found by number (getAt) and appending is amortised O(1);
// inserting or removing in the middle renumbers the positions after it.
#pragma once

#include <vector>

#include "windlib/textview/textstore.h"

class ArrayStore : public TextStore {
public:
    ArrayStore() = default;
    ~ArrayStore() override;
    ArrayStore(const ArrayStore&) = delete;
    ArrayStore& operator=(const ArrayStore&) = delete;

    void addTextChangeListener(TextChangeListener* listener) override;
    void removeTextChangeListener(TextChangeListener* listener) override;
    TextElement* getElement(TextReference ref) override;
    bool isLineEnd(TextReference ref) override;
    TextReference getFirstElement() override;
    TextReference getLastElement() override;
    TextReference getNextElement(TextReference ref) override;
    TextReference getPrevElement(TextReference ref) override;
    TextReference insertText(TextElement* element, TextReference before) override;
    TextReference insertBreak(TextReference before) override;
    void removeText(TextReference ref) override;
    void changeText(TextReference ref) override;
    void clearText() override;
    void suppressNotification() override;
    void allowNotification() override;

    int size() const { return (int)slots_.size(); }
    // The position with that index (0 first), or null outside the array.
    TextReference getAt(int index);

private:
    struct Slot : TextPosition {
        TextElement* element; // null for a line end
        int index;
        bool lineEnd;
    };
    static Slot* slot(TextReference ref) { return static_cast<Slot*>(ref); }
    TextReference place(TextElement* element, bool lineEnd, TextReference before);
    void renumberFrom(int index);

    std::vector<Slot*> slots_;
};
