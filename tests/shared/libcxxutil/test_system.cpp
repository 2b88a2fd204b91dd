// Child processes with real programs: non-blocking pipes, exec failures, merging, killing,
// the waiting runs with their output collectors, and systemcall. Every test reaps the
// children it starts.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/libcxxutil/ut_argv.h"
#include "shared/libcxxutil/ut_system.h"
#include "support/temp_dir.h"

namespace {

// Exit status of a child, or 128 + signal number. A child still running after 10 seconds
// is killed, so a fault shows as a failure instead of a hang.
int Reap(pid_t pid) {
    int status = 0;
    for (int waited = 0; waited < 10000; ++waited) {
        pid_t got = waitpid(pid, &status, WNOHANG);
        if (got == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (got < 0 && errno != EINTR) return -1;
        usleep(1000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -2;
}

// Polls a handle as the install engine does (2000-byte reads) until end of file or 10 s.
std::string ReadAll(Pipe_Comm_Handle* handle, int* largest = nullptr) {
    std::string text;
    char buffer[2000];
    for (int round = 0; round < 10000 && handle->IsAlive(); ++round) {
        int count = -1;
        if (!handle->IsDataOnPipe())
            usleep(1000);
        else if (!handle->readFromHandle(&count, buffer, sizeof buffer))
            break;
        if (count <= 0) continue;
        EXPECT_EQ(buffer[count], '\0');
        if (largest && count > *largest) *largest = count;
        text.append(buffer, count);
    }
    return text;
}

struct Child {
    pid_t pid = -1;
    Pipe_Comm_Handle *in = nullptr, *out = nullptr, *err = nullptr;

    bool Start(const char* command, bool merge = false, const char* dir = nullptr) {
        return nonblocking_systemcall(command, &pid, true, &in, true, &out, true, &err, false,
                                      merge, dir);
    }
    void CloseInput() {
        delete in;
        in = nullptr;
    }
    ~Child() {
        if (err != out) delete err;
        delete out;
        delete in;
    }
};

std::string Collected(const char* command, bool* ok = nullptr) {
    char* out = nullptr;
    int length = -1;
    bool ran = BlockingExecuteAndGetOutput(command, &out, nullptr, &length, nullptr);
    if (ok) *ok = ran;
    std::string text(out, length);
    gen_free(out);
    return text;
}

void ReapAnyChild(int) {
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

} // namespace

TEST(NonblockingSystemcall, QuotedWordsReachTheChildAndEndOfFileEndsTheHandle) {
    Child c;
    ASSERT_TRUE(c.Start("/bin/sh -c 'printf \"<%s>\" \"$0\" \"$@\"' \"a b\" c"));
    EXPECT_EQ(ReadAll(c.out), "<a b><c>"); // ends when a readable pipe reads as closed
    EXPECT_FALSE(c.out->IsAlive());
    EXPECT_EQ(Reap(c.pid), 0);
}

TEST(NonblockingSystemcall, StartFailuresArriveOnTheErrorPipe) {
    Child missing, lost;
    ASSERT_TRUE(missing.Start("/no/such/tool -x"));
    EXPECT_EQ(ReadAll(missing.err), "Failed to exec /no/such/tool because of error ENOENT.\n");
    EXPECT_EQ(Reap(missing.pid), 1);
    // A directory that cannot be entered stops the child before it runs anything there.
    ASSERT_TRUE(lost.Start("/bin/pwd", false, "/no/such/dir"));
    EXPECT_EQ(ReadAll(lost.err),
              "Failed to enter directory /no/such/dir because of error ENOENT.\n");
    EXPECT_EQ(Reap(lost.pid), 1);
    EXPECT_STREQ(ut_ErrnoName(ENAMETOOLONG), "ENAMETOOLONG"); // by constant, not number
    EXPECT_STREQ(ut_ErrnoName(EAGAIN), "Unknown error");

    Child empty;
    EXPECT_FALSE(empty.Start(""));
    EXPECT_EQ(empty.pid, -1);
}

TEST(NonblockingSystemcall, MergedErrorsShareTheOutputHandle) {
    Child c;
    ASSERT_TRUE(c.Start("/bin/sh -c 'echo out; echo err >&2'", true));
    EXPECT_EQ(c.out, c.err);
    EXPECT_EQ(ReadAll(c.out), "out\nerr\n");
    EXPECT_EQ(Reap(c.pid), 0);
}

TEST(NonblockingSystemcall, InputPipeAndWorkingDirectoryReachTheChild) {
    ScopedTempDir dir;
    char real[PATH_MAX];
    ASSERT_NE(realpath(dir.path().c_str(), real), nullptr);
    Child c;
    ASSERT_TRUE(c.Start("/bin/sh -c 'pwd; cat'", false, dir.path().c_str()));
    int written = 0;
    EXPECT_TRUE(c.in->writeToHandle(&written, "typed\n", 6));
    EXPECT_EQ(written, 6);
    c.CloseInput();
    EXPECT_EQ(ReadAll(c.out), std::string(real) + "\ntyped\n");
    EXPECT_EQ(Reap(c.pid), 0);

    // Without an input pipe the child reads /dev/null instead of our terminal.
    pid_t pid = -1;
    Pipe_Comm_Handle* out = nullptr;
    ASSERT_TRUE(nonblocking_systemcall("/bin/cat", &pid, false, nullptr, true, &out, false, nullptr,
                                       false, false, nullptr));
    EXPECT_EQ(ReadAll(out), "");
    EXPECT_EQ(Reap(pid), 0);
    delete out;
}

TEST(NonblockingSystemcall, LargeOutputComesInTerminatedPiecesBelowTheBufferSize) {
    Child c;
    ASSERT_TRUE(c.Start("/bin/sh -c 'head -c 100000 /dev/zero | tr \"\\\\000\" x'"));
    int largest = 0;
    EXPECT_EQ(ReadAll(c.out, &largest), std::string(100000, 'x'));
    EXPECT_EQ(largest, 1999);
    EXPECT_EQ(Reap(c.pid), 0);
}

TEST(NonblockingSystemcall, KilledChildEndsItsOutputAndLaterChildrenHoldNoPipes) {
    Child cat, sleeper;
    ASSERT_TRUE(cat.Start("/bin/cat"));
    ASSERT_TRUE(sleeper.Start("/bin/sleep 30"));
    cat.CloseInput(); // cat ends only if the sleeper has no copy of this pipe
    EXPECT_EQ(ReadAll(cat.out), "");
    EXPECT_EQ(Reap(cat.pid), 0);

    EXPECT_TRUE(gen_doeslocalprocessexist(sleeper.pid));
    EXPECT_TRUE(ut_KillProcess(sleeper.pid, true));
    EXPECT_EQ(ReadAll(sleeper.out), "");
    EXPECT_EQ(Reap(sleeper.pid), 128 + SIGTERM);
    int written = -1; // a gone reader fails the write instead of raising SIGPIPE
    EXPECT_FALSE(sleeper.in->writeToHandle(&written, "x", 1));
    EXPECT_FALSE(sleeper.in->IsAlive());
    EXPECT_FALSE(ut_KillProcess(sleeper.pid, true));
    EXPECT_FALSE(gen_doeslocalprocessexist(sleeper.pid));
    EXPECT_FALSE(ut_KillProcess(0, true));
    EXPECT_FALSE(ut_KillProcess(-1, true)) << "a failed start must not signal everything";
}

TEST(NonblockingSystemcallToFile, OutputAndExecFailuresAreAppendedToTheFile) {
    ScopedTempDir dir;
    std::string log = dir / "log.txt";
    WriteFile(log, "first\n");
    pid_t pid = -1;
    ASSERT_TRUE(nonblocking_systemcall_to_file("/bin/sh -c 'echo out; echo err >&2'", &pid, false,
                                               nullptr, true, true, log.c_str(), false, true));
    EXPECT_EQ(Reap(pid), 0);
    ASSERT_TRUE(nonblocking_systemcall_to_file("/no/such/tool", &pid, false, nullptr, true, true,
                                               log.c_str(), false, false));
    EXPECT_EQ(Reap(pid), 1);
    EXPECT_EQ(ReadFile(log),
              "first\nout\nerr\nFailed to exec \"/no/such/tool\" because of error \"ENOENT\".\n");
    EXPECT_FALSE(nonblocking_systemcall_to_file("/bin/true", &pid, false, nullptr, true, true,
                                                static_cast<FILE*>(nullptr), false, false));
}

TEST(BlockingExecute, CollectsBothStreamsAndReportsTheExitStatus) {
    char *out = nullptr, *err = nullptr;
    int outLength = -1, errLength = -1;
    EXPECT_TRUE(BlockingExecuteAndGetOutput("echo out; echo problem >&2", &out, &err, &outLength,
                                            &errLength));
    EXPECT_STREQ(out, "out\n");
    EXPECT_STREQ(err, "problem\n");
    EXPECT_EQ(outLength + errLength, 12);
    gen_free(out);
    gen_free(err);

    bool ok = false;
    EXPECT_EQ(Collected("true", &ok), ""); // the collector was emptied when handed over
    EXPECT_TRUE(ok);
    EXPECT_EQ(Collected("echo x; exit 3", &ok), "x\n");
    EXPECT_FALSE(ok);
    EXPECT_FALSE(blocking_systemcall("kill -9 $$", nullptr, nullptr));

    std::string expected;
    for (int i = 1; i <= 20000; ++i) expected += std::to_string(i) + "\n";
    EXPECT_EQ(Collected("seq 20000"), expected); // many reads, the collector grown often

    ut_string grabbed("stale");
    bool hadErrors = false;
    EXPECT_TRUE(
        BlockingExecuteAndGrabOutput(grabbed, "echo out; echo err >&2", true, true, &hadErrors));
    EXPECT_STREQ(grabbed.c_str(), "err\nout\n");
    EXPECT_TRUE(hadErrors);
}

TEST(BlockingExecute, AnInstalledChildHandlerCannotStealTheChild) {
    struct sigaction reaper = {}, before = {}, after = {};
    reaper.sa_handler = ReapAnyChild;
    sigemptyset(&reaper.sa_mask);
    sigaction(SIGCHLD, &reaper, &before);
    // The shell ends while a background job still holds the pipe: a handler left in place
    // would collect the shell before it is waited for.
    EXPECT_EQ(Collected("(sleep 0.3; echo late) & exit 0"), "late\n");
    sigaction(SIGCHLD, &before, &after);
    EXPECT_EQ(after.sa_handler, &ReapAnyChild); // restored afterwards
}

TEST(BlockingExecuteWithLimit, GivesTheWaitStatusOrStopsTheGroupWhenTimeRunsOut) {
    const char* const environment[] = {"VT_PROBE=two words", "HOME=/elsewhere", nullptr};
    char* out = nullptr;
    bool timedOut = true;
    int status = BlockingExecuteWithLimit("echo \"$VT_PROBE:$HOME\"; exit 3", environment, 10000,
                                          &out, nullptr, &timedOut);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3 && !timedOut) << status;
    EXPECT_STREQ(out, "two words:/elsewhere\n"); // replaced, not added a second time
    gen_free(out);

    // Output closed, the command lingers on with a child of its own.
    ScopedTempDir dir;
    std::string lingers = "exec >/dev/null 2>&1; sleep 30 & echo $! > " + (dir / "pid") + "; wait";
    status = BlockingExecuteWithLimit(lingers.c_str(), nullptr, 300, nullptr, nullptr, &timedOut);
    EXPECT_TRUE(timedOut && WIFSIGNALED(status)) << status;
    pid_t sleeper = atoi(ReadFile(dir / "pid").c_str());
    EXPECT_TRUE(sleeper > 0 && kill(sleeper, 0) != 0 && errno == ESRCH) << "the child stayed";
}

TEST(TrapHook, StopsTheRunningCommandsAndNamesThem) {
    pid_t sleeper = -1, shell = -1;
    for (pid_t* pid : {&sleeper, &shell})
        ASSERT_TRUE(nonblocking_systemcall(pid == &sleeper ? "sleep 30" : "/bin/sh -c 'sleep 30'",
                                           pid, false, nullptr, false, nullptr, false, nullptr,
                                           true, false, nullptr));
    ASSERT_NE(gen_stop_children, nullptr) << "starting a command installs the hook";
    char account[200];
    EXPECT_EQ(gen_stop_children(account, sizeof account), 2);
    EXPECT_EQ(std::string(account), "2 running commands (sleep, process " +
                                        std::to_string(sleeper) + "; sh, process " +
                                        std::to_string(shell) + ")");
    for (pid_t pid : {sleeper, shell}) EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1) << "reaped";
}

TEST(Systemcall, StripsTheDashToExecAndAddsTheProgramDirToTheLibraryPath) {
    ScopedTempDir dir;
    WriteFile(dir / "tool", "#!/bin/sh\necho \"$LD_LIBRARY_PATH\" > \"$1\"\nexit 5\n", 0755);
    char** argv = makeArgv(("-" + (dir / "tool") + " " + (dir / "seen")).c_str(), nullptr, false);
    const char* before = getenv("LD_LIBRARY_PATH");
    std::string expected = (before ? std::string(before) + ":" : "") + dir.path() + "\n";
    pid_t pid = -1;
    ASSERT_TRUE(systemcall(argv, &pid, true));
    EXPECT_EQ(Reap(pid), 5);
    EXPECT_EQ(ReadFile(dir / "seen"), expected);
    freeArgv(argv);

    char* missing[] = {const_cast<char*>("/no/such/tool"), nullptr};
    ASSERT_TRUE(systemcall(missing, &pid, false));
    EXPECT_EQ(Reap(pid), 2);
}
