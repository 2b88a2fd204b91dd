// The chunk reader and the patch installer. Every size read from the archive is checked
// against the bound of the group it lies in, and the file level is bounded by the file's
// length, so a truncated or lying archive ends in a status instead of a wild read; names and
// information texts are bounded before they are read. The patch half starts at InstallPatch
// near the end of the file; patch_staging.h does the writing, patch_record.h adds the patch
// to the target's undo records.
#include "setup/patches/iff_archive_read.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "setup/install_options.h"
#include "setup/patches/patch_record.h"
#include "setup/patches/patch_staging.h"
#include "setup/setup_entry.h"
#include "shared/gen_printable.h"
#include "shared/indgen.h"
#include "shared/libcxxutil/ut_childgroups.h"

// ---- The chunk reader ----

long FileLength(FILE* file) {
    if (!file) return kIffNoFile;
    if (fseek(file, 0, SEEK_END) != 0) return kIffFileError;
    long length = ftell(file);
    return length < 0 ? kIffFileError : length;
}

int OpenRIFF(FILE* file, _GroupContext* group, _ClientFrame* frame) {
    *group = _GroupContext();
    group->clientFrame = frame;
    group->file = file;
    long length = FileLength(file);
    if (length < 0) return static_cast<int>(length);
    if (length < 8) return kIffNotArchive;
    // Positions are 32-bit; an archive never grows past that, so neither may the bound.
    group->bound = length > INT32_MAX ? INT32_MAX : static_cast<int32_t>(length);
    if (fseek(file, 0, SEEK_SET) != 0) return kIffFileError;
    return kIffOkay;
}

int OpenRGroup(_GroupContext* parent, _GroupContext* group) {
    *group = _GroupContext();
    group->parent = parent;
    group->clientFrame = parent->clientFrame;
    group->file = parent->file;
    group->position = parent->position;
    if (parent->ckID <= 0) return kIffClientError;
    int64_t bound = int64_t(parent->position) + parent->ckSize - parent->bytesSoFar;
    if (bound > parent->bound || (bound & 1)) return kIffBadArchive;
    group->bound = static_cast<int32_t>(bound);
    return kIffOkay;
}

int CloseRGroup(_GroupContext* group) {
    _GroupContext* parent = group->parent;
    if (parent) {
        parent->bytesSoFar += group->position - parent->position;
        parent->position = group->position;
    }
    return kIffOkay;
}

namespace {
// Reads n bytes at the current position of the stream.
int ReadRaw(FILE* file, void* buffer, size_t n) {
    if (fread(buffer, 1, n, file) == n) return kIffOkay;
    return ferror(file) ? kIffFileError : kIffBadArchive;
}

// Moves past what is left of the current chunk and its pad byte.
int SkipRestOfChunk(_GroupContext* group) {
    int64_t skip = int64_t(group->ckSize) - group->bytesSoFar + (group->ckSize & 1);
    group->ckSize = group->bytesSoFar = 0;
    if (skip <= 0) return kIffOkay;
    int64_t target = group->position + skip;
    if (target > INT32_MAX) return kIffBadArchive;
    // A short skip is read through the stream's buffer: a seek would cost a system call
    // for every small chunk of a patch with many files.
    char discard[4096];
    if (skip <= int64_t(sizeof discard)) {
        int status = ReadRaw(group->file, discard, size_t(skip));
        if (status != kIffOkay) return status;
    } else if (fseek(group->file, static_cast<long>(target), SEEK_SET) != 0) {
        return kIffBadArchive;
    }
    group->position = static_cast<int32_t>(target);
    return kIffOkay;
}

int ReadHeader(_GroupContext* group) {
    int64_t remaining = int64_t(group->bound) - group->position;
    if (remaining == 0) return kIffEndMark;
    if (remaining < 8) return kIffBadArchive;
    int32_t header[2];
    int status = ReadRaw(group->file, header, sizeof header);
    if (status != kIffOkay) return status;
    group->position += 8;
    int id = IffHostWord(header[0]);
    int size = IffHostWord(header[1]);
    if (!group->parent && id != kIdForm && id != kIdList && id != kIdCat) return kIffNotArchive;
    if (id <= 0 || size < 0 || size > remaining - 8) return kIffBadArchive;
    group->ckID = id;
    group->ckSize = size;
    group->bytesSoFar = 0;
    if (!IsIffGroupID(id)) return id;
    // The subtype counts as data of the group chunk: a chunk too small for it is short.
    int32_t subtype;
    status = IFFReadBytes(group, reinterpret_cast<char*>(&subtype), 4);
    if (status != kIffOkay) return status;
    group->subtype = IffHostWord(subtype);
    return id;
}
} // namespace

int GetChunkHdr(_GroupContext* group) {
    if (group->ckID < 0) return group->ckID; // a failed or finished group stays so
    int status = SkipRestOfChunk(group);
    if (status == kIffOkay) status = ReadHeader(group);
    if (status < 0) group->ckID = status;
    return status;
}

int IFFReadBytes(_GroupContext* group, char* buffer, int n) {
    if (n < 0) return kIffClientError;
    if (n > group->ckSize - group->bytesSoFar) return kIffShortChunk;
    int status = n > 0 ? ReadRaw(group->file, buffer, n) : kIffOkay;
    if (status != kIffOkay) return status;
    group->position += n;
    group->bytesSoFar += n;
    return kIffOkay;
}

int SkipGroup(_GroupContext*) {
    return kIffOkay;
}

int ReadIFF(FILE* file, _ClientFrame* frame) {
    _GroupContext top;
    int status = OpenRIFF(file, &top, frame);
    if (status == kIffOkay) {
        status = GetChunkHdr(&top);
        if (status == kIdForm)
            status = frame->getForm(&top);
        else if (status == kIdList)
            status = frame->getList(&top);
        else if (status == kIdCat)
            status = frame->getCat(&top);
    }
    CloseRGroup(&top);
    return status > 0 ? kIffNotArchive : status;
}

int ReadIList(_GroupContext* parent, _ClientFrame* frame) {
    _GroupContext list;
    int status = OpenRGroup(parent, &list);
    if (status != kIffOkay) return status;
    if (frame) list.clientFrame = frame;
    bool propAllowed = parent->ckID == kIdList;
    do {
        status = GetChunkHdr(&list);
        if (status == kIdProp)
            status = propAllowed ? list.clientFrame->getProp(&list) : kIffBadArchive;
        else if (status == kIdForm)
            status = list.clientFrame->getForm(&list);
        else if (status == kIdList)
            status = list.clientFrame->getList(&list);
        else if (status == kIdCat)
            status = list.clientFrame->getCat(&list);
        else if (status > 0)
            status = kIffBadArchive; // a LIST or CAT holds nothing but groups
        if (list.ckID != kIdProp) propAllowed = false;
    } while (status == kIffOkay);
    CloseRGroup(&list);
    return status == kIffEndMark ? kIffOkay : status;
}

int ReadICat(_GroupContext* parent) {
    return ReadIList(parent, nullptr);
}

int GetFChunkHdr(_GroupContext* group) {
    int id = GetChunkHdr(group);
    if (id == kIdProp) id = group->ckID = kIffBadArchive;
    return id;
}

int GetF1ChunkHdr(_GroupContext* group) {
    int id = GetFChunkHdr(group);
    _ClientFrame* frame = group->clientFrame;
    if (id == kIdForm)
        id = frame->getForm(group);
    else if (id == kIdList)
        id = frame->getList(group);
    else if (id == kIdCat)
        id = frame->getCat(group);
    if (id < 0) group->ckID = id;
    return id;
}

int GetPChunkHdr(_GroupContext* group) {
    int id = GetChunkHdr(group);
    if (IsIffGroupID(id)) id = group->ckID = kIffBadArchive;
    return id;
}

// ---- Patches ----

namespace {
constexpr size_t kCopyBlock = 1 << 20;
constexpr size_t kMaxNameLength = 4096;
constexpr int32_t kMaxInfoLength = 1 << 20;
constexpr size_t kMaxComponentLength = 255;
const char kReportName[] = "patch_information.txt";

// What one file form of a patch holds; the contents stay in the archive until installed.
struct PatchEntry {
    std::string name;
    std::string info;
    bool hasName = false;
    bool hasInfo = false;
    bool hasContents = false;
    int mode = 0644; // for a form without a mode chunk
    int32_t contentsAt = 0;
    int32_t contentsSize = 0;
};

// The rest of the current chunk's data as text.
int ReadText(_GroupContext* group, std::string* text) {
    int n = group->ckSize - group->bytesSoFar;
    text->assign(n, '\0');
    return IFFReadBytes(group, n ? &(*text)[0] : nullptr, n);
}

// A chunk too long to be what it says it is is refused by its size, before any of it is
// read, so a hostile length never turns into memory.
int RefuseLength(PatchReader* reader, const std::string& what, int32_t size, size_t most) {
    char* text = gen_asprintf("Failed to read archive.  Error number: %d.  %s is %ld bytes "
                              "long, more than the %lu allowed.",
                              kIffBadArchive, what.c_str(), long(size), (unsigned long)most);
    reader->problem = text;
    gen_free(text);
    return kIffBadArchive;
}

int ReadFileForm(PatchReader* reader, _GroupContext* patch, PatchEntry* entry) {
    _GroupContext form;
    int status = OpenRGroup(patch, &form);
    std::string which = " of file " + std::to_string(reader->fileCount);
    while (status == kIffOkay) {
        int id = GetChunkHdr(&form);
        if (id < 0) {
            if (id != kIffEndMark) status = id;
            break;
        }
        if (id == kIdFileInfo) {
            entry->hasInfo = true;
            if (form.ckSize > kMaxInfoLength)
                status = RefuseLength(reader, "The information string" + which, form.ckSize,
                                      kMaxInfoLength);
            else if (reader->installing) // only the report needs it
                status = ReadText(&form, &entry->info);
        } else if (id == kIdFileName) {
            entry->hasName = true;
            if (size_t(form.ckSize) > kMaxNameLength)
                status = RefuseLength(reader, "The name" + which, form.ckSize, kMaxNameLength);
            else
                status = ReadText(&form, &entry->name);
        } else if (id == kIdFileMode) {
            int32_t mode = 0;
            status = IFFReadBytes(&form, reinterpret_cast<char*>(&mode), 4);
            entry->mode = IffHostWord(mode);
        } else if (id == kIdFileContents) {
            entry->hasContents = true;
            entry->contentsAt = form.position;
            entry->contentsSize = form.ckSize;
        }
    }
    CloseRGroup(&form);
    return status;
}

} // namespace

// The stored name as a path below the target directory, or why it cannot be one.
const char* RelativeName(const std::string& stored, std::string* relative) {
    if (stored.empty()) return "has an empty name";
    if (stored.find('\0') != std::string::npos) return "has a zero byte in its name";
    if (stored[0] == '/') return "has an absolute name";
    if (stored.size() > kMaxNameLength) return "has a name that is too long";
    relative->clear();
    std::string part;
    for (size_t start = 0; start <= stored.size();) {
        size_t end = stored.find('/', start);
        if (end == std::string::npos) end = stored.size();
        part.assign(stored, start, end - start);
        if (part == "..") return "has a \"..\" component in its name";
        if (part.size() > kMaxComponentLength) return "has a name that is too long";
        if (!part.empty() && part != ".") {
            if (!relative->empty()) *relative += '/';
            *relative += part;
        }
        start = end + 1;
    }
    if (part.empty() || part == ".") return "does not name a file";
    if (*relative == kReportName) return "would replace the patch report";
    return nullptr;
}

namespace {

// Looks at what already exists of the path in the target: no directory on the way may be
// a symbolic link (the installing pass never follows one) or anything but a directory, and
// the file may not be a directory. A directory found good is not looked at again. A link
// as the file itself is fine: the new file replaces the link, nothing is written through it.
const char* CheckPlace(PatchReader* reader, const std::string& relative) {
    std::string target = reader->targetDir;
    struct stat st;
    size_t dirEnd = relative.rfind('/');
    for (size_t end = 0; dirEnd != std::string::npos && end != dirEnd;) {
        end = relative.find('/', end == 0 ? 0 : end + 1);
        std::string prefix = relative.substr(0, end);
        if (reader->missingPlaces.count(prefix)) return nullptr; // the rest is made afresh
        if (reader->checkedPlaces.count(prefix)) continue;
        if (lstat((target + "/" + prefix).c_str(), &st) != 0) {
            reader->missingPlaces.insert(prefix);
            return nullptr;
        }
        if (S_ISLNK(st.st_mode))
            return "would be written through a symbolic link, and a patch never follows one";
        if (!S_ISDIR(st.st_mode)) return "needs a directory where a file already is";
        reader->checkedPlaces.insert(prefix);
    }
    if (lstat((target + "/" + relative).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return "names an existing directory";
    return nullptr;
}

// Files of one patch must not need each other's names as directories.
const char* CheckConflicts(PatchReader* reader, const std::string& relative) {
    if (reader->directories.count(relative)) return "names a directory of another file";
    for (size_t slash = relative.find('/'); slash != std::string::npos;
         slash = relative.find('/', slash + 1))
        if (reader->files.count(relative.substr(0, slash)))
            return "needs a directory where another file of the patch goes";
    reader->files.insert(relative);
    for (size_t slash = relative.find('/'); slash != std::string::npos;
         slash = relative.find('/', slash + 1))
        reader->directories.insert(relative.substr(0, slash));
    return nullptr;
}

int Refuse(PatchReader* reader, const PatchEntry& entry, const char* reason) {
    char* text = entry.hasName ? gen_asprintf("Can not install the patch %s: file %d, \"%s\", %s.",
                                              reader->archiveName, reader->fileCount,
                                              gen_printable_name(entry.name).c_str(), reason)
                               : gen_asprintf("Can not install the patch %s: file %d %s.",
                                              reader->archiveName, reader->fileCount, reason);
    reader->problem = text;
    gen_free(text);
    return kIffClientError;
}

// The checks of both passes; the installing pass repeats all but the look at the target,
// so that an archive changed between the passes cannot slip an unchecked entry in.
int CheckEntry(PatchReader* reader, const PatchEntry& entry, std::string* relative) {
    if (!entry.hasName) return Refuse(reader, entry, "has no name");
    if (!entry.hasContents) return Refuse(reader, entry, "has no contents");
    const char* reason = RelativeName(entry.name, relative);
    // Room for the temporary name the file is written under first.
    if (!reason && strlen(reader->targetDir) + relative->size() + 20 >= PATH_MAX)
        reason = "has a name that is too long";
    if (!reason && !reader->installing) reason = CheckPlace(reader, *relative);
    if (!reason) reason = CheckConflicts(reader, *relative);
    return reason ? Refuse(reader, entry, reason) : kIffOkay;
}

int StagingFailed(PatchReader* reader) {
    reader->problem = reader->staging->Error();
    return kIffFileError;
}

// A request to stop (SIGINT, SIGTERM, SIGHUP) ends the pass where it stands.
bool StopRequested(PatchReader* reader) {
    if (ut_TerminationCatcher::Signal() == 0) return false;
    reader->stopped = true;
    return true;
}

// Reads with pread, so the chunk walk's own position in the stream stays where it is.
int CopyContents(PatchReader* reader, int archive, const PatchEntry& entry, int fd) {
    off_t at = entry.contentsAt;
    for (size_t left = entry.contentsSize; left > 0;) {
        if (StopRequested(reader)) return kIffClientError;
        ssize_t n = pread(archive, reader->copyBuffer, left < kCopyBlock ? left : kCopyBlock, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? kIffFileError : kIffBadArchive;
        if (!reader->staging->Write(fd, reader->copyBuffer, size_t(n)))
            return StagingFailed(reader);
        left -= size_t(n);
        at += n;
    }
    return kIffOkay;
}

// Writes the file under a temporary name in its directory; it takes its real name only
// when the whole patch is staged. Type bits and set-id bits of the stored mode are dropped;
// the file ends up read-only.
int InstallEntry(PatchReader* reader, _GroupContext* patch, const std::string& relative,
                 const PatchEntry& entry) {
    int fd = reader->staging->BeginFile(relative, entry.mode & 0777 & ~0222);
    if (fd < 0) return StagingFailed(reader);
    int status = CopyContents(reader, fileno(patch->file), entry, fd);
    if (status != kIffOkay) {
        close(fd);
        return status;
    }
    return reader->staging->EndFile(fd) ? kIffOkay : StagingFailed(reader);
}

int AddToReport(PatchReader* reader, const PatchEntry& entry) {
    bool written = reader->staging->Report(entry.name);
    if (written && entry.hasInfo && !gen_strequal(entry.info.c_str(), "(null)"))
        written = reader->staging->Report(": ") && reader->staging->Report(entry.info);
    written = written && reader->staging->Report("\n");
    return written ? kIffOkay : StagingFailed(reader);
}

// The patch information must come first; the report block starts with it.
int ReadPatchInfo(PatchReader* reader, _GroupContext* patch) {
    int id = GetChunkHdr(patch);
    if (id != kIdPatchInfo) return id < 0 && id != kIffEndMark ? id : kIffBadArchive;
    if (patch->ckSize > kMaxInfoLength)
        return RefuseLength(reader, "The patch information", patch->ckSize, kMaxInfoLength);
    if (!reader->installing) return kIffOkay;
    std::string info;
    int status = ReadText(patch, &info);
    if (status != kIffOkay) return status;
    PatchStaging* staging = reader->staging;
    return staging->Report(std::string(60, '-') + "\n") && staging->Report(info) &&
                   staging->Report("\nFiles in this patch:\n")
               ? kIffOkay
               : StagingFailed(reader);
}

void StartPass(PatchReader* reader, bool installing) {
    reader->installing = installing;
    reader->sawPatch = false;
    reader->fileCount = 0;
    reader->problem.clear();
    reader->files.clear();
    reader->directories.clear();
    reader->checkedPlaces.clear();
    reader->missingPlaces.clear();
    if (installing && !reader->copyBuffer)
        reader->copyBuffer = static_cast<char*>(gen_alloc(1, kCopyBlock));
}
} // namespace

void InitPatchReader(PatchReader* reader, const char* targetDir, const char* archiveName) {
    reader->getList = reader->getProp = reader->getCat = SkipGroup;
    reader->getForm = GetVTForm;
    reader->targetDir = targetDir;
    reader->archiveName = archiveName;
    reader->stopped = false;
    reader->staging = nullptr;
    StartPass(reader, false);
}

void FreePatchReader(PatchReader* reader) {
    gen_free(reader->copyBuffer);
    reader->copyBuffer = nullptr;
}

int GetVTForm(_GroupContext* parent) {
    PatchReader* reader = static_cast<PatchReader*>(parent->clientFrame);
    reader->sawPatch = true;
    _GroupContext patch;
    int status = OpenRGroup(parent, &patch);
    if (status == kIffOkay) status = ReadPatchInfo(reader, &patch);
    while (status == kIffOkay) {
        if (StopRequested(reader)) {
            status = kIffClientError;
            break;
        }
        int id = GetChunkHdr(&patch);
        if (id != kIdForm || patch.subtype != kIdFile) {
            // Anything but a file form ends the list of files.
            if (id < 0 && id != kIffEndMark) status = id;
            break;
        }
        PatchEntry entry;
        std::string relative;
        reader->fileCount++;
        status = ReadFileForm(reader, &patch, &entry);
        if (status == kIffOkay) status = CheckEntry(reader, entry, &relative);
        if (status == kIffOkay && reader->installing)
            status = InstallEntry(reader, &patch, relative, entry);
        if (status == kIffOkay && reader->installing) status = AddToReport(reader, entry);
    }
    if (status == kIffOkay && reader->installing && !reader->staging->Report("\n"))
        status = StagingFailed(reader);
    CloseRGroup(&patch);
    return status;
}

int ReadPatch(FILE* archive, PatchReader* reader) {
    int status = ReadIFF(archive, reader);
    // A well-formed archive of another kind (a LIST or CAT at the top) is not a patch.
    if (status == kIffOkay && !reader->sawPatch) status = kIffNotArchive;
    return status;
}

int StagePatch(FILE* archive, PatchReader* reader, PatchStaging* staging) {
    StartPass(reader, false);
    int status = ReadPatch(archive, reader);
    if (status != kIffOkay) return status;
    reader->problem = CheckPatchReport(reader->targetDir, kReportName);
    if (!reader->problem.empty()) return kIffClientError;

    StartPass(reader, true);
    reader->staging = staging;
    if (!staging->Open(reader->targetDir) || !staging->BeginReport(kReportName))
        return StagingFailed(reader);
    status = ReadPatch(archive, reader);
    if (status == kIffOkay && !staging->EndReport()) status = StagingFailed(reader);
    return status;
}

void CheckForArchiveReadingError(int status) {
    if (status == kIffOkay) return;
    SetupReportErrorAndExit(gen_asprintf("Failed to read archive.  Error number: %d.", status));
}

namespace {
// A patch given as something that is not a plain file (a FIFO, a device) would block or
// worse: it is refused by type before it is opened, and opened without waiting.
FILE* OpenPatchArchive(const char* name) {
    struct stat st;
    if (stat(name, &st) == 0 && S_ISDIR(st.st_mode)) CheckForArchiveReadingError(kIffNotArchive);
    bool plain = stat(name, &st) != 0 || S_ISREG(st.st_mode);
    int fd = plain ? open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1;
    if (fd >= 0) {
        plain = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0;
        FILE* file = plain ? fdopen(fd, "rb") : nullptr;
        if (file) return file;
        close(fd);
    }
    if (!plain)
        SetupReportErrorAndExit(
            gen_asprintf("Can not install the patch %s: it is not a plain file.", name));
    // The foundation's open-failure message, as gen_safe_fopen gives it, without trying again.
    gen_perrorexit(1, "Unable to open patch archive '%s' for input", name);
}

// After SIGTERM or SIGHUP the program says what became of the patch; SIGINT keeps its one
// word from the signal trap.
void SayStopped(int signal, const std::string& what) {
    const char* word = signal == SIGTERM ? "Terminated" : signal == SIGHUP ? "Hung up" : nullptr;
    if (word) SetupReportErrorNoExit((std::string(word) + ": " + what).c_str());
}

// The patch's files are in place (all of them when `committed`); the target's undo records
// learn of them. A record that fails is said, but does not undo the patch.
void FinishRecord(PatchRecord* record, const PatchStaging& staging, bool committed,
                  const char* target) {
    if (record->Finish(staging, committed)) return;
    SetupReportErrorNoExit((std::string("The patch is not in the installation record of ") +
                            target + ", so uninstalling will leave it: " + record->Error())
                               .c_str());
}
} // namespace

void InstallPatch() {
    const char* name = installOptions.installPatchFile;
    const char* target = installOptions.targetDir;
    if (!name) SetupReportErrorAndExit("-install_patch needs the name of the patch to install.");
    if (!target)
        SetupReportErrorAndExit(
            "-install_patch needs -target_dir to say where the patch is to be installed.");
    struct stat st;
    if (stat(target, &st) == 0 && !S_ISDIR(st.st_mode))
        SetupReportErrorAndExit(
            gen_asprintf("Can not install the patch %s: %s is not a directory.", name, target));

    FILE* archive = OpenPatchArchive(name);
    std::string patch = std::string("the patch ") + name;
    int stopSignal = 0;
    {
        // A request to stop is noticed between steps, so that the temporaries go with it.
        ut_TerminationCatcher catcher;
        ut_TerminationCatcher::Reset();
        PatchReader reader;
        InitPatchReader(&reader, target, name);
        PatchStaging staging;
        PatchRecord record;
        int status = StagePatch(archive, &reader, &staging);
        fclose(archive);
        FreePatchReader(&reader);
        if ((stopSignal = ut_TerminationCatcher::Signal()) != 0) {
            staging.Discard();
            SayStopped(stopSignal,
                       patch + " was not installed; nothing was changed in " + target + ".");
        } else if (status != kIffOkay) {
            staging.Discard();
            std::string message = reader.problem;
            if (message.empty())
                message = "Failed to read archive.  Error number: " + std::to_string(status) + ".";
            if (reader.installing) message += "  Nothing was installed.";
            SetupReportErrorAndExit(message.c_str());
        } else if (!record.Begin(target, name)) {
            staging.Discard();
            SetupReportErrorAndExit((std::string("Can not record the patch in ") + target + ": " +
                                     record.Error() + "  Nothing was installed.")
                                        .c_str());
        } else {
            bool committed = staging.Commit();
            FinishRecord(&record, staging, committed, target);
            if (!committed) SetupReportErrorAndExit(staging.Error().c_str());
            if ((stopSignal = ut_TerminationCatcher::Signal()) != 0)
                SayStopped(stopSignal, patch + " had been installed in " + target +
                                           " when the request to stop came.");
        }
    }
    // The signal trap, back in place, says its word and ends the program with status 2.
    if (stopSignal) raise(stopSignal);
}
