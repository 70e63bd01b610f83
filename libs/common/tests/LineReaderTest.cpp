#include "ZorCommon.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::string_literals;

struct LineCase {
    const char* name;
    std::string content;
    uint32_t bufferSize;
    std::vector<std::string> lines; // what successive calls return
};

std::ostream& operator<<(std::ostream& os, const LineCase& c) {
    return os << c.name;
}

class ReadString : public testing::TestWithParam<LineCase> {
protected:
    zor::test::TempDir dir_;
};

TEST_P(ReadString, ReturnsLinesThenEmptyText) {
    const LineCase& c = GetParam();
    zor::test::WriteWholeFile(dir_.Path("in.txt"), c.content);
    int fd = ::open(dir_.Path("in.txt").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::vector<char> buffer(c.bufferSize, '#');
    // One call more than the case lists: the end of the file stays the end.
    std::vector<std::string> got;
    for (std::size_t i = 0; i <= c.lines.size(); ++i) {
        char* text = ZorReadStringA(fd, buffer.data(), c.bufferSize);
        ASSERT_EQ(text, buffer.data());
        got.emplace_back(text);
    }
    ::close(fd);
    std::vector<std::string> expected = c.lines;
    expected.emplace_back();
    EXPECT_EQ(got, expected);
}

const std::string k300(300, 'x');
const std::string k600(600, 'y');

INSTANTIATE_TEST_SUITE_P(
    DamagedAndOrdinaryInput, ReadString,
    testing::Values(
        LineCase{"CarriageReturnStays", "ab\r\ncd", 256, {"ab\r", "cd", ""}},
        LineCase{"NoFinalNewline", "first\nlast", 256, {"first", "last", ""}},
        LineCase{"EmptyFile", "", 256, {""}}, LineCase{"OnlyNewline", "\n", 256, {""}},
        LineCase{"MixedLineEnds", "a\nb\r\rc\n\r\nd\r", 256, {"a", "b\r\rc", "\r", "d\r", ""}},
        LineCase{"ZeroByteEndsLine", "ab\0cd\n"s, 256, {"ab", "cd", ""}},
        LineCase{"EmptyLineReadsAsEmptyText", "one\n\ntwo\n", 256, {"one", "", "two", ""}},
        LineCase{"SmallBufferCutsLine", "abcdef\n", 3, {"ab", "cd", "ef", ""}},
        LineCase{"SmallestBuffer", "ab\n", 2, {"a", "b", ""}},
        LineCase{"LineAcrossReadChunks", k300 + "\nEND", 512, {k300, "END", ""}},
        LineCase{"OverLongLine",
                 k600 + "\nz\n",
                 256,
                 {k600.substr(0, 255), k600.substr(0, 255), k600.substr(0, 90), "z", ""}},
        LineCase{"NewlineRightAfterChunk",
                 std::string(256, 'q') + "\nr",
                 300,
                 {std::string(256, 'q'), "r", ""}}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

class ReadStringFile : public testing::Test {
protected:
    int Open(const std::string& content, int flags = O_RDONLY) {
        zor::test::WriteWholeFile(dir_.Path("in.txt"), content);
        fd_ = ::open(dir_.Path("in.txt").c_str(), flags);
        return fd_;
    }
    void TearDown() override {
        if (fd_ >= 0)
            ::close(fd_);
    }

    zor::test::TempDir dir_;
    int fd_ = -1;
    char buffer_[64] = {};
};

TEST_F(ReadStringFile, LeavesPositionRightAfterLine) {
    int fd = Open("abc\r\nrest of the file\n");
    ASSERT_STREQ(ZorReadStringA(fd, buffer_, sizeof buffer_), "abc\r");
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 5);
    char rest[4];
    ASSERT_EQ(::read(fd, rest, 4), 4);
    EXPECT_EQ(std::string(rest, 4), "rest");
}

TEST_F(ReadStringFile, InvalidArgumentsGiveNull) {
    int fd = Open("abc\n");
    EXPECT_EQ(ZorReadStringA(fd, nullptr, 10), nullptr);
    EXPECT_EQ(ZorReadStringA(fd, buffer_, 0), nullptr);
    EXPECT_EQ(ZorReadStringA(fd, buffer_, 1), nullptr);
    EXPECT_EQ(ZorReadStringA(ZOR_INVALID_HANDLE, buffer_, sizeof buffer_), nullptr);
    // None of them consumed anything.
    EXPECT_STREQ(ZorReadStringA(fd, buffer_, sizeof buffer_), "abc");
}

TEST_F(ReadStringFile, ReadFailureIsNotTheEndOfFile) {
    int fd = Open("abc\n", O_WRONLY);
    buffer_[0] = 'x';
    EXPECT_EQ(ZorReadStringA(fd, buffer_, sizeof buffer_), nullptr);
    EXPECT_STREQ(buffer_, "");
}

TEST(ReadStringPipe, TakesNothingBeyondTheLine) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::string data = "one\ntwo\n";
    ASSERT_EQ(::write(fds[1], data.data(), data.size()), static_cast<ssize_t>(data.size()));
    char buffer[32];
    EXPECT_STREQ(ZorReadStringA(fds[0], buffer, sizeof buffer), "one");
    char rest[4];
    ASSERT_EQ(::read(fds[0], rest, 4), 4);
    EXPECT_EQ(std::string(rest, 4), "two\n");
    ::close(fds[0]);
    ::close(fds[1]);
}

} // namespace
