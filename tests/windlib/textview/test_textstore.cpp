// Both text stores through their common interface: where insertions land, what removal
// and clearing tell the listeners and destroy, nested suppression with its one bulk
// notification, and the goodbye on destruction. Also the element kinds' text splitting
// and link clicks.
#include <gtest/gtest.h>

#include <memory>

#include "shared/gen_hooks.h"
#include "tests/windlib/textview/textview_test_support.h"
#include "windlib/textview/arraystore.h"

namespace {

// A box that counts its destruction.
int destroyed = 0;
class CountedBox : public ColorBox {
public:
    explicit CountedBox(unsigned long pixel) : ColorBox(pixel, 1, 1) {}
    ~CountedBox() override { ++destroyed; }
};

template <typename Store> class Stores : public ::testing::Test {
protected:
    void SetUp() override {
        destroyed = 0;
        store.reset(new Store);
        store->addTextChangeListener(&listener);
    }
    void TearDown() override {
        if (store) store->removeTextChangeListener(&listener);
    }
    TextReference Add(unsigned long pixel, TextReference before = nullptr) {
        return store->insertText(new CountedBox(pixel), before);
    }
    std::string Order() { return Describe(store.get()); }

    RecordingListener listener;
    std::unique_ptr<TextStore> store;
};

typedef ::testing::Types<SimpleTextStore, ArrayStore> StoreKinds;
TYPED_TEST_SUITE(Stores, StoreKinds);

TYPED_TEST(Stores, InsertionsLandAtTheEndOrBeforeTheGivenPosition) {
    TextReference a = this->Add(10);
    TextReference c = this->Add(30);
    TextReference b = this->Add(20, c);
    TextReference z = this->Add(90, a);
    TextReference end = this->store->insertBreak(nullptr);
    EXPECT_EQ(this->Order(), "box(1,90) box(1,10) box(1,20) box(1,30) |");
    EXPECT_EQ(this->store->getFirstElement(), z);
    EXPECT_EQ(this->store->getLastElement(), end);
    EXPECT_EQ(this->store->getPrevElement(z), nullptr);
    EXPECT_EQ(this->store->getNextElement(end), nullptr);
    EXPECT_EQ(this->store->getPrevElement(c), b);
    EXPECT_TRUE(this->store->isLineEnd(end));
    EXPECT_EQ(this->store->getElement(end), nullptr);
    EXPECT_EQ(this->listener.count("added"), 5);
    EXPECT_EQ(this->listener.refs.back(), end);
}

TYPED_TEST(Stores, RemovalTellsThePreviousPositionAndKeepsTheElement) {
    TextReference a = this->Add(10);
    TextReference b = this->Add(20);
    TextReference c = this->Add(30);
    std::vector<TextElement*> taken = {this->store->getElement(a), this->store->getElement(b),
                                       this->store->getElement(c)};
    this->listener.events.clear();
    this->store->removeText(b);
    EXPECT_EQ(this->listener.events, std::vector<std::string>{"removed-after"});
    EXPECT_EQ(this->listener.previousRefs.back(), a);
    EXPECT_EQ(this->store->getNextElement(a), c);

    this->store->removeText(a);
    EXPECT_EQ(this->listener.events.back(), "removed");
    EXPECT_EQ(this->store->getFirstElement(), c);
    this->store->removeText(c);
    EXPECT_EQ(this->store->getFirstElement(), nullptr);
    EXPECT_EQ(this->store->getLastElement(), nullptr);
    EXPECT_EQ(destroyed, 0); // the elements are the caller's again
    for (TextElement* e : taken) delete e;
    this->Add(40); // an emptied store takes new text again
    EXPECT_EQ(this->Order(), "box(1,40)");
}

TYPED_TEST(Stores, ClearDestroysEveryElementAndTellsEachRemoval) {
    this->Add(1);
    this->store->insertBreak(nullptr);
    this->Add(2);
    this->listener.events.clear();
    this->store->clearText();
    EXPECT_EQ(this->listener.events, (std::vector<std::string>{"removed", "removed", "removed"}));
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(this->store->getFirstElement(), nullptr);
}

TYPED_TEST(Stores, SuppressionNestsAndEndsWithOneBulkNotification) {
    this->store->suppressNotification();
    this->store->suppressNotification();
    TextReference a = this->Add(1);
    this->store->changeText(a);
    std::unique_ptr<TextElement> removed(this->store->getElement(a));
    this->store->removeText(a);
    this->store->allowNotification();
    EXPECT_TRUE(this->listener.events.empty());
    this->store->allowNotification();
    EXPECT_EQ(this->listener.events, std::vector<std::string>{"change"});
    // Nothing pending: allowing again says nothing, and notification is back to normal.
    this->store->suppressNotification();
    this->store->allowNotification();
    this->Add(2);
    EXPECT_EQ(this->listener.events, (std::vector<std::string>{"change", "added"}));
}

TYPED_TEST(Stores, DestructionSaysGoodbyeAndDestroysTheElements) {
    this->Add(1);
    this->Add(2);
    this->store.reset();
    EXPECT_EQ(this->listener.events.back(), "disconnect");
    EXPECT_EQ(destroyed, 2);
}

TEST(TextElements, SplitsRawTextAndLinkClicks) {
    FixedMetricsView view;
    ColorText text(1, 2, 0, "hello world", -1);
    EXPECT_EQ(text.getWidth(&view), 66);
    EXPECT_EQ(text.findCharacterSplit(&view, 20), 3);
    EXPECT_EQ(text.findWordSplit(&view, 40, false), 6);
    EXPECT_EQ(text.findWordSplit(&view, 20, false), 0);
    EXPECT_EQ(text.findWordSplit(&view, 20, true), 3);
    char* part = text.getRawTextCopy(&view, 6, 100);
    EXPECT_STREQ(part, "world");
    gen_free(part);
    EXPECT_EQ(ColorBox(1, 2, 3).getRawTextCopy(&view, 0, -1), nullptr);

    static std::string clicked;
    HyperLink link([](void* data, const char* t,
                      int n) { clicked = std::string(t, (size_t)n) + (const char*)data; },
                   (void*)"!", "docs", -1, 5, 2, 0);
    EXPECT_FALSE(link.handleMouseClick(&view, 0, 3));
    EXPECT_EQ(clicked, "");
    EXPECT_TRUE(link.handleMouseClick(&view, 2, 1));
    EXPECT_EQ(clicked, "docs!");
}

} // namespace
