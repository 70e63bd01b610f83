#include "document/MeasurementTable.h"

#include "document/CalibrationDocument.h"
#include "document/MeasurementFormulas.h"
#include "document/Numbers.h"

#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr int kConfigurations = 4;

struct KindSpec {
    ColumnKind Kind;
    const char* Header;
    int FieldId;
    // Bit c: editable in configuration c.
    unsigned EditableIn;
};

constexpr unsigned kAll = 0b1111;
constexpr unsigned kByMass = 0b1010;
constexpr unsigned kByVolume = 0b0101;
constexpr unsigned kInVerification = 0b1100;

constexpr KindSpec kKinds[] = {
    {ColumnKind::EtalonMass, "Mэт, кг", FieldId::EtalonMass, kByMass},
    {ColumnKind::Temperature, "Tизм, °C", FieldId::Temperature, kAll},
    {ColumnKind::EtalonVolume, "Vэт, л", FieldId::EtalonVolume, kByVolume},
    {ColumnKind::EtalonTime, "tq, с", FieldId::EtalonTime, kAll},
    {ColumnKind::MeasuredPulses, "N1, имп", FieldId::MeasuredPulses, kAll},
    {ColumnKind::MeasuredTime, "t1, с", FieldId::MeasuredTime, kAll},
    {ColumnKind::EtalonFlow, "Qэт, м3/час", FieldId::EtalonFlow, 0},
    {ColumnKind::MeasuredFrequency, "Fиэм, Гц", FieldId::MeasuredFrequency, 0},
    {ColumnKind::FlowDeviation, "бQ, %", FieldId::FlowDeviation, 0},
    {ColumnKind::ComparedPulses, "N2, имп", FieldId::ComparedPulses, kInVerification},
    {ColumnKind::ComparedVolume, "Vизм, л", FieldId::ComparedVolume, 0},
    {ColumnKind::VolumeDeviation, "бV, %", FieldId::VolumeDeviation, 0},
    {ColumnKind::Section, "№ сечения", FieldId::Section, 0},
    {ColumnKind::Line, "№ прямой", FieldId::Line, 0},
};

// The kinds of each configuration, left to right.
const std::array<std::vector<int>, kConfigurations> kLayouts = {{
    {2, 3, 4, 5, 6, 7, 8, 9, 13, 14},
    {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14},
    {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
    {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
}};

// The column lists, built once.
const std::array<std::vector<TableColumn>, kConfigurations>& ColumnSets() {
    static const auto sets = [] {
        std::array<std::vector<TableColumn>, kConfigurations> result;
        for (int c = 0; c < kConfigurations; ++c)
            for (const int kind : kLayouts[c]) {
                const KindSpec& spec = kKinds[kind - 1];
                result[c].push_back(
                    {spec.Kind, spec.Header, spec.FieldId, (spec.EditableIn & (1u << c)) != 0});
            }
        return result;
    }();
    return sets;
}

// The section and line columns that only the piecewise characteristic has.
constexpr size_t kPiecewiseColumns = 2;

} // namespace

int MeasurementTable::Configuration() const {
    const MeterSettings& s = document_.Settings();
    const int mode = s.Mode == WorkMode::Verification ? 1 : 0;
    const int method = s.Method == MeasureMethod::Mass ? 1 : 0;
    return 2 * mode + method;
}

std::span<const TableColumn> MeasurementTable::Columns() const {
    const int configuration = Configuration();
    std::span<const TableColumn> columns = ColumnSets()[configuration];
    if (configuration < 2 && !IsPiecewise(document_.Settings().DevType))
        columns = columns.first(columns.size() - kPiecewiseColumns);
    return columns;
}

int MeasurementTable::RowCount() const {
    const uint32_t count = document_.CurrentList().Count();
    return count == 0 ? 1 : static_cast<int>(count);
}

bool MeasurementTable::HasRecord(int row) const {
    return row >= 0 && static_cast<uint32_t>(row) < document_.CurrentList().Count();
}

const TableColumn* MeasurementTable::ColumnAt(int column) const {
    const std::span<const TableColumn> columns = Columns();
    if (column < 0 || static_cast<size_t>(column) >= columns.size())
        return nullptr;
    return &columns[column];
}

TableCell MeasurementTable::Cell(int row, int column) const {
    TableCell cell;
    const TableColumn* spec = ColumnAt(column);
    if (!spec || !HasRecord(row))
        return cell;
    const MeasurementRecord& record = *document_.CurrentList().Item(row);
    cell.HasRecord = true;
    cell.Text = CellText(row, column);
    if (!record.IsEnabled())
        cell.Fill = kDisabledFill;
    else
        cell.Fill = kRowFills[(colorByLines_ ? record.Line : record.Section) & 3];
    if (spec->Kind == ColumnKind::FlowDeviation &&
        std::fabs(record.FlowDeviation) > document_.Settings().ErrorLimit)
        cell.TextColor = kOverLimitText;
    return cell;
}

std::string MeasurementTable::CellText(int row, int column) const {
    const TableColumn* spec = ColumnAt(column);
    if (!spec || !HasRecord(row))
        return {};
    const TZorDataList& list = document_.CurrentList();
    const MeasurementRecord& record = *list.Item(row);
    if (spec->Kind == ColumnKind::Section && !record.IsEnabled())
        return {};
    std::string text = list.FormatField(row, spec->FieldId).value_or(std::string());
    if (spec->Kind == ColumnKind::Section && record.IsLinePoint())
        text += " *";
    return text;
}

bool MeasurementTable::Editable() const {
    return document_.TableEditable();
}

bool MeasurementTable::CanSelectCell(int column) const {
    const TableColumn* spec = ColumnAt(column);
    return spec && spec->Editable;
}

std::string MeasurementTable::EditText(int row, int column) const {
    const TableColumn* spec = ColumnAt(column);
    if (!spec || !HasRecord(row))
        return {};
    return document_.CurrentList().FormatField(row, spec->FieldId).value_or(std::string());
}

bool MeasurementTable::SetEditText(int row, int column, std::string_view text) {
    const TableColumn* spec = ColumnAt(column);
    if (!Editable() || !spec || !spec->Editable || !HasRecord(row))
        return false;
    MeasurementRecord& r = *document_.CurrentList().Item(row);
    const MeterSettings& settings = document_.Settings();
    const double v = ReadReal(text).value_or(0.0);
    const int32_t n = ReadInt(text).value_or(0);
    // The meter's side of a record: frequency, flow by the characteristic and
    // the flow error, renewed together whenever pulses or their time change.
    const auto renewMeterFlow = [&] {
        ComputeMeasuredFrequency(r);
        ComputeMeasuredFlow(r, document_.Params(), settings.Tpriv);
        ComputeFlowDeviation(r);
    };
    switch (spec->Kind) {
    case ColumnKind::EtalonMass:
        r.EtalonMass = v;
        ComputeVolumeFromMass(r);
        ComputeVolumeDeviation(r);
        break;
    case ColumnKind::Temperature:
        r.Temperature = v;
        if (settings.Method == MeasureMethod::Mass)
            ComputeVolumeFromMass(r);
        break;
    case ColumnKind::EtalonVolume:
        r.EtalonVolume = v;
        if (r.EtalonTime > 0.0) {
            ComputeEtalonFlow(r);
            ComputeFlowDeviation(r);
            ComputeVolumeDeviation(r);
        }
        break;
    case ColumnKind::EtalonTime:
        r.EtalonTime = v;
        if (v > 0.0) {
            ComputeEtalonFlow(r);
            ComputeFlowDeviation(r);
        }
        break;
    case ColumnKind::MeasuredPulses:
        r.MeasuredPulses = n;
        if (r.MeasuredTime > 0.0)
            renewMeterFlow();
        break;
    case ColumnKind::MeasuredTime:
        r.MeasuredTime = v;
        if (v > 0.0)
            renewMeterFlow();
        break;
    case ColumnKind::ComparedPulses:
        r.ComparedPulses = n;
        ComputeComparedVolume(r, settings);
        ComputeVolumeDeviation(r);
        break;
    default:
        return false;
    }
    document_.MeasurementsChanged(false);
    return true;
}

TableMenuState MeasurementTable::ContextPopup(int row) {
    const TZorDataList& list = document_.CurrentList();
    const int count = static_cast<int>(list.Count());
    selected_ = HasRecord(row) ? row : -1;
    const MeterSettings& s = document_.Settings();
    // The grid counts its header as row 0; the last record and the first
    // cannot carry a break mark.
    const int gridRow = row < 0 ? 0 : row + 1;
    menu_.Add = true;
    menu_.Remove = selected_ != -1;
    menu_.Sort = selected_ != -1 && count >= 2;
    menu_.Mark = s.Mode == WorkMode::Calibration && IsPiecewise(s.DevType) && gridRow < count &&
                 selected_ != 0;
    menu_.OnOff = true;
    return menu_;
}

MeasurementRecord* MeasurementTable::SelectedItem() {
    return selected_ < 0 ? nullptr : document_.CurrentList().Item(selected_);
}

void MeasurementTable::AddItemClick() {
    if (!menu_.Add)
        return;
    document_.CurrentList().Add(NewMeasurement());
    document_.MeasurementsChanged(true);
}

void MeasurementTable::RemItemClick(int currentRow) {
    if (!menu_.Remove || selected_ == -1 || !HasRecord(currentRow))
        return;
    document_.CurrentList().Delete(static_cast<uint32_t>(currentRow));
    document_.MeasurementsChanged(true);
}

void MeasurementTable::SortItemClick() {
    if (!menu_.Sort)
        return;
    if (document_.CurrentList().SortByFlow())
        document_.MeasurementsChanged(true);
}

void MeasurementTable::LineItemClick() {
    MeasurementRecord* record = SelectedItem();
    if (!menu_.Mark || !record || !record->IsEnabled())
        return;
    record->Flags ^= RecordFlag::LinePoint;
    document_.MeasurementsChanged(false);
}

void MeasurementTable::OnOffItemClick() {
    MeasurementRecord* record = SelectedItem();
    if (!menu_.OnOff || !record)
        return;
    record->Flags &= ~RecordFlag::LinePoint;
    record->Flags ^= RecordFlag::Disabled;
    document_.MeasurementsChanged(false);
}

void MeasurementTable::ColorizeItemClick(int tag) {
    if (tag == kColorizeSectionsTag)
        colorByLines_ = false;
    else if (tag == kColorizeLinesTag)
        colorByLines_ = true;
    else
        return;
    document_.TouchTable(false);
}
