#include "files/StdSectFile.h"

#include "document/testing/MessageRecorder.h"

#include "FileTestSupport.h"
#include "ZorCommon.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace filetest;
using StdSectBreaks = decltype(StdSect::Breaks);

namespace {

StdSect Defined(double delta, double h, double tpriv, StdSectBreaks breaks, uint32_t flags = 0) {
    StdSect s;
    s.Flags = flags | kStdSectDefined;
    s.ErrorLimit = delta;
    s.SpreadLimit = h;
    s.Tpriv = tpriv;
    s.Breaks = breaks;
    return s;
}

// The reflected CRC-32 from 0 without inversions, from zlib: zlib inverts
// its argument on entry and its result on exit.
uint32_t ReferenceChecksum(const Bytes& bytes, size_t count) {
    return ~static_cast<uint32_t>(crc32(0xFFFFFFFFul, bytes.data(), static_cast<uInt>(count)));
}

// A file of entries given as (tag, flags, diameter, δ, h, Tприв, breaks)
// words, with a correct checksum unless told otherwise.
struct Entry {
    uint32_t Tag;
    uint32_t Flags;
    uint32_t Diameter;
    uint32_t Delta, H, Tpriv;
    std::array<uint32_t, 4> Breaks;
};
Bytes FileOf(const std::vector<Entry>& entries) {
    Bytes b(8 + 60 * entries.size() + 4, 0);
    PutU32(b, 0, 0x5A4F5253);
    PutU32(b, 4, static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const size_t at = 8 + 60 * i;
        const Entry& e = entries[i];
        PutU32(b, at, e.Tag);
        PutU32(b, at + 4, e.Flags);
        PutU32(b, at + 8, e.Diameter);
        PutU32(b, at + 12, e.Delta);
        PutU32(b, at + 16, e.H);
        PutU32(b, at + 20, e.Tpriv);
        for (size_t j = 0; j < 4; ++j)
            PutU32(b, at + 28 + 4 * j, e.Breaks[j]);
    }
    PutU32(b, b.size() - 4, ReferenceChecksum(b, b.size() - 4));
    return b;
}

bool AllUndefined(const StdSectTable& table) {
    return std::none_of(table.begin(), table.end(), [](const StdSect& s) { return s.IsDefined(); });
}

// ShowLastSystemError's message, caught for the test.
std::vector<std::string> systemErrors;
void CatchSystemError(const char*, const char* text) {
    systemErrors.emplace_back(text);
}

} // namespace

TEST(StdSectFile, WritesTheDefinedEntriesWithTheirChecksum) {
    StdSectTable table{};
    table[5] = Defined(0.01, 0.05, 20.0, {1, 2, 4, 5}, 0x00010001); // 50 mm
    table[0] = Defined(0.02, 0.03, 18.5, {1, 2, 3, 4});             // 15 mm
    table[7].ErrorLimit = 0.5;                                      // not defined: not written

    const Bytes bytes = EncodeStdSectFile(table);
    const Bytes expected = FileOf({
        {18, 0x100, 15, 200, 300, 185000, {1, 2, 3, 4}},
        {18, 0x00010101, 50, 100, 500, 200000, {1, 2, 4, 5}},
    });
    ASSERT_EQ(bytes.size(), 8u + 120 + 4);
    EXPECT_EQ(bytes, expected);

    TempDir dir;
    ASSERT_EQ(SaveStdSectFile(StdSectPath(dir.Folder()), table), WriteOutcome::Written);
    EXPECT_EQ(ReadBytes(dir.Path("StdSect.dat")), expected);

    StdSectTable read{};
    MessageRecorder messages;
    EXPECT_EQ(LoadStdSectFile(dir.Path("StdSect.dat"), read), StdSectReadStatus::Ok);
    EXPECT_TRUE(messages.Empty());
    EXPECT_EQ(read[0].Flags, 0x100u);
    EXPECT_EQ(read[5].Flags, 0x00010101u);
    EXPECT_EQ(read[5].ErrorLimit, 0.01);
    EXPECT_EQ(read[5].SpreadLimit, 0.05);
    EXPECT_EQ(read[5].Tpriv, 20.0);
    EXPECT_EQ(read[5].Breaks, (StdSectBreaks{1, 2, 4, 5}));
    EXPECT_EQ(read[0].Tpriv, 18.5);
    EXPECT_FALSE(read[7].IsDefined());
}

TEST(StdSectFile, AnEmptyTableIsTwelveBytes) {
    const Bytes bytes = EncodeStdSectFile(StdSectTable{});
    EXPECT_EQ(bytes, FileOf({}));
    EXPECT_EQ(bytes.size(), 12u);
}

TEST(StdSectFile, LaterDuplicatesWinAndForeignEntriesAreSkipped) {
    const Bytes bytes = FileOf({
        {18, 0, 20, 100, 100, 200000, {1, 2, 3, 4}},
        {18, 0, 33, 100, 100, 200000, {1, 2, 3, 4}}, // no such diameter
        {17, 0, 25, 100, 100, 200000, {1, 2, 3, 4}}, // not an entry
        {18, 0, 20, 300, 400, 150000, {2, 3, 4, 5}},
        {18, 0, 300, 100, 100, 50000, {1, 2, 3, 5}},
    });
    StdSectTable table{};
    ASSERT_EQ(DecodeStdSectFile(bytes, table), StdSectReadStatus::Ok);
    EXPECT_EQ(table[1].ErrorLimit, 0.03);
    EXPECT_EQ(table[1].SpreadLimit, 0.04);
    EXPECT_EQ(table[1].Breaks, (StdSectBreaks{2, 3, 4, 5}));
    EXPECT_FALSE(table[2].IsDefined());
    EXPECT_TRUE(table[13].IsDefined());
    EXPECT_EQ(table[13].Tpriv, 5.0);
    EXPECT_EQ(
        std::count_if(table.begin(), table.end(), [](const StdSect& s) { return s.IsDefined(); }),
        2);
}

TEST(StdSectFile, ADamagedFileShowsItsErrorAndIsKeptAside) {
    const Bytes good = FileOf(
        {{18, 0, 15, 100, 500, 200000, {1, 2, 3, 4}}, {18, 0, 20, 100, 500, 200000, {1, 2, 3, 4}}});
    struct Case {
        const char* Name;
        Bytes Contents;
        StdSectReadStatus Status;
        const char* Message;
    };
    Bytes badMagic = good;
    badMagic[0] = 0x33;
    Bytes tooMany = good;
    PutU32(tooMany, 4, 33);
    Bytes changedByte = good;
    changedByte[8 + 60 + 13] ^= 0x01;
    Bytes changedChecksum = good;
    changedChecksum.back() ^= 0x80;
    const Case cases[] = {
        {"empty", {}, StdSectReadStatus::ShortHeader, "Не удалось прочитать заголовок файла"},
        {"seven bytes", Bytes(good.begin(), good.begin() + 7), StdSectReadStatus::ShortHeader,
         "Не удалось прочитать заголовок файла"},
        {"magic", badMagic, StdSectReadStatus::BadMagic, "Неподдерживаемый формат файла"},
        {"33 entries", tooMany, StdSectReadStatus::TooManyEntries,
         "В заголовке файла указано\nслишком большое количество записей"},
        {"cut inside the entries", Bytes(good.begin(), good.begin() + 100),
         StdSectReadStatus::ShortEntries, "Не удалось прочитать данные из файла"},
        {"without its checksum", Bytes(good.begin(), good.end() - 1),
         StdSectReadStatus::ShortEntries, "Не удалось прочитать данные из файла"},
        {"a changed entry byte", changedByte, StdSectReadStatus::ChecksumMismatch,
         "Ошибка контрольной информации файла"},
        {"a changed checksum", changedChecksum, StdSectReadStatus::ChecksumMismatch,
         "Ошибка контрольной информации файла"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const std::string path = StdSectPath(dir.Folder());
        WriteBytes(path, c.Contents);
        StdSectTable table{};
        table[3] = Defined(0.01, 0.05, 20.0, {1, 2, 3, 4});
        MessageRecorder messages;
        EXPECT_EQ(LoadStdSectFile(path, table), c.Status);
        EXPECT_EQ(messages.Single(), (RecordedMessage{MessageKind::Error, c.Message}));
        EXPECT_TRUE(AllUndefined(table));
        // The damaged file waits under its new name; the exit writes anew.
        EXPECT_EQ(dir.Names(), (std::vector<std::string>{"StdSect.dat.bad"}));
        EXPECT_EQ(ReadBytes(path + ".bad"), c.Contents);
        ASSERT_EQ(SaveStdSectFile(path, table), WriteOutcome::Written);
        EXPECT_EQ(ReadBytes(path).size(), 12u);
        EXPECT_EQ(ReadBytes(path + ".bad"), c.Contents);
    }
}

TEST(StdSectFile, AMissingFileIsSilent) {
    TempDir dir;
    StdSectTable table{};
    table[2] = Defined(0.01, 0.05, 20.0, {1, 2, 3, 4});
    MessageRecorder messages;
    EXPECT_EQ(LoadStdSectFile(StdSectPath(dir.Folder()), table), StdSectReadStatus::Ok);
    EXPECT_TRUE(messages.Empty());
    EXPECT_TRUE(table[2].IsDefined());
    EXPECT_TRUE(dir.Names().empty());
}

TEST(StdSectFile, WriteFailuresKeepThePreviousFile) {
    TempDir dir;
    const std::string path = StdSectPath(dir.Folder());
    StdSectTable old{};
    old[0] = Defined(0.01, 0.05, 20.0, {1, 2, 3, 4});
    ASSERT_EQ(SaveStdSectFile(path, old), WriteOutcome::Written);
    const Bytes before = ReadBytes(path);

    StdSectTable next{};
    for (StdSect& s : next)
        s = Defined(0.02, 0.05, 20.0, {1, 2, 3, 4});
    MessageRecorder messages;
    {
        const ScopedFileSizeLimit full(100);
        EXPECT_EQ(SaveStdSectFile(path, next), WriteOutcome::WriteFailed);
    }
    EXPECT_EQ(messages.Single(),
              (RecordedMessage{MessageKind::Error, "Не удалось записать данные в файл"}));
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"StdSect.dat"}));

    // A folder that is a file: the file cannot even be created, and the
    // system says why.
    WriteText(dir.Path("plain"), "x");
    systemErrors.clear();
    const ZorMessageHandler previous = ZorSetMessageHandler(CatchSystemError);
    EXPECT_EQ(SaveStdSectFile(StdSectPath(dir.Path("plain")), next), WriteOutcome::CannotCreate);
    ZorSetMessageHandler(previous);
    ASSERT_EQ(systemErrors.size(), 1u);
    EXPECT_FALSE(systemErrors[0].empty());
}
