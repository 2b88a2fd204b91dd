// The allocation hooks and what is routed through them (operator new and delete, the
// out-of-memory exit), the scratch-buffer ring and the choice of the temporary directory.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"
#include "support/temp_dir.h"

using testing::ExitedWithCode;

namespace {

int allocs, frees;
void* CountingAlloc(size_t count, size_t size) {
    allocs++;
    return gen_default_alloc(count, size);
}
void CountingFree(void* p) {
    frees += p != nullptr;
    gen_default_free(p);
}

bool AllZero(const void* p, size_t n) {
    for (size_t i = 0; i < n; i++) {
        if (static_cast<const unsigned char*>(p)[i]) return false;
    }
    return true;
}

struct alignas(64) Aligned {
    char bytes[100];
};

TEST(AllocTest, NewAndDeleteGoThroughTheHooksZeroFilledAndAligned) {
    allocs = frees = 0;
    gen_alloc = CountingAlloc;
    gen_free = CountingFree;
    // Volatile pointers: a new whose block never escapes may be elided by the optimiser.
    char* volatile many = new char[256];
    bool zeroed = AllZero(many, 256);
    delete[] many;
    Aligned* volatile object = new (std::nothrow) Aligned;
    uintptr_t address = reinterpret_cast<uintptr_t>(object);
    bool alignedZeroed = AllZero(object, sizeof *object);
    delete object;
    void* empty1 = operator new(0);
    void* empty2 = operator new(0);
    bool distinct = empty1 && empty2 && empty1 != empty2;
    operator delete(empty1);
    operator delete(empty2);
    gen_alloc = gen_default_alloc;
    gen_free = gen_default_free;

    EXPECT_TRUE(zeroed);
    EXPECT_EQ(address % 64, 0u);
    EXPECT_TRUE(alignedZeroed);
    EXPECT_TRUE(distinct);
    EXPECT_EQ(allocs, 4);
    EXPECT_EQ(frees, 4);
}

TEST(AllocTest, ExhaustedHeapEndsWithStatusThree) {
    EXPECT_EXIT(
        {
            gen_changeprogname("setup");
            gen_alloc = [](size_t, size_t size) -> void* { gen_out_of_memory(size); };
            int* volatile never = new int[4];
            _exit(never ? 90 : 91);
        },
        ExitedWithCode(3), "^setup: fatal: Out of memory\n$");
#if !defined(__SANITIZE_ADDRESS__) // the sanitizer stops absurd requests itself
    volatile size_t absurd = size_t(1) << 62;
    EXPECT_EXIT(gen_alloc(1, absurd), ExitedWithCode(3), "fatal: Out of memory\n$");
    EXPECT_EXIT(gen_realloc(gen_alloc(1, 8), static_cast<long>(absurd)), ExitedWithCode(3),
                "fatal: Out of memory\n$");
#endif
}

TEST(TempBufTest, RingReusesSlotsInTurn) {
    void* first = gen_get_temp_buf(3, 16);
    void* second = gen_get_temp_buf(3, 16);
    EXPECT_NE(first, second);
    gen_get_temp_buf(3, 16);
    EXPECT_EQ(gen_get_temp_buf(3, 8), first); // back to the first slot, big enough
    EXPECT_STREQ(gen_temp_copy(3, "scratch"), "scratch");
    EXPECT_TRUE(AllZero(gen_get_zeroed_temp_buf(3, 40), 40));
}

TEST(TempDirTest, ChoiceOrderAndKeptCopy) {
    ScopedTempDir dir;
    const char* env = getenv("TMPDIR");
    std::string savedTmpdir = env ? env : "";
    setenv("TMPDIR", dir.path().c_str(), 1);
    EXPECT_EQ(gen_default_temp_dir("/"), getenv("TMPDIR")); // the environment's own text
    unsetenv("TMPDIR");

    const char* chosen = gen_default_temp_dir(dir.path().c_str());
    EXPECT_EQ(chosen, dir.path());
    EXPECT_EQ(gen_default_temp_dir(nullptr), chosen);
    EXPECT_EQ(std::string(gen_default_temp_dir(chosen)), dir.path()); // its own copy

    std::string fallback = access("/var/tmp/", W_OK | X_OK) == 0 ? "/var/tmp/" : "/tmp";
    EXPECT_EQ(gen_default_temp_dir((dir / "missing").c_str()), fallback);
    if (env) setenv("TMPDIR", savedTmpdir.c_str(), 1);
    gen_default_temp_dir("/nonexistent/preference"); // a choice that outlives dir
}

} // namespace
