// The engine's undo record with every way of walking the tree (watched, portable, and a
// watch the tree outgrows): over an earlier installation, a run cancelled after two of its
// archives, and a failed run with -rollback_on_error that went through the read-only pass,
// both leave the tree exactly as it was, modes the walks changed included.
#include "setup/engine/install_watch.h"
#include "setup/engine/test_install_engine_support.h"
#include "setup/engine/test_manifest_support.h"

namespace {
InstallOptions& o = installOptions;

class UndoTest : public EngineTest, public testing::WithParamInterface<long> {
protected:
    UndoTest() { SetInstallWatchBudget(GetParam()); }
    ~UndoTest() override {
        ForgetInstallTree();
        SetInstallWatchBudget(-1);
    }
    // Two archives over an earlier installation of both, which the user has since made
    // partly writable again and added to.
    void EarlierInstallation() {
        UtilTools();
        dist.HostTools("linux86")
            .InstallType("ide")
            .Archive("ppc/linux86_tools.tgz", {{"ppc/bin/cc", "new cc\n", 0555},
                                               {"ppc/lib/libc.a", "new libc\n", 0444},
                                               {"shared/readme", "new readme\n", 0644}})
            .Archive("ppc/linux86_docs.tgz", {{"shared/doc.txt", "new doc\n", 0444}});
        Prepare();
        Install();
        ASSERT_EQ(view.Report(), "IInstallation Completed");
        ASSERT_EQ(
            ShellStatus("cd '" + target +
                        "' && chmod 0664 shared/readme && chmod 0700 "
                        "ppc/lib && echo mine > shared/mine && chmod 0640 shared/mine && echo "
                        "ours > ppc/ours && chmod 0666 ppc/ours"),
            0);
        o.cancelRequested = o.cancelled = false;
        view.lines.clear();
    }
};

TEST_P(UndoTest, ACancelAfterTwoArchivesLeavesTheTreeAsItWas) {
    EarlierInstallation();
    std::string before = Listing(target);
    view.onLine = [](const std::string& line) {
        if (line.find("Expanding: ") != std::string::npos &&
            line.find("alltargets/linux86_tools.tgz") != std::string::npos)
            o.cancelRequested = true;
    };
    Install();
    EXPECT_EQ(Listing(target), before);
    EXPECT_NE(view.Report().find("\nRemoved 0 paths this installation created and restored 4 "
                                 "files it replaced."),
              std::string::npos)
        << view.Report();
}

TEST_P(UndoTest, AFailedRunWithRollbackOnErrorLeavesTheTreeAsItWas) {
    EarlierInstallation();
    WriteFile(dist.path("ppc/linux86_docs.tgz"), "damaged");
    std::string before = Listing(target);
    o.rollbackOnError = true;
    Install();
    EXPECT_TRUE(view.Has("MAdjusting write permissions.")) << "the read-only pass was skipped";
    EXPECT_EQ(Listing(target), before);
    EXPECT_NE(view.Report().find("1 of 4 archives could not be expanded"), std::string::npos)
        << view.Report();
}

std::string WalkName(const testing::TestParamInfo<long>& info) {
    return info.param < 0 ? "Watched" : info.param == 0 ? "Portable" : "WatchOutgrown";
}

INSTANTIATE_TEST_SUITE_P(Walks, UndoTest, testing::Values(-1L, 0L, 3L), WalkName);

} // namespace
