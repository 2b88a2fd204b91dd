// What the undo records and the checks before an installation cost, measured on the real
// engine (DoInstall, headless, in this process) with the install benchmark's set: 200
// archives, 20,000 files, with the distribution's checksums and sizes lists. Each run
// installs into an empty directory once with the undo record and once without (turns
// alternate), then once more with a cancel once the archives are in, then times the
// checksum pass alone.
// Printed, as medians against the engine without the record: the record's cost (target: at
// most 5%), the checksum pass (at most 10%; the engine runs it in both), the engine's own
// rollback of the 20,000-file run after a cancel (under 10%) beside rm -rf of the same
// tree; and, for information, the rollback of a run over an existing installation (every
// file kept aside and put back) and writing the two lists.
// Run: bench_manifest [runs], in $TMPDIR (default /tmp).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "setup/components.h"
#include "setup/discovery/distribution_sums.h"
#include "setup/engine/install_engine.h"
#include "setup/engine/install_undo.h"
#include "setup/engine/preflight.h"
#include "setup/install_options.h"
#include "shared/indgen.h"

namespace {

// The options record as discovery leaves it for the set's items of the "bsp" set, all
// selected, with gtar and gzip in the utilities directory.
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
    for (int n = 0; n < kInstallBenchArchives; n++) {
        char name[32];
        snprintf(name, sizeof name, "bsp_n%03d", n);
        o.bsps.push_back(new Component(name, name, n, true, true, false, kAllTargets,
                                       static_cast<char**>(gen_alloc(1, sizeof(char*)))));
    }
    o.bsps.push_back(nullptr);
    o.numBSPs = kInstallBenchArchives;
}

// The engine prints every line itself (into the log); the view counts the errors and, when
// asked to, cancels the run once the archives are in and times the rollback that follows:
// from the engine's asking whether to remove the files to the report that says it did.
class CountingView : public InstallProgressView {
public:
    void DisplayError(const char*) override {
        if (rollbackStarted_ && rollbackMs < 0) rollbackMs = watch_.Read().wall;
        if (!cancelAtEnd) errors++; // a cancelled run ends with its report
    }
    void DisplayMessage(const char* text) override {
        if (cancelAtEnd && std::string(text) == "Adjusting write permissions.")
            installOptions.cancelRequested = true;
    }
    void DisplayInformation(const char*) override {}
    void ChangeCancelToDone() override {}
    bool AskRollback() override {
        watch_ = Stopwatch();
        rollbackStarted_ = true;
        return true;
    }
    void Reset(bool cancel) {
        cancelAtEnd = cancel;
        rollbackStarted_ = false;
        rollbackMs = -1;
    }

    int errors = 0;
    bool cancelAtEnd = false;
    double rollbackMs = -1;

private:
    Stopwatch watch_;
    bool rollbackStarted_ = false;
};

CountingView view;

Cost RunEngine(const std::string& target, bool recorded, const std::string& logFile,
               bool cancelAtEnd = false) {
    InstallOptions& o = installOptions;
    gen_free(o.targetDir);
    o.targetDir = gen_copy(target.c_str());
    o.cancelRequested = o.cancelled = false;
    SetUndoRecordKept(recorded);
    view.Reset(cancelAtEnd);
    StdoutToFile log(logFile);
    sync(); // the previous run's writes are not this run's cost
    Stopwatch watch;
    DoInstall(nullptr, 0);
    Cost cost = watch.Read();
    log.Restore();
    if (chdir("/") != 0) perror("chdir");
    SetUndoRecordKept(true);
    return cost;
}

// A recorded run into `target`, cancelled once its archives are in and rolled back by the
// engine: the rollback's elapsed time.
double RolledBackRun(const std::string& target, const std::string& logFile) {
    RunEngine(target, true, logFile, true);
    if (view.rollbackMs < 0) fprintf(stderr, "the run was not rolled back\n");
    return view.rollbackMs;
}

void Clear(const std::string& dir) {
    Shell("chmod -R u+w '" + dir + "' 2>/dev/null; rm -rf '" + dir + "'");
}

struct Series {
    std::vector<double> wall, cpu, own;
    void Add(const Cost& cost) {
        wall.push_back(cost.wall);
        cpu.push_back(cost.Cpu());
        own.push_back(cost.own);
    }
};

// One line: the median of `part` as a share of the engine's, elapsed and on the processor.
void PrintShare(const char* what, const Series& part, const Series& engine, const char* target) {
    double wall = Median(engine.wall), cpu = Median(engine.cpu);
    printf("%s: %.1f ms = %.2f%% elapsed, cpu %.1f ms = %.2f%% (target %s)\n", what,
           Median(part.wall), 100 * Median(part.wall) / wall, Median(part.cpu),
           100 * Median(part.cpu) / cpu, target);
}

} // namespace

int main(int argc, char** argv) {
    gen_init(argv[0], 0, 0);
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    if (runs < 1) runs = 1;
    std::string scratch = MakeScratchDir("bench_manifest");
    std::string root = scratch + "/dist", util = scratch + "/util";
    if (scratch.empty() || !MakeInstallBenchSet(root) || !LinkUtilities(util)) {
        fprintf(stderr, "could not make the distribution\n");
        return 1;
    }
    Stopwatch writing;
    std::vector<std::string> problems;
    if (!WriteDistributionSums(root, "gzip", &problems)) fprintf(stderr, "lists not written\n");
    double writeMs = writing.Read().wall;
    std::vector<std::string> archives;
    for (const std::string& relative : DistributionArchives(root))
        archives.push_back(root + "/" + relative);
    printf("%zu archives in %s\n", archives.size(), root.c_str());
    SetUpOptions(root, util);
    theProgressView = &view;
    std::string log = scratch + "/engine.log";

    Series bare, recorded, record, checksums;
    std::vector<double> rollback, overRollback, removal;
    for (int run = 0; run < runs; run++) {
        std::string plain = scratch + "/plain", target = scratch + "/target";
        Cost without, with;
        for (int turn = 0; turn < 2; turn++) {
            if ((run + turn) % 2 == 0)
                without = RunEngine(plain, false, log);
            else
                with = RunEngine(target, true, log);
        }
        bare.Add(without);
        recorded.Add(with);
        record.Add(
            {with.wall - without.wall, with.own - without.own, with.children - without.children});
        // What removing the same tree costs at the least: rm -rf once it is writable.
        Shell("chmod -R u+w '" + plain + "'");
        Stopwatch removing;
        Shell("rm -rf '" + plain + "'");
        removal.push_back(removing.Read().wall);
        Clear(target);
        rollback.push_back(RolledBackRun(target, log));

        sync();
        Stopwatch hashing;
        IntegrityCheck check = CheckIntegrity(root, archives);
        checksums.Add(hashing.Read());
        if (!check.Passed()) fprintf(stderr, "%s\n", check.problems.front().c_str());

        // Over an existing installation every file is kept aside, then put back.
        RunEngine(target, false, log);
        overRollback.push_back(RolledBackRun(target, log));
        Clear(target);
        printf("run %d: engine %.0f ms (cpu %.0f own %.0f) without the record, %.0f ms (cpu %.0f "
               "own %.0f) with it; rollback %.1f ms; checksums %.1f ms; rollback over an "
               "installation %.1f ms\n",
               run + 1, without.wall, without.Cpu(), without.own, with.wall, with.Cpu(), with.own,
               rollback.back(), checksums.wall.back(), overRollback.back());
        fflush(stdout);
    }
    printf("engine into an empty directory: %.0f ms without the record, %.0f ms with it "
           "(cpu %.0f and %.0f, of which this process %.0f and %.0f)\n",
           Median(bare.wall), Median(recorded.wall), Median(bare.cpu), Median(recorded.cpu),
           Median(bare.own), Median(recorded.own));
    // The record's work is all in this process and in line with the engine's, so its
    // processor time is what it adds to an installation on an idle machine; the elapsed
    // difference says the same through the noise of a busy one.
    double engine = Median(bare.wall);
    printf("the record (median of each run's difference): cpu %.1f ms = %.2f%% of the engine's "
           "elapsed time (target <= 5%%), %.2f%% of its cpu; elapsed %+.1f ms = %+.2f%%\n",
           Median(record.own), 100 * Median(record.own) / engine,
           100 * Median(record.own) / Median(bare.cpu), Median(record.wall),
           100 * Median(record.wall) / engine);
    PrintShare("checksum pass", checksums, bare, "<= 10%");
    printf("rollback of the 20,000-file run: %.1f ms = %.2f%% of the engine's elapsed time "
           "(target < 10%%)\n",
           Median(rollback), 100 * Median(rollback) / engine);
    printf("rm -rf of the same tree (the floor of any removal): %.1f ms = %.2f%%; the "
           "rollback takes %.2f times as long\n",
           Median(removal), 100 * Median(removal) / engine, Median(rollback) / Median(removal));
    printf("rollback over an existing installation (every file kept aside and put back): "
           "%.1f ms\n",
           Median(overRollback));
    printf("writing info/checksums.txt and info/sizes.txt: %.0f ms\n", writeMs);
    if (view.errors > 0) printf("the engine showed %d error lines\n", view.errors);
    Clear(scratch);
    return 0;
}
