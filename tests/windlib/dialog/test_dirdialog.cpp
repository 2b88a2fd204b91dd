// The directory chooser on the live server with real input: typing a directory's path
// moves there at once and a file name changes nothing, a click moves into a directory, Up
// is dimmed at "/" only, the list is built five names per idle call (directories first,
// files on request, version control hidden), the status line for roots that cannot be
// listed, and what OK and Cancel leave in getSelectedDir.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"
#include "tests/windlib/dialog/dialog_driver.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wtextfield.h"
#include "windlib/dialog/dirdialog.h"
#include "windlib/dialog/wstatusbox.h"
#include "windlib/msl/mscrolllist.h"
#include "windlib/msl/msl_draw.h"
#include "windlib/window/gstatictext.h"
#include "xswitch/xswitch.h"

namespace {

// The chooser with its items and its idle calls in view.
class ObservedChooser : public DirectoryChooser {
public:
    ObservedChooser() : DirectoryChooser("Pick One", nullptr) {}

    void handleIdle(IdleNotifier* notifier) override {
        bool wasBuilding = isBuilding();
        DirectoryChooser::handleIdle(notifier);
        if (wasBuilding) rowsAfterCall.push_back(mslGetRows(msl_dirlist));
    }
    std::string rows() const {
        std::string cells;
        for (int r = 0; r < mslGetRows(msl_dirlist); ++r)
            cells += std::string(r ? " " : "") + mslGetCell(msl_dirlist, r, 0);
        return cells;
    }
    std::string field() const {
        char* value = tfParentDir->getValue();
        std::string copy = value;
        gen_free(value);
        return copy;
    }
    std::string root() const { return getRoot(); }
    bool upDimmed() const { return bsBtFIndex(bsUpdir, 0)->isDimmed(); }
    bool listed() const {
        return DialogDriver::Up() && !isBuilding() && status->text() == std::string("done.");
    }
    void clickRow(int row) const {
        int h = MslRowHeight(msl_dirlist);
        DialogDriver::Click(msl_dirlist, msl_dirlist->view.x - msl_dirlist->x + 10,
                            msl_dirlist->view.y - msl_dirlist->y + row * h + h / 2);
    }

    std::vector<int> rowsAfterCall;
};

class DirChooser : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
    }
    void TearDown() override {
        EXPECT_TRUE(driver.succeeded());
        ToolkitTest::TearDown();
    }
    void MakeDirs(std::initializer_list<const char*> names) {
        for (const char* name : names) ASSERT_EQ(mkdir((tmp / name).c_str(), 0755), 0);
    }
    std::function<bool()> Listed(const std::string& root) {
        return [=] { return chooser.listed() && chooser.root() == root; };
    }

    ScopedTempDir tmp;
    ObservedChooser chooser;
    DialogDriver driver;
};

TEST_F(DirChooser, TypedDirectoryMovesAtOnceAFileNameDoesNotAndCancelSelectsNothing) {
    MakeDirs({"inner"});
    WriteFile(tmp / "plain.txt", "x");
    chooser.setRoot(tmp.path().c_str());
    driver.when(Listed(tmp.path()), [&] { DialogDriver::Type("/plain.txt"); })
        .when([&] { return chooser.field() == tmp / "plain.txt"; },
              [&] {
                  EXPECT_EQ(chooser.root(), tmp.path());
                  DialogDriver::Key("ctrl+a");
                  DialogDriver::Type(tmp / "inner");
              })
        .when(Listed(tmp / "inner"), [] { DialogDriver::ClickButton("bs_okcancel", 1); });
    driver.start();
    EXPECT_EQ(chooser.run(), 0);
    EXPECT_EQ(chooser.getSelectedDir(), nullptr);
}

TEST_F(DirChooser, UpIsDimmedAtTheTopOnlyAndOkTakesTheField) {
    chooser.setRoot("/");
    bool dimmedAtTop = false;
    driver
        .when(Listed("/"),
              [&] {
                  dimmedAtTop = chooser.upDimmed();
                  DialogDriver::Type("usr");
              })
        .when(Listed("/usr"),
              [&] {
                  EXPECT_FALSE(chooser.upDimmed());
                  DialogDriver::ClickButton("bsUpdir", 0);
              })
        .when(Listed("/"), [&] {
            EXPECT_TRUE(chooser.upDimmed());
            DialogDriver::Key("Return");
        });
    driver.start();
    EXPECT_EQ(chooser.run(), 1);
    EXPECT_TRUE(dimmedAtTop);
    EXPECT_STREQ(chooser.getSelectedDir(), "/");
}

TEST_F(DirChooser, TwelveEntriesTakeThreeIdleCallsAndAClickMovesIntoOne) {
    for (int i = 10; i < 22; ++i) MakeDirs({("d" + std::to_string(i)).c_str()});
    MakeDirs({"d11/deeper"});
    chooser.setRoot(tmp.path().c_str());
    driver
        .when(Listed(tmp.path()),
              [&] {
                  EXPECT_EQ(chooser.rowsAfterCall, (std::vector<int>{5, 10, 12}));
                  chooser.clickRow(1);
              })
        .when(Listed(tmp / "d11"), [&] {
            EXPECT_EQ(chooser.rows(), "deeper");
            EXPECT_EQ(chooser.field(), tmp / "d11");
            DialogDriver::ClickButton("bs_okcancel", 0);
        });
    driver.start();
    EXPECT_EQ(chooser.run(), 1);
    EXPECT_EQ(chooser.getSelectedDir(), tmp / "d11");
    EXPECT_FALSE(chooser.isBuilding());
}

TEST_F(DirChooser, FilesFollowDirectoriesOnRequestAndVersionControlStaysHidden) {
    WriteFile(tmp / "a_file", "x");
    WriteFile(tmp / "c_file", "x");
    MakeDirs({"b_dir", "CVS"});
    chooser.setRoot(tmp.path().c_str());
    auto rowsAre = [&](const char* rows) {
        return [=] { return chooser.listed() && chooser.rows() == rows; };
    };
    driver.when(rowsAre("b_dir"), [] { DialogDriver::ClickButton("bsControls", 0); })
        .when(rowsAre("b_dir a_file c_file"), [&] { chooser.setVCDirsVisible(true); })
        .when(rowsAre("CVS b_dir a_file c_file"), [] { DialogDriver::Key("Escape"); });
    driver.start();
    EXPECT_EQ(chooser.run(), 0);
}

TEST_F(DirChooser, PromptTitleAndStatusForARootThatIsNoDirectory) {
    WriteFile(tmp / "plain.txt", "x");
    DirectoryChooser prompted("No distributions found.", "Where is the distribution?");
    prompted.setRoot((tmp / "plain.txt").c_str());
    std::string shown;
    driver.onceUp([&] {
        shown = static_cast<GStaticText*>(DialogDriver::Item("t_prompt"))->text();
        shown += std::string("|") + DialogDriver::Current()->title + "|" +
                 static_cast<WStatusBox*>(DialogDriver::Item("status"))->text();
        DialogDriver::Key("Escape");
    });
    driver.start();
    EXPECT_EQ(prompted.run(), 0);
    EXPECT_EQ(shown, "Where is the distribution?|No distributions found.|Not a directory: [" +
                         tmp / "plain.txt]");
    ASSERT_EQ(setXSwitch("13", true), 1); // batch mode: Cancel without a window
    EXPECT_EQ(prompted.run(), 0);
    EXPECT_TRUE(NoMoreWindows());
    setXSwitch(13, false);
}

} // namespace
