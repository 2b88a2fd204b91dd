// Every dialog answers the keyboard by one rule, driven with real keys: the focus starts on
// the default button, which carries the default ring; Tab and Shift+Tab reach every button
// (and the chooser's other items); Return answers the focused button; Escape cancels.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "tests/windlib/dialog/dialog_driver.h"
#include "windlib/button/wbutton.h"
#include "windlib/dialog/dirdialog.h"
#include "windlib/dialog/wdialog.h"
#include "windlib/dialog/wstatusbox.h"
#include "windlib/dialog/wyesno.h"
#include "windlib/x11/xfonts.h"

namespace {

// "<focused button>/<default button>" while the set has the dialog's focus, else "".
std::string FocusAndDefault(const char* setName) {
    if (!DialogDriver::Up()) return "";
    ButtonSet* set = static_cast<ButtonSet*>(DialogDriver::Item(setName));
    Dialog* d = DialogDriver::Current();
    if (!set || d->focus != set) return "";
    Button* focused = set->at(set->focusIndex());
    Button* byDefault = btGetDefault(d);
    return std::string(focused && focused->isActive() ? focused->label : "-") + "/" +
           (byDefault ? byDefault->label : "-");
}

class DialogKeys : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
    }
    // Asks; at each step waits until the set's focus and default read `expect`, then
    // presses `key` (the last key ends the dialog). The answer.
    int Walk(const char* set, const std::vector<std::pair<std::string, std::string>>& steps,
             const std::function<int()>& ask) {
        DialogDriver driver;
        for (const auto& step : steps)
            driver.when([=] { return FocusAndDefault(set) == step.first; },
                        [=] { DialogDriver::Key(step.second.c_str()); });
        driver.start();
        int answer = ask();
        EXPECT_TRUE(driver.succeeded());
        return answer;
    }
};

TEST_F(DialogKeys, QuestionsStartOnTheirDefaultAndReturnAnswersTheFocusedButton) {
    auto yesNo = [](int byDefault) { return [=] { return wYesNo("Replace?", byDefault, 0); }; };
    EXPECT_EQ(Walk("bs_yesno", {{"No/No", "Return"}}, yesNo(0)), 0);
    // "The directory exists already" (default No): Tab reaches Yes, and Return answers Yes.
    EXPECT_EQ(Walk("bs_yesno", {{"No/No", "Tab"}, {"Yes/Yes", "Return"}}, yesNo(0)), 1);
    EXPECT_EQ(Walk("bs_yesno", {{"Yes/Yes", "shift+Tab"}, {"No/No", "Return"}}, yesNo(1)), 0);
    EXPECT_EQ(Walk("bs_yesno", {{"No/No", "Tab"}, {"Yes/Yes", "Escape"}}, yesNo(0)), 0);
    auto three = [](int byDefault) {
        return [=] { return wYesNoCancel("Save changes?", byDefault, 0, nullptr); };
    };
    EXPECT_EQ(Walk("bs_buttons",
                   {{"No/No", "Tab"}, {"Cancel/Cancel", "Tab"}, {"Yes/Yes", "Return"}}, three(0)),
              1);
    EXPECT_EQ(Walk("bs_buttons", {{"Cancel/Cancel", "shift+Tab"}, {"No/No", "Return"}}, three(5)),
              0);
    EXPECT_EQ(Walk("bs_buttons", {{"Yes/Yes", "Escape"}}, three(1)), -1);
}

// The chooser also keeps its status line readable: a long message shows both its ends.
TEST_F(DialogKeys, ChooserStartsOnOkAndTabsThroughItsItems) {
    ScopedTempDir tmp;
    std::string missing = tmp / "a/rather/long/path/to/a/directory/that/is/not/there";
    DirectoryChooser chooser("Pick", nullptr);
    chooser.setRoot(missing.c_str());
    std::string shown, fitted;
    int room = 0;
    DialogDriver driver;
    driver
        .when([] { return FocusAndDefault("bs_okcancel") == "OK/OK"; },
              [&] {
                  WStatusBox* status = static_cast<WStatusBox*>(DialogDriver::Item("status"));
                  shown = status->shownText();
                  room = status->width - 8;
                  fitted = StatusFitText(shown.c_str(), room, status->FontNumber());
                  DialogDriver::Key("Tab");
              })
        .when([] { return FocusAndDefault("bs_okcancel") == "Cancel/Cancel"; },
              [] { DialogDriver::Key("Tab"); })
        .when([] { return DialogDriver::Current()->focus == DialogDriver::Item("tfParentDir"); },
              [] { DialogDriver::Key("shift+Tab"); })
        .when([] { return FocusAndDefault("bs_okcancel") == "Cancel/Cancel"; },
              [] { DialogDriver::Key("Return"); });
    driver.start();
    EXPECT_EQ(chooser.run(), 0);
    EXPECT_TRUE(driver.succeeded());
    EXPECT_EQ(chooser.getSelectedDir(), nullptr);
    EXPECT_EQ(shown, "Not a directory: [" + missing + "]");
    EXPECT_LE(WTextWidth(fitted.c_str(), -1, bfont_num), room);
    EXPECT_EQ(fitted.rfind("Not a directory:", 0), 0u) << fitted;
    EXPECT_EQ(fitted.substr(fitted.size() - 10), "not/there]") << fitted;

    chooser.setRoot(tmp.path().c_str());
    DialogDriver again;
    again.when([] { return FocusAndDefault("bs_okcancel") == "OK/OK"; },
               [] { DialogDriver::Key("Return"); });
    again.start();
    EXPECT_EQ(chooser.run(), 1);
    EXPECT_TRUE(again.succeeded());
    EXPECT_EQ(chooser.getSelectedDir(), tmp.path());
}

} // namespace
