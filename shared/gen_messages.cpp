// Start-up of the foundation (gen_init), the message path with its severity prefixes and
// counters, the exits, the assertion reporter and the signal traps. Start at gen_init, then
// gen_default_domessage, which every message and every trap goes through.
#include "shared/gen_messages.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shared/gen_filenames.h"
#include "shared/gen_fileops.h"
#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"
#include "shared/gen_strings.h"

int gen_error_count[7];
int gen_any_error;
volatile int gen_sigtrap_value;
char gen_skip_trapsetup;
char gen_raruve_error_msgs;
char bigendian_host;
GenStopChildrenHook gen_stop_children;

namespace {

// Severity words by message code; code 0 (a plain error exit) and code 6 (gen_printf)
// carry none in the default table.
const char* const prefixes[] = {nullptr, "disaster", "fatal", "error", "warning", "info", nullptr};
const char* const raruve_prefixes[] = {
    "ERROR", "ERROR: DISASTER", "ERROR: FATAL", "ERROR", "WARNING", "INFO", nullptr};
static_assert(sizeof prefixes / sizeof prefixes[0] == 7, "one prefix per message code");
static_assert(sizeof raruve_prefixes / sizeof raruve_prefixes[0] == 7,
              "one prefix per message code");

const int kFirstCodeNotCounted = 7;
const int kFirstCodeNotAnError = 4;

bool EndsWithNewline(const char* format) {
    if (!format || !*format) return false;
    return format[strlen(format) - 1] == '\n';
}

// ---- Signal traps --------------------------------------------------------------------
//
// The handlers are one-shot: a signal resets its handler to the default on delivery and
// is not blocked while the handler runs. The broken-pipe trap depends on both to catch
// the SIGPIPE raised by its own message.

void InstallTrap(int signal_number, void (*handler)(int)) {
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigaction(signal_number, &action, nullptr);
}

[[noreturn]] void LeaveAfterSignal() {
    gen_exit(2);
    _exit(2);
}

// The process that installed the traps. A child between fork and exec still has them; a
// signal that reaches it there must not report, stop the parent's commands or run the
// parent's exit-time handlers.
pid_t trapOwner = 0;

int StopChildren(char* account, int size) {
    if (account && size > 0) account[0] = '\0';
    return gen_stop_children ? gen_stop_children(account, size) : 0;
}

// The running commands are stopped before the report, so that it can say what was
// stopped and nothing of theirs goes on writing after the message.
void GeneralTrap(int signal_number) {
    if (getpid() != trapOwner) _exit(2);
    if (gen_exit_in_progress()) {
        StopChildren(nullptr, 0);
        _exit(2);
    }
    gen_sigtrap_value = signal_number;
    char stopped[512];
    int count = StopChildren(stopped, sizeof stopped);
    fflush(stdout);
    switch (signal_number) {
    case SIGINT:
        gen_error("Halted");
        break;
    case SIGHUP:
        if (count > 0) {
            gen_error("Interrupt (%d): stopped %s.", signal_number, stopped);
        } else {
            gen_error("Interrupt (%d)", signal_number);
        }
        break;
    case SIGQUIT:
        gen_error("Interrupt (%d)", signal_number);
        break;
    default: // a termination request says only what it stopped
        if (count > 0) gen_error("Terminated: stopped %s.", stopped);
        break;
    }
    LeaveAfterSignal();
}

void BrokenPipeTrap(int) {
    static volatile sig_atomic_t reported = 0;
    if (!reported) {
        reported = 1;
        // The message may itself go to the broken pipe; that second SIGPIPE comes back
        // here instead of killing the process without a status.
        InstallTrap(SIGPIPE, BrokenPipeTrap);
        gen_error("Halted by a SIGPIPE.");
    } else {
        close(1);
        close(2);
    }
    LeaveAfterSignal();
}

void LimitTrap(int signal_number) {
    gen_sigtrap_value = signal_number;
    fflush(stdout);
    if (signal_number == SIGXCPU) {
        gen_error("Cpu Limit Exceeded");
    } else {
        gen_error("Resource Limit exceeded");
    }
    LeaveAfterSignal();
}

// The fatal signals only stop the running commands: the process then dies of the signal
// exactly as it would have without the trap (status, core file, or the handler that was
// there before, such as a sanitizer's). A fault comes back by itself when the faulting
// instruction runs again; a signal that was sent is sent again.
const int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL};
constexpr int kNumFatal = sizeof kFatalSignals / sizeof kFatalSignals[0];
struct sigaction beforeFatalTrap[kNumFatal];

void FatalTrap(int signal_number, siginfo_t* info, void*) {
    if (getpid() == trapOwner) StopChildren(nullptr, 0);
    for (int i = 0; i < kNumFatal; i++)
        if (kFatalSignals[i] == signal_number)
            sigaction(signal_number, &beforeFatalTrap[i], nullptr);
    if (!info || info->si_code <= 0) raise(signal_number);
}

void InstallFatalTraps() {
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_sigaction = FatalTrap;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO; // the signal stays blocked until the handler returns
    for (int i = 0; i < kNumFatal; i++) {
        struct sigaction before;
        sigaction(kFatalSignals[i], &action, &before);
        // Installed a second time, the trap must not take itself for what came before it.
        if (!(before.sa_flags & SA_SIGINFO) || before.sa_sigaction != FatalTrap)
            beforeFatalTrap[i] = before;
    }
}

struct TrapEntry {
    int signal_number;
    void (*handler)(int);
};

const TrapEntry kTraps[] = {
    {SIGHUP, GeneralTrap},  {SIGINT, GeneralTrap},     {SIGQUIT, GeneralTrap},
    {SIGTERM, GeneralTrap}, {SIGPIPE, BrokenPipeTrap}, {SIGXCPU, LimitTrap},
};
static_assert(sizeof kTraps / sizeof kTraps[0] == 6, "six trapped signals");

void InstallTraps() {
    trapOwner = getpid();
    for (const TrapEntry& trap : kTraps) InstallTrap(trap.signal_number, trap.handler);
    InstallFatalTraps();
}

// 0 little-endian, 1 big-endian, -1 neither.
int ProbeByteOrder() {
    uint16_t one = 1;
    unsigned char bytes[2];
    memcpy(bytes, &one, sizeof bytes);
    if (bytes[0] == 1 && bytes[1] == 0) return 0;
    if (bytes[0] == 0 && bytes[1] == 1) return 1;
    return -1;
}

int compatibilityLevel = 6;

} // namespace

// ---- Start and end -------------------------------------------------------------------

void gen_init(const char* program_path, int /*unused*/, int viewpath_mode) {
    static bool destructRegistered = false;
    char* work = nullptr;
    if (program_path) {
        work = gen_copy(program_path);
        size_t length = strlen(work);
        while (length > 0 && work[length - 1] == '/') work[--length] = '\0';
        gen_free(gen_progname);
        gen_free(gen_execname);
        gen_progname = gen_copy(gen_basename(work));
        gen_execname = gen_copy(work);
    }
    if (!gen_skip_trapsetup) InstallTraps();
    gen_skip_trapsetup = 1;
    gen_viewpath_init(viewpath_mode);
    if (!destructRegistered) {
        destructRegistered = true;
        atexit(gen_destruct);
    }
    int order = ProbeByteOrder();
    if (order < 0) gen_errorexit(1, "Could not determine host endianness");
    bigendian_host = static_cast<char>(order);
    gen_free(work);
}

void gen_destruct() {
    static bool done = false;
    if (done) return;
    done = true;
    gen_viewpath_release();
    gen_free(gen_progname);
    gen_free(gen_execname);
    gen_free(gen_progdir);
    gen_progname = nullptr;
    gen_execname = nullptr;
    gen_progdir = nullptr;
}

// ---- Messages ------------------------------------------------------------------------

int gen_default_domessage(int code, const char* format, va_list args) {
    // Taken first: flushing and formatting below may change errno.
    int savedErrno = errno;
    bool withSystemError = false;
    if (code >= GEN_MSG_WITH_ERRNO) {
        withSystemError = true;
        code -= GEN_MSG_WITH_ERRNO;
    }
    const char* prefix = nullptr;
    if (code >= 0 && code < kFirstCodeNotCounted) {
        prefix = gen_raruve_error_msgs ? raruve_prefixes[code] : prefixes[code];
        gen_error_count[code]++;
        if (code < kFirstCodeNotAnError) gen_any_error++;
    }
    fflush(stdout);
    if (gen_progname && *gen_progname && code != GEN_MSG_PRINTF) {
        fprintf(stderr, "%s: ", gen_progname);
    }
    if (prefix) fprintf(stderr, "%s: ", prefix);
    if (format) vfprintf(stderr, format, args);
    if (withSystemError && savedErrno != 0) {
        fprintf(stderr, ": %s\n", strerror(savedErrno));
        savedErrno = 0;
    } else if (!EndsWithNewline(format)) {
        fputc('\n', stderr);
    }
    fflush(stderr);
    errno = savedErrno;
    return code;
}

int gen_message(int code, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int severity = gen_domessage(code, format, args);
    va_end(args);
    return severity;
}

#define GEN_EMIT(code)                                                                             \
    do {                                                                                           \
        va_list args;                                                                              \
        va_start(args, format);                                                                    \
        gen_domessage((code), format, args);                                                       \
        va_end(args);                                                                              \
    } while (0)

const char* gen_error(const char* format, ...) {
    GEN_EMIT(GEN_MSG_ERROR);
    return format;
}

const char* gen_warning(const char* format, ...) {
    GEN_EMIT(GEN_MSG_WARNING);
    return format;
}

const char* gen_info(const char* format, ...) {
    GEN_EMIT(GEN_MSG_INFO);
    return format;
}

const char* gen_printf(const char* format, ...) {
    GEN_EMIT(GEN_MSG_PRINTF);
    return format;
}

const char* gen_perror(const char* format, ...) {
    GEN_EMIT(GEN_MSG_WITH_ERRNO + GEN_MSG_FATAL);
    return format;
}

// ---- Exits ---------------------------------------------------------------------------

void gen_errorexit(int status, const char* format, ...) {
    GEN_EMIT(status != 0 ? GEN_MSG_FATAL : GEN_MSG_PLAIN_ERROR);
    gen_exit(status);
    gen_default_exit(status); // a replaced exit hook that returns still ends the process
}

void gen_perrorexit(int status, const char* format, ...) {
    GEN_EMIT(GEN_MSG_WITH_ERRNO + GEN_MSG_FATAL);
    gen_exit(status);
    gen_default_exit(status);
}

#undef GEN_EMIT

void gen_successexit() {
    gen_exit(0);
    gen_default_exit(0);
}

void __Assert(int condition, const char* expression, const char* file, int line, int value) {
    if (condition) return;
    fflush(stdout);
    fputs("Assertion ", stderr);
    if (expression && strcmp(expression, "x") != 0) fprintf(stderr, "(%s) ", expression);
    if (value != 0) fprintf(stderr, "[%d] ", value);
    fprintf(stderr, "failed in '%s' on line %d", file ? file : "(null)", line);
    if (gen_progname && *gen_progname) fprintf(stderr, " in %s", gen_progname);
    fputc('\n', stderr);
    fflush(stderr);
    // Directly: a replaced exit hook must not keep a broken program running.
    exit(1);
}

// ---- Compatibility level -------------------------------------------------------------

int gen_get_version() {
    return compatibilityLevel;
}

void gen_set_version(int version) {
    if (version < 9) {
        compatibilityLevel = version;
    } else {
        gen_error("Attempt to set version to an illegal value");
    }
}

bool gen_is_at_least_version(int version) {
    return version <= compatibilityLevel;
}
bool gen_is_at_most_version(int version) {
    return compatibilityLevel <= version;
}
