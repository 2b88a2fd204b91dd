// The wizard's validation rules (class Error): each rule belongs to one page, is evaluated
// once per visit by Check (see CheckSegments in components.cpp) and only sets its failed
// flag and the text the wizard shows; the wizard decides what to do with a failure.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "setup/install_options.h"
#include "shared/indgen.h"
#include "windlib/dialog/wyesno.h"

Error::Error(int id, int segment, const char* message, bool isQuestion)
    : segment(segment), id(id), isQuestion(isQuestion), checked(false), failed(false),
      message(gen_copy(message)), text(gen_copy(message)) {}

void Error::Notify() {
    wAlert(text ? text : message, 0);
}

namespace {
enum RuleId {
    kNoDirectory = 0,
    kDirectoryExists = 1,
    kCannotWrite = 2,
    kNoTarget = 3,
    kNoComponent = 4,
    kNoInstallType = 5
};

bool Chosen(const Component* c) {
    return c && c->available && c->selected;
}

bool AnyTypeChosen() {
    for (const Component* type : installOptions.types)
        if (Chosen(type)) return true;
    return false;
}

bool AnyTargetChosen() {
    for (int target = 0; target < kAllTargets; target++)
        if (Chosen(installOptions.targets[target])) return true;
    return false;
}

bool AnyContentKindChosen() {
    return Chosen(installOptions.components[kKindDocs]) ||
           Chosen(installOptions.components[kKindTools]);
}

bool Exists(const std::string& path) {
    return gen_access(path.c_str(), 0) == 0;
}

// The outermost directory of `dir` that does not exist yet ("" when dir exists).
std::string FirstMissingDirectory(const std::string& dir) {
    std::string missing;
    std::string path = dir;
    while (!path.empty() && !Exists(path)) {
        missing = path;
        size_t slash = path.find_last_of('/');
        if (slash == std::string::npos || slash == 0) break;
        path.erase(slash);
    }
    return missing;
}

// Creates a scratch file in dir without touching any file that is already there.
bool CanCreateFileIn(const std::string& dir) {
    for (int attempt = 0; attempt < 100; attempt++) {
        std::string probe = dir + "/test";
        if (attempt > 0) probe += std::to_string(attempt);
        int fd = gen_open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd >= 0) {
            close(fd);
            gen_unlink(probe.c_str());
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

// The expanded form of a directory name, without trailing slashes.
std::string ExpandedDirectory(const char* name) {
    char* expanded = gen_expand_filename(name);
    std::string dir = expanded ? expanded : "";
    gen_free(expanded);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

// Whether the installation directory can be written, leaving no directory behind that
// did not exist before the check.
bool TargetDirWritable(const char* targetDir) {
    std::string dir = ExpandedDirectory(targetDir);
    if (dir.empty()) return false;
    std::string created = FirstMissingDirectory(dir);
    if (!created.empty()) gen_createdir_recursive(dir.c_str(), 0755);
    bool writable = CanCreateFileIn(dir);
    // Remove only the levels made here, innermost first; rmdir keeps anything that has
    // appeared in them meanwhile.
    if (!created.empty())
        for (std::string level = dir; rmdir(level.c_str()) == 0 && level != created;)
            level.erase(level.find_last_of('/'));
    return writable;
}

bool TargetDirExists(const char* targetDir) {
    return Exists(ExpandedDirectory(targetDir));
}
} // namespace

void Error::Check() {
    if (checked) return;
    const char* targetDir = installOptions.targetDir ? installOptions.targetDir : "";
    gen_free(text);
    text = gen_copy(message);
    switch (id) {
    case kNoDirectory:
        failed = gen_stricmp(targetDir, "") == 0;
        break;
    case kDirectoryExists:
        failed = *targetDir != '\0' && TargetDirExists(targetDir);
        text = gen_fconcat3(text, targetDir, "?");
        break;
    case kCannotWrite:
        failed = !TargetDirWritable(targetDir);
        text = gen_fconcat3(text, targetDir, ".");
        break;
    case kNoTarget:
        failed = !AnyTargetChosen();
        break;
    case kNoComponent: {
        const Component* blw = installOptions.types[kTypeBlw];
        failed = blw && blw->selected ? !AnyTypeChosen() : !AnyContentKindChosen();
        break;
    }
    case kNoInstallType:
        failed = !AnyTypeChosen();
        break;
    default:
        failed = false;
        break;
    }
    checked = true;
}
