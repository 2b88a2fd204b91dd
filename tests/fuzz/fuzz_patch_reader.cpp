// Feeds bytes to the patch reader: the checking pass, and when it accepts them, the
// installing pass into a private directory. An odd first byte passes the rest through as
// the archive; an even one builds a well-formed patch whose names, modes, contents and
// chunk choices come from the rest, so the installing half is reached quickly. Anything
// that appears beside the target directory afterwards is an escape, and aborts; so is a
// temporary left in the target by a patch that was refused.
#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "setup/patches/iff_archive_read.h"
#include "setup/patches/iff_archive_write.h"
#include "setup/patches/patch_staging.h"

namespace {
std::string root; // holds "archive" and "a/T", nothing else

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path);
}

// The names in a directory other than "." and "..".
int CountEntries(const std::string& dir) {
    int count = 0;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") count++;
        closedir(d);
    }
    return count;
}

// Takes n bytes off the front of the input (fewer when it runs out).
std::string Take(const uint8_t** data, size_t* size, size_t n) {
    if (n > *size) n = *size;
    std::string taken(reinterpret_cast<const char*>(*data), n);
    *data += n;
    *size -= n;
    return taken;
}

void BuildPatch(FILE* file, const uint8_t* data, size_t size) {
    _GroupContext top, patch, form;
    OpenWIFF(file, &top, kIffSizeUnknown);
    StartWGroup(&top, kIdForm, kIffSizeUnknown, kIdPatch, &patch);
    PutCk(&patch, kIdPatchInfo, 4, "info");
    while (size >= 4) {
        std::string head = Take(&data, &size, 4);
        unsigned choice = static_cast<unsigned char>(head[0]);
        std::string name = Take(&data, &size, static_cast<unsigned char>(head[1]) % 24);
        std::string contents = Take(&data, &size, static_cast<unsigned char>(head[2]) % 16);
        int mode = IffHostWord((choice << 8 | static_cast<unsigned char>(head[3])) * 0x1001);
        StartWGroup(&patch, kIdForm, kIffSizeUnknown, (choice & 64) ? kIdProp : kIdFile, &form);
        if (choice & 1) PutCk(&form, kIdFileInfo, static_cast<int>(name.size()), name.data());
        if (choice & 2) PutCk(&form, kIdFileName, static_cast<int>(name.size()), name.data());
        if (choice & 4)
            PutCk(&form, kIdFileMode, (choice & 32) ? 2 : 4, reinterpret_cast<char*>(&mode));
        if (choice & 8)
            PutCk(&form, kIdFileContents, static_cast<int>(contents.size()), contents.data());
        if (choice & 16) PutCk(&form, kIdFileName, 1, "x");
        EndWGroup(&form);
    }
    EndWGroup(&patch);
    CloseWGroup(&top);
}

void RemoveRoot() {
    nftw(root.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// True when the patch was installed.
bool ReadPatchInto(FILE* archive, const std::string& target) {
    PatchReader reader;
    InitPatchReader(&reader, target.c_str(), "fuzz");
    PatchStaging staging;
    bool installed = StagePatch(archive, &reader, &staging) == kIffOkay && staging.Commit();
    if (!installed) staging.Discard();
    FreePatchReader(&reader);
    return installed;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FILE* archive;
    if (root.empty()) {
        // Memory-backed when there is such a place: the fuzzer makes many small files.
        char pattern[] = "/dev/shm/fuzz_patch_XXXXXX";
        char fallback[] = "/tmp/fuzz_patch_XXXXXX";
        root = mkdtemp(pattern) ? pattern : mkdtemp(fallback) ? fallback : "";
        if (root.empty()) abort();
        atexit(RemoveRoot);
        mkdir((root + "/a").c_str(), 0755);
        archive = fopen((root + "/archive").c_str(), "w+b");
    }
    if (size == 0) return 0;
    std::string target = root + "/a/T";
    mkdir(target.c_str(), 0755);
    rewind(archive);
    if (data[0] & 1)
        fwrite(data + 1, 1, size - 1, archive);
    else
        BuildPatch(archive, data + 1, size - 1);
    fflush(archive);
    if (ftruncate(fileno(archive), ftell(archive)) != 0) abort();
    bool installed = ReadPatchInto(archive, target);
    if (CountEntries(root) != 2 || CountEntries(root + "/a") != 1) abort();
    if (!installed && CountEntries(target) > 0) abort();
    if (CountEntries(target) > 0) nftw(target.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    return 0;
}
