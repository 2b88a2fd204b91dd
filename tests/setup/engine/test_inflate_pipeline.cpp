// The inflate pipeline on archives made with the real tar and gzip: streams exactly as
// "gzip -dc" gives them and in list order, whatever the jobs and however small the budget;
// damaged and missing archives named in their messages without stopping the rest; cancel
// leaving no thread and no buffer; the descriptor waking the consumer.
#include <poll.h>
#include <sys/stat.h>

#include <random>

#include <gtest/gtest.h>

#include "setup/engine/inflate_pipeline.h"
#include "support/temp_dir.h"

namespace {

// What the consumer took of one archive.
struct Taken {
    std::string stream;
    InflatePipeline::Step end = InflatePipeline::kNotYet;
    std::string message;
    InflateProgress progress;
};

long FileSize(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 ? static_cast<long>(status.st_size) : -1;
}

class InflatePipelineTest : public ::testing::Test {
protected:
    // Archive `name`.tgz of `files`, each "size:kind" (r random, t text), made with tar and
    // gzip, and beside it `name`.tar, what "gzip -dc" gives of it.
    std::string Archive(const std::string& name, const std::vector<std::string>& files) {
        std::string stage = tmp / ("stage_" + name), script = "set -e; mkdir -p '" + stage + "'\n";
        for (size_t i = 0; i < files.size(); i++) {
            std::string size = files[i].substr(0, files[i].size() - 2);
            std::string source = files[i].back() == 'r'
                                     ? "head -c " + size + " /dev/urandom"
                                     : "yes '" + name + " line' | head -c " + size;
            script += source + " > '" + stage + "/f" + std::to_string(i) + "'\n";
        }
        std::string archive = tmp / (name + ".tgz");
        script += "tar -C '" + stage + "' -cf - . | gzip -6 > '" + archive + "'\n";
        script += "gzip -dc '" + archive + "' > '" + tmp / (name + ".tar") + "'\n";
        EXPECT_EQ(ShellStatus(script), 0);
        return archive;
    }
    std::string Expected(const std::string& name) { return ReadFile(tmp / (name + ".tar")); }

    // Takes every archive as the engine will: Next until nothing is ready, then sleep on the
    // descriptor; writes pieces in `writeSize` bites as a full pipe would take them. A lost
    // wake-up fails instead of hanging. With `oneAtATime`, no archive after the current one
    // may ever have been opened.
    std::vector<Taken> ConsumeAll(InflatePipeline& pipeline, size_t writeSize,
                                  bool oneAtATime = false) {
        std::string error;
        EXPECT_TRUE(pipeline.Start(&error)) << error;
        std::vector<Taken> taken(pipeline.ArchiveCount());
        for (;;) {
            InflatePipeline::Piece piece;
            size_t k = pipeline.CurrentArchive();
            InflatePipeline::Step step =
                pipeline.Next(&piece, k < taken.size() ? &taken[k].message : nullptr);
            if (oneAtATime && k + 1 < taken.size()) {
                EXPECT_EQ(pipeline.Progress(k + 1).compressedSize, -1) << "archive " << k + 1;
            }
            if (step == InflatePipeline::kFinished) break;
            if (step == InflatePipeline::kPiece) {
                size_t bite = std::min(piece.size, writeSize);
                taken[k].stream.append(reinterpret_cast<const char*>(piece.data), bite);
                pipeline.Consumed(bite);
            } else if (step == InflatePipeline::kNotYet) {
                pollfd wait = {pipeline.Descriptor(), POLLIN, 0};
                if (poll(&wait, 1, 10000) != 1) {
                    ADD_FAILURE() << "no wake-up for archive " << k;
                    break;
                }
            } else {
                taken[k].end = step;
                taken[k].progress = pipeline.Progress(k);
                pipeline.NextArchive();
            }
        }
        return taken;
    }

    ScopedTempDir tmp;
};

TEST_F(InflatePipelineTest, StreamsComeInListOrderWithOneAndFourJobsUnderABudgetSmallerThanThem) {
    std::vector<std::string> archives, names;
    for (int i = 0; i < 12; i++) {
        names.push_back("a" + std::to_string(i));
        // Uneven: tiny, middling, and every fourth one many times the budget.
        std::string text = std::to_string(i % 4 == 1 ? 6000000 : 1 + i * 23000) + ":t";
        archives.push_back(Archive(names.back(), {std::to_string(97 * i + 1) + ":r", text,
                                                  std::to_string(i * 9000) + ":r"}));
    }
    const InflateLimits small = {0, 256 << 10, 64 << 10, 16 << 10};
    for (int jobs : {1, 4}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        InflateLimits limits = small;
        limits.jobs = jobs;
        InflatePipeline pipeline(archives, limits);
        std::vector<Taken> taken = ConsumeAll(pipeline, 7000, jobs == 1);
        ASSERT_EQ(taken.size(), archives.size());
        for (size_t k = 0; k < taken.size(); k++) {
            std::string expected = Expected(names[k]);
            EXPECT_EQ(taken[k].end, InflatePipeline::kEnded) << taken[k].message;
            EXPECT_TRUE(taken[k].stream == expected) << "archive " << k;
            EXPECT_EQ(taken[k].progress.compressedDone, FileSize(archives[k]));
            EXPECT_EQ(taken[k].progress.compressedSize, FileSize(archives[k]));
            EXPECT_EQ(taken[k].progress.streamTotal, static_cast<int64_t>(expected.size()));
        }
        EXPECT_LE(pipeline.HighWater(), small.budgetBytes + small.reserveBytes);
    }
}

TEST_F(InflatePipelineTest, DamagedArchivesAreNamedWithWhereTheyFailedAndTheRestStillCome) {
    std::string good = Archive("good", {"300000:r", "400000:t"});
    std::string other = Archive("other", {"200:t"});
    long size = FileSize(good);
    std::string whole = ReadFile(good);
    auto damaged = [&](const std::string& name, std::string bytes) {
        WriteFile(tmp / name, bytes);
        return tmp / name;
    };
    auto flipped = [&](long at) {
        std::string bytes = whole;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
        return bytes;
    };
    std::vector<std::string> archives = {
        damaged("text", "just some text\n"),
        damaged("empty", ""),
        damaged("truncated", whole.substr(0, size / 2)),
        damaged("flipped", flipped(size / 3)),
        damaged("crc", flipped(size - 7)),
        damaged("length", flipped(size - 2)),
        damaged("multi", whole + ReadFile(other) + std::string(1000, '\0')),
        damaged("garbage", whole + std::string(10, '\0') + "junk"),
        tmp / "missing.tgz",
        tmp / "fifo.tgz",
        other,
    };
    ASSERT_EQ(mkfifo(archives[9].c_str(), 0644), 0);
    InflateLimits limits;
    limits.jobs = 4;
    InflatePipeline pipeline(archives, limits);
    std::vector<Taken> taken = ConsumeAll(pipeline, 1 << 20);
    ASSERT_EQ(taken.size(), archives.size());
    auto offsetOf = [&](size_t k, const char* name) -> long {
        std::string prefix = tmp / name + ": corrupt compressed data at byte ";
        EXPECT_EQ(taken[k].end, InflatePipeline::kFailed) << name;
        EXPECT_EQ(taken[k].message.compare(0, prefix.size(), prefix), 0) << taken[k].message;
        return atol(taken[k].message.c_str() + std::min(prefix.size(), taken[k].message.size()));
    };
    EXPECT_EQ(taken[0].message, tmp / "text: not a gzip file");
    EXPECT_EQ(taken[1].message, tmp / "empty: not a gzip file");
    EXPECT_EQ(offsetOf(2, "truncated"), size / 2);
    EXPECT_EQ(taken[2].stream, Expected("good").substr(0, taken[2].stream.size()));
    long flippedAt = offsetOf(3, "flipped");
    EXPECT_TRUE(flippedAt >= size / 3 && flippedAt <= size) << flippedAt;
    for (size_t k : {4, 5}) {
        long at = offsetOf(k, k == 4 ? "crc" : "length");
        EXPECT_TRUE(at >= size - 8 && at <= size) << at;
    }
    EXPECT_EQ(taken[6].end, InflatePipeline::kEnded) << taken[6].message;
    EXPECT_TRUE(taken[6].stream == Expected("good") + Expected("other"));
    EXPECT_EQ(offsetOf(7, "garbage"), size + 10);
    EXPECT_EQ(taken[8].message, tmp / "missing.tgz: cannot open: No such file or directory");
    EXPECT_EQ(taken[9].message, tmp / "fifo.tgz: not a regular file");
    EXPECT_EQ(taken[10].end, InflatePipeline::kEnded);
    EXPECT_TRUE(taken[10].stream == Expected("other"));
}

TEST_F(InflatePipelineTest, CancelOrDestroyAtRandomPointsLeavesNoThreadAndNoBuffer) {
    std::vector<std::string> archives;
    for (int i = 0; i < 6; i++)
        archives.push_back(Archive("c" + std::to_string(i), {"1500000:t", "200000:r"}));
    const int threadsBefore = CountEntries("/proc/self/task");
    std::mt19937 random(14);
    for (int round = 0; round < 24; round++) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::unique_ptr<InflatePipeline> pipeline(
            new InflatePipeline(archives, InflateLimits{4, 256 << 10, 64 << 10, 16 << 10}));
        std::string error;
        ASSERT_TRUE(pipeline->Start(&error)) << error;
        // Take some pieces (leaving some archives early), and give the workers a moment to
        // fill the budget and block on it.
        int pieces = static_cast<int>(random() % 120);
        for (int n = 0; n < pieces; n++) {
            InflatePipeline::Piece piece;
            InflatePipeline::Step step = pipeline->Next(&piece, nullptr);
            if (step == InflatePipeline::kPiece) pipeline->Consumed(piece.size);
            if (step == InflatePipeline::kEnded || random() % 40 == 0) pipeline->NextArchive();
            if (step == InflatePipeline::kNotYet) usleep(200);
        }
        usleep(random() % 5000);
        if (round % 2 == 0) {
            pipeline->Cancel();
            EXPECT_EQ(pipeline->BytesHeld(), 0u);
            InflatePipeline::Piece piece;
            EXPECT_EQ(pipeline->Next(&piece, nullptr), InflatePipeline::kFinished);
        }
        pipeline.reset();
        if (threadsBefore > 0) {
            EXPECT_EQ(CountEntries("/proc/self/task"), threadsBefore);
        }
    }
}

TEST_F(InflatePipelineTest, DescriptorWakesTheConsumerWhenDataIsReadyAndOnlyThen) {
    std::string archive = Archive("w", {"100000:t"});
    InflatePipeline pipeline({archive}, InflateLimits{1});
    std::string error;
    ASSERT_TRUE(pipeline.Start(&error)) << error;
    pollfd wait = {pipeline.Descriptor(), POLLIN, 0};
    ASSERT_EQ(poll(&wait, 1, 10000), 1);
    InflatePipeline::Piece piece;
    InflatePipeline::Step step;
    while ((step = pipeline.Next(&piece, nullptr)) != InflatePipeline::kEnded) {
        if (step == InflatePipeline::kPiece) pipeline.Consumed(piece.size);
        if (step == InflatePipeline::kNotYet) {
            ASSERT_EQ(poll(&wait, 1, 10000), 1);
        }
    }
    // Nothing more can come until the consumer moves on: a readable descriptor now would
    // have the event loop spin.
    EXPECT_EQ(poll(&wait, 1, 0), 0);
    pipeline.NextArchive();
    EXPECT_EQ(pipeline.Next(&piece, nullptr), InflatePipeline::kFinished);
}

} // namespace
