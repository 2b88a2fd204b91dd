// Archives inflated ahead on worker threads and handed to one consumer strictly in list
// order, piece by piece, within a memory budget. The consumer is an event loop: it never
// blocks on the workers, it sleeps on Descriptor() with its other descriptors. Start at
// InflatePipeline::Next; the workers and the one queue between them are in the .cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The most inflating threads one pipeline runs, whatever the machine.
constexpr int kMaxInflateJobs = 8;
// Inflated bytes held ahead by default (the "-buffer_mb" option's default).
constexpr size_t kDefaultInflateBudget = size_t(256) << 20;
// Memory the archive being consumed may use beyond the budget, so that read-ahead of later
// archives can never starve it. Held memory stays within budget + reserve; each thread's
// own buffers (ISA-L's state and one read, about 220 KiB) come on top.
constexpr size_t kInflateReserve = size_t(16) << 20;
// Inflated bytes per piece; also the most a worker inflates between looks at the cancel flag.
constexpr size_t kInflatePieceBytes = size_t(256) << 10;

// The processors this process may run on, from 1 to kMaxInflateJobs.
int DefaultInflateJobs();

struct InflateLimits {
    int jobs = 0; // inflating threads; 0 or less: DefaultInflateJobs(). 1: one archive at a time
    size_t budgetBytes = kDefaultInflateBudget;
    size_t reserveBytes = kInflateReserve;
    size_t pieceBytes = kInflatePieceBytes;
};

// How far one archive has come. The consumer's side counts: an archive read ahead has
// done nothing until the consumer takes its pieces.
struct InflateProgress {
    int64_t compressedSize = -1; // the file's size, once a worker has opened it
    int64_t compressedDone = 0;  // compressed bytes behind the pieces the consumer has taken
    int64_t streamDone = 0;      // inflated bytes the consumer has taken
    int64_t streamTotal = -1;    // the inflated size, once inflating it has ended well
};

// One job list: its archives inflated ahead by up to `jobs` threads, taken in order by one
// consumer thread. Errors name the archive: "<archive>: not a gzip file", "<archive>:
// corrupt compressed data at byte N", "<archive>: cannot open: <reason>" (or "cannot
// read"). Destroying the pipeline cancels it. Every call belongs to the consumer's thread.
class InflatePipeline {
public:
    enum Step {
        kPiece,    // *piece holds the next bytes of the current archive
        kNotYet,   // nothing new yet: wait for Descriptor() to become readable
        kEnded,    // the current archive ended well: NextArchive moves on
        kFailed,   // the current archive failed, *message says why: NextArchive moves on
        kFinished, // every archive was taken, or the pipeline was cancelled
    };
    struct Piece {
        const unsigned char* data = nullptr;
        size_t size = 0;
    };

    explicit InflatePipeline(std::vector<std::string> archives,
                             const InflateLimits& limits = InflateLimits());
    ~InflatePipeline();
    InflatePipeline(const InflatePipeline&) = delete;
    InflatePipeline& operator=(const InflatePipeline&) = delete;

    // Starts the threads; false with *error when the system refused (no thread, no pipe).
    bool Start(std::string* error);
    // Readable whenever Next may have something new to say; Next empties it.
    int Descriptor() const;

    // Never blocks. kPiece gives the unwritten rest of the current piece (the same bytes
    // again until Consumed takes them); the other steps repeat until NextArchive.
    Step Next(Piece* piece, std::string* message);
    // The first `bytes` of the piece Next gave were written; a piece written whole goes
    // back to the budget.
    void Consumed(size_t bytes);
    // Done with the current archive, whatever its state: what is left of it is dropped (its
    // worker stops) and the next archive becomes current.
    void NextArchive();
    // Stops every worker at once, waits for them to end and frees every buffer.
    void Cancel();

    size_t ArchiveCount() const;
    size_t CurrentArchive() const;
    InflateProgress Progress(size_t archive) const;
    int Jobs() const;
    // Inflated bytes in memory now (queued, being filled or kept for reuse), and the most
    // there ever were; never above budget + reserve.
    size_t BytesHeld() const;
    size_t HighWater() const;

private:
    class Handover;
    std::unique_ptr<Handover> handover_;
};
