// The wizard's validation rules, their evaluation page by page, and the summary text.
#include "setup/discovery/test_discovery_support.h"

namespace {
class RulesTest : public DiscoveryTest {
protected:
    void SetUp() override {
        dist.Basic().Target("native_hppa").Target("native_solaris2");
        dist.Item(Bsp("evb", "Evaluation Board")).Item(Addon("viewer", "Trace Viewer"));
        ASSERT_TRUE(dist.Build());
        Discover(dist.root());
        installOptions.targetDir = gen_copy((tmp / "target").c_str());
    }
    // Re-arms and evaluates one rule with this target directory.
    Error* Check(int id, const std::string& targetDir) {
        gen_free(installOptions.targetDir);
        installOptions.targetDir = gen_copy(targetDir.c_str());
        return Check(id);
    }
    Error* Check(int id) {
        Error* rule = installOptions.errors[id];
        rule->checked = false;
        rule->Check();
        return rule;
    }
    std::string Message(int id) { return installOptions.errors[id]->message; }
};

TEST_F(RulesTest, DirectoryMustBeGivenAndMayAlreadyExist) {
    Error* given = Check(0, "");
    EXPECT_TRUE(given->failed);
    EXPECT_STREQ(given->text, "You must supply a directory.");
    installOptions.targetDir = gen_copy("/x");
    given->Check(); // evaluated once until the wizard re-arms it
    EXPECT_TRUE(given->failed);
    EXPECT_FALSE(Check(0, tmp / "x")->failed);

    Error* exists = Check(1, tmp.path());
    EXPECT_TRUE(exists->failed);
    EXPECT_TRUE(exists->isQuestion);
    EXPECT_EQ(std::string(exists->text), Message(1) + tmp.path() + "?");
    EXPECT_FALSE(Check(1, tmp / "new")->failed);
}

TEST_F(RulesTest, WritabilityCheckLeavesNoDirectoryOrFileBehind) {
    std::string fresh = tmp / "fresh/a/b";
    Error* rule = Check(2, fresh);
    EXPECT_FALSE(rule->failed);
    EXPECT_FALSE(PathExists(tmp / "fresh"));

    // A file of the user's named like the probe survives the check.
    std::string existing = tmp / "existing";
    MakeDirectory(existing);
    WriteFile(existing + "/test", "mine");
    EXPECT_FALSE(Check(2, existing + "/")->failed);
    EXPECT_EQ(ReadFile(existing + "/test"), "mine");
    EXPECT_EQ(ShellStatus("test $(ls -A '" + existing + "' | wc -l) -eq 1"), 0);

    WriteFile(tmp / "plain", "a file");
    rule = Check(2, tmp / "plain/sub");
    EXPECT_TRUE(rule->failed);
    EXPECT_EQ(std::string(rule->text), Message(2) + (tmp / "plain/sub") + ".");
}

TEST_F(RulesTest, SelectionsMustNotBeEmpty) {
    EXPECT_FALSE(Check(3)->failed);
    for (int t = 0; t < kAllTargets; t++) installOptions.targets[t]->selected = false;
    installOptions.targets[kAllTargets]->selected = true; // not a choice of the user's
    EXPECT_TRUE(Check(3)->failed);
    installOptions.targets[13]->selected = true; // selected but not present
    EXPECT_TRUE(Check(3)->failed);
    installOptions.targets[11]->selected = true; // native_hppa is present
    EXPECT_FALSE(Check(3)->failed);

    EXPECT_FALSE(Check(4)->failed);
    installOptions.components[kKindTools]->selected = false;
    EXPECT_FALSE(Check(4)->failed);
    installOptions.components[kKindDocs]->selected = false;
    EXPECT_TRUE(Check(4)->failed);
    // With the blw type chosen the content kinds do not matter, only the types.
    installOptions.types[kTypeBlw]->selected = true;
    EXPECT_FALSE(Check(4)->failed);

    installOptions.types[kTypeIde]->selected = false;
    installOptions.types[kTypeBlw]->selected = false;
    EXPECT_TRUE(Check(5)->failed);
    EXPECT_EQ(std::string(installOptions.errors[5]->text), Message(5));
}

// The ids of the rules that CheckSegments(page) evaluates.
std::string RulesCheckedFor(int page) {
    for (Error* rule : installOptions.errors) rule->checked = false;
    CheckSegments(page);
    std::string ids;
    for (Error* rule : installOptions.errors)
        if (rule->checked) ids += std::to_string(rule->id);
    return ids;
}

TEST_F(RulesTest, CheckSegmentsEvaluatesTheRulesOfOnePage) {
    // The wizard offers Introduction, General and Target Architecture as rows 0-2.
    theRuntimeSegments[0] = theSegments[kSegIntroduction];
    theRuntimeSegments[1] = theSegments[kSegGeneral];
    theRuntimeSegments[2] = theSegments[kSegTargetArchitecture];
    num_runtime_segments = 3;
    EXPECT_EQ(RulesCheckedFor(kNoSegment), "");
    EXPECT_EQ(RulesCheckedFor(1), "012");
    EXPECT_EQ(RulesCheckedFor(2), "3");
    EXPECT_EQ(RulesCheckedFor(-1), "012345");
    theSegments[kSegComponents]->enabled = false;
    EXPECT_EQ(RulesCheckedFor(5), "0123"); // no such row: every enabled page
}

TEST_F(RulesTest, SummaryListsTheChosenOptions) {
    installOptions.targetDir = gen_copy("/opt/vt");
    FindItem(installOptions.bsps, "bsp_evb")->selected = true;
    char* summary = installOptions.CreateInstallSummary();
    EXPECT_STREQ(summary,
                 "The following options have been selected:\n\n"
                 "Tools will be installed into:\n\t/opt/vt\n\n"
                 "Tools will run on:\n\tx86 Linux\n\n"
                 "The following components have been selected:\n\tDocumentation\n\tTools"
                 "\n\nTools targeting the following architecture(s)\nwill be installed:"
                 "\n\tPowerPC"
                 "\n\nThe following board or architecture support packages will be installed:"
                 "\n\tEvaluation Board"
                 "\n\nThe following additional items will be installed:");
    gen_free(summary);
}

TEST_F(RulesTest, NativeTargetOfAnotherHostIsListedAsNotInstalled) {
    installOptions.toolHost = 1;
    installOptions.targets[11]->selected = true; // Native HP/UX
    installOptions.targets[12]->selected = true; // Native Sparc Solaris
    char* summary = installOptions.CreateInstallSummary();
    std::string text = summary;
    gen_free(summary);
    EXPECT_EQ(text.find("\tNative HP/UX"), std::string::npos);
    EXPECT_NE(text.find("\nNative HP/UX will not be installed because the tool host you have "
                        "chosen is Solaris 2\n\tNative Sparc Solaris\n\tPowerPC"),
              std::string::npos);

    theSegments[kSegTargetArchitecture]->enabled = false;
    summary = installOptions.CreateInstallSummary();
    EXPECT_EQ(std::string(summary).find("architecture(s)"), std::string::npos);
    gen_free(summary);
}
} // namespace
