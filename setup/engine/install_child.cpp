// Running one external command for the engine: ExecAndDisplayCommand starts it with
// pipes, feeds its standard input when there is an input (an archive's stream for gtar),
// shows its output piece by piece as it arrives while the window stays live, kills it
// when the user cancels (or a termination signal arrives), and reaps it. Between polls it
// sleeps on the child's pipes, the input's descriptor and the X connection rather than
// spinning, so the archive tool keeps the processor.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "setup/engine/archive_feed.h"
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

// The pipe to a command's standard input is made this large where the system allows, so
// that the command has plenty to read between two of our turns.
const int kInputPipeBytes = 1 << 20;
// Waiting for room in a pipe would wake us for every block the command reads from a full
// one. From this size on the loop pauses instead, for less time than the command needs
// to empty the pipe, and then fills it up again in one go.
const int kRoomyPipeBytes = 256 << 10;
const long kRefillPauseMs = 1;
// The most written to a command's input in one turn, so that its output and the window
// get their turn too.
const size_t kMostFedPerTurn = size_t(4) << 20;

// What a sleep watches besides the command's output.
struct Wakers {
    int roomFd = -1;  // the command's input, to be woken when it has room
    int inputFd = -1; // the input's descriptor, when it has nothing to give yet
    long waitMs = kLongestWaitMs;
};

// Ends the toolkit's sleep when a descriptor can be written, as DescriptorWakeUp does when
// one can be read.
class RoomWakeUp : public DescriptorWakeUp {
public:
    explicit RoomWakeUp(int fd) : DescriptorWakeUp(fd) {}
    bool wantsToRead() override { return false; }
    bool wantsToWrite() override { return true; }
};

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

// Sleeps until a live pipe has something, the input has something or room, the user acts
// or a timer is due.
void WaitForOutput(const Pipe_Comm_Handle* out, const Pipe_Comm_Handle* err, const Wakers& wakers) {
    if (debugFlag[kSwitchUseFDRegistry] && getIdleNotifier()) {
        // Registered only for the length of one sleep, so the event dispatch never sees them.
        DescriptorWakeUp outWake(WakeUpFd(out));
        DescriptorWakeUp errWake(WakeUpFd(err));
        DescriptorWakeUp inputWake(wakers.inputFd);
        RoomWakeUp roomWake(wakers.roomFd);
        WYield(wakers.waitMs, false);
        return;
    }
    struct pollfd watched[4];
    int count = 0;
    for (const Pipe_Comm_Handle* pipe : {out, err})
        if (pipe && pipe->IsAlive()) watched[count++] = {pipe->getPipeFd(), POLLIN, 0};
    if (wakers.inputFd >= 0) watched[count++] = {wakers.inputFd, POLLIN, 0};
    if (wakers.roomFd >= 0) watched[count++] = {wakers.roomFd, POLLOUT, 0};
    long wait = wakers.waitMs;
    if (WGUIInitialized() && wait > kWaitWithoutXMs) wait = kWaitWithoutXMs;
    poll(watched, count, static_cast<int>(UntilNextTimer(wait)));
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

// The size of the pipe to a command's input after asking for kInputPipeBytes; 0 when the
// system does not say.
int EnlargePipe(int fd) {
#if defined(F_SETPIPE_SZ) && defined(F_GETPIPE_SZ)
    fcntl(fd, F_SETPIPE_SZ, kInputPipeBytes);
    int size = fcntl(fd, F_GETPIPE_SZ);
    return size > 0 ? size : 0;
#else
    (void)fd;
    return 0;
#endif
}

// A command's standard input and what feeds it, for as long as the command runs. Closing
// the pipe is the command's end of input.
class InputPipe {
public:
    InputPipe(Pipe_Comm_Handle* pipe, CommandInput* input)
        : pipe_(input ? pipe : nullptr), input_(input) {
        if (pipe && !input) delete pipe;
        roomy_ = pipe_ && EnlargePipe(pipe_->getPipeFd()) >= kRoomyPipeBytes;
    }
    ~InputPipe() { Close(); }
    InputPipe(const InputPipe&) = delete;
    InputPipe& operator=(const InputPipe&) = delete;

    // Writes what the input has ready until the pipe is full, the input has nothing more
    // for now or this turn's share is written, and says in *wakers what to sleep on. True
    // when anything moved (bytes, or the end of the input).
    bool Feed(Wakers* wakers) {
        bool moved = false;
        for (size_t fed = 0; pipe_ && fed < kMostFedPerTurn;) {
            const char* data = nullptr;
            size_t size = 0;
            CommandInput::State state = input_->Pending(&data, &size);
            if (state == CommandInput::kWaiting) {
                wakers->inputFd = input_->WakeDescriptor();
                return moved;
            }
            if (state != CommandInput::kReady) {
                if (state == CommandInput::kFailed && !input_->Failure().empty())
                    DoDisplayError(input_->Failure().c_str());
                Close();
                return true;
            }
            int written = 0;
            size_t share = kMostFedPerTurn - fed < size ? kMostFedPerTurn - fed : size;
            if (!pipe_->writeToHandle(&written, data, static_cast<int>(share))) {
                Close(); // the command stopped reading: how it ended says the rest
                return true;
            }
            if (written == 0) {
                if (roomy_)
                    wakers->waitMs = kRefillPauseMs;
                else
                    wakers->roomFd = pipe_->getPipeFd();
                return moved;
            }
            input_->Wrote(static_cast<size_t>(written));
            fed += static_cast<size_t>(written);
            moved = true;
        }
        return moved;
    }
    void Close() {
        delete pipe_;
        pipe_ = nullptr;
    }

private:
    Pipe_Comm_Handle* pipe_;
    CommandInput* input_;
    bool roomy_ = false;
};

} // namespace

int ExecAndDisplayCommand(const char* command, CommandInput* input) {
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
    // Nobody types into an archive tool: without an input, one that asks a question reads
    // end of input instead of waiting for ever.
    InputPipe feed(in, input);

    bool killed = false;
    // The command's whole group goes, and with it whatever was being made for its input.
    auto stop = [&] {
        KillChild(pid);
        if (input) input->Stop();
        feed.Close();
        killed = true;
    };
    while (!o.cancelled && out && out->IsAlive()) {
        CollectInstallTreeChanges(); // a long expansion must not overrun that record
        Wakers wakers;
        bool heard = feed.Feed(&wakers);
        heard = ShowPiece(out, DoDisplayMessage) || heard;
        heard = ShowPiece(err, DoDisplayError) || heard;
        if (CancelRequested() && !o.cancelled) stop();
        WEventAll(0);
        if (input) input->Tick();
        if (theProgressView) theProgressView->Tick();
        if (!heard && !o.cancelled && out->IsAlive()) WaitForOutput(out, err, wakers);
    }
    feed.Close();
    bool outputEnded = !out || !out->IsAlive();
    delete out;
    delete err;
    // A message that noticed the cancel first ended the loop before the kill above.
    if (!outputEnded && !killed && CancelRequested()) stop();
    return ReapChild(pid, killed);
}
