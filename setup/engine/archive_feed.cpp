// An archive's stream fed to gtar (see archive_feed.h). The pipeline hands out the unwritten
// rest of its current piece; the scanner clears the front of it for gtar up to the end of
// the next member header, where the hook hears of the member first. Only what is cleared
// is offered to the runner, and nothing more is scanned until all of it is written.
#include "setup/engine/archive_feed.h"

ArchiveFeed::ArchiveFeed(InflatePipeline* pipeline, const ArchiveProgress& progress,
                         ArchiveMemberHook hook)
    : pipeline_(pipeline), progress_(progress), startedAt_(progress.bytesDone), hook_(hook) {}

CommandInput::State ArchiveFeed::End(State state, const std::string& failure) {
    state_ = state;
    failure_ = failure;
    return state;
}

// Clears the front of a fresh piece for gtar; false when the stream has to stop here.
bool ArchiveFeed::Scan(const InflatePipeline::Piece& piece) {
    size_t used = 0;
    TarMemberScanner::Status status =
        scanner_.Feed(reinterpret_cast<const char*>(piece.data), piece.size, &used);
    if (status == TarMemberScanner::kBad) {
        End(kFailed, std::string(progress_.archive) + ": " + scanner_.error());
        return false;
    }
    if (status == TarMemberScanner::kMember && hook_ && !hook_(scanner_.member())) {
        End(kFailed, "");
        return false;
    }
    passed_ = used;
    return true;
}

CommandInput::State ArchiveFeed::Pending(const char** data, size_t* size) {
    if (state_ != kReady) return state_;
    InflatePipeline::Piece piece;
    std::string message;
    switch (pipeline_->Next(&piece, &message)) {
    case InflatePipeline::kPiece:
        if (passed_ == 0 && !Scan(piece)) return state_;
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
