// Writing chunk archives, and creating patches. A writer opens the file level (OpenWIFF),
// starts groups (StartWGroup) and puts chunks into them (PutCk, or PutCkHdr, IFFWriteBytes
// and PutCkEnd for data that arrives in pieces); a size not known in advance is written as
// kIffSizeUnknown and patched when the chunk ends. Start at CreatePatch.
#pragma once

#include <cstdio>

#include "setup/patches/iff_archive.h"

// Opens the file level; limit is the most the archive may hold, or kIffSizeUnknown.
int OpenWIFF(FILE* file, _GroupContext* group, int limit);
// Writes a group chunk's header and subtype and opens the group inside it.
int StartWGroup(_GroupContext* parent, int groupID, int size, int subtype, _GroupContext* group);
// Opens a group inside the parent's open chunk.
int OpenWGroup(_GroupContext* parent, _GroupContext* group);
// Hands the position back to the parent; at file level flushes the file.
int CloseWGroup(_GroupContext* group);
// CloseWGroup, then ends the parent's chunk that held the group.
int EndWGroup(_GroupContext* group);
// A whole chunk at once; size must be known.
int PutCk(_GroupContext* group, int ckID, int size, const char* data);
// Opens a chunk; size may be kIffSizeUnknown.
int PutCkHdr(_GroupContext* group, int ckID, int size);
int IFFWriteBytes(_GroupContext* group, const char* data, int n);
// Ends the open chunk: patches an unknown size, checks a known one, adds the pad byte.
int PutCkEnd(_GroupContext* group);

// Packs the files named on the command line after installOptions.createPatchFile into a
// new patch archive; stops the program on any failure, and after SIGINT, SIGTERM or SIGHUP
// ends it with the signal's status, without leaving a partial archive either way.
void CreatePatch(char** argv, int argc);
// Nothing for 0; otherwise stops with "Failed to create archive.  Error number: N.".
void CheckForArchiveCreationError(int status);
