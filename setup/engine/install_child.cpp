// Running one external command for the engine: ExecAndDisplayCommand starts it with
// pipes, shows its output piece by piece as it arrives while the window stays live, kills
// it when the user cancels (or a termination signal arrives), and reaps it. Between polls
// it sleeps on the child's pipes and the X connection rather than spinning, so the archive
// tool keeps the processor.
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "setup/engine/install_engine.h"
#include "setup/install_options.h"
#include "shared/indgen.h"
#include "shared/libcxxutil/ut_childgroups.h"
#include "shared/libcxxutil/ut_idle.h"
#include "shared/libcxxutil/ut_system.h"
#include "windlib/wevent.h"
#include "windlib/wutility.h"
#include "xswitch/xswitch.h"

namespace {

// One piece of output: at most 1999 bytes and the terminator.
const int kPieceSize = 2000;
// Longest sleep between polls; a cancel can only come from an event or a timer, and both
// wake the sleep early.
const long kLongestWaitMs = 100;
// Without the descriptor registry the sleep cannot watch the X connection: keep it short
// while a window is up so that the window still answers promptly.
const long kWaitWithoutXMs = 20;
// How long a child has to go after the termination signal before it is killed outright.
const long kTerminationGraceUs = kChildGroupGraceMs * 1000;
// The reaping back-off: first retry almost at once (the child is usually exiting), then
// ever longer up to this.
const long kFirstReapPauseUs = 50;
const long kLongestReapPauseUs = 20000;

// The descriptor of a live pipe, whose readiness ends the toolkit's sleep; -1 otherwise.
int WakeUpFd(const Pipe_Comm_Handle* pipe) {
    return pipe && pipe->IsAlive() ? pipe->getPipeFd() : -1;
}

// The sleep allowed before the next toolkit timer is due.
long UntilNextTimer(long wait) {
    IdleNotifier* notifier = getIdleNotifier();
    long next = notifier ? notifier->getTimeBeforeNextTimer(true) : -1;
    return next >= 0 && next < wait ? next : wait;
}

// Sleeps until a live pipe has something, the user acts or a timer is due.
void WaitForOutput(const Pipe_Comm_Handle* out, const Pipe_Comm_Handle* err) {
    if (debugFlag[kSwitchUseFDRegistry] && getIdleNotifier()) {
        // Registered only for the length of one sleep, so the event dispatch never sees them.
        DescriptorWakeUp outWake(WakeUpFd(out));
        DescriptorWakeUp errWake(WakeUpFd(err));
        WYield(kLongestWaitMs, false);
        return;
    }
    struct pollfd watched[2];
    int count = 0;
    for (const Pipe_Comm_Handle* pipe : {out, err})
        if (pipe && pipe->IsAlive()) watched[count++] = {pipe->getPipeFd(), POLLIN, 0};
    long wait = UntilNextTimer(WGUIInitialized() ? kWaitWithoutXMs : kLongestWaitMs);
    poll(watched, count, static_cast<int>(wait));
}

void PauseMicroseconds(long us) {
    struct timespec pause = {us / 1000000, (us % 1000000) * 1000};
    nanosleep(&pause, nullptr);
}

// A descriptor that becomes readable when the child ends, where the kernel offers one
// (Linux process descriptors); -1 elsewhere, and the reaping backs off instead.
int OpenExitWatch(pid_t pid) {
#if defined(__linux__) && defined(SYS_pidfd_open)
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// Sleeps until the watched child ends, the user acts (with a window, at most the window's
// polling interval) or a signal arrives.
void WaitForExit(int exitWatch) {
    struct pollfd watched = {exitWatch, POLLIN, 0};
    long wait = UntilNextTimer(WGUIInitialized() ? kWaitWithoutXMs : kLongestWaitMs);
    poll(&watched, 1, static_cast<int>(wait));
}

// Shows one piece from the pipe when it has any; true when the pipe had something to say
// (text or its end), so the caller polls again before sleeping.
bool ShowPiece(Pipe_Comm_Handle* pipe, void (*show)(const char*)) {
    if (!pipe || !pipe->IsAlive() || !pipe->IsDataOnPipe()) return false;
    char piece[kPieceSize];
    int length = 0;
    if (pipe->readFromHandle(&length, piece, kPieceSize) && length > 0) show(piece);
    return true;
}

// The command runs as the leader of its own group: the termination signal goes to the
// whole group, so a wrapper's own children stop with it. The report names the leader.
void KillChild(pid_t pid) {
    bool sent = ut_KillProcess(pid, true);
    sent = ut_SignalChildGroup(pid, SIGTERM) || sent;
    char* report = sent ? gen_asprintf("Process %d killed.", static_cast<int>(pid))
                        : gen_asprintf("Unable to kill %d.\nThis process had probably already "
                                       "terminated.",
                                       static_cast<int>(pid));
    DoDisplayError(report);
    gen_free(report);
    installOptions.cancelled = true;
}

// Nothing of a killed group may stay behind: the leader is gone and no member is left.
bool GroupGone(pid_t pid) {
    ut_ReapOrphansOfGroup(pid);
    return !ut_SignalChildGroup(pid, 0);
}

// Waits for the child to be gone, keeping the window live, and returns its wait status
// (-1 when nobody could tell). A cancel while it lingers kills it; a killed group that
// outlives the grace period is killed outright, and waited for until none of it is left.
int ReapChild(pid_t pid, bool killed) {
    long pause = kFirstReapPauseUs;
    long sinceKill = 0;
    int result = -1;
    bool reaped = false;
    // The child has closed its output and is about to end: wait for exactly that instead
    // of guessing when to look again.
    int exitWatch = killed ? -1 : OpenExitWatch(pid);
    for (;;) {
        if (!reaped) {
            int status = 0;
            pid_t got = waitpid(pid, &status, WNOHANG);
            if (got == pid) {
                reaped = true;
                result = status;
            } else if (got < 0 && errno != EINTR) {
                // No such child: the event loop's registry reaped it and noted how it ended.
                reaped = true;
                if (!ut_TakeReapedStatus(pid, &result)) result = -1;
            }
        }
        if (reaped && (!killed || GroupGone(pid) || sinceKill >= 2 * kTerminationGraceUs)) break;
        if (!killed && CancelRequested()) {
            KillChild(pid);
            killed = true;
        }
        if (killed && sinceKill >= kTerminationGraceUs) ut_SignalChildGroup(pid, SIGKILL);
        WEventAll(0);
        if (exitWatch >= 0 && !reaped && !killed) {
            WaitForExit(exitWatch);
            continue;
        }
        PauseMicroseconds(pause);
        if (killed) sinceKill += pause;
        pause = pause * 2 < kLongestReapPauseUs ? pause * 2 : kLongestReapPauseUs;
    }
    if (exitWatch >= 0) close(exitWatch);
    ut_ForgetChildGroup(pid);
    return result;
}

} // namespace

int ExecAndDisplayCommand(const char* command) {
    InstallOptions& o = installOptions;
    pid_t pid = -1;
    Pipe_Comm_Handle* in = nullptr;
    Pipe_Comm_Handle* out = nullptr;
    Pipe_Comm_Handle* err = nullptr;
    if (!nonblocking_systemcall(command, &pid, true, &in, true, &out, true, &err, true, false,
                                nullptr)) {
        char* report = gen_concat3("Could not start ", command ? command : "", ".");
        DoDisplayError(report);
        gen_free(report);
        return -1;
    }
    // Nobody types into an archive tool: one that asks a question reads end of input
    // instead of waiting for ever.
    delete in;

    bool killed = false;
    while (!o.cancelled && out && out->IsAlive()) {
        CollectInstallTreeChanges(); // a long expansion must not overrun that record
        bool heard = ShowPiece(out, DoDisplayMessage);
        heard = ShowPiece(err, DoDisplayError) || heard;
        if (CancelRequested() && !o.cancelled) {
            KillChild(pid);
            killed = true;
        }
        WEventAll(0);
        if (theProgressView) theProgressView->Tick();
        if (!heard && !o.cancelled && out->IsAlive()) WaitForOutput(out, err);
    }
    bool outputEnded = !out || !out->IsAlive();
    delete out;
    delete err;
    // A message that noticed the cancel first ended the loop before the kill above.
    if (!outputEnded && !killed && CancelRequested()) {
        KillChild(pid);
        killed = true;
    }
    return ReapChild(pid, killed);
}
