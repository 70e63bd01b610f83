// Reduced orders, sections and their summaries.
#pragma once

#include "approx/ApproxError.h"
#include "document/Datalist.h"

#include "ZorComLgm.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// Room in the approximation data list; the engine itself fills at most
// kMaxSummaries items, the calibration file reader up to the full room.
inline constexpr uint32_t kApproxDataCapacity = 32;
inline constexpr uint32_t kMaxSummaries = 16;
// Line forming indexes at most this many sections.
inline constexpr uint32_t kMaxSections = 63;
// At most this many break marks are taken from the operator's marks.
inline constexpr uint32_t kMaxBreakMarks = 15;

// The section summaries of the last approximation: what the section table
// shows and what is written into the meter's journal.
struct ApproxDataList {
    uint32_t Count = 0;   // valid items
    uint32_t DuIndex = 0; // nominal diameter, filled before a meter exchange
    std::array<ApproxDataItem, kApproxDataCapacity> Items{};
};

// One section as a range of enabled positions, both ends included.
struct SectionRange {
    uint32_t First;
    uint32_t Last;
};

// Orders all records, enabled or not, by ascending reduced flow EtalonFlow·k
// (k from each record's own temperature); equal keys keep their order. When
// any record moved, Section and Line of every record become 0. Sets Ordered.
// Errors, leaving the list as it was: BadSetting (Tpriv not a water
// temperature), BadMeasurement (a key is not a number).
ApproxError SortByReducedFlow(TZorDataList& list, double Tpriv);

// The same with the reduced frequency MeasuredFrequency·k; resets nothing.
ApproxError SortByReducedFrequency(TZorDataList& list, double Tpriv);

// Groups the enabled records into sections in the order the list has: a
// section takes records while their reduced flow stays less than h (relative)
// above its first record's. Every record's Section becomes 0 first; every
// enabled record then receives its Section and the section's mean reduced
// flow and frequency; disabled records keep their old means. *sections
// receives the number of sections (0 without enabled records).
// Errors, leaving the list as it was: BadSetting (h or Tpriv),
// BadMeasurement (FindUnusableMeasurement finds a record).
ApproxError GroupSections(TZorDataList& list, double h, double Tpriv, uint32_t* sections = nullptr);

// SortByReducedFlow, then GroupSections; the same errors, found before
// anything moves.
ApproxError SplitSections(TZorDataList& list, double h, double Tpriv, uint32_t* sections = nullptr);

// Writes one item per section — its first enabled position and the means its
// records carry — for at most items.size() sections; returns how many.
uint32_t SummarizeSections(const TZorDataList& list, std::span<ApproxDataItem> items);

// The enabled-position ranges of the sections as their records number them.
// TooManySections when there are more than kMaxSections (out is then
// incomplete); no sections without enabled records.
ApproxError SectionBounds(const TZorDataList& list, std::vector<SectionRange>& out);

// The sections at which the operator's lines end: the sections of records
// marked LinePoint (each once, at most kMaxBreakMarks) followed by the last
// enabled record's section unless it was marked already. Empty without
// enabled records.
std::vector<int32_t> MarkedBreaks(const TZorDataList& list);

// Whether the list forms exactly `expected` sections whose mean flows each lie
// within 65535 precision steps of the diameter's standard sequence. False for a
// diameter without a sequence.
bool CheckStandardSections(const TZorDataList& list, int duIndex, uint32_t expected = 7);

// Whether the data list may be written to the meter's journal: 6 or 7 items
// that each lie within 65535 precision steps of the diameter's sequence.
bool CheckApproxDataList(const ApproxDataList& data, int duIndex);
