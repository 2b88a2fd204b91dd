// The item sets: items found from archive names, their descriptions and dependencies read
// from real archives, ordering, dependency propagation, and the catalog files.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "setup/discovery/test_discovery_support.h"

namespace {
const InstallOptions& o = installOptions;

std::vector<std::string> Dependencies(const Component* item) {
    std::vector<std::string> names;
    for (char** d = item->dependencies; *d; d++) names.push_back(*d);
    return names;
}

class ItemSetTest : public DiscoveryTest {
protected:
    // A gtar in the default utilities directory that logs each command line.
    void RecordCommands() {
        std::string util = binDir + "/utilities/linux86";
        WriteRecordingTool(util, "gtar", FindOnPath("tar"), log);
        ASSERT_EQ(symlink(FindOnPath("gzip").c_str(), (util + "/gzip").c_str()), 0);
    }
    long CommandCount() {
        std::string lines = PathExists(log) ? ReadFile(log) : "";
        return std::count(lines.begin(), lines.end(), '\n');
    }
    std::string log = tmp / "commands.log";
};

TEST_F(ItemSetTest, ArchivesOfSeveralHostsAndPartsMakeOneItem) {
    RecordCommands();
    DistItem tools = Bsp("foo", "Foo From PowerPC");
    tools.target = "ppc", tools.host = "solaris2", tools.part = "_tools";
    DistItem plain = Bsp("foo", "Foo From Mips");
    plain.target = "mips", plain.host = "hppa";
    DistItem docs = Addon("kit", "Kit");
    docs.target = "arm", docs.part = "_docs";
    DistItem other = Addon("kit", "Kit Again");
    other.target = "arm", other.host = "win32";
    dist.Basic().Item(tools).Item(plain).Item(docs).Item(other);
    dist.File("arm/linux86_addon_notes.txt", "not an archive");
    ASSERT_TRUE(dist.Build());
    // Only the first archive of an item is read: damage in a later one goes unnoticed.
    dist.File(tools.ArchivePath(), "not read");
    testing::internal::CaptureStderr();
    Discover(dist.root());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    ASSERT_EQ(o.numBSPs, 1);
    EXPECT_STREQ(o.bsps[0]->name, "bsp_foo");
    EXPECT_EQ(o.bsps[0]->targetIndex, 10); // mips comes before ppc in the target table
    EXPECT_STREQ(o.bsps[0]->description, "Foo From Mips");
    EXPECT_EQ(o.bsps[1], nullptr);
    ASSERT_EQ(o.numAddons, 1);
    EXPECT_STREQ(o.addons[0]->name, "addon_kit");
    EXPECT_EQ(o.addons[0]->targetIndex, 1);
    EXPECT_EQ(CommandCount(), 0); // read in the process: no command runs
}

TEST_F(ItemSetTest, DescriptionIsTheFirstLineOrTheTextInBracketsElseTheItemIsHidden) {
    const struct {
        const char* name;
        const char* readme;
        MemberForm form;
        const char* description;
    } cases[] = {
        {"foo", "Support for Foo [Foo Board] rev 2\nmore\n", MemberForm::InDirectory, "Foo Board"},
        {"open", "Bar [Unclosed Bracket\r\n", MemberForm::Flat, "Unclosed Bracket"},
        {"crlf", "Windows Board\r\n", MemberForm::Flat, "Windows Board"},
        {"two", "ab\n", MemberForm::InDirectory, "ab"},
        {"one", "x\n", MemberForm::InDirectory, ""},
        {"late", "\nSecond Line Board\n", MemberForm::Flat, ""},
    };
    for (const auto& c : cases) {
        DistItem item = Bsp(c.name, "");
        item.readme = c.readme;
        item.form = c.form;
        dist.Item(item);
    }
    DistItem none = Bsp("none", "", {"bsp_foo"});
    none.hasReadme = false;
    dist.Basic().Item(none);
    ASSERT_TRUE(dist.Build());
    Discover(dist.root());

    ASSERT_EQ(o.numBSPs, 7);
    for (const auto& c : cases) {
        const Component* item = FindItem(o.bsps, ("bsp_" + std::string(c.name)).c_str());
        ASSERT_NE(item, nullptr) << c.name;
        EXPECT_STREQ(item->description, c.description) << c.name;
        EXPECT_EQ(item->hidden, *c.description == '\0') << c.name;
    }
    EXPECT_TRUE(FindItem(o.bsps, "bsp_none")->hidden);
    EXPECT_EQ(Dependencies(FindItem(o.bsps, "bsp_none")), std::vector<std::string>{"bsp_foo"});
}

TEST_F(ItemSetTest, DependencyFileSkipsCommentsAndEmptyLinesAndCarriageReturns) {
    DistItem dir = Bsp("board", "Board");
    dir.hasDepends = true;
    dir.depends = "# needed with the board\n\nbsp_common\r\n  \r\naddon_flash\n";
    DistItem flat = Addon("flash", "Flash Tool", {"bsp_common"});
    flat.form = MemberForm::Flat;
    dist.Basic().Item(dir).Item(flat).Item(Bsp("common", "Common Code"));
    ASSERT_TRUE(dist.Build());
    Discover(dist.root());

    EXPECT_EQ(Dependencies(FindItem(o.bsps, "bsp_board")),
              (std::vector<std::string>{"bsp_common", "addon_flash"}));
    EXPECT_EQ(Dependencies(FindItem(o.addons, "addon_flash")),
              std::vector<std::string>{"bsp_common"});
    EXPECT_TRUE(Dependencies(FindItem(o.bsps, "bsp_common")).empty());
}

TEST_F(ItemSetTest, MembersCountWhereverAndHoweverGtarWouldUnpackThem) {
    std::string stage = tmp / "stage";
    // Long members: the first line of a readme counts; of a dependency list cut after
    // 64 KiB, the name that the cut splits is dropped.
    std::string longReadme = "Long Board\n" + std::string(100000, 'x') + "\n";
    std::string longDepends;
    for (int i = 0; i < 10000; i++) longDepends += "bsp_d" + std::to_string(1000000 + i) + "\n";
    DistItem longOne = Bsp("long", "");
    longOne.readme = longReadme;
    longOne.hasDepends = true, longOne.depends = longDepends;
    // Both places: the one in the item's directory wins.
    DistItem both = Bsp("both", "In The Directory");
    both.extra = {{"readme_both.txt", "Flat One\n"}};
    dist.Basic().Item(longOne).Item(both).Item(Bsp(std::string(120, 'n'), "Long Name Board"));
    ASSERT_TRUE(dist.Build());
    // Members named without "./", and a readme that comes twice: the later copy wins.
    ASSERT_EQ(ShellStatus("mkdir -p '" + stage + "/1/bare' '" + stage + "/1/twice' '" + stage +
                          "/2/twice' && cd '" + stage +
                          "' && echo Bare Board > 1/bare/readme.txt && echo First > "
                          "1/twice/readme.txt && echo Second Copy > 2/twice/readme.txt && tar -C "
                          "1 -czf '" +
                          dist.path("alltargets/linux86_bsp_bare.tgz") +
                          "' bare && tar -cf t.tar -C 1 ./twice/readme.txt -C ../2 "
                          "./twice/readme.txt && gzip -c t.tar > '" +
                          dist.path("alltargets/linux86_bsp_twice.tgz") + "'"),
              0);
    Discover(dist.root());

    ASSERT_EQ(o.numBSPs, 5);
    EXPECT_STREQ(FindItem(o.bsps, "bsp_long")->description, "Long Board");
    std::vector<std::string> names = Dependencies(FindItem(o.bsps, "bsp_long"));
    ASSERT_EQ(names.size(), 65536u / 13); // "bsp_dNNNNNNN\n"
    EXPECT_EQ(names.back(), "bsp_d" + std::to_string(1000000 + 65536 / 13 - 1));
    EXPECT_STREQ(FindItem(o.bsps, "bsp_both")->description, "In The Directory");
    EXPECT_STREQ(FindItem(o.bsps, ("bsp_" + std::string(120, 'n')).c_str())->description,
                 "Long Name Board");
    EXPECT_STREQ(FindItem(o.bsps, "bsp_bare")->description, "Bare Board");
    EXPECT_STREQ(FindItem(o.bsps, "bsp_twice")->description, "Second Copy");
}

TEST_F(ItemSetTest, ItemsReadSeveralAtOnceKeepTheirDiscoveryOrder) {
    // Large archives first, so that with several jobs later ones are done sooner.
    dist.Basic();
    for (int i = 0; i < 40; i++) {
        DistItem item = i % 2 ? Addon("a" + std::to_string(i), "Same")
                              : Bsp("b" + std::to_string(i), "Item " + std::to_string(i % 7),
                                    {"bsp_b" + std::to_string(i + 2)});
        item.target = i % 3 ? "ppc" : "arm";
        item.extra = {{"payload", std::string(i < 8 ? 3000000 : 10, static_cast<char>('a' + i))}};
        dist.Item(item);
    }
    ASSERT_TRUE(dist.Build());
    Discover(dist.root(), true, 1);
    std::string bsps = ReadFile(dist.path("info/bsplist.txt"));
    std::string addons = ReadFile(dist.path("info/addonlist.txt"));
    for (int jobs : {4, 0}) {
        Discover(dist.root(), true, jobs);
        EXPECT_EQ(ReadFile(dist.path("info/bsplist.txt")), bsps) << jobs;
        EXPECT_EQ(ReadFile(dist.path("info/addonlist.txt")), addons) << jobs;
    }
    EXPECT_EQ(o.numBSPs + o.numAddons, 40);
}

TEST_F(ItemSetTest, SelectingAnItemSelectsWhatItDependsOnThroughEveryLevel) {
    // Sorted Wolf, Yak, Zed: each dependency sits before the item that needs it.
    dist.Basic()
        .Item(Bsp("zed", "Zed", {"BSP_YAK"}))
        .Item(Bsp("yak", "Yak", {"addon_wolf"}))
        .Item(Addon("wolf", "Wolf"))
        .Item(Bsp("other", "Other"));
    ASSERT_TRUE(dist.Build());
    Discover(dist.root());

    FindItem(o.bsps, "bsp_zed")->selected = true;
    SelectDependedItems();
    EXPECT_TRUE(FindItem(o.bsps, "bsp_yak")->selected);
    EXPECT_TRUE(FindItem(o.addons, "addon_wolf")->selected);
    EXPECT_FALSE(FindItem(o.bsps, "bsp_other")->selected);
}

TEST(SortSet, EqualDescriptionsKeepTheOrderInWhichTheyWereFound) {
    // Descriptions alike but for case, interleaved with others on both sides of them.
    const char* descriptions[] = {"Zed",   "board", "Alpha", "BOARD", "Board", "mid",
                                  "board", "Board", "ALPHA", "boarD", "Omega", "board"};
    std::vector<Component*> set;
    for (const char* d : descriptions)
        set.push_back(new Component("bsp_x", d, static_cast<int>(set.size()), true, false));
    SortSet(set.data(), 0, static_cast<int>(set.size()) - 1);

    std::vector<std::pair<std::string, int>> order;
    for (const Component* c : set) order.push_back({c->description, c->index});
    EXPECT_EQ(order, (std::vector<std::pair<std::string, int>>{{"Alpha", 2},
                                                               {"ALPHA", 8},
                                                               {"board", 1},
                                                               {"BOARD", 3},
                                                               {"Board", 4},
                                                               {"board", 6},
                                                               {"Board", 7},
                                                               {"boarD", 9},
                                                               {"board", 11},
                                                               {"mid", 5},
                                                               {"Omega", 10},
                                                               {"Zed", 0}}));
}

TEST_F(ItemSetTest, BlanksAndShellCharactersInNamesStayPartOfTheName) {
    DistFixture odd(tmp / "my dist");
    odd.Basic().Item(Bsp("it's$(false)", "Quoted Board")).Item(Bsp("semi;colon", "Semi Board"));
    ASSERT_TRUE(odd.Build());
    Discover(odd.root());

    ASSERT_EQ(o.numBSPs, 2);
    EXPECT_STREQ(FindItem(o.bsps, "bsp_it's$(false)")->description, "Quoted Board");
    EXPECT_STREQ(FindItem(o.bsps, "bsp_semi;colon")->description, "Semi Board");
}

TEST_F(ItemSetTest, CatalogRoundTripGivesTheSameSortedItemsWithoutAScan) {
    DistItem bee = Bsp("b", "bee Board", {"bsp_a"}), hidden = Bsp("a", "");
    DistItem sea = Bsp("c", "See Board");
    bee.target = "arm", hidden.target = "mips", hidden.hasReadme = false, sea.target = "ppc";
    dist.Basic().Item(bee).Item(hidden).Item(sea);
    ASSERT_TRUE(dist.Build());
    Discover(dist.root(), true);

    EXPECT_EQ(ReadFile(dist.path("info/bsplist.txt")),
              "BEGIN bsp\nbsp_b\nbee Board\n0\n1\nbsp_a\nEND bsp\n"
              "BEGIN bsp\nbsp_a\n\n1\n10\nEND bsp\n"
              "BEGIN bsp\nbsp_c\nSee Board\n0\n15\nEND bsp\n"
              "END FILE");
    EXPECT_EQ(ReadFile(dist.path("info/addonlist.txt")), "END FILE");
    // Sorted by description without regard to case; index keeps the discovery order.
    ASSERT_EQ(o.numBSPs, 3);
    EXPECT_STREQ(o.bsps[1]->name, "bsp_b");
    EXPECT_STREQ(o.bsps[2]->name, "bsp_c");
    EXPECT_EQ(o.bsps[2]->index, 2);
    std::vector<Component> scanned;
    for (int i = 0; i < o.numBSPs; i++) scanned.push_back(*o.bsps[i]);

    // With the catalog no archive is read, so damage in every one goes unnoticed.
    for (const DistItem* item : {&bee, &hidden, &sea}) dist.File(item->ArchivePath(), "damaged");
    testing::internal::CaptureStderr();
    Discover(dist.root());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(o.numBSPs, static_cast<int>(scanned.size()));
    for (int i = 0; i < o.numBSPs; i++) {
        const Component* read = o.bsps[i];
        EXPECT_STREQ(read->name, scanned[i].name);
        EXPECT_STREQ(read->description, scanned[i].description);
        EXPECT_EQ(read->hidden, scanned[i].hidden);
        EXPECT_EQ(read->targetIndex, scanned[i].targetIndex);
        EXPECT_EQ(read->index, scanned[i].index);
        EXPECT_EQ(Dependencies(read), Dependencies(&scanned[i]));
    }
    EXPECT_EQ(o.numAddons, 0);
}

TEST_F(ItemSetTest, DamagedCatalogKeepsTheRecordsBeforeTheDamage) {
    dist.Basic().Item(Bsp("scanned", "Never Scanned")).Item(Bsp("one", "One"));
    ASSERT_TRUE(dist.Build());
    const std::string record = "BEGIN bsp\nbsp_one\nOne\n0\n20\nEND bsp\n";
    const struct {
        const char* what;
        std::string catalog;
        int items;
    } cases[] = {
        {"ends inside a record", record + "BEGIN bsp\nbsp_two\nTwo\n", 1},
        {"stray line", "stray\n" + record + "END FILE", 1},
    };
    std::string message =
        "Failed to parse component list.\nTry removing " + dist.path("info/bsplist.txt") + ".\n";
    for (const auto& c : cases) {
        dist.File("info/bsplist.txt", c.catalog);
        testing::internal::CaptureStderr();
        Discover(dist.root());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message) << c.what;
        ASSERT_EQ(o.numBSPs, c.items) << c.what;
        EXPECT_STREQ(o.bsps[0]->name, "bsp_one") << c.what;
    }
    // A catalog that is there but cannot be read is reported, and the set is scanned
    // (permission bits do not stop root).
    ASSERT_EQ(chmod(dist.path("info/bsplist.txt").c_str(), 0), 0);
    if (geteuid() != 0) {
        testing::internal::CaptureStderr();
        Discover(dist.root());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message);
        ASSERT_EQ(o.numBSPs, 2);
        EXPECT_STREQ(FindItem(o.bsps, "bsp_scanned")->description, "Never Scanned");
    }
    ASSERT_EQ(chmod(dist.path("info/bsplist.txt").c_str(), 0644), 0);

    dist.File("info/bsplist.txt", record + "\nBEGIN bsp\nbsp_after_end\nX\n0\n20\nEND bsp\n");
    testing::internal::CaptureStderr();
    Discover(dist.root());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(o.numBSPs, 1);
}

TEST_F(ItemSetTest, ReadOnlyDistributionWithSaveCatalogsReportsAndGoesOn) {
    dist.Basic().Item(Bsp("board", "Board"));
    ASSERT_TRUE(dist.Build());
    // Permission bits do not stop root: a file where the info directory belongs does.
    if (geteuid() == 0) dist.File("info", "");
    ASSERT_EQ(ShellStatus("chmod -R a-w '" + dist.root() + "'"), 0);

    testing::internal::CaptureStderr();
    Discover(dist.root(), true);
    std::string err = testing::internal::GetCapturedStderr();
    ShellStatus("chmod -R u+w '" + dist.root() + "'");

    const std::string message =
        "Failed to create catalog file.\nInformation about this distribution will not be saved.\n";
    EXPECT_EQ(err, message + message); // once for each set
    ASSERT_EQ(o.numBSPs, 1);
    EXPECT_STREQ(o.bsps[0]->description, "Board");
}
} // namespace
