// Checked standard I/O and the line readers, on real files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "shared/gen_fileio.h"
#include "shared/gen_hooks.h"
#include "support/temp_dir.h"

namespace {

// Every line gen_afgets yields up to and including the empty text.
std::vector<std::string> AfgetsAll(const std::string& path) {
    FILE* stream = fopen(path.c_str(), "r");
    std::vector<std::string> lines;
    do {
        char* line = gen_afgets(stream);
        lines.push_back(line);
        gen_free(line);
    } while (!lines.back().empty());
    fclose(stream);
    return lines;
}

// Every line gen_getline yields until null, with the buffer kept between calls.
std::vector<std::string> GetlineAll(const std::string& path, int* capacity) {
    FILE* stream = fopen(path.c_str(), "r");
    char* buffer = nullptr;
    *capacity = 0;
    std::vector<std::string> lines;
    while (char* line = gen_getline(stream, &buffer, capacity)) lines.push_back(line);
    gen_free(buffer);
    fclose(stream);
    return lines;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(FileIo, SafeFopenEndsTheProgramNamingFileAndDirection) {
    ScopedTempDir dir;
    std::string missing = dir / "missing";
    EXPECT_EXIT(gen_safe_fopen(missing.c_str(), nullptr, "rb"), testing::ExitedWithCode(1),
                "Unable to open .*/missing for input: No such file or directory");
    EXPECT_EXIT(gen_safe_fopen((dir / "no/such").c_str(), "patch archive", "ab+"),
                testing::ExitedWithCode(1), "Unable to open patch archive '.*/no/such' for output");
}

TEST(FileIo, SafeReadsAndSeeksReportFailures) {
    ScopedTempDir dir;
    WriteFile(dir / "f", "abc");
    FILE* stream = fopen((dir / "f").c_str(), "r");
    char* block = static_cast<char*>(gen_safe_readbytes("f", stream, nullptr, 3));
    EXPECT_EQ("abc", std::string(block, 3));
    gen_free(block);
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, gen_safe_fread("f", nullptr, 1, 1, stream));
    char byte;
    EXPECT_EQ(0, gen_safe_fread("f", &byte, 1, 1, stream));
    std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, messages.find("internal: null buffer passed to gen_safe_fread"));
    EXPECT_NE(std::string::npos, messages.find("Error reading from 'f'"));
    EXPECT_EXIT(gen_safe_fseek("f", stream, -10, SEEK_SET), testing::ExitedWithCode(1),
                "seek failed to -10 in 'f'");
    fclose(stream);
}

TEST(FileIo, AfgetsKeepsLineFeedsAndEndsWithEmptyText) {
    ScopedTempDir dir;
    WriteFile(dir / "empty", "");
    EXPECT_EQ((Lines{""}), AfgetsAll(dir / "empty"));
    WriteFile(dir / "two", "one\ntwo");
    EXPECT_EQ((Lines{"one\n", "two", ""}), AfgetsAll(dir / "two"));
    // Lines at and around the edges of the first two rounds (2047 and 4095 characters).
    for (size_t length : {2046u, 2047u, 2048u, 4095u, 10000u}) {
        std::string line(length - 1, 'x');
        WriteFile(dir / "long", line + "\nnext\n");
        EXPECT_EQ((Lines{line + "\n", "next\n", ""}), AfgetsAll(dir / "long")) << length;
    }
    EXPECT_EQ(nullptr, gen_afgets(nullptr));
}

TEST(FileIo, GetlineDropsLineEndsOfEveryKindAndGrowsInSteps) {
    ScopedTempDir dir;
    int capacity;
    WriteFile(dir / "crlf", "line\r\n");
    EXPECT_EQ((Lines{"line"}), GetlineAll(dir / "crlf", &capacity));
    WriteFile(dir / "mixed", "a\n\nb\rXc\r\nlast");
    EXPECT_EQ((Lines{"a", "", "b", "c", "last"}), GetlineAll(dir / "mixed", &capacity));
    std::string line(600, 'y');
    WriteFile(dir / "long", line + "\nshort\n");
    EXPECT_EQ((Lines{line, "short"}), GetlineAll(dir / "long", &capacity));
    EXPECT_EQ(750, capacity);
}

TEST(FileIo, WholeFileReads) {
    ScopedTempDir dir;
    std::string contents(70000, 'z');
    contents[12345] = '\0';
    WriteFile(dir / "f", contents);
    char* buffer = nullptr;
    long size = 0;
    ASSERT_EQ(0, gen_readfile_into_buffer((dir / "f").c_str(), &buffer, &size));
    EXPECT_EQ(contents, std::string(buffer, static_cast<size_t>(size)));
    free(buffer);
    EXPECT_EQ(-1, gen_readfile_into_buffer((dir / "missing").c_str(), &buffer, &size));
    char small[8];
    EXPECT_EQ(8, gen_getfile((dir / "f").c_str(), small, sizeof small));
}
