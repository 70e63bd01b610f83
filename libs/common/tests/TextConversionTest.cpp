#include "ZorCommon.h"
#include "ZorLang.h"

#include "IconvOracle.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;
using zor::test::Iconv;

std::string ToUtf8(const std::string& cp1251) {
    std::string out(cp1251.size() * 3 + 1, '\0');
    int32_t n = ZorCp1251ToUtf8(cp1251.data(), static_cast<uint32_t>(cp1251.size()), out.data(),
                                static_cast<uint32_t>(out.size()));
    EXPECT_GE(n, 0);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string ToCp1251(const std::string& utf8) {
    std::string out(utf8.size() + 1, '\0');
    int32_t n = ZorUtf8ToCp1251(utf8.data(), static_cast<uint32_t>(utf8.size()), out.data(),
                                static_cast<uint32_t>(out.size()));
    EXPECT_GE(n, 0);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

TEST(Cp1251, EveryByteValueRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(ToCp1251(ToUtf8(all)), all);
}

TEST(Cp1251, EveryAssignedByteAgreesWithIconv) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98) // unassigned in the code page; iconv refuses it
            continue;
        std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(ToUtf8(byte), Iconv(byte, "CP1251", "UTF-8")) << "byte " << b;
    }
    EXPECT_EQ(ToUtf8("\x98"), "\xC2\x98");
}

TEST(Cp1251, RussianTextsBothWays) {
    const std::string utf8 = "Ошибка обмена: «Ёж» №5 — ещё€";
    const std::string cp1251 =
        "\xCE\xF8\xE8\xE1\xEA\xE0 \xEE\xE1\xEC\xE5\xED\xE0: \xAB\xA8\xE6\xBB "
        "\xB9"
        "5 \x97 \xE5\xF9\xB8\x88";
    EXPECT_EQ(ToCp1251(utf8), cp1251);
    EXPECT_EQ(ToUtf8(cp1251), utf8);
    const std::string alphabet =
        "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя";
    EXPECT_EQ(ToCp1251(alphabet), Iconv(alphabet, "UTF-8", "CP1251"));
}

TEST(Cp1251, UnmappableAndInvalidInputBecomesQuestionMarks) {
    EXPECT_EQ(ToCp1251("日本"), "??");
    EXPECT_EQ(ToCp1251("a\U0001F600b"), "a?b");
    EXPECT_EQ(ToCp1251("\xC0\xAF"), "??");           // overlong '/'
    EXPECT_EQ(ToCp1251("\xED\xA0\x80"), "???");      // a surrogate
    EXPECT_EQ(ToCp1251("\x80x"), "?x");              // stray continuation byte
    EXPECT_EQ(ToCp1251("\xD0"), "?");                // cut short at the end
    EXPECT_EQ(ToCp1251("\xD0\x41"), "?A");           // cut short by the next character
    EXPECT_EQ(ToCp1251("\xF4\x90\x80\x80"), "????"); // above U+10FFFF
    EXPECT_EQ(ToCp1251("a\0b"s), "a\0b"s);
}

TEST(Cp1251, MeasuresAndCutsLikeSnprintf) {
    const std::string cp1251 = "\xC6\xC6\xC6"; // "ЖЖЖ", 6 bytes in UTF-8
    EXPECT_EQ(ZorCp1251ToUtf8(cp1251.data(), 3, nullptr, 0), 6);
    char out[8] = "#######";
    EXPECT_EQ(ZorCp1251ToUtf8(cp1251.data(), 3, out, 4), 6);
    EXPECT_STREQ(out, "Ж"); // the second letter would leave no room for the end
    EXPECT_EQ(ZorCp1251ToUtf8(cp1251.data(), 3, out, 7), 6);
    EXPECT_STREQ(out, "ЖЖЖ");
    EXPECT_EQ(ZorUtf8ToCp1251("ЖЖЖ", 6, out, 3), 3);
    EXPECT_EQ(std::string(out), "\xC6\xC6");
    EXPECT_EQ(ZorUtf8ToCp1251("", 0, out, 1), 0);
    EXPECT_STREQ(out, "");
}

TEST(Cp1251, InvalidArguments) {
    char out[4];
    EXPECT_EQ(ZorCp1251ToUtf8(nullptr, 1, out, 4), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorCp1251ToUtf8("a", 1, nullptr, 4), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorCp1251ToUtf8("a", 0x2AAAAAABu, out, 4), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorUtf8ToCp1251(nullptr, 1, out, 4), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorUtf8ToCp1251("a", 1, nullptr, 4), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorUtf8ToCp1251(nullptr, 0, nullptr, 0), 0);
}

TEST(Cp1251, CppWrappers) {
    EXPECT_EQ(zor::Cp1251ToUtf8("\xCF\xEE\xF0\xF2 1"), "Порт 1");
    EXPECT_EQ(zor::Utf8ToCp1251("Порт 1"), "\xCF\xEE\xF0\xF2 1");
    EXPECT_EQ(zor::Cp1251ToUtf8(""), "");
}

} // namespace
