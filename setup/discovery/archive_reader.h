// Discovery reads archives without unpacking them: each is inflated in the process by the
// inflate pipeline (several at once, taken in list order) and its tar stream is walked by
// the tar header scanner, which says where each member begins. A listener may ask for the
// first bytes of the members it cares about. Start at ReadArchives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "setup/engine/inflate_pipeline.h"
#include "setup/engine/tar_members.h"

// Longest time one archive may take unless -scan_timeout says otherwise.
constexpr int kDefaultScanTimeoutSeconds = 60;

struct ArchiveReadLimits {
    InflateLimits inflate;
    // How long one archive may take from the moment it is the one being read; 0: no limit.
    long timeLimitMs = 0;
};
// The limits the command line asks for: -jobs, -buffer_mb and -scan_timeout.
ArchiveReadLimits DiscoveryReadLimits();

// What reading one archive found.
struct ArchiveRead {
    // "" when the archive is sound: its gzip stream and its tar stream both whole. Otherwise
    // the first thing wrong with it, without the archive's name.
    std::string problem;
    uint64_t streamBytes = 0; // the bytes of its tar stream (sound archives only)
    uint64_t members = 0;     // its members, as gtar lists them (sound archives only)
};

// Told about the members of each archive as the read comes to them.
class MemberListener {
public:
    virtual ~MemberListener() = default;
    // The header of `member` of archive `archive` has been read. Returns how many of the
    // member's first bytes Contents should be given (0: none).
    virtual uint64_t Member(size_t archive, const TarMember& member) = 0;
    // The next of the bytes Member asked for, in order.
    virtual void Contents(size_t archive, const char* data, size_t size) = 0;
    // Archive `archive` has been read as far as it will be; `read` says how it went.
    virtual void Ended(size_t archive, const ArchiveRead& read) = 0;
};

// Reads every archive of `paths` to its end, in order, and says for each what it found.
// An archive that fails, or that is still not read when its time is up, is left where it
// failed; the others are read on.
std::vector<ArchiveRead> ReadArchives(const std::vector<std::string>& paths,
                                      const ArchiveReadLimits& limits,
                                      MemberListener* listener = nullptr);
