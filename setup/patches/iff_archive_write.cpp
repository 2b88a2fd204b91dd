// The chunk writer and the patch creator. The writer refuses (kIffClientError) anything
// that would make a malformed archive: a second chunk while one is open, data beyond a
// known size or bound, a position past what a 32-bit word can address. CreatePatch at
// the end checks every input before it creates the archive, writes it under a temporary
// name beside its own, and gives it its name only when it is complete.
#include "setup/patches/iff_archive_write.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "setup/install_options.h"
#include "setup/patches/iff_archive_read.h"
#include "setup/setup_entry.h"
#include "shared/gen_printable.h"
#include "shared/indgen.h"
#include "shared/libcxxutil/ut_childgroups.h"

// ---- The chunk writer ----

namespace {
bool IsKnown(int32_t size) {
    return size != kIffSizeUnknown;
}

int WriteRaw(FILE* file, const void* data, size_t n) {
    return fwrite(data, 1, n, file) == n ? kIffOkay : kIffFileError;
}

int WriteWord(FILE* file, int value) {
    int32_t word = IffHostWord(value);
    return WriteRaw(file, &word, 4);
}

// Whether a group may grow to end: within its known bound and within a 32-bit position.
bool Fits(const _GroupContext* group, int64_t end) {
    return end <= INT32_MAX && (!IsKnown(group->bound) || end <= group->bound);
}
} // namespace

int OpenWIFF(FILE* file, _GroupContext* group, int limit) {
    *group = _GroupContext();
    group->file = file;
    group->bound = limit;
    if (!file) return kIffNoFile;
    if (fseek(file, 0, SEEK_SET) != 0) return kIffFileError;
    if (IsKnown(limit) && ((limit & 1) || limit < 0)) return kIffClientError;
    return kIffOkay;
}

int PutCkHdr(_GroupContext* group, int ckID, int size) {
    if (group->ckID != 0 || ckID <= 0) return kIffClientError;
    if (!group->parent &&
        ((ckID != kIdForm && ckID != kIdList && ckID != kIdCat) || group->position != 0))
        return kIffClientError;
    if (IsKnown(size) && size < 0) return kIffClientError;
    if (!Fits(group, int64_t(group->position) + 8 + (IsKnown(size) ? size : 0)))
        return kIffClientError;
    int status = WriteWord(group->file, ckID);
    if (status == kIffOkay) status = WriteWord(group->file, size);
    if (status != kIffOkay) return status;
    group->position += 8;
    group->ckID = ckID;
    group->ckSize = size;
    group->bytesSoFar = 0;
    return kIffOkay;
}

int IFFWriteBytes(_GroupContext* group, const char* data, int n) {
    if (group->ckID == 0 || n < 0) return kIffClientError;
    if (!Fits(group, int64_t(group->position) + n)) return kIffClientError;
    if (IsKnown(group->ckSize) && int64_t(group->bytesSoFar) + n > group->ckSize)
        return kIffClientError;
    if (n > 0 && WriteRaw(group->file, data, n) != kIffOkay) return kIffFileError;
    group->position += n;
    group->bytesSoFar += n;
    return kIffOkay;
}

int PutCkEnd(_GroupContext* group) {
    if (group->ckID == 0) return kIffClientError;
    if (!IsKnown(group->ckSize)) {
        long sizeAt = long(group->position) - group->bytesSoFar - 4;
        if (fseek(group->file, sizeAt, SEEK_SET) != 0 ||
            WriteWord(group->file, group->bytesSoFar) != kIffOkay ||
            fseek(group->file, group->position, SEEK_SET) != 0)
            return kIffFileError;
    } else if (group->ckSize != group->bytesSoFar) {
        return kIffClientError;
    }
    if (group->bytesSoFar & 1) {
        if (!Fits(group, int64_t(group->position) + 1)) return kIffClientError;
        if (WriteRaw(group->file, "", 1) != kIffOkay) return kIffFileError;
        group->position++;
    }
    group->ckID = 0;
    group->ckSize = 0;
    group->bytesSoFar = 0;
    return kIffOkay;
}

int OpenWGroup(_GroupContext* parent, _GroupContext* group) {
    *group = _GroupContext();
    group->parent = parent;
    group->clientFrame = parent->clientFrame;
    group->file = parent->file;
    group->position = parent->position;
    group->bound = parent->bound;
    if (IsKnown(parent->ckSize)) {
        int64_t chunkEnd = int64_t(parent->position) + parent->ckSize - parent->bytesSoFar;
        if (!IsKnown(parent->bound) || chunkEnd < parent->bound)
            group->bound = static_cast<int32_t>(chunkEnd);
    }
    if (parent->ckID == 0 || (parent->position & 1)) return kIffClientError;
    if (IsKnown(group->bound) && (group->bound & 1)) return kIffClientError;
    return kIffOkay;
}

int StartWGroup(_GroupContext* parent, int groupID, int size, int subtype, _GroupContext* group) {
    int status = PutCkHdr(parent, groupID, size);
    if (status != kIffOkay) return status;
    int32_t word = IffHostWord(subtype);
    status = IFFWriteBytes(parent, reinterpret_cast<const char*>(&word), 4);
    if (status != kIffOkay) return status;
    return OpenWGroup(parent, group);
}

int CloseWGroup(_GroupContext* group) {
    if (group->ckID != 0) return kIffClientError;
    _GroupContext* parent = group->parent;
    if (!parent) return fflush(group->file) == 0 ? kIffOkay : kIffFileError;
    parent->bytesSoFar += group->position - parent->position;
    parent->position = group->position;
    return kIffOkay;
}

int EndWGroup(_GroupContext* group) {
    if (!group->parent) return kIffClientError;
    int status = CloseWGroup(group);
    return status == kIffOkay ? PutCkEnd(group->parent) : status;
}

int PutCk(_GroupContext* group, int ckID, int size, const char* data) {
    if (size == kIffSizeUnknown) return kIffClientError;
    int status = PutCkHdr(group, ckID, size);
    if (status == kIffOkay) status = IFFWriteBytes(group, data, size);
    if (status == kIffOkay) status = PutCkEnd(group);
    return status;
}

// ---- Creating a patch ----

namespace {
constexpr size_t kCopyBlock = 1 << 20;
const char kNoInformation[] = "(null)";

struct PatchInput {
    const char* name;
    const char* info; // null when the file was given without one
};

// The archive is written under a temporary name beside its own and takes its name only
// when it is complete; until then this names the temporary, so that every way out (a
// failure, a request to stop, the exit hook) can take it away again.
std::string archiveInProgress;

void RemovePartialArchive() {
    if (!archiveInProgress.empty()) unlink(archiveInProgress.c_str());
    archiveInProgress.clear();
}

[[noreturn]] void StopCreating(const std::string& message) {
    RemovePartialArchive();
    SetupReportErrorAndExit(message.c_str());
}

std::string Shown(const char* name) {
    return gen_printable_name(name, strlen(name));
}

// How many arguments an option of the command line takes up (0 for anything else), so
// that options written after the file list are not taken for files.
int OptionLength(const char* argument) {
    if (argument[0] != '-') return 0;
    for (const char* word : {"nodisplay", "save_catalogs"})
        if (gen_strstr(argument, word)) return 1;
    for (const char* word : {"source_dir", "target_dir", "util_dir", "install_patch"})
        if (gen_strstr(argument, word)) return 2;
    return 0;
}

// True when nothing but options follows from argument k on (or nothing at all).
bool OnlyOptionsFrom(char** argv, int argc, int k) {
    while (k < argc) {
        int length = OptionLength(argv[k]);
        if (length == 0) return false;
        k += length;
    }
    return true;
}

// The file list follows the archive name, or the patch information when that comes
// before or between file names; given after the last file, the patch information closes
// the list instead. Each name may be followed by an information string: any argument
// that does not name an existing file.
std::vector<PatchInput> CollectPatchInputs(char** argv, int argc) {
    int first = 0;
    while (first < argc && !gen_strstr(argv[first], "create_patch")) first++;
    first += 2;
    int end = argc;
    for (int i = first; i < argc; i++) {
        if (!gen_strstr(argv[i], "patch_info")) continue;
        if (OnlyOptionsFrom(argv, argc, i + 2))
            end = i;
        else
            first = i + 2;
        break;
    }
    std::vector<const char*> words;
    for (int i = first; i < end; i++) {
        int skip = OptionLength(argv[i]);
        if (skip == 0) words.push_back(argv[i]);
        i += skip > 0 ? skip - 1 : 0;
    }
    std::vector<PatchInput> inputs;
    for (size_t i = 0; i < words.size(); i++) {
        PatchInput input = {words[i], nullptr};
        if (i + 1 < words.size() && !FileExists(words[i + 1])) input.info = words[++i];
        inputs.push_back(input);
    }
    return inputs;
}

[[noreturn]] void RefuseInput(const char* name, const char* why) {
    StopCreating("Can not put " + Shown(name) + " into a patch: it " + why + ".");
}

// Opens an input that must be a plain file. Its type is judged before it is opened, so a
// FIFO or a device is never opened at all, and it is opened without waiting in case one
// was swapped in since. One that cannot be opened stops with the foundation's message.
FILE* OpenInput(const char* name, struct stat* st) {
    if (stat(name, st) == 0 && !S_ISREG(st->st_mode)) RefuseInput(name, "is not a plain file");
    int fd = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        RemovePartialArchive();
        errno = error;
        gen_perrorexit(1, "Unable to open %s for input", name);
    }
    bool plain = fstat(fd, st) == 0 && S_ISREG(st->st_mode);
    FILE* file = nullptr;
    if (plain && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) file = fdopen(fd, "rb");
    if (file) return file;
    close(fd);
    RefuseInput(name, "is not a plain file");
}

int64_t ChunkBytes(int64_t size) {
    return 8 + size + (size & 1);
}

int64_t FileFormBytes(const PatchInput& input, int64_t size) {
    const char* info = input.info ? input.info : kNoInformation;
    return 12 + ChunkBytes(strlen(info)) + ChunkBytes(strlen(input.name)) + ChunkBytes(4) +
           ChunkBytes(size);
}

// Every input must be a plain file with a name the installing side accepts, and all must
// fit, before the archive is created.
void CheckPatchInputs(const std::vector<PatchInput>& inputs, const char* name, const char* info) {
    int64_t header = 12 + ChunkBytes(strlen(info));
    int64_t total = header;
    for (const PatchInput& input : inputs) {
        std::string relative;
        if (const char* problem = RelativeName(input.name, &relative))
            RefuseInput(input.name, problem);
        struct stat st;
        fclose(OpenInput(input.name, &st));
        int64_t form = FileFormBytes(input, st.st_size);
        if (header + form > INT32_MAX)
            RefuseInput(input.name, "is larger than a patch archive can hold");
        total += form;
    }
    if (total > INT32_MAX)
        StopCreating(std::string("Can not create the patch ") + Shown(name) +
                     ": its files add up to more than a patch archive can hold.");
}

[[noreturn]] void RefuseExisting(const char* name) {
    StopCreating(
        gen_asprintf("Can not create an archive that already exists.  Please delete %s.", name));
}

// The temporary beside the archive's name, made afresh and never over anything.
FILE* CreateTemporary(const char* name) {
    std::string dir = ".", base = name;
    if (const char* slash = strrchr(name, '/')) {
        dir.assign(name, slash == name ? 1 : slash - name);
        base = slash + 1;
    }
    std::string temp = dir + "/." + base + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd >= 0) {
        archiveInProgress = temp;
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask); // what creating it under its own name would have given
    }
    FILE* file = fd >= 0 ? fdopen(fd, "w+b") : nullptr;
    if (file) return file;
    int error = errno;
    if (fd >= 0) close(fd);
    RemovePartialArchive();
    // The foundation's open-failure message, for the archive's own name: the temporary
    // failed where the archive itself would have.
    errno = error;
    gen_perrorexit(1, "Unable to open %s for output", name);
}

// Gives the finished temporary the archive's name, unless something took that name
// meanwhile: a hard link does it without replacing anything; where the file system has
// no hard links, a rename after a last look.
void GiveArchiveItsName(const char* name) {
    if (link(archiveInProgress.c_str(), name) != 0) {
        struct stat st;
        if (errno == EEXIST || lstat(name, &st) == 0) RefuseExisting(name);
        if (rename(archiveInProgress.c_str(), name) != 0)
            StopCreating(gen_asprintf("Can not create %s: %s.", name, strerror(errno)));
    }
    RemovePartialArchive();
}

int WriteContents(_GroupContext* form, FILE* file, const char* name, off_t size, char* buffer,
                  std::string* failure) {
    if (size > INT32_MAX) return kIffClientError;
    int status = PutCkHdr(form, kIdFileContents, static_cast<int>(size));
    for (off_t left = size; status == kIffOkay && left > 0;) {
        if (ut_TerminationCatcher::Signal()) return kIffClientError;
        size_t want = left < off_t(kCopyBlock) ? size_t(left) : kCopyBlock;
        if (fread(buffer, 1, want, file) != want) {
            *failure = "Can not read " + Shown(name) + ": " +
                       (ferror(file) ? std::string(strerror(errno)) + "."
                                     : "it became shorter while the patch was being written.");
            return kIffFileError;
        }
        status = IFFWriteBytes(form, buffer, static_cast<int>(want));
        left -= want;
    }
    return status == kIffOkay ? PutCkEnd(form) : status;
}

int WriteFileForm(_GroupContext* patch, const PatchInput& input, char* buffer,
                  std::string* failure) {
    _GroupContext form;
    int status = StartWGroup(patch, kIdForm, kIffSizeUnknown, kIdFile, &form);
    if (status != kIffOkay) return status;
    struct stat st;
    FILE* file = OpenInput(input.name, &st);
    const char* info = input.info ? input.info : kNoInformation;
    int32_t mode = IffHostWord(static_cast<int>(st.st_mode));
    status = PutCk(&form, kIdFileInfo, static_cast<int>(strlen(info)), info);
    if (status == kIffOkay)
        status = PutCk(&form, kIdFileName, static_cast<int>(strlen(input.name)), input.name);
    if (status == kIffOkay) status = PutCk(&form, kIdFileMode, 4, reinterpret_cast<char*>(&mode));
    if (status == kIffOkay)
        status = WriteContents(&form, file, input.name, st.st_size, buffer, failure);
    fclose(file);
    return status == kIffOkay ? EndWGroup(&form) : status;
}

int WritePatch(FILE* archive, const char* info, const std::vector<PatchInput>& inputs, char* buffer,
               std::string* failure) {
    _GroupContext top, patch;
    int status = OpenWIFF(archive, &top, kIffSizeUnknown);
    if (status == kIffOkay) status = StartWGroup(&top, kIdForm, kIffSizeUnknown, kIdPatch, &patch);
    if (status == kIffOkay)
        status = PutCk(&patch, kIdPatchInfo, static_cast<int>(strlen(info)), info);
    for (size_t i = 0; status == kIffOkay && i < inputs.size(); i++)
        status = WriteFileForm(&patch, inputs[i], buffer, failure);
    if (status == kIffOkay) status = EndWGroup(&patch);
    if (status == kIffOkay) status = CloseWGroup(&top);
    return status;
}
} // namespace

void CheckForArchiveCreationError(int status) {
    if (status == kIffOkay) return;
    StopCreating(gen_asprintf("Failed to create archive.  Error number: %d.", status));
}

void CreatePatch(char** argv, int argc) {
    const char* name = installOptions.createPatchFile;
    if (!name) SetupReportErrorAndExit("-create_patch needs the name of the patch to create.");
    const char* info = installOptions.patchInfo ? installOptions.patchInfo : "";
    std::vector<PatchInput> inputs = CollectPatchInputs(argv, argc);
    if (FileExists(name)) RefuseExisting(name);
    static bool hooked = false;
    if (!hooked) atexit(RemovePartialArchive); // the exit hook and the signal traps end here
    hooked = true;
    CheckPatchInputs(inputs, name, info);

    int stopSignal = 0;
    {
        // A request to stop is noticed between blocks, so that the temporary goes with it.
        ut_TerminationCatcher catcher;
        ut_TerminationCatcher::Reset();
        FILE* archive = CreateTemporary(name);
        char* buffer = static_cast<char*>(gen_alloc(1, kCopyBlock));
        std::string failure;
        int status = WritePatch(archive, info, inputs, buffer, &failure);
        if (fclose(archive) != 0 && status == kIffOkay) status = kIffFileError;
        gen_free(buffer);
        stopSignal = ut_TerminationCatcher::Signal();
        if (stopSignal) {
            RemovePartialArchive();
            const char* word = stopSignal == SIGTERM  ? "Terminated"
                               : stopSignal == SIGHUP ? "Hung up"
                                                      : nullptr;
            if (word)
                SetupReportErrorNoExit(
                    (std::string(word) + ": the patch " + name + " was not created.").c_str());
        } else {
            if (!failure.empty()) StopCreating(failure);
            CheckForArchiveCreationError(status);
            GiveArchiveItsName(name);
        }
    }
    // The signal trap, back in place, says its word and ends the program with status 2.
    if (stopSignal) raise(stopSignal);
}
