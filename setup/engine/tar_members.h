// Which paths a tar stream will make, learnt from the stream itself on its way to gtar.
// TarMemberScanner reads the headers of a tar stream fed in slices of any size and stops
// right after each member's header, so that its caller can act on the member (record it,
// keep an old file aside) before gtar has seen that header. Start at TarMemberScanner::Feed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// One member, named the way gtar extracts it.
struct TarMember {
    enum Type { kFile, kDirectory, kSymlink, kHardLink, kOther };

    // Relative to the extraction directory: leading "/" and "./" gone, no empty or "."
    // components, no trailing "/"; "." for the directory itself.
    std::string name;
    Type type = kFile;
    uint64_t size = 0; // bytes of contents that follow the header
    // Permission bits as stored (07777); 0 when the field cannot be read, which is how gtar
    // would treat it too: as no permission at all.
    unsigned mode = 0;
    // A symbolic link's target as stored; a hard link's target normalised like `name`.
    std::string linkTarget;
    // gtar refuses to extract it (a ".." component in its name): it makes nothing.
    bool refused = false;
};

// Normalises a member name (or a hard link's target) as gtar does; true when the name has
// a ".." component, which gtar refuses. A name ending in "/" sets *trailingSlash.
bool NormaliseTarName(const std::string& raw, std::string* name, bool* trailingSlash = nullptr);

// Formats: POSIX ustar (prefix + name), GNU long names and link names ('L', 'K'), old GNU
// sparse files, pax extended headers ('x': path, linkpath and size; 'g' is ignored, as
// gtar does for names), and old v7 headers. A zero block ends the archive, as it does for
// gtar. Every header's checksum is verified.
class TarMemberScanner {
public:
    enum Status {
        kNeedMore, // all the bytes given were taken; no header ended in them
        kMember,   // member() ended at the last byte taken
        kEnd,      // the end-of-archive block ended at the last byte taken (or before)
        kBad,      // not a tar stream from here on: error() says why; nothing more is taken
    };

    // Takes bytes from the front of `data` and sets *used to how many it took: all of them,
    // unless a header ended first. The caller passes those *used bytes on after handling
    // what the status reports, then feeds the rest. Once kEnd, everything after is padding
    // and is taken whole. After kBad every call takes nothing: what gtar would make of the
    // rest cannot be known, so it should not be given the rest.
    Status Feed(const char* data, size_t length, size_t* used);

    const TarMember& member() const { return member_; }
    const std::string& error() const { return error_; }
    // Bytes taken so far.
    uint64_t offset() const { return offset_; }
    // The stream may stop here: after the end block, or between two members.
    bool EndedCleanly() const;

private:
    enum State { kHeader, kMeta, kSparseExtension, kData, kAfterEnd, kBroken };

    Status TakeBlock();
    Status TakeMeta();
    Status RealHeader();
    Status Fail(const std::string& why);
    bool ApplyPax();

    State state_ = kHeader;
    unsigned char block_[512] = {};
    size_t have_ = 0;       // bytes of block_ filled
    uint64_t left_ = 0;     // kData: contents and padding still to pass
    uint64_t metaLeft_ = 0; // kMeta: contents still to collect
    uint64_t metaPad_ = 0;  // kMeta: padding after them
    char metaType_ = 0;     // kMeta: 'L', 'K', 'x' or 'g'
    std::string meta_;      // kMeta: contents collected
    std::string longName_;  // from 'L', for the next member
    std::string longLink_;  // from 'K'
    std::string paxPath_, paxLink_;
    bool havePaxPath_ = false, havePaxLink_ = false, havePaxSize_ = false;
    uint64_t paxSize_ = 0;
    uint64_t offset_ = 0;
    uint64_t headerAt_ = 0; // where the last header block began
    TarMember member_;
    std::string error_;
};
