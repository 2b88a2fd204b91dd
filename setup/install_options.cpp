// The installer's options record, the file test against the distribution directory and
// the gtar command line shared by the scan and the install engine. Discovery fills the
// record at start-up: start reading at InstallOptions::SetDefaults (install_discovery.cpp).
#include "setup/install_options.h"

#include <cstring>

#include "shared/indgen.h"

InstallOptions installOptions;

bool FileExists(const char* relative) {
    if (!installOptions.sourceDir) return gen_access(relative, 0) == 0;
    char* path = gen_asprintf("%s/%s", installOptions.sourceDir, relative);
    bool exists = gen_access(path, 0) == 0;
    gen_free(path);
    return exists;
}

namespace {
// A native target is offered only while its own host is the tool host.
struct NativeTarget {
    int target;
    int host;
};
const NativeTarget kNativeTargets[] = {{11, 0}, {12, 1}, {14, 2}, {13, 3}};
static_assert(sizeof kNativeTargets / sizeof kNativeTargets[0] == 4, "one per native host");

// Characters that neither the shell nor the command splitter gives a meaning to.
bool IsPlainWordCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           strchr("_-./+,:=@%", c) != nullptr;
}
} // namespace

bool TargetShownForHost(int target, int toolHost) {
    for (const NativeTarget& native : kNativeTargets)
        if (native.target == target) return native.host == toolHost;
    return target >= 0 && target < kAllTargets;
}

char* QuoteCommandWord(const char* word) {
    if (!word) return nullptr;
    bool plain = *word != '\0';
    for (const char* c = word; *c; c++) plain = plain && IsPlainWordCharacter(*c);
    if (plain) return gen_copy(word);
    if (!strchr(word, '\'')) return gen_concat3("'", word, "'");
    if (!strpbrk(word, "\"$`\\!")) return gen_concat3("\"", word, "\"");
    // Both kinds of quote and shell specials: only the shell can be served, as 'a'\''b'.
    MString* quoted = MString_new(static_cast<int>(strlen(word)) + 8);
    MString_append(quoted, "'");
    for (const char* c = word; *c; c++) {
        if (*c == '\'')
            MString_append(quoted, "'\\''");
        else
            MString_appendn(quoted, c, 1);
    }
    MString_append(quoted, "'");
    return MString_peel(quoted);
}

char* ExtractCommandPrefix() {
    const InstallOptions& o = installOptions;
    char* gtar = QuoteCommandWord(o.gtarPath);
    char* utilGtar = gen_concat(o.utilDir, "/gtar");
    char* prefix;
    if (o.gtarPath && o.utilDir && gen_strequal(o.gtarPath, utilGtar)) {
        char* compressor = gen_concat("--use-compress-program=", o.gzipPath);
        char* quoted = QuoteCommandWord(compressor);
        prefix = gen_concat4(gtar, " ", quoted, " -xf ");
        gen_free(quoted);
        gen_free(compressor);
    } else {
        prefix = gen_concat(gtar, " Uxzf ");
    }
    gen_free(utilGtar);
    gen_free(gtar);
    return prefix;
}
