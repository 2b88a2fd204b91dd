// The installer against the bare work it stands for, on two sets of archives: the
// toolchain-like set (bench_support's ToolchainSet: 24 archives, 6,000 files, about 430 MB
// unpacked) and the 200 x 100-file set, where creating files is most of the work. Each run
// times a loop of "tar -xzf" followed by "chmod a-w" and, against it, the engine in
// process (the default jobs, and -jobs 1), the program as "setup -nodisplay -install" and
// the wizard on a private Xvfb, each in a child of its own so that its processor time and
// peak memory are its own. Prints medians, ratios of medians and the targets, then where
// the time goes (inflating, gtar's writing, the walks, the window). Once per set, outside
// the timing, every installed tree is compared with the loop's (paths, modes, contents).
// Run: TMPDIR=/dev/shm bench_install [runs [sets]]: 5 runs of "toolchain,small" by default.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "setup/components.h"
#include "setup/engine/inflate_pipeline.h"
#include "setup/engine/install_engine.h"
#include "setup/install_options.h"
#include "setup/setup_entry.h"
#include "setup/wizard/setup_mainwindow.h"
#include "shared/indgen.h"
#include "windlib/button/wbutton.h"
#include "windlib/config/config_options.h"
#include "windlib/wabout.h"
#include "windlib/wstartup.h"
#include "windlib/wtimer.h"
#include "windlib/wutility.h"
#include "windlib/x11/xdrawlib.h"
#include "xswitch/xswitch.h"

namespace {

// ---- Sets, distributions and trees -------------------------------------------------------

struct BenchSet {
    std::string name;
    std::vector<std::string> archives;         // the set's archives, in the order they install
    std::vector<std::string> items;            // their items of the "bsp" set, in the same order
    std::string root;                          // the distribution made of them
    double target, wizardTarget, oneJobTarget; // for the ratios of the elapsed medians
};

std::string Basename(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// The distribution of a set: its archives as items of the "bsp" set in alltargets/ (hard
// links where the file system allows), a catalog naming them, the markers that make
// discovery offer the linux86 host and the "vstartd" type (whose archives for linux86 do
// not exist, so that nothing but the items is installed), and an empty target directory
// for the wizard's Target page.
bool MakeDistribution(BenchSet* set) {
    std::string root = set->root, marker = root + ".marker";
    std::string script = "set -e\nmkdir -p '" + root + "/alltargets' '" + root + "/info' '" + root +
                         "/ppc' '" + marker + "'\necho marker > '" + marker + "/marker'\n";
    for (const char* name : {"linux86_tools.tgz", "unix_part_vstartd.tgz"})
        script += "tar -C '" + marker + "' -czf '" + root + "/alltargets/" + name + "' .\n";
    script += "rm -rf '" + marker + "'\n";
    std::string catalog;
    for (const std::string& archive : set->archives) {
        std::string base = Basename(archive); // linux86_bsp_X.tgz
        std::string item = base.substr(8, base.size() - 12);
        set->items.push_back(item);
        catalog += "BEGIN bsp\n" + item + "\nBoard " + item + "\n0\n20\nEND bsp\n";
        script += "ln '" + archive + "' '" + root + "/alltargets/" + base +
                  "' 2>/dev/null || cp '" + archive + "' '" + root + "/alltargets/" + base + "'\n";
    }
    return WriteText(root + ".sh", script) && Shell("/bin/sh '" + root + ".sh'") &&
           WriteText(root + "/info/bsplist.txt", catalog + "END FILE");
}

// Every path below `dir` but the installer's own folder with its type and mode, then the
// checksum of every file; sorted.
std::string TreeListing(const std::string& dir) {
    std::string command = "cd '" + dir +
                          "' && export LC_ALL=C && find . -path ./.setup -prune -o -printf '%p "
                          "%M\\n' | sort && find . -path ./.setup -prune -o -type f -print0 | "
                          "sort -z | xargs -0 -r sha256sum";
    std::string listing;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            listing.append(buffer, got);
        pclose(pipe);
    }
    return listing;
}

// "identical", or the first line where the trees differ.
std::string CompareTrees(const std::string& listing, const std::string& expected) {
    if (listing == expected) return "identical";
    size_t at = 0;
    while (at < listing.size() && at < expected.size() && listing[at] == expected[at]) at++;
    size_t start = listing.rfind('\n', at == 0 ? 0 : at - 1);
    start = start == std::string::npos ? 0 : start + 1;
    return "DIFFERENT at \"" + listing.substr(start, listing.find('\n', start) - start) + "\"";
}

void RemoveTree(const std::string& dir) {
    Shell("chmod -R u+w '" + dir + "' 2>/dev/null; rm -rf '" + dir + "'");
}

// ---- Measuring in a child ----------------------------------------------------------------

struct Measured {
    Cost cost;
    double peakMiB = 0;
    bool ok = false;
};

// Runs `work` in a child of its own. The cost is what the work measured itself (so that
// setting up is left out); the peak memory is the system's count for the child and every
// process it waited for.
Measured InChild(const std::function<bool(Cost*)>& work) {
    Measured m;
    int fds[2];
    if (pipe(fds) != 0) return m;
    fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        Cost cost;
        bool ok = work(&cost);
        ssize_t sent = write(fds[1], &cost, sizeof cost);
        _exit(ok && sent == sizeof cost ? 0 : 1);
    }
    close(fds[1]);
    int status = -1;
    rusage usage = {};
    if (child > 0) wait4(child, &status, 0, &usage);
    m.ok = child > 0 && read(fds[0], &m.cost, sizeof m.cost) == sizeof m.cost &&
           WIFEXITED(status) && WEXITSTATUS(status) == 0;
    close(fds[0]);
    m.peakMiB = usage.ru_maxrss / 1024.0;
    return m;
}

// A whole program from start to end, its output to `logFile`; cost and peak as the
// system counted them for it and its children.
Measured Program(const std::vector<std::string>& words, const std::string& logFile) {
    std::vector<std::string> copy = words;
    std::vector<char*> argv;
    for (std::string& word : copy) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    Measured m;
    fflush(nullptr);
    timeval start, end;
    gettimeofday(&start, nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        FILE* log = fopen(logFile.c_str(), "w");
        if (log) dup2(fileno(log), 1), dup2(fileno(log), 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = -1;
    rusage usage = {};
    if (pid > 0) wait4(pid, &status, 0, &usage);
    gettimeofday(&end, nullptr);
    m.cost.wall = (end.tv_sec - start.tv_sec) * 1000.0 + (end.tv_usec - start.tv_usec) / 1000.0;
    m.cost.children = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                      (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    m.peakMiB = usage.ru_maxrss / 1024.0;
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return m;
}

// ---- The contenders ----------------------------------------------------------------------

std::string scratch, util, display;

std::string SetupProgram() {
    return std::string(VT_BINARY_DIR) + "/bin/setup";
}

// The options record as the program leaves it for these words, every item chosen.
void TakeOptions(std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    int argc = static_cast<int>(words.size());
    InitializeSegments();
    installOptions.GetCommandLineArguments(argv.data(), argc);
    if (!installOptions.noDisplay) {
        init_prior_to_gui(&argc, argv.data());
        for (const char* name : {"MRUService", "ServiceRouter", "WindowManager"})
            setXSwitch(name, false);
        if (!WGUIInit(&argc, argv.data(), nullptr, false, false, 20003)) return;
        cfg_SetEverythingToDefaults();
    }
    installOptions.SetDefaults(argv.data(), argc);
    for (int n = 0; n < installOptions.numBSPs; n++) installOptions.bsps[n]->selected = true;
}

bool EngineRun(const BenchSet& set, const std::string& target, int jobs, Cost* cost) {
    std::vector<std::string> words = {"setup",     "-nodisplay", "-source_dir", set.root,
                                      "-util_dir", util,         "-target_dir", target};
    if (jobs > 0) words.insert(words.end(), {"-jobs", std::to_string(jobs)});
    StdoutToFile log(scratch + "/engine.log");
    TakeOptions(words);
    Stopwatch watch;
    int status = DoInstall(nullptr, 0);
    *cost = watch.Read();
    return status == kInstallSucceeded;
}

Cost installCost;
mHandle* pressTimer = nullptr;

// Presses the wizard's buttons as clicks would, one per tick: Next page by page, then on the
// Summary page Install (timed: the engine runs inside its handler), then Finish.
int PressNext(void*, int) {
    MainWindow* w = theMainWindow;
    if (!w || !w->bNext) return 1;
    xinLibSt click = {};
    click.kind = kXinMouse;
    click.d = -1;
    click.f = 1;
    if (installOptions.installFinished) {
        w->bCancel->activate(&click);
        return 1;
    }
    const Segment* page = theRuntimeSegments[installOptions.currentSegment];
    Stopwatch watch;
    w->bNext->activate(&click);
    if (page->index == kSegSummary) installCost = watch.Read();
    ExtraProcess_SetTimeout(pressTimer, 20);
    return 0;
}

// The program's own start-up, wizard and window loop; the cost is the Install press's.
bool WizardRun(const BenchSet& set, const std::string& target, Cost* cost) {
    std::vector<std::string> words = {"setup",     "-source_dir", set.root,   "-target_dir", target,
                                      "-util_dir", util,          "-display", display};
    StdoutToFile log(scratch + "/wizard.log");
    TakeOptions(words);
    theMainWindow = new MainWindow;
    pressTimer = ExtraProcess_Create(kExtraTimer, 100, PressNext, nullptr, nullptr);
    DoWindowLoop();
    *cost = installCost;
    return installOptions.installFinished && !installOptions.cancelled;
}

// Each archive with "tar -xzf" in order, then every file made read-only.
std::string TarLoop(const BenchSet& set, const std::string& target) {
    std::string loop = "mkdir -p '" + target + "' && cd '" + target + "'";
    for (const std::string& archive : set.archives) loop += " && tar -xzf '" + archive + "'";
    return loop + " && find . -type f -exec chmod a-w {} +";
}

bool ShellRun(const std::string& command, Cost* cost) {
    Stopwatch watch;
    bool ok = Shell(command);
    *cost = watch.Read();
    return ok;
}

enum { kLoop, kEngine, kEngineOneJob, kUnattended, kWizard, kContenders };
const char* const kNames[kContenders] = {"tar -xzf + chmod a-w loop", "engine", "engine -jobs 1",
                                         "setup -nodisplay -install", "wizard (Xvfb)"};
static_assert(sizeof kNames / sizeof *kNames == kContenders, "one name per contender");

Measured RunContender(int which, const BenchSet& set, const std::string& target) {
    switch (which) {
    case kLoop:
        return InChild([&](Cost* c) { return ShellRun(TarLoop(set, target), c); });
    case kEngine:
        return InChild([&](Cost* c) { return EngineRun(set, target, 0, c); });
    case kEngineOneJob:
        return InChild([&](Cost* c) { return EngineRun(set, target, 1, c); });
    case kUnattended: {
        std::string answers = scratch + "/" + set.name + ".answers", boards = "boards = ";
        for (size_t i = 0; i < set.items.size(); i++) boards += (i ? ", " : "") + set.items[i];
        WriteText(answers, boards + "\n");
        return Program({SetupProgram(), "-nodisplay", "-install", "-source_dir", set.root,
                        "-util_dir", util, "-answers", answers, "-target_dir", target},
                       scratch + "/program.log");
    }
    default:
        return InChild([&](Cost* c) { return WizardRun(set, target, c); });
    }
}

// ---- The comparison ----------------------------------------------------------------------

struct Series {
    std::vector<double> wall, cpu, peak;
    int failures = 0;
    void Add(const Measured& m) {
        wall.push_back(m.cost.wall), cpu.push_back(m.cost.Cpu()), peak.push_back(m.peakMiB);
        failures += !m.ok;
    }
};

void PrintTable(const BenchSet& set, const Series (&series)[kContenders]) {
    const Series& loop = series[kLoop];
    double loopWall = Median(loop.wall), loopCpu = Median(loop.cpu);
    printf("%-27s %9s %9s %10s %8s %6s %8s\n", "", "elapsed", "cpu", "peak", "ratio", "cpu",
           "target");
    for (int c = 0; c < kContenders; c++) {
        const Series& s = series[c];
        double wall = Median(s.wall), cpu = Median(s.cpu);
        printf("%-27s %6.0f ms %6.0f ms %6.1f MiB", kNames[c], wall, cpu, Median(s.peak));
        if (c != kLoop) {
            double target = c == kWizard         ? set.wizardTarget
                            : c == kEngineOneJob ? set.oneJobTarget
                                                 : set.target;
            printf(" %8.3f %6.3f  <= %.2f %s", wall / loopWall, cpu / loopCpu, target,
                   wall / loopWall <= target ? "met" : "MISSED");
        }
        if (s.failures) printf("  (%d runs FAILED)", s.failures);
        printf("\n");
    }
    printf("peak memory limit: -buffer_mb 256 + 32 MiB beyond the program's own\n");
}

// The trees of run 0, before they go: each against the loop's.
void CheckTrees(const std::string (&targets)[kContenders]) {
    std::string expected = TreeListing(targets[kLoop]);
    for (int c = kEngine; c < kContenders; c++)
        printf("tree of %s: %s\n", kNames[c],
               CompareTrees(TreeListing(targets[c]), expected).c_str());
}

// ---- Where the time goes -----------------------------------------------------------------

int RunPipeline(const std::vector<std::string>& archives) {
    InflatePipeline pipeline(archives);
    std::string error;
    if (!pipeline.Start(&error)) return 1;
    for (size_t k = 0; k < archives.size(); k++) {
        InflatePipeline::Piece piece;
        InflatePipeline::Step step;
        while ((step = pipeline.Next(&piece, nullptr)) == InflatePipeline::kPiece ||
               step == InflatePipeline::kNotYet) {
            if (step == InflatePipeline::kPiece) pipeline.Consumed(piece.size);
            if (step == InflatePipeline::kNotYet) {
                fd_set ready;
                FD_ZERO(&ready);
                FD_SET(pipeline.Descriptor(), &ready);
                select(pipeline.Descriptor() + 1, &ready, nullptr, nullptr, nullptr);
            }
        }
        if (step != InflatePipeline::kEnded) return 1;
        pipeline.NextArchive();
    }
    return 0;
}

void PrintBreakdown(const BenchSet& set, const Series (&series)[kContenders], int runs) {
    Series inflate, gtar, finalPass, shellPass, firstWalk;
    std::string raw = scratch + "/raw", tree = scratch + "/bare";
    std::string unpack = "rm -rf '" + raw + "' && mkdir '" + raw + "'";
    for (size_t i = 0; i < set.archives.size(); i++)
        unpack +=
            " && gzip -dc '" + set.archives[i] + "' > '" + raw + "/" + std::to_string(i) + ".tar'";
    Shell(unpack);
    std::string bare = "mkdir -p '" + tree + "' && cd '" + tree + "'";
    for (size_t i = 0; i < set.archives.size(); i++)
        bare += " && tar -xf '" + raw + "/" + std::to_string(i) + ".tar'";
    for (int run = 0; run < runs; run++) {
        inflate.Add(InChild([&](Cost* c) {
            Stopwatch watch;
            int failed = RunPipeline(set.archives);
            *c = watch.Read();
            return failed == 0;
        }));
        gtar.Add(InChild([&](Cost* c) { return ShellRun(bare, c); }));
        // The passes over the tree gtar just made: one add walk as over a tree found in
        // place, the read-only pass, and the shell's read-only pass.
        installOptions.cancelRequested = installOptions.cancelled = false;
        Stopwatch walk;
        DoAddWritePermission(tree.c_str());
        firstWalk.Add({walk.Read(), 0, true});
        ForgetInstallTree();
        Stopwatch pass;
        DoRemoveWritePermission(tree.c_str());
        finalPass.Add({pass.Read(), 0, true});
        Shell("chmod -R u+w '" + tree + "'");
        shellPass.Add(InChild([&](Cost* c) {
            return ShellRun("cd '" + tree + "' && find . -type f -exec chmod a-w {} +", c);
        }));
        RemoveTree(tree);
    }
    RemoveTree(raw);
    auto line = [](const char* what, const Series& s) {
        printf("  %-44s %6.0f ms, cpu %6.0f ms\n", what, Median(s.wall), Median(s.cpu));
    };
    printf("where the time goes (medians of %d):\n", runs);
    line("inflating alone (pipeline, default jobs)", inflate);
    line("gtar alone on the inflated streams", gtar);
    line("one add walk over the whole tree", firstWalk);
    line("the engine's read-only pass", finalPass);
    line("the loop's find + chmod a-w", shellPass);
    double engine = Median(series[kEngine].wall), wizard = Median(series[kWizard].wall);
    printf("  %-44s %6.0f ms\n", "engine beyond gtar alone", engine - Median(gtar.wall));
    printf("  %-44s %6.0f ms, cpu %6.0f ms\n", "window (wizard minus engine)", wizard - engine,
           Median(series[kWizard].cpu) - Median(series[kEngine].cpu));
}

// Add walks the engine made during its last run, from its log.
int WalksInLog(const std::string& target) {
    std::string command = "grep -c 'writable again: an earlier archive' '" + target +
                          "/.setup/install.log' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    int count = 0;
    if (pipe && fscanf(pipe, "%d", &count) != 1) count = 0;
    if (pipe) pclose(pipe);
    return count;
}

void RunSet(BenchSet& set, int runs) {
    set.root = scratch + "/" + set.name + "_dist";
    if (!MakeDistribution(&set)) {
        fprintf(stderr, "could not make the %s distribution\n", set.name.c_str());
        return;
    }
    long long packed = 0;
    for (const std::string& archive : set.archives) {
        struct stat status;
        if (stat(archive.c_str(), &status) == 0) packed += status.st_size;
    }
    printf("\n== %s set: %zu archives, %.1f MB compressed; %d runs, medians; default jobs %d\n",
           set.name.c_str(), set.archives.size(), packed / 1e6, runs, DefaultInflateJobs());
    fflush(stdout);
    Series series[kContenders];
    int walks = 0;
    for (int run = 0; run < runs; run++) {
        std::string targets[kContenders];
        for (int turn = 0; turn < kContenders; turn++) {
            // Rotated, so that none always meets what another left the file system to do.
            int c = (run + turn) % kContenders;
            targets[c] = scratch + "/" + set.name + "_" + std::to_string(c);
            sync();
            series[c].Add(RunContender(c, set, targets[c]));
        }
        walks += WalksInLog(targets[kEngine]);
        printf("run %d:", run + 1);
        for (int c = 0; c < kContenders; c++) printf(" %.0f", series[c].wall.back());
        printf(" ms\n");
        fflush(stdout);
        if (run == 0) CheckTrees(targets);
        for (const std::string& target : targets) RemoveTree(target);
    }
    PrintTable(set, series);
    printf("add walks during the engine's runs: %d\n", walks);
    PrintBreakdown(set, series, runs);
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    if (runs < 1) runs = 1;
    std::string sets = argc > 2 ? argv[2] : "toolchain,small";
    scratch = MakeScratchDir("vt_bench_install");
    if (scratch.empty()) return 1;
    util = scratch + "/util";
    // Settings and window positions go to a home of the benchmark's own.
    Shell("mkdir -p '" + scratch + "/home'");
    setenv("HOME", (scratch + "/home").c_str(), 1);
    gen_init(argv[0], 0, 0);
    abSetup("Veltrane Installer", "Installation", "About the Veltrane Installer", nullptr);
    if (!LinkUtilities(util)) return 1;
    pid_t xvfb = StartXvfb(&display);
    if (xvfb < 0) {
        fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    fflush(stdout);
    Shell("uptime");

    if (sets.find("toolchain") != std::string::npos) {
        BenchSet set = {"toolchain", ToolchainSet(), {}, "", 0.55, 0.60, 0.65};
        if (set.archives.empty())
            fprintf(stderr, "the toolchain-like set could not be made\n");
        else
            RunSet(set, runs);
    }
    if (sets.find("small") != std::string::npos) {
        std::string source = scratch + "/small_src";
        BenchSet set = {"small", {}, {}, "", 1.0, 1.0, 1.0};
        if (MakeInstallBenchSet(source)) {
            for (int n = 0; n < kInstallBenchArchives; n++) {
                char name[64];
                snprintf(name, sizeof name, "/alltargets/linux86_bsp_n%03d.tgz", n);
                set.archives.push_back(source + name);
            }
            RunSet(set, runs);
        }
    }
    fflush(stdout);
    Shell("uptime");
    StopXvfb(xvfb);
    return 0; // the scratch directory goes at exit
}
