// Counted weak handles: sharing per object, death, and the address table under growth and
// deletion inside probe runs.
#include <gtest/gtest.h>

#include <vector>

#include "windlib/mhandle.h"

namespace {

TEST(MHandleTest, OneObjectHasOneCountedHandleUntilTheLastReleaseFreesIt) {
    int baseline = MHandleNumAllocated();
    int object = 0;
    mHandle* first = MHandleCreate(kMHandleExtraProcess, &object);
    mHandle* second = MHandleCreate(kMHandleExtraProcess, &object);
    EXPECT_EQ(first, second);
    EXPECT_EQ(MHandleCopy(first), first);
    EXPECT_EQ(MHandleObject(first), &object);

    MHandleDestroy(first);
    MHandleDestroy(second);
    EXPECT_EQ(MHandleNumAllocated(), baseline + 1);
    MHandleDestroy(first);
    EXPECT_EQ(MHandleNumAllocated(), baseline);
    EXPECT_EQ(MHandleCopy(nullptr), nullptr);
    MHandleDestroy(nullptr);
}

TEST(MHandleTest, DeadHandleResolvesToNothingAndARecycledAddressGetsAFreshHandle) {
    int baseline = MHandleNumAllocated();
    int object = 0;
    mHandle* handle = MHandleCreate(kMHandleExtraProcess, &object);
    mHandle* copy = MHandleCopy(handle);
    MHandleDie(&object);
    EXPECT_EQ(MHandleObject(handle), nullptr);
    EXPECT_EQ(MHandleObject(copy), nullptr);
    MHandleDie(&object); // nothing left to kill

    mHandle* reborn = MHandleCreate(kMHandleExtraProcess, &object);
    EXPECT_NE(reborn, handle);
    EXPECT_EQ(MHandleObject(reborn), &object);

    MHandleDestroy(handle);
    MHandleDestroy(copy);
    MHandleDestroy(reborn);
    EXPECT_EQ(MHandleNumAllocated(), baseline);
}

TEST(MHandleTest, TableFindsEveryLiveHandleAfterGrowthAndRemovals) {
    int baseline = MHandleNumAllocated();
    // Neighbouring addresses hash to neighbouring slots: long probe runs to break up.
    std::vector<char> objects(400); // grows the table three times
    std::vector<mHandle*> handles;
    for (char& object : objects) handles.push_back(MHandleCreate(kMHandleExtraProcess, &object));
    for (size_t i = 0; i < objects.size(); i += 3) MHandleDestroy(handles[i]);
    for (size_t i = 1; i < objects.size(); i += 3) MHandleDie(&objects[i]);

    for (size_t i = 0; i < objects.size(); ++i) {
        mHandle* again = MHandleCreate(kMHandleExtraProcess, &objects[i]);
        EXPECT_EQ(MHandleObject(again), &objects[i]);
        // Survivors keep their handle; dead and released ones get a fresh one.
        if (i % 3 == 2) {
            EXPECT_EQ(again, handles[i]) << "object " << i;
        } else if (i % 3 == 1) {
            EXPECT_NE(again, handles[i]) << "object " << i;
        } else {
            EXPECT_EQ(again->count, 1) << "object " << i;
        }
        MHandleDestroy(again);
    }
    for (size_t i = 1; i < objects.size(); i += 3) MHandleDestroy(handles[i]);
    for (size_t i = 2; i < objects.size(); i += 3) MHandleDestroy(handles[i]);
    EXPECT_EQ(MHandleNumAllocated(), baseline);
}

} // namespace
