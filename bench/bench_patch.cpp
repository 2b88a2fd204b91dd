// Patch commands against tar: 10,000 files of about 1 GiB together are packed and unpacked
// once with "setup -create_patch" / "-install_patch" and once with "tar cf" / "tar xf",
// each as a real process, best of two rounds. Prints both times and their ratio (the
// target is at most 1.2). Needs about 3 GiB under TMPDIR (or /tmp) and removes it all.
// Then a patch of 50,000 small files is installed three times, all or nothing as always;
// the median must stay under 3 s with TMPDIR on a tmpfs (TMPDIR=/dev/shm). "bench_patch
// many" runs only that part.
#include <ftw.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {
constexpr int kDirs = 100;
constexpr int kFilesPerDir = 100;
constexpr long kAverageSize = (1L << 30) / (kDirs * kFilesPerDir);
constexpr int kRounds = 2;

uint64_t randomState = 0x9E3779B97F4A7C15ull;
uint64_t NextRandom() {
    randomState ^= randomState << 13;
    randomState ^= randomState >> 7;
    randomState ^= randomState << 17;
    return randomState;
}

// Writes the tree and returns the file names relative to it.
std::vector<std::string> MakeSourceTree(const std::string& src) {
    std::vector<std::string> names;
    std::vector<uint64_t> block(4 * kAverageSize / 8);
    mkdir(src.c_str(), 0755);
    for (int d = 0; d < kDirs; d++) {
        std::string dir = "d" + std::to_string(d);
        mkdir((src + "/" + dir).c_str(), 0755);
        for (int f = 0; f < kFilesPerDir; f++) {
            std::string name = dir + "/file" + std::to_string(f) + ".dat";
            size_t size = kAverageSize / 2 + NextRandom() % kAverageSize;
            for (size_t i = 0; i < size / 8 + 1; i++) block[i] = NextRandom();
            FILE* file = fopen((src + "/" + name).c_str(), "wb");
            if (!file || fwrite(block.data(), 1, size, file) != size || fclose(file) != 0) {
                perror(name.c_str());
                exit(1);
            }
            names.push_back(name);
        }
    }
    return names;
}

// Runs a program in a directory and returns its wall-clock seconds.
double Run(const std::vector<std::string>& argv, const std::string& dir) {
    sync(); // earlier steps' write-back must not be charged to this one
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (chdir(dir.c_str()) == 0) execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != (argv[0] == "tar" ? 0 : 1)) {
        fprintf(stderr, "%s failed with status %d\n", argv[0].c_str(), status);
        exit(1);
    }
    return seconds;
}

long long FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path);
}
void RemoveTree(const std::string& path) {
    nftw(path.c_str(), RemoveEntry, 32, FTW_DEPTH | FTW_PHYS);
}
} // namespace

// 50,000 files of 100 bytes in 100 directories: the cost of a patch is then the cost per
// file (staging, renaming, the report), not the bytes.
void ManySmallFiles(const std::string& root) {
    constexpr int kManyDirs = 100, kManyPerDir = 500, kManyRounds = 3;
    const std::string src = root + "/many", out = root + "/many_out", patch = root + "/many.vt";
    const std::string setup = std::string(VT_BINARY_DIR) + "/bin/setup";
    std::vector<std::string> create = {setup, "-nodisplay", "-create_patch", patch};
    mkdir(src.c_str(), 0755);
    std::string contents(100, 'x');
    for (int d = 0; d < kManyDirs; d++) {
        std::string dir = "d" + std::to_string(d);
        mkdir((src + "/" + dir).c_str(), 0755);
        for (int f = 0; f < kManyPerDir; f++) {
            std::string name = dir + "/f" + std::to_string(f);
            WriteText(src + "/" + name, contents);
            create.push_back(name);
        }
    }
    double created = Run(create, src);
    std::vector<double> wall, cpu;
    for (int round = 0; round < kManyRounds; round++) {
        Stopwatch watch;
        Run({setup, "-nodisplay", "-install_patch", patch, "-target_dir", out}, root);
        Cost cost = watch.Read();
        wall.push_back(cost.wall / 1000);
        cpu.push_back(cost.Cpu() / 1000);
        long files = 0, writable = 0;
        CountFiles(out, &files, &writable);
        if (files != kManyDirs * kManyPerDir + 1) { // and the report
            fprintf(stderr, "the install left %ld files\n", files);
            RemoveTree(root);
            exit(1);
        }
        RemoveTree(out);
    }
    printf("%d small files: create %.2f s, install median %.2f s (cpu %.2f s; target under 3 s "
           "on a tmpfs)\n",
           kManyDirs * kManyPerDir, created, Median(wall), Median(cpu));
}

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "many") {
        std::string root = MakeScratchDir("bench_patch");
        if (root.empty()) return perror("scratch directory"), 1;
        ManySmallFiles(root);
        RemoveTree(root);
        return 0;
    }
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/bench_patch_XXXXXX";
    if (!mkdtemp(&pattern[0])) return perror("mkdtemp"), 1;
    const std::string root = pattern, src = root + "/src", out = root + "/out";
    const std::string setup = std::string(VT_BINARY_DIR) + "/bin/setup";
    std::vector<std::string> names = MakeSourceTree(src);
    std::vector<std::string> create = {setup, "-nodisplay", "-create_patch", root + "/p.vt"};
    create.insert(create.end(), names.begin(), names.end());

    double patch = 1e9, tar = 1e9;
    for (int round = 0; round < kRounds; round++) {
        double t =
            Run(create, src) +
            Run({setup, "-nodisplay", "-install_patch", root + "/p.vt", "-target_dir", out}, root);
        patch = t < patch ? t : patch;
        // The program ends with status 1 either way: make sure every file arrived whole.
        for (const std::string& name : names)
            if (FileSize(out + "/" + name) != FileSize(src + "/" + name)) {
                fprintf(stderr, "%s was not installed\n", name.c_str());
                RemoveTree(root);
                return 1;
            }
        RemoveTree(out);
        remove((root + "/p.vt").c_str());
        mkdir(out.c_str(), 0755);
        t = Run({"tar", "cf", root + "/p.tar", "."}, src) +
            Run({"tar", "xf", root + "/p.tar"}, out);
        tar = t < tar ? t : tar;
        RemoveTree(out);
        remove((root + "/p.tar").c_str());
    }
    printf("%d files, %.0f MiB\n", kDirs * kFilesPerDir,
           kDirs * kFilesPerDir * kAverageSize / 1048576.0);
    printf("patch create + install: %.2f s\n", patch);
    printf("tar cf + tar xf:        %.2f s\n", tar);
    printf("ratio patch / tar:      %.2f (target at most 1.2)\n", patch / tar);
    RemoveTree(src);
    ManySmallFiles(root);
    RemoveTree(root);
    return 0;
}
