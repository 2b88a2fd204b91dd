// Discovery of a distribution: hosts, tool host and defaults, targets, install types and
// the pages they leave, the version text and the search for the utilities.
#include <cstring>

#include "setup/discovery/test_discovery_support.h"
#include "shared/libcxxutil/ut_argv.h"

namespace {
const InstallOptions& o = installOptions;

bool PageEnabled(int page) {
    return theSegments[page]->enabled;
}

TEST_F(DiscoveryTest, HostsFoundOnlyThroughBlwArchivesInTargetDirectories) {
    dist.Archive("ppc/win32_bsp_blw_always.tgz").Archive("alltargets/unix_bsp_blw_always.tgz");
    ASSERT_TRUE(dist.Build());
    Discover(dist.root());
    EXPECT_TRUE(o.hosts[3]->available && o.hosts[4]->available);
    EXPECT_FALSE(o.hosts[2]->available);
    EXPECT_EQ(o.toolHost, 4);
    EXPECT_TRUE(o.types[kTypeBlw]->selected);
    // blw alone: no choice of type, no targets to pick, and no host has blw tools.
    EXPECT_FALSE(PageEnabled(kSegInstallType));
    EXPECT_FALSE(PageEnabled(kSegTargetArchitecture));
    EXPECT_FALSE(PageEnabled(kSegComponents));

    dist.InstallType("blw", "hppa");
    ASSERT_TRUE(dist.Build());
    Discover(dist.root());
    EXPECT_TRUE(o.hosts[0]->available);
    EXPECT_TRUE(PageEnabled(kSegComponents));
}

TEST_F(DiscoveryTest, WithoutRunningHostToolsTheHighestHostRunsThem) {
    dist.HostTools("hppa").HostTools("solaris2").InstallType("ide");
    dist.Archive("ppc/win32_bsp_blw_always.tgz"); // not looked at: there are host tools
    ASSERT_TRUE(dist.Build());
    Discover(dist.root());
    EXPECT_TRUE(o.hosts[0]->available && o.hosts[1]->available);
    EXPECT_FALSE(o.hosts[3]->available);
    EXPECT_EQ(o.runningHost, kRunningHost);
    EXPECT_EQ(o.toolHost, 1);
    // The defaults still name the machine the installer runs on.
    EXPECT_STREQ(o.targetDir, "/usr/veltrane/linux86");
    EXPECT_EQ(std::string(o.utilDir), binDir + "/utilities/linux86");
}

TEST_F(DiscoveryTest, TargetsAreTheDirectoriesPresentNativeOnesStartUnselected) {
    dist.Basic().Target("native_linux86").File("mips", "not a directory");
    ASSERT_TRUE(dist.Build());
    Discover(dist.root());
    EXPECT_TRUE(o.targets[15]->available && o.targets[15]->selected); // ppc
    EXPECT_TRUE(o.targets[14]->available);                            // native_linux86
    EXPECT_FALSE(o.targets[14]->selected);
    EXPECT_FALSE(o.targets[10]->available); // mips
}

TEST_F(DiscoveryTest, InstallTypePageOnlyWhenThereIsAChoice) {
    dist.Basic();
    ASSERT_TRUE(dist.Build());
    Discover(dist.root());
    EXPECT_EQ(o.numInstallTypes, 1);
    EXPECT_TRUE(o.types[kTypeIde]->selected);
    EXPECT_FALSE(PageEnabled(kSegInstallType));
    EXPECT_TRUE(PageEnabled(kSegTargetArchitecture) && PageEnabled(kSegComponents));

    dist.InstallType("vstartd", "hppa");
    ASSERT_TRUE(dist.Build());
    Discover(dist.root());
    EXPECT_EQ(o.numInstallTypes, 2);
    EXPECT_TRUE(PageEnabled(kSegInstallType));
    EXPECT_TRUE(o.types[kTypeVstartd]->available);
    EXPECT_FALSE(o.types[kTypeVstartd]->selected);
}

TEST_F(DiscoveryTest, ItemPagesOnlyForSetsWithSomethingToList) {
    DistItem hidden = Bsp("secret", "");
    hidden.hasReadme = false;
    dist.Basic().Item(hidden).Item(Bsp("tiny", "x")).Item(Addon("viewer", "Trace Viewer"));
    ASSERT_TRUE(dist.Build());
    Discover(dist.root());
    EXPECT_EQ(o.numBSPs, 2);
    EXPECT_FALSE(PageEnabled(kSegBoards));
    EXPECT_TRUE(PageEnabled(kSegAdditionalItems));

    dist.File("alltargets/linux86_addon_viewer.tgz", ""); // the only addon, now corrupt
    testing::internal::CaptureStderr();
    Discover(dist.root());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("linux86_addon_viewer.tgz: "),
              std::string::npos);
    EXPECT_EQ(o.numAddons, 0);
    EXPECT_FALSE(PageEnabled(kSegAdditionalItems));
}

TEST_F(DiscoveryTest, VersionIsTheTrimmedFirstLine) {
    dist.Basic();
    ASSERT_TRUE(dist.Build());
    const char* cases[][2] = {{"  Release 4.2 \t\r\nsecond line\n", "Release 4.2"},
                              {"Release 5", "Release 5"},
                              {"\nRelease 6\n", ""},
                              {"   \n", ""}};
    for (const auto& c : cases) {
        dist.Version(c[0]);
        Discover(dist.root());
        EXPECT_STREQ(o.version, c[1]) << c[0];
    }
    ASSERT_EQ(unlink(dist.path("info/version.txt").c_str()), 0);
    Discover(dist.root());
    EXPECT_STREQ(o.version, "");
}

TEST_F(DiscoveryTest, RelativeSourceDirectoryBecomesAbsolute) {
    dist.Basic().Item(Bsp("evb", "Evaluation Board"));
    ASSERT_TRUE(dist.Build());
    ASSERT_EQ(chdir(tmp.path().c_str()), 0);
    Discover("dist");
    EXPECT_EQ(std::string(o.sourceDir), dist.root());
    ASSERT_EQ(o.numBSPs, 1);
    EXPECT_STREQ(o.bsps[0]->description, "Evaluation Board");
}

class UtilitiesTest : public DiscoveryTest {
protected:
    void SetUp() override {
        ResetInstallOptions();
        installOptions.utilDir = gen_copy(utilDir.c_str());
        installOptions.programDir = gen_copy(binDir.c_str());
        MakeDirectory(utilDir);
    }
    std::string utilDir = tmp / "util";
};

TEST_F(UtilitiesTest, UtilitiesComeFromUtilDirThenBesideTheProgramThenPath) {
    WriteFile(binDir + "/gtar", "#!/bin/sh\n", 0755);
    WriteFile(binDir + "/gzip", "#!/bin/sh\n", 0755);
    WriteFile(utilDir + "/gzip", "not executable", 0644);
    ASSERT_TRUE(installOptions.FindUtilities());
    EXPECT_EQ(std::string(o.gtarPath), binDir + "/gtar");
    EXPECT_EQ(std::string(o.gzipPath), binDir + "/gzip");

    WriteFile(utilDir + "/gtar", "#!/bin/sh\n", 0755);
    ASSERT_TRUE(installOptions.FindUtilities());
    EXPECT_EQ(std::string(o.gtarPath), utilDir + "/gtar");

    // Nothing beside the program (a directory is no program): the PATH, and tar for gtar.
    ASSERT_EQ(ShellStatus("rm -f " + utilDir + "/gtar " + binDir + "/*"), 0);
    MakeDirectory(binDir + "/gzip");
    ASSERT_TRUE(installOptions.FindUtilities());
    EXPECT_STREQ(gen_basename(o.gtarPath), "tar");
    EXPECT_NE(std::string(o.gzipPath), binDir + "/gzip");
}

TEST_F(UtilitiesTest, ExtractCommandNamesGzipOnlyForTheGtarInUtilDir) {
    installOptions.gtarPath = gen_copy((utilDir + "/GTAR").c_str());
    installOptions.gzipPath = gen_copy("/bin/gzip");
    char* prefix = ExtractCommandPrefix();
    EXPECT_EQ(std::string(prefix), utilDir + "/GTAR --use-compress-program=/bin/gzip -xf ");
    gen_free(prefix);
    installOptions.gtarPath = gen_copy("/usr/local/bin/gtar");
    prefix = ExtractCommandPrefix();
    EXPECT_STREQ(prefix, "/usr/local/bin/gtar Uxzf ");
    gen_free(prefix);
}

TEST(QuoteCommandWord, ShellAndSplitterKeepAWordWhole) {
    const char* words[] = {"/plain/path_1.tgz", "/with blank/a.tgz",   "/it's here",
                           "$(x) `y`",          "semi;colon&amp|pipe", "it's \"$HOME\""};
    for (const char* word : words) {
        char* quoted = QuoteCommandWord(word);
        ScopedTempDir tmp;
        ASSERT_EQ(ShellStatus("printf '%s' " + std::string(quoted) + " > " + (tmp / "out")), 0);
        EXPECT_EQ(ReadFile(tmp / "out"), word);
        // The splitter has no escapes: a word with both quotes and shell specials can only
        // be given to the shell.
        if (!strchr(word, '\'') || !strpbrk(word, "\"$`")) {
            int count = 0;
            char** argv = makeArgv(quoted, &count, false);
            EXPECT_TRUE(count == 1 && strcmp(argv[0], word) == 0) << quoted;
            freeArgv(argv);
        }
        EXPECT_EQ(strcmp(quoted, word) == 0, word == words[0]);
        gen_free(quoted);
    }
}
} // namespace
