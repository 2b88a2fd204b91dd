// The store interface's shared listener bookkeeping and SimpleTextStore, the doubly linked
// list of elements and line ends (see textstore.h). Every change either tells each
// listener at once or, while notification is suppressed, marks one bulk notification as
// pending for the end of the batch.
#include "windlib/textview/textstore.h"

#include <algorithm>

#include "windlib/textview/textelement.h"

// ---- TextStore: listeners and notification -------------------------------------------

TextStore::~TextStore() {
    disconnectListeners();
}

void TextStore::addListener(TextChangeListener* listener) {
    if (!listener) return;
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void TextStore::removeListener(TextChangeListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

template <typename Fn> void TextStore::tellAll(Fn fn) {
    std::vector<TextChangeListener*> copy = listeners_;
    for (TextChangeListener* listener : copy) {
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end())
            fn(listener);
    }
}

bool TextStore::notifying() {
    if (suppressed_ > 0) {
        pending_ = true;
        return false;
    }
    return true;
}

void TextStore::notifyAdded(TextReference ref) {
    if (notifying()) tellAll([&](TextChangeListener* l) { l->handleAddedText(this, ref); });
}

void TextStore::notifyChanged(TextReference ref) {
    if (notifying()) tellAll([&](TextChangeListener* l) { l->handleChangedText(this, ref); });
}

void TextStore::notifyRemoved(TextReference ref, TextReference previousRef) {
    if (notifying())
        tellAll([&](TextChangeListener* l) { l->handleRemovedText(this, ref, previousRef); });
}

void TextStore::suppress() {
    ++suppressed_;
}

void TextStore::allow() {
    --suppressed_;
    if (suppressed_ >= 1 || !pending_) return;
    // Cleared before telling, so a listener that changes the store is not told twice.
    pending_ = false;
    suppressed_ = 0;
    tellAll([&](TextChangeListener* l) { l->handleTextChange(this); });
}

void TextStore::disconnectListeners() {
    std::vector<TextChangeListener*> copy;
    copy.swap(listeners_);
    for (TextChangeListener* listener : copy) listener->handleDisconnectTextChange(this);
}

// ---- SimpleTextStore ------------------------------------------------------------------

SimpleTextStore::~SimpleTextStore() {
    disconnectListeners();
    for (Node* n = first_; n;) {
        Node* next = n->next;
        delete n->element;
        delete n;
        n = next;
    }
}

void SimpleTextStore::addTextChangeListener(TextChangeListener* listener) {
    addListener(listener);
}

void SimpleTextStore::removeTextChangeListener(TextChangeListener* listener) {
    removeListener(listener);
}

TextElement* SimpleTextStore::getElement(TextReference ref) {
    return ref ? node(ref)->element : nullptr;
}

bool SimpleTextStore::isLineEnd(TextReference ref) {
    return ref && node(ref)->lineEnd;
}

TextReference SimpleTextStore::getFirstElement() {
    return first_;
}

TextReference SimpleTextStore::getLastElement() {
    return last_;
}

TextReference SimpleTextStore::getNextElement(TextReference ref) {
    return ref ? node(ref)->next : nullptr;
}

TextReference SimpleTextStore::getPrevElement(TextReference ref) {
    return ref ? node(ref)->prev : nullptr;
}

TextReference SimpleTextStore::link(TextElement* element, bool lineEnd, TextReference before) {
    Node* n = new Node;
    n->element = element;
    n->lineEnd = lineEnd;
    Node* b = node(before);
    n->next = b;
    n->prev = b ? b->prev : last_;
    (n->prev ? n->prev->next : first_) = n;
    (b ? b->prev : last_) = n;
    notifyAdded(n);
    return n;
}

TextReference SimpleTextStore::insertText(TextElement* element, TextReference before) {
    return link(element, false, before);
}

TextReference SimpleTextStore::insertBreak(TextReference before) {
    return link(nullptr, true, before);
}

void SimpleTextStore::removeText(TextReference ref) {
    Node* n = node(ref);
    if (!n) return;
    Node* previous = n->prev;
    (n->prev ? n->prev->next : first_) = n->next;
    (n->next ? n->next->prev : last_) = n->prev;
    // Released after the listeners were told, so the reference they see is still a
    // (detached) position rather than freed memory.
    notifyRemoved(ref, previous);
    delete n;
}

void SimpleTextStore::changeText(TextReference ref) {
    if (ref) notifyChanged(ref);
}

void SimpleTextStore::clearText() {
    while (first_) {
        Node* n = first_;
        first_ = n->next;
        if (first_)
            first_->prev = nullptr;
        else
            last_ = nullptr;
        delete n->element;
        notifyRemoved(n, nullptr);
        delete n;
    }
}

void SimpleTextStore::suppressNotification() {
    suppress();
}

void SimpleTextStore::allowNotification() {
    allow();
}
