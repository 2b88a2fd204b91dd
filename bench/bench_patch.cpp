// Patch commands against tar: 10,000 files of about 1 GiB together are packed and unpacked
// once with "setup -create_patch" / "-install_patch" and once with "tar cf" / "tar xf",
// each as a real process, best of two rounds. Prints both times and their ratio (the
// target is at most 1.2). Needs about 3 GiB under TMPDIR (or /tmp) and removes it all.
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

int main() {
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
    RemoveTree(root);
    printf("%d files, %.0f MiB\n", kDirs * kFilesPerDir,
           kDirs * kFilesPerDir * kAverageSize / 1048576.0);
    printf("patch create + install: %.2f s\n", patch);
    printf("tar cf + tar xf:        %.2f s\n", tar);
    printf("ratio patch / tar:      %.2f (target at most 1.2)\n", patch / tar);
    return 0;
}
