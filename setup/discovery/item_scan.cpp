// One scan command and the tree it unpacks into (see item_scan.h). gtar names members it
// cannot find ("Not found in archive") and then exits with status 2; every item archive
// lacks two of the four members asked for, so that status alone says nothing. A damaged
// archive is one whose command failed and said something else: a gzip or tar error. The
// command runs with LC_ALL=C so that those lines can be told apart.
#include "setup/discovery/item_scan.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "setup/install_options.h"
#include "setup/setup_entry.h"
#include "shared/indgen.h"
#include "shared/libcxxutil/ut_childgroups.h"
#include "shared/libcxxutil/ut_system.h"

namespace {

// Removes a tree without following symbolic links, so an unpacked member that links
// elsewhere cannot take anything outside the tree with it.
void RemoveTree(const std::string& path) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0) return;
    if (!S_ISDIR(status.st_mode)) {
        unlink(path.c_str());
        return;
    }
    chmod(path.c_str(), 0700);
    if (DIR* dir = opendir(path.c_str())) {
        std::vector<std::string> entries;
        while (dirent* entry = readdir(dir))
            if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
                entries.push_back(entry->d_name);
        closedir(dir);
        for (const std::string& entry : entries) RemoveTree(path + "/" + entry);
    }
    rmdir(path.c_str());
}

// The tree that exists now, for the exit-time clean-up; plain storage, because that runs
// after the program's objects may be gone.
char* liveTree = nullptr;
pid_t treeOwner = 0;

// Runs at exit, also when a signal trap ends the program during a scan. The command is
// stopped first: it may still be writing into the tree.
void RemoveLiveTree() {
    if (!liveTree || getpid() != treeOwner) return;
    ut_StopAllChildGroups();
    RemoveTree(liveTree);
    gen_free(liveTree);
    liveTree = nullptr;
}

void TrackTree(const std::string& path) {
    static bool cleanUpRegistered = false;
    if (!cleanUpRegistered) {
        cleanUpRegistered = true;
        atexit(RemoveLiveTree);
    }
    gen_free(liveTree);
    liveTree = gen_copy(path.c_str());
    treeOwner = getpid();
}

void ForgetTree() {
    gen_free(liveTree);
    liveTree = nullptr;
}

long ScanLimitMs() {
    int seconds =
        installOptions.scanTimeout > 0 ? installOptions.scanTimeout : kDefaultScanTimeoutSeconds;
    return seconds * 1000L;
}

std::string Quoted(const std::string& word) {
    char* quoted = QuoteCommandWord(word.c_str());
    std::string result = quoted;
    gen_free(quoted);
    return result;
}

bool Contains(const std::string& line, const char* piece) {
    return gen_strstr(line.c_str(), piece) != nullptr;
}

// What gtar says about members the archive simply does not have.
bool SaysOnlyMemberMissing(const std::string& line) {
    return Contains(line, "Not found in archive") ||
           Contains(line, "Exiting with failure status due to previous errors");
}

// The first line of the command's standard error that is not about a missing member.
std::string FirstErrorLine(const char* errors) {
    std::string text = errors ? errors : "";
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && !SaysOnlyMemberMissing(line)) return line;
        start = end + 1;
    }
    return "";
}

// What is wrong with an archive whose command ended with `status` and said `errors`.
std::string Judge(int status, bool timedOut, const char* errors) {
    if (timedOut) {
        long seconds = ScanLimitMs() / 1000;
        return "unpacking did not finish within " + std::to_string(seconds) +
               (seconds == 1 ? " second" : " seconds") + " and was stopped";
    }
    if (status == -1) return "the unpacking command could not be run";
    if (WIFSIGNALED(status))
        return "unpacking was ended by signal " + std::to_string(WTERMSIG(status));
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
    std::string line = FirstErrorLine(errors);
    if (!line.empty()) return line;
    // Only gtar's account of the members the archive lacks: a sound archive.
    if (errors && *errors) return "";
    return "unpacking failed with status " + std::to_string(WEXITSTATUS(status));
}

} // namespace

ScanTree::ScanTree() {
    char* made = gen_createtmpdir(nullptr, 0755);
    if (made) {
        path_ = made;
        TrackTree(path_);
    }
    gen_free(made);
    if (path_.empty() || gen_chdir(path_.c_str()) != 0)
        SetupReportErrorAndExit("Could not create temporary directory.");
}

ScanTree::~ScanTree() {
    if (path_.empty()) return;
    RemoveTree(path_);
    ForgetTree();
}

void ScanTree::Leave(const char* dir) {
    gen_chdir(dir);
    RemoveTree(path_);
    ForgetTree();
    path_.clear();
}

std::string UnpackItemMembers(const std::string& prefix, const std::string& archive,
                              const std::string& item) {
    // A FIFO or a device would hold gtar until the time limit; a directory gtar refuses
    // at once, in its own words.
    struct stat status;
    if (stat(archive.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))
        return "not a regular file";
    std::string command = prefix + Quoted(archive);
    for (const char* form :
         {"./%s/readme.txt", "./%s/depends.txt", "./readme_%s.txt", "./depends_%s.txt"}) {
        char* member = gen_asprintf(form, item.c_str());
        command += " " + Quoted(member);
        gen_free(member);
    }
    static const char* const kPlainMessages[] = {"LC_ALL=C", nullptr};
    char* errors = nullptr;
    bool timedOut = false;
    int ended = BlockingExecuteWithLimit(command.c_str(), kPlainMessages, ScanLimitMs(), nullptr,
                                         &errors, &timedOut);
    std::string problem = Judge(ended, timedOut, errors);
    gen_free(errors);
    return problem;
}
