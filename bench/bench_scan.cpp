// Scan of a 300-item distribution without catalogs against the one-at-a-time scan it
// replaced, which ran one gtar (and its gzip) per item to unpack the members: those bare
// commands, run one after another, are that scan's floor. The scan that reads the members
// in the process, several archives at once, should take at most 0.60 of it; the same scan
// with -jobs 1 is printed beside it. Medians of several runs, elapsed and processor time.
// Then the ordering of a set: 200,000 records of one description against 200,000 distinct
// ones, which must cost about the same (at most twice as much).
// Run: bench_scan [runs], in $TMPDIR (default /tmp).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "setup/engine/inflate_pipeline.h"
#include "setup/install_options.h"
#include "shared/indgen.h"
#include "shared/libcxxutil/ut_system.h"

namespace {
constexpr int kItems = 300;
constexpr int kSortedRecords = 200000;

// 300 items spread over three target directories, each archive holding a description,
// a dependency file and a little payload, like a real board-support package.
bool MakeDistribution(const std::string& root) {
    std::string script = root + ".sh";
    FILE* file = fopen(script.c_str(), "w");
    if (!file) return false;
    fprintf(file,
            "set -e\nroot=$1 stage=$1.stage i=0\n"
            "for target in ppc mips arm; do\n"
            "  mkdir -p \"$root/$target\" \"$root/alltargets\"\n"
            "  for n in $(seq %d); do\n"
            "    i=$((i + 1)) item=board$i\n"
            "    rm -rf \"$stage\"; mkdir -p \"$stage/$item/src\"\n"
            "    echo \"Evaluation board $i\" > \"$stage/$item/readme.txt\"\n"
            "    echo bsp_common > \"$stage/$item/depends.txt\"\n"
            "    head -c 20000 /dev/urandom > \"$stage/$item/src/startup.o\"\n"
            "    tar -C \"$stage\" -czf \"$root/$target/linux86_bsp_$item.tgz\" .\n"
            "  done\n"
            "done\n"
            "rm -rf \"$stage\"\n",
            kItems / 3);
    fclose(file);
    return system(("/bin/sh '" + script + "' '" + root + "'").c_str()) == 0;
}

// The old scan's commands, run one after another with nothing else around them.
Cost RunCommandsAlone(const std::string& root, const std::string& scratch) {
    char* prefix = ExtractCommandPrefix();
    std::vector<std::string> commands;
    for (const char* target : {"ppc", "mips", "arm"}) {
        char** names = nullptr;
        gen_read_directory((root + "/" + target).c_str(), &names);
        for (char** name = names; name && *name; name++) {
            std::string entry = *name;
            if (entry.size() > 4 && entry.compare(entry.size() - 4, 4, ".tgz") == 0) {
                std::string item = entry.substr(12, entry.size() - 16); // linux86_bsp_N.tgz
                commands.push_back(std::string(prefix) + root + "/" + target + "/" + entry + " ./" +
                                   item + "/readme.txt ./" + item + "/depends.txt ./readme_" +
                                   item + ".txt ./depends_" + item + ".txt");
            }
        }
    }
    gen_free(prefix);
    if (chdir(scratch.c_str()) != 0) exit(1);
    Stopwatch watch;
    for (const std::string& command : commands) {
        char* out = nullptr;
        char* err = nullptr;
        BlockingExecuteAndGetOutput(command.c_str(), &out, &err, nullptr, nullptr);
        gen_free(out);
        gen_free(err);
    }
    Cost cost = watch.Read();
    Shell("rm -rf '" + scratch + "'/*");
    return cost;
}

// The scan as discovery runs it, with `jobs` archives inflated at once (0: the default).
Cost RunScan(int jobs) {
    installOptions.inflateJobs = jobs;
    Stopwatch watch;
    int count = installOptions.InitializeSet("bsp", installOptions.bsps);
    Cost cost = watch.Read();
    if (count != kItems) {
        fprintf(stderr, "bench_scan: the scan found %d items, not %d\n", count, kItems);
        exit(1);
    }
    return cost;
}
// Milliseconds to sort `records` items whose descriptions are all alike (`equal`) or all
// different; false in *stable when equal descriptions lost their order.
double SortTime(bool equal, bool* stable) {
    std::vector<Component*> set;
    for (int i = 0; i < kSortedRecords; i++) {
        char* description = equal ? gen_copy(i % 2 ? "Board" : "BOARD")
                                  : gen_asprintf("Board %07d", (i * 7919) % kSortedRecords);
        set.push_back(new Component("bsp_x", description, i, true, false));
        gen_free(description);
    }
    Stopwatch watch;
    SortSet(set.data(), 0, kSortedRecords - 1);
    double elapsed = watch.Read().wall;
    for (int i = 1; equal && i < kSortedRecords; i++)
        if (set[i]->index < set[i - 1]->index) *stable = false;
    for (Component* c : set) {
        gen_free(c->name);
        gen_free(c->description);
        gen_free(c->dependencies);
        delete c;
    }
    return elapsed;
}
} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    std::string base = MakeScratchDir("vt_bench_scan");
    if (base.empty()) return 1;
    std::string root = base + "/dist", scratch = base + "/scratch";
    if (!MakeDistribution(root) || system(("mkdir -p '" + scratch + "'").c_str()) != 0) {
        fprintf(stderr, "bench_scan: could not make the distribution\n");
        return 1;
    }
    InstallOptions& o = installOptions;
    o.noDisplay = true;
    o.sourceDir = gen_copy(root.c_str());
    o.programDir = gen_copy(base.c_str());
    o.InitializeTargets();
    if (!o.FindUtilities()) {
        fprintf(stderr, "bench_scan: tar and gzip are needed\n");
        return 1;
    }

    // Processor time (the program's, its threads' and its commands') is the steadier figure
    // on a busy machine; elapsed time also counts the waits.
    std::vector<double> scanWall, scanCpu, oneWall, oneCpu, bareWall, bareCpu;
    for (int run = 0; run < runs; run++) {
        Cost bare = RunCommandsAlone(root, scratch), scan = RunScan(0), one = RunScan(1);
        bareWall.push_back(bare.wall), bareCpu.push_back(bare.Cpu());
        scanWall.push_back(scan.wall), scanCpu.push_back(scan.Cpu());
        oneWall.push_back(one.wall), oneCpu.push_back(one.Cpu());
    }
    printf("items %d, runs %d, inflating jobs %d\n", kItems, runs, DefaultInflateJobs());
    printf("scan (InitializeSet)          median %8.1f ms, cpu %8.1f ms\n", Median(scanWall),
           Median(scanCpu));
    printf("scan with -jobs 1             median %8.1f ms, cpu %8.1f ms\n", Median(oneWall),
           Median(oneCpu));
    printf("old scan's commands, in turn  median %8.1f ms, cpu %8.1f ms\n", Median(bareWall),
           Median(bareCpu));
    printf("ratio %.3f elapsed, %.3f cpu (target <= 0.60); with -jobs 1 %.3f elapsed, %.3f cpu\n",
           Median(scanWall) / Median(bareWall), Median(scanCpu) / Median(bareCpu),
           Median(oneWall) / Median(bareWall), Median(oneCpu) / Median(bareCpu));

    std::vector<double> equalSorts, distinctSorts;
    bool stable = true;
    for (int run = 0; run < runs; run++) {
        equalSorts.push_back(SortTime(true, &stable));
        distinctSorts.push_back(SortTime(false, &stable));
    }
    double equal = Median(equalSorts), distinct = Median(distinctSorts);
    printf("sorting %d records: one description median %.1f ms%s, distinct ones %.1f ms\n",
           kSortedRecords, equal, stable ? "" : " (ORDER LOST)", distinct);
    printf("ratio %.3f (target <= 2)\n", equal / distinct);
    return 0;
}
