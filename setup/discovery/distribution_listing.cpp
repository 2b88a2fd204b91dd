// The -list text (see distribution_listing.h): one section a table of installOptions, one
// row a component, the names in a column as wide as the longest of the section so that the
// descriptions line up. Start at DistributionListing.
#include "setup/discovery/distribution_listing.h"

#include <vector>

#include "setup/components.h"
#include "setup/install_options.h"
#include "shared/indgen.h"

namespace {

struct Row {
    std::string name;
    std::string description;
    std::string remarks;
};

std::string Dependencies(const Component* c) {
    std::string needs;
    for (char** d = c->dependencies; d && *d; d++)
        needs += (needs.empty() ? "" : ", ") + std::string(*d);
    return needs.empty() ? "" : "needs " + needs;
}

std::string Joined(const std::vector<std::string>& remarks) {
    std::string text;
    for (const std::string& r : remarks)
        if (!r.empty()) text += (text.empty() ? "" : "; ") + r;
    return text.empty() ? "" : "  (" + text + ")";
}

Row RowOf(const Component* c, bool offered, const std::string& extra = "") {
    std::vector<std::string> remarks = {offered ? "" : "not in this distribution",
                                        offered && c->selected ? "default" : "", extra};
    return {c->name, c->description ? c->description : "", Joined(remarks)};
}

Row ItemRow(const Component* item) {
    std::string description =
        item->description && *item->description ? item->description : "(no description)";
    std::vector<std::string> remarks = {item->hidden ? "not shown by the wizard" : "",
                                        Dependencies(item)};
    return {item->name, description, Joined(remarks)};
}

void AppendSection(std::string* text, const std::string& heading, const std::vector<Row>& rows,
                   const char* indent = "    ") {
    *text += heading + "\n";
    size_t width = 0;
    for (const Row& row : rows) width = row.name.size() > width ? row.name.size() : width;
    for (const Row& row : rows) {
        std::string line = indent + row.name + std::string(width - row.name.size() + 2, ' ') +
                           row.description + row.remarks;
        *text += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
    }
    if (rows.empty()) *text += std::string(indent) + "(none)\n";
}

std::vector<Row> Rows(Component* const* set, int count, bool (*offered)(const Component*)) {
    std::vector<Row> rows;
    for (int i = 0; i < count; i++)
        if (set[i]) rows.push_back(RowOf(set[i], offered(set[i])));
    return rows;
}

bool Available(const Component* c) {
    return c->available;
}

// The native targets are offered with their own host only.
std::string NativeRemark(int target) {
    int hosts = 0, only = 0;
    for (int host = 0; host < kAllHosts; host++)
        if (TargetShownForHost(target, host)) hosts++, only = host;
    return hosts == 1 ? std::string("only with host ") + installOptions.hosts[only]->name : "";
}

void AppendTargets(std::string* text) {
    std::vector<Row> rows;
    for (int t = 0; t < kAllTargets; t++) {
        const Component* target = installOptions.targets[t];
        if (target && target->available) rows.push_back(RowOf(target, true, NativeRemark(t)));
    }
    AppendSection(text, "Targets (targets):", rows);
}

// Boards grouped by the target directory that holds them, in the order of the target table.
void AppendBoards(std::string* text) {
    const InstallOptions& o = installOptions;
    *text += "Boards by target (boards):\n";
    bool any = false;
    for (int t = 0; t < kNumTargets; t++) {
        std::vector<Row> rows;
        for (int i = 0; i < o.numBSPs; i++)
            if (o.bsps[i] && o.bsps[i]->targetIndex == t) rows.push_back(ItemRow(o.bsps[i]));
        if (rows.empty()) continue;
        AppendSection(text, std::string("  ") + o.targets[t]->name + ":", rows);
        any = true;
    }
    if (!any) *text += "    (none)\n";
}

} // namespace

std::string DistributionListing() {
    const InstallOptions& o = installOptions;
    std::string text = o.version && *o.version ? std::string(o.version) + "\n" : "";
    std::vector<Row> hosts;
    for (int h = 0; h < kAllHosts; h++) {
        Row row = RowOf(o.hosts[h], o.hosts[h]->available, "");
        // A host is chosen by toolHost, not by its flag.
        if (h == o.toolHost && o.hosts[h]->available) row.remarks = "  (default)";
        hosts.push_back(row);
    }
    AppendSection(&text, "Hosts (host):", hosts);
    AppendSection(&text, "Install types (types):", Rows(o.types, kNumInstallTypes, Available));
    AppendSection(&text,
                  "Content kinds (content):", Rows(o.components, kNumContentKinds, Available));
    AppendTargets(&text);
    AppendBoards(&text);
    std::vector<Row> items;
    for (int i = 0; i < o.numAddons; i++)
        if (o.addons[i]) items.push_back(ItemRow(o.addons[i]));
    AppendSection(&text, "Additional items (items):", items);
    return text;
}
