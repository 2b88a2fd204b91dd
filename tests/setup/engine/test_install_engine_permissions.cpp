// The permission walks: writable for owner and group before every archive however the
// tree changes, read-only files at the end, nothing outside the tree touched, and no walk
// at all for the "blw" type. Every case runs three ways: with the tree watched, the
// portable way (no watch at all), and with a watch budget the tree outgrows on the way.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "setup/engine/install_watch.h"
#include "setup/engine/test_install_engine_support.h"

namespace {
InstallOptions& o = installOptions;

class PermissionTest : public EngineTest, public testing::WithParamInterface<long> {
protected:
    PermissionTest() { SetInstallWatchBudget(GetParam()); }
    ~PermissionTest() override {
        ForgetInstallTree();
        SetInstallWatchBudget(-1);
    }

    // Walks, then lists what lacks owner or group write below the target.
    std::vector<std::string> NotWritableAfterWalk() const {
        DoAddWritePermission(target.c_str());
        std::vector<std::string> paths;
        for (const auto& [path, mode] : ModesBelow(target))
            if ((mode & 0220) != 0220) paths.push_back(path);
        return paths;
    }
    void InTarget(const std::string& commands) {
        ASSERT_EQ(ShellStatus("mkdir -p '" + target + "' && cd '" + target + "' && " + commands),
                  0);
    }
    // The archive of what `commands` make in an empty directory.
    std::string MakeArchive(const std::string& name, const std::string& commands) {
        const std::string stage = tmp / ("stage-" + name), archive = tmp / name;
        EXPECT_EQ(ShellStatus("mkdir '" + stage + "' && cd '" + stage + "' && " + commands +
                              " && tar -czf '" + archive + "' ."),
                  0);
        return archive;
    }
    void Expand(const std::string& archive) { InTarget("tar -xzf '" + archive + "'"); }

    const std::vector<std::string> none;
};

// The process's open inotify instances.
int ChangeQueuesOpen() {
    int count = 0;
    DIR* fds = opendir("/proc/self/fd");
    while (struct dirent* entry = fds ? readdir(fds) : nullptr) {
        char link[64] = {};
        std::string path = std::string("/proc/self/fd/") + entry->d_name;
        if (readlink(path.c_str(), link, sizeof link - 1) > 0 &&
            std::string(link) == "anon_inode:inotify")
            count++;
    }
    if (fds) closedir(fds);
    return count;
}

TEST_P(PermissionTest, IncrementalWalkMissesNothingWhileTheTreeChanges) {
    // Archives that replace read-only members of earlier ones and add subdirectories deep
    // inside directories that are otherwise left alone.
    const int rounds = 8;
    for (int r = 0; r < rounds; r++) {
        std::string n = std::to_string(r);
        dist.Archive("a" + n + ".tgz", {{"shared/common.txt", n, 0444},
                                        {"shared/deep/er/f" + n, n, 0444},
                                        {"own" + n + "/x/y/z", n, 0400},
                                        {"quiet/sub/new" + n + "/g", n, 0444}});
    }
    ASSERT_TRUE(dist.Build());
    for (int r = 0; r < rounds; r++) {
        std::string archive = dist.path("a" + std::to_string(r) + ".tgz");
        Expand(archive);
        EXPECT_EQ(NotWritableAfterWalk(), none) << archive;
    }
    // gtar sets the mode of a directory it extracts in place, leaving its parents alone.
    // (The pause lets the file-system clock move on, so the walk trusts what it recorded.)
    usleep(50000);
    EXPECT_EQ(NotWritableAfterWalk(), none);
    ASSERT_EQ(chmod((target + "/quiet/sub/new0").c_str(), 0555), 0);
    EXPECT_EQ(NotWritableAfterWalk(), none) << "a directory's mode";
    // A member replaced at once after a walk, within one tick of a coarse file-system clock.
    const std::string member = target + "/shared/common.txt";
    for (int r = 0; r < 10; r++) {
        ASSERT_EQ(unlink(member.c_str()), 0);
        close(open(member.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0444));
        EXPECT_EQ(NotWritableAfterWalk(), none) << "replacement " << r;
    }
    EXPECT_TRUE(view.lines.empty());

    DoRemoveWritePermission(target.c_str());
    for (const auto& [path, mode] : ModesBelow(target))
        EXPECT_EQ(mode & (mode & kIsDir ? 0220 : 0222), mode & kIsDir ? 0220 : 0) << path;
    // Once the files are read-only, the next add walk must look at all of them again.
    EXPECT_EQ(NotWritableAfterWalk(), none);
}

TEST_P(PermissionTest, DirectoryMadeByOneArchiveIsFilledByTheNext) {
    // Read-only directories, empty or nearly, filled deeper by each later archive, which
    // also sets their modes back as it extracts them.
    const std::string archives[] = {
        MakeArchive("first.tgz", "mkdir -p empty nested/inner && echo f > nested/inner/f && "
                                 "chmod 444 nested/inner/f && chmod 555 empty nested/inner nested"),
        MakeArchive("second.tgz", "mkdir -p empty/sub nested/inner/deeper && echo g > empty/sub/g "
                                  "&& echo h > nested/inner/deeper/h && chmod 400 empty/sub/g "
                                  "nested/inner/deeper/h && chmod 500 empty/sub "
                                  "nested/inner/deeper && chmod 555 empty nested nested/inner"),
        MakeArchive("third.tgz",
                    "mkdir -p empty/sub/more && echo i > empty/sub/more/i && chmod "
                    "444 empty/sub/more/i && chmod 555 empty/sub/more empty/sub empty")};
    InTarget("true");
    EXPECT_EQ(NotWritableAfterWalk(), none) << "the empty tree";
    for (const std::string& archive : archives) {
        Expand(archive);
        EXPECT_EQ(NotWritableAfterWalk(), none) << archive;
    }
    // What was taken in while a command still ran counts as much as what the walk reads.
    InTarget("mkdir -m 555 during && echo d > during/d && chmod 444 during/d empty/sub/g");
    CollectInstallTreeChanges();
    InTarget("echo e > during/e && chmod 444 during/e && chmod 555 during");
    EXPECT_EQ(NotWritableAfterWalk(), none) << "changes collected early";
}

TEST_P(PermissionTest, RenamedRemovedAndReturningDirectoriesAreFollowed) {
    InTarget("mkdir -p a/b/c gone/x again leaving/in");
    EXPECT_EQ(NotWritableAfterWalk(), none);
    // A directory renamed with its subtree, changes below it, and a new one in its place.
    InTarget("mv a/b a/moved && echo n > a/moved/c/new && chmod 444 a/moved/c/new && "
             "mkdir -m 555 a/b && echo o > a/b/old && chmod 444 a/b/old");
    EXPECT_EQ(NotWritableAfterWalk(), none) << "renamed";
    InTarget("echo l > a/moved/c/later && chmod 444 a/moved/c/later");
    EXPECT_EQ(NotWritableAfterWalk(), none) << "below the renamed directory, later";
    // Removed directories, one replaced by a file, one by a new directory of that name.
    InTarget("rm -r gone again && echo g > gone && chmod 444 gone && mkdir -m 500 again && "
             "echo y > again/y && chmod 400 again/y");
    EXPECT_EQ(NotWritableAfterWalk(), none) << "removed";
    // A directory that leaves the tree is none of the walk's business any more; one that
    // comes in is walked whole.
    const std::string away = tmp / "away";
    InTarget("mv leaving '" + away + "'");
    EXPECT_EQ(NotWritableAfterWalk(), none);
    WriteFile(away + "/in/f", "f", 0444);
    EXPECT_EQ(NotWritableAfterWalk(), none);
    EXPECT_EQ(ModesBelow(away)["in/f"], 0444);
    InTarget("mv '" + away + "' back");
    EXPECT_EQ(NotWritableAfterWalk(), none) << "moved in";
}

TEST_P(PermissionTest, OverflowingChangeQueueLosesNothing) {
    long queued = 0;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queued;
    if (queued <= 0 || queued > (1L << 20)) GTEST_SKIP() << "no change queue of a testable size";
    InTarget("mkdir busy quiet && touch busy/one busy/two");
    EXPECT_EQ(NotWritableAfterWalk(), none);
    // More changes than the queue holds (alternating, so that none merge), then the ones
    // that matter, which the queue has no room left to report.
    const std::string one = target + "/busy/one", two = target + "/busy/two";
    for (long i = 0; i <= queued / 2; i++) {
        chmod(one.c_str(), i % 2 ? 0664 : 0666);
        chmod(two.c_str(), i % 2 ? 0664 : 0666);
    }
    InTarget("echo l > quiet/late && mkdir -m 555 quiet/new && echo f > quiet/new/f && "
             "chmod 444 quiet/late quiet/new/f");
    EXPECT_EQ(NotWritableAfterWalk(), none) << "after the overflow";
    InTarget("echo a > quiet/new/after && chmod 444 quiet/new/after");
    EXPECT_EQ(NotWritableAfterWalk(), none) << "watched again";
}

TEST_P(PermissionTest, LinksOutOfTheTreeAreNeverFollowed) {
    ASSERT_EQ(ShellStatus("mkdir -p " + target + "/sub " + tmp / "outdir"), 0);
    WriteFile(tmp / "outside.txt", "o", 0644);
    WriteFile(tmp / "locked.txt", "l", 0444);
    WriteFile(tmp / "outdir/f", "f", 0644);
    for (const char* name : {"outside.txt", "locked.txt", "outdir"})
        ASSERT_EQ(symlink((tmp / name).c_str(), (target + "/sub/" + name).c_str()), 0);
    DoAddWritePermission(target.c_str());
    // Links that appear between walks, and a directory behind one that changes.
    ASSERT_EQ(symlink((tmp / "locked.txt").c_str(), (target + "/late").c_str()), 0);
    ASSERT_EQ(symlink((tmp / "outdir").c_str(), (target + "/latedir").c_str()), 0);
    WriteFile(tmp / "outdir/g", "g", 0444);
    DoAddWritePermission(target.c_str());
    DoRemoveWritePermission(target.c_str());
    std::map<std::string, int> modes = ModesBelow(tmp.path());
    EXPECT_EQ(modes["outside.txt"], 0644);
    EXPECT_EQ(modes["locked.txt"], 0444);
    EXPECT_EQ(modes["outdir/f"], 0644);
    EXPECT_EQ(modes["outdir/g"], 0444);
}

TEST_P(PermissionTest, InstalledFilesEndReadOnlyAndBlwTypeWalksNothing) {
    UtilTools();
    dist.HostTools("linux86", {{"bin/tool", "t", 0755}, {"lib/data", "d"}, {"lib/ro", "r", 0444}})
        .InstallType("ide");
    Prepare();
    Install();
    std::map<std::string, int> modes = ModesBelow(target);
    EXPECT_EQ(modes["bin/tool"], 0555);
    EXPECT_EQ(modes["lib/data"], 0444);
    EXPECT_EQ(modes["lib/ro"], 0444);
    // Nothing read-only stood in a later archive's way: no walk gave it group write.
    EXPECT_EQ(modes["bin"], kIsDir | 0755);
    EXPECT_EQ(ChangeQueuesOpen(), 0) << "the tree's watch outlived the install";

    // With "blw" the modes stay as they were, before the archives and after them.
    const std::string blwTarget = tmp / "blw";
    ASSERT_EQ(ShellStatus("mkdir -p " + blwTarget), 0);
    WriteFile(blwTarget + "/before", "b", 0444);
    view = RecordingView();
    o.types[kTypeBlw]->selected = true;
    o.targetDir = gen_copy(blwTarget.c_str());
    Install();
    modes = ModesBelow(blwTarget);
    EXPECT_EQ(modes["before"], 0444);
    EXPECT_EQ(modes["lib/data"], 0644);
    EXPECT_EQ(modes["bin"], kIsDir | 0755);
    EXPECT_FALSE(view.Has("MAdjusting write permissions."));
    EXPECT_EQ(view.Report(), "IInstallation Completed");
}

std::string WalkName(const testing::TestParamInfo<long>& info) {
    return info.param < 0 ? "Watched" : info.param == 0 ? "Portable" : "WatchOutgrown";
}

// A budget of three watches is outgrown by most cases above.
INSTANTIATE_TEST_SUITE_P(Walks, PermissionTest, testing::Values(-1L, 0L, 3L), WalkName);

} // namespace
