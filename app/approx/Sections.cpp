#include "approx/Sections.h"

#include "approx/Limits.h"
#include "approx/Water.h"

#include <cmath>

namespace {

using RealField = double MeasurementRecord::*;

ApproxError SortByReduced(TZorDataList& list, double Tpriv, RealField field, bool resetOnMove) {
    if (!IsWaterTemperature(Tpriv))
        return ApproxError::BadSetting;
    std::vector<double> keys;
    keys.reserve(list.Count());
    for (const MeasurementRecord& r : list.Records())
        keys.push_back(r.*field * ViscosityRatio(r.Temperature, Tpriv));
    bool moved = false;
    if (!list.SortByKeys(keys, &moved))
        return ApproxError::BadMeasurement;
    if (moved && resetOnMove) {
        list.ClearSections();
        list.ClearLines();
    }
    return ApproxError::None;
}

// Whether a section mean lies within 65535 precision steps of the sequence.
bool MatchesSequence(std::span<const ApproxDataItem> items, int duIndex) {
    if (duIndex < 0)
        return false;
    const auto du = static_cast<uint32_t>(duIndex);
    const double precision = ZorComLgmSeqPrecision(du);
    if (!(precision > 1e-10))
        return false;
    for (uint32_t i = 0; i < items.size(); ++i) {
        const double steps = std::fabs(items[i].Q - ZorComLgmSeqItem(du, i)) / precision;
        // Written so that a NaN mean fails.
        if (!(std::trunc(steps) < 65536.0))
            return false;
    }
    return true;
}

ApproxError CheckSectioning(const TZorDataList& list, double h, double Tpriv) {
    if (!IsSpreadLimit(h) || !IsWaterTemperature(Tpriv))
        return ApproxError::BadSetting;
    if (FindUnusableMeasurement(list, Tpriv) >= 0)
        return ApproxError::BadMeasurement;
    return ApproxError::None;
}

// GroupSections after its checks.
void GroupChecked(TZorDataList& list, double h, double Tpriv, uint32_t* sections) {
    list.ClearSections();
    const auto records = list.Records();
    const std::vector<uint32_t> enabled = list.EnabledPositions();
    int32_t section = 0;
    size_t first = 0; // enabled position of the open section's first record
    double q0 = 0.0, sumQ = 0.0, sumF = 0.0;
    uint32_t count = 0;
    const auto close = [&](size_t end) {
        for (size_t n = first; n < end; ++n) {
            MeasurementRecord& r = records[enabled[n]];
            r.SectionFlow = sumQ / count;
            r.SectionFrequency = sumF / count;
            r.Section = section;
        }
        ++section;
    };
    for (size_t n = 0; n < enabled.size(); ++n) {
        const MeasurementRecord& r = records[enabled[n]];
        const double k = ViscosityRatio(r.Temperature, Tpriv);
        const double q = r.EtalonFlow * k;
        const double f = r.MeasuredFrequency * k;
        if (n == 0)
            q0 = q;
        // The spread is measured from the section's first flow (the smallest
        // in the reduced order), and a record exactly at the limit already
        // opens the next section.
        if (std::fabs((q - q0) / q0) < h) {
            sumQ += q;
            sumF += f;
            ++count;
        } else {
            close(n);
            first = n;
            q0 = sumQ = q;
            sumF = f;
            count = 1;
        }
    }
    if (count > 0)
        close(enabled.size());
    if (sections)
        *sections = static_cast<uint32_t>(section);
}

} // namespace

ApproxError SortByReducedFlow(TZorDataList& list, double Tpriv) {
    return SortByReduced(list, Tpriv, &MeasurementRecord::EtalonFlow, true);
}

ApproxError SortByReducedFrequency(TZorDataList& list, double Tpriv) {
    return SortByReduced(list, Tpriv, &MeasurementRecord::MeasuredFrequency, false);
}

ApproxError GroupSections(TZorDataList& list, double h, double Tpriv, uint32_t* sections) {
    if (const ApproxError error = CheckSectioning(list, h, Tpriv); error != ApproxError::None)
        return error;
    GroupChecked(list, h, Tpriv, sections);
    return ApproxError::None;
}

ApproxError SplitSections(TZorDataList& list, double h, double Tpriv, uint32_t* sections) {
    if (const ApproxError error = CheckSectioning(list, h, Tpriv); error != ApproxError::None)
        return error;
    // Cannot fail after the checks above.
    static_cast<void>(SortByReducedFlow(list, Tpriv));
    GroupChecked(list, h, Tpriv, sections);
    return ApproxError::None;
}

uint32_t SummarizeSections(const TZorDataList& list, std::span<ApproxDataItem> items) {
    const auto records = list.Records();
    const std::vector<uint32_t> enabled = list.EnabledPositions();
    uint32_t s = 0;
    for (size_t n = 0; s < items.size() && n < enabled.size(); ++s) {
        const MeasurementRecord& r = records[enabled[n]];
        items[s] = ApproxDataItem{0, static_cast<uint32_t>(n), r.SectionFrequency, r.SectionFlow};
        for (++n; n < enabled.size() && records[enabled[n]].Section == int64_t{s}; ++n) {
        }
    }
    return s;
}

ApproxError SectionBounds(const TZorDataList& list, std::vector<SectionRange>& out) {
    out.clear();
    const auto records = list.Records();
    const std::vector<uint32_t> enabled = list.EnabledPositions();
    if (enabled.empty())
        return ApproxError::None;
    uint32_t start = 0;
    for (uint32_t n = 1; n < enabled.size(); ++n) {
        if (records[enabled[n]].Section > static_cast<int64_t>(out.size())) {
            out.push_back({start, n - 1});
            if (out.size() == kMaxSections)
                return ApproxError::TooManySections;
            start = n;
        }
    }
    out.push_back({start, static_cast<uint32_t>(enabled.size() - 1)});
    return ApproxError::None;
}

std::vector<int32_t> MarkedBreaks(const TZorDataList& list) {
    std::vector<int32_t> breaks;
    const MeasurementRecord* last = nullptr;
    for (const MeasurementRecord& r : list.Records()) {
        if (!r.IsEnabled())
            continue;
        last = &r;
        if (r.IsLinePoint() && breaks.size() < kMaxBreakMarks &&
            (breaks.empty() || breaks.back() != r.Section))
            breaks.push_back(r.Section);
    }
    // The last section always ends the last line. Listing it a second time
    // when it is marked would ask for a line over that one section alone.
    if (last && (breaks.empty() || breaks.back() != last->Section)) {
        if (breaks.size() < kMaxBreakMarks)
            breaks.push_back(last->Section);
        else
            breaks.back() = last->Section;
    }
    return breaks;
}

bool CheckStandardSections(const TZorDataList& list, int duIndex, uint32_t expected) {
    std::array<ApproxDataItem, kMaxSummaries> items{};
    const uint32_t count = SummarizeSections(list, items);
    return count == expected && MatchesSequence(std::span(items).first(count), duIndex);
}

bool CheckApproxDataList(const ApproxDataList& data, int duIndex) {
    return (data.Count == 6 || data.Count == 7) &&
           MatchesSequence(std::span(data.Items).first(data.Count), duIndex);
}
