// Child process groups with real shells: a wrapper's own child stops with the wrapper, a
// group that ignores TERM is killed after the grace period, every group still running when
// the process exits is stopped, and termination signals only record themselves while a
// catcher is in place.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "shared/libcxxutil/ut_childgroups.h"
#include "shared/libcxxutil/ut_system.h"
#include "support/temp_dir.h"

namespace {

// Waits up to 5 s for a file the child writes; its text, "" when it never came.
std::string AwaitFile(const std::string& path) {
    for (int i = 0; i < 5000; i++) {
        std::string text = PathExists(path) ? ReadFile(path) : "";
        if (!text.empty() && text.back() == '\n') return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return "";
}

bool ProcessGone(pid_t pid) {
    return kill(pid, 0) != 0 && errno == ESRCH;
}

// Starts `script` through sh in its own group; the script writes the pid of a background
// sleep to `pidFile`. Returns the leader; *grandchild receives the sleep's pid.
pid_t StartWrapper(const std::string& script, const std::string& pidFile, pid_t* grandchild) {
    pid_t leader = -1;
    std::string command = "sh -c '" + script + "'";
    EXPECT_TRUE(nonblocking_systemcall(command.c_str(), &leader, false, nullptr, false, nullptr,
                                       false, nullptr, true, false, nullptr));
    *grandchild = static_cast<pid_t>(std::stol("0" + AwaitFile(pidFile)));
    return leader;
}

} // namespace

TEST(ChildGroups, StoppingAWrapperStopsTheToolItStarted) {
    ScopedTempDir dir;
    pid_t tool = 0;
    pid_t leader = StartWrapper("sleep 30 & echo $! > " + (dir / "pid") + "; wait",
                                dir / "pid", &tool);
    ASSERT_GT(tool, 0);
    pid_t running[8];
    ASSERT_EQ(ut_RunningChildGroups(running, 8), 1);
    EXPECT_EQ(running[0], leader);

    int status = ut_StopChildGroup(leader);
    ASSERT_NE(status, -1);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(ProcessGone(tool)) << "the tool outlived its wrapper";
    EXPECT_EQ(ut_RunningChildGroups(running, 8), 0);
}

TEST(ChildGroups, AGroupThatIgnoresTerminationIsKilledAfterTheGrace) {
    ScopedTempDir dir;
    pid_t tool = 0;
    pid_t leader = StartWrapper("trap \"\" TERM; sleep 30 & echo $! > " + (dir / "pid") +
                                    "; wait; wait",
                                dir / "pid", &tool);
    ASSERT_GT(tool, 0);
    auto start = std::chrono::steady_clock::now();
    int status = ut_StopChildGroup(leader, 300);
    auto took = std::chrono::steady_clock::now() - start;
    ASSERT_NE(status, -1);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_TRUE(ProcessGone(tool));
}

TEST(ChildGroups, LeavingTheProcessStopsEveryGroupStillRunning) {
    ScopedTempDir dir;
    pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        // A program that starts two commands and leaves without waiting for them.
        for (const char* name : {"a", "b"}) {
            pid_t leader = -1;
            std::string command = "sh -c 'echo $$ > " + (dir / name) + "; exec sleep 30'";
            nonblocking_systemcall(command.c_str(), &leader, false, nullptr, false, nullptr,
                                   false, nullptr, true, false, nullptr);
            AwaitFile(dir / name);
        }
        exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(program, &status, 0), program);
    EXPECT_TRUE(WIFEXITED(status));
    for (const char* name : {"a", "b"}) {
        pid_t sleeper = static_cast<pid_t>(std::stol("0" + ReadFile(dir / name)));
        ASSERT_GT(sleeper, 0);
        // Handed to init once its parent is gone; it must not be running.
        bool gone = false;
        for (int i = 0; i < 1000 && !gone; i++) {
            gone = ProcessGone(sleeper);
            if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_TRUE(gone) << name << " kept running after the program left";
    }
}

TEST(ChildGroups, TerminationSignalsOnlyRecordThemselvesWhileCaught) {
    struct sigaction before;
    sigaction(SIGTERM, nullptr, &before);
    {
        ut_TerminationCatcher catcher;
        ut_TerminationCatcher::Reset();
        raise(SIGTERM);
        raise(SIGINT);
        EXPECT_EQ(ut_TerminationCatcher::Signal(), SIGTERM) << "the first one counts";
        ut_TerminationCatcher::Reset();
        EXPECT_EQ(ut_TerminationCatcher::Signal(), 0);
    }
    struct sigaction after;
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}
