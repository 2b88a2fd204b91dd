// Building the run-time tables (see plctable.h): each rule string is parsed by plclang,
// checked against the window's items, and counted on the items it sizes or places.
// Start at PlacerBuildTables.
#include "placer/run_time/plctable.h"

#include <algorithm>
#include <cstring>

#include "placer/run_time/plclang.h"
#include "shared/gen_messages.h"

namespace {

bool InRange(int item, int count) {
    return item >= 0 && item < count;
}

bool ListInRange(const std::vector<int>& list, int count) {
    for (int item : list) {
        if (!InRange(item, count)) return false;
    }
    return true;
}

// Rules are generated with the window, so a fault here is a fault of the generator;
// the rule is dropped with a message and the rest of the layout still works.
void ReportIgnored(const char* text, const char* fault) {
    gen_error("Layout rule \"%.80s\" ignored: %s", text, fault);
}

void AddSizeRule(RuntimePlacerInfo* info, PlacerSection section, const char* text) {
    RuntimeSizeInfo rule = RuntimeSizeInfo();
    const char* fault = nullptr;
    if (!plcParseSizeRule(text, &rule, &fault)) return ReportIgnored(text, fault);
    int count = static_cast<int>(info->items.size());
    if (!InRange(rule.target, count) || !ListInRange(rule.plus, count) ||
        !ListInRange(rule.minus, count))
        return ReportIgnored(text, "it names an item the window does not have");
    (section == kPlcMinSizes ? info->minSizes : info->sizes).push_back(rule);
}

void AddPosRule(RuntimePlacerInfo* info, const char* text) {
    RuntimePosInfo rule = RuntimePosInfo();
    const char* fault = nullptr;
    if (!plcParsePosRule(text, &rule, &fault)) return ReportIgnored(text, fault);
    int count = static_cast<int>(info->items.size());
    if (!InRange(rule.reference, count) || !ListInRange(rule.targets, count))
        return ReportIgnored(text, "it names an item the window does not have");
    for (int target : rule.targets) {
        if (target == 0) return ReportIgnored(text, "the window cannot be placed");
    }
    RuntimePosInfo* pos = &rule;
    __Assert(!(isHorz(pos->ofThem) != isHorz(pos->ofOther) ||
               isHorz(pos->ofThem) != isHorz(pos->alignThem)),
             "!(isHorz (pos->ofThem) != isHorz (pos->ofOther) || isHorz (pos->ofThem) != "
             "isHorz (pos->alignThem))",
             __FILE__, __LINE__, 0);
    info->positions.push_back(rule);
}

// Counts the rules on the items they concern. Only the first rule of a group is counted:
// the others are evaluated with it, for its target.
void CountRules(RuntimePlacerInfo* info) {
    for (size_t i = 0; i < info->sizes.size(); i += PlacerGroupSpan(info->sizes, i)) {
        RuntimeItemInfo& item = info->items[info->sizes[i].target];
        ++(info->sizes[i].direction == kPlcHorizontal ? item.hSizeRules : item.vSizeRules);
    }
    for (size_t i = 0; i < info->minSizes.size(); i += PlacerGroupSpan(info->minSizes, i)) {
        RuntimeItemInfo& item = info->items[info->minSizes[i].target];
        int16_t& number =
            info->minSizes[i].direction == kPlcHorizontal ? item.hMinRule : item.vMinRule;
        if (number == 0) number = static_cast<int16_t>(i + 1);
    }
    for (const RuntimePosInfo& rule : info->positions) {
        for (int target : rule.targets) {
            RuntimeItemInfo& item = info->items[target];
            ++(isHorz(rule.ofOther) ? item.hPosRules : item.vPosRules);
        }
    }
}

} // namespace

RuntimePlacerInfo* PlacerBuildTables(const char* const* rules, int count, const PlacerHost& host) {
    RuntimePlacerInfo* info = new RuntimePlacerInfo();
    int items = host.itemCount();
    info->items.resize(items > 0 ? items : 1);
    for (int i = 0; i < static_cast<int>(info->items.size()); ++i) {
        info->items[i].index = i;
        info->items[i].parent = i == 0 ? -1 : host.itemExists(i) ? host.itemParent(i) : 0;
    }
    PlacerSection section = kPlcMinSizes;
    for (int i = 0; i < count; ++i) {
        const char* text = rules[i];
        if (!text || !*text) continue;
        if (strlen(text) >= kPlcRuleBufferSize)
            gen_warning("Layout rule \"%.40s...\" cut to %d characters", text,
                        kPlcRuleBufferSize - 1);
        if (plcClassifyLine(text, &section)) continue;
        if (section == kPlcPositions) {
            AddPosRule(info, text);
        } else {
            AddSizeRule(info, section, text);
        }
    }
    CountRules(info);
    return info;
}

int PlacerGroupSpan(const std::vector<RuntimeSizeInfo>& rules, size_t first) {
    size_t group = rules[first].group > 1 ? rules[first].group : 1;
    return static_cast<int>(std::min(group, rules.size() - first));
}

void PlacerFreeTables(RuntimePlacerInfo* info) {
    delete info;
}
