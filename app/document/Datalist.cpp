#include "document/Datalist.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

constexpr const char* kCreateFailed = "Ошибка создания экземпляра";
constexpr const char* kResizeFailed = "Ошибка изменения размера";
constexpr const char* kDeleteFailed = "Ошибка удаления записи";

// Add grows the block by this many records at a time.
constexpr uint32_t kGrowthStep = 32;

using RealField = double MeasurementRecord::*;
using IntField = int32_t MeasurementRecord::*;

// How a field id reads, shows and extracts its field. Exactly one of real and
// integer is set.
struct FieldSpec {
    RealField real;
    IntField integer;
    int decimals;   // for reals
    double scale;   // deviations are fractions shown in per cent
    int shown;      // section and line numbers are shown 1-based
    bool extracted; // GetColumn fills the elements
};

constexpr FieldSpec kFields[] = {
    {&MeasurementRecord::EtalonMass, nullptr, 3, 1, 0, true},
    {&MeasurementRecord::EtalonVolume, nullptr, 3, 1, 0, true},
    {&MeasurementRecord::EtalonFlow, nullptr, 6, 1, 0, true},
    {&MeasurementRecord::Temperature, nullptr, 1, 1, 0, true},
    {&MeasurementRecord::ComparedVolume, nullptr, 3, 1, 0, true},
    {&MeasurementRecord::MeasuredFrequency, nullptr, 6, 1, 0, true},
    {&MeasurementRecord::MeasuredFlow, nullptr, 6, 1, 0, false},
    {&MeasurementRecord::SectionFlow, nullptr, 6, 1, 0, true},
    {&MeasurementRecord::SectionFrequency, nullptr, 6, 1, 0, true},
    {&MeasurementRecord::EtalonTime, nullptr, 3, 1, 0, true},
    {&MeasurementRecord::MeasuredTime, nullptr, 3, 1, 0, true},
    {&MeasurementRecord::FlowDeviation, nullptr, 2, 100, 0, true},
    {&MeasurementRecord::VolumeDeviation, nullptr, 2, 100, 0, true},
    {&MeasurementRecord::LineA, nullptr, 6, 1, 0, true},
    {&MeasurementRecord::LineB, nullptr, 6, 1, 0, true},
    {nullptr, &MeasurementRecord::MeasuredPulses, 0, 1, 0, true},
    {nullptr, &MeasurementRecord::ComparedPulses, 0, 1, 0, true},
    {nullptr, &MeasurementRecord::Section, 0, 1, 1, false},
    {nullptr, &MeasurementRecord::Line, 0, 1, 1, false},
};
static_assert(std::size(kFields) == FieldId::Last + 1);

// The export columns: a real field (scaled) or an integer field.
struct ColumnSpec {
    RealField real;
    IntField integer;
    double scale;
};

constexpr ColumnSpec kColumns[] = {
    {&MeasurementRecord::EtalonMass, nullptr, 1},
    {&MeasurementRecord::Temperature, nullptr, 1},
    {&MeasurementRecord::EtalonVolume, nullptr, 1},
    {&MeasurementRecord::EtalonTime, nullptr, 1},
    {nullptr, &MeasurementRecord::MeasuredPulses, 1},
    {&MeasurementRecord::MeasuredTime, nullptr, 1},
    {&MeasurementRecord::EtalonFlow, nullptr, 1},
    {&MeasurementRecord::MeasuredFrequency, nullptr, 1},
    {&MeasurementRecord::FlowDeviation, nullptr, 100},
    {nullptr, &MeasurementRecord::ComparedPulses, 1},
    {&MeasurementRecord::ComparedVolume, nullptr, 1},
    {&MeasurementRecord::VolumeDeviation, nullptr, 100},
    {&MeasurementRecord::LineA, nullptr, 1},
    {&MeasurementRecord::LineB, nullptr, 1},
};
static_assert(std::size(kColumns) == ExportColumn::Count);

// Fixed-point text as "%.<decimals>f" gives it, with '.' whatever the locale.
void AppendFixed(std::string& text, double value, int decimals) {
    // The longest fixed text of a double: 309 digits, sign, point, decimals.
    char buffer[std::numeric_limits<double>::max_exponent10 + 32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    text.append(buffer, result.ptr);
}

void AppendInteger(std::string& text, int64_t value) {
    text += std::to_string(value);
}

[[noreturn]] void Raise(const char* message) {
    throw ESimpleException(message);
}

} // namespace

MeasurementRecord NewMeasurement() {
    MeasurementRecord record{};
    record.Temperature = 20.0;
    return record;
}

ESimpleException::ESimpleException(const char* message, int32_t code) : Code(code), Message{} {
    // Keep whole UTF-8 characters when the text has to be cut.
    const size_t full = std::strlen(message);
    size_t length = std::min(full, sizeof Message - 1);
    while (length > 0 && length < full &&
           (static_cast<unsigned char>(message[length]) & 0xC0) == 0x80)
        --length;
    std::memcpy(Message, message, length);
}

TZorDataList::TZorDataList(uint32_t capacity) {
    try {
        block_.resize(capacity);
    } catch (const std::exception&) {
        Raise(kCreateFailed);
    }
}

uint32_t TZorDataList::Grow(int64_t number, bool relative) {
    int64_t wanted = number;
    // Records beyond the new capacity would be lost, so a list never shrinks
    // below its records.
    if ((relative && __builtin_add_overflow(int64_t{Capacity()}, number, &wanted)) || wanted < 1 ||
        wanted < int64_t{count_} || wanted > std::numeric_limits<uint32_t>::max())
        Raise(kResizeFailed);
    try {
        // resize keeps the old block intact when it cannot grow.
        block_.resize(static_cast<size_t>(wanted));
    } catch (const std::exception&) {
        Raise(kResizeFailed);
    }
    return Capacity();
}

uint32_t TZorDataList::Add(const MeasurementRecord& record) {
    if (count_ == Capacity())
        Grow(kGrowthStep, true);
    block_[count_] = record;
    ++count_;
    ordered_ = false;
    return count_;
}

uint32_t TZorDataList::Delete(uint32_t i) {
    if (i >= count_)
        Raise(kDeleteFailed);
    std::copy(block_.begin() + i + 1, block_.begin() + count_, block_.begin() + i);
    --count_;
    block_[count_] = MeasurementRecord{};
    return count_;
}

void TZorDataList::Clear() {
    count_ = 0;
}

MeasurementRecord* TZorDataList::Item(uint32_t i) {
    return i < count_ ? &block_[i] : nullptr;
}

const MeasurementRecord* TZorDataList::Item(uint32_t i) const {
    return i < count_ ? &block_[i] : nullptr;
}

const MeasurementRecord* TZorDataList::EnabledItem(uint32_t n) const {
    for (const MeasurementRecord& record : Records()) {
        if (record.IsEnabled()) {
            if (n == 0)
                return &record;
            --n;
        }
    }
    return nullptr;
}

MeasurementRecord* TZorDataList::EnabledItem(uint32_t n) {
    return const_cast<MeasurementRecord*>(std::as_const(*this).EnabledItem(n));
}

uint32_t TZorDataList::EnabledCount() const {
    return static_cast<uint32_t>(std::count_if(Records().begin(), Records().end(),
                                               [](const auto& r) { return r.IsEnabled(); }));
}

std::vector<uint32_t> TZorDataList::EnabledPositions() const {
    std::vector<uint32_t> positions;
    positions.reserve(count_);
    for (uint32_t i = 0; i < count_; ++i)
        if (block_[i].IsEnabled())
            positions.push_back(i);
    return positions;
}

bool TZorDataList::CopyItem(uint32_t i, MeasurementRecord& destination) const {
    if (i >= count_)
        return false;
    destination = block_[i];
    return true;
}

bool TZorDataList::SortByKeys(std::span<const double> keys, bool* moved) {
    if (keys.size() != count_ ||
        std::any_of(keys.begin(), keys.end(), [](double k) { return std::isnan(k); }))
        return false;
    const bool anyMoved = !std::is_sorted(keys.begin(), keys.end());
    if (anyMoved) {
        // Without NaN the keys are totally ordered, so ordering by key and then
        // by position is the unique stable order: the one the bubble sort of
        // adjacent records with a strict comparison reaches, found here in
        // n log n.
        std::vector<std::pair<double, uint32_t>> order(count_);
        for (uint32_t i = 0; i < count_; ++i)
            order[i] = {keys[i], i};
        std::sort(order.begin(), order.end());
        // Move the records into place along the cycles of the permutation, so
        // that no second block is needed.
        for (uint32_t i = 0; i < count_; ++i) {
            if (order[i].second == i)
                continue;
            const MeasurementRecord held = block_[i];
            uint32_t j = i;
            while (order[j].second != i) {
                const uint32_t from = order[j].second;
                block_[j] = block_[from];
                order[j].second = j;
                j = from;
            }
            block_[j] = held;
            order[j].second = j;
        }
    }
    ordered_ = true;
    if (moved)
        *moved = anyMoved;
    return true;
}

bool TZorDataList::SortByFlow() {
    std::vector<double> keys(count_);
    for (uint32_t i = 0; i < count_; ++i)
        keys[i] = block_[i].EtalonFlow;
    bool moved = false;
    if (!SortByKeys(keys, &moved))
        return false;
    if (moved) {
        ClearSections();
        ClearLines();
    }
    return true;
}

bool TZorDataList::CheckOrder() {
    double running = 0.0;
    for (const MeasurementRecord& record : Records()) {
        // A NaN flow is below nothing and would pass; it has no place in an order.
        if (record.EtalonFlow < running || std::isnan(record.EtalonFlow)) {
            ordered_ = false;
            return false;
        }
        running = record.EtalonFlow;
    }
    ordered_ = true;
    return true;
}

void TZorDataList::ClearSections() {
    for (MeasurementRecord& record : Records())
        record.Section = 0;
}

void TZorDataList::ClearLines() {
    for (MeasurementRecord& record : Records())
        record.Line = 0;
}

void TZorDataList::ClearLinePoints() {
    for (MeasurementRecord& record : Records())
        record.Flags &= ~RecordFlag::LinePoint;
}

uint32_t TZorDataList::LineStarts(std::span<int32_t> out) const {
    std::fill(out.begin(), out.end(), -1);
    uint32_t found = 0;
    for (uint32_t i = 0; i < count_ && found < out.size(); ++i)
        if (i == 0 || block_[i].Line != block_[i - 1].Line)
            out[found++] = static_cast<int32_t>(i);
    return found;
}

void TZorDataList::AssignLineNumbers() {
    if (count_ == 0)
        return;
    double a = block_[0].LineA;
    double b = block_[0].LineB;
    int32_t line = 0;
    for (uint32_t i = 1; i < count_; ++i) {
        MeasurementRecord& record = block_[i];
        if (std::fabs(a - record.LineA) > 1e-8 || std::fabs(b - record.LineB) > 1e-8) {
            a = record.LineA;
            b = record.LineB;
            ++line;
        }
        record.Line = line;
    }
}

void* TZorDataList::GetColumn(int id, void* buffer, uint32_t& size) const {
    if (id < 0 || id > FieldId::Last || count_ == 0)
        return nullptr;
    const FieldSpec& field = kFields[id];
    const size_t element = field.real ? sizeof(double) : sizeof(int32_t);
    // At most 2^32 - 1 records of 8 bytes: the size fits in 64 bits, but the
    // caller's size is 32-bit; such a column cannot be handed out.
    const uint64_t needed = uint64_t{EnabledCount()} * element;
    if (needed > std::numeric_limits<uint32_t>::max())
        return nullptr;
    if (size < needed) {
        size = static_cast<uint32_t>(needed);
        return nullptr;
    }
    if (!buffer) {
        if (needed == 0)
            return nullptr;
        buffer = std::calloc(needed, 1);
        if (!buffer)
            return nullptr;
        size = static_cast<uint32_t>(needed);
    }
    if (!field.extracted)
        return buffer;
    auto* bytes = static_cast<unsigned char*>(buffer);
    size_t k = 0;
    for (const MeasurementRecord& record : Records()) {
        if (!record.IsEnabled())
            continue;
        if (field.real)
            std::memcpy(bytes + k * element, &(record.*field.real), element);
        else
            std::memcpy(bytes + k * element, &(record.*field.integer), element);
        ++k;
    }
    return buffer;
}

std::optional<std::vector<double>> TZorDataList::RealColumn(int id) const {
    if (id < 0 || id > FieldId::Last || !kFields[id].real || !kFields[id].extracted)
        return std::nullopt;
    std::vector<double> values(EnabledCount());
    uint32_t size = static_cast<uint32_t>(values.size() * sizeof(double));
    if (!values.empty() && !GetColumn(id, values.data(), size))
        return std::nullopt;
    return values;
}

std::optional<std::vector<int32_t>> TZorDataList::IntColumn(int id) const {
    if (id < 0 || id > FieldId::Last || !kFields[id].integer || !kFields[id].extracted)
        return std::nullopt;
    std::vector<int32_t> values(EnabledCount());
    uint32_t size = static_cast<uint32_t>(values.size() * sizeof(int32_t));
    if (!values.empty() && !GetColumn(id, values.data(), size))
        return std::nullopt;
    return values;
}

std::optional<std::string> TZorDataList::FormatField(uint32_t i, int id) const {
    if (i >= count_ || id < 0 || id > FieldId::Last)
        return std::nullopt;
    const FieldSpec& field = kFields[id];
    const MeasurementRecord& record = block_[i];
    std::string text;
    if (field.real)
        AppendFixed(text, record.*field.real * field.scale, field.decimals);
    else
        AppendInteger(text, int64_t{record.*field.integer} + field.shown);
    return text;
}

std::string TZorDataList::FormatColumns(uint32_t i, uint32_t mask) const {
    std::string text;
    if (i >= count_)
        return text;
    const MeasurementRecord& record = block_[i];
    for (int c = 0; c < ExportColumn::Count; ++c) {
        if ((mask & (1u << c)) == 0)
            continue;
        const ColumnSpec& column = kColumns[c];
        if (column.real)
            AppendFixed(text, record.*column.real * column.scale, 6);
        else
            AppendInteger(text, record.*column.integer);
        text += ' ';
    }
    return text;
}
