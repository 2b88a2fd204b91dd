// Counted weak handles to toolkit records. A caller keeps an mHandle instead of a pointer
// to a record whose callbacks may outlive it: once the record dies the handle resolves to
// null, and the handle itself lives until its last reference is released. Handles are
// found by object address in an open-addressing table (mhandle.cpp).
#pragma once

// Kinds of object a handle may name.
enum MHandleKind { kMHandleExtraProcess = 6 };

struct mHandle {
    int kind;
    void* object; // kept after death for diagnostics; MHandleObject hides it
    int count;
    bool dead;
};

// The live handle for `object` with its count raised, or a new one with count 1.
mHandle* MHandleCreate(int kind, void* object);
// Raises the count; returns `handle` (null stays null).
mHandle* MHandleCopy(mHandle* handle);
// Lowers the count and frees the handle at 0. Null is allowed.
void MHandleDestroy(mHandle* handle);
// Marks the handle of `object` dead; every copy then resolves to null. A later
// MHandleCreate for the same address makes a new handle.
void MHandleDie(void* object);
// The object while the handle is live, else null (also for a null handle).
void* MHandleObject(const mHandle* handle);

// Handles allocated and not yet freed, for leak checks.
int MHandleNumAllocated();
