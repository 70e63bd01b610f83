#include "approx/Approx.h"

#include "approx/EngineDetail.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <vector>

using namespace approx_detail;

namespace {

// One piecewise run. It works on copies of the list and the line table, so
// that a run which fails half way — a degenerate line found after the list was
// sorted and sectioned — leaves the caller's document exactly as it was.
class PiecewiseRun {
public:
    PiecewiseRun(const TZorDataList& list, const LineTable& lines) : work_(list), staged_(lines) {}

    TZorDataList& Work() { return work_; }

    // Sorts and sections the working list and indexes its sections.
    ApproxError FormSections(double h, double Tpriv) {
        if (!IsSpreadLimit(h) || !IsWaterTemperature(Tpriv))
            return ApproxError::BadSetting;
        if (work_.EnabledCount() == 0)
            return ApproxError::NoEnabledRecords;
        if (const ApproxError e = SplitSections(work_, h, Tpriv); e != ApproxError::None)
            return e;
        tpriv_ = Tpriv;
        summaryCount_ = SummarizeSections(work_, std::span(summary_).first(kMaxSummaries));
        if (const ApproxError e = SectionBounds(work_, sections_); e != ApproxError::None)
            return e;
        if (sections_.size() < 2)
            return ApproxError::TooFewSections;
        enabled_ = work_.EnabledPositions();
        return ApproxError::None;
    }

    uint32_t SectionCount() const { return static_cast<uint32_t>(sections_.size()); }

    void MarkSectionStart(uint32_t section) {
        work_.Records()[enabled_[sections_[section].First]].Flags |= RecordFlag::LinePoint;
    }

    // Lines from the low-flow end, each as long as the error limit allows.
    ApproxError FormAutomaticLines(double delta) {
        SumSections(true);
        const uint32_t last = SectionCount() - 1;
        for (uint32_t cur = 0; cur < last;) {
            uint32_t e = last;
            double a = 0, b = 0;
            for (;;) {
                if (const ApproxError error = SolveLine(SumRange(cur, e), a, b);
                    error != ApproxError::None)
                    return error;
                if (e - 1 == cur ||
                    WithinError(work_.Records(), Range(cur, e), tpriv_, a, b, delta))
                    break;
                --e;
            }
            if (const ApproxError error = AddLine(e, a, b); error != ApproxError::None)
                return error;
            cur = e;
        }
        return ApproxError::None;
    }

    // One line ending at each break section, the next starting there. A break
    // in the first section ends the list at once: the run forms no line.
    ApproxError FormLinesFromBreaks(const std::vector<int32_t>& breaks, bool byMeans) {
        SumSections(byMeans);
        uint32_t cur = 0;
        for (const int32_t end : breaks) {
            if (end == 0)
                break;
            if (end < 0 || static_cast<uint32_t>(end) <= cur ||
                static_cast<uint32_t>(end) >= SectionCount())
                return ApproxError::BadBreaks;
            const auto e = static_cast<uint32_t>(end);
            double a = 0, b = 0;
            if (const ApproxError error = SolveLine(SumRange(cur, e), a, b);
                error != ApproxError::None)
                return error;
            if (const ApproxError error = AddLine(e, a, b); error != ApproxError::None)
                return error;
            cur = e;
        }
        return ApproxError::None;
    }

    // Writes the lines into the working table and records, then hands
    // everything to the caller. With no line formed the table is left empty
    // and the records keep the lines they had: there is none to apply.
    ApproxError Commit(TZorDataList& list, ApproxDataList& data, LineTable& lines) {
        const uint32_t count = static_cast<uint32_t>(lineEnds_.size());
        const auto records = work_.Records();
        for (uint32_t j = 0; j < count; ++j) {
            staged_.A[j] = lineA_[j];
            staged_.B[j] = lineB_[j];
            staged_.Fmax[j] = records[enabled_[sections_[lineEnds_[j]].Last]].SectionFrequency;
        }
        staged_.LineCount = count;
        if (count > 0) {
            staged_.Fmax[count - 1] = kOpenEnd;
            if (const ApproxError e = ApplyLines(work_, staged_, tpriv_, true);
                e != ApproxError::None)
                return e;
        }
        list = std::move(work_);
        data.Count = summaryCount_;
        std::copy_n(summary_.begin(), summaryCount_, data.Items.begin());
        StoreLines(lines, staged_);
        return ApproxError::None;
    }

private:
    // The enabled positions of sections from … to.
    std::span<const uint32_t> Range(uint32_t from, uint32_t to) const {
        const uint32_t first = sections_[from].First;
        return std::span(enabled_).subspan(first, sections_[to].Last - first + 1);
    }

    void SumSections(bool byMeans) {
        const auto records = work_.Records();
        sums_.assign(sections_.size(), FitSums{});
        for (size_t s = 0; s < sections_.size(); ++s) {
            for (uint32_t n = sections_[s].First; n <= sections_[s].Last; ++n) {
                const MeasurementRecord& r = records[enabled_[n]];
                AddRecord(sums_[s], r, ViscosityRatio(r.Temperature, tpriv_), byMeans);
            }
        }
    }

    FitSums SumRange(uint32_t from, uint32_t to) const {
        FitSums sums;
        for (uint32_t s = from; s <= to; ++s)
            sums += sums_[s];
        return sums;
    }

    ApproxError AddLine(uint32_t endSection, double a, double b) {
        if (lineEnds_.size() == kMaxLines)
            return ApproxError::TooManyLines;
        lineEnds_.push_back(endSection);
        lineA_.push_back(a);
        lineB_.push_back(b);
        return ApproxError::None;
    }

    TZorDataList work_;
    LineTable staged_;
    double tpriv_ = 20.0;
    std::array<ApproxDataItem, kMaxSummaries> summary_{};
    uint32_t summaryCount_ = 0;
    std::vector<SectionRange> sections_;
    std::vector<uint32_t> enabled_;
    std::vector<FitSums> sums_;
    std::vector<uint32_t> lineEnds_;
    std::vector<double> lineA_, lineB_;
};

// Puts one line, open at the top, into the table and onto every record.
ApproxError ApplyOneLine(TZorDataList& list, LineTable& lines, double a, double b, double Tpriv,
                         bool reduced) {
    LineTable staged = lines;
    staged.A[0] = a;
    staged.B[0] = b;
    staged.Fmax[0] = kOpenEnd;
    staged.LineCount = 1;
    if (const ApproxError e = ApplyLines(list, staged, Tpriv, reduced); e != ApproxError::None)
        return e;
    StoreLines(lines, staged);
    return ApproxError::None;
}

} // namespace

ApproxError ApproxAutomatic(TZorDataList& list, ApproxDataList& data, LineTable& lines, double h,
                            double delta, double Tpriv) {
    if (!IsErrorLimit(delta))
        return ApproxError::BadSetting;
    PiecewiseRun run(list, lines);
    run.Work().ClearLinePoints();
    if (const ApproxError e = run.FormSections(h, Tpriv); e != ApproxError::None)
        return e;
    if (const ApproxError e = run.FormAutomaticLines(delta); e != ApproxError::None)
        return e;
    return run.Commit(list, data, lines);
}

ApproxError ApproxManual(TZorDataList& list, ApproxDataList& data, LineTable& lines, double h,
                         double Tpriv, bool byMeans) {
    PiecewiseRun run(list, lines);
    if (const ApproxError e = run.FormSections(h, Tpriv); e != ApproxError::None)
        return e;
    if (const ApproxError e = run.FormLinesFromBreaks(MarkedBreaks(run.Work()), byMeans);
        e != ApproxError::None)
        return e;
    return run.Commit(list, data, lines);
}

ApproxError ApproxStandard(TZorDataList& list, ApproxDataList& data, LineTable& lines,
                           const StandardPartition& partition) {
    PiecewiseRun run(list, lines);
    run.Work().ClearLinePoints();
    if (const ApproxError e = run.FormSections(partition.SpreadLimit, partition.Tpriv);
        e != ApproxError::None)
        return e;
    for (const int32_t section : partition.Breaks) {
        if (section == 0)
            break;
        if (section < 0 || static_cast<uint32_t>(section) >= run.SectionCount())
            return ApproxError::BadBreaks;
        run.MarkSectionStart(static_cast<uint32_t>(section));
    }
    if (const ApproxError e = run.FormLinesFromBreaks(MarkedBreaks(run.Work()), true);
        e != ApproxError::None)
        return e;
    return run.Commit(list, data, lines);
}

ApproxError ApproxLinear(TZorDataList& list, LineTable& lines, double Tpriv) {
    if (!IsWaterTemperature(Tpriv))
        return ApproxError::BadSetting;
    if (list.EnabledCount() == 0)
        return ApproxError::NoEnabledRecords;
    if (FindUnusableMeasurement(list, Tpriv) >= 0)
        return ApproxError::BadMeasurement;
    FitSums sums;
    for (const MeasurementRecord& r : list.Records())
        if (r.IsEnabled())
            AddRecord(sums, r, ViscosityRatio(r.Temperature, Tpriv), false);
    double a = 0, b = 0;
    if (const ApproxError e = SolveLine(sums, a, b); e != ApproxError::None)
        return e;
    return ApplyOneLine(list, lines, a, b, Tpriv, true);
}

ApproxError ApproxProportional(TZorDataList& list, LineTable& lines) {
    if (list.EnabledCount() == 0)
        return ApproxError::NoEnabledRecords;
    if (FindUnusableMeasurement(list, std::nullopt) >= 0)
        return ApproxError::BadMeasurement;
    // Least squares of the relative error of Q = a·F: a = Σt / Σt², t = F/Q.
    double sumT = 0, sumT2 = 0;
    for (const MeasurementRecord& r : list.Records()) {
        if (!r.IsEnabled())
            continue;
        const double t = r.MeasuredFrequency / r.EtalonFlow;
        sumT += t;
        sumT2 += t * t;
    }
    const double a = sumT / sumT2;
    if (!std::isfinite(a))
        return ApproxError::DegenerateFit;
    return ApplyOneLine(list, lines, a, 0.0, 20.0, false);
}
