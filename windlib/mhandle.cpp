// Counted weak handles (see mhandle.h) and the table that finds a live handle by its
// object's address: open addressing with linear probing, grown to 2 x size + 1 once more
// than half the slots are in use. Dead handles leave the table at once, so a new object
// at a recycled address never inherits a dead handle.
#include "windlib/mhandle.h"

#include <cstdint>

namespace {

const unsigned kInitialTableSize = 101;

mHandle** theTable = nullptr;
unsigned theTableSize = 0;
unsigned theTableUsed = 0;
int theAllocated = 0;

unsigned HashOf(const void* object, unsigned size) {
    uintptr_t address = reinterpret_cast<uintptr_t>(object);
    return static_cast<unsigned>((address * 2 / 3) % size);
}

// Stores without checking the load; callers keep the table below half full.
void PlaceInTable(mHandle* handle) {
    unsigned i = HashOf(handle->object, theTableSize);
    while (theTable[i]) i = (i + 1) % theTableSize;
    theTable[i] = handle;
    ++theTableUsed;
}

void GrowTable() {
    mHandle** old = theTable;
    unsigned old_size = theTableSize;
    theTableSize = old ? old_size * 2 + 1 : kInitialTableSize;
    theTable = new mHandle*[theTableSize]();
    theTableUsed = 0;
    for (unsigned i = 0; i < old_size; ++i)
        if (old[i]) PlaceInTable(old[i]);
    delete[] old;
}

// The slot holding the live handle of `object`, or -1.
long FindSlot(const void* object) {
    if (!theTable) return -1;
    unsigned i = HashOf(object, theTableSize);
    while (theTable[i]) {
        if (theTable[i]->object == object) return i;
        i = (i + 1) % theTableSize;
    }
    return -1;
}

// Empties a slot and re-places the rest of its probe run, so later lookups that passed
// through this slot still reach their entries.
void RemoveSlot(unsigned slot) {
    theTable[slot] = nullptr;
    --theTableUsed;
    for (unsigned i = (slot + 1) % theTableSize; theTable[i]; i = (i + 1) % theTableSize) {
        mHandle* moved = theTable[i];
        theTable[i] = nullptr;
        --theTableUsed;
        PlaceInTable(moved);
    }
}

} // namespace

mHandle* MHandleCreate(int kind, void* object) {
    long slot = FindSlot(object);
    if (slot >= 0) return MHandleCopy(theTable[slot]);

    mHandle* handle = new mHandle;
    handle->kind = kind;
    handle->object = object;
    handle->count = 1;
    handle->dead = false;
    ++theAllocated;
    if (!theTable) GrowTable();
    PlaceInTable(handle);
    if (theTableUsed > theTableSize / 2) GrowTable();
    return handle;
}

mHandle* MHandleCopy(mHandle* handle) {
    if (handle) ++handle->count;
    return handle;
}

void MHandleDestroy(mHandle* handle) {
    if (!handle || --handle->count > 0) return;
    if (!handle->dead) {
        long slot = FindSlot(handle->object);
        if (slot >= 0 && theTable[slot] == handle) RemoveSlot(static_cast<unsigned>(slot));
    }
    delete handle;
    --theAllocated;
}

void MHandleDie(void* object) {
    long slot = FindSlot(object);
    if (slot < 0) return;
    theTable[slot]->dead = true;
    RemoveSlot(static_cast<unsigned>(slot));
}

void* MHandleObject(const mHandle* handle) {
    return handle && !handle->dead ? handle->object : nullptr;
}

int MHandleNumAllocated() {
    return theAllocated;
}
