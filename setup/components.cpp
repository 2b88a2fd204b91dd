// Components and wizard pages: the constructors, the page table, the ordering of an item
// set, the propagation of dependencies before installation and the page-wise evaluation
// of the validation rules. Start with InitializeSegments; the sets are filled in
// item_sets.cpp.
#include "setup/components.h"

#include <algorithm>

#include "setup/install_options.h"
#include "shared/indgen.h"

Segment* theSegments[kNumSegments];
Segment* theRuntimeSegments[kNumSegments];
int num_runtime_segments;

namespace {
struct PageRow {
    const char* name;
    int activationLevel;
};
// The wizard's pages in page-number order, with the activation level in force on each.
const PageRow kPages[] = {
    {"Introduction", 1},        {"Install Type", 3},
    {"Components", 3},          {"General", 2},
    {"Target Architecture", 3}, {"Boards/Architectures", 5},
    {"Additional Items", 5},    {"Summary", 4},
};
static_assert(sizeof kPages / sizeof kPages[0] == kNumSegments, "one row per wizard page");

char** EmptyDependencies() {
    return static_cast<char**>(gen_alloc(1, sizeof(char*)));
}
} // namespace

Component::Component()
    : name(nullptr), description(nullptr), index(0), available(false), selected(false),
      hidden(false), targetIndex(kAllTargets), dependencies(nullptr) {}

Component::Component(const char* name, const char* description, int index, bool available,
                     bool selected)
    : name(gen_copy(name)), description(gen_copy(description)), index(index), available(available),
      selected(selected), hidden(false), targetIndex(kAllTargets),
      dependencies(EmptyDependencies()) {}

Component::Component(const char* name, const char* description, int index, bool available,
                     bool selected, bool hidden, int targetIndex, char** dependencies)
    : name(gen_copy(name)), description(gen_copy(description)), index(index), available(available),
      selected(selected), hidden(hidden),
      targetIndex(targetIndex == -1 ? kAllTargets : targetIndex),
      dependencies(dependencies ? dependencies : EmptyDependencies()) {}

Segment::Segment() : name(nullptr), index(0), activationLevel(0), enabled(true), row(-1) {}

Segment::Segment(const char* name, int index, int activationLevel)
    : name(gen_copy(name)), index(index), activationLevel(activationLevel), enabled(true), row(-1) {
}

void InitializeSegments() {
    for (int page = 0; page < kNumSegments; page++)
        theSegments[page] = new Segment(kPages[page].name, page, kPages[page].activationLevel);
}

void SwapComponents(Component** set, int i, int j) {
    Component* kept = set[i];
    set[i] = set[j];
    set[j] = kept;
}

// A stable merge sort: a catalog may hold many items of one description, and those keep
// the order in which they were found, in O(n log n) whatever the input.
void SortSet(Component** set, int low, int high) {
    if (low >= high) return;
    std::stable_sort(set + low, set + high + 1, [](const Component* a, const Component* b) {
        return gen_stricmp(a->description, b->description) < 0;
    });
}

namespace {
// Selects the items of both sets named `name`; returns how many were newly selected.
int SelectItemsNamed(const char* name) {
    int newlySelected = 0;
    for (ComponentSet* set : {&installOptions.bsps, &installOptions.addons})
        for (Component* item : *set)
            if (item && !item->selected && gen_strequal(item->name, name)) {
                item->selected = true;
                newlySelected++;
            }
    return newlySelected;
}

int SelectDependenciesOf(const ComponentSet& set, int count) {
    int newlySelected = 0;
    for (int i = 0; i < count && i < static_cast<int>(set.size()); i++) {
        const Component* item = set[i];
        if (!item || !item->selected || !item->dependencies) continue;
        for (char** dependency = item->dependencies; *dependency; dependency++)
            newlySelected += SelectItemsNamed(*dependency);
    }
    return newlySelected;
}
} // namespace

void SelectDependedItems() {
    // A pass follows items selected earlier in the same walk; repeating until a pass
    // selects nothing closes chains of any length and order.
    int newlySelected;
    do {
        newlySelected = SelectDependenciesOf(installOptions.bsps, installOptions.numBSPs);
        newlySelected += SelectDependenciesOf(installOptions.addons, installOptions.numAddons);
    } while (newlySelected > 0);
}

namespace {
bool RuleBelongsToPage(const Error* rule, int page) {
    if (page == -1) return true;
    if (page >= 0 && page < num_runtime_segments)
        return theRuntimeSegments[page] && rule->segment == theRuntimeSegments[page]->index;
    const Segment* owner =
        rule->segment >= 0 && rule->segment < kNumSegments ? theSegments[rule->segment] : nullptr;
    return owner && owner->enabled;
}
} // namespace

void CheckSegments(int page) {
    if (page == kNoSegment) return;
    for (Error* rule : installOptions.errors)
        if (rule && RuleBelongsToPage(rule, page)) rule->Check();
}
