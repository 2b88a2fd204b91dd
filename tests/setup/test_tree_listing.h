// What an installation left, for comparing two of them: every path below a root with its
// type and mode, then the SHA-256 of every file, both sorted, made by the real find, sort
// and sha256sum. The installer's own folder (.setup, the log) differs from run to run and
// is left out.
#pragma once

#include <string>

#include "support/run_program.h"

inline std::string TreeListing(const std::string& root) {
    const std::string command =
        "cd '" + root +
        "' && export LC_ALL=C && find . -path ./.setup -prune -o -printf '%p %M\\n' | sort && "
        "find . -path ./.setup -prune -o -type f -print0 | sort -z | xargs -0 -r sha256sum";
    ProgramResult listing = RunProgram({"/bin/sh", "-c", command});
    return listing.status == 0 ? listing.out : "(no listing: " + listing.err + ")";
}
