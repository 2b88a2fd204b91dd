// Child processes. Start reading at nonblocking_systemcall: the install engine runs every
// archive tool through it (by posix_spawn where it can) and polls the returned handles.
// blocking_systemcall is the waiting variant behind the output collectors,
// BlockingExecuteWithLimit the same with a deadline; systemcall launches a program and forgets it.
// Every pipe end the parent keeps is close-on-exec, so a later child never holds an earlier child's
// pipe open and killing one child always ends its output. The names of the commands started in
// groups of their own are kept for the signal traps, which stop those groups and say what they
// stopped.
#include "shared/libcxxutil/ut_system.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "shared/gen_filenames.h"
#include "shared/gen_fileops.h"
#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "shared/libcxxutil/ut_argv.h"
#include "shared/libcxxutil/ut_childgroups.h"

extern char** environ;

namespace {

// The names the exec-failure message uses. Keyed by the constants, not by the numbers,
// because the numbers differ from host to host.
struct ErrnoName {
    int value;
    const char* name;
};
const ErrnoName kErrnoNames[] = {
    {EPERM, "EPERM"},     {ENOENT, "ENOENT"},   {EIO, "EIO"},
    {E2BIG, "E2BIG"},     {ENOEXEC, "ENOEXEC"}, {ENOMEM, "ENOMEM"},
    {EACCES, "EACCES"},   {EFAULT, "EFAULT"},   {ENOTDIR, "ENOTDIR"},
    {EISDIR, "EISDIR"},   {EINVAL, "EINVAL"},   {ENFILE, "ENFILE"},
    {EMFILE, "EMFILE"},   {ETXTBSY, "ETXTBSY"}, {ENAMETOOLONG, "ENAMETOOLONG"},
    {ELIBBAD, "ELIBBAD"}, {ELOOP, "ELOOP"},
};
static_assert(sizeof(kErrnoNames) / sizeof(kErrnoNames[0]) == 17, "one entry per error name");

// Largest piece blocking_systemcall reads at once, leaving room for the terminator.
constexpr int kBlockingReadSize = 8195;
constexpr int kBlockingPollMillis = 2000;

void closeFd(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

void setCloseOnExec(int fd) {
    int flags = fcntl(fd, F_GETFD, 0);
    if (flags != -1) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
}

// One pipe whose two ends are close-on-exec from birth; the child's copies on 0, 1 and 2
// are made with dup2 and so survive the exec.
struct ChildPipe {
    int readEnd = -1;
    int writeEnd = -1;

    bool open() {
        int ends[2];
        if (pipe(ends) != 0) return false;
        readEnd = ends[0];
        writeEnd = ends[1];
        setCloseOnExec(readEnd);
        setCloseOnExec(writeEnd);
        return true;
    }
    void closeBoth() {
        closeFd(&readEnd);
        closeFd(&writeEnd);
    }
};

// --- In the child, between fork and exec -------------------------------------------------

void writeText(int fd, const char* text) {
    size_t left = strlen(text);
    while (left > 0) {
        ssize_t put = write(fd, text, left);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return;
        text += put;
        left -= static_cast<size_t>(put);
    }
}

[[noreturn]] void failInChild(int fd, const char* format, const char* what, int err) {
    char message[4200];
    snprintf(message, sizeof message, format, what, ut_ErrnoName(err));
    writeText(fd, message);
    _exit(1);
}

// A source that already sits on 0-2 could be overwritten by an earlier dup2 of the same
// round (only when the parent runs with standard descriptors closed); move it out first.
int liftAboveStdio(int fd) {
    if (fd < 0 || fd > 2) return fd;
    int lifted = fcntl(fd, F_DUPFD, 3);
    if (lifted >= 0) setCloseOnExec(lifted);
    return lifted;
}

void installOn(int fd, int target) {
    if (fd < 0) return;
    if (fd != target) dup2(fd, target);
}

// Puts the given descriptors on 0, 1 and 2; a negative one leaves that slot as inherited.
void installStdio(int in, int out, int err) {
    in = liftAboveStdio(in);
    out = liftAboveStdio(out);
    err = liftAboveStdio(err);
    installOn(in, 0);
    installOn(out, 1);
    installOn(err, 2);
}

// --- Parent side helpers ---------------------------------------------------------------

// Starts argv[0] with `in`, `out` and `err` on 0, 1 and 2 (standard input /dev/null without
// `in`; a negative `out` or `err` leaves that one as it is) the way posix_spawn does, which
// needs no copy of this process's memory; a fork costs in proportion to that memory, for
// every archive. 0 when it could not: the caller then forks, and a program that cannot
// run is reported from the child as always.
pid_t spawnChild(char** argv, int in, int out, int err, bool newGroup) {
    // An end already on 0-2 could be overwritten by an earlier dup2: the fork lifts it first.
    for (int fd : {in, out, err})
        if (fd >= 0 && fd <= 2) return 0;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) return 0;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return 0;
    }
    bool ready = in >= 0
                     ? posix_spawn_file_actions_adddup2(&actions, in, 0) == 0
                     : posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0;
    if (out >= 0) ready = ready && posix_spawn_file_actions_adddup2(&actions, out, 1) == 0;
    if (err >= 0) ready = ready && posix_spawn_file_actions_adddup2(&actions, err, 2) == 0;
    if (newGroup)
        ready = ready && posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP) == 0 &&
                posix_spawnattr_setpgroup(&attributes, 0) == 0;
    pid_t child = 0;
    if (!ready || posix_spawnp(&child, argv[0], &actions, &attributes, argv, environ) != 0)
        child = 0;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

bool isEmptyCommand(const char* command) {
    return !command || !*command;
}

void clearHandle(Pipe_Comm_Handle** handle) {
    if (handle) *handle = nullptr;
}

// --- blocking_systemcall: pump both pipes until end of file ---------------------------

struct CapturedStream {
    int fd;
    SystemcallOutputFn deliver;
};

// Reads one ready pipe; false on a read error. End of file closes the pipe.
bool drainOnce(CapturedStream* stream, char* buffer) {
    ssize_t got;
    do got = read(stream->fd, buffer, kBlockingReadSize);
    while (got < 0 && errno == EINTR);
    if (got < 0) return false;
    if (got == 0) {
        closeFd(&stream->fd);
        return true;
    }
    buffer[got] = '\0';
    stream->deliver(buffer, static_cast<int>(got));
    return true;
}

long nowMs() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

// How long a wait may last before `deadline` (0: none), at most `longest` ms.
int waitSlice(long deadline, long longest) {
    if (deadline == 0) return static_cast<int>(longest);
    long left = deadline - nowMs();
    return static_cast<int>(left < 0 ? 0 : left < longest ? left : longest);
}

// Each pipe is followed to its own end of file, so a child that closes one stream early
// cannot stall on a full buffer of the other while we wait for it. False when the
// deadline (0: none) came first.
bool pumpOutput(CapturedStream* streams, int n, long deadline) {
    char buffer[kBlockingReadSize + 1];
    for (;;) {
        struct pollfd watched[2];
        int slots[2];
        int count = 0;
        for (int i = 0; i < n; ++i) {
            if (streams[i].fd < 0) continue;
            watched[count].fd = streams[i].fd;
            watched[count].events = POLLIN;
            watched[count].revents = 0;
            slots[count++] = i;
        }
        if (count == 0) return true;
        if (deadline != 0 && nowMs() >= deadline) return false;
        int ready = poll(watched, count, waitSlice(deadline, kBlockingPollMillis));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return true;
        for (int k = 0; k < count; ++k) {
            if (!(watched[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            if (!drainOnce(&streams[slots[k]], buffer)) return true;
        }
    }
}

// Waits for the child until the deadline; its wait status, or -1 when the deadline came
// first (*inTime false) or it was not ours to wait for. Its output has ended, so it is
// usually about to be reaped: the first pauses are short.
int waitUntil(pid_t pid, long deadline, bool* inTime) {
    *inTime = true;
    long pauseUs = 50;
    for (;;) {
        int status = 0;
        pid_t got = waitpid(pid, &status, WNOHANG);
        if (got == pid) return status;
        if (got < 0 && errno != EINTR) return -1;
        long left = deadline - nowMs();
        if (left <= 0) {
            *inTime = false;
            return -1;
        }
        long napUs = pauseUs < left * 1000 ? pauseUs : left * 1000;
        struct timespec nap = {napUs / 1000000, (napUs % 1000000) * 1000};
        nanosleep(&nap, nullptr);
        pauseUs = pauseUs * 2 < 50000 ? pauseUs * 2 : 50000;
    }
}

[[noreturn]] void runShell(const char* command, int out, int err, char* const* envp) {
    setpgid(0, 0); // stopping the command stops what the shell started
    installStdio(-1, out, err);
    char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(command),
                    nullptr};
    execve("/bin/sh", argv, envp);
    writeText(2, "exec failed\n");
    _exit(1);
}

// --- Output collectors of BlockingExecuteAndGetOutput ---------------------------------

struct OutputCollector {
    char* text;
    int used;
    int capacity;
};
OutputCollector stdoutCollector;
OutputCollector stderrCollector;

void collect(OutputCollector* c, const char* bytes, int n) {
    if (!c->text) {
        c->capacity = 2 * n + 1;
        c->text = static_cast<char*>(gen_alloc(c->capacity, 1));
    } else if (c->used + n + 1 > c->capacity) {
        c->capacity = n + 2 * c->capacity + 1;
        c->text = static_cast<char*>(gen_realloc(c->text, c->capacity));
    }
    memcpy(c->text + c->used, bytes, n);
    c->used += n;
    c->text[c->used] = '\0';
}

void collectStdout(const char* bytes, int n) {
    collect(&stdoutCollector, bytes, n);
}
void collectStderr(const char* bytes, int n) {
    collect(&stderrCollector, bytes, n);
}

// Hands the text to the caller (an empty string when nothing came); the collector is empty.
char* takeText(OutputCollector* c) {
    char* text = c->text ? c->text : gen_copy("");
    *c = OutputCollector();
    return text;
}

void discardText(OutputCollector* c) {
    gen_free(c->text);
    *c = OutputCollector();
}

// --- systemcall ---------------------------------------------------------------------

// The program's own directory goes at the end of the library path, so a tool shipped
// with its shared libraries beside it finds them.
void appendProgramDirToLibraryPath(const char* program) {
    char* dir = nullptr;
    if (program[0] == '/') {
        dir = gen_dirname(program);
    } else if (!strchr(program, '/')) {
        char* found = gen_findexec(program, false, false);
        if (found) dir = gen_dirname(found);
        gen_free(found);
    }
    if (!dir) return;
    const char* old = getenv("LD_LIBRARY_PATH");
    char* entry = old ? gen_asprintf("%s=%s:%s", "LD_LIBRARY_PATH", old, dir)
                      : gen_asprintf("%s=%s", "LD_LIBRARY_PATH", dir);
    gen_free(dir);
    putenv(entry); // the environment keeps the string: not released
}

[[noreturn]] void runProgram(char** argv, bool dash) {
    const char* program = dash && argv[0][0] ? argv[0] + 1 : argv[0];
    appendProgramDirToLibraryPath(program);
    execvp(program, argv);
    perror(gen_concat("Unable to execute: ", program));
    fflush(stderr);
    _exit(2);
}

// --- What is running, for the signal traps ---------------------------------------------

// The names of the last commands started, newest last: enough to name every command that
// can be running at once. Read from signal handlers, so plain fixed storage.
constexpr int kNamedStarts = 64;
constexpr int kNameLength = 32;
struct NamedStart {
    volatile pid_t pid;
    char name[kNameLength];
};
NamedStart namedStarts[kNamedStarts];
int nextNamedStart = 0;
// The process whose commands these are; a child between fork and exec is not it.
volatile pid_t commandOwner = 0;

void appendText(char* text, int size, int* used, const char* piece) {
    while (*piece && *used < size - 1) text[(*used)++] = *piece++;
    text[*used] = '\0';
}

void appendNumber(char* text, int size, int* used, long number) {
    char digits[24];
    int n = 0;
    do digits[n++] = static_cast<char>('0' + number % 10);
    while ((number /= 10) > 0 && n < 23);
    char piece[24];
    for (int i = 0; i < n; i++) piece[i] = digits[n - 1 - i];
    piece[n] = '\0';
    appendText(text, size, used, piece);
}

// "2 running commands (gtar, process 1234; process 1240)".
void describeGroups(const pid_t* leaders, int listed, int count, char* text, int size) {
    int used = 0;
    text[0] = '\0';
    appendNumber(text, size, &used, count);
    appendText(text, size, &used, count == 1 ? " running command (" : " running commands (");
    for (int i = 0; i < listed; i++) {
        if (i > 0) appendText(text, size, &used, "; ");
        const char* name = ut_ChildCommandName(leaders[i]);
        if (*name) {
            appendText(text, size, &used, name);
            appendText(text, size, &used, ", ");
        }
        appendText(text, size, &used, "process ");
        appendNumber(text, size, &used, leaders[i]);
    }
    if (listed < count) appendText(text, size, &used, "; ...");
    appendText(text, size, &used, ")");
}

// The traps' hook (gen_stop_children): describe first, as stopping forgets the groups.
int stopChildrenForTraps(char* account, int size) {
    if (getpid() != commandOwner) return 0;
    constexpr int kListed = 8;
    pid_t leaders[kListed];
    int listed = ut_RunningChildGroups(leaders, kListed);
    int count = ut_StopAllChildGroups();
    if (account && size > 0 && count > 0)
        describeGroups(leaders, listed < count ? listed : count, count, account, size);
    return count;
}

// Remembers the name of a command just started in a group of its own, and makes sure the
// signal traps stop such commands.
void noteStart(pid_t pid, const char* command) {
    commandOwner = getpid();
    gen_stop_children = stopChildrenForTraps;
    int count = 0;
    char** words = makeArgv(command, &count, false);
    const char* word = count > 0 ? words[0] : "";
    const char* slash = strrchr(word, '/');
    NamedStart& slot = namedStarts[nextNamedStart];
    nextNamedStart = (nextNamedStart + 1) % kNamedStarts;
    slot.pid = 0; // never a half-written name under a live pid
    snprintf(slot.name, sizeof slot.name, "%s", slash ? slash + 1 : word);
    slot.pid = pid;
    freeArgv(words);
}

// The environment with `extra` entries in place of any of the same name.
std::vector<char*> environmentWith(const char* const* extra) {
    std::vector<char*> entries;
    for (char** entry = environ; entry && *entry; ++entry) {
        bool replaced = false;
        for (const char* const* e = extra; e && *e && !replaced; ++e) {
            const char* equals = strchr(*e, '=');
            size_t nameLength = equals ? static_cast<size_t>(equals - *e) + 1 : strlen(*e);
            replaced = strncmp(*entry, *e, nameLength) == 0;
        }
        if (!replaced) entries.push_back(*entry);
    }
    for (const char* const* e = extra; e && *e; ++e) entries.push_back(const_cast<char*>(*e));
    entries.push_back(nullptr);
    return entries;
}

// Runs `command` through the shell in a group of its own, its streams going to the given
// callbacks, and waits for it, at most `limitMs` when that is positive. The wait status, or
// -1 when it could not start (or was not ours to reap).
int runBlocking(const char* command, char* const* envp, SystemcallOutputFn on_stdout,
                SystemcallOutputFn on_stderr, long limitMs, bool* timedOut) {
    if (timedOut) *timedOut = false;
    if (!command) return -1;
    // With the GUI's own SIGCHLD handling in place, it could collect our child first and
    // leave waitpid below with nothing to wait for.
    struct sigaction byDefault = {}, saved = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(SIGCHLD, &byDefault, &saved);

    ChildPipe out, err;
    pid_t child = -1;
    if ((!on_stdout || out.open()) && (!on_stderr || err.open())) child = fork();
    if (child == 0) runShell(command, out.writeEnd, err.writeEnd, envp);
    if (child < 0) {
        out.closeBoth();
        err.closeBoth();
        sigaction(SIGCHLD, &saved, nullptr);
        return -1;
    }

    long deadline = limitMs > 0 ? nowMs() + limitMs : 0;
    ut_TrackChildGroup(child);
    noteStart(child, command);
    closeFd(&out.writeEnd);
    closeFd(&err.writeEnd);
    CapturedStream streams[2] = {{out.readEnd, on_stdout}, {err.readEnd, on_stderr}};
    bool inTime = pumpOutput(streams, 2, deadline);
    // Closed before the wait: after a read error the child then meets a broken pipe
    // instead of blocking on a full one while we wait for it.
    closeFd(&streams[0].fd);
    closeFd(&streams[1].fd);
    int status = -1;
    if (deadline == 0) {
        pid_t got;
        do got = waitpid(child, &status, 0);
        while (got < 0 && errno == EINTR);
        if (got != child) status = -1;
    } else if (inTime) {
        status = waitUntil(child, deadline, &inTime);
    }
    if (!inTime) {
        if (timedOut) *timedOut = true;
        status = ut_StopChildGroup(child);
    } else if (deadline != 0 && ut_SignalChildGroup(child, 0)) {
        ut_StopChildGroup(child); // what the command left running in its group goes with it
    }
    ut_ForgetChildGroup(child);
    sigaction(SIGCHLD, &saved, nullptr);
    return status;
}

} // namespace

const char* ut_ErrnoName(int err) {
    for (const ErrnoName& entry : kErrnoNames)
        if (entry.value == err) return entry.name;
    return "Unknown error";
}

bool nonblocking_systemcall(const char* command, pid_t* pid, bool want_stdin,
                            Pipe_Comm_Handle** stdin_handle, bool want_stdout,
                            Pipe_Comm_Handle** stdout_handle, bool want_stderr,
                            Pipe_Comm_Handle** stderr_handle, bool new_process_group,
                            bool stderr_into_stdout, const char* working_dir) {
    if (pid) *pid = -1;
    clearHandle(stdin_handle);
    clearHandle(stdout_handle);
    clearHandle(stderr_handle);
    if (isEmptyCommand(command)) return false;
    bool merged = want_stderr && want_stdout && stderr_into_stdout;

    ChildPipe in, out, err;
    if ((want_stdin && !in.open()) || (want_stdout && !out.open()) ||
        (want_stderr && !merged && !err.open())) {
        in.closeBoth();
        out.closeBoth();
        err.closeBoth();
        return false;
    }
    // Made before the fork: the child of a process with threads may only make calls that
    // are safe in a signal handler, and allocating is not one of them.
    char** argv = makeArgv(command, nullptr, false);
    bool runnable = argv && argv[0]; // blanks alone are no command either
    int childErr = merged ? out.writeEnd : err.writeEnd;
    pid_t child = runnable && !(working_dir && *working_dir)
                      ? spawnChild(argv, in.readEnd, out.writeEnd, childErr, new_process_group)
                      : 0;
    if (child == 0) child = runnable ? fork() : -1;
    if (child < 0) {
        freeArgv(argv);
        in.closeBoth();
        out.closeBoth();
        err.closeBoth();
        return false;
    }
    if (child == 0) {
        if (new_process_group) setpgid(0, 0);
        int nullInput = want_stdin ? -1 : open("/dev/null", O_RDONLY);
        installStdio(want_stdin ? in.readEnd : nullInput, out.writeEnd,
                     merged ? out.writeEnd : err.writeEnd);
        if (nullInput > 2) close(nullInput);
        if (working_dir && *working_dir && chdir(working_dir) != 0)
            failInChild(2, "Failed to enter directory %s because of error %s.\n", working_dir,
                        errno);
        execvp(argv[0], argv);
        failInChild(2, "Failed to exec %s because of error %s.\n", argv[0], errno);
    }
    freeArgv(argv);

    if (pid) *pid = child;
    if (new_process_group) {
        ut_TrackChildGroup(child);
        noteStart(child, command);
    }
    // The child's ends go; a wanted pipe without a place for its handle stays open here.
    closeFd(&in.readEnd);
    closeFd(&out.writeEnd);
    closeFd(&err.writeEnd);
    if (want_stdin && stdin_handle) *stdin_handle = new Pipe_Comm_Handle(in.writeEnd);
    Pipe_Comm_Handle* outHandle = nullptr;
    if (want_stdout && (stdout_handle || (merged && stderr_handle)))
        outHandle = new Pipe_Comm_Handle(out.readEnd);
    if (stdout_handle) *stdout_handle = outHandle;
    if (merged && stderr_handle) *stderr_handle = outHandle;
    if (want_stderr && !merged && stderr_handle) *stderr_handle = new Pipe_Comm_Handle(err.readEnd);
    return true;
}

bool nonblocking_systemcall_to_file(const char* command, pid_t* pid, bool want_stdin,
                                    Pipe_Comm_Handle** stdin_handle, bool stdout_to_file,
                                    bool stderr_to_file, FILE* stream, bool new_process_group,
                                    bool unbuffered) {
    if (pid) *pid = -1;
    clearHandle(stdin_handle);
    if (!stream || isEmptyCommand(command)) return false;
    // Whatever we wrote to the stream so far must come before the child's output.
    fflush(stream);
    if (unbuffered) setvbuf(stream, nullptr, _IONBF, 0);
    int fileFd = fileno(stream);

    ChildPipe in;
    if (want_stdin && !in.open()) return false;
    char** argv = makeArgv(command, nullptr, false); // before the fork, as above
    pid_t child = argv && argv[0] ? fork() : -1;
    if (child < 0) {
        freeArgv(argv);
        in.closeBoth();
        return false;
    }
    if (child == 0) {
        if (new_process_group) setpgid(0, 0);
        installStdio(in.readEnd, stdout_to_file ? fileFd : -1, stderr_to_file ? fileFd : -1);
        execvp(argv[0], argv);
        failInChild(fileFd, "Failed to exec \"%s\" because of error \"%s\".\n", argv[0], errno);
    }
    freeArgv(argv);

    if (pid) *pid = child;
    if (new_process_group) {
        ut_TrackChildGroup(child);
        noteStart(child, command);
    }
    closeFd(&in.readEnd);
    if (want_stdin && stdin_handle) *stdin_handle = new Pipe_Comm_Handle(in.writeEnd);
    return true;
}

bool nonblocking_systemcall_to_file(const char* command, pid_t* pid, bool want_stdin,
                                    Pipe_Comm_Handle** stdin_handle, bool stdout_to_file,
                                    bool stderr_to_file, const char* file_name,
                                    bool new_process_group, bool unbuffered) {
    if (pid) *pid = -1;
    clearHandle(stdin_handle);
    if (!file_name || isEmptyCommand(command)) return false;
    FILE* stream = gen_fopen(file_name, "a+");
    if (!stream) return false;
    setCloseOnExec(fileno(stream)); // the child keeps only its copies on 1 and 2
    bool started =
        nonblocking_systemcall_to_file(command, pid, want_stdin, stdin_handle, stdout_to_file,
                                       stderr_to_file, stream, new_process_group, unbuffered);
    fclose(stream);
    return started;
}

bool ut_KillProcess(pid_t pid, bool) {
    // Only a real child: -1 (a start that failed) or another negative number would signal
    // every process of the user or a whole process group.
    return pid > 0 && kill(pid, SIGTERM) == 0;
}

const char* ut_ChildCommandName(pid_t leader) {
    if (leader <= 0) return "";
    for (int back = 1; back <= kNamedStarts; back++) {
        const NamedStart& slot = namedStarts[(nextNamedStart - back + kNamedStarts) % kNamedStarts];
        if (slot.pid == leader) return slot.name;
    }
    return "";
}

bool blocking_systemcall(const char* command, SystemcallOutputFn on_stdout,
                         SystemcallOutputFn on_stderr) {
    int status = runBlocking(command, environ, on_stdout, on_stderr, 0, nullptr);
    return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int BlockingExecuteWithLimit(const char* command, const char* const* environment, long limit_ms,
                             char** stdout_text, char** stderr_text, bool* timed_out) {
    discardText(&stdoutCollector);
    discardText(&stderrCollector);
    std::vector<char*> envp = environmentWith(environment);
    int status =
        runBlocking(command, envp.data(), collectStdout, collectStderr, limit_ms, timed_out);
    if (stdout_text) *stdout_text = takeText(&stdoutCollector);
    if (stderr_text) *stderr_text = takeText(&stderrCollector);
    discardText(&stdoutCollector);
    discardText(&stderrCollector);
    return status;
}

bool BlockingExecuteAndGetOutput(const char* command, char** stdout_text, char** stderr_text,
                                 int* stdout_length, int* stderr_length) {
    discardText(&stdoutCollector);
    discardText(&stderrCollector);
    bool ok = blocking_systemcall(command, collectStdout, collectStderr);
    if (stdout_length) *stdout_length = stdoutCollector.used;
    if (stderr_length) *stderr_length = stderrCollector.used;
    if (stdout_text) *stdout_text = takeText(&stdoutCollector);
    if (stderr_text) *stderr_text = takeText(&stderrCollector);
    discardText(&stdoutCollector);
    discardText(&stderrCollector);
    return ok;
}

bool BlockingExecuteAndGrabOutput(ut_string& result, const char* command, bool want_stdout,
                                  bool want_stderr, bool* had_stderr) {
    discardText(&stdoutCollector);
    discardText(&stderrCollector);
    bool ok = blocking_systemcall(command, want_stdout ? collectStdout : nullptr,
                                  want_stderr ? collectStderr : nullptr);
    result.clear();
    result.append(stderrCollector.text, stderrCollector.used);
    result.append(stdoutCollector.text, stdoutCollector.used);
    if (had_stderr) *had_stderr = stderrCollector.used > 0;
    discardText(&stdoutCollector);
    discardText(&stderrCollector);
    return ok;
}

bool systemcall(char** argv, pid_t* pid, bool dash) {
    if (pid) *pid = -1;
    if (!argv || !argv[0]) return false;
    pid_t child = fork();
    if (child < 0) {
        const char* program = dash && argv[0][0] ? argv[0] + 1 : argv[0];
        gen_warning("Couldn't fork process (%s): %s\n",
                    errno == ENOMEM ? "out of swap space" : "out of memory/processes", program);
        return false;
    }
    if (child == 0) runProgram(argv, dash);
    if (pid) *pid = child;
    return true;
}

int gen_system(const char* command) {
    return system(command);
}

int gen_systemex(const char* command, const char* flags) {
    if (!command || !flags || !strchr(flags, 'q')) return system(command);
    char* quiet = gen_concat(command, " >/dev/null");
    int status = system(quiet);
    gen_free(quiet);
    return status;
}

int gen_execvp(const char* file, char* const argv[]) {
    return execvp(file, argv);
}

bool gen_doeslocalprocessexist(pid_t pid) {
    return !(kill(pid, 0) != 0 && errno == ESRCH);
}
