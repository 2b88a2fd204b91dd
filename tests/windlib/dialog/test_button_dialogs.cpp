// Alerts and questions on the live server, answered with real input: the answer of each
// button, Return, Escape and closing; what an alert shows of its text; the button
// dialog's layout; the batch switch and NeverEverShowADialog with a display up.
#include <gtest/gtest.h>

#include "support/wm_delete.h"
#include "tests/windlib/dialog/dialog_driver.h"
#include "windlib/button/wbutton.h"
#include "windlib/dialog/orbiterror.h"
#include "windlib/dialog/wdialog.h"
#include "windlib/dialog/wyesno.h"
#include "windlib/window/gstatictext.h"
#include "windlib/wreport.h"
#include "xswitch/xswitch.h"

namespace {

using Input = std::function<void()>;

Input Click(const char* set, int index) {
    return [=] { DialogDriver::ClickButton(set, index); };
}
Input Press(const char* key) {
    return [=] { DialogDriver::Key(key); };
}
std::string Text(const char* item) {
    return static_cast<GStaticText*>(DialogDriver::Item(item))->text();
}

class ButtonDialogs : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
    }
    // Asks, gives `input` once the dialog is up, and returns the answer.
    int Answer(const std::function<int()>& ask, const Input& input) {
        DialogDriver driver;
        driver.onceUp(input).start();
        int answer = ask();
        EXPECT_TRUE(driver.succeeded());
        return answer;
    }
};

TEST_F(ButtonDialogs, YesNoAnswersClicksReturnEscapeAndClosing) {
    auto ask = [](int byDefault) { return [=] { return wYesNo("Go on?", byDefault, 0); }; };
    EXPECT_EQ(Answer(ask(1), Click("bs_yesno", 1)), 0);
    EXPECT_EQ(Answer(ask(0), Click("bs_yesno", 0)), 1);
    std::string shown;
    EXPECT_EQ(Answer(ask(1),
                     [&] {
                         shown = Text("t_question") + "|" + DialogDriver::Current()->title;
                         DialogDriver::Key("Return");
                     }),
              1);
    EXPECT_EQ(shown, "Go on?|ORBIT");
    EXPECT_EQ(Answer(ask(0), Press("Return")), 0);
    EXPECT_EQ(Answer(ask(1), Press("Escape")), 0);
    EXPECT_EQ(Answer(ask(1),
                     [] { SendWmDelete(SharedXvfb().display(), DialogDriver::Current()->window); }),
              0);
}

TEST_F(ButtonDialogs, YesNoCancelAnswersClicksReturnAndEscape) {
    auto ask = [](int byDefault) {
        return [=] { return wYesNoCancel("Save changes?", byDefault, 0, nullptr); };
    };
    EXPECT_EQ(Answer(ask(1), Click("bs_buttons", 0)), 1);
    EXPECT_EQ(Answer(ask(1), Click("bs_buttons", 1)), 0);
    EXPECT_EQ(Answer(ask(1), Click("bs_buttons", 2)), -1);
    EXPECT_EQ(Answer(ask(0), Press("Return")), 0);
    EXPECT_EQ(Answer(ask(5), Press("Return")), -1);
    std::string title;
    EXPECT_EQ(Answer(ask(1),
                     [&] {
                         title = DialogDriver::Current()->title; // null: the question
                         DialogDriver::Key("Escape");
                     }),
              -1);
    EXPECT_EQ(title, "Save changes?");
}

TEST_F(ButtonDialogs, AlertShowsNineLinesWithoutAnEmptyLastOne) {
    std::string twelve, shown, title;
    for (int i = 1; i <= 12; ++i) twelve += std::to_string(i) + "\n";
    auto look = [&] {
        shown = Text("t_query");
        title = DialogDriver::Current()->title;
        DialogDriver::ClickButton("bs_buttons", 0);
    };
    Answer([&] { return wAlert(twelve.c_str(), 0), 0; }, look);
    EXPECT_EQ(shown, "1\n2\n3\n4\n5\n6\n7\n8\n9");
    EXPECT_EQ(title, "Toolkit Tests Version 5.0 Alpha");
    Answer([&] { return wAlert(0, "%d files copied\n", 3), 0; }, look);
    EXPECT_EQ(shown, "3 files copied");
}

TEST_F(ButtonDialogs, ButtonDialogPutsTextAboveOneCentredRowOfButtons) {
    const char* const lines[] = {"A somewhat longer first line of the message", "short", nullptr};
    const char* const labels[] = {"Retry", "Ignore", "Abort", nullptr};
    auto ask = [&] { return wButtonDialogue(lines, labels, 1, 0, 0, "Disk error"); };
    EXPECT_EQ(Answer(ask,
                     [] {
                         Dialog* d = DialogDriver::Current();
                         GItem* text = DialogDriver::Item("t_query");
                         ButtonSet* set = static_cast<ButtonSet*>(DialogDriver::Item("bs_buttons"));
                         EXPECT_EQ(text->y, 5);
                         EXPECT_EQ(set->y, text->y + text->height + 10);
                         EXPECT_NEAR(text->x + text->width / 2, d->width / 2, 1);
                         EXPECT_NEAR(set->x + set->width / 2, d->width / 2, 1);
                         EXPECT_GE(d->width, 300);
                         EXPECT_EQ(set->count(), 3); // the sizing dummy is gone
                         EXPECT_EQ(set->at(0)->y, set->at(2)->y);
                         EXPECT_TRUE(set->at(1)->flags & kBtDefault);
                         DialogDriver::ClickButton("bs_buttons", 2);
                     }),
              2);
    EXPECT_EQ(Answer(ask, [] { cwDestroy(DialogDriver::Current()); }), 0);
}

TEST_F(ButtonDialogs, CoreReportsReachTheUserAsAlerts) {
    std::string shown;
    OrbitErrorForget();
    Answer([] { return WReportError(3, "Command %s.", "aborted"); },
           [&] {
               shown = Text("t_query");
               DialogDriver::Key("Return");
           });
    EXPECT_EQ(shown, "Command aborted.");
    EXPECT_EQ(OrbitErrorLastLevel(), 3);
}

TEST_F(ButtonDialogs, BatchSwitchAnswersTheDefaultWithoutAWindow) {
    ASSERT_EQ(setXSwitch("13", true), 1);
    EXPECT_EQ(wYesNo("Batch?", 0, 0), 0);
    EXPECT_EQ(wYesNoCancel("Batch?", -1, 0, nullptr), -1);
    const char* const lines[] = {"Batch", nullptr};
    const char* const labels[] = {"A", "B", "C", nullptr};
    EXPECT_EQ(wButtonDialogue(lines, labels, 2, 0, 0, nullptr), 2);
    wAlert("Nobody reads this", 0);
    EXPECT_TRUE(NoMoreWindows());
    setXSwitch(13, false);
}

TEST_F(ButtonDialogs, NeverEverShowADialogPrintsTheJoinedLinesAndExits) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_EQ(setXSwitch("NeverEverShowADialog", true), 1);
    const char* const lines[] = {"one", "two", nullptr};
    const char* const labels[] = {"OK", nullptr};
    EXPECT_EXIT(wButtonDialogue(lines, labels, 0, 0, 0, "T"), testing::ExitedWithCode(100),
                "FATAL: one\ntwo\n");
    setXSwitch("NeverEverShowADialog", false);
}

} // namespace
