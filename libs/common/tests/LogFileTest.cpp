#include "ZorCommon.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

using zor::test::ReadWholeFile;
using zor::test::WriteWholeFile;

// UTF-16LE bytes of an ASCII text, as the W forms write it.
std::string Utf16le(std::string_view ascii) {
    std::string out;
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

class LogFile : public testing::Test {
protected:
    void TearDown() override {
        for (int fd : open_)
            ::close(fd);
    }

    ZorFileHandle Keep(ZorFileHandle fd) {
        if (fd != ZOR_INVALID_HANDLE)
            open_.push_back(fd);
        return fd;
    }

    ZorFileHandle Create(const char* name, int32_t append) {
        return Keep(ZorCreateLogA(dir_.Path(name).c_str(), append));
    }

    std::string Contents(const char* name) const { return ReadWholeFile(dir_.Path(name)); }

    zor::test::TempDir dir_;
    std::vector<int> open_;
};

TEST_F(LogFile, AppendKeepsContentsAndFreshStartEmpties) {
    WriteWholeFile(dir_.Path("x.log"), "old\r\n");
    ZorFileHandle h = Create("x.log", 1);
    ASSERT_NE(h, ZOR_INVALID_HANDLE);
    EXPECT_EQ(ZorLogTextA(h, "new\r\n"), 1);
    EXPECT_EQ(Contents("x.log"), "old\r\nnew\r\n");

    h = Create("x.log", 0);
    ASSERT_NE(h, ZOR_INVALID_HANDLE);
    EXPECT_EQ(Contents("x.log"), "");

    ASSERT_NE(Create("fresh.log", 1), ZOR_INVALID_HANDLE);
    EXPECT_TRUE(std::filesystem::exists(dir_.Path("fresh.log")));
}

TEST_F(LogFile, CreateFailureGivesInvalidHandle) {
    EXPECT_EQ(Create("missing/dir/x.log", 1), ZOR_INVALID_HANDLE);
    EXPECT_EQ(errno, ENOENT); // kept for ShowLastSystemError
    EXPECT_EQ(ZorCreateLogA(nullptr, 0), ZOR_INVALID_HANDLE);
    EXPECT_EQ(ZorCreateLogW(nullptr, 0), ZOR_INVALID_HANDLE);
}

TEST_F(LogFile, WideNameBecomesUtf8Path) {
    std::u16string name = dir_.Path("").u16string() + u"журнал.log";
    ZorFileHandle h = Keep(ZorCreateLogW(name.c_str(), 0));
    ASSERT_NE(h, ZOR_INVALID_HANDLE);
    EXPECT_TRUE(std::filesystem::exists(dir_.Path("журнал.log")));
}

TEST_F(LogFile, TextArgumentsAndLimit) {
    ZorFileHandle h = Create("t.log", 0);
    EXPECT_EQ(ZorLogTextA(ZOR_INVALID_HANDLE, "abc"), 0);
    EXPECT_EQ(ZorLogTextA(h, nullptr), 0);
    EXPECT_EQ(ZorLogTextA(h, ""), 1);
    EXPECT_EQ(Contents("t.log"), "");

    std::string longText(300, 'x');
    longText.replace(250, 50, std::string(50, 'y'));
    EXPECT_EQ(ZorLogTextA(h, longText.c_str()), 1);
    EXPECT_EQ(Contents("t.log"), longText.substr(0, 256));
}

TEST_F(LogFile, WriteFailureGivesZero) {
    WriteWholeFile(dir_.Path("ro.log"), "");
    int fd = Keep(::open(dir_.Path("ro.log").c_str(), O_RDONLY));
    ASSERT_GE(fd, 0);
    const uint8_t bytes[] = {1, 2, 3};
    EXPECT_EQ(ZorLogTextA(fd, "abc"), 0);
    EXPECT_EQ(ZorLogTextW(fd, u"abc"), 0);
    EXPECT_EQ(ZorLogArrayA(fd, bytes, 3), 0);
    EXPECT_EQ(ZorLogArrayW(fd, bytes, 3), 0);
}

TEST_F(LogFile, ArrayArgumentsAndLineSplit) {
    ZorFileHandle h = Create("a.log", 0);
    uint8_t bytes[17];
    for (int i = 0; i < 17; ++i)
        bytes[i] = static_cast<uint8_t>(0xF0 + i);
    EXPECT_EQ(ZorLogArrayA(ZOR_INVALID_HANDLE, bytes, 17), 0);
    EXPECT_EQ(ZorLogArrayA(h, nullptr, 17), 0);
    EXPECT_EQ(ZorLogArrayA(h, bytes, 0), 0);
    EXPECT_EQ(Contents("a.log"), "");

    EXPECT_EQ(ZorLogArrayA(h, bytes, 17), 1);
    EXPECT_EQ(Contents("a.log"), " F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF\r\n"
                                 " 00\r\n");
}

// An exchange as the protocol libraries and the exchange thread write it,
// read back byte for byte (the Russian titles are Windows-1251).
TEST_F(LogFile, ExchangeLogReadsBackByteForByte) {
    ZorFileHandle h = Create("lgmservice.log", 0);
    const uint8_t request[] = {0x01};
    const uint8_t answer[] = {0x01, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                              0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0x00, 0x0a};
    // "Открытие COM-порта\r\n"
    EXPECT_EQ(ZorLogTextA(h, "\xCE\xF2\xEA\xF0\xFB\xF2\xE8\xE5 COM-\xEF\xEE\xF0\xF2\xE0\r\n"), 1);
    // "[]>> Чтение параметров:"
    EXPECT_EQ(ZorLogTextA(h, "[]>> \xD7\xF2\xE5\xED\xE8\xE5 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xEE"
                             "\xE2:"),
              1);
    EXPECT_EQ(ZorLogArrayA(h, request, sizeof request), 1);
    // ">>[] Ответ:"
    EXPECT_EQ(ZorLogTextA(h, ">>[] \xCE\xF2\xE2\xE5\xF2:"), 1);
    EXPECT_EQ(ZorLogArrayA(h, answer, sizeof answer), 1);
    // "!! Неверная контрольная информация\r\n"
    EXPECT_EQ(ZorLogTextA(h, "!! \xCD\xE5\xE2\xE5\xF0\xED\xE0\xFF \xEA\xEE\xED\xF2\xF0\xEE\xEB"
                             "\xFC\xED\xE0\xFF \xE8\xED\xF4\xEE\xF0\xEC\xE0\xF6\xE8\xFF\r\n"),
              1);

    const std::string expected =
        "\xCE\xF2\xEA\xF0\xFB\xF2\xE8\xE5 COM-\xEF\xEE\xF0\xF2\xE0\r\n"
        "[]>> \xD7\xF2\xE5\xED\xE8\xE5 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xEE\xE2: 01\r\n"
        ">>[] \xCE\xF2\xE2\xE5\xF2: 01 0A 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
        " FF 00 0A\r\n"
        "!! \xCD\xE5\xE2\xE5\xF0\xED\xE0\xFF \xEA\xEE\xED\xF2\xF0\xEE\xEB\xFC\xED\xE0\xFF "
        "\xE8\xED\xF4\xEE\xF0\xEC\xE0\xF6\xE8\xFF\r\n";
    EXPECT_EQ(Contents("lgmservice.log"), expected);
}

TEST_F(LogFile, WideFormsWriteUtf16le) {
    ZorFileHandle h = Create("w.log", 0);
    EXPECT_EQ(ZorLogTextW(ZOR_INVALID_HANDLE, u"x"), 0);
    EXPECT_EQ(ZorLogTextW(h, nullptr), 0);
    EXPECT_EQ(ZorLogTextW(h, u""), 1);
    EXPECT_EQ(ZorLogTextW(h, u"Ok:\u041E"), 1); // "О", U+041E
    const uint8_t bytes[] = {0xAB, 0x01};
    EXPECT_EQ(ZorLogArrayW(h, bytes, 2), 1);
    EXPECT_EQ(Contents("w.log"),
              Utf16le("Ok:") + std::string("\x1E\x04", 2) + Utf16le(" AB 01\r\n"));
}

TEST_F(LogFile, WideTextIsCutAt256UnitsWithoutSplittingAPair) {
    ZorFileHandle h = Create("w.log", 0);
    std::u16string text(300, u'a');
    EXPECT_EQ(ZorLogTextW(h, text.c_str()), 1);
    EXPECT_EQ(Contents("w.log").size(), 512u);

    h = Create("w.log", 0);
    text = std::u16string(255, u'a') + u"\U0001F600" + u"tail"; // pair at units 255-256
    EXPECT_EQ(ZorLogTextW(h, text.c_str()), 1);
    EXPECT_EQ(Contents("w.log"), Utf16le(std::string(255, 'a')));
}

TEST_F(LogFile, WideArraySplitsLikeTheNarrowOne) {
    ZorFileHandle h = Create("w.log", 0);
    uint8_t bytes[17] = {};
    bytes[16] = 0x7E;
    EXPECT_EQ(ZorLogArrayW(h, bytes, 17), 1);
    std::string line1;
    for (int i = 0; i < 16; ++i)
        line1 += " 00";
    EXPECT_EQ(Contents("w.log"), Utf16le(line1 + "\r\n 7E\r\n"));
}

} // namespace
