// Reading layout rules: the fields of size and position rules, section words, faulty
// rules that must be dropped rather than misread, and the cut of over-long rules.
#include <gtest/gtest.h>

#include <string>

#include "fake_host.h"
#include "placer/run_time/plclang.h"

namespace {

TEST(RuleText, SizeRuleListsAndDirection) {
    RuntimeSizeInfo rule = RuntimeSizeInfo();
    const char* fault = nullptr;
    ASSERT_TRUE(
        plcParseSizeRule("18,( 0, 4 ,7),(19),-135,2,3,4,5,6,7,8,Horizontal", &rule, &fault));
    EXPECT_EQ((std::vector<int>{0, 4, 7}), rule.plus);
    EXPECT_EQ((std::vector<int>{19}), rule.minus);
    EXPECT_EQ(8, rule.group);
    EXPECT_EQ(kPlcHorizontal, rule.direction);
    ASSERT_TRUE(plcParseSizeRule("3,(),(),15,0,0,0,0,1,1,1,horizontal", &rule, &fault));
    EXPECT_TRUE(rule.plus.empty());
    EXPECT_EQ(kPlcVertical, rule.direction) << "only a leading 'H' means horizontal";
}

TEST(RuleText, PositionRuleFieldsAndMissingSides) {
    RuntimePosInfo rule = RuntimePosInfo();
    const char* fault = nullptr;
    ASSERT_TRUE(plcParsePosRule("(19,20),18,-1,2,3,4,5,Right,LRCenter,Left", &rule, &fault));
    EXPECT_EQ((std::vector<int>{19, 20}), rule.targets);
    EXPECT_EQ(18, rule.reference);
    EXPECT_EQ(-1, rule.pixels);
    EXPECT_EQ(5, rule.scrollBarWidths);
    EXPECT_EQ(kSideRight, rule.alignThem);
    EXPECT_EQ(kSideLRCenter, rule.ofThem);
    EXPECT_EQ(kSideLeft, rule.ofOther);

    ASSERT_TRUE(plcParsePosRule("(3),2,0,0,0,0,0,Baseline", &rule, &fault));
    EXPECT_EQ(kSideBaseline, rule.alignThem);
    EXPECT_EQ(kSideTop, rule.ofThem);
    EXPECT_EQ(kSideTop, rule.ofOther);
}

TEST(RuleText, FaultyRulesAreRefused) {
    RuntimeSizeInfo size = RuntimeSizeInfo();
    RuntimePosInfo pos = RuntimePosInfo();
    const char* fault = nullptr;
    for (const char* text : {"x,(),(),1,0,0,0,0,1,1,1,Vertical", "5,(1,2,(),1", "5,1,(),1",
                             "5,(1,,2),(),1", "5,(),(),1,0,0,0,0,1,1,1,Vertical,9",
                             "5,(),(),99999,0,0,0,0,1,1,1,Vertical", "5),(),()"}) {
        fault = nullptr;
        EXPECT_FALSE(plcParseSizeRule(text, &size, &fault)) << text;
        EXPECT_NE(nullptr, fault) << text;
    }
    for (const char* text : {"3,2,0,0,0,0,0,Top,Top,Top", "(),2,0,0,0,0,0,Top,Top,Top",
                             "(3),2,0,0,0,0,0,Top,Top,Bottm"}) {
        EXPECT_FALSE(plcParsePosRule(text, &pos, &fault)) << text;
    }
}

// A rule whose direction word starts at byte `at` (padding sits inside the pixels field).
std::string RuleWithDirectionAt(size_t at) {
    std::string head = "1,(),(),40";
    std::string tail = ",0,0,0,0,1,1,1,";
    return head + std::string(at - head.size() - tail.size(), ' ') + tail + "Horizontal";
}

TEST(RuleTables, RulesLongerThan1023CharactersAreCut) {
    FakeHost host(3, {100, 100});
    std::string kept = RuleWithDirectionAt(1022);
    std::string cut = RuleWithDirectionAt(1023);
    const char* rules[] = {"Sizes", kept.c_str(), cut.c_str()};
    RuntimePlacerInfo* info = PlacerBuildTables(rules, 3, host);
    ASSERT_EQ(2u, info->sizes.size());
    EXPECT_EQ(kPlcHorizontal, info->sizes[0].direction);
    EXPECT_EQ(kPlcVertical, info->sizes[1].direction);
    EXPECT_EQ(40, info->sizes[1].pixels);
    PlacerFreeTables(info);
}

TEST(RuleTables, RulesNamingMissingItemsAreLeftOut) {
    FakeHost host(4, {100, 100});
    const char* rules[] = {"MinSizes",
                           "0,(),(),50,0,0,0,0,1,1,1,Vertical",
                           "Sizes",
                           "4,(),(),10,0,0,0,0,1,1,1,Vertical",
                           "1,(9),(),10,0,0,0,0,1,1,1,Vertical",
                           "2,(1),(),10,0,0,0,0,1,1,1,Horizontal",
                           "Positions",
                           "(3),-1,0,0,0,0,0,Top,Top,Top",
                           "(0),1,0,0,0,0,0,Top,Top,Top",
                           "(3),1,0,0,0,0,0,Top,Top,Bottom"};
    RuntimePlacerInfo* info = PlacerBuildTables(rules, 10, host);
    EXPECT_EQ(1u, info->minSizes.size());
    EXPECT_EQ(1, info->items[0].vMinRule);
    EXPECT_EQ(1u, info->sizes.size());
    EXPECT_EQ(1, info->items[2].hSizeRules);
    EXPECT_EQ(1u, info->positions.size());
    EXPECT_EQ(1, info->items[3].vPosRules);
    PlacerFreeTables(info);
}

TEST(RuleTablesDeathTest, PositionRuleMixingDirectionsFailsAssertion) {
    FakeHost host(4, {100, 100});
    const char* rules[] = {"Positions", "(3),2,0,0,0,0,0,Left,Left,Top"};
    EXPECT_DEATH(PlacerBuildTables(rules, 2, host),
                 "isHorz \\(pos->ofThem\\) != isHorz \\(pos->ofOther\\) \\|\\| isHorz "
                 "\\(pos->ofThem\\) != isHorz \\(pos->alignThem\\)");
}

} // namespace
