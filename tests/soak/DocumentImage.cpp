#include "DocumentImage.h"

#include <algorithm>
#include <cstring>

namespace {

std::vector<MeasurementRecord> Copy(const TZorDataList& list) {
    return {list.Records().begin(), list.Records().end()};
}

// Records compare byte by byte: a failed exchange writes nothing into them,
// not even a value that compares equal.
bool SameRecords(const std::vector<MeasurementRecord>& before, const TZorDataList& now) {
    return before.size() == now.Count() &&
           std::equal(before.begin(), before.end(), now.Records().begin(),
                      [](const MeasurementRecord& a, const MeasurementRecord& b) {
                          return std::memcmp(&a, &b, sizeof a) == 0;
                      });
}

bool SameLines(const MeterParams& a, const MeterParams& b) {
    return a.LineCount == b.LineCount && std::equal(a.A, a.A + 16, b.A) &&
           std::equal(a.B, a.B + 16, b.B) && std::equal(a.Fmax, a.Fmax + 16, b.Fmax);
}

bool SameSections(const ApproxDataList& a, const ApproxDataList& b) {
    return a.Count == b.Count &&
           std::equal(a.Items.begin(), a.Items.begin() + a.Count, b.Items.begin(),
                      [](const ApproxDataItem& x, const ApproxDataItem& y) {
                          return x.FirstIndex == y.FirstIndex && x.F == y.F && x.Q == y.Q;
                      });
}

} // namespace

DocumentImage::DocumentImage(const CalibrationDocument& document)
    : calibration_(Copy(document.CalibrationList())),
      verification_(Copy(document.VerificationList())), settings_(document.Settings()),
      lines_(document.Params()), sections_(document.ApproxData()) {}

std::string DocumentImage::Difference(const CalibrationDocument& document) const {
    std::string what;
    const auto note = [&what](bool same, const char* part) {
        if (!same)
            what += what.empty() ? part : std::string(", ") + part;
    };
    note(SameRecords(calibration_, document.CalibrationList()), "the calibration list");
    note(SameRecords(verification_, document.VerificationList()), "the verification list");
    note(settings_ == document.Settings(), "the settings");
    note(SameLines(lines_, document.Params()), "the line table");
    note(SameSections(sections_, document.ApproxData()), "the data list");
    return what;
}
