#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// Reads lines from a file descriptor in large blocks, without the cost of a synchronised stream.
// A line comes without its '\n'; the last line may have none. A line longer than the block is
// still handed out whole: the buffer grows to hold it.
class LineReader
{
public:
    explicit LineReader(int fd, std::size_t blockSize = 1 << 20);

    // The next line, valid until the next call; false at the end of the input or on a read error.
    bool Next(std::string_view& line);
    bool Failed() const { return failed; }

private:
    int fd;
    std::vector<char> buffer;
    std::size_t begin = 0;   // start of the unread data
    std::size_t scanned = 0; // data before this holds no '\n'
    std::size_t end = 0;     // end of the data read
    bool atEnd = false;
    bool failed = false;
};
