// The chunk reader: walking nested groups over bytes built from the format's rules, the
// status each kind of damage gives, and the LIST, CAT and PROP traversal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/patches/iff_archive_read.h"
#include "setup/patches/test_iff_bytes.h"

namespace {
// Records every chunk a walk meets, descending into every group.
std::string seen;

int WalkGroup(_GroupContext* parent) {
    _GroupContext group;
    int status = OpenRGroup(parent, &group);
    while (status == kIffOkay) {
        int id = GetChunkHdr(&group);
        if (id < 0) {
            status = id == kIffEndMark ? kIffOkay : id;
            break;
        }
        for (int shift = 24; shift >= 0; shift -= 8) seen += static_cast<char>(id >> shift);
        seen += '|';
        if (IsIffGroupID(id)) status = WalkGroup(&group);
    }
    CloseRGroup(&group);
    return status;
}

_ClientFrame walker = {WalkGroup, WalkGroup, WalkGroup, WalkGroup};

int Read(const std::string& bytes, _ClientFrame* frame = &walker) {
    seen.clear();
    FILE* file = FileWith(bytes);
    int status = ReadIFF(file, frame);
    fclose(file);
    return status;
}

TEST(IffReader, WalksNestedGroupsSkippingUnreadDataAndPadBytes) {
    std::string bytes =
        Group("FORM", "TEST",
              Chunk("ODD ", "xyz") + Group("LIST", "SUBT", Group("FORM", "INNR", "")) +
                  Chunk("LAST", "ab"));
    EXPECT_EQ(Read(bytes), kIffOkay);
    EXPECT_EQ(seen, "ODD |LIST|FORM|LAST|");
}

TEST(IffReader, EachKindOfDamageGivesItsStatus) {
    std::string good = Group("FORM", "TEST", Chunk("DATA", "abcd"));
    struct Case {
        const char* what;
        std::string bytes;
        int status;
    } cases[] = {
        {"empty file", "", kIffNotArchive},
        {"shorter than a header", good.substr(0, 7), kIffNotArchive},
        {"top level not a group", Chunk("DATA", "abcd"), kIffNotArchive},
        {"truncated", good.substr(0, good.size() - 1), kIffBadArchive},
        {"odd group size", Id("FORM") + Le32(5) + Id("TEST") + "x" + std::string(1, '\0'),
         kIffBadArchive},
        {"chunk larger than its group", Group("FORM", "TEST", Id("DATA") + Le32(6) + "abcd"),
         kIffBadArchive},
        {"identifier not positive", Group("FORM", "TEST", Le32(0x80000000u) + Le32(0)),
         kIffBadArchive},
        {"partial header at the end", Group("FORM", "TEST", "abcd"), kIffBadArchive},
        {"group too short for its subtype", Id("FORM") + Le32(2) + "ab", kIffShortChunk},
    };
    for (const Case& c : cases) EXPECT_EQ(Read(c.bytes), c.status) << c.what;
    EXPECT_EQ(ReadIFF(nullptr, &walker), kIffNoFile);
    EXPECT_EQ(FileLength(nullptr), kIffNoFile);
}

TEST(IffReader, ReadsNoMoreThanTheChunkHolds) {
    FILE* file = FileWith(Group("FORM", "TEST", Chunk("DATA", "abc")));
    _GroupContext top, group;
    ASSERT_EQ(OpenRIFF(file, &top, &walker), kIffOkay);
    ASSERT_EQ(GetChunkHdr(&top), kIdForm);
    EXPECT_EQ(top.subtype, MakeIffID('T', 'E', 'S', 'T'));
    ASSERT_EQ(OpenRGroup(&top, &group), kIffOkay);
    ASSERT_EQ(GetChunkHdr(&group), MakeIffID('D', 'A', 'T', 'A'));
    char buffer[4] = {};
    EXPECT_EQ(IFFReadBytes(&group, buffer, 4), kIffShortChunk);
    EXPECT_EQ(IFFReadBytes(&group, buffer, -1), kIffClientError);
    EXPECT_EQ(IFFReadBytes(&group, buffer, 3), kIffOkay);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(GetChunkHdr(&group), kIffEndMark);
    EXPECT_EQ(GetChunkHdr(&group), kIffEndMark);
    CloseRGroup(&group);
    EXPECT_EQ(top.position, 24); // the pad byte was skipped as well
    fclose(file);
    EXPECT_EQ(SwapBytes32(0x01020304), 0x04030201);
}

// Handlers that note what the standard LIST and CAT traversal hands out.
std::vector<std::string> handed;
int OnProp(_GroupContext* parent) {
    _GroupContext prop;
    int id = OpenRGroup(parent, &prop);
    while (id >= 0) id = GetPChunkHdr(&prop);
    CloseRGroup(&prop);
    handed.push_back("prop");
    return id == kIffEndMark ? kIffOkay : id;
}
_ClientFrame lister = {[](_GroupContext* g) { return ReadIList(g, nullptr); }, OnProp,
                       [](_GroupContext*) { return handed.push_back("form"), kIffOkay; }, ReadICat};

TEST(IffReader, ListsAndCatsHandOutTheirGroups) {
    std::string form = Group("FORM", "ITEM", "");
    std::string prop = Group("PROP", "ITEM", Chunk("DATA", "ab"));
    handed.clear();
    EXPECT_EQ(Read(Group("LIST", "ITEM", prop + form + Group("CAT ", "ITEM", form)), &lister),
              kIffOkay);
    EXPECT_EQ(handed, (std::vector<std::string>{"prop", "form", "form"}));
    EXPECT_EQ(Read(Group("LIST", "ITEM", form + prop), &lister), kIffBadArchive);
    EXPECT_EQ(Read(Group("CAT ", "ITEM", prop), &lister), kIffBadArchive);
    EXPECT_EQ(Read(Group("LIST", "ITEM", Chunk("DATA", "ab")), &lister), kIffBadArchive);
    EXPECT_EQ(Read(Group("LIST", "ITEM", Group("PROP", "ITEM", form)), &lister), kIffBadArchive);

    FILE* file = FileWith(Group("FORM", "TEST", form + prop));
    _GroupContext top, group;
    ASSERT_EQ(OpenRIFF(file, &top, &lister), kIffOkay);
    ASSERT_EQ(GetChunkHdr(&top), kIdForm);
    ASSERT_EQ(OpenRGroup(&top, &group), kIffOkay);
    handed.clear();
    EXPECT_EQ(GetF1ChunkHdr(&group), kIffOkay); // the nested FORM went to its handler
    EXPECT_EQ(handed.size(), 1u);
    EXPECT_EQ(GetFChunkHdr(&group), kIffBadArchive); // no PROP inside a FORM
    fclose(file);
}
} // namespace
