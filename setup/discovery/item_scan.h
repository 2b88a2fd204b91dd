// The scan of item archives: from the archive that defines each item, the description and
// dependency members are read into memory while the archive is inflated in the process
// (archive_reader.h), several archives at once and the results in the order asked. Nothing
// is unpacked to disk. Start at ReadItemMembers; the rules that turn the members into a
// description and a dependency list are in item_sets.cpp.
#pragma once

#include <string>
#include <vector>

#include "setup/discovery/archive_reader.h"

// Of a description or dependency member only this much is read: a description is one
// line, and a dependency list this long already names far more items than a set holds.
constexpr size_t kLongestItemMember = 64 * 1024;

// One item archive to read: its path and the item N it defines (host_K_N[...].tgz).
struct ItemArchive {
    std::string path;
    std::string item;
};

// One of the item's two members (description or dependencies), from the first of its two
// places that the archive holds ("./N/readme.txt", then "./readme_N.txt"); empty when it
// holds neither.
struct ItemMember {
    std::string text; // its first kLongestItemMember bytes
    bool cut = false; // it was longer than that
};

struct ItemMembers {
    // "" when the item can be used. Otherwise what is wrong: with the archive (as
    // ArchiveRead says) or with a member that is no plain file ("./N/readme.txt is not a
    // regular file"): a link, a directory, a FIFO or a device.
    std::string problem;
    ItemMember readme, depends;
    ArchiveRead read; // the archive's sizes, for the distribution's lists
};

// Reads the members of each item from its archive, the results in the order of `archives`.
// A member may sit in either of its places; whichever the archive holds, in any tar form
// gtar reads, counts (the last copy when it holds several), as gtar would unpack it.
std::vector<ItemMembers> ReadItemMembers(const std::vector<ItemArchive>& archives,
                                         const ArchiveReadLimits& limits);

// With -save_catalogs, once both sets are scanned: writes the distribution's checksums and
// sizes lists (distribution_sums.h), taking the sizes of the archives the scans read whole
// from them. Archives that cannot be read are noted as distribution problems; lists that
// cannot be written get the catalogs' message, unless a catalog's failure gave it already.
void SaveDistributionLists();
