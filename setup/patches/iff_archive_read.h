// Reading chunk archives, and installing patches. The chunk reader walks nested groups
// with one _GroupContext each (OpenRIFF, GetChunkHdr, OpenRGroup, IFFReadBytes,
// CloseRGroup) and hands groups to the handlers of a _ClientFrame (ReadIFF). Start at
// InstallPatch: it reads a patch twice with the GetVTForm handler, first only checking
// everything, then staging every file, and puts them in place only when all are staged.
#pragma once

#include <cstdio>
#include <set>
#include <string>

#include "setup/patches/iff_archive.h"

// Bytes in the stream (it is left at the end); kIffNoFile or kIffFileError on failure.
long FileLength(FILE* file);
// Opens the file level of an archive and rewinds the stream.
int OpenRIFF(FILE* file, _GroupContext* group, _ClientFrame* frame);
// Opens the group chunk that is current in parent; it ends where that chunk ends.
int OpenRGroup(_GroupContext* parent, _GroupContext* group);
// Hands the position back to the parent.
int CloseRGroup(_GroupContext* group);
// Skips the rest of the current chunk and reads the next header: its identifier (a group's
// subtype is read with it, into group->subtype), kIffEndMark at the group's end, or a status.
int GetChunkHdr(_GroupContext* group);
// Reads n bytes of the current chunk's data.
int IFFReadBytes(_GroupContext* group, char* buffer, int n);
// A handler that ignores its group; the next GetChunkHdr skips it.
int SkipGroup(_GroupContext* group);
// Reads the one top-level group of an archive with the frame's handlers.
int ReadIFF(FILE* file, _ClientFrame* frame);

// Reads the LIST (or CAT) that is current in parent, handing each group inside to the
// handlers of frame (the parent's when null). A CAT and the rest of a LIST after its first
// group hold no PROP.
int ReadIList(_GroupContext* parent, _ClientFrame* frame);
int ReadICat(_GroupContext* parent);
// GetChunkHdr inside a FORM, where a PROP is malformed.
int GetFChunkHdr(_GroupContext* group);
// GetFChunkHdr that also hands nested groups to the handlers (0 after a handled group).
int GetF1ChunkHdr(_GroupContext* group);
// GetChunkHdr inside a PROP, where no group may appear.
int GetPChunkHdr(_GroupContext* group);

class PatchStaging;

// The patch reader's frame: the four handlers, then what one pass over a patch collects.
// The checking pass reads every chunk and writes nothing; the installing pass stages every
// file and the report block in `staging`.
struct PatchReader : _ClientFrame {
    const char* targetDir = nullptr;
    const char* archiveName = nullptr; // for messages
    bool installing = false;
    bool sawPatch = false;
    bool stopped = false; // a request to stop ended the pass
    int fileCount = 0;
    std::string problem;         // why the patch cannot be installed, or what failed installing it
    std::set<std::string> files; // names given to files so far, relative to the target
    std::set<std::string> directories;   // directories those names need
    std::set<std::string> checkedPlaces; // directories of the target found good
    std::set<std::string> missingPlaces; // and those found missing
    PatchStaging* staging = nullptr;     // where the installing pass writes
    char* copyBuffer = nullptr;
};

void InitPatchReader(PatchReader* reader, const char* targetDir, const char* archiveName);
void FreePatchReader(PatchReader* reader);
// One pass over a patch archive. A status, or kIffClientError with reader->problem set.
int ReadPatch(FILE* archive, PatchReader* reader);
// The getForm handler of the patch reader; the group's frame must be a PatchReader.
int GetVTForm(_GroupContext* group);
// Both passes: checks the whole patch and the report file, then opens the target and stages
// every file and the new report in `staging`. kIffOkay when all waits for staging->Commit();
// otherwise a status, with reader->problem saying more where there is more to say, and
// reader->installing telling whether the target was touched (the caller discards).
int StagePatch(FILE* archive, PatchReader* reader, PatchStaging* staging);

// The name stored for a file as a path below the target directory (in *relative), or why
// it can never be installed ("has an absolute name", ...).
const char* RelativeName(const std::string& stored, std::string* relative);
// Installs installOptions.installPatchFile into targetDir, all or nothing; stops the program
// on any failure, and ends it with the signal's status after SIGINT, SIGTERM or SIGHUP.
void InstallPatch();
// Nothing for 0; otherwise stops with "Failed to read archive.  Error number: N.".
void CheckForArchiveReadingError(int status);
