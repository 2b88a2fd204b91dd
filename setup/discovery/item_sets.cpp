// The item sets ("bsp" and "addon"): found by scanning the archive names of the target
// directories and reading each item's description and dependency members, or read from
// the set's catalog file, which -save_catalogs writes after a scan together with the
// distribution's checksums and sizes. A damaged archive, or a catalog entry whose archives
// are not there, leaves its item out. Start reading at InstallOptions::InitializeSet; the
// reading of the members is in item_scan.cpp.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "setup/discovery/dist_problems.h"
#include "setup/discovery/distribution_sums.h"
#include "setup/discovery/item_scan.h"
#include "setup/install_options.h"
#include "setup/setup_entry.h"
#include "shared/indgen.h"

namespace {
// Catalog lines longer than this are cut: descriptions and item names are short.
constexpr size_t kMaxLineLength = 64 * 1024;

// What this run's scans found the item archives to be, for the sizes list that
// -save_catalogs writes once both sets are scanned; and whether a catalog could not be
// written, which the user has then been told already.
MeasuredArchives scannedArchives;
bool catalogNotSaved = false;

// The next line without its line feed and a carriage return before it; false at the end.
bool ReadLine(FILE* file, std::string* line) {
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
    return length > 0;
}

// The lines of a member, each without its line feed and a carriage return before it. Of
// a member that was cut, the unfinished last line is dropped: it would name the wrong item.
std::vector<std::string> MemberLines(const ItemMember& member) {
    std::string text = member.text;
    if (member.cut) text.erase(text.rfind('\n') + 1);
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
        at = end + 1;
    }
    return lines;
}

// The description of an item from the first line of its readme: the text after "[" up to
// "]" or the line's end when there is one, otherwise a first line of three characters or
// more (its line end included); "" hides the item.
std::string Description(const ItemMember& readme) {
    const std::string& text = readme.text;
    size_t end = text.find('\n');
    size_t rawLength = end == std::string::npos ? text.size() : end + 1;
    std::string line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();

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
std::vector<std::string> Dependencies(const ItemMember& depends) {
    std::vector<std::string> names;
    for (const std::string& line : MemberLines(depends)) {
        std::string name = Trimmed(line);
        if (!name.empty() && name[0] != '#') names.push_back(name);
    }
    return names;
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

std::string Lowered(const std::string& text) {
    std::string lowered = text;
    for (char& c : lowered) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return lowered;
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

// One item to scan: the first archive met for it, in table and directory order.
struct FoundItem {
    std::string name; // K_N
    int target;
};

// Scans every target directory for archives of `kind`; the members of each item are read
// from the first archive met in table and directory order, several archives at once. An
// item whose first archive is damaged is left out, and its other archives are not looked
// at: installing it would expand the damaged one.
void ScanSet(const char* kind, ComponentSet& set) {
    const InstallOptions& o = installOptions;
    std::vector<FoundItem> items;
    std::vector<ItemArchive> archives;
    std::set<std::string> seen;
    for (int t = 0; t < kNumTargets; t++) {
        std::string dir = std::string(o.sourceDir) + "/" + o.targets[t]->name;
        for (const std::string& entry : DirectoryEntries(dir)) {
            std::string name, item;
            if (!ItemOfArchive(entry, kind, &name, &item) || !seen.insert(Lowered(name)).second)
                continue;
            items.push_back({name, t});
            archives.push_back({dir + "/" + entry, item});
        }
    }
    std::vector<ItemMembers> found = ReadItemMembers(archives, DiscoveryReadLimits());
    for (size_t i = 0; i < items.size(); i++) {
        const ItemMembers& members = found[i];
        if (o.saveCatalogs) {
            std::optional<ArchiveSize> size;
            if (members.read.problem.empty())
                size = ArchiveSize{members.read.streamBytes, members.read.members};
            scannedArchives[DistributionRelative(o.sourceDir, archives[i].path)] = size;
        }
        if (!members.problem.empty()) {
            NoteDistributionProblem(archives[i].path, members.problem);
            continue;
        }
        std::string description = Description(members.readme);
        set.push_back(new Component(items[i].name.c_str(), description.c_str(),
                                    static_cast<int>(set.size()), true, false, description.empty(),
                                    items[i].target, NewStringList(Dependencies(members.depends))));
    }
}

// The catalog message, with a line for each entry that was left out, when there are any.
void ReportCatalogParseError(const char* path, const std::vector<std::string>& entries = {}) {
    std::string message = "Failed to parse component list.\n";
    for (const std::string& entry : entries) message += entry + "\n";
    message += std::string("Try removing ") + path + ".";
    SetupReportErrorNoExit(message.c_str());
}

// A decimal number, blanks around it allowed; one too large for *value reads as the
// largest (or smallest) value there is, never as what is left of it after a cut.
bool ParseDecimal(const std::string& text, long long* value) {
    const char* start = text.c_str();
    while (*start == ' ' || *start == '\t') start++;
    char* end = nullptr;
    errno = 0;
    long long parsed = strtoll(start, &end, 10);
    if (end == start || !isdigit(static_cast<unsigned char>(end[-1]))) return false;
    while (*end == ' ' || *end == '\t') end++;
    if (*end) return false;
    *value = parsed;
    return true;
}

// The names of the items of `kind` whose archives lie in a target directory, lower-cased;
// each directory is listed once however many entries name it.
class ArchivesOnDisk {
public:
    explicit ArchivesOnDisk(const char* kind) : kind_(kind) {}
    bool Holds(int target, const std::string& name) {
        auto listed = names_.find(target);
        if (listed == names_.end()) {
            std::set<std::string>& names = names_[target];
            const InstallOptions& o = installOptions;
            for (const std::string& entry :
                 DirectoryEntries(std::string(o.sourceDir) + "/" + o.targets[target]->name)) {
                std::string item, itemName;
                if (ItemOfArchive(entry, kind_, &itemName, &item)) names.insert(Lowered(itemName));
            }
            listed = names_.find(target);
        }
        return listed->second.count(Lowered(name)) > 0;
    }

private:
    std::string kind_;
    std::map<int, std::set<std::string>> names_;
};

// Why a catalog record cannot be used ("" when it can): the fields after its name, as read.
std::string RecordProblem(const std::string& name, const std::string& hiddenText,
                          const std::string& targetText, long long* hidden, long long* target,
                          ArchivesOnDisk& archives) {
    std::string shown = Printable(name);
    if (!ParseDecimal(hiddenText, hidden))
        return shown + ": the hidden flag \"" + Printable(hiddenText) + "\" is not a number";
    if (!ParseDecimal(targetText, target))
        return shown + ": the target index \"" + Printable(targetText) + "\" is not a number";
    if (*target < -1 || *target >= kNumTargets)
        return shown + ": the target index " + Printable(targetText) + " is out of range";
    if (*target == -1) *target = kAllTargets;
    if (!archives.Holds(static_cast<int>(*target), name))
        return shown + ": no archive of it in " + installOptions.sourceDir + "/" +
               installOptions.targets[*target]->name;
    return "";
}

// Reads the records of a catalog into set; false when the file cannot be read at all. A
// damaged part is reported once; the records before it are kept. Entries that cannot be
// used (a field that is no number, a target out of range, no archive) are left out and
// named in the report.
bool ReadCatalog(const char* path, const char* kind, ComponentSet& set) {
    std::string refusal;
    FILE* file = OpenRegularFile(path, true, &refusal);
    if (!file) {
        if (refusal.empty()) {
            ReportCatalogParseError(path);
        } else {
            std::string message = std::string("Failed to read component list: ") + path + " is " +
                                  refusal + ".\nTry removing " + path + ".";
            SetupReportErrorNoExit(message.c_str());
        }
        return false;
    }
    std::vector<std::string> lines;
    for (std::string line; ReadLine(file, &line);) lines.push_back(line);
    bool readable = !ferror(file);
    fclose(file);
    if (!readable) {
        ReportCatalogParseError(path);
        return false;
    }

    ArchivesOnDisk archives(kind);
    std::vector<std::string> leftOut;
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
        if (end >= lines.size()) {
            damaged = true; // the catalog stops inside this record
            break;
        }
        long long hidden = 0, target = 0;
        std::string problem =
            RecordProblem(lines[i + 1], lines[i + 3], lines[i + 4], &hidden, &target, archives);
        if (!problem.empty()) {
            leftOut.push_back(problem);
        } else {
            std::vector<std::string> dependencies(lines.begin() + i + 5, lines.begin() + end);
            set.push_back(new Component(lines[i + 1].c_str(), lines[i + 2].c_str(),
                                        static_cast<int>(set.size()), true, false, hidden != 0,
                                        static_cast<int>(target), NewStringList(dependencies)));
        }
        i = end + 1;
    }
    if (damaged || !leftOut.empty()) ReportCatalogParseError(path, leftOut);
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
        catalogNotSaved = true;
        SetupReportErrorNoExit("Failed to create catalog file.\nInformation about this "
                               "distribution will not be saved.");
    }
}
} // namespace

int InstallOptions::InitializeSet(const char* kind, ComponentSet& set) {
    set.clear();
    char* catalog = gen_asprintf("%s/info/%slist.txt", sourceDir, kind);
    // A catalog that is there but cannot be read is reported, and the set scanned.
    bool fromCatalog =
        !saveCatalogs && gen_access(catalog, 0) == 0 && ReadCatalog(catalog, kind, set);
    if (!fromCatalog) {
        ScanSet(kind, set);
        if (saveCatalogs) WriteCatalog(catalog, kind, set);
    }
    gen_free(catalog);

    int count = static_cast<int>(set.size());
    SortSet(set.data(), 0, count - 1);
    set.push_back(nullptr);
    return count;
}

void SaveDistributionLists() {
    const char* distDir = installOptions.sourceDir;
    std::vector<ListProblem> unreadable;
    std::string error;
    bool written = WriteDistributionLists(distDir, scannedArchives, DiscoveryReadLimits(),
                                          &unreadable, &error);
    for (const ListProblem& problem : unreadable)
        NoteDistributionProblem(std::string(distDir) + "/" + problem.archive, problem.what);
    // Where a catalog could not be written the user knows already that nothing is saved.
    if (!written && !catalogNotSaved)
        SetupReportErrorNoExit("Failed to create catalog file.\nInformation about this "
                               "distribution will not be saved.");
    scannedArchives.clear();
    catalogNotSaved = false;
}
