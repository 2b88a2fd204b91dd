// Damaged and hostile distributions: item archives that do not inflate or hold no tar
// stream, catalog entries that name nothing, FIFOs, links and directories where text files
// belong, an archive too large to read in time, and a signal while one is read. Each must
// be named, leave its item out, and leave nothing behind.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <regex>
#include <sstream>

#include "setup/discovery/test_discovery_support.h"
#include "support/run_program.h"

namespace {
const InstallOptions& o = installOptions;

bool DirectoryEmpty(const std::string& dir) {
    return ShellStatus("[ -z \"$(ls -A '" + dir + "')\" ]") == 0;
}

std::string Bytes(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

class DamagedDistribution : public DiscoveryTest {
protected:
    void SetUp() override {
        // The real tar and gzip in the utilities directory beside the program.
        MakeDirectory(util);
        ASSERT_EQ(symlink(FindOnPath("tar").c_str(), (util + "/gtar").c_str()), 0);
        ASSERT_EQ(symlink(FindOnPath("gzip").c_str(), (util + "/gzip").c_str()), 0);
        MakeDirectory(scratch);
    }

    // setup -nodisplay on the distribution with `args` after it, TMPDIR `scratch`.
    ProgramResult RunSetup(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {SetupProgram(), "-nodisplay", "-source_dir",
                                         dist.root(),    "-util_dir",  util};
        argv.insert(argv.end(), args.begin(), args.end());
        ProgramOptions options;
        options.workingDir = tmp.path();
        options.extraEnv = {"TMPDIR=" + scratch};
        options.timeoutSeconds = 30;
        return RunProgram(argv, options);
    }

    std::string util = binDir + "/utilities/linux86";
    std::string scratch = tmp / "scratch";
};

TEST_F(DamagedDistribution, DamagedItemArchivesAreNamedWithTheirFirstFaultAndLeftOut) {
    DistItem big = Bsp("cut", "Cut Board");
    big.extra = {{"cut/data.bin", Bytes(200000, 1)}};
    DistItem later = Bsp("notgz", "Sound Copy Of A Broken Item");
    later.target = "ppc", later.host = "solaris2", later.part = "_tools";
    dist.Basic().Item(Bsp("good", "Good Board")).Item(big).Item(later);
    dist.File("arm/linux86_bsp_notgz.tgz", "this is no gzip data");
    dist.File("alltargets/linux86_bsp_empty.tgz", "");
    dist.File("coldfire/linux86_bsp_random.tgz", Bytes(3000, 2));
    MakeDirectory(dist.path("mips/linux86_bsp_dir.tgz"));
    ASSERT_TRUE(dist.Build());
    std::string cut = dist.path(big.ArchivePath());
    ASSERT_EQ(truncate(cut.c_str(), 60000), 0);
    // Sound gzip around what is no tar stream, or a tar stream that stops inside a member.
    std::string half = tmp / "half";
    ASSERT_EQ(ShellStatus("mkdir -p '" + half + "' && head -c 20000 /dev/zero > '" + half +
                          "/x' && cd '" + dist.root() +
                          "' && mkdir fr && yes no tar | head -c "
                          "1024 | gzip > fr/linux86_bsp_text.tgz && tar -cf - -C '" +
                          half + "' ./x | head -c 1536 | gzip > fr/linux86_bsp_half.tgz"),
              0);

    testing::internal::CaptureStderr();
    Discover(dist.root(), true);
    std::string err = testing::internal::GetCapturedStderr();

    ASSERT_EQ(o.numBSPs, 1);
    EXPECT_STREQ(o.bsps[0]->name, "bsp_good");
    EXPECT_EQ(ReadFile(dist.path("info/bsplist.txt")),
              "BEGIN bsp\nbsp_good\nGood Board\n0\n20\nEND bsp\nEND FILE");
    EXPECT_EQ(err.find("These parts of the distribution are damaged and were left out:\n"), 0u)
        << err;
    const struct {
        std::string archive;
        std::string error;
    } damaged[] = {
        {"arm/linux86_bsp_notgz.tgz", "not a gzip file"},
        {"alltargets/linux86_bsp_empty.tgz", "not a gzip file"},
        {"alltargets/linux86_bsp_cut.tgz", "corrupt compressed data at byte 60000"},
        {"coldfire/linux86_bsp_random.tgz", "not a gzip file"},
        {"mips/linux86_bsp_dir.tgz", "not a regular file"},
        {"fr/linux86_bsp_text.tgz", "bad tar header (checksum mismatch) at byte 0"},
        {"fr/linux86_bsp_half.tgz", "unexpected end of the tar stream at byte 1536"},
    };
    for (const auto& d : damaged)
        EXPECT_NE(err.find("\n" + dist.path(d.archive) + ": " + d.error + "\n"), std::string::npos)
            << d.archive << "\n"
            << err;
    // One line each, though the lists read the distribution again: the later sound
    // archive of a damaged item is not looked at, and no archive is named twice.
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 8) << err;
}

TEST_F(DamagedDistribution, CatalogEntriesThatNameNothingAreNamedAndLeftOut) {
    dist.Basic().Item(Bsp("kept", "Kept")).Item(Bsp("flag", "Flag"));
    ASSERT_TRUE(dist.Build());
    std::string catalog = dist.path("info/bsplist.txt");
    dist.File("info/bsplist.txt", "BEGIN bsp\nbsp_kept\nKept\n0\n-1\nEND bsp\n"
                                  "BEGIN bsp\nbsp_gone\nGone\n0\n15\nEND bsp\n"
                                  "BEGIN bsp\nbsp_kept\nWrapped\n0\n4294967311\nEND bsp\n"
                                  "BEGIN bsp\nbsp_kept\nBelow\n0\n-2\nEND bsp\n"
                                  "BEGIN bsp\nbsp_kept\nWord\n0\n2x\nEND bsp\n"
                                  "BEGIN bsp\nbsp_flag\nFlag\n4294967296\n20\nEND bsp\n"
                                  "BEGIN bsp\nbsp_\033[2J\nEscape\n0\n20\nEND bsp\nEND FILE");

    std::string expected = "Failed to parse component list.\n";
    expected += "bsp_gone: no archive of it in " + dist.path("ppc") + "\n";
    expected += "bsp_kept: the target index 4294967311 is out of range\n"; // not 15
    expected += "bsp_kept: the target index -2 is out of range\n";
    expected += "bsp_kept: the target index \"2x\" is not a number\n";
    expected += "bsp_\\033[2J: no archive of it in " + dist.path("alltargets") + "\n";
    expected += "Try removing " + catalog + ".\n";
    testing::internal::CaptureStderr();
    Discover(dist.root());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
    ASSERT_EQ(o.numBSPs, 2);
    EXPECT_STREQ(FindItem(o.bsps, "bsp_kept")->description, "Kept");
    EXPECT_EQ(FindItem(o.bsps, "bsp_kept")->targetIndex, kAllTargets);
    EXPECT_TRUE(FindItem(o.bsps, "bsp_flag")->hidden); // too large, but not zero
}

TEST_F(DamagedDistribution, NonRegularFilesAreRefusedByTypeInsteadOfBlocking) {
    dist.Basic().Item(Bsp("good", "Good Board"));
    ASSERT_TRUE(dist.Build());
    MakeDirectory(dist.path("info"));
    for (const char* file : {"info/bsplist.txt", "info/version.txt"})
        ASSERT_EQ(mkfifo(dist.path(file).c_str(), 0644), 0);
    MakeDirectory(dist.path("info/addonlist.txt"));
    ASSERT_EQ(mkfifo(dist.path("ppc/linux86_bsp_pipe.tgz").c_str(), 0644), 0);
    // Items whose description member is a FIFO, a symbolic link or a directory; the last
    // made only by a member below it, as unpacking would make it.
    std::string stage = tmp / "stage";
    ASSERT_EQ(ShellStatus("mkdir -p '" + stage + "/fifo' '" + stage + "/link' '" + stage +
                          "/dir/readme.txt' && mkfifo '" + stage +
                          "/fifo/readme.txt' && ln -s /etc/passwd '" + stage +
                          "/link/readme.txt' && echo x > '" + stage + "/dir/readme.txt/x'"),
              0);
    for (const char* item : {"fifo", "link", "dir"}) {
        std::string pack =
            item == std::string("dir") ? "./dir/readme.txt/x" : std::string("./") + item;
        ASSERT_EQ(ShellStatus("tar -C '" + stage + "' -czf '" +
                              dist.path("alltargets/linux86_bsp_" + std::string(item) + ".tgz") +
                              "' " + pack),
                  0);
    }

    ProgramResult r = RunSetup({});
    ASSERT_FALSE(r.timedOut) << "blocked on a FIFO";
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* file : {"info/bsplist.txt", "info/addonlist.txt"}) {
        std::string path = dist.path(file);
        EXPECT_NE(r.err.find("Failed to read component list: " + path +
                             " is not a regular file.\nTry removing " + path + ".\n"),
                  std::string::npos)
            << r.err;
    }
    EXPECT_NE(r.err.find("These parts of the distribution are damaged and were left out:\n" +
                         dist.path("info/version.txt") + ": not a regular file\n" +
                         dist.path("ppc/linux86_bsp_pipe.tgz") + ": not a regular file\n"),
              std::string::npos)
        << r.err;
    for (const char* item : {"fifo", "link", "dir"})
        EXPECT_NE(r.err.find(dist.path("alltargets/linux86_bsp_" + std::string(item) + ".tgz") +
                             ": ./" + item + "/readme.txt is not a regular file\n"),
                  std::string::npos)
            << r.err;
    EXPECT_TRUE(DirectoryEmpty(scratch));
}

TEST_F(DamagedDistribution, AnArchiveThatOutlivesTheTimeLimitIsLeftOutAndSignalsStopTheRead) {
    dist.Basic().Item(Bsp("good", "Good Board"));
    ASSERT_TRUE(dist.Build());
    // A 16 GiB member of zeros: 16 MB of gzip members that take seconds to inflate.
    std::string stage = tmp / "stage";
    ASSERT_EQ(ShellStatus("mkdir -p '" + stage + "/slow' && cd '" + stage +
                          "' && echo Slow Board > slow/readme.txt && truncate -s 16G slow/zeros "
                          "&& { tar -cf - ./slow/readme.txt ./slow/zeros | head -c 2048 | gzip; "
                          "} > big.tgz && head -c 64M /dev/zero | gzip -9 > zeros.gz && "
                          "for i in $(seq 256); do cat zeros.gz; done >> big.tgz && mv big.tgz '" +
                          dist.path("alltargets/linux86_bsp_slow.tgz") + "' && rm -r slow"),
              0);

    ProgramResult r = RunSetup({"-save_catalogs", "-scan_timeout", "1"});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("These parts of the distribution are damaged and were left out:\n" +
                         dist.path("alltargets/linux86_bsp_slow.tgz") +
                         ": unpacking did not finish within 1 second and was stopped\nRunning"),
              0u)
        << r.err;
    EXPECT_EQ(ReadFile(dist.path("info/bsplist.txt")),
              "BEGIN bsp\nbsp_good\nGood Board\n0\n20\nEND bsp\nEND FILE");

    // TERM while the archive is being read (its inflating threads are there) ends the
    // program at once with the trap's status, threads or not.
    ASSERT_EQ(ShellStatus("rm '" + dist.root() + "'/info/*list.txt"), 0);
    std::string script = "\"$@\" & p=$!; while kill -0 $p 2>/dev/null && "
                         "[ $(ls /proc/$p/task | wc -l) -lt 2 ]; do sleep 0.02; done; "
                         "kill -s TERM $p; wait $p";
    ProgramOptions options;
    options.timeoutSeconds = 30;
    r = RunProgram(
        {"/bin/sh", "-c", script, "sh", SetupProgram(), "-nodisplay", "-source_dir", dist.root()},
        options);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.err, "");

    for (const char* value : {"0", "x", "2000001"}) {
        r = RunSetup({"-scan_timeout", value});
        EXPECT_EQ(r.status, 1) << value;
        EXPECT_EQ(r.err.find("-scan_timeout needs a number of seconds from 1 to 2000000.\n"), 0u)
            << r.err;
    }
}
} // namespace
