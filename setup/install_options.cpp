// The installer's options record and the file test against the distribution directory.
// Discovery (SetDefaults and the Initialize... family) fills the record at start-up.
#include "setup/install_options.h"

#include "shared/indgen.h"

InstallOptions installOptions;

bool FileExists(const char* relative) {
    if (!installOptions.sourceDir) return gen_access(relative, 0) == 0;
    char* path = gen_asprintf("%s/%s", installOptions.sourceDir, relative);
    bool exists = gen_access(path, 0) == 0;
    gen_free(path);
    return exists;
}
