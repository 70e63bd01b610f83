// The measurement record and the measurement list of a calibration document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

// One run of the test rig through the meter. The layout is binding: calibration
// files hold these records byte for byte as they are in memory.
struct MeasurementRecord {
    double EtalonMass;        // reference mass, kg
    double Temperature;       // water temperature, °C
    double EtalonVolume;      // reference volume, L
    double EtalonTime;        // reference time of the run, s
    double MeasuredTime;      // time over which the meter's pulses were counted, s
    double EtalonFlow;        // reference flow, m³/h
    double MeasuredFrequency; // meter frequency, Hz
    double SectionFrequency;  // mean reduced frequency of the record's section, Hz
    double SectionFlow;       // mean reduced reference flow of the record's section, m³/h
    double FlowDeviation;     // relative flow error, a fraction
    double MeasuredFlow;      // flow the characteristic gives for this record, m³/h
    double ComparedVolume;    // volume counted by the meter (verification), L
    double VolumeDeviation;   // relative volume error (verification), a fraction
    double LineA;             // slope of the record's line
    double LineB;             // intercept of the record's line
    uint32_t Flags;           // RecordFlag bits
    int32_t MeasuredPulses;   // pulses counted during MeasuredTime
    int32_t ComparedPulses;   // pulses counted during the reference run (verification)
    int32_t Section;          // section number, 0-based
    int32_t Line;             // line number, 0-based
    uint32_t Reserved;        // zero in new records, carried along unread

    bool IsEnabled() const;
    bool IsLinePoint() const;
};

namespace RecordFlag {
// The operator marked the record as a break point between lines.
inline constexpr uint32_t LinePoint = 1u << 0;
// The record is switched off: it stays in the list but takes part in nothing
// that works on enabled records.
inline constexpr uint32_t Disabled = 1u << 1;
// The list tag a calibration file keeps in the top byte.
inline constexpr uint32_t ListTagMask = 0xFF000000u;
} // namespace RecordFlag

inline bool MeasurementRecord::IsEnabled() const {
    return (Flags & RecordFlag::Disabled) == 0;
}
inline bool MeasurementRecord::IsLinePoint() const {
    return (Flags & RecordFlag::LinePoint) != 0;
}

static_assert(std::is_standard_layout_v<MeasurementRecord>);
static_assert(std::is_trivially_copyable_v<MeasurementRecord>);
static_assert(offsetof(MeasurementRecord, EtalonMass) == 0);
static_assert(offsetof(MeasurementRecord, Temperature) == 8);
static_assert(offsetof(MeasurementRecord, EtalonVolume) == 16);
static_assert(offsetof(MeasurementRecord, EtalonTime) == 24);
static_assert(offsetof(MeasurementRecord, MeasuredTime) == 32);
static_assert(offsetof(MeasurementRecord, EtalonFlow) == 40);
static_assert(offsetof(MeasurementRecord, MeasuredFrequency) == 48);
static_assert(offsetof(MeasurementRecord, SectionFrequency) == 56);
static_assert(offsetof(MeasurementRecord, SectionFlow) == 64);
static_assert(offsetof(MeasurementRecord, FlowDeviation) == 72);
static_assert(offsetof(MeasurementRecord, MeasuredFlow) == 80);
static_assert(offsetof(MeasurementRecord, ComparedVolume) == 88);
static_assert(offsetof(MeasurementRecord, VolumeDeviation) == 96);
static_assert(offsetof(MeasurementRecord, LineA) == 104);
static_assert(offsetof(MeasurementRecord, LineB) == 112);
static_assert(offsetof(MeasurementRecord, Flags) == 120);
static_assert(offsetof(MeasurementRecord, MeasuredPulses) == 124);
static_assert(offsetof(MeasurementRecord, ComparedPulses) == 128);
static_assert(offsetof(MeasurementRecord, Section) == 132);
static_assert(offsetof(MeasurementRecord, Line) == 136);
static_assert(offsetof(MeasurementRecord, Reserved) == 140);
static_assert(sizeof(MeasurementRecord) == 144);

// A new measurement: every field zero except the temperature, 20 °C.
MeasurementRecord NewMeasurement();

// Field ids by which the table, the graphs and the extraction name a field.
namespace FieldId {
enum : int {
    EtalonMass = 0,
    EtalonVolume = 1,
    EtalonFlow = 2,
    Temperature = 3,
    ComparedVolume = 4,
    MeasuredFrequency = 5,
    MeasuredFlow = 6,
    SectionFlow = 7,
    SectionFrequency = 8,
    EtalonTime = 9,
    MeasuredTime = 10,
    FlowDeviation = 11,
    VolumeDeviation = 12,
    LineA = 13,
    LineB = 14,
    MeasuredPulses = 15,
    ComparedPulses = 16,
    Section = 17,
    Line = 18,
    Last = Line,
};
} // namespace FieldId

// Columns of the text export; bit c of a column mask selects column c.
namespace ExportColumn {
enum : int {
    EtalonMass = 0,
    Temperature = 1,
    EtalonVolume = 2,
    EtalonTime = 3,
    MeasuredPulses = 4,
    MeasuredTime = 5,
    EtalonFlow = 6,
    MeasuredFrequency = 7,
    FlowDeviation = 8,
    ComparedPulses = 9,
    ComparedVolume = 10,
    VolumeDeviation = 11,
    LineA = 12,
    LineB = 13,
    Count = 14,
};
} // namespace ExportColumn

// A storage failure of a measurement list: a code (always 0) and the text the
// operator is shown.
class ESimpleException : public std::exception {
public:
    explicit ESimpleException(const char* message, int32_t code = 0);
    const char* what() const noexcept override { return Message; }

    int32_t Code;
    char Message[128]; // at most 127 bytes and a terminating zero
};

// The measurements of one document in the order the operator sees them.
//
// Records are values: Add copies the caller's record in, CopyItem copies one
// out. Pointers from Item and EnabledItem and the span from Records stay valid
// only until the next operation that adds, deletes or reorders records.
// Positions (i) count all records; enabled positions (n) count only records
// whose Disabled flag is clear. A list belongs to the thread that owns the
// document; nothing in it is locked.
class TZorDataList {
public:
    // Throws ESimpleException("Ошибка создания экземпляра") without storage.
    explicit TZorDataList(uint32_t capacity = 32);

    // Appends a copy of the record and returns the new count. Grows the block
    // by 32 records when it is full; throws ESimpleException("Ошибка изменения
    // размера") when it cannot grow, leaving the list as it was.
    uint32_t Add(const MeasurementRecord& record);
    // Removes record i, keeping the order of the rest; returns the new count.
    // Throws ESimpleException("Ошибка удаления записи") when i ≥ Count.
    uint32_t Delete(uint32_t i);
    // Empties the list; the block and the Ordered flag stay.
    void Clear();
    // Sets the capacity to Capacity + number (relative) or to number; returns
    // the new capacity. Throws ESimpleException("Ошибка изменения размера"),
    // changing nothing, when the capacity would fall below 1 or below Count, or
    // when no storage can be had.
    uint32_t Grow(int64_t number, bool relative);

    uint32_t Count() const { return count_; }
    uint32_t Capacity() const { return static_cast<uint32_t>(block_.size()); }
    // Whether the list is known to be in ascending order of a flow key.
    bool Ordered() const { return ordered_; }

    // Record i, or null when i ≥ Count.
    MeasurementRecord* Item(uint32_t i);
    const MeasurementRecord* Item(uint32_t i) const;
    // The n-th enabled record, or null when fewer than n + 1 are enabled.
    MeasurementRecord* EnabledItem(uint32_t n);
    const MeasurementRecord* EnabledItem(uint32_t n) const;
    uint32_t EnabledCount() const;
    // Positions of the enabled records in list order: entry n is the position
    // of EnabledItem(n). One walk; use it instead of EnabledItem in loops.
    std::vector<uint32_t> EnabledPositions() const;
    // Copies record i out; false when i ≥ Count.
    bool CopyItem(uint32_t i, MeasurementRecord& destination) const;
    // All Count records, contiguous, in list order.
    std::span<MeasurementRecord> Records() { return {block_.data(), count_}; }
    std::span<const MeasurementRecord> Records() const { return {block_.data(), count_}; }

    // Orders all records, enabled or not, by ascending EtalonFlow; records
    // with equal flows keep their order. When any record moved, Section and
    // Line of every record become 0. Sets Ordered. Returns false, changing
    // nothing, when a flow is not a number and so has no place in the order.
    bool SortByFlow();
    // Reorders the records stably by ascending keys[i] (the key of record i) —
    // the order a bubble sort of adjacent records with a strict comparison
    // gives. Sets Ordered and reports in *moved whether any record moved.
    // Returns false, changing nothing, when the keys are not one per record or
    // one is not a number. Section and Line are left to the caller.
    bool SortByKeys(std::span<const double> keys, bool* moved = nullptr);
    // Whether EtalonFlow does not decrease along the list (starting from 0.0);
    // sets Ordered to the result.
    bool CheckOrder();

    void ClearSections();   // Section := 0 on all records
    void ClearLines();      // Line := 0 on all records
    void ClearLinePoints(); // clears LinePoint on all records

    // Writes the positions where Line changes from the previous record
    // (position 0 always) into out, at most out.size() of them, and -1 into the
    // rest of out; returns how many were found.
    uint32_t LineStarts(std::span<int32_t> out) const;
    // Numbers the lines from the line coefficients: Line grows by one wherever
    // LineA or LineB differs by more than 1e-8 from the previous line's pair.
    // Record 0 keeps its Line.
    void AssignLineNumbers();

    // The field `id` of every enabled record, in list order, packed as doubles
    // (ids 0 … 14) or 32-bit ints (ids 15 … 18); ids 6, 17 and 18 leave the
    // elements untouched. Returns null, changing nothing, for an id above 18
    // or an empty list. When size is below the room needed, sets size to it and
    // returns null. Without a buffer, allocates a zero-filled block with
    // std::calloc (the caller releases it with std::free), sets size and
    // returns it; null when it cannot be had or would be empty.
    void* GetColumn(int id, void* buffer, uint32_t& size) const;
    // The same as a vector of doubles (ids 0 … 14 except 6), or nullopt.
    std::optional<std::vector<double>> RealColumn(int id) const;
    // The same as a vector of ints (ids 15, 16), or nullopt.
    std::optional<std::vector<int32_t>> IntColumn(int id) const;

    // The field `id` of record i as the table shows it; nullopt when i ≥ Count
    // or the id is above 18.
    std::optional<std::string> FormatField(uint32_t i, int id) const;
    // The export columns of record i selected by mask, each followed by one
    // space; empty when i ≥ Count or the mask is 0.
    std::string FormatColumns(uint32_t i, uint32_t mask) const;

private:
    std::vector<MeasurementRecord> block_; // size() is the capacity
    uint32_t count_ = 0;
    bool ordered_ = true;
};
