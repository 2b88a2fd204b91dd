// The time-out policy for explicit waits: a fixed deadline on the monotonic clock, with
// rounds short enough that a give-up is noticed within a tenth of a second.
#include "shared/stp_transport/stp_retry.h"

#include "shared/libcxxutil/ut_clock.h"

namespace {
const long kRoundMs = 100;
}

TimeoutSTPRetryHandler::TimeoutSTPRetryHandler(long timeoutMs) : timeoutMs_(timeoutMs) {
    restart();
}

void TimeoutSTPRetryHandler::restart() {
    deadlineMs_ = ut_clock_ms() + timeoutMs_;
    rounds_ = 0;
}

long TimeoutSTPRetryHandler::remainingMs() const {
    long long left = deadlineMs_ - ut_clock_ms();
    return left > 0 ? static_cast<long>(left) : 0;
}

bool TimeoutSTPRetryHandler::retry(STPTransport*) {
    rounds_++;
    return remainingMs() > 0;
}

long TimeoutSTPRetryHandler::waitInterval() const {
    long left = remainingMs();
    return left < kRoundMs ? left : kRoundMs;
}
