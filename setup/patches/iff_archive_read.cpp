// The chunk reader and the patch installer. Every size read from the archive is checked
// against the bound of the group it lies in, and the file level is bounded by the file's
// length, so a truncated or lying archive ends in a status instead of a wild read. The
// patch half starts at InstallPatch near the end of the file.
#include "setup/patches/iff_archive_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "setup/install_options.h"
#include "setup/setup_entry.h"
#include "shared/indgen.h"

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
    if (target > INT32_MAX || fseek(group->file, static_cast<long>(target), SEEK_SET) != 0)
        return kIffBadArchive;
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

int ReadFileForm(_GroupContext* patch, PatchEntry* entry) {
    _GroupContext form;
    int status = OpenRGroup(patch, &form);
    while (status == kIffOkay) {
        int id = GetChunkHdr(&form);
        if (id < 0) {
            if (id != kIffEndMark) status = id;
            break;
        }
        if (id == kIdFileInfo) {
            entry->hasInfo = true;
            status = ReadText(&form, &entry->info);
        } else if (id == kIdFileName) {
            entry->hasName = true;
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

bool IsWithin(const char* path, const std::string& dir) {
    size_t n = dir.size();
    return dir == "/" ||
           (strncmp(path, dir.c_str(), n) == 0 && (path[n] == '\0' || path[n] == '/'));
}

// Walks what already exists of the path in the target directory: the file must not land
// outside it through a symbolic link, nor where a directory is, nor below a plain file.
const char* CheckPlace(const PatchReader* reader, const std::string& relative) {
    std::string path = reader->targetDir;
    for (size_t start = 0;;) {
        size_t end = relative.find('/', start);
        bool last = end == std::string::npos;
        path += '/';
        path.append(relative, start, (last ? relative.size() : end) - start);
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) return nullptr; // the rest is created afresh
        if (S_ISLNK(st.st_mode)) {
            char real[PATH_MAX];
            if (!realpath(path.c_str(), real))
                return "would be written through a symbolic link that leads nowhere";
            if (!IsWithin(real, reader->realTarget))
                return "would be written through a symbolic link that leads outside the "
                       "target directory";
            if (stat(path.c_str(), &st) != 0) return nullptr;
        }
        if (last) return S_ISDIR(st.st_mode) ? "names an existing directory" : nullptr;
        if (!S_ISDIR(st.st_mode)) return "needs a directory where a file already is";
        start = end + 1;
    }
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
                                              entry.name.c_str(), reason)
                               : gen_asprintf("Can not install the patch %s: file %d %s.",
                                              reader->archiveName, reader->fileCount, reason);
    reader->problem = text;
    gen_free(text);
    return kIffClientError;
}

int CheckEntry(PatchReader* reader, const PatchEntry& entry) {
    if (!entry.hasName) return Refuse(reader, entry, "has no name");
    if (!entry.hasContents) return Refuse(reader, entry, "has no contents");
    std::string relative;
    const char* reason = RelativeName(entry.name, &relative);
    // Room for the temporary name the file is written under first.
    if (!reason && strlen(reader->targetDir) + relative.size() + 20 >= PATH_MAX)
        reason = "has a name that is too long";
    if (!reason) reason = CheckPlace(reader, relative);
    if (!reason) reason = CheckConflicts(reader, relative);
    return reason ? Refuse(reader, entry, reason) : kIffOkay;
}

int Fail(PatchReader* reader, const char* what, const std::string& path) {
    char* text = gen_asprintf("Can not %s %s: %s.", what, path.c_str(), strerror(errno));
    reader->problem = text;
    gen_free(text);
    return kIffFileError;
}

int WriteAll(int fd, const char* data, size_t n) {
    while (n > 0) {
        ssize_t written = write(fd, data, n);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return -1;
        data += written;
        n -= written;
    }
    return 0;
}

int CopyContents(PatchReader* reader, FILE* archive, const PatchEntry& entry, int fd,
                 const std::string& path) {
    if (fseek(archive, entry.contentsAt, SEEK_SET) != 0) return kIffFileError;
    for (size_t left = entry.contentsSize; left > 0;) {
        size_t n = left < kCopyBlock ? left : kCopyBlock;
        int status = ReadRaw(archive, reader->copyBuffer, n);
        if (status != kIffOkay) return status;
        if (WriteAll(fd, reader->copyBuffer, n) != 0) return Fail(reader, "write", path);
        left -= n;
    }
    return kIffOkay;
}

// Writes the file under a temporary name beside its place and renames it there, so an
// interrupted install never leaves a half-written file under the real name. Type bits and
// set-id bits of the stored mode are dropped; the file ends up read-only.
int InstallEntry(PatchReader* reader, _GroupContext* patch, const PatchEntry& entry) {
    std::string relative;
    RelativeName(entry.name, &relative);
    std::string path = std::string(reader->targetDir) + "/" + relative;
    std::string dir = path.substr(0, path.rfind('/'));
    if (gen_createdir_recursive(dir.c_str(), 0755) != 0)
        return Fail(reader, "create the directory", dir);
    std::string temp = dir + "/.vtpatch.XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) return Fail(reader, "create a file in", dir);
    int status = CopyContents(reader, patch->file, entry, fd, path);
    if (status == kIffOkay && fchmod(fd, entry.mode & 0777 & ~0222) != 0)
        status = Fail(reader, "set the permissions of", path);
    if (close(fd) != 0 && status == kIffOkay) status = Fail(reader, "write", path);
    if (status == kIffOkay && rename(temp.c_str(), path.c_str()) != 0)
        status = Fail(reader, "install", path);
    if (status != kIffOkay) unlink(temp.c_str());
    // The archive goes back to where the walk over the patch stands.
    if (fseek(patch->file, patch->position, SEEK_SET) != 0 && status == kIffOkay)
        status = kIffFileError;
    return status;
}

void AddToReport(PatchReader* reader, const PatchEntry& entry) {
    reader->report += entry.name;
    if (entry.hasInfo && !gen_strequal(entry.info.c_str(), "(null)"))
        reader->report += ": " + entry.info;
    reader->report += '\n';
}

int WriteReport(PatchReader* reader) {
    char* path = gen_asprintf("%s/%s", reader->targetDir, kReportName);
    FILE* file = gen_safe_fopen(path, "patch report", "a+");
    std::string block = std::string(60, '-') + "\n" + reader->report + "\n";
    fwrite(block.data(), 1, block.size(), file);
    bool failed = ferror(file) != 0;
    failed = fclose(file) != 0 || failed;
    int status = failed ? Fail(reader, "write", path) : kIffOkay;
    gen_free(path);
    return status;
}

// The patch information must come first; the report starts with it.
int ReadPatchInfo(PatchReader* reader, _GroupContext* patch) {
    int id = GetChunkHdr(patch);
    if (id != kIdPatchInfo) return id < 0 && id != kIffEndMark ? id : kIffBadArchive;
    int status = ReadText(patch, &reader->report);
    reader->report += "\nFiles in this patch:\n";
    return status;
}
} // namespace

void InitPatchReader(PatchReader* reader, const char* targetDir, const char* archiveName,
                     bool installing) {
    reader->getList = reader->getProp = reader->getCat = SkipGroup;
    reader->getForm = GetVTForm;
    reader->targetDir = targetDir;
    reader->archiveName = archiveName;
    reader->installing = installing;
    reader->sawPatch = false;
    reader->fileCount = 0;
    reader->problem.clear();
    reader->files.clear();
    reader->directories.clear();
    reader->report.clear();
    char real[PATH_MAX];
    reader->realTarget = realpath(targetDir, real) ? real : "";
    if (installing && !reader->copyBuffer)
        reader->copyBuffer = static_cast<char*>(gen_alloc(1, kCopyBlock));
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
        int id = GetChunkHdr(&patch);
        if (id != kIdForm || patch.subtype != kIdFile) {
            // Anything but a file form ends the list of files.
            if (id < 0 && id != kIffEndMark) status = id;
            break;
        }
        PatchEntry entry;
        reader->fileCount++;
        status = ReadFileForm(&patch, &entry);
        if (status != kIffOkay) break;
        if (!reader->installing) {
            status = CheckEntry(reader, entry);
        } else {
            status = InstallEntry(reader, &patch, entry);
            AddToReport(reader, entry);
        }
    }
    if (status == kIffOkay && reader->installing) status = WriteReport(reader);
    CloseRGroup(&patch);
    return status;
}

int ReadPatch(FILE* archive, PatchReader* reader) {
    int status = ReadIFF(archive, reader);
    // A well-formed archive of another kind (a LIST or CAT at the top) is not a patch.
    if (status == kIffOkay && !reader->sawPatch) status = kIffNotArchive;
    return status;
}

void CheckForArchiveReadingError(int status) {
    if (status == kIffOkay) return;
    SetupReportErrorAndExit(gen_asprintf("Failed to read archive.  Error number: %d.", status));
}

namespace {
void StopOnPatchFailure(const PatchReader& reader, int status) {
    if (!reader.problem.empty()) SetupReportErrorAndExit(reader.problem.c_str());
    CheckForArchiveReadingError(status);
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

    FILE* archive = gen_safe_fopen(name, "patch archive", "rb");
    if (fstat(fileno(archive), &st) == 0 && S_ISDIR(st.st_mode))
        CheckForArchiveReadingError(kIffNotArchive);
    // All or nothing: the first pass reads and checks everything and writes nothing.
    PatchReader reader;
    InitPatchReader(&reader, target, name, false);
    StopOnPatchFailure(reader, ReadPatch(archive, &reader));

    if (gen_createdir_recursive(target, 0755) != 0)
        SetupReportErrorAndExit(
            gen_asprintf("Can not create the directory %s: %s.", target, strerror(errno)));
    InitPatchReader(&reader, target, name, true);
    StopOnPatchFailure(reader, ReadPatch(archive, &reader));
    fclose(archive);
    FreePatchReader(&reader);
}
