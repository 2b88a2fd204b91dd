// The summary of the chosen options, shown on the wizard's last page and at the start of
// the installation: directory, tool host, content kinds, targets and items.
#include "setup/install_options.h"
#include "shared/indgen.h"

namespace {
bool IsNativeTarget(const Component* target) {
    return gen_strstr(target->name, "native") != nullptr;
}

// A native target installs only for the host it is named after ("native_" + host).
bool NativeTargetMatchesHost(const Component* target, const Component* host) {
    char* wanted = gen_concat("native_", host->name);
    bool matches = gen_strequal(target->name, wanted);
    gen_free(wanted);
    return matches;
}

void AppendTargets(MString* text, const InstallOptions& o) {
    const Component* toolHost = o.hosts[o.toolHost];
    MString_append(text, "\n\nTools targeting the following architecture(s)\nwill be installed:");
    for (int row = 0; row < kAllTargets; row++) {
        const Component* target = o.targets[row];
        if (!target || !target->selected) continue;
        if (IsNativeTarget(target) && !NativeTargetMatchesHost(target, toolHost))
            MString_appendf(text,
                            "\n%s will not be installed because the tool host you have "
                            "chosen is %s",
                            target->description, toolHost->description);
        else
            MString_appendf(text, "\n\t%s", target->description);
    }
}

void AppendItems(MString* text, const char* heading, const ComponentSet& set, int count) {
    if (count <= 0) return;
    MString_append(text, "\n\n");
    MString_append(text, heading);
    for (int i = 0; i < count; i++)
        if (set[i] && set[i]->selected) MString_appendf(text, "\n\t%s", set[i]->description);
}
} // namespace

char* InstallOptions::CreateInstallSummary() {
    MString* text = MString_new(1024);
    MString_appendf(text,
                    "The following options have been selected:\n\n"
                    "Tools will be installed into:\n\t%s\n\n"
                    "Tools will run on:\n\t%s\n\n"
                    "The following components have been selected:",
                    targetDir ? targetDir : "", hosts[toolHost]->description);
    for (const Component* kind : components)
        if (kind && kind->selected) MString_appendf(text, "\n\t%s", kind->description);

    if (theSegments[kSegTargetArchitecture] && theSegments[kSegTargetArchitecture]->enabled)
        AppendTargets(text, *this);
    AppendItems(text,
                "The following board or architecture support packages will be installed:", bsps,
                numBSPs);
    AppendItems(text, "The following additional items will be installed:", addons, numAddons);
    return MString_peel(text);
}
