// Staging a patch's files under temporary names and renaming them into place at once (see
// patch_staging.h). Directory descriptors are kept open from the moment a file is staged to
// the moment it is renamed, so a directory that is swapped for a link in between cannot
// redirect the rename; when a patch has more directories than descriptors may be open, the
// oldest are closed and reached again, still without following links.
#include "setup/patches/patch_staging.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "shared/gen_beneath.h"
#include "shared/gen_fileio.h"
#include "shared/gen_printable.h"

namespace {
const char kTempPrefix[] = ".vtpatch.";

// The staging that has not been committed or discarded yet, for the exit-time clean-up.
PatchStaging* unfinished = nullptr;

void DiscardAtExit() {
    if (unfinished) unfinished->Discard();
}

// A patch may need a descriptor per directory; ask for as many as the hard limit allows.
void RaiseDescriptorLimit() {
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    rlim_t wanted =
        limit.rlim_max == RLIM_INFINITY || limit.rlim_max > 65536 ? 65536 : limit.rlim_max;
    if (limit.rlim_cur >= wanted) return;
    limit.rlim_cur = wanted;
    setrlimit(RLIMIT_NOFILE, &limit);
}

bool OutOfDescriptors(int error) {
    return error == EMFILE || error == ENFILE;
}

// The first `count` components of a relative path.
std::string Prefix(const std::string& path, int count) {
    size_t end = 0;
    for (int i = 0; i < count; i++) {
        end = path.find('/', i == 0 ? 0 : end + 1);
        if (end == std::string::npos) return path;
    }
    return path.substr(0, end);
}

std::string Shown(const std::string& target, const std::string& relative) {
    return relative.empty() ? target : target + "/" + gen_printable_name(relative);
}

std::string ReportProblem(const std::string& target, const std::string& name, int error) {
    std::string text = "Can not write the patch report " + Shown(target, name) + ": ";
    if (error == ELOOP)
        return text + "it is a symbolic link, and the report is never written "
                      "through a link.";
    if (error == EMLINK)
        return text + "it has more than one name (a hard link), and the report "
                      "is never written through a second name.";
    if (error == EISDIR || error == EINVAL) return text + "it is not a plain file.";
    return text + strerror(error) + ".";
}

// Removes the directories made for a path, deepest first; one that is not empty stays.
void RemoveCreated(int root, const std::vector<std::string>& created) {
    for (size_t i = created.size(); i-- > 0;) {
        size_t slash = created[i].rfind('/');
        std::string parent = slash == std::string::npos ? "" : created[i].substr(0, slash);
        int at = gen_beneath_opendir(root, parent.c_str());
        if (at < 0) continue;
        unlinkat(at, created[i].c_str() + (slash == std::string::npos ? 0 : slash + 1),
                 AT_REMOVEDIR);
        close(at);
    }
}
} // namespace

std::string CheckPatchReport(const char* target, const char* reportName) {
    int root = open(target, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) return ""; // no target yet, so no report either
    struct stat st;
    int error = 0;
    if (gen_beneath_lstat(root, reportName, &st) != 0)
        error = errno == ENOENT ? 0 : errno;
    else if (S_ISLNK(st.st_mode))
        error = ELOOP;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if (st.st_nlink > 1)
        error = EMLINK;
    close(root);
    return error ? ReportProblem(target, reportName, error) : "";
}

PatchStaging::~PatchStaging() {
    if (active_) Discard();
}

bool PatchStaging::Fail(const char* what, const std::string& relative, int error) {
    error_ = std::string("Can not ") + what + " " + Shown(target_, relative) + ": " +
             strerror(error) + ".";
    return false;
}

bool PatchStaging::Open(const char* target) {
    static bool hooked = false;
    if (!hooked) atexit(DiscardAtExit);
    hooked = true;
    unfinished = this;
    active_ = true;
    target_ = target;
    // What is missing of the target is made from the top down, and remembered for Discard.
    std::vector<std::string> missing;
    struct stat st;
    for (std::string path = target; !path.empty() && stat(path.c_str(), &st) != 0;) {
        if (errno != ENOENT) return Fail("open the directory", "", errno);
        missing.push_back(path);
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        size_t slash = path.rfind('/');
        path = slash == std::string::npos ? "" : slash == 0 ? "/" : path.substr(0, slash);
    }
    for (size_t i = missing.size(); i-- > 0;) {
        if (mkdir(missing[i].c_str(), 0755) == 0) {
            createdTarget_.push_back(missing[i]);
        } else if (errno != EEXIST) {
            error_ = "Can not create the directory " + missing[i] + ": " + strerror(errno) + ".";
            return false;
        }
    }
    root_ = open(target, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root_ < 0) return Fail("open the directory", "", errno);
    RaiseDescriptorLimit();
    umask_ = umask(0);
    umask(umask_);
    return true;
}

void PatchStaging::CloseDirs() {
    for (Dir& dir : dirs_)
        if (dir.fd >= 0) {
            close(dir.fd);
            dir.fd = -1;
        }
}

int PatchStaging::OpenDir(const std::string& path, bool create, const std::string& forFile) {
    GenBeneathWalk walk;
    int fd = -1;
    for (int attempt = 0; attempt < 2; attempt++) {
        fd = gen_beneath_opendir(root_, path.c_str(), create ? 0755 : -1, &walk);
        int error = errno;
        for (int k = walk.existed; k < walk.reached; k++)
            createdDirs_.push_back(Prefix(path, k + 1));
        errno = error;
        if (fd >= 0 || !OutOfDescriptors(errno)) break;
        CloseDirs();
    }
    if (fd >= 0) return fd;
    if (errno == ELOOP || errno == ENOTDIR) {
        error_ = "Can not write " + Shown(target_, forFile) + ": " +
                 Shown(target_, Prefix(path, walk.reached + 1)) +
                 (errno == ELOOP ? " is a symbolic link, and a patch never writes through one."
                                 : " is not a directory.");
        return -1;
    }
    Fail("write", forFile, errno);
    return -1;
}

int PatchStaging::DirFd(size_t index) {
    Dir& dir = dirs_[index];
    if (dir.fd < 0) dir.fd = OpenDir(dir.path, false, dir.path);
    return dir.fd;
}

int PatchStaging::BeginFile(const std::string& relative, mode_t mode) {
    std::string dirPath, base;
    gen_beneath_split(relative, &dirPath, &base);
    auto found = dirIndex_.find(dirPath);
    size_t index;
    if (found != dirIndex_.end()) {
        index = found->second;
        if (DirFd(index) < 0) return -1;
    } else {
        int fd = OpenDir(dirPath, true, relative);
        if (fd < 0) return -1;
        index = dirs_.size();
        dirs_.push_back({dirPath, fd});
        dirIndex_.emplace(dirPath, index);
    }
    // Created with its final mode, even a read-only one: the descriptor stays writable.
    std::string temp;
    int fd = gen_beneath_mktemp(dirs_[index].fd, kTempPrefix, mode, &temp);
    if (fd < 0 && OutOfDescriptors(errno)) {
        CloseDirs();
        if (DirFd(index) < 0) return -1;
        fd = gen_beneath_mktemp(dirs_[index].fd, kTempPrefix, mode, &temp);
    }
    if (fd < 0) return Fail("write", relative, errno), -1;
    staged_.push_back({index, relative, temp});
    if ((mode & umask_) != 0 && fchmod(fd, mode) != 0) {
        int error = errno;
        close(fd);
        return Fail("set the permissions of", relative, error), -1;
    }
    return fd;
}

bool PatchStaging::Write(int fd, const char* data, size_t n) {
    return gen_write_all(fd, data, n) || Fail("write", staged_.back().relative, errno);
}

bool PatchStaging::EndFile(int fd) {
    return close(fd) == 0 || Fail("write", staged_.back().relative, errno);
}

bool PatchStaging::BeginReport(const char* reportName) {
    struct stat st;
    int old = gen_beneath_openfile(root_, reportName, true, &st);
    if (old < 0 && errno != ENOENT) {
        error_ = ReportProblem(target_, reportName, errno);
        return false;
    }
    reportName_ = reportName;
    int fd = gen_beneath_mktemp(root_, kTempPrefix, 0666, &reportTemp_);
    if (fd < 0) {
        reportTemp_.clear();
        Fail("write", reportName_, errno);
    }
    // The new report is the old one with the new block after it; it replaces the old one
    // only when every file is in place, so the report never lists what was not installed.
    bool copied = true;
    if (old >= 0 && fd >= 0) {
        char buffer[65536];
        ssize_t n;
        while (copied && (n = read(old, buffer, sizeof buffer)) != 0) {
            if (n < 0 && errno == EINTR) continue;
            copied = n > 0 ? Write(fd, buffer, static_cast<size_t>(n))
                           : Fail("read", reportName_, errno);
        }
        if (copied && fchmod(fd, st.st_mode & 07777) != 0)
            copied = Fail("set the permissions of", reportName_, errno);
        if (fchown(fd, st.st_uid, st.st_gid) != 0) { /* another owner's report becomes ours */
        }
    }
    if (old >= 0) close(old);
    if (fd >= 0 && copied) report_ = fdopen(fd, "w");
    if (fd >= 0 && !report_) close(fd);
    return report_ != nullptr;
}

bool PatchStaging::Report(const char* text, size_t n) {
    return (report_ && fwrite(text, 1, n, report_) == n) ||
           Fail("write", reportName_, report_ ? errno : EBADF);
}

bool PatchStaging::EndReport() {
    if (!report_) return false;
    FILE* report = report_;
    report_ = nullptr;
    bool flushed = fflush(report) == 0;
    int error = errno;
    if (fclose(report) != 0 && flushed) {
        flushed = false;
        error = errno;
    }
    return flushed || Fail("write", reportName_, error);
}

bool PatchStaging::Place(int dir, const std::string& temp, const char* name,
                         const std::string& relative) {
    PlacedFile placed;
    placed.relative = relative;
    placed.existed = fstatat(dir, name, &placed.before, AT_SYMLINK_NOFOLLOW) == 0;
    if (renameat(dir, temp.c_str(), dir, name) != 0) return false;
    placed_.push_back(placed);
    return true;
}

bool PatchStaging::RenameStaged(const Staged& staged) {
    int fd = DirFd(staged.dir);
    if (fd < 0) return false;
    const char* base = staged.relative.c_str();
    if (const char* slash = strrchr(base, '/')) base = slash + 1;
    return Place(fd, staged.temp, base, staged.relative) || Fail("install", staged.relative, errno);
}

bool PatchStaging::Commit() {
    placed_.clear();
    madeDirs_ = createdDirs_;
    for (; committed_ < staged_.size(); committed_++) {
        if (RenameStaged(staged_[committed_])) continue;
        error_ += committed_ == 0
                      ? "  Nothing was installed."
                      : "  The " + std::to_string(committed_) +
                            " files before it in the patch were installed; it and the files "
                            "after it were not, and the patch report was not written.";
        Discard();
        return false;
    }
    if (!reportTemp_.empty()) {
        if (!Place(root_, reportTemp_, reportName_.c_str(), reportName_)) {
            Fail("write the patch report", reportName_, errno);
            error_ += "  Every file of the patch was installed.";
            Discard();
            return false;
        }
        reportTemp_.clear();
    }
    staged_.clear();
    createdDirs_.clear();
    createdTarget_.clear();
    Discard(); // nothing is left to remove; this closes the descriptors
    return true;
}

void PatchStaging::Discard() {
    std::string error = error_; // reaching a closed directory again must not replace it
    if (report_) fclose(report_);
    report_ = nullptr;
    for (size_t i = committed_; i < staged_.size(); i++) {
        int fd = DirFd(staged_[i].dir);
        if (fd >= 0) unlinkat(fd, staged_[i].temp.c_str(), 0);
    }
    if (!reportTemp_.empty() && root_ >= 0) unlinkat(root_, reportTemp_.c_str(), 0);
    CloseDirs();
    if (root_ >= 0) RemoveCreated(root_, createdDirs_);
    for (size_t i = createdTarget_.size(); i-- > 0;) rmdir(createdTarget_[i].c_str());
    if (root_ >= 0) close(root_);
    root_ = -1;
    staged_.clear();
    committed_ = 0;
    dirs_.clear();
    dirIndex_.clear();
    createdDirs_.clear();
    createdTarget_.clear();
    reportTemp_.clear();
    error_ = error;
    active_ = false;
    if (unfinished == this) unfinished = nullptr;
}
