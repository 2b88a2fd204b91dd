// The wizard and the unattended run side by side: the demo distribution installed both
// ways gives the same tree; answers recorded in the wizard after changing the host, a
// target, two boards and an item replay unattended to the same tree; given answers fill
// the pages and -record_only ends at Install; an archive that fails turns its line red; a
// termination signal during the install cancels it without a question and ends the
// program with its status.
#include <gtest/gtest.h>

#include <algorithm>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "setup/test_tree_listing.h"
#include "support/dist_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/xvfb_fixture.h"
#include "tests/setup/wizard/test_wizard_support.h"

// Xlib's macros (None, Bool, Status) would clash with the test framework's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The colour of each line of text in the progress view, top to bottom: 'R' red, 'B' blue,
// 'K' black, by the pixels of exactly those colours in the rows the line covers.
std::string LineColours(unsigned long window) {
    WizardRect view = TheWizardLayout().at("tvProgress");
    Display* d = XOpenDisplay(SharedXvfb().display().c_str());
    if (!d) return "";
    const int inset = 3, width = view.width - 2 * inset, height = view.height - 2 * inset;
    XImage* image =
        XGetImage(d, window, view.x + inset, view.y + inset, width, height, AllPlanes, ZPixmap);
    std::string colours;
    int counts[3] = {0, 0, 0}; // of the line being read: red, blue and black ink
    for (int y = 0; image && y <= height; y++) {
        bool inked = false;
        for (int x = 0; y < height && x < width; x++) {
            // Text is anti-aliased: a pixel counts as ink of the colour it leans to once it
            // is at least half covered.
            unsigned long p = XGetPixel(image, x, y);
            int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            int kind = r - std::max(g, b) >= 96   ? 0
                       : b - std::max(r, g) >= 96 ? 1
                       : r + g + b <= 3 * 128     ? 2
                                                  : -1;
            if (kind >= 0) counts[kind]++, inked = true;
        }
        if (inked) continue;
        int most = counts[0] >= counts[1] && counts[0] >= counts[2] ? 0
                   : counts[1] >= counts[2]                         ? 1
                                                                    : 2;
        if (counts[most] > 0) colours += "RBK"[most];
        counts[0] = counts[1] = counts[2] = 0;
    }
    if (image) XDestroyImage(image);
    XCloseDisplay(d);
    return colours;
}

class WizardAnswers : public WizardProgramTest {
protected:
    // gtar is the real tar, except for an archive that holds the member `marker`, for which
    // it runs `instead` (a shell command).
    void Gtar(const std::string& marker = "", const std::string& instead = "") {
        if (marker.empty())
            WriteFile(util + "/gtar", "#!/bin/sh\nexec " + FindOnPath("tar") + " \"$@\"\n", 0755);
        else
            WriteSlowGtar(util, FindOnPath("tar"), "", marker, "    " + instead);
    }
    ProgramResult Unattended(std::vector<std::string> args) const {
        args.insert(args.begin(), {SetupProgram(), "-nodisplay", "-install"});
        ProgramOptions options;
        options.unsetEnv = {"DISPLAY"};
        return RunProgram(args, options);
    }
    std::vector<std::string> Options() const {
        return {"-source_dir", dist.root(), "-target_dir", target, "-util_dir", util};
    }

    DistFixture dist{tmp / "dist"};
    std::string answers = tmp / "vt.answers";
};

TEST_F(WizardAnswers, DemoDistributionGivesTheSameTreeWithTheWindowAndWithout) {
    const std::string wizardTree = tmp / "wizard", unattendedTree = tmp / "unattended";
    WizardRun run({"-target_dir", wizardTree}, home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    // Introduction, Components, General, Target Architecture, Boards/Architectures,
    // Additional Items, Summary, then Install.
    for (int page = 0; page < 7; page++) run.next();
    ASSERT_TRUE(run.waitForOutput("Installation Completed\n", 90000)) << run.out() << run.err();
    // The log's path is the last line of the run.
    ASSERT_TRUE(run.waitForOutput("Installation log: " + wizardTree + "/.setup/install.log\n"));
    run.cancel();
    EXPECT_EQ(run.wait(), 0) << run.err();

    ProgramResult unattended = Unattended({"-target_dir", unattendedTree});
    ASSERT_EQ(unattended.status, 0) << unattended.err;
    std::string listing = TreeListing(wizardTree);
    EXPECT_TRUE(Contains(listing, "./bin/vt-version -r--r--r--\n")) << listing;
    EXPECT_TRUE(Contains(listing, "./manuals/reference/index.html")) << listing;
    EXPECT_EQ(listing, TreeListing(unattendedTree));
    EXPECT_TRUE(Contains(ReadFile(wizardTree + "/.setup/install.log"), "outcome: completed\n"));
}

TEST_F(WizardAnswers, RecordedAnswersReplayUnattendedToTheSameTree) {
    Gtar();
    dist.Version("Two Hosts 3.0\n").HostTools("linux86").HostTools("solaris2").InstallType("ide");
    for (const char* host : {"linux86", "solaris2"})
        for (const char* dir : {"ppc", "arm"})
            dist.Archive(std::string(dir) + "/" + host + "_tools.tgz",
                         {{std::string(dir) + "/bin/" + host + "-cc", "cc\n", 0755}});
    auto item = [&](DistItem i, const std::string& dir) {
        i.target = dir;
        i.host = "solaris2";
        i.extra = {{"items/" + i.name, i.name + "\n"}};
        dist.Item(i);
    };
    item(Bsp("a1", "A One"), "arm");
    item(Bsp("p1", "P One"), "ppc");
    item(Bsp("p2", "P Two", {"bsp_p0"}), "ppc");
    item(Bsp("p0", "P Zero"), "ppc");
    item(Addon("x", "X Tool"), "alltargets");
    item(Addon("y", "Y Tool"), "alltargets");
    ASSERT_TRUE(dist.Build());

    const std::string base = tmp / "opt";
    WizardRun run({"-source_dir", dist.root(), "-target_dir", base + "/linux86", "-util_dir", util,
                   "-record_answers", answers},
                  home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    // Pages: Introduction, Components, General, Target Architecture, Boards/Architectures,
    // Additional Items, Summary.
    run.clickRow("mslSegments", 2);
    WizardRect pulldown = TheWizardLayout().at("pdToolHost");
    run.click("pdToolHost", pulldown.width - 8); // "x86 Linux" is marked
    Xdo({"key", "Up", "Return"});                // "Solaris 2"
    run.clickRow("mslSegments", 3);
    run.clickBox(0); // no ARM
    run.clickRow("mslSegments", 4);
    run.doubleClickRow("mslComponents", 1); // rows: A One, P One, P Two, P Zero
    run.doubleClickRow("mslComponents", 2);
    run.clickRow("mslSegments", 5);
    run.doubleClickRow("mslComponents", 1); // Y Tool
    run.clickRow("mslSegments", 6);
    run.next();
    ASSERT_TRUE(run.waitForOutput("Installation Completed\n", 90000)) << run.out() << run.err();
    run.cancel();
    EXPECT_EQ(run.wait(), 0) << run.err();

    const std::string wizardTree = base + "/solaris2";
    std::string text = ReadFile(answers);
    EXPECT_TRUE(Contains(text, "for the distribution\n# \"Two Hosts 3.0\".\n")) << text;
    for (const std::string& line :
         {"target_dir = " + wizardTree, std::string("host = solaris2"),
          std::string("targets = ppc"), std::string("boards = bsp_p1, bsp_p2"),
          std::string("items = addon_y")})
        EXPECT_TRUE(Contains(text, "\n" + line + "\n")) << line << " in\n" << text;

    const std::string replayed = tmp / "replayed";
    ProgramResult replay = Unattended({"-source_dir", dist.root(), "-util_dir", util, "-answers",
                                       answers, "-target_dir", replayed});
    ASSERT_EQ(replay.status, 0) << replay.err;
    std::string listing = TreeListing(wizardTree);
    for (const char* part : {"./ppc/bin/solaris2-cc ", "./items/p0 ", "./items/y "})
        EXPECT_TRUE(Contains(listing, part)) << part << " in\n" << listing;
    EXPECT_FALSE(Contains(listing, "./arm/") || Contains(listing, "./items/a1 ")) << listing;
    EXPECT_EQ(listing, TreeListing(replayed));
}

TEST_F(WizardAnswers, GivenAnswersFillThePagesAndRecordOnlyEndsAtInstall) {
    Gtar();
    dist.Basic();
    ASSERT_TRUE(dist.Build());
    const std::string recorded = tmp / "recorded.answers";
    WriteFile(answers, "content = tools\ntarget_dir = " + target + "\n");
    WizardRun run({"-source_dir", dist.root(), "-util_dir", util, "-answers", answers,
                   "-record_answers", recorded, "-record_only"},
                  home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    run.clickRow("mslSegments", 4); // Summary
    run.next();
    EXPECT_EQ(run.wait(), 0) << run.err();
    std::string text = ReadFile(recorded);
    EXPECT_TRUE(Contains(text, "\ntarget_dir = " + target + "\n")) << text;
    EXPECT_TRUE(Contains(text, "\ncontent = tools\n")) << text;
    EXPECT_FALSE(PathExists(target));
    EXPECT_EQ(run.out(), "");
}

TEST_F(WizardAnswers, ArchiveThatFailsTurnsItsLineRedAndTheReportCountsIt) {
    Gtar("ide.txt", "exit 2"); // the last archive, without a word
    dist.Basic().Archive("alltargets/allhosts_tools.tgz", {{"ide.txt", "ide"}});
    ASSERT_TRUE(dist.Build());
    WizardRun run(Options(), home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    run.clickRow("mslSegments", 4);
    run.next();
    const std::string failed = dist.path("alltargets/allhosts_tools.tgz");
    ASSERT_TRUE(run.waitForOutput("Installation Completed with errors.\n1 of 4 archives could not "
                                  "be expanded:\n\t" +
                                  failed + "\n"))
        << run.out();
    ASSERT_TRUE(run.waitForOutput("Installation log: "));
    // From the bottom: the log's path, the report's three lines, "Adjusting write
    // permissions.", "Expanding <archive> failed.", the archive's own line in red, and the
    // archive before it in blue.
    std::string colours;
    WaitFor([&] { return (colours = LineColours(run.window())).size() > 8; });
    ASSERT_GE(colours.size(), 8u) << colours;
    EXPECT_EQ(colours.substr(colours.size() - 8), "BRRBRRRK") << colours;
    run.cancel();
    EXPECT_EQ(run.wait(), 0) << run.err();
}

TEST_F(WizardAnswers, TerminationSignalCancelsTheInstallWithoutAskingAndEndsTheProgram) {
    Gtar("ppc_tools.txt", "echo \"slow gtar $$\"; exec sleep 120");
    dist.Basic().Archive("ppc/linux86_tools.tgz", {{"ppc_tools.txt", "tools"}});
    ASSERT_TRUE(dist.Build());
    WizardRun run(Options(), home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    run.clickRow("mslSegments", 4);
    run.next();
    ASSERT_TRUE(run.waitForOutput("slow gtar ")) << run.out();
    std::string out = run.out();
    int gtar = atoi(out.c_str() + out.find("slow gtar ") + 10);
    ASSERT_GT(gtar, 0);

    kill(run.pid(), SIGTERM);
    EXPECT_EQ(run.wait(), 143) << run.out() << run.err();
    EXPECT_TRUE(kill(gtar, 0) != 0 && errno == ESRCH) << "the expansion outlived the program";
    EXPECT_TRUE(Contains(run.out(), "Process " + std::to_string(gtar) + " killed.\n"));
    EXPECT_TRUE(Contains(run.out(), "The installation has been cancelled.\n"));
    EXPECT_TRUE(
        Contains(ReadFile(target + "/.setup/install.log"), "outcome: cancelled by SIGTERM\n"));
}

} // namespace
