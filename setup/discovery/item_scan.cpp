// Picking an item's description and dependency members out of its archive's tar stream
// (see item_scan.h). Each of the four places a member may have is watched on its own; a
// member that comes again replaces what was taken before, as a second copy would when
// unpacked. Members below a watched name make it a directory, as unpacking them would.
#include "setup/discovery/item_scan.h"

#include <algorithm>
#include <utility>

namespace {

// The places of the two members, the preferred one of each first.
enum Place { kReadmeInDir, kReadmeFlat, kDependsInDir, kDependsFlat, kNumPlaces };

struct Found {
    enum State { kAbsent, kPlainFile, kOther };
    State state = kAbsent;
    ItemMember member;
};

class MemberPicker : public MemberListener {
public:
    MemberPicker(const std::vector<ItemArchive>& archives, std::vector<ItemMembers>* results)
        : archives_(archives), results_(results) {}

    uint64_t Member(size_t archive, const TarMember& member) override {
        Start(archive);
        taking_ = nullptr;
        for (int place = 0; place < kNumPlaces; place++) {
            const std::string& name = names_[place];
            Found& found = found_[place];
            if (member.name == name) {
                found = Found();
                if (member.type != TarMember::kFile) {
                    found.state = Found::kOther;
                    return 0;
                }
                found.state = Found::kPlainFile;
                found.member.cut = member.size > kLongestItemMember;
                taking_ = &found.member.text;
                return std::min<uint64_t>(member.size, kLongestItemMember);
            }
            if (member.name.size() > name.size() && member.name[name.size()] == '/' &&
                member.name.compare(0, name.size(), name) == 0) {
                found = Found();
                found.state = Found::kOther;
            }
        }
        return 0;
    }

    void Contents(size_t, const char* data, size_t size) override {
        if (taking_) taking_->append(data, size);
    }

    void Ended(size_t archive, const ArchiveRead& read) override {
        Start(archive); // an archive without members never came to Member
        ItemMembers& result = (*results_)[archive];
        result.read = read;
        result.problem = read.problem;
        if (result.problem.empty())
            result.readme = Choose(kReadmeInDir, kReadmeFlat, &result.problem);
        if (result.problem.empty())
            result.depends = Choose(kDependsInDir, kDependsFlat, &result.problem);
        // The next archive starts afresh, and this one's texts are not held twice.
        for (Found& found : found_) found = Found();
        taking_ = nullptr;
    }

private:
    // The places to watch in archive `archive`, named as the tar scanner names members.
    void Start(size_t archive) {
        if (archive == current_) return;
        current_ = archive;
        const std::string& item = archives_[archive].item;
        names_[kReadmeInDir] = item + "/readme.txt";
        names_[kReadmeFlat] = "readme_" + item + ".txt";
        names_[kDependsInDir] = item + "/depends.txt";
        names_[kDependsFlat] = "depends_" + item + ".txt";
        for (Found& found : found_) found = Found();
        taking_ = nullptr;
    }

    // The member from the first of its places the archive holds; a place that holds
    // anything but a plain file makes the item unusable.
    ItemMember Choose(Place preferred, Place alternative, std::string* problem) {
        for (Place place : {preferred, alternative}) {
            if (found_[place].state == Found::kPlainFile) return std::move(found_[place].member);
            if (found_[place].state == Found::kOther) {
                *problem = "./" + names_[place] + " is not a regular file";
                break;
            }
        }
        return ItemMember();
    }

    const std::vector<ItemArchive>& archives_;
    std::vector<ItemMembers>* results_;
    size_t current_ = static_cast<size_t>(-1);
    std::string names_[kNumPlaces];
    Found found_[kNumPlaces];
    std::string* taking_ = nullptr;
};

} // namespace

std::vector<ItemMembers> ReadItemMembers(const std::vector<ItemArchive>& archives,
                                         const ArchiveReadLimits& limits) {
    std::vector<std::string> paths;
    for (const ItemArchive& archive : archives) paths.push_back(archive.path);
    std::vector<ItemMembers> results(archives.size());
    MemberPicker picker(archives, &results);
    ReadArchives(paths, limits, &picker);
    return results;
}
