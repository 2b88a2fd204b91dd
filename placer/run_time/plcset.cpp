// The layout passes (see plcset.h). Sizing evaluates the size rules in dependency order
// until every item has its size, applies the window's minimum, and hands the sizes to the
// items; positioning then evaluates the position rules in the same way. Both keep their
// working values in the per-item entries of RuntimePlacerInfo. Start at PlacerSizeAll.
#include "placer/run_time/plcset.h"

#include <algorithm>
#include <array>

#include "shared/gen_messages.h"

namespace {

const int kBorder = 4;          // frame width on each side of a bordered window
const int kMaxSizingPasses = 3; // items that round their size get this many tries
const int kMaxEnlargements = 2; // restarts after the minimum size enlarged the window

// ---- Baselines ---------------------------------------------------------------------------

// Pixels below the button-font ascent at which each kind draws its label's baseline, by
// frame style (PlacerFrameStyle) where the kind has a frame.
struct BaselineRule {
    uint32_t kind;
    bool framed;
    int offset[3];
};

const BaselineRule kBaselines[] = {
    {kPlcKindStaticText, false, {0, 0, 0}}, {kPlcKindStatusBox, false, {3, 3, 3}},
    {kPlcKindTextField, false, {3, 3, 3}},  {kPlcKindButton, true, {4, 0, 4}},
    {kPlcKindButtonSet, true, {2, 0, 4}},
};
static_assert(sizeof kBaselines / sizeof kBaselines[0] == 5, "the kinds that have a baseline");

// ---- Alignment -------------------------------------------------------------------------

// A target's coordinate is the anchor plus a multiple of W (the widest target, when the
// two sides differ) and of w (the target's own extent), each in halves: -2 is -W, -1 is
// -W/2 (integer division), and so on. Indexed by alignThem and ofThem: 0 Left or Top,
// 1 Right or Bottom (or Baseline), 2 the centre.
struct AlignTerm {
    int wideHalves;
    int ownHalves;
};

const AlignTerm kAlign[3][3] = {
    {{0, 0}, {-2, 0}, {-1, 0}},   // Left: of Left, Right, LRCenter
    {{2, -2}, {0, -2}, {2, -1}},  // Right
    {{1, -1}, {-1, -1}, {0, -1}}, // LRCenter
};
static_assert(sizeof kAlign / sizeof kAlign[0] == 3, "three sides per direction");

int AlignColumn(sidetype side) {
    switch (side) {
    case kSideLeft:
    case kSideTop:
        return 0;
    case kSideRight:
    case kSideBottom:
    case kSideBaseline:
        return 1;
    default:
        return 2;
    }
}

int Halves(int value, int halves) {
    switch (halves) {
    case 2:
        return value;
    case -2:
        return -value;
    case 1:
        return value / 2;
    case -1:
        return -(value / 2);
    default:
        return 0;
    }
}

// ---- Item values -------------------------------------------------------------------------

int16_t Clamp16(int value) {
    return static_cast<int16_t>(std::min(32767, std::max(-32768, value)));
}

int SizeIn(const RuntimeItemInfo& item, int direction) {
    return direction == kPlcHorizontal ? item.width : item.height;
}

void SetSizeIn(RuntimeItemInfo* item, int direction, int value) {
    int16_t size = Clamp16(std::max(0, value));
    if (direction == kPlcHorizontal) {
        item->width = size;
    } else {
        item->height = size;
    }
}

bool& SizeKnown(RuntimeItemInfo* item, int direction) {
    return direction == kPlcHorizontal ? item->widthKnown : item->heightKnown;
}

int SizeRulesOn(const RuntimeItemInfo& item, int direction) {
    return direction == kPlcHorizontal ? item.hSizeRules : item.vSizeRules;
}

// The pixels a rule adds beyond its item sizes, in the metrics of `item`.
int Terms(const PlacerHost& host, int item, int pixels, int nWidths, int widestWidths,
          int lineHeights, int scrollBarWidths) {
    int value = host.scalePixels(pixels);
    if (scrollBarWidths) value += scrollBarWidths * host.scrollBarWidth(item);
    if (lineHeights) value += lineHeights * host.metric(item, kPlcMetricLineHeight);
    if (nWidths) value += nWidths * host.metric(item, kPlcMetricNWidth);
    if (widestWidths) value += widestWidths * host.metric(item, kPlcMetricWidestChar);
    return value;
}

// The frame and title bar the toolkit draws inside the window, in each direction.
std::array<int, 2> WindowFrame(const PlacerHost& host) {
    int frame = host.isBordered() ? 2 * kBorder : 0;
    return {frame, frame + host.titleBarHeight()};
}

// ---- Size rules --------------------------------------------------------------------------

bool GroupReady(const RuntimePlacerInfo& info, const std::vector<RuntimeSizeInfo>& rules,
                size_t first) {
    int direction = rules[first].direction;
    auto known = [&](int item) {
        const RuntimeItemInfo& entry = info.items[item];
        return direction == kPlcHorizontal ? entry.widthKnown : entry.heightKnown;
    };
    for (int k = 0; k < PlacerGroupSpan(rules, first); ++k) {
        const RuntimeSizeInfo& rule = rules[first + k];
        if (!std::all_of(rule.plus.begin(), rule.plus.end(), known) ||
            !std::all_of(rule.minus.begin(), rule.minus.end(), known))
            return false;
    }
    return true;
}

int RuleValue(const RuntimePlacerInfo& info, const PlacerHost& host, const RuntimeSizeInfo& rule,
              int direction) {
    int value = Terms(host, rule.target, rule.pixels, rule.nWidths, rule.widestWidths,
                      rule.lineHeights, rule.scrollBarWidths);
    for (int item : rule.plus) value += SizeIn(info.items[item], direction);
    for (int item : rule.minus) value -= SizeIn(info.items[item], direction);
    value *= rule.factor;
    if (rule.divisor != 0) value /= rule.divisor;
    return value;
}

// The largest value of the group starting at `first`, all in the first rule's direction.
int GroupValue(const RuntimePlacerInfo& info, const PlacerHost& host,
               const std::vector<RuntimeSizeInfo>& rules, size_t first) {
    int direction = rules[first].direction;
    int best = RuleValue(info, host, rules[first], direction);
    for (int k = 1; k < PlacerGroupSpan(rules, first); ++k)
        best = std::max(best, RuleValue(info, host, rules[first + k], direction));
    return best;
}

// Sizes an item ends up with after it refused the one it was given; -1 where none.
typedef std::vector<std::array<int, 2>> Pins;

// Every size that no rule decides: the window's from the window, the items' natural ones
// and those pinned by an earlier pass. The rest wait for the rules.
void StartSizes(RuntimePlacerInfo* info, PlacerHost& host, const std::array<int, 2>& frame,
                const Pins& pins) {
    PlacerSize window = host.windowSize();
    RuntimeItemInfo* self = &info->items[0];
    self->width = Clamp16(std::max(0, window.width - frame[kPlcHorizontal]));
    self->height = Clamp16(std::max(0, window.height - frame[kPlcVertical]));
    self->widthKnown = self->hSizeRules == 0;
    self->heightKnown = self->vSizeRules == 0;
    for (size_t i = 1; i < info->items.size(); ++i) {
        RuntimeItemInfo* item = &info->items[i];
        int index = static_cast<int>(i);
        if (!host.itemExists(index)) {
            item->width = item->height = 0;
            item->widthKnown = item->heightKnown = true;
            continue;
        }
        PlacerSize natural = {0, 0};
        if (item->hSizeRules == 0 || item->vSizeRules == 0) natural = host.naturalSize(index);
        const int naturalIn[2] = {natural.width, natural.height};
        for (int direction = kPlcHorizontal; direction <= kPlcVertical; ++direction) {
            bool ruled = SizeRulesOn(*item, direction) > 0;
            bool pinned = pins[i][direction] >= 0;
            SizeKnown(item, direction) = !ruled || pinned;
            if (!ruled) SetSizeIn(item, direction, naturalIn[direction]);
            if (ruled && pinned) SetSizeIn(item, direction, pins[i][direction]);
        }
    }
}

// Evaluates the size rules in passes until every target is known. A rule waits for the
// items it adds or subtracts; a target sized by several rules is known after the last.
void RunSizeRules(RuntimePlacerInfo* info, PlacerHost& host, const std::array<int, 2>& frame,
                  const Pins& pins) {
    const std::vector<RuntimeSizeInfo>& rules = info->sizes;
    std::vector<bool> done(rules.size(), false);
    std::vector<std::array<int, 2>> waiting(info->items.size());
    for (size_t i = 0; i < info->items.size(); ++i)
        waiting[i] = {info->items[i].hSizeRules, info->items[i].vSizeRules};
    for (size_t k = 0; k < rules.size(); k += PlacerGroupSpan(rules, k)) {
        const RuntimeSizeInfo& rule = rules[k];
        if (pins[rule.target][rule.direction] >= 0) done[k] = true;
    }
    bool anyleft = true;
    while (anyleft) {
        anyleft = false;
        bool anydone = false;
        for (size_t k = 0; k < rules.size(); k += PlacerGroupSpan(rules, k)) {
            if (done[k]) continue;
            if (!GroupReady(*info, rules, k)) {
                anyleft = true;
                continue;
            }
            const RuntimeSizeInfo& rule = rules[k];
            int value = GroupValue(*info, host, rules, k);
            if (rule.target == 0) {
                PlacerDirection direction = static_cast<PlacerDirection>(rule.direction);
                value = host.constrainWindowSize(direction, value + frame[direction]) -
                        frame[direction];
            }
            RuntimeItemInfo* target = &info->items[rule.target];
            if (rule.target != 0)
                value =
                    std::max(value, host.leastSize(rule.target, (PlacerDirection)rule.direction));
            SetSizeIn(target, rule.direction, value);
            if (--waiting[rule.target][rule.direction] <= 0)
                SizeKnown(target, rule.direction) = true;
            done[k] = true;
            anydone = true;
        }
        __Assert(!(anyleft && !anydone), "!(anyleft && !anydone)", __FILE__, __LINE__, 0);
    }
}

// The window's minimum size from its first minimum-size rule in each direction, never
// below a size its own size rules fix, frame and title bar included.
PlacerSize MinimumSize(const RuntimePlacerInfo& info, const PlacerHost& host,
                       const std::array<int, 2>& frame) {
    const RuntimeItemInfo& self = info.items[0];
    const int ruleNumber[2] = {self.hMinRule, self.vMinRule};
    int minimum[2] = {0, 0};
    for (int direction = kPlcHorizontal; direction <= kPlcVertical; ++direction) {
        if (ruleNumber[direction] > 0 && GroupReady(info, info.minSizes, ruleNumber[direction] - 1))
            minimum[direction] = GroupValue(info, host, info.minSizes, ruleNumber[direction] - 1);
        if (SizeRulesOn(self, direction) > 0)
            minimum[direction] = std::max(minimum[direction], SizeIn(self, direction));
        minimum[direction] = std::max(0, minimum[direction]) + frame[direction];
    }
    return {minimum[0], minimum[1]};
}

// Gives the window its minimum-size hint, and enlarges it when it is smaller. True when
// the window was enlarged, so its items must be sized again.
bool ApplyMinimum(RuntimePlacerInfo* info, PlacerHost& host, const std::array<int, 2>& frame) {
    PlacerSize minimum = MinimumSize(*info, host, frame);
    if (minimum.width != info->minimumHint.width || minimum.height != info->minimumHint.height) {
        host.setWindowMinimumSize(minimum);
        info->minimumHint = minimum;
    }
    PlacerSize window = host.windowSize();
    if (minimum.width <= window.width && minimum.height <= window.height) return false;
    host.resizeWindow(
        {std::max(window.width, minimum.width), std::max(window.height, minimum.height)});
    return true;
}

// Hands every changed size to its item. False when some item took another size; that
// size is pinned for the next pass.
bool ResizeItems(RuntimePlacerInfo* info, PlacerHost& host, Pins* pins) {
    bool allTook = true;
    for (size_t i = 1; i < info->items.size(); ++i) {
        int index = static_cast<int>(i);
        if (!host.itemExists(index)) continue;
        RuntimeItemInfo* item = &info->items[i];
        PlacerRect present = host.itemGeometry(index);
        PlacerSize wanted = {item->width, item->height};
        if (present.width == wanted.width && present.height == wanted.height) continue;
        PlacerSize took = host.resizeItem(index, wanted);
        const int wantedIn[2] = {wanted.width, wanted.height};
        const int tookIn[2] = {took.width, took.height};
        for (int direction = kPlcHorizontal; direction <= kPlcVertical; ++direction) {
            if (tookIn[direction] == wantedIn[direction]) continue;
            (*pins)[i][direction] = std::max(0, tookIn[direction]);
            SetSizeIn(item, direction, tookIn[direction]);
            allTook = false;
        }
    }
    return allTook;
}

// ---- Position rules ----------------------------------------------------------------------

struct WindowState {
    PlacerSize size;
    int border;
    int titleBar;
};

bool CoordKnown(const RuntimePlacerInfo& info, const RuntimePosInfo& rule, bool horizontal) {
    int reference = rule.reference;
    if (reference == 0 || reference == info.items[rule.targets[0]].parent) return true;
    return horizontal ? info.items[reference].xKnown : info.items[reference].yKnown;
}

// Where the rule's ofOther side of the reference lies, plus the rule's own terms.
int Anchor(const RuntimePlacerInfo& info, const PlacerHost& host, const RuntimePosInfo& rule,
           const WindowState& window) {
    int reference = rule.reference;
    const RuntimeItemInfo& ref = info.items[reference];
    bool isParent = reference == info.items[rule.targets[0]].parent;
    int anchor = 0;
    if (isHorz(rule.ofOther)) {
        anchor = isParent ? 0 : ref.x;
        if (rule.ofOther == kSideRight) anchor += ref.width;
        if (rule.ofOther == kSideLRCenter) anchor += ref.width / 2;
        if (reference == 0 && rule.ofOther == kSideLeft) anchor += window.border;
        if (reference == 0 && rule.ofOther == kSideRight) anchor -= window.border;
    } else {
        anchor = isParent ? 0 : ref.y;
        if (rule.ofOther == kSideBottom) anchor += ref.height;
        if (rule.ofOther == kSideTBCenter) anchor += ref.height / 2;
        if (rule.ofOther == kSideBaseline)
            anchor += reference == 0 ? ref.height : PlacerBaseline(host, reference, ref.height);
        if (reference == 0 && rule.ofOther == kSideTop) anchor += window.titleBar + window.border;
        if (reference == 0 && (rule.ofOther == kSideBottom || rule.ofOther == kSideBaseline))
            anchor -= window.border;
    }
    return anchor + Terms(host, rule.targets[0], rule.pixels, rule.nWidths, rule.widestWidths,
                          rule.lineHeights, rule.scrollBarWidths);
}

// Places the rule's targets. With Baseline as alignThem or ofThem, a target's baseline
// height stands in for its height.
void ApplyPosRule(RuntimePlacerInfo* info, const PlacerHost& host, const RuntimePosInfo& rule,
                  const WindowState& window, std::vector<std::array<int, 2>>* waiting) {
    bool horizontal = isHorz(rule.ofOther);
    bool baseline = rule.alignThem == kSideBaseline || rule.ofThem == kSideBaseline;
    int anchor = Anchor(*info, host, rule, window);
    std::vector<int> extent;
    for (int target : rule.targets) {
        const RuntimeItemInfo& item = info->items[target];
        if (horizontal) {
            extent.push_back(item.width);
        } else {
            extent.push_back(baseline ? PlacerBaseline(host, target, item.height) : item.height);
        }
    }
    int align = AlignColumn(rule.alignThem);
    int of = AlignColumn(rule.ofThem);
    int widest = align == of ? 0 : *std::max_element(extent.begin(), extent.end());
    const AlignTerm& term = kAlign[align][of];
    for (size_t k = 0; k < rule.targets.size(); ++k) {
        RuntimeItemInfo* item = &info->items[rule.targets[k]];
        int16_t place =
            Clamp16(anchor + Halves(widest, term.wideHalves) + Halves(extent[k], term.ownHalves));
        int& left = (*waiting)[rule.targets[k]][horizontal ? kPlcHorizontal : kPlcVertical];
        if (horizontal) {
            item->x = place;
            item->xKnown = --left <= 0;
        } else {
            item->y = place;
            item->yKnown = --left <= 0;
        }
    }
}

// Starting positions: the window at 0,0 with its full size; items at their present place,
// those no rule places shifted by the change of frame and line height since last time.
void StartPositions(RuntimePlacerInfo* info, PlacerHost& host, const WindowState& window,
                    std::vector<PlacerRect>* present) {
    int lineHeight = host.metric(0, kPlcMetricLineHeight);
    int shiftX = 0, shiftY = 0;
    if (info->laidOut) {
        shiftX = window.border - (info->bordered ? kBorder : 0);
        shiftY = shiftX + (host.isTopLevel() ? lineHeight - info->lineHeight : 0);
    }
    RuntimeItemInfo* self = &info->items[0];
    self->x = self->y = 0;
    self->width = Clamp16(window.size.width);
    self->height = Clamp16(window.size.height);
    self->xKnown = self->yKnown = true;
    present->assign(info->items.size(), PlacerRect{0, 0, 0, 0});
    for (size_t i = 1; i < info->items.size(); ++i) {
        RuntimeItemInfo* item = &info->items[i];
        int index = static_cast<int>(i);
        if (host.itemExists(index)) (*present)[i] = host.itemGeometry(index);
        const PlacerRect& at = (*present)[i];
        bool shifted = item->parent == 0;
        item->x = Clamp16(at.x + (item->hPosRules == 0 && shifted ? shiftX : 0));
        item->y = Clamp16(at.y + (item->vPosRules == 0 && shifted ? shiftY : 0));
        item->width = Clamp16(at.width);
        item->height = Clamp16(at.height);
        item->xKnown = item->hPosRules == 0;
        item->yKnown = item->vPosRules == 0;
    }
    info->lineHeight = lineHeight;
}

} // namespace

int PlacerBaseline(const PlacerHost& host, int item, int height) {
    uint32_t kind = host.itemKind(item);
    for (const BaselineRule& rule : kBaselines) {
        if (rule.kind != kind) continue;
        int style = rule.framed ? host.frameStyle(item) : kPlcFrameStandard;
        if (style < kPlcFrameStandard || style > kPlcFrameDeep) style = kPlcFrameStandard;
        return host.buttonFontAscent() + rule.offset[style];
    }
    return height;
}

void PlacerSizeAll(RuntimePlacerInfo* info, PlacerHost& host) {
    Pins pins(info->items.size(), std::array<int, 2>{-1, -1});
    int enlargements = 0;
    std::array<int, 2> frame = WindowFrame(host);
    for (int pass = 0; pass < kMaxSizingPasses;) {
        frame = WindowFrame(host);
        StartSizes(info, host, frame, pins);
        RunSizeRules(info, host, frame, pins);
        if (ApplyMinimum(info, host, frame) && enlargements++ < kMaxEnlargements) continue;
        ++pass;
        if (ResizeItems(info, host, &pins)) break;
    }
    // A window its own rules size follows them.
    const RuntimeItemInfo& self = info->items[0];
    PlacerSize window = host.windowSize();
    PlacerSize wanted = window;
    if (self.hSizeRules > 0) wanted.width = self.width + frame[kPlcHorizontal];
    if (self.vSizeRules > 0) wanted.height = self.height + frame[kPlcVertical];
    if (wanted.width != window.width || wanted.height != window.height) host.resizeWindow(wanted);
}

void PlacerPositionAll(RuntimePlacerInfo* info, PlacerHost& host) {
    WindowState window = {host.windowSize(), host.isBordered() ? kBorder : 0,
                          host.titleBarHeight()};
    std::vector<PlacerRect> present;
    StartPositions(info, host, window, &present);
    std::vector<std::array<int, 2>> waiting(info->items.size());
    for (size_t i = 0; i < info->items.size(); ++i)
        waiting[i] = {info->items[i].hPosRules, info->items[i].vPosRules};
    std::vector<bool> applied(info->positions.size(), false);
    bool anyleft = true;
    while (anyleft) {
        anyleft = false;
        bool anydone = false;
        for (size_t k = 0; k < info->positions.size(); ++k) {
            if (applied[k]) continue;
            const RuntimePosInfo& rule = info->positions[k];
            if (!CoordKnown(*info, rule, isHorz(rule.ofOther))) {
                anyleft = true;
                continue;
            }
            ApplyPosRule(info, host, rule, window, &waiting);
            applied[k] = true;
            anydone = true;
        }
        __Assert(!anyleft || anydone, "!anyleft || anydone", __FILE__, __LINE__, 0);
    }
    for (size_t i = 1; i < info->items.size(); ++i) {
        int index = static_cast<int>(i);
        if (!host.itemExists(index)) continue;
        int dx = info->items[i].x - present[i].x;
        int dy = info->items[i].y - present[i].y;
        if (dx != 0 || dy != 0) host.moveItem(index, dx, dy);
    }
    info->bordered = window.border != 0;
    info->laidOut = true;
}

void PlacerLayoutAll(RuntimePlacerInfo* info, PlacerHost& host) {
    PlacerSizeAll(info, host);
    PlacerPositionAll(info, host);
}
