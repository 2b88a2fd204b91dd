// The binding texts (parsing, the built-in tables, matching keys and mouse transitions),
// a binding table that does not parse, and commands run without an X server: moves,
// incremental search and the command callback.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/windlib/msl/msl_test_list.h"
#include "windlib/msl/msl_bindings.h"
#include "windlib/msl/msl_commands.h"

namespace {

TEST(MslBindings, BuiltInTablesParse) {
    std::vector<std::string> mouse = MslMouseBindingTexts();
    std::vector<std::string> keys = MslKeyBindingTexts();
    EXPECT_EQ(mouse.size(), 11u);
    EXPECT_EQ(keys.size(), 86u);
    MslBinding b;
    for (const std::string& text : mouse) EXPECT_TRUE(MslParseBinding(text.c_str(), &b)) << text;
    for (const std::string& text : keys) EXPECT_TRUE(MslParseBinding(text.c_str(), &b)) << text;
    EXPECT_TRUE(MslBindingsReady());
}

TEST(MslBindings, ParsesEveryPartOfABinding) {
    MslBinding b;
    ASSERT_TRUE(
        MslParseBinding("Mouse1*Release3|Any=SelectionAdjust;SelectionGrab;DoubleClick", &b));
    EXPECT_TRUE(b.mouse);
    EXPECT_EQ(b.button, 1);
    EXPECT_TRUE(b.release);
    EXPECT_EQ(b.clicks, 3);
    EXPECT_FALSE(b.atOnce);
    EXPECT_TRUE(b.anyModifiers);
    ASSERT_EQ(b.calls.size(), 3u);
    EXPECT_EQ(b.calls[2].command, kMslDoubleClick);

    ASSERT_TRUE(MslParseBinding("Mouse4*Press1(AtOnce)=Scroll -5l", &b));
    EXPECT_TRUE(b.atOnce);
    EXPECT_EQ(b.calls[0].arg, "-5l");

    ASSERT_TRUE(MslParseBinding("\"KP_Up\"|Control|Shift=SelectionExtendUp", &b));
    EXPECT_FALSE(b.mouse);
    EXPECT_EQ(b.key, 0x197);
    EXPECT_EQ(b.modifiers, kModControl | kModShift);
    ASSERT_TRUE(MslParseBinding("C|Control=CopySel", &b));
    EXPECT_EQ(b.key, 'c');
}

TEST(MslBindings, RejectsWhatDoesNotParse) {
    const char* bad[] = {"Mouse9*Press1=Activate",
                         "Mouse1*Hold1=Activate",
                         "Mouse1*Press1",
                         "Mouse1*Press=Activate",
                         "\"NoSuchKey\"=Activate",
                         "a|Hyper=Activate",
                         "a=NoSuchCommand",
                         "ab=Activate",
                         "a=",
                         "\"Up\"=Activate;;",
                         nullptr};
    MslBinding b;
    for (const char** text = bad; *text; ++text) EXPECT_FALSE(MslParseBinding(*text, &b)) << *text;
}

TEST(MslBindings, KeysMatchTheirModifiersExactly) {
    auto first = [](int key, long mods) {
        const MslBinding* b = MslFindKeyBinding(key, mods);
        return b ? std::string(MslCommandName(b->calls[0].command)) : std::string("none");
    };
    EXPECT_EQ(first('c', kModControl), "CopySel");
    EXPECT_EQ(first('C', kModControl | kModShift), "CopyAll");
    EXPECT_EQ(first('+', kModControl | kModShift), "SizeToFit"); // Shift types the '+'
    EXPECT_EQ(first(kKeyDown, 0), "SelectionDown");
    EXPECT_EQ(first(kKeyDown, kModControl), "SelectionDown");
    EXPECT_EQ(first(kKeyDown, kModShift), "SelectionExtendDown");
    EXPECT_EQ(first(0x1DA, 0), "SelectionPageUp"); // F29
    EXPECT_EQ(first(kKeyDown, kModAlt), "none");
    EXPECT_EQ(first('a', 0), "none");
    EXPECT_EQ(first(kKeyTab, kModShift | kModControl), "PrevActivate");
}

TEST(MslBindings, MouseMatchesButtonTransitionCountAndModifiers) {
    const MslBinding* b = MslFindMouseBinding(1, false, 1, kModShift);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->calls[1].command, kMslSelectionExtend);
    b = MslFindMouseBinding(1, true, 2, kModControl | kModButton1);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->calls[2].command, kMslDoubleClick);
    EXPECT_EQ(MslFindMouseBinding(4, false, 1, kModShift), nullptr);
    EXPECT_EQ(MslFindMouseBinding(1, false, 4, 0), nullptr);
}

TEST(MslBindings, ABindingThatDoesNotParseMakesCreationFail) {
    const char* mouse[] = {"Mouse1*Press1(AtOnce)=Activate", "Mouse1*Squeeze1=Activate"};
    mslSetBindings(mouse, 2, nullptr, 0);
    EXPECT_EQ(mslCreate(nullptr, 0, 0, 10, 10, nullptr, nullptr, nullptr, 0, 1, 0, 1, 0, nullptr,
                        nullptr, nullptr, nullptr, 2, 0, 1),
              nullptr);
    mslSetBindings(nullptr, 0, nullptr, 0);
    MScrollList* list = mslCreate(nullptr, 0, 0, 10, 10, nullptr, nullptr, nullptr, 0, 1, 0, 1, 0,
                                  nullptr, nullptr, nullptr, nullptr, 2, 0, 1);
    ASSERT_NE(list, nullptr);
    EXPECT_GT(list->width, 10); // raised to the scroll-bar width + 1
    gitemDelete(list);
}

// ---- Commands ---------------------------------------------------------------------------

std::vector<int> clicked;

using ListCommands = DetachedList;

xinLibSt Key(int code, const char* text) {
    xinLibSt e = {};
    e.kind = kXinKey;
    e.d = code;
    e.e = (long)text;
    e.f = text ? (long)strlen(text) : 0;
    return e;
}

TEST_F(ListCommands, MovesSelectAndReportKeyClicks) {
    Make(1, 1);
    Fill(20);
    clicked.clear();
    mslRegisterSingleClickCallback(list, [](MScrollList*, int row, int, int clicks, xinLibSt*) {
        clicked.push_back(row * 10 + clicks);
    });
    xinLibSt down = Key(kKeyDown, nullptr);
    EXPECT_EQ(MslKeyEvent(list, &down), 1);
    EXPECT_EQ(mslGetSelectedRow(list, 0), 0); // from nothing to the first row
    mslDoCommands(list, "SelectionEnd;SingleKeyClick", nullptr);
    EXPECT_EQ(mslGetSelectedRow(list, 0), 19);
    mslDoCommands(list, "SelectionExtendUp;SelectionExtendUp", nullptr);
    EXPECT_EQ(mslGetSelectedRow(list, 1), 17);
    EXPECT_EQ(mslGetSelectedRow(list, 0), -2);
    mslDoCommands(list, "SelectionHome", nullptr);
    EXPECT_EQ(mslGetSelectedRow(list, 0), 0);
    EXPECT_EQ(clicked, (std::vector<int>{1, 191}));
    xinLibSt plainA = Key('a', "a");
    EXPECT_EQ(MslKeyEvent(list, &plainA), 0); // unbound keys stay the window's
}

TEST_F(ListCommands, IncrementalSearchFindsTypedTextUntilReturnEndsIt) {
    Make();
    const char* rows[] = {"alpha", "Beta", "gamma", "beta two", "delta"};
    for (const char* r : rows) mslAddLine(list, -1, nullptr, &r, 1, 0, nullptr);
    mslSelectRow(list, 0);
    xinLibSt find = Key('f', "\x06");
    find.c = kModControl;
    EXPECT_EQ(MslKeyEvent(list, &find), 1);
    EXPECT_TRUE(list->search.active);
    xinLibSt typed = Key('b', "be");
    MslKeyEvent(list, &typed);
    EXPECT_EQ(mslGetSelectedRow(list, 0), 1); // any letter case
    EXPECT_EQ(list->store.row(1)->match, 0);
    MslKeyEvent(list, &find); // the next match
    EXPECT_EQ(mslGetSelectedRow(list, 0), 3);
    xinLibSt back = Key(kKeyBackSpace, nullptr);
    MslKeyEvent(list, &back);
    EXPECT_EQ(list->search.text, "b");
    xinLibSt ret = Key(kKeyReturn, "\r");
    EXPECT_EQ(MslKeyEvent(list, &ret), 1);
    EXPECT_FALSE(list->search.active);
    EXPECT_EQ(list->store.row(3)->match, -1);
    typed = Key('x', "x");
    EXPECT_EQ(MslKeyEvent(list, &typed), 0); // typing no longer searches
}

TEST_F(ListCommands, CliHandsItsArgumentToTheCallback) {
    Make();
    EXPECT_EQ(mslDoCommands(list, "Cli reload now", nullptr), 0); // no callback
    mslRegisterCliCallback(list, [](MScrollList*, CmdInfo* info) {
        return strcmp(info->name, "Cli") == 0 && strcmp(info->arg, "reload now") == 0 ? 7 : 1;
    });
    EXPECT_EQ(mslDoCommands(list, "Cli reload now", nullptr), 7);
    EXPECT_EQ(mslDoCommands(list, "NoSuchThing", nullptr), 0);
}

} // namespace
