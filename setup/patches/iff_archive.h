// The chunked container that patch archives are made of: chunk identifiers, the status
// codes every reader and writer routine returns, and the group context both sides walk.
// All 32-bit words, identifiers included, are little-endian on disk. The reader is in
// iff_archive_read.h, the writer in iff_archive_write.h.
#pragma once

#include <cstdint>
#include <cstdio>

#include "shared/gen_messages.h"

static_assert(sizeof(int) == 4, "chunk words are handled as int");

// Status of every routine; 0 is success, and a positive result from GetChunkHdr is an
// identifier.
constexpr int kIffOkay = 0;
constexpr int kIffEndMark = -1;     // the group has no more chunks (not an error at group level)
constexpr int kIffFileError = -3;   // read, write, seek or flush failed
constexpr int kIffNotArchive = -4;  // shorter than a header, or the top level is not a group
constexpr int kIffNoFile = -5;      // no stream given
constexpr int kIffClientError = -6; // the caller broke a rule (writer order, bounds, counts)
constexpr int kIffShortChunk = -8;  // more bytes asked for than the chunk holds
constexpr int kIffBadArchive = -9;  // malformed sizes or bounds, bad identifiers, early end

// An identifier is the number whose most significant byte is its first character.
constexpr int MakeIffID(char a, char b, char c, char d) {
    return static_cast<int>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                            (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                            (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                            static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr int kIdForm = MakeIffID('F', 'O', 'R', 'M');
constexpr int kIdList = MakeIffID('L', 'I', 'S', 'T');
constexpr int kIdCat = MakeIffID('C', 'A', 'T', ' ');
constexpr int kIdProp = MakeIffID('P', 'R', 'O', 'P');

// The patch form and its chunks.
constexpr int kIdPatch = MakeIffID('V', 'T', 'A', ' ');     // subtype of the whole patch
constexpr int kIdPatchInfo = MakeIffID('V', 'T', 'A', 'I'); // patch information text
constexpr int kIdFile = MakeIffID('V', 'T', 'F', ' ');      // subtype of one file's form
constexpr int kIdFileInfo = MakeIffID('V', 'T', 'F', 'I');
constexpr int kIdFileName = MakeIffID('V', 'T', 'F', 'N');
constexpr int kIdFileMode = MakeIffID('V', 'T', 'F', 'P');
constexpr int kIdFileContents = MakeIffID('V', 'T', 'F', 'C');

static_assert(kIdForm == 0x464F524D, "identifiers read most significant byte first");

// A size or bound not known yet; the writer patches the real size in later.
constexpr int32_t kIffSizeUnknown = static_cast<int32_t>(0x80000001u);

inline bool IsIffGroupID(int id) {
    return id == kIdForm || id == kIdList || id == kIdCat || id == kIdProp;
}

// Reverses the four bytes of a word.
inline int SwapBytes32(int value) {
    uint32_t v = static_cast<uint32_t>(value);
    return static_cast<int>((v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24));
}

// Converts between a host word and its stored form (the same operation both ways).
inline int IffHostWord(int value) {
    return bigendian_host ? SwapBytes32(value) : value;
}

struct _ClientFrame;

// The state of one open group, for the reader and the writer alike.
struct _GroupContext {
    _GroupContext* parent;     // null at file level
    _ClientFrame* clientFrame; // the reader's handlers
    FILE* file;
    int32_t position;   // bytes from the start of the file
    int32_t bound;      // end position of this group, or kIffSizeUnknown in the writer
    int32_t ckID;       // current chunk; 0 when none is open, a status after a reader failure
    int32_t ckSize;     // current chunk's data size, or kIffSizeUnknown in the writer
    int32_t subtype;    // the current group chunk's subtype
    int32_t bytesSoFar; // data bytes of the current chunk already read or written
};

typedef int (*IffGroupHandler)(_GroupContext* group);

// What the reader calls for each kind of group it meets.
struct _ClientFrame {
    IffGroupHandler getList;
    IffGroupHandler getProp;
    IffGroupHandler getForm;
    IffGroupHandler getCat;
};
