// The patch commands under attack and under failure, run as the real program: a link
// planted while a patch installs, a report file that leads elsewhere, full and read-only
// file systems, signals in the middle of the work, hostile lengths and names, FIFOs. Each
// case checks that nothing outside the target changed and nothing half-done was left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/mount.h>
#endif

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "setup/patches/test_iff_bytes.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {
namespace fs = std::filesystem;
constexpr uint32_t kBig = 128u << 20; // long enough to be caught while it is written
// A sanitizer's own memory would count in the program's peak.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

// The program as a child the test can stop and signal while it works; standard error is
// kept, and the peak memory comes from wait4.
class SetupChild {
public:
    SetupChild(std::vector<std::string> args, const std::string& dir) {
        args.insert(args.begin(), {SetupProgram(), "-nodisplay"});
        int err[2];
        if (pipe(err) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(err[1], 2);
            close(err[0]);
            close(err[1]);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(&a[0]);
            argv.push_back(nullptr);
            if (chdir(dir.c_str()) == 0) execv(argv[0], argv.data());
            _exit(127);
        }
        close(err[1]);
        err_ = err[0];
    }
    void Signal(int signal) { kill(pid_, signal); }
    // Waits for the end: the exit status (128 + signal when killed) and standard error.
    int Wait(std::string* err, long* maxRssKb = nullptr) {
        char buffer[4096];
        for (ssize_t n; (n = read(err_, buffer, sizeof buffer)) > 0;) err->append(buffer, n);
        close(err_);
        int status = 0;
        struct rusage usage = {};
        wait4(pid_, &status, 0, &usage);
        if (maxRssKb) *maxRssKb = usage.ru_maxrss;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    int err_ = -1;
};

// Every entry below dir, relative to it, sorted.
std::set<std::string> Tree(const std::string& dir) {
    std::set<std::string> names;
    std::error_code ignored;
    for (auto i = fs::recursive_directory_iterator(dir, ignored); i != fs::end(i); ++i)
        names.insert(i->path().lexically_relative(dir).string());
    return names;
}

// Writes prefix, `hole` bytes left as a hole (zeros that take no space), and suffix.
void WriteSparse(const std::string& path, const std::string& prefix, uint32_t hole,
                 const std::string& suffix) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(write(fd, prefix.data(), prefix.size()), ssize_t(prefix.size()));
    lseek(fd, hole, SEEK_CUR);
    ASSERT_EQ(write(fd, suffix.data(), suffix.size()), ssize_t(suffix.size()));
    ASSERT_EQ(ftruncate(fd, prefix.size() + hole + suffix.size()), 0);
    close(fd);
}

// A patch whose first file form holds chunk `id` with `size` zero bytes (before it
// `before`, after it `rest`), then the forms in `after`.
void WriteHugeChunkPatch(const std::string& path, const std::string& before, const char* id,
                         uint32_t size, const std::string& rest, const std::string& after = "") {
    std::string formHead = Id("VTF ") + before + Id(id) + Le32(size);
    uint32_t formSize = formHead.size() + size + rest.size();
    std::string patchHead = Id("VTA ") + Chunk("VTAI", "");
    uint32_t patchSize = patchHead.size() + 8 + formSize + after.size();
    WriteSparse(path,
                Id("FORM") + Le32(patchSize) + patchHead + Id("FORM") + Le32(formSize) + formHead,
                size, rest + after);
}

void WriteBigFilePatch(const std::string& path, const std::string& after = "") {
    WriteHugeChunkPatch(path, Chunk("VTFN", "big") + Chunk("VTFP", Le32(0100644)), "VTFC", kBig, "",
                        after);
}

class PatchHardening : public ::testing::Test {
protected:
    ProgramResult Setup(std::vector<std::string> args, int timeout = 60) {
        args.insert(args.begin(), {SetupProgram(), "-nodisplay"});
        ProgramOptions options;
        options.workingDir = dir.path();
        options.timeoutSeconds = timeout;
        return RunProgram(args, options);
    }
    ProgramResult Install(const std::string& patch, const std::string& target = "T") {
        return Setup({"-install_patch", patch, "-target_dir", dir / target});
    }
    // A tmpfs at dir/name with the mount options given, unmounted when the test ends.
    bool MountTmpfs(const std::string& name, const char* options, bool readOnly = false) {
#if defined(__linux__)
        std::string path = dir / name;
        mkdir(path.c_str(), 0755);
        if (mount("tmpfs", path.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options) != 0)
            return false;
        mounts.push_back(path);
        return true;
#else
        return false;
#endif
    }
    void TearDown() override {
#if defined(__linux__)
        for (size_t i = mounts.size(); i-- > 0;) umount2(mounts[i].c_str(), MNT_DETACH);
#endif
    }
    // Runs the program in cwd; when a temporary shows in `watched`, stops it while that is
    // still being written, calls act, and lets it go on. A run that got past it first is
    // undone and tried again. The exit status, or -1 when no run was caught in time.
    int RunCaught(const std::vector<std::string>& args, const std::string& cwd,
                  const std::string& watched, const std::function<void(SetupChild*)>& act,
                  const std::function<void()>& undo, std::string* err) {
        for (int attempt = 0; attempt < 3; attempt++) {
            SetupChild child(args, cwd);
            bool caught = false, seen = false;
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!seen && std::chrono::steady_clock::now() < deadline) {
                std::error_code ignored;
                for (const fs::directory_entry& e : fs::directory_iterator(watched, ignored)) {
                    if (seen || e.path().filename().string()[0] != '.') continue;
                    seen = true;
                    child.Signal(SIGSTOP);
                    struct stat st;
                    caught = lstat(e.path().c_str(), &st) == 0 && st.st_size < kBig;
                }
            }
            if (caught) act(&child);
            child.Signal(SIGCONT);
            err->clear();
            int status = child.Wait(err);
            if (caught) return status;
            undo();
        }
        return -1;
    }
    ScopedTempDir dir;
    std::vector<std::string> mounts;
};

TEST_F(PatchHardening, LinkPlantedDuringTheInstallIsNotFollowed) {
    mkdir((dir / "outside").c_str(), 0755);
    WriteBigFilePatch(dir / "p", FileForm("d/evil", "", 0100644, "evil"));
    mkdir((dir / "T").c_str(), 0755);
    std::string err;
    int status = RunCaught(
        {"-install_patch", "p", "-target_dir", dir / "T"}, dir.path(), dir / "T",
        [&](SetupChild*) { symlink((dir / "outside").c_str(), (dir / "T/d").c_str()); },
        [&] { ShellStatus("rm -rf '" + dir / "T" + "'/*"); }, &err);
    unlink((dir / "T/d").c_str());
    EXPECT_EQ(status, 1) << "-1: the install never stayed long enough on its first file";
    EXPECT_NE(err.find("T/d is a symbolic link"), std::string::npos) << err;
    EXPECT_NE(err.find("Nothing was installed."), std::string::npos) << err;
    EXPECT_EQ(Tree(dir / "outside"), std::set<std::string>{});
    EXPECT_EQ(Tree(dir / "T"), std::set<std::string>{});
}

TEST_F(PatchHardening, ReportThatIsALinkOrHasAnotherNameIsRefused) {
    WriteFile(dir / "p", PatchBytes("info", FileForm("a", "", 0100644, "a")));
    WriteFile(dir / "outside", "keep\n");
    struct Case {
        int (*make)(const char*, const char*);
        const char* says;
    } cases[] = {{symlink, "it is a symbolic link"}, {link, "it has more than one name"}};
    for (const Case& c : cases) {
        mkdir((dir / "T").c_str(), 0755);
        ASSERT_EQ(c.make((dir / "outside").c_str(), (dir / "T/patch_information.txt").c_str()), 0);
        ProgramResult result = Install("p");
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find("patch_information.txt: " + std::string(c.says)),
                  std::string::npos)
            << result.err;
        EXPECT_EQ(ReadFile(dir / "outside"), "keep\n");
        EXPECT_EQ(Tree(dir / "T"), std::set<std::string>{"patch_information.txt"});
        ShellStatus("rm -rf '" + dir / "T" + "'");
    }
}

TEST_F(PatchHardening, IoFailuresInstallNothing) {
    mkdir((dir / "readonly").c_str(), 0755);
    if (!MountTmpfs("full", "size=1m") || !MountTmpfs("inodes", "nr_inodes=4") ||
        !MountTmpfs("report", "size=1m") || !MountTmpfs("readonly/ro", "size=1m", true))
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    std::string third(400 << 10, 't');
    WriteFile(dir / "report/patch_information.txt", std::string(100 << 10, 'r'));
    struct Case {
        const char* target;
        std::string patch;
        const char* says;
    } cases[] = {
        {"full",
         PatchBytes("", FileForm("a", "", 0644, third) + FileForm("b/c", "", 0644, third) +
                            FileForm("d", "", 0644, third)),
         "No space left on device"},
        {"inodes",
         PatchBytes("", FileForm("a", "", 0644, "1") + FileForm("b", "", 0644, "2") +
                            FileForm("c", "", 0644, "3") + FileForm("d", "", 0644, "4")),
         "No space left on device"},
        {"report", PatchBytes(std::string(900 << 10, 'i'), FileForm("a", "", 0644, "a")),
         "patch_information.txt: No space left on device"},
        {"readonly", PatchBytes("", FileForm("a", "", 0644, "a") + FileForm("ro/b", "", 0644, "b")),
         "Read-only file system"},
    };
    for (const Case& c : cases) {
        WriteFile(dir / "patch", c.patch);
        std::set<std::string> before = Tree(dir / c.target);
        ProgramResult result = Install("patch", c.target);
        EXPECT_EQ(result.status, 1) << c.target;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("Nothing was installed."), std::string::npos) << result.err;
        EXPECT_EQ(Tree(dir / c.target), before) << c.target;
    }
    EXPECT_TRUE(ReadFile(dir / "report/patch_information.txt") == std::string(100 << 10, 'r'));
}

TEST_F(PatchHardening, InterruptedCommandsLeaveNothingBehind) {
    WriteBigFilePatch(dir / "p");
    mkdir((dir / "src").c_str(), 0755);
    WriteSparse(dir / "src/big", "", kBig, "");
    std::vector<std::string> install = {"-install_patch", "../p", "-target_dir", dir / "T"};
    std::vector<std::string> create = {"-create_patch", "q", "big"};
    struct Case {
        const std::vector<std::string>& args;
        const char* watched; // where the temporary appears
        int signal;
        std::string says;
    } cases[] = {
        {install, "T", SIGTERM,
         "Terminated: the patch ../p was not installed; nothing was changed in " + dir / "T."},
        {install, "T", SIGHUP, "Hung up: the patch ../p was not installed"},
        {install, "T", SIGINT, "Halted"},
        {create, "src", SIGTERM, "Terminated: the patch q was not created."},
        {create, "src", SIGINT, "Halted"},
    };
    mkdir((dir / "T").c_str(), 0755);
    for (const Case& c : cases) {
        std::string err;
        int status = RunCaught(
            c.args, dir / "src", dir / c.watched,
            [&](SetupChild* child) { child->Signal(c.signal); },
            [&] { ShellStatus("rm -f '" + dir / "src/q" + "'; rm -rf '" + dir / "T" + "'/*"); },
            &err);
        EXPECT_EQ(status, 2) << c.says;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_EQ(Tree(dir / "T"), std::set<std::string>{}) << c.says;
        EXPECT_EQ(Tree(dir / "src"), std::set<std::string>{"big"}) << c.says;
    }
}

TEST_F(PatchHardening, HostileLengthsAreRefusedWithinBoundedMemory) {
    constexpr uint32_t kHuge = 100u << 20;
    std::string modeAndContents = Chunk("VTFP", Le32(0100644)) + Chunk("VTFC", "x");
    WriteSparse(dir / "info", Id("FORM") + Le32(12 + kHuge) + Id("VTA ") + Id("VTAI") + Le32(kHuge),
                kHuge, "");
    WriteHugeChunkPatch(dir / "name", "", "VTFN", kHuge, modeAndContents);
    WriteHugeChunkPatch(dir / "fileinfo", Chunk("VTFN", "a"), "VTFI", kHuge, modeAndContents);
    struct Case {
        const char* patch;
        const char* says;
    } cases[] = {
        {"info", "The patch information is 104857600 bytes long, more than the 1048576 allowed."},
        {"name", "The name of file 1 is 104857600 bytes long, more than the 4096 allowed."},
        {"fileinfo", "The information string of file 1 is 104857600 bytes long"},
    };
    for (const Case& c : cases) {
        SetupChild child({"-install_patch", c.patch, "-target_dir", dir / "T"}, dir.path());
        std::string err;
        long maxRssKb = 0;
        EXPECT_EQ(child.Wait(&err, &maxRssKb), 1);
        EXPECT_EQ(err.find("Failed to read archive.  Error number: -9.  " + std::string(c.says)),
                  0u)
            << err.substr(0, 300);
        EXPECT_TRUE(kSanitized || maxRssKb < 32 << 10) << c.patch << ": " << maxRssKb << " KB";
        EXPECT_FALSE(PathExists(dir / "T"));
    }

    // Names are shown cut, and without the terminal ever seeing their control bytes.
    std::string hostile = "/\033[2J\033]0;owned\007" + std::string(300, 'x');
    WriteFile(dir / "names", PatchBytes("", FileForm(hostile, "", 0644, "x")));
    ProgramResult result = Install("names");
    EXPECT_EQ(result.status, 1);
    std::string shown = "\"/\\033[2J\\033]0;owned\\007" + std::string(200 - 15, 'x') + "...\"";
    EXPECT_NE(result.err.find(shown), std::string::npos) << result.err.substr(0, 400);
    EXPECT_EQ(result.err.find('\033'), std::string::npos);
}

TEST_F(PatchHardening, FifosAreRefusedWithoutBlocking) {
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    WriteFile(dir / "a", "a");
    ProgramResult installed = Setup({"-install_patch", "fifo", "-target_dir", dir / "T"}, 10);
    EXPECT_FALSE(installed.timedOut);
    EXPECT_EQ(installed.err.find("Can not install the patch fifo: it is not a plain file."), 0u)
        << installed.err;
    ProgramResult created = Setup({"-create_patch", "p", "a", "fifo"}, 10);
    EXPECT_FALSE(created.timedOut);
    EXPECT_EQ(created.err.find("Can not put fifo into a patch: it is not a plain file."), 0u)
        << created.err;
    EXPECT_EQ(Tree(dir.path()), (std::set<std::string>{"a", "fifo"}));
}
} // namespace
