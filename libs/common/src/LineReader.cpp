// Line reading over a plain descriptor: reads ahead in chunks and gives back
// what the line did not use, so the next call starts right after the line.
#include "ZorCommon.h"

#include <cerrno>
#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr std::size_t kChunk = 256;

ssize_t ReadSome(ZorFileHandle fd, char* into, std::size_t size) {
    ssize_t got;
    do {
        got = ::read(fd, into, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

} // namespace

char* ZorReadStringA(ZorFileHandle handle, char* buffer, uint32_t size) {
    if (!buffer || size < 2 || handle == ZOR_INVALID_HANDLE)
        return nullptr;
    // A pipe cannot give bytes back, so there the reader must not read past
    // the line's end: one byte at a time.
    const bool seekable = ::lseek(handle, 0, SEEK_CUR) >= 0;
    const std::size_t chunkSize = seekable ? kChunk : 1;

    const std::size_t room = size - 1;
    std::size_t length = 0;
    char chunk[kChunk];
    for (;;) {
        ssize_t got = ReadSome(handle, chunk, chunkSize);
        if (got < 0) {
            buffer[0] = '\0';
            return nullptr;
        }
        if (got == 0)
            break;
        std::size_t used = 0;
        bool lineEnded = false;
        while (used < static_cast<std::size_t>(got) && length < room) {
            char c = chunk[used++];
            if (c == '\n' || c == '\0') {
                lineEnded = true;
                break;
            }
            buffer[length++] = c;
        }
        if (off_t unused = got - static_cast<ssize_t>(used);
            unused > 0 && ::lseek(handle, -unused, SEEK_CUR) < 0) {
            buffer[0] = '\0';
            return nullptr;
        }
        if (lineEnded || length == room)
            break;
    }
    buffer[length] = '\0';
    return buffer;
}
