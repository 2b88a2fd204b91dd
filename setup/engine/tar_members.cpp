// The tar header scanner. Feed copies header bytes into one 512-byte block and skips
// contents without looking at them; a complete block goes to TakeBlock, which either
// starts the contents of an extended header (collected into meta_) or, for a real header,
// assembles the member from the header and whatever extended headers came before it.
#include "setup/engine/tar_members.h"

#include <algorithm>
#include <cstring>

namespace {

const size_t kBlock = 512;
// Extended headers are collected whole; a real one is far smaller than this.
const uint64_t kLongestMeta = 8 << 20;

// Field offsets and lengths of a header block.
const size_t kNameAt = 0, kNameLength = 100;
const size_t kModeAt = 100, kModeLength = 8;
const size_t kSizeAt = 124, kSizeLength = 12;
const size_t kChecksumAt = 148, kChecksumLength = 8;
const size_t kTypeAt = 156;
const size_t kLinkAt = 157, kLinkLength = 100;
const size_t kMagicAt = 257;
const size_t kPrefixAt = 345, kPrefixLength = 155;
const size_t kSparseExtendedAt = 482;    // old GNU sparse header: more sparse blocks follow
const size_t kExtensionExtendedAt = 504; // the same flag in each of those blocks

uint64_t Padding(uint64_t size) {
    return (kBlock - size % kBlock) % kBlock;
}

std::string Field(const unsigned char* block, size_t at, size_t length) {
    const char* start = reinterpret_cast<const char*>(block + at);
    return std::string(start, strnlen(start, length));
}

// A numeric field: octal digits between optional blanks and NULs, or GNU's base-256 form
// (first byte 0x80) for values too large for octal. False when it is neither.
bool Number(const unsigned char* field, size_t length, uint64_t* value) {
    *value = 0;
    if (field[0] == 0x80) {
        for (size_t i = 1; i < length; i++) {
            if (*value >> 56) return false;
            *value = (*value << 8) | field[i];
        }
        return true;
    }
    size_t i = 0;
    while (i < length && (field[i] == ' ' || field[i] == 0)) i++;
    bool digits = false;
    for (; i < length && field[i] >= '0' && field[i] <= '7'; i++, digits = true) {
        if (*value >> 60) return false;
        *value = *value * 8 + (field[i] - '0');
    }
    for (; i < length; i++)
        if (field[i] != ' ' && field[i] != 0) return false;
    return digits || *value == 0;
}

bool ChecksumMatches(const unsigned char* block) {
    uint64_t stored = 0;
    if (!Number(block + kChecksumAt, kChecksumLength, &stored)) return false;
    // The sum is taken with the checksum field read as blanks.
    int64_t sum = 8 * ' ';
    for (size_t i = 0; i < kBlock; i++) sum += block[i];
    for (size_t i = kChecksumAt; i < kChecksumAt + kChecksumLength; i++) sum -= block[i];
    if (static_cast<int64_t>(stored) == sum) return true;
    // Some old archivers summed signed bytes; gtar accepts that too.
    int64_t signedSum = 8 * ' ';
    for (size_t i = 0; i < kBlock; i++) signedSum += static_cast<signed char>(block[i]);
    for (size_t i = kChecksumAt; i < kChecksumAt + kChecksumLength; i++)
        signedSum -= static_cast<signed char>(block[i]);
    return static_cast<int64_t>(stored) == signedSum;
}

bool AllZero(const unsigned char* block) {
    for (size_t i = 0; i < kBlock; i++)
        if (block[i]) return false;
    return true;
}

// Types without contents, whatever their size field says.
bool HasNoContents(char type) {
    return type >= '1' && type <= '6';
}

TarMember::Type MemberType(char type, bool trailingSlash) {
    switch (type) {
    case '1':
        return TarMember::kHardLink;
    case '2':
        return TarMember::kSymlink;
    case '3': // character device
    case '4': // block device
    case '6': // fifo
        return TarMember::kOther;
    case '5':
    case 'D': // GNU dump directory
        return TarMember::kDirectory;
    case '0':
    case 0:
        // Old archivers mark a directory by a trailing slash on a plain file.
        return trailingSlash ? TarMember::kDirectory : TarMember::kFile;
    default:
        // Contiguous, sparse and unknown types are extracted as plain files.
        return TarMember::kFile;
    }
}

// One "LEN key=value\n" record after another; false when the text is not made of them.
bool ForEachPaxRecord(const std::string& text,
                      bool (*take)(void* context, const std::string&, const std::string&),
                      void* context) {
    size_t at = 0;
    while (at < text.size()) {
        if (text[at] == 0) break; // padding some writers leave in the contents
        size_t space = text.find(' ', at);
        if (space == std::string::npos || space == at || space - at > 18) return false;
        uint64_t length = 0;
        for (size_t i = at; i < space; i++) {
            if (text[i] < '0' || text[i] > '9') return false;
            length = length * 10 + (text[i] - '0');
        }
        if (length < space - at + 3 || length > text.size() - at) return false;
        size_t end = at + length; // one past the record's newline
        if (text[end - 1] != '\n') return false;
        size_t equals = text.find('=', space + 1);
        if (equals == std::string::npos || equals >= end - 1) return false;
        if (!take(context, text.substr(space + 1, equals - space - 1),
                  text.substr(equals + 1, end - 1 - equals - 1)))
            return false;
        at = end;
    }
    return true;
}

} // namespace

bool NormaliseTarName(const std::string& raw, std::string* name, bool* trailingSlash) {
    bool refused = false;
    name->clear();
    size_t at = 0;
    while (at <= raw.size()) {
        size_t slash = raw.find('/', at);
        if (slash == std::string::npos) slash = raw.size();
        size_t length = slash - at;
        if (length == 2 && raw.compare(at, 2, "..") == 0) refused = true;
        if (length > 0 && !(length == 1 && raw[at] == '.')) {
            if (!name->empty()) *name += '/';
            name->append(raw, at, length);
        }
        at = slash + 1;
    }
    if (name->empty()) *name = ".";
    if (trailingSlash) *trailingSlash = !raw.empty() && raw.back() == '/';
    return refused;
}

bool TarMemberScanner::EndedCleanly() const {
    return state_ == kAfterEnd ||
           (state_ == kHeader && have_ == 0 && longName_.empty() && longLink_.empty() &&
            !havePaxPath_ && !havePaxLink_ && !havePaxSize_);
}

TarMemberScanner::Status TarMemberScanner::Feed(const char* data, size_t length, size_t* used) {
    size_t at = 0;
    Status status = kNeedMore;
    while (at < length && status == kNeedMore) {
        size_t take = 0;
        switch (state_) {
        case kData:
            take = static_cast<size_t>(std::min<uint64_t>(left_, length - at));
            left_ -= take;
            if (left_ == 0) state_ = kHeader;
            break;
        case kMeta:
            if (metaLeft_ > 0) {
                take = static_cast<size_t>(std::min<uint64_t>(metaLeft_, length - at));
                meta_.append(data + at, take);
                metaLeft_ -= take;
            } else {
                take = static_cast<size_t>(std::min<uint64_t>(metaPad_, length - at));
                metaPad_ -= take;
            }
            break;
        case kAfterEnd:
            take = length - at;
            break;
        case kBroken:
            *used = at;
            return kBad;
        case kHeader:
        case kSparseExtension:
            if (have_ == 0) headerAt_ = offset_;
            take = std::min(kBlock - have_, length - at);
            memcpy(block_ + have_, data + at, take);
            have_ += take;
            break;
        }
        at += take;
        offset_ += take;
        if (state_ == kMeta && metaLeft_ == 0 && metaPad_ == 0)
            status = TakeMeta();
        else if ((state_ == kHeader || state_ == kSparseExtension) && have_ == kBlock)
            status = TakeBlock();
    }
    *used = at;
    if (status == kNeedMore && state_ == kAfterEnd) status = kEnd;
    return status;
}

TarMemberScanner::Status TarMemberScanner::Fail(const std::string& why) {
    state_ = kBroken;
    error_ = why + " at byte " + std::to_string(headerAt_);
    return kBad;
}

TarMemberScanner::Status TarMemberScanner::TakeBlock() {
    have_ = 0;
    if (state_ == kSparseExtension) {
        if (block_[kExtensionExtendedAt]) return kNeedMore; // another extension block
        state_ = left_ ? kData : kHeader;
        return kMember;
    }
    if (AllZero(block_)) {
        // gtar stops reading at the first zero block, whether a second one follows or not.
        state_ = kAfterEnd;
        return kEnd;
    }
    if (!ChecksumMatches(block_)) return Fail("bad tar header (checksum mismatch)");
    char type = static_cast<char>(block_[kTypeAt]);
    if (type == 'L' || type == 'K' || type == 'x' || type == 'g') {
        uint64_t size = 0;
        if (!Number(block_ + kSizeAt, kSizeLength, &size) || size > kLongestMeta)
            return Fail("bad tar extended header (size)");
        state_ = kMeta;
        metaType_ = type;
        meta_.clear();
        metaLeft_ = size;
        metaPad_ = Padding(size);
        return metaLeft_ + metaPad_ == 0 ? TakeMeta() : kNeedMore;
    }
    return RealHeader();
}

// The contents of an extended header are complete: keep what applies to the next member.
TarMemberScanner::Status TarMemberScanner::TakeMeta() {
    state_ = kHeader;
    switch (metaType_) {
    case 'L':
        longName_.assign(meta_.c_str()); // up to the terminating NUL
        break;
    case 'K':
        longLink_.assign(meta_.c_str());
        break;
    case 'x':
        if (!ApplyPax()) return Fail("bad pax extended header");
        break;
    default: // 'g': global settings, which do not name members
        break;
    }
    meta_.clear();
    return kNeedMore;
}

bool TarMemberScanner::ApplyPax() {
    auto take = [](void* context, const std::string& key, const std::string& value) {
        TarMemberScanner* self = static_cast<TarMemberScanner*>(context);
        if (key == "path" || key == "GNU.sparse.name") {
            self->paxPath_ = value;
            self->havePaxPath_ = true;
        } else if (key == "linkpath") {
            self->paxLink_ = value;
            self->havePaxLink_ = true;
        } else if (key == "size") {
            uint64_t size = 0;
            if (value.empty() || value.size() > 19) return false;
            for (char c : value) {
                if (c < '0' || c > '9') return false;
                size = size * 10 + (c - '0');
            }
            self->paxSize_ = size;
            self->havePaxSize_ = true;
        }
        return true;
    };
    return ForEachPaxRecord(meta_, take, this);
}

TarMemberScanner::Status TarMemberScanner::RealHeader() {
    char type = static_cast<char>(block_[kTypeAt]);
    uint64_t size = 0;
    if (!Number(block_ + kSizeAt, kSizeLength, &size)) return Fail("bad tar header (size)");
    if (havePaxSize_) size = paxSize_;

    std::string raw;
    if (havePaxPath_) {
        raw = paxPath_;
    } else if (!longName_.empty()) {
        raw = longName_;
    } else {
        raw = Field(block_, kNameAt, kNameLength);
        // The prefix field exists only in POSIX ustar headers ("ustar" NUL "00"); GNU
        // headers keep times there.
        bool posix = memcmp(block_ + kMagicAt, "ustar\0", 6) == 0;
        std::string prefix = posix ? Field(block_, kPrefixAt, kPrefixLength) : "";
        if (!prefix.empty()) raw = prefix + "/" + raw;
    }
    std::string link = havePaxLink_         ? paxLink_
                       : !longLink_.empty() ? longLink_
                                            : Field(block_, kLinkAt, kLinkLength);

    bool trailingSlash = false;
    member_ = TarMember();
    member_.refused = NormaliseTarName(raw, &member_.name, &trailingSlash);
    member_.type = MemberType(type, trailingSlash);
    member_.size = HasNoContents(type) ? 0 : size;
    uint64_t mode = 0;
    if (Number(block_ + kModeAt, kModeLength, &mode)) member_.mode = mode & 07777;
    if (member_.type == TarMember::kHardLink) {
        NormaliseTarName(link, &member_.linkTarget);
    } else if (member_.type == TarMember::kSymlink) {
        member_.linkTarget = link;
    }
    longName_.clear();
    longLink_.clear();
    paxPath_.clear();
    paxLink_.clear();
    havePaxPath_ = havePaxLink_ = havePaxSize_ = false;

    left_ = member_.size + Padding(member_.size);
    if (type == 'V') { // a volume label: nothing is extracted
        state_ = left_ ? kData : kHeader;
        return kNeedMore;
    }
    if (type == 'S' && block_[kSparseExtendedAt]) {
        state_ = kSparseExtension; // the member is complete after its extension blocks
        return kNeedMore;
    }
    state_ = left_ ? kData : kHeader;
    return kMember;
}
