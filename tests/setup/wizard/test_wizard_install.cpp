// The wizard end to end: the real program on a fixture distribution (real tar and gzip),
// driven through its window with real input. Next through every page installs exactly the
// selection, tool host first, with the online help and read-only files; a double-click
// toggles a board and its colour; the host pull-down moves the directory to the new host and
// Browse replaces it; a cancel while an archive expands kills it and stops the run; closing
// before the run asks first.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "support/dist_fixture.h"
#include "support/temp_dir.h"
#include "support/wm_delete.h"
#include "support/xvfb_fixture.h"
#include "tests/setup/wizard/test_wizard_support.h"

namespace {

const unsigned long kBlack = 0x000000, kGrey = 0x808080;

// The distribution's own help installer: unpacks one manual into the help directory.
const char kHelpInstall[] = "#!/bin/sh\n"
                            "while [ $# -gt 2 ]; do shift; done\n"
                            "gzip -dc \"$2\" | (cd \"$1\" && tar -xf -) && echo \"help: $2\"\n";

class WizardInstall : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SharedXvfb().ok()) << "Xvfb did not start";
        ASSERT_GT(TheWizardLayout().rowHeight, 0) << "the window could not be measured";
        ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
        WriteRecordingTool(util, "gtar", FindOnPath("tar"), log);
        ASSERT_EQ(symlink(FindOnPath("gzip").c_str(), (util + "/gzip").c_str()), 0);
    }

    std::vector<std::string> Options() const {
        return {"-source_dir", dist.root(), "-target_dir", target, "-util_dir", util};
    }

    // The archives the run expanded, in order, relative to the distribution: each is
    // announced just before its stream goes to gtar.
    std::vector<std::string> Expanded(const WizardRun& run) const {
        std::vector<std::string> archives;
        std::istringstream lines(run.out());
        std::string line, prefix = "Expanding: " + dist.root() + "/";
        while (std::getline(lines, line))
            if (line.compare(0, prefix.size(), prefix) == 0)
                archives.push_back(line.substr(prefix.size()));
        return archives;
    }

    // A gzip'ed tar of one manual, as the help installer expects it.
    std::string ManualArchive() const {
        std::string stage = tmp / "manual";
        EXPECT_EQ(ShellStatus("mkdir -p " + stage + "/guide"), 0);
        WriteFile(stage + "/guide/index.html", "<h1>Guide</h1>\n");
        EXPECT_EQ(ShellStatus("tar -C " + stage + " -czf " + stage + "/guide.tar.gz guide"), 0);
        return ReadFile(stage + "/guide.tar.gz");
    }

    // Colour `rgb` in the text of a row of the component list (inside its selection frame).
    int RowPixels(const WizardRun& run, int row, unsigned long rgb) const {
        const WizardLayout& layout = TheWizardLayout();
        WizardRect list = layout.at("mslComponents"), area;
        area.x = list.x + 3;
        area.width = list.width / 2;
        area.y = layout.firstRow.at("mslComponents") + row * layout.rowHeight + 2;
        area.height = layout.rowHeight - 4;
        return CountPixels(run.window(), area, rgb);
    }

    ScopedTempDir tmp;
    DistFixture dist{tmp / "dist"};
    std::string home = tmp / "home", util = tmp / "util", log = tmp / "gtar.log";
    std::string target = tmp / "target";
};

TEST_F(WizardInstall, NextThroughEveryPageInstallsExactlyTheSelection) {
    DistFiles hostTools = {{"helpInstall", kHelpInstall, 0755},
                           {"manuals/guide.tar.gz", ManualArchive()},
                           {"bin/cc", "#!/bin/sh\n", 0755}};
    DistItem head = Bsp("head", "Head Board", {"bsp_middle"});
    head.extra = {{"boards/head.txt", "head\n"}};
    dist.Version("Test Toolchain 1.0\n")
        .HostTools("linux86", hostTools)
        .HostDocs("linux86", {{"doc/host.txt", "host\n"}})
        .Archive("alltargets/allhosts_tools.tgz", {{"share/ide.conf", "ide\n"}})
        .InstallType("vstartd", "linux86")
        .Archive("ppc/linux86_tools.tgz", {{"ppc/bin/cc", "cc\n", 0755}})
        .Archive("ppc/linux86_docs.tgz", {{"doc/ppc.txt", "ppc\n"}})
        .Archive("ppc/allhosts_docs.tgz", {{"doc/abi.txt", "abi\n"}})
        .Archive("arm/linux86_tools.tgz", {{"arm/bin/cc", "cc\n", 0755}})
        .Item(head)
        .Item(Bsp("middle", "Middle Layer", {"bsp_tail"}))
        .Item(Bsp("tail", "Tail Library"))
        .Item(Bsp("other", "Other Board"))
        .Item(Addon("extra", "Extra Tool"));
    ASSERT_TRUE(dist.Build());

    WizardRun run(Options(), home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    run.next();
    run.clickBox(1); // Install Type: "Remote Connection Server" as well
    run.next();      // Components
    run.next();      // General
    run.next();      // Target Architecture: ARM, PowerPC
    run.clickBox(0); // no ARM
    run.next();      // Boards/Architectures
    ASSERT_TRUE(WaitFor([&] { return RowPixels(run, 0, kGrey) > 0; })) << "no grey first board";
    EXPECT_EQ(RowPixels(run, 0, kBlack), 0);

    // Rows by description: Head Board, Middle Layer, Other Board, Tail Library.
    run.doubleClickRow("mslComponents", 0);
    EXPECT_TRUE(WaitFor([&] { return RowPixels(run, 0, kBlack) > 0; }));
    run.doubleClickRow("mslComponents", 2);
    EXPECT_TRUE(WaitFor([&] { return RowPixels(run, 2, kBlack) > 0; }));
    run.doubleClickRow("mslComponents", 2);
    EXPECT_TRUE(WaitFor([&] { return RowPixels(run, 2, kBlack) == 0; }));
    EXPECT_GT(RowPixels(run, 2, kGrey), 0);

    run.next(); // Additional Items
    run.next(); // Summary
    run.next(); // Install
    ASSERT_TRUE(run.waitForOutput("Installation Completed\n", 90000)) << run.out() << run.err();
    EXPECT_EQ(run.out().find("The following options have been selected:\n\n"
                             "Tools will be installed into:\n\t" +
                             target + "\n\nTools will run on:\n\tx86 Linux\n"),
              0u)
        << run.out();
    EXPECT_NE(run.out().find("will be installed:\n\tPowerPC\n\n"), std::string::npos) << run.out();
    EXPECT_NE(run.out().find("will be installed:\n\tHead Board\n\nThe following additional"),
              std::string::npos)
        << run.out();

    // The tool host before "allhosts", docs before tools, the "ide" type before the other,
    // then the chain of boards.
    EXPECT_EQ(Expanded(run),
              (std::vector<std::string>{
                  "ppc/linux86_docs.tgz", "ppc/linux86_tools.tgz", "alltargets/linux86_docs.tgz",
                  "alltargets/linux86_tools.tgz", "ppc/allhosts_docs.tgz",
                  "alltargets/allhosts_tools.tgz", "alltargets/linux86_part_vstartd.tgz",
                  "alltargets/linux86_bsp_head.tgz", "alltargets/linux86_bsp_middle.tgz",
                  "alltargets/linux86_bsp_tail.tgz"}));
    EXPECT_TRUE(PathExists(target + "/tail/readme.txt"));

    // Read-only files in writable directories; the help came after that, as it should.
    EXPECT_TRUE(run.waitForOutput("Installing online help files.\n"));
    EXPECT_EQ(ReadFile(target + "/manuals/guide/index.html"), "<h1>Guide</h1>\n");
    for (const char* file :
         {"bin/cc", "doc/abi.txt", "boards/head.txt", "helpInstall", "manuals/guide.tar.gz"}) {
        struct stat st;
        ASSERT_EQ(stat((target + "/" + file).c_str(), &st), 0) << file;
        EXPECT_EQ(st.st_mode & 0222, 0u) << file;
    }
    for (const char* dir : {"", "/bin", "/doc", "/boards", "/manuals"}) {
        struct stat st;
        ASSERT_EQ(stat((target + dir).c_str(), &st), 0) << dir;
        EXPECT_NE(st.st_mode & 0200, 0u) << dir;
    }

    run.cancel(); // it reads "Finish" now and closes without asking
    EXPECT_EQ(run.wait(), 0) << run.err();
    EXPECT_EQ(run.err(), "");
}

TEST_F(WizardInstall, HostPullDownMovesTheDirectoryToTheChosenHost) {
    dist.HostTools("linux86")
        .HostTools("solaris2")
        .InstallType("ide")
        .Archive("ppc/linux86_tools.tgz")
        .Archive("ppc/solaris2_tools.tgz");
    ASSERT_TRUE(dist.Build());
    std::string base = tmp / "opt";

    WizardRun run(
        {"-source_dir", dist.root(), "-target_dir", base + "/linux86/", "-util_dir", util}, home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    // Pages: Introduction, Components, General, Target Architecture, Summary.
    run.clickRow("mslSegments", 2);
    WizardRect pulldown = TheWizardLayout().at("pdToolHost");
    run.click("pdToolHost", pulldown.width - 8); // the drop button; "x86 Linux" is marked
    Xdo({"key", "Up", "Return"});                // "Solaris 2"
    run.clickRow("mslSegments", 4);
    run.next();
    ASSERT_TRUE(run.waitForOutput("Installation Completed\n")) << run.out() << run.err();
    EXPECT_EQ(run.out().find("The following options have been selected:\n\n"
                             "Tools will be installed into:\n\t" +
                             base + "/solaris2\n\nTools will run on:\n\tSolaris 2\n"),
              0u)
        << run.out();
    EXPECT_EQ(Expanded(run),
              (std::vector<std::string>{"ppc/solaris2_tools.tgz", "alltargets/solaris2_tools.tgz",
                                        "alltargets/allhosts_tools.tgz"}));
    EXPECT_FALSE(PathExists(base + "/linux86"));
    run.cancel();
    EXPECT_EQ(run.wait(), 0);
}

TEST_F(WizardInstall, BrowsePicksTheDirectoryAndItsCancelKeepsIt) {
    dist.Basic();
    ASSERT_TRUE(dist.Build());
    std::string picked = tmp / "picked";
    ASSERT_EQ(mkdir(picked.c_str(), 0755), 0);
    WizardRun run(Options(), home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    run.clickRow("mslSegments", 2); // General

    run.click("bTargetDirBrowse");
    unsigned long chooser = WaitForShownWindow("^Select Target Directory$");
    ASSERT_NE(chooser, 0u) << "no directory chooser";
    Xdo({"windowfocus", "--sync", std::to_string(chooser)});
    Xdo({"key", "ctrl+a"});
    Xdo({"type", "--delay", "5", picked});
    ASSERT_TRUE(AnswerDialog(chooser, "Return")); // OK
    run.click("bTargetDirBrowse");
    chooser = WaitForShownWindow("^Select Target Directory$");
    ASSERT_NE(chooser, 0u);
    ASSERT_TRUE(AnswerDialog(chooser, "Escape")); // Cancel

    run.clickRow("mslSegments", 0); // back to the start: the existing directory is not asked about
    run.clickRow("mslSegments", 4);
    run.next();
    ASSERT_TRUE(run.waitForOutput("Installation Completed\n")) << run.out();
    EXPECT_NE(run.out().find("Tools will be installed into:\n\t" + picked + "\n"),
              std::string::npos)
        << run.out();
    run.cancel();
    EXPECT_EQ(run.wait(), 0) << run.err();
}

TEST_F(WizardInstall, CancelWhileAnArchiveExpandsKillsItAndSkipsTheRest) {
    // A gtar that takes its time over one archive, naming its process first.
    WriteSlowGtar(util, FindOnPath("tar"), log, "ppc/bin/cc",
                  "    echo \"slow gtar $$\"; exec sleep 120");
    dist.HostTools("linux86")
        .InstallType("ide")
        .Archive("ppc/linux86_docs.tgz", {{"helpInstall", kHelpInstall, 0755},
                                          {"manuals/guide.tar.gz", ManualArchive()},
                                          {"doc/first.txt", "first\n"}})
        .Archive("ppc/linux86_tools.tgz", {{"ppc/bin/cc", "cc\n"}});
    ASSERT_TRUE(dist.Build());

    WizardRun run(Options(), home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    run.clickRow("mslSegments", 4); // Summary
    run.next();
    ASSERT_TRUE(run.waitForOutput("slow gtar ")) << run.out();
    std::string out = run.out();
    int gtar = atoi(out.c_str() + out.find("slow gtar ") + 10);
    ASSERT_GT(gtar, 0);

    run.cancel();
    unsigned long question = WaitForShownWindow(kQuestionTitle);
    ASSERT_NE(question, 0u) << "no question";
    ASSERT_TRUE(AnswerDialog(question, "Return")); // Yes is the default
    ASSERT_TRUE(run.waitForOutput("Process " + std::to_string(gtar) + " killed.\n")) << run.out();
    // Then whether to remove what was written: No keeps it, to be removed by hand.
    question = WaitForShownWindow(kQuestionTitle);
    ASSERT_NE(question, 0u) << "no question about the files written";
    ASSERT_TRUE(AnswerDialog(question, "Escape"));
    ASSERT_TRUE(run.waitForOutput("The installation has been cancelled.\nManually remove files "
                                  "created during the installation process.\n"))
        << run.out();
    EXPECT_TRUE(kill(gtar, 0) != 0 && errno == ESRCH) << "the killed gtar was not reaped";
    EXPECT_TRUE(ChildrenOf(run.pid()).empty());
    EXPECT_EQ(Expanded(run),
              (std::vector<std::string>{"ppc/linux86_docs.tgz", "ppc/linux86_tools.tgz"}));
    EXPECT_EQ(run.out().find("Adjusting write permissions."), std::string::npos);
    EXPECT_EQ(run.out().find("Installing online help files."), std::string::npos);
    EXPECT_FALSE(PathExists(target + "/manuals/guide"));
    struct stat st;
    ASSERT_EQ(stat((target + "/doc/first.txt").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0200, 0u) << "the permission step ran";

    run.cancel(); // the run is over: no question
    EXPECT_EQ(run.wait(), 0) << run.err();
}

TEST_F(WizardInstall, ClosingBeforeInstallAsksAndNoKeepsTheWindow) {
    dist.Basic();
    ASSERT_TRUE(dist.Build());
    WizardRun run(Options(), home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();

    run.cancel();
    unsigned long question = WaitForShownWindow(kQuestionTitle);
    ASSERT_NE(question, 0u) << "Cancel did not ask";
    ASSERT_TRUE(AnswerDialog(question, "Escape")); // No
    EXPECT_TRUE(run.running());
    EXPECT_EQ(WaitForShownWindow(kWizardTitle, 2000), run.window());

    // Closed from outside, the window takes its object with it.
    ASSERT_TRUE(SendWmDelete(SharedXvfb().display(), run.window()));
    question = WaitForShownWindow(kQuestionTitle);
    ASSERT_NE(question, 0u) << "closing did not ask";
    ASSERT_TRUE(AnswerDialog(question, "Return")); // Yes
    EXPECT_EQ(run.wait(), 0);
    EXPECT_EQ(run.err(), "");
    EXPECT_EQ(run.out(), "");
    EXPECT_FALSE(PathExists(target));
    // The window's place is remembered for the next run.
    EXPECT_NE(ReadFile(home + "/.vtx/windowpos.ini").find("[MainWindow]\n"), std::string::npos);
}

} // namespace
