// The replaceable clock: the default source is monotonic, an installed source drives every
// reading, and readings are normalised whatever the source reports.
#include <gtest/gtest.h>

#include "shared/libcxxutil/ut_clock.h"

namespace {

long theFakeSeconds = 0;
long theFakeMicros = 0;

void FakeClock(long* seconds, long* microseconds) {
    *seconds = theFakeSeconds;
    *microseconds = theFakeMicros;
}

class ClockTest : public ::testing::Test {
protected:
    void TearDown() override { ut_clock_source = ut_monotonic_clock; }
};

TEST_F(ClockTest, DefaultSourceNeverRunsBackward) {
    long long before = ut_clock_ms();
    for (int i = 0; i < 1000; ++i) {
        long s = 0, us = 0;
        ut_clock_now(&s, &us);
        EXPECT_GE(us, 0);
        EXPECT_LT(us, 1000000);
        long long now = ut_clock_ms();
        EXPECT_GE(now, before);
        before = now;
    }
}

TEST_F(ClockTest, InstalledSourceDrivesReadingsAndIsNormalised) {
    ut_clock_source = FakeClock;
    theFakeSeconds = 12;
    theFakeMicros = 345678;
    EXPECT_EQ(ut_clock_ms(), 12345);

    theFakeMicros = 2500000; // a sloppy source carrying into the seconds
    long s = 0, us = 0;
    ut_clock_now(&s, &us);
    EXPECT_EQ(s, 14);
    EXPECT_EQ(us, 500000);

    theFakeMicros = -1;
    ut_clock_now(&s, &us);
    EXPECT_EQ(s, 11);
    EXPECT_EQ(us, 999999);
}

} // namespace
