// The one clock every timer reads. Deadlines are taken from a monotonic source so that
// a change of the wall clock cannot fire or stall them; tests replace the source and
// advance time by hand.
#pragma once

typedef void (*UtClockSource)(long* seconds, long* microseconds);

extern UtClockSource ut_clock_source;  // default: ut_monotonic_clock

void ut_monotonic_clock(long* seconds, long* microseconds);
// Now, as seconds and microseconds, and as milliseconds.
void ut_clock_now(long* seconds, long* microseconds);
long long ut_clock_ms();
