// The process-wide IdleNotifier: idlers run once per notifyIdle pass, socket listeners are
// polled with select and dispatched by notifySocketActivity, timer listeners fire from
// notifyTimers. Handlers may add and remove listeners (themselves included) at any point;
// read notifySocketActivity first, then the lock and compaction helpers above it.
#include "shared/libcxxutil/ut_idle.h"

#include <sys/select.h>
#include <sys/time.h>

#include <cstdlib>
#include <vector>

#include "shared/gen_messages.h"
#include "shared/libcxxutil/ut_clock.h"

namespace {

const int kInitialSocketCapacity = 16;
const int kIdlerSnapshotSize = 16;

struct TimerNode {
    TimerListener* listener;
    long interval_ms;
    long long due_ms;
    unsigned long serial; // tells a re-used node address from the node that was called
    TimerNode* next;
};

// The listener list with four pending flags per slot, as parallel arrays so that a pass
// allocates nothing.
struct SocketSlots {
    std::vector<SocketListener*> listener;
    std::vector<unsigned char> read_pending;
    std::vector<unsigned char> write_pending;
    std::vector<unsigned char> exception_pending;
    std::vector<unsigned char> dispatch_pending;
};

IdleNotifier* theNotifier = nullptr;
bool theNotifierDestroyed = false;

void DestroyIdleNotifierAtExit() {
    IdleNotifier* notifier = theNotifier;
    theNotifier = nullptr;
    theNotifierDestroyed = true;
    delete notifier;
}

} // namespace

struct IdleNotifier::Impl {
    std::set<Idler*> idlers;

    SocketSlots slots;
    int socket_count = 0;
    int lock_count = 0;

    TimerNode head = {nullptr, 0, 0, 0, nullptr}; // sentinel; the first timer is head.next
    TimerNode* tail = &head;
    int timer_count = 0;
    unsigned long next_serial = 1;

    void lock() { ++lock_count; }
    void unlock();
    void compact();
    void growSockets();
    void clearSlot(SocketListener* listener);
    void moveSlot(int from, int to);

    void insertTimer(TimerNode* node);
    TimerNode* unlinkTimer(TimerNode* prev);
    TimerNode* firstTimerBefore(bool safe_only);
    bool isRipe(bool safe_only, long long now);

    bool anyPending();
    void pollListeners(long timeout_ms);
    bool dispatch();
};

// ---- socket list: locking and compaction ------------------------------------------------

void IdleNotifier::Impl::unlock() {
    if (--lock_count == 0) compact();
}

// Fills each empty slot with the last entry, so only a list nobody is scanning moves.
void IdleNotifier::Impl::compact() {
    int i = 0;
    while (i < socket_count) {
        if (slots.listener[i]) {
            ++i;
            continue;
        }
        --socket_count;
        if (i < socket_count) moveSlot(socket_count, i);
        slots.listener[socket_count] = nullptr;
    }
}

void IdleNotifier::Impl::moveSlot(int from, int to) {
    slots.listener[to] = slots.listener[from];
    slots.read_pending[to] = slots.read_pending[from];
    slots.write_pending[to] = slots.write_pending[from];
    slots.exception_pending[to] = slots.exception_pending[from];
    slots.dispatch_pending[to] = slots.dispatch_pending[from];
}

void IdleNotifier::Impl::growSockets() {
    size_t capacity = slots.listener.empty() ? kInitialSocketCapacity : slots.listener.size() * 2;
    slots.listener.resize(capacity, nullptr);
    slots.read_pending.resize(capacity, 0);
    slots.write_pending.resize(capacity, 0);
    slots.exception_pending.resize(capacity, 0);
    slots.dispatch_pending.resize(capacity, 0);
}

void IdleNotifier::Impl::clearSlot(SocketListener* listener) {
    for (int i = 0; i < socket_count; ++i) {
        if (slots.listener[i] != listener) continue;
        slots.listener[i] = nullptr;
        slots.read_pending[i] = slots.write_pending[i] = 0;
        slots.exception_pending[i] = slots.dispatch_pending[i] = 0;
    }
}

// ---- timer list -------------------------------------------------------------------------

// After every node due at the same time or earlier, so equal due times keep their order.
void IdleNotifier::Impl::insertTimer(TimerNode* node) {
    TimerNode* prev = &head;
    while (prev->next && prev->next->due_ms <= node->due_ms) prev = prev->next;
    node->next = prev->next;
    prev->next = node;
    if (!node->next) tail = node;
    ++timer_count;
}

TimerNode* IdleNotifier::Impl::unlinkTimer(TimerNode* prev) {
    TimerNode* node = prev->next;
    prev->next = node->next;
    if (tail == node) tail = prev;
    --timer_count;
    node->next = nullptr;
    return node;
}

// The node before the first timer (the first safe one when asked), or the tail when none.
TimerNode* IdleNotifier::Impl::firstTimerBefore(bool safe_only) {
    TimerNode* n = &head;
    while (n != tail && safe_only && !n->next->listener->isTimerSafe()) n = n->next;
    return n;
}

bool IdleNotifier::Impl::isRipe(bool safe_only, long long now) {
    TimerNode* before = firstTimerBefore(safe_only);
    return before != tail && before->next->due_ms <= now;
}

// ---- socket activity ----------------------------------------------------------------------

bool IdleNotifier::Impl::anyPending() {
    for (int i = 0; i < socket_count; ++i) {
        SocketListener* listener = slots.listener[i];
        if (!listener) continue;
        if (slots.read_pending[i] || slots.write_pending[i] || slots.exception_pending[i] ||
            slots.dispatch_pending[i] || listener->wantsToStop())
            return true;
    }
    return false;
}

// Marks what each listener can do now: descriptors go through select, listeners without
// one (or with queued messages) are marked at once and make the wait zero.
void IdleNotifier::Impl::pollListeners(long timeout_ms) {
    fd_set read_set, write_set, exception_set;
    FD_ZERO(&read_set);
    FD_ZERO(&write_set);
    FD_ZERO(&exception_set);
    int max_fd = -1;
    auto watch = [&](SocketListener* listener, fd_set* set, unsigned char* pending) {
        int fd = listener->hasFD() ? listener->getFD() : -1;
        // A descriptor select cannot watch is treated like none: the listener is served on
        // every pass rather than never.
        if (fd < 0 || fd >= FD_SETSIZE) {
            *pending = 1;
            timeout_ms = 0;
            return;
        }
        FD_SET(fd, set);
        if (fd > max_fd) max_fd = fd;
    };
    for (int i = 0; i < socket_count; ++i) {
        SocketListener* listener = slots.listener[i];
        if (!listener) continue;
        if (listener->wantsToWrite()) watch(listener, &write_set, &slots.write_pending[i]);
        if (listener->wantsToReadException())
            watch(listener, &exception_set, &slots.exception_pending[i]);
        if (listener->wantsToRead()) watch(listener, &read_set, &slots.read_pending[i]);
        if (listener->wantsToDequeueAndDispatch()) {
            slots.dispatch_pending[i] = 1;
            timeout_ms = 0;
        }
    }

    struct timeval wait;
    if (timeout_ms < 0) timeout_ms = 0;
    wait.tv_sec = timeout_ms / 1000;
    wait.tv_usec = (timeout_ms % 1000) * 1000;
    // An interrupted or failed select counts as no activity; the caller comes round again.
    if (select(max_fd + 1, &read_set, &write_set, &exception_set, &wait) <= 0) return;

    for (int i = 0; i < socket_count; ++i) {
        SocketListener* listener = slots.listener[i];
        if (!listener || !listener->hasFD()) continue;
        int fd = listener->getFD();
        if (fd < 0 || fd >= FD_SETSIZE) continue;
        if (FD_ISSET(fd, &read_set)) {
            slots.read_pending[i] = 1;
            slots.dispatch_pending[i] = 0;
        }
        if (FD_ISSET(fd, &exception_set)) slots.exception_pending[i] = 1;
        if (FD_ISSET(fd, &write_set)) slots.write_pending[i] = 1;
    }
}

// Runs the handlers of every marked slot; the caller holds the lock, so a listener that
// removes itself only empties its slot and is skipped from then on.
bool IdleNotifier::Impl::dispatch() {
    bool ran = false;
    int count = socket_count;
    for (int i = 0; i < count; ++i) {
        SocketListener* listener = slots.listener[i];
        if (!listener) continue;
        if (slots.read_pending[i]) {
            slots.read_pending[i] = slots.dispatch_pending[i] = 0;
            listener->handleRead();
            ran = true;
            if (slots.listener[i] != listener) continue;
        }
        if (slots.exception_pending[i]) {
            slots.exception_pending[i] = 0;
            listener->handleException();
            ran = true;
            if (slots.listener[i] != listener) continue;
        }
        if (slots.write_pending[i]) {
            slots.write_pending[i] = 0;
            listener->handleWrite();
            ran = true;
            if (slots.listener[i] != listener) continue;
        }
        if (slots.dispatch_pending[i]) {
            slots.dispatch_pending[i] = 0;
            listener->handleDequeueAndDispatch();
            ran = true;
            if (slots.listener[i] != listener) continue;
        }
        if (listener->wantsToStop()) {
            listener->handleStop();
            ran = true;
        }
    }
    return ran;
}

// ---- the notifier -------------------------------------------------------------------------

IdleNotifier::IdleNotifier() : impl_(new Impl) {}

IdleNotifier::~IdleNotifier() {
    TimerNode* node = impl_->head.next;
    while (node) {
        TimerNode* next = node->next;
        delete node;
        node = next;
    }
    delete impl_;
}

IdleNotifier* getIdleNotifier() {
    if (!theNotifier && !theNotifierDestroyed) {
        theNotifier = new IdleNotifier;
        atexit(DestroyIdleNotifierAtExit);
    }
    return theNotifier;
}

void IdleNotifier::addIdleListener(Idler* idler) {
    if (idler) impl_->idlers.insert(idler);
}

void IdleNotifier::removeIdleListener(Idler* idler) {
    impl_->idlers.erase(idler);
}

void IdleNotifier::addSocketListener(SocketListener* listener) {
    if (!listener) return;
    impl_->lock();
    impl_->clearSlot(listener);
    if (impl_->socket_count == static_cast<int>(impl_->slots.listener.size())) impl_->growSockets();
    int i = impl_->socket_count++;
    impl_->slots.listener[i] = listener;
    impl_->slots.read_pending[i] = impl_->slots.write_pending[i] = 0;
    impl_->slots.exception_pending[i] = impl_->slots.dispatch_pending[i] = 0;
    impl_->unlock();
}

void IdleNotifier::removeSocketListener(SocketListener* listener) {
    if (!listener) return;
    impl_->lock();
    impl_->clearSlot(listener);
    impl_->unlock();
}

void IdleNotifier::addTimerListener(TimerListener* listener, long interval_ms) {
    if (!listener) return;
    if (interval_ms < 0) interval_ms = 0;
    TimerNode* node = new TimerNode;
    node->listener = listener;
    node->interval_ms = interval_ms;
    node->due_ms = ut_clock_ms() + interval_ms;
    node->serial = impl_->next_serial++;
    node->next = nullptr;
    impl_->insertTimer(node);
}

void IdleNotifier::removeTimerListener(TimerListener* listener) {
    TimerNode* prev = &impl_->head;
    while (prev->next) {
        if (prev->next->listener == listener)
            delete impl_->unlinkTimer(prev);
        else
            prev = prev->next;
    }
}

int IdleNotifier::getNumIdlers() const {
    return static_cast<int>(impl_->idlers.size()) + impl_->socket_count + impl_->timer_count;
}

void IdleNotifier::notifyIdle(bool safe_only) {
    if (impl_->idlers.empty()) return;
    // Handlers change the set under us, so the pass walks a snapshot and re-checks each
    // entry: an idler removed earlier in the pass is skipped, one added waits a pass.
    Idler* fixed[kIdlerSnapshotSize];
    std::vector<Idler*> heap;
    size_t count = impl_->idlers.size();
    Idler** snapshot = fixed;
    if (count >= static_cast<size_t>(kIdlerSnapshotSize)) {
        heap.resize(count);
        snapshot = heap.data();
    }
    size_t n = 0;
    for (Idler* idler : impl_->idlers) snapshot[n++] = idler;

    for (size_t i = 0; i < n; ++i) {
        Idler* idler = snapshot[i];
        if (!impl_->idlers.count(idler)) continue;
        if (safe_only && !idler->isIdlerSafe()) continue;
        idler->handleIdle(this);
    }
}

void IdleNotifier::notifyTimers(bool safe_only) {
    int remaining = impl_->timer_count;
    long long now = ut_clock_ms();
    while (remaining-- > 0 && impl_->isRipe(safe_only, now)) {
        TimerNode* n = impl_->firstTimerBefore(safe_only);
        __Assert(n != impl_->tail, "n != _tail", "../src/shared/libcxxutil/ut_idle.cc", __LINE__,
                 0);
        TimerNode* node = n->next;
        unsigned long serial = node->serial;
        node->listener->handleTimer(now);

        // The handler may have removed its own timer or added others: find it again.
        TimerNode* prev = &impl_->head;
        while (prev->next && prev->next->serial != serial) prev = prev->next;
        if (!prev->next) continue;
        node = impl_->unlinkTimer(prev);
        node->due_ms = now + node->interval_ms;
        impl_->insertTimer(node);
    }
}

bool IdleNotifier::notifySocketActivity(long timeout_ms, bool process, bool safe_timers_only) {
    if (process) {
        if (impl_->anyPending()) {
            impl_->lock();
            bool ran = impl_->dispatch();
            impl_->unlock();
            if (ran) return true;
        }
    } else if (pendingSocketActivityToProcess()) {
        timeout_ms = 0;
    }

    if (timeout_ms > 0) {
        long next_timer = getTimeBeforeNextTimer(safe_timers_only);
        if (next_timer >= 0 && next_timer < timeout_ms) timeout_ms = next_timer;
    }
    if (!process && timeout_ms < 1) return false;

    impl_->lock();
    impl_->pollListeners(timeout_ms);
    bool ran = process && impl_->dispatch();
    impl_->unlock();
    return ran;
}

long IdleNotifier::getTimeBeforeNextTimer(bool safe_only) const {
    TimerNode* before = impl_->firstTimerBefore(safe_only);
    if (before == impl_->tail) return -1;
    long long to_go = before->next->due_ms - ut_clock_ms();
    if (to_go < 0) return 0;
    return static_cast<long>(to_go);
}

bool IdleNotifier::pendingSocketActivityToProcess() {
    return impl_->anyPending();
}

bool IdleNotifier::pendingDequeueAndDispatch() {
    for (int i = 0; i < impl_->socket_count; ++i) {
        SocketListener* listener = impl_->slots.listener[i];
        if (listener && listener->wantsToDequeueAndDispatch()) return true;
    }
    return false;
}

DescriptorWakeUp::DescriptorWakeUp(int fd) : fd_(fd) {
    if (fd_ >= 0 && getIdleNotifier()) getIdleNotifier()->addSocketListener(this);
}

DescriptorWakeUp::~DescriptorWakeUp() {
    if (fd_ >= 0 && getIdleNotifier()) getIdleNotifier()->removeSocketListener(this);
}
