// The link's exchanges against answers scripted byte by byte: what is sent,
// with which time-outs, what each answer gives and what the log says.
#include "MeterProtocol.h"
#include "Link.h"
#include "ZorLang.h"
#include "support/LogCapture.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <numeric>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr lgm::Timeouts kTimeouts{6000, 3000, 6000};
const std::string kChecksumNote = "!! Неверная контрольная информация\r\n";
const std::string kEchoNote = "!! Ответ не соответствует посылке\r\n";

Bytes WithSum(Bytes data) {
    const unsigned sum = std::accumulate(data.begin(), data.end(), 0u) & 0xFFFF;
    data.push_back(static_cast<uint8_t>(sum >> 8));
    data.push_back(static_cast<uint8_t>(sum));
    return data;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(seed + 37 * i);
    return b;
}

// One exchange against a scripted answer.
class Scripted {
public:
    explicit Scripted(const Bytes& answer)
        : link_(answer.data(), static_cast<uint32_t>(answer.size())),
          protocol_(link_, log_.Handle(), kTimeouts) {}

    lgm::MeterProtocol& operator*() { return protocol_; }
    lgm::MeterProtocol* operator->() { return &protocol_; }
    const Bytes& Sent() const { return link_.Sent(); }
    const std::vector<int32_t>& Timeouts() const { return link_.Timeouts(); }
    std::string Log() const { return log_.Text(); }

private:
    lgm::ScriptedLink link_;
    lgmtest::LogCapture log_;
    lgm::MeterProtocol protocol_;
};

// --- Reading blocks -------------------------------------------------------

struct ReadCase {
    bool table;
    uint32_t version;
    uint8_t command;
    uint32_t length;
};

class BlockRead : public ::testing::TestWithParam<ReadCase> {
protected:
    int32_t Read(lgm::MeterProtocol& p, void* dst, uint32_t size) {
        return GetParam().table ? p.ReadTable(GetParam().version, dst, size)
                                : p.ReadParams(GetParam().version, dst, size);
    }
};

TEST_P(BlockRead, SendsTheCommandAndTakesTheDataUnderTheirSum) {
    const auto& c = GetParam();
    const Bytes data = Pattern(c.length, 0x5A);
    Scripted x(Concat({{c.command}, WithSum(data)}));
    Bytes dst(256, 0xCC);
    ASSERT_EQ(Read(*x, dst.data(), 256), ZOR_OK);
    EXPECT_EQ(x.Sent(), Bytes{c.command});
    EXPECT_EQ(x.Timeouts(), (std::vector<int32_t>{6000, 6000}));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), dst.begin()));
    EXPECT_EQ(dst[c.length], 0xCC) << "nothing past the block";
}

TEST_P(BlockRead, SizeQueryAndSmallDestinationSendNothing) {
    const auto& c = GetParam();
    Scripted x({});
    uint32_t word = 0;
    EXPECT_EQ(Read(*x, &word, 0), ZOR_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(word, c.length);
    EXPECT_EQ(Read(*x, nullptr, 0), ZOR_ERR_BAD_PARAM);
    Bytes dst(c.length - 1);
    EXPECT_EQ(Read(*x, dst.data(), c.length - 1), ZOR_ERR_BUFFER_TOO_SMALL);
    EXPECT_TRUE(x.Sent().empty());
}

TEST_P(BlockRead, FaultyAnswersLeaveTheDestinationAlone) {
    const auto& c = GetParam();
    Bytes badSum = WithSum(Pattern(c.length, 1));
    badSum.back() ^= 0x40;
    struct Fault {
        Bytes answer;
        int32_t result;
        bool checksumNote;
    };
    const Fault faults[] = {
        {{0xFF}, ZOR_ERR_REJECTED, false},
        {{static_cast<uint8_t>(c.command + 1)}, ZOR_ERR_BAD_VALUES, false},
        {Concat({{c.command}, badSum}), ZOR_ERR_CHECKSUM, true},
        {Concat({{c.command}, Bytes(c.length)}), ZOR_ERR_READ_TIMEOUT, false},
        {{}, ZOR_ERR_READ_TIMEOUT, false},
    };
    for (const auto& f : faults) {
        Scripted x(f.answer);
        Bytes dst(256, 0xCC);
        EXPECT_EQ(Read(*x, dst.data(), 256), f.result);
        EXPECT_EQ(dst, Bytes(256, 0xCC));
        EXPECT_EQ(x.Log().find(kChecksumNote) != std::string::npos, f.checksumNote);
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, BlockRead,
                         ::testing::Values(ReadCase{false, 0, 0x01, 35},
                                           ReadCase{false, 1, 0x01, 35},
                                           ReadCase{false, 2, 0x10, 44},
                                           ReadCase{true, 1, 0x03, 84},
                                           ReadCase{true, 2, 0x13, 31}));

TEST(BlockReadArguments, VersionsWithoutTheBlockSendNothing) {
    Scripted x({});
    Bytes dst(256);
    EXPECT_EQ(x->ReadTable(0, dst.data(), 256), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(x->ReadTable(3, dst.data(), 256), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(x->ReadParams(3, dst.data(), 256), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(x->ReadParams(2, nullptr, 256), ZOR_ERR_BAD_PARAM);
    EXPECT_TRUE(x.Sent().empty());
    // Only the low byte of the version counts.
    uint32_t word = 0;
    EXPECT_EQ(x->ReadParams(0x102, &word, 0), ZOR_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(word, 44u);
}

TEST(BlockReadLog, TitleCommandAnswerAndData) {
    const Bytes data = Pattern(35, 0);
    Scripted x(Concat({{0x01}, WithSum(data)}));
    Bytes dst(35);
    ASSERT_EQ(x->ReadParams(1, dst.data(), 35), ZOR_OK);
    const std::string log = x.Log();
    EXPECT_EQ(log.rfind("[]>> Чтение параметров: 01\r\n>>[] Ответ: 01\r\n 00 25 4A", 0), 0u) << log;
    // 37 bytes after the status: three dump lines of 16, 16 and 5 bytes.
    size_t lines = 0;
    for (size_t at = 0; (at = log.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    EXPECT_EQ(lines, 5u);
}

// --- Writing blocks -------------------------------------------------------

struct WriteCase {
    bool table;
    uint32_t version;
    uint32_t flags;
    uint8_t command;
    uint32_t length;
};

class BlockWrite : public ::testing::TestWithParam<WriteCase> {
protected:
    int32_t Write(lgm::MeterProtocol& p, const Bytes& data) {
        const auto& c = GetParam();
        const auto n = static_cast<uint32_t>(data.size());
        return c.table ? p.WriteTable(c.version, c.flags, data.data(), n)
                       : p.WriteParams(c.version, c.flags, data.data(), n);
    }
    // What the meter receives and repeats: command, data, true sum.
    Bytes TrueFrame(const Bytes& data) { return Concat({{GetParam().command}, WithSum(data)}); }
};

TEST_P(BlockWrite, SendsTheFrameAndAcceptsItsRepeat) {
    const auto& c = GetParam();
    const Bytes data = Pattern(c.length, 0x33);
    const Bytes frame = TrueFrame(data);
    Scripted x(frame);
    ASSERT_EQ(Write(*x, data), ZOR_OK);
    EXPECT_EQ(x.Sent(), frame);
    EXPECT_EQ(x.Timeouts(), (std::vector<int32_t>{6000, 6000}));
}

TEST_P(BlockWrite, ShortDataIsPaddedAndLongDataCut) {
    const auto& c = GetParam();
    Bytes shortData = Pattern(5, 0x70);
    Bytes padded = shortData;
    padded.resize(c.length, 0);
    Scripted a(TrueFrame(padded));
    EXPECT_EQ(Write(*a, shortData), ZOR_OK);
    EXPECT_EQ(a.Sent(), TrueFrame(padded));

    const Bytes longData = Pattern(128, 0x71);
    const Bytes cut(longData.begin(), longData.begin() + c.length);
    Scripted b(TrueFrame(cut));
    EXPECT_EQ(Write(*b, longData), ZOR_OK);
    EXPECT_EQ(b.Sent(), TrueFrame(cut));
}

TEST_P(BlockWrite, ARepeatDifferingInAnyByteIsAMismatch) {
    const auto& c = GetParam();
    const Bytes data = Pattern(c.length, 0x44);
    const Bytes frame = TrueFrame(data);
    for (size_t i = 0; i < frame.size(); ++i) {
        Bytes answer = frame;
        answer[i] ^= 0x01;
        Scripted x(answer);
        EXPECT_EQ(Write(*x, data), ZOR_ERR_ECHO_MISMATCH) << "byte " << i;
        EXPECT_NE(x.Log().find(kEchoNote), std::string::npos) << "byte " << i;
    }
}

TEST_P(BlockWrite, RefusalAndSilence) {
    const Bytes data = Pattern(GetParam().length, 0x45);
    Scripted refused({0xFF});
    EXPECT_EQ(Write(*refused, data), ZOR_ERR_REJECTED);
    Scripted silent({});
    EXPECT_EQ(Write(*silent, data), ZOR_ERR_READ_TIMEOUT);
    Bytes cut = TrueFrame(data);
    cut.pop_back();
    Scripted cutShort(cut);
    EXPECT_EQ(Write(*cutShort, data), ZOR_ERR_READ_TIMEOUT);
    EXPECT_EQ(cutShort.Log().find(kEchoNote), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Versions, BlockWrite,
                         ::testing::Values(WriteCase{false, 0, 0, 0x02, 35},
                                           WriteCase{false, 1, 0x80, 0x06, 35},
                                           WriteCase{false, 2, 0, 0x11, 44},
                                           WriteCase{true, 1, 0, 0x04, 84},
                                           WriteCase{true, 1, 0x80, 0x07, 84}));

TEST(PrivilegedWrite, VersionTwoSendsTheReducedSumAndWantsTheTrueOneBack) {
    const Bytes data = Pattern(44, 0x10);
    const unsigned sum = std::accumulate(data.begin(), data.end(), 0u) & 0xFFFF;
    const uint8_t high = static_cast<uint8_t>(sum >> 8);
    const uint8_t trueLow = static_cast<uint8_t>(sum);
    const uint8_t reducedLow = static_cast<uint8_t>(sum - 0x5B);
    const Bytes echoTrue = Concat({{0x12}, data, {high, trueLow}});
    const Bytes echoReduced = Concat({{0x12}, data, {high, reducedLow}});

    Scripted good(echoTrue);
    EXPECT_EQ(good->WriteParams(2, 0x80, data.data(), 44), ZOR_OK);
    EXPECT_EQ(good.Sent(), echoReduced);

    Scripted bad(echoReduced);
    EXPECT_EQ(bad->WriteParams(2, 0x80, data.data(), 44), ZOR_ERR_ECHO_MISMATCH);
    EXPECT_NE(bad.Log().find(kEchoNote), std::string::npos);
}

TEST(BlockWriteArguments, BadVersionOrDataSendNothing) {
    Scripted x({});
    const Bytes data(84);
    EXPECT_EQ(x->WriteParams(3, 0, data.data(), 35), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(x->WriteParams(1, 0, nullptr, 35), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(x->WriteTable(0, 0, data.data(), 84), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(x->WriteTable(2, 0x80, nullptr, 30), ZOR_ERR_BAD_PARAM);
    EXPECT_TRUE(x.Sent().empty());
}

TEST(BlockWriteLog, WholeFrameUnderTheTitle) {
    const Bytes data = Pattern(35, 0);
    Scripted x(Concat({{0x02}, WithSum(data)}));
    ASSERT_EQ(x->WriteParams(0, 0, data.data(), 35), ZOR_OK);
    EXPECT_EQ(x.Log().rfind("[]>> Запись параметров:\r\n 02 00 25 4A", 0), 0u) << x.Log();
}

// --- Version-2 table: read, keep the first byte, write ----------------------

class Table2 : public ::testing::Test {
protected:
    const Bytes meterTable = Pattern(31, 0x91);
    Bytes PreRead() { return Concat({{0x13}, WithSum(meterTable)}); }
};

TEST_F(Table2, JournalWriteKeepsTheThermoCompensationByte) {
    const Bytes journal = Pattern(30, 0x05);
    const Bytes table = Concat({{meterTable[0]}, journal});
    const Bytes echo = Concat({{0x14}, WithSum(table)});
    Scripted x(Concat({PreRead(), echo}));
    ASSERT_EQ(x->WriteTable(2, 0, journal.data(), 30), ZOR_OK);
    EXPECT_EQ(x.Sent(), Concat({{0x13}, echo}));
    EXPECT_EQ(x.Timeouts(), (std::vector<int32_t>{6000, 6000, 6000, 6000}));
    const std::string log = x.Log();
    EXPECT_EQ(log.rfind("[]>> Чтение таблицы: 13\r\n>>[] Ответ: 13\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("[]>> Запись таблицы:\r\n 14"), std::string::npos) << log;
}

TEST_F(Table2, JournalTakesAtMostThirtyBytesAndPadsShortOnes) {
    const Bytes longJournal = Pattern(128, 0x06);
    Bytes table = Concat({{meterTable[0]}, Bytes(longJournal.begin(), longJournal.begin() + 30)});
    Scripted a(Concat({PreRead(), {0x15}, WithSum(table)}));
    EXPECT_EQ(a->WriteTable(2, 0x80, longJournal.data(), 128), ZOR_OK);

    const Bytes shortJournal{1, 2, 3};
    table = Concat({{meterTable[0]}, shortJournal, Bytes(27)});
    Scripted b(Concat({PreRead(), {0x14}, WithSum(table)}));
    EXPECT_EQ(b->WriteTable(2, 0, shortJournal.data(), 3), ZOR_OK);
}

TEST_F(Table2, PreReadFaults) {
    Bytes badSum = PreRead();
    badSum.back() ^= 1;
    const Bytes journal(30);
    struct Fault {
        Bytes answer;
        int32_t result;
    };
    // The table read ahead of a write knows no refusal: any status but its
    // own command means the table cannot be trusted.
    const Fault faults[] = {{{0xFF}, ZOR_ERR_BAD_VALUES},
                            {{0x14}, ZOR_ERR_BAD_VALUES},
                            {badSum, ZOR_ERR_CHECKSUM},
                            {{0x13, 0x00}, ZOR_ERR_READ_TIMEOUT}};
    for (const auto& f : faults) {
        Scripted x(f.answer);
        EXPECT_EQ(x->WriteTable(2, 0x80, journal.data(), 30), f.result);
        EXPECT_EQ(x.Sent(), Bytes{0x13}) << "nothing is written";
        EXPECT_EQ(x.Log().find("!! "), std::string::npos) << "no fault note on the pre-read";
    }
}

TEST_F(Table2, ThermoCompensationReplacesOnlyTheFirstByte) {
    struct Case {
        double value;
        uint8_t byte;
    };
    for (const Case c : {Case{2.0, 11}, Case{3.7, 14}}) {
        Bytes table = meterTable;
        table[0] = c.byte;
        const Bytes echo = Concat({{0x15}, WithSum(table)});
        // The meter repeats the true checksum; the frame carries the reduced one.
        Bytes sentFrame = echo;
        sentFrame.back() = static_cast<uint8_t>(sentFrame.back() - 0x5B);
        Scripted x(Concat({PreRead(), echo}));
        ASSERT_EQ(x->SetThermoCompensation(2, 0x80, &c.value), ZOR_OK) << c.value;
        EXPECT_EQ(x.Sent(), Concat({{0x13}, sentFrame}));
    }
}

TEST_F(Table2, ThermoCompensationArguments) {
    Scripted x({});
    const double fine = 2.0;
    const double tooHigh = 130.0;
    EXPECT_EQ(x->SetThermoCompensation(1, 0x80, &fine), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(x->SetThermoCompensation(0, 0x80, &fine), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(x->SetThermoCompensation(2, 0x80, nullptr), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(x->SetThermoCompensation(2, 0x80, &tooHigh), ZOR_ERR_BAD_PARAM);
    EXPECT_TRUE(x.Sent().empty());
}

// --- Short commands and the adaptor -----------------------------------------

TEST(ShortCommand, ValueUnderItsChecksum) {
    Scripted x({0x08, 0x02, 0x00, 0x02});
    uint32_t value = 99;
    ASSERT_EQ(x->ReadShort(0x108, &value), ZOR_OK);
    EXPECT_EQ(value, 2u);
    EXPECT_EQ(x.Sent(), Bytes{0x08});
    EXPECT_EQ(x.Timeouts(), (std::vector<int32_t>{6000, 6000}));
    EXPECT_EQ(x.Log(), "[]>> Короткая команда: 08\r\n>>[] Ответ: 08\r\n 02 00 02\r\n");
}

TEST(ShortCommand, Faults) {
    struct Fault {
        Bytes answer;
        int32_t result;
        bool note;
    };
    const Fault faults[] = {{{0xFF}, ZOR_ERR_REJECTED, false},
                            {{0x06, 0x02, 0x00, 0x02}, ZOR_ERR_BAD_VALUES, false},
                            {{0x05, 0x02, 0x01, 0x02}, ZOR_ERR_CHECKSUM, true},
                            {{0x05, 0x02, 0x00, 0x03}, ZOR_ERR_CHECKSUM, true},
                            {{0x05, 0x02}, ZOR_ERR_READ_TIMEOUT, false}};
    for (const auto& f : faults) {
        Scripted x(f.answer);
        uint32_t value = 77;
        EXPECT_EQ(x->ReadShort(0x05, &value), f.result);
        EXPECT_EQ(value, 77u);
        EXPECT_EQ(x.Log().find(kChecksumNote) != std::string::npos, f.note);
    }
    Scripted x({});
    EXPECT_EQ(x->ReadShort(0x05, nullptr), ZOR_ERR_BAD_PARAM);
    EXPECT_TRUE(x.Sent().empty());
}

TEST(AdaptorLevel, EchoedByteOrMismatch) {
    for (uint32_t level = 0; level <= 3; ++level) {
        const uint8_t command = static_cast<uint8_t>(0x0B + level);
        Scripted x({command});
        EXPECT_EQ(x->SetLevel(level), ZOR_OK);
        EXPECT_EQ(x.Sent(), Bytes{command});
        EXPECT_EQ(x.Timeouts(), std::vector<int32_t>{3000});
        EXPECT_EQ(x.Log().find(">>[]"), std::string::npos) << "a good answer is not logged";
    }
    Scripted wrong({0x0C});
    EXPECT_EQ(wrong->SetLevel(0), ZOR_ERR_ECHO_MISMATCH);
    EXPECT_EQ(wrong.Log(), "[]>> Установка уровня: 0B\r\n>>[] Ответ: 0C\r\n");
    Scripted silent({});
    EXPECT_EQ(silent->SetLevel(0), ZOR_ERR_READ_TIMEOUT);
    Scripted none({});
    EXPECT_EQ(none->SetLevel(4), ZOR_ERR_BAD_PARAM);
    EXPECT_TRUE(none.Sent().empty());
}

TEST(AdaptorFlash, DurationAfterZeroOtherwiseUntouched) {
    Scripted x({0x00, 0x2A});
    uint32_t duration = 7;
    ASSERT_EQ(x->GetLongitude(&duration), ZOR_OK);
    EXPECT_EQ(duration, 42u);
    EXPECT_EQ(x.Sent(), Bytes{0x00});
    EXPECT_EQ(x.Timeouts(), (std::vector<int32_t>{6000, 6000}));
    EXPECT_EQ(x.Log(), "[]>> Чтение длительности вспышки: 00\r\n>>[] Ответ: 00\r\n 2A\r\n");

    Scripted other({0x05});
    duration = 7;
    EXPECT_EQ(other->GetLongitude(&duration), ZOR_OK);
    EXPECT_EQ(duration, 7u);

    Scripted cut({0x00});
    EXPECT_EQ(cut->GetLongitude(&duration), ZOR_ERR_READ_TIMEOUT);
    EXPECT_EQ(duration, 7u);
}

TEST(AdaptorIdentity, NumberAndVersion) {
    Scripted x({0x0F, 0x01, 0x23});
    uint32_t identity = 0;
    ASSERT_EQ(x->ReadAdaptor(&identity), ZOR_OK);
    EXPECT_EQ(identity, 0x010023u);
    EXPECT_EQ(x.Timeouts(), (std::vector<int32_t>{3000, 3000}));
    EXPECT_EQ(x.Log(), "[]>> Чтение версии адаптера: 0F\r\n>>[] Ответ: 0F\r\n 01 23\r\n");

    Scripted wrong({0x0E, 0x01, 0x23});
    identity = 5;
    EXPECT_EQ(wrong->ReadAdaptor(&identity), ZOR_ERR_REJECTED);
    EXPECT_EQ(identity, 0u);
}

} // namespace
