// Pull-downs: the list opens from the keyboard and from the drop button, a choice runs the
// entry's callback and then the change callback with the entry's index, a press outside
// the open list closes it without a choice, and selection by program is refused for an
// unknown name, a disabled entry, an index out of range and a read-only pull-down.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/gen_hooks.h"
#include "tests/windlib/button/button_test_window.h"
#include "windlib/button/wpulldown.h"
#include "windlib/x11/xfonts.h"

namespace {

std::vector<std::string> events;
void EntryChosen(PullDown*, int index) {
    events.push_back("entry " + std::to_string(index));
}
int SelectionChanged(PullDown*, int index) {
    events.push_back("changed " + std::to_string(index));
    return 0;
}
int opened = 0;
void AboutToOpen(PullDown*) {
    ++opened;
}

std::string Text(PullDown* pd) {
    char* v = pulldown_GetValue(pd);
    std::string s = v;
    gen_free(v);
    return s;
}

class PullDowns : public WidgetWindowTest {
protected:
    void SetUp() override {
        WidgetWindowTest::SetUp();
        events.clear();
        opened = 0;
        const char* hosts[] = {"HP/UX", "Sparc Solaris", "x86 Linux", "x86 Windows"};
        PdEntryFn own[] = {EntryChosen, EntryChosen, EntryChosen, EntryChosen};
        pd = pulldown_tfCreate(window_, 40, 30, 180, 20, nullptr, "The host", "pdHost", 4, hosts,
                               own, nullptr, AboutToOpen, SelectionChanged, nullptr, true);
    }
    PullDown* pd = nullptr;
};

TEST_F(PullDowns, StartsWithTheFirstEntryAndPlacesItsField) {
    EXPECT_EQ(Text(pd), "HP/UX");
    EXPECT_STREQ(pd->name, "pdHost");
    EXPECT_EQ(pd->field->x, pd->x - 12);
    EXPECT_EQ(pd->field->width, pd->width + 9);
    EXPECT_EQ(pd->height, pd->field->height + 2);
    EXPECT_EQ(pd->field->boxX(), pd->x); // the field's box starts where the pull-down does

    PullDown* narrow = pulldown_tfCreate(window_, 0, 100, 10, 20, nullptr, nullptr, "n", 0, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, "typed", true);
    EXPECT_EQ(narrow->width, 32);
    EXPECT_EQ(Text(narrow), "typed");
    int w = 0, h = 0;
    narrow->NaturalSize(&w, &h);
    EXPECT_EQ(w, 32); // no entries: its present width
    EXPECT_EQ(h, TextField::FieldHeight());
}

TEST_F(PullDowns, KeyboardOpensTheListAndAChoiceRunsBothCallbacksInOrder) {
    Show();
    ClickAt(pd->x + 10, pd->y + pd->height / 2); // into the field: the focus
    ASSERT_TRUE(Pump([&] { return window_->focus == pd; }));
    Key("Down");
    ASSERT_TRUE(Pump([&] { return pd->listOpen(); }));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(pd->highlighted(), 0); // the entry showing in the field
    Key("Down");
    Key("Down");
    ASSERT_TRUE(Pump([&] { return pd->highlighted() == 2; }));
    Key("Return");
    ASSERT_TRUE(Pump([&] { return !pd->listOpen() && events.size() == 2; }));
    EXPECT_EQ(events, (std::vector<std::string>{"entry 2", "changed 2"}));
    EXPECT_EQ(Text(pd), "x86 Linux");
    EXPECT_EQ(pd->selected, 2);

    Key("Up");
    ASSERT_TRUE(Pump([&] { return pd->listOpen(); }));
    Key("Escape");
    ASSERT_TRUE(Pump([&] { return !pd->listOpen(); }));
    Settle();
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(PullDowns, DropButtonOpensTheListAClickChoosesAndAClickOutsideCloses) {
    Show();
    ClickAt(pd->x + pd->width - 5, pd->y + pd->height / 2);
    ASSERT_TRUE(Pump([&] { return pd->listOpen(); }));
    // The list hangs below the pull-down, one row per entry; row 1 is "Sparc Solaris".
    int rowHeight = bfont_h + 4;
    ClickAt(pd->x + 20, pd->y + pd->height + 1 + rowHeight + rowHeight / 2);
    ASSERT_TRUE(Pump([&] { return events.size() == 2; }));
    EXPECT_EQ(events, (std::vector<std::string>{"entry 1", "changed 1"}));
    EXPECT_FALSE(pd->listOpen());
    EXPECT_EQ(Text(pd), "Sparc Solaris");

    ClickAt(pd->x + pd->width - 5, pd->y + pd->height / 2);
    ASSERT_TRUE(Pump([&] { return pd->listOpen(); }));
    ClickAt(350, 250);
    ASSERT_TRUE(Pump([&] { return !pd->listOpen(); }));
    Settle();
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(PullDowns, SelectionIsRefusedForUnknownNamesDisabledEntriesAndReadOnly) {
    pulldown_SelectByName(pd, "VAX/VMS");
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(pd->selected, -1);
    EXPECT_EQ(Text(pd), "HP/UX");

    pulldown_SelectByName(pd, "x86 Windows");
    EXPECT_EQ(events, (std::vector<std::string>{"entry 3", "changed 3"}));
    EXPECT_EQ(Text(pd), "x86 Windows");

    events.clear();
    EXPECT_FALSE(pd->select(4));
    EXPECT_FALSE(pd->select(-1));
    pulldown_EnableEntry(pd, 0, false);
    EXPECT_FALSE(pd->select(0));
    pulldown_SetReadOnly(pd, true);
    EXPECT_FALSE(pd->select(1));
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(pd->selected, 3);

    // The program may always set the text.
    pulldown_SetString(pd, "Something else");
    EXPECT_EQ(Text(pd), "Something else");
}

} // namespace
