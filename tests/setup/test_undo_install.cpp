// Undo and checks through the real program without a window: a run stopped by SIGTERM at
// ten moments over an earlier installation leaves the tree exactly as it was; a failed run
// with -rollback_on_error takes itself back; install, patch and uninstall leave the
// directory as before, keeping what the user changed; too little space and a damaged
// archive are refused before anything is written.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "setup/discovery/distribution_sums.h"
#include "setup/test_undo_support.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class UndoInstall : public testing::Test {
protected:
    ProgramResult Program(const std::vector<std::string>& args) const {
        std::vector<std::string> argv = {SetupProgram()};
        argv.insert(argv.end(), args.begin(), args.end());
        ProgramOptions options;
        options.unsetEnv = {"DISPLAY"};
        return RunProgram(argv, options);
    }
    ProgramResult Install(const std::string& source, const std::vector<std::string>& more = {}) {
        std::vector<std::string> args = {"-nodisplay", "-install",    "-source_dir",
                                         source,       "-target_dir", target};
        args.insert(args.end(), more.begin(), more.end());
        return Program(args);
    }

    ScopedTempDir tmp;
    std::string target = tmp / "target";
};

// Starts the unattended run in the background, stops it with SIGTERM once `util`'s tool
// has paused, and returns its exit status; *leader is the paused command's group.
int StoppedRun(const std::vector<std::string>& argv, const std::string& dir, pid_t* leader,
               const std::string& out) {
    pid_t pid = StartProgram(argv, out);
    *leader = PausedUtility(dir);
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

TEST_F(UndoInstall, StoppedAtTenMomentsTheTreeIsAsItWasBefore) {
    std::string earlier = tmp / "earlier", util = tmp / "util";
    ASSERT_TRUE(MakeEarlierInstallation(earlier));
    WritePausingTools(util, tmp.path());
    for (const std::string& moment : StopMoments()) {
        std::string before = PrepareMoment(earlier, target, tmp.path(), moment);
        std::string out = tmp / "out";
        pid_t leader = 0;
        int status = StoppedRun({SetupProgram(), "-nodisplay", "-install", "-source_dir",
                                 DemoDistribution(), "-util_dir", util, "-target_dir", target},
                                tmp.path(), &leader, out);
        EXPECT_EQ(status, 128 + SIGTERM) << moment;
        ASSERT_GT(leader, 0) << moment << ReadFile(out);
        EXPECT_TRUE(GroupGone(leader)) << moment << ": a command outlived the run";
        EXPECT_EQ(Listing(target), before) << moment;
        std::string text = ReadFile(out);
        EXPECT_TRUE(Contains(text, "The installation has been cancelled.\nRemoved ")) << text;
        EXPECT_FALSE(Contains(text, "Manually remove")) << text;
        // Every file the archives replace was put back, at every moment.
        EXPECT_FALSE(Contains(text, " and restored 0 files")) << moment << text;
        EXPECT_EQ(ShellStatus("ls '" + target + "/.setup' | grep -q '^manifest-0002'"), 1)
            << "the record of the rolled-back run stayed";
    }
}

TEST_F(UndoInstall, AFailedRunWithRollbackOnErrorTakesItselfBack) {
    DistFixture dist(tmp / "dist");
    dist.Basic().Archive("ppc/linux86_tools.tgz", {{"ppc/bin/cc", "cc\n", 0755}});
    ASSERT_TRUE(dist.Build());
    WriteFile(dist.path("ppc/linux86_docs.tgz"), "not an archive");
    ProgramResult run = Install(dist.root(), {"-rollback_on_error"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "1 of 4 archives could not be expanded:\n\t" +
                                      dist.path("ppc/linux86_docs.tgz") + "\nRemoved "))
        << run.err;
    // Only the log of what happened is left.
    EXPECT_EQ(ShellStatus("cd '" + target +
                          "' && test \"$(find . | sort | tr '\\n' ' ')\" = "
                          "'. ./.setup ./.setup/install.log '"),
              0);
    EXPECT_TRUE(Contains(ReadFile(target + "/.setup/install.log"), "\noutcome: Removed "));
}

TEST_F(UndoInstall, InstallPatchAndUninstallLeaveTheDirectoryAsBefore) {
    ShellStatus("mkdir -p '" + target + "/arm' && echo own > '" + target + "/arm/own.txt'");
    ASSERT_EQ(Install(DemoDistribution()).status, 0);
    // A patch replaces an installed file and adds one in a new directory.
    Stage(tmp / "patch", "mkdir -p arm/bin fix && echo patched > arm/bin/arm-cc && echo new > "
                         "fix/new");
    ProgramOptions inPatch;
    inPatch.workingDir = tmp / "patch";
    RunProgram(
        {SetupProgram(), "-nodisplay", "-create_patch", "fix.vta", "arm/bin/arm-cc", "fix/new"},
        inPatch);
    ProgramResult patch = RunProgram(
        {SetupProgram(), "-nodisplay", "-install_patch", "fix.vta", "-target_dir", target},
        inPatch);
    ASSERT_EQ(ReadFile(target + "/arm/bin/arm-cc"), "patched\n") << patch.err;
    ASSERT_EQ(ShellStatus("chmod u+w '" + target + "/doc/README.txt' && echo mine >> '" + target +
                          "/doc/README.txt'"),
              0);

    ProgramResult run = Program({"-uninstall", "-target_dir", target});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "Kept 1 file that was changed after the installation:\n  "
                                  "doc/README.txt\n"))
        << run.out;
    EXPECT_EQ(ShellStatus("cd '" + target +
                          "' && test \"$(find . | sort | tr '\\n' ' ')\" = "
                          "'. ./arm ./arm/own.txt ./doc ./doc/README.txt '"),
              0);

    run = Program({"-nodisplay", "-uninstall", "-target_dir", target});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "Nothing to uninstall in " + target + ": no installation is recorded there.\n");
    run = Program({"-uninstall"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.find("-uninstall needs -target_dir"), 0u) << run.err;
}

TEST_F(UndoInstall, TooLittleSpaceIsRefusedBeforeAnythingIsWritten) {
    ScopedTmpfs small(tmp / "small", "size=4m");
    if (!small.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    DistFixture dist(tmp / "dist");
    dist.Basic().Archive("ppc/linux86_tools.tgz", {{"big", std::string(6 << 20, 'x')}});
    ASSERT_TRUE(dist.Build());
    target = tmp / "small/vt";
    ProgramResult run = Install(dist.root());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Not enough space in " + tmp / "small" +
                           ": this installation needs 7 MB, 4 MB are free.\n");
    EXPECT_FALSE(PathExists(target));
}

TEST_F(UndoInstall, ADamagedArchiveIsNamedAndNothingWritten) {
    DistFixture dist(tmp / "dist");
    dist.Basic();
    ASSERT_TRUE(dist.Build());
    // Without the checksums nothing is checked, and the log says so.
    ProgramResult run = Install(dist.root());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(ReadFile(target + "/.setup/install.log"),
                         "\nnote: No info/checksums.txt in " + dist.root() +
                             ": the archives were not checked.\n"));
    ShellStatus("rm -rf '" + target + "'");

    std::vector<std::string> problems;
    ASSERT_TRUE(WriteDistributionSums(dist.root(), "gzip", &problems));
    EXPECT_EQ(ShellStatus("cd '" + dist.root() + "' && sha256sum --quiet -c info/checksums.txt"),
              0);
    std::string damaged = dist.path("ppc/linux86_docs.tgz"), bytes = ReadFile(damaged);
    bytes[bytes.size() / 2] ^= 0x01;
    WriteFile(damaged, bytes);
    run = Install(dist.root());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "\n\t" + damaged + ": damaged")) << run.err;
    EXPECT_FALSE(PathExists(target));
}

} // namespace
