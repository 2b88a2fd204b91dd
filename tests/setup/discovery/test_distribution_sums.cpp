// The checksums and sizes lists that -save_catalogs writes, against the tools a user would
// check them with: sha256sum -c accepts the checksums file, and every size and member count
// is what gzip and tar say, whether the scan measured the archive or the lists' own pass
// did, for a multi-member gzip file and an awkward name as well.
#include <sys/stat.h>

#include <map>

#include "setup/discovery/distribution_sums.h"
#include "setup/discovery/test_discovery_support.h"

namespace {

class DistributionSumsTest : public DiscoveryTest {
protected:
    std::string ShellOutput(const std::string& command) {
        std::string out = tmp / "shell-output";
        ShellStatus(command + " > '" + out + "'");
        std::string text = ReadFile(out);
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        return text;
    }
};

TEST_F(DistributionSumsTest, Sha256sumAcceptsThemAndGzipAndTarAgreeWithTheSizes) {
    DistItem tools = Bsp("foo", "Foo Board"); // measured by the lists' pass, not the scan
    tools.target = "ppc", tools.part = "_tools";
    dist.Basic().Version("Veltrane 1.0\n").Item(Bsp("foo", "Foo Board")).Item(tools);
    dist.Item(Addon("kit", "Kit")).Item(Bsp("broken", "Broken"));
    dist.Archive("odd dir/back\\slash name.tgz", {{"x/y", "y"}});
    ASSERT_TRUE(dist.Build());
    // An item archive of two gzip members, each half of one tar stream; a file that is no
    // gzip outside the sets and one inside; and a .tgz in info/, which is no archive.
    ASSERT_EQ(ShellStatus("cd '" + dist.root() +
                          "' && mkdir -p arm s/multi && echo Multi Board > s/multi/readme.txt && "
                          "echo 2 > s/2 && tar -C s -cf t.tar . && head -c 1024 t.tar | gzip > "
                          "arm/linux86_bsp_multi.tgz && tail -c +1025 t.tar | gzip >> "
                          "arm/linux86_bsp_multi.tgz && rm -r s t.tar && echo junk > "
                          "ppc/junk.tgz && echo junk > alltargets/linux86_bsp_broken.tgz && "
                          "echo 0 > info/not.tgz"),
              0);

    testing::internal::CaptureStderr();
    Discover(dist.root(), true);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "These parts of the distribution are damaged and were left out:\n" +
                       dist.path("alltargets/linux86_bsp_broken.tgz") + ": not a gzip file\n" +
                       dist.path("ppc/junk.tgz") + ": not a gzip file\n");
    EXPECT_STREQ(FindItem(installOptions.bsps, "bsp_multi")->description, "Multi Board");
    EXPECT_EQ(ShellStatus("cd '" + dist.root() + "' && sha256sum --quiet -c info/checksums.txt"),
              0);

    std::map<std::string, std::string> sums;
    std::map<std::string, ArchiveSize> sizes;
    std::string error;
    ASSERT_TRUE(ReadChecksums(dist.root(), &sums, &error) &&
                ReadSizes(dist.root(), &sizes, &error));
    std::vector<std::string> archives = DistributionArchives(dist.root());
    EXPECT_EQ(sums.size(), archives.size());
    EXPECT_EQ(sizes.size(), archives.size() - 2); // not the two that are no gzip
    EXPECT_TRUE(sums.count("odd dir/back\\slash name.tgz"));
    EXPECT_FALSE(sums.count("info/not.tgz"));
    EXPECT_TRUE(sizes.count("ppc/linux86_bsp_foo_tools.tgz"));
    for (const auto& [name, size] : sizes) {
        std::string path = "'" + dist.path(name) + "'";
        EXPECT_EQ(std::to_string(size.bytes), ShellOutput("gzip -dc " + path + " | wc -c")) << name;
        EXPECT_EQ(std::to_string(size.members), ShellOutput("tar -tzf " + path + " | wc -l"))
            << name;
    }
    // The trailer alone knows only the last member of a multi-member file.
    uint64_t trailer = 0;
    ASSERT_TRUE(GzipTrailerSize(dist.path("arm/linux86_bsp_multi.tgz"), &trailer, &error));
    EXPECT_LT(trailer, sizes["arm/linux86_bsp_multi.tgz"].bytes);
    ASSERT_TRUE(GzipTrailerSize(dist.path("ppc/linux86_tools.tgz"), &trailer, &error));
    EXPECT_EQ(trailer, sizes["ppc/linux86_tools.tgz"].bytes);
    EXPECT_FALSE(GzipTrailerSize(dist.path("ppc/junk.tgz"), &trailer, &error));
}

TEST_F(DistributionSumsTest, ListsThatCannotBeWrittenGetTheCatalogMessageOnce) {
    dist.Basic().Item(Bsp("board", "Board"));
    ASSERT_TRUE(dist.Build());
    // The catalogs can be written, the checksums list cannot (even by root).
    MakeDirectory(dist.path("info/checksums.txt.tmp"));

    testing::internal::CaptureStderr();
    Discover(dist.root(), true);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Failed to create catalog file.\nInformation about this distribution will not be "
              "saved.\n");
    EXPECT_EQ(ReadFile(dist.path("info/bsplist.txt")),
              "BEGIN bsp\nbsp_board\nBoard\n0\n20\nEND bsp\nEND FILE");
    EXPECT_FALSE(PathExists(dist.path("info/checksums.txt")));
    EXPECT_FALSE(PathExists(dist.path("info/sizes.txt")));
}

} // namespace
