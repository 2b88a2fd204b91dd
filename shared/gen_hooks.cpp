// Default process hooks, the out-of-memory exit, the scratch-buffer ring, the choice of the
// temporary directory, and the global operator new/delete that route every object through
// gen_alloc/gen_free. Start at the hook table just below; the message hook's default is in
// gen_messages.cpp.
#include "shared/gen_hooks.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "shared/gen_fileops.h"
#include "shared/gen_identity.h"
#include "shared/gen_strings.h"

// Initialised data, not set up by gen_init: code that runs before main (static
// constructors, operator new) must already find working hooks.
GenExitHook gen_exit = gen_default_exit;
GenAllocHook gen_alloc = gen_default_alloc;
GenReallocHook gen_realloc = gen_default_realloc;
GenFreeHook gen_free = gen_default_free;
GenMessageHook gen_domessage = gen_default_domessage;
GenTempDirHook gen_temp_dir = gen_default_temp_dir;

namespace {

bool exiting = false;

// Writes all of text to the descriptor without stdio, retrying interrupted writes.
void RawWrite(int fd, const char* text, size_t length) {
    while (length > 0) {
        ssize_t n = write(fd, text, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        text += n;
        length -= static_cast<size_t>(n);
    }
}

} // namespace

void gen_default_exit(int status) {
    // A second request comes from an exit-time handler or a signal during exit: the
    // handlers must not run twice.
    if (exiting) _exit(status);
    exiting = true;
    exit(status);
}

// Used by the signal traps to leave at once when an exit is already under way.
bool gen_exit_in_progress() {
    return exiting;
}

void* gen_default_alloc(size_t count, size_t size) {
    if (count == 0) return nullptr;
    // calloc may answer a zero size with null; one byte keeps null meaning "no memory".
    void* block = calloc(count, size ? size : 1);
    if (!block) gen_out_of_memory(count * size);
    return block;
}

void* gen_default_realloc(void* block, long size) {
    if (size <= 0) {
        gen_free(block);
        return nullptr;
    }
    if (!block) return gen_alloc(1, static_cast<size_t>(size));
    void* grown = realloc(block, static_cast<size_t>(size));
    if (!grown) gen_out_of_memory(static_cast<size_t>(size));
    return grown;
}

void gen_default_free(void* block) {
    if (block) free(block);
}

void* gen_allocate(void* block, size_t count, size_t size) {
    return gen_realloc(block, static_cast<long>(count * size));
}

void* gen_structcopy(const void* source, size_t size) {
    if (!source) return nullptr;
    void* copy = gen_alloc(1, size);
    if (copy) memcpy(copy, source, size);
    return copy;
}

void gen_out_of_memory(size_t /*bytes*/) {
    // The heap is gone: no stdio, no formatting, only lengths and raw writes.
    const char* name = gen_progname;
    if (name) {
        RawWrite(2, name, strlen(name));
        RawWrite(2, ": ", 2);
    }
    static const char kText[] = "fatal: Out of memory\n";
    RawWrite(2, kText, sizeof kText - 1);
    gen_exit(3);
    _exit(3); // an exit hook that returns must not let the caller see a null block
}

// ---- Scratch-buffer ring -------------------------------------------------------------

namespace {

struct TempSlot {
    size_t capacity;
    void* buffer;
};

TempSlot* tempSlots = nullptr;
unsigned tempRingLength = 0;
unsigned tempIndex = 0;

} // namespace

void* gen_get_temp_buf(unsigned ring, size_t size) {
    if (size == 0) return nullptr;
    if (ring > tempRingLength) {
        tempSlots = static_cast<TempSlot*>(gen_allocate(tempSlots, ring, sizeof(TempSlot)));
        memset(tempSlots + tempRingLength, 0, (ring - tempRingLength) * sizeof(TempSlot));
        tempRingLength = ring;
    }
    if (tempRingLength == 0) return nullptr;
    if (++tempIndex >= tempRingLength) tempIndex = 0;
    TempSlot& slot = tempSlots[tempIndex];
    if (slot.capacity < size) {
        slot.buffer = gen_realloc(slot.buffer, static_cast<long>(size));
        slot.capacity = size;
    }
    return slot.buffer;
}

void* gen_get_zeroed_temp_buf(unsigned ring, size_t size) {
    void* buffer = gen_get_temp_buf(ring, size);
    if (buffer) memset(buffer, 0, size);
    return buffer;
}

char* gen_temp_copy(unsigned ring, const char* text) {
    if (!text) return nullptr;
    size_t length = strlen(text) + 1;
    char* copy = static_cast<char*>(gen_get_temp_buf(ring, length));
    if (copy) memcpy(copy, text, length);
    return copy;
}

// ---- Temporary directory -------------------------------------------------------------

namespace {

const char* chosenTempDir = nullptr;
bool chosenTempDirOwned = false;

void ChooseTempDir(const char* text, bool owned) {
    // The new text is settled before the old copy goes: preferred may be that copy.
    const char* old = chosenTempDirOwned ? chosenTempDir : nullptr;
    chosenTempDir = owned ? gen_copy(text) : text;
    chosenTempDirOwned = owned;
    gen_free(const_cast<char*>(old));
}

} // namespace

const char* gen_default_temp_dir(const char* preferred) {
    if (chosenTempDir && !preferred) return chosenTempDir;
    const int kWriteAndSearch = 3;
    const char* env = getenv("TMPDIR");
    if (env && *env && gen_diraccess(env, kWriteAndSearch) == 0) {
        ChooseTempDir(env, false);
    } else if (preferred && gen_diraccess(preferred, kWriteAndSearch) == 0) {
        ChooseTempDir(preferred, true);
    } else if (gen_diraccess("/var/tmp/", kWriteAndSearch) != 0) {
        ChooseTempDir("/tmp", false);
    } else {
        ChooseTempDir("/var/tmp/", false);
    }
    return chosenTempDir;
}

// ---- Global operator new and delete --------------------------------------------------
//
// Every object is born zero-filled and an exhausted heap ends the process with status 3,
// so the nothrow forms behave exactly like the plain ones. Over-aligned blocks are carved
// out of a larger gen_alloc block; the word before the aligned address remembers the
// block's start for the matching delete.

namespace {

void* NewBlock(size_t size) {
    return gen_alloc(1, size ? size : 1);
}

void* NewAlignedBlock(size_t size, std::align_val_t alignment) {
    size_t align = static_cast<size_t>(alignment);
    if (align < sizeof(void*)) align = sizeof(void*);
    char* raw = static_cast<char*>(gen_alloc(1, size + align + sizeof(void*)));
    uintptr_t start = reinterpret_cast<uintptr_t>(raw) + sizeof(void*);
    uintptr_t aligned = (start + align - 1) & ~(static_cast<uintptr_t>(align) - 1);
    reinterpret_cast<void**>(aligned)[-1] = raw;
    return reinterpret_cast<void*>(aligned);
}

void DeleteAlignedBlock(void* p) {
    if (p) gen_free(static_cast<void**>(p)[-1]);
}

} // namespace

void* operator new(size_t size) {
    return NewBlock(size);
}
void* operator new[](size_t size) {
    return NewBlock(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return NewBlock(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return NewBlock(size);
}
void* operator new(size_t size, std::align_val_t a) {
    return NewAlignedBlock(size, a);
}
void* operator new[](size_t size, std::align_val_t a) {
    return NewAlignedBlock(size, a);
}
void* operator new(size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return NewAlignedBlock(size, a);
}
void* operator new[](size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return NewAlignedBlock(size, a);
}

void operator delete(void* p) noexcept {
    gen_free(p);
}
void operator delete[](void* p) noexcept {
    gen_free(p);
}
void operator delete(void* p, size_t) noexcept {
    gen_free(p);
}
void operator delete[](void* p, size_t) noexcept {
    gen_free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    gen_free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    gen_free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    DeleteAlignedBlock(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    DeleteAlignedBlock(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
    DeleteAlignedBlock(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
    DeleteAlignedBlock(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    DeleteAlignedBlock(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    DeleteAlignedBlock(p);
}
