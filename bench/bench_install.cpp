// The install engine and the unattended program against the bare work they stand for:
// 200 archives holding 20,000 files, installed headless by DoInstall (permission walks
// before every archive, output polling, the final read-only pass), by the program itself
// as "setup -nodisplay -install" with an answer file naming the 200 items (start-up,
// discovery from the catalogs, the answers, its log and output on top of the engine), and
// by a shell loop of "tar -xzf" followed by one "chmod a-w" over the files. Prints the
// median of each, the ratios of the medians and the medians of each run's own ratio
// (targets: the engine at most 1.25, the program at most 1.15), then where the engine's own
// time goes: the add walks (watched, and the portable way), starting and polling the
// commands against bare fork and wait, and the read-only pass against the shell's.
// Run: bench_install [runs], in $TMPDIR (default /tmp).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "setup/components.h"
#include "setup/engine/install_engine.h"
#include "setup/install_options.h"
#include "setup/engine/install_watch.h"
#include "shared/indgen.h"

namespace {
constexpr int kArchives = 200;
constexpr int kFilesPerArchive = 100;
static_assert(kArchives * kFilesPerArchive == 20000, "the distribution's size");

void WriteStagedFile(const std::string& path, const std::string& contents, mode_t mode) {
    FILE* file = fopen(path.c_str(), "w");
    if (!file) return;
    fwrite(contents.data(), 1, contents.size(), file);
    fclose(file);
    chmod(path.c_str(), mode);
}

// Stages archive n's files below `stage`: 5 into the shared bin/ and lib/ directories,
// 40 into a per-target directory it shares with nine others and 50 into a tree of its
// own, with a mix of modes, some read-only.
void StageArchive(const std::string& stage, int n) {
    std::string t = "targets/t" + std::to_string(n % 20), own = "pkg" + std::to_string(n);
    std::string mkdir = "mkdir -p";
    for (const std::string& dir : {std::string("bin"), std::string("lib"), t + "/include",
                                   t + "/lib", own + "/a/b", own + "/c", own + "/doc"})
        mkdir += " '" + stage + "/" + dir + "'";
    Shell(mkdir);
    std::string tag = std::to_string(n) + "_";
    for (int k = 0; k < 5; k++) {
        WriteStagedFile(stage + "/bin/tool_" + tag + std::to_string(k), "#!/bin/sh\n", 0755);
        WriteStagedFile(stage + "/lib/lib" + tag + std::to_string(k) + ".a", "archive", 0644);
    }
    for (int k = 0; k < 20; k++) {
        std::string name = tag + std::to_string(k);
        WriteStagedFile(stage + "/" + t + "/include/h" + name + ".h", "/* header */\n", 0644);
        WriteStagedFile(stage + "/" + t + "/lib/o" + name + ".o", std::string(512, 'o'), 0644);
    }
    for (int k = 0; k < 10; k++) {
        std::string name = std::to_string(k);
        WriteStagedFile(stage + "/" + own + "/a/s" + name + ".c", "int x;\n", 0644);
        WriteStagedFile(stage + "/" + own + "/a/b/s" + name + ".c", "int y;\n", 0644);
        WriteStagedFile(stage + "/" + own + "/c/c" + name, "c", 0600);
        WriteStagedFile(stage + "/" + own + "/doc/d" + name + ".txt", "doc", 0444);
        WriteStagedFile(stage + "/" + own + "/f" + name, "f", 0664);
    }
}

// kArchives item archives of the "bsp" set in alltargets/, packed in one shell run, and
// what the program needs to find the distribution without adding archives of its own to
// the installation: host tools (installed only by the "ide" type) and the marker of the
// "vstartd" type, the only one (whose archives for linux86 do not exist).
bool MakeDistribution(const std::string& root) {
    std::string pack = "set -e\nmkdir -p '" + root + "/alltargets' '" + root + ".marker'\n";
    pack += "echo marker > '" + root + ".marker/marker'\n";
    for (const char* marker : {"linux86_tools.tgz", "unix_part_vstartd.tgz"})
        pack += "tar -C '" + root + ".marker' -czf '" + root + "/alltargets/" + marker + "' .\n";
    pack += "rm -rf '" + root + ".marker'\n";
    for (int n = 0; n < kArchives; n++) {
        std::string stage = root + ".stage/" + std::to_string(n);
        StageArchive(stage, n);
        char archive[64];
        snprintf(archive, sizeof archive, "alltargets/linux86_bsp_n%03d.tgz", n);
        pack += "tar -C '" + stage + "' -czf '" + root + "/" + archive + "' .\n";
    }
    pack += "rm -rf '" + root + ".stage'\n";
    std::string script = root + ".sh";
    WriteStagedFile(script, pack, 0644);
    return Shell("/bin/sh '" + script + "'");
}

// The options record as discovery leaves it for a distribution of kArchives items of the
// "bsp" set, all selected, with gtar and gzip in the utilities directory.
void SetUpOptions(const std::string& root, const std::string& util) {
    InstallOptions& o = installOptions;
    InitializeSegments();
    o.sourceDir = gen_copy(root.c_str());
    o.utilDir = gen_copy(util.c_str());
    o.gtarPath = gen_concat(o.utilDir, "/gtar");
    o.gzipPath = gen_concat(o.utilDir, "/gzip");
    const char* const hosts[] = {"hppa", "solaris2", "linux86", "win32", "unix"};
    for (int h = 0; h < 5; h++) o.hosts[h] = new Component(hosts[h], hosts[h], h, true, false);
    o.toolHost = 2;
    for (int t = 0; t < kNumTargets; t++)
        o.targets[t] = new Component(t == kAllTargets ? "alltargets" : "none", "", t, false, false);
    const char* const kinds[] = {"docs", "tools"};
    for (int k = 0; k < kNumContentKinds; k++)
        o.components[k] = new Component(kinds[k], kinds[k], k, true, true);
    const char* const types[] = {"ide", "blw", "vstartd"};
    for (int t = 0; t < kNumInstallTypes; t++)
        o.types[t] = new Component(types[t], types[t], t, t == kTypeIde, t == kTypeIde);
    o.bsps.clear();
    for (int n = 0; n < kArchives; n++) {
        char name[32];
        snprintf(name, sizeof name, "bsp_n%03d", n);
        o.bsps.push_back(new Component(name, name, n, true, true, false, kAllTargets,
                                       static_cast<char**>(gen_alloc(1, sizeof(char*)))));
    }
    o.bsps.push_back(nullptr);
    o.numBSPs = kArchives;
}

// The engine prints every line itself (into the log); the view only counts the errors.
class CountingView : public InstallProgressView {
public:
    void DisplayError(const char*) override { errors++; }
    void DisplayMessage(const char*) override {}
    void DisplayInformation(const char*) override {}
    void ChangeCancelToDone() override {}
    int errors = 0;
};

Cost RunEngine(const std::string& target, const std::string& logFile) {
    InstallOptions& o = installOptions;
    o.targetDir = gen_copy(target.c_str());
    o.cancelRequested = o.cancelled = false;
    StdoutToFile log(logFile);
    sync(); // the previous run's writes are not this run's cost
    Stopwatch watch;
    DoInstall(nullptr, 0);
    Cost cost = watch.Read();
    log.Restore();
    if (chdir("/") != 0) perror("chdir");
    return cost;
}

Cost RunShell(const std::string& root, const std::string& target) {
    std::string command = "mkdir -p '" + target + "' && cd '" + target + "' && for a in '" + root +
                          "'/alltargets/linux86_bsp_*.tgz; do tar -xzf \"$a\"; done && "
                          "find . -type f -exec chmod a-w {} + >/dev/null";
    sync(); // the previous run's writes are not this run's cost
    Stopwatch watch;
    if (!Shell(command)) fprintf(stderr, "the shell loop failed\n");
    return watch.Read();
}

std::string SetupProgram() {
    return std::string(VT_BINARY_DIR) + "/bin/setup";
}

// An answer file that chooses every item, and the catalogs that spare each run the scan.
bool PrepareUnattended(const std::string& root, const std::string& util,
                       const std::string& answers) {
    std::string boards = "boards = ";
    for (int n = 0; n < kArchives; n++) {
        char name[32];
        snprintf(name, sizeof name, "%sbsp_n%03d", n == 0 ? "" : ", ", n);
        boards += name;
    }
    return WriteText(answers, boards + "\n") &&
           Shell("'" + SetupProgram() + "' -nodisplay -save_catalogs -source_dir '" + root +
                 "' -util_dir '" + util + "' >/dev/null 2>&1");
}

// The whole program, from its start to its exit, with its output going to `logFile`.
Cost RunUnattended(const std::string& root, const std::string& util, const std::string& answers,
                   const std::string& target, const std::string& logFile) {
    std::vector<std::string> words = {SetupProgram(), "-nodisplay", "-install", "-source_dir",
                                      root,           "-util_dir",   util,       "-answers",
                                      answers,        "-target_dir", target};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    sync(); // the previous run's writes are not this run's cost
    Stopwatch watch;
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = -1;
    if (pid > 0) waitpid(pid, &status, 0);
    Cost cost = watch.Read();
    if (status != 0) fprintf(stderr, "setup -nodisplay -install ended with %d\n", status);
    return cost;
}

// Prints the program's run beside the shell's, and removes its installation.
void PrintUnattendedRun(int run, const Cost& program, const std::string& target,
                        const Cost& shell) {
    long files = 0, writable = 0;
    CountFiles(target, &files, &writable);
    printf("run %d: setup -nodisplay -install %.0f ms, cpu %.0f ms own + %.0f ms children (%ld "
           "files, %ld writable); shell %.0f ms\n",
           run + 1, program.wall, program.own, program.children, files, writable, shell.wall);
    fflush(stdout);
    Shell("chmod -R u+w '" + target + "' && rm -rf '" + target + "' && sync");
}

// Where the engine's own time goes, archive by archive: the add walk, then the expansion
// through the engine's command runner (the walk left out by the "blw" type), against the
// same gtar run by a bare fork and wait; at the end the read-only pass against the shell's.
struct Breakdown {
    double walks = 0, commands = 0, commandsOwnCpu = 0, bare = 0, finalPass = 0, shellPass = 0;
};

double Elapsed(const Stopwatch& watch) {
    return watch.Read().wall;
}

// Runs gtar on one archive as the engine's command would, without pipes or polling.
void RunBare(const std::string& util, const std::string& archive) {
    std::string gtar = util + "/gtar", compress = "--use-compress-program=" + util + "/gzip";
    pid_t pid = fork();
    if (pid == 0) {
        execl(gtar.c_str(), gtar.c_str(), compress.c_str(), "-xf", archive.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid > 0) waitpid(pid, nullptr, 0);
}

Breakdown Replay(const std::string& root, const std::string& util, const std::string& target,
                 const std::string& bareTarget) {
    InstallOptions& o = installOptions;
    Breakdown b;
    o.cancelRequested = o.cancelled = false;
    Shell("mkdir -p '" + target + "' '" + bareTarget + "'");
    gen_free(o.installDir);
    o.installDir = gen_copy(target.c_str());
    o.types[kTypeBlw]->selected = true;
    for (int n = 0; n < kArchives; n++) {
        char archive[64];
        snprintf(archive, sizeof archive, "/alltargets/linux86_bsp_n%03d.tgz", n);
        Stopwatch walk;
        DoAddWritePermission(target.c_str());
        b.walks += Elapsed(walk);
        if (chdir(target.c_str()) != 0) break;
        Stopwatch command;
        DoExpandTGZ((root + archive).c_str());
        Cost commandCost = command.Read();
        b.commands += commandCost.wall;
        b.commandsOwnCpu += commandCost.own;
        if (chdir(bareTarget.c_str()) != 0) break;
        Stopwatch bare;
        RunBare(util, root + archive);
        b.bare += Elapsed(bare);
    }
    o.types[kTypeBlw]->selected = false;
    Stopwatch finalPass;
    DoRemoveWritePermission(target.c_str());
    b.finalPass = Elapsed(finalPass);
    Stopwatch shellPass;
    Shell("cd '" + bareTarget + "' && find . -type f -exec chmod a-w {} + >/dev/null");
    b.shellPass = Elapsed(shellPass);
    if (chdir("/") != 0) perror("chdir");
    Shell("chmod -R u+w '" + target + "' '" + bareTarget + "' && rm -rf '" + target + "' '" +
          bareTarget + "'");
    return b;
}

void PrintBreakdown(const std::string& root, const std::string& util, const std::string& base,
                    const std::string& logFile) {
    StdoutToFile log(logFile);
    Breakdown watched = Replay(root, util, base + "/replay", base + "/bare");
    SetInstallWatchBudget(0); // every walk the portable way
    Breakdown portable = Replay(root, util, base + "/replay", base + "/bare");
    SetInstallWatchBudget(-1);
    log.Restore();
    const double perArchive = 1000.0 / kArchives; // total ms -> us per archive
    printf("add walks: %.0f ms watched (%.0f us per archive), %.0f ms the portable way (%.0f "
           "us)\n",
           watched.walks, watched.walks * perArchive, portable.walks, portable.walks * perArchive);
    printf("commands: %.0f ms through the engine (%.0f ms of it the engine's own processor "
           "time; %.0f ms with the tree not watched), %.0f ms by bare fork and wait (%+.0f us "
           "per archive for start, polling and reaping)\n",
           watched.commands, watched.commandsOwnCpu, portable.commands, watched.bare,
           (watched.commands - watched.bare) * perArchive);
    printf("read-only pass: %.0f ms, the shell's find and chmod %.0f ms\n", watched.finalPass,
           watched.shellPass);
}

} // namespace

int main(int argc, char** argv) {
    gen_init(argv[0], 0, 0);
    int runs = argc > 1 ? atoi(argv[1]) : 3;
    if (runs < 1) runs = 1;
    std::string base = MakeScratchDir("vt_bench_install");
    if (base.empty()) return 1;
    std::string root = base + "/dist", util = base + "/util";
    printf("making %d archives with %d files ...\n", kArchives, kArchives * kFilesPerArchive);
    fflush(stdout);
    if (!MakeDistribution(root) || !LinkUtilities(util)) {
        fprintf(stderr, "could not make the distribution\n");
        return 1;
    }
    std::string answers = base + "/all.answers";
    if (!PrepareUnattended(root, util, answers)) {
        fprintf(stderr, "could not write the answers or the catalogs\n");
        return 1;
    }
    SetUpOptions(root, util);
    CountingView view;
    theProgressView = &view;

    Comparison engineComparison, programComparison;
    for (int run = 0; run < runs; run++) {
        std::string engineTarget = base + "/engine" + std::to_string(run);
        std::string programTarget = base + "/program" + std::to_string(run);
        std::string shellTarget = base + "/shell" + std::to_string(run);
        // Rotate which goes first, so that none always meets another's leftovers.
        Cost engine, program, shell;
        for (int turn = 0; turn < 3; turn++) {
            switch ((run + turn) % 3) {
            case 0:
                engine = RunEngine(engineTarget, base + "/engine.log");
                break;
            case 1:
                program = RunUnattended(root, util, answers, programTarget, base + "/program.log");
                break;
            default:
                shell = RunShell(root, shellTarget);
                break;
            }
        }
        programComparison.Add(program, shell);
        PrintUnattendedRun(run, program, programTarget, shell);
        engineComparison.AddRun(run, "engine", engine, engineTarget, shell, shellTarget);
    }
    engineComparison.Print("engine", 1.25);
    programComparison.Print("setup -nodisplay -install", 1.15);
    PrintBreakdown(root, util, base, base + "/engine.log");
    if (view.errors > 0) printf("the engine showed %d error lines\n", view.errors);
    Shell("chmod -R u+w '" + base + "' && rm -rf '" + base + "'");
    return 0;
}
