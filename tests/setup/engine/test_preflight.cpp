// The checks before the first write, on real file systems and real archives: a 4 MiB
// tmpfs that cannot take the installation gives the message (and its inode twin), and one
// flipped byte in one archive is found and the archive named.
#include <gtest/gtest.h>

#include <fstream>

#include "setup/discovery/distribution_sums.h"
#include "setup/engine/preflight.h"
#include "setup/engine/test_manifest_support.h"

namespace {

class PreflightTest : public testing::Test {
protected:
    // dist/<name>: `files` files of `bytes` zeros each, which compress to almost nothing.
    std::string Archive(const std::string& name, int files, long bytes) {
        std::string stage = tmp / ("stage-" + std::to_string(serial++));
        Stage(stage, "i=0; while [ $i -lt " + std::to_string(files) +
                         " ]; do i=$((i+1)); "
                         "head -c " +
                         std::to_string(bytes) + " /dev/zero > f$i; done");
        EXPECT_EQ(ShellStatus("mkdir -p \"$(dirname '" + dist + "/" + name + "')\" && tar -C '" +
                              stage + "' -czf '" + dist + "/" + name + "' ."),
                  0);
        return dist + "/" + name;
    }
    void WriteSums() {
        std::vector<std::string> problems;
        ASSERT_TRUE(WriteDistributionSums(dist, "", &problems));
        EXPECT_TRUE(problems.empty()) << problems.front();
    }

    ScopedTempDir tmp;
    std::string dist = tmp / "dist";
    int serial = 0;
};

TEST_F(PreflightTest, ASmallFileSystemRefusesWithTheMessage) {
    ScopedTmpfs small(tmp / "small", "size=4m,nr_inodes=64");
    if (!small.mounted()) GTEST_SKIP() << "mounting a file system is not permitted here";
    const std::string target = tmp / "small/opt/vt"; // not there yet
    const std::string big = Archive("alltargets/big.tgz", 1, 6000000);
    const std::string mount = MountPointOf(target);
    ASSERT_EQ(mount, MountPointOf(tmp / "small"));
    ASSERT_NE(mount, MountPointOf(tmp.path()));
    const std::string refusal =
        "Not enough space in " + mount + ": this installation needs 7 MB, 4 MB are free.";

    SpaceCheck fromTrailer = CheckSpace(dist, {big}, target);
    EXPECT_FALSE(fromTrailer.enough);
    EXPECT_EQ(fromTrailer.message, refusal);
    EXPECT_FALSE(fromTrailer.inodesChecked);

    const std::string many = Archive("alltargets/many.tgz", 100, 10);
    const std::string small1 = Archive("alltargets/small.tgz", 3, 1000);
    WriteSums();
    SpaceCheck fromList = CheckSpace(dist, {big}, target);
    EXPECT_EQ(fromList.message, refusal);
    EXPECT_TRUE(fromList.inodesChecked);

    SpaceCheck inodes = CheckSpace(dist, {many}, target);
    EXPECT_FALSE(inodes.enough);
    EXPECT_EQ(inodes.message.find("Not enough inodes in " + mount +
                                  ": this installation needs 101 inodes, "),
              0u)
        << inodes.message;

    SpaceCheck fits = CheckSpace(dist, {small1}, target);
    EXPECT_TRUE(fits.enough) << fits.message;
    EXPECT_EQ(fits.message, "");
}

TEST_F(PreflightTest, OneFlippedByteIsFoundAndTheArchiveNamed) {
    std::vector<std::string> archives = {Archive("alltargets/a.tgz", 3, 5000),
                                         Archive("ppc/b.tgz", 3, 5000),
                                         Archive("ppc/c.tgz", 3, 5000)};
    IntegrityCheck unchecked = CheckIntegrity(dist, archives);
    EXPECT_FALSE(unchecked.checked);
    EXPECT_TRUE(unchecked.Passed());
    EXPECT_NE(unchecked.report.find("not checked"), std::string::npos) << unchecked.report;

    WriteSums();
    IntegrityCheck intact = CheckIntegrity(dist, archives, 2);
    EXPECT_TRUE(intact.checked && intact.Passed()) << intact.problems.front();

    {
        std::fstream file(archives[1], std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(40);
        char byte = static_cast<char>(file.get());
        file.seekp(40);
        file.put(static_cast<char>(byte ^ 1));
    }
    archives.push_back(Archive("ppc/new.tgz", 1, 10)); // made after the list
    IntegrityCheck damaged = CheckIntegrity(dist, archives, 2);
    ASSERT_EQ(damaged.problems.size(), 2u);
    EXPECT_EQ(damaged.problems[0], archives[3] + ": not listed in info/checksums.txt");
    EXPECT_EQ(damaged.problems[1].find(archives[1] + ": damaged"), 0u) << damaged.problems[1];
}

} // namespace
