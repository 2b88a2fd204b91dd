// When the installation tree has to be made writable again during a run. Walking it before
// every archive costs time for nothing when no archive leaves anything read-only, or
// when nothing read-only is ever written over. The plan hears of every member before gtar
// does, remembers what an earlier archive of the run left read-only and names the member
// that would run into it; the engine walks the tree just before that member goes on to
// gtar. Start at AddWalkPlan::InTheWay.
#pragma once

#include <sys/types.h>

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "setup/engine/tar_members.h"

// What stands in a member's way is something an earlier archive left without owner write:
// the member's own path (a gtar that opens an existing file instead of replacing it cannot
// write a read-only one), or a directory above it, which no gtar can create entries in. A
// directory reached through a symbolic link of the run counts as above the member too.
class AddWalkPlan {
public:
    // `umask`: the permission bits gtar takes away from the modes stored in an archive (0
    // where it keeps them as stored, as it does for root).
    explicit AddWalkPlan(mode_t umask) : umask_(umask) {}

    // True when extracting `member` could meet something an earlier archive of the run left
    // read-only since the last walk.
    bool InTheWay(const TarMember& member) const;
    // `member` of the current archive is about to be extracted.
    void Note(const TarMember& member);
    // The tree was just made writable: what earlier archives left read-only is not any more.
    void Walked();
    // The current archive was expanded: what it left counts from the next archive on.
    void ArchiveEnded();

private:
    enum Left : unsigned char { kWritable, kReadOnly, kReadOnlyDirectory, kLink };

    Left LeftBy(const TarMember& member) const;
    bool Above(const std::string& name) const;

    mode_t umask_;
    std::unordered_set<std::string> readOnly_;      // by earlier archives, directories included
    std::unordered_set<std::string> readOnlyDirs_;  // the directories among them
    std::unordered_set<std::string> links_;         // symbolic links of the run, kept for good
    std::unordered_map<std::string, Left> current_; // what the current archive leaves
};
