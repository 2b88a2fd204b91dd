// The tar scanner against what the real tar writes and extracts: every archive format it
// can write, fed in slices of every awkward size; names as tar makes them on disk, refused
// ones included; and a damaged header, which is an error, never a crash.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "setup/engine/tar_members.h"
#include "support/temp_dir.h"

namespace {

typedef std::tuple<TarMember::Type, uint64_t, std::string> Described; // type, size, link

// Every member of `stream`, fed `slice` bytes at a time; stops at an error.
std::vector<TarMember> Scan(const std::string& stream, size_t slice, std::string* error = nullptr,
                            bool* clean = nullptr) {
    TarMemberScanner scanner;
    std::vector<TarMember> members;
    for (size_t at = 0; at < stream.size();) {
        size_t length = std::min(slice, stream.size() - at), used = 0;
        TarMemberScanner::Status status = scanner.Feed(stream.data() + at, length, &used);
        EXPECT_LE(used, length);
        if (status == TarMemberScanner::kBad) {
            if (error) *error = scanner.error();
            break;
        }
        EXPECT_GT(used, 0u);
        if (status == TarMemberScanner::kMember) {
            // The header ends exactly where the scanner stopped: on a block boundary.
            EXPECT_EQ(scanner.offset() % 512, 0u);
            members.push_back(scanner.member());
        }
        at += used;
    }
    if (clean) *clean = scanner.EndedCleanly();
    return members;
}

std::map<std::string, Described> ByName(const std::vector<TarMember>& members) {
    std::map<std::string, Described> named;
    for (const TarMember& m : members) named[m.name] = Described(m.type, m.size, m.linkTarget);
    return named;
}

class TarMembersTest : public testing::Test {
protected:
    std::string Archive(const std::string& format, const std::string& extra = "") {
        std::string archive = tmp / (format + ".tar");
        EXPECT_EQ(ShellStatus("tar -C '" + stage + "' --format=" + format + " --sort=name " +
                              extra + " -cf '" + archive + "' ."),
                  0);
        return ReadFile(archive);
    }
    // What every format can hold: names under 100 bytes, short links.
    void StageShortNames() {
        ASSERT_EQ(ShellStatus("mkdir -p '" + stage + "/dir/sub' && cd '" + stage +
                              "' && head -c 1000 /dev/urandom > dir/file && : > dir/empty && "
                              "ln -s file dir/link && ln dir/file dir/hard"),
                  0);
    }
    std::map<std::string, Described> ShortExpected() const {
        return {{".", Described(TarMember::kDirectory, 0, "")},
                {"dir", Described(TarMember::kDirectory, 0, "")},
                {"dir/sub", Described(TarMember::kDirectory, 0, "")},
                {"dir/file", Described(TarMember::kFile, 1000, "")},
                {"dir/empty", Described(TarMember::kFile, 0, "")},
                {"dir/link", Described(TarMember::kSymlink, 0, "file")},
                {"dir/hard", Described(TarMember::kHardLink, 0, "dir/file")}};
    }

    ScopedTempDir tmp;
    std::string stage = tmp / "stage";
};

const size_t kSlices[] = {1, 100, 511, 512, 513, 7000, 1 << 20};

TEST_F(TarMembersTest, EveryFormatReadsAsTarWroteIt) {
    StageShortNames();
    for (const char* format : {"v7", "ustar", "gnu", "posix"}) {
        std::string stream = Archive(format);
        std::map<std::string, Described> expected = ShortExpected();
        for (size_t slice : kSlices) {
            bool clean = false;
            EXPECT_EQ(ByName(Scan(stream, slice, nullptr, &clean)), expected)
                << format << " in slices of " << slice;
            EXPECT_TRUE(clean) << format;
        }
    }
}

TEST_F(TarMembersTest, LongNamesAndLinksInEveryFormatThatHoldsThem) {
    StageShortNames();
    // Over 100 bytes, but in pieces that ustar can split into its prefix and name fields.
    const std::string medium = "m/" + std::string(60, 'a') + "/" + std::string(60, 'b') + "/file";
    std::string deep = "d"; // over 255
    for (int i = 0; i < 20; i++) deep += "/" + std::string(14, 'b' + i % 20);
    const std::string target = std::string(150, 't'); // link over 100
    ASSERT_EQ(ShellStatus("cd '" + stage + "' && mkdir -p \"$(dirname " + medium +
                          ")\" \"$(dirname " + deep + ")\" && echo m > " + medium +
                          " && echo d > " + deep + " && ln -s " + target + " dir/longlink"),
              0);
    for (const char* format : {"ustar", "gnu", "posix"}) {
        bool ustar = std::string(format) == "ustar";
        // ustar has no room for the deep name or the long link: tar leaves them out.
        std::string stream = Archive(format, ustar ? "--exclude=./d --exclude=./dir/longlink" : "");
        for (size_t slice : kSlices) {
            std::map<std::string, Described> got = ByName(Scan(stream, slice));
            EXPECT_EQ(got[medium], Described(TarMember::kFile, 2, "")) << format << " " << slice;
            if (ustar) continue;
            EXPECT_EQ(got[deep], Described(TarMember::kFile, 2, "")) << format << " " << slice;
            EXPECT_EQ(got["dir/longlink"], Described(TarMember::kSymlink, 0, target)) << format;
        }
    }
}

// Names as stored: absolute, with "..", with "./", "//" and "/./". The scanner must name
// what tar makes on disk and refuse what tar refuses.
TEST_F(TarMembersTest, NamesAreWhatTarMakesAndRefusesOnDisk) {
    ASSERT_EQ(ShellStatus("mkdir -p '" + stage + "' && cd '" + stage + "' && echo x > f"), 0);
    const std::string archive = tmp / "names.tar";
    const std::vector<std::string> stored = {"/abs/x", "a/../b",  "../up", "./c//d/./e",
                                             "q/..",   "./plain", "trail/"};
    for (const std::string& name : stored)
        ASSERT_EQ(ShellStatus("cd '" + stage + "' && tar -rPf '" + archive + "' --xform='s,^f$," +
                              name + ",' f"),
                  0)
            << name;
    const std::string out = tmp / "out";
    ShellStatus("mkdir '" + out + "' && cd '" + out + "' && tar -xf '" + archive + "' 2>/dev/null");

    std::vector<TarMember> members = Scan(ReadFile(archive), 333);
    ASSERT_EQ(members.size(), stored.size());
    std::set<std::string> expected;
    for (const TarMember& m : members) {
        for (size_t slash = 0; !m.refused && slash != std::string::npos;) {
            slash = m.name.find('/', slash + 1);
            expected.insert(m.name.substr(0, slash)); // the member and the parents tar makes
        }
    }
    const std::string made = tmp / "made";
    ShellStatus("cd '" + out + "' && find . -mindepth 1 -printf '%P\\n' > '" + made + "'");
    std::set<std::string> onDisk;
    std::istringstream lines(ReadFile(made));
    for (std::string line; std::getline(lines, line);) onDisk.insert(line);
    EXPECT_EQ(onDisk, expected);
    EXPECT_EQ(members[0].name, "abs/x");
    EXPECT_TRUE(members[1].refused && members[2].refused && members[4].refused);
    EXPECT_EQ(members[3].name, "c/d/e");
    EXPECT_EQ(members[6].type, TarMember::kDirectory); // a plain file named with a slash
}

TEST_F(TarMembersTest, DamagedOrCutStreamsAreErrorsNotCrashes) {
    StageShortNames();
    std::string stream = Archive("gnu");
    std::vector<TarMember> whole = Scan(stream, 512);
    ASSERT_GE(whole.size(), 3u);
    // The second header sits after the first member ("./", no contents).
    std::string damaged = stream;
    damaged[512 + 10] ^= 0x20;
    std::string error;
    std::vector<TarMember> before = Scan(damaged, 4096, &error);
    EXPECT_EQ(before.size(), 1u);
    EXPECT_NE(error.find("checksum"), std::string::npos) << error;
    EXPECT_NE(error.find("byte 512"), std::string::npos) << error;

    // Cut inside a header: no error, but not a clean end either.
    bool clean = true;
    Scan(stream.substr(0, 3 * 512 + 100), 4096, nullptr, &clean);
    EXPECT_FALSE(clean);
}

} // namespace
