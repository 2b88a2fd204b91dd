// Program identity and the search for executables, on real files: the program directory
// before PATH, empty PATH elements, names with a directory part, link resolution and the
// development-checkout test.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"
#include "support/temp_dir.h"

using testing::ExitedWithCode;

namespace {

std::string Take(char* text) {
    std::string copy = text ? text : "<null>";
    gen_free(text);
    return copy;
}

std::string Resolved(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? buffer : path;
}

class IdentityTest : public testing::Test {
protected:
    void SetUp() override {
        const char* path = getenv("PATH");
        savedPath_ = path ? path : "";
        ForgetProgram();
        root_ = Resolved(dir_.path());
        mkdir((root_ + "/bin").c_str(), 0755);
        mkdir((root_ + "/prog").c_str(), 0755);
        WriteFile(root_ + "/bin/tool", "#!/bin/sh\n", 0755);
        WriteFile(root_ + "/prog/tool", "#!/bin/sh\n", 0755);
        WriteFile(root_ + "/bin/data", "", 0644);
    }
    void TearDown() override {
        setenv("PATH", savedPath_.c_str(), 1);
        ForgetProgram();
    }

    ScopedTempDir dir_;
    std::string root_;

private:
    // No test here depends on the test program's own identity.
    static void ForgetProgram() {
        gen_free(gen_progdir);
        gen_free(gen_execname);
        gen_progdir = gen_execname = nullptr;
    }
    std::string savedPath_;
};

TEST_F(IdentityTest, CanExecDistinguishesMissingDirectoryAndPlainFile) {
    EXPECT_EQ(gen_canexec(""), -1);
    EXPECT_EQ(gen_canexec((root_ + "/absent").c_str()), -1);
    EXPECT_EQ(gen_canexec((root_ + "/bin").c_str()), 0);
    EXPECT_EQ(gen_canexec((root_ + "/bin/data").c_str()), 0);
    EXPECT_EQ(gen_canexec((root_ + "/bin/tool").c_str()), 1);
}

TEST_F(IdentityTest, ProgramDirectoryComesBeforePath) {
    setenv("PATH", ("/nonexistent:" + root_ + "/bin").c_str(), 1);
    gen_changeprogdir((root_ + "/prog").c_str());
    EXPECT_EQ(Take(gen_findexec("tool", true, false)), root_ + "/prog/tool");
    EXPECT_EQ(Take(gen_findexecdir("tool", false, false)), root_ + "/bin");
    EXPECT_EQ(gen_findexec("data", true, false), nullptr); // not executable anywhere
    // A name with a directory part is only checked, not looked for elsewhere.
    WriteFile(root_ + "/prog/data", "", 0644);
    EXPECT_EQ(gen_findexec((root_ + "/prog/data").c_str(), true, false), nullptr);
}

TEST_F(IdentityTest, ResolveFollowsLinks) {
    std::string link = root_ + "/linked";
    ASSERT_EQ(symlink((root_ + "/bin/tool").c_str(), link.c_str()), 0);
    EXPECT_EQ(Take(gen_findexec(link.c_str(), false, true)), root_ + "/bin/tool");
    EXPECT_EQ(Take(gen_findexec(link.c_str(), false, false)), link);
    EXPECT_EQ(Take(gen_realpath("/no/such/place")), "/no/such/place"); // a plain copy
}

TEST_F(IdentityTest, EmptyPathElementMeansCurrentDirectory) {
    std::string bin = root_ + "/bin";
    EXPECT_EXIT(
        {
            if (chdir(bin.c_str()) != 0) _exit(90);
            setenv("PATH", "/nonexistent:", 1);
            char* found = gen_findexec("tool", false, true);
            _exit(found && bin + "/tool" == found ? 0 : 1);
        },
        ExitedWithCode(0), "");
}

TEST_F(IdentityTest, ProgramDirectoryIsFoundOnFirstUseAndKept) {
    setenv("PATH", (root_ + "/bin").c_str(), 1);
    gen_execname = static_cast<char*>(gen_structcopy("tool", 5));
    const char* dir = gen_getprogdir();
    EXPECT_EQ(std::string(dir), root_ + "/bin");
    setenv("PATH", "/nonexistent", 1);
    EXPECT_EQ(gen_getprogdir(), dir);
}

TEST_F(IdentityTest, DevelopmentCheckoutNeedsAllThreeDirectories) {
    std::string checkout = root_ + "/checkout";
    for (const char* sub : {"", "/bin", "/bin/CVS", "/src", "/src/target"}) {
        mkdir((checkout + sub).c_str(), 0755);
    }
    auto check = [&] {
        gen_changeprogdir((checkout + "/bin").c_str());
        bool first = gen_is_vendor_dev_program();
        rmdir((checkout + "/bin/CVS").c_str());
        _exit(first == gen_is_vendor_dev_program() ? first : 9); // the answer is kept
    };
    EXPECT_EXIT(check(), ExitedWithCode(0), "");
    mkdir((checkout + "/src/configuration").c_str(), 0755);
    mkdir((checkout + "/bin/CVS").c_str(), 0755); // the first child removed it
    EXPECT_EXIT(check(), ExitedWithCode(1), "");
}

} // namespace
