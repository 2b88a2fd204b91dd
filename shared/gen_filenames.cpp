// File-name text: base and directory parts, the canonical form, joining, expansion of "~"
// and relative names, suffixes and component-wise comparisons. Start with
// gen_canonicalfilename: joining and expansion all end in it.
#include "shared/gen_filenames.h"

#include <pwd.h>

#include <cctype>
#include <cstring>

#include "shared/gen_context.h"
#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"
#include "shared/gen_strings.h"

namespace {

bool IsSlashOrDot(char c) {
    return c == '/' || c == '.';
}

bool IsDigit(char c) {
    return isdigit(static_cast<unsigned char>(c)) != 0;
}

// Deletes count characters of text starting at from.
void Cut(char* text, size_t from, size_t count) {
    memmove(text + from, text + from + count, strlen(text + from + count) + 1);
}

// Only text with "//", "/.", "./" or ".." (past a leading "./") can need a rewrite;
// anything else is left byte for byte as it came.
bool NeedsRewrite(const char* text) {
    const char* p = text;
    if (p[0] == '.' && p[1] == '/') p++;
    for (; p[0] != '\0' && p[1] != '\0'; p++) {
        if (IsSlashOrDot(p[0]) && IsSlashOrDot(p[1])) return true;
    }
    return false;
}

// True when a ".." component starts right after the slash at text[slash].
bool DotDotFollows(const char* text, size_t slash) {
    return text[slash] == '/' && text[slash + 1] == '.' && text[slash + 2] == '.' &&
           (text[slash + 3] == '/' || text[slash + 3] == '\0');
}

// Applies the first rewrite rule that fits, walking the components from the start.
// Returns false when none fits any more.
bool RewriteOnce(char* text) {
    size_t length = strlen(text);
    size_t start = 0;
    for (int index = 0;; index++) {
        size_t end = start;
        while (end < length && text[end] != '/') end++;
        size_t size = end - start;
        bool last = end == length;
        const char* component = text + start;
        if (size == 0) {
            if (last) return false; // a trailing slash is not an empty component
            Cut(text, start, 1);
            return true;
        }
        bool dot = size == 1 && component[0] == '.';
        bool dotdot = size == 2 && component[0] == '.' && component[1] == '.';
        if (dot && index > 0) {
            Cut(text, start - 1, 2);
            return true;
        }
        if (dot && !last && DotDotFollows(text, end)) {
            Cut(text, start, 2);
            return true;
        }
        // Leading ".." components stay; a later one never survives to be visited, since
        // the component before it is removed together with it.
        if (!dot && !dotdot && !last && DotDotFollows(text, end)) {
            size_t after = end + 3; // just past the ".."
            if (text[after] == '/') {
                Cut(text, start, after + 1 - start);
            } else if (start > 0) {
                Cut(text, start - 1, after - start + 1);
            } else {
                Cut(text, start, after - start);
            }
            return true;
        }
        if (last) return false;
        start = end + 1;
    }
}

void CanonicaliseRest(char* rest) {
    if (!NeedsRewrite(rest)) return;
    size_t length = strlen(rest);
    bool trailingSlash = length > 0 && rest[length - 1] == '/';
    while (RewriteOnce(rest)) {
    }
    length = strlen(rest);
    if (!trailingSlash && length > 0 && rest[length - 1] == '/') rest[length - 1] = '\0';
}

const char* LastOf(const char* name, const char* separators) {
    const char* found = nullptr;
    for (const char* p = name; *p != '\0'; p++) {
        if (strchr(separators, *p) != nullptr) found = p;
    }
    return found;
}

// dir, a slash unless dir already ends in one or name is empty, and name.
char* Join(const char* dir, const char* name) {
    size_t dirLength = strlen(dir);
    size_t nameLength = strlen(name);
    bool slash = nameLength > 0 && dirLength > 0 && dir[dirLength - 1] != '/';
    char* joined = static_cast<char*>(gen_alloc(1, dirLength + nameLength + 2));
    memcpy(joined, dir, dirLength);
    if (slash) joined[dirLength] = '/';
    memcpy(joined + dirLength + (slash ? 1 : 0), name, nameLength);
    return joined;
}

// The home of "~" or "~user" at the start of name (null when there is none), and in
// *rest what follows the first slash.
const char* TildeHome(const char* name, const char** rest) {
    const char* slash = strchr(name, '/');
    *rest = slash != nullptr ? slash + 1 : "";
    if (name[1] == '\0' || name[1] == '/') return gen_gethomedir();
    char* user = gen_copyn(name + 1, static_cast<int>(slash ? slash - name - 1 : strlen(name + 1)));
    struct passwd* entry = getpwnam(user);
    gen_free(user);
    return entry != nullptr ? entry->pw_dir : nullptr;
}

char* ExpandAgainst(const char* dir, const char* name) {
    if (name == nullptr) return nullptr;
    if (name[0] == '\0') return gen_copy("");
    if (name[0] == '~') {
        const char* rest = nullptr;
        const char* home = TildeHome(name, &rest);
        if (home != nullptr && home[0] != '\0') {
            // "~//x" still means a name under the home, not "/x".
            while (*rest == '/') rest++;
            return gen_canonicalfilename(gen_sconcat(home, rest));
        }
        return gen_canonicalfilename(gen_copy(name));
    }
    if (name[0] == '/') return gen_canonicalfilename(gen_copy(name));
    return gen_sconcat(dir != nullptr ? dir : gen_getcwd(), name);
}

// name (released) with a slash in front unless it already begins with one.
char* WithLeadingSlash(char* name) {
    if (name[0] == '/') return name;
    char* prefixed = gen_concat("/", name);
    gen_free(name);
    return prefixed;
}

// file relative to dir when it lies below dir (both canonical), else null.
char* RelativeTo(const char* dir, const char* file) {
    if (dir[0] != '/') return nullptr;
    size_t length = strlen(dir);
    while (length > 1 && dir[length - 1] == '/') length--;
    if (strncmp(file, dir, length) != 0) return nullptr;
    const char* rest = file + length;
    if (length > 1 && *rest != '/' && *rest != '\0') return nullptr;
    while (*rest == '/') rest++;
    return gen_copy(*rest != '\0' ? rest : ".");
}

} // namespace

const char* gen_basename(const char* name) {
    if (name == nullptr) return nullptr;
    const char* slash = strrchr(name, '/');
    return slash != nullptr ? slash + 1 : name;
}

const char* gen_msw_basename(const char* name) {
    if (name == nullptr) return nullptr;
    const char* separator = LastOf(name, "/\\:");
    return separator != nullptr ? separator + 1 : name;
}

const char* gen_basename_anyhost(const char* name) {
    return gen_msw_basename(name);
}

bool gen_is_basename(const char* name) {
    return name != nullptr && name[0] != '\0' && strchr(name, '/') == nullptr;
}

char* gen_dirname(const char* name) {
    if (name == nullptr) return nullptr;
    const char* slash = strrchr(name, '/');
    if (slash == nullptr) return nullptr;
    if (slash == name) return gen_copy("/");
    return gen_copyn(name, static_cast<int>(slash - name));
}

bool gen_absolutefilename(const char* name) {
    return name != nullptr && (name[0] == '/' || name[0] == '~');
}

char* gen_canonicalfilename(char* name) {
    if (name == nullptr) return nullptr;
    CanonicaliseRest(name[0] == '/' ? name + 1 : name);
    return name;
}

char* gen_unix_canonicalfilename(char* name) {
    return gen_canonicalfilename(name);
}

char* gen_msw_canonicalfilename(char* name) {
    if (name == nullptr) return nullptr;
    for (char* p = name; *p != '\0'; p++) {
        if (*p == '\\') *p = '/';
    }
    if (name[0] == '/' && name[1] == '/') {
        // "//host" names a machine, not two slashes; only what follows the host is
        // canonicalised.
        char* host = name + 2;
        char* after = strchr(host, '/');
        if (after != nullptr) gen_canonicalfilename(after);
        return name;
    }
    if (isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':') {
        name[0] = static_cast<char>(toupper(static_cast<unsigned char>(name[0])));
        gen_canonicalfilename(name + 2);
        return name;
    }
    return gen_canonicalfilename(name);
}

char* gen_sconcat(const char* dir, const char* name) {
    if (name != nullptr && name[0] == '/') return gen_copy(name);
    if (dir == nullptr || dir[0] == '\0') return gen_copy(name);
    char* joined = gen_canonicalfilename(Join(dir, name != nullptr ? name : ""));
    if (joined[0] == '\0') return gen_fcopy(joined, ".");
    return joined;
}

char* gen_sconcatf(char* dir, const char* name) {
    char* joined = gen_sconcat(dir, name);
    gen_free(dir);
    return joined;
}

char* gen_dconcat(const char* dir, const char* name) {
    if (name == nullptr || name[0] == '\0') return gen_copy(dir);
    if (dir == nullptr || dir[0] == '\0') return gen_copy(name);
    if (gen_absolutefilename(name)) return gen_copy(name);
    return gen_sconcat(dir, name);
}

char* gen_dconcatf(char* dir, const char* name) {
    char* joined = gen_dconcat(dir, name);
    gen_free(dir);
    return joined;
}

char* gen_ddconcat(const char* a, const char* b, const char* c) {
    return gen_dconcatf(gen_dconcat(a, b), c);
}

char* gen_dsconcat(const char* a, const char* b, const char* c) {
    return gen_sconcatf(gen_dconcat(a, b), c);
}

char* gen_ddsconcat(const char* a, const char* b, const char* c, const char* d) {
    return gen_sconcatf(gen_ddconcat(a, b, c), d);
}

char* gen_expand_filename(const char* name) {
    return ExpandAgainst(nullptr, name);
}

char* gen_expand_filename_using_cwd(const char* dir, const char* name) {
    return ExpandAgainst(dir, name);
}

const char* gen_getsuffix(const char* name) {
    if (name == nullptr) return nullptr;
    const char* dot = strrchr(gen_basename(name), '.');
    if (dot == nullptr) return nullptr;
    const char* suffix = dot + 1;
    // A versioned shared library ("libx.so.1.2") is known by its kind, not by the last
    // number of its version.
    if (IsDigit(suffix[0]) && suffix - name >= 7) {
        const char* digits = dot;
        while (digits > name && IsDigit(digits[-1])) digits--;
        if (digits < dot && digits - name >= 4 && strncmp(digits - 4, ".so.", 4) == 0) return "so";
        if (digits < dot && digits - name >= 4 && strncmp(digits - 4, ".sa.", 4) == 0) return "sa";
    }
    return suffix;
}

bool gen_issuffix(const char* name, const char* suffix) {
    const char* found = gen_getsuffix(name);
    if (found == nullptr) return false;
    if (suffix == nullptr) return true;
    if (suffix[0] == '.') suffix++;
    return strcmp(found, suffix) == 0;
}

char* gen_addsuffix(const char* name, const char* suffix) {
    if (name == nullptr) return nullptr;
    if (suffix == nullptr) return gen_copy(name);
    if (suffix[0] == '.') suffix++;
    return gen_concat3(name, ".", suffix);
}

char* gen_changesuffix(const char* name, const char* suffix) {
    if (name == nullptr) return nullptr;
    const char* dot = strrchr(gen_basename(name), '.');
    char* stem = dot != nullptr ? gen_copyn(name, static_cast<int>(dot - name)) : gen_copy(name);
    if (suffix == nullptr) return stem;
    if (suffix[0] == '.') suffix++;
    return gen_fconcat3(stem, ".", suffix);
}

bool gen_FilenameTailCmp(const char* path, const char* tail, bool case_sensitive) {
    if (path == nullptr || tail == nullptr) return false;
    char* canonicalPath = gen_canonicalfilename(gen_copy(path));
    char* canonicalTail = gen_canonicalfilename(gen_copy(tail));
    bool match = false;
    if (strlen(canonicalPath) >= strlen(canonicalTail)) {
        // A leading slash on both makes the match fall on a component boundary.
        canonicalPath = WithLeadingSlash(canonicalPath);
        canonicalTail = WithLeadingSlash(canonicalTail);
        size_t pathLength = strlen(canonicalPath);
        size_t tailLength = strlen(canonicalTail);
        if (pathLength >= tailLength) {
            const char* end = canonicalPath + pathLength - tailLength;
            match =
                case_sensitive ? strcmp(end, canonicalTail) == 0 : gen_strequal(end, canonicalTail);
        }
    }
    gen_free(canonicalPath);
    gen_free(canonicalTail);
    return match;
}

bool gen_isDirSubdirOfDir(const char* dir, const char* parent) {
    if (dir == nullptr || parent == nullptr) return false;
    if (strcmp(dir, parent) == 0) return true;
    char* canonicalDir = gen_canonicalfilename(gen_copy(dir));
    char* canonicalParent = gen_canonicalfilename(gen_copy(parent));
    size_t length = strlen(canonicalParent);
    bool below = false;
    if (length > 0 && strncmp(canonicalDir, canonicalParent, length) == 0) {
        char next = canonicalDir[length];
        // A parent written with its trailing slash ("/opt/") already ends on a boundary.
        below = length == 1 || next == '\0' || next == '/' || next == '\\' ||
                canonicalParent[length - 1] == '/';
    }
    gen_free(canonicalDir);
    gen_free(canonicalParent);
    return below;
}

char* gen_relative_filename(const char* dir, const char* file, bool resolve) {
    if (dir == nullptr || file == nullptr) return nullptr;
    char* canonicalDir = gen_canonicalfilename(gen_copy(dir));
    char* canonicalFile = gen_canonicalfilename(gen_copy(file));
    char* relative = RelativeTo(canonicalDir, canonicalFile);
    gen_free(canonicalDir);
    gen_free(canonicalFile);
    if (relative != nullptr || !resolve) return relative;
    char* realDir = gen_realpath(dir);
    char* realFile = gen_realpath(file);
    relative = RelativeTo(realDir, realFile);
    gen_free(realDir);
    gen_free(realFile);
    return relative;
}

const char* gen_getdot() {
    return ".";
}
