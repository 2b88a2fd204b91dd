// A fresh directory for one test, removed with everything in it when the test ends.
#pragma once

#include <string>

class ScopedTempDir {
public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Small file helpers for tests.
void WriteFile(const std::string& path, const std::string& contents, int mode = 0644);
std::string ReadFile(const std::string& path);
bool PathExists(const std::string& path);
// Entries of `dir` whose names do not begin with '.'; 0 when it cannot be read.
int CountEntries(const std::string& dir);
int ShellStatus(const std::string& command); // /bin/sh -c, the exit status
