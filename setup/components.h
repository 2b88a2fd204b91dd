// Everything the user can choose is a Component: a host, a target architecture, a
// content kind, an install type, or an item of the "bsp" and "addon" sets. Segments are
// the wizard's pages. The item sets are discovered in item_sets.cpp; ordering, dependency
// propagation and the page-wise rule checks are in components.cpp.
#pragma once

#include <vector>

class Component {
public:
    Component();
    Component(const char* name, const char* description, int index, bool available,
              bool selected);
    // Takes the dependency list over (null-terminated, gen_alloc'ed); targetIndex -1 is 20.
    Component(const char* name, const char* description, int index, bool available,
              bool selected, bool hidden, int targetIndex, char** dependencies);

    char* name;         // file-name stem; for items the kind, "_" and the item name
    char* description;  // text shown, and sort key of item sets
    int index;
    bool available;
    bool selected;
    bool hidden;
    int targetIndex;      // target directory of an item's archives; 20 is "alltargets"
    char** dependencies;  // null-terminated item names
};

// An item set: grows as needed, so no distribution can overflow it. After discovery it
// holds its items followed by one null entry, so data() is a null-terminated table.
typedef std::vector<Component*> ComponentSet;

class Segment {
public:
    Segment();
    Segment(const char* name, int index, int activationLevel);

    char* name;
    int index;
    int activationLevel;
    bool enabled;
    int row;  // the page's row in the wizard's page list
};

enum { kNumSegments = 8, kNoSegment = 8 };
enum SegmentIndex {
    kSegIntroduction = 0,
    kSegInstallType = 1,
    kSegComponents = 2,
    kSegGeneral = 3,
    kSegTargetArchitecture = 4,
    kSegBoards = 5,
    kSegAdditionalItems = 6,
    kSegSummary = 7
};

extern Segment* theSegments[kNumSegments];
extern Segment* theRuntimeSegments[kNumSegments];
extern int num_runtime_segments;

void InitializeSegments();
// Sorts set[low..high] by description, ignoring case; equal descriptions keep their order.
void SortSet(Component** set, int low, int high);
void SwapComponents(Component** set, int i, int j);
// Selects every item that a selected item of either set depends on, transitively.
void SelectDependedItems();
// Evaluates the rules of one page: -1 all, a row of theRuntimeSegments that page, 8 none,
// anything else the rules of every enabled page.
void CheckSegments(int page);
