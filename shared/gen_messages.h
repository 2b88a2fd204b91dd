// Start-up of the foundation, messages with their severity prefixes and counters, the
// exits and the assertion reporter. A message reads "<program>: <severity>: <text>" on
// standard error; gen_printf prints the bare text. Start reading at gen_init.
#pragma once

#include <cstdarg>

#define GEN_PRINTF(f, a) __attribute__((format(printf, f, a)))

// Message codes 0-6; adding 100 asks for the system error text to be appended.
enum GenMessageCode {
    GEN_MSG_PLAIN_ERROR = 0,  // gen_errorexit with status 0: no prefix, counted as error
    GEN_MSG_DISASTER = 1,
    GEN_MSG_FATAL = 2,
    GEN_MSG_ERROR = 3,
    GEN_MSG_WARNING = 4,
    GEN_MSG_INFO = 5,
    GEN_MSG_PRINTF = 6,  // no prefix, no program name
    GEN_MSG_WITH_ERRNO = 100
};

extern int gen_error_count[7];
extern int gen_any_error;  // messages of codes 0-3
extern volatile int gen_sigtrap_value;
extern char gen_skip_trapsetup;
extern char gen_raruve_error_msgs;  // upper-case prefix table
extern char bigendian_host;

// How the signal traps stop the commands the program has started: installed by the
// child-process layer when it starts its first command, null until then. It stops every
// running command group and, when `account` is given, describes what it stopped there
// ("1 running command (gtar, process 1234)"); it returns how many it stopped. It runs
// inside signal handlers, so it may only make async-signal-safe calls.
typedef int (*GenStopChildrenHook)(char* account, int size);
extern GenStopChildrenHook gen_stop_children;

// Records who the program is, installs the signal traps once, probes the byte order and
// registers gen_destruct for normal exit. This system passes 0 for both integers. The
// traps stop the running commands first (gen_stop_children); the fatal signals (SIGSEGV,
// SIGBUS, SIGABRT, SIGFPE, SIGILL) do only that, and the process then dies of the signal
// as it would have without a trap.
void gen_init(const char* program_path, int unused, int viewpath_mode);
void gen_destruct();

// All return `format` unchanged; none exits.
const char* gen_error(const char* format, ...) GEN_PRINTF(1, 2);
const char* gen_warning(const char* format, ...) GEN_PRINTF(1, 2);
const char* gen_info(const char* format, ...) GEN_PRINTF(1, 2);
const char* gen_printf(const char* format, ...) GEN_PRINTF(1, 2);
const char* gen_perror(const char* format, ...) GEN_PRINTF(1, 2);
// Calls gen_domessage with a va_list built from the arguments.
int gen_message(int code, const char* format, ...) GEN_PRINTF(2, 3);

[[noreturn]] void gen_errorexit(int status, const char* format, ...) GEN_PRINTF(2, 3);
[[noreturn]] void gen_perrorexit(int status, const char* format, ...) GEN_PRINTF(2, 3);
[[noreturn]] void gen_successexit();

// Returns at once when condition is non-zero; otherwise reports on standard error and
// ends the process with exit(1), bypassing the exit hook.
void __Assert(int condition, const char* expression, const char* file, int line, int value);
#define GEN_ASSERT(e) __Assert((e) ? 1 : 0, #e, __FILE__, __LINE__, 0)

// Compatibility level (initially 6).
int gen_get_version();
void gen_set_version(int version);
bool gen_is_at_least_version(int version);
bool gen_is_at_most_version(int version);
