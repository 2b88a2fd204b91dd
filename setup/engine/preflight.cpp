// The space and integrity checks before an installation (see preflight.h). Space: sum the
// archives' sizes, find the file system the target will be on, compare with statvfs.
// Integrity: read the checksums list, hash the selected archives in parallel, compare.
#include "setup/engine/preflight.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>

#include "setup/discovery/distribution_sums.h"

namespace {

const uint64_t kMegabyte = 1000000;

std::string Absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return path;
    return std::string(cwd) + "/" + path;
}

std::string Up(const std::string& path) {
    size_t slash = path.find_last_not_of('/');
    slash = slash == std::string::npos ? std::string::npos : path.rfind('/', slash);
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

// The nearest directory at or above `path` that exists, canonical.
std::string ExistingAncestor(const std::string& path) {
    std::string at = Absolute(path);
    struct stat status;
    while (at != "/" && (stat(at.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))) at = Up(at);
    char resolved[PATH_MAX];
    return realpath(at.c_str(), resolved) ? resolved : at;
}

std::string Megabytes(uint64_t bytes, bool roundUp) {
    return std::to_string(roundUp ? (bytes + kMegabyte - 1) / kMegabyte : bytes / kMegabyte);
}

} // namespace

std::string MountPointOf(const std::string& path) {
    std::string at = ExistingAncestor(path);
    struct stat here;
    if (stat(at.c_str(), &here) != 0) return "/";
    while (at != "/") {
        std::string parent = Up(at);
        struct stat above;
        if (stat(parent.c_str(), &above) != 0 || above.st_dev != here.st_dev) return at;
        at = parent;
        here = above;
    }
    return "/";
}

SpaceCheck CheckSpace(const std::string& distDir, const std::vector<std::string>& archives,
                      const std::string& target) {
    SpaceCheck check;
    std::map<std::string, ArchiveSize> listed;
    std::string error;
    bool haveList = ReadSizes(distDir, &listed, &error);
    bool countsKnown = true;
    long fromTrailer = 0, unreadable = 0;
    for (const std::string& archive : archives) {
        auto found = listed.find(DistributionRelative(distDir, archive));
        uint64_t bytes = 0;
        if (found != listed.end()) {
            check.neededBytes += found->second.bytes;
            check.neededInodes += found->second.members;
        } else if (GzipTrailerSize(archive, &bytes, &error)) {
            check.neededBytes += bytes;
            countsKnown = false;
            fromTrailer++;
        } else {
            countsKnown = false; // it will fail when expanded; it takes no room
            unreadable++;
        }
    }
    check.how = !haveList
                    ? "sizes from the archives' gzip trailers (no " + std::string(kSizesFile) + ")"
                : fromTrailer ? std::to_string(fromTrailer) + " of " +
                                    std::to_string(archives.size()) + " sizes from gzip trailers"
                              : "sizes from " + std::string(kSizesFile);
    if (unreadable) check.how += ", " + std::to_string(unreadable) + " archives unreadable";

    std::string existing = ExistingAncestor(target);
    check.mountPoint = MountPointOf(existing);
    struct statvfs fs;
    if (statvfs(existing.c_str(), &fs) != 0) {
        check.how += "; the free space of " + existing + " is unknown";
        return check;
    }
    // A file system that counts no blocks at all (/proc, some network ones) cannot be
    // judged: the write test and the commands say whether it takes the files.
    if (fs.f_blocks == 0) {
        check.how += "; " + check.mountPoint + " does not count its space";
        return check;
    }
    uint64_t block = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
    // Each file rounds up to whole blocks: one block per member covers that.
    if (countsKnown) check.neededBytes += check.neededInodes * block;
    check.freeBytes = static_cast<uint64_t>(fs.f_bavail) * block;
    check.freeInodes = static_cast<uint64_t>(fs.f_favail);
    // A file system that reports no inodes at all makes them as it needs them.
    check.inodesChecked = countsKnown && fs.f_files > 0;
    if (check.neededBytes > check.freeBytes) {
        check.message = "Not enough space in " + check.mountPoint + ": this installation needs " +
                        Megabytes(check.neededBytes, true) + " MB, " +
                        Megabytes(check.freeBytes, false) + " MB are free.";
    }
    if (check.inodesChecked && check.neededInodes > check.freeInodes) {
        if (!check.message.empty()) check.message += "\n";
        check.message += "Not enough inodes in " + check.mountPoint + ": this installation needs " +
                         std::to_string(check.neededInodes) + " inodes, " +
                         std::to_string(check.freeInodes) + " inodes are free.";
    }
    check.enough = check.message.empty();
    return check;
}

IntegrityCheck CheckIntegrity(const std::string& distDir, const std::vector<std::string>& archives,
                              int jobs) {
    IntegrityCheck check;
    std::map<std::string, std::string> sums;
    std::string error;
    if (!ReadChecksums(distDir, &sums, &error)) {
        check.checked = !error.empty(); // a list that is there but cannot be read
        if (check.checked) check.problems.push_back(error);
        check.report = check.checked ? "The archives could not be checked: " + error
                                     : "No " + std::string(kChecksumsFile) + " in " + distDir +
                                           ": the archives were not checked.";
        return check;
    }
    check.checked = true;
    std::vector<std::string> listed;
    std::vector<const std::string*> expected;
    for (const std::string& archive : archives) {
        auto found = sums.find(DistributionRelative(distDir, archive));
        if (found == sums.end()) {
            check.problems.push_back(archive + ": not listed in " + kChecksumsFile);
            continue;
        }
        listed.push_back(archive);
        expected.push_back(&found->second);
    }
    std::vector<FileHash> hashes = HashFiles(listed, jobs);
    for (size_t i = 0; i < listed.size(); i++) {
        if (!hashes[i].error.empty())
            check.problems.push_back(listed[i] + ": cannot be read: " + hashes[i].error);
        else if (hashes[i].hex != *expected[i])
            check.problems.push_back(listed[i] + ": damaged (its checksum differs from " +
                                     kChecksumsFile + ")");
    }
    check.report = check.problems.empty()
                       ? "Checked " + std::to_string(archives.size()) + " archives against " +
                             kChecksumsFile + "."
                       : std::to_string(check.problems.size()) + " of " +
                             std::to_string(archives.size()) +
                             " archives failed the check against " + kChecksumsFile + ".";
    return check;
}
