// The distribution's own account of its archives, written beside the catalogs and read
// before an installation: info/checksums.txt holds the SHA-256 of every archive in the
// format of sha256sum (so that "cd dist && sha256sum -c info/checksums.txt" checks it by
// hand), info/sizes.txt each archive's uncompressed size and member count. Start at
// WriteDistributionLists; preflight.h is the reader's side.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "setup/discovery/archive_reader.h"

extern const char kChecksumsFile[]; // "info/checksums.txt", below the distribution
extern const char kSizesFile[];     // "info/sizes.txt"

// info/sizes.txt, one line per archive: "<bytes> <members> <path>", the bytes of its tar
// stream once inflated, its members as gtar lists them, its path relative to the
// distribution (written as in the checksums file).
struct ArchiveSize {
    uint64_t bytes = 0;
    uint64_t members = 0;
};

// Every .tgz below `distDir` except under info/, relative to it, sorted. Links to
// archives count; links to directories are not followed.
std::vector<std::string> DistributionArchives(const std::string& distDir);
// `archive` relative to `distDir` when it lies below it, else unchanged.
std::string DistributionRelative(const std::string& distDir, const std::string& archive);

struct FileHash {
    std::string hex;   // lowercase; empty after an error
    std::string error; // why the file could not be read
};
// The SHA-256 of each file, several at once on up to `jobs` threads (0: one per processor,
// at most 8), each thread with its own buffer; the results in the order of `paths`.
std::vector<FileHash> HashFiles(const std::vector<std::string>& paths, int jobs = 0);

// Read the two lists: relative path -> lowercase hex digest, or -> size. False when the
// file cannot be read; *error is then empty when it does not exist at all. Lines that do
// not parse are skipped (an archive they named then counts as not listed).
bool ReadChecksums(const std::string& distDir, std::map<std::string, std::string>* sums,
                   std::string* error);
bool ReadSizes(const std::string& distDir, std::map<std::string, ArchiveSize>* sizes,
               std::string* error);

// The uncompressed size from a gzip file's trailer. The trailer holds it modulo 4 GiB and
// only for the last member of a file of several; since inflating never gives less than
// the compressed bytes less their block overhead, the smallest size at least that large
// is taken, which is exact for a single member under 4 GiB.
bool GzipTrailerSize(const std::string& path, uint64_t* bytes, std::string* error);

// Archives whose tar streams were read whole already in this run, by path relative to the
// distribution: their size when they were sound, nothing when they were found damaged (and
// named where they were found).
typedef std::map<std::string, std::optional<ArchiveSize>> MeasuredArchives;

// An archive left out of the lists: its path relative to the distribution, and why.
struct ListProblem {
    std::string archive;
    std::string what;
};

// Writes info/checksums.txt and info/sizes.txt for every archive of the distribution: the
// digest of the compressed bytes, and the size and member count of its tar stream, taken
// from `measured` or read now through the inflate pipeline within `limits`. Each file is
// written whole or not at all. An archive that cannot be read is left out of the lists and
// named in *unreadable (one found damaged before, in `measured`, only out of the sizes).
// False, with the reason in *error, when the lists cannot be written.
bool WriteDistributionLists(const std::string& distDir, const MeasuredArchives& measured,
                            const ArchiveReadLimits& limits, std::vector<ListProblem>* unreadable,
                            std::string* error);
// The same with every archive read afresh and no time limit; *problems gets a line
// "<archive>: <why>" for each archive left out and, last, the reason when the lists cannot
// be written. The gzip program it names is not run: archives are inflated in the process.
bool WriteDistributionSums(const std::string& distDir, const std::string& gzipPath,
                           std::vector<std::string>* problems);
