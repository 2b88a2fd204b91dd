// A whole `setup -nodisplay` run on a 300-item distribution whose catalogs exist: start,
// discovery, reading both catalogs, exit. Target: median at most 20 ms.
// Run: bench_nodisplay [runs]
#include <fcntl.h>
#include <spawn.h>
#include <sys/time.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"

extern char** environ;

namespace {
constexpr int kItems = 300;

double NowMs() {
    timeval now;
    gettimeofday(&now, nullptr);
    return now.tv_sec * 1000.0 + now.tv_usec / 1000.0;
}

// 300 small items over three target directories, with the host tools and the "ide" type.
bool MakeDistribution(const std::string& root) {
    std::string script = root + ".sh";
    FILE* file = fopen(script.c_str(), "w");
    if (!file) return false;
    fprintf(file,
            "set -e\nroot=$1 stage=$1.stage i=0\n"
            "mkdir -p \"$stage/empty\" \"$root/alltargets\"\n"
            "tar -C \"$stage/empty\" -czf \"$root/alltargets/linux86_tools.tgz\" .\n"
            "tar -C \"$stage/empty\" -czf \"$root/alltargets/allhosts_tools.tgz\" .\n"
            "for target in ppc mips arm; do\n"
            "  mkdir -p \"$root/$target\"\n"
            "  for n in $(seq %d); do\n"
            "    i=$((i + 1)) item=board$i\n"
            "    rm -rf \"$stage/item\"; mkdir -p \"$stage/item/$item\"\n"
            "    echo \"Evaluation board $i\" > \"$stage/item/$item/readme.txt\"\n"
            "    echo bsp_common > \"$stage/item/$item/depends.txt\"\n"
            "    tar -C \"$stage/item\" -czf \"$root/$target/linux86_bsp_$item.tgz\" .\n"
            "  done\n"
            "done\n"
            "rm -rf \"$stage\"\n",
            kItems / 3);
    fclose(file);
    return system(("/bin/sh '" + script + "' '" + root + "'").c_str()) == 0;
}

// Runs the program with its output thrown away; the exit status.
int Run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int status = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 30;
    std::string setup = std::string(VT_BINARY_DIR) + "/bin/setup";
    std::string base = MakeScratchDir("vt_bench_nodisplay");
    if (base.empty()) return 1;
    std::string root = base + "/dist";
    if (!MakeDistribution(root) ||
        Run({setup, "-nodisplay", "-source_dir", root, "-save_catalogs"}) != 0) {
        fprintf(stderr, "bench_nodisplay: could not make the distribution and its catalogs\n");
        return 1;
    }

    std::vector<double> times;
    for (int run = 0; run < runs; run++) {
        double start = NowMs();
        if (Run({setup, "-nodisplay", "-source_dir", root}) != 0) {
            fprintf(stderr, "bench_nodisplay: setup failed\n");
            return 1;
        }
        times.push_back(NowMs() - start);
    }
    std::sort(times.begin(), times.end());
    printf("items %d, runs %d\n", kItems, runs);
    printf("setup -nodisplay with catalogs: median %.2f ms, min %.2f ms, max %.2f ms "
           "(target median <= 20 ms)\n",
           times[times.size() / 2], times.front(), times.back());
    return 0;
}
