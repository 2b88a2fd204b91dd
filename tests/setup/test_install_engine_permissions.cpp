// The permission walks: writable for owner and group before every archive however the
// tree changes, read-only files at the end, nothing outside the tree touched, and no walk
// at all for the "blw" type.
#include <fcntl.h>

#include "setup/test_install_engine_support.h"

namespace {
InstallOptions& o = installOptions;

class PermissionTest : public EngineTest {
protected:
    // Walks, then lists what lacks owner or group write below the target.
    std::vector<std::string> NotWritableAfterWalk() const {
        DoAddWritePermission(target.c_str());
        std::vector<std::string> paths;
        for (const auto& [path, mode] : ModesBelow(target))
            if ((mode & 0220) != 0220) paths.push_back(path);
        return paths;
    }
    const std::vector<std::string> none;
};

TEST_F(PermissionTest, IncrementalWalkMissesNothingWhileTheTreeChanges) {
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
    ASSERT_EQ(ShellStatus("mkdir -p " + target), 0);
    for (int r = 0; r < rounds; r++) {
        std::string archive = dist.path("a" + std::to_string(r) + ".tgz");
        ASSERT_EQ(ShellStatus("cd " + target + " && tar -xzf " + archive), 0);
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

TEST_F(PermissionTest, InstalledFilesEndReadOnlyAndBlwTypeWalksNothing) {
    UtilTools();
    dist.HostTools("linux86", {{"bin/tool", "t", 0755}, {"lib/data", "d"}, {"lib/ro", "r", 0444}})
        .InstallType("ide");
    Prepare();
    Install();
    std::map<std::string, int> modes = ModesBelow(target);
    EXPECT_EQ(modes["bin/tool"], 0555);
    EXPECT_EQ(modes["lib/data"], 0444);
    EXPECT_EQ(modes["lib/ro"], 0444);
    EXPECT_EQ(modes["bin"], kIsDir | 0775);

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
    EXPECT_EQ(view.lines.back(), "IInstallation Completed");
}

TEST_F(PermissionTest, LinksOutOfTheTreeAreNeverFollowed) {
    ASSERT_EQ(ShellStatus("mkdir -p " + target + "/sub " + tmp / "outdir"), 0);
    WriteFile(tmp / "outside.txt", "o", 0644);
    WriteFile(tmp / "locked.txt", "l", 0444);
    WriteFile(tmp / "outdir/f", "f", 0644);
    for (const char* name : {"outside.txt", "locked.txt", "outdir"})
        ASSERT_EQ(symlink((tmp / name).c_str(), (target + "/sub/" + name).c_str()), 0);
    DoAddWritePermission(target.c_str());
    DoRemoveWritePermission(target.c_str());
    std::map<std::string, int> modes = ModesBelow(tmp.path());
    EXPECT_EQ(modes["outside.txt"], 0644);
    EXPECT_EQ(modes["locked.txt"], 0444);
    EXPECT_EQ(modes["outdir/f"], 0644);
}

} // namespace
