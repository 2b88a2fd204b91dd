// What the wizard's commands leave behind when the run ends early: Cancel, a termination
// signal or a lost X server while an archive expands. The gtar here is a wrapper script that
// runs the real tar as its own child, feeding it slowly; whatever ends the run, none of the
// wrapper's processes may be left and nothing may be extracted afterwards. Also the one alert
// that names the distribution's damaged items before the wizard opens.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/dist_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/xvfb_fixture.h"
#include "tests/setup/wizard/test_wizard_support.h"

namespace {

const int kSlowFiles = 300;

// The processes of a process group that are still alive (zombies do not count).
std::vector<pid_t> LiveMembersOf(pid_t group) {
    std::vector<pid_t> members;
    DIR* proc = opendir("/proc");
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
        pid_t pid = static_cast<pid_t>(atoi(entry->d_name));
        if (pid <= 0) continue;
        std::string stat = ReadFile("/proc/" + std::string(entry->d_name) + "/stat");
        size_t end = stat.rfind(')');
        char state = 0;
        int parent = 0, pgrp = 0;
        if (end != std::string::npos &&
            sscanf(stat.c_str() + end + 1, " %c %d %d", &state, &parent, &pgrp) == 3 &&
            pgrp == group && state != 'Z')
            members.push_back(pid);
    }
    if (proc) closedir(proc);
    return members;
}

class WizardChildren : public WizardProgramTest {
protected:
    void SetUp() override {
        WizardProgramTest::SetUp();
        if (HasFatalFailure()) return;
        std::string tar = FindOnPath("tar");
        // The slow archive goes through a pipeline of the wrapper's own children, one block
        // every 20 ms; any other archive straight through the real tar.
        WriteSlowGtar(util, tar, "", "slow/f1000",
                      "    echo $$ > " + leaderFile +
                          "\n    { i=0; while [ $i -lt 700 ]; do dd bs=512 count=1 iflag=fullblock "
                          "2>/dev/null; sleep 0.02; i=$((i+1)); done; } < \"$stream\" | \"$tar\" "
                          "-xf -\n    exit $?");
        DistFiles slow;
        for (int i = 0; i < kSlowFiles; i++)
            slow.push_back({"slow/f" + std::to_string(1000 + i), std::string(500, 'x')});
        dist.HostTools("linux86").InstallType("ide").Archive("ppc/linux86_tools.tgz", slow);
        ASSERT_TRUE(dist.Build());
    }

    std::vector<std::string> Options() const {
        return {"-source_dir", dist.root(), "-target_dir", target, "-util_dir", util};
    }

    // The wrapper's process number (the leader of the command's group) once the slow
    // archive has begun to land in the target; 0 when it never did.
    pid_t Expanding() const {
        pid_t leader = 0;
        WaitFor([&] { return (leader = atoi(ReadFile(leaderFile).c_str())) > 0; }, 30000);
        bool landing = WaitFor([&] { return CountEntries(target + "/slow") >= 5; }, 30000);
        return landing ? leader : 0;
    }

    // Opens the wizard, goes to the Summary page and presses Install.
    pid_t StartInstall(WizardRun& run) const {
        if (!run.waitForWindow()) return 0;
        run.clickRow("mslSegments", 4);
        run.next();
        return Expanding();
    }

    // After the end of the run: the wrapper's whole group is gone, and nothing lands after
    // `files` (the count when the run was seen to end; -1 when that moment is not visible).
    void ExpectNothingLeft(pid_t leader, const std::string& how, int files = -1) const {
        EXPECT_TRUE(WaitFor([&] { return LiveMembersOf(leader).empty(); }, 10000))
            << how << ": " << LiveMembersOf(leader).size() << " processes of the command left";
        if (files < 0) files = CountEntries(target + "/slow");
        usleep(1500 * 1000);
        EXPECT_EQ(CountEntries(target + "/slow"), files) << how << ": extracted afterwards";
        EXPECT_LT(files, kSlowFiles) << how;
    }

    DistFixture dist{tmp / "dist"};
    std::string leaderFile = tmp / "gtar.pid";
};

TEST_F(WizardChildren, CancelStopsTheRealTarBehindAWrapperScript) {
    WizardRun run(Options(), home);
    pid_t leader = StartInstall(run);
    ASSERT_GT(leader, 0) << run.out() << run.err();

    run.cancel();
    unsigned long question = WaitForShownWindow(kQuestionTitle);
    ASSERT_NE(question, 0u) << "no question";
    ASSERT_TRUE(AnswerDialog(question, "Return"));
    ASSERT_TRUE(run.waitForOutput("Process " + std::to_string(leader) + " killed.\n")) << run.out();
    ExpectNothingLeft(leader, "Cancel", CountEntries(target + "/slow"));
    question = WaitForShownWindow(kQuestionTitle); // remove what was written?
    ASSERT_NE(question, 0u) << "no second question";
    ASSERT_TRUE(AnswerDialog(question, "Return"));
    EXPECT_TRUE(run.waitForOutput("The installation has been cancelled.\nRemoved "));
    EXPECT_FALSE(PathExists(target + "/slow"));
    run.cancel(); // Finish
    EXPECT_EQ(run.wait(), 0) << run.err();
}

TEST_F(WizardChildren, TerminationSignalsWhileExpandingLeaveNoChild) {
    for (int signal_number : {SIGTERM, SIGHUP}) {
        ShellStatus("rm -rf '" + target + "' '" + leaderFile + "'");
        std::vector<std::string> options = Options();
        options.push_back("-keep_partial"); // what landed stays, to be counted
        WizardRun run(options, home);
        pid_t leader = StartInstall(run);
        ASSERT_GT(leader, 0) << run.out() << run.err();

        kill(run.pid(), signal_number);
        ExpectNothingLeft(leader, strsignal(signal_number));
    }
}

// xdotool on another X server than the shared one.
void XdoOn(const std::string& display, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    ProgramOptions options;
    options.extraEnv.push_back("DISPLAY=" + display);
    RunProgram(argv, options);
}

TEST_F(WizardChildren, LosingTheXServerWhileExpandingEndsTheRunAndItsCommand) {
    XvfbServer server; // the wizard's own, for the test to kill
    ASSERT_TRUE(server.ok());
    std::vector<std::string> argv = {SetupProgram()};
    for (const std::string& option : Options()) argv.push_back(option);
    BackgroundProgram run(argv, {"DISPLAY=" + server.display(), "HOME=" + home});
    std::string window;
    ASSERT_TRUE(WaitFor([&] {
        std::vector<unsigned long> ids = FindWindowsByTitle(server.display(), kWizardTitle);
        return !ids.empty() && !(window = std::to_string(ids.back())).empty();
    })) << run.output();
    const WizardLayout& layout = TheWizardLayout();
    WizardRect next = layout.at("bNext");
    int summaryY = layout.firstRow.at("mslSegments") + 4 * layout.rowHeight + layout.rowHeight / 2;
    XdoOn(server.display(),
          {"mousemove", "--window", window, std::to_string(layout.at("mslSegments").x + 30),
           std::to_string(summaryY), "click", "1", "mousemove", "--window", window,
           std::to_string(next.x + next.width / 2), std::to_string(next.y + next.height / 2),
           "click", "1"});
    pid_t leader = Expanding();
    ASSERT_GT(leader, 0) << run.output();

    server.kill();
    EXPECT_NE(run.wait(10000), -1) << "the installer stayed";
    ExpectNothingLeft(leader, "X server lost");
}

TEST_F(WizardChildren, DamagedItemsAreListedInOneAlertBeforeTheWizardOpens) {
    dist.Item(Bsp("good", "Good Board"));
    dist.File("alltargets/linux86_bsp_broken.tgz", "no gzip");
    dist.File("ppc/linux86_bsp_empty.tgz", "");
    ASSERT_TRUE(dist.Build());

    WizardRun run(Options(), home);
    unsigned long alert = WaitForShownWindow(kAlertTitle);
    ASSERT_NE(alert, 0u) << "the damaged items were not reported";
    EXPECT_EQ(WaitForShownWindow(kWizardTitle, 500), 0u) << "the wizard opened first";
    ASSERT_TRUE(AnswerDialog(alert, "Return"));
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    EXPECT_EQ(WaitForShownWindow(kAlertTitle, 1500), 0u) << "a second alert";
    EXPECT_EQ(run.err(), "");
}

} // namespace
