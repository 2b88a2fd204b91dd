// The text store between a writer (the coloured-text browser) and a text view: an ordered
// sequence of elements and line ends that tells its listeners about every insertion,
// change and removal, or once in bulk after a batch (suppressNotification ...
// allowNotification). TextStore is the interface; SimpleTextStore the doubly linked list
// behind the browser; ArrayStore (arraystore.h) the array-backed alternative.
#pragma once

#include <vector>

class TextElement;
class TextStore;

// One position of a store: an element or a line end. Each store has its own kind of
// position; a reference stays valid until its position is removed.
struct TextPosition {};
typedef TextPosition* TextReference;

// Told about every change of a store it listens to (the text view is one).
class TextChangeListener {
public:
    // Anything may have changed (after a batch, for instance).
    virtual void handleTextChange(TextStore* store) = 0;
    virtual void handleAddedText(TextStore* store, TextReference ref) = 0;
    virtual void handleChangedText(TextStore* store, TextReference ref) = 0;
    // `ref` is gone already and serves only to recognise it; `previousRef` is the position
    // that was before it (null when it was first, and while a store is being cleared).
    virtual void handleRemovedText(TextStore* store, TextReference ref,
                                   TextReference previousRef) = 0;
    // The store is going away; forget it.
    virtual void handleDisconnectTextChange(TextStore* store) = 0;

protected:
    ~TextChangeListener() = default;
};

class TextStore {
public:
    // Tells every listener handleDisconnectTextChange.
    virtual ~TextStore();
    virtual void addTextChangeListener(TextChangeListener* listener) = 0;
    virtual void removeTextChangeListener(TextChangeListener* listener) = 0;
    // The element at ref; null for a line end.
    virtual TextElement* getElement(TextReference ref) = 0;
    virtual bool isLineEnd(TextReference ref) = 0;
    // First and last positions, null for an empty store; neighbours, null past either end.
    virtual TextReference getFirstElement() = 0;
    virtual TextReference getLastElement() = 0;
    virtual TextReference getNextElement(TextReference ref) = 0;
    virtual TextReference getPrevElement(TextReference ref) = 0;
    // Inserts before `before` (null: at the end) and returns the new position. The store
    // owns the element from now on.
    virtual TextReference insertText(TextElement* element, TextReference before) = 0;
    virtual TextReference insertBreak(TextReference before) = 0;
    // Takes the position out; its element is the caller's again.
    virtual void removeText(TextReference ref) = 0;
    // The element at ref changed (size or colour): only tells the listeners.
    virtual void changeText(TextReference ref) = 0;
    // Removes and destroys everything.
    virtual void clearText() = 0;
    // Nested: until as many allowNotification calls, changes only mark a notification as
    // pending, and the last allowNotification sends one handleTextChange.
    virtual void suppressNotification() = 0;
    virtual void allowNotification() = 0;

protected:
    // The listener bookkeeping every store shares.
    void addListener(TextChangeListener* listener);
    void removeListener(TextChangeListener* listener);
    void notifyAdded(TextReference ref);
    void notifyChanged(TextReference ref);
    void notifyRemoved(TextReference ref, TextReference previousRef);
    void suppress();
    void allow();
    // Tells every listener handleDisconnectTextChange and forgets them; a store's
    // destructor calls it before it destroys its elements.
    void disconnectListeners();

private:
    // Copies the listeners first: a listener may remove itself while being told.
    template <typename Fn> void tellAll(Fn fn);
    bool notifying();

    std::vector<TextChangeListener*> listeners_;
    bool pending_ = false;
    int suppressed_ = 0;
};

class SimpleTextStore : public TextStore {
public:
    SimpleTextStore() = default;
    // Destroys every element without telling anyone but handleDisconnectTextChange.
    ~SimpleTextStore() override;
    SimpleTextStore(const SimpleTextStore&) = delete;
    SimpleTextStore& operator=(const SimpleTextStore&) = delete;

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

private:
    struct Node : TextPosition {
        TextElement* element; // null for a line end
        Node* prev;
        Node* next;
        bool lineEnd;
    };
    static Node* node(TextReference ref) { return static_cast<Node*>(ref); }
    TextReference link(TextElement* element, bool lineEnd, TextReference before);

    Node* first_ = nullptr;
    Node* last_ = nullptr;
};
