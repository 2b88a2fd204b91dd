// The timer and process registry (see wtimer.h). Callbacks may create, kill or remove
// records, their own included, and may run nested event loops that make passes of their
// own; every running pass registers its cursor so a removal can step it back. Start at
// ExtraProcess_Wait.
#include "shared/libcxxutil/ut_childgroups.h"
#include "windlib/wtimer.h"

#include <sys/types.h>
#include <sys/wait.h>

#include <cerrno>

#include "shared/libcxxutil/ut_clock.h"

ExtraProcess** extraProcessList = nullptr;
int extraProcessListSize = 0;
int extraProcessListMax = 0;

namespace {

const long kLongestWaitMs = 5000;
const int kListGrowth = 10;

// The position of a running pass. Passes nest (a callback may run a modal loop), so the
// cursors form a stack through the passes' own frames, innermost first.
class PassCursor {
public:
    PassCursor() : outer(innermost) { innermost = this; }
    ~PassCursor() { innermost = outer; }
    PassCursor(const PassCursor&) = delete;
    PassCursor& operator=(const PassCursor&) = delete;

    static PassCursor* innermost;
    PassCursor* outer;
    int index = 0;
};

PassCursor* PassCursor::innermost = nullptr;

void GrowListIfFull() {
    if (extraProcessListSize + 1 < extraProcessListMax) return;
    int max = extraProcessListMax + kListGrowth;
    ExtraProcess** grown = new ExtraProcess*[max]();
    for (int i = 0; i < extraProcessListSize; ++i) grown[i] = extraProcessList[i];
    delete[] extraProcessList;
    extraProcessList = grown;
    extraProcessListMax = max;
}

int IndexOf(const ExtraProcess* record) {
    for (int i = 0; i < extraProcessListSize; ++i)
        if (extraProcessList[i] == record) return i;
    return -1;
}

ExtraProcess* RecordOf(const mHandle* handle) {
    return static_cast<ExtraProcess*>(MHandleObject(handle));
}

// One finished child, without blocking: its pid, or 0 when none has finished (an error
// such as having no children counts as none).
pid_t ReapOneChild(int* status) {
    *status = 0;
    for (;;) {
        pid_t pid = waitpid(-1, status, WNOHANG);
        if (pid >= 0) return pid;
        if (errno != EINTR) {
            *status = 0;
            return 0;
        }
    }
}

// Runs the record's work, keeping `wait` at the shortest time the record allows.
// Returns the callback's result (0 when nothing ran).
int RunRecord(ExtraProcess* record, int index, const mHandle* alive, long* wait) {
    if (record->kind == kExtraDormant || !record->callback) return 0;
    if (record->kind == kExtraTimer) {
        long to_go = WCheckTimeout(record->deadline_sec, record->deadline_ms);
        int result = 0;
        if (to_go == 0) {
            result = record->callback(record->user_data, index);
            // The callback may have re-armed the timer, or removed it.
            to_go = MHandleObject(alive) ? WCheckTimeout(record->deadline_sec, record->deadline_ms)
                                         : kLongestWaitMs;
        }
        if (to_go < *wait) *wait = to_go;
        return result;
    }
    if (record->kind == kExtraBackground) *wait = 0;
    return record->callback(record->user_data, index);
}

// Calls the finish callback and removes the record when it agrees.
void FinishRecord(ExtraProcess* record, const mHandle* alive, int status) {
    int agreed = record->finish ? record->finish(record->user_data, status) : 1;
    if (agreed == 0 || !MHandleObject(alive)) return;
    int index = IndexOf(record);
    if (index >= 0) ExtraProcess_Remove(index);
}

} // namespace

int ExtraProcess_Wait(long* wait_ms) {
    if (extraProcessListSize == 0) {
        if (wait_ms) *wait_ms = kLongestWaitMs;
        return 1;
    }
    int status = 0;
    pid_t reaped = ReapOneChild(&status);
    if (reaped > 0) ut_NoteReapedChild(reaped, status); // its owner may still ask how it ended
    long wait = kLongestWaitMs;

    PassCursor cursor;
    for (cursor.index = 0; cursor.index < extraProcessListSize; ++cursor.index) {
        ExtraProcess* record = extraProcessList[cursor.index];
        if (record->flags & kExtraProcessBusy) continue; // its callback is further up the stack
        mHandle* alive = MHandleCopy(record->handle);
        record->flags |= kExtraProcessBusy;

        int result = RunRecord(record, cursor.index, alive, &wait);
        if (MHandleObject(alive)) {
            bool reaped_mine = record->kind == kExtraChild && reaped > 0 && record->pid == reaped;
            if (result != 0 || reaped_mine) FinishRecord(record, alive, reaped_mine ? status : 0);
        }
        if (MHandleObject(alive)) record->flags &= ~kExtraProcessBusy;
        MHandleDestroy(alive);
    }
    if (wait_ms) *wait_ms = wait;
    return 1;
}

mHandle* ExtraProcess_Create(int kind, long arg, ExtraProcessFn callback,
                             ExtraProcessFinishFn finish, void* user_data) {
    if (kind < kExtraTimer || kind > kExtraDormant) return nullptr;
    ExtraProcess* record = new ExtraProcess();
    record->kind = kind;
    if (kind == kExtraTimer) WSetTimeout(&record->deadline_sec, &record->deadline_ms, arg);
    if (kind == kExtraChild) record->pid = static_cast<int>(arg);
    record->callback = callback;
    record->finish = finish;
    record->user_data = user_data;
    record->handle = MHandleCreate(kMHandleExtraProcess, record);

    GrowListIfFull();
    extraProcessList[extraProcessListSize++] = record;
    return MHandleCopy(record->handle);
}

int ExtraProcess_SetTimeout(mHandle* handle, long delay_ms) {
    ExtraProcess* record = RecordOf(handle);
    if (!record) return 0;
    WSetTimeout(&record->deadline_sec, &record->deadline_ms, delay_ms);
    return 1;
}

void ExtraProcess_Kill(mHandle* handle, int status) {
    ExtraProcess* record = RecordOf(handle);
    if (!record) return;
    mHandle* alive = MHandleCopy(record->handle);
    FinishRecord(record, alive, status);
    MHandleDestroy(alive);
}

void ExtraProcess_Remove(int index) {
    if (index < 0 || index >= extraProcessListSize) return;
    ExtraProcess* record = extraProcessList[index];
    MHandleDie(record);
    MHandleDestroy(record->handle);
    delete record;

    --extraProcessListSize;
    for (int i = index; i < extraProcessListSize; ++i)
        extraProcessList[i] = extraProcessList[i + 1];
    extraProcessList[extraProcessListSize] = nullptr;

    // A pass standing on or after the gap must not skip the record that moved into it.
    for (PassCursor* pass = PassCursor::innermost; pass; pass = pass->outer)
        if (index <= pass->index) --pass->index;
}

bool ExtraProcess_AnyTimedOut() {
    for (int i = 0; i < extraProcessListSize; ++i) {
        const ExtraProcess* record = extraProcessList[i];
        if (record->kind == kExtraTimer && record->callback &&
            WCheckTimeout(record->deadline_sec, record->deadline_ms) == 0)
            return true;
    }
    return false;
}

int ExtraProcess_GetPid(mHandle* handle) {
    const ExtraProcess* record = RecordOf(handle);
    return record && record->kind == kExtraChild ? record->pid : 0;
}

int ExtraProcess_NumberPending() {
    return extraProcessListSize;
}

int ExtraProcess_GetWaitTypeFromIndex(int index) {
    if (index < 0 || index >= extraProcessListSize) return kExtraBadIndex;
    return extraProcessList[index]->kind;
}

void WGetCurrentTime(long* seconds, long* milliseconds) {
    long us = 0;
    ut_clock_now(seconds, &us);
    *milliseconds = us / 1000;
}

void WSetTimeout(long* seconds, long* milliseconds, long delay_ms) {
    if (delay_ms < 0) delay_ms = 0;
    long now_sec = 0;
    long now_ms = 0;
    WGetCurrentTime(&now_sec, &now_ms);
    long ms = now_ms + delay_ms % 1000;
    *seconds = now_sec + delay_ms / 1000 + ms / 1000;
    *milliseconds = ms % 1000;
}

long WCheckTimeout(long seconds, long milliseconds) {
    long now_sec = 0;
    long now_ms = 0;
    WGetCurrentTime(&now_sec, &now_ms);
    if (now_sec > seconds || (now_sec == seconds && now_ms >= milliseconds)) return 0;
    return (seconds - now_sec) * 1000 + (milliseconds - now_ms);
}
