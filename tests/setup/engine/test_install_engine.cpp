// The installation run with real archives: which archives are expanded and in what order,
// the gtar command lines, the final reports and the runs that stop at the installation
// directory.
#include "setup/engine/test_install_engine_support.h"

namespace {
InstallOptions& o = installOptions;

// The one file each test archive holds: "ppc/linux86_docs.tgz" holds "ppc_linux86_docs.txt".
std::string Marker(const std::string& archive) {
    std::string name = archive.substr(0, archive.find('.'));
    for (char& c : name)
        if (c == '/') c = '_';
    return name + ".txt";
}

class InstallRunTest : public EngineTest {
protected:
    void Archives(const std::vector<std::string>& archives) {
        for (const std::string& a : archives) dist.Archive(a, {{Marker(a), a}});
    }
    std::vector<std::string> Expanded() const {
        std::vector<std::string> archives;
        for (const std::string& m : view.Texts("MExpanding: " + dist.root() + "/"))
            archives.push_back(m.substr(dist.root().size() + 12));
        return archives;
    }
};

TEST_F(InstallRunTest, ExpandsTheSelectionInOrderWithDependedItemsAndNothingElse) {
    UtilTools();
    Archives({"alltargets/linux86_tools.tgz", "alltargets/allhosts_tools.tgz",
              "ppc/linux86_tools.tgz", "ppc/linux86_docs.tgz", "ppc/allhosts_docs.tgz",
              "mips/linux86_tools.tgz", "arm/solaris2_tools.tgz"});
    DistItem head = Bsp("a", "A head", {"bsp_b"}), headDocs = head;
    headDocs.part = "_docs";
    for (DistItem item : {head, headDocs, Bsp("b", "B middle", {"bsp_c"}), Bsp("c", "C tail"),
                          Bsp("d", "D unselected"), Addon("z", "Z unselected")}) {
        item.extra = {{Marker(item.ArchivePath()), "i"}};
        dist.Item(item);
    }
    Prepare();
    o.targets[10]->selected = false; // mips
    FindItem(o.bsps, "bsp_a")->selected = true;
    const size_t scans = Commands().size();
    Install();

    const std::vector<std::string> order = {"ppc/linux86_docs.tgz",
                                            "ppc/linux86_tools.tgz",
                                            "alltargets/linux86_tools.tgz",
                                            "ppc/allhosts_docs.tgz",
                                            "alltargets/allhosts_tools.tgz",
                                            "alltargets/linux86_bsp_a.tgz",
                                            "alltargets/linux86_bsp_a_docs.tgz",
                                            "alltargets/linux86_bsp_b.tgz",
                                            "alltargets/linux86_bsp_c.tgz"};
    EXPECT_EQ(Expanded(), order);
    for (const std::string& archive : order)
        EXPECT_TRUE(PathExists(target + "/" + Marker(archive)));
    // Nothing else: besides those, only the items' directories a/, b/ and c/ with their
    // five readme and depends files, and the installer's folder with the log and the run's
    // record.
    EXPECT_EQ(ModesBelow(target).size(), order.size() + 11);
    ASSERT_EQ(o.tgzList.size(), order.size() + 1);
    EXPECT_EQ(o.tgzList.back(), nullptr);

    // gtar from the utilities directory reads each stream on its standard input.
    ASSERT_EQ(Commands().size(), scans + order.size());
    EXPECT_EQ(Commands().back(), util + "/gtar -xf -");
    EXPECT_EQ(view.Report(), "IInstallation Completed");
    EXPECT_TRUE(view.finished && o.installFinished && !o.cancelled);
    // The log's path is the last line.
    EXPECT_EQ(view.lines.back(), "IInstallation log: " + target + "/.setup/install.log");
}

TEST_F(InstallRunTest, GtarElsewhereUnlinksFirstAndBlanksInDirectoriesWork) {
    DistFixture spaced(tmp / "my dist");
    spaced.HostTools("linux86", {{"bin/tool", "x"}}).InstallType("ide");
    ASSERT_TRUE(spaced.Build());
    Discover(spaced.root());
    WriteRecordingTool(tmp / "elsewhere", "gtar", FindOnPath("tar"), log);
    o.gtarPath = gen_copy((tmp / "elsewhere/gtar").c_str());
    o.targetDir = gen_copy((tmp / "my target").c_str());
    Install();
    ASSERT_EQ(Commands().size(), 2u);
    EXPECT_EQ(Commands()[0], tmp / "elsewhere/gtar Uxf -");
    EXPECT_EQ(ReadFile(tmp / "my target/bin/tool"), "x");
}

TEST_F(InstallRunTest, NothingToExpandStillCompletesAndLeavesTheUsersFilesAlone) {
    UtilTools();
    Archives({"alltargets/linux86_tools.tgz", "alltargets/allhosts_tools.tgz"});
    Prepare();
    unlink(dist.path("alltargets/linux86_tools.tgz").c_str());
    unlink(dist.path("alltargets/allhosts_tools.tgz").c_str());
    // The write test must pick a name of its own.
    ASSERT_EQ(ShellStatus("mkdir -p " + target), 0);
    WriteFile(target + "/test", "mine");
    WriteFile(target + "/test1", "mine too", 0444);
    Install();
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(view.Report(), "IInstallation Completed");
    EXPECT_EQ(ReadFile(target + "/test") + ReadFile(target + "/test1"), "minemine too");
    EXPECT_FALSE(PathExists(target + "/test2"));
}

TEST_F(InstallRunTest, InstallationDirectoryThatCannotBeMadeOrWrittenEndsTheRun) {
    UtilTools();
    Archives({"alltargets/linux86_tools.tgz", "alltargets/allhosts_tools.tgz"});
    Prepare();
    WriteFile(tmp / "plain", "a file");
    const std::string blocked = tmp / "plain/sub", readOnly = tmp / "ro";
    ASSERT_EQ(ShellStatus("mkdir -m 555 " + readOnly), 0);
    const std::string cases[][2] = {{blocked, "ECould not create " + blocked + "."},
                                    {readOnly, "ECould not write to " + readOnly + "."}};
    for (const auto& c : cases) {
        if (c[0] == readOnly && access(readOnly.c_str(), W_OK) == 0) continue; // as root
        view = RecordingView();
        o.cancelRequested = o.cancelled = false;
        o.targetDir = gen_copy(c[0].c_str());
        Install();
        EXPECT_EQ(view.Report(), c[1]);
        EXPECT_TRUE(o.cancelRequested && o.cancelled);
        EXPECT_FALSE(o.installFinished || view.finished || view.Has("M"));
        EXPECT_TRUE(Commands().empty());
    }
}

} // namespace
