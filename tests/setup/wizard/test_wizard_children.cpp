// What the wizard's commands leave behind when the run ends early: Cancel, a termination
// signal or a lost X server while an archive expands. The gtar here is a wrapper script that
// runs the real tar as its own child, feeding it slowly; whatever ends the run, none of the
// wrapper's processes may be left and nothing may be extracted afterwards. Also the one alert
// that names the distribution's damaged items before the wizard opens.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/dist_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/xvfb_fixture.h"
#include "tests/setup/wizard/test_wizard_support.h"

namespace {

const int kSlowFiles = 300;

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The processes of a process group that are still alive (zombies do not count).
std::vector<pid_t> LiveMembersOf(pid_t group) {
    std::vector<pid_t> members;
    DIR* proc = opendir("/proc");
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
        pid_t pid = static_cast<pid_t>(atoi(entry->d_name));
        if (pid <= 0) continue;
        std::string stat = ReadText("/proc/" + std::string(entry->d_name) + "/stat");
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

int CountFiles(const std::string& dir) {
    int count = 0;
    DIR* d = opendir(dir.c_str());
    while (dirent* entry = d ? readdir(d) : nullptr) count += entry->d_name[0] != '.';
    if (d) closedir(d);
    return count;
}

class WizardChildren : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SharedXvfb().ok()) << "Xvfb did not start";
        ASSERT_GT(TheWizardLayout().rowHeight, 0) << "the window could not be measured";
        ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
        ASSERT_EQ(mkdir(util.c_str(), 0755), 0);
        std::string tar = FindOnPath("tar"), gzip = FindOnPath("gzip");
        ASSERT_EQ(symlink(gzip.c_str(), (util + "/gzip").c_str()), 0);
        // The slow archive goes through a pipeline of the wrapper's own children, one block
        // every 20 ms; any other archive through the real tar, also a child of the wrapper.
        WriteFile(util + "/gtar",
                  "#!/bin/sh\nfor last do :; done\ncase \"$last\" in\n*/ppc/linux86_tools.tgz)\n"
                  "  echo $$ > " +
                      leaderFile + "\n  " + gzip + " -dc \"$last\" | { i=0; " +
                      "while [ $i -lt 700 ]; do dd bs=512 count=1 iflag=fullblock 2>/dev/null; "
                      "sleep 0.02; i=$((i+1)); done; } | " +
                      tar + " -xf -\n  exit $?;;\nesac\n" + tar + " \"$@\"\nexit $?\n",
                  0755);
        DistFiles slow;
        for (int i = 0; i < kSlowFiles; i++)
            slow.push_back({"slow/f" + std::to_string(1000 + i), std::string(500, 'x')});
        dist.HostTools("linux86").InstallType("ide").Archive("ppc/linux86_tools.tgz", slow);
        ASSERT_TRUE(dist.Build());
    }

    std::vector<std::string> Options() const {
        return {"-source_dir", dist.root(), "-target_dir", target, "-util_dir", util};
    }

    // The wrapper's process number, once it runs: the leader of the command's group.
    pid_t Leader() const {
        pid_t leader = 0;
        WaitFor([&] { return (leader = atoi(ReadText(leaderFile).c_str())) > 0; }, 30000);
        return leader;
    }

    // Waits until the slow archive has begun to land in the target.
    bool Expanding() const {
        return WaitFor([&] { return CountFiles(target + "/slow") >= 5; }, 30000);
    }

    // After the end of the run: the wrapper's whole group is gone, and nothing lands after
    // `files` (the count when the run was seen to end; -1 when that moment is not visible).
    void ExpectNothingLeft(pid_t leader, const std::string& how, int files = -1) const {
        EXPECT_TRUE(WaitFor([&] { return LiveMembersOf(leader).empty(); }, 10000))
            << how << ": " << LiveMembersOf(leader).size() << " processes of the command left";
        if (files < 0) files = CountFiles(target + "/slow");
        usleep(1500 * 1000);
        EXPECT_EQ(CountFiles(target + "/slow"), files) << how << ": extracted afterwards";
        EXPECT_LT(files, kSlowFiles) << how;
    }

    ScopedTempDir tmp;
    DistFixture dist{tmp / "dist"};
    std::string home = tmp / "home", util = tmp / "util", target = tmp / "target";
    std::string leaderFile = tmp / "gtar.pid";
};

TEST_F(WizardChildren, CancelStopsTheRealTarBehindAWrapperScript) {
    WizardRun run(Options(), home);
    ASSERT_TRUE(run.waitForWindow()) << run.err();
    run.clickRow("mslSegments", 4); // Summary
    run.next();
    pid_t leader = Leader();
    ASSERT_GT(leader, 0) << run.out();
    ASSERT_TRUE(Expanding()) << run.out();

    run.cancel();
    unsigned long question = WaitForShownWindow(kQuestionTitle);
    ASSERT_NE(question, 0u) << "no question";
    ASSERT_TRUE(AnswerDialog(question, "Return"));
    ASSERT_TRUE(run.waitForOutput("Process " + std::to_string(leader) + " killed.\n")) << run.out();
    ExpectNothingLeft(leader, "Cancel", CountFiles(target + "/slow"));
    EXPECT_TRUE(run.waitForOutput("The installation has been cancelled."));
    run.cancel(); // Finish
    EXPECT_EQ(run.wait(), 0) << run.err();
}

TEST_F(WizardChildren, TerminationSignalsWhileExpandingLeaveNoChild) {
    for (int signal_number : {SIGTERM, SIGHUP}) {
        ShellStatus("rm -rf '" + target + "' '" + leaderFile + "'");
        WizardRun run(Options(), home);
        ASSERT_TRUE(run.waitForWindow()) << run.err();
        run.clickRow("mslSegments", 4);
        run.next();
        pid_t leader = Leader();
        ASSERT_GT(leader, 0) << run.out();
        ASSERT_TRUE(Expanding()) << run.out();

        kill(run.pid(), signal_number);
        ExpectNothingLeft(leader, strsignal(signal_number));
    }
}

// The wizard on an X server of its own, which the test then kills.
class WizardOnOwnServer {
public:
    WizardOnOwnServer(const XvfbServer& server, const std::vector<std::string>& args,
                      const std::string& home)
        : display_(server.display()) {
        pid_ = fork();
        if (pid_ == 0) {
            int null = open("/dev/null", O_RDWR);
            for (int fd = 0; fd <= 2; fd++) dup2(null, fd);
            setpgid(0, 0);
            if (chdir(home.c_str()) != 0) _exit(126);
            setenv("HOME", home.c_str(), 1);
            setenv("DISPLAY", display_.c_str(), 1);
            std::vector<std::string> words = {SetupProgram()};
            words.insert(words.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& w : words) argv.push_back(&w[0]);
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~WizardOnOwnServer() {
        if (running()) kill(-pid_, SIGKILL);
        WaitFor([this] { return !running(); }, 5000);
    }
    bool running() {
        return pid_ > 0 && !ended_ && !(ended_ = waitpid(pid_, nullptr, WNOHANG) == pid_);
    }
    // Waits for the window, then clicks a row of the page list and then Next.
    bool startInstall(int summaryRow) {
        std::string id;
        WaitFor(
            [&] {
                std::vector<unsigned long> ids = FindWindowsByTitle(display_, kWizardTitle);
                if (!ids.empty()) id = std::to_string(ids.back());
                return !id.empty();
            },
            20000);
        if (id.empty()) return false;
        const WizardLayout& layout = TheWizardLayout();
        int rowX = layout.at("mslSegments").x + 30;
        int rowY = layout.firstRow.at("mslSegments") + summaryRow * layout.rowHeight +
                   layout.rowHeight / 2;
        WizardRect next = layout.at("bNext");
        return Xdo({"mousemove", "--sync", "--window", id, std::to_string(rowX),
                    std::to_string(rowY), "click", "1", "mousemove", "--window", id,
                    std::to_string(next.x + next.width / 2),
                    std::to_string(next.y + next.height / 2), "click", "1"}) == 0;
    }

private:
    int Xdo(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        ProgramOptions options;
        options.extraEnv.push_back("DISPLAY=" + display_);
        return RunProgram(argv, options).status;
    }

    std::string display_;
    pid_t pid_ = -1;
    bool ended_ = false;
};

TEST_F(WizardChildren, LosingTheXServerWhileExpandingEndsTheRunAndItsCommand) {
    XvfbServer server;
    ASSERT_TRUE(server.ok());
    WizardOnOwnServer run(server, Options(), home);
    ASSERT_TRUE(run.startInstall(4));
    pid_t leader = Leader();
    ASSERT_GT(leader, 0);
    ASSERT_TRUE(Expanding());

    server.kill();
    EXPECT_TRUE(WaitFor([&] { return !run.running(); }, 10000)) << "the installer stayed";
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
