// Every dialog answers the keyboard by one rule, driven with real keys: the focus starts on
// the default button, which carries the default ring; Tab and Shift+Tab reach every
// button (and the chooser's other items); Return answers the focused button; Escape
// cancels. Also the chooser's status line: the tool-bar buttons' status strings while the
// pointer is over them, and long messages kept readable at both ends.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "tests/windlib/dialog/dialog_driver.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wtextfield.h"
#include "windlib/dialog/dirdialog.h"
#include "windlib/dialog/wdialog.h"
#include "windlib/dialog/wstatusbox.h"
#include "windlib/dialog/wyesno.h"
#include "windlib/x11/xfonts.h"

namespace {

// "<focused button>/<default button>" of the set while the set has the window's focus,
// "elsewhere" while another item has it.
std::string FocusAndDefault(const char* setName) {
    ButtonSet* set = static_cast<ButtonSet*>(DialogDriver::Item(setName));
    Dialog* d = DialogDriver::Current();
    if (!set || !d) return "no dialog";
    if (d->focus != set) return "elsewhere";
    Button* focused = set->at(set->focusIndex());
    Button* byDefault = btGetDefault(d);
    return std::string(focused && focused->isActive() ? focused->label : "-") + "/" +
           (byDefault ? byDefault->label : "-");
}

// Moves the pointer to the middle of the item, pressing nothing.
void PointAt(const GItem* item) {
    DialogDriver::Xdo({"mousemove", "--window", std::to_string(DialogDriver::Current()->window),
                       std::to_string(item->x + item->width / 2),
                       std::to_string(item->y + item->height / 2)});
}

// One dialog's run: at each step wait until the focus and default read `expect`, then
// press `key`; the last step's key ends the dialog.
struct Step {
    const char* expect;
    const char* key;
};

class DialogKeys : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
    }
    int Walk(const char* setName, const std::vector<Step>& steps, const std::function<int()>& ask) {
        DialogDriver driver;
        for (const Step& step : steps) {
            std::string expect = step.expect, key = step.key;
            driver.when([=] { return DialogDriver::Up() && FocusAndDefault(setName) == expect; },
                        [=] { DialogDriver::Key(key.c_str()); });
        }
        driver.start();
        int answer = ask();
        EXPECT_TRUE(driver.succeeded());
        return answer;
    }
};

TEST_F(DialogKeys, YesNoStartsOnItsDefaultAndReturnAnswersTheFocusedButton) {
    auto ask = [](int byDefault) { return [=] { return wYesNo("Replace it?", byDefault, 0); }; };
    EXPECT_EQ(Walk("bs_yesno", {{"No/No", "Return"}}, ask(0)), 0);
    EXPECT_EQ(Walk("bs_yesno", {{"Yes/Yes", "Return"}}, ask(1)), 1);
    // The question "the directory exists already" (default No): Tab reaches Yes, and then
    // Return answers what the ring is on.
    EXPECT_EQ(Walk("bs_yesno", {{"No/No", "Tab"}, {"Yes/Yes", "Return"}}, ask(0)), 1);
    EXPECT_EQ(Walk("bs_yesno",
                   {{"Yes/Yes", "shift+Tab"},
                    {"No/No", "shift+Tab"},
                    {"Yes/Yes", "Tab"},
                    {"No/No", "Return"}},
                   ask(1)),
              0);
    EXPECT_EQ(Walk("bs_yesno", {{"No/No", "Tab"}, {"Yes/Yes", "Escape"}}, ask(0)), 0);
}

TEST_F(DialogKeys, ButtonDialoguesReachEveryButtonBothWays) {
    auto ask = [](int byDefault) {
        return [=] { return wYesNoCancel("Save changes?", byDefault, 0, nullptr); };
    };
    EXPECT_EQ(Walk("bs_buttons",
                   {{"No/No", "Tab"}, {"Cancel/Cancel", "Tab"}, {"Yes/Yes", "Return"}}, ask(0)),
              1);
    EXPECT_EQ(Walk("bs_buttons", {{"Cancel/Cancel", "shift+Tab"}, {"No/No", "Return"}}, ask(5)), 0);
    EXPECT_EQ(Walk("bs_buttons", {{"Yes/Yes", "Escape"}}, ask(1)), -1);

    const char* const lines[] = {"Disk error", nullptr};
    const char* const labels[] = {"Retry", "Ignore", "Abort", nullptr};
    EXPECT_EQ(Walk("bs_buttons",
                   {{"Ignore/Ignore", "shift+Tab"},
                    {"Retry/Retry", "shift+Tab"},
                    {"Abort/Abort", "Return"}},
                   [&] { return wButtonDialogue(lines, labels, 1, 0, 0, "Disk"); }),
              2);
    EXPECT_EQ(Walk("bs_buttons", {{"OK/OK", "Return"}}, [] { return wAlert("Done.", 0), 7; }), 7);
}

TEST_F(DialogKeys, ChooserStartsOnOkAndTabsThroughItsItems) {
    ScopedTempDir tmp;
    DirectoryChooser chooser("Pick", nullptr);
    chooser.setRoot(tmp.path().c_str());
    GItem* field = nullptr;
    DialogDriver driver;
    driver
        .when([] { return DialogDriver::Up() && FocusAndDefault("bs_okcancel") == "OK/OK"; },
              [] { DialogDriver::Key("Tab"); })
        .when([] { return FocusAndDefault("bs_okcancel") == "Cancel/Cancel"; },
              [&] {
                  field = DialogDriver::Item("tfParentDir");
                  DialogDriver::Key("Tab");
              })
        .when([&] { return DialogDriver::Current()->focus == field; },
              [] { DialogDriver::Key("shift+Tab"); })
        .when([] { return FocusAndDefault("bs_okcancel") == "Cancel/Cancel"; },
              [] { DialogDriver::Key("Return"); });
    driver.start();
    EXPECT_EQ(chooser.run(), 0);
    EXPECT_TRUE(driver.succeeded()) << FocusAndDefault("bs_okcancel");
    EXPECT_EQ(chooser.getSelectedDir(), nullptr);

    DialogDriver again;
    again.when([] { return DialogDriver::Up() && FocusAndDefault("bs_okcancel") == "OK/OK"; },
               [] { DialogDriver::Key("Return"); });
    again.start();
    EXPECT_EQ(chooser.run(), 1);
    EXPECT_TRUE(again.succeeded());
    EXPECT_EQ(chooser.getSelectedDir(), tmp.path());
}

TEST_F(DialogKeys, ChooserStatusLineShowsStatusStringsAndBothEndsOfLongMessages) {
    ScopedTempDir tmp;
    std::string missing = tmp / "a/directory/with/a/rather/long/name/that/is/not/there";
    DirectoryChooser chooser("Pick", nullptr);
    chooser.setRoot(missing.c_str());
    std::string whileOver, afterwards, fitted;
    int room = 0;
    auto status = [] { return static_cast<WStatusBox*>(DialogDriver::Item("status")); };
    auto shown = [=] { return std::string(status()->shownText()); };
    DialogDriver driver;
    driver
        .onceUp(
            [] { PointAt(bsBtFIndex(static_cast<ButtonSet*>(DialogDriver::Item("bsUpdir")), 0)); })
        .when([=] { return shown() == "Up One Directory"; },
              [&] {
                  whileOver = shown();
                  PointAt(DialogDriver::Item("msl_dirlist"));
              })
        .when([=] { return shown() != "Up One Directory"; },
              [&] {
                  afterwards = shown();
                  room = status()->width - 8;
                  fitted = StatusFitText(afterwards.c_str(), room, status()->FontNumber());
                  DialogDriver::Key("Escape");
              });
    driver.start();
    chooser.run();
    EXPECT_TRUE(driver.succeeded());
    EXPECT_EQ(whileOver, "Up One Directory");
    EXPECT_EQ(afterwards, "Not a directory: [" + missing + "]");
    EXPECT_LE(WTextWidth(fitted.c_str(), -1, bfont_num), room);
    EXPECT_EQ(fitted.rfind("Not a directory:", 0), 0u) << fitted;
    EXPECT_EQ(fitted.substr(fitted.size() - 10), "not/there]") << fitted;
    EXPECT_NE(fitted.find("..."), std::string::npos) << fitted;
}

} // namespace
