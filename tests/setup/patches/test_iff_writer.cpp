// The chunk writer: the bytes it produces, and the rules by which it refuses to produce a
// malformed archive.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "setup/patches/iff_archive_write.h"
#include "setup/patches/test_iff_bytes.h"

namespace {
int Id4(const char* id) {
    return MakeIffID(id[0], id[1], id[2], id[3]);
}

TEST(IffWriter, WritesChunksInTheStoredByteOrder) {
    FILE* file = tmpfile();
    _GroupContext top, outer, inner;
    ASSERT_EQ(OpenWIFF(file, &top, kIffSizeUnknown), kIffOkay);
    ASSERT_EQ(StartWGroup(&top, kIdForm, kIffSizeUnknown, Id4("TEST"), &outer), kIffOkay);
    ASSERT_EQ(PutCk(&outer, Id4("ODD "), 3, "xyz"), kIffOkay);
    ASSERT_EQ(StartWGroup(&outer, kIdForm, 12, Id4("SUBT"), &inner), kIffOkay);
    ASSERT_EQ(PutCk(&inner, Id4("EVEN"), 0, ""), kIffOkay);
    ASSERT_EQ(EndWGroup(&inner), kIffOkay);
    // Data arriving in pieces, its size patched in at the end.
    ASSERT_EQ(PutCkHdr(&outer, Id4("LATE"), kIffSizeUnknown), kIffOkay);
    ASSERT_EQ(IFFWriteBytes(&outer, "abc", 3), kIffOkay);
    ASSERT_EQ(IFFWriteBytes(&outer, "de", 2), kIffOkay);
    ASSERT_EQ(PutCkEnd(&outer), kIffOkay);
    ASSERT_EQ(EndWGroup(&outer), kIffOkay);
    ASSERT_EQ(CloseWGroup(&top), kIffOkay);

    std::string expected = Group("FORM", "TEST",
                                 Chunk("ODD ", "xyz") + Group("FORM", "SUBT", Chunk("EVEN", "")) +
                                     Chunk("LATE", "abcde"));
    EXPECT_EQ(FileBytes(file), expected);
    EXPECT_EQ(top.position, static_cast<int>(expected.size()));
    fclose(file);
}

TEST(IffWriter, RefusesWhatWouldMakeAMalformedArchive) {
    FILE* file = tmpfile();
    _GroupContext top, group, inner;
    EXPECT_EQ(OpenWIFF(file, &top, 31), kIffClientError); // odd limit
    ASSERT_EQ(OpenWIFF(file, &top, 40), kIffOkay);
    EXPECT_EQ(PutCkHdr(&top, Id4("DATA"), 4), kIffClientError); // not a group at file level
    EXPECT_EQ(PutCkHdr(&top, kIdForm, 40), kIffClientError);    // beyond the limit
    EXPECT_EQ(IFFWriteBytes(&top, "x", 1), kIffClientError);    // no chunk open
    EXPECT_EQ(PutCkEnd(&top), kIffClientError);
    ASSERT_EQ(StartWGroup(&top, kIdForm, 32, Id4("TEST"), &group), kIffOkay);
    EXPECT_EQ(PutCkHdr(&top, kIdForm, 0), kIffClientError); // a chunk is already open
    EXPECT_EQ(CloseWGroup(&top), kIffClientError);

    EXPECT_EQ(PutCkHdr(&group, 0, 1), kIffClientError); // identifiers are positive
    EXPECT_EQ(PutCkHdr(&group, Id4("DATA"), -2), kIffClientError);
    EXPECT_EQ(PutCkHdr(&group, Id4("DATA"), 21), kIffClientError); // past the group's end
    EXPECT_EQ(PutCk(&group, Id4("DATA"), kIffSizeUnknown, ""), kIffClientError);
    ASSERT_EQ(PutCkHdr(&group, Id4("DATA"), 3), kIffOkay);
    EXPECT_EQ(OpenWGroup(&group, &inner), kIffClientError); // odd bound inside DATA
    EXPECT_EQ(IFFWriteBytes(&group, "abcd", 4), kIffClientError);
    EXPECT_EQ(IFFWriteBytes(&group, "ab", -1), kIffClientError);
    ASSERT_EQ(IFFWriteBytes(&group, "ab", 2), kIffOkay);
    EXPECT_EQ(PutCkEnd(&group), kIffClientError); // fewer bytes than announced
    EXPECT_EQ(CloseWGroup(&group), kIffClientError);
    fclose(file);
}

TEST(IffWriter, ReportsFileErrorsAndMissingFiles) {
    _GroupContext top, group;
    EXPECT_EQ(OpenWIFF(nullptr, &top, kIffSizeUnknown), kIffNoFile);
    // Only the device will do: opening the name for writing where there is none would
    // create a plain file outside the test's own directory.
    struct stat st;
    if (stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode))
        GTEST_SKIP() << "this machine has no /dev/full";
    int fd = open("/dev/full", O_WRONLY);
    FILE* full = fd >= 0 ? fdopen(fd, "w") : nullptr;
    ASSERT_NE(full, nullptr);
    ASSERT_EQ(OpenWIFF(full, &top, kIffSizeUnknown), kIffOkay);
    ASSERT_EQ(StartWGroup(&top, kIdForm, kIffSizeUnknown, Id4("TEST"), &group), kIffOkay);
    EXPECT_EQ(EndWGroup(&group), kIffFileError);
    fclose(full);
}
} // namespace
