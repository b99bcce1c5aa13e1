#include "LineReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ReadAll(const std::string& input, std::size_t blockSize)
{
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    std::fwrite(input.data(), 1, input.size(), file);
    std::fflush(file);
    std::rewind(file);
    LineReader reader(fileno(file), blockSize);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.Next(line))
        lines.emplace_back(line);
    EXPECT_FALSE(reader.Failed());
    std::fclose(file);
    return lines;
}

TEST(LineReader, SplitsLikeGetline)
{
    const std::string huge(3'000'000, 'F');
    struct Case
    {
        const char* name;
        std::string input;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"empty input", "", {}},
        {"one line", "0011\n", {"0011"}},
        {"no final newline", "0011\n0022", {"0011", "0022"}},
        {"empty lines", "\n\n0011\n\n", {"", "", "0011", ""}},
        {"CRLF keeps the CR", "0011\r\n0022\r\n", {"0011\r", "0022\r"}},
        {"NUL inside a line",
         std::string("00\0"
                     "11\n",
                     6),
         {std::string("00\0"
                      "11",
                      5)}},
        {"a line far longer than the block", "00\n" + huge + "\n11", {"00", huge, "11"}},
        {"a huge last line without newline", huge, {huge}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A tiny block makes every line cross block edges; the large one is the tool's own.
        for (std::size_t block : {16u, 17u, 1u << 20})
            EXPECT_EQ(ReadAll(c.input, block), c.lines) << "block " << block;
    }
}

TEST(LineReader, ClosedDescriptorEndsAsFailure)
{
    LineReader reader(-1);
    std::string_view line;
    EXPECT_FALSE(reader.Next(line));
    EXPECT_TRUE(reader.Failed());
}

} // namespace
