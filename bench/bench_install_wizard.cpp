// A whole graphical installation against the bare work it stands for: 200 archives holding
// 20,000 files installed through the wizard's window on a private Xvfb (the window loop
// runs as in the program; a timer presses Next page by page and finally Install, whose
// handler runs the engine with the progress view live), and the same archives expanded by
// a shell loop of "tar -xzf" followed by one "chmod a-w" pass. Prints the median of each,
// the ratio of the medians and the median of each run's own ratio (target: at most 1.25).
// Run: bench_install_wizard [runs], in $TMPDIR (default /tmp).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "setup/components.h"
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
constexpr int kItems = 198; // with the host's tools and the "ide" archive: 200 archives
constexpr int kArchives = kItems + 2;
constexpr int kFilesPerArchive = 100;
static_assert(kArchives * kFilesPerArchive == 20000, "the distribution's size");

// ---- The distribution ------------------------------------------------------------------------

// The archives in the order the wizard expands them, relative to the distribution.
std::vector<std::string> ArchiveNames() {
    std::vector<std::string> names = {"alltargets/linux86_tools.tgz",
                                      "alltargets/allhosts_tools.tgz"};
    for (int n = 0; n < kItems; n++) {
        char name[64];
        snprintf(name, sizeof name, "alltargets/linux86_bsp_n%03d.tgz", n);
        names.push_back(name);
    }
    return names;
}

// One archive's 100 files as shell commands: 10 into the shared bin/ and lib/, 40 into a
// directory it shares with nine others, 50 into a tree of its own, a few read-only. An item
// (`item` not empty) has its description instead of one payload file.
std::string StageScript(const std::string& stage, int n, const std::string& item) {
    std::string own = "pkg" + std::to_string(n), shared = "targets/t" + std::to_string(n % 20);
    std::string tag = std::to_string(n);
    std::string s = "mkdir -p '" + stage + "' && cd '" + stage + "' && mkdir -p bin lib " + shared +
                    "/include " + shared + "/lib " + own + "/a/b " + own + "/c " + own + "/doc\n";
    s += "for k in 0 1 2 3 4; do echo t > bin/tool_" + tag + "_$k; echo a > lib/lib" + tag +
         "_$k.a; done\n";
    s += "for k in $(seq 0 19); do echo h > " + shared + "/include/h" + tag + "_$k.h; echo o > " +
         shared + "/lib/o" + tag + "_$k.o; done\n";
    s += "for k in $(seq 0 9); do echo c > " + own + "/a/s$k.c; echo c > " + own + "/a/b/s$k.c; " +
         "echo c > " + own + "/c/c$k; echo d > " + own + "/doc/d$k.txt; chmod 444 " + own +
         "/doc/d$k.txt; echo f > " + own + "/f$k; done\n";
    if (!item.empty())
        s += "rm " + own + "/f9 && mkdir " + item + " && echo 'Board " + item + "' > " + item +
             "/readme.txt\n";
    return s;
}

bool MakeDistribution(const std::string& root) {
    std::vector<std::string> names = ArchiveNames();
    // An empty target directory: the wizard wants at least one target architecture.
    std::string script =
        "set -e\nmkdir -p '" + root + "/alltargets' '" + root + "/info' '" + root + "/ppc'\n";
    // The catalog, so that discovery reads one file instead of opening every archive.
    std::string catalog;
    for (int n = 0; n < kArchives; n++) {
        std::string stage = root + ".stage/" + std::to_string(n), item;
        if (n >= 2) {
            char record[128];
            snprintf(record, sizeof record, "BEGIN bsp\nbsp_n%03d\nBoard %03d\n0\n20\nEND bsp\n",
                     n - 2, n - 2);
            catalog += record;
            item = "n" + names[n].substr(names[n].size() - 7, 3);
        }
        script += StageScript(stage, n, item) + "cd / && tar -C '" + stage + "' -czf '" + root +
                  "/" + names[n] + "' .\n";
    }
    catalog += "END FILE";
    script += "rm -rf '" + root + ".stage'\n";
    return WriteText(root + ".sh", script) && Shell("/bin/sh '" + root + ".sh'") &&
           WriteText(root + "/info/bsplist.txt", catalog);
}

// ---- The wizard -------------------------------------------------------------------------------

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
    if (page->index == kSegSummary) {
        Stopwatch watch;
        w->bNext->activate(&click);
        installCost = watch.Read();
    } else {
        w->bNext->activate(&click);
    }
    ExtraProcess_SetTimeout(pressTimer, 20);
    return 0;
}

// Runs the program's own start-up, wizard and window loop against `target`.
Cost RunWizard(const std::string& root, const std::string& util, const std::string& target,
               const std::string& display, const std::string& logFile) {
    std::vector<std::string> words = {"setup",     "-source_dir", root,       "-target_dir", target,
                                      "-util_dir", util,          "-display", display};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    int argc = (int)words.size();
    // What a fresh process would start with; discovery sets everything else again.
    installOptions.installStarted = installOptions.installFinished = false;
    InitializeSegments();
    installOptions.GetCommandLineArguments(argv.data(), argc);
    init_prior_to_gui(&argc, argv.data());
    for (const char* name : {"MRUService", "ServiceRouter", "WindowManager"})
        setXSwitch(name, false);
    if (!WGUIInit(&argc, argv.data(), nullptr, false, false, 20003)) return Cost();
    cfg_SetEverythingToDefaults();
    installOptions.SetDefaults(argv.data(), argc);
    for (int n = 0; n < installOptions.numBSPs; n++) installOptions.bsps[n]->selected = true;

    StdoutToFile log(logFile);
    installCost = Cost();
    theMainWindow = new MainWindow;
    pressTimer = ExtraProcess_Create(kExtraTimer, 100, PressNext, nullptr, nullptr);
    DoWindowLoop();
    MHandleDestroy(pressTimer);
    delete theMainWindow;
    WDrawExit();
    WGUIDestroy();
    log.Restore();
    if (chdir("/") != 0) perror("chdir");
    return installCost;
}

Cost RunShell(const std::string& root, const std::string& target) {
    std::string loop = "mkdir -p '" + target + "' && cd '" + target + "'";
    for (const std::string& name : ArchiveNames())
        loop += " && tar -xzf '" + root + "/" + name + "'";
    loop += " && find . -type f -exec chmod a-w {} + >/dev/null";
    Stopwatch watch;
    if (!Shell(loop)) fprintf(stderr, "the shell loop failed\n");
    return watch.Read();
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 3;
    if (runs < 1) runs = 1;
    std::string base = MakeScratchDir("vt_bench_wizard");
    if (base.empty()) return 1;
    std::string root = base + "/dist", util = base + "/util";
    // Settings and window positions go to a home of the benchmark's own.
    Shell("mkdir -p '" + base + "/home'");
    setenv("HOME", (base + "/home").c_str(), 1);
    gen_init(argv[0], 0, 0);
    abSetup("Veltrane Installer", "Installation", "About the Veltrane Installer", nullptr);

    printf("making %d archives with %d files ...\n", kArchives, kArchives * kFilesPerArchive);
    fflush(stdout);
    if (!MakeDistribution(root) || !LinkUtilities(util)) {
        fprintf(stderr, "could not make the distribution\n");
        return 1;
    }
    std::string display;
    pid_t xvfb = StartXvfb(&display);
    if (xvfb < 0) {
        fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }

    Comparison comparison;
    for (int run = 0; run < runs; run++) {
        std::string wizardTarget = base + "/wizard" + std::to_string(run);
        std::string shellTarget = base + "/shell" + std::to_string(run);
        // Alternating which goes first evens out what the file system still owes the last run.
        Cost wizard, shell;
        if (run % 2 == 0) {
            wizard = RunWizard(root, util, wizardTarget, display, base + "/wizard.log");
            shell = RunShell(root, shellTarget);
        } else {
            shell = RunShell(root, shellTarget);
            wizard = RunWizard(root, util, wizardTarget, display, base + "/wizard.log");
        }
        comparison.AddRun(run, "wizard", wizard, wizardTarget, shell, shellTarget);
    }
    comparison.Print("wizard", 1.25);
    StopXvfb(xvfb);
    return 0; // the scratch directory goes at exit, after the toolkit has saved its settings
}
