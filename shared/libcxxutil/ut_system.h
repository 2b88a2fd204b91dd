// Child processes: started without a shell and with non-blocking pipes
// (nonblocking_systemcall), stopped on request (ut_KillProcess), or run through the shell
// and waited for while their output is collected (blocking_systemcall and friends, with a
// time limit BlockingExecuteWithLimit). Children started without waiting are reaped by the
// event loop, not here.
#pragma once

#include <sys/types.h>

#include <cstdio>

#include "shared/libcxxutil/ut_pipe.h"
#include "shared/libcxxutil/ut_string.h"

// Starts `command`, split by makeArgv and run without a shell, and returns at once. Each
// wanted stream with a handle pointer gets a new handle the caller deletes; merged, the
// error handle is the output handle (delete it once). Standard input not wanted is
// /dev/null. False (and *pid -1) only when nothing started: an empty command, no pipe or
// no fork; a program that cannot run reports "Failed to exec ..." on its standard error.
bool nonblocking_systemcall(const char* command, pid_t* pid, bool want_stdin,
                            Pipe_Comm_Handle** stdin_handle, bool want_stdout,
                            Pipe_Comm_Handle** stdout_handle, bool want_stderr,
                            Pipe_Comm_Handle** stderr_handle, bool new_process_group,
                            bool stderr_into_stdout, const char* working_dir);
// As above, with the chosen streams written to `stream` (or appended to the named file);
// only standard input can be a pipe.
bool nonblocking_systemcall_to_file(const char* command, pid_t* pid, bool want_stdin,
                                    Pipe_Comm_Handle** stdin_handle, bool stdout_to_file,
                                    bool stderr_to_file, FILE* stream, bool new_process_group,
                                    bool unbuffered);
bool nonblocking_systemcall_to_file(const char* command, pid_t* pid, bool want_stdin,
                                    Pipe_Comm_Handle** stdin_handle, bool stdout_to_file,
                                    bool stderr_to_file, const char* file_name,
                                    bool new_process_group, bool unbuffered);

// Sends SIGTERM; false for pid 0 or a process that is gone. Reaping stays with the caller.
bool ut_KillProcess(pid_t pid, bool unused);

typedef void (*SystemcallOutputFn)(const char* bytes, int count);
// True when the command ran through /bin/sh and exited normally with status 0. A null
// callback leaves that stream to the child.
bool blocking_systemcall(const char* command, SystemcallOutputFn on_stdout,
                         SystemcallOutputFn on_stderr);
// Like blocking_systemcall with both streams captured, but bounded: `environment` entries
// ("NAME=value", null-terminated list; null for none) are added to the command's
// environment, and when `limit_ms` (> 0) passes before the command has ended and closed its
// output, its whole group is stopped (TERM, then KILL) and *timed_out set. Each text pointer
// given receives a new string. Returns the command's wait status, or -1 when it could not be
// started or was not ours to reap.
int BlockingExecuteWithLimit(const char* command, const char* const* environment, long limit_ms,
                             char** stdout_text, char** stderr_text, bool* timed_out);
// Runs through blocking_systemcall with both streams captured; each text pointer given
// receives a new string (release with gen_free), the lengths their byte counts.
bool BlockingExecuteAndGetOutput(const char* command, char** stdout_text, char** stderr_text,
                                 int* stdout_length, int* stderr_length);
// `result` becomes the standard-error text followed by the standard-output text; a stream
// not wanted is left to the child.
bool BlockingExecuteAndGrabOutput(ut_string& result, const char* command, bool want_stdout,
                                  bool want_stderr, bool* had_stderr);

// Starts argv[0] (without its first character when `dash`) with the program's directory
// appended to LD_LIBRARY_PATH; no pipes, no waiting. A program that cannot run exits with 2.
bool systemcall(char** argv, pid_t* pid, bool dash);

int gen_system(const char* command);
int gen_systemex(const char* command, const char* flags); // 'q' in flags: output to /dev/null
int gen_execvp(const char* file, char* const argv[]);
bool gen_doeslocalprocessexist(pid_t pid); // false only when there is no such process

// The short name of the command that leads the group `leader` (the last component of the
// command's first word, at most 31 characters), "" when it is not known. Async-signal-safe.
const char* ut_ChildCommandName(pid_t leader);

// The symbolic name of an errno value as the exec-failure message writes it.
const char* ut_ErrnoName(int err);
