// Damaged and hostile distributions: item archives that do not unpack, catalog entries that
// name nothing, FIFOs where text files belong, a scan command that never ends, and signals
// that arrive while one runs. Each must be named, leave its item out, and leave nothing
// behind: no process, no scan tree.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

#include "setup/discovery/test_discovery_support.h"
#include "support/run_program.h"

namespace {
const InstallOptions& o = installOptions;

// True once the process is gone or only a zombie that its new parent has yet to reap.
bool Gone(pid_t pid) {
    if (kill(pid, 0) != 0) return errno == ESRCH;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    size_t end = text.rfind(')');
    return end != std::string::npos && end + 2 < text.size() && text[end + 2] == 'Z';
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
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
    }

    // A gtar that, for archives of the item `item`, records its own process number and that
    // of a child it starts, and then waits for ever (ignoring TERM when `stubborn`);
    // any other archive it hands to the real tar.
    void HangingGtar(const std::string& item, bool stubborn) {
        ASSERT_EQ(unlink((util + "/gtar").c_str()), 0);
        WriteFile(util + "/gtar",
                  "#!/bin/sh\ncase \"$*\" in *_bsp_" + item + ".tgz*)\n" +
                      (stubborn ? "  trap '' TERM\n" : "") + "  sleep 300 &\n  echo $$ $! > " +
                      pids + "\n  wait\n  exit 1;;\nesac\nexec " + FindOnPath("tar") + " \"$@\"\n",
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

    testing::internal::CaptureStderr();
    Discover(dist.root());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Failed to parse component list.\n"
              "bsp_gone: no archive of it in " +
                  dist.path("ppc") +
                  "\n"
                  "bsp_kept: the target index 4294967311 is out of range\n"
                  "bsp_kept: the target index -2 is out of range\n"
                  "bsp_kept: the target index \"2x\" is not a number\n"
                  "bsp_\\033[2J: no archive of it in " +
                  dist.path("alltargets") +
                  "\n"
                  "Try removing " +
                  catalog + ".\n");
    ASSERT_EQ(o.numBSPs, 2);
    EXPECT_STREQ(FindItem(o.bsps, "bsp_kept")->description, "Kept");
    EXPECT_EQ(FindItem(o.bsps, "bsp_kept")->targetIndex, kAllTargets);
    EXPECT_TRUE(FindItem(o.bsps, "bsp_flag")->hidden); // too large, but not zero
}

TEST_F(DamagedDistribution, NonRegularFilesAreRefusedByTypeInsteadOfBlocking) {
    dist.Basic().Item(Bsp("good", "Good Board"));
    ASSERT_TRUE(dist.Build());
    MakeDirectory(dist.path("info"));
    MakeDirectory(scratch);
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
    MakeDirectory(scratch);
    HangingGtar("slow", true);

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

// The program started in the background, so that a signal can reach it mid-scan.
class SetupInBackground {
public:
    SetupInBackground(const std::vector<std::string>& args, const std::string& dir,
                      const std::string& tmpdir)
        : errPath_(dir + "/setup.err") {
        pid_ = fork();
        if (pid_ == 0) {
            int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(err, 2);
            if (chdir(dir.c_str()) != 0) _exit(126);
            setenv("TMPDIR", tmpdir.c_str(), 1);
            std::vector<std::string> words = {SetupProgram()};
            words.insert(words.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& w : words) argv.push_back(&w[0]);
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~SetupInBackground() {
        if (status_ == -1 && pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    void signal(int number) { kill(pid_, number); }
    // The wait status once it ended within the time, else -1.
    int wait(int timeoutMs) {
        WaitUntil([this] { return waitpid(pid_, &status_, WNOHANG) == pid_; }, timeoutMs);
        return status_;
    }
    std::string err() const { return ReadFile(errPath_); }

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string errPath_;
};

TEST_F(DamagedDistribution, SignalsDuringTheScanStopTheCommandAndRemoveTheScanTree) {
    dist.Basic().Item(Bsp("slow", "Slow Board"));
    ASSERT_TRUE(dist.Build());
    HangingGtar("slow", false);
    const std::string stopped = "stopped 1 running command \\(gtar, process [0-9]+\\)\\.";
    const struct {
        int signal;
        bool fatal;
        std::string err;
    } cases[] = {
        {SIGTERM, false, "^setup: error: Terminated: " + stopped + "\n$"},
        {SIGHUP, false, "^setup: error: Interrupt \\(1\\): " + stopped + "\n$"},
        {SIGINT, false, "^setup: error: Halted\n$"},
        {SIGSEGV, true, "^$"},
        {SIGABRT, true, "^$"},
    };
    for (const auto& c : cases) {
        std::string tmpdir = tmp / ("scratch" + std::to_string(c.signal));
        MakeDirectory(tmpdir);
        unlink(pids.c_str());
        SetupInBackground setup({"-nodisplay", "-source_dir", dist.root(), "-util_dir", util},
                                tmp.path(), tmpdir);
        ASSERT_TRUE(WaitUntil([&] { return NumbersIn(pids).size() == 2; }, 20000)) << c.signal;
        EXPECT_FALSE(DirectoryEmpty(tmpdir)) << "no scan tree";
        setup.signal(c.signal);
        int status = setup.wait(15000);
        ASSERT_NE(status, -1) << c.signal << ": still running";
        if (c.fatal) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << c.signal;
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << c.signal;
            EXPECT_TRUE(DirectoryEmpty(tmpdir)) << c.signal << ": the scan tree stayed";
        }
        EXPECT_TRUE(std::regex_search(setup.err(), std::regex(c.err))) << setup.err();
        for (pid_t pid : NumbersIn(pids)) EXPECT_TRUE(Gone(pid)) << c.signal << ": " << pid;
    }
}
} // namespace
