// Every command the program starts runs as the leader of a process group of its own, so
// that stopping it also stops whatever it started in turn (a wrapper script and the real
// tool behind it). This module remembers the groups that are running, stops one or all of
// them (TERM, then KILL after a grace period) and reaps what is ours, and does the same for
// every group still running when the process leaves, whichever way it leaves. Start at
// ut_StopChildGroup.
#pragma once

#include <sys/types.h>

// How long a stopped group has after TERM before it gets KILL.
constexpr long kChildGroupGraceMs = 2000;

// Called by the start functions in the parent right after fork: makes `leader` the leader
// of its own group (the child does the same, whichever runs first) and remembers it. The
// first call also arranges that every group left is stopped at exit and, where the kernel
// offers it, that orphans of our children are handed to us so that we can reap them.
void ut_TrackChildGroup(pid_t leader);
// The leader was reaped by its owner; the group is not ours to stop any more.
void ut_ForgetChildGroup(pid_t leader);

// A general reaper (the event loop's registry reaps any finished child) hands the status
// of a child it reaped here, so that the child's owner can still learn how it ended.
void ut_NoteReapedChild(pid_t pid, int status);
// The status a general reaper noted for `pid`, taken once; false when none was noted.
bool ut_TakeReapedStatus(pid_t pid, int* status);

// Sends `signal` to the whole group led by `leader` (a tracked or untracked child of ours);
// false when there is no such group.
bool ut_SignalChildGroup(pid_t leader, int signal);

// Stops the group led by `leader`: TERM to the group, up to `graceMs` for it to end, KILL to
// what is left, then reaps the leader and any member handed to us, and forgets the group.
// Returns the leader's wait status, or -1 when it was not ours to reap (reaped elsewhere).
// Only async-signal-safe calls are used, so an exit path may call it from a signal handler.
int ut_StopChildGroup(pid_t leader, long graceMs = kChildGroupGraceMs);

// Stops every tracked group at once (one grace period for all). Returns how many there were.
// Async-signal-safe, like ut_StopChildGroup.
int ut_StopAllChildGroups(long graceMs = kChildGroupGraceMs);

// The leaders of the groups running now, at most `max` of them; returns how many.
int ut_RunningChildGroups(pid_t* leaders, int max);

// Reaps, without waiting, members of the group led by `leader` that were handed to us after
// their parent ended (orphans of our children); the leader itself is left to its owner.
void ut_ReapOrphansOfGroup(pid_t leader);

// While an instance lives, SIGINT, SIGTERM and SIGHUP only record themselves (and interrupt
// a blocking call), so that a long job can notice the request and end in order: stop its
// command, say what it did, clean up. The previous handlers come back when it goes.
class ut_TerminationCatcher {
public:
    ut_TerminationCatcher();
    ~ut_TerminationCatcher();
    ut_TerminationCatcher(const ut_TerminationCatcher&) = delete;
    ut_TerminationCatcher& operator=(const ut_TerminationCatcher&) = delete;

    // The signal that arrived first while a catcher was in place, or 0; cleared by Reset.
    static int Signal();
    static void Reset();
};
