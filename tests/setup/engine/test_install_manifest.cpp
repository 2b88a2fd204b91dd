// The manifest and the rollback, with installations run the way the engine runs them:
// real tar streams read through the scanner into a real "tar -xf -". What counts is the
// tree on disk: after a rollback it must be what it was before the run, byte for byte,
// mode for mode and time for time, whether the run ended or crashed.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <set>

#include "setup/engine/test_manifest_support.h"
#include "setup/engine/uninstall.h"

namespace {

class ManifestTest : public testing::Test {
protected:
    ManifestRun Run(bool held) const {
        ManifestRun run;
        run.target = target;
        run.program = "setup";
        run.targetHeldFiles = held;
        return run;
    }
    // Installs `stages` (directories below tmp) in one recorded run that ends as `outcome`.
    std::string InstallRun(const std::vector<std::string>& stages, RunOutcome outcome) {
        ShellStatus("mkdir -p '" + target + "'");
        bool held = TargetHoldsFiles(target);
        ManifestRecorder recorder;
        EXPECT_TRUE(recorder.StartRun(Run(held))) << recorder.error();
        for (const std::string& stage : stages)
            EXPECT_TRUE(InstallStage(tmp / stage, target, &recorder)) << recorder.error();
        EXPECT_TRUE(recorder.EndRun(outcome)) << recorder.error();
        return recorder.manifestPath();
    }
    // The first installation, the one later runs go over: a plain tree made read-only at
    // the end, as the engine leaves it.
    void FirstInstallation() {
        Stage(tmp / "a1",
              "mkdir -p bin lib/sub share && echo tool > bin/tool && "
              "echo old > lib/libx.a && echo s > lib/sub/s && ln -s libx.a lib/liby.a && "
              "echo doc > share/doc && chmod 750 lib/sub");
        ASSERT_EQ(InstallRun({"a1"}, RunOutcome::kSucceeded), target + "/.setup/manifest-0001.txt");
        ShellStatus("cd '" + target +
                    "' && find . -path ./.setup -prune -o -type f "
                    "-exec chmod a-w {} + && touch -d '2020-02-02 02:02:02.5' bin/tool lib");
    }
    // A second run over it: replaced files, a link replaced by a file, new files in old
    // directories, new directories, an old directory with a new mode, a hard link.
    void StageSecondRun() {
        Stage(tmp / "b1", "mkdir -p bin lib/sub new/deep && echo tool2 > bin/tool && "
                          "echo new > lib/libx.a && echo y > lib/liby.a && echo n > new/deep/n && "
                          "chmod 700 lib/sub && ln bin/tool bin/tool-hard");
        Stage(tmp / "b2", "mkdir -p share more && echo doc2 > share/doc && echo m > more/m");
    }
    // The add walk of the engine: owner and group write on everything, reported first.
    void AddWalk(ManifestRecorder* recorder) {
        std::string list = tmp / "walk";
        ShellStatus("cd '" + target +
                    "' && find . -path ./.setup -prune -o ! -type l -printf "
                    "'%m %P\\n' > '" +
                    list + "'");
        std::istringstream lines(ReadFile(list));
        for (std::string line; std::getline(lines, line);) {
            mode_t mode =
                static_cast<mode_t>(std::stoul(line.substr(0, line.find(' ')), nullptr, 8));
            std::string path = line.substr(line.find(' ') + 1);
            if (path.empty() || (mode & 0220) == 0220) continue;
            recorder->NoteModeChange(path, mode);
            chmod((target + "/" + path).c_str(), mode | 0220);
        }
    }

    ScopedTempDir tmp;
    std::string target = tmp / "target";
};

TEST_F(ManifestTest, EveryNameSurvivesTheRoundTrip) {
    std::string all;
    for (int c = 0; c < 256; c++) all += static_cast<char>(c);
    std::string back;
    ASSERT_TRUE(UnescapeManifestText(EscapeManifestText(all), &back));
    EXPECT_EQ(back, all);

    // Hostile names, and an archive that lists only a deep file: its parents are made
    // by tar and must be recorded all the same.
    const std::vector<std::string> names = {"new\nline",
                                            "back\\slash",
                                            "sp ace",
                                            "\x01"
                                            "ctl",
                                            "\xff\xfe-not-utf8",
                                            "dir with space/f\tab"};
    std::string make = "mkdir -p 'dir with space'";
    for (const std::string& name : names) make += " && printf x > " + QuoteForShell(name);
    Stage(tmp / "h", make);
    Stage(tmp / "implicit/x/y/z", "echo z > file");
    ASSERT_EQ(ShellStatus("mkdir -p '" + target + "'"), 0);
    ManifestRecorder recorder;
    ASSERT_TRUE(recorder.StartRun(Run(false)));
    ASSERT_TRUE(InstallStage(tmp / "h", target, &recorder));
    recorder.BeginArchive("implicit");
    ASSERT_TRUE(PipeArchive("tar -C '" + tmp / "implicit" + "' --no-recursion -cf - x/y/z/file",
                            target, &recorder));
    ASSERT_TRUE(recorder.EndRun(RunOutcome::kSucceeded));

    Manifest manifest;
    std::string error;
    ASSERT_TRUE(ReadManifest(recorder.manifestPath(), &manifest, &error)) << error;
    EXPECT_TRUE(manifest.ended);
    EXPECT_EQ(manifest.outcome, "succeeded");
    std::set<std::string> recorded;
    for (const ManifestEntry& entry : manifest.entries) {
        if (entry.kind != ManifestEntry::kCreated) continue;
        recorded.insert(entry.path);
        struct stat status;
        ASSERT_EQ(lstat((target + "/" + entry.path).c_str(), &status), 0) << entry.path;
        EXPECT_TRUE(entry.after.SameAs(FileState::Of(status))) << entry.path;
    }
    std::set<std::string> expected(names.begin(), names.end());
    for (const char* more : {"dir with space", "x", "x/y", "x/y/z", "x/y/z/file"})
        expected.insert(more);
    EXPECT_EQ(recorded, expected);
    // One record a line, whatever the names hold.
    std::string text = ReadFile(recorder.manifestPath());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              static_cast<long>(manifest.entries.size() + manifest.sources.size() + 3));
}

TEST_F(ManifestTest, RollbackAfterCancelLeavesTheTreeAsItWas) {
    FirstInstallation();
    StageSecondRun();
    const std::string before = Listing(target);

    ManifestRecorder recorder;
    ASSERT_TRUE(recorder.StartRun(Run(true)));
    for (const char* stage : {"b1", "b2"}) {
        AddWalk(&recorder);
        ASSERT_TRUE(InstallStage(tmp / stage, target, &recorder)) << recorder.error();
    }
    ASSERT_TRUE(recorder.EndRun(RunOutcome::kCancelled));
    ASSERT_NE(Listing(target), before);
    EXPECT_TRUE(PathExists(target + "/.setup/kept-0002"));

    RollbackResult result = RollBackRun(recorder.manifestPath());
    EXPECT_TRUE(result.failed.empty()) << RollbackSummary(result);
    EXPECT_EQ(result.restored, 4); // bin/tool, lib/libx.a, lib/liby.a, share/doc
    EXPECT_EQ(Listing(target), before);
    EXPECT_FALSE(PathExists(recorder.manifestPath()));
    EXPECT_FALSE(PathExists(target + "/.setup/kept-0002"));
    EXPECT_TRUE(PathExists(target + "/.setup/manifest-0001.txt"));
    EXPECT_NE(RollbackSummary(result).find("restored 4 files"), std::string::npos)
        << RollbackSummary(result);
}

TEST_F(ManifestTest, RollbackAfterACrashWorksFromTheManifestAsFarAsItGot) {
    FirstInstallation();
    StageSecondRun();
    const std::string before = Listing(target);
    // The run dies between two archives, without a word: the manifest has no end.
    pid_t child = fork();
    if (child == 0) {
        ManifestRecorder recorder;
        recorder.StartRun(Run(true));
        InstallStage(tmp / "b1", target, &recorder);
        recorder.BeginArchive("b2");
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const std::string manifest = target + "/.setup/manifest-0002.txt";
    ASSERT_TRUE(PathExists(manifest));
    EXPECT_EQ(ReadFile(manifest).find("\nend "), std::string::npos);

    RollbackResult result = RollBackRun(manifest);
    EXPECT_TRUE(result.failed.empty()) << RollbackSummary(result);
    EXPECT_EQ(Listing(target), before);
}

// A directory of the installation that sits on a file system of its own: old files cannot
// be hard-linked into .setup from there, so they are copied aside, and copied back.
TEST_F(ManifestTest, FilesOnAnotherFileSystemAreCopiedAsideAndBack) {
    const std::string mount = target + "/mnt";
    ScopedTmpfs tmpfs(mount, "size=1m");
    if (!tmpfs.mounted()) GTEST_SKIP() << "mounting a file system is not permitted here";
    Stage(mount, "echo old > f && chmod 640 f && touch -d '2001-01-01 01:01:01.25' f");
    Stage(tmp / "c", "mkdir mnt && echo new > mnt/f");
    const std::string before = Listing(target);
    std::string manifest = InstallRun({"c"}, RunOutcome::kFailed);
    EXPECT_EQ(ReadFile(mount + "/f"), "new\n");
    RollbackResult result = RollBackRun(manifest);
    EXPECT_TRUE(result.failed.empty()) << RollbackSummary(result);
    EXPECT_EQ(result.restored, 1);
    EXPECT_EQ(Listing(target), before);
}

TEST_F(ManifestTest, MembersIntoTheInstallersOwnFolderAreRefused) {
    Stage(tmp / "evil", "mkdir .setup && echo x > .setup/manifest-0001.txt");
    ASSERT_EQ(ShellStatus("mkdir -p '" + target + "'"), 0);
    ManifestRecorder recorder;
    ASSERT_TRUE(recorder.StartRun(Run(false)));
    EXPECT_FALSE(PipeArchive("tar -C '" + tmp / "evil" + "' -cf - .", target, &recorder));
    EXPECT_NE(recorder.error().find(".setup"), std::string::npos) << recorder.error();
    EXPECT_NE(ReadFile(recorder.manifestPath()), "x\n");
}

} // namespace
