// What the wizard refuses, through the real program's window: leaving the General page with
// no directory, an existing one or one that cannot be written shows the rule's alert or
// question and keeps the page, but going back to the introduction never asks; a drag over
// the page list switches once, on the release; an installation directory that cannot be
// made or written ends the run with its message.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/dist_fixture.h"
#include "support/temp_dir.h"
#include "support/xvfb_fixture.h"
#include "tests/setup/wizard/test_wizard_support.h"

namespace {

class WizardValidation : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SharedXvfb().ok()) << "Xvfb did not start";
        ASSERT_GT(TheWizardLayout().rowHeight, 0) << "the window could not be measured";
        ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
        // One install type, so the pages are: Introduction, Components, General, Target
        // Architecture, Summary.
        dist.Basic();
        ASSERT_TRUE(dist.Build());
        WriteFile(file, "not a directory\n");
    }

    std::vector<std::string> Options(const std::string& target) const {
        return {"-source_dir", dist.root(), "-target_dir", target};
    }

    ScopedTempDir tmp;
    DistFixture dist{tmp / "dist"};
    std::string home = tmp / "home", file = tmp / "file";
};

TEST_F(WizardValidation, LeavingGeneralWithABadDirectoryKeepsThePage) {
    std::string exists = tmp / "exists", fresh = tmp / "fresh";
    ASSERT_EQ(mkdir(exists.c_str(), 0755), 0);
    WizardRun run(Options(fresh), home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    run.next();
    run.next(); // General: no Install Type page with a single type

    run.typeTargetDir("");
    run.next();
    unsigned long alert = WaitForShownWindow(kAlertTitle);
    ASSERT_NE(alert, 0u) << "an empty directory was accepted";
    ASSERT_TRUE(AnswerDialog(alert, "Return"));

    run.typeTargetDir(exists);
    run.next();
    unsigned long question = WaitForShownWindow(kQuestionTitle);
    ASSERT_NE(question, 0u) << "an existing directory was taken without asking";
    ASSERT_TRUE(AnswerDialog(question, "Return")); // No is the default

    run.typeTargetDir(file + "/sub");
    run.next();
    alert = WaitForShownWindow(kAlertTitle);
    ASSERT_NE(alert, 0u) << "a directory that cannot be written was accepted";
    ASSERT_TRUE(AnswerDialog(alert, "Return"));
    EXPECT_FALSE(PathExists(fresh));

    // Still on General: the last directory typed is the one installed into.
    run.typeTargetDir(fresh);
    run.next(); // Target Architecture
    run.next(); // Summary
    run.next(); // Install
    ASSERT_TRUE(run.waitForOutput("Installation Completed\n")) << run.out();
    EXPECT_NE(run.out().find("Tools will be installed into:\n\t" + fresh + "\n"),
              std::string::npos);
    run.cancel();
    EXPECT_EQ(run.wait(), 0) << run.err();
}

TEST_F(WizardValidation, PageListSwitchesOnReleaseAndIntroductionNeverAsks) {
    // The target exists: every time General is left, except for the introduction, asks.
    std::string exists = tmp / "exists";
    ASSERT_EQ(mkdir(exists.c_str(), 0755), 0);
    WizardRun run(Options(exists), home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    // Across Components and General to Target Architecture: one switch, on the release.
    run.dragRows("mslSegments", 0, 3);
    run.click("bBack");             // General
    run.clickRow("mslSegments", 0); // leaving General for the introduction asks nothing
    run.clickRow("mslSegments", 4); // Summary
    run.next();                     // Install: a pending question would have blocked it
    ASSERT_TRUE(run.waitForOutput("Installation Completed\n")) << run.out();
    EXPECT_NE(run.out().find("Tools will be installed into:\n\t" + exists + "\n"),
              std::string::npos);
    run.cancel();
    EXPECT_EQ(run.wait(), 0) << run.err();
}

TEST_F(WizardValidation, EachRefusalShowsItsRuleText) {
    std::string exists = tmp / "exists";
    ASSERT_EQ(mkdir(exists.c_str(), 0755), 0);
    struct Case {
        std::string typed, shown;
    };
    const std::vector<Case> cases = {
        {"", "You must supply a directory."},
        {exists, "The destination directory already exists.  Some individual files may be "
                 "overwritten.\nAre you sure you want to install into " +
                     exists + "?"},
        {file + "/sub", "Please choose another directory.  Can not write to " + file + "/sub."}};
    for (const Case& c : cases) {
        // The switch turns the first dialog into a message and an exit.
        std::vector<std::string> args = Options(tmp / "fresh");
        args.push_back("-XNeverEverShowADialog");
        WizardRun run(args, home);
        ASSERT_TRUE(run.waitForWindow()) << run.err();
        run.next();
        run.next();
        run.typeTargetDir(c.typed);
        run.next();
        EXPECT_EQ(run.wait(), 100) << c.shown;
        EXPECT_EQ(run.err(), "FATAL: " + c.shown + "\n");
    }
}

TEST_F(WizardValidation, UnusableInstallationDirectoryEndsTheRun) {
    // Not checked on the way: the user jumps from the introduction to the summary.
    struct Case {
        std::string target, message;
    };
    const std::vector<Case> cases = {{file + "/sub", "Could not create " + file + "/sub."},
                                     {"/proc", "Could not write to /proc."}};
    for (const Case& c : cases) {
        WizardRun run(Options(c.target), home);
        ASSERT_TRUE(run.waitForWindow()) << run.err();
        run.clickRow("mslSegments", 4);
        run.next();
        ASSERT_TRUE(run.waitForOutput(c.message + "\n")) << run.out();
        run.cancel(); // the engine has stopped: no question
        EXPECT_EQ(run.wait(), 0) << run.err();
        EXPECT_EQ(run.out().find("Expanding: "), std::string::npos) << run.out();
        EXPECT_EQ(run.out().find("Installation Completed"), std::string::npos) << run.out();
    }
}

} // namespace
