// Damaged and hostile distributions: item archives that do not unpack, catalog entries that
// name nothing, FIFOs where text files belong, a scan command that never ends, and signals
// that arrive while one runs. Each must be named, leave its item out, and leave nothing
// behind: no process, no scan tree.
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

// True once the process is gone or only a zombie that its new parent has yet to reap.
bool Gone(pid_t pid) {
    std::string stat = PathExists("/proc/" + std::to_string(pid))
                           ? ReadFile("/proc/" + std::to_string(pid) + "/stat")
                           : "";
    size_t end = stat.rfind(')');
    return end == std::string::npos || stat.compare(end, 3, ") Z") == 0;
}

std::vector<pid_t> NumbersIn(const std::string& path) {
    std::vector<pid_t> numbers;
    std::istringstream words(PathExists(path) ? ReadFile(path) : "");
    for (long n; words >> n;) numbers.push_back(static_cast<pid_t>(n));
    return numbers;
}

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

    // A gtar that, for the archive of item `item`, runs `before`, starts a child, records
    // its own process number and the child's, runs `after` and waits for ever; any other
    // archive it hands to the real tar.
    void HangingGtar(const std::string& item, const std::string& before, const std::string& after) {
        ASSERT_EQ(unlink((util + "/gtar").c_str()), 0);
        WriteFile(util + "/gtar",
                  "#!/bin/sh\ncase \"$*\" in *_bsp_" + item + ".tgz*)\n" + before +
                      "\nsleep 300 &\necho $$ $! > " + pids + "\n" + after +
                      "\nwait; exit 1;;\nesac\nexec " + FindOnPath("tar") + " \"$@\"\n",
                  0755);
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
    std::string pids = tmp / "hanging.pids";
    std::string scratch = tmp / "scratch";
};

TEST_F(DamagedDistribution, DamagedItemArchivesAreNamedWithGtarsFirstErrorAndLeftOut) {
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
        const char* error;
    } damaged[] = {
        {"arm/linux86_bsp_notgz.tgz", "gzip: stdin: not in gzip format"},
        {"alltargets/linux86_bsp_empty.tgz", "gzip: stdin: unexpected end of file"},
        {"alltargets/linux86_bsp_cut.tgz", "gzip: stdin: unexpected end of file"},
        {"coldfire/linux86_bsp_random.tgz", "gzip: stdin: not in gzip format"},
        {"mips/linux86_bsp_dir.tgz", "Cannot read: Is a directory"},
    };
    for (const auto& d : damaged) {
        std::regex line("\n" + dist.path(d.archive) + ": [^\n]*" + d.error + "\n");
        EXPECT_TRUE(std::regex_search(err, line)) << d.archive << "\n" << err;
    }
    // One line each: the later sound archive of a damaged item is not looked at.
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 6) << err;
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
    // An item whose description member unpacks as a FIFO.
    ASSERT_EQ(mkfifo(dist.path("ppc/linux86_bsp_pipe.tgz").c_str(), 0644), 0);
    std::string stage = tmp / "stage";
    ASSERT_EQ(ShellStatus("mkdir -p '" + stage + "/fifo' && mkfifo '" + stage +
                          "/fifo/readme.txt' && tar -C '" + stage + "' -czf '" +
                          dist.path("alltargets/linux86_bsp_fifo.tgz") + "' ./fifo"),
              0);

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
                         dist.path("ppc/linux86_bsp_pipe.tgz") + ": not a regular file\n" +
                         dist.path("alltargets/linux86_bsp_fifo.tgz") +
                         ": ./fifo/readme.txt is not a regular file\n"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(DirectoryEmpty(scratch));
}

TEST_F(DamagedDistribution, AScanCommandThatOutlivesTheTimeoutIsStoppedWithItsGroup) {
    dist.Basic().Item(Bsp("good", "Good Board")).Item(Bsp("slow", "Slow Board"));
    ASSERT_TRUE(dist.Build());
    HangingGtar("slow", "trap '' TERM", ""); // and so does its child: KILL after the grace

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
    std::vector<pid_t> hanging = NumbersIn(pids);
    ASSERT_EQ(hanging.size(), 2u);
    for (pid_t pid : hanging) EXPECT_TRUE(Gone(pid)) << pid;
    EXPECT_TRUE(DirectoryEmpty(scratch));

    for (const char* value : {"0", "x", "2000001"}) {
        r = RunSetup({"-scan_timeout", value});
        EXPECT_EQ(r.status, 1) << value;
        EXPECT_EQ(r.err.find("-scan_timeout needs a number of seconds from 1 to 2000000.\n"), 0u)
            << r.err;
    }
}

TEST_F(DamagedDistribution, SignalsDuringTheScanStopTheCommandAndRemoveTheScanTree) {
    dist.Basic().Item(Bsp("slow", "Slow Board"));
    ASSERT_TRUE(dist.Build());
    const std::string stopped = "stopped 1 running command \\(gtar, process [0-9]+\\)\\.\n";
    const struct {
        const char* name;
        int status;
        std::string err;
    } cases[] = {
        {"TERM", 2, "setup: error: Terminated: " + stopped},
        {"HUP", 2, "setup: error: Interrupt \\(1\\): " + stopped},
        {"ABRT", 128 + SIGABRT, ""}, // fatal: the process dies of it, as without the trap
    };
    for (const auto& c : cases) {
        // The signal comes from the scan command itself, to the program that runs it (its
        // parent, or the shell's parent).
        HangingGtar("slow", "",
                    "p=$PPID; [ \"$(cat /proc/$p/comm)\" = setup ] || p=$(cut -d' ' -f4 "
                    "/proc/$p/stat); kill -s " +
                        std::string(c.name) + " $p");
        unlink(pids.c_str());
        ProgramResult r = RunSetup({});
        EXPECT_EQ(r.status, c.status) << c.name << r.err;
        EXPECT_TRUE(std::regex_match(r.err, std::regex(c.err))) << c.name << ": " << r.err;
        ASSERT_EQ(NumbersIn(pids).size(), 2u) << c.name;
        for (pid_t pid : NumbersIn(pids)) EXPECT_TRUE(Gone(pid)) << c.name << ": " << pid;
        if (c.status == 2) {
            EXPECT_TRUE(DirectoryEmpty(scratch)) << c.name << ": the tree stayed";
        }
        ShellStatus("rm -rf '" + scratch + "'/*");
    }
}
} // namespace
