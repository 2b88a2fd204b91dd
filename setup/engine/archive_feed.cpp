// An archive's stream fed to gtar (see archive_feed.h). The pipeline hands out the unwritten
// rest of its current piece; the scanner goes through it, the hook hearing of each member
// as its header ends, and clears it for gtar. Only what is cleared is offered to the
// runner, and nothing more is scanned until all of it is written.
#include "setup/engine/archive_feed.h"

namespace {
const size_t kTarBlock = 512; // a header
} // namespace

ArchiveFeed::ArchiveFeed(InflatePipeline* pipeline, const ArchiveProgress& progress,
                         ArchiveMemberHook hook)
    : pipeline_(pipeline), progress_(progress), startedAt_(progress.bytesDone), hook_(hook) {}

CommandInput::State ArchiveFeed::End(State state, const std::string& failure) {
    state_ = state;
    failure_ = failure;
    return state;
}

// Clears a fresh piece for gtar, every member in it heard of first, so that the piece can
// go in one write. Where the stream has to stop, what comes before the header at fault is
// still cleared (it completes the member before) and the stop waits until it is written.
void ArchiveFeed::Scan(const InflatePipeline::Piece& piece) {
    const char* data = reinterpret_cast<const char*>(piece.data);
    size_t cleared = 0;
    while (cleared < piece.size) {
        size_t used = 0;
        TarMemberScanner::Status status =
            scanner_.Feed(data + cleared, piece.size - cleared, &used);
        bool refused = status == TarMemberScanner::kMember && hook_ && !hook_(scanner_.member());
        if (status == TarMemberScanner::kBad || refused) {
            stop_ = status == TarMemberScanner::kBad
                        ? std::string(progress_.archive) + ": " + scanner_.error()
                        : std::string();
            stopping_ = true;
            cleared += used > kTarBlock ? used - kTarBlock : 0;
            break;
        }
        cleared += used;
    }
    passed_ = cleared;
}

CommandInput::State ArchiveFeed::Pending(const char** data, size_t* size) {
    if (state_ != kReady) return state_;
    InflatePipeline::Piece piece;
    std::string message;
    if (stopping_ && passed_ == 0) return End(kFailed, stop_);
    switch (pipeline_->Next(&piece, &message)) {
    case InflatePipeline::kPiece:
        if (passed_ == 0) Scan(piece);
        if (passed_ == 0) return End(kFailed, stop_); // stopped at the piece's first header
        *data = reinterpret_cast<const char*>(piece.data);
        *size = passed_;
        return kReady;
    case InflatePipeline::kNotYet:
        return kWaiting;
    case InflatePipeline::kEnded:
        return End(kEnded, "");
    case InflatePipeline::kFailed:
        return End(kFailed, message);
    case InflatePipeline::kFinished:
        break;
    }
    return End(kFailed, ""); // the pipeline was stopped: a cancel, reported where it came from
}

void ArchiveFeed::Wrote(size_t bytes) {
    if (bytes > passed_) bytes = passed_;
    pipeline_->Consumed(bytes);
    passed_ -= bytes;
}

void ArchiveFeed::Tick() {
    InflateProgress inflated = pipeline_->Progress(pipeline_->CurrentArchive());
    progress_.bytesDone = startedAt_ + inflated.compressedDone;
    if (theProgressView) theProgressView->ArchiveAdvanced(progress_);
}
