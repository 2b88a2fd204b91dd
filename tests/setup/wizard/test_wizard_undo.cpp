// Undo and checks in the wizard, driven on Xvfb: Cancel at ten moments of an install over
// an earlier installation, with Yes to both questions, leaves the tree as it was and no
// command behind, and so does a termination signal, without a question; a target with too little
// room gets an alert on the Summary page and Install does nothing; a damaged archive is named in an
// alert and nothing is written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include "setup/discovery/distribution_sums.h"
#include "setup/test_undo_support.h"
#include "support/xvfb_fixture.h"
#include "tests/setup/wizard/test_wizard_support.h"

namespace {

// The Summary page's row in the page list of the demo distribution, and of a Basic() one.
const int kDemoSummaryRow = 6;
const int kBasicSummaryRow = 4;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class WizardUndo : public WizardProgramTest {
protected:
    // Opens the wizard on `source` and goes to the Summary page.
    void ToSummary(WizardRun& run, int row) {
        ASSERT_TRUE(run.waitForWindow()) << run.err();
        run.clickRow("mslSegments", row);
    }
};

TEST_F(WizardUndo, CancelAtTenMomentsLeavesTheTreeAsItWas) {
    std::string earlier = tmp / "earlier";
    ASSERT_TRUE(MakeEarlierInstallation(earlier));
    WritePausingTools(util, tmp.path());
    for (const std::string& moment : StopMoments()) {
        std::string before = PrepareMoment(earlier, target, tmp.path(), moment);
        WizardRun run({"-source_dir", DemoDistribution(), "-util_dir", util, "-target_dir", target},
                      home);
        ToSummary(run, kDemoSummaryRow);
        run.next(); // Install
        pid_t leader = PausedUtility(tmp.path());
        ASSERT_GT(leader, 0) << moment << run.out() << run.err();

        run.cancel();
        for (const char* question : {"cancel", "remove"}) {
            unsigned long dialog = WaitForShownWindow(kQuestionTitle);
            ASSERT_NE(dialog, 0u) << moment << ": no question to " << question;
            ASSERT_TRUE(AnswerDialog(dialog, "Return")); // Yes, the default of both
        }
        ASSERT_TRUE(run.waitForOutput("The installation has been cancelled.\nRemoved "))
            << moment << run.out();
        EXPECT_TRUE(GroupGone(leader)) << moment << ": a command outlived the run";
        EXPECT_EQ(Listing(target), before) << moment;
        EXPECT_FALSE(Contains(run.out(), " and restored 0 files")) << moment << run.out();
        run.cancel(); // the run is over: closes without asking
        EXPECT_EQ(run.wait(), 0) << moment << run.err();
    }

    // A termination signal rolls back without asking.
    std::string before = PrepareMoment(earlier, target, tmp.path(), StopMoments().front());
    WizardRun run({"-source_dir", DemoDistribution(), "-util_dir", util, "-target_dir", target},
                  home);
    ToSummary(run, kDemoSummaryRow);
    run.next();
    pid_t leader = PausedUtility(tmp.path());
    ASSERT_GT(leader, 0) << run.out() << run.err();
    kill(run.pid(), SIGTERM);
    EXPECT_EQ(run.wait(), 128 + SIGTERM);
    EXPECT_TRUE(GroupGone(leader));
    EXPECT_EQ(Listing(target), before);
}

TEST_F(WizardUndo, TooLittleRoomIsSaidOnTheSummaryPageAndInstallStaysOff) {
    ScopedTmpfs small(tmp / "small", "size=4m");
    if (!small.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    DistFixture dist(tmp / "dist");
    dist.Basic().Archive("ppc/linux86_tools.tgz", {{"big", std::string(6 << 20, 'x')}});
    ASSERT_TRUE(dist.Build());
    target = tmp / "small/vt";
    WizardRun run({"-source_dir", dist.root(), "-target_dir", target}, home);
    ToSummary(run, kBasicSummaryRow);
    unsigned long alert = WaitForShownWindow(kAlertTitle);
    ASSERT_NE(alert, 0u) << "no alert on the Summary page";
    ASSERT_TRUE(AnswerDialog(alert, "Return"));
    run.next(); // Install, disabled
    EXPECT_FALSE(run.waitForOutput("Expanding", 1500)) << run.out();
    EXPECT_FALSE(PathExists(target));
    run.cancel();
    ASSERT_TRUE(AnswerDialog(WaitForShownWindow(kQuestionTitle), "Return"));
    EXPECT_EQ(run.wait(), 0);
}

TEST_F(WizardUndo, ADamagedArchiveIsNamedInAnAlertAndNothingIsWritten) {
    DistFixture dist(tmp / "dist");
    dist.Basic();
    ASSERT_TRUE(dist.Build());
    std::vector<std::string> problems;
    ASSERT_TRUE(WriteDistributionSums(dist.root(), "gzip", &problems));
    std::string damaged = dist.path("ppc/linux86_tools.tgz"), bytes = ReadFile(damaged);
    bytes[bytes.size() / 2] ^= 0x01;
    WriteFile(damaged, bytes);

    WizardRun run({"-source_dir", dist.root(), "-target_dir", target}, home);
    ToSummary(run, kBasicSummaryRow);
    run.next(); // Install
    unsigned long alert = WaitForShownWindow(kAlertTitle);
    ASSERT_NE(alert, 0u) << "no alert for the damaged archive" << run.out();
    ASSERT_TRUE(AnswerDialog(alert, "Return"));
    EXPECT_TRUE(run.waitForOutput("\t" + damaged + ": damaged")) << run.out();
    EXPECT_FALSE(PathExists(target));
    run.cancel(); // the run ended: no question
    EXPECT_EQ(run.wait(), 0) << run.err();
}

} // namespace
