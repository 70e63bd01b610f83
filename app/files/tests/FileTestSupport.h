// Helpers of the file tests: a scratch folder, byte fixtures, a way to make
// writes fail while running as root, and a snapshot of a whole document.
#pragma once

#include "document/CalibrationDocument.h"
#include "document/Datalist.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace filetest {

using Bytes = std::vector<uint8_t>;

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lgmfiles.XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(std::string_view name) const { return path_ + "/" + std::string(name); }
    const std::string& Folder() const { return path_; }
    // Names in the folder, sorted: a failed write must leave no stray file.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline void WriteText(const std::string& path, std::string_view text) {
    WriteBytes(path, Bytes(text.begin(), text.end()));
}

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadText(const std::string& path) {
    const Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Little-endian stores into a fixture at a byte offset, written out by hand
// so that a fixture does not share the code it checks.
inline void PutU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutU64(Bytes& b, size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutDouble(Bytes& b, size_t at, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    PutU64(b, at, bits);
}

// Makes every write beyond `bytes` in a regular file fail with EFBIG, the
// way a full disk makes it fail; root is not exempt, unlike a read-only
// folder.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

// A measurement with the fields the files care about.
inline MeasurementRecord Record(double flow, double frequency, double temperature = 20.0) {
    MeasurementRecord r = NewMeasurement();
    r.EtalonFlow = flow;
    r.MeasuredFrequency = frequency;
    r.Temperature = temperature;
    return r;
}

inline TZorDataList ListOf(std::initializer_list<MeasurementRecord> records) {
    TZorDataList list;
    for (const MeasurementRecord& r : records)
        list.Add(r);
    return list;
}

inline Bytes RecordBytes(const TZorDataList& list) {
    const auto records = list.Records();
    const auto* data = reinterpret_cast<const uint8_t*>(records.data());
    return Bytes(data, data + records.size_bytes());
}

// Everything an open or import may change, to show that a failed one
// changed nothing.
struct DocumentSnapshot {
    explicit DocumentSnapshot(const CalibrationDocument& doc)
        : Settings(doc.Settings()), Calibration(RecordBytes(doc.CalibrationList())),
          Verification(RecordBytes(doc.VerificationList())), DataCount(doc.ApproxData().Count),
          FileName(doc.FileName()), HasFile(doc.HasFile()), Unsaved(doc.HasUnsavedChanges()) {
        const auto* params = reinterpret_cast<const uint8_t*>(&doc.Params());
        Params.assign(params, params + sizeof(MeterParams));
        const auto* items = reinterpret_cast<const uint8_t*>(doc.ApproxData().Items.data());
        Data.assign(items, items + sizeof(doc.ApproxData().Items));
    }
    bool operator==(const DocumentSnapshot&) const = default;

    MeterSettings Settings;
    Bytes Calibration;
    Bytes Verification;
    Bytes Params;
    uint32_t DataCount;
    Bytes Data;
    std::string FileName;
    bool HasFile;
    bool Unsaved;
};

inline void PrintTo(const DocumentSnapshot& s, std::ostream* out) {
    *out << "{file " << s.FileName << (s.HasFile ? " (srv)" : "") << ", "
         << s.Calibration.size() / 144 << " calibration and " << s.Verification.size() / 144
         << " verification records}";
}

} // namespace filetest
