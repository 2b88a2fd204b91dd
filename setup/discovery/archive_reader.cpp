// Reading archives for discovery (see archive_reader.h). The pipeline inflates ahead on
// its threads; this side, on the calling thread, takes each archive's pieces in turn and
// walks them with the tar scanner (StreamWalk). The time limit of an archive starts when
// it becomes the current one, since before that it only waits its turn.
#include "setup/discovery/archive_reader.h"

#include <poll.h>

#include <algorithm>
#include <climits>

#include "setup/install_options.h"
#include "shared/libcxxutil/ut_clock.h"

namespace {

// One archive's tar stream, taken piece by piece.
class StreamWalk {
public:
    StreamWalk(size_t archive, MemberListener* listener) : archive_(archive), listener_(listener) {}

    // False once the stream is no tar stream; scanner().error() says why.
    bool Take(const unsigned char* data, size_t size) {
        const char* bytes = reinterpret_cast<const char*>(data);
        bytes_ += size;
        for (size_t at = 0; at < size;) {
            // Right after a header the scanner is at the member's contents.
            if (wanted_ > 0) {
                size_t given = static_cast<size_t>(std::min<uint64_t>(wanted_, size - at));
                listener_->Contents(archive_, bytes + at, given);
                wanted_ -= given;
            }
            size_t used = 0;
            TarMemberScanner::Status status = scanner_.Feed(bytes + at, size - at, &used);
            at += used;
            if (status == TarMemberScanner::kBad) return false;
            if (status != TarMemberScanner::kMember) continue;
            members_++;
            if (listener_)
                wanted_ = std::min(listener_->Member(archive_, scanner_.member()),
                                   scanner_.member().size);
        }
        return true;
    }

    const TarMemberScanner& scanner() const { return scanner_; }
    uint64_t bytes() const { return bytes_; }
    uint64_t members() const { return members_; }

private:
    size_t archive_;
    MemberListener* listener_;
    TarMemberScanner scanner_;
    uint64_t bytes_ = 0, members_ = 0;
    uint64_t wanted_ = 0; // contents still owed to the listener
};

std::string TimeLimitProblem(long limitMs) {
    long seconds = limitMs / 1000;
    return "unpacking did not finish within " + std::to_string(seconds) +
           (seconds == 1 ? " second" : " seconds") + " and was stopped";
}

// The pipeline names the archive in its messages; the caller names it already.
std::string WithoutPath(const std::string& message, const std::string& path) {
    std::string prefix = path + ": ";
    return message.compare(0, prefix.size(), prefix) == 0 ? message.substr(prefix.size()) : message;
}

// Sleeps until the pipeline has news or the deadline (-1: none) comes; false at the deadline.
bool WaitForPipeline(const InflatePipeline& pipeline, long long deadline) {
    int timeout = -1;
    if (deadline >= 0) {
        long long left = deadline - ut_clock_ms();
        if (left <= 0) return false;
        timeout = static_cast<int>(std::min<long long>(left, INT_MAX));
    }
    struct pollfd wake = {pipeline.Descriptor(), POLLIN, 0};
    poll(&wake, 1, timeout); // EINTR or a timeout: the caller looks again
    return true;
}

// The current archive of `pipeline`, read to its end, to its first fault or to its deadline.
ArchiveRead ReadCurrent(InflatePipeline& pipeline, size_t index, const std::string& path,
                        long limitMs, MemberListener* listener) {
    ArchiveRead result;
    StreamWalk walk(index, listener);
    long long deadline = limitMs > 0 ? ut_clock_ms() + limitMs : -1;
    for (;;) {
        InflatePipeline::Piece piece;
        std::string message;
        InflatePipeline::Step step = pipeline.Next(&piece, &message);
        if (step == InflatePipeline::kPiece) {
            if (!walk.Take(piece.data, piece.size)) {
                result.problem = walk.scanner().error();
                return result;
            }
            pipeline.Consumed(piece.size);
        } else if (step == InflatePipeline::kEnded) {
            if (!walk.scanner().EndedCleanly()) {
                result.problem =
                    "unexpected end of the tar stream at byte " + std::to_string(walk.bytes());
                return result;
            }
            result.streamBytes = walk.bytes();
            result.members = walk.members();
            return result;
        } else if (step == InflatePipeline::kFailed) {
            result.problem = WithoutPath(message, path);
            return result;
        } else if (step == InflatePipeline::kFinished) {
            result.problem = "reading was cancelled";
            return result;
        } else if (!WaitForPipeline(pipeline, deadline)) {
            result.problem = TimeLimitProblem(limitMs);
            return result;
        }
        // A large archive may deliver piece after piece without a wait in between.
        if (deadline >= 0 && ut_clock_ms() >= deadline) {
            result.problem = TimeLimitProblem(limitMs);
            return result;
        }
    }
}

} // namespace

ArchiveReadLimits DiscoveryReadLimits() {
    const InstallOptions& o = installOptions;
    ArchiveReadLimits limits;
    limits.inflate.jobs = o.inflateJobs;
    if (o.bufferMb > 0) limits.inflate.budgetBytes = static_cast<size_t>(o.bufferMb) << 20;
    int seconds = o.scanTimeout > 0 ? o.scanTimeout : kDefaultScanTimeoutSeconds;
    limits.timeLimitMs = seconds * 1000L;
    return limits;
}

std::vector<ArchiveRead> ReadArchives(const std::vector<std::string>& paths,
                                      const ArchiveReadLimits& limits, MemberListener* listener) {
    std::vector<ArchiveRead> results(paths.size());
    if (paths.empty()) return results;
    InflatePipeline pipeline(paths, limits.inflate);
    std::string error;
    if (!pipeline.Start(&error)) {
        for (size_t i = 0; i < paths.size(); i++) {
            results[i].problem = error;
            if (listener) listener->Ended(i, results[i]);
        }
        return results;
    }
    for (size_t i = 0; i < paths.size(); i++) {
        results[i] = ReadCurrent(pipeline, i, paths[i], limits.timeLimitMs, listener);
        pipeline.NextArchive();
        if (listener) listener->Ended(i, results[i]);
    }
    return results;
}
