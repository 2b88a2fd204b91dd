// The gzip front end on its own: the pieces a file happens to be read in (down to single
// bytes, with a member's magic split between two) change nothing in the stream, the answer
// or the byte blamed.
#include <gtest/gtest.h>

#include "setup/engine/gzip_inflater.h"
#include "setup/engine/inflate_in_pieces.h"
#include "support/temp_dir.h"

namespace {

TEST(GzipInflaterTest, HowTheFileIsCutIntoPiecesChangesNothing) {
    ScopedTempDir tmp;
    ASSERT_EQ(ShellStatus("cd '" + tmp.path() + "' && head -c 70000 /dev/urandom > r && " +
                          "seq 1 20000 > t && gzip -c r > one.gz && gzip -c t > two.gz && " +
                          "cat r t > both"),
              0);
    std::string one = ReadFile(tmp / "one.gz"), two = ReadFile(tmp / "two.gz");
    std::string both = ReadFile(tmp / "both");
    std::string multi = one + two + std::string(300, '\0');
    struct Case {
        std::string file;
        GzipInflater::Status status;
        std::string stream; // what a whole-file feed must give, when known
    } cases[] = {
        {multi, GzipInflater::kEnd, both},
        {multi.substr(0, one.size() + 1), GzipInflater::kCorrupt, ""}, // lone magic byte
        {multi.substr(0, one.size() + two.size() / 2), GzipInflater::kCorrupt, ""},
        {one + "\x1f" + "x", GzipInflater::kCorrupt, ""},
        {"\x1f", GzipInflater::kNotGzip, ""},
    };
    GzipInflater inflater;
    for (const Case& c : cases) {
        InflateOutcome whole = InflateInPieces(inflater, c.file, c.file.size(), 1 << 20);
        EXPECT_EQ(whole.status, c.status);
        if (!c.stream.empty()) {
            EXPECT_TRUE(whole.stream == c.stream);
        }
        for (size_t feed : {1, 2, 7, 4096, 65536}) {
            for (size_t room : {1, 1000, 1 << 20}) {
                if (feed * room == 1) continue; // a minute of byte-by-byte: 2 and 7 do it
                SCOPED_TRACE("feed " + std::to_string(feed) + " room " + std::to_string(room));
                InflateOutcome cut = InflateInPieces(inflater, c.file, feed, room);
                EXPECT_EQ(cut.status, whole.status);
                EXPECT_EQ(cut.errorOffset, whole.errorOffset);
                EXPECT_TRUE(cut.stream == whole.stream);
            }
        }
    }
}

} // namespace
