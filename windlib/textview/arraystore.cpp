// The array-backed text store (see arraystore.h). Slots are allocated one by one so that
// references stay valid while the array around them grows and shifts.
#include "windlib/textview/arraystore.h"

#include "windlib/textview/textelement.h"

ArrayStore::~ArrayStore() {
    disconnectListeners();
    for (Slot* s : slots_) {
        delete s->element;
        delete s;
    }
}

void ArrayStore::addTextChangeListener(TextChangeListener* listener) {
    addListener(listener);
}

void ArrayStore::removeTextChangeListener(TextChangeListener* listener) {
    removeListener(listener);
}

TextElement* ArrayStore::getElement(TextReference ref) {
    return ref ? slot(ref)->element : nullptr;
}

bool ArrayStore::isLineEnd(TextReference ref) {
    return ref && slot(ref)->lineEnd;
}

TextReference ArrayStore::getAt(int index) {
    return index >= 0 && index < (int)slots_.size() ? slots_[index] : nullptr;
}

TextReference ArrayStore::getFirstElement() {
    return getAt(0);
}

TextReference ArrayStore::getLastElement() {
    return getAt((int)slots_.size() - 1);
}

TextReference ArrayStore::getNextElement(TextReference ref) {
    return ref ? getAt(slot(ref)->index + 1) : nullptr;
}

TextReference ArrayStore::getPrevElement(TextReference ref) {
    return ref ? getAt(slot(ref)->index - 1) : nullptr;
}

void ArrayStore::renumberFrom(int index) {
    for (int i = index; i < (int)slots_.size(); ++i) slots_[i]->index = i;
}

TextReference ArrayStore::place(TextElement* element, bool lineEnd, TextReference before) {
    Slot* s = new Slot;
    s->element = element;
    s->lineEnd = lineEnd;
    int at = before ? slot(before)->index : (int)slots_.size();
    slots_.insert(slots_.begin() + at, s);
    renumberFrom(at);
    notifyAdded(s);
    return s;
}

TextReference ArrayStore::insertText(TextElement* element, TextReference before) {
    return place(element, false, before);
}

TextReference ArrayStore::insertBreak(TextReference before) {
    return place(nullptr, true, before);
}

void ArrayStore::removeText(TextReference ref) {
    if (!ref) return;
    int at = slot(ref)->index;
    slots_.erase(slots_.begin() + at);
    renumberFrom(at);
    notifyRemoved(ref, getAt(at - 1));
    delete slot(ref);
}

void ArrayStore::changeText(TextReference ref) {
    if (ref) notifyChanged(ref);
}

void ArrayStore::clearText() {
    // Taken from the front as the list store does, so listeners see the same order; the
    // array is emptied once at the end instead of shifted per slot.
    std::vector<Slot*> taken;
    taken.swap(slots_);
    for (Slot* s : taken) {
        delete s->element;
        notifyRemoved(s, nullptr);
        delete s;
    }
}

void ArrayStore::suppressNotification() {
    suppress();
}

void ArrayStore::allowNotification() {
    allow();
}
