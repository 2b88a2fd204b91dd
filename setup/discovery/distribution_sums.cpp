// The checksums and sizes lists of a distribution. Hashing runs on worker threads, each
// owning its digest context and buffer and writing only its own result slot; an archive
// that the scan has not measured already is read through the inflate pipeline and its
// members counted by the tar scanner (archive_reader.h), so the sizes are exact whatever
// the archive's size or number of gzip members.
#include "setup/discovery/distribution_sums.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include "shared/gen_fileio.h"

const char kChecksumsFile[] = "info/checksums.txt";
const char kSizesFile[] = "info/sizes.txt";

namespace {

const int kMostHashThreads = 8;
const size_t kHashBuffer = 1 << 20;
const size_t kDigestHexLength = 64;

std::string SystemText(const std::string& what, int error) {
    return what + ": " + strerror(error);
}

FileHash HashFile(const std::string& path, std::vector<unsigned char>* buffer) {
    FileHash result;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = strerror(errno);
        return result;
    }
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool ok = context && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
    for (ssize_t got = 1; ok && got > 0;) {
        got = read(fd, buffer->data(), buffer->size());
        if (got < 0 && errno == EINTR) {
            got = 1;
        } else if (got < 0) {
            result.error = strerror(errno);
            ok = false;
        } else if (got > 0) {
            ok = EVP_DigestUpdate(context, buffer->data(), static_cast<size_t>(got)) == 1;
        }
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (ok && EVP_DigestFinal_ex(context, digest, &length) == 1) {
        static const char kHex[] = "0123456789abcdef";
        for (unsigned int i = 0; i < length; i++) {
            result.hex += kHex[digest[i] >> 4];
            result.hex += kHex[digest[i] & 15];
        }
    } else if (result.error.empty()) {
        result.error = "the digest could not be computed";
    }
    EVP_MD_CTX_free(context);
    close(fd);
    return result;
}

// Names as sha256sum writes them: a name holding a backslash or a newline is escaped, and
// its line then begins with a backslash.
std::string ListedName(const std::string& name, bool* escaped) {
    *escaped = name.find_first_of("\\\n") != std::string::npos;
    if (!*escaped) return name;
    std::string text;
    for (char c : name) text += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : std::string(1, c);
    return text;
}

bool UnlistName(const std::string& text, std::string* name) {
    name->clear();
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] != '\\') {
            *name += text[i];
        } else if (i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == 'n')) {
            *name += text[++i] == 'n' ? '\n' : '\\';
        } else {
            return false;
        }
    }
    return true;
}

bool ReadLines(const std::string& path, std::vector<std::string>* lines, std::string* error) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno == ENOENT ? "" : SystemText(path, errno);
        return false;
    }
    std::string text;
    char buffer[65536];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *error = SystemText(path, errno);
            close(fd);
            return false;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    for (size_t at = 0, newline; at < text.size(); at = newline + 1) {
        newline = text.find('\n', at);
        if (newline == std::string::npos) newline = text.size();
        lines->push_back(text.substr(at, newline - at));
    }
    return true;
}

bool WriteWhole(const std::string& path, const std::string& text, std::string* error) {
    std::string temporary = path + ".tmp";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0 && gen_write_all(fd, text.data(), text.size());
    int problem = errno;
    if (fd >= 0 && close(fd) != 0 && ok) {
        ok = false;
        problem = errno;
    }
    if (ok && rename(temporary.c_str(), path.c_str()) == 0) return true;
    if (ok) problem = errno;
    unlink(temporary.c_str());
    *error = SystemText("Could not write " + path, problem);
    return false;
}

void Walk(const std::string& root, const std::string& relative, std::vector<std::string>* found) {
    std::string dir = relative.empty() ? root : root + "/" + relative;
    DIR* listing = opendir(dir.c_str());
    if (!listing) return;
    while (struct dirent* entry = readdir(listing)) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || (relative.empty() && name == "info")) continue;
        std::string path = relative.empty() ? name : relative + "/" + name;
        struct stat status;
        if (lstat((root + "/" + path).c_str(), &status) != 0) continue;
        if (S_ISDIR(status.st_mode)) {
            Walk(root, path, found);
        } else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tgz") == 0 &&
                   stat((root + "/" + path).c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
            found->push_back(path);
        }
    }
    closedir(listing);
}

} // namespace

std::vector<std::string> DistributionArchives(const std::string& distDir) {
    std::vector<std::string> found;
    Walk(distDir, "", &found);
    std::sort(found.begin(), found.end());
    return found;
}

std::string DistributionRelative(const std::string& distDir, const std::string& archive) {
    std::string prefix = distDir;
    while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
    prefix += '/';
    if (archive.compare(0, prefix.size(), prefix) != 0) return archive;
    size_t at = prefix.size();
    while (at < archive.size() && archive[at] == '/') at++;
    return archive.substr(at);
}

std::vector<FileHash> HashFiles(const std::vector<std::string>& paths, int jobs) {
    std::vector<FileHash> results(paths.size());
    if (jobs <= 0) jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    size_t threads =
        std::min<size_t>({static_cast<size_t>(std::min(jobs, kMostHashThreads)), paths.size()});
    std::atomic<size_t> next(0);
    auto work = [&]() {
        std::vector<unsigned char> buffer(kHashBuffer);
        for (size_t i; (i = next++) < paths.size();) results[i] = HashFile(paths[i], &buffer);
    };
    std::vector<std::thread> workers;
    for (size_t t = 1; t < threads; t++) workers.emplace_back(work);
    work();
    for (std::thread& worker : workers) worker.join();
    return results;
}

bool ReadChecksums(const std::string& distDir, std::map<std::string, std::string>* sums,
                   std::string* error) {
    std::vector<std::string> lines;
    if (!ReadLines(distDir + "/" + kChecksumsFile, &lines, error)) return false;
    for (const std::string& line : lines) {
        bool escaped = !line.empty() && line[0] == '\\';
        size_t at = escaped ? 1 : 0;
        if (line.size() < at + kDigestHexLength + 3 || line[at + kDigestHexLength] != ' ' ||
            (line[at + kDigestHexLength + 1] != ' ' && line[at + kDigestHexLength + 1] != '*'))
            continue;
        std::string hex = line.substr(at, kDigestHexLength);
        if (hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) continue;
        std::transform(hex.begin(), hex.end(), hex.begin(), ::tolower);
        std::string name = line.substr(at + kDigestHexLength + 2);
        if (escaped && !UnlistName(std::string(name), &name)) continue;
        (*sums)[name] = hex;
    }
    return true;
}

bool ReadSizes(const std::string& distDir, std::map<std::string, ArchiveSize>* sizes,
               std::string* error) {
    std::vector<std::string> lines;
    if (!ReadLines(distDir + "/" + kSizesFile, &lines, error)) return false;
    for (const std::string& line : lines) {
        bool escaped = !line.empty() && line[0] == '\\';
        size_t first = line.find(' '), second = line.find(' ', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        std::string bytes = line.substr(escaped, first - escaped);
        std::string members = line.substr(first + 1, second - first - 1);
        if (bytes.empty() || members.empty() ||
            (bytes + members).find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string name = line.substr(second + 1);
        if (escaped && !UnlistName(std::string(name), &name)) continue;
        ArchiveSize& size = (*sizes)[name];
        size.bytes = std::stoull(bytes);
        size.members = std::stoull(members);
    }
    return true;
}

bool GzipTrailerSize(const std::string& path, uint64_t* bytes, std::string* error) {
    const off_t kShortest = 18; // header and trailer of an empty member
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status;
    unsigned char magic[2] = {0, 0}, trailer[4];
    bool ok = fd >= 0 && fstat(fd, &status) == 0;
    if (!ok) {
        *error = SystemText(path, errno);
    } else if (status.st_size < kShortest || pread(fd, magic, 2, 0) != 2 || magic[0] != 0x1f ||
               magic[1] != 0x8b || pread(fd, trailer, 4, status.st_size - 4) != 4) {
        *error = path + ": not a gzip file";
        ok = false;
    }
    if (fd >= 0) close(fd);
    if (!ok) return false;
    uint64_t modulo =
        trailer[0] | trailer[1] << 8 | trailer[2] << 16 | static_cast<uint64_t>(trailer[3]) << 24;
    // Stored deflate blocks add 5 bytes to every 65535; the header may carry a name.
    uint64_t compressed = static_cast<uint64_t>(status.st_size);
    uint64_t overhead = compressed / 65535 * 5 + 1024;
    uint64_t least = compressed > overhead ? compressed - overhead : 0;
    const uint64_t kWrap = uint64_t(1) << 32;
    *bytes = modulo;
    if (least > modulo) *bytes += (least - modulo + kWrap - 1) / kWrap * kWrap;
    return true;
}

bool WriteDistributionLists(const std::string& distDir, const MeasuredArchives& measured,
                            const ArchiveReadLimits& limits, std::vector<ListProblem>* unreadable,
                            std::string* error) {
    std::vector<std::string> archives = DistributionArchives(distDir);
    std::vector<std::string> paths;
    for (const std::string& archive : archives) paths.push_back(distDir + "/" + archive);
    std::vector<FileHash> hashes = HashFiles(paths, limits.inflate.jobs);

    // Sizes the scan measured stand; the other archives are read now, in one pass.
    std::vector<std::optional<ArchiveSize>> sizes(archives.size());
    std::vector<std::string> unread;
    std::vector<size_t> unreadIndex;
    for (size_t i = 0; i < archives.size(); i++) {
        auto known = measured.find(archives[i]);
        if (known != measured.end()) {
            sizes[i] = known->second;
        } else if (hashes[i].error.empty()) {
            unread.push_back(paths[i]);
            unreadIndex.push_back(i);
        }
    }
    std::vector<ArchiveRead> reads = ReadArchives(unread, limits);
    std::vector<std::string> readProblems(archives.size());
    for (size_t k = 0; k < reads.size(); k++) {
        size_t i = unreadIndex[k];
        if (reads[k].problem.empty())
            sizes[i] = ArchiveSize{reads[k].streamBytes, reads[k].members};
        readProblems[i] = reads[k].problem;
    }

    std::string checksums, sizeLines;
    for (size_t i = 0; i < archives.size(); i++) {
        if (!hashes[i].error.empty()) {
            unreadable->push_back({archives[i], hashes[i].error});
            continue;
        }
        if (!readProblems[i].empty()) unreadable->push_back({archives[i], readProblems[i]});
        bool escaped = false;
        std::string name = ListedName(archives[i], &escaped);
        std::string mark = escaped ? "\\" : "";
        checksums += mark + hashes[i].hex + "  " + name + "\n";
        if (sizes[i])
            sizeLines += mark + std::to_string(sizes[i]->bytes) + " " +
                         std::to_string(sizes[i]->members) + " " + name + "\n";
    }
    std::string info = distDir + "/info";
    if (mkdir(info.c_str(), 0755) != 0 && errno != EEXIST) {
        *error = SystemText("Could not create " + info, errno);
        return false;
    }
    return WriteWhole(distDir + "/" + kChecksumsFile, checksums, error) &&
           WriteWhole(distDir + "/" + kSizesFile, sizeLines, error);
}

bool WriteDistributionSums(const std::string& distDir, const std::string&,
                           std::vector<std::string>* problems) {
    std::vector<ListProblem> unreadable;
    std::string error;
    bool written = WriteDistributionLists(distDir, MeasuredArchives(), ArchiveReadLimits(),
                                          &unreadable, &error);
    for (const ListProblem& problem : unreadable)
        problems->push_back(distDir + "/" + problem.archive + ": " + problem.what);
    if (!written) problems->push_back(error);
    return written;
}
