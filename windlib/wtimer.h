// The registry of timers, watched child processes and background work that the event
// loop serves between X events: each ExtraProcess_Wait is one pass that reaps a finished
// child, runs what is due and says how long the loop may sleep. Callers name their
// records by counted weak handles (windlib/mhandle.h). Start reading at ExtraProcess_Wait.
#pragma once

#include "windlib/mhandle.h"

enum ExtraProcessKind {
    kExtraTimer = 0,      // runs when its deadline has come
    kExtraChild = 1,      // runs every pass; finished when its pid is reaped
    kExtraBackground = 2, // runs every pass and keeps the loop from sleeping
    kExtraDormant = 3,    // never runs
    kExtraBadIndex = 4    // ExtraProcess_GetWaitTypeFromIndex for an index outside the list
};

// The work of a record; non-zero means finished. `index` is the record's current position.
typedef int (*ExtraProcessFn)(void* user_data, int index);
// Called once the record is finished; non-zero (or no finish callback) removes it.
typedef int (*ExtraProcessFinishFn)(void* user_data, int status);

struct ExtraProcess {
    int kind;
    long deadline_sec;
    long deadline_ms;
    int pid;
    ExtraProcessFn callback;
    ExtraProcessFinishFn finish;
    mHandle* handle;
    void* user_data;
    unsigned char flags; // kExtraProcessBusy while its callbacks run
};

enum { kExtraProcessBusy = 0x80 };

// The registry; read-only outside wtimer.cpp.
extern ExtraProcess** extraProcessList;
extern int extraProcessListSize;
extern int extraProcessListMax;

// One pass over the registry. Stores through `wait_ms` (may be null) how many milliseconds
// the caller may sleep: 5000 at most, 0 while background work is registered. Returns 1.
int ExtraProcess_Wait(long* wait_ms);
// A new record. `arg` is the first delay in milliseconds for a timer, the pid to watch for
// a child. Returns the caller's own reference to the record's handle (release it with
// MHandleDestroy), or null for an unknown kind.
mHandle* ExtraProcess_Create(int kind, long arg, ExtraProcessFn callback,
                             ExtraProcessFinishFn finish, void* user_data);
// Re-arms a timer to now + delay_ms. 0 for a dead or null handle, else 1.
int ExtraProcess_SetTimeout(mHandle* handle, long delay_ms);
// Finishes the record with `status` (1 when it has no finish callback) and removes it when
// the finish callback agrees. Does nothing for a dead or null handle.
void ExtraProcess_Kill(mHandle* handle, int status);
// Removes the record at `index` without calling its finish callback.
void ExtraProcess_Remove(int index);
// True when a timer with a callback has reached its deadline.
bool ExtraProcess_AnyTimedOut();
// The pid of a live child record, else 0.
int ExtraProcess_GetPid(mHandle* handle);
int ExtraProcess_NumberPending();
int ExtraProcess_GetWaitTypeFromIndex(int index);

// Time values as (seconds, milliseconds), read from the clock of ut_clock.h.
void WGetCurrentTime(long* seconds, long* milliseconds);
// Stores now + delay_ms.
void WSetTimeout(long* seconds, long* milliseconds, long delay_ms);
// 0 once the moment has come, else the milliseconds still to go.
long WCheckTimeout(long seconds, long milliseconds);
