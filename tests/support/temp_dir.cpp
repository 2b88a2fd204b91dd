// Scoped temporary directories and file helpers for tests (see temp_dir.h).
#include "support/temp_dir.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

ScopedTempDir::ScopedTempDir() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vt_test_XXXXXX";
    char* made = mkdtemp(&pattern[0]);
    path_ = made ? made : "";
}

ScopedTempDir::~ScopedTempDir() {
    if (path_.empty()) return;
    // Tests leave read-only files and directories behind; make everything writable first.
    ShellStatus("chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'");
}

void WriteFile(const std::string& path, const std::string& contents, int mode) {
    std::ofstream(path, std::ios::binary) << contents;
    chmod(path.c_str(), mode);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool PathExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

int CountEntries(const std::string& dir) {
    int count = 0;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* entry = readdir(d)) count += entry->d_name[0] != '.';
        closedir(d);
    }
    return count;
}

int ShellStatus(const std::string& command) {
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
