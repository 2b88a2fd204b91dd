// Uninstall over real installations: two runs and a patch into a directory that held the
// user's own files come out again leaving it as it was; a file changed since is kept and
// named; a second uninstall finds nothing; and a link planted in the tree never leads a
// rollback or an uninstall outside it.
#include <gtest/gtest.h>

#include "setup/engine/test_manifest_support.h"
#include "setup/engine/uninstall.h"

namespace {

// A listing without the line of the directory itself, whose time follows its entries.
std::string BelowRoot(const std::string& dir) {
    std::string listing = Listing(dir); // sorted: the directory's own line comes first
    return listing.compare(0, 4, ". d ") == 0 ? listing.substr(listing.find('\n') + 1) : listing;
}

class UninstallTest : public testing::Test {
protected:
    // One recorded run of the given stages (directories below tmp) into the target.
    std::string InstallRun(const std::vector<std::string>& stages,
                           RunOutcome outcome = RunOutcome::kSucceeded) {
        ManifestRun run;
        run.target = target;
        run.program = "setup";
        run.targetCreated = !PathExists(target);
        ShellStatus("mkdir -p '" + target + "'");
        run.targetHeldFiles = TargetHoldsFiles(target);
        ManifestRecorder recorder;
        EXPECT_TRUE(recorder.StartRun(run)) << recorder.error();
        for (const std::string& stage : stages)
            EXPECT_TRUE(InstallStage(tmp / stage, target, &recorder)) << recorder.error();
        EXPECT_TRUE(recorder.EndRun(outcome)) << recorder.error();
        return recorder.manifestPath();
    }
    void StageTwoRuns() {
        Stage(tmp / "a", "mkdir -p bin lib/deep/er && echo t > bin/tool && echo l > lib/l.a && "
                         "echo d > lib/deep/er/d && ln -s l.a lib/link");
        Stage(tmp / "b", "mkdir -p bin doc && echo t2 > bin/tool && echo r > doc/readme");
    }
    // A patch run replacing one file and adding another in a new directory, recorded the
    // way the patch installer will: after its rename, with the old file's state.
    void PatchRun() {
        std::string tool = target + "/bin/tool";
        struct stat old;
        ASSERT_EQ(lstat(tool.c_str(), &old), 0);
        ASSERT_EQ(ShellStatus("echo patched > '" + tool + ".new' && mv '" + tool + ".new' '" +
                              tool + "' && mkdir '" + target + "/fix' && echo f > '" + target +
                              "/fix/f'"),
                  0);
        ManifestRun run;
        run.target = target;
        run.program = "setup -install_patch";
        ManifestRecorder recorder;
        ASSERT_TRUE(recorder.StartRun(run));
        recorder.BeginPatch(tmp / "fix.vta");
        ASSERT_TRUE(recorder.RecordPatchedFile("bin/tool", FileState::Of(old)));
        recorder.RecordPatchedDirectory("fix");
        ASSERT_TRUE(recorder.RecordPatchedFile("fix/f", FileState()));
        ASSERT_TRUE(recorder.EndRun(RunOutcome::kSucceeded));
    }

    ScopedTempDir tmp;
    std::string target = tmp / "target";
};

TEST_F(UninstallTest, LeavesTheDirectoryAsItWasAndASecondFindsNothing) {
    Stage(target, "mkdir mine && echo keep > mine/notes && echo keep > top");
    const std::string before = BelowRoot(target);
    StageTwoRuns();
    InstallRun({"a"});
    InstallRun({"b"});
    PatchRun();
    ASSERT_TRUE(TargetHasSetupFolder(target));

    UninstallResult result = Uninstall(target);
    EXPECT_FALSE(result.nothingToDo);
    EXPECT_TRUE(result.kept.empty()) << UninstallSummary(result);
    EXPECT_EQ(result.ExitStatus(), 0) << UninstallSummary(result);
    EXPECT_EQ(BelowRoot(target), before);
    EXPECT_FALSE(PathExists(target + "/.setup"));
    // bin/tool l.a d link readme fix/f, and bin lib lib/deep lib/deep/er doc fix
    EXPECT_EQ(result.removed.size(), 12u);
    EXPECT_EQ(UninstallSummary(result),
              "Uninstalled from " + target + ": removed 6 files and 6 directories.");

    UninstallResult again = Uninstall(target);
    EXPECT_TRUE(again.nothingToDo);
    EXPECT_EQ(again.ExitStatus(), 0);
    EXPECT_EQ(UninstallSummary(again),
              "Nothing to uninstall in " + target + ": no installation is recorded there.");
}

TEST_F(UninstallTest, KeepsAndNamesWhatChangedSinceAndUndoesARunThatNeverEnded) {
    StageTwoRuns();
    InstallRun({"a"});
    ASSERT_EQ(ShellStatus("echo mine >> '" + target + "/lib/l.a'"), 0);
    // A run over it that crashed: rolled back first, so lib/l.a is the user's again.
    pid_t child = fork();
    if (child == 0) {
        ManifestRun run;
        run.target = target;
        run.targetHeldFiles = true;
        ManifestRecorder recorder;
        recorder.StartRun(run);
        InstallStage(tmp / "b", target, &recorder);
        _exit(0);
    }
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    ASSERT_EQ(ReadFile(target + "/bin/tool"), "t2\n");

    UninstallResult result = Uninstall(target);
    EXPECT_EQ(result.kept, std::vector<std::string>{"lib/l.a"});
    EXPECT_EQ(result.ExitStatus(), 0);
    EXPECT_EQ(ReadFile(target + "/lib/l.a"), "l\nmine\n");
    EXPECT_FALSE(PathExists(target + "/bin"));
    EXPECT_FALSE(PathExists(target + "/doc"));
    EXPECT_FALSE(PathExists(target + "/.setup"));
    EXPECT_NE(UninstallSummary(result).find("Kept 1 file that was changed after the "
                                            "installation:\n  lib/l.a"),
              std::string::npos)
        << UninstallSummary(result);
    EXPECT_TRUE(Uninstall(target).nothingToDo);
}

TEST_F(UninstallTest, APlantedLinkLeadsNeitherRollbackNorUninstallOutside) {
    StageTwoRuns();
    const std::string outside = tmp / "outside";
    // What lib/ holds after the run, copied outside with the same sizes, modes and times.
    auto plant = [&]() {
        ASSERT_EQ(ShellStatus("rm -rf '" + outside + "' && cp -a '" + target + "/lib' '" + outside +
                              "' && rm -rf '" + target + "/lib' && ln -s '" + outside + "' '" +
                              target + "/lib'"),
                  0);
    };
    std::string manifest = InstallRun({"a"}, RunOutcome::kCancelled);
    plant();
    RollbackResult rolled = RollBackRun(manifest);
    EXPECT_TRUE(PathExists(outside + "/l.a") && PathExists(outside + "/deep/er/d"));
    ASSERT_FALSE(rolled.failed.empty());
    EXPECT_NE(RollbackSummary(rolled).find("lib/l.a: a symbolic link"), std::string::npos)
        << RollbackSummary(rolled);

    ShellStatus("rm -rf '" + target + "' '" + outside + "'");
    InstallRun({"a"});
    plant();
    UninstallResult result = Uninstall(target);
    EXPECT_TRUE(PathExists(outside + "/l.a") && PathExists(outside + "/deep/er/d"));
    EXPECT_EQ(result.ExitStatus(), 1);
    EXPECT_NE(UninstallSummary(result).find("Could not remove"), std::string::npos);
    // What failed stays recorded: once the link is gone, another attempt finishes.
    ASSERT_EQ(unlink((target + "/lib").c_str()), 0);
    UninstallResult again = Uninstall(target);
    EXPECT_FALSE(again.nothingToDo);
    EXPECT_EQ(again.ExitStatus(), 0) << UninstallSummary(again);
    EXPECT_FALSE(PathExists(target));
}

} // namespace
