// The patch's entry in the target's undo records (see patch_record.h). The patch writes
// whole files under temporary names and renames them over the old ones, so nothing needs
// keeping aside for a rollback: a patch is never rolled back, only uninstalled, and an
// uninstall only needs each file's state after the patch.
#include "setup/patches/patch_record.h"

#include "setup/patches/patch_staging.h"

bool PatchRecord::Begin(const char* target, const char* patchFile) {
    recording_ = false;
    if (!target || !TargetHasSetupFolder(target)) return true;
    ManifestRun run;
    run.target = target;
    run.program = "setup -install_patch";
    run.targetHeldFiles = true;
    if (!recorder_.StartRun(run)) {
        error_ = recorder_.error();
        return false;
    }
    recorder_.BeginPatch(patchFile ? patchFile : "");
    recording_ = true;
    return true;
}

bool PatchRecord::Finish(const PatchStaging& staging, bool committed) {
    if (!recording_) return true;
    recording_ = false;
    for (const std::string& dir : staging.MadeDirectories()) recorder_.RecordPatchedDirectory(dir);
    for (const PatchStaging::PlacedFile& file : staging.Placed())
        recorder_.RecordPatchedFile(file.relative,
                                    file.existed ? FileState::Of(file.before) : FileState());
    bool ended = recorder_.EndArchive() &&
                 recorder_.EndRun(committed ? RunOutcome::kSucceeded : RunOutcome::kFailed);
    if (!ended) error_ = recorder_.error();
    return ended;
}
