// The exchange log: a text file written only by appending, one write call per
// text so that lines from one thread never tear.
#include "ZorCommon.h"

#include "Utf.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxTextBytes = 256;
constexpr std::size_t kMaxTextUnits = 256; // UTF-16 units, 512 bytes
constexpr uint32_t kBytesPerLine = 16;

ZorFileHandle OpenLog(const char* name, int32_t append) {
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? 0 : O_TRUNC);
    int fd;
    do {
        fd = ::open(name, flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return ZOR_INVALID_HANDLE;
    if (append && ::lseek(fd, 0, SEEK_END) < 0) {
        int saved = errno;
        ::close(fd);
        errno = saved;
        return ZOR_INVALID_HANDLE;
    }
    return fd;
}

// One write call for the whole text; only an interrupted or partial write
// (a full disk, a signal) makes a second call for the rest.
bool WriteAll(ZorFileHandle fd, const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t written = ::write(fd, p, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        p += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// One line of the dump, " %2.2X" per byte and CR LF, in either text width.
template <typename Char> std::basic_string<Char> DumpLine(const uint8_t* bytes, uint32_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::basic_string<Char> line;
    line.reserve(count * 3 + 3);
    for (uint32_t i = 0; i < count; ++i) {
        line.push_back(Char(' '));
        line.push_back(Char(kDigits[bytes[i] >> 4]));
        line.push_back(Char(kDigits[bytes[i] & 0xF]));
    }
    line.push_back(Char('\r'));
    line.push_back(Char('\n'));
    return line;
}

template <typename Char, typename WriteText>
int32_t LogArray(ZorFileHandle handle, const uint8_t* bytes, uint32_t count, WriteText write) {
    if (handle == ZOR_INVALID_HANDLE || !bytes || count == 0)
        return 0;
    for (uint32_t done = 0; done < count; done += kBytesPerLine) {
        uint32_t n = count - done < kBytesPerLine ? count - done : kBytesPerLine;
        if (!write(handle, DumpLine<Char>(bytes + done, n).c_str()))
            return 0;
    }
    return 1;
}

} // namespace

ZorFileHandle ZorCreateLogA(const char* name, int32_t append) {
    if (!name)
        return ZOR_INVALID_HANDLE;
    return OpenLog(name, append);
}

ZorFileHandle ZorCreateLogW(const char16_t* name, int32_t append) {
    if (!name)
        return ZOR_INVALID_HANDLE;
    return OpenLog(zor::utf::Utf16ToUtf8(name).c_str(), append);
}

int32_t ZorLogTextA(ZorFileHandle handle, const char* text) {
    if (handle == ZOR_INVALID_HANDLE || !text)
        return 0;
    std::size_t size = 0;
    while (size < kMaxTextBytes && text[size])
        ++size;
    if (size == 0)
        return 1;
    return WriteAll(handle, text, size) ? 1 : 0;
}

int32_t ZorLogTextW(ZorFileHandle handle, const char16_t* text) {
    if (handle == ZOR_INVALID_HANDLE || !text)
        return 0;
    std::size_t units = 0;
    while (units < kMaxTextUnits && text[units])
        ++units;
    if (units == kMaxTextUnits && text[units] && IsHighSurrogate(text[units - 1]))
        --units;
    if (units == 0)
        return 1;
    // The file holds UTF-16LE whatever the host's byte order.
    std::string bytes;
    bytes.reserve(units * 2);
    for (std::size_t i = 0; i < units; ++i) {
        bytes.push_back(static_cast<char>(text[i] & 0xFF));
        bytes.push_back(static_cast<char>(text[i] >> 8));
    }
    return WriteAll(handle, bytes.data(), bytes.size()) ? 1 : 0;
}

int32_t ZorLogArrayA(ZorFileHandle handle, const uint8_t* bytes, uint32_t count) {
    return LogArray<char>(handle, bytes, count, ZorLogTextA);
}

int32_t ZorLogArrayW(ZorFileHandle handle, const uint8_t* bytes, uint32_t count) {
    return LogArray<char16_t>(handle, bytes, count, ZorLogTextW);
}
