// The running child groups: a fixed table that signal handlers may read, filled by the
// start functions of ut_system and emptied when a leader is reaped. Stopping is the same
// walk for one group or all: TERM, wait, KILL, reap. Everything on the stopping path is
// async-signal-safe (kill, waitpid, nanosleep, clock_gettime), because it runs at exit,
// and exit may come from a signal trap.
#include "shared/libcxxutil/ut_childgroups.h"

#include <errno.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cstdlib>
#include <cstring>

namespace {

// More commands than this never run at once; a group that finds no slot still runs in its
// own group, it is only not stopped at exit.
constexpr int kMaxGroups = 256;
volatile pid_t groups[kMaxGroups];
// After KILL a group is gone in an instant; this only bounds the wait for members that are
// not ours to reap (on systems where orphans go to init, which reaps them when it likes).
constexpr long kAfterKillMs = 1000;
constexpr long kPollMs = 5;

bool exitHookInstalled = false;

// Statuses of tracked leaders that a general reaper took; a few suffice, because an owner
// asks right after it learns that its child is gone.
constexpr int kMaxNoted = 16;
struct Noted {
    pid_t pid;
    int status;
};
Noted noted[kMaxNoted];
int nextNoted = 0;

void StopAllAtExit() {
    ut_StopAllChildGroups();
}

long NowMs() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

void SleepMs(long ms) {
    struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

int SlotOf(pid_t leader) {
    for (int i = 0; i < kMaxGroups; i++)
        if (groups[i] == leader) return i;
    return -1;
}

// One member of the group's life after a signal: reaps the leader (status into *status)
// and orphans handed to us. True when nothing of the group is left.
bool ReapGroup(pid_t leader, bool* leaderReaped, int* status) {
    if (!*leaderReaped) {
        int st = 0;
        pid_t got = waitpid(leader, &st, WNOHANG);
        if (got == leader) {
            *leaderReaped = true;
            *status = st;
        } else if (got < 0 && errno == ECHILD) {
            *leaderReaped = true; // reaped by someone else; no status for us
        }
    }
    ut_ReapOrphansOfGroup(leader);
    return *leaderReaped && kill(-leader, 0) != 0 && errno == ESRCH;
}

struct Stopping {
    pid_t leader;
    bool leaderReaped;
    int status;
    bool done;
};

// The shared walk: TERM to all, wait out the grace, KILL the rest, wait a little more.
void StopGroups(Stopping* stopping, int count, long graceMs) {
    for (int i = 0; i < count; i++) {
        kill(-stopping[i].leader, SIGTERM);
        kill(stopping[i].leader, SIGCONT); // a stopped group must wake to see the TERM
    }
    bool killed = false;
    long start = NowMs();
    for (;;) {
        bool allDone = true;
        for (int i = 0; i < count; i++) {
            Stopping& s = stopping[i];
            if (!s.done) s.done = ReapGroup(s.leader, &s.leaderReaped, &s.status);
            allDone = allDone && s.done;
        }
        if (allDone) return;
        long waited = NowMs() - start;
        if (!killed && waited >= graceMs) {
            for (int i = 0; i < count; i++)
                if (!stopping[i].done) kill(-stopping[i].leader, SIGKILL);
            killed = true;
            start = NowMs();
        } else if (killed && waited >= kAfterKillMs) {
            return;
        }
        SleepMs(kPollMs);
    }
}

void ForgetSlot(pid_t leader) {
    int slot = SlotOf(leader);
    if (slot >= 0) groups[slot] = 0;
}

// --- The termination catcher -----------------------------------------------------------

const int kCaughtSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kNumCaught = sizeof kCaughtSignals / sizeof kCaughtSignals[0];
struct sigaction savedActions[kNumCaught];
volatile sig_atomic_t caughtSignal = 0;
int catcherDepth = 0;

void RecordSignal(int signal) {
    if (!caughtSignal) caughtSignal = signal;
}

} // namespace

void ut_TrackChildGroup(pid_t leader) {
    if (leader <= 0) return;
    // The child makes itself leader too; whichever runs first, a signal sent to the group
    // right after the start reaches it.
    setpgid(leader, leader);
    if (!exitHookInstalled) {
        exitHookInstalled = true;
        atexit(StopAllAtExit);
#ifdef PR_SET_CHILD_SUBREAPER
        prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
#endif
    }
    if (SlotOf(leader) >= 0) return;
    int free = SlotOf(0);
    if (free >= 0) groups[free] = leader;
}

void ut_ForgetChildGroup(pid_t leader) {
    if (leader > 0) ForgetSlot(leader);
}

void ut_NoteReapedChild(pid_t pid, int status) {
    if (pid <= 0 || SlotOf(pid) < 0) return;
    ForgetSlot(pid);
    noted[nextNoted] = {pid, status};
    nextNoted = (nextNoted + 1) % kMaxNoted;
}

bool ut_TakeReapedStatus(pid_t pid, int* status) {
    for (Noted& n : noted) {
        if (pid <= 0 || n.pid != pid) continue;
        if (status) *status = n.status;
        n.pid = 0;
        return true;
    }
    return false;
}

bool ut_SignalChildGroup(pid_t leader, int signal) {
    return leader > 0 && kill(-leader, signal) == 0;
}

int ut_StopChildGroup(pid_t leader, long graceMs) {
    if (leader <= 0) return -1;
    Stopping s = {leader, false, 0, false};
    StopGroups(&s, 1, graceMs);
    ForgetSlot(leader);
    return s.leaderReaped && s.status >= 0 ? s.status : -1;
}

int ut_StopAllChildGroups(long graceMs) {
    Stopping stopping[kMaxGroups];
    int count = 0;
    for (int i = 0; i < kMaxGroups; i++)
        if (groups[i] > 0) stopping[count++] = {groups[i], false, 0, false};
    if (count == 0) return 0;
    StopGroups(stopping, count, graceMs);
    for (int i = 0; i < count; i++) ForgetSlot(stopping[i].leader);
    return count;
}

int ut_RunningChildGroups(pid_t* leaders, int max) {
    int count = 0;
    for (int i = 0; i < kMaxGroups && count < max; i++)
        if (groups[i] > 0) leaders[count++] = groups[i];
    return count;
}

void ut_ReapOrphansOfGroup(pid_t leader) {
    if (leader <= 0) return;
    // waitpid(-pgid) would also take the leader; only members other than it are reaped.
    for (;;) {
        siginfo_t info;
        memset(&info, 0, sizeof info);
        if (waitid(P_PGID, static_cast<id_t>(leader), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
            return;
        if (info.si_pid == 0 || info.si_pid == leader) return;
        waitpid(info.si_pid, nullptr, WNOHANG);
    }
}

ut_TerminationCatcher::ut_TerminationCatcher() {
    if (catcherDepth++ > 0) return;
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = RecordSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no restart: a blocking wait returns and the job looks at once
    for (int i = 0; i < kNumCaught; i++) sigaction(kCaughtSignals[i], &action, &savedActions[i]);
}

ut_TerminationCatcher::~ut_TerminationCatcher() {
    if (--catcherDepth > 0) return;
    for (int i = 0; i < kNumCaught; i++) sigaction(kCaughtSignals[i], &savedActions[i], nullptr);
}

int ut_TerminationCatcher::Signal() {
    return caughtSignal;
}

void ut_TerminationCatcher::Reset() {
    caughtSignal = 0;
}
