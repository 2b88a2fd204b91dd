// The text view's line table and scrolling without a display, on fixed font metrics:
// line heights and baselines, tab stops, counting lines, the table grown element by
// element against one built afresh, changes in the middle of the store, and which lines
// scrolling brings into view.
#include <gtest/gtest.h>

#include "shared/gen_hooks.h"
#include "tests/windlib/textview/textview_test_support.h"
#include "windlib/textview/simplebrowser.h"

namespace {

class Layout : public ::testing::Test {
protected:
    DistinctPixels pixels;
    FixedMetricsView view{200, 100}; // a text area of 196 x 96
    SimpleBrowser browser{&view, false};

    TextLayout Fresh() {
        TextLayout layout(&view);
        layout.rebuild(browser.getStore());
        return layout;
    }
};

TEST_F(Layout, LineHeightsFollowTheTallestTextAndBoxes) {
    browser.addText("small\n");
    browser.addBigText("big");
    browser.addText("small\n");
    browser.addJustLineBreak();
    browser.addSplit();
    browser.addColoredLine(7, 2, 30, false, false);
    TextLayout layout = Fresh();
    ASSERT_EQ(layout.lineCount(), 5);
    EXPECT_EQ(layout.line(0).height, 13);
    EXPECT_EQ(layout.line(0).ascent, 10);
    // Two fonts on one baseline: the big ascent over the bigger descent.
    EXPECT_EQ(layout.line(1).height, 20);
    EXPECT_EQ(layout.line(1).ascent, 16);
    EXPECT_EQ(layout.line(1).width, 1 + 30 + 30);
    EXPECT_EQ(layout.line(2).height, 13); // an empty line is one line of the normal font
    EXPECT_EQ(layout.line(3).height, 10); // the rule alone
    EXPECT_EQ(layout.line(3).width, 0);   // spans the view without taking width
    EXPECT_EQ(layout.line(4).height, 30);
    EXPECT_EQ(layout.line(4).top, 13 + 20 + 13 + 10);
    EXPECT_EQ(layout.totalHeight(), 13 + 20 + 13 + 10 + 30);
    EXPECT_EQ(layout.maxWidth(), 61);
}

TEST_F(Layout, TabsAdvanceToTheNextStopAfterTheMargin) {
    browser.setMargin(4);
    browser.addText("a\tb");
    // margin 4 + 'a' 6 = 10, the first stop is 4 + 48 = 52, then 'b' 6.
    EXPECT_EQ(view.getPartialLineWidth(), 58);
    browser.addText("\t");
    EXPECT_EQ(view.getPartialLineWidth(), 100);
    browser.addText("\n");
    EXPECT_EQ(view.getPartialLineWidth(), 0);
    EXPECT_EQ(view.nextTabStop(0), 4);
}

TEST_F(Layout, CountingLinesIgnoresAnEmptyLastLine) {
    EXPECT_EQ(view.getLineCount(), 0);
    browser.addText("abc");
    EXPECT_EQ(view.getLineCount(), 1);
    browser.addJustLineBreak();
    EXPECT_EQ(view.getLineCount(), 1);
    browser.addJustLineBreak();
    EXPECT_EQ(view.getLineCount(), 2);
    char* text = view.getText();
    EXPECT_STREQ(text, "abc\n\n");
    gen_free(text);
}

TEST_F(Layout, GrowingByAppendsMatchesBuildingAfresh) {
    ASSERT_EQ(view.getLineCount(), 0); // from here on the table grows element by element
    for (int i = 0; i < 200; ++i) {
        switch (i % 5) {
        case 0:
            browser.addText("plain\tand tab\n");
            break;
        case 1:
            browser.addBigRedText("big ");
            break;
        case 2:
            browser.addColoredText("coloured", 7, 8);
            break;
        case 3:
            browser.addLineBreak(7);
            break;
        case 4:
            browser.addText("\n\n");
            break;
        }
    }
    TextLayout fresh = Fresh();
    ASSERT_EQ(view.getLineCount(), fresh.lineCount());
    for (int i = 0; i < fresh.lineCount(); ++i) {
        int x = 0, y = 0, w = 0, h = 0;
        ASSERT_TRUE(view.getLineRect(i + 1, &x, &y, &w, &h));
        EXPECT_EQ(y - 2, fresh.line(i).top) << "line " << i + 1;
        EXPECT_EQ(h, fresh.line(i).height) << "line " << i + 1;
        EXPECT_EQ(w, std::max(fresh.line(i).width, 196)) << "line " << i + 1;
    }
    EXPECT_EQ(view.getPartialLineWidth(), fresh.partialWidth());
}

TEST_F(Layout, ChangesInTheMiddleOfTheStoreAreLaidOutAgain) {
    browser.addText("one\nthree\n");
    TextStore* store = browser.getStore();
    TextReference second = store->getNextElement(store->getNextElement(
        store->getNextElement(store->getFirstElement()))); // the margin box of "three"
    store->insertBreak(second);
    EXPECT_EQ(view.getLineCount(), 3);
    store->removeText(store->getPrevElement(second));
    EXPECT_EQ(view.getLineCount(), 2);
    ColorBox* tall = new ColorBox(7, 5, 40);
    store->insertText(tall, second);
    int x = 0, y = 0, w = 0, h = 0;
    ASSERT_TRUE(view.getLineRect(2, &x, &y, &w, &h));
    EXPECT_EQ(h, 40);
    EXPECT_EQ(y - 2, 13);
    EXPECT_EQ(view.getPartialLineWidth(), 0);
}

TEST_F(Layout, ScrollingToALineShowsItAndClampsAtBothEnds) {
    for (int i = 0; i < 20; ++i) browser.addText("line\n"); // 20 x 13 = 260 pixels
    view.scrollToLine(view.getLineCount(), false);
    EXPECT_EQ(view.getTopPixel(), 260 - 96);
    EXPECT_EQ(view.getLastVisibleLine(), 20);
    EXPECT_EQ(view.getFirstVisibleLine(), 13);
    view.scrollToLine(15, false); // already visible: nothing moves
    EXPECT_EQ(view.getTopPixel(), 260 - 96);
    view.scrollToLine(5, true);
    EXPECT_EQ(view.getTopPixel(), 4 * 13);
    view.scrollToLine(19, true); // cannot scroll past the end
    EXPECT_EQ(view.getTopPixel(), 260 - 96);
    view.scrollToLine(-3, false);
    EXPECT_EQ(view.getTopPixel(), 0);
    view.scrollTo(-5, 1000);
    EXPECT_EQ(view.getTopPixel(), 260 - 96);
    EXPECT_EQ(view.getLeftPixel(), 0);

    // Clearing the text brings the view back to the top.
    browser.clear();
    EXPECT_EQ(view.getFirstVisibleLine(), 0);
    EXPECT_EQ(view.getTopPixel(), 0);
}

} // namespace
