// The one clock every timer reads (see ut_clock.h). The default source is monotonic, so
// that setting the wall clock neither fires nor stalls a deadline; the time-of-day clock
// stands in only where no monotonic one exists.
#include "shared/libcxxutil/ut_clock.h"

#include <sys/time.h>
#include <time.h>

UtClockSource ut_clock_source = ut_monotonic_clock;

void ut_monotonic_clock(long* seconds, long* microseconds) {
#ifdef CLOCK_MONOTONIC
    struct timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) == 0) {
        *seconds = now.tv_sec;
        *microseconds = now.tv_nsec / 1000;
        return;
    }
#endif
    struct timeval day;
    gettimeofday(&day, nullptr);
    *seconds = day.tv_sec;
    *microseconds = day.tv_usec;
}

void ut_clock_now(long* seconds, long* microseconds) {
    long s = 0;
    long us = 0;
    // A source left null by a test that forgot to restore it still gives a sane time.
    (ut_clock_source ? ut_clock_source : ut_monotonic_clock)(&s, &us);
    // Sources report a normalised pair; guard anyway so callers can rely on 0..999999.
    if (us < 0 || us >= 1000000) {
        s += us / 1000000;
        us %= 1000000;
        if (us < 0) {
            us += 1000000;
            s -= 1;
        }
    }
    *seconds = s;
    *microseconds = us;
}

long long ut_clock_ms() {
    long s = 0;
    long us = 0;
    ut_clock_now(&s, &us);
    return s * 1000LL + us / 1000;
}
