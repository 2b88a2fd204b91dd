// Child processes: started without a shell and with non-blocking pipes
// (nonblocking_systemcall), stopped on request (ut_KillProcess), or run through the shell
// and waited for while their output is collected (blocking_systemcall and friends).
// Children started without waiting are reaped by the event loop, not here.
#pragma once

#include <sys/types.h>

#include <cstdio>

#include "shared/libcxxutil/ut_pipe.h"
#include "shared/libcxxutil/ut_string.h"

bool nonblocking_systemcall(const char* command, pid_t* pid, bool want_stdin,
                            Pipe_Comm_Handle** stdin_handle, bool want_stdout,
                            Pipe_Comm_Handle** stdout_handle, bool want_stderr,
                            Pipe_Comm_Handle** stderr_handle, bool new_process_group,
                            bool stderr_into_stdout, const char* working_dir);
bool nonblocking_systemcall_to_file(const char* command, pid_t* pid, bool want_stdin,
                                    Pipe_Comm_Handle** stdin_handle, bool stdout_to_file,
                                    bool stderr_to_file, FILE* stream, bool new_process_group,
                                    bool unbuffered);
bool nonblocking_systemcall_to_file(const char* command, pid_t* pid, bool want_stdin,
                                    Pipe_Comm_Handle** stdin_handle, bool stdout_to_file,
                                    bool stderr_to_file, const char* file_name,
                                    bool new_process_group, bool unbuffered);

bool ut_KillProcess(pid_t pid, bool unused);

typedef void (*SystemcallOutputFn)(const char* bytes, int count);
// True when the command ran through /bin/sh and exited normally with status 0. A null
// callback leaves that stream to the child.
bool blocking_systemcall(const char* command, SystemcallOutputFn on_stdout,
                         SystemcallOutputFn on_stderr);
bool BlockingExecuteAndGetOutput(const char* command, char** stdout_text, char** stderr_text,
                                 int* stdout_length, int* stderr_length);
bool BlockingExecuteAndGrabOutput(ut_string& result, const char* command, bool want_stdout,
                                  bool want_stderr, bool* had_stderr);

bool systemcall(char** argv, pid_t* pid, bool dash);

int gen_system(const char* command);
int gen_systemex(const char* command, const char* flags);
int gen_execvp(const char* file, char* const argv[]);
bool gen_doeslocalprocessexist(pid_t pid);

// The symbolic name of an errno value as the exec-failure message writes it.
const char* ut_ErrnoName(int err);
