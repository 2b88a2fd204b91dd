// The gzip front end over ISA-L. ISA-L parses each member's header, inflates it and checks
// its trailer (crc_flag ISAL_GZIP); this file decides where members begin, what may follow
// the last one, and which byte of the file to blame when something is wrong. Inflate is a
// small state machine: before a member, in a member, in zero padding, finished.
#include "setup/engine/gzip_inflater.h"

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

const unsigned char kMagic1 = 0x1f;
const unsigned char kMagic2 = 0x8b;

// ISA-L counts its buffers in 32 bits.
uint32_t Clamp32(size_t size) {
    return static_cast<uint32_t>(std::min<size_t>(size, UINT32_MAX));
}

} // namespace

GzipInflater::GzipInflater() : state_(new inflate_state) {
    Restart();
}

GzipInflater::~GzipInflater() {
    delete state_;
}

void GzipInflater::Restart() {
    phase_ = kBeforeMember;
    final_ = kEnd;
    in_ = nullptr;
    inLeft_ = 0;
    inputEnded_ = false;
    heldMagic_ = false;
    members_ = 0;
    taken_ = 0;
    errorOffset_ = 0;
    outputTotal_ = 0;
}

void GzipInflater::Feed(const unsigned char* data, size_t size) {
    in_ = data;
    inLeft_ = size;
}

void GzipInflater::FeedEnd() {
    inputEnded_ = true;
}

uint64_t GzipInflater::InputOffset() const {
    // Whole bytes ISA-L has read ahead into its bit buffer are not yet used.
    if (phase_ != kInMember || state_->read_in_length <= 0) return taken_;
    return taken_ - static_cast<uint64_t>(state_->read_in_length / 8);
}

GzipInflater::Status GzipInflater::Inflate(unsigned char* out, size_t room, size_t* written) {
    for (;;) {
        bool more = false;
        Status status = kNeedInput;
        switch (phase_) {
        case kBeforeMember:
            more = StartMember(&status);
            break;
        case kInMember:
            more = RunMember(out, room, written, &status);
            break;
        case kPadding:
            more = SkipPadding(&status);
            break;
        case kFinished:
            return final_;
        }
        if (!more) return status;
    }
}

void GzipInflater::Take(size_t bytes) {
    in_ += bytes;
    inLeft_ -= bytes;
    taken_ += bytes;
}

bool GzipInflater::Finish(Status status, uint64_t offset, Status* answer) {
    phase_ = kFinished;
    final_ = *answer = status;
    errorOffset_ = offset;
    return false;
}

// Looks for the next member's magic. Before the first member anything else means the file
// is not gzip at all; after a member, zeros are padding, the end of the file is the end of
// the stream, and anything else is garbage where a member should start. A magic split
// between two pieces of input is held (one byte) and handed to ISA-L on its own.
bool GzipInflater::StartMember(Status* answer) {
    bool first = members_ == 0;
    Status wrong = first ? kNotGzip : kCorrupt;
    if (!heldMagic_) {
        if (inLeft_ == 0 && !inputEnded_) return *answer = kNeedInput, false;
        if (inLeft_ == 0) return first ? Finish(kNotGzip, 0, answer) : Finish(kEnd, 0, answer);
        if (!first && in_[0] == 0) return phase_ = kPadding, true;
        if (in_[0] != kMagic1) return Finish(wrong, taken_, answer);
        if (inLeft_ == 1 && inputEnded_) return Finish(wrong, taken_ + 1, answer);
        if (inLeft_ == 1) {
            Take(1);
            heldMagic_ = true;
            return *answer = kNeedInput, false;
        }
        if (in_[1] != kMagic2) return Finish(wrong, taken_, answer);
        BeginMember(nullptr);
        return true;
    }
    if (inLeft_ == 0 && !inputEnded_) return *answer = kNeedInput, false;
    if (inLeft_ == 0) return Finish(wrong, taken_, answer);
    if (in_[0] != kMagic2) return Finish(wrong, taken_ - 1, answer);
    unsigned char held[1] = {kMagic1};
    BeginMember(held);
    return true;
}

// Starts ISA-L on a member whose magic begins at the input (or, split, in `held`).
void GzipInflater::BeginMember(unsigned char* held) {
    // isal_inflate_init leaves some of the header reader's counters as it finds them, and a
    // header read across several pieces of input depends on them starting at zero.
    memset(state_, 0, sizeof *state_);
    isal_inflate_init(state_);
    state_->crc_flag = ISAL_GZIP;
    members_++;
    phase_ = kInMember;
    heldMagic_ = false;
    if (!held) return;
    // Only the header is being read: no output can come of one byte.
    unsigned char none[1];
    state_->next_in = held;
    state_->avail_in = 1;
    state_->next_out = none;
    state_->avail_out = 0;
    isal_inflate(state_);
}

bool GzipInflater::RunMember(unsigned char* out, size_t room, size_t* written, Status* answer) {
    if (*written >= room) return *answer = kOutputFull, false;
    uint32_t inGiven = Clamp32(inLeft_), outGiven = Clamp32(room - *written);
    state_->next_in = const_cast<unsigned char*>(in_);
    state_->avail_in = inGiven;
    state_->next_out = out + *written;
    state_->avail_out = outGiven;
    int result = isal_inflate(state_);
    size_t used = inGiven - state_->avail_in, produced = outGiven - state_->avail_out;
    Take(used);
    *written += produced;
    outputTotal_ += produced;

    if (result != ISAL_DECOMP_OK) return Finish(kCorrupt, InputOffset(), answer);
    if (state_->block_state == ISAL_BLOCK_FINISH) return phase_ = kBeforeMember, true;
    if (state_->avail_out == 0) return *answer = kOutputFull, false;
    if (used > 0 || produced > 0) return true;
    if (inLeft_ == 0 && !inputEnded_) return *answer = kNeedInput, false;
    // No progress with everything there is: the member stops short of its end.
    return Finish(kCorrupt, inLeft_ == 0 ? taken_ : InputOffset(), answer);
}

bool GzipInflater::SkipPadding(Status* answer) {
    const unsigned char* nonZero =
        std::find_if(in_, in_ + inLeft_, [](unsigned char c) { return c != 0; });
    Take(static_cast<size_t>(nonZero - in_));
    if (inLeft_ > 0) return Finish(kCorrupt, taken_, answer);
    if (!inputEnded_) return *answer = kNeedInput, false;
    return Finish(kEnd, 0, answer);
}
