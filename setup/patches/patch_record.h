// A patch installed into a directory that an installation recorded (it has the installer's
// own .setup folder) joins that directory's undo records, so that uninstalling removes the
// patched files too. PatchRecord starts the record before the patch's files are renamed
// into place and finishes it from what PatchStaging says it placed. Start at Begin.
#pragma once

#include <string>

#include "setup/engine/install_manifest.h"

class PatchStaging;

class PatchRecord {
public:
    // Starts recording when `target` has the installer's folder; nothing otherwise. False
    // with Error() when the target has one but no record could be started.
    bool Begin(const char* target, const char* patchFile);
    // Records what `staging` placed; `committed`: every file is in place. False with
    // Error() when the record could not be written.
    bool Finish(const PatchStaging& staging, bool committed);
    const std::string& Error() const { return error_; }

private:
    ManifestRecorder recorder_;
    bool recording_ = false;
    std::string error_;
};
