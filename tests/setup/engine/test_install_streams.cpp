// Archives inflated by the installer and fed to gtar as streams: the tree is the one a
// "tar -xzf" loop gives, whatever the jobs and the budget; the later of two archives wins;
// damaged archives are named and the others installed; the tree is made writable again
// only where an earlier archive left something read-only in the way (checked as a user
// whom read-only directories stop); a cancel or a signal at any moment leaves no thread
// and no child behind.
#include <signal.h>
#include <sys/wait.h>

#include <random>
#include <sstream>

#include "setup/engine/test_install_engine_support.h"
#include "setup/test_tree_listing.h"
#include "shared/libcxxutil/ut_idle.h"
#include "support/run_program.h"

namespace {
InstallOptions& o = installOptions;

bool NoChildLeft() {
    int status;
    return waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The archives a run announced, in order ("[k/n] Expanding: <archive>").
std::vector<std::string> Announced(const std::string& out) {
    std::vector<std::string> archives;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        size_t at = line.find("] Expanding: ");
        if (line[0] == '[' && at != std::string::npos) archives.push_back(line.substr(at + 13));
    }
    return archives;
}

// What a user gets by hand: each archive with "tar -xzf" in order, every file made
// read-only, then each manual unpacked into manuals/ as the distribution's helpInstall does.
std::string TarLoop(const std::vector<std::string>& archives, const std::string& dir) {
    std::string script = "set -e; mkdir -p '" + dir + "'; cd '" + dir + "'\n";
    for (const std::string& archive : archives) script += "tar -xzf '" + archive + "'\n";
    script += "find . -type f -exec chmod a-w {} +\n"
              "if [ -d manuals ]; then for m in manuals/*.tar.gz; do gzip -dc \"$m\" | "
              "(cd manuals && tar -xf -); done; fi\n";
    EXPECT_EQ(ShellStatus(script), 0);
    return TreeListing(dir);
}

TEST(InstallStreams, DemoDistributionGivesTheTarLoopsTreeWhateverTheJobsAndBudget) {
    ScopedTempDir tmp;
    const std::vector<std::vector<std::string>> ways = {
        {"-jobs", "1"}, {}, {"-jobs", "4", "-buffer_mb", "1"}};
    std::string expected;
    for (size_t i = 0; i < ways.size(); i++) {
        std::string target = tmp / ("installed" + std::to_string(i));
        std::vector<std::string> argv = {SetupProgram(), "-nodisplay", "-install", "-target_dir",
                                         target};
        argv.insert(argv.end(), ways[i].begin(), ways[i].end());
        ProgramOptions options;
        options.unsetEnv = {"DISPLAY"};
        ProgramResult run = RunProgram(argv, options);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        std::vector<std::string> archives = Announced(run.out);
        ASSERT_GE(archives.size(), 10u) << run.out;
        if (expected.empty()) expected = TarLoop(archives, tmp / "by_hand");
        EXPECT_EQ(TreeListing(target), expected) << ways[i].size();
    }
}

class StreamTest : public EngineTest {
protected:
    StreamTest() {
        o.inflateJobs = 0;
        o.bufferMb = 0;
    }
    ~StreamTest() override { o.inflateJobs = o.bufferMb = 0; }
    std::string Log() const { return ReadFile(target + "/.setup/install.log"); }
};

TEST_F(StreamTest, DamagedArchivesAreNamedAndTheOthersInstalled) {
    UtilTools();
    dist.Archive("ppc/linux86_tools.tgz", {{"ppc.txt", "ppc"}})
        .HostTools("linux86", {{"host.txt", "host"}})
        .Archive("ppc/allhosts_tools.tgz", {{"all.txt", "all"}})
        .InstallType("ide");
    Prepare();
    // A gzip file cut short, and a good gzip file of something that is not tar.
    const std::string cut = dist.path("ppc/linux86_tools.tgz");
    const std::string plain = dist.path("ppc/allhosts_tools.tgz");
    ASSERT_EQ(ShellStatus("head -c 200 /dev/urandom | gzip > '" + cut + ".big' && head -c 60 '" +
                          cut + ".big' > '" + cut +
                          "' && yes text 2>/dev/null | head -c 5000 | gzip > '" + plain + "'"),
              0);
    int status = 0;
    Capture([&] { status = DoInstall(nullptr, 0); });

    EXPECT_EQ(status, kInstallFailed);
    std::vector<std::string> errors = view.Texts("E");
    auto named = [&](const std::string& start) {
        for (const std::string& e : errors)
            if (e.compare(0, start.size(), start) == 0) return true;
        return false;
    };
    EXPECT_TRUE(named(cut + ": corrupt compressed data at byte ")) << printed;
    EXPECT_TRUE(named(plain + ": bad tar header")) << printed;
    EXPECT_EQ(ReadFile(target + "/host.txt"), "host");
    EXPECT_TRUE(Contains(view.Report(),
                         "2 of 4 archives could not be expanded:\n\t" + cut + "\n\t" + plain))
        << view.Report();
}

TEST_F(StreamTest, LaterArchiveWinsWithoutAnyWalkWhenNothingIsReadOnly) {
    UtilTools();
    // Nothing read-only: the second archive writes over the first without any walk, which
    // would have given the directory group write.
    dist.HostTools("linux86", {{"shared/same.txt", "first", 0644}})
        .Archive("alltargets/allhosts_tools.tgz", {{"shared/same.txt", "second", 0644}});
    Prepare();
    Install();
    EXPECT_EQ(view.Report(), "IInstallation Completed");
    EXPECT_EQ(ReadFile(target + "/shared/same.txt"), "second");
    EXPECT_EQ(ModesBelow(target)["shared"], kIsDir | 0755);
    EXPECT_FALSE(Contains(Log(), "writable again"));
}

// As a user whom permissions stop (root is not stopped by a read-only directory): the
// first archive leaves a read-only file and a read-only directory, the second writes over
// the one and into the other, and a third adds beside them where nothing is in the way.
TEST(InstallStreamsAsUser, ReadOnlyLeftByAnEarlierArchiveIsMadeWritableFirst) {
    ScopedTempDir tmp;
    std::vector<std::string> prefix;
    if (geteuid() == 0) {
        if (FindOnPath("setpriv").empty()) GTEST_SKIP() << "no setpriv to run as another user";
        prefix = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        std::vector<std::string> probe = prefix;
        probe.insert(probe.end(), {"test", "-x", SetupProgram()});
        if (RunProgram(probe).status != 0) GTEST_SKIP() << "the program is out of reach of nobody";
        ASSERT_EQ(
            ShellStatus("chmod 755 '" + tmp.path() + "' && mkdir -m 777 '" + tmp / "home" + "'"),
            0);
    } else {
        ASSERT_EQ(ShellStatus("mkdir '" + tmp / "home" + "'"), 0);
    }
    DistFixture dist(tmp / "dist");
    dist.HostTools("linux86")
        .Archive("ppc/linux86_tools.tgz", {{"open/b", "b"}})
        .Archive("ppc/allhosts_tools.tgz", {{"ro.txt", "second", 0644}, {"locked/c", "c"}})
        .InstallType("ide");
    ASSERT_TRUE(dist.Build());
    // The first archive's directory is read-only, as packed.
    ASSERT_EQ(ShellStatus("cd '" + tmp.path() +
                          "' && mkdir -p s/locked && echo a > s/locked/a "
                          "&& echo first > s/ro.txt && chmod 444 s/ro.txt s/locked/a && chmod 555 "
                          "s/locked && tar -C s -czf '" +
                          dist.path("alltargets/linux86_tools.tgz") + "' . && chmod -R u+w s"),
              0);
    const std::string util = tmp / "util", target = tmp / "home/target";
    ASSERT_EQ(ShellStatus("mkdir -p '" + util + "' && ln -s '" + FindOnPath("tar") + "' '" + util +
                          "/gtar' && ln -s '" + FindOnPath("gzip") + "' '" + util + "/gzip'"),
              0);
    prefix.insert(prefix.end(), {SetupProgram(), "-nodisplay", "-install", "-source_dir",
                                 dist.root(), "-util_dir", util, "-target_dir", target});
    ProgramOptions options;
    options.unsetEnv = {"DISPLAY"};
    options.extraEnv = {"HOME=" + tmp / "home", "TMPDIR=" + tmp / "home"};
    ProgramResult run = RunProgram(prefix, options);

    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(ReadFile(target + "/ro.txt"), "second");
    EXPECT_EQ(ReadFile(target + "/locked/c"), "c");
    EXPECT_EQ(ReadFile(target + "/open/b"), "b");
    std::string log = ReadFile(target + "/.setup/install.log");
    size_t walk = log.find("writable again: an earlier archive left ");
    EXPECT_NE(walk, std::string::npos) << log;
    EXPECT_EQ(log.find("writable again", walk + 1), std::string::npos) << "one walk is enough";
}

// Sets off a cancel when it fires: the Cancel button's flag, or a termination signal.
struct Interrupter : TimerListener {
    bool bySignal = false;
    void handleTimer(long long) override {
        if (bySignal)
            kill(getpid(), SIGTERM);
        else
            installOptions.cancelRequested = true;
    }
    bool isTimerSafe() override { return true; }
};

TEST_F(StreamTest, CancelOrSignalAtAnyMomentLeavesNoThreadAndNoChild) {
    UtilTools();
    // The eight archives of the "ide" type, of 3 MB each that compress well, so that
    // inflating runs ahead of gtar.
    const char* const names[] = {"ppc/linux86_tools",        "ppc/linux86_docs",
                                 "ppc/allhosts_tools",       "ppc/allhosts_docs",
                                 "alltargets/linux86_tools", "alltargets/linux86_docs",
                                 "alltargets/allhosts_docs", "alltargets/allhosts_tools"};
    std::string script =
        "set -e; mkdir -p '" + dist.path("ppc") + "' '" + dist.path("alltargets") + "'\n";
    for (const char* name : names) {
        std::string stage = tmp / ("stage/" + std::string(name));
        script += "mkdir -p '" + stage + "' && for i in 1 2 3; do seq 1 150000 > '" + stage +
                  "/f$i'; done && tar -C '" + stage + "' -czf '" +
                  dist.path(std::string(name) + ".tgz") + "' .\n";
    }
    ASSERT_EQ(ShellStatus(script), 0);
    Prepare();
    GetTGZList();
    ASSERT_EQ(o.tgzList.size(), 9u);

    const int threadsBefore = CountEntries("/proc/self/task");
    std::mt19937 random(14);
    for (int round = 0; round < 12; round++) {
        Interrupter interrupter;
        interrupter.bySignal = round % 2 == 1;
        long delay = static_cast<long>(random() % 140);
        view = RecordingView();
        o.cancelRequested = o.cancelled = false;
        o.inflateJobs = 4;
        o.targetDir = gen_copy((target + std::to_string(round)).c_str());
        getIdleNotifier()->addTimerListener(&interrupter, delay);
        int status = 0;
        Capture([&] { status = DoInstall(nullptr, 0); });
        getIdleNotifier()->removeTimerListener(&interrupter);
        EXPECT_EQ(CountEntries("/proc/self/task"), threadsBefore) << "after " << delay << " ms";
        EXPECT_TRUE(NoChildLeft()) << "after " << delay << " ms";
        if (o.cancelled) {
            EXPECT_EQ(status, interrupter.bySignal ? 128 + SIGTERM : kInstallFailed);
        }
    }
}

} // namespace
