// The checksums and sizes lists of a distribution against the tools a user would check
// them with: sha256sum -c accepts the checksums file, and every size and member count is
// what gzip and tar say, for a multi-member gzip file and an awkward name as well.
#include <gtest/gtest.h>

#include <map>

#include "setup/discovery/distribution_sums.h"
#include "support/dist_fixture.h"
#include "support/temp_dir.h"

namespace {

std::string ShellOutput(const std::string& command, const ScopedTempDir& tmp) {
    std::string out = tmp / "shell-output";
    ShellStatus(command + " > '" + out + "'");
    std::string text = ReadFile(out);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

TEST(DistributionSums, Sha256sumAcceptsThemAndGzipAndTarAgreeWithTheSizes) {
    ScopedTempDir tmp;
    DistFixture dist(tmp / "dist");
    dist.Basic().Version("Veltrane 1.0\n").Item(Bsp("foo", "Foo Board"));
    dist.Archive("odd dir/back\\slash name.tgz", {{"x/y", "y"}});
    ASSERT_TRUE(dist.Build());
    // A gzip file of two members, each half of one tar stream, and a file that is no gzip.
    ASSERT_EQ(ShellStatus("cd '" + dist.root() +
                          "' && mkdir -p s/d && echo 1 > s/d/1 && "
                          "echo 2 > s/2 && tar -C s -cf t.tar . && head -c 1024 t.tar | gzip > "
                          "ppc/multi.tgz && tail -c +1025 t.tar | gzip >> ppc/multi.tgz && "
                          "rm -r s t.tar && echo junk > ppc/junk.tgz && echo 0 > info/not.tgz"),
              0);

    std::vector<std::string> problems;
    ASSERT_TRUE(WriteDistributionSums(dist.root(), FindOnPath("gzip"), &problems));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].find(dist.path("ppc/junk.tgz") + ": gzip could not expand it"), 0u)
        << problems[0];
    EXPECT_EQ(ShellStatus("cd '" + dist.root() + "' && sha256sum --quiet -c info/checksums.txt"),
              0);

    std::map<std::string, std::string> sums;
    std::map<std::string, ArchiveSize> sizes;
    std::string error;
    ASSERT_TRUE(ReadChecksums(dist.root(), &sums, &error) &&
                ReadSizes(dist.root(), &sizes, &error));
    std::vector<std::string> archives = DistributionArchives(dist.root());
    EXPECT_EQ(sums.size(), archives.size());
    EXPECT_EQ(sizes.size(), archives.size() - 1); // not the junk
    EXPECT_TRUE(sums.count("odd dir/back\\slash name.tgz"));
    EXPECT_FALSE(sums.count("info/not.tgz"));
    for (const auto& [name, size] : sizes) {
        std::string path = "'" + dist.path(name) + "'";
        EXPECT_EQ(std::to_string(size.bytes), ShellOutput("gzip -dc " + path + " | wc -c", tmp))
            << name;
        EXPECT_EQ(std::to_string(size.members), ShellOutput("tar -tzf " + path + " | wc -l", tmp))
            << name;
    }
    // The trailer alone knows only the last member of a multi-member file.
    uint64_t trailer = 0;
    ASSERT_TRUE(GzipTrailerSize(dist.path("ppc/multi.tgz"), &trailer, &error));
    EXPECT_LT(trailer, sizes["ppc/multi.tgz"].bytes);
    ASSERT_TRUE(GzipTrailerSize(dist.path("ppc/linux86_tools.tgz"), &trailer, &error));
    EXPECT_EQ(trailer, sizes["ppc/linux86_tools.tgz"].bytes);
    EXPECT_FALSE(GzipTrailerSize(dist.path("ppc/junk.tgz"), &trailer, &error));
}

} // namespace
