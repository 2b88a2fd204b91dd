// One archive on its way to gtar: its tar stream, inflated ahead by the run's inflate
// pipeline, goes through the tar header scanner, so that the engine hears of every member
// before gtar sees the member's header, and then to gtar's standard input, written by the
// command runner (ExecAndDisplayCommand, install_child.cpp) as the pipe takes it.
// CommandInput is what the runner knows of it; start at ArchiveFeed::Pending.
#pragma once

#include <cstddef>
#include <string>

#include "setup/engine/inflate_pipeline.h"
#include "setup/engine/install_engine.h"
#include "setup/engine/tar_members.h"

// What a command reads on its standard input, handed to the runner piece by piece. No call
// ever blocks.
class CommandInput {
public:
    enum State {
        kReady,   // *data and *size: bytes to write now
        kWaiting, // nothing yet: sleep until WakeDescriptor() can be read
        kEnded,   // everything was given: close the command's standard input
        kFailed,  // the input broke off (Failure() says why when it can): close it too
    };
    virtual ~CommandInput() = default;

    // The same bytes again until Wrote takes them; kEnded and kFailed are final.
    virtual State Pending(const char** data, size_t* size) = 0;
    // The first `bytes` of what Pending gave are written.
    virtual void Wrote(size_t bytes) = 0;
    virtual int WakeDescriptor() const = 0;
    // The message for kFailed; empty when whoever broke it off has reported it.
    virtual const std::string& Failure() const = 0;
    // Between two polls of the runner: time to say how far the input has come.
    virtual void Tick() {}
    // The command is being stopped: what is left of the input is dropped at once.
    virtual void Stop() {}
};

// Called for each member before any byte of its header reaches gtar; false stops the
// archive right there (the caller has said why).
typedef bool (*ArchiveMemberHook)(const TarMember& member);

// The current archive of `pipeline`, fed to gtar. A stream that is not tar, or that the
// hook stops, is cut before the header that could not be passed on: what gtar would make of
// the rest cannot be known.
class ArchiveFeed : public CommandInput {
public:
    // `progress` is where the run stood when this archive began; Tick reports it with the
    // compressed input done so far.
    ArchiveFeed(InflatePipeline* pipeline, const ArchiveProgress& progress, ArchiveMemberHook hook);

    State Pending(const char** data, size_t* size) override;
    void Wrote(size_t bytes) override;
    int WakeDescriptor() const override { return pipeline_->Descriptor(); }
    const std::string& Failure() const override { return failure_; }
    void Tick() override;
    void Stop() override { pipeline_->Cancel(); }

    // The stream failed or was cut: the archive is not (wholly) expanded.
    bool Failed() const { return state_ == kFailed; }

private:
    void Scan(const InflatePipeline::Piece& piece);
    State End(State state, const std::string& failure);

    InflatePipeline* pipeline_;
    ArchiveProgress progress_;
    long long startedAt_; // progress_.bytesDone when the archive began
    ArchiveMemberHook hook_;
    TarMemberScanner scanner_;
    size_t passed_ = 0;     // bytes at the front of the pipeline's piece cleared for gtar
    bool stopping_ = false; // the stream stops once what is cleared is written ...
    std::string stop_;      // ... with this message
    State state_ = kReady;  // kEnded or kFailed once the stream is over
    std::string failure_;
};
