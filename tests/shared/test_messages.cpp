// Messages, exits, the assertion reporter, the signal traps and gen_init: what reaches
// standard error, the counters, and the exit statuses (checked in death-test children).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"
#include "shared/gen_messages.h"

using testing::ExitedWithCode;

namespace {

class MessagesTest : public testing::Test {
protected:
    void SetUp() override {
        savedName_ = gen_progname;
        gen_progname = nullptr;
        gen_changeprogname("setup");
    }
    void TearDown() override {
        gen_free(gen_progname);
        gen_progname = savedName_;
        gen_raruve_error_msgs = 0;
    }
    template <typename Body> static std::string StderrOf(Body body) {
        testing::internal::CaptureStderr();
        body();
        return testing::internal::GetCapturedStderr();
    }

private:
    char* savedName_ = nullptr;
};

TEST_F(MessagesTest, SeverityWordsFromEitherTable) {
    EXPECT_EQ(StderrOf([] { gen_error("cannot open %s", "x"); }), "setup: error: cannot open x\n");
    EXPECT_EQ(StderrOf([] { gen_info("note"); }), "setup: info: note\n");
    EXPECT_EQ(StderrOf([] { gen_message(9, "odd"); }), "setup: odd\n");
    gen_raruve_error_msgs = 1;
    EXPECT_EQ(StderrOf([] { gen_warning("careful"); }), "setup: WARNING: careful\n");
    EXPECT_EQ(StderrOf([] { gen_message(2, "end"); }), "setup: ERROR: FATAL: end\n");
    gen_changeprogname("");
    EXPECT_EQ(StderrOf([] { gen_error("bare"); }), "ERROR: bare\n");
}

TEST_F(MessagesTest, PrintfHasNoNameAndExactlyOneNewline) {
    EXPECT_EQ(StderrOf([] { gen_printf("plain\n"); }), "plain\n");
    EXPECT_EQ(StderrOf([] { gen_printf("plain"); }), "plain\n");
    EXPECT_EQ(StderrOf([] { gen_printf("%s", ""); }), "\n");
}

TEST_F(MessagesTest, PerrorAppendsSystemErrorOnlyWhenSetAndClearsIt) {
    int after = -1;
    EXPECT_EQ(StderrOf([&] {
                  errno = ENOENT;
                  gen_perror("opening %s", "f");
                  after = errno;
              }),
              "setup: fatal: opening f: No such file or directory\n");
    EXPECT_EQ(after, 0);
    EXPECT_EQ(StderrOf([] { gen_perror("quiet"); }), "setup: fatal: quiet\n");
}

TEST_F(MessagesTest, CountersTrackSeveritiesAndErrorClass) {
    int warnings = gen_error_count[4], errors = gen_error_count[3], any = gen_any_error;
    StderrOf([] {
        for (int i = 0; i < 7; i++) gen_warning("w");
    });
    EXPECT_EQ(gen_error_count[4], warnings + 7);
    EXPECT_EQ(gen_any_error, any);
    StderrOf([] { gen_error("e"); });
    EXPECT_EQ(gen_error_count[3], errors + 1);
    EXPECT_EQ(gen_any_error, any + 1);
}

TEST_F(MessagesTest, StandardOutputIsFlushedBeforeTheMessage) {
    EXPECT_EXIT(
        {
            dup2(2, 1); // both streams into the one the test reads
            printf("ordinary ");
            gen_error("late");
            _exit(0);
        },
        ExitedWithCode(0), "^ordinary setup: error: late\n$");
}

TEST_F(MessagesTest, ErrorExitWordsAndStatuses) {
    EXPECT_EXIT(gen_errorexit(0, "done %d", 1), ExitedWithCode(0), "^setup: done 1\n$");
    EXPECT_EXIT(gen_errorexit(4, "broken"), ExitedWithCode(4), "^setup: fatal: broken\n$");
    gen_raruve_error_msgs = 1;
    EXPECT_EXIT(gen_errorexit(0, "done"), ExitedWithCode(0), "^setup: ERROR: done\n$");
    EXPECT_EXIT((errno = EACCES, gen_perrorexit(5, "writing")), ExitedWithCode(5),
                "^setup: ERROR: FATAL: writing: Permission denied\n$");
    EXPECT_EXIT(gen_out_of_memory(100), ExitedWithCode(3), "^setup: fatal: Out of memory\n$");
}

TEST_F(MessagesTest, AssertReportsAndExitsOneBypassingTheExitHook) {
    __Assert(1, "never", "f.cpp", 1, 0); // a true condition returns
    EXPECT_EXIT(
        {
            gen_exit = [](int) { _exit(9); };
            __Assert(0, "x", "file.cpp", 12, 0);
        },
        ExitedWithCode(1), "^Assertion failed in 'file.cpp' on line 12 in setup\n$");
    EXPECT_EXIT(__Assert(0, "a > b", "f.cpp", 3, 5), ExitedWithCode(1),
                "^Assertion \\(a > b\\) \\[5\\] failed in 'f.cpp' on line 3 in setup\n$");
}

// In death-test children: install the traps as the program does (and raise a signal).
void InstallTraps() {
    gen_skip_trapsetup = 0;
    gen_init("/opt/x/setup", 0, 0);
}

void RaiseWithTraps(int signal_number) {
    InstallTraps();
    raise(signal_number);
    _exit(99); // not reached when the trap works
}

TEST_F(MessagesTest, TrapsPrintAndExitTwo) {
    const struct {
        int signal_number;
        const char* output;
    } cases[] = {
        {SIGINT, "^setup: error: Halted\n$"},
        {SIGHUP, "^setup: error: Interrupt \\(1\\)\n$"},
        {SIGQUIT, "^setup: error: Interrupt \\(3\\)\n$"},
        {SIGTERM, "^$"},
        {SIGXCPU, "^setup: error: Cpu Limit Exceeded\n$"},
        {SIGPIPE, "^setup: error: Halted by a SIGPIPE.\n$"},
    };
    for (const auto& c : cases) {
        EXPECT_EXIT(RaiseWithTraps(c.signal_number), ExitedWithCode(2), c.output);
    }
    EXPECT_EXIT(
        {
            gen_exit = [](int status) { _exit(gen_sigtrap_value == SIGINT ? status + 10 : 1); };
            RaiseWithTraps(SIGINT);
        },
        ExitedWithCode(12), "Halted");
}

// The sanitizer's own fault handler, called after the trap, reports and exits instead.
#if defined(__SANITIZE_ADDRESS__)
#define VT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VT_ASAN 1
#endif
#endif

bool DiedOf(int status, int signal_number) {
    if (WIFSIGNALED(status)) return WTERMSIG(status) == signal_number;
#ifdef VT_ASAN
    return WIFEXITED(status) && WEXITSTATUS(status) != 0;
#else
    return false;
#endif
}

int StopAndSay(char*, int) {
    if (write(2, "stopped\n", 8) != 8) _exit(98);
    return 1;
}

TEST_F(MessagesTest, FatalSignalsStopTheCommandsAndStillEndTheProcess) {
    for (int signal_number : {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL}) {
        EXPECT_EXIT(
            {
                InstallTraps();
                gen_stop_children = StopAndSay;
                raise(signal_number);
                _exit(99);
            },
            [signal_number](int status) { return DiedOf(status, signal_number); }, "^stopped\n")
            << signal_number;
    }
    // A real fault comes back when the instruction runs again, now without the trap.
    EXPECT_EXIT(
        {
            InstallTraps();
            gen_stop_children = StopAndSay;
            void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            *static_cast<volatile int*>(page) = 1;
            _exit(99);
        },
        [](int status) { return DiedOf(status, SIGSEGV); }, "^stopped\n");
}

TEST_F(MessagesTest, SecondBrokenPipeWhileReportingClosesOutputAndExitsTwo) {
    // Standard error is a pipe nobody reads, so the report itself raises SIGPIPE again.
    EXPECT_EXIT(
        {
            int fds[2];
            if (pipe(fds) != 0) _exit(98);
            close(fds[0]);
            dup2(fds[1], 2);
            gen_exit = [](int status) {
                bool closed = fcntl(1, F_GETFD) == -1 && fcntl(2, F_GETFD) == -1;
                _exit(closed ? status : 97);
            };
            RaiseWithTraps(SIGPIPE);
        },
        ExitedWithCode(2), "");
}

TEST_F(MessagesTest, ExitUnderWayLeavesAtOnce) {
    // A second exit request or a trapped signal from an exit-time handler must not run the
    // handlers again.
    EXPECT_EXIT((atexit([] { gen_exit(6); }), gen_exit(0)), ExitedWithCode(6), "^$");
    EXPECT_EXIT((atexit([] { raise(SIGINT); }), InstallTraps(), gen_exit(0)), ExitedWithCode(2),
                "^$");
}

TEST_F(MessagesTest, InitStripsTrailingSlashesAndDestructForgets) {
    EXPECT_EXIT(
        {
            gen_skip_trapsetup = 1;
            gen_init("/opt/x/setup//", 0, 0);
            bool ok = std::string(gen_progname) == "setup" &&
                      std::string(gen_execname) == "/opt/x/setup" && bigendian_host == 0;
            gen_destruct();
            _exit(ok && !gen_progname && !gen_execname ? 0 : 1);
        },
        ExitedWithCode(0), "");
}

} // namespace
