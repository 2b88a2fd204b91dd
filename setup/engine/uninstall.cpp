// Rollback and uninstall. Both work through an Undoer, which holds the installation tree
// and its .setup folder open below their roots and does every removal, rename and
// attribute change relative to directories it reached without following links. RollBack
// undoes one manifest in the order that keeps each step possible (contents before
// directories, directory modes and times last); UninstallRun removes what a finished run
// left unchanged. Start at RollBackRun and Uninstall at the end of the file.
#include "setup/engine/uninstall.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "setup/engine/install_manifest.h"
#include "shared/gen_beneath.h"

namespace {

const mode_t kOwnerAll = 0700;

std::string ParentOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

size_t Depth(const std::string& path) {
    return static_cast<size_t>(std::count(path.begin(), path.end(), '/'));
}

// Paths of one directory next to each other, so that they share the opened chain.
void SortByDirectory(std::vector<std::string>* paths) {
    std::vector<std::pair<std::string, std::string>> keyed; // (directory, path)
    keyed.reserve(paths->size());
    for (std::string& path : *paths) keyed.emplace_back(ParentOf(path), std::move(path));
    std::sort(keyed.begin(), keyed.end());
    keyed.erase(std::unique(keyed.begin(), keyed.end()), keyed.end());
    paths->clear();
    for (auto& entry : keyed) paths->push_back(std::move(entry.second));
}

void SortDeepestFirst(std::vector<std::string>* paths) {
    std::sort(paths->begin(), paths->end(), [](const std::string& a, const std::string& b) {
        size_t da = Depth(a), db = Depth(b);
        return da != db ? da > db : a < b;
    });
    paths->erase(std::unique(paths->begin(), paths->end()), paths->end());
}

// Why an operation on a path failed, for a report: the system's text, or what a link in
// the way means here.
std::string BeneathReason(int error) {
    if (error == ELOOP) return "a symbolic link is in its path";
    if (error == ENOTDIR) return "a symbolic link or a file is in its path";
    return strerror(error);
}

std::string Plural(long count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// What rollback and uninstall have done so far.
struct Tally {
    std::vector<std::string> removed;
    long removedDirectories = 0;
    long restored = 0;
    long left = 0;
    std::vector<std::string> kept;
    std::vector<UndoProblem> failed;

    void Fail(const std::string& path, int error) {
        failed.push_back({path, BeneathReason(error)});
    }
};

// The installation tree and its .setup folder, with every operation below them.
class Undoer {
public:
    bool Open(const std::string& target, std::string* error);
    bool HasSetup() const { return setup_.root() >= 0; }
    int SetupFolder() const { return setup_.root(); }
    int Root() const { return tree_.root(); }

    int Lstat(const std::string& path, struct stat* status);
    int Remove(const std::string& path, bool directory);
    int MakeDirectory(const std::string& path, mode_t mode);
    // *kept receives the kept version's state as it was found.
    int PutBack(const ManifestEntry& entry, struct stat* kept);
    int SetMode(const std::string& path, mode_t mode);
    int SetTime(const std::string& path, const struct timespec& mtime);
    int RemoveKept(const std::string& kept);
    void RestoreLoosened();

private:
    int Loosen(const std::string& dir);
    // Runs `operation` on (directory, last component) of `path`; once more after giving
    // the directory owner write and search when the first attempt is refused for that.
    template <typename Operation> int InParent(const std::string& path, Operation operation);

    GenBeneathTree tree_, setup_;
    std::map<std::string, mode_t> loosened_; // directory -> its mode before Loosen
};

bool Undoer::Open(const std::string& target, std::string* error) {
    if (!tree_.Open(target.c_str())) {
        *error = BeneathReason(errno);
        return false;
    }
    setup_.OpenWithin(tree_, kSetupFolder); // a missing (or planted) folder stays closed
    return true;
}

template <typename Operation> int Undoer::InParent(const std::string& path, Operation operation) {
    for (int attempt = 0;; attempt++) {
        std::string base;
        int dir = tree_.Parent(path, &base);
        if (dir < 0) return errno;
        if (operation(dir, base.c_str()) == 0) return 0;
        int error = errno;
        if (attempt > 0 || (error != EACCES && error != EPERM) || Loosen(ParentOf(path)))
            return error;
    }
}

int Undoer::Loosen(const std::string& dir) {
    if (loosened_.count(dir)) return EACCES; // loosened already: that was not it
    struct stat status;
    int error = Lstat(dir, &status);
    if (error == 0 && !S_ISDIR(status.st_mode)) error = ENOTDIR;
    if (error) return error;
    error = SetMode(dir, (status.st_mode | kOwnerAll) & 07777);
    if (error == 0) loosened_[dir] = status.st_mode & 07777;
    return error;
}

void Undoer::RestoreLoosened() {
    for (auto dir = loosened_.rbegin(); dir != loosened_.rend(); ++dir)
        SetMode(dir->first, dir->second);
    loosened_.clear();
}

int Undoer::Lstat(const std::string& path, struct stat* status) {
    if (path.empty() || path == ".") return fstat(tree_.root(), status) == 0 ? 0 : errno;
    std::string base;
    int dir = tree_.Parent(path, &base);
    if (dir < 0) return errno;
    return fstatat(dir, base.c_str(), status, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

int Undoer::Remove(const std::string& path, bool directory) {
    return InParent(path, [directory](int dir, const char* name) {
        return unlinkat(dir, name, directory ? AT_REMOVEDIR : 0);
    });
}

int Undoer::MakeDirectory(const std::string& path, mode_t mode) {
    return InParent(path, [mode](int dir, const char* name) { return mkdirat(dir, name, mode); });
}

// Moves the kept version of a replaced file back into its place: a rename within one
// file system, a copy across two.
int Undoer::PutBack(const ManifestEntry& entry, struct stat* keptStatus) {
    std::string keptBase;
    int keptDir = setup_.root() >= 0 ? setup_.Parent(entry.kept, &keptBase) : -1;
    if (keptDir < 0) return errno ? errno : ENOENT;
    struct stat& kept = *keptStatus;
    if (fstatat(keptDir, keptBase.c_str(), &kept, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    int error = InParent(entry.path, [&](int dir, const char* name) {
        return renameat(keptDir, keptBase.c_str(), dir, name);
    });
    if (error != EXDEV) return error;
    std::string temporary = entry.path + ".setup-restore";
    error = InParent(temporary, [&](int dir, const char* name) {
        unlinkat(dir, name, 0);
        return gen_beneath_copy(keptDir, keptBase.c_str(), kept, dir, name);
    });
    if (error == 0) {
        error = InParent(entry.path, [&](int dir, const char* name) {
            return renameat(dir, (std::string(name) + ".setup-restore").c_str(), dir, name);
        });
    }
    if (error == 0) unlinkat(keptDir, keptBase.c_str(), 0);
    return error;
}

int Undoer::SetMode(const std::string& path, mode_t mode) {
    if (path.empty() || path == ".") return fchmod(tree_.root(), mode) == 0 ? 0 : errno;
    return InParent(path, [mode](int dir, const char* name) {
        struct stat status;
        if (fstatat(dir, name, &status, AT_SYMLINK_NOFOLLOW) != 0) return -1;
        if (S_ISLNK(status.st_mode)) return 0; // a link has no mode of its own
        return fchmodat(dir, name, mode, 0);
    });
}

int Undoer::SetTime(const std::string& path, const struct timespec& mtime) {
    struct timespec times[2] = {{0, UTIME_OMIT}, mtime};
    if (path.empty() || path == ".") return futimens(tree_.root(), times) == 0 ? 0 : errno;
    return InParent(path, [&times](int dir, const char* name) {
        return utimensat(dir, name, times, AT_SYMLINK_NOFOLLOW);
    });
}

int Undoer::RemoveKept(const std::string& kept) {
    std::string base;
    int dir = setup_.root() >= 0 ? setup_.Parent(kept, &base) : -1;
    if (dir < 0) return errno;
    return unlinkat(dir, base.c_str(), 0) == 0 ? 0 : errno;
}

// The kept folders a manifest names ("kept-NNNN").
std::set<std::string> KeptFolders(const Manifest& manifest) {
    std::set<std::string> folders;
    for (const ManifestEntry& entry : manifest.entries)
        if (entry.kind == ManifestEntry::kReplaced && !entry.kept.empty())
            folders.insert(entry.kept.substr(0, entry.kept.find('/')));
    return folders;
}

// Undoes `manifest` in `undo`; the entries that could not be undone go to *leftover.
void RollBack(const Manifest& manifest, Undoer* undo, Tally* tally,
              std::vector<ManifestEntry>* leftover) {
    std::vector<std::string> files, dirs;
    std::vector<const ManifestEntry*> replaced, existing;
    std::map<std::string, mode_t> firstMode; // a path's mode before the run changed it
    std::set<std::string> wasDirectory;
    std::map<std::string, const ManifestEntry*> createdEntry;
    for (const ManifestEntry& entry : manifest.entries) {
        switch (entry.kind) {
        case ManifestEntry::kCreated:
            (entry.type == TarMember::kDirectory ? dirs : files).push_back(entry.path);
            createdEntry.emplace(entry.path, &entry);
            break;
        case ManifestEntry::kReplaced:
            replaced.push_back(&entry);
            firstMode.emplace(entry.path, entry.before.mode);
            break;
        case ManifestEntry::kExisting:
            if (wasDirectory.insert(entry.path).second) existing.push_back(&entry);
            firstMode.emplace(entry.path, entry.before.mode);
            break;
        case ManifestEntry::kMode:
            firstMode.emplace(entry.path, entry.before.mode);
            break;
        }
    }

    SortByDirectory(&files);
    for (const std::string& path : files) {
        int error = undo->Remove(path, false);
        if (error == 0) tally->removed.push_back(path);
        // A member that was to replace an existing directory and found it not empty.
        bool directoryStayed = (error == EISDIR || error == EPERM) && wasDirectory.count(path);
        if (error && error != ENOENT && !directoryStayed) {
            tally->Fail(path, error);
            leftover->push_back(*createdEntry[path]);
        }
    }
    SortDeepestFirst(&dirs);
    for (const std::string& path : dirs) {
        int error = undo->Remove(path, true);
        if (error == 0) {
            tally->removed.push_back(path);
            tally->removedDirectories++;
        } else if (error == ENOTEMPTY || error == EEXIST) {
            tally->left++;
        } else if (error != ENOENT) {
            tally->Fail(path, error);
            leftover->push_back(*createdEntry[path]);
        }
    }
    // Directories that gave way to a member of another type come back, from the top.
    std::sort(existing.begin(), existing.end(), [](const ManifestEntry* a, const ManifestEntry* b) {
        return Depth(a->path) < Depth(b->path);
    });
    for (const ManifestEntry* entry : existing) {
        struct stat status;
        if (undo->Lstat(entry->path, &status) == ENOENT)
            undo->MakeDirectory(entry->path, entry->before.mode | kOwnerAll);
    }
    // A kept hard link still has the old mode and time, unless the permission walk changed
    // the mode: only what differs is set again.
    std::set<std::string> settled;
    for (const ManifestEntry* entry : replaced) {
        struct stat kept;
        int error = entry->kept.empty() ? 0 : undo->PutBack(*entry, &kept);
        if (entry->kept.empty()) {
            tally->failed.push_back({entry->path, "its earlier version was not kept"});
            leftover->push_back(*entry);
        } else if (error) {
            tally->Fail(entry->path, error);
            leftover->push_back(*entry);
        } else {
            tally->restored++;
            const struct timespec& mtime = entry->before.mtime;
            if (kept.st_mtim.tv_sec != mtime.tv_sec || kept.st_mtim.tv_nsec != mtime.tv_nsec)
                undo->SetTime(entry->path, mtime);
            if (S_ISLNK(kept.st_mode) || (kept.st_mode & 07777) == firstMode[entry->path])
                settled.insert(entry->path);
        }
    }
    // Modes and times last, directories deepest first: a directory given back a mode
    // without write would refuse what is still to be done in it.
    undo->RestoreLoosened();
    for (const auto& [path, mode] : firstMode)
        if (!wasDirectory.count(path) && !settled.count(path)) undo->SetMode(path, mode);
    std::sort(existing.begin(), existing.end(), [](const ManifestEntry* a, const ManifestEntry* b) {
        return Depth(a->path) > Depth(b->path);
    });
    for (const ManifestEntry* entry : existing) {
        undo->SetMode(entry->path, firstMode[entry->path]);
        undo->SetTime(entry->path, entry->before.mtime);
    }
}

// Removes the files of a finished run that are as it left them, then its directories
// that are empty. Runs are undone newest first, so whatever later runs put into these
// directories is gone by now.
void UninstallRun(const Manifest& manifest, Undoer* undo, Tally* tally,
                  std::vector<ManifestEntry>* leftover) {
    std::map<std::string, const ManifestEntry*> dirs;
    for (const ManifestEntry& entry : manifest.entries) {
        bool created = entry.kind == ManifestEntry::kCreated;
        if (created && entry.type == TarMember::kDirectory) {
            dirs.emplace(entry.path, &entry);
            continue;
        }
        if ((!created && entry.kind != ManifestEntry::kReplaced) || !entry.after.present) continue;
        struct stat status;
        int error = undo->Lstat(entry.path, &status);
        if (error == ENOENT) continue; // gone already
        if (error == 0 && (S_ISDIR(status.st_mode) || !FileState::Of(status).SameAs(entry.after))) {
            tally->kept.push_back(entry.path);
            continue;
        }
        if (error == 0) error = undo->Remove(entry.path, false);
        if (error == 0) {
            tally->removed.push_back(entry.path);
        } else if (error != ENOENT) {
            tally->Fail(entry.path, error);
            leftover->push_back(entry);
        }
    }
    std::vector<std::string> deepestFirst;
    for (const auto& dir : dirs) deepestFirst.push_back(dir.first);
    SortDeepestFirst(&deepestFirst);
    for (const std::string& dir : deepestFirst) {
        int error = undo->Remove(dir, true);
        if (error == 0) {
            tally->removed.push_back(dir);
            tally->removedDirectories++;
        } else if (error != ENOENT && error != ENOTEMPTY && error != EEXIST) {
            tally->Fail(dir, error);
            leftover->push_back(*dirs[dir]);
        }
    }
}

// The manifest at `name` in .setup is done with: it goes with its kept files when
// nothing is left of it, else it keeps what is left.
void Settle(Undoer* undo, const std::string& name, Manifest manifest,
            std::vector<ManifestEntry> leftover, Tally* tally) {
    std::set<std::string> folders = KeptFolders(manifest);
    if (leftover.empty()) {
        for (const ManifestEntry& entry : manifest.entries)
            if (entry.kind == ManifestEntry::kReplaced && !entry.kept.empty())
                undo->RemoveKept(entry.kept);
        unlinkat(undo->SetupFolder(), name.c_str(), 0);
    } else {
        manifest.entries = std::move(leftover);
        std::string error;
        if (!WriteManifestAt(undo->SetupFolder(), name, manifest, &error))
            tally->failed.push_back({std::string(kSetupFolder) + "/" + name, error});
    }
    for (const std::string& folder : folders)
        unlinkat(undo->SetupFolder(), folder.c_str(), AT_REMOVEDIR); // when empty
}

// After the last manifest: the rest of what the installer keeps in .setup, then .setup.
void RemoveSetupFolder(Undoer* undo) {
    unlinkat(undo->SetupFolder(), kInstallLogName, 0);
    unlinkat(undo->Root(), kSetupFolder, AT_REMOVEDIR); // stays when the user put things in it
}

std::string BaseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

void AppendList(std::string* text, const std::vector<std::string>& paths) {
    for (const std::string& path : paths) *text += "\n  " + EscapeManifestText(path);
}

void AppendProblems(std::string* text, const std::vector<UndoProblem>& problems) {
    for (const UndoProblem& problem : problems)
        *text += "\n  " + EscapeManifestText(problem.path) + ": " + problem.reason;
}

} // namespace

RollbackResult RollBackRun(const std::string& manifestPath) {
    RollbackResult result;
    Manifest manifest;
    std::string error;
    std::string setupFolder = manifestPath.substr(0, manifestPath.rfind('/'));
    std::string target = ParentOf(setupFolder);
    Undoer undo;
    bool ready = ReadManifest(manifestPath, &manifest, &error) &&
                 undo.Open(target.empty() ? "/" : target, &error);
    if (ready && !undo.HasSetup()) {
        ready = false;
        error = std::string("the ") + kSetupFolder + " folder cannot be reached";
    }
    if (!ready) {
        result.failed.push_back({manifestPath, error});
        return result;
    }
    Tally tally;
    std::vector<ManifestEntry> leftover;
    RollBack(manifest, &undo, &tally, &leftover);
    Settle(&undo, BaseName(manifestPath), manifest, leftover, &tally);
    result.removed = static_cast<long>(tally.removed.size());
    result.restored = tally.restored;
    result.left = tally.left;
    result.failed = tally.failed;
    return result;
}

std::string RollbackSummary(const RollbackResult& result) {
    std::string text = "Removed " + Plural(result.removed, "path", "paths") +
                       " this installation created and restored " +
                       Plural(result.restored, "file", "files") + " it replaced.";
    if (result.left)
        text += "\nLeft " + Plural(result.left, "directory", "directories") +
                " that other files are in.";
    if (!result.failed.empty()) {
        text += "\nCould not undo " +
                Plural(static_cast<long>(result.failed.size()), "path:", "paths:");
        AppendProblems(&text, result.failed);
    }
    return text;
}

UninstallResult Uninstall(const std::string& target) {
    UninstallResult result;
    result.target = target;
    Undoer undo;
    std::string error;
    std::vector<std::string> manifests = ListManifests(target + "/" + kSetupFolder);
    if (!undo.Open(target, &error) || !undo.HasSetup() || manifests.empty()) {
        result.nothingToDo = true;
        return result;
    }
    Tally tally;
    bool targetWasNew = false;
    for (auto path = manifests.rbegin(); path != manifests.rend(); ++path) {
        Manifest manifest;
        if (!ReadManifest(*path, &manifest, &error)) {
            tally.failed.push_back({*path, error});
            continue;
        }
        targetWasNew = manifest.targetState == "new"; // the oldest run's word counts
        std::vector<ManifestEntry> leftover;
        if (manifest.ended)
            UninstallRun(manifest, &undo, &tally, &leftover);
        else
            RollBack(manifest, &undo, &tally, &leftover);
        Settle(&undo, BaseName(*path), manifest, leftover, &tally);
    }
    undo.RestoreLoosened();
    if (ListManifests(target + "/" + kSetupFolder).empty()) {
        RemoveSetupFolder(&undo);
        if (targetWasNew) rmdir(target.c_str()); // only when nothing else is in it
    }
    std::sort(tally.kept.begin(), tally.kept.end());
    tally.kept.erase(std::unique(tally.kept.begin(), tally.kept.end()), tally.kept.end());
    result.removed = std::move(tally.removed);
    result.removedDirectories = tally.removedDirectories;
    result.kept = std::move(tally.kept);
    result.failed = std::move(tally.failed);
    return result;
}

std::string UninstallSummary(const UninstallResult& result) {
    if (result.nothingToDo)
        return "Nothing to uninstall in " + result.target + ": no installation is recorded there.";
    long dirs = result.removedDirectories;
    long files = static_cast<long>(result.removed.size()) - dirs;
    std::string text = "Uninstalled from " + result.target + ": removed " +
                       Plural(files, "file", "files") + " and " +
                       Plural(dirs, "directory", "directories") + ".";
    if (!result.kept.empty()) {
        text += "\nKept " +
                Plural(static_cast<long>(result.kept.size()), "file that was", "files that were") +
                " changed after the installation:";
        AppendList(&text, result.kept);
    }
    if (!result.failed.empty()) {
        text += "\nCould not remove " +
                Plural(static_cast<long>(result.failed.size()), "path:", "paths:");
        AppendProblems(&text, result.failed);
    }
    return text;
}
