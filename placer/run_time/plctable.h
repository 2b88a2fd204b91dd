// The placer's run-time tables of one window: the parsed minimum-size, size and position
// rules, and per item what targets it and where the last layout put it. Built once from
// the window's rule strings by PlacerBuildTables; the passes in plcset.h fill in the
// computed geometry. Start with RuntimePlacerInfo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "placer/run_time/plchost.h"

enum sidetype {
    kSideLeft = 0,
    kSideRight = 1,
    kSideLRCenter = 2,
    kSideTop = 3,
    kSideBottom = 4,
    kSideBaseline = 5,
    kSideTBCenter = 6,
};

inline bool isHorz(sidetype side) {
    return side == kSideLeft || side == kSideRight || side == kSideLRCenter;
}

// One minimum-size or size rule: value = pixels + the font and scroll-bar terms + the
// sizes of `plus` - those of `minus`, times factor, divided by divisor (0: none).
struct RuntimeSizeInfo {
    int target;
    std::vector<int> plus;
    std::vector<int> minus;
    int pixels;
    int nWidths;
    int widestWidths;
    int lineHeights;
    int scrollBarWidths;
    int direction; // PlacerDirection
    int factor;
    int divisor;
    int group; // 2 or more: this rule and the next group - 1 give the largest of their values
};

// One position rule: the alignThem side of each target goes to the anchor, which is the
// ofOther side of `reference` plus pixels and the font and scroll-bar terms; ofThem says
// which side of the targets taken together lies there.
struct RuntimePosInfo {
    std::vector<int> targets;
    int reference;
    int pixels;
    int nWidths;
    int widestWidths;
    int lineHeights;
    int scrollBarWidths;
    sidetype alignThem;
    sidetype ofThem;
    sidetype ofOther;
};

struct RuntimeItemInfo {
    int index;
    int16_t hSizeRules; // size rules that target the item
    int16_t vSizeRules;
    int16_t hMinRule; // number (from 1) of its minimum-size rule, 0 for none
    int16_t vMinRule;
    int16_t hPosRules; // position rules that place the item
    int16_t vPosRules;
    int16_t x; // computed by the last layout
    int16_t y;
    int16_t width;
    int16_t height;
    bool widthKnown;
    bool heightKnown;
    bool xKnown;
    bool yKnown;
    int parent; // -1 for the window
};

struct RuntimePlacerInfo {
    std::vector<RuntimeItemInfo> items; // index 0 is the window
    std::vector<RuntimeSizeInfo> minSizes;
    std::vector<RuntimeSizeInfo> sizes;
    std::vector<RuntimePosInfo> positions;
    // The state the last layout was done in: a change moves the items no rule places.
    bool laidOut;
    int lineHeight;
    bool bordered;
    PlacerSize minimumHint; // last minimum size given to the window, 0 x 0 for none
};

// Parses `count` rule strings (section words and rules) and sets up the per-item entries
// for the host's items. Rules that name items the host does not have are reported and
// left out. Position rules whose sides mix directions fail an assertion. Release with
// PlacerFreeTables.
RuntimePlacerInfo* PlacerBuildTables(const char* const* rules, int count, const PlacerHost& host);
void PlacerFreeTables(RuntimePlacerInfo* info);

// Number of rules evaluated together from rules[first] on: its group count, at least 1,
// cut at the end of the table.
int PlacerGroupSpan(const std::vector<RuntimeSizeInfo>& rules, size_t first);
