// The list of archives that make up the user's selection, in the order they are expanded:
// the "ide" and "vstartd" install types per host and target, then the items of the "bsp"
// and "addon" sets. Only archives that exist and can be read are listed. Start at
// GetTGZList; ExtractStreamCommand at the end is the command each archive's stream goes to.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "setup/engine/install_engine.h"
#include "setup/install_options.h"
#include "shared/indgen.h"

namespace {

const char* const kKindNames[kNumContentKinds] = {"docs", "tools"};

// True when `path` names something other than a directory that we may open for reading.
bool CanOpenForReading(const char* path) {
    int fd = gen_open(path, O_RDONLY);
    if (fd < 0) return false;
    struct stat status;
    bool usable = fstat(fd, &status) == 0 && !S_ISDIR(status.st_mode);
    close(fd);
    return usable;
}

// Takes `path` over: listed when it can be opened, released otherwise.
void AppendIfReadable(std::vector<char*>& list, char* path) {
    if (CanOpenForReading(path))
        list.push_back(path);
    else
        gen_free(path);
}

bool KindSelected(int kind) {
    const Component* c = installOptions.components[kind];
    return c && c->selected;
}

bool TypeSelected(int type) {
    const Component* c = installOptions.types[type];
    return c && c->selected;
}

void AppendIdeArchives(std::vector<char*>& list, const Component* host) {
    const InstallOptions& o = installOptions;
    for (const Component* target : o.targets) {
        if (!target || !target->selected) continue;
        for (int kind = 0; kind < kNumContentKinds; kind++)
            if (KindSelected(kind))
                AppendIfReadable(list, gen_asprintf("%s/%s/%s_%s.tgz", o.sourceDir, target->name,
                                                    host->name, kKindNames[kind]));
    }
}

void AppendVstartdArchives(std::vector<char*>& list, const Component* host) {
    const InstallOptions& o = installOptions;
    const char* type = o.types[kTypeVstartd]->name;
    for (const Component* target : o.targets) {
        if (!target || !target->selected) continue;
        for (int kind = 0; kind < kNumContentKinds; kind++)
            if (KindSelected(kind))
                AppendIfReadable(list,
                                 gen_asprintf("%s/%s/%s_part_%s_%s.tgz", o.sourceDir, target->name,
                                              host->name, type, kKindNames[kind]));
        AppendIfReadable(list, gen_asprintf("%s/%s/%s_part_%s.tgz", o.sourceDir, target->name,
                                            host->name, type));
    }
}

void ReleaseList(std::vector<char*>& list) {
    for (char* path : list) gen_free(path);
    list.clear();
}

} // namespace

void GetTGZList() {
    InstallOptions& o = installOptions;
    ReleaseList(o.tgzList);
    if (!o.hosts[kAllHosts])
        o.hosts[kAllHosts] = new Component("allhosts", "", kAllHosts, true, true);
    const Component* consideredHosts[] = {o.hosts[o.toolHost], o.hosts[kAllHosts]};

    if (TypeSelected(kTypeIde))
        for (const Component* host : consideredHosts) AppendIdeArchives(o.tgzList, host);
    if (TypeSelected(kTypeVstartd))
        for (const Component* host : consideredHosts) AppendVstartdArchives(o.tgzList, host);
    // "blw" has no archives of its own: its content comes as items of the "bsp" set.
    AddToTGZList("bsp", o.bsps.data(), o.numBSPs, o.tgzList);
    AddToTGZList("addon", o.addons.data(), o.numAddons, o.tgzList);
    o.tgzList.push_back(nullptr);
}

void AddToTGZList(const char*, Component** set, int count, std::vector<char*>& list) {
    const InstallOptions& o = installOptions;
    const char* host = o.hosts[o.toolHost]->name;
    for (int i = 0; set && i < count; i++) {
        const Component* item = set[i];
        if (!item || !item->selected) continue;
        if (item->targetIndex < 0 || item->targetIndex >= kNumTargets) continue;
        const Component* target = o.targets[item->targetIndex];
        if (!target) continue;
        AppendIfReadable(list, gen_asprintf("%s/%s/%s_%s.%s", o.sourceDir, target->name, host,
                                            item->name, "tgz"));
        for (int kind = 0; kind < kNumContentKinds; kind++)
            if (KindSelected(kind))
                AppendIfReadable(list, gen_asprintf("%s/%s/%s_%s_%s.%s", o.sourceDir, target->name,
                                                    host, item->name, kKindNames[kind], "tgz"));
    }
}

char* ExtractStreamCommand() {
    const InstallOptions& o = installOptions;
    char* gtar = QuoteCommandWord(o.gtarPath ? o.gtarPath : "gtar");
    char* utilGtar = gen_concat(o.utilDir, "/gtar");
    // As with compressed archives, only a gtar other than the utilities directory's copy is
    // told to remove each file before writing it anew (U).
    bool ours = o.gtarPath && o.utilDir && gen_strequal(o.gtarPath, utilGtar);
    char* command = gen_concat(gtar, ours ? " -xf -" : " Uxf -");
    gen_free(utilGtar);
    gen_free(gtar);
    return command;
}
