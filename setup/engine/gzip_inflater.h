// One gzip file inflated as a stream with ISA-L, fed in whatever pieces the file is read
// in: members one after another as gzip itself takes them, zero padding after the last
// member accepted, every member's trailer checked. Used by the inflate pipeline's workers
// (inflate_pipeline.cpp); start at GzipInflater::Inflate.
#pragma once

#include <cstddef>
#include <cstdint>

struct inflate_state;

// Inflates one file. Not copyable: it owns ISA-L's state, which is large (about 85 KiB),
// so one inflater serves many files through Restart.
class GzipInflater {
public:
    enum Status {
        kNeedInput,  // everything fed so far is taken: Feed more, or FeedEnd
        kOutputFull, // the room given was filled: call again with fresh room
        kEnd,        // the file ended well after its last member (and any zero padding)
        kNotGzip,    // the file is empty or does not start with the gzip magic
        kCorrupt,    // a member is damaged, truncated or followed by garbage: ErrorOffset
    };

    GzipInflater();
    ~GzipInflater();
    GzipInflater(const GzipInflater&) = delete;
    GzipInflater& operator=(const GzipInflater&) = delete;

    // Forgets the file so far; the next byte fed is the first of a new file.
    void Restart();
    // The next bytes of the file. They must stay in place until Inflate answers kNeedInput.
    void Feed(const unsigned char* data, size_t size);
    // The file has no more bytes.
    void FeedEnd();
    // Writes up to `room` bytes of the stream to `out` and adds their number to *written.
    // kEnd, kNotGzip and kCorrupt are final until Restart.
    Status Inflate(unsigned char* out, size_t room, size_t* written);

    // The bytes of the file taken so far; those still buffered inside ISA-L count as not
    // taken, so after a failure this is where inflate stopped.
    uint64_t InputOffset() const;
    // Where the file went wrong (valid after kCorrupt): the offset in the compressed file.
    uint64_t ErrorOffset() const { return errorOffset_; }
    // The bytes of stream written since Restart.
    uint64_t OutputTotal() const { return outputTotal_; }

private:
    enum Phase { kBeforeMember, kInMember, kPadding, kFinished };

    // Each step either moves to another phase (true: go round again) or has an answer for
    // the caller in *answer (false).
    bool StartMember(Status* answer);
    void BeginMember(unsigned char* held);
    bool RunMember(unsigned char* out, size_t room, size_t* written, Status* answer);
    bool SkipPadding(Status* answer);
    bool Finish(Status status, uint64_t offset, Status* answer);
    void Take(size_t bytes);

    inflate_state* state_;
    Phase phase_ = kBeforeMember;
    Status final_ = kEnd; // what kFinished answers
    const unsigned char* in_ = nullptr;
    size_t inLeft_ = 0;
    bool inputEnded_ = false;
    bool heldMagic_ = false; // a first magic byte taken at the end of a piece
    int members_ = 0;        // started so far
    uint64_t taken_ = 0;
    uint64_t errorOffset_ = 0;
    uint64_t outputTotal_ = 0;
};
