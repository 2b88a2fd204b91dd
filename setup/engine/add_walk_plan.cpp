// The add walks' plan (see add_walk_plan.h). Members are noted per archive and count only
// from the next archive on: gtar takes care of its own archive, creating every directory
// with owner write and giving it its stored mode at the end. Names are compared the way
// the tar scanner normalises them, so "./a/b" and "a/b/" are the same path.
#include "setup/engine/add_walk_plan.h"

namespace {

const mode_t kOwnerWrite = 0200;
const mode_t kOwnerWriteAndSearch = 0300;

} // namespace

AddWalkPlan::Left AddWalkPlan::LeftBy(const TarMember& member) const {
    mode_t mode = static_cast<mode_t>(member.mode) & ~umask_;
    switch (member.type) {
    case TarMember::kDirectory:
        return (mode & kOwnerWriteAndSearch) == kOwnerWriteAndSearch ? kWritable
                                                                     : kReadOnlyDirectory;
    case TarMember::kSymlink:
        return kLink;
    case TarMember::kHardLink: {
        // A second name of a file has the file's mode, whatever its own header says.
        auto noted = current_.find(member.linkTarget);
        if (noted != current_.end()) return noted->second == kReadOnly ? kReadOnly : kWritable;
        return readOnly_.count(member.linkTarget) ? kReadOnly : kWritable;
    }
    default:
        return mode & kOwnerWrite ? kWritable : kReadOnly;
    }
}

// Whether a directory above `name` ("." at the top) was left read-only, or is a link that
// may lead to such a directory.
bool AddWalkPlan::Above(const std::string& name) const {
    if (name == "." || (readOnlyDirs_.empty() && links_.empty())) return false;
    for (size_t end = name.rfind('/');;
         end = end == 0 ? std::string::npos : name.rfind('/', end - 1)) {
        std::string dir = end == std::string::npos ? "." : name.substr(0, end);
        if (readOnlyDirs_.count(dir) || links_.count(dir)) return true;
        if (end == std::string::npos) return false;
    }
}

bool AddWalkPlan::InTheWay(const TarMember& member) const {
    // With nothing read-only left, no link can lead to it either.
    if (member.refused || readOnly_.empty()) return false;
    return readOnly_.count(member.name) || Above(member.name);
}

void AddWalkPlan::Note(const TarMember& member) {
    if (member.refused) return;
    Left left = LeftBy(member);
    // A writable member matters only where it takes the place of something noted before.
    if (left != kWritable || readOnly_.count(member.name) || links_.count(member.name) ||
        current_.count(member.name))
        current_[member.name] = left;
}

void AddWalkPlan::Walked() {
    readOnly_.clear();
    readOnlyDirs_.clear();
}

void AddWalkPlan::ArchiveEnded() {
    for (const auto& [name, left] : current_) {
        readOnly_.erase(name);
        readOnlyDirs_.erase(name);
        links_.erase(name);
        if (left == kReadOnly || left == kReadOnlyDirectory) readOnly_.insert(name);
        if (left == kReadOnlyDirectory) readOnlyDirs_.insert(name);
        if (left == kLink) links_.insert(name);
    }
    current_.clear();
}
