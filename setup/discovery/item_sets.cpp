// The item sets ("bsp" and "addon"): found by scanning the archive names of the target
// directories and unpacking each item's description and dependency members, or read from
// the set's catalog file, which -save_catalogs writes after a scan. Start reading at
// InstallOptions::InitializeSet.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "setup/install_options.h"
#include "setup/setup_entry.h"
#include "shared/indgen.h"
#include "shared/libcxxutil/ut_system.h"

namespace {
// Archive members longer than this are cut: descriptions and item names are short.
constexpr size_t kMaxLineLength = 64 * 1024;

// The next line without its line feed and a carriage return before it; false at the end.
// rawLength receives the line's length as stored, line end included.
bool ReadLine(FILE* file, std::string* line, size_t* rawLength = nullptr) {
    line->clear();
    size_t length = 0;
    char chunk[512];
    while (fgets(chunk, sizeof chunk, file)) {
        size_t piece = strlen(chunk);
        length += piece;
        bool ended = piece > 0 && chunk[piece - 1] == '\n';
        if (line->size() < kMaxLineLength) line->append(chunk, ended ? piece - 1 : piece);
        if (ended) break;
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    if (rawLength) *rawLength = length;
    return length > 0;
}

// An archive member is only read when it unpacked as a plain file (not a link or device).
FILE* OpenMember(const std::string& path) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return nullptr;
    return fopen(path.c_str(), "r");
}

FILE* OpenFirstMember(const std::string& preferred, const std::string& alternative) {
    FILE* file = OpenMember(preferred);
    return file ? file : OpenMember(alternative);
}

// The description of an item from the first line of its readme: the text after "[" up to
// "]" or the line's end when there is one, otherwise a first line of three characters or
// more (its line end included); "" hides the item.
std::string ReadDescription(const std::string& dir, const std::string& item) {
    FILE* file =
        OpenFirstMember(dir + "/" + item + "/readme.txt", dir + "/readme_" + item + ".txt");
    if (!file) return "";
    std::string line;
    size_t rawLength = 0;
    ReadLine(file, &line, &rawLength);
    fclose(file);

    size_t open = line.find('[');
    if (open != std::string::npos) {
        size_t close = line.find(']', open + 1);
        return line.substr(open + 1,
                           close == std::string::npos ? std::string::npos : close - open - 1);
    }
    // Three characters, line end included, make a description.
    return rawLength >= 3 ? line : "";
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

char** NewStringList(const std::vector<std::string>& words) {
    char** list = static_cast<char**>(gen_alloc(words.size() + 1, sizeof(char*)));
    for (size_t i = 0; i < words.size(); i++) list[i] = gen_copy(words[i].c_str());
    return list;
}

// The item names an item depends on: one a line, "#" comments and empty lines skipped.
char** ReadDependencies(const std::string& dir, const std::string& item) {
    std::vector<std::string> names;
    FILE* file =
        OpenFirstMember(dir + "/" + item + "/depends.txt", dir + "/depends_" + item + ".txt");
    if (file) {
        std::string line;
        while (ReadLine(file, &line)) {
            std::string name = Trimmed(line);
            if (!name.empty() && name[0] != '#') names.push_back(name);
        }
        fclose(file);
    }
    return NewStringList(names);
}

// Removes a tree without following symbolic links, so an unpacked member that links
// elsewhere cannot take anything outside the tree with it.
void RemoveTree(const std::string& path) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0) return;
    if (!S_ISDIR(status.st_mode)) {
        unlink(path.c_str());
        return;
    }
    chmod(path.c_str(), 0700);
    if (DIR* dir = opendir(path.c_str())) {
        std::vector<std::string> entries;
        while (dirent* entry = readdir(dir))
            if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
                entries.push_back(entry->d_name);
        closedir(dir);
        for (const std::string& entry : entries) RemoveTree(path + "/" + entry);
    }
    rmdir(path.c_str());
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           gen_strequal(text.c_str() + text.size() - tail.size(), tail.c_str());
}

// The item an archive of the set defines: host_K_N[_tools|_docs].tgz gives the name
// "K_N" and the item N. False for entries that are no archive of this kind.
bool ItemOfArchive(const std::string& entry, const std::string& kind, std::string* name,
                   std::string* item) {
    std::string marker = "_" + kind + "_";
    if (entry.find(marker) == std::string::npos || !EndsWith(entry, ".tgz")) return false;
    std::string stem = entry.substr(0, entry.size() - 4);
    if (EndsWith(stem, "_tools"))
        stem.erase(stem.size() - 6);
    else if (EndsWith(stem, "_docs"))
        stem.erase(stem.size() - 5);
    size_t underscore = stem.find('_');
    size_t itemStart = stem.find(kind + "_", underscore + 1);
    if (underscore == std::string::npos || itemStart == std::string::npos) return false;
    *name = stem.substr(underscore + 1);
    *item = stem.substr(itemStart + kind.size() + 1);
    // The item names member paths and catalog lines: it must be one plain path component.
    bool control = false;
    for (char c : *name) control = control || static_cast<unsigned char>(c) < 0x20;
    return !control && !item->empty() && *item != "." && *item != "..";
}

bool SetHolds(const ComponentSet& set, const std::string& name) {
    for (const Component* c : set)
        if (gen_strequal(c->name, name.c_str())) return true;
    return false;
}

std::vector<std::string> DirectoryEntries(const std::string& dir) {
    std::vector<std::string> entries;
    char** names = nullptr;
    gen_read_directory(dir.c_str(), &names);
    for (char** name = names; name && *name; name++) {
        if (strcmp(*name, ".") != 0 && strcmp(*name, "..") != 0) entries.push_back(*name);
        gen_free(*name);
    }
    gen_free(names);
    return entries;
}

std::string Quoted(const std::string& word) {
    char* quoted = QuoteCommandWord(word.c_str());
    std::string result = quoted;
    gen_free(quoted);
    return result;
}

// Unpacks the description and dependency members of item N from one archive into the
// current directory, whichever of the two places each is stored in.
void ExtractItemMembers(const std::string& prefix, const std::string& archive,
                        const std::string& item) {
    std::string command = prefix + Quoted(archive);
    for (const char* form :
         {"./%s/readme.txt", "./%s/depends.txt", "./readme_%s.txt", "./depends_%s.txt"}) {
        char* member = gen_asprintf(form, item.c_str());
        command += " " + Quoted(member);
        gen_free(member);
    }
    char* out = nullptr;
    char* err = nullptr;
    BlockingExecuteAndGetOutput(command.c_str(), &out, &err, nullptr, nullptr);
    gen_free(out);
    gen_free(err);
}

// Scans every target directory for archives of `kind`; one extraction per item, from
// the first archive met in table and directory order.
void ScanSet(const char* kind, ComponentSet& set, const std::string& tempDir) {
    const InstallOptions& o = installOptions;
    char* prefix = ExtractCommandPrefix();
    for (int t = 0; t < kNumTargets; t++) {
        std::string dir = std::string(o.sourceDir) + "/" + o.targets[t]->name;
        for (const std::string& entry : DirectoryEntries(dir)) {
            std::string name, item;
            if (!ItemOfArchive(entry, kind, &name, &item) || SetHolds(set, name)) continue;
            ExtractItemMembers(prefix, dir + "/" + entry, item);
            std::string description = ReadDescription(tempDir, item);
            char** dependencies = ReadDependencies(tempDir, item);
            set.push_back(new Component(name.c_str(), description.c_str(),
                                        static_cast<int>(set.size()), true, false,
                                        description.empty(), t, dependencies));
        }
    }
    gen_free(prefix);
}

void ReportCatalogParseError(const char* path) {
    char* message = gen_concat3("Failed to parse component list.\nTry removing ", path, ".");
    SetupReportErrorNoExit(message);
    gen_free(message);
}

bool ParseInt(const std::string& text, int* value) {
    char* end = nullptr;
    long parsed = strtol(text.c_str(), &end, 10);
    if (end == text.c_str()) return false;
    *value = static_cast<int>(parsed);
    return true;
}

// Reads the records of a catalog into set; false when the file cannot be read at all. A
// damaged part is reported once; the records before it are kept.
bool ReadCatalog(const char* path, const char* kind, ComponentSet& set) {
    FILE* file = fopen(path, "r");
    if (!file) return false;
    std::vector<std::string> lines;
    for (std::string line; ReadLine(file, &line);) lines.push_back(line);
    bool readable = !ferror(file);
    fclose(file);
    if (!readable) return false;

    bool damaged = false;
    for (size_t i = 0; i < lines.size();) {
        const std::string& line = lines[i];
        bool begins =
            line.find("BEGIN") != std::string::npos || line.find(kind) != std::string::npos;
        if (!begins) {
            if (line.empty() || line.find("END") != std::string::npos) break;
            damaged = true;
            i++;
            continue;
        }
        // BEGIN, name, description, hidden, target, dependencies..., END
        size_t end = i + 5;
        while (end < lines.size() && lines[end].compare(0, 3, "END") != 0) end++;
        int hidden = 0, target = 0;
        if (end >= lines.size()) {
            damaged = true; // the catalog stops inside this record
            break;
        }
        if (!ParseInt(lines[i + 3], &hidden) || !ParseInt(lines[i + 4], &target) || target < -1 ||
            target >= kNumTargets) {
            damaged = true;
        } else {
            std::vector<std::string> dependencies(lines.begin() + i + 5, lines.begin() + end);
            set.push_back(new Component(lines[i + 1].c_str(), lines[i + 2].c_str(),
                                        static_cast<int>(set.size()), true, false, hidden != 0,
                                        target, NewStringList(dependencies)));
        }
        i = end + 1;
    }
    if (damaged) ReportCatalogParseError(path);
    return true;
}

bool WriteRecords(FILE* file, const char* kind, const ComponentSet& set) {
    for (const Component* item : set) {
        fprintf(file, "BEGIN %s\n%s\n%s\n%d\n%d\n", kind, item->name, item->description,
                item->hidden ? 1 : 0, item->targetIndex);
        for (char** dependency = item->dependencies; dependency && *dependency; dependency++)
            fprintf(file, "%s\n", *dependency);
        fprintf(file, "END %s\n", kind);
    }
    fputs("END FILE", file);
    return !ferror(file);
}

// Writes the scanned set, in discovery order, for later runs to read instead.
void WriteCatalog(const char* path, const char* kind, const ComponentSet& set) {
    char* infoDir = gen_concat(installOptions.sourceDir, "/info");
    gen_createdir(infoDir, 0755);
    gen_free(infoDir);
    gen_unlink(path);
    FILE* file = gen_fopen(path, "w+");
    bool written = file && WriteRecords(file, kind, set);
    if (file && fclose(file) != 0) written = false;
    if (!written) {
        // A half-written catalog would mislead every later run.
        if (file) gen_unlink(path);
        SetupReportErrorNoExit("Failed to create catalog file.\nInformation about this "
                               "distribution will not be saved.");
    }
}
} // namespace

int InstallOptions::InitializeSet(const char* kind, ComponentSet& set) {
    set.clear();
    char* catalog = gen_asprintf("%s/info/%slist.txt", sourceDir, kind);
    std::string tempDir;
    std::string startDir = gen_getcwd() ? gen_getcwd() : "/";
    bool fromCatalog = false;
    if (!saveCatalogs && gen_access(catalog, 0) == 0) {
        fromCatalog = ReadCatalog(catalog, kind, set);
        // A catalog that is there but cannot be read is reported, and the set scanned.
        if (!fromCatalog) ReportCatalogParseError(catalog);
    }
    if (!fromCatalog) {
        char* made = gen_createtmpdir(nullptr, 0755);
        if (!made || gen_chdir(made) != 0)
            SetupReportErrorAndExit("Could not create temporary directory.");
        tempDir = made;
        gen_free(made);
        ScanSet(kind, set, tempDir);
        gen_chdir(programDir ? programDir : startDir.c_str());
        if (saveCatalogs) WriteCatalog(catalog, kind, set);
    }
    gen_free(catalog);

    int count = static_cast<int>(set.size());
    SortSet(set.data(), 0, count - 1);
    set.push_back(nullptr);
    if (!tempDir.empty()) RemoveTree(tempDir);
    return count;
}
