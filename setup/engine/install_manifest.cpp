// The manifest's text form (escapes, lines, reading and writing whole files) first, then
// the recorder. The recorder keeps every entry of the run in memory as well as appending
// it to the file, because the run's end rewrites the file once with each path's final
// state; what it knows about paths seen so far (paths_) spares it any system call per
// member when the target was empty before the run.
#include "setup/engine/install_manifest.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "shared/gen_beneath.h"
#include "shared/gen_fileio.h"

#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

const char kSetupFolder[] = ".setup";
const char kInstallLogName[] = "install.log";

namespace {

const char kFormatLine[] = "setup-manifest 1";
const char kManifestPrefix[] = "manifest-";
const char kKeptPrefix[] = "kept-";
const mode_t kPermissionBits = 07777;

const char* const kTypeNames[] = {"file", "dir", "symlink", "hardlink", "other"};
static_assert(sizeof kTypeNames / sizeof *kTypeNames == TarMember::kOther + 1,
              "one name for every member type");

const char* const kOutcomeNames[] = {"succeeded", "failed", "cancelled"};

// --- fields ---

// Numbers are formatted by hand: the run's end writes some 60,000 of them.
void AppendDigits(std::string* out, uint64_t value, unsigned base, int width) {
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % base);
        value /= base;
    } while (value || count < width);
    while (count) *out += digits[--count];
}

void AppendOctal(std::string* out, mode_t mode) {
    AppendDigits(out, mode & kPermissionBits, 8, 4);
}

void AppendTime(std::string* out, const struct timespec& time) {
    if (time.tv_sec < 0) *out += '-';
    AppendDigits(out, static_cast<uint64_t>(time.tv_sec < 0 ? -time.tv_sec : time.tv_sec), 10, 1);
    *out += '.';
    AppendDigits(out, static_cast<uint64_t>(time.tv_nsec), 10, 9);
}

void AppendState(std::string* out, const FileState& state) {
    if (!state.present) {
        *out += "- - -";
        return;
    }
    AppendDigits(out, state.size, 10, 1);
    *out += ' ';
    AppendOctal(out, state.mode);
    *out += ' ';
    AppendTime(out, state.mtime);
}

void AppendEscaped(std::string* out, const std::string& text) {
    for (unsigned char c : text) {
        if (c > ' ' && c < 0x7f && c != '\\') {
            *out += static_cast<char>(c);
        } else {
            char code[5];
            snprintf(code, sizeof code, "\\%03o", c);
            *out += code;
        }
    }
}

bool ParseOctal(const std::string& text, mode_t* mode) {
    if (text.empty() || text.size() > 6) return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '7') return false;
        value = value * 8 + (c - '0');
    }
    *mode = static_cast<mode_t>(value & kPermissionBits);
    return true;
}

bool ParseSize(const std::string& text, uint64_t* size) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    *size = value;
    return true;
}

bool ParseTime(const std::string& text, struct timespec* time) {
    size_t dot = text.find('.');
    if (dot == std::string::npos || text.size() - dot - 1 != 9 || dot == 0) return false;
    bool negative = text[0] == '-';
    uint64_t seconds = 0, nanoseconds = 0;
    if (!ParseSize(text.substr(negative, dot - negative), &seconds) ||
        !ParseSize(text.substr(dot + 1), &nanoseconds))
        return false;
    time->tv_sec = negative ? -static_cast<time_t>(seconds) : static_cast<time_t>(seconds);
    time->tv_nsec = static_cast<long>(nanoseconds);
    return true;
}

// Three fields "<size> <mode> <mtime>" or "- - -".
bool ParseState(const std::vector<std::string>& fields, size_t at, FileState* state) {
    *state = FileState();
    if (fields[at] == "-" && fields[at + 1] == "-" && fields[at + 2] == "-") return true;
    state->present = true;
    return ParseSize(fields[at], &state->size) && ParseOctal(fields[at + 1], &state->mode) &&
           ParseTime(fields[at + 2], &state->mtime);
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields;
    size_t at = 0;
    for (;;) {
        size_t blank = line.find(' ', at);
        fields.push_back(line.substr(at, blank - at));
        if (blank == std::string::npos) return fields;
        at = blank + 1;
    }
}

// --- lines ---

// Appends one entry's line; the state after the run only once the run has ended.
void AppendEntryLine(std::string* out, const ManifestEntry& entry, bool withAfter) {
    static const char* const kKinds[] = {"created ", "replaced ", "existing ", "mode "};
    *out += kKinds[entry.kind];
    if (entry.kind == ManifestEntry::kCreated) {
        *out += kTypeNames[entry.type];
        *out += ' ';
    }
    AppendEscaped(out, entry.path);
    *out += ' ';
    switch (entry.kind) {
    case ManifestEntry::kCreated:
        out->pop_back();
        break;
    case ManifestEntry::kReplaced:
        AppendState(out, entry.before);
        *out += ' ';
        if (entry.kept.empty())
            *out += '-';
        else
            AppendEscaped(out, entry.kept);
        break;
    case ManifestEntry::kExisting:
        AppendOctal(out, entry.before.mode);
        *out += ' ';
        AppendTime(out, entry.before.mtime);
        break;
    case ManifestEntry::kMode:
        AppendOctal(out, entry.before.mode);
        break;
    }
    if (withAfter &&
        (entry.kind == ManifestEntry::kCreated || entry.kind == ManifestEntry::kReplaced)) {
        *out += ' ';
        AppendState(out, entry.after);
    }
    *out += '\n';
}

std::string HeaderLines(const Manifest& manifest) {
    // An empty field would leave two blanks in a row.
    std::string program = manifest.program.empty() ? "-" : manifest.program;
    return std::string(kFormatLine) + "\nrun " + manifest.date + " " + EscapeManifestText(program) +
           " " + EscapeManifestText(manifest.target) + " " + manifest.targetState + "\n";
}

std::string SourceLine(const Manifest::Source& source) {
    return (source.patch ? "patch " : "archive ") + EscapeManifestText(source.path) + "\n";
}

std::string ManifestText(const Manifest& manifest) {
    std::string text = HeaderLines(manifest);
    text.reserve(manifest.entries.size() * 64);
    // Entries by source, in the order they were recorded within each.
    std::vector<size_t> order(manifest.entries.size());
    for (size_t i = 0; i < order.size(); i++) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return manifest.entries[a].source < manifest.entries[b].source;
    });
    size_t next = 0;
    for (int source = -1; source < static_cast<int>(manifest.sources.size()); source++) {
        if (source >= 0) text += SourceLine(manifest.sources[source]);
        for (; next < order.size() && manifest.entries[order[next]].source <= source; next++)
            AppendEntryLine(&text, manifest.entries[order[next]], manifest.ended);
    }
    if (manifest.ended) text += "end " + manifest.outcome + "\n";
    return text;
}

bool TypeNamed(const std::string& name, TarMember::Type* type) {
    for (int t = 0; t <= TarMember::kOther; t++) {
        if (name == kTypeNames[t]) {
            *type = static_cast<TarMember::Type>(t);
            return true;
        }
    }
    return false;
}

// One line into the manifest; false when it is not a line of the format.
bool ParseLine(const std::string& line, Manifest* manifest) {
    std::vector<std::string> f = Split(line);
    const std::string& word = f[0];
    size_t n = f.size();
    ManifestEntry entry;
    entry.source = static_cast<int>(manifest->sources.size()) - 1;
    bool ok = n >= 2 && UnescapeManifestText(f[1], &entry.path);
    if (word == "run" && n == 5) {
        manifest->date = f[1];
        manifest->targetState = f[4];
        return UnescapeManifestText(f[2], &manifest->program) &&
               UnescapeManifestText(f[3], &manifest->target);
    }
    if ((word == "archive" || word == "patch") && n == 2 && ok) {
        manifest->sources.push_back({word == "patch", entry.path});
        return true;
    }
    if (word == "end" && n == 2) {
        manifest->ended = true;
        manifest->outcome = f[1];
        return true;
    }
    if (word == "created" && (n == 3 || n == 6)) {
        entry.kind = ManifestEntry::kCreated;
        ok = TypeNamed(f[1], &entry.type) && UnescapeManifestText(f[2], &entry.path) &&
             (n == 3 || ParseState(f, 3, &entry.after));
    } else if (word == "replaced" && (n == 6 || n == 9) && ok) {
        entry.kind = ManifestEntry::kReplaced;
        ok = ParseState(f, 2, &entry.before) &&
             (f[5] == "-" || UnescapeManifestText(f[5], &entry.kept)) &&
             (n == 6 || ParseState(f, 6, &entry.after));
    } else if (word == "existing" && n == 4 && ok) {
        entry.kind = ManifestEntry::kExisting;
        entry.before.present = true;
        ok = ParseOctal(f[2], &entry.before.mode) && ParseTime(f[3], &entry.before.mtime);
    } else if (word == "mode" && n == 3 && ok) {
        entry.kind = ManifestEntry::kMode;
        entry.before.present = true;
        ok = ParseOctal(f[2], &entry.before.mode);
    } else {
        return false;
    }
    if (ok) manifest->entries.push_back(std::move(entry));
    return ok;
}

// --- files ---

bool WriteWhole(int fd, const std::string& text) {
    return gen_write_all(fd, text.data(), text.size());
}

bool ReadAll(int fd, std::string* text) {
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        text->append(buffer, static_cast<size_t>(got));
    }
}

std::string SystemText(const std::string& what, int error) {
    return what + ": " + strerror(error);
}

} // namespace

bool WriteManifestAt(int dir, const std::string& name, const Manifest& manifest,
                     std::string* error) {
    std::string temporary = name.substr(0, name.rfind('.')) + ".tmp";
    int fd = openat(dir, temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = SystemText("Could not write " + temporary, errno);
        return false;
    }
    bool written = WriteWhole(fd, ManifestText(manifest)) && fsync(fd) == 0;
    int problem = errno;
    if (close(fd) != 0 && written) {
        written = false;
        problem = errno;
    }
    if (written && renameat(dir, temporary.c_str(), dir, name.c_str()) == 0) return true;
    if (written) problem = errno;
    unlinkat(dir, temporary.c_str(), 0);
    *error = SystemText("Could not write " + name, problem);
    return false;
}

namespace {

// The run number in "manifest-NNNN.txt", "manifest-NNNN.tmp" or "kept-NNNN"; 0 otherwise.
unsigned RunNumber(const char* name) {
    bool manifest = strncmp(name, kManifestPrefix, strlen(kManifestPrefix)) == 0;
    bool kept = strncmp(name, kKeptPrefix, strlen(kKeptPrefix)) == 0;
    if (!manifest && !kept) return 0;
    const char* digits = name + strlen(manifest ? kManifestPrefix : kKeptPrefix);
    if (*digits < '0' || *digits > '9') return 0;
    char* end = nullptr;
    unsigned long number = strtoul(digits, &end, 10);
    bool whole = manifest ? strcmp(end, ".txt") == 0 || strcmp(end, ".tmp") == 0 : *end == 0;
    return whole && number < 1000000000UL ? static_cast<unsigned>(number) : 0;
}

// The run numbers used in the folder open as `dir`.
std::vector<std::pair<unsigned, std::string>> RunFiles(int dir) {
    std::vector<std::pair<unsigned, std::string>> files;
    int copy = dup(dir);
    DIR* listing = copy >= 0 ? fdopendir(copy) : nullptr;
    if (!listing) {
        if (copy >= 0) close(copy);
        return files;
    }
    rewinddir(listing);
    while (struct dirent* entry = readdir(listing)) {
        unsigned number = RunNumber(entry->d_name);
        if (number) files.push_back({number, entry->d_name});
    }
    closedir(listing);
    std::sort(files.begin(), files.end());
    return files;
}

std::string RunName(const char* prefix, unsigned number, const char* suffix) {
    char name[64];
    snprintf(name, sizeof name, "%s%04u%s", prefix, number, suffix);
    return name;
}

std::string UtcNow() {
    time_t now = time(nullptr);
    struct tm parts;
    gmtime_r(&now, &parts);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

bool InSetupFolder(const std::string& path) {
    size_t length = strlen(kSetupFolder);
    return path.compare(0, length, kSetupFolder) == 0 &&
           (path.size() == length || path[length] == '/');
}

std::string Normalised(const std::string& path) {
    std::string name;
    NormaliseTarName(path, &name);
    return name;
}

} // namespace

FileState FileState::Of(const struct stat& status) {
    FileState state;
    state.present = true;
    state.size = static_cast<uint64_t>(status.st_size);
    state.mode = status.st_mode & kPermissionBits;
    state.mtime = status.st_mtim;
    return state;
}

bool FileState::SameAs(const FileState& other) const {
    return present == other.present && (!present || (size == other.size && mode == other.mode &&
                                                     mtime.tv_sec == other.mtime.tv_sec &&
                                                     mtime.tv_nsec == other.mtime.tv_nsec));
}

std::string EscapeManifestText(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    AppendEscaped(&escaped, text);
    return escaped;
}

bool UnescapeManifestText(const std::string& text, std::string* bytes) {
    bytes->clear();
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] != '\\') {
            *bytes += text[i];
            continue;
        }
        if (i + 3 >= text.size()) return false;
        int value = 0;
        for (size_t k = 1; k <= 3; k++) {
            char digit = text[i + k];
            if (digit < '0' || digit > '7') return false;
            value = value * 8 + (digit - '0');
        }
        if (value > 0xff) return false;
        *bytes += static_cast<char>(value);
        i += 3;
    }
    return true;
}

bool ReadManifest(const std::string& path, Manifest* manifest, std::string* error) {
    *manifest = Manifest();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::string text;
    bool read = fd >= 0 && ReadAll(fd, &text);
    int problem = errno;
    if (fd >= 0) close(fd);
    if (!read) {
        *error = SystemText("Could not read " + path, problem);
        return false;
    }
    size_t at = 0, number = 0;
    for (size_t newline; (newline = text.find('\n', at)) != std::string::npos; at = newline + 1) {
        std::string line = text.substr(at, newline - at);
        bool ok = ++number == 1 ? line == kFormatLine : ParseLine(line, manifest);
        if (!ok) {
            *error = path + ": line " + std::to_string(number) + " is not a manifest line";
            return false;
        }
    }
    if (number == 0) {
        *error = path + ": not a manifest";
        return false;
    }
    return true;
}

bool WriteManifest(const std::string& path, const Manifest& manifest, std::string* error) {
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    int dir = open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        *error = SystemText("Could not open " + folder, errno);
        return false;
    }
    bool written = WriteManifestAt(dir, path.substr(slash + 1), manifest, error);
    close(dir);
    return written;
}

std::vector<std::string> ListManifests(const std::string& setupFolder) {
    std::vector<std::string> paths;
    int dir = open(setupFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return paths;
    for (const auto& file : RunFiles(dir)) {
        const std::string& name = file.second;
        if (name.compare(0, strlen(kManifestPrefix), kManifestPrefix) == 0 &&
            name.compare(name.size() - 4, 4, ".txt") == 0)
            paths.push_back(setupFolder + "/" + name);
    }
    close(dir);
    return paths;
}

bool TargetHoldsFiles(const std::string& target) {
    DIR* listing = opendir(target.c_str());
    if (!listing) return false;
    bool holds = false;
    while (struct dirent* entry = readdir(listing)) {
        const char* name = entry->d_name;
        if (strcmp(name, ".") && strcmp(name, "..") && strcmp(name, kSetupFolder)) {
            holds = true;
            break;
        }
    }
    closedir(listing);
    return holds;
}

bool TargetHasSetupFolder(const std::string& target) {
    struct stat status;
    return lstat((target + "/" + kSetupFolder).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool DropKeptFiles(const std::string& manifestPath, std::string* error) {
    Manifest manifest;
    if (!ReadManifest(manifestPath, &manifest, error)) return false;
    size_t slash = manifestPath.rfind('/');
    std::string folder = slash == std::string::npos ? "." : manifestPath.substr(0, slash);
    GenBeneathTree setup;
    if (!setup.Open(folder.c_str())) {
        *error = SystemText("Could not open " + folder, errno);
        return false;
    }
    std::vector<std::string> keptFolders;
    for (ManifestEntry& entry : manifest.entries) {
        if (entry.kind != ManifestEntry::kReplaced || entry.kept.empty()) continue;
        std::string base;
        int dir = setup.Parent(entry.kept, &base);
        if (dir >= 0) unlinkat(dir, base.c_str(), 0);
        keptFolders.push_back(entry.kept.substr(0, entry.kept.find('/')));
        entry.kept.clear();
    }
    std::sort(keptFolders.begin(), keptFolders.end());
    keptFolders.erase(std::unique(keptFolders.begin(), keptFolders.end()), keptFolders.end());
    for (const std::string& kept : keptFolders) unlinkat(setup.root(), kept.c_str(), AT_REMOVEDIR);
    return WriteManifestAt(setup.root(), manifestPath.substr(slash + 1), manifest, error);
}

// --- the recorder ---

ManifestRecorder::~ManifestRecorder() {
    if (started_ && !ended_) Flush();
    CloseAll();
}

void ManifestRecorder::CloseAll() {
    for (int* fd : {&root_, &setup_, &file_, &kept_}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

bool ManifestRecorder::Fail(const std::string& what, int error) {
    if (error_.empty()) error_ = error ? SystemText(what, error) : what;
    return false;
}

bool ManifestRecorder::StartRun(const ManifestRun& run) {
    run_ = run;
    error_.clear();
    root_ = open(run.target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root_ < 0) return Fail("Could not open " + run.target, errno);
    struct stat rootBefore; // before .setup is made in it
    if (fstat(root_, &rootBefore) != 0) return Fail("Could not examine " + run.target, errno);
    if (mkdirat(root_, kSetupFolder, 0755) != 0 && errno != EEXIST)
        return Fail("Could not create " + run.target + "/" + kSetupFolder, errno);
    setup_ = openat(root_, kSetupFolder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (setup_ < 0) return Fail("Could not open " + run.target + "/" + kSetupFolder, errno);

    std::vector<std::pair<unsigned, std::string>> used = RunFiles(setup_);
    number_ = used.empty() ? 1 : used.back().first + 1;
    std::string name;
    for (;; number_++) {
        name = RunName(kManifestPrefix, number_, ".txt");
        file_ =
            openat(setup_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
        if (file_ >= 0 || errno != EEXIST) break;
    }
    manifestPath_ = run.target + "/" + kSetupFolder + "/" + name;
    if (file_ < 0) return Fail("Could not create " + manifestPath_, errno);
    keptName_ = RunName(kKeptPrefix, number_, "");

    manifest_ = Manifest();
    manifest_.date = UtcNow();
    manifest_.program = run.program;
    manifest_.target = run.target;
    manifest_.targetState = run.targetCreated ? "new" : run.targetHeldFiles ? "filled" : "empty";
    pending_ = HeaderLines(manifest_);
    paths_.clear();
    finalStates_.clear();
    modeNoted_.clear();
    lastParent_.clear();
    paths_.emplace(".", kOldDirectory);
    started_ = true;
    if (!run.targetCreated) NoteExistingDirectory(".", rootBefore);
    return Flush();
}

void ManifestRecorder::BeginSource(bool patch, const std::string& path) {
    if (!started_ || ended_) return;
    if (!pending_.empty()) Flush();
    manifest_.sources.push_back({patch, path});
    pending_ += SourceLine(manifest_.sources.back());
}

void ManifestRecorder::BeginArchive(const std::string& archive) {
    BeginSource(false, archive);
}

void ManifestRecorder::BeginPatch(const std::string& patchFile) {
    BeginSource(true, patchFile);
}

void ManifestRecorder::Add(ManifestEntry entry) {
    entry.source = static_cast<int>(manifest_.sources.size()) - 1;
    AppendEntryLine(&pending_, entry, false);
    manifest_.entries.push_back(std::move(entry));
}

void ManifestRecorder::Created(const std::string& path, TarMember::Type type) {
    paths_[path] = type == TarMember::kDirectory ? kMadeDirectory : kMadeFile;
    AddCreated(path, type);
}

void ManifestRecorder::AddCreated(const std::string& path, TarMember::Type type) {
    ManifestEntry entry;
    entry.kind = ManifestEntry::kCreated;
    entry.type = type;
    entry.path = path;
    Add(std::move(entry));
}

void ManifestRecorder::NoteExistingDirectory(const std::string& path, const struct stat& status) {
    paths_[path] = kOldDirectory;
    ManifestEntry entry;
    entry.kind = ManifestEntry::kExisting;
    entry.path = path;
    entry.before = FileState::Of(status);
    Add(std::move(entry));
}

// The directories above `path` that the run has not met yet, from the top: gtar makes the
// missing ones for the member, whether the archive lists them or not.
void ManifestRecorder::NoteParents(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return;
    // Members come directory by directory: most have the parent of the one before.
    if (slash == lastParent_.size() && path.compare(0, slash, lastParent_) == 0) return;
    lastParent_.assign(path, 0, slash);
    if (paths_.count(lastParent_)) return;
    std::vector<std::string> unknown;
    for (std::string up = path.substr(0, slash);; up.resize(slash)) {
        if (paths_.count(up)) break;
        unknown.push_back(up);
        slash = up.rfind('/');
        if (slash == std::string::npos) break;
    }
    for (auto dir = unknown.rbegin(); dir != unknown.rend(); ++dir) {
        struct stat status;
        if (!run_.targetHeldFiles || fstatat(root_, dir->c_str(), &status, AT_SYMLINK_NOFOLLOW))
            Created(*dir, TarMember::kDirectory);
        else if (S_ISDIR(status.st_mode))
            NoteExistingDirectory(*dir, status);
        else
            paths_[*dir] = kOldOther; // a link gtar follows, or a file it will fail on
    }
}

bool ManifestRecorder::BeforeMember(const TarMember& member) {
    if (!started_ || ended_) return Fail("No run is being recorded", 0);
    const std::string& name = member.name;
    if (member.refused || name == ".") return true; // gtar makes nothing of it here
    if (InSetupFolder(name))
        return Fail("An archive member would overwrite the installer's own files: " + name, 0);
    NoteParents(name);
    PathState made = member.type == TarMember::kDirectory ? kMadeDirectory : kMadeFile;
    if (!paths_.try_emplace(name, made).second) {            // met before in this run
        if (!finalStates_.empty()) finalStates_.erase(name); // and about to change again
        return true;
    }
    struct stat status;
    if (!run_.targetHeldFiles || fstatat(root_, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        AddCreated(name, member.type); // known as made already
        return true;
    }
    if (S_ISDIR(status.st_mode)) {
        // gtar gives an existing directory the member's mode and time; a member of another
        // type takes the place of an empty one.
        NoteExistingDirectory(name, status);
        if (member.type != TarMember::kDirectory) Created(name, member.type);
        paths_[name] = kOldDirectory;
        return true;
    }
    bool kept = Replace(name, status);
    if (!kept) paths_.erase(name); // not taken in: the member is refused
    if (kept && member.type == TarMember::kDirectory) Created(name, member.type);
    return kept;
}

bool ManifestRecorder::Replace(const std::string& path, const struct stat& status) {
    std::string kept;
    if (!KeepAside(path, status, &kept)) return false;
    paths_[path] = kReplacedPath;
    ManifestEntry entry;
    entry.kind = ManifestEntry::kReplaced;
    entry.path = path;
    entry.before = FileState::Of(status);
    entry.kept = kept;
    Add(std::move(entry));
    return true;
}

bool ManifestRecorder::OpenKeptFolder() {
    if (kept_ >= 0) return true;
    if (mkdirat(setup_, keptName_.c_str(), 0700) != 0 && errno != EEXIST)
        return Fail("Could not create " + keptName_, errno);
    kept_ = openat(setup_, keptName_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return kept_ >= 0 || Fail("Could not open " + keptName_, errno);
}

// A hard link keeps the old contents for as long as we need them, since gtar removes the
// old file before it writes the new one; where a link cannot be made, a copy does.
bool ManifestRecorder::KeepAside(const std::string& path, const struct stat& status,
                                 std::string* kept) {
    kept->clear();
    if (!S_ISREG(status.st_mode) && !S_ISLNK(status.st_mode)) return true; // nothing to keep
    if (!OpenKeptFolder()) return false;
    std::string name = std::to_string(++keptCount_);
    if (linkat(root_, path.c_str(), kept_, name.c_str(), 0) != 0) {
        int error = errno;
        bool linkImpossible = error == EXDEV || error == EPERM || error == EMLINK ||
                              error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS;
        if (!linkImpossible || gen_beneath_copy(root_, path.c_str(), status, kept_, name.c_str()))
            return Fail("Could not keep " + path + " aside", linkImpossible ? errno : error);
    }
    *kept = keptName_ + "/" + name;
    return true;
}

void ManifestRecorder::NoteModeChange(const std::string& path, mode_t before) {
    if (!WantsModeChanges()) return;
    // The walks name paths the way members are named: most are found as they are.
    auto found = paths_.find(path);
    if (found != paths_.end() && found->second != kOldDirectory && found->second != kOldOther)
        return;
    std::string name = Normalised(path);
    found = paths_.find(name);
    if (found != paths_.end() && found->second != kOldDirectory && found->second != kOldOther)
        return;                                  // ours: the run made it
    if (!modeNoted_.insert(name).second) return; // the first mode is the one it had
    ManifestEntry entry;
    entry.kind = ManifestEntry::kMode;
    entry.path = name;
    entry.before.present = true;
    entry.before.mode = before & kPermissionBits;
    Add(std::move(entry));
}

void ManifestRecorder::NoteFinalState(const std::string& path, const struct stat& status,
                                      mode_t mode) {
    if (!started_ || ended_) return;
    auto found = paths_.find(path);
    if (found == paths_.end() || (found->second != kMadeFile && found->second != kReplacedPath))
        return;
    FileState state = FileState::Of(status);
    state.mode = mode & kPermissionBits;
    finalStates_[path] = state;
}

bool ManifestRecorder::RecordPatchedFile(const std::string& path, const FileState& before,
                                         const std::string& keptCopy) {
    if (!started_ || ended_) return Fail("No run is being recorded", 0);
    std::string name = Normalised(path);
    if (!before.present) {
        Created(name, TarMember::kFile);
        return true;
    }
    ManifestEntry entry;
    entry.kind = ManifestEntry::kReplaced;
    entry.path = name;
    entry.before = before;
    bool ok = true;
    if (!keptCopy.empty() && (ok = OpenKeptFolder())) {
        std::string kept = std::to_string(++keptCount_);
        struct stat status;
        if (renameat(AT_FDCWD, keptCopy.c_str(), kept_, kept.c_str()) == 0) {
            entry.kept = keptName_ + "/" + kept;
        } else if (errno == EXDEV && lstat(keptCopy.c_str(), &status) == 0 &&
                   gen_beneath_copy(AT_FDCWD, keptCopy.c_str(), status, kept_, kept.c_str()) == 0) {
            unlink(keptCopy.c_str());
            entry.kept = keptName_ + "/" + kept;
        } else {
            ok = Fail("Could not keep " + keptCopy, errno);
        }
    }
    paths_[name] = kReplacedPath;
    Add(std::move(entry));
    return ok;
}

void ManifestRecorder::RecordPatchedDirectory(const std::string& path) {
    if (started_ && !ended_) Created(Normalised(path), TarMember::kDirectory);
}

bool ManifestRecorder::Flush() {
    if (pending_.empty() || file_ < 0) return file_ >= 0 || Fail("No run is being recorded", 0);
    bool written = gen_write_all(file_, pending_.data(), pending_.size());
    pending_.clear();
    return written || Fail("Could not write " + manifestPath_, errno);
}

bool ManifestRecorder::EndArchive() {
    return started_ && !ended_ ? Flush() : Fail("No run is being recorded", 0);
}

void ManifestRecorder::DropKept() {
    for (ManifestEntry& entry : manifest_.entries) {
        if (entry.kind != ManifestEntry::kReplaced || entry.kept.empty()) continue;
        unlinkat(kept_, entry.kept.substr(keptName_.size() + 1).c_str(), 0);
        entry.kept.clear();
    }
    if (kept_ >= 0) unlinkat(setup_, keptName_.c_str(), AT_REMOVEDIR);
}

bool ManifestRecorder::EndRun(RunOutcome outcome) {
    if (!started_ || ended_) return Fail("No run is being recorded", 0);
    bool ok = Flush();
    // Each path's directory is reached once for all its entries, not once for every entry.
    GenBeneathTree tree;
    tree.OpenDuplicate(root_);
    for (ManifestEntry& entry : manifest_.entries) {
        if (entry.kind != ManifestEntry::kCreated && entry.kind != ManifestEntry::kReplaced)
            continue;
        if (!finalStates_.empty()) {
            auto known = finalStates_.find(entry.path);
            if (known != finalStates_.end()) {
                entry.after = known->second;
                continue;
            }
        }
        struct stat status;
        std::string base;
        int dir = tree.Parent(entry.path, &base);
        entry.after = dir >= 0 && fstatat(dir, base.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0
                          ? FileState::Of(status)
                          : FileState();
    }
    if (outcome == RunOutcome::kSucceeded) DropKept(); // no rollback is offered any more
    manifest_.ended = true;
    manifest_.outcome = kOutcomeNames[static_cast<int>(outcome)];
    ended_ = true;
    std::string problem;
    std::string name = manifestPath_.substr(manifestPath_.rfind('/') + 1);
    if (!WriteManifestAt(setup_, name, manifest_, &problem)) ok = Fail(problem, 0);
    finalStates_.clear();
    CloseAll();
    return ok;
}
