#include "files/StdSectFile.h"

#include "document/Messages.h"
#include "files/FileFields.h"

#include "ZorCommon.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace {

// Entry offsets.
constexpr size_t kTagAt = 0;
constexpr size_t kFlagsAt = 4;
constexpr size_t kDiameterAt = 8;
constexpr size_t kErrorLimitAt = 12;
constexpr size_t kSpreadLimitAt = 16;
constexpr size_t kTprivAt = 20;
constexpr size_t kBreaksAt = 28;

constexpr size_t kMagicAt = 0;
constexpr size_t kCountAt = 4;
constexpr size_t kChecksumSize = 4;

constexpr const char* kWriteFailedText = "Не удалось записать данные в файл";

void StoreEntry(std::span<uint8_t> entry, const StdSect& sect, int32_t diameter) {
    StoreField<uint32_t>(entry, kTagAt, kStdSectEntryTag);
    StoreField<uint32_t>(entry, kFlagsAt, sect.Flags);
    StoreField<int32_t>(entry, kDiameterAt, diameter);
    StoreField<uint32_t>(entry, kErrorLimitAt, ScaleSetting(sect.ErrorLimit));
    StoreField<uint32_t>(entry, kSpreadLimitAt, ScaleSetting(sect.SpreadLimit));
    StoreField<uint32_t>(entry, kTprivAt, ScaleSetting(sect.Tpriv));
    for (size_t i = 0; i < sect.Breaks.size(); ++i)
        StoreField<int32_t>(entry, kBreaksAt + 4 * i, sect.Breaks[i]);
}

void ApplyEntry(std::span<const uint8_t> entry, StdSectTable& table) {
    if (LoadField<uint32_t>(entry, kTagAt) != kStdSectEntryTag)
        return;
    const int32_t du = DuIndexOf(LoadField<int32_t>(entry, kDiameterAt));
    if (du < 0)
        return;
    StdSect& sect = table[static_cast<size_t>(du)];
    sect.Flags = LoadField<uint32_t>(entry, kFlagsAt) | kStdSectDefined;
    sect.ErrorLimit = UnscaleSetting(LoadField<uint32_t>(entry, kErrorLimitAt));
    sect.SpreadLimit = UnscaleSetting(LoadField<uint32_t>(entry, kSpreadLimitAt));
    sect.Tpriv = UnscaleSetting(LoadField<uint32_t>(entry, kTprivAt));
    for (size_t i = 0; i < sect.Breaks.size(); ++i)
        sect.Breaks[i] = LoadField<int32_t>(entry, kBreaksAt + 4 * i);
}

} // namespace

const char* StdSectReadMessage(StdSectReadStatus status) {
    switch (status) {
    case StdSectReadStatus::Ok:
        return "";
    case StdSectReadStatus::ShortHeader:
        return "Не удалось прочитать заголовок файла";
    case StdSectReadStatus::BadMagic:
        return "Неподдерживаемый формат файла";
    case StdSectReadStatus::TooManyEntries:
        return "В заголовке файла указано\nслишком большое количество записей";
    case StdSectReadStatus::ShortEntries:
        return "Не удалось прочитать данные из файла";
    case StdSectReadStatus::ChecksumMismatch:
        return "Ошибка контрольной информации файла";
    }
    return "";
}

std::vector<uint8_t> EncodeStdSectFile(const StdSectTable& table) {
    std::vector<uint8_t> out(kStdSectHeaderSize);
    StoreField<uint32_t>(out, kMagicAt, kStdSectMagic);
    uint32_t count = 0;
    for (size_t du = 0; du < table.size(); ++du) {
        if (!table[du].IsDefined())
            continue;
        out.resize(out.size() + kStdSectEntrySize);
        StoreEntry(std::span(out).last(kStdSectEntrySize), table[du], DuTable[du]);
        ++count;
    }
    StoreField<uint32_t>(out, kCountAt, count);
    const uint32_t checksum = Crc32X25(out.data(), 0, static_cast<uint32_t>(out.size()));
    out.resize(out.size() + kChecksumSize);
    StoreField<uint32_t>(out, out.size() - kChecksumSize, checksum);
    return out;
}

StdSectReadStatus DecodeStdSectFile(std::span<const uint8_t> bytes, StdSectTable& table) {
    for (StdSect& sect : table)
        sect.Flags = 0;
    if (bytes.size() < kStdSectHeaderSize)
        return StdSectReadStatus::ShortHeader;
    if (LoadField<uint32_t>(bytes, kMagicAt) != kStdSectMagic)
        return StdSectReadStatus::BadMagic;
    const uint32_t count = LoadField<uint32_t>(bytes, kCountAt);
    if (count > kMaxStdSectEntries)
        return StdSectReadStatus::TooManyEntries;
    const size_t covered = kStdSectHeaderSize + count * kStdSectEntrySize;
    if (bytes.size() < covered + kChecksumSize)
        return StdSectReadStatus::ShortEntries;
    if (Crc32X25(bytes.data(), 0, static_cast<uint32_t>(covered)) !=
        LoadField<uint32_t>(bytes, covered))
        return StdSectReadStatus::ChecksumMismatch;
    for (uint32_t i = 0; i < count; ++i)
        ApplyEntry(bytes.subspan(kStdSectHeaderSize + i * kStdSectEntrySize, kStdSectEntrySize),
                   table);
    return StdSectReadStatus::Ok;
}

std::string StdSectPath(const std::string& folder) {
    return JoinPath(folder, kStdSectFileName);
}

StdSectReadStatus LoadStdSectFile(const std::string& path, StdSectTable& table) {
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes)
        return StdSectReadStatus::Ok;
    const StdSectReadStatus status = DecodeStdSectFile(*bytes, table);
    if (status != StdSectReadStatus::Ok) {
        // The exit replaces the file with what this run defines; keep the
        // damaged one aside so the partitions in it can still be recovered.
        std::rename(path.c_str(), (path + kStdSectBadSuffix).c_str());
        ShowError(StdSectReadMessage(status));
    }
    return status;
}

WriteOutcome SaveStdSectFile(const std::string& path, const StdSectTable& table) {
    const WriteOutcome outcome = WriteWholeFile(path, EncodeStdSectFile(table));
    if (outcome == WriteOutcome::CannotCreate)
        ShowLastSystemError();
    else if (outcome == WriteOutcome::WriteFailed)
        ShowError(kWriteFailedText);
    return outcome;
}

StdSectStore::StdSectStore(std::string programFolder, std::string userFolder)
    : programFolder_(std::move(programFolder)), userFolder_(std::move(userFolder)) {}

bool StdSectStore::UsesUserFolder() const {
    // The effective ids decide, as they decide the write itself.
    return !userFolder_.empty() &&
           faccessat(AT_FDCWD, programFolder_.c_str(), W_OK | X_OK, AT_EACCESS) != 0;
}

std::string StdSectStore::SavePath() const {
    return StdSectPath(UsesUserFolder() ? userFolder_ : programFolder_);
}

std::string StdSectStore::ReadPath() const {
    const std::string path = SavePath();
    return PathExists(path) ? path : StdSectPath(programFolder_);
}

StdSectReadStatus StdSectStore::Load(StdSectTable& table) const {
    return LoadStdSectFile(ReadPath(), table);
}

WriteOutcome StdSectStore::Save(const StdSectTable& table) const {
    if (UsesUserFolder()) {
        // A folder that cannot be made shows up as the file's own failure.
        std::error_code ignored;
        std::filesystem::create_directories(userFolder_, ignored);
    }
    return SaveStdSectFile(SavePath(), table);
}
