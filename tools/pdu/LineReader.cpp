#include "LineReader.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

LineReader::LineReader(int fd, std::size_t blockSize) : fd(fd), buffer(blockSize < 16 ? 16 : blockSize)
{ }

bool LineReader::Next(std::string_view& line)
{
    for (;;) {
        if (scanned < end) {
            if (const void* nl = std::memchr(buffer.data() + scanned, '\n', end - scanned)) {
                const auto at = static_cast<std::size_t>(static_cast<const char*>(nl) - buffer.data());
                line = std::string_view(buffer.data() + begin, at - begin);
                begin = scanned = at + 1;
                return true;
            }
            scanned = end;
        }
        if (atEnd) {
            if (begin == end)
                return false;
            line = std::string_view(buffer.data() + begin, end - begin);
            begin = scanned = end;
            return true;
        }
        // Keep the unfinished line at the front, and make room for it when it fills the buffer.
        if (begin > 0) {
            std::memmove(buffer.data(), buffer.data() + begin, end - begin);
            end -= begin;
            scanned -= begin;
            begin = 0;
        }
        if (end == buffer.size())
            buffer.resize(buffer.size() * 2);
        const ssize_t n = read(fd, buffer.data() + end, buffer.size() - end);
        if (n > 0) {
            end += static_cast<std::size_t>(n);
        } else if (n == 0) {
            atEnd = true;
        } else if (errno != EINTR) {
            failed = atEnd = true;
        }
    }
}
