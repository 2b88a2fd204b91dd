// The inflate pipeline: worker threads claim archives in list order, inflate each into
// pieces and hand finished pieces over the one queue below (Handover), which is all they
// share with the consumer. Read Handover's budget rules first (TakeBuffer), then a worker's
// walk through one archive (InflateArchive), then the consumer's calls at the end.
#include "setup/engine/inflate_pipeline.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#ifdef __linux__
#include <sched.h>
#endif

#include "setup/engine/gzip_inflater.h"
#include "shared/gen_hooks.h"

namespace {

// Compressed bytes a worker reads at a time.
const size_t kReadBytes = size_t(128) << 10;
// The smallest piece worth a trip through the queue.
const size_t kMinPieceBytes = size_t(4) << 10;

std::string SystemReason(const std::string& archive, const char* what, int error) {
    return archive + ": " + what + ": " + strerror(error);
}

// Piece buffers. The engine starts a child for every archive while read-ahead holds up to
// the budget; a fork would mark every page of it copy-on-write, and each later write into a
// reused buffer would then fault. Where the system allows, buffers are mappings of their own
// that children never receive, filled with pages at once rather than a fault at a time;
// elsewhere they are plain heap blocks.
#if defined(__linux__) && defined(MADV_DONTFORK)

unsigned char* NewBuffer(size_t bytes) {
    void* data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (data == MAP_FAILED) gen_out_of_memory(bytes);
    madvise(data, bytes, MADV_DONTFORK);
    return static_cast<unsigned char*>(data);
}

void FreeBuffer(unsigned char* data, size_t bytes) {
    munmap(data, bytes);
}

// Gives back what lies beyond the first `keep` bytes; *bytes becomes what is still held.
unsigned char* ShrinkBuffer(unsigned char* data, size_t* bytes, size_t keep) {
    size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    size_t kept = (keep + page - 1) / page * page;
    if (kept < *bytes) munmap(data + kept, *bytes - kept), *bytes = kept;
    return data;
}

#else

unsigned char* NewBuffer(size_t bytes) {
    void* data = malloc(bytes);
    if (!data) gen_out_of_memory(bytes);
    return static_cast<unsigned char*>(data);
}

void FreeBuffer(unsigned char* data, size_t) {
    free(data);
}

unsigned char* ShrinkBuffer(unsigned char* data, size_t* bytes, size_t keep) {
    void* smaller = realloc(data, keep);
    if (!smaller) return data;
    *bytes = keep;
    return static_cast<unsigned char*>(smaller);
}

#endif

} // namespace

int DefaultInflateJobs() {
    long cores = 0;
#ifdef __linux__
    // The processors this process may use, which a container or taskset may narrow.
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) cores = CPU_COUNT(&set);
#endif
    if (cores <= 0) cores = sysconf(_SC_NPROCESSORS_ONLN);
    return static_cast<int>(std::min<long>(std::max<long>(cores, 1), kMaxInflateJobs));
}

// What the workers and the consumer share, under one mutex. Piece buffers are raw memory
// rather than objects (they need no zero filling), and full-sized ones are kept in a pool
// for the next piece instead of going back to the system.
class InflatePipeline::Handover {
public:
    struct QueuedPiece {
        unsigned char* data;
        size_t size;       // inflated bytes in it
        size_t accounted;  // what it counts against the budget
        size_t taken;      // written by the consumer so far
        uint64_t inputEnd; // compressed offset reached when it was finished
    };
    struct Slot {
        std::string path;
        std::deque<QueuedPiece> pieces;
        bool done = false;    // its worker has finished with it
        bool ok = false;      // ... and it ended well
        bool dropped = false; // the consumer has left it; its worker stops
        std::string message;
        uint64_t endOffset = 0; // compressed offset where it ended or failed
        InflateProgress progress;
    };

    Handover(std::vector<std::string> archives, const InflateLimits& limits);
    ~Handover();

    bool Start(std::string* error);
    void Stop();

    // The worker's side.
    void RunWorker();
    bool Claim(size_t* index);
    bool Stopped(size_t index);
    unsigned char* TakeBuffer(size_t index);
    void Deliver(size_t index, unsigned char* data, size_t size, uint64_t inputEnd);
    void GiveBack(unsigned char* data);
    void Opened(size_t index, int64_t size);
    void Close(size_t index, const std::string& failure, uint64_t endOffset, int64_t total);
    void InflateArchive(size_t index, GzipInflater* inflater, unsigned char* input);

    // The consumer's side.
    Step Next(Piece* piece, std::string* message);
    void Consumed(size_t bytes);
    void NextArchive();

    mutable std::mutex mutex;
    std::vector<Slot> slots;
    size_t current = 0;
    int jobs;
    size_t budget, reserve, pieceBytes;
    size_t held = 0, highWater = 0;
    int wakeRead = -1, wakeWrite = -1;

private:
    void Wake();
    void DrainWake();
    void Release(const QueuedPiece& piece);
    void FreeAll();

    std::condition_variable changed_; // the budget, the current archive or the cancel flag
    std::vector<std::thread> threads_;
    std::vector<unsigned char*> pool_;
    size_t inUse_ = 0;   // bytes of pieces given to archives
    size_t claimed_ = 0; // archives handed to workers
    bool cancelled_ = false;
    bool wakePending_ = false;
};

InflatePipeline::Handover::Handover(std::vector<std::string> archives, const InflateLimits& limits)
    : slots(archives.size()) {
    for (size_t i = 0; i < archives.size(); i++) slots[i].path = std::move(archives[i]);
    jobs = limits.jobs > 0 ? std::min(limits.jobs, kMaxInflateJobs) : DefaultInflateJobs();
    // A piece must fit the budget and the reserve, or the current archive could wait forever.
    pieceBytes = std::max(kMinPieceBytes,
                          std::min({limits.pieceBytes, limits.budgetBytes, limits.reserveBytes}));
    size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    pieceBytes = (pieceBytes + page - 1) / page * page; // whole pages, for NewBuffer
    budget = std::max(limits.budgetBytes, pieceBytes);
    reserve = std::max(limits.reserveBytes, pieceBytes);
}

InflatePipeline::Handover::~Handover() {
    Stop();
    if (wakeRead >= 0) close(wakeRead);
    if (wakeWrite >= 0) close(wakeWrite);
}

bool InflatePipeline::Handover::Start(std::string* error) {
    if (wakeRead >= 0) return true; // started already
    int fds[2];
    if (pipe(fds) != 0) {
        *error = std::string("cannot make a pipe for the inflating threads: ") + strerror(errno);
        return false;
    }
    wakeRead = fds[0], wakeWrite = fds[1];
    for (int fd : fds) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    // Signals are for the main thread, whose waits they must interrupt: the workers are born
    // with every signal blocked.
    sigset_t all, saved;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &saved);
    size_t wanted = std::min(static_cast<size_t>(jobs), slots.size());
    int failure = 0;
    for (size_t i = 0; i < wanted && failure == 0; i++) {
        try {
            threads_.emplace_back([this] { RunWorker(); });
        } catch (const std::system_error& e) {
            failure = e.code().value();
        }
    }
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    // Fewer threads than asked only make the pipeline slower; none at all is an error.
    if (threads_.empty() && wanted > 0) {
        *error = std::string("cannot start an inflating thread: ") + strerror(failure);
        return false;
    }
    return true;
}

void InflatePipeline::Handover::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        cancelled_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
    std::lock_guard<std::mutex> lock(mutex);
    FreeAll();
}

void InflatePipeline::Handover::FreeAll() {
    for (Slot& slot : slots) {
        for (const QueuedPiece& piece : slot.pieces) FreeBuffer(piece.data, piece.accounted);
        slot.pieces.clear();
    }
    for (unsigned char* data : pool_) FreeBuffer(data, pieceBytes);
    pool_.clear();
    held = inUse_ = 0;
}

// ---- The worker's side ---------------------------------------------------------------

void InflatePipeline::Handover::RunWorker() {
    // Owned by this thread alone, kept from one archive to the next.
    GzipInflater inflater;
    std::unique_ptr<unsigned char, void (*)(void*)> input(
        static_cast<unsigned char*>(malloc(kReadBytes)), free);
    if (!input) gen_out_of_memory(kReadBytes);
    size_t index;
    while (Claim(&index)) InflateArchive(index, &inflater, input.get());
}

// The next archive in list order. With one job only the current archive is claimed, so
// nothing is inflated ahead.
bool InflatePipeline::Handover::Claim(size_t* index) {
    std::unique_lock<std::mutex> lock(mutex);
    changed_.wait(lock, [this] { return cancelled_ || jobs > 1 || claimed_ <= current; });
    if (cancelled_ || claimed_ >= slots.size()) return false;
    *index = claimed_++;
    return true;
}

bool InflatePipeline::Handover::Stopped(size_t index) {
    std::lock_guard<std::mutex> lock(mutex);
    return cancelled_ || slots[index].dropped;
}

// A buffer of pieceBytes for archive `index`, waiting while the budget is full; null when
// the pipeline is cancelled or the archive dropped meanwhile. Archives read ahead share the
// budget; the current archive may go beyond it by the reserve. Read-ahead therefore never
// holds more than the budget, and the current archive always finds room unless its own
// pieces fill the reserve, which the consumer is then emptying.
unsigned char* InflatePipeline::Handover::TakeBuffer(size_t index) {
    std::unique_lock<std::mutex> lock(mutex);
    changed_.wait(lock, [&] {
        size_t limit = index == current ? budget + reserve : budget;
        return cancelled_ || slots[index].dropped || inUse_ + pieceBytes <= limit;
    });
    if (cancelled_ || slots[index].dropped) return nullptr;
    inUse_ += pieceBytes;
    if (!pool_.empty()) {
        unsigned char* data = pool_.back();
        pool_.pop_back();
        return data;
    }
    unsigned char* data = NewBuffer(pieceBytes);
    held += pieceBytes;
    highWater = std::max(highWater, held);
    return data;
}

void InflatePipeline::Handover::Deliver(size_t index, unsigned char* data, size_t size,
                                        uint64_t inputEnd) {
    size_t accounted = pieceBytes;
    // A short last piece of a small archive would hold a full piece of the budget while it
    // waits its turn.
    if (size < pieceBytes / 2) data = ShrinkBuffer(data, &accounted, size);
    std::lock_guard<std::mutex> lock(mutex);
    held -= pieceBytes - accounted;
    inUse_ -= pieceBytes - accounted;
    QueuedPiece piece = {data, size, accounted, 0, inputEnd};
    if (cancelled_ || slots[index].dropped) {
        Release(piece);
        return;
    }
    slots[index].pieces.push_back(piece);
    if (index == current) Wake();
}

void InflatePipeline::Handover::GiveBack(unsigned char* data) {
    std::lock_guard<std::mutex> lock(mutex);
    Release(QueuedPiece{data, 0, pieceBytes, 0, 0});
}

// Under the mutex: a piece leaves its archive and its bytes go back to the budget.
void InflatePipeline::Handover::Release(const QueuedPiece& piece) {
    inUse_ -= piece.accounted;
    if (piece.accounted == pieceBytes && !cancelled_) {
        pool_.push_back(piece.data);
    } else {
        FreeBuffer(piece.data, piece.accounted);
        held -= piece.accounted;
    }
    changed_.notify_all();
}

void InflatePipeline::Handover::Opened(size_t index, int64_t size) {
    std::lock_guard<std::mutex> lock(mutex);
    slots[index].progress.compressedSize = size;
}

// The worker is done with archive `index`: it ended well when `failure` is empty.
void InflatePipeline::Handover::Close(size_t index, const std::string& failure, uint64_t endOffset,
                                      int64_t total) {
    std::lock_guard<std::mutex> lock(mutex);
    Slot& slot = slots[index];
    slot.done = true;
    slot.ok = failure.empty();
    slot.message = failure;
    slot.endOffset = endOffset;
    if (slot.ok) slot.progress.streamTotal = total;
    if (index == current) Wake();
}

// One archive from open to close. Each turn of the loop either reads once or inflates at
// most one piece, and looks at the cancel flag in between.
void InflatePipeline::Handover::InflateArchive(size_t index, GzipInflater* inflater,
                                               unsigned char* input) {
    const std::string& path = slots[index].path; // never changes once made
    // Without O_NONBLOCK a FIFO in the archive's place would hold the open, and a cancel
    // waiting for this thread, until someone wrote to it.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        Close(index, SystemReason(path, "cannot open", errno), 0, -1);
        return;
    }
    struct stat status;
    std::string refusal;
    if (fstat(fd, &status) != 0) refusal = SystemReason(path, "cannot read", errno);
    if (refusal.empty() && !S_ISREG(status.st_mode)) refusal = path + ": not a regular file";
    if (!refusal.empty()) {
        close(fd);
        Close(index, refusal, 0, -1);
        return;
    }
    Opened(index, static_cast<int64_t>(status.st_size));
    inflater->Restart();
    unsigned char* piece = nullptr;
    size_t filled = 0;
    std::string failure;
    GzipInflater::Status result = GzipInflater::kNeedInput;
    while (!Stopped(index)) {
        if (!piece && !(piece = TakeBuffer(index))) break;
        result = inflater->Inflate(piece, pieceBytes, &filled);
        if (result == GzipInflater::kNeedInput) {
            ssize_t got = read(fd, input, kReadBytes);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                failure = SystemReason(path, "cannot read", errno);
                break;
            }
            if (got > 0) inflater->Feed(input, static_cast<size_t>(got));
            if (got == 0) inflater->FeedEnd();
            continue;
        }
        if (filled > 0) Deliver(index, piece, filled, inflater->InputOffset());
        if (filled > 0) piece = nullptr, filled = 0;
        if (result == GzipInflater::kOutputFull) continue;
        if (result == GzipInflater::kNotGzip) failure = path + ": not a gzip file";
        if (result == GzipInflater::kCorrupt)
            failure = path + ": corrupt compressed data at byte " +
                      std::to_string(inflater->ErrorOffset());
        break;
    }
    if (piece) GiveBack(piece);
    close(fd);
    bool ended = !failure.empty() || result == GzipInflater::kEnd;
    if (!ended) return; // stopped: nobody waits for this archive any more
    uint64_t end =
        result == GzipInflater::kCorrupt ? inflater->ErrorOffset() : inflater->InputOffset();
    Close(index, failure, end, static_cast<int64_t>(inflater->OutputTotal()));
}

// ---- The consumer's side -------------------------------------------------------------

// Under the mutex, so that a worker's wake-up cannot fall between the consumer's last look
// and its sleep: one byte at most is ever in the pipe.
void InflatePipeline::Handover::Wake() {
    if (wakePending_ || wakeWrite < 0) return;
    char byte = 1;
    if (write(wakeWrite, &byte, 1) == 1) wakePending_ = true;
}

void InflatePipeline::Handover::DrainWake() {
    if (!wakePending_) return;
    char byte;
    while (read(wakeRead, &byte, 1) < 0 && errno == EINTR) {
    }
    wakePending_ = false;
}

InflatePipeline::Step InflatePipeline::Handover::Next(Piece* piece, std::string* message) {
    std::lock_guard<std::mutex> lock(mutex);
    DrainWake();
    if (cancelled_ || current >= slots.size()) return kFinished;
    Slot& slot = slots[current];
    if (!slot.pieces.empty()) {
        const QueuedPiece& front = slot.pieces.front();
        piece->data = front.data + front.taken;
        piece->size = front.size - front.taken;
        return kPiece;
    }
    if (!slot.done) return kNotYet;
    slot.progress.compressedDone = static_cast<int64_t>(slot.endOffset);
    if (slot.ok) return kEnded;
    if (message) *message = slot.message;
    return kFailed;
}

void InflatePipeline::Handover::Consumed(size_t bytes) {
    std::lock_guard<std::mutex> lock(mutex);
    if (cancelled_ || current >= slots.size() || slots[current].pieces.empty()) return;
    Slot& slot = slots[current];
    QueuedPiece& front = slot.pieces.front();
    bytes = std::min(bytes, front.size - front.taken);
    front.taken += bytes;
    slot.progress.streamDone += static_cast<int64_t>(bytes);
    if (front.taken < front.size) return;
    slot.progress.compressedDone = static_cast<int64_t>(front.inputEnd);
    Release(front);
    slot.pieces.pop_front();
}

void InflatePipeline::Handover::NextArchive() {
    std::lock_guard<std::mutex> lock(mutex);
    if (cancelled_ || current >= slots.size()) return;
    Slot& left = slots[current];
    left.dropped = true;
    for (const QueuedPiece& piece : left.pieces) Release(piece);
    left.pieces.clear();
    current++;
    changed_.notify_all(); // the reserve moved on; with one job the next archive may start
    if (current < slots.size() && (slots[current].done || !slots[current].pieces.empty())) Wake();
}

// ---- InflatePipeline -----------------------------------------------------------------

InflatePipeline::InflatePipeline(std::vector<std::string> archives, const InflateLimits& limits)
    : handover_(new Handover(std::move(archives), limits)) {}

InflatePipeline::~InflatePipeline() = default;

bool InflatePipeline::Start(std::string* error) {
    return handover_->Start(error);
}

int InflatePipeline::Descriptor() const {
    return handover_->wakeRead;
}

InflatePipeline::Step InflatePipeline::Next(Piece* piece, std::string* message) {
    return handover_->Next(piece, message);
}

void InflatePipeline::Consumed(size_t bytes) {
    handover_->Consumed(bytes);
}

void InflatePipeline::NextArchive() {
    handover_->NextArchive();
}

void InflatePipeline::Cancel() {
    handover_->Stop();
}

size_t InflatePipeline::ArchiveCount() const {
    return handover_->slots.size();
}

size_t InflatePipeline::CurrentArchive() const {
    std::lock_guard<std::mutex> lock(handover_->mutex);
    return handover_->current;
}

InflateProgress InflatePipeline::Progress(size_t archive) const {
    std::lock_guard<std::mutex> lock(handover_->mutex);
    if (archive >= handover_->slots.size()) return InflateProgress();
    return handover_->slots[archive].progress;
}

int InflatePipeline::Jobs() const {
    return handover_->jobs;
}

size_t InflatePipeline::BytesHeld() const {
    std::lock_guard<std::mutex> lock(handover_->mutex);
    return handover_->held;
}

size_t InflatePipeline::HighWater() const {
    std::lock_guard<std::mutex> lock(handover_->mutex);
    return handover_->highWater;
}
