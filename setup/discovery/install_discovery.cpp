// Distribution discovery: the fixed tables of hosts, targets, content kinds, install types
// and validation rules, what a distribution holds of them, the version text and the
// search for gtar and gzip. Start reading at InstallOptions::SetDefaults; the item sets
// are scanned in item_sets.cpp.
#include <cstdio>
#include <cstring>
#include <string>

#include "setup/discovery/dist_problems.h"
#include "setup/discovery/item_scan.h"
#include "setup/install_options.h"
#include "setup/setup_entry.h"
#include "shared/indgen.h"
#include "windlib/dialog/dirdialog.h"

namespace {
struct NamedRow {
    const char* name;
    const char* description;
};

// Hosts 0-4; entry 5 ("allhosts") is made when the archive list is built.
constexpr int kNumRealHosts = 5;
const NamedRow kHosts[] = {
    {"hppa", "HP/UX"},    {"solaris2", "Solaris 2"}, {"linux86", "x86 Linux"},
    {"win32", "Windows"}, {"unix", "Unix"},
};
static_assert(sizeof kHosts / sizeof kHosts[0] == kNumRealHosts, "hosts 0-4");
static_assert(kRunningHost >= 0 && kRunningHost < kNumRealHosts, "the running host is a host");

const NamedRow kTargets[] = {
    {"86", "x86"},
    {"arm", "ARM"},
    {"bf", "Blackfin"},
    {"coldfire", "68K-ColdFire"},
    {"firepath", "FirePath"},
    {"fr", "FR"},
    {"lexra", "Lexra"},
    {"m32r", "M32R"},
    {"max", "MAX"},
    {"mcore", "M*Core"},
    {"mips", "Mips"},
    {"native_hppa", "Native HP/UX"},
    {"native_solaris2", "Native Sparc Solaris"},
    {"native_win32", "Native x86 Windows"},
    {"native_linux86", "Native x86 Linux"},
    {"ppc", "PowerPC"},
    {"sh", "SuperH"},
    {"starcore", "StarCore"},
    {"v800", "V800"},
    {"zsp", "ZSP"},
    {"alltargets", "All Targets"},
};
static_assert(sizeof kTargets / sizeof kTargets[0] == kNumTargets, "one row per target");

const NamedRow kContentKinds[] = {{"docs", "Documentation"}, {"tools", "Tools"}};
static_assert(sizeof kContentKinds / sizeof kContentKinds[0] == kNumContentKinds, "docs and tools");

const NamedRow kInstallTypes[] = {
    {"ide", "ORBIT Integrated Development Environment"},
    {"blw", "BULWARK"},
    {"vstartd", "Remote Connection Server"},
};
static_assert(sizeof kInstallTypes / sizeof kInstallTypes[0] == kNumInstallTypes,
              "ide, blw and vstartd");

// Any one of these marks the "blw" install type.
const char* const kBlwMarkers[] = {
    "alltargets/unix_bsp_blw_always_tools.tgz",
    "alltargets/unix_bsp_blw_always.tgz",
    "alltargets/win32_bsp_blw_always_tools.tgz",
    "alltargets/win32_bsp_blw_always.tgz",
};

struct RuleRow {
    int segment;
    bool isQuestion;
    const char* message;
};
// The wizard's validation rules, indexed by rule number.
const RuleRow kRules[] = {
    {kSegGeneral, false, "You must supply a directory."},
    {kSegGeneral, true,
     "The destination directory already exists.  Some individual files may be "
     "overwritten.\nAre you sure you want to install into "},
    {kSegGeneral, false, "Please choose another directory.  Can not write to "},
    {kSegTargetArchitecture, false, "Please select at least one target for installation."},
    {kSegComponents, false, "You must select at least one component for installation."},
    {kSegInstallType, false, "You must select at least one type of installation."},
};
static_assert(sizeof kRules / sizeof kRules[0] == kNumErrors, "one row per rule");

bool FileExistsF(const char* format, const char* a, const char* b = "") {
    char* relative = gen_asprintf(format, a, b);
    bool exists = FileExists(relative);
    gen_free(relative);
    return exists;
}

bool HostHasBlwContent(const char* host) {
    for (const NamedRow& target : kTargets)
        if (FileExistsF("%s/%s_bsp_blw_always.tgz", target.name, host) ||
            FileExistsF("%s/%s_bsp_blw_always_tools.tgz", target.name, host))
            return true;
    return false;
}

void DisablePage(int page) {
    if (theSegments[page]) theSegments[page]->enabled = false;
}

// True when the set has no entry the wizard would list.
bool NothingToList(const ComponentSet& set, int count) {
    for (int i = 0; i < count; i++)
        if (set[i] && !set[i]->hidden) return false;
    return true;
}

// The first line of the version file without surrounding white space; "" without one.
char* ReadVersion(const char* sourceDir) {
    std::string path = std::string(sourceDir) + "/info/version.txt";
    std::string refusal;
    FILE* file = OpenRegularFile(path, true, &refusal);
    if (!refusal.empty()) NoteDistributionProblem(path, refusal);
    if (!file) return gen_copy("");
    char* line = gen_afgets(file);
    fclose(file);
    const char* start = line;
    while (*start && gen_isspace(static_cast<unsigned char>(*start))) start++;
    int length = static_cast<int>(strlen(start));
    while (length > 0 && gen_isspace(static_cast<unsigned char>(start[length - 1]))) length--;
    char* version = gen_copyn(start, length);
    gen_free(line);
    return version;
}

// A new path of an executable utility: utilDir, then beside the program, then the PATH.
char* FindUtility(const char* name) {
    for (const char* dir : {installOptions.utilDir, installOptions.programDir}) {
        if (!dir) continue;
        char* path = gen_concat3(dir, "/", name);
        if (gen_canexec(path) == 1) return path;
        gen_free(path);
    }
    return gen_findexec(name, true, true);
}

[[noreturn]] void ReportMissingUtilities() {
    const InstallOptions& o = installOptions;
    const char* missing = !o.gtarPath && !o.gzipPath ? "gtar and gzip"
                          : !o.gtarPath              ? "gtar"
                                                     : "gzip";
    char* message = gen_asprintf(
        "Could not find %s.  This program needs gtar (or GNU tar) and gzip to unpack the "
        "distribution, and looks for them in %s, in %s and in your PATH.  These programs must "
        "be in your path for this program to run properly.",
        missing, o.utilDir ? o.utilDir : "", o.programDir ? o.programDir : "");
    SetupReportErrorAndExit(message);
}

[[noreturn]] void ReportNoDistribution() {
    char* message =
        gen_concat4("There are no distribution archives in", " ", installOptions.sourceDir, ".");
    SetupReportErrorAndExit(message);
}

// Where the distribution is: the given or default directory, or in wizard mode one the
// user picks when nothing is found there.
void FindDistribution(InstallOptions& o) {
    // Work from an absolute path: the scan and the install engine change directory.
    if (!o.sourceDir) o.sourceDir = gen_concat(o.programDir, "/dist");
    if (!gen_absolutefilename(o.sourceDir) || o.sourceDir[0] == '~') {
        char* absolute = gen_expand_filename(o.sourceDir);
        gen_free(o.sourceDir);
        o.sourceDir = absolute;
    }
    while (!o.InitializeHosts()) {
        if (o.noDisplay) ReportNoDistribution();
        DirectoryChooser chooser("No distributions found.", nullptr);
        chooser.setRoot(o.sourceDir);
        chooser.run();
        if (!chooser.getSelectedDir()) ReportNoDistribution();
        gen_free(o.sourceDir);
        o.sourceDir = gen_copy(chooser.getSelectedDir());
    }
}

int ChooseToolHost(const InstallOptions& o) {
    if (o.hosts[o.runningHost]->available) return o.runningHost;
    for (int host = kNumRealHosts - 1; host >= 0; host--)
        if (o.hosts[host]->available) return host;
    return o.runningHost;
}

// Which wizard pages this distribution needs, and the install types chosen for the user.
void ChoosePages(InstallOptions& o) {
    if (NothingToList(o.bsps, o.numBSPs)) DisablePage(kSegBoards);
    if (NothingToList(o.addons, o.numAddons)) DisablePage(kSegAdditionalItems);

    if (o.numInstallTypes == 0) SetupReportErrorAndExit("The distribution set is incomplete.");
    if (o.numInstallTypes == 1) {
        DisablePage(kSegInstallType);
        for (Component* type : o.types)
            if (type->available) type->selected = true;
    }
    if (!o.types[kTypeIde]->available) DisablePage(kSegTargetArchitecture);
    if (o.types[kTypeBlw]->available) {
        bool anyBlwTools = false;
        for (int host = 0; host < kNumRealHosts; host++)
            if (FileExistsF("alltargets/%s_bsp_blw_always_tools.tgz", kHosts[host].name)) {
                o.hosts[host]->available = true;
                anyBlwTools = true;
            }
        if (!anyBlwTools) DisablePage(kSegComponents);
    }
}
} // namespace

void InstallOptions::SetDefaults(char**, int) {
    gen_free(programDir);
    programDir = gen_copy(gen_getprogdir());
    FindDistribution(*this);

    InitializeTargets();
    InitializeComponents();
    InitializeTypes();
    InitializeErrors();

    if (!utilDir) utilDir = gen_concat4(programDir, "/", "utilities/", hosts[runningHost]->name);
    toolHost = ChooseToolHost(*this);
    if (!targetDir) targetDir = gen_concat("/usr/veltrane/", hosts[runningHost]->name);
    gen_free(version);
    version = ReadVersion(sourceDir);

    if (!FindUtilities()) ReportMissingUtilities();
    InitializeBSPs();
    InitializeAddons();
    if (saveCatalogs) SaveDistributionLists();
    ReportDistributionProblems();
    ChoosePages(*this);

    cancelRequested = false;
    cancelled = false;
    currentSegment = 0;
    requestedSegment = 0;
}

bool InstallOptions::InitializeHosts() {
    runningHost = kRunningHost;
    bool anyHost = false;
    for (int host = 0; host < kNumRealHosts; host++) {
        if (!hosts[host])
            hosts[host] =
                new Component(kHosts[host].name, kHosts[host].description, host, false, false);
        hosts[host]->available = hosts[host]->selected = false;
        if (FileExistsF("alltargets/%s_tools.tgz", kHosts[host].name))
            anyHost = hosts[host]->available = true;
    }
    if (anyHost) return true;
    // Distributions of the "blw" kind carry no host tools, only per-target content.
    for (int host = 0; host < kNumRealHosts; host++)
        if (HostHasBlwContent(kHosts[host].name)) anyHost = hosts[host]->available = true;
    return anyHost;
}

void InstallOptions::InitializeTargets() {
    for (int row = 0; row < kNumTargets; row++) {
        bool present = FileExistsF("%s/", kTargets[row].name);
        bool native = gen_strstr(kTargets[row].name, "native") != nullptr;
        targets[row] = new Component(kTargets[row].name, kTargets[row].description, row, present,
                                     present && !native);
    }
}

void InstallOptions::InitializeComponents() {
    for (int kind = 0; kind < kNumContentKinds; kind++)
        components[kind] = new Component(kContentKinds[kind].name, kContentKinds[kind].description,
                                         kind, true, true);
}

void InstallOptions::InitializeTypes() {
    bool present[kNumInstallTypes] = {};
    present[kTypeIde] = FileExists("alltargets/allhosts_tools.tgz");
    for (const char* marker : kBlwMarkers)
        present[kTypeBlw] = present[kTypeBlw] || FileExists(marker);
    for (const NamedRow& host : kHosts)
        present[kTypeVstartd] =
            present[kTypeVstartd] || FileExistsF("alltargets/%s_part_vstartd.tgz", host.name);

    numInstallTypes = 0;
    for (int type = 0; type < kNumInstallTypes; type++) {
        bool startsSelected = present[type] && type != kTypeVstartd;
        types[type] = new Component(kInstallTypes[type].name, kInstallTypes[type].description, type,
                                    present[type], startsSelected);
        if (present[type]) numInstallTypes++;
    }
}

void InstallOptions::InitializeErrors() {
    for (int id = 0; id < kNumErrors; id++)
        errors[id] = new Error(id, kRules[id].segment, kRules[id].message, kRules[id].isQuestion);
}

void InstallOptions::InitializeBSPs() {
    numBSPs = InitializeSet("bsp", bsps);
}

void InstallOptions::InitializeAddons() {
    numAddons = InitializeSet("addon", addons);
}

bool InstallOptions::FindUtilities() {
    gen_free(gtarPath);
    gen_free(gzipPath);
    gtarPath = FindUtility("gtar");
    // Where no gtar is installed under that name, tar is GNU tar (Linux).
    if (!gtarPath) gtarPath = FindUtility("tar");
    gzipPath = FindUtility("gzip");
    return gtarPath && gzipPath;
}
